// Exponential secant softening with strain (Krause).
#include <cmath>

#include "nonlinear_properties.h"

void NLKrause(double* dnl, const double* beta, const double* eps) {
    *dnl = 1.0 - 1.0 / std::exp(*beta * std::fabs(*eps));
}
