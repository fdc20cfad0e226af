// Array search, ordering, set and logical helpers; the process arrival register.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/modeldata.h"
#include "core/search.h"

namespace {

using IV = std::vector<int>;
using V = std::vector<double>;
const double nan_ = std::numeric_limits<double>::quiet_NaN();

TEST(Search, LocationAndSubArray) {
    const IV a{3, 5, 5};
    int n = 3, v = 5, zero = 0;
    EXPECT_EQ(iFindLocation(&v, a.data(), &n, nullptr), 2);
    v = 7;
    EXPECT_EQ(iFindLocation(&v, a.data(), &n, nullptr), -1);
    EXPECT_EQ(iFindLocation(&v, a.data(), &n, &zero), 0);
    v = 3;
    EXPECT_EQ(iFindLocation(&v, a.data(), &zero, nullptr), -1);

    const V r{1, nan_};
    double x = nan_;
    n = 2;
    EXPECT_EQ(fFindLocation(&x, r.data(), &n, nullptr), -1);  // NaN equals nothing
    const std::vector<tvk::cplx> c{{1, 2}, {1, 3}};
    tvk::cplx z{1, 3};
    EXPECT_EQ(cFindLocation(&z, c.data(), &n, nullptr), 2);  // both parts must agree

    const V sub{2, 3}, arr{1, 2, 3, 2, 3};
    int ns = 2, na = 5;
    EXPECT_EQ(fFindSubArray(sub.data(), arr.data(), &ns, &na, nullptr), 2);
    ns = 6;
    EXPECT_EQ(fFindSubArray(arr.data(), arr.data(), &ns, &na, nullptr), -1);
    ns = 0;
    EXPECT_EQ(fFindSubArray(sub.data(), arr.data(), &ns, &na, nullptr), 1);
    const V tail{2, 3, 4};
    ns = 3;
    EXPECT_EQ(fFindSubArray(tail.data(), arr.data(), &ns, &na, nullptr), -1);  // no read past the end
}

TEST(Search, MembershipAndPairs) {
    const IV same{4, 4}, diff{4, 5};
    int v = 4, n = 2, zero = 0;
    EXPECT_EQ(iExList(&v, same.data(), &n), 1);
    EXPECT_EQ(iExList(&v, diff.data(), &n), 0);
    EXPECT_EQ(iExList(&v, nullptr, &zero), 1);
    EXPECT_EQ(iInList(&v, nullptr, &zero), 0);
    const V withnan{nan_};
    double nx = nan_;
    int one = 1;
    EXPECT_EQ(fExList(&nx, withnan.data(), &one), 0);

    const IV a{5, 6, 7}, b{7, 5, 9};
    IV ainb(3);
    n = 3;
    iGetPairs(ainb.data(), a.data(), b.data(), &n);
    EXPECT_EQ(ainb, (IV{2, -1, 1}));

    const IV xs{5, 6, 7, 6}, sub{6};
    IV idx(4);
    int n4 = 4;
    GetIndicesExcludingSubArray(idx.data(), xs.data(), sub.data(), &n4, &one);
    EXPECT_EQ(idx, (IV{1, 3, -1, -1}));
}

TEST(Merge, UnionKeepsCommonValuesOnceAndZeroLast) {
    IV m(5);
    const IV x{1, 2, 3}, y{3, 4};
    int nx = 3, ny = 2;
    iGetMerged(m.data(), x.data(), y.data(), &nx, &ny, nullptr);
    EXPECT_EQ(m, (IV{1, 2, 4, 3, INT_MAX}));
    IV m2(4);
    const IV x2{0, 1}, y2{1, 2};
    nx = 2;
    iGetMerged(m2.data(), x2.data(), y2.data(), &nx, &ny, nullptr);
    EXPECT_EQ(m2, (IV{1, 2, 0, INT_MAX}));

    V r(4);
    const V rx{2.5, 1.0}, ry{1.0, -3.0};
    fGetMerged(r.data(), rx.data(), ry.data(), &nx, &ny, nullptr);
    EXPECT_EQ(r, (V{2.5, -3.0, 1.0, tvk::huge}));
}

TEST(Merge, NoFreeEntryLeftDropsTheValue) {
    // Regression: values that are not numbers never match, so the common-value pass found no
    // free entry and wrote before the start of the result.
    V m(2, 0.0);
    const V x{nan_}, y{nan_};
    int one = 1;
    fGetMerged(m.data(), x.data(), y.data(), &one, &one, nullptr);
    EXPECT_TRUE(std::isnan(m[0]));
    EXPECT_TRUE(std::isnan(m[1]));
    // With a defval that is not a number the genuine 0 finds no entry to return to.
    const V z{0.0};
    double dv = nan_;
    fGetMerged(m.data(), z.data(), z.data(), &one, &one, &dv);
    EXPECT_TRUE(std::isnan(m[0]));
    EXPECT_TRUE(std::isnan(m[1]));
}

TEST(Ordering, ContinuousIsStableInBothDirections) {
    const V x{3, 1, 2, 1};
    IV iloc(4);
    int n = 4, up = 1, down = -1;
    fGetContinuous(x.data(), &n, iloc.data(), &up);
    EXPECT_EQ(iloc, (IV{2, 4, 3, 1}));
    fGetContinuous(x.data(), &n, iloc.data(), &down);
    EXPECT_EQ(iloc, (IV{1, 3, 2, 4}));
    const V withnan{nan_, 2, nan_, 1};
    fGetContinuous(withnan.data(), &n, iloc.data(), &up);
    EXPECT_EQ(iloc, (IV{4, 2, 1, 3}));
    fGetContinuous(withnan.data(), &n, iloc.data(), &down);
    EXPECT_EQ(iloc, (IV{2, 4, 1, 3}));
}

TEST(Ordering, ContinuousOrdersRandomIntegersStably) {
    std::mt19937 rng(11);
    for (int size : {1, 2, 7, 50, 300}) {
        IV x(size), iloc(size);
        for (int& v : x) v = int(rng() % 10) - 5;
        for (int sflag : {1, -1}) {
            iGetContinuous(x.data(), &size, iloc.data(), &sflag);
            std::vector<bool> seen(size, false);
            for (int k = 0; k < size; ++k) {
                ASSERT_GE(iloc[k], 1);
                ASSERT_LE(iloc[k], size);
                seen[iloc[k] - 1] = true;
                if (k == 0) continue;
                const int a = x[iloc[k - 1] - 1], b = x[iloc[k] - 1];
                EXPECT_TRUE(sflag == 1 ? a <= b : a >= b);
                if (a == b) {
                    EXPECT_LT(iloc[k - 1], iloc[k]);
                }
            }
            for (bool s : seen) EXPECT_TRUE(s);
        }
    }
}

TEST(Scatter, VectorAndMatrixSortSkipBadMasks) {
    V a{0, 0, 0, 0, 0};
    const V b{10, 20, 30, 40};
    const IV mask{4, 1, 0, 6};  // the last two point outside a
    int na = 5, n = 4;
    VectorSort(a.data(), &na, b.data(), mask.data(), &n);
    EXPECT_EQ(a, (V{20, 0, 0, 10, 0}));

    V m(6, 0.0);  // 2 x 3
    const V cols{1, 2, 3, 4};
    const IV cm{3, 9};
    int ma = 2, nca = 3, rows = 2, nc = 2;
    MatrixSort(m.data(), &ma, &nca, cols.data(), cm.data(), &rows, &nc);
    EXPECT_EQ(m, (V{0, 0, 0, 0, 1, 2}));
}

TEST(Scalars, LogicalsBoundsAndIncrements) {
    for (tvk::logical1 p : {0, 1})
        for (tvk::logical1 q : {0, 1}) {
            EXPECT_EQ(lNAND(&p, &q), (p && q) ? 0 : 1);
            EXPECT_EQ(lNOR(&p, &q), (p || q) ? 0 : 1);
            EXPECT_EQ(lXOR(&p, &q), p != q ? 1 : 0);
        }
    double x = nan_, lo = 0, hi = 1;
    EXPECT_EQ(fBounded(&x, &lo, &hi), 0);
    int i = INT_MAX;
    iINC(&i, nullptr);  // wraps instead of overflowing
    EXPECT_EQ(i, INT_MIN);
    double f = 1.5;
    fINC(&f, nullptr);
    EXPECT_EQ(f, 2.5);
    tvk::cplx ca{1, 2}, cb{3, 4};
    cSwap(&ca, &cb);
    EXPECT_EQ(ca, tvk::cplx(3, 4));
}

TEST(ArrivalRegister, LockSequenceAndUnlock) {
    tvk::jobdata.processid.release();
    auto reg = [] {
        const auto& t = tvk::jobdata.processid;
        return IV(t.data(), t.data() + t.extent(1));
    };
    auto lock = [](int id, int maxid) { return ProcessLock(&id, &maxid, nullptr); };
    EXPECT_EQ(lock(2, 3), 0);
    EXPECT_EQ(reg(), (IV{1, -1, 3}));
    EXPECT_EQ(lock(1, 3), 0);
    EXPECT_EQ(lock(3, 3), 1);
    EXPECT_EQ(lock(3, 3), 0);
    EXPECT_EQ(lock(-1, 3), 0);  // the arrival marker is not an id
    EXPECT_EQ(lock(1, 4), 0);
    EXPECT_EQ(reg(), (IV{-1, 2, 3, 4}));
    int ierr = 7;
    ProcessUnLock(&ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(reg(), (IV{1, 2, 3, 4}));
    tvk::jobdata.processid.release();
    ierr = 7;
    ProcessUnLock(&ierr);  // no register: nothing to do
    EXPECT_EQ(ierr, 0);
    EXPECT_FALSE(tvk::jobdata.processid.present());
}

}  // namespace
