// Material, element and field routines of the solver make no heap allocation per call after the
// first: each is called as a solver calls it (every argument in storage the test owns), once to
// warm up, and the allocations of the following calls are counted (alloc_counter.h). The first
// call may allocate (a kept work array, a table of the model). Each call starts from the same
// inputs (stress, state and records restored), so the counted calls take the path of the first;
// they are success paths (no report: a report may allocate its text).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "core/modeldata.h"
#include "element_driver.h"
#include "error_record.h"
#include "explicit_block_driver.h"
#include "material_fixtures.h"
#include "solver/adapters.h"
#include "solver/cure_state.h"
#include "solver/fiber.h"
#include "solver/interfaces.h"
#include "solver/ply_adapters.h"
#include "solver/prony.h"
#include "solver/sensor.h"
#include "solver/truss.h"
#include "solver/umat_hail.h"
#include "solver/umat_hyper.h"
#include "solver/umat_krause.h"
#include "solver/umat_lamina.h"
#include "solver/umat_porosity.h"
#include "solver/umat_resin.h"
#include "solver/umat_shokrieh.h"
#include "solver/vumat_cartesian.h"
#include "solver/vumat_ply.h"

namespace {

using V = std::vector<double>;
using tvk::test::heap_allocations;
namespace sv = tvk::solver;

constexpr int counted_calls = 3;

// The allocations of the calls of f after the first (counted_calls of them).
template <class F>
long allocations_after_first_call(F&& f) {
    f();
    const long before = heap_allocations();
    for (int k = 0; k < counted_calls; ++k) f();
    return heap_allocations() - before;
}

// The allocations of the second of two calls of f.
template <class F>
long second_call_allocations(F&& f) {
    f();
    const long before = heap_allocations();
    f();
    return heap_allocations() - before;
}

// A routine under audit: its name, the model tables it reads (set before its first call; null
// for none) and one call of it from fixed inputs.
struct Case {
    std::string name;
    std::function<void()> model;
    std::function<void()> call;
};

// The model tables the cases fill, released after each case.
void release_model() {
    tvktest::release_resin_tables();
    tvk::materialdata.cuprops.release();
    tvk::shokriehdata.cycleprops.release();
    tvk::shokriehdata.cycles.release();
    tvk::shokriehdata.dnf = 0.0;
    tvk::shokriehdata.dnfshok = 0.0;
    tvk::jobdata.nsteps = 0;
}

// Every case: warmed up, then no allocation and no report over the following calls.
void audit(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        tvktest::clear_errors();
        if (c.model) c.model();
        const long n = allocations_after_first_call(c.call);
        EXPECT_EQ(n, 0) << c.name << ": " << static_cast<double>(n) / counted_calls << " allocations per call";
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << c.name << " reported: " << tvktest::errtext();
        release_model();
    }
    tvktest::clear_errors();
}

// A case calling driver d (kept alive by the case) through call(d).
template <class D, class F>
std::function<void()> on(D d, F call) {
    auto p = std::make_shared<D>(std::move(d));
    return [p, call] { call(*p); };
}

// ---- Drivers: every argument of an interface in storage held here ------------------------------

