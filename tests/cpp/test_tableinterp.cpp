// Table interpolation: nearest, linear, monotone cubic, integral and arc length.
#include <gtest/gtest.h>

#include "alloc_counter.h"
#include "child_output.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "interp/interp.h"
#include "interp/locate.h"
#include "pchip/tableinterp.h"

// The table interpolation of small tables must make no allocation per call (heap_allocations()
// counts them; see alloc_counter.h).
using tvk::test::heap_allocations;

namespace {

using Vec = std::vector<double>;

using tvk::test::child_output;

using VecRoutine = void (*)(double*, const double*, const int*, const double*, const int*,
                            const double*, const int*);

Vec call(VecRoutine r, const Vec& x, const Vec& y, const Vec& p) {
    Vec out(p.size(), -999.0);
    const int nx = static_cast<int>(x.size()), ny = static_cast<int>(y.size()),
              np = static_cast<int>(p.size());
    r(out.data(), x.data(), &nx, y.data(), &ny, p.data(), &np);
    return out;
}
double integrate(const Vec& x, const Vec& y, double a, double b) {
    const int nx = static_cast<int>(x.size()), ny = static_cast<int>(y.size());
    return cubichermitianintegration(x.data(), &nx, y.data(), &ny, &a, &b);
}
double arclength(const Vec& x, const Vec& y, double a, double b) {
    const int nx = static_cast<int>(x.size()), ny = static_cast<int>(y.size());
    return cubichermitianarclength(x.data(), &nx, y.data(), &ny, &a, &b);
}

void reset_errors() {
    int r = 0, one = 1;
    rsxerr(&r, &one);
}

TEST(TableInterp, LinearExtrapolatesAlongTheEndSegments) {
    const Vec x = {0, 1, 2}, y = {0, 10, 30};
    EXPECT_EQ(call(linearinterpolation, x, y, {-1, 1, 3, 0.5, 2}), (Vec{-10, 10, 50, 5, 30}));
    // Two points: the straight line everywhere.
    EXPECT_EQ(call(linearinterpolation, {1, 3}, {2, 6}, {-1, 2, 5}), (Vec{-2, 4, 10}));
    EXPECT_TRUE(call(linearinterpolation, x, y, {}).empty());
}

TEST(TableInterp, LinearPicksTheIntervalOfALeftToRightScan) {
    // The bracket is the first i of 2..n-1 with t < x(i) (else n-1, n); found by bisection, it
    // must agree with the scan bit for bit, also at nodes and outside the table.
    std::mt19937 rng(5);
    for (int n : {2, 3, 7, 300}) {
        Vec x(n), y(n);
        std::uniform_real_distribution<double> step(0.01, 1.0), val(-5, 5);
        double v = val(rng);
        for (int i = 0; i < n; ++i) {
            x[i] = v;
            y[i] = val(rng);
            v += step(rng);
        }
        std::uniform_real_distribution<double> q(x.front() - 1, x.back() + 1);
        Vec p;
        for (int k = 0; k < 400; ++k) p.push_back(q(rng));
        p.insert(p.end(), x.begin(), x.end());
        std::sort(p.begin(), p.begin() + 200);  // ordered and unordered queries
        const Vec got = call(linearinterpolation, x, y, p);
        for (std::size_t k = 0; k < p.size(); ++k) {
            int left = n - 1;
            for (int i = 2; i <= n - 1; ++i)
                if (p[k] < x[i - 1]) {
                    left = i - 1;
                    break;
                }
            const int right = left + 1;
            const double t = p[k];
            const double ref = ((x[right - 1] - t) * y[left - 1] + (t - x[left - 1]) * y[right - 1]) /
                               (x[right - 1] - x[left - 1]);
            ASSERT_EQ(got[k], ref) << "n=" << n << " t=" << t;
        }
    }
}

TEST(TableInterp, LocatorAgreesWithAScanOnClusteredNodes) {
    // Nodes in tight clusters far apart (crowded buckets next to empty ones), queries at and
    // between nodes, outside, infinite and NaN: the answer is the first entry above the value.
    std::mt19937 rng(9);
    for (int m : {8, 9, 40, 500}) {
        Vec a;
        double v = -50.0;
        std::uniform_real_distribution<double> tiny(1e-9, 1e-6), gap(1.0, 100.0);
        for (int i = 0; i < m; ++i) {
            v += (i % 25 == 24) ? gap(rng) : tiny(rng);
            a.push_back(v);
        }
        Vec q = a;
        std::uniform_real_distribution<double> u(a.front() - 1, a.back() + 1);
        for (int k = 0; k < 300; ++k) q.push_back(u(rng));
        for (double e : a) q.push_back(std::nextafter(e, -INFINITY));
        q.insert(q.end(), {INFINITY, -INFINITY, NAN, a.front(), a.back()});
        for (long queries : {1L, 1000L}) {
            const tvk::interp::Locator loc(a.data(), m, queries);
            for (double e : q) {
                const int want = static_cast<int>(std::upper_bound(a.begin(), a.end(), e) - a.begin());
                ASSERT_EQ(loc.first_above(e), std::isnan(e) ? m : want) << "m=" << m << " v=" << e;
            }
        }
    }
}

TEST(TableInterp, TablesTooSmallForLinearOrNearest) {
    EXPECT_EQ(call(linearinterpolation, {2}, {7}, {-1, 2, 9}), (Vec{7, 7, 7}));
    for (double v : call(linearinterpolation, {}, {}, {1, 2})) EXPECT_TRUE(std::isnan(v));
    for (double v : call(nearestinterpolation, {}, {}, {1})) EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(call(nearestinterpolation, {4}, {5}, {-3, 9}), (Vec{5, 5}));
}

TEST(TableInterp, ShortOrdinatesAreRefused) {
    reset_errors();
    const Vec x = {0, 1, 2}, y = {0, 1};
    for (VecRoutine r : {nearestinterpolation, linearinterpolation, cubichermitianinterpolation})
        for (double v : call(r, x, y, {0.5})) EXPECT_TRUE(std::isnan(v));
    EXPECT_TRUE(std::isnan(integrate(x, y, 0, 1)));
    EXPECT_TRUE(std::isnan(arclength(x, y, 0, 1)));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(std::string(tvk::errorhandling.errstring, 34), "Fewer ordinates than abscissas in ");
    reset_errors();
}

TEST(TableInterp, NearestBracketsAndTies) {
    const Vec y5 = {10, 11, 12, 13, 14};
    EXPECT_EQ(call(nearestinterpolation, {0, 1}, {5, 6}, {0.5}), (Vec{6}));          // tie: larger
    EXPECT_EQ(call(nearestinterpolation, {3, 2, 1}, {5, 6, 7}, {2.5, 1.5}), (Vec{5, 6}));  // descending
    EXPECT_EQ(call(nearestinterpolation, {0, 1, 2, 3, 4}, y5, {3.4, 3.6, 2, -7, 9, 0.2}),
              (Vec{13, 14, 12, 10, 14, 10}));
    EXPECT_EQ(call(nearestinterpolation, {4, 3, 2, 1, 0}, y5, {3.4, -1, 8, 0.6}), (Vec{11, 14, 10, 13}));
    EXPECT_TRUE(call(nearestinterpolation, {0, 1}, {5, 6}, {}).empty());

    // Multi-component data: whole columns are copied.
    const double t[] = {0, 1, 2}, pd[] = {1, 2, 3, 4, 5, 6}, ti[] = {1.9, -4};
    double pi[4];
    tvk::interp::interp_nearest(2, 3, t, pd, 2, ti, pi);
    EXPECT_EQ(Vec(pi, pi + 4), (Vec{5, 6, 1, 2}));
    tvk::interp::interp_linear(2, 3, t, pd, 2, ti, pi);
    EXPECT_DOUBLE_EQ(pi[0], 4.8);
    EXPECT_DOUBLE_EQ(pi[1], 5.8);
    EXPECT_DOUBLE_EQ(pi[2], -7.0);
    EXPECT_DOUBLE_EQ(pi[3], -6.0);
}

TEST(TableInterp, CubicOfTwoPointsIsTheLine) {
    const Vec got = call(cubichermitianinterpolation, {1, 3}, {2, 6}, {-1, 1, 2, 3, 4.5});
    const Vec want = {-2, 2, 4, 6, 9};
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-14);
    EXPECT_NEAR(integrate({1, 3}, {2, 6}, 0, 2), 0.5 * (0 + 4) * 2, 1e-14);   // trapezoid
    EXPECT_NEAR(integrate({1, 3}, {2, 6}, 5, -1), -0.5 * (10 - 2) * 6, 1e-13);
}

