#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "solver/impactormotion.h"

namespace {

using tvk::gravity;

// Fresh records as an analysis start leaves them, with mass m and scheme parameter s.
struct Impactors {
    explicit Impactors(int n, double m = 0.0, double s = 0.0) {
        tvk::impactdata.cprops.allocate({20, n});
        tvk::impactdata.cprops.fill(0.0);
        for (int i = 1; i <= n; ++i) {
            e(6, i) = gravity;
            e(14, i) = i;
            e(15, i) = 1e-10;
            e(7, i) = m;
            e(8, i) = e(9, i) = e(10, i) = s;
        }
        tvk::impactor_window_reset(n);
    }
    ~Impactors() {
        tvk::impactdata.cprops.release();
        tvk::impactor_window_reset(-1);
    }
    static double& e(int k, int i = 1) { return *tvk::impactdata.cprops.at(k, i); }
    // One increment of length dt under contact force f.
    static void step(double dt, double f = 0.0) {
        tvk::impactor_increment_start();
        e(1) = f;
        tvk::impactor_impact_end(dt);
    }
};

}  // namespace

TEST(ImpactorMotion, FreeFallMatchesClosedFormInEveryScheme) {
    const double dt = 1e-3;
    const int n = 50;
    {
        Impactors imp(1, 2.0, -1.0);  // central differences
        for (int k = 1; k <= n; ++k) {
            Impactors::step(dt);
            EXPECT_NEAR(Impactors::e(19), (k - 0.5) * gravity * dt, 1e-14);
            EXPECT_EQ(Impactors::e(6), gravity);
        }
        EXPECT_NEAR(Impactors::e(4), 0.5 * gravity * std::pow(n * dt, 2), 1e-12);
        EXPECT_NEAR(Impactors::e(5), gravity * n * dt, 1e-12);
    }
    {
        Impactors imp(1, 2.0, 0.0);
        Impactors::e(8) = 0.0, Impactors::e(9) = 0.25, Impactors::e(10) = 0.5;  // average acceleration
        const double f = 5.0, a = gravity - f / 2.0;  // a constant force: exact in this scheme
        Impactors::e(6) = a;
        for (int k = 1; k <= n; ++k) Impactors::step(dt, f);
        EXPECT_NEAR(Impactors::e(4), 0.5 * a * std::pow(n * dt, 2), 1e-12);
        EXPECT_NEAR(Impactors::e(5), a * n * dt, 1e-12);
        EXPECT_EQ(Impactors::e(14), f);
        EXPECT_EQ(Impactors::e(11), f);
    }
    {
        Impactors imp(1, 2.0, -2.0);
        Impactors::e(20) = 0.5;
        for (int k = 1; k <= n; ++k) Impactors::step(dt);
        EXPECT_NEAR(Impactors::e(4), 0.5 * gravity * std::pow(n * dt, 2), 1e-12);
        EXPECT_NEAR(Impactors::e(5), gravity * n * dt, 1e-12);
    }
}

TEST(ImpactorMotion, ForceWeightingUsesLastIncrementForce) {
    Impactors imp(1, 4.0, 0.0);
    const double alpha = -0.1, beta = 0.3025, gamma = 0.6, dt = 0.01;
    Impactors::e(8) = alpha, Impactors::e(9) = beta, Impactors::e(10) = gamma;
    Impactors::e(11) = 3.0;
    Impactors::e(5) = 1.0;
    Impactors::e(1) = 8.0;
    tvk::impactor_impact_end(dt);
    const double a = gravity - ((1 + alpha) * 8.0 - alpha * 3.0) / 4.0;
    EXPECT_DOUBLE_EQ(Impactors::e(6), a);
    EXPECT_DOUBLE_EQ(Impactors::e(5), 1.0 + dt * ((1 - gamma) * gravity + gamma * a));
    EXPECT_DOUBLE_EQ(Impactors::e(4), dt + dt * dt * ((0.5 - beta) * gravity + beta * a));
}

TEST(ImpactorMotion, ResetsAndSkippedImpactors) {
    Impactors imp(3, 1.0, -1.0);
    Impactors::e(7, 2) = 0.0;  // impactor 2 has no mass
    for (int i = 1; i <= 3; ++i) Impactors::e(1, i) = Impactors::e(2, i) = Impactors::e(3, i) = Impactors::e(13, i) = 7.0;
    tvk::impactor_increment_start();
    EXPECT_EQ(Impactors::e(1, 1), 0.0);
    EXPECT_EQ(Impactors::e(1, 2), 7.0);  // massless: the element's values stay
    EXPECT_EQ(Impactors::e(13, 2), 7.0);
    // a carried (negative) force of one impactor clears radius, depth and elongation of all
    Impactors::e(1, 3) = -2.0;
    Impactors::e(2, 1) = Impactors::e(2, 2) = 5.0;
    tvk::impactor_increment_start();
    EXPECT_EQ(Impactors::e(1, 3), -2.0);
    EXPECT_EQ(Impactors::e(1, 2), 7.0);
    EXPECT_EQ(Impactors::e(2, 1), 0.0);
    EXPECT_EQ(Impactors::e(2, 2), 0.0);
    EXPECT_EQ(Impactors::e(13, 2), 0.0);
    Impactors::e(1, 3) = std::nan("");
    Impactors::e(3, 2) = 1.0;
    tvk::impactor_increment_start();
    EXPECT_EQ(Impactors::e(3, 2), 0.0);

    // increment end: massless impactor copies force and radius only; an idle one is untouched
    Impactors::e(1, 2) = 4.0, Impactors::e(2, 2) = 0.3;
    std::vector<double> idle(20, 0.0);
    for (int k = 7; k <= 20; ++k) idle[k - 1] = Impactors::e(k, 3) = k;
    for (int k = 1; k <= 6; ++k) Impactors::e(k, 3) = 0.0;
    tvk::impactor_impact_end(0.1);
    EXPECT_EQ(Impactors::e(11, 2), 4.0);
    EXPECT_EQ(Impactors::e(12, 2), 0.3);
    EXPECT_EQ(Impactors::e(14, 2), 2.0);  // its peak stays
    for (int k = 1; k <= 20; ++k) EXPECT_EQ(Impactors::e(k, 3), idle[k - 1]) << k;
    tvk::impactor_response_end();
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(Impactors::e(14, i) + Impactors::e(15, i), 0.0);
}

