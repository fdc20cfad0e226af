// Impactor elements driven through impacts as the solvers and analysis control call them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "alloc_counter.h"
#include "core/arrays.h"
#include "core/modeldata.h"
#include "element_driver.h"
#include "error_record.h"
#include "mechanics/contact.h"
#include "solver/impactor.h"
#include "solver/stepkinds.h"

using tvktest::UelDriver;
using tvktest::VuelDriver;
using namespace tvk::solver;

namespace {

// Steel-like rigid sphere of radius 10 mm and 50 g at 2 m/s on an elastic half-space.
constexpr double R = 0.01, mass = 0.05, v0 = 2.0, E2 = 10e9, nu2 = 0.3;
const double estar = E2 / (1 - nu2 * nu2), khertz = 4.0 / 3.0 * estar * std::sqrt(R);

void set_steps(std::initializer_list<int> kinds) {
    tvk::jobdata.stepid.allocate({static_cast<std::int64_t>(kinds.size())});
    int s = 1;
    for (int k : kinds) *tvk::jobdata.stepid.at(s++) = k;
    tvk::loaddata.nimp = 1;
    tvk::impactdata.csvars.release();
}

UelDriver impactor(int nsvars = 20) {
    UelDriver e(nsvars);
    e.props = {1e30, 0.3, E2, nu2, 0.5 * mass * v0 * v0, mass, R, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    e.nprops = 13;
    e.coords = {0, 0, 0, 0, 0, -1};
    e.lflags = {11, 1, 1, 0, 0};
    e.params = {0.0, 0.25, 0.5};
    e.dtime = 1e-6;
    e.jprops = {1, 0, 0};
    return e;
}

// A Newton iteration-free implicit impact: per increment one element call, then the impactor
// advanced with the same Newmark operator (beta 1/4, gamma 1/2) from the recorded force, as
// analysis control does. Returns the peak force, the peak indentation and the contact duration.
struct Impact {
    double fmax = 0, depthmax = 0, duration = 0, radius_at_peak = 0;
};
Impact run_impact(int irfflag) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    UelDriver e = impactor();
    e.jprops[0] = irfflag;
    e.kstep = 1;
    e.cprops[5] = 0.0;  // no gravity
    e.call(uel_impact);
    EXPECT_DOUBLE_EQ(e.cprops[4], v0);
    EXPECT_DOUBLE_EQ(e.cprops[6], mass);
    e.kstep = 2;
    e.svars[19] = 1.0;
    // The plate point creeps along the bar axis, so that the element counts as moved.
    e.du[5] = -1e-15;
    Impact out;
    double w = 0, v = v0, acc = 0, t = 0;
    for (int inc = 1; inc < 2000; ++inc) {
        e.kinc = inc;
        e.u[5] += e.du[5];
        e.cprops[3] = w, e.cprops[4] = v, e.cprops[5] = acc;
        e.call(uel_impact);
        const double F = std::max(e.cprops[0], 0.0), dt = e.dtime;
        const double anew = -F / mass;
        w += v * dt + 0.25 * dt * dt * (acc + anew);
        v += 0.5 * dt * (acc + anew);
        acc = anew;
        t += dt;
        if (F > out.fmax) out.fmax = F, out.radius_at_peak = e.cprops[1];
        out.depthmax = std::max(out.depthmax, e.cprops[2]);
        if (inc > 10 && F == 0.0) break;
        out.duration = t;
    }
    return out;
}

}  // namespace

