// Access to process-wide values that live in the unnamed namespace of their owner, for the list of
// process-wide state (solver/process_state.h): each is defined next to the value it reads or
// resets, in whatever folder owns it, and declared here, below every folder.
#pragma once

namespace tvk::process_state::hooks {
bool impactor_window_empty();        // solver/impactormotion.cpp
bool coords_local_marker_clear();    // elements/elementtables.cpp
void clear_hermite_message_table();  // pchip/xermsg.cpp, without printing the summary
bool hermite_message_table_empty();  // pchip/xermsg.cpp
}  // namespace tvk::process_state::hooks
