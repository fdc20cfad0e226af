// Python entry point of the explicit orthotropic damage material (namespace `toplevel`); its
// signature is derived from the explicit block interface.
#include "engine/solver.h"

#include "solver/vumat_cartesian.h"

TVK_SOLVER_ROUTINE(toplevel, vumat_cartesian, Vumat, vumat_cartesian);