constexpr double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// One point of a UMAT-list routine (and of its variants without the step record or with the
// impactor records), strained by a fixed increment. Each call starts from the stress, state and
// energies of `start`.
struct Point {
    sv::Umat::Fn* fn = nullptr;
    int ndi = 3, nshr = 3, ntens = 6, nstatv, nprops;
    V stress = V(6), statev, ddsdde = V(36), props, stran = V(6), dstran, ddsddt = V(6), drplde = V(6);
    double sse = 0, spd = 0, scd = 0, rpl = 0, drpldt = 0, time[2] = {0, 0}, dtime = 1, temp = 0, dtemp = 0;
    double predef[1] = {0}, dpred[1] = {0}, coords[3] = {0, 0, 0}, pnewdt = 1, celent = 1;
    double drot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, dfgrd0[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1},
           dfgrd1[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 1;
    int stepid = 3;
    double cprops[20] = {}, dprops[12] = {};
    char materl[80];
    V stress0, statev0, dprops0;
    double sse0 = 0;

    Point(sv::Umat::Fn* f, int nsv, V p, V de, std::string_view name = "PLY")
        : fn(f), nstatv(nsv), nprops(static_cast<int>(p.size())), statev(std::max(nsv, 1)), props(std::move(p)),
          dstran(std::move(de)) {
        std::memset(materl, ' ', sizeof materl);
        std::memcpy(materl, name.data(), std::min(name.size(), sizeof materl));
        ntens = static_cast<int>(dstran.size());
        nshr = ntens - ndi;
        stress.resize(ntens), stran.resize(ntens), ddsdde.resize(ntens * ntens);
        start();
    }
    // The present stress, state and energy become what every call starts from.
    void start() { stress0 = stress, statev0 = statev, dprops0 = V(dprops, dprops + 12), sse0 = sse; }
    void restore() {
        std::copy(stress0.begin(), stress0.end(), stress.begin());
        std::copy(statev0.begin(), statev0.end(), statev.begin());
        std::copy(dprops0.begin(), dprops0.end(), dprops);
        sse = sse0;
        pnewdt = 1;
    }
    // State variable `slot` (1-based) of the start.
    Point& with_state(int slot, double v) {
        statev[slot - 1] = statev0[slot - 1] = v;
        return *this;
    }
    // Increments of dstran committed before the first call (to reach a state inside a load
    // cycle; they run when the model tables are in place); the point then starts there.
    int primed = 0;
    Point& after(int increments) {
        primed = increments;
        return *this;
    }
    void prime() {
        for (; primed > 0; --primed) {
            umat(fn);
            for (int i = 0; i < ntens; ++i) stran[i] += dstran[i];
            time[0] += dtime, time[1] += dtime, ++kinc;
        }
        start();
    }

    // f with the arguments of the UMAT list (a routine of the list, or an adapter bound to one).
    template <class F>
    void umat(F&& f) {
        f(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(), &drpldt,
          stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens,
          &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt,
          jstep, &kinc, sizeof materl);
    }
    void no_step(sv::UmatNoStep::Fn* f) {
        f(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(), &drpldt,
          stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens,
          &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt,
          &kinc, sizeof materl);
    }
    void sensor(sv::UmatSensor::Fn* f) {
        f(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(), &drpldt,
          stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens,
          &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt,
          &kinc, &stepid, cprops, dprops, sizeof materl);
    }
};

// The call of a UMAT-list routine from the point's start.
std::function<void()> umat(Point p) {
    return on(std::move(p), [](Point& q) {
        if (q.primed) q.prime();
        q.restore(), q.umat(q.fn);
    });
}
// The call of a routine of the UMAT list given as a callable (an adapter bound to its routine).
template <class F>
std::function<void()> umat_list(Point p, F f) {
    return on(std::move(p), [f](Point& q) { q.restore(), q.umat(f); });
}

// One point of an ANSYS USERMAT routine.
struct AnsysPoint {
    int matid = 1, elemid = 1, kdomintpt = 1, klayer = 1, ksectpt = 1, ldstep = 1, isubst = 1, keycut = 0;
    int ndirect = 3, nshear = 3, ncomp = 6, nstatev, nprop;
    double time = 0, dtime = 1, temp = 0, dtemp = 0;
    V stress = V(6), ustatev, dsdepl = V(36), strain = V(6), dstrain, epspl = V(6), prop;
    double sedel = 0, sedpl = 0, epseq = 0, coords[3] = {}, var0 = 0, tsstif[2] = {}, epszz = 0, var[8] = {};
    V ustatev0;

    AnsysPoint(int nsv, V p, V de)
        : nstatev(nsv), nprop(static_cast<int>(p.size())), ustatev(std::max(nsv, 1)), dstrain(std::move(de)),
          prop(std::move(p)), ustatev0(ustatev) {}
    template <class F>
    void call(F&& f) {
        std::fill(stress.begin(), stress.end(), 0.0);
        std::copy(ustatev0.begin(), ustatev0.end(), ustatev.begin());
        sedel = 0;
        f(&matid, &elemid, &kdomintpt, &klayer, &ksectpt, &ldstep, &isubst, &keycut, &ndirect, &nshear, &ncomp,
          &nstatev, &nprop, &time, &dtime, &temp, &dtemp, stress.data(), ustatev.data(), dsdepl.data(), &sedel, &sedpl,
          &epseq, strain.data(), dstrain.data(), epspl.data(), prop.data(), coords, &var0, identity, identity, tsstif,
          &epszz, &var[0], &var[1], &var[2], &var[3], &var[4], &var[5], &var[6], &var[7]);
    }
};

template <class F>
std::function<void()> usermat(F f, AnsysPoint p) {
    return on(std::move(p), [f](AnsysPoint& q) { q.call(f); });
}

// A block of Peridigm points, each with the same strain increment.
struct PeridigmBlock {
    int npoint, ndir = 3, nshr = 3, nstatev, nprops;
    V stressnew, statenew, stressold, stateold, straininc, props;
    double steptime = 0, totaltime = 0, dt = 1;
    int matid = 1;

