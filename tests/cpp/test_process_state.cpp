// The list of the library's process-wide state: the release brings everything it resets back to
// its value at load, the analysis start sets its counters, and the list covers every writable
// global of the shared library.
#include <gtest/gtest.h>

#include <fnmatch.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/lists.h"
#include "core/modeldata.h"
#include "elements/elementtables.h"
#include "error_record.h"
#include "core/units.h"
#include "pchip/xermsg.h"
#include "solver/impactormotion.h"
#include "single_point_driver.h"
#include "solver/process_state.h"
#include "solver/umat_hail.h"

namespace {

namespace fs = std::filesystem;
namespace ps = tvk::process_state;
using tvk::TableBase;
using tvk::VarDesc;

// Every model-data variable back to its value at load.
void model_data_at_load() {
    for (const VarDesc& v : tvk::modeldata_variables()) {
        switch (v.kind) {
            case VarDesc::Kind::table: v.table()->release(); break;
            case VarDesc::Kind::scalar:
                if (v.code == 'i') *static_cast<int*>(v.address) = 0;
                else *static_cast<double*>(v.address) = 0.0;
                break;
            case VarDesc::Kind::text: std::memset(v.address, 0, static_cast<std::size_t>(v.extent)); break;
        }
    }
}

class ProcessState : public ::testing::Test {
protected:
    fs::path file;
    int control = 0;
    void SetUp() override {
        control = tvk::pchip::j4save(2, 0, false);
        file = fs::temp_directory_path() / ("tvk_process_state_" + std::to_string(::getpid()));
        std::ofstream(file) << "a record\n";
    }
    void TearDown() override {
        ps::release();
        model_data_at_load();
        tvk::pchip::j4save(2, control, true);
        tvktest::clear_errors();
        fs::remove(file);
    }

    // Puts a value other than its load value into everything the list names (the state a
    // finished analysis leaves), the values that release keeps included.
    void fill() {
        for (const VarDesc& v : tvk::modeldata_variables()) {
            if (TableBase* t = v.table()) {
                const std::int64_t e[7] = {2, 2, 2, 2, 2, 2, 2};
                t->reallocate(e);
            } else if (v.kind == VarDesc::Kind::scalar) {
                if (v.code == 'i') *static_cast<int*>(v.address) = 3;
                else *static_cast<double*>(v.address) = 3.0;
            } else {
                std::memset(v.address, 'x', static_cast<std::size_t>(v.extent));
            }
        }
        // The plasticity material's cut-off latch, set by a point whose mean trial stress exceeds
        // the first yield stress.
        tvktest::UmatPoint hail(umat_hail, 3, 3, 13, {70000.0, 0.3, 1.0, 100.0, 0.0, 100.0, 1.0});
        hail.call({0.01, 0.01, 0.01, 0.0, 0.0, 0.0});
        auto& l = tvk::listhandling;
        l.dynintlist2.allocate({4});
        l.dynreallist3.allocate({4});
        l.dyncmplxlist1.allocate({4});
        const int unit = tvk::io::free_unit(1, tvk::io::max_unit);
        ASSERT_EQ(tvk::io::open_read(unit, file.string()), tvk::io::ok);
        ASSERT_EQ(tvk::io::open_read(4000, file.string()), tvk::io::ok);  // above the readers' range
        tvk::impactor_window_reset(2);
        tvk::elements::mark_coords_local();
        int count = 0;
        tvk::pchip::xersve("SLATEC", "DPCHIM", "one message", 1, 7, 1, count);
        tvk::pchip::j4save(1, 7, true);
        tvk::pchip::j4save(2, 1, true);
        tvk::report(-2, "kept by the release");
    }
};

TEST_F(ProcessState, ReleaseBringsEveryResetValueBackAndKeepsTheRest) {
    fill();
    // Every entry that the release resets holds something else now, so the checks below see a
    // change (an entry added to the list needs its state filled here).
    for (const ps::Entry& e : ps::entries()) {
        if (e.release != ps::Action::reset) continue;
        SCOPED_TRACE(e.symbol);
        ASSERT_NE(e.released, nullptr);
        ASSERT_NE(e.on_release, nullptr);
        EXPECT_FALSE(e.released());
    }
    EXPECT_FALSE(ps::released());

    ps::release();

    for (const ps::Entry& e : ps::entries()) {
        if (e.release == ps::Action::reset) {
            EXPECT_TRUE(e.released()) << e.symbol;
        }
    }
    EXPECT_TRUE(ps::released());
    // The model-data tables as deallocall leaves them: freed tables absent, the rest kept.
    for (const VarDesc& v : tvk::modeldata_variables()) {
        if (const TableBase* t = v.table()) {
            EXPECT_EQ(t->present(), !v.freed) << v.module << "." << v.name;
        }
    }
    // The counts that size the released tables go back to 0; settings and texts are kept.
    EXPECT_EQ(tvk::jobdata.nsteps, 0);
    EXPECT_EQ(tvk::sectiondata.nsec, 0);
    EXPECT_EQ(tvk::debugdata.nupdate, 3);
    EXPECT_EQ(tvk::jobdata.jobname[0], 'x');
    // Kept: the error record and the host's error control of the cubic Hermite package.
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(tvktest::errtext(), "kept by the release");
    EXPECT_EQ(tvk::pchip::j4save(2, 0, false), 1);
    // The emptied message table counts a message anew.
    int count = 0;
    tvk::pchip::xersve("SLATEC", "DPCHIM", "one message", 1, 7, 1, count);
    EXPECT_EQ(count, 1);
    // A second release finds nothing to do.
    ps::release();
    EXPECT_TRUE(ps::released());
}

TEST_F(ProcessState, AnalysisStartSetsItsCountersAndNothingElse) {
    fill();
    ps::analysis_start();
    EXPECT_EQ(tvk::sectiondata.nsec, 1);
    EXPECT_EQ(tvk::sectiondata.nplies, 1);
    EXPECT_EQ(tvk::loaddata.nimp, 0);
    EXPECT_EQ(tvk::damagedata.ndmg, 0);
    EXPECT_EQ(tvk::debugdata.nupdate, 1);
    // The tables of an analysis not released stay: analysis start uses stepid to refuse a second
    // scan.
    EXPECT_TRUE(tvk::jobdata.stepid.present());
    EXPECT_EQ(tvk::jobdata.nsteps, 3);
    EXPECT_FALSE(ps::hooks::impactor_window_empty());
}

// ---- the list against the library's symbol table --------------------------------------------

// The shared library next to the test executable.
fs::path library_path() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path() / "libtolvek.so";
}

