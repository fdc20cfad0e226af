#include "stressmeasures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/linalg.h"
#include "core/statistics.h"
#include "nonlinear_properties.h"
#include "notation.h"
#include "pchip/tableinterp.h"

namespace {

// The six components (11, 22, 33, 12, 13, 23) of a stress vector; false (and all 0) when its
// length is not one the vector forms know.
bool components(double* c, const double* stress, int n) {
    GetTensorComponents(&c[0], &c[1], &c[2], &c[3], &c[4], &c[5], stress, &n, nullptr);
    return n == 3 || n == 4 || n >= 6;
}

double mises(const double* c) {
    const double a = c[0] - c[1], b = c[1] - c[2], d = c[2] - c[0];
    return std::sqrt(0.5 * (a * a + b * b + d * d) +
                     3.0 * (c[3] * c[3] + c[4] * c[4] + c[5] * c[5]));
}

constexpr double third = 0.3333333333333333;

// The flow (s - p)/m of the stress scaled by 2^-e: normal entries first (two in plane stress,
// else three), then the shear entries from a fixed position, whatever values the normal entries
// take.
inline void mises_flow(double* flow, const double* stress, int n, int e, double m, double p) {
    const int nnormal = n == 3 ? 2 : 3;
    const auto at = [&](int k) { return e == 0 ? stress[k] : std::ldexp(stress[k], -e); };
    for (int k = 0; k < nnormal; ++k) flow[k] = (at(k) - p) / m;
    for (int k = nnormal; k < n; ++k) flow[k] = at(k) / m;
}

// True where the flow (s - p)/m is formed to rounding: m and p in range, and the deviator not
// so small against the mean stress that the rounding of p (eps |p|) is a visible part of it.
inline bool plain_flow_holds(double m, double p) {
    return m >= 0x1p-450 && m <= std::numeric_limits<double>::max() &&
           std::fabs(p) <= std::numeric_limits<double>::max() && m >= std::fabs(p) * 0x1p-20;
}

// The flow from the deviator itself, for a finite stress: its normal entries from differences of
// the normal stresses (exactly 0 where they are equal, however large), scaled by a power of two
// near the largest normal stress; then the deviator, shears included, scaled by a power of two
// near its own largest entry, so that neither a deviator 1e-300 times the stress nor one of
// 1e-150 beside stresses of 1e308 underflows in the squares of the von Mises stress. The von
// Mises stress of a deviator d is sqrt(1.5 d:d). Positions as in mises_flow.
[[gnu::cold, gnu::noinline]] void deviator_flow(double* flow, const double* stress, int n, const double* c) {
    const double big = std::max({std::fabs(c[0]), std::fabs(c[1]), std::fabs(c[2])});
    int e1 = 0;
    if (big > 0.0) std::frexp(big, &e1);
    const double s0 = std::ldexp(c[0], -e1), s1 = std::ldexp(c[1], -e1), s2 = std::ldexp(c[2], -e1);
    double d[3] = {((s0 - s1) + (s0 - s2)) / 3.0, ((s1 - s0) + (s1 - s2)) / 3.0, ((s2 - s0) + (s2 - s1)) / 3.0};
    // Exponent of the deviator's largest entry: normal entries count in units of 2^e1.
    int top = std::numeric_limits<int>::min();
    const auto raise = [&top](double v, int shift) {
        if (v == 0.0) return;
        int k = 0;
        std::frexp(v, &k);
        top = std::max(top, k + shift);
    };
    for (double v : d) raise(v, e1);
    for (int k = 3; k < 6; ++k) raise(c[k], 0);
    if (top == std::numeric_limits<int>::min()) return;  // no direction at a zero deviator
    double dd = 0.0, ss = 0.0;
    for (double& v : d) {
        v = std::ldexp(v, e1 - top);
        dd += v * v;
    }
    for (int k = 3; k < 6; ++k) {
        const double v = std::ldexp(c[k], -top);
        ss += v * v;
    }
    const double m = std::sqrt(1.5 * dd + 3.0 * ss);
    const int nnormal = n == 3 ? 2 : 3;
    for (int k = 0; k < nnormal; ++k) flow[k] = d[k] / m;
    for (int k = nnormal; k < n; ++k) flow[k] = std::ldexp(stress[k], -top) / m;
}

// The flow of a stress whose squares or sums leave the range of doubles: scaled first by a power
// of two near its largest component (a stress that is not finite is left as it is); where the
// deviator is still out of reach of the plain form, from the deviator itself.
[[gnu::cold, gnu::noinline]] void scaled_mises_flow(double* flow, const double* stress, int n, double* c) {
    double big = 0.0;
    for (int k = 0; k < 6; ++k) big = std::max(big, std::fabs(c[k]));
    if (std::isfinite(big)) {
        double given[6];
        std::memcpy(given, c, sizeof given);
        int e = 0;
        if (big > 0.0) {
            std::frexp(big, &e);
            for (int k = 0; k < 6; ++k) c[k] = std::ldexp(c[k], -e);
        }
        const double m = mises(c), p = (c[0] + c[1] + c[2]) * third;
        if (plain_flow_holds(m, p)) return mises_flow(flow, stress, n, e, m, p);
        return deviator_flow(flow, stress, n, given);
    }
    const double m = mises(c), p = (c[0] + c[1] + c[2]) * third;
    if (m == 0.0) return;  // no direction at a zero deviatoric stress
    mises_flow(flow, stress, n, 0, m, p);
}

}  // namespace

