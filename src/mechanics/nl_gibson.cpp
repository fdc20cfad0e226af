// Property across temperature transitions in the tanh form of Gibson et al. (J. Compos. Mater.
// 40, 2006). Each term is centred at t = 0 and no constant term is added, as the law is used
// here; with one transition it reproduces the two plateaus only far from t = 0.
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "nonlinear_properties.h"

double NLGibson(const double* t, const double* props, const double* xi, const int* ntrans) {
    const int n = *ntrans;
    if (n < 0) {
        tvk::report(-3, "Negative number of transitions in NLGibson", n);
        return std::numeric_limits<double>::quiet_NaN();
    }
    double p = 0.0;
    for (int i = 0; i < n; ++i) {
        const double a = props[2 * i], b = props[2 * i + 2];
        p += (a + b) / 2.0 - (a - b) / 2.0 * std::tanh(xi[i] * *t / props[2 * i + 1]);
    }
    return p;
}
