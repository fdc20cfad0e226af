// The Marc entry of the ply material called as a solver does, with counts a hostile caller may pass.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "solver/ply_adapters.h"

namespace {

// hypela_lamina with ngens and one value for every other count; d, g and s start at 7.
struct Hypela {
    int ngens, count, error_code = -5;
    std::vector<double> d, g, s, work = std::vector<double>(64, 1.0);
    std::vector<int> iwork = std::vector<int>(8, 1);
    Hypela(int n, int other) : ngens(n), count(other), d(n > 0 ? n * n : 1, 7.0), g(n > 0 ? n : 1, 7.0), s(g) {}
    void call() {
        double* w = work.data();
        const int* c = &count;
        const int one = 1;
        hypela_lamina(d.data(), g.data(), w, w, s.data(), w, w, &ngens, &one, &one, &one, &one, c, c, w, w, w, w,
                      w, w, w, w, w, w, w, c, c, c, c, c, &one, &one, &one, &one, c, &one, iwork.data(), w, "PLY", c,
                      c, c, &error_code, 3);
    }
};

}  // namespace

TEST(HypelaLamina, HostileCountsAreNeverReadNorMultiplied) {
    for (int other : {INT_MIN, -1, 0, INT_MAX}) {
        Hypela h(3, other);
        h.call();
        EXPECT_EQ(h.error_code, 0) << other;
        for (double x : h.d) EXPECT_EQ(x, 0.0);
        for (double x : h.g) EXPECT_EQ(x, 0.0);
        for (double x : h.s) EXPECT_EQ(x, 0.0);
    }
    for (int ngens : {INT_MIN, -6, 0}) {
        Hypela h(ngens, INT_MIN);
        h.call();
        EXPECT_EQ(h.error_code, 0) << ngens;
        EXPECT_EQ(h.d[0], 7.0);
        EXPECT_EQ(h.s[0], 7.0);
    }
}
