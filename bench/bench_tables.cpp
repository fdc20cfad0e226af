// Reading a material property table at every integration point: the bounds-checked accessor
// `at` per entry against a view checked once per call, indexed or taken as a column. Each read
// copies the nine Nye properties of a (ply, section) slot into a local array, as a material
// routine does; per call one slot, or every ply of a section (a layup loop).
#include <benchmark/benchmark.h>

#include <span>

#include "core/table.h"

namespace {

constexpr int kProps = 9, kPlies = 16, kSections = 4;

tvk::Table<double, 3>& properties() {
    static tvk::Table<double, 3> t;
    if (!t.present()) {
        t.allocate({kProps, kPlies, kSections});
        for (std::int64_t k = 0; k < t.size(); ++k) t.data()[k] = 1.0 + 0.001 * static_cast<double>(k);
    }
    return t;
}

bool copy_at(const tvk::Table<double, 3>& t, int first, int last, int sec, double* out) {
    for (int ply = first; ply <= last; ++ply, out += kProps)
        for (int i = 1; i <= kProps; ++i) {
            const double* p = t.at(i, ply, sec);
            if (!p) return false;
            out[i - 1] = *p;
        }
    return true;
}

bool copy_view(const tvk::Table<double, 3>& t, int first, int last, int sec, double* out) {
    const auto v = t.view();
    if (!v.has(kProps, last, sec) || first < 1) return false;
    for (int ply = first; ply <= last; ++ply, out += kProps)
        for (int i = 1; i <= kProps; ++i) out[i - 1] = v(i, ply, sec);
    return true;
}

bool copy_column(const tvk::Table<double, 3>& t, int first, int last, int sec, double* out) {
    const auto v = t.view();
    if (!v.has(kProps, last, sec) || first < 1) return false;
    for (int ply = first; ply <= last; ++ply, out += kProps) {
        const std::span<const double> c = v.column(ply, sec);
        for (int i = 0; i < kProps; ++i) out[i] = c[i];
    }
    return true;
}

using Copy = bool (*)(const tvk::Table<double, 3>&, int, int, int, double*);

template <Copy Read, bool Layup>
void BM_Read(benchmark::State& st) {
    const auto& t = properties();
    double out[kProps * kPlies];
    double* sink = out;
    benchmark::DoNotOptimize(sink);  // the copies escape, so none can be dropped
    int ply = 1, sec = 1;
    for (auto _ : st) {
        int first = Layup ? 1 : ply, last = Layup ? kPlies : ply;
        benchmark::DoNotOptimize(first);
        benchmark::DoNotOptimize(last);
        if (!Read(t, first, last, sec, out)) {
            st.SkipWithError("slot outside the table");
            break;
        }
        benchmark::ClobberMemory();
        if (++ply > kPlies) {
            ply = 1;
            sec = sec % kSections + 1;
        }
    }
}
BENCHMARK(BM_Read<copy_at, false>)->Name("TableReadSlot/at");
BENCHMARK(BM_Read<copy_view, false>)->Name("TableReadSlot/view");
BENCHMARK(BM_Read<copy_column, false>)->Name("TableReadSlot/column");
BENCHMARK(BM_Read<copy_at, true>)->Name("TableReadLayup/at");
BENCHMARK(BM_Read<copy_view, true>)->Name("TableReadLayup/view");
BENCHMARK(BM_Read<copy_column, true>)->Name("TableReadLayup/column");

}  // namespace
