// Implicit material routine of a linear-elastic orthotropic ply (solver UMAT interface).
//
// Stress, stiffness as tangent and specific strain energy for the total strain, secant form
// (stress = C (stran + dstran), the incoming stress does not enter). In a step of kind DIC the
// stiffness is degraded from the failure flags held in the ply state vector; in every other step
// kind the ply stays elastic. Ply state slots (1-based) read: 8-12 failure flags (fibre, matrix,
// delamination, core, buckling), 18 residual factor, 21 and 22 ply and section index (when
// nprops is 1 the constants come from the material table of that ply and section); written: the
// stresses into 1..ndi and the shear stresses from slot 4 on, when nstatv > 5. The slots are those
// of the ply state vector that the damage field keeps (ply_state.h): the last 40 state variables,
// so slot s is state variable nstatv - 40 + s (s itself for nstatv 40); with fewer than 40 state
// variables slot s is state variable s, as far as they reach.
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(Umat, umat_lamina);
