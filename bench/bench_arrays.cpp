// Speed of the array helpers that sit in the innermost material-point loops (copies, zeroing,
// position searches) and of the list append with its free-slot search.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/arrays.h"
#include "core/lists.h"
#include "core/search.h"

namespace {

void BM_fVectorCopy(benchmark::State& st) {
    const int n = static_cast<int>(st.range(0));
    std::vector<double> a(n, 1.0), b(n);
    for (auto _ : st) {
        fVectorCopy(a.data(), b.data(), &n);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_fVectorCopy)->Arg(6)->Arg(36)->Arg(1000);

void BM_IniMatrixwithZeros(benchmark::State& st) {
    const int n = static_cast<int>(st.range(0));
    std::vector<double> a(n * n);
    for (auto _ : st) {
        IniMatrixwithZeros(a.data(), &n, &n);
        benchmark::DoNotOptimize(a.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_IniMatrixwithZeros)->Arg(6)->Arg(30);

void BM_iFindLocation(benchmark::State& st) {
    const int n = static_cast<int>(st.range(0));
    std::vector<int> a(n);
    for (int i = 0; i < n; ++i) a[i] = i;
    const int last = n - 1;
    for (auto _ : st) benchmark::DoNotOptimize(iFindLocation(&last, a.data(), &n, nullptr));
}
BENCHMARK(BM_iFindLocation)->Arg(8)->Arg(1000);

// Appending n distinct values with the uniqueness test: the whole list is scanned per append.
void BM_fAppendScalar2ListUnique(benchmark::State& st) {
    const int n = static_cast<int>(st.range(0));
    const int id = 1, type = 1, uni = 1;
    for (auto _ : st) {
        int ierr = 0, r = 0;
        DeallocateList(&id, &type, &ierr);
        for (int i = 0; i < n; ++i) {
            const double v = i;
            fAppendScalar2List(&id, &v, &uni, &r, nullptr, nullptr);
        }
        benchmark::DoNotOptimize(r);
    }
    int ierr = 0;
    DeallocateList(&id, &type, &ierr);
}
BENCHMARK(BM_fAppendScalar2ListUnique)->Arg(100)->Arg(1000);

}  // namespace