TEST(UelImpact, RigidSphereOnHalfSpaceFollowsHertz) {
    // Hertz's closed forms for the impact of a rigid sphere (Johnson, Contact Mechanics, 1985,
    // sec. 11.4): largest approach, peak force and contact duration.
    const double amax = std::pow(5.0 * mass * v0 * v0 / (4.0 * khertz), 0.4);
    const double fmax = khertz * std::pow(amax, 1.5);
    const double tc = 2.9432 * amax / v0;
    double k = 0, e = 0;
    const double args[8] = {R, 0, 1e30, 0.3, 0, 0, E2, nu2};
    const int n = 8, flag = 0;
    ContactStiffness(&k, &e, args, &n, &flag);
    ASSERT_NEAR(k, khertz, 1e-6 * khertz);
    for (int irf : {1, 2}) {
        tvktest::clear_errors();
        const Impact r = run_impact(irf);
        EXPECT_EQ(tvk::errorhandling.errstat, 0);
        EXPECT_NEAR(r.fmax, fmax, 0.005 * fmax) << irf;
        EXPECT_NEAR(r.depthmax, amax, 0.005 * amax) << irf;
        EXPECT_NEAR(r.duration, tc, 0.01 * tc) << irf;
        EXPECT_NEAR(r.radius_at_peak, std::cbrt(3.0 * r.fmax * R / (4.0 * estar)), 1e-9 * R) << irf;
    }
}

TEST(UelImpact, ForceConsistentWithMotionAndPlate) {
    // One contact increment: the force satisfies F = k (wp - r - F (c + Cp))^1.5, checked by an
    // independent bisection; radius and depth are Hertz's for that force.
    for (int irf : {1, 2}) {
        set_steps({TVK_INITIALIZATION, TVK_IMPACT});
        UelDriver e = impactor();
        e.jprops[0] = irf;
        e.kstep = 1;
        e.call(uel_impact);
        e.kstep = 2;
        e.svars[13] = 2e-9;  // plate compliance
        e.svars[12] = 0.0;
        e.cprops[3] = 1e-4, e.cprops[4] = 1.0, e.cprops[5] = 0.0;
        e.dtime = 1e-5;
        e.call(uel_impact);
        const double wp = 1e-4 + 1e-5, cc = 0.25 * 1e-10 / mass + 2e-9;
        double lo = 0, hi = wp / cc;
        for (int i = 0; i < 200; ++i) {
            const double mid = 0.5 * (lo + hi);
            (khertz * std::pow(std::max(wp - mid * cc, 0.0), 1.5) - mid > 0 ? lo : hi) = mid;
        }
        const double F = e.cprops[0];
        EXPECT_NEAR(F, lo, irf == 1 ? 1e-9 * lo : 0.002) << irf;
        EXPECT_NEAR(e.cprops[1], std::cbrt(3 * F * R / (4 * estar)), 1e-12);
        EXPECT_NEAR(e.cprops[2], std::cbrt(9 * F * F / (16 * R * estar * estar)), 1e-12);
        EXPECT_EQ(e.svars[16], F);
    }
}

TEST(UelImpact, LineContactRadiusIsTheHalfWidthOverTwiceTheLength) {
    // Contact-stiffness flag 6 (line contact of the length PROPS(8)): the contact radius is the
    // half-width of a cylinder pressed by the load per length w = F / (2 PROPS(8)), b = sqrt(4 w R
    // / (pi E*)) (Johnson, Contact Mechanics, sec. 4.3); the depth stays Hertz's.
    const double length = 0.02;
    for (int irf : {1, 2}) {
        tvktest::clear_errors();
        set_steps({TVK_INITIALIZATION, TVK_IMPACT});
        UelDriver e = impactor();
        e.props[7] = length;
        e.jprops = {irf, 6, 0};
        e.kstep = 1;
        e.call(uel_impact);
        e.kstep = 2;
        e.svars[13] = 2e-9;
        e.svars[12] = 0.0;
        e.cprops[3] = 1e-4, e.cprops[4] = 1.0, e.cprops[5] = 0.0;
        e.dtime = 1e-5;
        e.call(uel_impact);
        const double F = e.cprops[0];
        ASSERT_GT(F, 0.0) << irf;
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << irf;
        const double w = F / (2.0 * length);
        EXPECT_NEAR(e.cprops[1], std::sqrt(4.0 * w * R / (M_PI * estar)), 1e-12 * R) << irf;
        EXPECT_NEAR(e.cprops[2], std::cbrt(9 * F * F / (16 * R * estar * estar)), 1e-12) << irf;
    }
    tvktest::clear_errors();
}