double GetTrace(const double* stress, const int* nstress) {
    double c[6];
    components(c, stress, *nstress);
    return c[0] + c[1] + c[2];
}

double GetHydrostaticPressure(const double* stress, const int* nstress) {
    return GetTrace(stress, nstress) * third;
}

void GetMeanStress(double* cm, const double* stress, const int* nstress) {
    const double p = GetHydrostaticPressure(stress, nstress);
    std::memset(cm, 0, sizeof(double) * 9);
    cm[0] = cm[4] = cm[8] = p;
}

void GetDeviatoricStress(double* cd, const double* svoigt) {
    const double p = (svoigt[0] + svoigt[1] + svoigt[2]) * third;
    tvk::notation::cauchy(cd, svoigt);
    cd[0] -= p;
    cd[4] -= p;
    cd[8] -= p;
}

void GetPrincipals(double* ps, const double* svoigt, const int* nvoigt) {
    double c[6];
    components(c, svoigt, *nvoigt);
    const double v[6] = {c[0], c[1], c[2], c[5], c[4], c[3]};  // Voigt order
    double s[9], d[3];
    tvk::notation::cauchy(s, v);
    const int three = 3;
    MatrixEigenvalues(s, d, &three);
    std::sort(d, d + 3, [](double a, double b) { return a > b; });
    std::memcpy(ps, d, sizeof d);
}

double GetTrescaStress(const double* principals) {
    const double a = principals[0], b = principals[1], c = principals[2];
    return std::max({std::fabs(a - b), std::fabs(b - c), std::fabs(c - a)});
}

double GetRankineStress(const double* principals) {
    const double p1 = principals[0], p3 = principals[2];
    if (p1 >= 0.0 && p1 >= std::fabs(p3)) return p1;
    if (p3 < 0.0) return std::fabs(p3);
    return p1;
}

double GetMisesStress(const double* stress, const int* nstress) {
    double c[6];
    components(c, stress, *nstress);
    return mises(c);
}

void GetStassiStress(const double* stress, const double* xt, const double* xc, double* eq_stress) {
    double c[6];
    components(c, stress, 6);
    const double i1 = stress[0] + stress[1] + stress[2];
    const double r = *xc / *xt, m = mises(c);
    const double w = i1 >= 0.0 ? 1.0 : -1.0;
    *eq_stress = ((r - 1.0) * i1 + w * std::sqrt((r - 1.0) * (r - 1.0) * i1 * i1 + 4.0 * r * m * m)) /
                 (2.0 * r);
}

