// A, B and D of random stacks against the lamination sums written with the general n x n
// off-axis stiffness (GetNyeOffAxisSC) and std::pow, and the reuse of the last stack's result:
// a stack that differs in any one value, or a stack longer than what is kept, is computed anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "mechanics/lamina.h"
#include "mechanics/laminate.h"

namespace {

struct Stack {
    std::vector<double> e, ang, t;
    int n;
};

Stack random_stack(std::mt19937_64& rng, int n) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Stack s{{}, {}, {}, n};
    for (int k = 0; k < n; ++k) {
        const double e1 = 20e9 + 200e9 * u(rng), e2 = 5e9 + 10e9 * u(rng);
        const double p[9] = {e1, e2, e2, 0.2 + 0.2 * u(rng), 0.25, 0.4, 3e9 + 5e9 * u(rng), 4e9, 3e9};
        s.e.insert(s.e.end(), p, p + 9);
        s.ang.push_back(-90.0 + 180.0 * u(rng));
        s.t.push_back(0.05e-3 + 0.3e-3 * u(rng));
    }
    return s;
}

// The lamination sums, each term its own: Qbar from the general off-axis routine, powers of z
// from std::pow.
void reference_abd(const Stack& s, double* a, double* b, double* d) {
    double h = 0.0;
    for (int k = 0; k < s.n; ++k) h += s.t[k];
    std::fill(a, a + 9, 0.0);
    std::fill(b, b + 9, 0.0);
    std::fill(d, d + 9, 0.0);
    double zb = -0.5 * h;
    const int three = 3, stiffness = 1;
    for (int k = 0; k < s.n; ++k) {
        const double zt = zb + s.t[k];
        double q[9];
        GetNyeOffAxisSC(q, &s.ang[k], s.e.data() + 9 * k, &three, &stiffness);
        for (int i = 0; i < 9; ++i) {
            a[i] += q[i] * (zt - zb);
            b[i] += q[i] * (std::pow(zt, 2) - std::pow(zb, 2)) / 2.0;
            d[i] += q[i] * (std::pow(zt, 3) - std::pow(zb, 3)) / 3.0;
        }
        zb = zt;
    }
}

double max_abs(const double* x) {
    double m = 0.0;
    for (int i = 0; i < 9; ++i) m = std::max(m, std::fabs(x[i]));
    return m;
}

// Largest difference relative to the largest entry of the reference.
double rel_diff(const double* x, const double* ref) {
    double m = 0.0;
    for (int i = 0; i < 9; ++i) m = std::max(m, std::fabs(x[i] - ref[i]));
    return m / max_abs(ref);
}

struct Abd {
    double a[9], b[9], d[9];
};

Abd through_entry_points(const Stack& s) {
    Abd r;
    GetAMatrix(r.a, s.e.data(), s.ang.data(), s.t.data(), &s.n);
    GetBMatrix(r.b, s.e.data(), s.ang.data(), s.t.data(), &s.n);
    GetDMatrix(r.d, s.e.data(), s.ang.data(), s.t.data(), &s.n);
    return r;
}

void expect_matches_reference(const Stack& s, double tol) {
    double a[9], b[9], d[9];
    reference_abd(s, a, b, d);
    const Abd r = through_entry_points(s);
    EXPECT_LT(rel_diff(r.a, a), tol) << s.n << " plies";
    EXPECT_LT(rel_diff(r.d, d), tol) << s.n << " plies";
    // B of a random stack is not small against the stack's own scale: compared against
    // A h / 4 (its largest possible size) so that a nearly balanced stack is judged fairly.
    double h = 0.0;
    for (int k = 0; k < s.n; ++k) h += s.t[k];
    double m = 0.0;
    for (int i = 0; i < 9; ++i) m = std::max(m, std::fabs(r.b[i] - b[i]));
    EXPECT_LT(m / (max_abs(a) * h / 4.0), tol) << s.n << " plies";
}

}  // namespace

TEST(LaminateAbd, RandomStacksAgreeWithTheGeneralRotationAndPowerSums) {
    std::mt19937_64 rng(20240611);
    for (int n : {1, 2, 3, 8, 8, 17, 64, 65, 200})
        for (int rep = 0; rep < 20; ++rep) expect_matches_reference(random_stack(rng, n), 1e-13);
}

TEST(LaminateAbd, EachPlyQbarEqualsTheGeneralOffAxisStiffness) {
    std::mt19937_64 rng(7);
    const Stack s = random_stack(rng, 200);
    const tvk::laminate::Stack v{s.e.data(), s.ang.data(), s.t.data(), s.n};
    const int three = 3, stiffness = 1;
    for (int k = 0; k < s.n; ++k) {
        double q[9], g[9];
        tvk::laminate::qbar(q, v, k);
        GetNyeOffAxisSC(g, &s.ang[k], s.e.data() + 9 * k, &three, &stiffness);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(q[i], g[i]) << "ply " << k << " entry " << i;
    }
}

// A kept result must not answer for a stack that differs in a single value.
TEST(LaminateAbd, StoredResultIsNotReusedForAStackChangedInOneValue) {
    std::mt19937_64 rng(11);
    const Stack base = random_stack(rng, 8);
    const Abd first = through_entry_points(base);
    for (int which = 0; which < 4; ++which)
        for (int k : {0, 7}) {
            Stack s = base;
            if (which == 0) s.e[9 * k + 0] *= 1.5;      // E1
            else if (which == 1) s.e[9 * k + 6] *= 2.0; // G12
            else if (which == 2) s.ang[k] += 10.0;
            else s.t[k] *= 3.0;
            double a[9], b[9], d[9];
            reference_abd(s, a, b, d);
            const Abd r = through_entry_points(s);
            EXPECT_LT(rel_diff(r.a, a), 1e-13) << which << " " << k;
            EXPECT_LT(rel_diff(r.d, d), 1e-13) << which << " " << k;
            EXPECT_GT(rel_diff(r.d, first.d), 1e-6) << which << " " << k;
        }
}

// The same values at other addresses give the stored result; a stack that drops its last ply
// (the same leading values, one ply fewer) does not.
TEST(LaminateAbd, StoredResultFollowsTheValuesNotTheAddressesOrTheLeadingPlies) {
    std::mt19937_64 rng(13);
    const Stack s = random_stack(rng, 8);
    const Abd first = through_entry_points(s);
    const Stack copy = s;
    const Abd again = through_entry_points(copy);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(first.a[i], again.a[i]);
        EXPECT_EQ(first.b[i], again.b[i]);
        EXPECT_EQ(first.d[i], again.d[i]);
    }
    Stack shorter = s;
    shorter.n = 7;
    double a[9], b[9], d[9];
    reference_abd(shorter, a, b, d);
    const Abd r = through_entry_points(shorter);
    EXPECT_LT(rel_diff(r.a, a), 1e-13);
    EXPECT_LT(rel_diff(r.d, d), 1e-13);
}

// Stacks longer than the kept size alternate with short ones without mixing their results.
TEST(LaminateAbd, LongAndShortStacksAlternateWithoutMixing) {
    std::mt19937_64 rng(17);
    const Stack small = random_stack(rng, 4), large = random_stack(rng, 100);
    for (int rep = 0; rep < 3; ++rep) {
        expect_matches_reference(small, 1e-13);
        expect_matches_reference(large, 1e-13);
    }
}
