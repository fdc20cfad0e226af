#include "pchip/tableinterp.h"

#include <cmath>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/roots.h"
#include "core/scratch.h"
#include "interp/interp.h"
#include "pchip/pchip.h"

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

int count(const int* n) { return n && *n > 0 ? *n : 0; }

// Every routine reads y with the extent of x; a shorter y is refused (level -3, NaN results).
bool enough_ordinates(const char* routine, int nx, int ny) {
    if (ny >= nx) return true;
    tvk::report(-3, std::string("Fewer ordinates than abscissas in ") + routine, nx, ny);
    return false;
}

// An integration limit that is not finite has no meaningful integral (the interpolant is
// extrapolated by its end cubics): refused at level -3 with both limits, NaN result.
bool finite_limits(const char* routine, double a, double b) {
    if (std::isfinite(a) && std::isfinite(b)) return true;
    tvk::report(-3, std::string("Integration limit not finite in ") + routine, 0, 0, a, b);
    return false;
}

void fill_nan(double* result, int np) {
    for (int k = 0; k < np; ++k) result[k] = not_a_number;
}

// Per-node work arrays: on the stack for tables of up to 128 points (the routines run at every
// integration point of the material routines), on the heap only for larger tables.
using NodeArray = tvk::Scratch<double, 128>;

// Node derivatives of the monotone cubic interpolant; ends the process on an unusable table.
void derivatives(int n, const double* x, const double* y, double* d) {
    int ierr = 0;
    tvk::pchip::dpchez(n, x, y, d, false, nullptr, 0, ierr);
}

double integral(int n, const double* x, const double* y, double a, double b) {
    NodeArray d(static_cast<std::size_t>(n));
    derivatives(n, x, y, d.get());
    int ierr = 0;
    return tvk::pchip::dpchqa(n, x, y, d.get(), a, b, ierr);
}

}  // namespace

TVK_API void nearestinterpolation(double* result, const double* x, const int* nx, const double* y,
                                  const int* ny, const double* p, const int* np) {
    const int n = count(nx), m = count(np);
    if (!enough_ordinates("nearestinterpolation", n, count(ny))) return fill_nan(result, m);
    tvk::interp::interp_nearest(1, n, x, y, m, p, result);
}

TVK_API void linearinterpolation(double* result, const double* x, const int* nx, const double* y,
                                 const int* ny, const double* p, const int* np) {
    const int n = count(nx), m = count(np);
    if (!enough_ordinates("linearinterpolation", n, count(ny))) return fill_nan(result, m);
    tvk::interp::interp_linear(1, n, x, y, m, p, result);
}

TVK_API void cubichermitianinterpolation(double* result, const double* x, const int* nx,
                                         const double* y, const int* ny, const double* p,
                                         const int* np) {
    const int n = count(nx), m = count(np);
    if (!enough_ordinates("cubichermitianinterpolation", n, count(ny))) return fill_nan(result, m);
    NodeArray d(static_cast<std::size_t>(n));
    derivatives(n, x, y, d.get());
    bool skip = false;
    int ierr = 0;  // the count of extrapolated points is not needed
    tvk::pchip::dpchfe(n, x, y, d.get(), 1, skip, m, p, result, ierr);
}

TVK_API double cubichermitianintegration(const double* x, const int* nx, const double* y,
                                         const int* ny, const double* a, const double* b) {
    const int n = count(nx);
    if (!enough_ordinates("cubichermitianintegration", n, count(ny)) ||
        !finite_limits("cubichermitianintegration", *a, *b))
        return not_a_number;
    return integral(n, x, y, *a, *b);
}

TVK_API double cubichermitianarclength(const double* x, const int* nx, const double* y,
                                       const int* ny, const double* a, const double* b) {
    const int n = count(nx);
    if (!enough_ordinates("cubichermitianarclength", n, count(ny)) ||
        !finite_limits("cubichermitianarclength", *a, *b))
        return not_a_number;
    // Node values of the integrand sqrt(1 + y'^2), integrated through their own interpolant.
    NodeArray w(static_cast<std::size_t>(n));
    derivatives(n, x, y, w.get());
    for (int i = 0; i < n; ++i) w[static_cast<std::size_t>(i)] = tvk::partialcurvelength(w[static_cast<std::size_t>(i)]);
    return integral(n, x, w.get(), *a, *b);
}
