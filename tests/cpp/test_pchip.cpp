// Cubic Hermite routines and their error handler.
#include <gtest/gtest.h>

#include "child_output.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pchip/pchip.h"
#include "pchip/xermsg.h"

namespace {

using namespace tvk::pchip;

using tvk::test::child_output;

std::string framed(const std::string& routine, const std::string& kind, const std::string& msg,
                   const std::string& nerr, const std::string& abort, const std::string& row) {
    return " ***MESSAGE FROM ROUTINE " + routine + " IN LIBRARY SLATEC.\n ***" + kind +
           ", PROG ABORTED, TRACEBACK REQUESTED\n *  " + msg + "\n *  ERROR NUMBER = " + nerr +
           "\n *   \n ***END OF MESSAGE\n \n ***" + abort +
           "\n0          ERROR MESSAGE SUMMARY\n"
           " LIBRARY    SUBROUTINE MESSAGE START             NERR     LEVEL     COUNT\n" +
           row + "\n \n";
}

struct Table {
    std::vector<double> x, f, d;
};

Table random_table(std::mt19937& rng, int n, bool monotone) {
    std::uniform_real_distribution<double> step(0.05, 2.0), val(-3.0, 3.0);
    Table t;
    double xv = val(rng), fv = val(rng);
    for (int i = 0; i < n; ++i) {
        t.x.push_back(xv);
        t.f.push_back(fv);
        xv += step(rng);
        fv = monotone ? fv + step(rng) * (i % 3 == 0 ? 0.01 : 1.0) : val(rng);
    }
    t.d.resize(n);
    int ierr = 0;
    dpchim(n, t.x.data(), t.f.data(), t.d.data(), 1, ierr);
    return t;
}

TEST(Pchip, DerivativesOfSmallTables) {
    const double x[] = {0, 1, 2, 3};
    int ierr = -7;
    {
        const double f[] = {0, 1, 0};
        double d[3];
        dpchim(3, x, f, d, 1, ierr);
        EXPECT_EQ(d[0], 2.0);
        EXPECT_EQ(d[1], 0.0);
        EXPECT_EQ(d[2], -2.0);
        EXPECT_EQ(ierr, 1);  // one change of direction
    }
    {
        const double f[] = {0, 0, 1, 1};  // flat pieces are no change of direction
        double d[4];
        dpchim(4, x, f, d, 1, ierr);
        for (double v : d) EXPECT_EQ(v, 0.0);
        EXPECT_EQ(ierr, 0);
    }
    {
        const double f[] = {1, 4};
        double d[2];
        dpchim(2, x, f, d, 1, ierr);
        EXPECT_EQ(d[0], 3.0);
        EXPECT_EQ(d[1], 3.0);
    }
    {
        // The three-point end formula overshoots against a sign change: capped at 3 del1.
        const double xs[] = {0, 1, 1.05}, f[] = {0, 1, 0};
        double d[3];
        dpchim(3, xs, f, d, 1, ierr);
        EXPECT_EQ(d[0], 3.0);
        EXPECT_NEAR(d[2], -21.0, 1e-12);  // within 3 del2 = -60: kept
    }
    {
        // Strided values: f and d read every third entry.
        const double f[] = {0, 9, 9, 1, 9, 9, 0, 9, 9};
        double d[9] = {};
        dpchim(3, x, f, d, 3, ierr);
        EXPECT_EQ(d[0], 2.0);
        EXPECT_EQ(d[3], 0.0);
        EXPECT_EQ(d[6], -2.0);
        EXPECT_EQ(d[1], 0.0);
    }
}

TEST(Pchip, MonotoneDataGiveMonotoneInterpolant) {
    std::mt19937 rng(7);
    for (int n : {3, 4, 9, 40}) {
        for (int rep = 0; rep < 20; ++rep) {
            Table t = random_table(rng, n, true);
            for (int i = 1; i < n - 1; ++i) EXPECT_GT(t.d[i], 0.0);
            std::vector<double> xe;
            for (int i = 0; i + 1 < n; ++i)
                for (int k = 0; k < 20; ++k) xe.push_back(t.x[i] + (t.x[i + 1] - t.x[i]) * k / 20.0);
            xe.push_back(t.x.back());
            std::vector<double> fe(xe.size());
            bool skip = false;
            int ierr = -1;
            dpchfe(n, t.x.data(), t.f.data(), t.d.data(), 1, skip, static_cast<int>(xe.size()),
                   xe.data(), fe.data(), ierr);
            EXPECT_EQ(ierr, 0);
            EXPECT_TRUE(skip);
            for (std::size_t k = 1; k < fe.size(); ++k) EXPECT_GE(fe[k], fe[k - 1] - 1e-12);
        }
    }
}

// The interval walk step by step: runs evaluated whole, linear scans, back-ups.
void literal_walk(const Table& t, const std::vector<double>& xe, std::vector<double>& fe, int& ierr) {
    const int n = static_cast<int>(t.x.size()), ne = static_cast<int>(xe.size());
    auto x = [&](int i) { return t.x[i - 1]; };
    ierr = 0;
    int jfirst = 1, ir = 2;
    while (jfirst <= ne) {
        int j = jfirst;
        while (j <= ne && !(xe[j - 1] >= x(ir))) ++j;
        if (ir == n) j = ne + 1;
        if (j > jfirst) {
            int next[2], ierc = 0;
            dchfev(x(ir - 1), x(ir), t.f[ir - 2], t.f[ir - 1], t.d[ir - 2], t.d[ir - 1], j - jfirst,
                   &xe[jfirst - 1], &fe[jfirst - 1], next, ierc);
            if (ir == n) ierr += next[1];
            if (next[0] != 0) {
                if (ir == 2) {
                    ierr += next[0];
                } else {
                    int i = jfirst;
                    while (!(xe[i - 1] < x(ir - 1))) ++i;
                    j = i;
                    int k = 1;
                    while (!(xe[j - 1] < x(k))) ++k;
                    ir = std::max(1, k - 1);
                }
            }
            jfirst = j;
        }
        if (++ir > n) break;
    }
}

TEST(Pchip, EvaluationGivesTheResultsOfTheLiteralWalk) {
    // Values and ierr agree with the step-by-step walk, for points in any order (ierr then counts
    // an extrapolated point again each time the walk revisits the last interval); for ascending
    // points ierr is the number of points outside the table.
    std::mt19937 rng(19);
    for (int n : {2, 3, 4, 8, 33}) {
        for (int rep = 0; rep < 30; ++rep) {
            Table t = random_table(rng, n, false);
            std::uniform_real_distribution<double> u(t.x.front() - 1.0, t.x.back() + 1.0);
            std::vector<double> xe(1 + rep * 3);
            for (double& v : xe) v = u(rng);
            if (rep % 2) xe.insert(xe.end(), t.x.begin(), t.x.end());  // nodes: interval on their right
            const bool ascending = rep % 3 == 0;
            if (ascending) std::sort(xe.begin(), xe.end());
            std::vector<double> want(xe.size()), got(xe.size());
            int want_ierr = 0, got_ierr = 0;
            literal_walk(t, xe, want, want_ierr);
            bool skip = true;
            dpchfe(n, t.x.data(), t.f.data(), t.d.data(), 1, skip, static_cast<int>(xe.size()),
                   xe.data(), got.data(), got_ierr);
            EXPECT_EQ(got, want);
            EXPECT_EQ(got_ierr, want_ierr) << "n=" << n << " rep=" << rep;
            const long outside = std::count_if(xe.begin(), xe.end(), [&](double v) {
                return v < t.x.front() || v > t.x.back();
            });
            if (ascending) {
                EXPECT_EQ(got_ierr, outside);
            }
        }
    }
}

// Simpson's rule is exact for cubics: integrate piece by piece, split at the nodes (the
// interpolant is continuous there, so the side a node is evaluated on does not matter).
double reference_integral(const Table& t, double a, double b) {
    const double lo = std::min(a, b), hi = std::max(a, b);
    std::vector<double> cuts = {lo, hi};
    for (double v : t.x)
        if (v > lo && v < hi) cuts.push_back(v);
    std::sort(cuts.begin(), cuts.end());
    double s = 0.0;
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        const double xe[3] = {cuts[k], 0.5 * (cuts[k] + cuts[k + 1]), cuts[k + 1]};
        double fe[3];
        bool skip = true;
        int ierr = 0;
        dpchfe(static_cast<int>(t.x.size()), t.x.data(), t.f.data(), t.d.data(), 1, skip, 3, xe, fe, ierr);
        s += (xe[2] - xe[0]) / 6.0 * (fe[0] + 4.0 * fe[1] + fe[2]);
    }
    return a <= b ? s : -s;
}

