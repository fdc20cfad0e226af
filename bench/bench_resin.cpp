// The resin material routine per native call: the Krause law with its numerical tangent
// (model 1), the deviatoric/volumetric split with the law's own stiffness (model 5), and the
// orthotropic strain-softening law with its table lookups (model 7); each outside a fatigue step,
// and model 1 also in a fatigue step (equivalent stress and cycle test on every call).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/modeldata.h"
#include "solver/umat_resin.h"

namespace {

void table(tvk::Table<double, 3>& t, int& count, double y) {
    t.allocate({2, 2, 2});
    for (int tc = 1; tc <= 2; ++tc) {
        *t.at(tc, 1, 1) = -1.0, *t.at(tc, 2, 1) = 1.0;
        *t.at(tc, 1, 2) = y, *t.at(tc, 2, 2) = y;
    }
    count = 2;
}

struct Data {
    Data(int model, bool fatigue) {
        auto& md = tvk::materialdata;
        md.modelid = model;
        md.temperatures.allocate({2});
        *md.temperatures.at(1) = 250.0;
        *md.temperatures.at(2) = 350.0;
        table(md.normalprops, md.nnormaldata, 50.0);
        table(md.shearprops, md.nsheardata, 50.0);
        md.regularization.allocate({2});
        *md.regularization.at(1) = 0.3;
        *md.regularization.at(2) = 0.1;
        md.r_crit.allocate({1});
        *md.r_crit.at(1) = -1.3;
        if (fatigue) {
            tvk::shokriehdata.cycleprops.allocate({10, 1});
            const double plan[10] = {0, 1, 1, 1.0, 1000, 0, 100, 0, 0, 1e9};
            for (int r = 0; r < 10; ++r) tvk::shokriehdata.cycleprops.data()[r] = plan[r];
            tvk::jobdata.nsteps = 1;
        }
    }
    ~Data() {
        auto& md = tvk::materialdata;
        md.normalprops.release();
        md.shearprops.release();
        md.temperatures.release();
        md.regularization.release();
        md.r_crit.release();
        md.modelid = 0;
        tvk::shokriehdata.cycleprops.release();
        tvk::jobdata.nsteps = 0;
    }
};

struct Point {
    double stress[6] = {}, statev[30] = {}, ddsdde[36] = {}, sse = 0, spd = 0, scd = 0, rpl = 0, ddsddt[6] = {};
    double drplde[6] = {}, drpldt = 0, stran[6] = {2e-3, -6e-4, -5e-4, 1.2e-3, 2e-4, 4e-4};
    double dstran[6] = {1e-5, -3e-6, -2.5e-6, 6e-6, 1e-6, 2e-6};
    double time[2] = {0.3, 0.3}, dtime = 0.1, temp = 300, dtemp = 0, predef[1] = {}, dpred[1] = {};
    char materl[80];
    int ndi = 3, nshr = 3, ntens = 6, nstatv = 30;
    std::vector<double> props = {3000.0, 0.35, 1e-5, 80.0, 1.5, 20.0, 1.5, 1.0, -0.08, 250.0, 2800.0,
                                 0.36,   1e-5, 75.0, 1.5, 22.0, 1.5, 1.0,  -0.08, 350.0, 0.1};
    int nprops = 21;
    double coords[3] = {}, drot[9] = {}, pnewdt = 1, celent = 1, dfgrd0[9] = {}, dfgrd1[9] = {};
    int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 1;
    Point() {
        std::memset(materl, ' ', sizeof materl);
        std::memcpy(materl, "RESIN    _GPHA", 14);
    }
    void call() {
        umat_resin(stress, statev, ddsdde, &sse, &spd, &scd, &rpl, ddsddt, drplde, &drpldt, stran, dstran, time,
                   &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens, &nstatv, props.data(), &nprops,
                   coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt, jstep, &kinc,
                   sizeof materl);
    }
};

// Arg 0: model; arg 1: 1 in a fatigue step. The state is reset to the first call's on every
// iteration, so each call sees the same intact point.
void BM_umat_resin(benchmark::State& st) {
    Data data(static_cast<int>(st.range(0)), st.range(1) != 0);
    Point p;
    p.call();
    p.kinc = 2;
    double state[30];
    std::memcpy(state, p.statev, sizeof state);
    for (auto _ : st) {
        std::memcpy(p.statev, state, sizeof state);
        p.call();
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_umat_resin)->Args({1, 0})->Args({5, 0})->Args({7, 0})->Args({1, 1});

}  // namespace
