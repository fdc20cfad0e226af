// Table interpolation on a 1,000-point table: linear and monotone cubic interpolation of
// 1,000,000 query points in random and in ascending order, node derivatives, integral; and one
// query (and an integral) on a 16-point table. The
// side-by-side comparison with numpy.interp and scipy's PchipInterpolator is bench/interp_py.py.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "pchip/pchip.h"
#include "pchip/tableinterp.h"

namespace {

struct Data {
    std::vector<double> x, y, random, sorted;
    Data(int n, int m) {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> step(0.1, 1.0);
        double v = 0.0;
        for (int i = 0; i < n; ++i) {
            v += step(rng);
            x.push_back(v);
            y.push_back(std::sin(v));
        }
        std::uniform_real_distribution<double> q(x.front(), x.back());
        for (int k = 0; k < m; ++k) random.push_back(q(rng));
        sorted = random;
        std::sort(sorted.begin(), sorted.end());
    }
};

const Data& data() {
    static const Data d(1000, 1000000);
    return d;
}

using VecRoutine = void (*)(double*, const double*, const int*, const double*, const int*,
                            const double*, const int*);

void run_table(benchmark::State& state, VecRoutine routine, bool ordered) {
    const Data& d = data();
    const std::vector<double>& p = ordered ? d.sorted : d.random;
    std::vector<double> out(p.size());
    const int nx = static_cast<int>(d.x.size()), np = static_cast<int>(p.size());
    for (auto _ : state) {
        routine(out.data(), d.x.data(), &nx, d.y.data(), &nx, p.data(), &np);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * np);
}

void BM_Linear_Random(benchmark::State& s) { run_table(s, linearinterpolation, false); }
void BM_Linear_Sorted(benchmark::State& s) { run_table(s, linearinterpolation, true); }
void BM_Cubic_Random(benchmark::State& s) { run_table(s, cubichermitianinterpolation, false); }
void BM_Cubic_Sorted(benchmark::State& s) { run_table(s, cubichermitianinterpolation, true); }
void BM_Nearest_Random(benchmark::State& s) { run_table(s, nearestinterpolation, false); }

void BM_Derivatives(benchmark::State& state) {
    const Data& d = data();
    std::vector<double> deriv(d.x.size());
    const int n = static_cast<int>(d.x.size());
    for (auto _ : state) {
        int ierr = 0;
        tvk::pchip::dpchim(n, d.x.data(), d.y.data(), deriv.data(), 1, ierr);
        benchmark::DoNotOptimize(deriv.data());
    }
}

void BM_Integral(benchmark::State& state) {
    const Data& d = data();
    const int n = static_cast<int>(d.x.size());
    const double a = d.x[10] + 0.3, b = d.x[900] - 0.2;
    for (auto _ : state) benchmark::DoNotOptimize(cubichermitianintegration(d.x.data(), &n, d.y.data(), &n, &a, &b));
}

// One query on a 16-point table, as a material routine makes at an integration point.
void small_table_one_point(benchmark::State& state, VecRoutine routine) {
    const Data small(16, 64);
    const int nx = 16, one = 1;
    double out = 0.0;
    std::size_t k = 0;
    for (auto _ : state) {
        routine(&out, small.x.data(), &nx, small.y.data(), &nx, &small.random[k++ & 63], &one);
        benchmark::DoNotOptimize(out);
    }
}
void BM_Linear_Small_OnePoint(benchmark::State& s) { small_table_one_point(s, linearinterpolation); }
void BM_Cubic_Small_OnePoint(benchmark::State& s) { small_table_one_point(s, cubichermitianinterpolation); }
void BM_Integral_Small(benchmark::State& state) {
    const Data small(16, 1);
    const int n = 16;
    const double a = small.x[1] + 0.3, b = small.x[12] - 0.2;
    for (auto _ : state) benchmark::DoNotOptimize(cubichermitianintegration(small.x.data(), &n, small.y.data(), &n, &a, &b));
}

BENCHMARK(BM_Linear_Small_OnePoint);
BENCHMARK(BM_Cubic_Small_OnePoint);
BENCHMARK(BM_Integral_Small);
BENCHMARK(BM_Linear_Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Linear_Sorted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cubic_Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cubic_Sorted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Nearest_Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Derivatives)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Integral)->Unit(benchmark::kMicrosecond);

}  // namespace