TEST(UelImpact, StepKindsStartTimeSeparationAndBadProcedure) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT, TVK_FATIGUE});
    UelDriver e = impactor();
    for (int i = 0; i < 20; ++i) e.cprops[i] = 100.0 + i;
    e.kstep = 3;
    e.call(uel_impact);
    for (int i = 0; i < 20; ++i)
        if (i < 7 || i > 9) {
            EXPECT_EQ(e.cprops[i], 100.0 + i);
        }
    EXPECT_EQ(e.cprops[8], 0.25);

    // Before the start time: no mark, no force.
    e.props[10] = 1.0;
    e.kstep = 2;
    e.cprops[0] = 5.0;
    e.call(uel_impact);
    EXPECT_EQ(e.cprops[7], 0.0);
    EXPECT_EQ(e.cprops[0], 5.0);

    // Predicted displacement below the reference elongation: contact lost.
    e.props[10] = 0.0;
    e.cprops[3] = -1.0, e.cprops[4] = 0.0, e.cprops[6] = mass;
    e.call(uel_impact);
    EXPECT_EQ(e.cprops[0], 0.0);
    EXPECT_EQ(e.cprops[1], 0.0);
    EXPECT_EQ(e.cprops[2], 0.0);

    // An unknown procedure reports and gives no force, not a refusal: a recorded force of 4 goes
    // to 0 and pnewdt stays at 1.
    tvktest::clear_errors();
    e.jprops[0] = 5;
    e.cprops[3] = 1e-4;
    e.cprops[0] = 4.0;
    e.pnewdt = 1.0;
    e.call(uel_impact);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "Error: Invalid root finding procedure");
    EXPECT_EQ(e.cprops[0], 0.0);
    EXPECT_EQ(e.pnewdt, 1.0);

    // Too few state values: reported, the record untouched beyond the mark.
    tvktest::clear_errors();
    UelDriver s = impactor(12);
    s.kstep = 2;
    s.cprops[0] = 3.0;
    s.call(uel_impact);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(s.cprops[0], 3.0);
}

TEST(UelImpact, ResponseTableThroughCutBacksThenCompliance) {
    const int nh = 4;
    set_steps({TVK_INITIALIZATION, TVK_STRUCTRESPONSE, TVK_IMPACT});
    UelDriver e = impactor(20 + 2 * nh);
    e.kstep = 2;
    e.cprops[12] = 0.0, e.cprops[13] = 1.0, e.cprops[14] = 1e-10;
    e.dtime = 1e-3;
    e.call(uel_impact);  // the unit force goes out
    EXPECT_EQ(e.cprops[0], 1.0);
    EXPECT_FALSE(tvk::impactdata.csvars.present());
    const double answer[nh] = {4e-6, 3e-6, 2e-6, 1e-6};
    double grid[nh];
    const int four = nh, endpoint = 1;
    const double first = 1e-3, last = 1e-10;
    Linspace(grid, &first, &last, &four, &endpoint);
    for (int attempt = 0; attempt < nh; ++attempt) {
        e.pnewdt = 1.0;
        e.u[5] = -answer[attempt];  // elongation along the bar axis (0, 0, -1)
        e.dtime = grid[attempt];
        e.call(uel_impact);
        if (attempt < nh - 1) {
            EXPECT_NEAR(e.pnewdt, grid[attempt + 1] / grid[attempt], 1e-12) << attempt;
            EXPECT_EQ(e.cprops[12], 0.0);
        }
    }
    EXPECT_EQ(e.pnewdt, 0.8);
    EXPECT_EQ(e.cprops[14], 1.7976931348623157e308);
    EXPECT_EQ(e.cprops[12], grid[0]);
    EXPECT_EQ(e.svars[19], 1.0);
    for (int i = 0; i < nh; ++i) {
        EXPECT_EQ(e.svars[20 + i], grid[i]);
        EXPECT_EQ(e.svars[20 + nh + i], answer[i]);
    }

    // Impact step: the compliance at a grid increment is the answer recorded there.
    e.kstep = 3;
    e.kinc = 1;
    e.dtime = grid[1];
    e.cprops[6] = mass;
    e.call(uel_impact);
    EXPECT_NEAR(e.svars[18], answer[1], 1e-15);
    // Further increments of the impact step read the table without a heap allocation.
    e.kinc = 2;
    const long before = tvk::test::heap_allocations();
    e.call(uel_impact);
    EXPECT_EQ(tvk::test::heap_allocations() - before, 0);
    EXPECT_NEAR(e.svars[18], answer[1], 1e-15);
    e.kinc = 1;

    // A table that is not complete falls back to the recorded compliance with a warning.
    tvktest::clear_errors();
    e.svars[21] = 0.0;
    e.svars[13] = 7e-9;
    e.svars[18] = -5.0;
    e.call(uel_impact);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(e.svars[18], -5.0);
}

