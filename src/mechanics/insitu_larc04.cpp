// In-situ transverse tensile and in-plane shear strengths of LaRC04 (Pinho, Davila, Camanho et
// al., NASA/TM-2005-213530, 2005): fracture-mechanics values for a thin embedded ply, the
// thick-ply factors otherwise.
#include <cmath>

#include "core/errors.h"
#include "insitu_strength.h"

void InSituLaRC04(double* ys, const double* elastic, const double* gxc, const double* xt22,
                  const double* x12, const double* t, const double* tlim) {
    const double limit = tlim ? *tlim : 0.0007;
    if (*t <= limit) {
        if (!(*t > 0.0)) tvk::report(-3, "Ply thickness must be positive in InSituLaRC04", 0, 0, *t);
        const double e11 = elastic[0], e22 = elastic[1], nu = elastic[2], g12 = elastic[3];
        const double lambda22 = 2.0 * (1.0 / e22 - nu * nu / e11);
        const double lambda44 = 1.0 / g12;
        ys[0] = std::sqrt(8.0 * gxc[0] / (tvk::pi * *t * lambda22));
        ys[1] = std::sqrt(8.0 * gxc[1] / (tvk::pi * *t * lambda44));
    } else {
        // 1.12 sqrt(2), the factor 1.12 held in single precision (1.1200000047683716).
        ys[0] = 1.5839191966013624 * *xt22;
        ys[1] = 1.4142135623730951 * *x12;
    }
}
