// Time of one card read from a job folder: a section card of 1,000 sections, a damage card of
// 200 damage sets (nine keyword lines each, about 3,800 records) and a material card of 200
// materials (seven property blocks each) whose ids fill the slots of 25 sections of 8 plies. The
// *Floor benchmarks are the floor of each reader: the card read in one piece and every number
// in it converted with std::from_chars.
//
// With TVK_BENCH_CARDS set to a folder holding section/SectionCard.tvk, damage/DamageCard.tvk
// and material/MaterialCard.tvk, those cards are read instead of generated ones
// (bench/readers_py.py writes the same cards and times numpy.loadtxt on their numbers).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <string>

#include "core/datahandling.h"
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

void write_material_card(const std::string& ws) {
    std::ofstream f(ws + "/MaterialCard.tvk");
    for (int m = 1; m <= 200; ++m)
        f << "++Begin Material, MATID=" << m << "\n+Elastic\n"
          << "140000.0 10000.0 10000.0 0.3 0.3 0.45 5000.0 5000.0 3500.0\n"
          << "+Strength\n2000.0 1200.0 50.0 200.0 80.0 80.0 0.0 0.0 0.0\n"
          << "+Hygrothermal\n-0.5e-6 30.0e-6 30.0e-6 0.0 0.0\n+Fracture\n0.2 0.8 1.0 0.5 0.5\n"
          << "+Failure, TYPE=INITIATION\n1 2 3 0 0\n+Failure, TYPE=EVOLUTION\n1 1 1 0 0\n"
          << "+Failure, TYPE=DEGRADATION\n0.01 0.01 0.01 0.01 0.01 0.01\n++End Material\n";
}

// 25 sections of 8 plies holding the materials 1..200, one per slot.
void material_slots() {
    auto& ids = tvk::materialdata.matidlist;
    ids.allocate({8, 25});
    for (int k = 0; k < 200; ++k) ids.data()[k] = k + 1;
}

void BM_MaterialCard200(benchmark::State& st) {
    std::string ws = given_folder("material");
    const bool own = ws.empty();
    if (own) write_material_card(ws = folder("material"));
    int istat = 0;
    deallocall(&istat);
    material_slots();
    const int nplies = 8, nsec = 25;
    for (auto _ : st) {
        getmaterialdatafromfile("", ws.data(), &nplies, &nsec, 0, ws.size());
        benchmark::DoNotOptimize(tvk::materialdata.peprops.data());
    }
    deallocall(&istat);
    if (own) fs::remove_all(ws);
}
BENCHMARK(BM_MaterialCard200)->Unit(benchmark::kMillisecond);

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

void BM_MaterialCard200Floor(benchmark::State& st) {
    card_floor<write_material_card>(st, "material", "MaterialCard.tvk");
}
BENCHMARK(BM_MaterialCard200Floor)->Unit(benchmark::kMillisecond);

}  // namespace