TEST(UelImpact, ImpactorNumberOutsideTheTableIsRefused) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    UelDriver e = impactor();
    e.kstep = 2;
    e.kinc = 2;
    e.svars[19] = 7.0;  // only one impactor
    e.cprops[6] = mass;
    e.cprops[0] = -3.0;
    tvktest::clear_errors();
    e.call(uel_impact);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvk::impactdata.csvars.extent(2), 1);
}

TEST(VuelImpact, PowerLawMarksAndKeptRecord) {
    tvk::jobdata.stepid.release();
    VuelDriver e(2, 18);
    e.props = {1e30, 0.3, E2, nu2, 0.1, mass, R, 0.0, 0.0, 0.0, 0.0, 1e-3, 0.7};
    e.nprops = 13;
    e.jprops = {1, 0, 0, 0};
    for (int k = 0; k < 2; ++k) e.X(k, 1, 2) = -1.0;
    e.U(1, 5) = -2e-5;
    e.cprops[0] = 9.0;
    e.call(vuel_impact);  // no step table: only the elongations
    EXPECT_EQ(e.SV(0, 15), 0.0);
    EXPECT_DOUBLE_EQ(e.SV(1, 15), 2e-5);
    EXPECT_EQ(e.cprops[0], 9.0);
    EXPECT_EQ(e.cprops[7], 0.0);

    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    e.kstep = 1;
    e.cprops[5] = 9.80665;
    e.call(vuel_impact);
    EXPECT_DOUBLE_EQ(e.cprops[4], 2.0);
    EXPECT_DOUBLE_EQ(e.cprops[18], 2.0 - 0.5 * 9.80665);
    EXPECT_EQ(e.cprops[7], -2.0);  // njprops 4, jprops(4) not 1: blended update
    EXPECT_EQ(e.cprops[19], 0.7);

    e.kstep = 2;
    e.jprops[3] = 1;
    e.cprops[3] = 1e-4;
    e.call(vuel_impact);
    EXPECT_EQ(e.cprops[9], -1.0);
    // The last element of the block decides: e = svars(2, 15) = 0 before this call.
    EXPECT_NEAR(e.cprops[0], khertz * std::pow(1e-4, 1.5), 1e-9 * khertz * 1e-6);
    EXPECT_NEAR(e.cprops[1], std::cbrt(3 * e.cprops[0] * R / (4 * estar)), 1e-12);

    // Approach equal to the recorded elongation: the record is kept.
    e.cprops[3] = 2e-5;
    e.cprops[0] = 42.0;
    e.nblock = 1;
    VuelDriver one(1, 18);
    one.props = e.props;
    one.nprops = 13;
    one.jprops = {1, 0, 0, 1};
    one.X(0, 1, 2) = -1.0;
    one.U(0, 5) = -2e-5;
    one.SV(0, 14) = 2e-5;
    one.kstep = 2;
    one.cprops = e.cprops;
    one.call(vuel_impact);
    EXPECT_EQ(one.cprops[0], 42.0);

    // Unloading with a permanent dent larger than the approach: no force rather than NaN.
    VuelDriver dent = one;
    dent.jprops[0] = 2;
    dent.SV(0, 14) = 0.0;
    dent.cprops[15] = 1.0;   // past the peak
    dent.cprops[14] = 1.0;   // largest indentation far above the critical one
    dent.cprops[13] = 100.0;
    dent.cprops[3] = 1e-4;
    dent.call(vuel_impact);
    EXPECT_EQ(dent.cprops[0], 0.0);
    // A further block of the impact step: no heap allocation.
    const long before = tvk::test::heap_allocations();
    dent.call(vuel_impact);
    EXPECT_EQ(tvk::test::heap_allocations() - before, 0);
}