TEST(Pchip, IntegralOverAnyLimits) {
    std::mt19937 rng(3);
    for (int n : {2, 3, 6, 30}) {
        for (int rep = 0; rep < 15; ++rep) {
            Table t = random_table(rng, n, rep % 2 == 0);
            std::uniform_real_distribution<double> u(t.x.front() - 1.5, t.x.back() + 1.5);
            for (int k = 0; k < 10; ++k) {
                const double a = u(rng), b = u(rng);
                int ierr = -9;
                const double v = dpchqa(n, t.x.data(), t.f.data(), t.d.data(), a, b, ierr);
                const double ref = reference_integral(t, a, b);
                EXPECT_NEAR(v, ref, 1e-10 * (1.0 + std::fabs(ref))) << "n=" << n << " a=" << a << " b=" << b;
                const int expect = (a < t.x.front() || a > t.x.back() ? 1 : 0) +
                                   (b < t.x.front() || b > t.x.back() ? 2 : 0);
                EXPECT_EQ(ierr, expect);
                EXPECT_EQ(dpchqa(n, t.x.data(), t.f.data(), t.d.data(), b, a, ierr), -v);
            }
            int ierr = 0;
            EXPECT_EQ(dpchqa(n, t.x.data(), t.f.data(), t.d.data(), 0.3, 0.3, ierr), 0.0);
        }
    }
}

