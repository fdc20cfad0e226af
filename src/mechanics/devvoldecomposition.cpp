// Elastic law of a resin split into deviatoric and volumetric parts whose moduli soften with
// the norms of the normal deviatoric, shear deviatoric and volumetric strains: exponentially up
// to a threshold strain, hyperbolically (creep-like) beyond it. The calibration constants are
// fixed; the tension set applies to a non-negative volumetric strain.
#include <cmath>

#include "elasticlaws.h"
#include "notation.h"

namespace {

// Modulus at strain norm x: m0 exp(-gamma x) up to the threshold, mc / (1 + gammac x) beyond.
struct Softening {
    double m0, gamma, mc, gammac, threshold;
    double at(double x) const {
        return x <= threshold ? m0 / std::exp(gamma * x) : mc / (1.0 + gammac * x);
    }
};

struct Set {
    Softening g, k;
};

constexpr Set kTension{{2541.75978925, 13.8361690875, 71171243.2236, 1074682.92535, 0.0586801786795},
                       {4871.70629979, 13.732719812, 189806025.077, 1484162.32322, 0.05912221968173981}};
constexpr Set kCompression{{2844.74195527, 10.8020389124, 94899909.3371, 1084488.43482, 0.0568363759446},
                           {7992.37025439, 10.7642249043, 759238107.839, 3077414.06005, 0.0570360383455}};
constexpr Softening kShear{2692.3559712, 19.3641099237, 4447152.2077, 88218.6212448, 0.04327625};

}  // namespace

void GetStressFromDevVolDecomposition(double* stress, const double* strain, const double* /*props*/,
                                      const int* ntens, const int* ndi, const int* /*nprops*/,
                                      double* ddsdde) {
    const int n = *ntens, nd = *ndi;
    tvk::elastic::zero_square(ddsdde, n);
    if (!tvk::elastic::isotropic_sizes(n, nd, "GetStressFromDevVolDecomposition")) {
        tvk::elastic::zero(stress, n);
        return;
    }
    double eps[9];
    tvk::elastic::strain_tensor(eps, strain, nd);
    double tr = 0.0;
    for (int i = 0; i < nd; ++i) tr += eps[4 * i];
    double e[9];
    for (int k = 0; k < 9; ++k) e[k] = eps[k];
    for (int i = 0; i < nd; ++i) e[4 * i] -= tr / 3.0;
    double vol2 = 0.0, devn2 = 0.0;
    for (int i = 0; i < nd; ++i) {
        vol2 += eps[4 * i] * eps[4 * i];
        devn2 += e[4 * i] * e[4 * i];
    }
    const double devs = std::sqrt(e[3] * e[3] + e[6] * e[6] + e[7] * e[7]);
    const Set& set = tr >= 0.0 ? kTension : kCompression;
    const double g = set.g.at(std::sqrt(devn2));
    const double k = set.k.at(std::sqrt(vol2));
    const double gs = kShear.at(devs);
    double s[9];
    for (int q = 0; q < 9; ++q) s[q] = gs * e[q];
    for (int i = 0; i < 3; ++i) s[4 * i] = i < nd ? g * e[4 * i] + k * tr : 0.0;
    NyeNotation(stress, s);
    for (int j = 0; j < nd; ++j)
        for (int i = 0; i < nd; ++i) ddsdde[i + n * j] = i == j ? 2.0 / 3.0 * g + k : k - g / 3.0;
    for (int q = nd; q < n; ++q) ddsdde[q + n * q] = gs / 2.0;
}
