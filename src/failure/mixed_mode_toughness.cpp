// Mode-mixed critical energy release rate of a crack plane: the toughnesses of the fracture
// modes weighted by the squared shares of the traction components, G_c = sum_i (t_i/|t|)^2 G_ci.
// The four-value form tells an opening normal traction (mode I) from a closing one, which
// drives the crack by friction-assisted shear and has its own toughness.
#include "core/errors.h"
#include "damage_evolution.h"

void GetEquivalentMixedModeERR(double* geq, const double* traction, const double* gc, const int* n) {
    if (*n < 3) {
        tvk::report(-3, "Too few toughness values in GetEquivalentMixedModeERR", *n);
        *geq = 0.0;
        return;
    }
    *geq = tvk::damage::mixed_mode_err(traction, gc, *n == 4);
}
