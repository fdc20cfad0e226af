// The ply material-point chain "nine constants -> Nye stiffness -> stress from strain" in ns per
// call, through the C entry points (as a solver calls them) and through the inline functions
// of mechanics/lamina.h (as library code calls them), plus the specific strain energy.
#include <benchmark/benchmark.h>

#include "mechanics/lamina.h"

namespace {

// Elastic constants in the (E1, E2, E3, G12, G13, G23, nu12, nu13, nu23) order, which the
// property routine reorders: the longer of its two 9-value paths.
const double constants[9] = {181e9, 10.3e9, 10.3e9, 7.17e9, 7.17e9, 3.68e9, 0.28, 0.28, 0.4};
const double strain0[6] = {1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4};
const double dstrain[6] = {1e-5, 2e-5, -1e-5, 0.0, 3e-5, -2e-5};

void BM_ChainEntryPoints(benchmark::State& st) {
    double props[9], c[36], stress[6], sse = 0.0;
    const int nine = 9, six = 6, ndi = 3;
    const tvk::logical1 secant = 1, tensor = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(constants);
        GetNyeProperties(props, constants, &nine);
        GetNyeStiffnessMatrix(c, props, &six, nullptr);
        GetStressVector(stress, c, strain0, dstrain, &ndi, &six, &secant, &tensor);
        GetSpecificStrainEnergy(&sse, stress, stress, strain0, dstrain, &ndi, &six, &secant, &tensor);
        benchmark::DoNotOptimize(stress);
        benchmark::DoNotOptimize(sse);
    }
}
BENCHMARK(BM_ChainEntryPoints);

void BM_ChainInline(benchmark::State& st) {
    double props[9], c[36], stress[6], sse = 0.0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(constants);
        tvk::lamina::nye_properties(props, constants, 9);
        tvk::lamina::stiffness(c, props, 6, false);
        tvk::lamina::stress_vector(stress, c, strain0, dstrain, 3, 6, true, false);
        sse = tvk::lamina::strain_energy(sse, stress, stress, strain0, dstrain, 3, 6, true, false);
        benchmark::DoNotOptimize(stress);
        benchmark::DoNotOptimize(sse);
    }
}
BENCHMARK(BM_ChainInline);

void BM_StiffnessOnly(benchmark::State& st) {
    double c[36];
    const double props[9] = {181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9};
    const int six = 6;
    for (auto _ : st) {
        benchmark::DoNotOptimize(props);
        GetNyeStiffnessMatrix(c, props, &six, nullptr);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_StiffnessOnly);

}  // namespace
