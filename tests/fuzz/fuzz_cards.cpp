// libFuzzer target of the card readers: the input bytes become, in turn, the step, section,
// material and damage card of a job folder, and each reader reads them from a fresh model. The
// first byte picks the step, ply and section counts handed to the readers; the material card is
// read a second time with these counts into the tables of the first read. Any crash, hang, leak of a unit
// or sanitizer report is a finding; each finding becomes a regression case of the card tests.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/units.h"
#include "input/iohandling.h"

namespace {

namespace fs = std::filesystem;

// The job folder of this process, memory-backed when available: the cards are rewritten for
// every input.
fs::path folder_path() {
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    return base / ("tvk_fuzz_cards_" + std::to_string(::getpid()));
}

const std::string& folder() {
    static const std::string dir = [] {
        fs::create_directories(folder_path());
        // Removed at exit from a path computed anew: this string is gone by then.
        std::atexit([] {
            std::error_code e;
            fs::remove_all(folder_path(), e);
        });
        return folder_path().string();
    }();
    return dir;
}

void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

void fresh_model() {
    using namespace tvk;
    shokriehdata.cycleprops.release();
    shokriehdata.cycles.release();
    auto& sd = sectiondata;
    sd.nsec = sd.nplies = 0;
    for (TableBase* t : {static_cast<TableBase*>(&sd.secidlist), static_cast<TableBase*>(&sd.plyorientation),
                         static_cast<TableBase*>(&sd.plythickness), static_cast<TableBase*>(&sd.plyzcoord),
                         static_cast<TableBase*>(&sd.xcstrength), static_cast<TableBase*>(&sd.seflags),
                         static_cast<TableBase*>(&sd.sehmatrix), static_cast<TableBase*>(&sd.sefmatrix),
                         static_cast<TableBase*>(&materialdata.matidlist)})
        t->release();
    auto& dd = damagedata;
    dd.ndmg = 0;
    for (TableBase* t : {static_cast<TableBase*>(&dd.generaldds), static_cast<TableBase*>(&dd.fiberdds),
                         static_cast<TableBase*>(&dd.matrixdds), static_cast<TableBase*>(&dd.coredds),
                         static_cast<TableBase*>(&dd.userdds), static_cast<TableBase*>(&dd.delamdds),
                         static_cast<TableBase*>(&dd.dmgplane), static_cast<TableBase*>(&dd.dmgpoints)})
        t->release();
    bukdata.bukintdatalist.release();
    bukdata.bukrealdatalist.release();
    for (const VarDesc& v : modeldata_variables())
        if (TableBase* t = v.table(); t && std::strcmp(v.module, "materialdata") == 0) t->release();
    int r, one = 1;
    rsxerr(&r, &one);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int pick = size ? data[0] : 0;
    const int nsteps = pick % 4, nplies = (pick >> 2) % 6, nsec = (pick >> 5) % 4;
    const std::string& ws = folder();
    fresh_model();
    for (const char* name : {"StepCard.tvk", "SectionCard.tvk", "MaterialCard.tvk", "DamageCard.tvk"})
        write_file(ws + "/" + name, data, size);
    getstepdatafromfile("", ws.data(), &nsteps, 0, ws.size());
    getsectiondatafromfile("", ws.data(), 0, ws.size());
    const int mplies = tvk::sectiondata.nplies, msec = tvk::sectiondata.nsec;
    getmaterialdatafromfile("", ws.data(), &mplies, &msec, 0, ws.size());
    getdamagedatafromfile("", ws.data(), &nplies, &nsec, 0, ws.size());
    // The same bytes as the fallback deck of a folder without cards.
    const std::string deck = ws + "/deck.inp", none = ws + "/none";
    write_file(deck, data, size);
    getstepdatafromfile(deck.data(), none.data(), &nsteps, deck.size(), none.size());
    getmaterialdatafromfile(deck.data(), none.data(), &nplies, &nsec, deck.size(), none.size());
    // Every reader closed its unit.
    if (tvk::io::free_unit(1, tvk::io::max_unit) != 1) std::abort();
    return 0;
}
