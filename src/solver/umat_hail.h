// Implicit material routine of an isotropic elastic-plastic solid (solver UMAT interface, stress
// and state updated in the caller's arrays): von Mises plasticity with isotropic hardening from
// a table of yield stress over equivalent plastic strain, radial return with a Newton iteration
// on the plastic strain increment, consistent tangent, and a mean-stress cut-off.
//
// props: E, nu, plasticity switch (> 0: on), then rows (yield stress, equivalent plastic strain)
// with strains increasing strictly (a table that does not refuses the point when it is read:
// plasticity on and the state present); the first yield stress is also the cut-off stress.
// statev (2 ntens + 1): elastic strain, plastic strain (Nye order, engineering shears),
// equivalent plastic strain.
//
// The cut-off is a process-wide latch: once one call finds the mean trial stress above the
// cut-off stress, every later call with plasticity on returns the cut-off stress (the direct
// entries at the cut-off stress, the shears 0) until the latch is reset, which the release at
// analysis end does through reset_umat_hail_cutoff().
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(UmatInPlace, umat_hail);

namespace tvk::solver {

// The mean-stress cut-off latch of umat_hail: 0 at load, 1 once triggered.
double umat_hail_cutoff_latch();
// Back to its load value (the release action of the latch).
void reset_umat_hail_cutoff();
// Whether the latch holds its load value.
bool umat_hail_cutoff_clear();

}  // namespace tvk::solver
