// Magnitude of the traction (or strain) vector on a coordinate plane: |T e_nn| for the symmetric
// tensor T of a Voigt vector, the equivalent quantity of a quadratic plane criterion.
#include <cmath>

#include "core/errors.h"
#include "damage_evolution.h"
#include "mechanics/notation.h"

void EquivalentQuadStressStrain(const double* tens, const int* nn, double* scaleq) {
    if (*nn < 1 || *nn > 3) {
        tvk::report(-3, "Unknown axis in EquivalentQuadStressStrain", *nn);
        *scaleq = 0.0;
        return;
    }
    double t[9];
    tvk::notation::cauchy(t, tens);
    const double* col = t + 3 * (*nn - 1);
    *scaleq = std::sqrt(col[0] * col[0] + col[1] * col[1] + col[2] * col[2]);
}
