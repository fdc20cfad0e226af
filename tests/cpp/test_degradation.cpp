// Stiffness degradation: the rule tables against their published rows, factors that never rise as
// flags are added, the degradation matrix positions, the damaged ply stress against a hand-built
// stiffness, the ply and isotropic discounts (one-way values, their viscous forms), the
// accumulated damage, and the fatigue laws (law 1 against the inverse used by law 2, cycle-jump
// estimate, one-way and NaN-free state).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>

#include "core/linalg.h"
#include "core/modeldata.h"
#include "core/trace.h"
#include "error_record.h"
#include "failure/gradual_degradation.h"
#include "failure/ply_discount.h"
#include "failure/stiffness_factors.h"
#include "mechanics/lamina.h"

namespace {

using tvktest::clear_errors;
using tvktest::errtext;
using F9 = std::array<double, 9>;
constexpr double az = 1e-20;

F9 falcom(std::array<double, 10> dds, int rule, bool tape, double rdisc = 1.0, const double* fa = nullptr) {
    F9 d;
    const int tp = tape;
    FalcomDegradation(d.data(), dds.data(), &rdisc, &rule, &tp, fa);
    return d;
}

F9 all(double v) {
    F9 d;
    d.fill(v);
    return d;
}

std::array<double, 10> flags(std::initializer_list<int> slots) {
    std::array<double, 10> f{};
    for (int s : slots) f[s - 1] = 1.0;
    return f;
}

TEST(FalcomDegradation, RuleTableRows) {
    const F9 ones = all(1.0);
    // No flag set: intact, even with rdisc 0 (buckling applies only with its flag).
    EXPECT_EQ(falcom({}, 5, true, 0.0), ones);
    // Only exactly 1.0 counts.
    EXPECT_EQ(falcom({0.999, 2.0, 0.999, 0, 0, 0, 2.0, 0.5, 0, 0}, 0, true), ones);
    EXPECT_EQ(falcom(flags({1}), 5, true), (F9{0.5, 0.5, 1, az, 1, az, 0.5, 1, 1}));
    EXPECT_EQ(falcom(flags({3}), 5, true), (F9{1, az, az, az, az, 1, 1, az, 1}));
    EXPECT_EQ(falcom(flags({5}), 5, true), (F9{1, 1, 1, 1, az, az, 1, 1, 1}));
    EXPECT_EQ(falcom(flags({1, 2}), 5, false), (F9{0.5, 0.5, 0.5, az, az, az, 0.5, 0.5, 1}));
    EXPECT_EQ(falcom(flags({7}), 3, true), (F9{az, az, az, az, az, az, az, az, 0.015}));
    EXPECT_EQ(falcom(flags({6, 3}), 2, true), (F9{1, 0.5, 0.5, 0.5, 0.5, 0.5, 1, 0.5, 1}));
    EXPECT_EQ(falcom(flags({6, 3, 1}), 2, true)[0], 0.3);
    EXPECT_EQ(falcom(flags({5, 3}), 2, true), ones);  // rules 1 and 2 read the upper interface only
    const double fa[4] = {0.7, 0.6, 0.4, 0.2};
    EXPECT_EQ(falcom(flags({6, 4}), 2, false, 1.0, fa), (F9{1, 0.4, 1, 0.4, 0.2, 0.2, 0.4, 0.4, 1}));
    EXPECT_EQ(falcom(flags({2}), 4, false), (F9{1, 0.1, 0.5, 0.1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(falcom(flags({7}), 4, true), ones);  // rule 4 has no core row
    EXPECT_EQ(falcom(flags({10}), 0, true), all(az));
    // Buckling scales the factors of every rule by rdisc.
    EXPECT_EQ(falcom(flags({8}), 0, true, 0.5), all(0.5 * az));
    EXPECT_EQ(falcom(flags({8}), 0, true, 0.0), all(0.0));
    EXPECT_EQ(falcom(flags({8}), 0, true, 3.0), all(az));
    EXPECT_EQ(falcom(flags({8, 1}), 4, true, 0.25)[0], 0.125);
}

TEST(FalcomDegradation, GeneralRule) {
    EXPECT_EQ(falcom(flags({1}), -1, true), (F9{0.5, az, az, az, az, az, az, az, az}));
    EXPECT_EQ(falcom(flags({1}), 6, false), (F9{0.5, az, 1, az, az, az, az, az, az}));
    EXPECT_EQ(falcom(flags({1, 2}), 6, false), (F9{0.5, az, 0.5, az, az, az, az, az, az}));
    EXPECT_EQ(falcom(flags({1, 2}), 6, false, 2.0), all(az));
    EXPECT_EQ(falcom(flags({3, 4, 5}), 9, false), all(1.0));
    EXPECT_EQ(falcom(flags({6}), 9, true), (F9{1, 1, 1, 1, az, az, 1, 1, 1}));
    EXPECT_EQ(falcom(flags({7}), 9, true), (F9{az, az, az, az, az, az, az, az, 0.015}));
    EXPECT_EQ(falcom(flags({10}), 9, false), (F9{1, az, az, az, az, az, az, az, az}));
}

// Whatever the rule, a ply with more damage flags set is never stiffer in any entry.
TEST(FalcomDegradation, AddingAFlagNeverRaisesAFactor) {
    std::mt19937 rng(15);
    for (int trial = 0; trial < 4000; ++trial) {
        const int rule = static_cast<int>(rng() % 8) - 1;
        const bool tape = rng() % 2;
        const double rdisc = std::array<double, 4>{0.0, 0.3, 1.0, 2.0}[rng() % 4];
        std::array<double, 10> a{};
        for (auto& f : a) f = (rng() % 3 == 0) ? 1.0 : 0.0;
        auto b = a;
        b[rng() % 10] = 1.0;
        const F9 da = falcom(a, rule, tape, rdisc), db = falcom(b, rule, tape, rdisc);
        for (int k = 0; k < 9; ++k)
            ASSERT_LE(db[k], da[k]) << "rule " << rule << " tape " << tape << " entry " << k + 1;
    }
}

std::vector<double> nye_matrix(const F9& f, int n, const int* psflag = nullptr) {
    std::vector<double> m(n > 0 ? n * n : 1, -7.0);
    GetNyeDegradationMatrix(m.data(), f.data(), &n, psflag);
    return m;
}

TEST(GetNyeDegradationMatrix, FactorPositions) {
    const F9 f{0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
    const auto m = nye_matrix(f, 6);
    const double expect[6][6] = {{0.1, 0.2, 0.7, 1, 1, 1}, {0.2, 0.3, 0.8, 1, 1, 1}, {0.7, 0.8, 0.9, 1, 1, 1},
                                 {1, 1, 1, 0.4, 1, 1},     {1, 1, 1, 1, 0.5, 1},     {1, 1, 1, 1, 1, 0.6}};
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) EXPECT_EQ(m[i + 6 * j], expect[i][j]) << i << "," << j;
    const int plane = 0;
    const auto p = nye_matrix(f, 4, &plane);
    const std::vector<double> p4{0.1, 0.2, 1, 1, 0.2, 0.3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.4};
    EXPECT_EQ(p, p4);
    const auto m4 = nye_matrix(f, 4);
    EXPECT_EQ(m4[2 + 8], 0.9);
    EXPECT_EQ(m4[15], 0.4);
    EXPECT_EQ(nye_matrix(f, 3), (std::vector<double>{0.1, 0.2, 1, 0.2, 0.3, 1, 1, 1, 0.4}));
}

TEST(GetNyeDegradationMatrix, UnsupportedDimensions) {
    clear_errors();
    EXPECT_EQ(nye_matrix(all(0.5), 5), std::vector<double>(25, 1.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(errtext(), "Unsupported dimension in GetNyeDegradationMatrix");
    clear_errors();
    // Regression: a non-positive dimension writes nothing and voids the result.
    EXPECT_EQ(nye_matrix(all(0.5), 0), std::vector<double>{-7.0});
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
}

// The damaged road of a ply: nine constants -> Nye stiffness -> factors from the damage flags of
// the ply state -> degraded stiffness (Hadamard product) -> stress of a strain.
TEST(DamagedPly, StressAgainstHandComputation) {
    const double e1 = 140e3, e2 = 9.5e3, e3 = 9.0e3, nu12 = 0.3, nu13 = 0.28, nu23 = 0.45;
    const double g12 = 5.2e3, g13 = 5.0e3, g23 = 3.3e3;
    const double constants[9] = {e1, e2, e3, g12, g13, g23, nu12, nu13, nu23};
    double props[9], c[36], dmat[36], cd[36];
    const int nine = 9, six = 6, ndi = 3;
    GetNyeProperties(props, constants, &nine);
    GetNyeStiffnessMatrix(c, props, &six, nullptr);
    // Ply state: fibre failed, matrix intact, no delamination, core or buckling.
    const double sdv8 = 1.0, sdv9 = 0.0, sdv10 = 0.0, sdv11 = 0.0, sdv12 = 0.0;
    const double dds[10] = {sdv8, 0, sdv9, 0, sdv10, 0, sdv11, sdv12, 0, 0};
    double f[9];
    const double rdisc = 1.0;
    const int rule = 5, tape = 1;
    FalcomDegradation(f, dds, &rdisc, &rule, &tape, nullptr);
    GetNyeDegradationMatrix(dmat, f, &six, nullptr);
    HadamardProduct(c, dmat, cd, &six, &six);
    const double eps[6] = {2e-3, -1e-3, 5e-4, 3e-3, -2e-3, 1e-3}, zero[6] = {};
    double s[6];
    const tvk::logical1 secant = 1, tensor = 0;
    GetStressVector(s, cd, eps, zero, &ndi, &six, &secant, &tensor);

    // Hand computation: the normal block is the inverse of the compliance block (Cramer's rule).
    const double a11 = 1 / e1, a22 = 1 / e2, a33 = 1 / e3, a12 = -nu12 / e1, a13 = -nu13 / e1, a23 = -nu23 / e2;
    const double det = a11 * (a22 * a33 - a23 * a23) - a12 * (a12 * a33 - a23 * a13) + a13 * (a12 * a23 - a22 * a13);
    const double c11 = (a22 * a33 - a23 * a23) / det, c22 = (a11 * a33 - a13 * a13) / det;
    const double c33 = (a11 * a22 - a12 * a12) / det, c12 = (a13 * a23 - a12 * a33) / det;
    const double c13 = (a12 * a23 - a13 * a22) / det, c23 = (a12 * a13 - a11 * a23) / det;
    // Fibre failure of a tape under rule 5: C11, C12, C13 halved, G12 and G23 gone.
    const double expect[6] = {0.5 * c11 * eps[0] + 0.5 * c12 * eps[1] + 0.5 * c13 * eps[2],
                              0.5 * c12 * eps[0] + c22 * eps[1] + c23 * eps[2],
                              0.5 * c13 * eps[0] + c23 * eps[1] + c33 * eps[2],
                              az * g12 * eps[3], g13 * eps[4], az * g23 * eps[5]};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(s[k], expect[k], 1e-10 * c11 * 3e-3) << k;
}

// --- ply discount --------------------------------------------------------------------------------

struct Ply {
    double pe[9] = {140e3, 9.5e3, 9.5e3, 0.3, 0.3, 0.45, 5.2e3, 5.2e3, 3.3e3};
    double ps[9] = {2000, -1200, 60, 180, 80, 80, 60, 60, 50};
    double degpe[9], degps[9], de[6], df[9], g_f = 0, g_m = 0;
    Ply() {
        std::copy(pe, pe + 9, degpe);
        std::copy(ps, ps + 9, degps);
        std::fill(de, de + 6, 1.0);
        std::fill(df, df + 9, 1.0);
    }
    void sudden(double gf, double gm, double fac, const double* nm = nullptr) {
        const double ttol[2] = {1.0, 1.0};
        g_f = gf;
        g_m = gm;
        SuddenDegradation(degpe, degps, pe, ps, de, df, &g_f, &g_m, ttol, &fac, nm);
    }
};

TEST(SuddenDegradation, FibreAndMatrixFailure) {
    Ply p;
    p.sudden(1.2, 0.0, 0.1);
    EXPECT_EQ(p.g_f, 1.0);
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(p.degpe[k], 0.1 * p.pe[k]);
    for (int k = 0; k < 9; ++k) EXPECT_DOUBLE_EQ(p.degps[k], 0.1 * p.ps[k]);  // sign kept
    EXPECT_DOUBLE_EQ(p.degpe[6], 0.1 * p.pe[6]);
    EXPECT_DOUBLE_EQ(p.df[1], 0.1);

    Ply m;
    const double none[6] = {-1, -1, -1, -1, -1, -1};
    m.sudden(0.0, 1.0, 0.2, none);
    // E1, G12, G13 and the fibre strengths stay; G23 follows E2.
    EXPECT_TRUE(m.degpe[0] == m.pe[0] && m.degpe[6] == m.pe[6] && m.degpe[7] == m.pe[7] && m.degps[1] == m.ps[1]);
    EXPECT_DOUBLE_EQ(m.degpe[8], 0.2 * m.pe[8]);
    EXPECT_DOUBLE_EQ(m.degps[2], 0.2 * m.ps[2]);
    Ply q;
    const double per_component[6] = {0, 0, 0, 0, 1.5, 0};
    q.sudden(0.0, 0.0, 0.2, per_component);
    EXPECT_EQ(q.g_m, 1.0);
    EXPECT_EQ(q.g_f, 0.0);
}

TEST(SuddenDegradation, ZeroIntactValueLeavesItsRatio) {
    Ply p;
    p.pe[5] = 0.0;  // nu23 not given
    p.ps[8] = 0.0;
    p.degpe[5] = p.degps[8] = 0.0;
    p.sudden(2.0, 2.0, 0.3);
    EXPECT_EQ(p.de[5], 1.0);
    EXPECT_EQ(p.df[8], 1.0);
    EXPECT_DOUBLE_EQ(p.de[1], 0.3);
}

// Random exposures and residual factors: nothing degraded is ever raised, and flags only rise.
TEST(SuddenDegradation, ValuesMoveOneWayOnly) {
    ::testing::internal::CaptureStdout();  // the viscous form traces every call
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0.0, 1.6);
    for (int run = 0; run < 50; ++run) {
        Ply p;
        double degr_old = 1.0;
        for (int call = 0; call < 30; ++call) {
            const Ply before = p;
            const double fac = u(rng) / 1.6, ttol[2] = {1.0, 1.0}, eta = u(rng), dt = u(rng);
            p.g_f = std::max(p.g_f, u(rng));
            p.g_m = std::max(p.g_m, u(rng));
            if (run % 2)
                SuddenDegradation_viscouse(p.degpe, p.degps, p.pe, p.ps, p.de, p.df, &p.g_f, &p.g_m, ttol, &fac,
                                           nullptr, &degr_old, &eta, &dt);
            else
                SuddenDegradation(p.degpe, p.degps, p.pe, p.ps, p.de, p.df, &p.g_f, &p.g_m, ttol, &fac, nullptr);
            for (int k = 0; k < 9; ++k) {
                ASSERT_LE(p.degpe[k], before.degpe[k]);
                ASSERT_LE(std::abs(p.degps[k]), std::abs(before.degps[k]));
                ASSERT_LE(p.df[k], before.df[k]);
            }
            for (int k = 0; k < 6; ++k) ASSERT_LE(p.de[k], before.de[k]);
        }
    }
    ::testing::internal::GetCapturedStdout();
}

TEST(SuddenDegradationViscous, RegularisedFactorsAndTrace) {
    double r;
    const double dold = 0.2, dnew = 0.6, one = 1.0, zero = 0.0, minus = -1.0;
    viscouseregularisation(&dold, &dnew, &r, &one, &one);
    EXPECT_DOUBLE_EQ(r, 0.4);
    // Regression: eta + dt = 0 divided by zero; the new value is taken.
    viscouseregularisation(&dold, &dnew, &r, &zero, &zero);
    EXPECT_EQ(r, 0.6);
    viscouseregularisation(&dold, &dnew, &r, &minus, &one);
    EXPECT_EQ(r, 0.6);

    Ply p;
    double degr_old = 1.0;
    const double fac = 0.1, eta = 3.0, dt = 1.0, ttol[2] = {1.0, 1.0};
    p.g_m = 1.0;
    ::testing::internal::CaptureStdout();
    SuddenDegradation_viscouse(p.degpe, p.degps, p.pe, p.ps, p.de, p.df, &p.g_f, &p.g_m, ttol, &fac, nullptr,
                               &degr_old, &eta, &dt);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_DOUBLE_EQ(degr_old, 0.775);
    EXPECT_EQ(out, " Get regularised degradation factor\n Viskose degradation for FF " + tvk::list_real(degr_old) +
                       "\n Viskose degradation for IFF " + tvk::list_real(p.de[1]) + "\n");
    EXPECT_DOUBLE_EQ(p.degpe[1], 0.775 * p.pe[1]);
    // The matrix factor moves on from the carried ratios towards the residual factor.
    ::testing::internal::CaptureStdout();
    SuddenDegradation_viscouse(p.degpe, p.degps, p.pe, p.ps, p.de, p.df, &p.g_f, &p.g_m, ttol, &fac, nullptr,
                               &degr_old, &eta, &dt);
    ::testing::internal::GetCapturedStdout();
    EXPECT_DOUBLE_EQ(p.degpe[1], (0.1 + 3 * 0.775) / 4 * p.pe[1]);
}

// Regression: the matrix factor was written into de(2..6) on every call, so an intact ply lost
// its G23 with no failure at all.
TEST(SuddenDegradationViscous, IntactPlyKeepsItsStiffness) {
    Ply p;
    double degr_old = 1.0;
    const double fac = 0.1, eta = 1.0, dt = 1.0, ttol[2] = {1.0, 1.0};
    ::testing::internal::CaptureStdout();
    for (int call = 0; call < 5; ++call)
        SuddenDegradation_viscouse(p.degpe, p.degps, p.pe, p.ps, p.de, p.df, &p.g_f, &p.g_m, ttol, &fac,
                                   nullptr, &degr_old, &eta, &dt);
    ::testing::internal::GetCapturedStdout();
    for (int k = 0; k < 9; ++k) EXPECT_EQ(p.degpe[k], p.pe[k]);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(p.de[k], 1.0);
}

TEST(IsotropicDegradation, FailedStateOnly) {
    const double pe[3] = {3500, 0.35, 42};
    auto iso = [&](double d, double life, double degr) {
        std::array<double, 3> out{-1, -1, -1};
        IsotropicDegradation(pe, &d, &life, &degr, out.data());
        return out;
    };
    const auto failed = iso(1.0, 0.0, 0.1);
    EXPECT_DOUBLE_EQ(failed[0], 350.0);
    EXPECT_EQ(failed[1], 0.0);
    EXPECT_EQ(failed[2], -1.0);  // not written
    EXPECT_EQ(iso(1.0, 0.0, 1.0), (std::array<double, 3>{3500, 0.35, -1}));
    EXPECT_EQ(iso(0.99, 0.5, 0.1), (std::array<double, 3>{3500, 0.35, -1}));
    // Regression: life fractions beyond 1 gave a negative modulus, negative ones a stiffer resin.
    EXPECT_EQ(iso(2.0, 0.0, 0.1), iso(1.0, 0.0, 0.1));
    EXPECT_EQ(iso(0.0, 7.5, 0.1), iso(1.0, 0.0, 0.1));
    EXPECT_EQ(iso(-3.0, -1.0, 0.1), iso(0.0, 0.0, 0.1));

    double degr_old = 1.0, out[3];
    const double d = 1.0, life = 0.0, degr = 0.2, eta = 1.0, dt = 1.0;
    IsotropicDegradation_viscouse(pe, &d, &life, &degr, out, &degr_old, &eta, &dt);
    EXPECT_DOUBLE_EQ(degr_old, 0.6);
    EXPECT_DOUBLE_EQ(out[0], 0.6 * 3500);
    EXPECT_EQ(out[1], 0.0);
    const double up = 0.9;  // a residual factor above the carried one does not heal the resin
    IsotropicDegradation_viscouse(pe, &d, &life, &up, out, &degr_old, &eta, &dt);
    EXPECT_DOUBLE_EQ(degr_old, 0.6);
}

TEST(AccumulatedDamage, LogarithmicMeanOverPlies) {
    auto acc = [](std::vector<double> degr, double nodmg, int nd, int np) {
        return getaccumulateddamage(degr.data(), &nodmg, &nd, &np);
    };
    EXPECT_EQ(acc(std::vector<double>(6, 0.0), 0.0, 3, 2), 0.0);
    EXPECT_DOUBLE_EQ(acc(std::vector<double>(6, 1.0), 0.0, 3, 2), 1.0);
    // Residuals 0.1 and 1e-4 in ply 1, intact ply 2: (1 + 4)/20 over two entries, then the mean.
    EXPECT_NEAR(acc({0.1, 1e-4, 1, 1}, 1.0, 2, 2), (5.0 / 20 / 2) / 2, 1e-15);
    EXPECT_NEAR(acc({0.05, 0.5}, 0.5, 2, 1), (1.0 / 20 + 0.0) / 2, 1e-15);
    clear_errors();
    EXPECT_EQ(acc({0.5}, 0.0, 0, 1), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
}

// --- fatigue gradual degradation -------------------------------------------------------------------

struct Fatigue {
    double speak_t = 0.5, sbottom_t = 0.05, speak_c = 0.0, sbottom_c = 0.0, xct = 1.6;
    double a = 1.0, b = -0.1, u = 1.2, v = 0.8, nm = 0.0, n = 0.0, cjimp = 1000.0;
    double alpha_t = 2.0, alpha_c = 3.0, beta_t = 1.5, beta_c = 2.5, gamma = 4.0, lambda = 3.5;
    double de = 1.0, df_t = 1.0, df_c = 1.0, degr_fac = 0.01, lim = 0.02, cjump_nf = -1.0;
    int shear = 0, noel = 1;
    void run(int law) {
        GradualDegradation(&speak_t, &sbottom_t, &speak_c, &sbottom_c, &xct, &a, &b, &u, &v, &nm, &n, &cjimp,
                           &alpha_t, &alpha_c, &beta_t, &beta_c, &gamma, &lambda, &de, &df_t, &df_c, &degr_fac,
                           &law, &shear, &noel, &cjump_nf, &lim);
    }
    // Cycles to failure of the current cycle, from the life fraction that law 1 adds for one block.
    double nf() const {
        Fatigue probe = *this;
        probe.nm = 0.0;
        probe.run(1);
        return cjimp / probe.nm;
    }
};

TEST(GradualDegradation, UnknownLawChangesNothing) {
    clear_errors();
    Fatigue f;
    f.speak_c = 0.0;
    f.run(3);
    EXPECT_TRUE(f.speak_c == 0.0 && f.cjump_nf == -1.0 && f.nm == 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(std::string(tvk::errorhandling.errstring, 80),
              "Error: Default case in subroutine GradualDegradation. Please check your input pa");
    clear_errors();
}

TEST(GradualDegradation, MasterCurveAndZeroRatios) {
    Fatigue f;
    const double nf = f.nf();
    // f = sa / ((1 - q)^u (c + q)^v) = a NF^b with sa = 0.225, q = 0.275.
    const double expect = std::pow(0.225 / (std::pow(0.725, 1.2) * std::pow(1.875, 0.8)), -10.0);
    EXPECT_NEAR(nf, expect, 1e-9 * expect);
    f.run(1);
    EXPECT_TRUE(f.speak_c == 1e-8 && f.sbottom_c == 1e-8);
    // Above the cap a 10^b the curve is clipped at 10 cycles.
    Fatigue hi;
    hi.speak_t = 0.99;
    hi.sbottom_t = -0.9;
    hi.speak_c = -0.9;
    hi.u = 3.0;
    hi.v = 0.0;
    EXPECT_NEAR(hi.nf(), 10.0, 1e-9);
}

// Law 2 restarts each block from the equivalent cycles of the current strength: from the strength
// law 1 reached after one block, it must land where law 1 lands after two.
TEST(GradualDegradation, EquivalentCyclesInvertTheResidualStrength) {
    for (int shear = 0; shear < 2; ++shear)
        for (double bottom : {0.05, -0.3}) {
            Fatigue one;
            one.sbottom_t = bottom;
            one.speak_c = bottom;
            one.shear = shear;
            one.run(1);
            Fatigue two = one;
            two.run(1);
            Fatigue eq = one;
            eq.n = 2 * eq.cjimp;
            eq.run(2);
            EXPECT_NEAR(eq.nm, two.nm, 1e-10 * two.nm);
            EXPECT_NEAR(eq.df_t, two.df_t, 1e-10);
            EXPECT_LT(eq.df_t, one.df_t);
            EXPECT_NEAR(eq.de, two.de, 1e-10);
            if (!shear) {
                EXPECT_LT(eq.df_c, 1.0);
            }
        }
}

TEST(GradualDegradation, Law2StatesAndCycleJump) {
    Fatigue first;
    const double nf = first.nf();
    first.n = first.cjimp;  // first block: no equivalent cycles yet
    first.run(2);
    EXPECT_NEAR(first.nm, first.cjimp / nf, 1e-12 * first.nm);
    // The jump lowers the strength law by lim: evaluate law 1 after the jump.
    Fatigue after;
    after.cjimp = first.cjimp + first.cjump_nf;
    after.run(1);
    EXPECT_NEAR(after.df_t, first.df_t - first.lim, 1e-9);

    Fatigue failed;
    failed.df_c = failed.degr_fac;
    failed.n = 5000;
    failed.run(2);
    EXPECT_TRUE(failed.nm == 1.0 && failed.cjump_nf == tvk::huge && failed.df_t == 1.0);

    Fatigue endurance;
    endurance.speak_t = 0.011;
    endurance.sbottom_t = 0.01;
    endurance.n = 5000;
    endurance.run(2);
    EXPECT_TRUE(endurance.cjump_nf >= 1e20 && endurance.df_t == 1.0 && endurance.nm == 0.0);
}

// Regression: a residual strength below the stress level, or a stress level of 1, made the
// inverse of the strength law NaN.
TEST(GradualDegradation, StrengthBelowStressLevelIsTheFailedState) {
    Fatigue f;
    f.df_t = 0.3;  // below smax_t = 0.5
    f.n = 10 * f.cjimp;
    f.run(2);
    EXPECT_EQ(f.nm, 1.0);
    EXPECT_EQ(f.df_t, f.degr_fac);
    EXPECT_FALSE(std::isnan(f.cjump_nf));
    Fatigue s1;
    s1.speak_t = 1.0;
    s1.sbottom_t = 0.1;
    s1.n = 3 * s1.cjimp;
    s1.run(2);
    EXPECT_EQ(s1.nm, 1.0);
    EXPECT_FALSE(std::isnan(s1.cjump_nf));
}

// Random stress cycles and blocks: residual factors never rise, nothing carried becomes NaN, and
// a value already below the failed level stays there (law 1 too).
TEST(GradualDegradation, ResidualFactorsMoveOneWayOnly) {
    std::mt19937 rng(108);
    std::uniform_real_distribution<double> r(-0.95, 0.95);
    for (int run = 0; run < 300; ++run) {
        Fatigue f;
        f.shear = run % 3 == 0;
        for (int block = 1; block <= 20; ++block) {
            f.speak_t = r(rng);
            f.sbottom_t = r(rng);
            f.speak_c = -std::abs(r(rng));
            f.sbottom_c = -std::abs(r(rng));
            f.n = block * f.cjimp;
            const Fatigue before = f;
            f.run(1 + run % 2);
            ASSERT_LE(f.de, before.de);
            ASSERT_LE(f.df_t, before.df_t);
            ASSERT_LE(f.df_c, before.df_c);
            ASSERT_FALSE(std::isnan(f.de) || std::isnan(f.df_t) || std::isnan(f.df_c) || std::isnan(f.cjump_nf));
            if (run % 2) {
                ASSERT_GE(f.cjump_nf, 0.0);
            }
        }
    }
    // Regression: a block that reaches NF set the strength to the failed level even when it was
    // already lower.
    Fatigue low;
    low.df_t = low.degr_fac / 2;
    low.speak_t = 0.99;
    low.sbottom_t = 0.9;
    low.cjimp = 1e6;
    low.run(1);
    EXPECT_EQ(low.df_t, low.degr_fac / 2);
}

TEST(GradualDegradation, TraceOnlyForTheTracedElement) {
    Fatigue f;
    f.n = 2000;
    tvk::debugdata.edebug = 7;
    ::testing::internal::CaptureStdout();
    f.run(2);
    const std::string quiet = ::testing::internal::GetCapturedStdout();
    f.noel = 7;
    ::testing::internal::CaptureStdout();
    f.run(2);
    const std::string out = ::testing::internal::GetCapturedStdout();
    tvk::debugdata.edebug = 0;
    EXPECT_EQ(quiet, "");
    EXPECT_EQ(out.rfind(" New Implementation for stiffness degradation\n", 0), 0u);
    for (const char* label : {" DmgFlag ", " isShear F\n", " T-T or T-dominated\n", " dF nach cjump_nf",
                              " Updated results in GradualDegradation\n", " new dF_c"})
        EXPECT_NE(out.find(label), std::string::npos) << label;
}

}  // namespace
