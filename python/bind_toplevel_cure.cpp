// Python entry points of the curing-resin routines (namespace `toplevel`): the material routine,
// its heat-generation and expansion routines and its ANSYS entry; every signature is derived from
// the routine's solver interface.
#include "engine/solver.h"

#include "solver/prony.h"

TVK_SOLVER_ROUTINE(toplevel, umat_prony, UmatProny, umat_prony);
TVK_SOLVER_ROUTINE(toplevel, hetval_prony, HetvalProny, hetval_prony);
TVK_SOLVER_ROUTINE(toplevel, uexpan_prony, UexpanProny, uexpan_prony);
TVK_SOLVER_ROUTINE(toplevel, usermat_prony, Usermat, usermat_prony);