TEST(TableInterp, IntegralAndArcLength) {
    const Vec x = {0, 1, 2, 4}, y = {1, 3, 2, 5};
    EXPECT_EQ(integrate(x, y, 1.5, 1.5), 0.0);
    EXPECT_EQ(integrate(x, y, 5.0, -1.0), -integrate(x, y, -1.0, 5.0));
    // A straight line y = c x: length (b - a) sqrt(1 + c^2), also outside the table.
    const double c = 0.75;
    const Vec lx = {0, 1, 3, 4}, ly = {0, c, 3 * c, 4 * c};
    EXPECT_NEAR(arclength(lx, ly, 0.5, 3.5), 3.0 * 1.25, 1e-13);
    EXPECT_NEAR(arclength(lx, ly, 6.0, -1.0), -7.0 * 1.25, 1e-12);
    // A bend is longer than its chord.
    EXPECT_GT(arclength(x, y, 0, 4), std::hypot(4.0, 4.0));
}

// A sorted random table of n points on [0, n) and query points of its first n - 2 intervals
// (unsorted, so that the bucket search and the out-of-order walk both run).
struct Table {
    Vec x, y, p;
    Table(int n, unsigned seed) {
        std::mt19937 gen(seed);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        for (int i = 0; i < n; ++i) {
            x.push_back(i + 0.8 * u(gen));
            y.push_back(std::sin(0.3 * i) + u(gen));
        }
        for (int k = 0; k < 300; ++k) p.push_back(x[0] + (x[n - 2] - x[0]) * u(gen));
        p.push_back(x[n - 1] + 1.0);  // beyond the table: the last interval, extrapolated
    }
};

