// The binding grammar read at compile time: every case of signature_cases.h is read by the
// grammar's reader in a constant expression (what the build does with every binding line), and
// must give the fault the table states; the probe module hands the same table to the import-time
// parser (tests/python/test_engine.py). The solver interfaces' derived signatures are valid and
// within the argument limit.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "../../python/engine/solver.h"
#include "signature_cases.h"

namespace {

using tvk::py::grammar::Fault;
namespace grammar = tvk::py::grammar;

// The fault of every case, each computed during compilation.
template <std::size_t... I>
constexpr std::array<Fault, sizeof...(I)> compile_time_faults(std::index_sequence<I...>) {
    return {grammar::check(signature_cases::cases[I].sig)...};
}
constexpr auto faults = compile_time_faults(std::make_index_sequence<signature_cases::count>{});

constexpr bool every_case_as_stated() {
    for (std::size_t k = 0; k < signature_cases::count; ++k)
        if (grammar::fault_name(faults[k]) != signature_cases::cases[k].fault) return false;
    return true;
}
static_assert(every_case_as_stated(), "the compile-time reader disagrees with signature_cases.h");

TEST(BindingGrammar, CompileTimeReaderFindsTheStatedFaultOfEveryCase) {
    for (std::size_t k = 0; k < signature_cases::count; ++k) {
        const auto& c = signature_cases::cases[k];
        EXPECT_EQ(std::string(grammar::fault_name(faults[k])), std::string(c.fault)) << c.sig;
        // The same reader run at run time, as the import runs it.
        EXPECT_EQ(grammar::check(c.sig), faults[k]) << c.sig;
    }
}

TEST(BindingGrammar, TableCoversEveryFault) {
    // Each fault of the grammar is shown by at least one case.
    for (int f = 1; grammar::fault_name(static_cast<Fault>(f)) != "?"; ++f) {
        bool shown = false;
        for (const auto& c : signature_cases::cases) shown = shown || c.fault == grammar::fault_name(static_cast<Fault>(f));
        EXPECT_TRUE(shown) << grammar::fault_name(static_cast<Fault>(f));
    }
}

TEST(BindingGrammar, ArgumentLimitIsExactAndSharedByTheSignatureCheck) {
    // The probe's 64-argument form is read in full; one more is refused.
    grammar::Parsed g;
    ASSERT_TRUE(g.read(signature_cases::at_limit.view()));
    EXPECT_EQ(g.n, grammar::max_args);
    EXPECT_FALSE(g.read(signature_cases::over_limit.view()));
    EXPECT_EQ(g.fault, Fault::too_many_arguments);
    static_assert(tvk::py::sigcheck::max_args == grammar::max_args);
}

TEST(BindingGrammar, ConversionOrderPutsSizeArgumentsAfterTheirArrays) {
    // n takes its default from a, so a converts first; b's extent needs n.
    grammar::Parsed g;
    ASSERT_TRUE(g.read("b:f8(n):out a:f8(n) n:i4"));
    EXPECT_EQ(g.args[2].size_of, 1);
    const std::array<int, 3> want{1, 2, 0};
    for (int k = 0; k < 3; ++k) EXPECT_EQ(g.order[static_cast<std::size_t>(k)], want[static_cast<std::size_t>(k)]);
}

// Every solver interface's signature, derived from its list, is valid, and the largest list
// leaves room under the limit.
template <class... I>
constexpr bool interfaces_valid() {
    return ((grammar::check(tvk::py::solver_signature<I>.data()) == Fault::none) && ...);
}
template <class... I>
constexpr std::size_t largest_interface() {
    std::size_t n = 0;
    ((n = std::size(I::args) > n ? std::size(I::args) : n), ...);
    return n;
}
namespace s = tvk::solver;
#define TVK_ALL_INTERFACES                                                                                        \
    s::Umat, s::UmatShokrieh, s::UmatProny, s::UmatResin, s::UmatInPlace, s::UmatNoStep, s::UmatSensor, s::Vumat, \
        s::VumatPlaneStrain, s::VumatSensor, s::Usermat, s::Upermat, s::Usdfld, s::Vusdfld, s::Uel, s::UelImpact,  \
        s::Vuel, s::VuelImpact
static_assert(interfaces_valid<TVK_ALL_INTERFACES>());

TEST(BindingGrammar, SolverInterfacesFitTheArgumentLimit) {
    constexpr std::size_t largest = largest_interface<TVK_ALL_INTERFACES>();
    EXPECT_GE(largest, 37u);  // the implicit material routine's list
    EXPECT_LE(largest + 1 + 8, static_cast<std::size_t>(grammar::max_args));  // a procedure and adapter arguments
}

}  // namespace
