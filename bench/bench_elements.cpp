// Per-integration-point kernels of shell models: the plane-stress reduction of a 3-D tangent
// (condensation with the 6x6 inverse) and the shell strain-displacement matrices (ns per call).
#include <benchmark/benchmark.h>

#include <vector>

#include "elements/shell.h"
#include "elements/stressstate.h"

namespace {

void BM_PlaneStressOutputFrom3D(benchmark::State& st) {
    double d[36] = {};
    const double e1 = 140e3, e2 = 10e3, g12 = 5e3;
    d[0] = e1; d[7] = e2; d[14] = e2; d[1] = d[6] = 3e3; d[2] = d[12] = 3e3; d[8] = d[13] = 4e3;
    d[21] = g12; d[28] = g12; d[35] = 3.5e3;
    const double s3[6] = {100, 20, 0, 5, 0, 0};
    double s[3], q[9];
    for (auto _ : st) {
        GetPlaneStressOutputFrom3D(s, q, s3, d);
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(BM_PlaneStressOutputFrom3D);

std::vector<double> quad8_nodes() {
    const double p[8][2] = {{-1, -1}, {1.1, -1}, {1, 1.2}, {-1, 1}, {0, -1.05}, {1, 0}, {0, 1.1}, {-1, 0}};
    std::vector<double> c(24, 0.0);
    for (int k = 0; k < 8; ++k) c[3 * k] = 2 * p[k][0], c[3 * k + 1] = p[k][1];
    return c;
}

void BM_ShellBMatrix(benchmark::State& st) {
    const auto c = quad8_nodes();
    const int n = 8;
    const double xi = 0.577, eta = -0.577;
    double b[320];
    for (auto _ : st) {
        ShellBMatrix(b, c.data(), &n, &xi, &eta);
        benchmark::DoNotOptimize(b);
    }
}
BENCHMARK(BM_ShellBMatrix);

void BM_ShellxDerivShearForces(benchmark::State& st) {
    const auto c = quad8_nodes();
    const int n = 8;
    const double xi = 0.577, eta = -0.577, h[4] = {5, 1, 1, 4};
    double u[40];
    for (int i = 0; i < 40; ++i) u[i] = 0.01 * i;
    double r[2];
    for (auto _ : st) {
        ShellxDerivShearForces(r, u, h, c.data(), &n, &xi, &eta);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ShellxDerivShearForces);

}  // namespace