    PeridigmBlock(int n, int nsv, V p, const V& de)
        : npoint(n), nstatev(nsv), nprops(static_cast<int>(p.size())), stressnew(6 * n), statenew(nsv * n),
          stressold(6 * n), stateold(nsv * n), straininc(6 * n), props(std::move(p)) {
        for (int k = 0; k < n; ++k)
            for (int c = 0; c < 6; ++c) straininc[k + n * c] = de[c];
    }
    template <class F>
    void call(F&& f) {
        f(stressnew.data(), statenew.data(), stressold.data(), stateold.data(), straininc.data(), props.data(),
          &steptime, &totaltime, &dt, &matid, &npoint, &ndir, &nshr, &nstatev, &nprops);
    }
};

// A block of explicit points of the interfaces that write the strain increments back (the
// plane-stress routines and the sensor), every point strained by de: the increments are
// restored before each call.
template <class Fn>
struct RestoredBlock : tvktest::ExplicitBlock<Fn> {
    V straininc0;
    int stepid = 3;
    double cprops[20] = {}, dprops[12] = {};

    RestoredBlock(Fn* f, int nb, int nd, int ns, int nsv, V p, const V& de)
        : tvktest::ExplicitBlock<Fn>(f, nb, nd, ns, nsv, std::move(p)) {
        this->set_increment_all(de);
        straininc0 = this->straininc;
    }
    void restore() { std::copy(straininc0.begin(), straininc0.end(), this->straininc.begin()); }
};
using PlaneBlock = RestoredBlock<sv::VumatPlaneStrain::Fn>;
using SensorBlock = RestoredBlock<sv::VumatSensor::Fn>;

// ---- Material data ------------------------------------------------------------------------------

const V nye = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
const V strain = {1e-3, -2e-4, -1e-4, 5e-4, 2e-4, 1e-4};
const V krause = {3000.0, 10.0, 0.35, 1500.0, 200.0, 100.0, 80.0, 60.0, 40.0, 20.0, 10.0};

V with(V p, std::initializer_list<double> more) {
    p.insert(p.end(), more);
    return p;
}
V scaled(const V& v, double f) {
    V r = v;
    for (double& x : r) x *= f;
    return r;
}

using tvktest::resin_props;
using tvktest::shokrieh_props;

// One step's cycle plan: fatigue step, algorithm `algo`, period 1, calculation time `calc`,
// fixed jump `jump`, cycle limit 1e6.
void cycle_plan(double algo, double calc, double jump) {
    auto& t = tvk::shokriehdata.cycleprops;
    t.allocate({10, 1});
    *t.at(2, 1) = 1.0;
    *t.at(3, 1) = algo;
    *t.at(4, 1) = 1.0;
    *t.at(5, 1) = calc;
    *t.at(7, 1) = jump;
    *t.at(10, 1) = 1e6;
    tvk::jobdata.nsteps = 1;
}

// The resin model `model` (materialdata modelid) with its calibration tables and regularisation;
// `fatigue` adds a one-step cycle plan.
std::function<void()> resin_model(int model, bool fatigue = false) {
    return [=] {
        tvktest::set_resin_tables(model, 0.0, 0.3);
        if (fatigue) cycle_plan(1.0, 1000.0, 100.0);
    };
}

// A resin point at 300 K, name `name` (criterion tags at character 10).
Point resin_point(int model, const V& de, std::string_view name = "RESIN") {
    Point p(umat_resin, 30, tvktest::resin_props_of(model), de, name);
    p.temp = 300.0;
    return p;
}

// The cycle plan of the fatigue cases: one step, fixed jump of one cycle.
std::function<void()> shokrieh_model() {
    return [] { cycle_plan(1.0, 1000.0, 1.0); };
}
// A fatigue point at 240 K in half-period increments; `halves` committed before the audited call
// (an odd count: the audited increment ends a load cycle).
Point shokrieh_point(double angle, int halves) {
    Point p(umat_shokrieh, 312, shokrieh_props(angle), {2e-3, 1e-4, 0, 1e-4, 0, 0});
    p.temp = 240.0;
    p.dtime = 0.5;
    return std::move(p.after(halves));
}

// The cure data of ply 1, section 1 (gel point, enthalpy, expansion, shrinkage, cure limit,
// glass transition, kinetics, time-temperature shift).
std::function<void()> cure_model() {
    return [] {
        const std::vector<V> cols = {{0.6},
                                     {4.5e8},
                                     {5e-5, 5.5e-5, 6e-5, 1.5e-4, 1.6e-4, 1.7e-4},
                                     {-0.01, -0.011, -0.012, -0.02, -0.021, -0.022},
                                     {0.1, 5.0},
                                     {-10.0, 190.0, 0.45},
                                     {2.0e5, 6.0e4, 5.0e6, 6.0e4, 1.5, 0.6, 1.4},
                                     {10.0, 50.0, 5000.0, 0.0}};
        auto& cu = tvk::materialdata.cuprops;
        cu.allocate({8, 8, 1, 1});
        cu.fill(tvk::huge);
        for (std::size_t c = 0; c < cols.size(); ++c)
            for (std::size_t k = 0; k < cols[c].size(); ++k)
                *cu.at(static_cast<int>(k) + 1, static_cast<int>(c) + 1, 1, 1) = cols[c][k];
    };
}
// Prony series: the term counts, C11 C12 C22 C23 C44, the (weight, time) pairs per component.
const V prony_props = {2, 1, 2, 1, 1, 4000.0, 2000.0, 4200.0, 2100.0, 1000.0, 0.3, 10.0, 0.2, 100.0,
                       0.25, 50.0, 0.2, 5.0, 0.3, 80.0, 0.1, 30.0, 0.4, 20.0};
Point prony_point(double temp, std::string_view name = "RESIN_L@1@_S@1@") {
    Point p(umat_prony, 510, prony_props, strain, name);
    p.temp = temp;
    p.dtime = 0.1;
    p.statev[tvk::curestate::tg - 1] = 400.0;
    p.statev0 = p.statev;
    return p;
}

// The heat and expansion routines of the cure on one state vector.
struct CurePoint {
    char name[80];
    V svar;
    V svar0;
    double temp[2], time[2], dtime, flux[2] = {}, predef[1] = {}, dpred[1] = {}, expan[6], dexp[6];
    int noel = 1;
    CurePoint(int nsv, double t, double dt, double total, double tstep, std::string_view cmname = "EPOXY")
        : svar(nsv), temp{t, dt}, time{total, total}, dtime(tstep) {
        std::memset(name, ' ', sizeof name);
        std::memcpy(name, cmname.data(), cmname.size());
        svar[0] = 0.3;  // part-cured
        svar0 = svar;
    }
    void heat() {
        std::copy(svar0.begin(), svar0.end(), svar.begin());
        hetval_prony(name, temp, time, &dtime, svar.data(), flux, predef, dpred, sizeof name);
    }
    void expand() {
        std::copy(svar0.begin(), svar0.end(), svar.begin());
        const int nstatv = static_cast<int>(svar.size());
        uexpan_prony(expan, dexp, temp, time, &dtime, predef, dpred, svar.data(), name, &nstatv, &noel, sizeof name);
    }
};

// The vumat_bogenfeld property list: a carbon/epoxy ply with its strengths and toughnesses.
V bogenfeld_props() {
    V p(29, 0.0);
    std::copy(nye.begin(), nye.end(), p.begin());
    p[9] = 2000.0, p[10] = 50.0, p[12] = 1500.0, p[13] = 200.0, p[15] = 80.0, p[16] = 80.0;
    p[24] = 100.0, p[25] = 80.0, p[26] = 0.5, p[27] = 1.0, p[28] = 1.5;
    return p;
}
// A block of `nb` intact points (state 19 = 1) strained by de from the fibre stress s11.
PlaneBlock bogenfeld_block(int nb, const V& de, double s11 = 0.0) {
    PlaneBlock b(vumat_bogenfeld, nb, 3, 3, 47, bogenfeld_props(), de);
    for (int k = 0; k < nb; ++k) b.state(k, 19) = 1.0, b.stressold[k] = s11;
    return b;
}

}  // namespace

