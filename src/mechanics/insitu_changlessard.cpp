// In-situ transverse tensile and interlaminar shear strengths of Chang and Lessard (J. Compos.
// Mater. 25, 1991), raised by the ply's misorientation to its neighbours and lowered with its
// thickness ratio.
#include <cmath>

#include "core/errors.h"
#include "insitu_strength.h"

void InSituChangLessard(double* ys, const double* xt22, const double* ilss, const double* tratio,
                        const double* dtmin_d, const double* atod) {
    static constexpr double atod_default[4] = {1.3, 0.7, 0.0, 1.0};
    const double* a = atod ? atod : atod_default;
    if (!(*tratio > 0.0))
        tvk::report(-3, "Thickness ratio must be positive in InSituChangLessard", 0, 0, *tratio);
    const double s = std::sin(*dtmin_d * tvk::deg2rad), ln = std::log(*tratio);
    ys[0] = *xt22 * (1.0 + a[0] * s / std::exp(a[1] * ln));
    ys[1] = *ilss * (1.0 + a[2] * s / std::exp(a[3] * ln));
}
