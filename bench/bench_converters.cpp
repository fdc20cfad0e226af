// Cost of the interface converters per material point: one orthotropic Hooke kernel (stiffness
// from nine constants, secant stress, energy, six state slots) called directly on a point, and
// through the UMAT, USERMAT (cyclic order, reordered for a Nye kernel) and explicit block (256
// points) converters.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "mechanics/lamina.h"
#include "solver/converters.h"
#include "solver/interfaces.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Point;

Outcome hooke(Point<Order::nye>& p) {
    const int n = p.ntens;
    double c[36];
    tvk::lamina::stiffness(c, p.props.data(), n, false);
    double w = 0.0;
    for (int i = 0; i < n; ++i) {
        double s = 0.0;
        for (int j = 0; j < n; ++j) s += c[i + n * j] * (p.stran[j] + p.dstran[j]);
        p.stress[i] = s;
        w += s * (p.stran[i] + p.dstran[i]);
    }
    p.sse = 0.5 * w;
    std::memcpy(p.ddsdde.data(), c, sizeof(double) * n * n);
    for (int i = 0; i < n && i < p.nstatv; ++i) p.statev[i] = p.stress[i];
    return Outcome::ok();
}

}  // namespace

TVK_SOLVER_DECLARE(Umat, tvkbench_umat);
TVK_SOLVER_DECLARE(Usermat, tvkbench_usermat);
TVK_SOLVER_DECLARE(Vumat, tvkbench_vumat);
TVK_SOLVER_KERNEL(Umat, tvkbench_umat, hooke)
TVK_SOLVER_KERNEL(Usermat, tvkbench_usermat, hooke)
TVK_SOLVER_KERNEL(Vumat, tvkbench_vumat, hooke)

namespace {

double props[9] = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
const double strain0[6] = {1e-3, 2e-4, -1e-4, 5e-4, 1e-4, 2e-4};

void BM_kernel_direct(benchmark::State& st) {
    double stress[6] = {}, statev[30] = {}, ddsdde[36], stran[6], dstran[6] = {1e-5}, zeros[6] = {};
    std::memcpy(stran, strain0, sizeof stran);
    double sse = 0, spd = 0, scd = 0, pnewdt = 1, time[2] = {}, id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const int jstep[4] = {1, 1, 0, 0};
    Point<Order::nye> p{{stress, 6}, {statev, 30}, {ddsdde, 6}, sse, spd, scd, pnewdt, 0.0, 0.0, {zeros, 6},
                        {zeros, 6}, {stran, 6}, {dstran, 6}, time, 1.0, 0.0, 0.0, zeros, zeros, "PLY", 3, 3, 6, 30,
                        {props, 9}, 9, zeros, id, 1.0, id, id, 1, 1, 1, 1, jstep, 1};
    for (auto _ : st) {
        benchmark::DoNotOptimize(hooke(p));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_kernel_direct);

void BM_kernel_through_umat(benchmark::State& st) {
    double stress[6] = {}, statev[30] = {}, ddsdde[36], stran[6], dstran[6] = {1e-5}, zeros[6] = {};
    std::memcpy(stran, strain0, sizeof stran);
    double sse = 0, spd = 0, scd = 0, pnewdt = 1, rpl = 0, drpldt = 0, time[2] = {}, dtime = 1, temp = 0, dtemp = 0;
    double id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, celent = 1;
    int ndi = 3, nshr = 3, ntens = 6, nstatv = 30, nprops = 9, one = 1, jstep[4] = {1, 1, 0, 0};
    char materl[80];
    std::memset(materl, ' ', sizeof materl);
    for (auto _ : st) {
        tvkbench_umat(stress, statev, ddsdde, &sse, &spd, &scd, &rpl, zeros, zeros, &drpldt, stran, dstran, time,
                      &dtime, &temp, &dtemp, zeros, zeros, materl, &ndi, &nshr, &ntens, &nstatv, props, &nprops, zeros,
                      id, &pnewdt, &celent, id, id, &one, &one, &one, &one, jstep, &one, sizeof materl);
        benchmark::DoNotOptimize(stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_kernel_through_umat);

void BM_kernel_through_usermat(benchmark::State& st) {
    int matid = 1, one = 1, keycut = 0, nd = 3, ns = 3, nc = 6, nst = 30, np = 9;
    double time = 0, dtime = 1, temp = 0, dtemp = 0, stress[6] = {}, statev[30] = {}, dsdepl[36], sedel = 0,
           sedpl = 0, epseq = 0, strain[6], dstrain[6] = {1e-5}, epspl[6] = {}, coords[3] = {}, var[9] = {},
           tsstif[2] = {}, epszz = 0, id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(strain, strain0, sizeof strain);
    for (auto _ : st) {
        tvkbench_usermat(&matid, &one, &one, &one, &one, &one, &one, &keycut, &nd, &ns, &nc, &nst, &np, &time, &dtime,
                         &temp, &dtemp, stress, statev, dsdepl, &sedel, &sedpl, &epseq, strain, dstrain, epspl, props,
                         coords, &var[0], id, id, tsstif, &epszz, &var[1], &var[2], &var[3], &var[4], &var[5], &var[6],
                         &var[7], &var[8]);
        benchmark::DoNotOptimize(stress);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_kernel_through_usermat);

// A block of 256 points; the time is per block (divide by 256 for a point).
void BM_kernel_through_vumat_block(benchmark::State& st) {
    constexpr int nb = 256;
    int nblock = nb, ndir = 3, nshr = 3, nstatev = 30, nfieldv = 1, nprops = 9, lanneal = 0;
    double steptime = 0, totaltime = 1, dt = 1e-6;
    char cmname[80];
    std::memset(cmname, ' ', sizeof cmname);
    std::vector<double> coord(nb * 3), charl(nb * 3, 1.0), density(nb, 1.6e-9), straininc(nb * 6, 1e-5),
        zeros(nb * 9), stressold(nb * 6), stateold(nb * 30), ener(nb), stressnew(nb * 6), statenew(nb * 30),
        enew(nb), einew(nb);
    for (auto _ : st) {
        tvkbench_vumat(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt,
                       cmname, coord.data(), charl.data(), props, density.data(), straininc.data(), zeros.data(),
                       zeros.data(), zeros.data(), zeros.data(), zeros.data(), stressold.data(), stateold.data(),
                       ener.data(), ener.data(), zeros.data(), zeros.data(), zeros.data(), zeros.data(),
                       stressnew.data(), statenew.data(), enew.data(), einew.data(), sizeof cmname);
        benchmark::DoNotOptimize(stressnew.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * nb);
}
BENCHMARK(BM_kernel_through_vumat_block);

}  // namespace