TEST(AllocationAudit, ImplicitMaterialRoutinesAllocateOnlyOnTheirFirstCall) {
    struct Old {
        const char* name;
        tvk::solver::Umat::Fn* fn;
        int nstatv;
        V props;
        V de;
    };
    const Old cases[] = {
        {"umat_lamina", umat_lamina, 30, nye, strain},
        {"umat_fiber", umat_fiber, 12, with(nye, {1000.0, 600.0, 0.01}), strain},
        // Beyond the fibre strength: the failed branch.
        {"umat_fiber failed", umat_fiber, 12, with(nye, {1000.0, 600.0, 0.01}), {2e-2, 0, 0, 0, 0, 0}},
        {"umat_krause", umat_krause, 42, krause, strain},
        {"umat_hail", umat_hail, 13, {70000.0, 0.3, 1.0, 100.0, 0.0, 100.0, 1.0}, strain},
        {"umat_hyper", umat_hyper, 8, nye, strain},
    };
    for (const Old& c : cases) {
        Point p(c.fn, c.nstatv, c.props, c.de);
        EXPECT_EQ(second_call_allocations([&] { p.umat(p.fn); }), 0) << c.name;
    }

    namespace rs = tvk::resin_state;
    const V de4 = {1e-3, -3e-4, -2e-4, 6e-4};
    Point pore(nullptr, 1, nye, strain), solid = pore;
    pore.statev0 = {1.0};
    Point sensor(nullptr, 8, {3.0, 4.0}, strain);
    for (int i = 0; i < 20; ++i) sensor.cprops[i] = i + 1;
    sensor.dprops[0] = 1.0;
    sensor.start();
    audit({
        {"umat_resin model 0 (secant)", resin_model(0), umat(resin_point(0, strain))},
        {"umat_resin model 1 (numerical tangent)", resin_model(1), umat(resin_point(1, strain))},
        {"umat_resin model 2 (numerical tangent)", resin_model(2), umat(resin_point(2, strain))},
        {"umat_resin model 3 (numerical tangent)", resin_model(3), umat(resin_point(3, strain))},
        {"umat_resin model 4 (plasticity)", resin_model(4), umat(resin_point(4, strain))},
        {"umat_resin model 5 (split)", resin_model(5), umat(resin_point(5, strain))},
        {"umat_resin model 6 (cubic, numerical tangent)", resin_model(6), umat(resin_point(6, strain))},
        {"umat_resin model 7 (orthotropic softening)", resin_model(7), umat(resin_point(7, strain))},
        {"umat_resin model 1, four components", resin_model(1), umat(resin_point(1, de4))},
        // A failed point (state of an earlier failure): degraded again and recomputed.
        {"umat_resin model 1 failed (_GPHA)", resin_model(1), [] {
             Point p = resin_point(1, scaled(strain, 40.0), "RESIN    _GPHA");
             p.kinc = 2;
             p.with_state(rs::failed, 1.0).with_state(rs::life, 1.0).with_state(rs::exposure, 1.0);
             return umat(std::move(p));
         }()},
        // Failing in the increment: the viscous sudden degradation and the numerical tangent.
        {"umat_resin model 7 failing (_GPHA)", resin_model(7),
         umat(resin_point(7, scaled(strain, 100.0), "RESIN    _GPHA"))},
        {"umat_resin model 1 (_GPRA, _GPBA, _GPDP, _GPHASTRAIN)", resin_model(1),
         [pts = std::make_shared<std::vector<Point>>(std::vector<Point>{
              resin_point(1, strain, "RESIN    _GPRA"), resin_point(1, strain, "RESIN    _GPBA"),
              resin_point(1, strain, "RESIN    _GPDP"), resin_point(1, strain, "RESIN    _GPHASTRAIN")})] {
             for (Point& p : *pts) p.restore(), p.umat(p.fn);
         }},
        {"umat_resin model 1, fatigue cycle end", resin_model(1, true), [] {
             Point p = resin_point(1, scaled(strain, 0.5));
             p.dtime = 0.25;
             return umat(std::move(p.after(4)));
         }()},
        {"umat_shokrieh unidirectional", shokrieh_model(), umat(shokrieh_point(0.0, 2))},
        {"umat_shokrieh unidirectional, cycle end", shokrieh_model(), umat(shokrieh_point(0.0, 3))},
        {"umat_shokrieh woven", shokrieh_model(), umat(shokrieh_point(30.0, 2))},
        {"umat_shokrieh woven, cycle end", shokrieh_model(), umat(shokrieh_point(30.0, 3))},
        {"umat_prony glassy", cure_model(), umat(prony_point(250.0))},
        {"umat_prony viscoelastic", cure_model(), umat(prony_point(420.0))},
        {"umat_prony viscoelastic, long material name", cure_model(),
         umat(prony_point(420.0, "CURING_EPOXY_RESIN_OF_THE_PANEL_L@1@_S@1@"))},
        {"umat_prony relaxed", cure_model(), umat(prony_point(600.0))},
        {"umat_porosity solid", nullptr, on(solid, [](Point& p) { p.restore(), p.no_step(umat_porosity); })},
        {"umat_porosity pore", nullptr, on(pore, [](Point& p) { p.restore(), p.no_step(umat_porosity); })},
        {"umat_sensor", nullptr, on(sensor, [](Point& p) { p.restore(), p.sensor(umat_sensor); })},
    });
}