TEST(PchipDeath, EveryInputErrorEndsTheProcess) {
    const double x[] = {0, 1, 2}, f[] = {0, 1, 4}, d[] = {1, 2, 3};
    auto ends_with = [](const std::string& out, const std::string& routine, const std::string& msg) {
        EXPECT_NE(out.find("MESSAGE FROM ROUTINE " + routine + " IN LIBRARY SLATEC."), std::string::npos) << out;
        EXPECT_NE(out.find(" *  " + msg + "\n"), std::string::npos) << out;
    };
    // Skipped validation still refuses a table too small to read.
    ends_with(child_output([&] { int e; bool s = true; dpchia(1, x, f, d, 1, s, 0.0, 1.0, e); }, 1),
              "DPCHIA", "NUMBER OF DATA POINTS LESS THAN TWO");
    ends_with(child_output([&] { int e; bool s = true; dpchid(3, x, f, d, 1, s, 0, 2, e); }, 1),
              "DPCHID", "IA OR IB OUT OF RANGE");
    ends_with(child_output([&] { int e, nx[2]; double fe; dchfev(1, 1, 0, 0, 0, 0, 1, x, &fe, nx, e); }, 1),
              "DCHFEV", "INTERVAL ENDPOINTS EQUAL");
    // The spline branch needs its work array.
    ends_with(child_output([&] { int e; double dd[3], wk[5]; dpchez(3, x, f, dd, true, wk, 5, e); }, 1),
              "DPCHSP", "WORK ARRAY TOO SMALL");
}

TEST(XermsgDeath, FatalLevelReport) {
    const std::string out = child_output(
        [] { xermsg("SLATEC", "DPCHFE", "ERROR RETURN FROM DCHFEV -- FATAL", -5, 2); }, 1);
    EXPECT_EQ(out, framed("DPCHFE", "FATAL ERROR", "ERROR RETURN FROM DCHFEV -- FATAL", "-5",
                          "JOB ABORT DUE TO FATAL ERROR.",
                          " SLATEC     DPCHFE     ERROR RETURN FROM DC        -5         2         1"));
}

