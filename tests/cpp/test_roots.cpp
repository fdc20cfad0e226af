// Root finders, golden-section search, cubic roots and polynomial fit.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "core/roots.h"

namespace {

void reset_errors() {
    int r = 0, one = 1;
    rsxerr(&r, &one);
}
std::string recorded() {
    std::string s(tvk::errorhandling.errstring, 80);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// A root function from a lambda of x, counting its calls.
struct Fn {
    std::function<double(double)> f;
    std::function<double(double)> df = [](double) { return 0.0; };
    int calls = 0;
    void operator()(double* fv, double* dfv, const double* x, const double*, const int*, const int*) {
        ++calls;
        *fv = f(*x);
        *dfv = df(*x);
    }
};

struct Result {
    double root;
    int istat;
};
Result run(decltype(&tvk::bdsafe) solver, Fn& fn, double x1, double x2, double xacc, int maxit) {
    Result r{-99.0, -99};
    const double args[1] = {0.0};
    const int na = 1, nfun = 0;
    solver(tvk::RootFunction::ref(fn), &x1, &x2, &r.root, args, &xacc, &maxit, &na, &nfun, &r.istat);
    return r;
}

class Roots : public ::testing::Test {
protected:
    void SetUp() override { reset_errors(); }
    void TearDown() override { reset_errors(); }
};

TEST_F(Roots, BrentConvergesAndReportsFailures) {
    Fn sq{[](double x) { return x * x - 2.0; }};
    Result r = run(tvk::bdsafe, sq, 0.0, 2.0, 1e-12, 100);
    EXPECT_NEAR(r.root, std::sqrt(2.0), 1e-12);
    EXPECT_EQ(r.istat, 0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    // A root at x1 is taken without a bracket check.
    Fn at1{[](double x) { return x - 3.0; }};
    r = run(tvk::bdsafe, at1, 3.0, 10.0, 1e-12, 100);
    EXPECT_EQ(r.root, 3.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    // Not bracketed: root 0, status 0, level -2 report.
    Fn pos{[](double x) { return x * x + 1.0; }};
    r = run(tvk::bdsafe, pos, -1.0, 2.0, 1e-12, 100);
    EXPECT_EQ(r.root, 0.0);
    EXPECT_EQ(r.istat, 0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(recorded(), "Error in BISECTION: Root must be bracketed.");
}

TEST_F(Roots, BrentIterationLimit) {
    // The smallest maxit without the limit report is one above the pass k on which the
    // convergence test succeeds; with maxit = k the same root comes back with status 1.
    Fn cube{[](double x) { return std::cbrt(x - 0.1) ; }};
    int passes = 0;
    for (int maxit = 1; maxit < 200; ++maxit) {
        reset_errors();
        Result r = run(tvk::bdsafe, cube, -1.0, 1.0, 1e-10, maxit);
        if (r.istat == 0) {
            passes = maxit;
            break;
        }
    }
    ASSERT_GT(passes, 2);
    reset_errors();
    Result full = run(tvk::bdsafe, cube, -1.0, 1.0, 1e-10, passes);
    reset_errors();
    Result limit = run(tvk::bdsafe, cube, -1.0, 1.0, 1e-10, passes - 1);
    EXPECT_EQ(limit.istat, 1);
    EXPECT_EQ(tvk::errorhandling.errstat, -1);
    EXPECT_EQ(recorded(), "Warning in BrentsMethod: Max iterations exceeded.");
    EXPECT_EQ(limit.root, full.root);  // the converged root, but reported as the limit

    // maxit 0 (and below): x2 with the limit report.
    for (int maxit : {0, -4}) {
        reset_errors();
        Result r = run(tvk::bdsafe, cube, -1.0, 1.0, 1e-10, maxit);
        EXPECT_EQ(r.root, 1.0);
        EXPECT_EQ(r.istat, 1);
        EXPECT_EQ(tvk::errorhandling.errstat, -1);
    }
}

TEST_F(Roots, BrentBracketOfTinyValues) {
    // f(x1) f(x2) underflows to -0: the values still have opposite signs.
    Fn tiny{[](double x) { return 1e-200 * x; }};
    Result r = run(tvk::bdsafe, tiny, -1.0, 2.0, 1e-14, 100);
    EXPECT_NEAR(r.root, 0.0, 1e-13);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(Roots, SafeguardedNewton) {
    Fn cub{[](double x) { return x * x * x - 2.0; }, [](double x) { return 3.0 * x * x; }};
    Result r = run(tvk::nrsafe, cub, 0.0, 3.0, 1e-13, 100);
    EXPECT_NEAR(r.root, std::cbrt(2.0), 1e-12);
    EXPECT_EQ(r.istat, 0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    // Not bracketed: reported, and the iteration still returns an iterate.
    Fn pos{[](double x) { return x * x + 1.0; }, [](double x) { return 2.0 * x; }};
    r = run(tvk::nrsafe, pos, 1.0, 2.0, 1e-12, 20);
    EXPECT_TRUE(std::isfinite(r.root));
    EXPECT_EQ(recorded(), "Error in BISECTION: Root must be bracketed.");

    // Limit: after the midpoint evaluation at once for maxit < 1.
    reset_errors();
    cub.calls = 0;
    r = run(tvk::nrsafe, cub, 0.0, 3.0, 1e-13, 0);
    EXPECT_EQ(r.root, 1.5);
    EXPECT_EQ(r.istat, 1);
    EXPECT_EQ(cub.calls, 3);
    EXPECT_EQ(recorded(), "Warning in subroutine RTSAFE: Max iterations exceeded.");
}

struct FixPoint {
    std::function<double(double)> g;
    int calls = 0;
    std::vector<double> seen = {};
    void operator()(double* xnew, const double* fargs, const int* na, const int*) {
        ++calls;
        seen.push_back(fargs[0]);
        EXPECT_GE(*na, 1);
        *xnew = g(fargs[0]);
    }
};
Result fixpoint(FixPoint& fp, double xs, std::vector<double> args, double xacc, int maxit) {
    Result r{xs, -99};
    const int na = static_cast<int>(args.size()), nfun = 3;
    tvk::fpsafe(tvk::FixPointFunction::ref(fp), &r.root, args.data(), &xacc, &maxit, &na, &nfun, &r.istat);
    return r;
}

TEST_F(Roots, FixedPointIteration) {
    FixPoint cosine{[](double x) { return std::cos(x); }};
    Result r = fixpoint(cosine, 1.0, {123.0, 5.0}, 1e-12, 200);
    EXPECT_NEAR(r.root, 0.7390851332151607, 1e-11);
    EXPECT_EQ(r.istat, 0);
    EXPECT_EQ(cosine.seen.front(), 1.0);  // fargs(1) is the iterate, not args(1)

    // maxit 0: at most two calls, then the limit report.
    FixPoint slow{[](double x) { return 0.5 * x + 1.0; }};
    r = fixpoint(slow, 0.0, {9.0}, 1e-12, 0);
    EXPECT_EQ(slow.calls, 2);
    EXPECT_EQ(r.istat, 1);
    EXPECT_EQ(r.root, 1.5);
    EXPECT_EQ(recorded(), "Warning in FixPointIteration:Max iterations exceeded.");

    // Converged by the first step: status 0 even with maxit 0.
    reset_errors();
    FixPoint fixed{[](double) { return 2.0; }};
    r = fixpoint(fixed, 2.0, {0.0}, 1e-12, 0);
    EXPECT_EQ(r.istat, 0);
    EXPECT_EQ(fixed.calls, 1);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(Roots, FixedPointWithoutArgumentsRegression) {
    // With no arguments the call-back still receives the iterate in fargs(1).
    FixPoint half{[](double x) { return 0.5 * x; }};
    Result r = fixpoint(half, 8.0, {}, 1e-9, 100);
    EXPECT_NEAR(r.root, 0.0, 1e-8);
    EXPECT_EQ(half.seen.front(), 8.0);
}

// Regression: a NaN from the call-back used to end Brent's method with a "converged" root near
// the bracket end and an empty record, and the fixed-point iteration with NaN and status 0.
TEST_F(Roots, NonFiniteInputNeverLooksConverged) {
    const double nan = std::nan(""), inf = INFINITY;
    auto expect_refused = [](Result r, const std::string& message) {
        EXPECT_TRUE(std::isnan(r.root)) << message;
        EXPECT_EQ(r.istat, 1) << message;
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << message;
        EXPECT_EQ(recorded(), message);
        reset_errors();
    };
    using Solver = decltype(&tvk::bdsafe);
    for (auto [solver, name] : {std::pair<Solver, const char*>{tvk::bdsafe, "BrentsMethod"},
                                std::pair<Solver, const char*>{tvk::nrsafe, "RTSAFE"}}) {
        const std::string value = std::string("Error in ") + name + ": function value is not finite.";
        const std::string bound = std::string("Error in ") + name + ": bound or tolerance is not finite.";
        // NaN everywhere; NaN (or an infinity) only inside the bracket, met during the iteration.
        Fn all_nan{[=](double) { return nan; }};
        expect_refused(run(solver, all_nan, 0.0, 2.0, 1e-12, 100), value);
        Fn hole{[=](double x) { return std::fabs(x - 1.3) < 0.5 ? nan : x - 1.3; }, [](double) { return 1.0; }};
        expect_refused(run(solver, hole, 0.0, 2.0, 1e-12, 100), value);
        Fn pole{[=](double x) { return x > 0.5 && x < 1.5 ? -inf : x - 1.0; }, [](double) { return 1.0; }};
        expect_refused(run(solver, pole, 0.0, 2.0, 1e-12, 100), value);
        // Bounds and tolerance: refused before any call.
        Fn line{[](double x) { return x - 1.0; }, [](double) { return 1.0; }};
        for (auto [x1, x2, xacc] : {std::tuple{nan, 2.0, 1e-12}, std::tuple{0.0, inf, 1e-12},
                                    std::tuple{-inf, 2.0, 1e-12}, std::tuple{0.0, 2.0, nan}})
            expect_refused(run(solver, line, x1, x2, xacc, 100), bound);
        EXPECT_EQ(line.calls, 0);
    }
    // An infinite derivative would make a zero Newton step that passes for convergence.
    Fn steep{[](double x) { return x - 0.7; }, [=](double) { return inf; }};
    expect_refused(run(tvk::nrsafe, steep, 0.0, 2.0, 1e-12, 100), "Error in RTSAFE: function value is not finite.");

    // Fixed point: a NaN iterate at the first or a later step, a NaN start, a NaN tolerance
    // (with which every difference compares as converged).
    FixPoint first{[=](double) { return nan; }};
    expect_refused(fixpoint(first, 1.0, {0.0}, 1e-12, 100), "Error in FixPointIteration: function value is not finite.");
    FixPoint later{[=](double x) { return x > 0.9 ? x - 0.05 : inf; }};
    expect_refused(fixpoint(later, 1.0, {0.0}, 1e-12, 100), "Error in FixPointIteration: function value is not finite.");
    FixPoint cosine{[](double x) { return std::cos(x); }};
    expect_refused(fixpoint(cosine, nan, {0.0}, 1e-12, 100), "Error in FixPointIteration: start value or tolerance is not finite.");
    expect_refused(fixpoint(cosine, 1.0, {0.0}, nan, 100), "Error in FixPointIteration: start value or tolerance is not finite.");
    EXPECT_EQ(cosine.calls, 0);
}

// Golden-section search driven as a caller does.
struct Search {
    std::vector<double> x, y;
    double xmove[4] = {}, ymove[4] = {}, lplimits[2] = {};
    int xdir = 0, increment = 0, proc = 0, calls = 0, evaluations = 0;
    tvk::logical1 isgolden = 0, update = 0, finish = 0;
    double xi = 0, yi = 0;

    void run(const std::function<double(double)>& f, double xlow, double xup, double tol_or_unused,
             int gsflag, int npoints, double scan_dx, double defaultvalue) {
        x.assign(std::max(npoints, 0), -1.0);
        y.assign(std::max(npoints, 0), -1.0);
        IniGoldenSearch(x.data(), y.data(), xmove, lplimits, &increment, &proc, &isgolden, &finish,
                        &xlow, &xup, &tol_or_unused, &gsflag, &npoints);
        while (!finish && calls < 10000) {
            ++calls;
            GSSAFE(&xi, &yi, &scan_dx, x.data(), y.data(), xmove, ymove, lplimits, &xdir, &increment,
                   &proc, &isgolden, &update, &finish, &defaultvalue, &npoints);
            if (update) {
                ++evaluations;
                yi = f(xi);
            }
            ASSERT_TRUE(update || finish);
        }
    }
};

TEST_F(Roots, GoldenSectionFindsTheMaximum) {
    Search s;
    s.run([](double v) { return -(v - 0.3) * (v - 0.3); }, 0.0, 1.0, 1e-3, 1, 100, 0.0, -1.0);
    EXPECT_TRUE(s.finish);
    EXPECT_NEAR(s.xi, 0.3, 1e-12);
    EXPECT_EQ(s.proc, 3);
    // Each step shrinks the bracket by 1/phi: 4 start points, then one point per step until
    // the width phi^-steps falls below 1e-3, then the vertex.
    const int steps = static_cast<int>(std::ceil(std::log(1e-3) / std::log(1.0 / 1.618033988749895)));
    EXPECT_EQ(s.increment, 4 + steps);
    EXPECT_EQ(s.evaluations, s.increment + 1);
    EXPECT_EQ(s.yi, s.y[s.increment - 1]);  // the last golden value, not the vertex value
    EXPECT_LT(s.lplimits[1], 1e-3);
}

TEST_F(Roots, GoldenSectionEdgeCases) {
    // Tolerance above the interval: stops at the first value, parabola through zeros.
    Search wide;
    wide.run([](double v) { return v; }, 0.0, 1.0, 5.0, 1, 100, 0.0, 42.0);
    EXPECT_EQ(wide.xi, 42.0);
    EXPECT_EQ(wide.evaluations, 2);

    // Out of points before the tolerance is met.
    Search few;
    few.run([](double v) { return std::sin(v); }, 0.0, 3.0, 1e-9, 1, 6, 0.0, 0.0);
    EXPECT_EQ(few.proc, -1);
    EXPECT_EQ(few.increment, 6);
    EXPECT_EQ(few.yi, few.y[5]);

    // Scan: the first largest value; a negative function ends at (0, 0).
    Search scan;
    scan.run([](double v) { return 1.0 - std::fabs(v - 0.4); }, 0.0, 1.0, 0.0, 0, 10, 0.1, 0.0);
    EXPECT_NEAR(scan.xi, 0.4, 1e-12);
    EXPECT_NEAR(scan.yi, 1.0, 1e-12);
    Search neg;
    neg.run([](double v) { return -1.0 - v; }, 0.0, 1.0, 0.0, 2, 10, 0.25, 0.0);
    EXPECT_EQ(neg.xi, 0.0);
    EXPECT_EQ(neg.yi, 0.0);
    EXPECT_EQ(neg.evaluations, 5);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(Roots, ScanWithoutProgressRegression) {
    // A scan step that does not advance would never pass the upper limit: refused, finished.
    for (double dx : {0.0, -0.1, std::nan(""), 1e-30}) {
        reset_errors();
        Search s;
        s.run([](double v) { return 2.0 + v; }, 1.0, 2.0, 0.0, 0, 10, dx, 0.0);
        EXPECT_TRUE(s.finish) << dx;
        EXPECT_LT(s.calls, 5) << dx;
        EXPECT_EQ(s.xi, 1.0);
        EXPECT_EQ(s.yi, 3.0);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(recorded(), "Error in GSSAFE: scan step does not advance.");
    }
}

TEST_F(Roots, GoldenSectionTooFewPointsRegression) {
    // Fewer than four points: refused before anything is written beyond them.
    Search s;
    s.run([](double v) { return v; }, 0.0, 1.0, 1e-3, 1, 3, 0.0, 0.0);
    EXPECT_TRUE(s.finish);
    EXPECT_EQ(s.calls, 0);
    EXPECT_EQ(s.x, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);

    // A state whose increment lies outside the record is refused too.
    reset_errors();
    Search t;
    t.run([](double v) { return v; }, 0.0, 1.0, 1e-3, 1, 8, 0.0, 0.0);
    t.increment = 9;
    t.finish = 0;
    int np = 8;
    double dx = 0.0, dv = 0.0;
    GSSAFE(&t.xi, &t.yi, &dx, t.x.data(), t.y.data(), t.xmove, t.ymove, t.lplimits, &t.xdir,
           &t.increment, &t.proc, &t.isgolden, &t.update, &t.finish, &dv, &np);
    EXPECT_TRUE(t.finish);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
}

TEST(CubicRoots, ClosedForms) {
    auto sol = [](double a, double b, double c, double d) {
        std::vector<double> r(3);
        Solution3PE(&a, &b, &c, &d, &r[0], &r[1], &r[2]);
        return r;
    };
    auto sc = [](double p, double q) {
        std::vector<double> r(3);
        SpecialCase(&p, &q, &r[0], &r[1], &r[2]);
        return r;
    };
    const auto r123 = sol(1, -6, 11, -6);
    EXPECT_NEAR(r123[0], 1.0, 1e-12);
    EXPECT_NEAR(r123[1], 2.0, 1e-12);
    EXPECT_NEAR(r123[2], 3.0, 1e-12);
    for (double v : sol(1, 0, 0, -8)) EXPECT_NEAR(v, 2.0, 1e-14);
    EXPECT_EQ(sc(-3, 2), (std::vector<double>{-2, 1, 1}));
    EXPECT_EQ(sc(-3, -2), (std::vector<double>{-1, -1, 2}));
    EXPECT_EQ(sc(0, 0), (std::vector<double>{0, 0, 0}));
    const double m27 = -27.0, zero = 0.0;
    EXPECT_NEAR(cuberoot(&m27), -3.0, 1e-14);
    EXPECT_EQ(cuberoot(&zero), 0.0);

    // Random cubics with three real roots: recovered in ascending order.
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> u(-5, 5);
    for (int k = 0; k < 50; ++k) {
        std::vector<double> z = {u(rng), u(rng), u(rng)};
        std::sort(z.begin(), z.end());
        if (z[1] - z[0] < 0.1 || z[2] - z[1] < 0.1) continue;
        const double a = 2.0;
        const auto r = sol(a, -a * (z[0] + z[1] + z[2]), a * (z[0] * z[1] + z[0] * z[2] + z[1] * z[2]),
                           -a * z[0] * z[1] * z[2]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(r[i], z[i], 1e-9);
    }
}

TEST(PolynomialFit, RecoversAPolynomial) {
    reset_errors();
    const std::vector<double> vx = {-1, 0, 1, 2, 3.5};
    std::vector<double> vy;
    for (double v : vx) vy.push_back(1 + 2 * v + 3 * v * v);
    const int n = 5, d = 2;
    double coef[3];
    polynomialfitting(coef, vx.data(), &n, vy.data(), &n, &d);
    EXPECT_NEAR(coef[0], 1.0, 1e-10);
    EXPECT_NEAR(coef[1], 2.0, 1e-10);
    EXPECT_NEAR(coef[2], 3.0, 1e-10);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    // Too few samples for the degree: singular normal equations are reported.
    const int two = 2, d3 = 3;
    double c4[4];
    polynomialfitting(c4, vx.data(), &two, vy.data(), &two, &d3);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(recorded(), "Problem in polynom fitting function");
    reset_errors();

    // Regression: no samples at all formed a pointer into an empty work array.
    const int zero = 0;
    polynomialfitting(c4, vx.data(), &zero, vy.data(), &zero, &d3);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    reset_errors();
    const double big = 1e200;
    EXPECT_EQ(partialcurvelength(&big), 1e200);
    const double three = 0.75;
    EXPECT_DOUBLE_EQ(partialcurvelength(&three), 1.25);
}

}  // namespace
