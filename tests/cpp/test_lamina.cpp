// Ply routines through their C entry points: absent optional arguments (null pointers, which
// Python never passes), results that alias their inputs, extents no Python array can describe,
// and the Hahn-Tsai law as a fixed-point call-back.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>

#include "core/errors.h"
#include "error_record.h"
#include "mechanics/insitu_strength.h"
#include "mechanics/lamina.h"
#include "mechanics/nonlinear_properties.h"
#include "mechanics/notation.h"
#include "mechanics/transformation.h"

namespace {

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

const double cfrp[9] = {181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9};

}  // namespace

TEST(Notation, CyclicFlipForExtremeDirections) {
    const int one = 1;
    // Extreme directions reduce before they are added (no overflow); INT_MIN = -2 (mod 3).
    std::array<double, 6> v{1, 2, 3, 4, 5, 6}, a, b;
    const int dmin = INT_MIN, dminus = -2, dmax = INT_MAX;  // INT_MAX = 1 (mod 3)
    FlipVoigtCyclicNotation(a.data(), v.data(), &one, &dmin);
    FlipVoigtCyclicNotation(b.data(), v.data(), &one, &dminus);
    EXPECT_EQ(a, b);
    FlipVoigtCyclicNotation(a.data(), v.data(), &one, &dmax);
    EXPECT_EQ(a, (std::array<double, 6>{1, 2, 3, 5, 6, 4}));
}

TEST(Lamina, AbsentPsflagIsThreeDimensional) {
    const int six = 6, zero = 0, one = 1;
    double a[36], b[36], c[36];
    GetNyeStiffnessMatrix(a, cfrp, &six, nullptr);
    GetNyeStiffnessMatrix(b, cfrp, &six, &one);
    GetNyeStiffnessMatrix(c, cfrp, &six, &zero);
    for (int k = 0; k < 36; ++k) EXPECT_EQ(a[k], b[k]);
    EXPECT_GT(a[2 + 6 * 2], 0.0);
    EXPECT_EQ(c[2 + 6 * 2], 0.0);
    const int nine = 9;
    GetGeneralizedNyeOnAxisSC(b, cfrp, &six, &nine, &one, nullptr, nullptr, nullptr);
    for (int k = 0; k < 36; ++k) EXPECT_NEAR(b[k], a[k], 1e-14 * std::fabs(a[k]));
}

TEST(Lamina, PropertiesInPlaceAndUnsupportedCountUntouched) {
    double e[9] = {140e9, 10e9, 10e9, 5e9, 5e9, 3.6e9, 0.3, 0.3, 0.4};
    const int nine = 9, three = 3;
    GetNyeProperties(e, e, &nine);
    EXPECT_EQ(e[3], 0.3);
    EXPECT_EQ(e[6], 5e9);
    EXPECT_EQ(e[8], 3.6e9);
    double out[9];
    for (double& x : out) x = -1;
    clear_errors();
    GetNyeProperties(out, e, &three);
    for (double x : out) EXPECT_EQ(x, -1);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}

TEST(Lamina, StressVectorAliasesAndLongVectors) {
    const int six = 6, ndi = 3;
    double c[36];
    GetNyeStiffnessMatrix(c, cfrp, &six, nullptr);
    double e[6] = {1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4}, de[6] = {0, 0, 0, 0, 0, 0};
    double ref[6] = {0, 0, 0, 0, 0, 0};
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) ref[i] += c[i + 6 * j] * e[j];
    const tvk::logical1 yes = 1, no = 0;
    GetStressVector(e, c, e, de, &ndi, &six, &yes, &no);  // the stress overwrites the strain
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(e[i], ref[i]);
    // Eight components (beyond the fixed-size fast path): an identity stiffness doubles only the
    // shear entries of tensor strains.
    const int eight = 8, two = 2;
    double id[64] = {}, s[8] = {}, e8[8] = {1, 2, 3, 4, 5, 6, 7, 8}, d8[8] = {};
    for (int k = 0; k < 8; ++k) id[k + 8 * k] = 1.0;
    GetStressVector(s, id, e8, d8, &two, &eight, &yes, &yes);
    EXPECT_EQ(s[1], 2);
    EXPECT_EQ(s[2], 6);
    EXPECT_EQ(s[7], 16);
    double sse = 5.0;
    const int zero = 0;
    GetSpecificStrainEnergy(&sse, s, s, e8, d8, &two, &zero, &no, &no);
    EXPECT_EQ(sse, 5.0);
    GetSpecificStrainEnergy(&sse, s, s, e8, d8, &two, &zero, &yes, &no);
    EXPECT_EQ(sse, 0.0);
}

