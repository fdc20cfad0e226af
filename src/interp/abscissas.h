// Abscissas of the standard interpolation and quadrature rules, increasing, on [-1, 1] and
// mapped to [a, b]: Clenshaw-Curtis (the extrema of the Chebyshev polynomial, ends included),
// Fejér type 1 (the zeros of the Chebyshev polynomial), Fejér type 2 (the Clenshaw-Curtis points
// of n + 2 without the ends), closed and open Newton-Cotes (equally spaced, with and without the
// ends). A count n < 1 writes a three-line report on standard output and leaves x untouched.
#pragma once

#include "core/tvk.h"

namespace tvk::interp {

void cc_abscissas(int n, double* x);
void f1_abscissas(int n, double* x);
void f2_abscissas(int n, double* x);
void ncc_abscissas(int n, double* x);
void nco_abscissas(int n, double* x);
void cc_abscissas_ab(double a, double b, int n, double* x);
void f1_abscissas_ab(double a, double b, int n, double* x);
void f2_abscissas_ab(double a, double b, int n, double* x);
void ncc_abscissas_ab(double a, double b, int n, double* x);
void nco_abscissas_ab(double a, double b, int n, double* x);

}  // namespace tvk::interp

TVK_API void cc_abscissas(const int* n, double* x);
TVK_API void f1_abscissas(const int* n, double* x);
TVK_API void f2_abscissas(const int* n, double* x);
TVK_API void ncc_abscissas(const int* n, double* x);
TVK_API void nco_abscissas(const int* n, double* x);
TVK_API void cc_abscissas_ab(const double* a, const double* b, const int* n, double* x);
TVK_API void f1_abscissas_ab(const double* a, const double* b, const int* n, double* x);
TVK_API void f2_abscissas_ab(const double* a, const double* b, const int* n, double* x);
TVK_API void ncc_abscissas_ab(const double* a, const double* b, const int* n, double* x);
TVK_API void nco_abscissas_ab(const double* a, const double* b, const int* n, double* x);
