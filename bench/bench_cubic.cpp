// Real roots of a cubic: per call over 64 cubics of one kind (three real roots, one real root,
// and the impact element's contact cubic over time increments from 1e-9 to 2e-6), so that one
// branch history does not stand for all.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <random>

#include "core/roots.h"

namespace {

using Cubic = std::array<double, 4>;

std::array<Cubic, 64> cubics(int kind) {
    std::array<Cubic, 64> out{};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double a = std::pow(10.0, 3.0 * u(rng));
        const double r1 = std::pow(10.0, 2.0 * u(rng)), r2 = -std::pow(10.0, 2.0 * u(rng)), r3 = u(rng);
        if (kind == 0) {  // three real roots
            out[i] = {a, -a * (r1 + r2 + r3), a * (r1 * r2 + r1 * r3 + r2 * r3), -a * r1 * r2 * r3};
        } else if (kind == 1) {  // one real root r1 and the pair r3 +- i r2
            const double m2 = r3 * r3 + r2 * r2;
            out[i] = {a, -a * (r1 + 2 * r3), a * (m2 + 2 * r1 * r3), -a * r1 * m2};
        } else {  // (c + Cp) k y^3 + y^2 - (wp - r) = 0 of the impact element
            const double dt = 1e-9 * std::pow(2000.0, i / 63.0), k = 4.27e8, m = 0.783, v0 = 3.23;
            out[i] = {0.25 * dt * dt / m * k, 1.0, 0.0, -v0 * dt};
        }
    }
    return out;
}

void BM_Solution3PE(benchmark::State& st) {
    const auto set = cubics(static_cast<int>(st.range(0)));
    double x1 = 0.0, x2 = 0.0, x3 = 0.0;
    for (auto _ : st) {
        for (const Cubic& c : set) {
            Solution3PE(&c[0], &c[1], &c[2], &c[3], &x1, &x2, &x3);
            benchmark::DoNotOptimize(x1);
            benchmark::DoNotOptimize(x2);
            benchmark::DoNotOptimize(x3);
        }
    }
    st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(set.size()));
}
BENCHMARK(BM_Solution3PE)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
