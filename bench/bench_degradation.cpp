// Stiffness factors of a damaged ply in ns per call: FalcomDegradation + GetNyeDegradationMatrix
// as a solver's ply material routine calls them (C entry points) and as library code calls them
// (inline functions of failure/stiffness_factors.h), for the solver's rule and for the general
// rule, and the whole damaged stiffness (Nye stiffness, factors, matrix, element-wise product).
#include <benchmark/benchmark.h>

#include "failure/stiffness_factors.h"
#include "mechanics/lamina.h"

namespace {

// Fibre and matrix failure with a delamination recorded, as the ply state hands them over.
const double dds[10] = {1.0, 0.0, 1.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0};

void entry_points(benchmark::State& st, int rule) {
    double f[9], m[36];
    const double rdisc = 1.0;
    const int tape = 1, six = 6;
    for (auto _ : st) {
        benchmark::DoNotOptimize(dds);
        FalcomDegradation(f, dds, &rdisc, &rule, &tape, nullptr);
        GetNyeDegradationMatrix(m, f, &six, nullptr);
        benchmark::DoNotOptimize(m);
    }
}
void BM_FactorsEntryPointsRule5(benchmark::State& st) { entry_points(st, 5); }
void BM_FactorsEntryPointsGeneralRule(benchmark::State& st) { entry_points(st, -1); }
BENCHMARK(BM_FactorsEntryPointsRule5);
BENCHMARK(BM_FactorsEntryPointsGeneralRule);

void BM_FactorsInline(benchmark::State& st) {
    double f[9], m[36];
    for (auto _ : st) {
        benchmark::DoNotOptimize(dds);
        tvk::degradation::falcom(f, dds, 1.0, 5, true, nullptr);
        tvk::degradation::nye_degradation_matrix(m, f, 6, false);
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_FactorsInline);

void BM_DamagedStiffnessInline(benchmark::State& st) {
    const double props[9] = {181e9, 10.3e9, 10.3e9, 0.28, 0.28, 0.4, 7.17e9, 7.17e9, 3.68e9};
    double c[36], f[9], m[36];
    for (auto _ : st) {
        benchmark::DoNotOptimize(props);
        tvk::lamina::stiffness(c, props, 6, false);
        tvk::degradation::falcom(f, dds, 1.0, 5, true, nullptr);
        tvk::degradation::nye_degradation_matrix(m, f, 6, false);
        for (int k = 0; k < 36; ++k) c[k] *= m[k];
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_DamagedStiffnessInline);

}  // namespace