TEST(XermsgDeath, InvalidNumberOrLevel) {
    const std::string invalid =
        " ***FATAL ERROR IN...\n *** XERMSG -- INVALID ERROR NUMBER OR LEVEL\n"
        " *** JOB ABORT DUE TO FATAL ERROR.\n";
    EXPECT_EQ(child_output([] { xermsg("SLATEC", "DPCHIM", "M", 0, 1); }, 1), invalid);
    EXPECT_EQ(child_output([] { xermsg("SLATEC", "DPCHIM", "M", -3, 3); }, 1), invalid);
    EXPECT_EQ(child_output([] { xermsg("SLATEC", "DPCHIM", "M", 100000000, 1); }, 1), invalid);
}

TEST(XermsgDeath, WarningsReturnAndCountRepeats) {
    // Level 0 prints and returns; level -1 prints only the first time.
    const std::string out = child_output(
        [] {
            xermsg("SLATEC", "R", "NOTE", 7, 0);
            xermsg("SLATEC", "R", "ONCE", 8, -1);
            xermsg("SLATEC", "R", "ONCE", 8, -1);
            int icount = 0;
            xersve("SLATEC", "R", "ONCE", 1, 8, -1, icount);
            if (icount != 3) std::_Exit(3);
        },
        0);
    const std::string note =
        " ***MESSAGE FROM ROUTINE R IN LIBRARY SLATEC.\n"
        " ***INFORMATIVE MESSAGE, PROG CONTINUES, TRACEBACK REQUESTED\n *  NOTE\n"
        " *  ERROR NUMBER = 7\n *   \n ***END OF MESSAGE\n \n";
    std::string once = note;
    once.replace(once.find("NOTE"), 4, "ONCE");
    once.replace(once.find("= 7"), 3, "= 8");
    EXPECT_EQ(out, note + once);
}

TEST(XermsgDeath, EleventhMessageOnlyCounted) {
    const std::string out = child_output(
        [] {
            int icount = -1;
            for (int k = 1; k <= 11; ++k) xersve("LIB", "SUB" + std::to_string(k), "MSG", 1, k, 1, icount);
            if (icount != 0) std::_Exit(3);
            xersve(" ", " ", " ", 0, 0, 0, icount);  // summary, then cleared
            xersve(" ", " ", " ", 0, 0, 0, icount);  // empty: prints nothing
        },
        0);
    std::string expect =
        "0          ERROR MESSAGE SUMMARY\n"
        " LIBRARY    SUBROUTINE MESSAGE START             NERR     LEVEL     COUNT\n";
    for (int k = 1; k <= 10; ++k) {
        char row[128];
        std::snprintf(row, sizeof row, " LIB        %-8s   MSG                 %10d         1         1\n",
                      ("SUB" + std::to_string(k)).c_str(), k);
        expect += row;
    }
    expect += "0OTHER ERRORS NOT INDIVIDUALLY TABULATED =          1\n \n";
    EXPECT_EQ(out, expect);
}

TEST(XermsgDeath, LinesWrapAtTheLastBlank) {
    const std::string a70(70, 'A'), a72(72, 'A'), a80(80, 'A');
    const std::string out = child_output(
        [&] {
            xerprn(" *  ", -1, a70 + " BBBB CCCC", 72);
            xerprn(" *  ", -1, a72 + " B", 72);   // blank at position 73: a full first line
            xerprn(" *  ", -1, a80, 72);          // no blank: hard cut
            xerprn("AB", 1, "ONE$$TWO$$$$THREE", 72);
            xerprn("    ", 0, "   ", 72);
        },
        0);
    EXPECT_EQ(out, " *  " + a70 + "\n *  BBBB CCCC\n *  " + a72 + "\n *  B\n *  " + a72 +
                       "\n *  AAAAAAAA\nAONE\nATWO\nATHREE\n \n");
}

TEST(XermsgDeath, MachineConstants) {
    EXPECT_EQ(i1mach(4), 6);
    EXPECT_EQ(i1mach(9), 2147483647);
    EXPECT_EQ(i1mach(14), 53);
    EXPECT_EQ(child_output([] { i1mach(17); }, 1),
              " \nI1MACH - Fatal error!\n  The input argument I is out of bounds.\n"
              "  Legal values satisfy 1 <= I <= 16.\n  I =           17\n");
    EXPECT_EQ(j4save(2, 0, false), 2);
    EXPECT_EQ(j4save(4, 0, false), 10);
    EXPECT_EQ(j4save(10, 5, true), 0);  // out of range: nothing stored
}

}  // namespace
