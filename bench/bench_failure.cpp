// Fracture-plane searches of the matrix-cracking dispatcher, which dominate the damage
// evaluation of an analysis: Puck and LaRC05 by golden section and by a 5-degree scan, plus the
// closed-form Hashin criterion for scale (ns per call).
#include <benchmark/benchmark.h>

#include <vector>

#include "failure/dispatchers.h"

namespace {

constexpr double orientation_zero = 0.0;

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

// The dispatcher's default search (golden section, 5 degrees) over 64 three-dimensional ply
// stresses in turn (transverse shear and through-thickness stress, some with two maxima over the
// planes): Puck, SPC3D, LaRC04 and LaRC05 (ns per call).
void BM_MatrixCrackingGoldenMix(benchmark::State& st) {
    const int flag = static_cast<int>(st.range(0));
    const double psprops[10] = {2560, 73, 60, 1590, 185, 200, 90, 95, 57, 80};
    const double peprops[9] = {171420, 9080, 9080, 0.32, 0.32, 0.45, 5290, 5290, 3130};
    const double pdprops[1] = {0.0};
    const int one = 1, nprops = 0;
    std::vector<double> stresses(6 * 64);
    unsigned seed = 12345;
    for (double& v : stresses) {
        seed = seed * 1103515245u + 12345u;
        v = (static_cast<int>((seed >> 8) % 20001u) - 10000) * 0.01;  // -100 to 100 MPa
    }
    double f, r, theta;
    std::size_t k = 0;
    for (auto _ : st) {
        theta = -1.0;
        MatrixCracking(&f, &r, &stresses[6 * (k++ % 64)], peprops, psprops, pdprops, &orientation_zero, &one, &one,
                       &one, &one, &nprops, &flag, &theta, nullptr);
        benchmark::DoNotOptimize(r);
    }
    st.SetLabel(flag == 9 ? "Puck" : flag == 12 ? "SPC3D" : flag == 14 ? "LaRC04" : "LaRC05");
}
BENCHMARK(BM_MatrixCrackingGoldenMix)->Arg(9)->Arg(12)->Arg(14)->Arg(15);

}  // namespace
