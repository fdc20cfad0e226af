// The public C header include/tolvek.h against the library's own declarations. Every header of
// src/solver is included first and the public header after it: a prototype whose argument list
// differs from the routine's interface (a missing, extra or reordered argument, a const, a text
// length) is a conflicting declaration of a C function and does not compile. The tests below check
// that the header leaves no routine out and declares none the library does not have.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>

#include "tvk_solver_headers.h"
// The library's declarations above, the public ones below.
#include "core/tvk_error.h"
#include "tolvek.h"

namespace {

namespace sv = tvk::solver;

// The routines a host names most often, with the interfaces that differ least: the porous
// material takes the UMAT list without jstep.
static_assert(std::is_same_v<decltype(umat_lamina), sv::Umat::Fn>);
static_assert(std::is_same_v<decltype(umat_porosity), sv::UmatNoStep::Fn>);
static_assert(!std::is_same_v<sv::Umat::Fn, sv::UmatNoStep::Fn>);
static_assert(std::is_same_v<decltype(vumat_cartesian), sv::Vumat::Fn>);
static_assert(std::is_same_v<decltype(uel_truss), sv::Uel::Fn>);
static_assert(std::is_same_v<decltype(usdfld_dmg), sv::Usdfld::Fn>);
static_assert(std::is_same_v<decltype(UEXTERNALDB_IOControl), sv::Uexternaldb::Fn>);
// An adapter takes the routine first; the routine types are the interfaces' function types.
static_assert(std::is_same_v<tvk_umat_routine, sv::UmatProc::Fn>);
static_assert(std::is_same_v<tvk_usermat_routine, sv::UsermatProc::Fn>);
static_assert(std::is_same_v<tvk_muesli_routine, sv::MuesliProc::Fn>);
// The error record as tvk_error.h declares it.
static_assert(std::is_same_v<decltype(tvk_error_message), std::size_t(char*, std::size_t)>);

const std::filesystem::path root = TVK_SOURCE_DIR;

std::string read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Names a text declares, by the first group of `re`.
std::set<std::string> names(const std::string& text, const std::regex& re) {
    std::set<std::string> out;
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) out.insert((*it)[1]);
    return out;
}

// The routines the headers of src/solver declare from an interface, read from their text (so
// independently of the macros through which the header is written): the declarations that start
// a line, not the macros' own definitions.
std::set<std::string> declared_routines() {
    const std::regex declare(R"(\n[ \t]*TVK_SOLVER_DECLARE\(\s*\w+\s*,\s*(\w+)\s*\))");
    const std::regex adapter(R"(\n[ \t]*TVK_SOLVER_DECLARE_ADAPTER\(\s*\w+\s*,\s*\w+\s*,\s*(\w+)\s*\))");
    std::set<std::string> out;
    for (const auto& f : std::filesystem::directory_iterator(root / "src" / "solver")) {
        if (f.path().extension() != ".h") continue;
        std::string text = read(f.path());
        text = std::regex_replace(text, std::regex("//[^\n]*"), "");  // usage examples in comments
        out.merge(names(text, declare));
        out.merge(names(text, adapter));
    }
    return out;
}

}  // namespace

TEST(PublicHeader, DeclaresEverySolverRoutineAndTheErrorRecordOnly) {
    const std::string header = read(root / "include" / "tolvek.h");
    ASSERT_FALSE(header.empty());
    std::set<std::string> functions = names(header, std::regex(R"(\n(?:void|int|size_t) (\w+)\()"));
    for (const char* n : {"tvk_error_clear", "tvk_error_level", "tvk_error_message"})
        EXPECT_EQ(functions.erase(n), 1u) << n << " is missing from include/tolvek.h";

    const std::set<std::string> declared = declared_routines();
    EXPECT_GT(declared.size(), 50u);
    for (const auto& n : declared) EXPECT_TRUE(functions.count(n)) << n << " is missing from include/tolvek.h";
    for (const auto& n : functions)
        EXPECT_TRUE(declared.count(n)) << "include/tolvek.h declares " << n << ", which the library does not";
    for (const auto& n : declared) {
        const std::regex once("\nvoid " + n + "\\(");
        EXPECT_EQ(std::distance(std::sregex_iterator(header.begin(), header.end(), once), std::sregex_iterator()), 1) << n;
    }
}

// The header stands alone in C: it needs nothing but size_t, and its C++ guard is one block.
TEST(PublicHeader, IsSelfContainedC) {
    const std::string header = read(root / "include" / "tolvek.h");
    EXPECT_EQ(names(header, std::regex(R"(\n#include (\S+))")), std::set<std::string>{"<stddef.h>"});
    EXPECT_EQ(names(header, std::regex(R"(\n(extern "C" \{))")).size(), 1u);
    EXPECT_EQ(header.find("std::"), std::string::npos);
}
