// Speed of the explicit orthotropic damage material per material point, for the block of 256
// points an explicit solver hands over: undamaged (strains below every threshold), damaging
// (every point past fibre-tension onset, so each call evaluates the onset, the softening and
// the degradation) with the quadratic criterion set, and damaging with the three-dimensional
// set (fracture-plane searches).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "solver/vumat_cartesian.h"

namespace {

namespace prop = tvk::solver::cartesian::prop;
namespace slot = tvk::solver::cartesian::slot;

void BM_vumat_cartesian(benchmark::State& st) {
    const int variant = static_cast<int>(st.range(0));
    int nblock = 256, ndir = 3, nshr = 3, nstatev = slot::count, nfieldv = 1, nprops = prop::count, lanneal = 0;
    double steptime = 1.0, totaltime = 1.0, dt = 1e-7;
    std::vector<double> props(prop::count, 0.0);
    const double values[] = {1e5, 8000, 8000, 4000, 4000, 3000, 0.3, 0.3, 0.4, 1000, 50, 50, 800, 150, 150, 60, 60, 40,
                             9e4, 9000};
    std::copy(std::begin(values), std::end(values), props.begin());
    props[prop::gc_ft] = 100, props[prop::gc_fc] = 80, props[prop::gc_mt] = 0.3, props[prop::gc_mc] = 1.0;
    props[prop::gc_zz] = 0.3, props[prop::damp1] = 1e-8;
    props[prop::es_flag] = 2, props[prop::criterion_flag] = variant == 2 ? 3 : 1, props[prop::stiff_deg_flag] = 1;
    char cmname[80];
    std::memset(cmname, ' ', sizeof cmname);
    const int n = nblock;
    std::vector<double> coord(3 * n), charl(3 * n, 1.0), density(n, 1.5e-9), straininc(6 * n), zeros(9 * n),
        stressold(6 * n), stateold(nstatev * n), ein(n), einel(n), stressnew(6 * n), statenew(nstatev * n), einnew(n),
        einelnew(n);
    const double strain11 = variant == 0 ? 1e-3 : 0.02;
    for (int k = 0; k < n; ++k) {
        stateold[k + n * slot::status] = 1.0;
        stateold[k + n * slot::strain] = strain11 * (1.0 + 1e-4 * k);
        stateold[k + n * (slot::strain + 1)] = 1e-4;
        stateold[k + n * (slot::strain + 3)] = 2e-4;
        for (int c = 0; c < 6; ++c) straininc[k + n * c] = 1e-6 * (c + 1);
    }
    for (auto _ : st) {
        vumat_cartesian(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt,
                        cmname, coord.data(), charl.data(), props.data(), density.data(), straininc.data(),
                        zeros.data(), zeros.data(), zeros.data(), zeros.data(), zeros.data(), stressold.data(),
                        stateold.data(), ein.data(), einel.data(), zeros.data(), zeros.data(), zeros.data(),
                        zeros.data(), stressnew.data(), statenew.data(), einnew.data(), einelnew.data(),
                        sizeof cmname);
        benchmark::DoNotOptimize(stressnew.data());
        benchmark::ClobberMemory();
    }
    if (variant != 0 && statenew[n * slot::rs] <= 0.0) st.SkipWithError("the damaging block did not damage");
    if (variant == 0 && statenew[n * slot::rs] != 0.0) st.SkipWithError("the undamaged block damaged");
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_vumat_cartesian)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
