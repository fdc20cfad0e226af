// Constitutive laws through their C and C++ entry points: the resin plasticity law driven along a
// strain path with the stress carried from increment to increment (the Python form always starts
// from zero stress), its tangent against finite differences of the return mapping, and the
// numerical tangent of a native real law.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "core/errors.h"
#include "error_record.h"
#include "mechanics/elasticlaws.h"
#include "mechanics/hyperelasticity.h"
#include "mechanics/lamina.h"
#include "mechanics/plasticity.h"

namespace {

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

using Vec = std::array<double, 6>;
using Mat = std::array<double, 36>;

// Et, Ec, G, nut, nuc, a0, a1, alpha.
const double resin[8] = {3000.0, 3300.0, 1100.0, 0.35, 0.38, 900.0, 20.0, 0.3};

struct State {
    Vec stress{};
    double eqps = 0.0;
};

// One increment from state s (its stress and plastic strain updated), trace output swallowed.
Mat step(State& s, const Vec& stran, const Vec& dstran) {
    Mat d{};
    const int np = 8, six = 6, three = 3;
    const double temp = 300.0;
    ::testing::internal::CaptureStdout();
    getstressfromplastitcity(s.stress.data(), &s.eqps, d.data(), stran.data(), dstran.data(), resin,
                             &np, &six, &three, &np, &temp);
    ::testing::internal::GetCapturedStdout();
    return d;
}

double yield(const Vec& s) {
    const double q2 = 0.5 * ((s[0] - s[1]) * (s[0] - s[1]) + (s[1] - s[2]) * (s[1] - s[2]) +
                             (s[2] - s[0]) * (s[2] - s[0])) +
                      3.0 * (s[3] * s[3] + s[4] * s[4] + s[5] * s[5]);
    return q2 - resin[5] - resin[6] * (s[0] + s[1] + s[2]) / 3.0;
}

}  // namespace

TEST(Plasticity, TangentMatchesFiniteDifferencesAlongALoadingUnloadingReloadingPath) {
    clear_errors();
    const Vec dir = {1.0, -0.3, -0.3, 0.6, 0.0, 0.2};
    // Strain levels: elastic loading, plastic loading, unloading into the elastic range and
    // beyond zero, reloading until the material flows again.
    std::vector<double> levels;
    for (int k = 1; k <= 40; ++k) levels.push_back(0.0005 * k);
    for (int k = 1; k <= 30; ++k) levels.push_back(0.02 - 0.001 * k);
    for (int k = 1; k <= 50; ++k) levels.push_back(-0.01 + 0.0008 * k);
    State s;
    Vec stran{};
    double prev = 0.0;
    int plastic = 0, elastic = 0;
    for (double lv : levels) {
        Vec d;
        for (int k = 0; k < 6; ++k) d[k] = (lv - prev) * dir[k];
        prev = lv;
        const State start = s;
        const Vec base = stran;
        const Mat tangent = step(s, stran, d);
        const bool flowed = s.eqps > start.eqps;
        (flowed ? plastic : elastic)++;
        if (flowed) {
            EXPECT_LE(std::fabs(yield(s.stress)), 9.999999747378752e-5);
        }
        // Finite differences of the whole update from the same start state. On a plastic step
        // they give the tangent of the finite increment, which tends to the continuum tangent as
        // the increment shrinks: compare for a hundredth of the step.
        for (int k = 0; k < 6; ++k) stran[k] += d[k];
        // The law switches between its tension and compression constants where the volumetric
        // strain changes sign: no derivative there.
        const double vol = stran[0] + stran[1] + stran[2];
        if (std::fabs(vol) < 1e-5) continue;
        Vec dd = d;
        if (flowed)
            for (double& v : dd) v *= 0.01;
        const double h = 1e-6;
        State ref = start;
        const Mat small = step(ref, base, dd);
        for (int j = 0; j < 6; ++j) {
            State a = start, b = start;
            Vec dp = dd, dm = dd;
            dp[j] += h;
            dm[j] -= h;
            step(a, base, dp);
            step(b, base, dm);
            for (int i = 0; i < 6; ++i) {
                const double fd = (a.stress[i] - b.stress[i]) / (2.0 * h);
                const double tol = flowed ? 0.002 * resin[0] : 1e-6 * resin[0];
                EXPECT_NEAR(fd, small[i + 6 * j], tol) << "level " << lv << " entry " << i << "," << j;
            }
        }
        if (!flowed) {
            for (int k = 0; k < 36; ++k) EXPECT_EQ(tangent[k], small[k]);
        }
    }
    EXPECT_GT(plastic, 10);
    EXPECT_GT(elastic, 20);
}

TEST(NumericalTangent, NativeRealLawByCentralDifferences) {
    clear_errors();
    const double props[9] = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
    const int six = 6, three = 3, nprops = 9, scflag = 1, unsymm = 1;
    Mat c{};
    GetGeneralizedNyeOnAxisSC(c.data(), props, &six, &nprops, &scflag, nullptr, nullptr, &unsymm);
    int calls = 0;
    auto law = [&](double* stress, const double* strain, const double* p, const int* n,
                   const int* ndi, const int* np) {
        ++calls;
        GetStressFromOrthotropicElasticity(stress, strain, p, n, ndi, np);
    };
    const Vec x = {1e-3, -2e-3, 5e-4, 1e-3, 0.0, -3e-3}, zero{};
    Mat t{};
    const tvk::logical1 tensor = 0;
    tvk::getnumericaltangent_real(t.data(), tvk::RealStressLaw::ref(law), props, zero.data(),
                                  zero.data(), x.data(), &six, &three, &nprops, &tensor, nullptr,
                                  nullptr, nullptr);
    EXPECT_EQ(calls, 12);
    for (int k = 0; k < 36; ++k) EXPECT_NEAR(t[k], c[k], 1e-6 * c[0]);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    // A real law has no complex step: reported, and differences taken instead.
    const int method = 1;
    Mat t1{};
    tvk::getnumericaltangent_real(t1.data(), tvk::RealStressLaw::ref(law), props, zero.data(),
                                  zero.data(), x.data(), &six, &three, &nprops, &tensor, nullptr,
                                  nullptr, &method);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(t1, t);
    // The default step is relative to the largest strain entry; a zero strain takes 1e-8.
    const Vec z{};
    Mat t0{};
    tvk::getnumericaltangent_real(t0.data(), tvk::RealStressLaw::ref(law), props, zero.data(),
                                  zero.data(), z.data(), &six, &three, &nprops, &tensor, nullptr,
                                  nullptr, nullptr);
    for (int k = 0; k < 36; ++k) EXPECT_NEAR(t0[k], c[k], 1e-6 * c[0]);
}
