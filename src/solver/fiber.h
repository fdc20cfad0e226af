// Orthotropic linear-elastic material routines of a fibre-reinforced ply: `umat_fiber` (solver
// UMAT interface) with an optional maximum-stress fibre-failure check in direction 1, a
// stiffness factor after failure and two temperature sets; `usermat_fiber` (ANSYS USERMAT
// interface), the same elastic law incrementally, without failure.
//
// umat_fiber properties by count: 9 the Nye vector (E1, E2, E3, nu12, nu13, nu23, G12, G13, G23)
// as given; 11 with the fibre tensile and compressive strengths xt, xc; 12 with the stiffness
// factor after fibre failure; 24 or 25 two sets of eleven at the temperatures props(12) and
// props(24), with the factor props(25). State (at least 12 slots): 3 the fibre exposure (held at
// its largest value, at most 1), 12 the largest double.
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(Umat, umat_fiber);
TVK_SOLVER_DECLARE(Usermat, usermat_fiber);
