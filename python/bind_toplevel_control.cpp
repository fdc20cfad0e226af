// Python bindings of the analysis-control and auxiliary solver hooks (namespace `toplevel`).
#include "engine/bind.h"
#include "engine/solver.h"

#include "solver/analysiscontrol.h"
#include "solver/hooks.h"

TVK_SOLVER_ROUTINE(toplevel, vucharlength_cel, Vucharlength, vucharlength_cel);
TVK_SOLVER_ROUTINE(toplevel, uvarm_report, Uvarm, uvarm_report);
TVK_SOLVER_ROUTINE(toplevel, vdisp_nullify, Vdisp, vdisp_nullify);
TVK_SOLVER_ROUTINE(toplevel, mpc_nullify, Mpc, mpc_nullify);
TVK_SOLVER_ROUTINE(toplevel, gen_sdvini, Sdvini, gen_sdvini);

TVK_SOLVER_ROUTINE(toplevel, uexternaldb_iocontrol, Uexternaldb, UEXTERNALDB_IOControl);
TVK_SOLVER_ROUTINE(toplevel, vexternaldb_iocontrol, Vuexternaldb, VUEXTERNALDB_IOControl);
TVK_SOLVER_ROUTINE(toplevel, uaccess_iocontrol, Uaccess, UACCESS_IOControl);
