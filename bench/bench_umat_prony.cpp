// Speed of the curing-resin material routine per native call, in its three temperature regimes
// (glassy, viscoelastic with shift factors, fully relaxed), with 8 Prony terms per component
// (N11 + 4 N12 + 3 N22 + 3 N23 + 2 N44 = 104 term states), and the cure heat routine per call.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/modeldata.h"
#include "solver/prony.h"

namespace {

struct Point {
    double stress[6] = {}, ddsdde[36], sse = 0, spd = 0, scd = 0, rpl = 0, ddsddt[6] = {};
    double drplde[6] = {}, drpldt = 0, stran[6] = {1e-3, 2e-4, -1e-4, 5e-4, 1e-4, 2e-4};
    double dstran[6] = {1e-5, -2e-6, 3e-6, 1e-6, 2e-6, -1e-6};
    double time[2] = {}, dtime = 0.5, temp = 0, dtemp = 0, predef[1] = {}, dpred[1] = {};
    char materl[80];
    int ndi = 3, nshr = 3, ntens = 6, nstatv = 510;
    std::vector<double> statev = std::vector<double>(510, 0.0), props;
    int nprops = 0;
    double coords[3] = {}, drot[9] = {}, pnewdt = 1, celent = 1, dfgrd0[9] = {}, dfgrd1[9] = {};
    int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 1;
    Point() {
        std::memset(materl, ' ', sizeof materl);
        std::memcpy(materl, "RESIN_L@1@_S@1@", 15);
        props = {8, 8, 8, 8, 8, 4000, 2000, 4200, 2100, 1000};
        for (int c = 0; c < 5; ++c)
            for (int k = 0; k < 8; ++k) props.insert(props.end(), {0.05, 2.0 * (k + 1)});
        nprops = static_cast<int>(props.size());
        statev[2] = 400.0;
    }
    void call() {
        umat_prony(stress, statev.data(), ddsdde, &sse, &spd, &scd, &rpl, ddsddt, drplde, &drpldt, stran, dstran,
                   time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens, &nstatv, props.data(),
                   &nprops, coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt, jstep,
                   &kinc, sizeof materl);
    }
};

void set_tables() {
    auto& cu = tvk::materialdata.cuprops;
    cu.allocate({8, 8, 1, 1});
    cu.fill(tvk::huge);
    const double cols[8][6] = {{0.6}, {4.5e8}, {5e-5, 5e-5, 5e-5, 1e-4, 1e-4, 1e-4}, {-0.01, -0.01, -0.01, -0.02, -0.02, -0.02},
                               {0.1, 5.0}, {-10.0, 190.0, 0.45}, {}, {10.0, 50.0, 5000.0, 0.0}};
    const int len[8] = {1, 1, 6, 6, 2, 3, 0, 4};
    for (int c = 0; c < 8; ++c)
        for (int k = 0; k < len[c]; ++k) *cu.at(k + 1, c + 1, 1, 1) = cols[c][k];
    const double kin[7] = {2.0e5, 6.0e4, 5.0e6, 6.0e4, 1.5, 0.6, 1.4};
    for (int k = 0; k < 7; ++k) *cu.at(k + 1, 7, 1, 1) = kin[k];
}

// Argument: temperature in kelvin (250 glassy, 420 viscoelastic, 600 relaxed).
void BM_umat_prony(benchmark::State& st) {
    set_tables();
    Point p;
    p.temp = static_cast<double>(st.range(0));
    for (auto _ : st) {
        p.call();
        benchmark::DoNotOptimize(p.stress);
        benchmark::ClobberMemory();
    }
    tvk::materialdata.cuprops.release();
}
BENCHMARK(BM_umat_prony)->Arg(250)->Arg(420)->Arg(600);

void BM_hetval_prony(benchmark::State& st) {
    set_tables();
    char name[80];
    std::memset(name, ' ', sizeof name);
    double temp[2] = {430.0, 0.0}, time[2] = {}, dtime = 0.5, flux[2] = {}, predef[1] = {}, dpred[1] = {};
    for (auto _ : st) {
        double svar[4] = {0.3, 0.0, 0.0, 0.0};
        hetval_prony(name, temp, time, &dtime, svar, flux, predef, dpred, sizeof name);
        benchmark::DoNotOptimize(flux);
        benchmark::ClobberMemory();
    }
    tvk::materialdata.cuprops.release();
}
BENCHMARK(BM_hetval_prony);

}  // namespace
