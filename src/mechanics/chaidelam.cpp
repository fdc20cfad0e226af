// Interface factors of Chai's delamination criterion from the two plies that meet at an
// interface: the in-plane stiffness mismatch of the two plies along the lower ply's fibre
// direction, scaled by their thickness ratio, and the ratios of the transverse shear moduli
// turned by the angle difference of the plies.
#include <cmath>

#include "laminate.h"

void GetChaiDelamFactors(double* chaidfactors, const double* qonl, const double* qonu,
                         const double* dangl_d, const double* plythickl, const double* plythicku,
                         const double* g23l, const double* g23u, const double* g13l,
                         const double* g13u) {
    const double r = *dangl_d * tvk::deg2rad, c = std::cos(r), s = std::sin(r);
    const double c2 = c * c, s2 = s * s;
    // Q11 of the upper ply turned by the angle difference (Qbar11 of the in-plane rotation).
    const double q = qonu[0] * c2 * c2 + 2.0 * (qonu[3] + 2.0 * qonu[8]) * c2 * s2 +
                     qonu[4] * s2 * s2;
    const double ql11 = qonl[0], qu22 = qonu[4];
    // A mismatch denominator of exactly zero leaves the first factor 0.
    chaidfactors[0] = qu22 != ql11 ? (*plythickl / *plythicku) * (ql11 - q) / (ql11 - qu22) : 0.0;
    chaidfactors[1] = 0.5 * (1.0 + (*g23u / *g23l) * c2 + (*g23u / *g13l) * s2);
    chaidfactors[2] = 0.5 * (1.0 + (*g13l / *g13u) * c2 + (*g13l / *g23u) * s2);
}
