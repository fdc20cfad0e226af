// Speed of the ply material routine per native call, undamaged and damaged (DIC step, fibre and
// matrix flags), against a hand-written 6 x 6 Hooke update of the same point.
#include <benchmark/benchmark.h>

#include <cstring>

#include "core/modeldata.h"
#include "mechanics/lamina.h"
#include "solver/umat_lamina.h"

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

}  // namespace
