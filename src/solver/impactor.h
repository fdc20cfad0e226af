// Impactor user elements: a two-node bar between the impactor and the impact point whose own
// contributions are those of a vanishingly weak bar, and whose work is the contact force between
// impactor and plate, kept in the impactor's contact record cprops(20) (one column of impactdata
// cprops, selected by the caller) for the load routine and analysis control.
//
// PROPS: 1-2 impactor modulus and Poisson's ratio, 3-4 target modulus through the thickness and
// Poisson's ratio, 5 impact energy, 6 impactor mass, 7 impactor radius, 8 second impactor length,
// 9-10 target curvatures, 11 start value (> 0 the step time ti0 before which no contact is
// computed, < 0 the initial impactor offset d0), 12 critical indentation of the permanent
// indentation law (coefficient of the user power law with contact-law flag 2), 13 exponent of the
// user power law (implicit) or weight of the blended update (explicit). At least 12 are needed.
// JPROPS: 1 root-finding procedure / force law (0 keep the recorded force, 1 Hertz, 2 bracketed
// root (implicit) or Hertz with permanent indentation (explicit)), 2 contact-stiffness flag, 3
// contact-law flag (implicit), 4 update mark selector (explicit, with 4 values).
//
// uel_impact SVARS (at least 20): 13 impactor acceleration at initialisation, 14 plate compliance
// (or the structural-response marker), 15 elongation at the last stored force, 16 current
// elongation, 17 largest stored force, 18 zeroed at initialisation, 19 interpolated compliance,
// 20 impactor number, 21.. the plate response table (an even count beyond 20: nh time increments,
// falling, then the nh elongations under the unit force). vuel_impact svars(k, 13..18) likewise
// (at least 18 per element).
//
// An element its contact work cannot serve is refused: a level -3 report, the weak bar's refused
// element (zero residual, stiffness and energies; uel_impact 0 < pnewdt <= 0.5, vuel_impact its
// stable increment as it came), and the record and the state as they came. That is too few state
// values or properties, a mass that is not positive (at initialisation, and in a dynamic
// impact-step call of uel_impact from the start time on; a static call keeps the recorded force
// and reads none), a motion coefficient plus compliance or a closed-form contact stiffness that
// is not positive, an impactor number outside csvars, a carried force (a negative record force,
// which goes into csvars) of -inf, a recorded force or radius (entries 11 and 12) that is not
// finite where it is handed back as the current one, a response grid without a positive last
// value or with a zero time increment, and a value that would turn non-finite. An unknown force
// procedure (reported) and a stiffness flag the stiffness law does not compute (reported there)
// give no contact force instead: force, radius and depth 0 (radius and depth of F = 0 for the
// procedure). An unusable response table keeps the recorded compliance (level -2).
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(UelImpact, uel_impact);
TVK_SOLVER_DECLARE(VuelImpact, vuel_impact);