// The quadrature's cost: a 10-point Gauss rule on a cubic's line element sqrt(1 + p'^2), which
// is smooth, meets the halving test within a few halvings of each interval; a rule with a wrong
// node or weight is of first order and halves towards its 40-halving limit, with values that
// hardly change (thousands of times the evaluations). Counted, not timed, per interval: a
// stress-strain table of 20 points with a yield knee, and tables of random bends.
TEST(TableInterp, ArcLengthTakesAFewRulesPerInterval) {
    Vec eps, sig;
    for (int i = 0; i < 20; ++i) {
        eps.push_back(0.0015 * i);
        sig.push_back(600.0 * std::tanh(70e3 * eps.back() / 600.0) + 2e3 * eps.back());
    }
    const auto cost = [](const Vec& x, const Vec& y) {
        const long long before = tvk::pchip::arclength_evaluations;
        const double length = arclength(x, y, x.front(), x.back());
        EXPECT_GT(length, std::hypot(x.back() - x.front(), y.back() - y.front()));
        return static_cast<double>(tvk::pchip::arclength_evaluations - before) / static_cast<double>(x.size() - 1);
    };
    // Each interval takes at least three rules (the whole and its halves, 30 evaluations).
    EXPECT_LE(cost(eps, sig), 150.0);
    for (int n : {8, 64}) {
        const Table t(n, 11);
        EXPECT_LE(cost(t.x, t.y), 150.0) << n;
    }
}

TEST(TableInterp, SmallTablesAllocateNothingPerCall) {
    for (int n : {2, 8, 64, 128, 300}) {
        const Table t(n, 7);
        const int nx = n, one = 1, many = static_cast<int>(t.p.size());
        Vec out(t.p.size());
        const double a = t.x[0], b = t.x[n - 1];
        const long before = heap_allocations();
        for (int np : {one, many}) {
            linearinterpolation(out.data(), t.x.data(), &nx, t.y.data(), &nx, t.p.data() + many - np, &np);
            cubichermitianinterpolation(out.data(), t.x.data(), &nx, t.y.data(), &nx, t.p.data() + many - np, &np);
        }
        const double area = cubichermitianintegration(t.x.data(), &nx, t.y.data(), &nx, &a, &b);
        const double length = cubichermitianarclength(t.x.data(), &nx, t.y.data(), &nx, &a, &b);
        EXPECT_TRUE(std::isfinite(area) && std::isfinite(length));
        // Larger tables may use the heap (and this count sees it).
        if (n <= 128) EXPECT_EQ(heap_allocations() - before, 0) << "n = " << n;
        else EXPECT_GT(heap_allocations() - before, 0) << "n = " << n;
    }
}

