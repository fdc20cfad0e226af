// Python entry points of the plasticity, porosity, hyperelastic and explicit ply material
// routines and of the ply material's entries for other solvers (namespace `toplevel`): every
// signature is derived from the routine's solver interface.
#include "engine/solver.h"

#include "solver/umat_hail.h"
#include "solver/ply_adapters.h"
#include "solver/umat_hyper.h"
#include "solver/umat_porosity.h"
#include "solver/vumat_ply.h"

TVK_SOLVER_ROUTINE(toplevel, umat_hail, UmatInPlace, umat_hail);
TVK_SOLVER_ROUTINE(toplevel, umat_porosity, UmatNoStep, umat_porosity);
TVK_SOLVER_ROUTINE(toplevel, umat_hyper, Umat, umat_hyper);
TVK_SOLVER_ROUTINE(toplevel, usermat_lamina, Usermat, usermat_lamina);
TVK_SOLVER_ROUTINE(toplevel, upermat_lamina, Upermat, upermat_lamina);
TVK_SOLVER_ROUTINE(toplevel, hypela_lamina, Hypela2, hypela_lamina);
TVK_SOLVER_ROUTINE(toplevel, vumat_lamina, VumatPlaneStrain, vumat_lamina);
TVK_SOLVER_ROUTINE(toplevel, vumat_bogenfeld, VumatPlaneStrain, vumat_bogenfeld);
