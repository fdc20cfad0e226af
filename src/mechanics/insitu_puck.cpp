// Compressive strength of a ply loaded in compression at an angle to its fibres, after Puck and
// Schuermann (Compos. Sci. Technol. 62, 2002): the fibre limit 2 xc11/(1 + cos 2theta) and the
// inter-fibre limit of the action-plane criterion, whichever is smaller.
#include <algorithm>
#include <cmath>

#include "insitu_strength.h"

void InSituPuckPS(double* xc, const double* xc11, const double* xc22, const double* x12,
                  const double* theta, const double* gp) {
    const double p = gp ? gp[3] : 0.15, q = gp ? gp[1] : 0.2;
    const double th = *theta * tvk::deg2rad;
    const double c = std::cos(2.0 * th), s = std::sin(2.0 * th);
    const bool transverse = *theta == 90.0;
    double xff = 0.0;
    if (!transverse) {
        xff = 2.0 * *xc11 / (1.0 + c);
        if (*theta == 0.0) {
            *xc = xff;
            return;
        }
    }
    const double r = *xc22 / (2.0 * (1.0 + p));
    const double tauc = *x12 * std::sqrt(1.0 + 2.0 * p);
    const double tant = (1.0 - c) / s;
    double xiff;
    if (r / tauc >= tant) {
        const double a = (1.0 - c) * q;
        xiff = 2.0 * *x12 / (a + std::sqrt(s * s + a * a));
    } else {
        const double k = *xc22 / (2.0 * *x12 * (1.0 + p));
        xiff = 2.0 * tant * *xc22 / (s * (tant * tant + k * k));
    }
    *xc = transverse ? xiff : std::min(xiff, xff);
}