// The direction does not depend on the stress's scale, nor on the deviator's against it. Where the
// von Mises stress or the mean stress leaves the range in which its squares and sums are exact to
// rounding (stresses of about 1e154 and more, or 1e-136 and less), the stress is scaled by a power
// of two near its largest magnitude and the flow formed again from it; such a scaling is exact.
// Where the deviator is below 2^-20 of the mean stress, or still out of range after that scaling,
// the flow is formed from the deviator itself (deviator_flow).
void GetMisesFlow(double* flow, const double* stress, const int* nstress) {
    const int n = *nstress;
    if (n > 0) std::memset(flow, 0, sizeof(double) * static_cast<std::size_t>(n));
    double c[6];
    if (!components(c, stress, n)) return;
    const double m = mises(c), p = (c[0] + c[1] + c[2]) * third;
    if (!plain_flow_holds(m, p)) [[unlikely]] {
        scaled_mises_flow(flow, stress, n, c);
        return;
    }
    mises_flow(flow, stress, n, 0, m, p);
}

void GetGreenStrain(double* green, const double* dfgrd) {
    double e[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            double v = 0.0;
            for (int k = 0; k < 3; ++k) v += dfgrd[k + 3 * i] * dfgrd[k + 3 * j];
            e[i + 3 * j] = 0.5 * (v - (i == j ? 1.0 : 0.0));
        }
    std::memcpy(green, e, sizeof e);
}

void GetAlmansiStrain(double* almansi, const double* dfgrd) {
    double b[9], binv[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            double v = 0.0;
            for (int k = 0; k < 3; ++k) v += dfgrd[i + 3 * k] * dfgrd[j + 3 * k];
            b[i + 3 * j] = v;
        }
    tvk::la::inverse(b, binv, 3);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) almansi[i + 3 * j] = 0.5 * ((i == j ? 1.0 : 0.0) - binv[i + 3 * j]);
}

void GetSmallStrain(double* small, const double* dfgrd) {
    double e[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            e[i + 3 * j] = 0.5 * (dfgrd[i + 3 * j] + dfgrd[j + 3 * i]) - (i == j ? 1.0 : 0.0);
    std::memcpy(small, e, sizeof e);
}

void GetHardeningFromTable(double* yield, double* gradient, const double* strain,
                           const double* table, const int* ntable) {
    const int n = *ntable;
    *gradient = 0.0;
    if (n < 1) {
        *yield = -tvk::huge;
        return;
    }
    const double* stress = table;
    const double* eps = table + n;
    const double top = *std::max_element(stress, stress + n);
    const double last = *std::max_element(eps, eps + n);
    *yield = top;
    if (!(last > *strain)) return;  // perfectly plastic beyond the table
    if (n == 1) {  // a single point: its stress, no slope
        *yield = stress[0];
        return;
    }
    for (int k = 1; k < n; ++k)
        if (!(eps[k] > eps[k - 1])) {
            tvk::report(-3, "Strains not strictly increasing in GetHardeningFromTable", k + 1);
            return;
        }
    tvk::la::Scratch<double, 64> slope(static_cast<std::size_t>(n));
    CentralStepDerivative(slope.get(), stress, eps, &n);
    const int one = 1;
    linearinterpolation(yield, eps, &n, stress, &n, strain, &one);
    linearinterpolation(gradient, eps, &n, slope.get(), &n, strain, &one);
}

double GetMatParamByCurveFitting(const double* l, const double* eta, const double* stress0,
                                 const double* strain0, const double* dstrain, const int* nlflag) {
    const double total = *strain0 + *dstrain;
    double d = 0.0;
    switch (*nlflag) {
        case 1: NLKaestner(&d, eta, &total); break;
        case 2: NLKrause(&d, eta, &total); break;
        case 3: {
            const double args[4] = {*stress0, *strain0, *l, *eta};
            const int four = 4;
            FPHahnTsai(&d, args, &four, nullptr);
            break;
        }
        default: return *l;
    }
    return *l * (1.0 - d);
}
