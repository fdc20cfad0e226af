// Laminate routines through their C entry points: absent optional arguments (null pointers,
// which Python never passes), extents and indices no Python array can describe, and stacks
// longer than the fixed scratch sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "mechanics/laminate.h"

namespace {

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

const double cfrp[9] = {181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9};

struct Layup {
    std::vector<double> e, ang, t;
    int n;
    explicit Layup(std::vector<double> angles, double th = 0.125e-3)
        : ang(std::move(angles)), n(static_cast<int>(ang.size())) {
        for (int k = 0; k < n; ++k) e.insert(e.end(), cfrp, cfrp + 9);
        t.assign(n, th);
    }
};

}  // namespace

TEST(Laminate, AbsentOptionalArgumentsTakeTheirDefaults) {
    clear_errors();
    const double t[3] = {1.0, 2.0, 3.0};
    const int two = 2, three = 3, one = 1;
    const double off = 0.0;
    EXPECT_EQ(GetPlyZCoord(t, &two, &three, &one, nullptr), GetPlyZCoord(t, &two, &three, &one, &off));
    const int sl[3] = {1, 1, tvk::defint}, nsec = 1;
    double z[7], zd[7];
    GetSectionZCoord(z, sl, t, &three, &nsec, nullptr);
    const int marker = tvk::defint;
    GetSectionZCoord(zd, sl, t, &three, &nsec, &marker);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(z[i], zd[i]);
    EXPECT_EQ(z[4], 1.5);
    EXPECT_EQ(z[5], 0.0);

    const Layup l({0, 45, -45});
    const double se[6] = {1e-3, -2e-3, 5e-4, 1.0, -2.0, 3.0};
    double a[27], b[27];
    GetSectionStrain(a, se, l.ang.data(), l.t.data(), &l.n, nullptr);
    GetSectionStrain(b, se, l.ang.data(), l.t.data(), &l.n, &off);
    for (int i = 0; i < 27; ++i) EXPECT_EQ(a[i], b[i]);

    double abd[36] = {}, eng[8], eng0[8];
    for (int i = 0; i < 6; ++i) abd[i + 6 * i] = 1.0 + i;
    abd[1] = abd[6] = 0.5;
    const tvk::logical1 no = 0;
    const double h = 2.0;
    GetEngConstsFromABDMatrix(eng, abd, &h, nullptr);  // absent: the compliance form
    GetEngConstsFromABDMatrix(eng0, abd, &h, &no);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(eng[i], eng0[i]);
    EXPECT_NE(eng[3], 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(Laminate, ExtentsAndIndicesOutsideTheArraysAreRefused) {
    clear_errors();
    const Layup l({0, 90});
    const int zero = 0, neg = -4, one = 1;
    double a[9];
    GetAMatrix(a, l.e.data(), l.ang.data(), l.t.data(), &neg);  // an empty stack
    for (double v : a) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(GetPlyZCoord(l.t.data(), &one, &zero, &one, nullptr), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
    // Section-point counts whose running sum would pass the stress table.
    const int counts[2] = {2147483647, 2147483647}, nz = 4, two = 2;
    std::vector<double> ses(6 * 4, 1.0), sbt(6 * 4, -1.0);
    GetPlyBottomTopStress(sbt.data(), ses.data(), counts, &nz, &two);
    for (double v : sbt) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    const int ints[2] = {2147483647, 2147483647};
    std::vector<double> z(5, 0.0), x(9 * 5, -1.0);
    const int nzi = 5, nine = 9;
    GetArbitraryLaminateIntegral(x.data(), &one, l.e.data(), l.ang.data(), z.data(), ints, &nzi,
                                 &two, &nine, nullptr);
    for (double v : x) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    // An empty flag text compares unequal to every letter.
    const int stack[2] = {1, 2};
    double xs[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    GetSubLaminateXMatrix(xs, "A", l.e.data(), l.ang.data(), l.t.data(), stack, &two, 0);
    for (double v : xs) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(Laminate, LongStacksKeepTheirFamilies) {
    // More plies than the decoupling angle's stack scratch holds.
    std::vector<double> angles;
    for (int k = 0; k < 200; ++k) angles.push_back(k % 3 == 0 ? 30.0 : 10.0 + k);
    const Layup l(angles);
    EXPECT_EQ(GetDecoupAngle(l.e.data(), l.ang.data(), l.t.data(), &l.n), 30.0);
}

TEST(LaminateRecovery, AbsentSectionArgumentsTakeTheirDefaults) {
    clear_errors();
    const Layup l({0, 45, -45, 90});
    const int sl[4] = {1, 1, 1, tvk::defint}, np = 4, nsec = 1, marker = tvk::defint, one = 1,
              zero = 0;
    double z[9];
    GetSectionZCoord(z, sl, l.t.data(), &np, &nsec, nullptr);
    double f[36], fd[36], g[36], gd[36], h[4], hd[4];
    GetSectionFMatrix(f, sl, l.ang.data(), l.t.data(), z, l.e.data(), &np, &nsec, nullptr);
    GetSectionFMatrix(fd, sl, l.ang.data(), l.t.data(), z, l.e.data(), &np, &nsec, &marker);
    const double curv[2] = {0.0, 0.0};
    GetArbitrarySectionFG(g, sl, l.ang.data(), l.t.data(), z, l.e.data(), &np, &nsec, &one, &one,
                          nullptr, nullptr);
    GetArbitrarySectionFG(gd, sl, l.ang.data(), l.t.data(), z, l.e.data(), &np, &nsec, &one, &one,
                          curv, &marker);
    for (int i = 0; i < 36; ++i) {
        EXPECT_EQ(f[i], fd[i]);
        EXPECT_EQ(g[i], gd[i]);
    }
    GetSectionHMatrix(h, sl, l.ang.data(), l.t.data(), l.e.data(), &np, &nsec, nullptr, nullptr);
    GetSectionHMatrix(hd, sl, l.ang.data(), l.t.data(), l.e.data(), &np, &nsec, &one, &marker);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(h[i], hd[i]);
    EXPECT_GT(h[0], 0.0);
    GetSectionHMatrix(hd, sl, l.ang.data(), l.t.data(), l.e.data(), &np, &nsec, &zero, &marker);
    EXPECT_NE(h[0], hd[0]);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(LaminateRecovery, DegenerateTablesGiveNoNaN) {
    clear_errors();
    // A ply of no thickness: its three points coincide.
    const double z[5] = {-1.0, -1.0, -1.0, 0.0, 1.0};
    double table[20];
    for (int i = 0; i < 20; ++i) table[i] = 1.0 + i;
    const int one = 1, two = 2;
    const double at = -1.0;
    double af[4];
    GetArbitrarySmallF(af, &one, &at, z, table, &two);
    EXPECT_EQ(af[0], table[0]);
    EXPECT_EQ(af[1], table[10]);  // read row by row
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    const double rd[2] = {1.0, 2.0};
    double s33[5];
    GetNormalStressFromBottom(s33, rd, rd, z, table, &two);
    for (double v : s33) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(s33[1], 0.0);
    EXPECT_EQ(s33[2], 0.0);
    // Two coincident points of a ply with thickness do not span a parabola.
    const double bad[5] = {-1.0, -1.0, 0.0, 0.5, 1.0};
    GetArbitrarySmallF(af, &one, &at, bad, table, &two);
    for (double v : af) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    // Only one and three columns per point exist.
    const Layup l({0, 90});
    const int pts[2] = {2, 2}, nz = 5, ndim = 2, nine = 9;
    const double zz[5] = {-1.0, -0.5, 0.0, 0.5, 1.0}, k0 = 0.0;
    std::vector<double> p(6 * 5, 1.0), x(6 * 5, -1.0);
    GetPartialCDwithCurvature(x.data(), p.data(), l.e.data(), l.ang.data(), zz, pts, &k0, &k0,
                              &ndim, &nz, &two, &nine, &one);
    for (double v : x) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
}
