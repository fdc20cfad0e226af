// Damaged orthotropic stiffness after A. Matzenmiller, J. Lubliner, R. L. Taylor (1995), A
// constitutive model for anisotropic damage in fiber-composites, Mech. Mater. 20, 125-152: the
// compliance with E_i replaced by (1 - d_i) E_i, inverted in closed form. Written with the
// residual factors a_i = 1 - d_i so that a fully damaged direction (a_i = 0) gives zero rows
// instead of an infinite compliance. For admissible elastic constants and damage in [0, 1] the
// determinant Delta is positive and the result symmetric positive semi-definite.
#include <cstring>

#include "continuum_damage.h"
#include "core/errors.h"

bool tvk::damage::matzenmiller(double* c, const double* propvec, const double* dnorm, double d23, double d13,
                               double d12) {
    const double e1 = propvec[0], e2 = propvec[1], e3 = propvec[2];
    const double g23 = propvec[3], g13 = propvec[4], g12 = propvec[5];
    const double nu23 = propvec[6], nu13 = propvec[7], nu12 = propvec[8];
    const double nu21 = nu12 * e2 / e1, nu31 = nu13 * e3 / e1, nu32 = nu23 * e3 / e2;
    const double a1 = 1.0 - dnorm[0], a2 = 1.0 - dnorm[1], a3 = 1.0 - dnorm[2];
    const double delta = 1.0 - a1 * a2 * nu12 * nu21 - a2 * a3 * nu23 * nu32 - a1 * a3 * nu13 * nu31 -
                         2.0 * nu12 * nu23 * nu31 * a1 * a2 * a3;
    if (delta == 0.0) return false;
    std::memset(c, 0, 36 * sizeof(double));
    auto at = [c](int i, int j) -> double& { return c[i + 6 * j]; };
    at(0, 0) = (1.0 - a2 * a3 * nu23 * nu32) * e1 * a1 / delta;
    at(1, 1) = (1.0 - a1 * a3 * nu13 * nu31) * e2 * a2 / delta;
    at(2, 2) = (1.0 - a1 * a2 * nu12 * nu21) * e3 * a3 / delta;
    at(0, 1) = at(1, 0) = e1 * a1 * a2 * (nu21 + nu31 * nu23 * a3) / delta;
    at(0, 2) = at(2, 0) = e1 * a1 * a3 * (nu31 + nu21 * nu32 * a2) / delta;
    at(1, 2) = at(2, 1) = e2 * a2 * a3 * (nu32 + a1 * nu12 * nu31) / delta;
    at(3, 3) = 2.0 * (1.0 - d23) * g23;
    at(4, 4) = 2.0 * (1.0 - d13) * g13;
    at(5, 5) = 2.0 * (1.0 - d12) * g12;
    return true;
}

void MatzenmillerDegradation(const double* propvec, double* c_deg, const double* dnorm, const double* d23,
                             const double* d13, const double* d12) {
    if (!tvk::damage::matzenmiller(c_deg, propvec, dnorm, *d23, *d13, *d12)) {
        std::memset(c_deg, 0, 36 * sizeof(double));
        tvk::report(-3, "Singular damaged compliance in MatzenmillerDegradation");
    }
}