TEST(AllocationAudit, AnsysAndPeridigmEntriesAllocateOnlyOnTheirFirstCall) {
    const V plane = {1e-3, 2e-4, 1e-3};
    AnsysPoint shell(1, nye, plane);
    shell.ncomp = 3, shell.ndirect = 2, shell.nshear = 1;
    AnsysPoint resin(30, resin_props(), strain);
    resin.temp = 300.0;
    audit({
        {"usermat_lamina", nullptr, usermat(usermat_lamina, AnsysPoint(30, nye, strain))},
        {"usermat_fiber", nullptr, usermat(usermat_fiber, AnsysPoint(1, nye, strain))},
        {"usermat_fiber plane stress", nullptr, usermat(usermat_fiber, shell)},
        {"usermat_resin model 1", resin_model(1), usermat(usermat_resin, resin)},
        {"usermat_resin model 7", resin_model(7), usermat(usermat_resin, resin)},
        {"usermat_shokrieh", shokrieh_model(), usermat(usermat_shokrieh, AnsysPoint(312, shokrieh_props(0.0), strain))},
        {"usermat_shokrieh woven", shokrieh_model(),
         usermat(usermat_shokrieh, AnsysPoint(312, shokrieh_props(30.0), strain))},
        {"usermat_prony", cure_model(), [] {
             AnsysPoint p(510, prony_props, strain);
             p.temp = 420.0;
             p.dtime = 0.1;
             return usermat(usermat_prony, p);
         }()},
        {"upermat_lamina", nullptr,
         on(PeridigmBlock(4, 30, nye, strain), [](PeridigmBlock& b) { b.call(upermat_lamina); })},
        // The adapters called with a routine of the other interface.
        {"abq_umat_to_ansys_usermat(umat_fiber)", nullptr,
         usermat([](auto... x) { abq_umat_to_ansys_usermat(umat_fiber, x...); },
                 AnsysPoint(12, with(nye, {1000.0, 600.0, 0.01}), strain))},
        {"abq_umat_to_peridigm_upermat(umat_hyper)", nullptr,
         on(PeridigmBlock(4, 8, nye, strain),
            [](PeridigmBlock& b) { b.call([](auto... x) { abq_umat_to_peridigm_upermat(umat_hyper, x...); }); })},
        {"ansys_usermat_to_abq_umat(usermat_fiber)", nullptr,
         umat_list(Point(nullptr, 1, nye, strain, "PLY_M@2@"),
                   [](auto... x) { ansys_usermat_to_abq_umat(usermat_fiber, x...); })},
        {"ansys_usermat_to_abq_umat(usermat_fiber), long material name", nullptr,
         umat_list(Point(nullptr, 1, nye, strain, "CARBON_EPOXY_PLY_OF_THE_OUTER_SKIN_M@2@"),
                   [](auto... x) { ansys_usermat_to_abq_umat(usermat_fiber, x...); })},
    });
}