TEST(Transformation, AbsentFlagsAndRefusedSizes) {
    double sv[6], sn[6];
    const double th = 0.4, n[3] = {0, 0, 1}, s[6] = {1, 2, 3, 4, 5, 6};
    const int zero = 0, three = 3;
    GetRotatedStresses(sv, &th, n, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], nullptr);
    GetRotatedStresses(sn, &th, n, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &zero);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(sv[k], sn[k]);
    double ta[3], tb[3];
    GetTVectorFromArbitraryRotation(ta, &th, n, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], nullptr);
    GetTVectorFromArbitraryRotation(tb, &th, n, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &three);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ta[k], tb[k]);
    // A 2 x 2 result has no room for the normal block of tdim 3: only its four entries are
    // touched (zeroed), the guard beyond it stays.
    double t[5] = {7, 7, 7, 7, 7};
    const int two = 2;
    clear_errors();
    GetNyeTransformationMatrix(t, &th, &two, &zero, &zero);
    EXPECT_EQ(t[0], 0.0);
    EXPECT_EQ(t[4], 7.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    // GetGeneralizedNyeOnAxisSC with a 2 x 2 result: nothing beyond it is written.
    double sc[5] = {7, 7, 7, 7, 7};
    const int one = 1, nine = 9;
    GetGeneralizedNyeOnAxisSC(sc, cfrp, &two, &nine, &one, nullptr, nullptr, nullptr);
    EXPECT_EQ(sc[4], 7.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}

TEST(PlyLaws, AbsentDefaultArrays) {
    double a, b;
    const double l = 800, x = 350, n = 1e3, nf = 1e6, al = 1.3, be = 2.1, lg[2] = {0.25, 0.25};
    NLAdam(&a, &l, &x, &n, &nf, &al, &be, nullptr);
    NLAdam(&b, &l, &x, &n, &nf, &al, &be, lg);
    EXPECT_DOUBLE_EQ(a, b);
    const double xc11 = 1200, xc22 = 200, x12 = 80, th = 25, gp[4] = {0, 0.2, 0, 0.15};
    InSituPuckPS(&a, &xc11, &xc22, &x12, &th, nullptr);
    InSituPuckPS(&b, &xc11, &xc22, &x12, &th, gp);
    EXPECT_EQ(a, b);
    double ya[2], yb[2];
    const double xt = 50, ilss = 90, tr = 2, dt = 45, atod[4] = {1.3, 0.7, 0, 1};
    InSituChangLessard(ya, &xt, &ilss, &tr, &dt, nullptr);
    InSituChangLessard(yb, &xt, &ilss, &tr, &dt, atod);
    EXPECT_EQ(ya[0], yb[0]);
    EXPECT_EQ(ya[1], ilss);
    const double el[4] = {171e9, 9.1e9, 0.32, 5.3e9}, gxc[2] = {258, 1080}, t = 0.0007;
    InSituLaRC04(ya, el, gxc, &xt, &x12, &t, nullptr);
    EXPECT_GT(ya[0], 1.6 * xt);  // thin-ply value at the default limit
}

TEST(PlyLaws, HahnTsaiAsFixedPointCallback) {
    // The routine has the call-back form of fpsafe: iterating its ns 2 step by hand reaches the
    // stress that its ns 1 form uses.
    const double tg = 5e9, beta = 1e-26, eps = 0.014;
    double s = 60e6;
    for (int k = 0; k < 200; ++k) {
        const double args[4] = {s, eps, tg, beta};
        const int four = 4, two = 2;
        FPHahnTsai(&s, args, &four, &two);
    }
    double d1, dref;
    const double args[4] = {60e6, eps, tg, beta};
    const int four = 4, one = 1;
    FPHahnTsai(&d1, args, &four, &one);
    NLHahnTsai(&dref, &tg, &beta, &s, &eps);
    EXPECT_NEAR(d1, dref, 1e-6);
}

// The stiffness as entries: stiffness_entry() places the entries of stiffness_entries() where
// stiffness() puts them, every other entry is 0, and place_stiffness_entries() agrees, for every
// component count and the plane-stress form.
TEST(Lamina, StiffnessEntriesPlaceAsTheMatrix) {
    for (const int n : {3, 4, 5, 6})
        for (const bool plane : {false, true}) {
            double c[36], v[9], placed[36];
            tvk::lamina::stiffness(c, cfrp, n, plane);
            tvk::lamina::stiffness_entries(v, cfrp, n, plane);
            tvk::lamina::place_stiffness_entries(placed, v, n, plane || n == 3);
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    const int k = tvk::lamina::stiffness_entry(i, j, n, plane || n == 3);
                    const double want = c[i + j * n];
                    EXPECT_EQ(k < 0 ? 0.0 : v[k], want) << n << plane << " (" << i << ", " << j << ")";
                    EXPECT_EQ(placed[i + j * n], want) << n << plane << " (" << i << ", " << j << ")";
                    if (k < 0) {
                        EXPECT_FALSE(std::signbit(want));
                    }
                }
        }
}