TEST(TableInterp, StackAndHeapWorkArraysGiveTheSameBits) {
    // A table and the same table extended by three points to the right have the same node
    // derivatives up to node n - 1, so they agree bit for bit on the first n - 2 intervals while
    // their work arrays lie on either side of the stack limit.
    for (int n : {125, 126, 127, 128, 129, 130}) {
        const Table t(n, static_cast<unsigned>(n));
        Vec xl = t.x, yl = t.y;
        for (int k = 1; k <= 3; ++k) {
            xl.push_back(t.x[n - 1] + k);
            yl.push_back(std::cos(k));
        }
        const Vec p(t.p.begin(), t.p.end() - 1);
        EXPECT_EQ(call(cubichermitianinterpolation, t.x, t.y, p), call(cubichermitianinterpolation, xl, yl, p)) << n;
        EXPECT_EQ(call(linearinterpolation, t.x, t.y, p), call(linearinterpolation, xl, yl, p)) << n;
        const double a = t.x[0], b = t.x[n - 2], c = 0.5 * (t.x[3] + t.x[4]);
        EXPECT_EQ(integrate(t.x, t.y, a, b), integrate(xl, yl, a, b)) << n;
        EXPECT_EQ(integrate(t.x, t.y, b, c), integrate(xl, yl, b, c)) << n;
        // The arc length reads the node derivatives, which reach one node beyond the interval.
        const double b3 = t.x[n - 3];
        EXPECT_EQ(arclength(t.x, t.y, c, b3), arclength(xl, yl, c, b3)) << n;
    }
}

TEST(TableInterpDeath, LinearRefusesUnsortedAbscissas) {
    const std::string want =
        " \nINTERP_LINEAR - Fatal error!\n"
        "  Independent variable array T_DATA is not strictly increasing.\n";
    EXPECT_EQ(child_output([] { call(linearinterpolation, {0, 2, 1}, {1, 2, 3}, {1}); }, 1), want);
    EXPECT_EQ(child_output([] { call(linearinterpolation, {0, 0}, {1, 2}, {}); }, 1), want);
    EXPECT_EQ(child_output([] { call(linearinterpolation, {0, NAN, 2}, {1, 2, 3}, {1}); }, 1), want);
}

std::string slatec_report(const std::string& routine, const std::string& msg, int nerr) {
    char row[128];
    std::snprintf(row, sizeof row, " SLATEC     %-8s   %-20.20s%10d         1         1\n",
                  routine.c_str(), msg.c_str(), nerr);
    return " ***MESSAGE FROM ROUTINE " + routine +
           " IN LIBRARY SLATEC.\n"
           " ***POTENTIALLY RECOVERABLE ERROR, PROG ABORTED, TRACEBACK REQUESTED\n *  " +
           msg + "\n *  ERROR NUMBER = " + std::to_string(nerr) +
           "\n *   \n ***END OF MESSAGE\n \n ***JOB ABORT DUE TO UNRECOVERED ERROR.\n"
           "0          ERROR MESSAGE SUMMARY\n"
           " LIBRARY    SUBROUTINE MESSAGE START             NERR     LEVEL     COUNT\n" +
           row + " \n";
}

TEST(TableInterpDeath, CubicRefusesUnusableTables) {
    const std::string unsorted = slatec_report("DPCHIM", "X-ARRAY NOT STRICTLY INCREASING", -3);
    EXPECT_EQ(child_output([] { call(cubichermitianinterpolation, {0, 0}, {1, 2}, {0.5}); }, 1), unsorted);
    EXPECT_EQ(child_output([] { integrate({0, 1, 1}, {1, 2, 3}, 0, 1); }, 1), unsorted);
    EXPECT_EQ(child_output([] { arclength({0, 1, 1}, {1, 2, 3}, 0, 1); }, 1), unsorted);
    EXPECT_EQ(child_output([] { call(cubichermitianinterpolation, {1}, {2}, {0.5}); }, 1),
              slatec_report("DPCHIM", "NUMBER OF DATA POINTS LESS THAN TWO", -1));
    EXPECT_EQ(child_output([] { call(cubichermitianinterpolation, {0, 1}, {1, 2}, {}); }, 1),
              slatec_report("DPCHFE", "NUMBER OF EVALUATION POINTS LESS THAN ONE", -4));
}

}  // namespace
