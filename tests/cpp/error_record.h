// Test helpers around the error record of the calling thread.
#pragma once

#include <string>

#include "core/errors.h"

namespace tvk {
// The calling thread's record under the module's name: `tvk::errorhandling.errstat` is the level
// of this thread's report.
inline thread_local ErrorRecord& errorhandling = current_error_record();
}  // namespace tvk

namespace tvktest {

// Clears the record (errstat 0, arrays released), as rsxerr(lop = true) does.
inline void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

// The recorded message without its trailing blanks.
inline std::string errtext() {
    std::string s(tvk::errorhandling.errstring, 80);
    const auto end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

}  // namespace tvktest