// A refusal of the implicit impactor element, by the bar or by its own work, is the bar's refused
// element (level -3, zero residual, stiffness and energies, 0 < pnewdt <= 0.5) with the contact
// record and the state as they came.
TEST(UelImpact, RefusalsCutBackAndKeepTheRecord) {
    const double nan = std::nan("");
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    auto expect_refused = [](UelDriver e, const char* what) {
        for (int i = 0; i < 20; ++i) e.cprops[i] = 1.0 + i;
        for (std::size_t i = 0; i < e.svars.size(); ++i) e.svars[i] = 0.5 + i;
        e.energy.fill(3.0);
        e.pnewdt = -1.0;
        const auto cprops0 = e.cprops;
        const auto svars0 = e.svars;
        tvktest::clear_errors();
        e.call(uel_impact);
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << what;
        EXPECT_EQ(e.pnewdt, 0.5) << what;
        EXPECT_EQ(e.cprops, cprops0) << what;
        EXPECT_EQ(e.svars, svars0) << what;
        for (double x : e.rhs) EXPECT_EQ(x, 0.0) << what;
        for (double x : e.amatrx) EXPECT_EQ(x, 0.0) << what;
        for (double x : e.energy) EXPECT_EQ(x, 0.0) << what;
    };
    expect_refused(impactor(19), "19 state values");
    UelDriver bad = impactor();
    bad.nprops = 11;
    expect_refused(bad, "11 properties");
    bad = impactor();
    bad.coords = {0, 0, 0, 0, 0, 0};
    expect_refused(bad, "coincident nodes");
    // Initialisation: a negative impact energy has no velocity, a NaN mass is none.
    UelDriver init = impactor();
    init.kstep = 1;
    init.props[4] = -1.0;
    expect_refused(init, "negative impact energy");
    init.props[4] = 0.1, init.props[5] = nan;
    expect_refused(init, "NaN mass");
    tvktest::clear_errors();
}

// In a block, an element whose contact values would turn non-finite is refused alone: its state,
// and the record it would have written, stay as they came; the other elements are computed.
TEST(VuelImpact, NonFiniteContactRefusesTheElementAlone) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    VuelDriver e(2, 18);
    e.props = {1e30, 0.3, E2, nu2, -0.1, mass, R, 0.0, 0.0, 0.0, 0.0, 1e-3, 0.7};
    e.nprops = 13;
    e.jprops = {1, 0, 0, 1};
    for (int k = 0; k < 2; ++k) e.X(k, 1, 2) = -1.0, e.jelem[k] = 1 + k;
    e.kstep = 1;
    for (int i = 0; i < 20; ++i) e.cprops[i] = 1.0 + i;
    const auto cprops0 = e.cprops;
    tvktest::clear_errors();
    e.call(vuel_impact);  // a negative impact energy: no velocity
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "vuel_impact: non-finite result; element not evaluated");
    for (int i = 0; i < 20; ++i)
        if (i < 7 || i > 9) {
            EXPECT_EQ(e.cprops[i], cprops0[i]) << i;
        }
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(e.EN(k, 2), 0.0);
        EXPECT_EQ(e.SV(k, 0), 0.0);  // the bar's length and force as they came
        EXPECT_EQ(e.SV(k, 1), 0.0);
        EXPECT_EQ(e.RHS(k, 2), 0.0);
    }

    // Impact step: the second element's displacement is not finite.
    e.props[4] = 0.1;
    e.kstep = 2;
    e.cprops[3] = 1e-4, e.cprops[0] = 0.0;
    e.SV(1, 15) = 7.0, e.SV(1, 14) = 0.0, e.SV(0, 14) = 0.0;
    e.U(1, 5) = std::nan("");
    tvktest::clear_errors();
    e.call(vuel_impact);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(e.SV(1, 15), 7.0);
    EXPECT_EQ(e.SV(1, 16), 0.0);
    EXPECT_NEAR(e.cprops[0], khertz * std::pow(1e-4, 1.5), 1e-9 * khertz * 1e-6);  // from the first element
    EXPECT_EQ(e.SV(0, 16), e.cprops[0]);
    tvktest::clear_errors();
}

