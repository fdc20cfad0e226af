// Innermost-loop kernels of the material routines: inverse, matrix product and matrix-vector
// product for 3x3 and 6x6 matrices (ns per call), next to the plain LAPACK inverse
// (dgetrf + dgetri on a copy) that the small-matrix path replaces.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/lapack.h"
#include "core/linalg.h"

namespace {

std::vector<double> regular(int n, unsigned seed) {
    std::mt19937 g(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> a(static_cast<size_t>(n) * n);
    for (auto& x : a) x = u(g);
    for (int i = 0; i < n; ++i) a[i + i * n] += n;
    return a;
}

void BM_MatrixInverse(benchmark::State& st) {
    int n = static_cast<int>(st.range(0));
    auto a = regular(n, 1);
    std::vector<double> ainv(a.size());
    for (auto _ : st) {
        MatrixInverse(a.data(), ainv.data(), &n);
        benchmark::DoNotOptimize(ainv.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MatrixInverse)->Arg(3)->Arg(6);

void BM_LapackInverse(benchmark::State& st) {
    int n = static_cast<int>(st.range(0));
    auto a = regular(n, 1);
    std::vector<double> w(a.size()), work(n);
    std::vector<int> ipiv(n);
    for (auto _ : st) {
        int info = 0;
        std::memcpy(w.data(), a.data(), a.size() * sizeof(double));
        dgetrf_(&n, &n, w.data(), &n, ipiv.data(), &info);
        dgetri_(&n, w.data(), &n, ipiv.data(), work.data(), &n, &info);
        benchmark::DoNotOptimize(w.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LapackInverse)->Arg(3)->Arg(6);

void BM_MatrixProduct(benchmark::State& st) {
    int n = static_cast<int>(st.range(0));
    auto a = regular(n, 2), b = regular(n, 3);
    std::vector<double> c(a.size());
    for (auto _ : st) {
        MatrixProduct(a.data(), b.data(), c.data(), &n, &n, &n);
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MatrixProduct)->Arg(3)->Arg(6);

void BM_MatrixVectorProduct(benchmark::State& st) {
    int n = static_cast<int>(st.range(0));
    auto a = regular(n, 4), b = regular(n, 5);
    std::vector<double> c(n);
    for (auto _ : st) {
        MatrixVectorProduct(a.data(), b.data(), c.data(), &n, &n);
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MatrixVectorProduct)->Arg(3)->Arg(6);

}  // namespace
