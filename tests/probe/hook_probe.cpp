// Binding of the hook-interface probes under the Python names of the hooks they stand for: every
// line derives its signature from the interface.
#include "../../python/engine/solver.h"
#include "hook_probes.h"

TVK_SOLVER_ROUTINE(tsolver, uexternaldb_iocontrol, Uexternaldb, probe_uexternaldb);
TVK_SOLVER_ROUTINE(tsolver, vexternaldb_iocontrol, Vuexternaldb, probe_vuexternaldb);
TVK_SOLVER_ROUTINE(tsolver, uaccess_iocontrol, Uaccess, probe_uaccess);
TVK_SOLVER_ROUTINE(tsolver, hetval_prony, HetvalProny, probe_hetvalprony);
TVK_SOLVER_ROUTINE(tsolver, uexpan_prony, UexpanProny, probe_uexpanprony);
