// Hyperbolic secant softening with strain (Kaestner).
#include <cmath>

#include "nonlinear_properties.h"

void NLKaestner(double* dnl, const double* beta, const double* eps) {
    *dnl = 1.0 - 1.0 / (1.0 + *beta * std::fabs(*eps));
}
