// Implicit material routine of a linear-elastic material with pores (solver UMAT interface
// without the step record, stress updated in the caller's array): the on-axis stiffness of the
// property list (2, 5 or 9 constants, 12, 21 or 36 values), knocked down to one thousandth at a
// point whose state variable 1 is exactly 1.0 (a pore); incremental Hooke's law. The energies
// are returned as 0 and the state variables unchanged.
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(UmatNoStep, umat_porosity);
