// Speed of the ply material routine per native call, undamaged and damaged (DIC step, fibre and
// matrix flags), against a hand-written 6 x 6 Hooke update of the same point; and of the small
// routines of the same argument list on the same point (30 state variables): hyperelastic,
// porosity, fibre (UMAT and USERMAT) and elastic-plastic; and the ply routine followed by the read
// of the error record's level that a forwarding file makes after every call.
#include <benchmark/benchmark.h>

#include <cstring>
#include <thread>

#include "core/modeldata.h"
#include "core/tvk_error.h"
#include "mechanics/lamina.h"
#include "solver/fiber.h"
#include "solver/umat_hail.h"
#include "solver/umat_hyper.h"
#include "solver/umat_lamina.h"
#include "solver/umat_porosity.h"

namespace {

struct Point {
    double stress[6] = {}, statev[30] = {}, ddsdde[36], sse = 0, spd = 0, scd = 0, rpl = 0, ddsddt[6] = {};
    double drplde[6] = {}, drpldt = 0, stran[6] = {1e-3, 2e-4, -1e-4, 5e-4, 1e-4, 2e-4}, dstran[6] = {1e-5};
    double time[2] = {}, dtime = 1, temp = 0, dtemp = 0, predef[1] = {}, dpred[1] = {};
    char materl[80];
    int ndi = 3, nshr = 3, ntens = 6, nstatv = 30;
    double props[9] = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
    int nprops = 9;
    double coords[3] = {}, drot[9] = {}, pnewdt = 1, celent = 1, dfgrd0[9] = {}, dfgrd1[9] = {};
    int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 1;
    Point() { std::memset(materl, ' ', sizeof materl); }
    template <class F>
    void call(F* f) {
        f(stress, statev, ddsdde, &sse, &spd, &scd, &rpl, ddsddt, drplde, &drpldt, stran, dstran, time, &dtime, &temp,
          &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens, &nstatv, props, &nprops, coords, drot, &pnewdt, &celent,
          dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt, jstep, &kinc, sizeof materl);
    }
    void call() {
        umat_lamina(stress, statev, ddsdde, &sse, &spd, &scd, &rpl, ddsddt, drplde, &drpldt, stran, dstran, time,
                    &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens, &nstatv, props, &nprops,
                    coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt, jstep, &kinc,
                    sizeof materl);
    }
};

void BM_umat_lamina(benchmark::State& st) {
    const bool damaged = st.range(0) != 0;
    tvk::jobdata.stepid.allocate({1});
    tvk::jobdata.stepid.data()[0] = damaged ? 5 : 1;
    Point p;
    p.statev[7] = p.statev[8] = damaged ? 1.0 : 0.0;
    for (auto _ : st) {
        p.call();
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
    tvk::jobdata.stepid.release();
}
BENCHMARK(BM_umat_lamina)->Arg(0)->Arg(1);

// The call as a forwarding file makes it: the ply routine, then the level of the calling thread's
// error record (nothing recorded, so nothing to clear).
void BM_umat_lamina_then_error_level(benchmark::State& st) {
    Point p;
    for (auto _ : st) {
        p.call();
        benchmark::DoNotOptimize(tvk_error_level());
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_umat_lamina_then_error_level);

// A solver that starts its worker threads anew on every call: a thread created, one call of the
// ply routine with the forwarding file's read of the level, the thread joined. Arg 1: the point
// is refused (three elastic constants), so the thread records a report and leaves it.
void BM_thread_with_one_call(benchmark::State& st) {
    const bool refused = st.range(0) != 0;
    for (auto _ : st) {
        std::thread([refused] {
            Point p;
            if (refused) p.nprops = 3;
            p.call();
            benchmark::DoNotOptimize(tvk_error_level());
            benchmark::DoNotOptimize(p.stress);
        }).join();
    }
}
BENCHMARK(BM_thread_with_one_call)->Arg(0)->Arg(1);

// The reference: stiffness from the constants, stress = C (stran + dstran), tangent and energy.
void BM_hooke_6x6(benchmark::State& st) {
    Point p;
    for (auto _ : st) {
        double c[36];
        tvk::lamina::stiffness(c, p.props, 6, false);
        double w = 0.0;
        for (int i = 0; i < 6; ++i) {
            double s = 0.0;
            for (int j = 0; j < 6; ++j) s += c[i + 6 * j] * (p.stran[j] + p.dstran[j]);
            p.stress[i] = s;
            w += s * (p.stran[i] + p.dstran[i]);
        }
        p.sse = 0.5 * w;
        std::memcpy(p.ddsdde, c, sizeof c);
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_hooke_6x6);

// The small routines on the Point above, each from the same state on every call.
void BM_umat_hyper(benchmark::State& st) {
    Point p;
    for (auto _ : st) {
        p.call(umat_hyper);
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_umat_hyper);

void BM_umat_porosity(benchmark::State& st) {
    Point p;
    for (auto _ : st) {
        umat_porosity(p.stress, p.statev, p.ddsdde, &p.sse, &p.spd, &p.scd, &p.rpl, p.ddsddt, p.drplde, &p.drpldt,
                      p.stran, p.dstran, p.time, &p.dtime, &p.temp, &p.dtemp, p.predef, p.dpred, p.materl, &p.ndi,
                      &p.nshr, &p.ntens, &p.nstatv, p.props, &p.nprops, p.coords, p.drot, &p.pnewdt, &p.celent,
                      p.dfgrd0, p.dfgrd1, &p.noel, &p.npt, &p.kslay, &p.kspt, &p.kinc, sizeof p.materl);
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_umat_porosity);

// The fibre routine with strengths and a stiffness factor (12 constants), below failure.
void BM_umat_fiber(benchmark::State& st) {
    Point p;
    const double c[12] = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3, 2000.0, 1200.0, 0.1};
    std::memcpy(p.props, c, sizeof c);
    p.nprops = 12;
    p.kinc = 2;
    for (auto _ : st) {
        p.call(umat_fiber);
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_umat_fiber);

void BM_usermat_fiber(benchmark::State& st) {
    int matid = 1, one = 1, keycut = 0, nd = 3, ns = 3, nc = 6, nst = 30, np = 9;
    double time = 0, dtime = 1, temp = 0, dtemp = 0, stress[6] = {}, statev[30] = {}, dsdepl[36], sedel = 0,
           sedpl = 0, epseq = 0, strain[6] = {1e-3, 2e-4, -1e-4, 5e-4, 1e-4, 2e-4}, dstrain[6] = {1e-5},
           epspl[6] = {}, coords[3] = {}, var[9] = {}, tsstif[2] = {}, epszz = 0, id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Point p;
    for (auto _ : st) {
        usermat_fiber(&matid, &one, &one, &one, &one, &one, &one, &keycut, &nd, &ns, &nc, &nst, &np, &time, &dtime,
                      &temp, &dtemp, stress, statev, dsdepl, &sedel, &sedpl, &epseq, strain, dstrain, epspl, p.props,
                      coords, &var[0], id, id, tsstif, &epszz, &var[1], &var[2], &var[3], &var[4], &var[5], &var[6],
                      &var[7], &var[8]);
        benchmark::DoNotOptimize(stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_usermat_fiber);

// The elastic-plastic routine on a point that yields (E, nu, plasticity on, a two-row hardening
// table), its state (2 ntens + 1 values) at the head of the 30.
void BM_umat_hail(benchmark::State& st) {
    Point p;
    const double c[7] = {70e3, 0.3, 1.0, 100.0, 0.0, 200.0, 0.1};
    std::memcpy(p.props, c, sizeof c);
    p.nprops = 7;
    p.stran[0] = 5e-3;
    for (auto _ : st) {
        p.call(umat_hail);
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
    tvk::solver::reset_umat_hail_cutoff();
}
BENCHMARK(BM_umat_hail);

}  // namespace