namespace {
// The refused implicit element: the report `text`, zero residual, stiffness and energies, a
// cut-back, and the record and the state bit for bit as they came.
void expect_refused_alone(UelDriver e, const std::string& text) {
    e.energy.fill(3.0);
    const UelDriver before = e;
    tvktest::clear_errors();
    e.call(uel_impact);
    EXPECT_EQ(tvktest::errtext(), text);
    EXPECT_EQ(0, std::memcmp(e.cprops.data(), before.cprops.data(), sizeof e.cprops)) << text;
    EXPECT_EQ(0, std::memcmp(e.svars.data(), before.svars.data(), e.svars.size() * sizeof(double))) << text;
    EXPECT_EQ(e.pnewdt, 0.5) << text;
    for (const auto* v : {&e.rhs, &e.amatrx}) EXPECT_EQ(*std::max_element(v->begin(), v->end()), 0.0) << text;
    EXPECT_EQ(e.energy, decltype(e.energy){}) << text;
}
}  // namespace

// The element's own -3 reports come with the refused element, in place of a warning of the call.
TEST(UelImpact, OwnReportsGiveTheRefusedElement) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT, TVK_STRUCTRESPONSE});
    UelDriver e = impactor();
    e.kstep = 1, e.props[5] = 0.0;
    expect_refused_alone(e, "Error: impactor mass not positive");
    for (double acc : {std::nan(""), HUGE_VAL}) {  // the state may hold a NaN already
        e.props[5] = mass, e.cprops[5] = acc, e.svars[12] = std::nan("");
        expect_refused_alone(e, "uel_impact: non-finite result; element not evaluated");
    }
    e.cprops[5] = 0.0, e.svars[12] = 0.0, e.props[10] = HUGE_VAL;  // no contact ever: a start time
    tvktest::clear_errors();
    e.call(uel_impact);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_EQ(e.cprops[6], mass);
    UelDriver hit = impactor(24);  // an incomplete response table: a warning first
    hit.kstep = 2, hit.svars[19] = 1.0;
    hit.cprops[3] = 1e-4, hit.cprops[4] = 1.0;
    expect_refused_alone(hit, "Error: impactor mass not positive");  // no initialisation step
    hit.cprops[6] = mass;
    for (auto [i, x, text] :
         {std::tuple{-13, -1.0, "Error: impactor motion coefficient plus plate compliance not positive"},
          {2, -E2, "Error: contact stiffness not positive"},
          {-19, 0.0, "Error: impactor number outside the contact state table"}}) {
        e = hit;
        (i < 0 ? e.svars[-i] : e.props[i]) = x;
        e.kinc = i == -19 ? 2 : 1;
        expect_refused_alone(e, text);
    }
    UelDriver probe = impactor(24);  // the plate has answered the unit force
    probe.kstep = 3, probe.u[5] = -1e-6, probe.cprops[13] = 1.0;
    expect_refused_alone(probe, "Error: last time increment of the response grid not positive");
    probe.cprops[14] = 1e-10, probe.dtime = 0.0, probe.lflags[0] = 1;  // a static call may have no time
    expect_refused_alone(probe, "Error: response grid holds a zero time increment");
    const double* col = tvk::impactdata.csvars.at(1, 1);
    EXPECT_TRUE(std::all_of(col, col + 4, [](double x) { return x == 0.0; }));  // no grid left behind
    tvktest::clear_errors();
}

