// Tension-tension fatigue keeps every bit: fatigue runs whose load cycles put every stress
// component in tension (or leave it at zero) are driven through the Shokrieh ply routine (every
// jump algorithm, the adaptive one, a direct cyclic analysis, solid, shell and woven points,
// temperatures changing within the cycle) and through the resin routine (fixed, tabulated and
// permitted jumps). Stress, tangent, energy, state and error record after every increment are
// hashed and compared with the digest these runs gave before the compressive side of the load
// cycle was recorded as signed ratios and unusable cycle jumps were refused. The one state value
// that has changed since is the restart of the compressive maxima (state variables 32-37 of each
// block) at a cycle end: the lowest double instead of 0, until the next increment records the new
// cycle's first ratio. With a restart at 0 these runs still give 13309986144000864180.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/modeldata.h"
#include "digest.h"
#include "error_record.h"
#include "material_fixtures.h"
#include "single_point_driver.h"
#include "solver/umat_resin.h"
#include "solver/umat_shokrieh.h"

namespace {

using tvktest::Digest;
using tvktest::UmatPoint;

void hash(Digest& d, const UmatPoint& p) {
    d.add(p.stress);
    d.add(p.ddsdde);
    d.add(p.statev);
    d.add(p.sse);
    d.add(tvk::errorhandling.errstat);
}

// A one-step cycle plan of period 1 with the given algorithm, fixed jump and cycle limit.
void plan(int algorithm, double jump_min, double maxcycle, double permitted = 0.0) {
    auto& t = tvk::shokriehdata.cycleprops;
    t.allocate({10, 1});
    *t.at(2, 1) = 1.0;
    *t.at(3, 1) = algorithm;
    *t.at(4, 1) = 1.0;
    *t.at(5, 1) = 40.0;
    *t.at(6, 1) = 1e6;
    *t.at(7, 1) = jump_min;
    *t.at(8, 1) = 1e6;
    *t.at(9, 1) = permitted;
    *t.at(10, 1) = maxcycle;
    tvk::jobdata.nsteps = 1;
}

void release() {
    tvk::shokriehdata.cycleprops.release();
    tvk::shokriehdata.cycles.release();
    tvk::shokriehdata.dnfshok = 0.0;
    tvk::shokriehdata.dnf = 0.0;
    tvk::jobdata.nsteps = 0;
}

void table(std::vector<double> entries) {
    auto& c = tvk::shokriehdata.cycles;
    c.allocate({static_cast<std::int64_t>(entries.size()), 1});
    for (std::size_t k = 0; k < entries.size(); ++k) c.data()[k] = entries[k];
}

// `cycles` load cycles of four increments each (up, peak, down, valley) along the strain
// direction `dir` (all of whose stresses are tensile), peak strain `peak`, valley a fifth of it;
// the temperature swings by `swing` within each cycle.
void run(Digest& d, UmatPoint& p, const std::vector<double>& dir, double peak, int cycles, double swing,
         bool direct_cyclic = false) {
    const double level[4] = {0.6, 1.0, 0.5, 0.2};
    const double base = p.temp;
    for (int c = 0; c < cycles; ++c) {
        if (direct_cyclic) {
            *tvk::shokriehdata.cycles.at(1, 1) = 1.0 + 25.0 * c;
            p.time[0] = 0.0;
            p.kinc = 1;
        }
        for (int k = 0; k < 4; ++k) {
            std::vector<double> de(dir.size());
            for (std::size_t i = 0; i < dir.size(); ++i) de[i] = level[k] * peak * dir[i] - p.stran[i];
            p.temp = base + swing * (k % 2);
            p.dtemp = 0.5 * swing;
            p.increment(de);
            hash(d, p);
            if (p.fn != umat_shokrieh) continue;
            for (int b : {1, 78}) {
                for (int i = 0; i < 6; ++i) {
                    ASSERT_GE(p.statev[b + 52 + i], 0.0) << "cycle " << c << ", " << i;
                }
            }
        }
    }
}

UmatPoint ply(double angle, int ndi, int nshr) {
    UmatPoint p(umat_shokrieh, ndi, nshr, 312, tvktest::shokrieh_props(angle));
    p.temp = 255.0;
    p.dtime = 0.25;
    p.kinc = 1;
    return p;
}

std::uint64_t tension_tension_digest() {
    Digest d;
    tvktest::clear_errors();
    const std::vector<double> solid = {1.0, 0.2, 0.1, 0.3, 0.2, 0.1}, shell = {1.0, 0.25, 0.4};
    const std::vector<double> biaxial = {1.0, 1.0, 0.0, 0.0, 0.0, 0.0};
    // Fixed jumps, temperature swinging across the first block's temperature.
    plan(1, 40.0, 1e6);
    {
        UmatPoint p = ply(0.0, 3, 3);
        run(d, p, solid, 0.0075, 30, 20.0);
    }
    // The adaptive jump on a shell point, then with a cycle limit.
    plan(6, 1.0, 1e6);
    {
        UmatPoint p = ply(0.0, 2, 1);
        run(d, p, shell, 0.008, 15, 0.0);
        plan(6, 1.0, 200.0);
        run(d, p, shell, 0.008, 10, 0.0);
    }
    // Tabulated cycle numbers.
    plan(3, 1.0, 1e6);
    table({1, 20, 60, 150, 400, 900, 2000, 5000, 9000, 15000, 30000, 50000});
    {
        UmatPoint p = ply(0.0, 3, 3);
        run(d, p, solid, 0.007, 14, 10.0);
    }
    // Permitted jumps at the period starts, bounded by the table and the cycle limit.
    plan(4, 1.0, 3000.0);
    tvk::shokriehdata.dnfshok = 120.4;
    {
        UmatPoint p = ply(0.0, 3, 3);
        run(d, p, solid, 0.007, 30, 0.0);
    }
    release();
    // Jumps of the permitted size rounded up.
    plan(7, 1.0, 1e6);
    tvk::shokriehdata.dnfshok = 33.3;
    {
        UmatPoint p = ply(0.0, 3, 3);
        run(d, p, solid, 0.0072, 12, 5.0);
    }
    // A direct cyclic analysis whose blocks start at the solver's cycle numbers.
    plan(5, 1.0, 1e6);
    table({1.0});
    {
        UmatPoint p = ply(0.0, 3, 3);
        p.jstep[1] = 6;
        run(d, p, solid, 0.0075, 8, 0.0, true);
    }
    release();
    // A woven ply under equal biaxial strain (its sub-plies see no shear).
    plan(1, 25.0, 1e6);
    {
        UmatPoint p = ply(35.0, 3, 3);
        run(d, p, biaxial, 0.004, 12, 0.0);
    }
    release();

    // The resin routine: fixed, tabulated and permitted jumps.
    for (int algorithm : {1, 3, 4}) {
        tvktest::set_resin_tables(1, 0.0, 0.0);
        plan(algorithm, 100.0, 1e6, 30.0);
        if (algorithm == 3) table({1, 50, 300, 1000, 4000, 9000, 20000, 40000});
        tvk::shokriehdata.dnf = 7.6;
        UmatPoint p(umat_resin, 3, 3, 30, tvktest::resin_props_of(1), "RESIN");
        p.temp = 300.0;
        p.dtime = 0.25;
        p.kinc = 1;
        run(d, p, {1.0, 0.3, 0.2, 0.4, 0.1, 0.2}, 1.6e-2, 12, 0.0);
        tvktest::release_resin_tables();
        release();
    }
    tvktest::clear_errors();
    return d.h;
}

}  // namespace

TEST(FatigueDigest, TensionTensionCyclesKeepEveryBit) {
    EXPECT_EQ(tension_tension_digest(), 14311231177571013060ULL);
}
