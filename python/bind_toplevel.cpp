// Python entry points of the solver material routines (namespace `toplevel`): every signature is
// derived from the routine's solver interface.
#include "engine/solver.h"

#include "solver/fiber.h"
#include "solver/umat_krause.h"
#include "solver/umat_lamina.h"
#include "solver/umat_resin.h"
#include "solver/umat_shokrieh.h"

TVK_SOLVER_ROUTINE(toplevel, umat_lamina, Umat, umat_lamina);
TVK_SOLVER_ROUTINE(toplevel, umat_fiber, Umat, umat_fiber);
TVK_SOLVER_ROUTINE(toplevel, usermat_fiber, Usermat, usermat_fiber);
TVK_SOLVER_ROUTINE(toplevel, umat_krause, Umat, umat_krause);
TVK_SOLVER_ROUTINE(toplevel, umat_shokrieh, UmatShokrieh, umat_shokrieh);
TVK_SOLVER_ROUTINE(toplevel, usermat_shokrieh, Usermat, usermat_shokrieh);
// spannung is updated in place (a writeable float64 array of nstresscomp values; anything that
// would need a conversion is refused); tangente is output only.
TVK_SOLVER_ROUTINE(toplevel, umat_resin, UmatResin, umat_resin);
TVK_SOLVER_ROUTINE(toplevel, usermat_resin, Usermat, usermat_resin);
