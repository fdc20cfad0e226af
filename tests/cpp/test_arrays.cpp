// Array construction, copy and fill helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/arrays.h"

namespace {

using V = std::vector<double>;

TEST(ArrayCopy, ExtentBelowOneLeavesTargetAlone) {
    V a{1, 2, 3}, b{7, 8, 9};
    int zero = 0, three = 3;
    fVectorCopy(a.data(), b.data(), &zero);
    MatrixCopy(a.data(), b.data(), &three, &zero);
    IniMatrixwithZeros(b.data(), &zero, &three);
    EXPECT_EQ(b, (V{7, 8, 9}));
    fVectorCopy(a.data(), b.data(), &three);
    EXPECT_EQ(b, a);
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

TEST(StandardMatrices, EyeOutsideTheMatrixAndSinglePointLinspace) {
    V a(9, 7.0);
    int k = 3, n = 3;
    GetEyeMatrix(a.data(), &k, &n);
    EXPECT_EQ(a, V(9, 0.0));
    double x = 9, lo = 3, hi = 4;
    int one = 1;
    Linspace(&x, &lo, &hi, &one, nullptr);  // the step would be 0/0
    EXPECT_EQ(x, 3.0);
}

TEST(Triangles, SymmetrizeTakesTheMirrorOfZerosOnly) {
    const V low{1, 2, 0, 0, 4, 5, 9, 0, 6};  // a(1,3) = 9 faces a(3,1) = 0
    V sym(9);
    int n = 3;
    Symmetrize(low.data(), sym.data(), &n);
    EXPECT_EQ(sym, (V{1, 2, 9, 2, 4, 5, 9, 5, 6}));
    V inplace = low;
    Symmetrize(inplace.data(), inplace.data(), &n);
    EXPECT_EQ(inplace, sym);
}

TEST(Triangles, UnpackLayoutsAndShortInput) {
    const V packed{1, 2, 3};
    V lu(4);
    int nlu = 2, np = 3;
    // (upper, order) -> column-major result: U = [[1,2],[0,3]] or its transpose.
    const V U{1, 0, 2, 3}, L{1, 2, 0, 3};
    for (int up : {0, 1})
        for (const char* order : {"F", "C"}) {
            GetUnpackedTriangle(lu.data(), packed.data(), &nlu, &np, order, &up, 1);
            EXPECT_EQ(lu, (up == (order[0] == 'F')) ? U : L) << up << order;
        }
    np = 2;  // one value short: the rest stays 0
    int up = 1;
    GetUnpackedTriangle(lu.data(), packed.data(), &nlu, &np, "F", &up, 1);
    EXPECT_EQ(lu, (V{1, 0, 2, 0}));
}

TEST(Triangles, OffDiagonalsStopWhenValuesRunOut) {
    const V x{1, 2, 3, 4, 5, 6};
    V a(9, 0.0);
    int n = 3, k = 6;
    FillMatrixOffDiagonals(a.data(), x.data(), &n, &k);
    EXPECT_EQ(a, (V{0, 1, 2, 4, 0, 3, 5, 6, 0}));
    V b(9, 0.0);
    k = 2;
    FillMatrixOffDiagonals(b.data(), x.data(), &n, &k);
    EXPECT_EQ(b, (V{0, 1, 2, 0, 0, 0, 0, 0, 0}));
    k = 4;  // more than one triangle, fewer than two: the upper pass stops after one value
    FillMatrixOffDiagonals(b.data(), x.data(), &n, &k);
    EXPECT_EQ(b, (V{0, 1, 2, 4, 0, 3, 0, 0, 0}));
}

TEST(Concatenation, BlockThatDoesNotFitLeavesZeros) {
    const V a{1, 2, 3, 4}, b{5, 6};  // a 2 x 2, b 1 x 2
    int ct = 1, k = 2, l = 2, m = 1, n = 2;
    V ab(6, 9.0);
    MatrixConcatenation(a.data(), b.data(), ab.data(), &ct, &k, &l, &m, &n);
    EXPECT_EQ(ab, (V{1, 2, 5, 3, 4, 6}));
    // Regression: b taller than a side by side was written past the end of ab.
    ct = 0, k = 1, l = 1, m = 2, n = 1;
    V ab2(2, 9.0);
    MatrixConcatenation(a.data(), b.data(), ab2.data(), &ct, &k, &l, &m, &n);
    EXPECT_EQ(ab2, (V{0, 0}));
}

TEST(Splitting, UnevenAndZeroSplitCounts) {
    const V a{1, 2, 3, 4, 5, 6, 7};
    V b(6, 0.0);
    int k = 3, n = 7;
    VectorSplit(a.data(), b.data(), &k, &n);  // 7 / 3: not a multiple, all -1
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
    EXPECT_EQ(s, (V{1, 2, 10, 20, 3, 4, 30, 40}));  // b(:, column, block)
}

TEST(Windows, OversizedWindowAndFlips) {
    const V a{1, 2, 3, 4};
    V sub(5, 0.0);
    int slice[2] = {0, 0}, na = 4, ns = 5;
    GetSubArray(sub.data(), slice, a.data(), &na, &ns, nullptr);
    EXPECT_EQ(sub, V(5, 1.0));
    EXPECT_EQ(slice[0], -1);
    EXPECT_EQ(slice[1], -1);
    const V mtx{1, 2, 3, 4, 5, 6};  // 2 x 3
    V out(6);
    int r = 2, c = 3, dim = -1;
    MatrixFlip(mtx.data(), out.data(), &r, &c, &dim);
    EXPECT_EQ(out, (V{5, 6, 3, 4, 1, 2}));
    dim = 0;
    MatrixFlip(mtx.data(), out.data(), &r, &c, &dim);
    EXPECT_EQ(out, (V{2, 1, 4, 3, 6, 5}));
}

TEST(PackedList, NotANumberPassesOnlyDiffers) {
    const V list{std::numeric_limits<double>::quiet_NaN(), 2};
    V p(3);
    double cond = 2, pad = -1;
    int cflag = 3, np = 3, nl = 2;
    GetPackedList(p.data(), list.data(), &cond, &pad, &cflag, &np, &nl);
    EXPECT_EQ(p, (V{2, -1, -1}));
    cflag = 6;
    GetPackedList(p.data(), list.data(), &cond, &pad, &cflag, &np, &nl);
    EXPECT_TRUE(std::isnan(p[0]));
    EXPECT_EQ(p[1], -1.0);
}

}  // namespace
