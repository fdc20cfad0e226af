// Implicit material routine of an anisotropic hyperelastic ply (solver UMAT interface): stress =
// K (stran + dstran) with the stiffness K of the property list, specific strain energy
// ½ stress . strain, and the tangent taken numerically (complex step) from the anisotropic
// hyperelastic stress law with K as its property matrix; when K dstran reproduces the change of
// stress exactly, K itself.
//
// Stiffness by property count: 1, the elastic constants of the material table for the ply and
// section held in ply state slots 21 and 22 (both must name a table column, and the state vector
// must reach them); 2 to 9, the elastic constants (2, 5 or 9 values); any other count, the
// column-packed upper triangle of the ntens x ntens stiffness (ntens (ntens + 1)/2 values
// exactly). The stress is written to the ply state slots 1..ndi and, for the shears, from 4 on,
// as far as the state vector reaches. The slots are those of the ply state vector that the damage
// field keeps (ply_state.h): the last 40 state variables (slot s is state variable nstatv - 40 +
// s), or with fewer than 40 state variables slot s is state variable s.
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(Umat, umat_hyper);
