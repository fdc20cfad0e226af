// The ply material routine per native call by the length of the state vector: shorter than the
// ply state vector, exactly the 40 slots, and a block of 40 after other state variables (the
// slots then sit at the end), undamaged and in a DIC step with fibre and matrix flags.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/modeldata.h"
#include "solver/umat_lamina.h"

namespace {

void BM_umat_lamina_by_state_length(benchmark::State& st) {
    const int nstatv = static_cast<int>(st.range(0));
    const bool damaged = st.range(1) != 0;
    tvk::jobdata.stepid.allocate({1});
    tvk::jobdata.stepid.data()[0] = damaged ? 5 : 1;
    std::vector<double> statev(static_cast<std::size_t>(nstatv), 0.0);
    const int base = nstatv >= 40 ? nstatv - 40 : 0;
    if (damaged) statev[static_cast<std::size_t>(base + 7)] = statev[static_cast<std::size_t>(base + 8)] = 1.0;
    double stress[6] = {}, ddsdde[36], sse = 0, spd = 0, scd = 0, rpl = 0, ddsddt[6] = {}, drplde[6] = {}, drpldt = 0;
    double stran[6] = {1e-3, 2e-4, -1e-4, 5e-4, 1e-4, 2e-4}, dstran[6] = {1e-5}, time[2] = {}, dtime = 1, temp = 0;
    double dtemp = 0, predef[1] = {}, dpred[1] = {}, coords[3] = {}, drot[9] = {}, pnewdt = 1, celent = 1;
    double dfgrd0[9] = {}, dfgrd1[9] = {}, props[9] = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
    int ndi = 3, nshr = 3, ntens = 6, nprops = 9, noel = 1, npt = 1, kslay = 1, kspt = 1, kinc = 1;
    int jstep[4] = {1, 1, 0, 0};
    char materl[80];
    std::memset(materl, ' ', sizeof materl);
    for (auto _ : st) {
        umat_lamina(stress, statev.data(), ddsdde, &sse, &spd, &scd, &rpl, ddsddt, drplde, &drpldt, stran, dstran,
                    time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens, &nstatv, props, &nprops,
                    coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt, &kslay, &kspt, jstep, &kinc,
                    sizeof materl);
        benchmark::DoNotOptimize(stress);
        benchmark::ClobberMemory();
    }
    tvk::jobdata.stepid.release();
}
BENCHMARK(BM_umat_lamina_by_state_length)->ArgsProduct({{30, 40, 50}, {0, 1}});

}  // namespace