TEST(ImpactorMotion, UnloadingMarkerAfterForcePeak) {
    Impactors imp(2, 1.0, 0.0);  // no motion update: only history and window
    const double forces[] = {1, 2, 3, 4, 5, 4.5, 2};
    for (int k = 0; k < 7; ++k) {
        Impactors::e(1, 1) = forces[k];
        Impactors::e(3, 1) = 0.1 * forces[k];
        Impactors::e(1, 2) = k == 0 ? 5.0 : 1.0;  // falls at once, but the window is not full
        tvk::impactor_impact_end(0.01);
        // 4.5 is above the mean 3.7 of (2, 3, 4, 5, 4.5); 2 is below 3.7 of (3, 4, 5, 4.5, 2)
        EXPECT_EQ(Impactors::e(16, 1), k == 6 ? 1.0 : 0.0) << k;
        if (k < 4) {
            EXPECT_EQ(Impactors::e(16, 2), 0.0) << k;
        }
    }
    EXPECT_EQ(Impactors::e(14, 1), 5.0);
    EXPECT_DOUBLE_EQ(Impactors::e(15, 1), 0.5);
    EXPECT_EQ(Impactors::e(4, 1), 0.0);
    EXPECT_EQ(Impactors::e(6, 1), gravity);
    // a force rising again never clears the marker
    Impactors::e(1, 1) = 50.0;
    tvk::impactor_impact_end(0.01);
    EXPECT_EQ(Impactors::e(16, 1), 1.0);
}

TEST(ImpactorMotion, ShortOrResizedTablesAreSafe) {
    tvk::impactdata.cprops.allocate({12, 2});  // too few rows: left alone
    tvk::impactdata.cprops.fill(1.0);
    tvk::impactor_increment_start();
    tvk::impactor_impact_end(0.1);
    EXPECT_EQ(*tvk::impactdata.cprops.at(1, 1), 1.0);
    {
        Impactors imp(1, 1.0, 0.0);
        for (int k = 0; k < 3; ++k) Impactors::step(0.1, 1.0);
    }
    Impactors imp(4, 1.0, 0.0);  // more impactors than the window held: the window follows
    tvk::impactdata.cprops.allocate({20, 6});
    tvk::impactdata.cprops.fill(1.0);
    tvk::impactor_impact_end(0.1);
    EXPECT_EQ(*tvk::impactdata.cprops.at(14, 6), 1.0);
}

// What the increment end does not refuse: dt = 0, a time increment the scheme does not use, a
// massless impactor's finite copies, values in entries the scheme leaves alone. A massless
// impactor's force that is not finite is refused like a motion. A refused impactor leaves the
// others' update to go on.
TEST(ImpactorMotion, IncrementEndRefusesOnlyMotionThatIsNotFinite) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    struct Case {
        double scheme, mass, dt, force;
        int entry;  // set to `value` first (0: none)
        double value;
        bool refused;
    } const cases[] = {
        {-1, 2, 0, 3, 0, 0, false},      {-2, 2, 0, 3, 0, 0, false},      {0.25, 2, 0, 3, 0, 0, false},
        {0, 2, nan, 3, 4, nan, false},   {0.25, 2, 1e-3, 3, 19, nan, false}, {0.25, 2, 1e-3, 3, 20, inf, false},
        {-1, 2, 1e-3, 3, 18, nan, false}, {0, 0, nan, 3, 0, 0, false},   {0, 0, 1e-3, nan, 0, 0, true},
        {0, 2, 1e-3, nan, 0, 0, true},   {0, 2, 1e-3, 3, 3, inf, true},   {0.25, inf, 1e-3, 3, 0, 0, true},
        {-1, 2, 1e-3, 3, 20, nan, true}, {-2, 1e-320, 1e-3, 3, 0, 0, true},
    };
    for (const Case& c : cases) {
        Impactors imp(2, c.mass, c.scheme);
        Impactors::e(1, 2) = Impactors::e(7, 2) = 1.0;  // a second impactor, always valid
        Impactors::e(1) = c.force;
        if (c.entry > 0) Impactors::e(c.entry) = c.value;
        const std::vector<double> before(&Impactors::e(1), &Impactors::e(1) + 20);
        tvktest::clear_errors();
        tvk::impactor_impact_end(c.dt);
        EXPECT_EQ(tvk::errorhandling.errstat, c.refused ? -2 : 0) << c.scheme << " " << c.entry;
        EXPECT_EQ(c.refused, std::memcmp(&Impactors::e(1), before.data(), sizeof(double) * 20) == 0) << c.scheme;
        for (int k = 4; k <= 6 && !c.refused; ++k) EXPECT_TRUE(std::isfinite(Impactors::e(k)) || k == c.entry) << k;
        EXPECT_EQ(Impactors::e(11, 2), 1.0) << c.scheme << " " << c.entry;
    }
}
