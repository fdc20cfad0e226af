#include "interp/abscissas.h"

#include <cmath>
#include <cstdio>

namespace tvk::interp {

namespace {

// n < 1: the report, and no abscissa written. (Ending the process here would take a whole
// analysis or Python session down for one bad count.)
bool refused(int n, const char* header) {
    if (n >= 1) return false;
    std::printf(" \n%s\n  N < 1.\n", header);
    std::fflush(stdout);
    return true;
}

// Angles of the cosine families: cos(theta(i)) increases with i.
double theta_cc(int n, int i) { return static_cast<double>(n - i) * pi / static_cast<double>(n - 1); }
double theta_f1(int n, int i) {
    return static_cast<double>(2 * (n - i) + 1) * pi / static_cast<double>(2 * n);
}
double theta_f2(int n, int i) { return static_cast<double>(n + 1 - i) * pi / static_cast<double>(n + 1); }

}  // namespace

void cc_abscissas(int n, double* x) {
    if (refused(n, "CC_ABSCISSA - Fatal error!")) return;
    if (n == 1) {
        x[0] = 0.0;
        return;
    }
    for (int i = 1; i <= n; ++i) x[i - 1] = std::cos(theta_cc(n, i));
}

void f1_abscissas(int n, double* x) {
    if (refused(n, "F1_ABSCISSAS - Fatal error!")) return;
    if (n == 1) {
        x[0] = 0.0;
        return;
    }
    for (int i = 1; i <= n; ++i) x[i - 1] = std::cos(theta_f1(n, i));
}

void f2_abscissas(int n, double* x) {
    if (refused(n, "F2_ABSCISSAS - Fatal error!")) return;
    if (n == 1) {
        x[0] = 0.0;
        return;
    }
    if (n == 2) {
        x[0] = -0.5;
        x[1] = 0.5;
        return;
    }
    for (int i = 1; i <= n; ++i) x[i - 1] = std::cos(theta_f2(n, i));
}

void ncc_abscissas(int n, double* x) {
    if (refused(n, "NCC_ABSCISSAS - Fatal error!")) return;
    if (n == 1) {
        x[0] = 0.0;
        return;
    }
    for (int i = 1; i <= n; ++i)
        x[i - 1] = static_cast<double>((i - 1) - (n - i)) / static_cast<double>(n - 1);
}

void nco_abscissas(int n, double* x) {
    if (refused(n, "NCO_ABSCISSAS - Fatal error!")) return;
    for (int i = 1; i <= n; ++i)
        x[i - 1] = static_cast<double>(i - (n + 1 - i)) / static_cast<double>(n + 1);
}

void cc_abscissas_ab(double a, double b, int n, double* x) {
    if (refused(n, "CC_ABSCISSAS_AB - Fatal error!")) return;
    if (n == 1) {
        x[0] = 0.5 * (a + b);
        return;
    }
    for (int i = 1; i <= n; ++i) x[i - 1] = 0.5 * ((a + b) + (b - a) * std::cos(theta_cc(n, i)));
}

void f1_abscissas_ab(double a, double b, int n, double* x) {
    if (refused(n, "F1_ABSCISSAS_AB - Fatal error!")) return;
    if (n == 1) {
        x[0] = 0.5 * (a + b);
        return;
    }
    for (int i = 1; i <= n; ++i) x[i - 1] = 0.5 * ((a + b) + (b - a) * std::cos(theta_f1(n, i)));
}

void f2_abscissas_ab(double a, double b, int n, double* x) {
    if (refused(n, "F2_ABSCISSAS_AB - Fatal error!")) return;
    for (int i = 1; i <= n; ++i) x[i - 1] = 0.5 * ((a + b) + (b - a) * std::cos(theta_f2(n, i)));
}

void ncc_abscissas_ab(double a, double b, int n, double* x) {
    if (refused(n, "NCC_ABSCISSAS_AB - Fatal error!")) return;
    if (n == 1) {
        x[0] = 0.5 * (a + b);
        return;
    }
    for (int i = 1; i <= n; ++i)
        x[i - 1] = (static_cast<double>(n - i) * a + static_cast<double>(i - 1) * b) /
                   static_cast<double>(n - 1);
}

void nco_abscissas_ab(double a, double b, int n, double* x) {
    if (refused(n, "NCO_ABSCISSAS_AB - Fatal error!")) return;
    for (int i = 1; i <= n; ++i)
        x[i - 1] = (static_cast<double>(n - i + 1) * a + static_cast<double>(i) * b) /
                   static_cast<double>(n + 1);
}

}  // namespace tvk::interp

TVK_API void cc_abscissas(const int* n, double* x) { tvk::interp::cc_abscissas(*n, x); }
TVK_API void f1_abscissas(const int* n, double* x) { tvk::interp::f1_abscissas(*n, x); }
TVK_API void f2_abscissas(const int* n, double* x) { tvk::interp::f2_abscissas(*n, x); }
TVK_API void ncc_abscissas(const int* n, double* x) { tvk::interp::ncc_abscissas(*n, x); }
TVK_API void nco_abscissas(const int* n, double* x) { tvk::interp::nco_abscissas(*n, x); }
TVK_API void cc_abscissas_ab(const double* a, const double* b, const int* n, double* x) {
    tvk::interp::cc_abscissas_ab(*a, *b, *n, x);
}
TVK_API void f1_abscissas_ab(const double* a, const double* b, const int* n, double* x) {
    tvk::interp::f1_abscissas_ab(*a, *b, *n, x);
}
TVK_API void f2_abscissas_ab(const double* a, const double* b, const int* n, double* x) {
    tvk::interp::f2_abscissas_ab(*a, *b, *n, x);
}
TVK_API void ncc_abscissas_ab(const double* a, const double* b, const int* n, double* x) {
    tvk::interp::ncc_abscissas_ab(*a, *b, *n, x);
}
TVK_API void nco_abscissas_ab(const double* a, const double* b, const int* n, double* x) {
    tvk::interp::nco_abscissas_ab(*a, *b, *n, x);
}