// A static impact-step call keeps the recorded force and reads no mass, nor does a dynamic one
// before the start time; a stiffness flag the stiffness law does not compute gives no contact
// force (its own report), not a refusal.
TEST(UelImpact, StaticCallNeedsNoMassAndUnknownStiffnessFlagGivesNoForce) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    for (int irf : {-2, -1, 0, 1, 2}) {
        UelDriver e = impactor();
        e.kstep = 2;
        if (irf == -2) e.props[10] = 1.0;
        else if (irf == -1) e.lflags[0] = 1;
        else e.jprops = {irf, 9, 0}, e.cprops[3] = 1e-4, e.cprops[6] = mass;
        e.cprops[0] = 4.0, e.cprops[2] = 6.0;
        tvktest::clear_errors();
        e.call(uel_impact);
        EXPECT_EQ(tvk::errorhandling.errstat, irf < 0 ? 0 : -3);
        if (irf >= 0) {
            EXPECT_EQ(tvktest::errtext(), "Unknown contact stiffness flag");
        }
        EXPECT_EQ(e.pnewdt, 1.0);
        EXPECT_EQ(e.cprops[0], irf < 0 ? 4.0 : 0.0);
        EXPECT_EQ(e.cprops[2], irf < 0 ? 6.0 : 0.0);
    }
    tvktest::clear_errors();
}

// Moduli of 1e170 give a finite force and radius at an approach of 1e-4, but the depth overflows:
// refused, the record as it came.
TEST(VuelImpact, OverflowingDepthIsRefusedWithoutNaNInTheRecord) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    VuelDriver e(1, 18);
    e.props = {1e170, 0.3, 1e170, 0.3, 0.1, mass, R, 0.0, 0.0, 0.0, 0.0, 1e-3, 0.7};
    e.nprops = 13, e.jprops = {1, 0, 0, 1}, e.kstep = 2;
    e.X(0, 1, 2) = -1.0;
    e.cprops = {5.0, 6.0, 7.0, 1e-4};
    const auto cprops0 = e.cprops;
    e.call(vuel_impact);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(e.cprops, cprops0);
    tvktest::clear_errors();
}

// A mass that is not positive refuses the block at initialisation: record, mark, state and stable
// increment as they came, zero energies.
TEST(VuelImpact, NonPositiveMassRefusesTheBlockAtInitialisation) {
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    VuelDriver e(2, 18);
    e.props = {1e30, 0.3, E2, nu2, 0.1, 0.0, R, 0.0, 0.0, 0.0, 0.0, 1e-3, 0.7};
    e.nprops = 13;
    for (int k = 0; k < 2; ++k) e.X(k, 1, 2) = -1.0, e.dtimestable[k] = 9.0, e.EN(k, 2) = 1.0;
    e.cprops.fill(1.0);
    const VuelDriver before = e;
    e.call(vuel_impact);
    EXPECT_EQ(tvktest::errtext(), "Error: impactor mass not positive");
    EXPECT_EQ(e.cprops, before.cprops);
    EXPECT_EQ(e.svars, before.svars);
    EXPECT_EQ(e.dtimestable, before.dtimestable);
    EXPECT_EQ(e.energy, std::vector<double>(24));
    tvktest::clear_errors();
}

