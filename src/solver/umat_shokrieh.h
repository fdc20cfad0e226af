// Solver routines of the Shokrieh fatigue ply (see GetShokrieh):
//
//   umat_shokrieh     UMAT. The element's stress state is expanded to three dimensions, a
//                     unidirectional ply runs one material point, a woven ply (sub-ply angle
//                     props(149) not 0) two unidirectional sub-plies at +angle and -angle whose
//                     stresses are averaged; stress and tangent are reduced back to the element's
//                     components and the strain energy is accumulated (sse). Shell elements
//                     (three components) use the plane-stress stiffness.
//   usermat_shokrieh  ANSYS USERMAT: umat_shokrieh through abq_umat_to_ansys_usermat.
//
// State variables (1-based), at least 312: 1 the sub-ply angle; 2-78 the point block of the
// (first) ply, 79-155 that of the second sub-ply; 156 zero; 157 a copy of 1; 158-234 and
// 235-311 the backups of the two blocks (used in direct cyclic analyses); 312 a copy of 156. The
// state is initialised in the first increment when its first half is all zero or the last
// variable holds at least 9.9e34. State variables 78, 155, 234 and 311 (slot 77 of each block
// and backup) are NaN when no component has a finite life at the last cycle end.
#pragma once

#include "interfaces.h"
#include "kernel.h"

TVK_SOLVER_DECLARE(UmatShokrieh, umat_shokrieh);
TVK_SOLVER_DECLARE(Usermat, usermat_shokrieh);

namespace tvk::solver {
// What the check of the routine's results lets through: its strain energy adds the increment's to
// the solver's, its dissipations are the solver's; NaN in state variables 78, 155, 234 and 311.
inline constexpr ResultRules shokrieh_results{.sse = Energy::accumulated,
                                              .spd = Energy::solvers,
                                              .scd = Energy::solvers,
                                              .none = {77, 154, 233, 310}};
}  // namespace tvk::solver
