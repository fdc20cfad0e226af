#include "pchip/tableinterp.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/roots.h"
#include "core/scratch.h"
#include "interp/interp.h"
#include "pchip/pchip.h"

namespace tvk::pchip {
thread_local long long arclength_evaluations = 0;
}  // namespace tvk::pchip

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

// The slope p'(x) of the Hermite cubic on [x0, x0 + h] with end values y0, y1 and end slopes
// d0, d1, written as the chord slope delta plus the departures of the end slopes from it:
// p'(x) = delta + (d0 - delta)(1 - 4t + 3t^2) + (d1 - delta)(3t^2 - 2t), t = (x - x0)/h. A straight
// line (d0 = d1 = delta) has the slope delta exactly.
struct CubicSlope {
    double x0, h, delta, a, b;
    double operator()(double x) const {
        const double t = (x - x0) / h;
        return delta + a * (1.0 + t * (3.0 * t - 4.0)) + b * (t * (3.0 * t - 2.0));
    }
};

// 10-point Gauss-Legendre rule on [-1, 1]: the positive nodes and their weights.
constexpr double gl_node[5] = {0.1488743389816312108848260, 0.4333953941292471907992659,
                               0.6794095682990244062343274, 0.8650633666889845107320967,
                               0.9739065285171717200779640};
constexpr double gl_weight[5] = {0.2955242247147528701738930, 0.2692667193099963550912269,
                                 0.2190863625159820439955349, 0.1494513491505805931457763,
                                 0.0666713443086881375935688};

// sqrt(1 + s^2), as |s| where s^2 would overflow (1 + s^2 rounds to s^2 long before).
double line_element(double s) {
    const double a = std::fabs(s);
    return a < 1e150 ? std::sqrt(1.0 + a * a) : a;
}

// Integral over [u, v] of sqrt(1 + p'^2) - c, c = sqrt(1 + delta^2): zero for a straight line.
// Its 10 evaluations of the integrand are added to `evaluations`.
double excess(const CubicSlope& p, double c, double u, double v, long long& evaluations) {
    const double mid = u / 2.0 + v / 2.0, half = v / 2.0 - u / 2.0;
    evaluations += 10;
    double s = 0.0;
    for (int k = 0; k < 5; ++k) {
        const double dx = half * gl_node[k];
        s += gl_weight[k] * ((line_element(p(mid - dx)) - c) + (line_element(p(mid + dx)) - c));
    }
    return half * s;
}

// Adaptive bisection of the rule: a part is accepted where its two halves agree with the whole
// to 1e-12 of its length (the integrand is at least 1), or after 40 halvings.
double excess_adaptive(const CubicSlope& p, double c, double u, double v, double whole, int depth,
                       long long& evaluations) {
    const double mid = u / 2.0 + v / 2.0;
    const double left = excess(p, c, u, mid, evaluations), right = excess(p, c, mid, v, evaluations);
    const double sum = left + right;
    if (depth >= 40 || !(std::fabs(sum - whole) > 1e-12 * ((v - u) * c + std::fabs(sum))))
        return sum;
    return excess_adaptive(p, c, u, mid, left, depth + 1, evaluations) +
           excess_adaptive(p, c, mid, v, right, depth + 1, evaluations);
}

// Arc length of the monotone cubic interpolant from lo to hi (lo <= hi): the integral of
// sqrt(1 + p'(x)^2) over each interval's part of [lo, hi], the end cubics extrapolated beyond the
// table, each as the chord-slope length (v - u) sqrt(1 + delta^2) plus the excess over it.
double arc_length(int n, const double* x, const double* y, const double* d, double lo, double hi) {
    double total = 0.0;
    long long evaluations = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const double u = i == 0 ? lo : std::max(lo, x[i]);
        const double v = i + 2 == n ? hi : std::min(hi, x[i + 1]);
        if (!(v > u)) continue;
        const double h = x[i + 1] - x[i], delta = (y[i + 1] - y[i]) / h;
        const CubicSlope p{x[i], h, delta, d[i] - delta, d[i + 1] - delta};
        const double c = line_element(delta);
        total += (v - u) * c + excess_adaptive(p, c, u, v, excess(p, c, u, v, evaluations), 0, evaluations);
    }
    tvk::pchip::arclength_evaluations += evaluations;
    return total;
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
    // The length of the interpolant itself, integrated numerically; b < a gives the negative.
    NodeArray d(static_cast<std::size_t>(n));
    derivatives(n, x, y, d.get());
    if (*b < *a) return -arc_length(n, x, y, d.get(), *b, *a);
    return arc_length(n, x, y, d.get(), *a, *b);
}