// Procedure 1's force is k y^3 with y the non-negative root of (c + Cp) k y^3 + y^2 - (wp - r) = 0,
// for every time increment with c + Cp > 0: a rigid sphere of 36 mm and 0.783 kg at 3.23 m/s on
// E = 1.5 GPa (k = 4.27e8, c far below 1/k) at first contact over 400 increments from 1e-9 to 2e-6
// (where the closed form as written lost the root, or gave a triple negative one and a refusal),
// and at the ends: a time increment of 1e-160 (1/(c + Cp) overflows) and a compliance of 1e300
// ((c + Cp) k overflows). The reference is a bisection on y in long double.
TEST(UelImpact, ClosedFormForceIsTheRootOfTheContactLawAtEveryTimeIncrement) {
    constexpr double m = 0.783, v = 3.23, radius = 0.036, e2 = 1.5e9, nu = 1.0 / 3.0;
    set_steps({TVK_INITIALIZATION, TVK_IMPACT});
    UelDriver e = impactor();
    e.props = {1e30, 0.3, e2, nu, 0.5 * m * v * v, m, radius, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    e.kstep = 1;
    e.call(uel_impact);
    const long double k = 4.0L / 3.0L * e2 / (1 - nu * nu) * std::sqrt(radius);  // Hertz: 4.27e8
    std::vector<std::pair<double, double>> cases = {{1.024e-7, 0}, {1.165e-7, 0}, {4.217e-9, 0}, {1e-8, 0},
                                                    {1.474e-7, 0}, {1e-160, 0}, {1e-6, 1e300}};  // dt, Cp
    for (int i = 0; i < 400; ++i) cases.emplace_back(1e-9 * std::pow(2000.0, i / 399.0), 0.0);
    e.kstep = 2;
    for (auto [dt, cp] : cases) {
        e.dtime = dt, e.kinc = 1, e.pnewdt = 1.0;
        e.cprops[0] = 0.0, e.cprops[3] = 0.0, e.cprops[4] = v, e.cprops[5] = 0.0;
        e.svars[12] = 0.0, e.svars[13] = cp, e.svars[14] = 0.0;
        tvktest::clear_errors();
        e.call(uel_impact);
        const long double cc = 0.25L * dt * dt / m + cp, wp = static_cast<long double>(v) * dt;
        long double lo = 0, hi = std::sqrt(wp);
        for (int i = 0; i < 5000; ++i) {
            const long double mid = 0.5L * (lo + hi);
            if (mid == lo || mid == hi) break;
            (cc * k * mid * mid * mid + mid * mid - wp < 0 ? lo : hi) = mid;
        }
        const double F = static_cast<double>(k * lo * lo * lo);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << dt << " " << tvktest::errtext();
        EXPECT_EQ(e.pnewdt, 1.0) << dt;
        EXPECT_GT(e.cprops[0], 0.0) << dt;
        EXPECT_NEAR(e.cprops[0], F, 1e-12 * F) << dt << " " << cp;
    }
    // c + Cp = 0 (dt = 0, Cp = 0) stays refused, by the bar first.
    e.dtime = 0.0, e.svars[13] = 0.0;
    expect_refused_alone(e, "Error: dynamic truss element needs beta*dtime**2 > 0");
    tvktest::clear_errors();
}

// A carried force (a negative record force) of -inf is refused before anything is written, so
// that no +inf reaches csvars: the later valid calls give the forces of the clean history. NaN and
// +inf are not carried, and give the freshly computed force.
TEST(UelImpact, NonFiniteCarriedForceLeavesLaterForcesAsInTheCleanHistory) {
    constexpr double inf = HUGE_VAL;
    auto run = [](double poison) {
        set_steps({TVK_INITIALIZATION, TVK_IMPACT});
        UelDriver e = impactor();
        e.kstep = 1;
        e.call(uel_impact);
        e.kstep = 2, e.svars[19] = 1.0, e.svars[13] = 2e-9, e.dtime = 1e-5;
        e.cprops[4] = 1.0, e.cprops[5] = 0.0;
        e.du[5] = -1e-15;  // the plate point moves: every force is stored
        std::vector<double> forces;
        for (int inc = 2; inc < 5; ++inc) {
            e.kinc = inc;
            e.cprops[3] = 1e-4 * inc;
            if (inc == 2 && poison != 0.0) {
                e.cprops[0] = poison;
                if (poison == -inf) {
                    expect_refused_alone(e, "Error: carried impactor force not finite");
                    EXPECT_FALSE(tvk::impactdata.csvars.present());
                    e.cprops[0] = 0.0;  // the record as the next valid call brings it
                }
            }
            tvktest::clear_errors();
            e.call(uel_impact);
            EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
            forces.push_back(e.cprops[0]);
        }
        return forces;
    };
    const std::vector<double> clean = run(0.0);
    EXPECT_GT(clean[0], 100.0);
    for (double poison : {-inf, std::nan(""), inf}) EXPECT_EQ(run(poison), clean) << poison;
    tvktest::clear_errors();
}
