// Time of one card read from a job folder: a section card of 1,000 sections, and a card of the
// size of a full material card (200 blocks of nine keyword lines, about 3,800 records) read by
// the damage card reader, which walks the same grammar with three passes. The *Floor benchmarks
// are the floor of each reader: the card read in one piece and every number in it converted with
// std::from_chars.
//
// With TVK_BENCH_CARDS set to a folder holding section/SectionCard.tvk and damage/DamageCard.tvk,
// those cards are read instead of generated ones (bench/readers_py.py writes the same cards and
// times numpy.loadtxt on their numbers).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <string>

#include "core/modeldata.h"
#include "input/iohandling.h"
#include "parse_floor.h"

namespace {

namespace fs = std::filesystem;

// The folder of a card: the given one (kept), or a fresh one that the caller fills and removes.
std::string given_folder(const char* what) {
    const char* root = std::getenv("TVK_BENCH_CARDS");
    return root ? (fs::path(root) / what).string() : std::string();
}

std::string folder(const char* what) {
    const fs::path p = fs::temp_directory_path() / ("tvk_bench_" + std::to_string(::getpid()) + "_" + what);
    fs::create_directories(p);
    return p.string();
}

void write_section_card(const std::string& ws) {
    {
        std::ofstream f(ws + "/SectionCard.tvk");
        for (int s = 1; s <= 1000; ++s)
            f << "++Begin Section, SECID=" << s << "\n+Material\n1 2 1 2 2 1 2 1\n+Orientation\n"
              << "0 45 -45 90 90 -45 45 0\n+Thickness\n0.125\n+Extension\n1 1\n+Strength\n450.0\n++End Section\n";
    }
}

void BM_SectionCard1000(benchmark::State& st) {
    std::string ws = given_folder("section");
    const bool own = ws.empty();
    if (own) write_section_card(ws = folder("section"));
    for (auto _ : st) {
        getsectiondatafromfile("", ws.data(), 0, ws.size());
        benchmark::DoNotOptimize(tvk::sectiondata.plyzcoord.data());
    }
    if (own) fs::remove_all(ws);
}
BENCHMARK(BM_SectionCard1000)->Unit(benchmark::kMillisecond);

void write_damage_card(const std::string& ws) {
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
}

void BM_MaterialSizedCard(benchmark::State& st) {
    std::string ws = given_folder("damage");
    const bool own = ws.empty();
    if (own) write_damage_card(ws = folder("damage"));
    const int nplies = 3, nsec = 1;
    for (auto _ : st) {
        getdamagedatafromfile("", ws.data(), &nplies, &nsec, 0, ws.size());
        benchmark::DoNotOptimize(tvk::damagedata.fiberdds.data());
    }
    if (own) fs::remove_all(ws);
}
BENCHMARK(BM_MaterialSizedCard)->Unit(benchmark::kMillisecond);

template <void (*Write)(const std::string&)>
void card_floor(benchmark::State& st, const char* what, const char* name) {
    std::string ws = given_folder(what);
    const bool own = ws.empty();
    if (own) Write(ws = folder(what));
    const std::string path = ws + "/" + name;
    tvk_bench::FloorResult r;
    for (auto _ : st) {
        r = tvk_bench::parse_floor(path);
        benchmark::DoNotOptimize(r.sum);
    }
    st.counters["numbers"] = static_cast<double>(r.numbers);
    if (own) fs::remove_all(ws);
}

void BM_SectionCard1000Floor(benchmark::State& st) {
    card_floor<write_section_card>(st, "section", "SectionCard.tvk");
}
BENCHMARK(BM_SectionCard1000Floor)->Unit(benchmark::kMillisecond);

void BM_MaterialSizedCardFloor(benchmark::State& st) {
    card_floor<write_damage_card>(st, "damage", "DamageCard.tvk");
}
BENCHMARK(BM_MaterialSizedCardFloor)->Unit(benchmark::kMillisecond);

}  // namespace