TEST(AllocationAudit, ExplicitMaterialRoutineAllocatesOnlyOnItsFirstCall) {
    namespace prop = tvk::solver::cartesian::prop;
    namespace slot = tvk::solver::cartesian::slot;
    V p(prop::count, 0.0);
    p[prop::e11t] = 1e5, p[prop::e22t] = 8000, p[prop::e33] = 8000;
    p[prop::g12] = 4000, p[prop::g13] = 4000, p[prop::g23] = 3000;
    p[prop::x11t] = 1000, p[prop::x22t] = 50, p[prop::x33t] = 50;
    p[prop::x11c] = -800, p[prop::x22c] = 150, p[prop::x33c] = 150;
    p[prop::x12] = 60, p[prop::x13] = 60, p[prop::x23] = 40;
    tvktest::VumatBlock b(vumat_cartesian, 4, slot::count, p);
    b.start();
    b.set_increment_all({2e-3, 1e-3, 0, 5e-4, 0, 0});  // past the transverse strength: damage grows
    EXPECT_EQ(second_call_allocations([&] { b.call(); }), 0);
}

TEST(AllocationAudit, ExplicitPlyAndSensorBlocksAllocateOnlyOnTheirFirstCall) {
    const auto plane = [](PlaneBlock& b) { b.restore(), b.call(); };
    SensorBlock sensor(vumat_sensor, 4, 3, 3, 8, {3.0, 4.0}, strain);
    for (int i = 0; i < 20; ++i) sensor.cprops[i] = i + 1;
    audit({
        {"vumat_lamina", nullptr, on(PlaneBlock(vumat_lamina, 4, 3, 3, 1, nye, strain), plane)},
        {"vumat_lamina plane stress", nullptr,
         on(PlaneBlock(vumat_lamina, 4, 3, 1, 1, nye, {1e-3, 2e-4, 0.0, 5e-4}), plane)},
        {"vumat_bogenfeld elastic", nullptr, on(bogenfeld_block(4, scaled(strain, 0.1)), plane)},
        // From a stress past the fibre strength: fibre damage grows.
        {"vumat_bogenfeld damage", nullptr, on(bogenfeld_block(4, scaled(strain, 2.0), 2500.0), plane)},
        {"vumat_sensor", nullptr,
         on(sensor, [](SensorBlock& b) { b.restore(), b.call(&b.stepid, b.cprops, b.dprops); })},
    });
}

