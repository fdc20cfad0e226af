// Explicit material routines of a ply (solver VUMAT interface; a plane-stress block gets its
// through-thickness strain increments written into column 3 of straininc).
//
//   vumat_lamina     linear-elastic orthotropic ply, stateless: stress = old stress + C times
//                    the strain increment, internal energy per unit mass accumulated; the state
//                    variables and the inelastic energy are returned as zeros
//   vumat_bogenfeld  progressively failing unidirectional ply: fibre failure in tension and
//                    compression (quadratic nominal index, bilinear softening), matrix cracking
//                    (action-plane criterion, crack-plane damage after Bogenfeld, open or closed
//                    crack) and point deletion when a fibre damage reaches its cap
//
// Components in the solver's cyclic order 11, 22, 33, 12, 23, 13 (or 11, 22, 33, 12 and 11, 22,
// 12), tensor shear strains. Property forms of vumat_bogenfeld: 1 value (the constants of the
// material table for the ply and section held in state variables 21 and 22 of the block's first
// point), 2, 5 or 9 elastic constants, 21 values (the column-packed upper triangle of the 6 x 6
// Nye stiffness) or the full list of 29 (E1, E2, E3, G12, G13, G23, nu12, nu13, nu23, strengths
// xt11, xt22, -, xc11, xc22, -, x12, x13, -, ..., fibre fracture energies in tension and
// compression at 25 and 26, crack-plane toughnesses at 27 to 29); a shorter full list is padded
// with zeros (reported). The damage path needs six components, 47 state variables and positive
// strengths; otherwise the point stays elastic (reported). Its state layout is named in
// vumat_ply.cpp (namespace slot).
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(VumatPlaneStrain, vumat_lamina);
TVK_SOLVER_DECLARE(VumatPlaneStrain, vumat_bogenfeld);
