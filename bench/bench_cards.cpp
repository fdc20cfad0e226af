// Time of one card read from a job folder: a section card of 1,000 sections, and a card of the
// size of a full material card (200 blocks of nine keyword lines, about 3,800 records) read by
// the damage card reader, which walks the same grammar with three passes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/modeldata.h"
#include "input/iohandling.h"

namespace {

namespace fs = std::filesystem;

std::string folder(const char* what) {
    const fs::path p = fs::temp_directory_path() / ("tvk_bench_" + std::to_string(::getpid()) + "_" + what);
    fs::create_directories(p);
    return p.string();
}

void BM_SectionCard1000(benchmark::State& st) {
    const std::string ws = folder("section");
    {
        std::ofstream f(ws + "/SectionCard.tvk");
        for (int s = 1; s <= 1000; ++s)
            f << "++Begin Section, SECID=" << s << "\n+Material\n1 2 1 2 2 1 2 1\n+Orientation\n"
              << "0 45 -45 90 90 -45 45 0\n+Thickness\n0.125\n+Extension\n1 1\n+Strength\n450.0\n++End Section\n";
    }
    for (auto _ : st) {
        getsectiondatafromfile("", ws.data(), 0, ws.size());
        benchmark::DoNotOptimize(tvk::sectiondata.plyzcoord.data());
    }
    fs::remove_all(ws);
}
BENCHMARK(BM_SectionCard1000)->Unit(benchmark::kMillisecond);

void BM_MaterialSizedCard(benchmark::State& st) {
    const std::string ws = folder("damage");
    {
        std::ofstream f(ws + "/DamageCard.tvk");
        for (int d = 1; d <= 200; ++d) {
            f << "++Begin Damage, DMGID=" << d << "\n+Position\n1.0 2.0 0.0 30.0\n";
            for (const char* mode : {"General", "Fiber", "Matrix", "Core", "User"})
                f << "+Abstraction, TYPE=" << mode << "\n1 2.5 1.5 0\n2 3.0 2.0 0\n3 1.0 1.0 0\n";
            f << "+Table, LayID=2, TYPE=Matrix\n0.0 0.0 0.0 1.0 0.0 0.0 1.0 1.0 0.0 0.0 1.0 0.0\n"
              << "+Abstraction, TYPE=Delamination\n1 0.5 0.25 0\n2 0.5 0.25 0\n++End Damage\n";
        }
    }
    const int nplies = 3, nsec = 1;
    for (auto _ : st) {
        getdamagedatafromfile("", ws.data(), &nplies, &nsec, 0, ws.size());
        benchmark::DoNotOptimize(tvk::damagedata.fiberdds.data());
    }
    fs::remove_all(ws);
}
BENCHMARK(BM_MaterialSizedCard)->Unit(benchmark::kMillisecond);

}  // namespace
