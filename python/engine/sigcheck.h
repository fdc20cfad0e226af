// Compile-time check of binding signatures: every TVK_ROUTINE and TVK_CALLBACK line is read by the
// grammar's reader (grammar.h) while the binding file compiles, and a routine's signature is
// compared with the C function's parameter list, so a malformed signature, one over a limit of the
// grammar, or one that disagrees with its C function is a build error instead of an ImportError of
// the module. The import reads the same text with the same reader to build the call plan.
//
// A rejected signature stops the compiler at a call of one of the functions declared in
// `bad_signature` below; the function's name says what is wrong and the compiler's note quotes the
// signature text, e.g.
//   in 'constexpr' expansion of 'tvk::py::check_routine<&pr_vcross>("c:f8(3):out a:f9(3)")'
//   error: call to non-'constexpr' function 'void tvk::py::bad_signature::unknown_type()'
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "grammar.h"

namespace tvk::py {

// Per-parameter description of a C function, computed by Thunk (thunk.h): 'd' double, 'i' int,
// 'z' complex, 'b' 1-byte logical, 'c' char, 'L' size_t text length, 'F' call-back.
struct ParamCode {
    char code;
    bool is_const;
};

// Never defined: a call in a constant expression is the compile error. One per fault of the
// grammar, and the faults of agreement with the C function.
namespace bad_signature {
#define TVK_BAD_SIGNATURE_DECL(name, text) void name();
TVK_GRAMMAR_FAULTS(TVK_BAD_SIGNATURE_DECL)
#undef TVK_BAD_SIGNATURE_DECL
void argument_count_differs_from_the_C_function();
void type_differs_from_the_C_parameter();
void written_argument_is_const_in_the_C_function();
void function_value_differs_from_the_C_return_type();
}  // namespace bad_signature

namespace sigcheck {

inline constexpr int max_args = grammar::max_args;

// Stops constant evaluation at the function named after the fault.
constexpr void report(grammar::Fault f) {
    switch (f) {
        case grammar::Fault::none: return;
#define TVK_BAD_SIGNATURE_CALL(name, text) \
    case grammar::Fault::name: bad_signature::name(); return;
        TVK_GRAMMAR_FAULTS(TVK_BAD_SIGNATURE_CALL)
#undef TVK_BAD_SIGNATURE_CALL
    }
}

struct Checker {
    grammar::Parsed g;

    constexpr void parse(std::string_view sig) {
        g.read(sig);
        report(g.fault);
    }

    // The C function: return code ('v' for void) and parameter codes.
    template <std::size_t N>
    constexpr void agree(char ret, const std::array<ParamCode, N>& params) const {
        char want_ret = 'v';
        std::size_t k = 0;
        for (int j = 0; j < g.n; ++j) {
            const grammar::ArgText& a = g.args[j];
            const char code = grammar::code_of(a.type);
            if (a.intent == Intent::ret) {
                want_ret = code;
                continue;
            }
            if (k >= N) bad_signature::argument_count_differs_from_the_C_function();
            if (params[k].code != code) bad_signature::type_differs_from_the_C_parameter();
            if (params[k].is_const && grammar::writes(a.intent)) bad_signature::written_argument_is_const_in_the_C_function();
            ++k;
        }
        for (int j = 0; j < g.n; ++j) {
            if (g.args[j].type != Ty::text) continue;
            if (k >= N) bad_signature::argument_count_differs_from_the_C_function();
            if (params[k++].code != 'L') bad_signature::type_differs_from_the_C_parameter();
        }
        if (k != N) bad_signature::argument_count_differs_from_the_C_function();
        if (ret != want_ret) bad_signature::function_value_differs_from_the_C_return_type();
    }
};

}  // namespace sigcheck

// The signature of a call-back form: grammar only (its C type is checked at import, against the
// routines that take it).
consteval bool check_callback(std::string_view sig) {
    sigcheck::Checker c;
    c.parse(sig);
    return true;
}

}  // namespace tvk::py
