// Fracture-plane searches of the matrix-cracking dispatcher, which dominate the damage
// evaluation of an analysis: Puck and LaRC05 by golden section and by a 5-degree scan, plus the
// closed-form Hashin criterion for scale (ns per call).
#include <benchmark/benchmark.h>

#include <vector>

#include "failure/dispatchers.h"

namespace {

void BM_MatrixCracking(benchmark::State& st) {
    const int flag = static_cast<int>(st.range(0));
    const int gsflag = static_cast<int>(st.range(1));
    const double psprops[10] = {2560, 73, 60, 1590, 185, 200, 90, 95, 57, 80};
    const double peprops[9] = {171420, 9080, 9080, 0.32, 0.32, 0.45, 5290, 5290, 3130};
    // Parameter set: (sainc, gsflag) for Puck; for LaRC05 the same two values are read as a0.
    const double pdprops[2] = {5.0, static_cast<double>(gsflag)};
    const int nprops = flag == 9 ? 2 : 0;
    const double orientation = 0.0, stress[6] = {-200, -60, 10, 35, 5, 8};
    const int one = 1;
    double f, r, theta;
    for (auto _ : st) {
        theta = -1.0;
        MatrixCracking(&f, &r, stress, peprops, psprops, pdprops, &orientation, &one, &one, &one, &one, &nprops,
                       &flag, &theta, nullptr);
        benchmark::DoNotOptimize(r);
    }
    st.SetLabel(flag == 9 ? (gsflag == 1 ? "Puck golden" : "Puck scan")
                          : flag == 15 ? "LaRC05 golden (dispatcher default)" : "Hashin 3D");
}
BENCHMARK(BM_MatrixCracking)->Args({9, 1})->Args({9, 0})->Args({15, 1})->Args({2, 1});

}  // namespace
