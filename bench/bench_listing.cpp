// Time of reading a data listing of 100,000 shell elements (a 400 x 250 grid of 8-node shells,
// about 300,000 nodes), and of one nodal patch search on the mesh read from it (depth 1 and 2):
// the patch search scans the element table once per searched element, so its time grows with
// the element count, not with its square. BM_ListingFloor is the floor of the reader: the file
// read in one piece and every number in it converted with std::from_chars.
//
// With TVK_BENCH_LISTING set, that file is read instead of the generated one (bench/readers_py.py
// writes the same listing and times numpy.loadtxt on its numbers).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "parse_floor.h"

#include "core/datahandling.h"
#include "core/modeldata.h"
#include "elements/elementtables.h"
#include "input/listing.h"

namespace {

namespace fs = std::filesystem;

constexpr int nx = 400, ny = 250;  // 100,000 elements

// Writes the listing once per process; returns its path.
const std::string& listing() {
    static const std::string path = [] {
        if (const char* given = std::getenv("TVK_BENCH_LISTING")) return std::string(given);
        const fs::path p = fs::temp_directory_path() / ("tvk_bench_listing_" + std::to_string(::getpid()) + ".dat");
        std::ofstream f(p);
        const int w = 2 * nx + 1;  // nodes per row of the quadratic grid
        const auto id = [&](int i, int j) { return 1 + i + w * j; };
        char line[256];
        f << "                           E L E M E N T   D E F I N I T I O N S\n\n"
          << "    NUMBER  TYPE  PROPERTY   NODES FORMING ELEMENT\n\n";
        for (int ey = 0; ey < ny; ++ey)
            for (int ex = 0; ex < nx; ++ex) {
                const int i = 2 * ex, j = 2 * ey;
                std::snprintf(line, sizeof line, "%10d  S8R          1%10d%10d%10d%10d%10d%10d%10d%10d\n",
                              1 + ex + nx * ey, id(i, j), id(i + 2, j), id(i + 2, j + 2), id(i, j + 2),
                              id(i + 1, j), id(i + 2, j + 1), id(i + 1, j + 2), id(i, j + 1));
                f << line;
            }
        f << "\n\n                              N O D E   D E F I N I T I O N S\n\n";
        for (int j = 0; j <= 2 * ny; ++j)
            for (int i = 0; i < w; ++i) {
                std::snprintf(line, sizeof line, "%10d  %12.5f  %12.5f  %12.5f\n", id(i, j), 0.5 * i, 0.5 * j, 0.0);
                f << line;
            }
        std::atexit([] { fs::remove(fs::temp_directory_path() / ("tvk_bench_listing_" + std::to_string(::getpid()) + ".dat")); });
        return p.string();
    }();
    return path;
}

void BM_ReadListing100k(benchmark::State& st) {
    const std::string& p = listing();
    for (auto _ : st) {
        getabqdatafromfile(p.data(), p.size());
        benchmark::DoNotOptimize(tvk::nodaldata.nodalcoords.data());
    }
    st.counters["elements"] = tvk::elementdata.nelem;
}
BENCHMARK(BM_ReadListing100k)->Unit(benchmark::kMillisecond);

void BM_ListingFloor(benchmark::State& st) {
    const std::string& p = listing();
    tvk_bench::FloorResult r;
    for (auto _ : st) {
        r = tvk_bench::parse_floor(p);
        benchmark::DoNotOptimize(r.sum);
    }
    st.counters["numbers"] = static_cast<double>(r.numbers);
}
BENCHMARK(BM_ListingFloor)->Unit(benchmark::kMillisecond);

void BM_NodalPatch100k(benchmark::State& st) {
    const std::string& p = listing();
    getabqdatafromfile(p.data(), p.size());
    const int depth = static_cast<int>(st.range(0));
    const int npt = 400, nn = tvk::nodaldata.nnodes, ne = tvk::elementdata.nelem;
    const int ref = ne / 2 + nx / 2, exflag = 0, rec = 0;
    const double tol = 1e-10;
    std::vector<double> patch(3 * npt);
    for (auto _ : st) {
        GetNodalPatch(patch.data(), tvk::nodaldata.nodalcoords.data(), tvk::elementdata.elemnodes.data(), &ref, &npt,
                      &nn, &ne, &tol, &exflag, &depth, &rec);
        benchmark::DoNotOptimize(patch.data());
    }
}
BENCHMARK(BM_NodalPatch100k)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
