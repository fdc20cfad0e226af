// libFuzzer target of the data listing reader: the input bytes become a listing, read into a
// fresh model; the element frames are then built on what was read. Any crash, hang, leak of a
// unit or sanitizer report is a finding; each finding becomes a regression case of the listing
// tests.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/datahandling.h"
#include "core/errors.h"
#include "core/units.h"
#include "elements/frames.h"
#include "input/listing.h"

namespace {

namespace fs = std::filesystem;

fs::path listing_path() {
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    return base / ("tvk_fuzz_listing_" + std::to_string(::getpid()) + ".dat");
}

const std::string& path() {
    static const std::string p = [] {
        std::atexit([] {
            std::error_code e;
            fs::remove(listing_path(), e);
        });
        return listing_path().string();
    }();
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& p = path();
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    int istat = 0, r = 0, one = 1;
    deallocall(&istat);
    rsxerr(&r, &one);
    getabqdatafromfile(p.data(), p.size());
    int lop = 0;
    GetNodeReferenceData(&lop, nullptr);
    // The reader closed its unit.
    if (tvk::io::free_unit(1, tvk::io::max_unit) != 1) std::abort();
    return 0;
}