// Objects the compiler, linker or sanitizers add; not state of the library.
bool toolchain_symbol(const std::string& s) {
    static const char* const patterns[] = {"completed.*", "__TMC_END__", "__dso_handle", "DW.ref.*", "__asan*",
                                           "___asan*",    "__odr_asan*", "__ubsan*",      "__sancov*", ".L*",
                                           "__gcov*",     "__llvm*"};
    for (const char* p : patterns)
        if (::fnmatch(p, s.c_str(), 0) == 0) return true;
    return false;
}

// The objects of the writable data sections (.data, .bss and their thread-local forms; not the
// relocated read-only data), demangled, with "guard variable for" taken as the guarded object.
std::set<std::string> writable_objects(const fs::path& lib, bool& ok) {
    std::set<std::string> out;
    const std::string cmd = "objdump -t -C '" + lib.string() + "' 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    ok = p != nullptr;
    if (!p) return out;
    char buf[4096];
    int lines = 0;
    while (std::fgets(buf, sizeof buf, p)) {
        std::string line(buf);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        ++lines;
        const std::string head = line.substr(0, tab);
        const std::string section = head.substr(head.find_last_of(' ') + 1);
        if (section != ".data" && section != ".bss" && section != ".tdata" && section != ".tbss") continue;
        if (head.find(" O ") == std::string::npos) continue;  // objects only
        std::string name = line.substr(tab + 1);
        name = name.substr(name.find(' '));                     // after the size
        name = name.substr(name.find_first_not_of(' '));
        if (name.rfind(".hidden ", 0) == 0) name = name.substr(8);
        if (name.rfind("guard variable for ", 0) == 0) name = name.substr(19);
        if (!toolchain_symbol(name)) out.insert(name);
    }
    ok = ::pclose(p) == 0 && lines > 0;
    return out;
}

bool listed(const std::string& name, const char* pattern) { return ::fnmatch(pattern, name.c_str(), 0) == 0; }

TEST(ProcessStateList, EveryWritableGlobalOfTheLibraryIsListed) {
    const fs::path lib = library_path();
    ASSERT_TRUE(fs::exists(lib)) << lib;
    bool ok = false;
    const std::set<std::string> objects = writable_objects(lib, ok);
    ASSERT_TRUE(ok) << "objdump could not list the symbols of " << lib;
    ASSERT_FALSE(objects.empty());
    for (const std::string& name : objects) {
        bool found = false;
        for (const ps::Entry& e : ps::entries()) found = found || listed(name, e.symbol);
        EXPECT_TRUE(found) << "writable global not in the process-state list (solver/process_state.cpp): "
                           << name;
    }
    // And no line of the list names storage that no longer exists.
    for (const ps::Entry& e : ps::entries()) {
        bool found = false;
        for (const std::string& name : objects) found = found || listed(name, e.symbol);
        EXPECT_TRUE(found) << "listed but not in the library: " << e.symbol;
    }
}

}  // namespace
