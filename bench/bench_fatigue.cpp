// The fatigue ply routine per native call: a unidirectional ply outside a fatigue step, the same
// at a load-cycle end of a fatigue step (gradual degradation and cycle jump on every call), and
// a woven ply of two sub-plies with its difference tangent.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/modeldata.h"
#include "solver/umat_shokrieh.h"

namespace {

std::vector<double> fatigue_properties(double angle) {
    std::vector<double> p(150, 0.0);
    for (int blk = 0; blk < 2; ++blk) {
        double* b = p.data() + 74 * blk;
        const double s = blk == 0 ? 1.0 : 1.1;
        const double v[18] = {140e3, 10e3, 9e3, 5e3, 4.8e3, 3.5e3, 0.3, 0.31, 0.45,
                              2000, 50, 45, 1200, 200, 190, 80, 78, 60};
        for (int k = 0; k < 18; ++k) b[k] = (k < 6 || k >= 9) ? v[k] * s : v[k];
        for (int k = 0; k < 9; ++k) b[18 + k] = 1.5, b[27 + k] = 5.0;
        for (int k = 0; k < 6; ++k) {
            b[36 + k] = 4.0, b[42 + k] = 1.2, b[48 + 2 * k] = 1.0, b[49 + 2 * k] = -0.1;
            b[61 + k] = 1.0, b[67 + k] = 0.5;
        }
        b[73] = blk == 0 ? 250.0 : 350.0;
    }
    p[148] = angle;
    p[149] = 0.1;
    return p;
}

struct Point {
    double stress[6] = {}, statev[312] = {}, ddsdde[36], sse = 0, spd = 0, scd = 0, rpl = 0, ddsddt[6] = {};
    double drplde[6] = {}, drpldt = 0, stran[6] = {2e-3, 2e-4, 0, 0, 0, 0}, dstran[6] = {1e-5};
    double time[2] = {0.5, 0.5}, dtime = 0.5, temp = 240, dtemp = 0, predef[1] = {}, dpred[1] = {};
    char materl[80];
    int ndi = 3, nshr = 3, ntens = 6, nstatv = 312;
    std::vector<double> props;
    int nprops = 150;
    double coords[3] = {}, drot[9] = {}, pnewdt = 1, celent = 1, dfgrd0[9] = {}, dfgrd1[9] = {};
    int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 1;
    explicit Point(double angle) : props(fatigue_properties(angle)) { std::memset(materl, ' ', sizeof materl); }
    void call() {
        umat_shokrieh(stress, statev, ddsdde, &sse, &spd, &scd, &rpl, ddsddt, drplde, &drpldt, stran, dstran, time,
                      &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens, &nstatv, props.data(),
                      &nprops, coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt, jstep,
                      &kinc, sizeof materl);
    }
};

// Arg 0: unidirectional, static step; 1: unidirectional at a cycle end; 2: woven, static step.
void BM_umat_shokrieh(benchmark::State& st) {
    const int mode = static_cast<int>(st.range(0));
    if (mode == 1) {
        tvk::shokriehdata.cycleprops.allocate({10, 1});
        const double plan[10] = {0, 1, 1, 1, 1000, 1e6, 1, 1e6, 0, 1e9};
        for (int r = 0; r < 10; ++r) tvk::shokriehdata.cycleprops.data()[r] = plan[r];
        tvk::jobdata.nsteps = 1;
    }
    Point p(mode == 2 ? 30.0 : 0.0);
    p.call();
    p.kinc = 2;
    for (auto _ : st) {
        p.call();
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
    tvk::shokriehdata.cycleprops.release();
    tvk::jobdata.nsteps = 0;
}
BENCHMARK(BM_umat_shokrieh)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
