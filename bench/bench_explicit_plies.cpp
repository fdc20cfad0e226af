// Material points per second of the explicit ply routines for a block of 256 points: the elastic
// ply, and the progressively failing ply undamaged, with fibre failure initiating and with a
// formed matrix crack.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "solver/vumat_ply.h"

namespace {

constexpr int nb = 256, n = 6;

struct Block {
    int nblock = nb, ndir = 3, nshr = 3, nstatev = 47, nfieldv = 1, nprops, lanneal = 0;
    double steptime = 0.0, totaltime = 1.0, dt = 1e-7;
    char cmname[80];
    std::vector<double> props, coordmp = std::vector<double>(nb * 3, 0.0), charlength = std::vector<double>(nb * 3, 1.0);
    std::vector<double> density = std::vector<double>(nb, 1.6e-9), straininc = std::vector<double>(nb * n, 0.0);
    std::vector<double> relspininc = std::vector<double>(nb * 3, 0.0), temp = std::vector<double>(nb, 0.0);
    std::vector<double> stretch = std::vector<double>(nb * n, 0.0), defgrad = std::vector<double>(nb * 9, 0.0);
    std::vector<double> field = std::vector<double>(nb, 0.0), stressold = std::vector<double>(nb * n, 0.0);
    std::vector<double> stateold = std::vector<double>(nb * 47, 0.0), eold = std::vector<double>(nb, 0.0);
    std::vector<double> stressnew = std::vector<double>(nb * n), statenew = std::vector<double>(nb * 47);
    std::vector<double> enew = std::vector<double>(nb), inew = std::vector<double>(nb);

    explicit Block(std::vector<double> p) : nprops(static_cast<int>(p.size())), props(std::move(p)) {
        std::memset(cmname, ' ', sizeof cmname);
        for (int k = 0; k < nb; ++k) {
            stateold[k + 18 * nb] = 1.0;  // status: active
            for (int j = 0; j < n; ++j) straininc[k + j * nb] = 1e-6 * (j + 1) * (k % 2 ? -1 : 1);
        }
    }
    void call(tvk::solver::VumatPlaneStrain::Fn* fn) {
        fn(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt, cmname,
           coordmp.data(), charlength.data(), props.data(), density.data(), straininc.data(), relspininc.data(),
           temp.data(), stretch.data(), defgrad.data(), field.data(), stressold.data(), stateold.data(), eold.data(),
           eold.data(), temp.data(), stretch.data(), defgrad.data(), field.data(), stressnew.data(), statenew.data(),
           enew.data(), inew.data(), sizeof cmname);
    }
};

std::vector<double> full_props() {
    std::vector<double> p(29, 0.0);
    const double v[] = {140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45, 2000, 50, 0, 1500, 200, 0, 80, 80};
    for (int k = 0; k < 17; ++k) p[k] = v[k];
    p[24] = 100.0;
    p[25] = 80.0;
    p[26] = 0.5;
    p[27] = 1.0;
    p[28] = 1.5;
    return p;
}

void BM_vumat_lamina(benchmark::State& st) {
    Block b({140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45});
    for (auto _ : st) {
        b.call(vumat_lamina);
        benchmark::DoNotOptimize(b.stressnew.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * nb);
}
BENCHMARK(BM_vumat_lamina);

// state: 0 undamaged (both criteria evaluated, the fracture-plane search included), 1 fibre
// failure initiating in tension at every point, 2 a matrix crack formed (no search, crack-plane
// damage and the degradation on the crack plane).
void BM_vumat_bogenfeld(benchmark::State& st) {
    Block b(full_props());
    for (int k = 0; k < nb; ++k) {
        if (st.range(0) == 1) {
            b.stressold[k] = 2100.0;
            b.stateold[k + 20 * nb] = 0.016;
        } else if (st.range(0) == 2) {
            b.stateold[k + 9 * nb] = 1.5;  // exposure reached: crack formed
            b.stateold[k + 11 * nb] = 0.0;
            b.stateold[k + 6 * nb] = 4e-3;
            b.stateold[k + 7 * nb] = 50.0;
            b.stateold[k + 8 * nb] = 0.5;
            b.stateold[k + 10 * nb] = 0.025;
            b.stateold[k + 21 * nb] = 8e-3;
        }
    }
    for (auto _ : st) {
        b.call(vumat_bogenfeld);
        benchmark::DoNotOptimize(b.stressnew.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * nb);
}
BENCHMARK(BM_vumat_bogenfeld)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
