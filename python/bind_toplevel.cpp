// Python entry points of the solver material routines (namespace `toplevel`): every signature is
// derived from the routine's solver interface.
#include "engine/solver.h"

#include "solver/umat_lamina.h"

TVK_SOLVER_ROUTINE(toplevel, umat_lamina, Umat, umat_lamina);
