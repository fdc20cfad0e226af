// Damage routines of the explicit material point: bilinear softening, the mode-to-stiffness map
// with its damaged stiffness, the damaged stiffness alone, and the crack-plane degradation of a
// cracked point (ns per call).
#include <benchmark/benchmark.h>

#include "failure/continuum_damage.h"
#include "failure/damage_evolution.h"

namespace {

void BM_BiLinearEvolution(benchmark::State& st) {
    double eps = 0.012, eps0 = 0.01, sig = 60.0, gc = 0.4, lc = 0.002, d, eps1 = -1.0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(eps);
        BiLinearEvolution(&eps, &eps0, &sig, &gc, &lc, &d, &eps1);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_BiLinearEvolution);

const double modes[9] = {0.1, 0, 0.3, 0.2, 0, 0.05, 0, 0, 0.1};
const double moduli[9] = {140e3, 120e3, 9e3, 10e3, 9e3, 11e3, 3.1e3, 5e3, 5e3}, vnu[3] = {0.45, 0.3, 0.3};
const double effort[3] = {1.0, -1.0, 1.0};

void BM_DegradationFromModes(benchmark::State& st) {
    double w[9], c[36];
    const int acc = 1;
    for (auto _ : st) {
        DegradationFromModes(modes, w, &acc, c, moduli, vnu, effort);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_DegradationFromModes);

void BM_MatzenmillerDegradation(benchmark::State& st) {
    const double prop[9] = {140e3, 9e3, 9e3, 3.1e3, 5e3, 5e3, 0.45, 0.3, 0.3}, dn[3] = {0.1, 0.3, 0.2};
    const double d23 = 0.1, d13 = 0.05, d12 = 0.2;
    double c[36];
    for (auto _ : st) {
        MatzenmillerDegradation(prop, c, dn, &d23, &d13, &d12);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_MatzenmillerDegradation);

void BM_TensorDegradation(benchmark::State& st) {
    const double prop[9] = {140e3, 9e3, 9e3, 3.1e3, 5e3, 5e3, 0.45, 0.3, 0.3}, dn[3] = {0, 0, 0}, z = 0.0;
    double c[36], cdeg[36];
    MatzenmillerDegradation(prop, c, dn, &z, &z, &z);
    const double angle = 0.5, d = 0.4;
    const int base = 2, nn = -1;
    for (auto _ : st) {
        TensorDegradation(c, cdeg, &angle, &d, &base, &nn);
        benchmark::DoNotOptimize(cdeg);
    }
}
BENCHMARK(BM_TensorDegradation);

}  // namespace