TEST(AllocationAudit, CureHooksAllocateOnlyOnTheirFirstCall) {
    audit({
        {"hetval_prony", cure_model(), on(CurePoint(4, 430.0, 0.0, 10.0, 0.5), [](CurePoint& c) { c.heat(); })},
        {"uexpan_prony liquid", cure_model(),
         on(CurePoint(508, 420.0, 2.0, 10.0, 0.5), [](CurePoint& c) { c.expand(); })},
        {"uexpan_prony glassy", cure_model(),
         on(CurePoint(510, 300.0, -3.0, 10.0, 0.2), [](CurePoint& c) { c.expand(); })},
        {"uexpan_prony, long material name", cure_model(),
         on(CurePoint(508, 420.0, 2.0, 10.0, 0.5, "CURING_EPOXY_RESIN_OF_THE_PANEL_L@1@_S@1@"),
            [](CurePoint& c) { c.expand(); })},
    });
}

TEST(AllocationAudit, BarElementsAllocateOnlyOnTheirFirstCall) {
    tvktest::UelDriver e;
    e.props = {210e3, 7.8e-9, 12.5};
    e.u = {0, 0, 0, 1e-3, 2e-4, 0};
    EXPECT_EQ(second_call_allocations([&] { e.call(uel_truss); }), 0);
    tvktest::VuelDriver v(3);
    v.props = {210e3, 7.8e-9, 12.5};
    for (int k = 0; k < 3; ++k) v.X(k, 1, 0) = 1.0, v.U(k, 3) = 1e-3;
    EXPECT_EQ(second_call_allocations([&] { v.call(vuel_truss); }), 0);
}
