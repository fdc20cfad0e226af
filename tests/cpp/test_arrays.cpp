// Array construction, copy and fill helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/arrays.h"

namespace {

using V = std::vector<double>;
const double nan_ = std::numeric_limits<double>::quiet_NaN();

// Column-major (i, j), 1-based.
double at(const V& a, int ld, int i, int j) { return a[(i - 1) + (j - 1) * ld]; }

TEST(ArrayCopy, ExtentBelowOneLeavesTargetAlone) {
    V a{1, 2, 3}, b{7, 8, 9};
    int n = 0, m = 3;
    fVectorCopy(a.data(), b.data(), &n);
    EXPECT_EQ(b, (V{7, 8, 9}));
    n = 1;
    m = 0;
    MatrixCopy(a.data(), b.data(), &n, &m);
    EXPECT_EQ(b, (V{7, 8, 9}));
    n = 3;
    fVectorCopy(a.data(), b.data(), &n);
    EXPECT_EQ(b, a);
    std::vector<tvk::cplx> ca{{1, 2}}, cb{{0, 0}};
    n = 1;
    cVectorCopy(ca.data(), cb.data(), &n);
    EXPECT_EQ(cb[0], tvk::cplx(1, 2));
}

TEST(ArrayFill, SectionWithStridesTouchesOnlyTheSection) {
    // Random sections of random 3-D arrays: every element of the section is set, nothing else.
    std::mt19937 rng(7);
    for (int trial = 0; trial < 50; ++trial) {
        const int e[3] = {1 + int(rng() % 5), 1 + int(rng() % 4), 1 + int(rng() % 3)};
        const int step[3] = {1 + int(rng() % 2), 1 + int(rng() % 2), 1 + int(rng() % 2)};
        const int full[3] = {e[0] * step[0], e[1] * step[1], e[2] * step[2]};
        V a(full[0] * full[1] * full[2], 0.0);
        const std::ptrdiff_t stride[3] = {step[0], std::ptrdiff_t(full[0]) * step[1],
                                          std::ptrdiff_t(full[0]) * full[1] * step[2]};
        tvk::fill_section(a.data(), 3, e, stride, 5.0);
        for (int k = 0; k < full[2]; ++k)
            for (int j = 0; j < full[1]; ++j)
                for (int i = 0; i < full[0]; ++i) {
                    const bool in = i % step[0] == 0 && j % step[1] == 0 && k % step[2] == 0;
                    EXPECT_EQ(a[i + full[0] * (j + full[1] * k)], in ? 5.0 : 0.0);
                }
    }
}

TEST(ArrayFill, WholeArraysOfEveryRank) {
    std::vector<int> a(2 * 3 * 2 * 1 * 2 * 1 * 2, 0);
    const int one = 1, two = 2, three = 3, v = 4;
    int_fill7darraywithscalar(a.data(), &two, &three, &two, &one, &two, &one, &two, &v);
    for (int x : a) EXPECT_EQ(x, 4);
    V r(6, 1.0);
    const double lam = -2.5, zero = 0;
    real_fillmatrixwithscalar(r.data(), &two, &three, &lam);
    for (double x : r) EXPECT_EQ(x, -2.5);
    const int none = 0;
    real_fillmatrixwithscalar(r.data(), &two, &none, &zero);  // an empty extent does nothing
    EXPECT_EQ(r[0], -2.5);
    Ini3DArraywithZeros(r.data(), &one, &two, &three);
    for (double x : r) EXPECT_EQ(x, 0.0);
}

TEST(StandardMatrices, EyeAndLinspace) {
    V a(9, 7.0);
    int k = -1, n = 3;
    GetEyeMatrix(a.data(), &k, &n);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(at(a, 3, i, j), (i == j + 1) ? 1.0 : 0.0);
    k = 3;
    GetEyeMatrix(a.data(), &k, &n);
    for (double x : a) EXPECT_EQ(x, 0.0);
    GetEyeMatrix(a.data(), nullptr, &n);  // k absent: identity
    EXPECT_EQ(at(a, 3, 2, 2), 1.0);

    V x(5);
    double lo = 0, hi = 1;
    int np = 5, ep = 0;
    Linspace(x.data(), &lo, &hi, &np, nullptr);
    EXPECT_EQ(x, (V{0, 0.25, 0.5, 0.75, 1}));
    Linspace(x.data(), &lo, &hi, &np, &ep);
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(x[i], 0.2 * i);
}

TEST(StandardMatrices, LinspaceSinglePointWithEndpointIsStart) {
    double x = 9, lo = 3, hi = 4;
    int n = 1;
    Linspace(&x, &lo, &hi, &n, nullptr);
    EXPECT_EQ(x, 3.0);
}

TEST(Triangles, TriangularSymmetrizeAndUnpack) {
    const V a{1, 2, 3, 4};  // [[1,3],[2,4]]
    V lu(4);
    int n = 2, up = 1;
    GetTriangularMatrix(lu.data(), a.data(), &n, nullptr);
    EXPECT_EQ(lu, (V{1, 2, 0, 4}));
    GetTriangularMatrix(lu.data(), a.data(), &n, &up);
    EXPECT_EQ(lu, (V{1, 0, 3, 4}));

    // Lower triangle mirrored; a nonzero upper entry facing a zero stays and is copied over.
    const V low{1, 2, 0, 0, 4, 5, 9, 0, 6};  // a(1,3) = 9 faces a(3,1) = 0
    V sym(9);
    n = 3;
    Symmetrize(low.data(), sym.data(), &n);
    EXPECT_EQ(sym, (V{1, 2, 9, 2, 4, 5, 9, 5, 6}));
    V inplace = low;
    Symmetrize(inplace.data(), inplace.data(), &n);
    EXPECT_EQ(inplace, sym);

    const V packed{1, 2, 3};
    int nlu = 2, np = 3;
    GetUnpackedTriangle(lu.data(), packed.data(), &nlu, &np, "F", &up, 1);
    EXPECT_EQ(lu, (V{1, 0, 2, 3}));  // rows (1,2), (0,3)
    up = 0;
    GetUnpackedTriangle(lu.data(), packed.data(), &nlu, &np, "F", &up, 1);
    EXPECT_EQ(lu, (V{1, 2, 0, 3}));  // rows (1,0), (2,3)
    GetUnpackedTriangle(lu.data(), packed.data(), &nlu, &np, "C", &up, 1);
    EXPECT_EQ(lu, (V{1, 0, 2, 3}));
}

TEST(Triangles, UnpackAndOffDiagonalsStopWhenValuesRunOut) {
    const V packed{1, 2};
    V lu(4, 7.0);
    int nlu = 2, np = 2, up = 1;
    GetUnpackedTriangle(lu.data(), packed.data(), &nlu, &np, "F", &up, 1);
    EXPECT_EQ(lu, (V{1, 0, 2, 0}));

    V a(9, 0.0);
    const V x{1, 2, 3, 4, 5, 6};
    int n = 3, k = 3;
    FillMatrixOffDiagonals(a.data(), x.data(), &n, &k);
    EXPECT_EQ(a, (V{0, 1, 2, 0, 0, 3, 0, 0, 0}));
    k = 6;
    FillMatrixOffDiagonals(a.data(), x.data(), &n, &k);
    EXPECT_EQ(a, (V{0, 1, 2, 4, 0, 3, 5, 6, 0}));
    V b(9, 0.0);
    k = 2;
    FillMatrixOffDiagonals(b.data(), x.data(), &n, &k);
    EXPECT_EQ(b, (V{0, 1, 2, 0, 0, 0, 0, 0, 0}));
    k = 4;  // more than one triangle but fewer than two: the upper pass stops after one value
    FillMatrixOffDiagonals(b.data(), x.data(), &n, &k);
    EXPECT_EQ(at(b, 3, 1, 2), 4.0);
    EXPECT_EQ(at(b, 3, 1, 3), 0.0);
}

TEST(Concatenation, SideBySideStackedAndRefused) {
    const V a{1, 2, 3, 4};  // 2 x 2
    const V b{5, 6};        // 2 x 1 or 1 x 2
    int ct = 0, k = 2, l = 2, m = 2, n = 1;
    V ab(6, 9.0);
    MatrixConcatenation(a.data(), b.data(), ab.data(), &ct, &k, &l, &m, &n);
    EXPECT_EQ(ab, (V{1, 2, 3, 4, 5, 6}));
    ct = 1, m = 1, n = 2;
    MatrixConcatenation(a.data(), b.data(), ab.data(), &ct, &k, &l, &m, &n);
    EXPECT_EQ(ab, (V{1, 2, 5, 3, 4, 6}));  // 3 x 2
    ct = 2;                                // 2 + 2*1 rows, 2 - 1*2 = 0 columns: empty
    MatrixConcatenation(a.data(), b.data(), ab.data(), &ct, &k, &l, &m, &n);
    EXPECT_EQ(ab[0], 1.0);
    // b taller than a side by side would overrun: ab stays all zero.
    ct = 0, k = 1, l = 1, m = 2, n = 1;
    V ab2(2, 9.0);
    MatrixConcatenation(a.data(), b.data(), ab2.data(), &ct, &k, &l, &m, &n);
    EXPECT_EQ(ab2, (V{0, 0}));
}

TEST(Splitting, VectorAndMatrixSplit) {
    const V a{1, 2, 3, 4, 5, 6, 7};
    V b(6, 0.0);
    int k = 3, n = 6;
    VectorSplit(a.data(), b.data(), &k, &n);
    EXPECT_EQ(b, (V{1, 2, 3, 4, 5, 6}));
    n = 7;  // 7 / 3 = 2 rows, not a multiple: all -1
    VectorSplit(a.data(), b.data(), &k, &n);
    EXPECT_EQ(b, V(6, -1.0));
    k = 0;  // regression: division by zero of the split count
    V c{4.0};
    VectorSplit(a.data(), c.data(), &k, &n);
    MatrixSplit(a.data(), c.data(), &k, &n, &n);
    EXPECT_EQ(c[0], 4.0);

    const V m2{1, 2, 3, 4, 10, 20, 30, 40};  // 4 x 2
    V s(8);
    int kk = 2, l = 4, m = 2;
    MatrixSplit(m2.data(), s.data(), &kk, &l, &m);
    // b(:, c, j): block j of column c
    EXPECT_EQ(s, (V{1, 2, 10, 20, 3, 4, 30, 40}));
}

TEST(Windows, SubArrayAndFlips) {
    const V a{1, 2, 3, 4};
    V sub(5, 0.0);
    int slice[2] = {0, 0};
    int na = 4, ns = 2, tail = 0;
    GetSubArray(sub.data(), slice, a.data(), &na, &ns, nullptr);
    EXPECT_EQ(sub[0], 3.0);
    EXPECT_EQ(sub[1], 4.0);
    EXPECT_EQ(slice[0], 3);
    EXPECT_EQ(slice[1], 4);
    GetSubArray(sub.data(), slice, a.data(), &na, &ns, &tail);
    EXPECT_EQ(sub[0], 1.0);
    EXPECT_EQ(slice[1], 2);
    ns = 5;
    GetSubArray(sub.data(), slice, a.data(), &na, &ns, nullptr);
    EXPECT_EQ(sub, V(5, 1.0));
    EXPECT_EQ(slice[0], -1);
    EXPECT_EQ(slice[1], -1);

    V f = a;
    VectorFlip(f.data(), f.data(), &na);
    EXPECT_EQ(f, (V{4, 3, 2, 1}));
    const V mtx{1, 2, 3, 4, 5, 6};  // 2 x 3
    V out(6);
    int r = 2, c = 3, dim = -1;
    MatrixFlip(mtx.data(), out.data(), &r, &c, &dim);
    EXPECT_EQ(out, (V{5, 6, 3, 4, 1, 2}));
    dim = 0;
    MatrixFlip(mtx.data(), out.data(), &r, &c, &dim);
    EXPECT_EQ(out, (V{2, 1, 4, 3, 6, 5}));
}

TEST(PackedList, ConditionsPaddingAndNaN) {
    const V list{3, 1, 4, 1, 5};
    V p(4);
    double cond = 2, pad = -1;
    int cflag = 5, np = 4, nl = 5;
    GetPackedList(p.data(), list.data(), &cond, &pad, &cflag, &np, &nl);
    EXPECT_EQ(p, (V{3, 4, 5, -1}));
    np = 2;
    GetPackedList(p.data(), list.data(), &cond, &pad, &cflag, &np, &nl);
    EXPECT_EQ(p[0], -1.0);
    EXPECT_EQ(p[1], -1.0);
    np = 4, cflag = 0;
    GetPackedList(p.data(), list.data(), &cond, &pad, &cflag, &np, &nl);
    EXPECT_EQ(p, V(4, -1.0));

    const V withnan{nan_, 2};
    nl = 2, cflag = 3;  // equality: NaN never passes
    GetPackedList(p.data(), withnan.data(), &cond, &pad, &cflag, &np, &nl);
    EXPECT_EQ(p, (V{2, -1, -1, -1}));
    cflag = 6;  // "differs": NaN passes
    GetPackedList(p.data(), withnan.data(), &cond, &pad, &cflag, &np, &nl);
    EXPECT_TRUE(std::isnan(p[0]));
    EXPECT_EQ(p[1], -1.0);
}

}  // namespace
