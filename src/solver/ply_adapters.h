// The ply material for solvers other than Abaqus.
//
//   usermat_lamina   ANSYS USERMAT: the elastic ply routine umat_lamina through the USERMAT
//                    adapter (abq_umat_to_ansys_usermat), every argument handed on unchanged
//   upermat_lamina   Peridigm: umat_lamina through the Peridigm adapter, point by point
//   hypela_lamina    MSC Marc HYPELA2: a stub. It answers every call with error_code 0 and a
//                    zero stiffness, initial-stress vector and stress (nothing when ngens is not
//                    positive) and reads nothing else; a Marc model cannot use the ply material
//                    through it yet.
#pragma once

#include "interfaces.h"
#include "other_interfaces.h"

TVK_SOLVER_DECLARE(Usermat, usermat_lamina);
TVK_SOLVER_DECLARE(Upermat, upermat_lamina);
TVK_SOLVER_DECLARE(Hypela2, hypela_lamina);
