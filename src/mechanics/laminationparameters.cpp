// Lamination parameters of a stack (Tsai and Pagano, "Invariant properties of composite
// materials", 1968; the twelve parameters of the A, B and D matrices), laminate engineering
// constants from the ABD matrix, the decoupling angle of a stack and the angle difference of a
// ply and its neighbour.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/linalg.h"
#include "laminate.h"

void GetVMatrix(double* v, const double* plyorientation, const double* plythickness,
                const int* nplies) {
    const int n = *nplies;
    double h = 0.0;
    for (int k = 0; k < n; ++k) h += plythickness[k];
    double sum[12] = {};
    const double s = -0.5 * h;
    double cum = 0.0, zb = s;
    for (int k = 0; k < n; ++k) {
        cum += plythickness[k];
        const double zt = s + cum, th = plyorientation[k];
        const double f[4] = {std::cos(2.0 * th), std::cos(4.0 * th), std::sin(2.0 * th),
                             std::sin(4.0 * th)};
        for (int c = 0; c < 3; ++c) {
            const double w = std::pow(zt, c + 1) - std::pow(zb, c + 1);
            for (int r = 0; r < 4; ++r) sum[r + 4 * c] += f[r] * w;
        }
        zb = zt;
    }
    const double scale[3] = {1.0 / h, 2.0 / std::pow(h, 2), 4.0 / std::pow(h, 3)};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 4; ++r) v[r + 4 * c] = sum[r + 4 * c] * scale[c];
}

void GetEngConstsFromABDMatrix(double* eng, const double* abd, const double* h,
                               const tvk::logical1* tcflag) {
    const double t = *h, t3 = t * t * t;
    double e[8] = {};
    const auto m = [](const double* x, int i, int j) { return x[(i - 1) + 6 * (j - 1)]; };
    if (tcflag && *tcflag) {
        e[0] = m(abd, 1, 1) / t;
        e[1] = m(abd, 2, 2) / t;
        e[2] = m(abd, 3, 3) / t;
        e[4] = 12.0 * m(abd, 4, 4) / t3;
        e[5] = 12.0 * m(abd, 5, 5) / t3;
        e[6] = 12.0 * m(abd, 6, 6) / t3;
    } else {
        double a[36];
        tvk::la::inverse(abd, a, 6);
        e[0] = 1.0 / (m(a, 1, 1) * t);
        e[1] = 1.0 / (m(a, 2, 2) * t);
        e[2] = 1.0 / (m(a, 3, 3) * t);
        e[3] = -m(a, 1, 2) / m(a, 1, 1);
        e[4] = -m(a, 4, 5) / m(a, 4, 4);
        e[5] = 12.0 / (m(a, 5, 5) * t3);
        e[6] = 12.0 / (m(a, 6, 6) * t3);
    }
    std::memcpy(eng, e, sizeof e);
}

// Plies whose angles differ by exactly 0, +-90 or +-180 degrees form one family; each ply adds
// its thickness share times its stiffness contrast (Emax - Emin)/Emin, scaled by its Emax
// relative to the first ply's. The family of largest weight wins, the first listed among equals.
// Every ply's weight comes from one expression, so identical plies weigh bitwise the same; sums
// of equal weights taken in another order can still differ in their last bits, so a later family
// wins only by more than the rounding of two sums of n weights.
double GetDecoupAngle(const double* plyelastic, const double* plyorientation,
                      const double* plythickness, const int* nplies) {
    const int n = *nplies;
    if (n < 1) {
        tvk::report(-3, "No plies in GetDecoupAngle", n);
        return 0.0;
    }
    if (n == 1) return plyorientation[0];
    double total = 0.0;
    for (int k = 0; k < n; ++k) total += plythickness[k];
    const auto emax = [&](int k) { return std::max(plyelastic[9 * k], plyelastic[9 * k + 1]); };
    const auto emin = [&](int k) { return std::min(plyelastic[9 * k], plyelastic[9 * k + 1]); };
    tvk::la::Scratch<double, 64> family(static_cast<std::size_t>(n)), weight(static_cast<std::size_t>(n));
    const double emax1 = emax(0);
    int count = 0;
    for (int k = 0; k < n; ++k) {
        const double a = plyorientation[k];
        const double w = (plythickness[k] / total) * (emax(k) - emin(k)) / emin(k) * (emax(k) / emax1);
        int f = 0;
        for (; f < count; ++f) {
            const double b = family[f];
            if (a == b || a == b + 90.0 || a == b - 90.0 || a == b + 180.0 || a == b - 180.0) break;
        }
        if (f == count) {
            family[count] = a;
            weight[count++] = 0.0;
        }
        weight[f] += w;
    }
    // Each weight carries at most 5 roundings and each family sum at most n - 1 more.
    const double tie = (n + 4) * std::numeric_limits<double>::epsilon();
    int best = 0;
    for (int f = 1; f < count; ++f)
        if (weight[f] - weight[best] > tie * std::fabs(weight[best])) best = f;
    return family[best];
}

double GetdAngle(const double* plyorientation, const int* luflag, const int* iply,
                 const int* nplies) {
    const int k = *iply, n = *nplies;
    if (k < 1 || k > n) {
        tvk::report(-3, "Ply index out of range in GetdAngle", k, n);
        return 0.0;
    }
    if (*luflag == 0) return k == 1 ? 0.0 : plyorientation[k - 1] - plyorientation[k - 2];
    if (*luflag == 1) return k == n ? 0.0 : plyorientation[k - 1] - plyorientation[k];
    tvk::report(-3, tvk::compose("Error: Default case in GetdAngle.",
                                 " Please check your input parameters."));
    return 0.0;
}
