// The Marc entry of the ply material called as a solver does, with counts a hostile caller may pass.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
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

// The hostile-count calls: what they find wrong is printed; the exit status is 1 then, else 0.
int hostile_count_calls() {
    bool ok = true;
    auto expect = [&ok](bool holds, const char* what, int count) {
        if (holds) return;
        std::fprintf(stderr, "%s (count %d)\n", what, count);
        ok = false;
    };
    for (int other : {INT_MIN, -1, 0, INT_MAX}) {
        Hypela h(3, other);
        h.call();
        expect(h.error_code == 0, "error code not 0", other);
        for (double x : h.d) expect(x == 0.0, "d not cleared", other);
        for (double x : h.g) expect(x == 0.0, "g not cleared", other);
        for (double x : h.s) expect(x == 0.0, "s not cleared", other);
    }
    for (int ngens : {INT_MIN, -6, 0}) {
        Hypela h(ngens, INT_MIN);
        h.call();
        expect(h.error_code == 0, "error code not 0", ngens);
        expect(h.d[0] == 7.0, "d written", ngens);
        expect(h.s[0] == 7.0, "s written", ngens);
    }
    std::fflush(stderr);
    return ok ? 0 : 1;
}

}  // namespace

// The calls run in a child process: a routine that wrote through a hostile count would corrupt or
// end the process that runs it, and that must fail this test, not end the test run. A crash of
// the child fails the test as its findings do.
TEST(HypelaLamina, HostileCountsAreNeverReadNorMultiplied) {
    EXPECT_EXIT(std::_Exit(hostile_count_calls()), ::testing::ExitedWithCode(0), "");
}
