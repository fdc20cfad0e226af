// Self-checks and quick checks of the cubic Hermite package run as tests: every check passes
// on the package's own routines in both precisions, writes its report through the unit table,
// and catches a faulty routine handed to it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>

#include "child_output.h"
#include "core/units.h"
#include "pchip/checks.h"
#include "pchip/utilities.h"
#include "pchip/xermsg.h"

namespace {

using namespace tvk::pchip;
using tvk::test::child_output;

// Runs fn with a report unit connected to a fresh file and returns what was written there.
std::string report(const std::function<void(int)>& fn) {
    char path[] = "/tmp/tvk_report_XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    const int unit = tvk::io::free_unit(20, 120);
    EXPECT_EQ(tvk::io::open_append(unit, path, false), tvk::io::ok);
    fn(unit);
    tvk::io::close_unit(unit);
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    unlink(path);
    return ss.str();
}

// Clears the error handler's message table without a summary (the error-exit check leaves its
// ten messages recorded), so that later reports are tabulated as in a fresh process.
void clear_messages() {
    const int units = j4save(5, 0, true);
    int count = 0;
    xersve(" ", " ", " ", 0, 0, 0, count);
    j4save(5, units, true);
}

using Quick = int (*)(int, int, const Routines<double>&);
using QuickF = int (*)(int, int, const Routines<float>&);
const Quick quick[5] = {quick_check1<double>, quick_check2<double>, quick_check3<double>,
                        quick_check4<double>, quick_check5<double>};
const QuickF quickf[5] = {quick_check1<float>, quick_check2<float>, quick_check3<float>,
                          quick_check4<float>, quick_check5<float>};

TEST(QuickChecks, AllPassSilentlyAtLevelsZeroAndOne) {
    for (int kprint : {-1, 0, 1}) {
        const std::string out = report([&](int lun) {
            for (int k = 0; k < 5; ++k) {
                EXPECT_EQ(quick[k](lun, kprint, {}), 1) << "double " << k + 1 << " level " << kprint;
                EXPECT_EQ(quickf[k](lun, kprint, {}), 1) << "single " << k + 1 << " level " << kprint;
            }
        });
        EXPECT_EQ(out, "");
    }
    // Nothing on standard output either (the error handler is silenced at these levels), and
    // the error handler's control flag is back at its initial value.
    EXPECT_EQ(child_output(
                  [] {
                      int ipass = 0, lun = 6, kprint = 0;
                      dpchq1(&lun, &kprint, &ipass);
                      if (ipass != 1 || xgetf() != 2) std::_Exit(3);
                      pchqk1(&lun, &kprint, &ipass);
                      if (ipass != 1 || xgetf() != 2) std::_Exit(3);
                  },
                  0),
              "");
    clear_messages();
}

TEST(QuickChecks, FullReportsOfBothPrecisions) {
    for (int level : {2, 3, 4}) {
        const std::string out = report([&](int lun) {
            for (int k = 0; k < 5; ++k) {
                EXPECT_EQ(quick[k](lun, level, {}), 1) << k + 1;
                EXPECT_EQ(quickf[k](lun, level, {}), 1) << k + 1;
            }
        });
        for (const char* what : {"EVALUATION", "INTEGRATION", "INTERPOLATION", "MONOTONICITY", "CONVERSION"}) {
            EXPECT_NE(out.find(std::string("\n ------------ DPCHIP PASSED  ALL ") + what + " TESTS ------------\n"),
                      std::string::npos) << what;
            EXPECT_NE(out.find(std::string("\n ------------  PCHIP PASSED  ALL ") + what + " TESTS ------------\n"),
                      std::string::npos) << what;
        }
        EXPECT_EQ(out.find("FAILED"), std::string::npos);
        EXPECT_EQ(out.find("***"), std::string::npos);
        EXPECT_EQ(out.find("**BAD"), std::string::npos);
        if (level >= 3) {
            // Exponent letters: D in the double reports, E in the twins'.
            EXPECT_NE(out.find("\n           X         F         D\n         -4.000  -288.000   192.000\n"), std::string::npos);
            EXPECT_TRUE(std::regex_search(out, std::regex("\n  -3\\.0   3\\.0    0 +[-0-9.]+D[-+][0-9]{2} +[-0-9.]+D[-+][0-9]{2} +[-0-9.]+D[-+][0-9]{2}\n")));
            EXPECT_TRUE(std::regex_search(out, std::regex("\n  -3\\.0   3\\.0    0 +[-0-9.]+E[-+][0-9]{2} +[-0-9.]+E[-+][0-9]{2} +[-0-9.]+E[-+][0-9]{2}\n")));
            // The single twin's maximum-error record indents by 17 and 31.
            EXPECT_TRUE(std::regex_search(out, std::regex("\n {19}MAXIMUM ERROR IN FUNCTION = +[0-9.]+E[-+][0-9]{2} \\(AT +[-0-9.]+\\),\n {31}IN DERIVATIVE")));
            EXPECT_TRUE(std::regex_search(out, std::regex("\n {21}MAXIMUM ERROR IN FUNCTION = +[0-9.]+D[-+][0-9]{2} \\(AT +[-0-9.]+\\),\n {33}IN DERIVATIVE")));
            EXPECT_NE(out.find("\n    INCFD = 2:  IERR =  0\n               ISMON =  1  2  2  1  2  2  1  2\n"), std::string::npos);
            EXPECT_NE(out.find("\n    INCFD = 3:  IERR =  0\n               ISMON = -1 -1 -1 -1 -1 -1\n"), std::string::npos);
            EXPECT_NE(out.find("\n     Bug test:  IERR =  0\n               ISMON = -1 -3 -1  1  3  1  2\n"), std::string::npos);
            EXPECT_NE(out.find("\n     DPCHIM TEST:\n               EXPECT  IERR =    1\n     OK.\n"), std::string::npos);
            EXPECT_NE(out.find("\n     PCHSP TEST:\n"), std::string::npos);
            EXPECT_NE(out.find("\n       ALL  PCHSP RESULTS OK.\n"), std::string::npos);
        }
        if (level == 4) {
            EXPECT_NE(out.find("\n   XE          F        FE         DIFF             D        DE         DIFF\n"), std::string::npos);
        }
    }
    clear_messages();
}

TEST(QuickChecks, ExactRecordsOfTheIntegratorReport) {
    const std::string out = report([](int lun) { EXPECT_EQ(quick_check2<double>(lun, 2, {}), 1); });
    EXPECT_TRUE(std::regex_match(out, std::regex("\n\n          DPCHQ2 RESULTS\n          --------------\n\n"
                                                 "  MAXIMUM RELATIVE ERROR IS: +[0-9]\\.[0-9]{5}D[-+][0-9]{2},   TOLERANCE:    2\\.22045D-14\n\n"
                                                 " ------------ DPCHIP PASSED  ALL INTEGRATION TESTS ------------\n")))
        << out;
}

// A routine table with one faulty member.
template <class R>
Routines<R> with(auto set) {
    Routines<R> r;
    set(r);
    return r;
}

TEST(QuickChecks, FaultsAreCaughtAndCountedByCheck) {
    // One wrong error code in the ten error exits: the check's count is 1, the evaluator quick
    // check's sum 4.
    const Routines<double> wrong_code = with<double>([](Routines<double>& r) {
        r.chfdv = [](double x1, double x2, double f1, double f2, double d1, double d2, int ne,
                     const double* xe, double* fe, double* de, int* next, int& ierr) {
            chfdv<double>(x1, x2, f1, f2, d1, d2, ne, xe, fe, de, next, ierr);
            if (ierr == -2) ierr = -1;
        };
    });
    const Routines<double> bad_values = with<double>([](Routines<double>& r) {
        r.pchfe = [](int n, const double* x, const double* f, const double* d, int incfd,
                     bool& skip, int ne, const double* xe, double* fe, int& ierr) {
            pchfe<double>(n, x, f, d, incfd, skip, ne, xe, fe, ierr);
            if (ne > 1) fe[ne / 2] = std::nextafter(fe[ne / 2], 1e300);
        };
    });
    std::string out = report([&](int lun) { EXPECT_TRUE(error_exit_check<double>(lun, 2, wrong_code)); });
    EXPECT_NE(out.find("\n\n ***** TROUBLE IN DEVERK *****\n\n         1 TESTS FAILED TO GIVE EXPECTED RESULTS.\n"), std::string::npos) << out;
    out = report([&](int lun) { EXPECT_EQ(quick_check1<double>(lun, 2, wrong_code), 0); });
    EXPECT_NE(out.find("\n *** TROUBLE ***    4 EVALUATION TESTS FAILED.\n\n ************ DPCHIP FAILED SOME EVALUATION TESTS ************\n"), std::string::npos) << out;
    // The value evaluator one unit off at one point: only the piecewise check fails (2).
    out = report([&](int lun) { EXPECT_EQ(quick_check1<double>(lun, 2, bad_values), 0); });
    EXPECT_NE(out.find("TROUBLE ***    2 EVALUATION"), std::string::npos);
    EXPECT_NE(out.find("  MAXIMUM DIFFERENCE BETWEEN DPCHFE AND DPCHFD ="), std::string::npos);
    // All three checks fail: 7; at level 1 only the failed banner.
    Routines<double> all = bad_values;
    all.chfdv = wrong_code.chfdv;
    all.chfev = [](double x1, double x2, double f1, double f2, double d1, double d2, int ne,
                   const double* xe, double* fe, int* next, int& ierr) {
        chfev<double>(x1, x2, f1, f2, d1, d2, ne, xe, fe, next, ierr);
        if (ne > 2) fe[0] += 1e-9;
    };
    out = report([&](int lun) { EXPECT_EQ(quick_check1<double>(lun, 2, all), 0); });
    EXPECT_NE(out.find("TROUBLE ***    7 EVALUATION"), std::string::npos);
    EXPECT_NE(out.find("\n ***** DCHFEV DID NOT AGREE WITH DCHFDV:\n       MAXIMUM DIFFERENCE "), std::string::npos);
    out = report([&](int lun) { EXPECT_EQ(quick_check1<double>(lun, 1, all), 0); });
    EXPECT_EQ(out, "\n ************ DPCHIP FAILED SOME EVALUATION TESTS ************\n");
    EXPECT_EQ(xgetf(), 2);

    // One-segment counts: (3, 7) instead of (4, 6) still passes, a sum of 9 does not.
    auto shifted = [](int add0, int add1) {
        Routines<float> r;
        static int a0, a1;
        a0 = add0;
        a1 = add1;
        r.chfdv = [](float x1, float x2, float f1, float f2, float d1, float d2, int ne,
                     const float* xe, float* fe, float* de, int* next, int& ierr) {
            chfdv<float>(x1, x2, f1, f2, d1, d2, ne, xe, fe, de, next, ierr);
            next[0] += a0;
            next[1] += a1;
        };
        r.chfev = [](float x1, float x2, float f1, float f2, float d1, float d2, int ne,
                     const float* xe, float* fe, int* next, int& ierr) {
            chfev<float>(x1, x2, f1, f2, d1, d2, ne, xe, fe, next, ierr);
            next[0] += a0;
            next[1] += a1;
        };
        return r;
    };
    std::vector<float> w(4000);
    out = report([&](int lun) {
        EXPECT_FALSE(segment_check<float>(lun, 2, 1000, w.data(), &w[1000], &w[2000], &w[3000], shifted(-1, 1)));
    });
    out = report([&](int lun) {
        EXPECT_TRUE(segment_check<float>(lun, 2, 1000, w.data(), &w[1000], &w[2000], &w[3000], shifted(-1, 0)));
    });
    EXPECT_NE(out.find("\n ***** REPORTED NEXT =    3    6   RATHER THAN    4    6\n"), std::string::npos) << out;
    clear_messages();
}

TEST(QuickChecks, InterpolatorAndConverterFaults) {
    // A tiny nonzero where an exact zero is expected.
    const Routines<double> not_zero = with<double>([](Routines<double>& r) {
        r.pchim = [](int n, const double* x, const double* f, double* d, int incfd, int& ierr) {
            pchim<double>(n, x, f, d, incfd, ierr);
            d[0] = 1e-300;
        };
    });
    std::string out = report([&](int lun) { EXPECT_EQ(quick_check3<double>(lun, 3, not_zero), 0); });
    EXPECT_NE(out.find("**BADZ"), std::string::npos);
    EXPECT_NE(out.find("\n    **    1 DPCHIM RESULTS FAILED TO BE EXACTLY ZERO.\n"), std::string::npos) << out;
    // The second constrained call changing a point other than 5 and 6 by one unit.
    const Routines<double> moved = with<double>([](Routines<double>& r) {
        r.pchic = [](const int* ic, const double* vc, double sw, int n, const double* x,
                     const double* f, double* d, int incfd, double* wk, int nwk, int& ierr) {
            pchic<double>(ic, vc, sw, n, x, f, d, incfd, wk, nwk, ierr);
            if (sw != 0.0) d[2] = std::nextafter(d[2], 1e300);
        };
    });
    out = report([&](int lun) { EXPECT_EQ(quick_check3<double>(lun, 2, moved), 0); });
    EXPECT_NE(out.find("\n    **    1 DPCHIC RESULTS FAILED TO AGREE WITH PREVIOUS CALL.\n"), std::string::npos) << out;
    // A converter that changes the caller's knots with knotyp -1, values unchanged.
    const Routines<double> knots = with<double>([](Routines<double>& r) {
        r.pchbs = [](int n, const double* x, const double* f, const double* d, int incfd, int knotyp,
                     int& nknots, double* t, double* bcoef, int& ndim, int& kord, int& ierr) {
            pchbs<double>(n, x, f, d, incfd, knotyp, nknots, t, bcoef, ndim, kord, ierr);
            if (knotyp < 0) t[0] -= 0.5;  // below x(1): the values on [x(1), x(n)] do not change
        };
    });
    out = report([&](int lun) { EXPECT_EQ(quick_check5<double>(lun, 2, knots), 0); });
    EXPECT_NE(out.find("\n *** T-ARRAY MAXIMUM CHANGE =  5.00000D-01;  SHOULD NOT EXCEED TOLZ =  0.00000D+00\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("Maximum relative errors"), std::string::npos);  // the values agree
    // The monotonicity checker passes twice in one process (the sign change is local).
    out = report([&](int lun) {
        EXPECT_EQ(quick_check4<double>(lun, 2, {}), 1);
        EXPECT_EQ(quick_check4<double>(lun, 2, {}), 1);
    });
    clear_messages();
}

}  // namespace
