// Compressive strength of a damaged laminate: the coupon failure from a measured stress
// distribution, the buckled-sublaminate knock-down and the open-hole knock-down.
#include "compression_strength.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/errors.h"
#include "core/search.h"
#include "core/signal.h"
#include "core/statistics.h"
#include "mechanics/laminate.h"

namespace {

namespace lm = tvk::laminate;

double sum(const double* a, int n) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += a[i];
    return s;
}

// Position of the largest value (first occurrence) and of the largest value that differs from
// it (the first position again when every value is the same), ordered ascending.
std::pair<int, int> two_largest(const std::vector<int>& pos, const std::vector<double>& v) {
    const std::size_t n = v.size();
    std::size_t i1 = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (v[i] > v[i1]) i1 = i;
    std::size_t i2 = i1;
    for (std::size_t i = 0; i < n; ++i)
        if (v[i] != v[i1] && (i2 == i1 || v[i] > v[i2])) i2 = i;
    return std::minmax(pos[i1], pos[i2]);
}

}  // namespace

void GetComprFailurebyDIC(double* fresult, double* fcomprstressdistribution, const double* avgcomprstress,
                          const double* coords, const double* plythickness, const double* alpha,
                          const double* comprstrength, const double* load, const double* displacement,
                          const double* length, const double* width, const int* nplies, const int* nstress) {
    const int n = *nstress;
    std::fill(fresult, fresult + 4, 0.0);
    if (n < 1 || *width == 0.0) {
        tvk::report(-3, "Error: no measuring positions or a width of 0 in GetComprFailurebyDIC", n);
        return;
    }
    double* fc = fcomprstressdistribution;
    std::fill(fc, fc + 2 * static_cast<std::size_t>(n), 0.0);
    const double tges = sum(plythickness, std::max(*nplies, 0));

    // The curves ordered by the position coordinate: measured and weighted stress magnitudes.
    std::vector<int> order(n);
    static constexpr int ascending = 1;
    fGetContinuous(coords, &n, order.data(), &ascending);
    std::vector<double> actual(n), weighted(n), x(n);
    for (int k = 0; k < n; ++k) {
        const int i = order[k] - 1;
        const double s = avgcomprstress[i];
        const double w = s * (1.0 + *alpha * std::sqrt(2.0 * std::fabs(coords[i]) / *width));
        actual[k] = std::fabs(s);
        weighted[k] = std::fabs(w);
        x[k] = std::fabs(coords[i]);
    }
    std::vector<int> sample(n);
    for (int k = 0; k < n; ++k) sample[k] = k;
    const auto [p1, p2] = two_largest(sample, actual);

    // Maxima of the normalised measured curve.
    std::vector<double> normal(n), maxtab(2 * static_cast<std::size_t>(n)), mintab(2 * static_cast<std::size_t>(n));
    VectorNormalize(actual.data(), normal.data(), &n);
    static constexpr double delta = 0.05;
    int nmax = 0, nmin = 0;
    GetPeaks(maxtab.data(), mintab.data(), &nmax, &nmin, normal.data(), &delta, &n, nullptr);

    int gov;
    if (nmax < 2) {
        // One maximum (or none): the position of the smallest weighted stress.
        gov = static_cast<int>(std::min_element(weighted.begin(), weighted.end()) - weighted.begin());
    } else {
        std::vector<int> qpos(nmax);
        std::vector<double> qval(nmax);
        for (int r = 0; r < nmax; ++r) {
            qpos[r] = std::clamp(static_cast<int>(maxtab[r]) - 1, 0, n - 1);
            qval[r] = maxtab[n + r];
        }
        const auto [q1, q2] = two_largest(qpos, qval);
        int lo = q1, hi = q2;
        if (p2 - p1 != 1) {
            lo = std::min(p1, q1);
            hi = std::max(p2, q2);
        }
        // Walk outwards on the weighted curve while it keeps rising.
        while (lo > 0 && weighted[lo - 1] > weighted[lo]) --lo;
        while (hi < n - 1 && weighted[hi + 1] > weighted[hi]) ++hi;
        if (lo == 0 && hi == n - 1)
            tvk::report(-2, "The extreme value point of weighted stressdistribution curve can not be found");
        gov = weighted[lo] > weighted[hi] ? lo : hi;
    }
    if (weighted[gov] == 0.0) {
        tvk::report(-3, "Error: weighted stress of 0 at the governing position in GetComprFailurebyDIC", gov + 1);
        return;
    }
    const double amp = std::fabs(*comprstrength / weighted[gov]);
    fresult[0] = std::fabs(*load) * amp;
    fresult[1] = std::fabs(*displacement) * amp / *length;
    fresult[2] = fresult[0] / (tges * *width);
    fresult[3] = x[gov];
    for (int k = 0; k < n; ++k) {
        fc[k] = amp * actual[k];
        fc[n + k] = amp * weighted[k];
    }
}

double GetDmgInfluenceFactor(const double* plythickness, const double* bukrealdatalist, const int* bukintdatalist,
                             const int* nplies) {
    const int n = *nplies;
    if (n < 1) {
        tvk::report(-3, "Error: no plies in GetDmgInfluenceFactor", n);
        return 1.0;
    }
    std::vector<double> factor(n, 1.0);
    for (int j = 0; j < n - 1; ++j) {
        const int first = bukintdatalist[4 * j + 1], last = bukintdatalist[4 * j + 2];
        if (first < 1 || first > last || last > n) continue;  // unfilled (-1) or empty record
        std::fill(factor.begin() + (first - 1), factor.begin() + last, bukrealdatalist[12 * j + 1]);
    }
    const double tges = sum(plythickness, n);
    double tmax = 0.0, run = 0.0;
    for (int k = 0; k < n; ++k) {
        run = (k > 0 && factor[k] == factor[k - 1]) ? run + plythickness[k] : plythickness[k];
        tmax = std::max(tmax, run);
    }
    const double alpha = 1.0 - tmax / tges;
    return alpha == 0.0 ? 1.0 : std::pow(2.0 * alpha, alpha);
}

double GetCentralOpenHoleFactor(const double* plyelastic, const double* plyorientation, const double* plythickness,
                                const double* kt, const double* radius, const double* width, const int* nplies) {
    const int n = *nplies;
    if (n < 1 || *width == 0.0) {
        tvk::report(-3, "Error: no plies or a width of 0 in GetCentralOpenHoleFactor", n);
        return 0.0;
    }
    const lm::Stack s{plyelastic, plyorientation, plythickness, n};
    double a[9], b[9], d[9], abd[36], eng[8];
    lm::abd(s, a, b, d);
    GetABDMatrix(abd, a, b, d);
    const double h = lm::total_thickness(s);
    static constexpr tvk::logical1 compliance = 0;
    GetEngConstsFromABDMatrix(eng, abd, &h, &compliance);
    const double x = 2.0 * *radius / *width;
    const double k = *kt;
    return std::fabs((a[0] + a[3]) / (2.0 * a[4] * ((k - 3.0) * (k - 3.0) + 1.0)) - eng[3]) +
           (std::pow(x, 1.0 + x) - x * x) * k;
}
