// Isotropic elasticity whose Young's modulus falls with the normal strain, E = E0 / (1 + a en /
// sqrt(1 + nu^2)), while the Poisson ratio grows as the modulus falls, nu = min(nu0 + 4e-5
// (E0 - E), 0.46); the pair is found by a fixed-point iteration of at most six passes. The shear
// modulus falls with the shear strain, G = G0 / (1 + b gs).
#include <algorithm>
#include <cmath>

#include "core/trace.h"
#include "elasticlaws.h"

namespace {

// Relative change below which the fixed point counts as reached (0.01 in single precision).
constexpr double kTol = 0.009999999776482582;

}  // namespace

void GetStressFromNonlinearIsotropic(double* stress, const double* strain, const double* props,
                                     const int* ntens, const int* ndi, const int* nprops) {
    const int n = *ntens, nd = *ndi;
    if (!tvk::elastic::isotropic_sizes(n, nd, "GetStressFromNonlinearIsotropic")) {
        tvk::elastic::zero(stress, n);
        return;
    }
    if (*nprops < 5) {
        tvk::report(-2, "Too few properties in GetStressFromNonlinearIsotropic", *nprops, 5);
        tvk::elastic::zero(stress, n);
        return;
    }
    const double e0 = props[0], a = props[1], g0 = props[2], nu0 = props[3], b = props[4];
    const double gs = std::sqrt(strain[3] * strain[3] + strain[4] * strain[4] + strain[5] * strain[5]);
    const double en = std::sqrt(strain[0] * strain[0] + strain[1] * strain[1] + strain[2] * strain[2]);
    const double g = g0 / (1.0 + b * gs);
    auto modulus = [&](double nu) { return e0 / (1.0 + a * en / std::sqrt(1.0 + nu * nu)); };
    auto poisson = [&](double e) { return std::min(nu0 + 4e-5 * (e0 - e), 0.46); };
    const double ea = modulus(nu0);
    const double nu1 = poisson(ea);
    double e = modulus(nu1);
    double nu = poisson(e);
    if (!(std::fabs(nu1 - nu) / nu <= kTol)) {
        double eprev = ea;
        for (int k = 0; std::fabs(eprev - e) / e > kTol && k <= 5;) {
            tvk::Trace() << "Iteration " << k;
            ++k;
            const double enew = modulus(nu);
            const double nunew = poisson(enew);
            if (std::fabs(nu - nunew) / nunew <= kTol) {
                e = enew;
                nu = nunew;
                break;
            }
            eprev = e;
            e = enew;
            nu = nunew;
        }
    }
    // Isotropic stiffness with the converged pair (engineering shear strains), times the strain.
    const double f = e / ((1.0 - 2.0 * nu) * (1.0 + nu));
    const double diag = f * (1.0 - nu), off = f * nu;
    for (int i = 0; i < n; ++i) {
        double s = 0.0;
        if (i < nd) {
            for (int j = 0; j < nd; ++j) s += (i == j ? diag : off) * strain[j];
        } else {
            s = g * strain[i];
        }
        stress[i] = s;
    }
}
