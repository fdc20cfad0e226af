// Cubic Hermite extras: spline and constrained derivatives, evaluation with derivatives,
// monotonicity, B-spline form, the single-precision twins and the machine constants.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "child_output.h"
#include "core/units.h"
#include "pchip/pchip.h"
#include "pchip/utilities.h"
#include "pchip/xermsg.h"

namespace {

using namespace tvk::pchip;
using tvk::test::child_output;
using Vec = std::vector<double>;

// Error reports return with their code while an instance lives (control flag 0); the messages
// it recorded are then cleared without a summary (no output unit while clearing), so that later
// reports are tabulated as in a fresh process.
struct Recoverable {
    int saved = xgetf();
    Recoverable() { xsetf(0); }
    ~Recoverable() {
        xsetf(saved);
        const int units = j4save(5, 0, true);
        int count = 0;
        xersve(" ", " ", " ", 0, 0, 0, count);
        j4save(5, units, true);
    }
};

struct Table {
    Vec x, f;
};
Table random_table(std::mt19937& rng, int n) {
    std::uniform_real_distribution<double> step(0.1, 2.0), val(-2.0, 2.0);
    Table t;
    double xv = val(rng);
    for (int k = 0; k < n; ++k) {
        t.x.push_back(xv);
        t.f.push_back(val(rng));
        xv += step(rng);
    }
    return t;
}

Vec spline(const Table& t, int ibeg, int iend, double v1, double v2, int& ierr, int incfd = 1) {
    const int n = static_cast<int>(t.x.size());
    Vec f(static_cast<std::size_t>(n * incfd), 99.0), d(f.size(), -7.0), wk(2 * n);
    for (int k = 0; k < n; ++k) f[static_cast<std::size_t>(k * incfd)] = t.f[static_cast<std::size_t>(k)];
    const int ic[2] = {ibeg, iend};
    const double vc[2] = {v1, v2};
    dpchsp(ic, vc, n, t.x.data(), f.data(), d.data(), incfd, wk.data(), 2 * n, ierr);
    Vec out;
    for (int k = 0; k < n; ++k) out.push_back(d[static_cast<std::size_t>(k * incfd)]);
    return out;
}

TEST(Spline, EndConditionsAndExactness) {
    int ierr = -1;
    // Two points under not-a-knot: the straight line.
    EXPECT_EQ(spline({{1, 3}, {2, 8}}, 0, 0, 0, 0, ierr), (Vec{3, 3}));
    EXPECT_EQ(ierr, 0);
    // Data of a cubic: not-a-knot, end derivatives given, and the 4-point end polynomials all
    // reproduce the cubic's derivatives; a stride reads every third value.
    auto p = [](double x) { return 0.5 * x * x * x - x * x + 2 * x - 1; };
    auto dp = [](double x) { return 1.5 * x * x - 2 * x + 2; };
    auto d2p = [](double x) { return 3 * x - 2; };
    Table t;
    for (double x : {-2.0, -1.3, 0.0, 0.4, 1.7, 2.0, 3.5}) {
        t.x.push_back(x);
        t.f.push_back(p(x));
    }
    const double a = t.x.front(), b = t.x.back();
    for (auto [ib, ie, v1, v2] : {std::tuple{0, 0, 0.0, 0.0}, {1, 1, dp(a), dp(b)},
                                  {2, 2, d2p(a), d2p(b)}, {4, 4, 0.0, 0.0}, {1, 2, dp(a), d2p(b)}}) {
        for (int incfd : {1, 3}) {
            const Vec d = spline(t, ib, ie, v1, v2, ierr, incfd);
            EXPECT_EQ(ierr, 0);
            for (std::size_t k = 0; k < d.size(); ++k)
                EXPECT_NEAR(d[k], dp(t.x[k]), 1e-12 * 20) << ib << ie << " " << k;
        }
    }
    // A code above n counts as 0 (not-a-knot): code 4 with three points, 3 with two.
    const Table three{{0, 1, 3}, {1, -1, 2}};
    EXPECT_EQ(spline(three, 4, 0, 0, 0, ierr), spline(three, 0, 0, 0, 0, ierr));
    EXPECT_EQ(spline(three, 0, 4, 0, 0, ierr), spline(three, 0, 0, 0, 0, ierr));
    const Table two{{0, 2}, {1, 5}};
    EXPECT_EQ(spline(two, 3, 3, 0, 0, ierr), (Vec{2, 2}));
    // Three points under not-a-knot: the parabola through them.
    const Vec d = spline(three, 0, 0, 0, 0, ierr);
    // Parabola through (0,1), (1,-1), (3,2): 1 - 19/6 x + 7/6 x^2.
    EXPECT_NEAR(d[0], -19.0 / 6, 1e-14);
    EXPECT_NEAR(d[1], -5.0 / 6, 1e-14);
    EXPECT_NEAR(d[2], 23.0 / 6, 1e-14);
}

TEST(Spline, InputErrorsLeaveTheDerivativesUntouched) {
    Recoverable quiet;
    const Table t{{0, 1, 2}, {0, 1, 0}};
    auto run = [&](int ibeg, int iend, int nwk, const Vec& x) {
        Vec d(3, 42.0), wk(6);
        const int ic[2] = {ibeg, iend};
        const double vc[2] = {0, 0};
        int ierr = 0;
        dpchsp(ic, vc, static_cast<int>(x.size()), x.data(), t.f.data(), d.data(), 1, wk.data(), nwk, ierr);
        EXPECT_EQ(d, Vec(3, 42.0));
        return ierr;
    };
    EXPECT_EQ(run(5, 0, 6, t.x), -4);
    EXPECT_EQ(run(0, -1, 6, t.x), -5);
    EXPECT_EQ(run(-1, 7, 6, t.x), -6);
    EXPECT_EQ(run(0, 0, 5, t.x), -7);  // nwk = 2n - 1
    EXPECT_EQ(run(0, 0, 6, {0, 1, 1}), -3);
    EXPECT_EQ(run(0, 0, 6, {0}), -1);
}

// Monotone derivatives from h and slopes.
Vec constrained(const Table& t, int ibeg, int iend, double sw, int& ierr, int nwk = -1) {
    const int n = static_cast<int>(t.x.size());
    Vec d(n, -7.0), wk(2 * n);
    const int ic[2] = {ibeg, iend};
    const double vc[2] = {0.3, -0.2};
    pchic<double>(ic, vc, sw, n, t.x.data(), t.f.data(), d.data(), 1, wk.data(),
                  nwk < 0 ? 2 * n : nwk, ierr);
    return d;
}

TEST(Constrained, SwitchZeroIsTheInitialDerivativesAndEndCodesAreMended) {
    std::mt19937 rng(4);
    for (int n : {2, 3, 5, 12}) {
        const Table t = random_table(rng, n);
        int ierr = -1;
        const Vec d = constrained(t, 0, 0, 0.0, ierr);
        EXPECT_EQ(ierr, 0);
        Vec h, s, dci(n);
        for (int k = 0; k + 1 < n; ++k) {
            h.push_back(t.x[k + 1] - t.x[k]);
            s.push_back((t.f[k + 1] - t.f[k]) / h.back());
        }
        pchci<double>(n, h.data(), s.data(), dci.data(), 1);
        EXPECT_EQ(d, dci);
        // The monotone derivatives of dpchim, except that dpchic does not count extrema.
        Vec dim(n);
        dpchim(n, t.x.data(), t.f.data(), dim.data(), 1, ierr);
        EXPECT_EQ(d, dim);
    }
    // Not-a-knot at the left end pointing against the first slope: set to 0, warning 1.
    const Table t{{0, 1, 2, 3, 4}, {0, 1, 3, 1003, 2003}};
    int ierr = -1;
    Vec d = constrained(t, 5, 0, 0.0, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_LT(d[0], 0.0);  // the unconstrained not-a-knot derivative has the wrong sign
    d = constrained(t, -5, 0, 0.0, ierr);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(d[0], 0.0);
    // Below five points code -5 counts as 0.
    const Table four{{0, 1, 2, 3}, {0, 0.1, 3, 3.2}};
    EXPECT_EQ(constrained(four, -5, 0, 0.0, ierr), constrained(four, 0, 0, 0.0, ierr));
    {
        Recoverable quiet;
        constrained(t, 6, 0, 0.0, ierr);
        EXPECT_EQ(ierr, -4);
        constrained(t, 0, 0, 0.0, ierr, 2 * 5 - 3);
        EXPECT_EQ(ierr, -7);
    }
}

// The largest excursion of the cubic on [x1, x2] beyond the range of its end values.
double excursion(double h, double f1, double f2, double d1, double d2) {
    double lo = std::min(f1, f2), hi = std::max(f1, f2), worst = 0.0;
    Vec xe(2001), fe(2001);
    for (int k = 0; k <= 2000; ++k) xe[k] = h * k / 2000.0;
    int next[2], ierr;
    dchfev(0.0, h, f1, f2, d1, d2, 2001, xe.data(), fe.data(), next, ierr);
    for (double v : fe) worst = std::max({worst, v - hi, lo - v});
    return worst;
}

TEST(Constrained, PositiveSwitchBoundsTheOvershootAtExtrema) {
    // Peaked data: the smoothing adjustment alone overshoots; a positive switch limits the
    // excursion beyond the data to about switch times the local excursion h |slope|.
    const Table t{{0, 1, 2, 3, 4}, {0, 1.9, 2.0, 0.5, 0.0}};
    int ierr = -1;
    const Vec smooth = constrained(t, 0, 0, -1.0, ierr);
    EXPECT_EQ(ierr, 0);
    const Vec limited = constrained(t, 0, 0, 0.01, ierr);
    EXPECT_EQ(ierr, 0);
    double over_smooth = 0, over_limited = 0, dfloc = 0;
    for (int k = 0; k < 4; ++k) {
        over_smooth = std::max(over_smooth, excursion(1, t.f[k], t.f[k + 1], smooth[k], smooth[k + 1]));
        over_limited = std::max(over_limited, excursion(1, t.f[k], t.f[k + 1], limited[k], limited[k + 1]));
        dfloc = std::max(dfloc, std::fabs(t.f[k + 1] - t.f[k]));
    }
    EXPECT_GT(over_smooth, 0.01 * dfloc);
    EXPECT_LE(over_limited, 0.01 * dfloc * 1.001);
}

TEST(Monotonicity, IntervalCodesAndTheWholeCurve) {
    EXPECT_EQ(chfcm(3.0, 3.0, 1.0), 3);   // on the ellipse: within rounding
    EXPECT_EQ(chfcm(2.0, 2.0, 1.0), 1);
    EXPECT_EQ(chfcm(-2.0, -2.0, -1.0), -1);
    EXPECT_EQ(chfcm(0.0, 0.0, 0.0), 0);
    EXPECT_EQ(chfcm(1.0, 0.0, 0.0), 2);
    EXPECT_EQ(chfcm(-1.0, 1.0, 1.0), 2);
    EXPECT_EQ(chfcm(5.0, 5.0, 1.0), 2);
    // The float band is 10 r1mach(4): 3 - 1e-6 is inside the band there, not in double.
    EXPECT_EQ(chfcm(3.0f, 3.0f - 2e-7f, 1.0f), 3);
    EXPECT_EQ(chfcm(3.0, 3.0 - 2e-7, 1.0), 1);
    EXPECT_EQ(chfcm(3.0f, 3.0f - 3e-6f, 1.0f), 1);
    // Monotonicity of a cubic on a grid agrees with the classification away from the band.
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> u(-1.0, 5.0);
    for (int rep = 0; rep < 3000; ++rep) {
        const double d1 = u(rng), d2 = u(rng);
        const int code = chfcm(d1, d2, 1.0);
        if (code == 3) continue;
        Vec xe(401), fe(401);
        for (int k = 0; k <= 400; ++k) xe[k] = k / 400.0;
        int next[2], ierr;
        dchfev(0.0, 1.0, 0.0, 1.0, d1, d2, 401, xe.data(), fe.data(), next, ierr);
        bool increasing = true;
        for (int k = 1; k <= 400; ++k) increasing &= fe[k] >= fe[k - 1] - 1e-12;
        if (code == 1) {
            EXPECT_TRUE(increasing) << d1 << " " << d2;
        }
        // Fine sampling may miss a dip just outside the region: only clear cases.
        const double am = d1 - 2, bm = d2 - 2;
        if (code == 2 && (d1 < 0 || d2 < 0 || am * am + bm * bm + am * bm - 3 > 0.05)) {
            EXPECT_FALSE(increasing) << d1 << " " << d2;
        }
    }
    // The whole curve: a peak is not monotone; constant data are constant.
    const Vec x{1, 2, 3, 4}, peak{0, 1, 1.5, 0}, flat(4, 2.0), zero(4, 0.0);
    Vec dpk(4);
    int ierr = -1, ismon[4];
    dpchim(4, x.data(), peak.data(), dpk.data(), 1, ierr);
    bool skip = false;
    pchcm<double>(4, x.data(), peak.data(), dpk.data(), 1, skip, ismon, ierr);
    EXPECT_EQ(ismon[3], 2);
    EXPECT_TRUE(skip);
    pchcm<double>(4, x.data(), flat.data(), zero.data(), 1, skip, ismon, ierr);
    EXPECT_EQ(std::vector<int>(ismon, ismon + 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST(EvaluationWithDerivatives, AgreesWithTheValueEvaluatorBitForBit) {
    std::mt19937 rng(21);
    for (int n : {2, 3, 17, 300}) {
        const Table t = random_table(rng, n);
        Vec d(n);
        int ierr = 0;
        dpchim(n, t.x.data(), t.f.data(), d.data(), 1, ierr);
        std::uniform_real_distribution<double> q(t.x.front() - 1, t.x.back() + 1);
        for (int order = 0; order < 3; ++order) {
            Vec xe(500);
            for (double& v : xe) v = q(rng);
            xe[7] = t.x.front();
            xe[9] = t.x.back();
            if (order == 1) std::sort(xe.begin(), xe.end());
            if (order == 2) std::sort(xe.rbegin(), xe.rend());
            Vec fe(500), fd(500), de(500);
            bool s1 = false, s2 = false;
            int e1 = -9, e2 = -9;
            dpchfe(n, t.x.data(), t.f.data(), d.data(), 1, s1, 500, xe.data(), fe.data(), e1);
            pchfd<double>(n, t.x.data(), t.f.data(), d.data(), 1, s2, 500, xe.data(), fd.data(), de.data(), e2);
            EXPECT_EQ(fe, fd);
            EXPECT_EQ(e1, e2);
            if (order > 0) {
                int outside = 0;
                for (double v : xe) outside += v < t.x.front() || v > t.x.back();
                EXPECT_EQ(e2, outside);  // the nodes x(1) and x(n) are not counted
            }
            // Derivatives against a central difference of the values.
            for (int k = 0; k < 500; k += 25) {
                const double hh = 1e-6, xs[2] = {xe[k] - hh, xe[k] + hh};
                double fs[2], ds[2];
                bool sk = true;
                int e = 0;
                pchfd<double>(n, t.x.data(), t.f.data(), d.data(), 1, sk, 2, xs, fs, ds, e);
                bool on_node = false;
                for (double xn : t.x) on_node |= std::fabs(xn - xe[k]) < 2 * hh;
                if (!on_node) {
                    EXPECT_NEAR(de[k], (fs[1] - fs[0]) / (2 * hh), 1e-5 * (1 + std::fabs(de[k])));
                }
            }
        }
    }
}

TEST(BSplineForm, ReproducesTheHermiteFunctionAndKeepsCallerKnots) {
    std::mt19937 rng(8);
    const Table t = random_table(rng, 6);
    const int n = 6;
    Vec d(n);
    int ierr = 0;
    dpchim(n, t.x.data(), t.f.data(), d.data(), 1, ierr);
    Vec knots(2 * n + 4), bcoef(2 * n), work(12);
    int nknots = 0, ndim = 0, kord = 0;
    pchbs<double>(n, t.x.data(), t.f.data(), d.data(), 1, 0, nknots, knots.data(), bcoef.data(), ndim, kord, ierr);
    ASSERT_EQ(ierr, 0);
    int inbv = 1;
    for (int k = 0; k <= 200; ++k) {
        const double xv = t.x.front() + (t.x.back() - t.x.front()) * k / 200.0;
        double fe, de;
        bool skip = true;
        int e;
        pchfd<double>(n, t.x.data(), t.f.data(), d.data(), 1, skip, 1, &xv, &fe, &de, e);
        EXPECT_NEAR(bvalu<double>(knots.data(), bcoef.data(), ndim, kord, 0, xv, inbv, work.data()), fe, 1e-13);
        EXPECT_NEAR(bvalu<double>(knots.data(), bcoef.data(), ndim, kord, 1, xv, inbv, work.data()), de, 1e-12);
    }
    // x(n) with quadruple end knots: the left limit, f(n).
    EXPECT_NEAR(bvalu<double>(knots.data(), bcoef.data(), ndim, kord, 0, t.x.back(), inbv, work.data()),
                t.f.back(), 1e-14);
    // knotyp -1 keeps the caller's knots; only the coefficients follow them.
    Vec mine = knots;
    mine[0] = mine[1] = t.x.front() - 0.5;
    Vec keep = mine;
    pchbs<double>(n, t.x.data(), t.f.data(), d.data(), 1, -1, nknots, mine.data(), bcoef.data(), ndim, kord, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(mine, keep);
    {
        Recoverable quiet;
        Vec before = bcoef;
        pchbs<double>(n, t.x.data(), t.f.data(), d.data(), 1, 3, nknots, mine.data(), bcoef.data(), ndim, kord, ierr);
        EXPECT_EQ(ierr, -1);
        int wrong = 2 * n + 3;
        pchbs<double>(n, t.x.data(), t.f.data(), d.data(), 1, -1, wrong, mine.data(), bcoef.data(), ndim, kord, ierr);
        EXPECT_EQ(ierr, -2);
        EXPECT_EQ(bcoef, before);
        EXPECT_EQ(mine, keep);
        // Out-of-range evaluations report and give 0.
        EXPECT_EQ(bvalu<double>(knots.data(), bcoef.data(), ndim, kord, 0, t.x.back() + 1, inbv, work.data()), 0.0);
        EXPECT_EQ(bvalu<double>(knots.data(), bcoef.data(), ndim, kord, 4, t.x.back(), inbv, work.data()), 0.0);
        EXPECT_EQ(j4save(1, 0, false), 2);  // error number 2
    }
}

TEST(BSplineForm, IntervalSearchWithMemory) {
    const Vec xt{0, 1, 1, 2, 3, 5, 8};
    int ilo = 1, ileft = 0, mflag = 9;
    intrv<double>(xt.data(), 7, -1.0, ilo, ileft, mflag);
    EXPECT_EQ(mflag, -1);
    EXPECT_EQ(ileft, 1);
    intrv<double>(xt.data(), 7, 8.0, ilo, ileft, mflag);
    EXPECT_EQ(mflag, 1);
    EXPECT_EQ(ileft, 7);
    // Against a scan, from any remembered start (garbage included).
    for (int start : {-5, 0, 1, 3, 6, 7, 100}) {
        for (double v = -0.5; v < 8.0; v += 0.25) {
            int lo = start;
            intrv<double>(xt.data(), 7, v, lo, ileft, mflag);
            int expect = 1;
            while (expect < 7 && xt[expect] <= v) ++expect;
            if (v < 0) EXPECT_EQ(mflag, -1);
            else {
                EXPECT_EQ(mflag, 0);
                EXPECT_EQ(ileft, expect) << v << " from " << start;
            }
        }
    }
}

// The twins: the same algorithm in float, the same codes for the same faults.
TEST(Twins, AgreeWithTheDoubleRoutinesToSinglePrecision) {
    std::mt19937 rng(13);
    for (int n : {2, 3, 8, 40}) {
        const Table t = random_table(rng, n);
        std::vector<float> xf(t.x.begin(), t.x.end()), ff(t.f.begin(), t.f.end());
        Vec xd(xf.begin(), xf.end()), fd(ff.begin(), ff.end());  // the same data
        Vec d(n), wk(2 * n);
        std::vector<float> df(n), wkf(2 * n);
        int e1 = 0, e2 = 0;
        dpchim(n, xd.data(), fd.data(), d.data(), 1, e1);
        pchim<float>(n, xf.data(), ff.data(), df.data(), 1, e2);
        EXPECT_EQ(e1, e2);
        const int ic[2] = {0, 0};
        const double vc[2] = {0, 0};
        const float vcf[2] = {0, 0};
        Vec ds(n);
        std::vector<float> dsf(n);
        dpchsp(ic, vc, n, xd.data(), fd.data(), ds.data(), 1, wk.data(), 2 * n, e1);
        pchsp<float>(ic, vcf, n, xf.data(), ff.data(), dsf.data(), 1, wkf.data(), 2 * n, e2);
        EXPECT_EQ(e1, e2);
        double scale = 1;
        for (double v : ds) scale = std::max(scale, std::fabs(v));
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(df[k], d[k], 1e-5 * (1 + std::fabs(d[k])));
            EXPECT_NEAR(dsf[k], ds[k], 1e-4 * scale);
        }
        std::vector<float> xe(50), fe(50), de(50);
        Vec xed(50), fed(50), ded(50);
        for (int k = 0; k < 50; ++k) xed[k] = xe[k] = static_cast<float>(t.x.front() - 0.5 + (t.x.back() - t.x.front() + 1) * k / 49.0);
        bool s1 = false, s2 = false;
        pchfd<double>(n, xd.data(), fd.data(), d.data(), 1, s1, 50, xed.data(), fed.data(), ded.data(), e1);
        std::vector<float> dfl(d.begin(), d.end());
        Vec dd(dfl.begin(), dfl.end());
        pchfd<double>(n, xd.data(), fd.data(), dd.data(), 1, s1, 50, xed.data(), fed.data(), ded.data(), e1);
        pchfd<float>(n, xf.data(), ff.data(), dfl.data(), 1, s2, 50, xe.data(), fe.data(), de.data(), e2);
        EXPECT_EQ(e1, e2);
        for (int k = 0; k < 50; ++k) EXPECT_NEAR(fe[k], fed[k], 1e-5 * (1 + std::fabs(fed[k])) * n);
        float a = static_cast<float>(t.x.front() - 0.3), b = static_cast<float>(t.x.back() + 0.2);
        s1 = s2 = false;
        const double q = pchia<double>(n, xd.data(), fd.data(), dd.data(), 1, s1, a, b, e1);
        const float qf = pchia<float>(n, xf.data(), ff.data(), dfl.data(), 1, s2, a, b, e2);
        EXPECT_EQ(e1, e2);
        EXPECT_NEAR(qf, q, 1e-5 * (1 + std::fabs(q)) * n);
    }
    // The same codes for the same faults.
    Recoverable quiet;
    const float xf[3] = {0, 1, 1}, ff[3] = {0, 1, 2};
    const double xd[3] = {0, 1, 1}, fd[3] = {0, 1, 2};
    float df[3];
    double dd[3];
    int e1 = 0, e2 = 0;
    dpchim(3, xd, fd, dd, 1, e1);
    pchim<float>(3, xf, ff, df, 1, e2);
    EXPECT_EQ(e1, -3);
    EXPECT_EQ(e2, -3);
    dpchim(3, xd, fd, dd, 0, e1);
    pchim<float>(3, xf, ff, df, 0, e2);
    EXPECT_EQ(e1, -2);
    EXPECT_EQ(e2, -2);
}

TEST(TwinsDeath, ReportUnderTheirOwnNames) {
    const std::string out = child_output(
        [] {
            const float x[2] = {0, 1}, f[2] = {0, 1}, d[2] = {1, 1};
            float fe[1];
            bool skip = false;
            int ierr;
            pchfe<float>(2, x, f, d, 1, skip, 0, x, fe, ierr);
        },
        1);
    EXPECT_NE(out.find("MESSAGE FROM ROUTINE PCHFE IN LIBRARY SLATEC."), std::string::npos) << out;
    EXPECT_NE(out.find(" SLATEC     PCHFE      NUMBER OF EVALUATION"), std::string::npos) << out;
}

TEST(Utilities, MachineConstants) {
    EXPECT_EQ(d1mach(1), 2 * std::numeric_limits<double>::min());
    EXPECT_EQ(d1mach(2), std::numeric_limits<double>::max() / 2);
    EXPECT_EQ(d1mach(3), std::ldexp(1.0, -53) + std::ldexp(1.0, -104));
    EXPECT_EQ(d1mach(4), std::ldexp(1.0, -52));
    EXPECT_EQ(d1mach(5), 0.301029995663981);
    EXPECT_EQ(r1mach(1), std::numeric_limits<float>::min());
    EXPECT_EQ(r1mach(2), std::numeric_limits<float>::max());
    EXPECT_EQ(r1mach(3), std::ldexp(1.0f, -24));
    EXPECT_EQ(r1mach(4), std::ldexp(1.0f, -23));
    EXPECT_EQ(r1mach(5), 0.30103f);
}

TEST(UtilitiesDeath, MachineConstantOutOfRangeEndsWithStatusOne) {
    EXPECT_EQ(child_output([] { d1mach(6); }, 1),
              " \nD1MACH - Fatal error!\n  The input argument I is out of bounds.\n"
              "  Legal values satisfy 1 <= I <= 5.\n  I =            6\n");
    EXPECT_EQ(child_output([] { r1mach(0); }, 1),
              " \nR1MACH - Fatal error!\n  The input argument I is out of bounds.\n"
              "  Legal values satisfy 1 <= I <= 5.\n  I =            0\n");
}

TEST(Utilities, TimestampWordsControlFlagUnitsAndComparison) {
    EXPECT_EQ(timestamp_text(2024, 3, 5, 12, 0, 0, 7), " 5 March 2024  12:00:00.007 Noon");
    EXPECT_EQ(timestamp_text(2024, 12, 31, 0, 30, 0, 0), "31 December 2024   0:30:00.000 AM");
    EXPECT_EQ(timestamp_text(2024, 9, 1, 12, 0, 1, 999), " 1 September 2024  12:00:01.999 PM");
    EXPECT_EQ(timestamp_text(2024, 9, 1, 23, 59, 59, 5), " 1 September 2024  11:59:59.005 PM");
    EXPECT_EQ(timestamp_text(2024, 9, 1, 24, 0, 0, 0), " 1 September 2024  12:00:00.000 Midnight");
    const int saved = xgetf();
    xsetf(0);
    EXPECT_EQ(xgetf(), 0);
    xsetf(-2);
    EXPECT_EQ(xgetf(), -2);
    xsetf(saved);
    EXPECT_EQ(xgetf(), 2);
    const int u = get_unit();
    ASSERT_GE(u, 1);
    EXPECT_TRUE(u != 5 && u != 6 && u != 9 && !tvk::io::is_connected(u));
    char path[] = "/tmp/tvk_unit_XXXXXX";
    close(mkstemp(path));
    ASSERT_EQ(tvk::io::open_append(u, path, false), tvk::io::ok);
    EXPECT_GT(get_unit(), u);
    // The verdict of a comparison goes to the given unit, at level 3 only.
    EXPECT_TRUE(comp(-3, -3, u, 2));
    EXPECT_FALSE(comp(-1, -3, u, 3));
    EXPECT_TRUE(comp(0, 0, u, 3));
    tvk::io::close_unit(u);
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    unlink(path);
    EXPECT_EQ(ss.str(), "  COMPARE FAILED -- IERR =    -1\n     OK.\n");
}

TEST(UtilitiesDeath, InvalidControlFlagIsFatal) {
    const std::string out = child_output([] { xsetf(3); }, 1);
    EXPECT_NE(out.find(" *  INVALID ARGUMENT =        3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("FATAL ERROR, PROG ABORTED"), std::string::npos) << out;
}

TEST(BSplineForm, TooFewPointsOrABadStrideAreRefused) {
    // Regression: one point made the knot setup read x(2); a stride below 1 read f backwards.
    Recoverable quiet;
    const double x[2] = {0, 1}, f[2] = {1, 2}, d[2] = {1, 1};
    double t[8] = {}, bcoef[4] = {};
    int nknots = 0, ndim = 0, kord = 0, ierr = 0;
    pchbs<double>(1, x, f, d, 1, 1, nknots, t, bcoef, ndim, kord, ierr);
    EXPECT_EQ(ierr, -3);
    pchbs<double>(2, x, f, d, 0, 0, nknots, t, bcoef, ndim, kord, ierr);
    EXPECT_EQ(ierr, -4);
    EXPECT_EQ(bcoef[0], 0.0);
}

TEST(InitialMonotoneDerivatives, ExportedRoutineChecksItsCounts) {
    // Regression: dpchci/pchci took any n and incfd, so n < 2 read h(2) and slope(2) and wrote
    // d(n) before d; incfd < 1 wrote backwards. Now both are reported as the table routines
    // report them (numbers -1 and -2) and d stays untouched.
    Recoverable quiet;
    const double h[3] = {1, 1, 1}, s[3] = {1, 2, 3};
    const float hf[3] = {1, 1, 1}, sf[3] = {1, 2, 3};
    for (int n : {1, 0, -5, INT_MIN}) {
        double d[8] = {-7, -7, -7, -7, -7, -7, -7, -7};
        const int one = 1;
        dpchci(&n, h, s, d + 4, &one);
        EXPECT_EQ(j4save(1, 0, false), -1) << n;
        for (double v : d) EXPECT_EQ(v, -7.0);
        float df[4] = {-7, -7, -7, -7};
        pchci(&n, hf, sf, df + 2, &one);
        EXPECT_EQ(j4save(1, 0, false), -1);
        for (float v : df) EXPECT_EQ(v, -7.0f);
    }
    for (int incfd : {0, -1, INT_MIN}) {
        double d[12] = {};
        std::fill(d, d + 12, -7.0);
        const int four = 4;
        dpchci(&four, h, s, d + 6, &incfd);
        EXPECT_EQ(j4save(1, 0, false), -2) << incfd;
        for (double v : d) EXPECT_EQ(v, -7.0);
    }
    // Regression: the exported dpchcs/dpchce took any n and incfd too; incfd < 1 wrote before d.
    const double sw = 1.0, x[4] = {0, 1, 2, 3}, vc[2] = {0, 0};
    const int ic[2] = {1, 1};
    for (int n : {1, -3}) {
        double d[8];
        std::fill(d, d + 8, -7.0);
        const int one = 1;
        int ierr = 0;
        dpchcs(&sw, &n, h, s, d + 4, &one, &ierr);
        EXPECT_EQ(ierr, -1);
        dpchce(ic, vc, &n, x, h, s, d + 4, &one, &ierr);
        EXPECT_EQ(ierr, -1);
        for (double v : d) EXPECT_EQ(v, -7.0);
    }
    for (int incfd : {0, -1, INT_MIN}) {
        double d[12];
        std::fill(d, d + 12, -7.0);
        const int four = 4;
        int ierr = 0;
        dpchcs(&sw, &four, h, s, d + 6, &incfd, &ierr);
        EXPECT_EQ(ierr, -2);
        dpchce(ic, vc, &four, x, h, s, d + 6, &incfd, &ierr);
        EXPECT_EQ(ierr, -2);
        EXPECT_EQ(j4save(1, 0, false), -2);
        for (double v : d) EXPECT_EQ(v, -7.0);
    }
    // Valid counts: the Brodlie-Butland derivatives of the slopes 1, 2, 3 on unit steps (stride
    // 2): ends 1.5 s1 - 0.5 s2 = 0.5 and 1.5 s3 - 0.5 s2 = 3.5; interior weights 1/2, 1/2, so
    // d = dmin / (del1 / 2 dmax + del2 / 2 dmax): 1 / (1/4 + 1/2) = 4/3 and 2 / (1/3 + 1/2) = 12/5.
    const int four = 4, two = 2;
    double d[8];
    std::fill(d, d + 8, -7.0);
    dpchci(&four, h, s, d, &two);
    EXPECT_DOUBLE_EQ(d[0], 0.5);
    EXPECT_DOUBLE_EQ(d[2], 4.0 / 3.0);
    EXPECT_DOUBLE_EQ(d[4], 2.4);
    EXPECT_DOUBLE_EQ(d[6], 3.5);
    EXPECT_EQ(d[1], -7.0);
}

}  // namespace
