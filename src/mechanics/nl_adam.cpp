// Residual-strength law after fatigue cycling of Adam, Dickson, Jones, Reiter and Harris (1986).
#include <cmath>

#include "core/errors.h"
#include "nonlinear_properties.h"

void NLAdam(double* dnl, const double* l, const double* x, const double* n, const double* nf,
            const double* alpha, const double* beta, const double* lg) {
    // log10(0.25), the reference cycle count of the law when lg is absent.
    constexpr double lg_default = -0.6020599913279624;
    const double lg1 = lg ? std::log10(lg[0]) : lg_default;
    const double lg2 = lg ? std::log10(lg[1]) : lg_default;
    if (!(*n > 0.0) || !(*nf > 0.0))
        tvk::report(-3, "Cycle counts must be positive in NLAdam", 0, 0, *n, *nf);
    const double r = (std::log10(*n) - lg1) / (std::log10(*nf) - lg2);
    const double t = std::pow(1.0 - std::pow(r, *beta), 1.0 / *alpha);
    *dnl = 1.0 - ((*l - *x) * t + *x) / *l;
}
