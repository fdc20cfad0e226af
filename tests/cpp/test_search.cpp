// Array search, ordering, set and logical helpers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/errors.h"
#include "core/search.h"
#include "error_record.h"

namespace {

using IV = std::vector<int>;
using V = std::vector<double>;
const double nan_ = std::numeric_limits<double>::quiet_NaN();

TEST(Search, EqualityRulesAndBounds) {
    const IV a{3, 5, 5};
    int n = 3, v = 5, zero = 0;
    EXPECT_EQ(iFindLocation(&v, a.data(), &n, nullptr), 2);
    EXPECT_EQ(iFindLocation(&v, a.data(), &zero, nullptr), -1);
    const V r{1, nan_};
    double x = nan_;
    n = 2;
    EXPECT_EQ(fFindLocation(&x, r.data(), &n, nullptr), -1);  // NaN equals nothing
    EXPECT_EQ(fExList(&x, r.data(), &n), 0);
    const std::vector<tvk::cplx> c{{1, 2}, {1, 3}};
    tvk::cplx z{1, 3};
    EXPECT_EQ(cFindLocation(&z, c.data(), &n, nullptr), 2);  // both parts must agree

    const V arr{1, 2, 3, 2, 3}, tail{2, 3, 4};
    int ns = 3, na = 5;
    EXPECT_EQ(fFindSubArray(tail.data(), arr.data(), &ns, &na, nullptr), -1);  // no read past the end
    ns = 6;
    EXPECT_EQ(fFindSubArray(arr.data(), arr.data(), &ns, &na, nullptr), -1);
    ns = 0;
    EXPECT_EQ(fFindSubArray(tail.data(), arr.data(), &ns, &na, nullptr), 1);
    EXPECT_EQ(iExList(&v, nullptr, &zero), 1);
    EXPECT_EQ(iInList(&v, nullptr, &zero), 0);
}

TEST(Merge, UnionKeepsCommonValuesOnceAndZeroLast) {
    IV m(4);
    const IV x{0, 1}, y{1, 2};
    int two = 2;
    iGetMerged(m.data(), x.data(), y.data(), &two, &two, nullptr);
    EXPECT_EQ(m, (IV{1, 2, 0, INT_MAX}));
    V r(4);
    const V rx{2.5, 1.0}, ry{1.0, -3.0};
    fGetMerged(r.data(), rx.data(), ry.data(), &two, &two, nullptr);
    EXPECT_EQ(r, (V{2.5, -3.0, 1.0, tvk::huge}));
}

TEST(Merge, NoFreeEntryLeftDropsTheValue) {
    // Regression: values that are not numbers never match, so the common-value pass found no
    // free entry and wrote before the start of the result.
    V m(2, 0.0);
    const V x{nan_}, y{nan_};
    int one = 1;
    fGetMerged(m.data(), x.data(), y.data(), &one, &one, nullptr);
    EXPECT_TRUE(std::isnan(m[0]) && std::isnan(m[1]));
    // A defval that is not a number leaves the genuine 0 no entry to return to.
    const V z{0.0};
    double dv = nan_;
    fGetMerged(m.data(), z.data(), z.data(), &one, &one, &dv);
    EXPECT_TRUE(std::isnan(m[0]) && std::isnan(m[1]));
}

TEST(Ordering, NotANumberComesLastInBothDirections) {
    const V withnan{nan_, 2, nan_, 1};
    IV iloc(4);
    int n = 4, up = 1, down = -1;
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
                ASSERT_TRUE(iloc[k] >= 1 && iloc[k] <= size);
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

TEST(Scalars, LogicalsAndIncrementThatWouldWrapIsReportedNotApplied) {
    for (tvk::logical1 p : {0, 1})
        for (tvk::logical1 q : {0, 1}) {
            EXPECT_EQ(lNAND(&p, &q), (p && q) ? 0 : 1);
            EXPECT_EQ(lNOR(&p, &q), (p || q) ? 0 : 1);
            EXPECT_EQ(lXOR(&p, &q), p != q ? 1 : 0);
        }
    // Regression: INT_MAX + 1 wrapped to INT_MIN at level 0; the value now stays, reported.
    int r = 0, one = 1;
    rsxerr(&r, &one);
    int i = INT_MAX;
    iINC(&i, nullptr);
    EXPECT_EQ(i, INT_MAX);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    rsxerr(&r, &one);
    const int down = -2;
    i = INT_MIN + 1;
    iINC(&i, &down);
    EXPECT_EQ(i, INT_MIN + 1);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    rsxerr(&r, &one);
    iINC(&i, &one);  // sums within the range: added, nothing reported
    EXPECT_EQ(i, INT_MIN + 2);
    i = INT_MAX - 1;
    iINC(&i, nullptr);
    EXPECT_EQ(i, INT_MAX);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

}  // namespace
