// Property across temperature transitions in the Weibull form of Mahieux and Reifsnider
// (Polymer 42, 2001).
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "nonlinear_properties.h"

double NLMahieux(const double* t, const double* props, const double* m, const int* ntrans) {
    const int n = *ntrans;
    if (n < 0) {
        tvk::report(-3, "Negative number of transitions in NLMahieux", n);
        return std::numeric_limits<double>::quiet_NaN();
    }
    double p = props[2 * n];
    for (int i = 0; i < n; ++i)
        p += (props[2 * i] - props[2 * i + 2]) * std::exp(-std::pow(*t / props[2 * i + 1], m[i]));
    return p;
}
