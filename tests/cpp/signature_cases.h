// Signatures with the fault the binding grammar finds in each (empty: valid). The C++ test reads
// every one with the compile-time reader in a constant expression (test_grammar.cpp); the probe
// module hands the same list to the import-time parser (tests/python/test_engine.py). Both must
// find exactly these faults, so the build and the import accept and refuse the same signatures.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "../../python/engine/grammar.h"

namespace signature_cases {

// Generated texts, for the limits.
template <std::size_t Cap>
struct Text {
    std::array<char, Cap> c{};
    std::size_t n = 0;
    constexpr void put(std::string_view s) {
        for (char ch : s) c[n++] = ch;
    }
    constexpr void put_number(int k) {
        if (k >= 10) put_number(k / 10);
        c[n++] = static_cast<char>('0' + k % 10);
    }
    constexpr std::string_view view() const { return {c.data(), n}; }
    // NUL-terminated: the capacity always exceeds the text.
    constexpr const char* c_str() const { return c.data(); }
};

// "acc:f8(2):inout x1:f8 x2:f8 ... x<count-1>:f8" (`attr` after every x), the form of the probe's
// routine at the argument limit.
template <int Count>
constexpr Text<Count * 24 + 32> many(std::string_view attr = "") {
    Text<Count * 24 + 32> t;
    t.put("acc:f8(2):inout");
    for (int k = 1; k < Count; ++k) {
        t.put(" x");
        t.put_number(k);
        t.put(":f8");
        t.put(attr);
    }
    return t;
}
// Count arrays a<k>:f8(n):io+copy and n: each array is one argument and two parameters of the call
// (itself and overwrite_a<k>).
template <int Count>
constexpr Text<Count * 24 + 16> copies() {
    Text<Count * 24 + 16> t;
    t.put("n:i4");
    for (int k = 1; k <= Count; ++k) {
        t.put(" a");
        t.put_number(k);
        t.put(":f8(n):io+copy");
    }
    return t;
}
// "x:f8 y:f8:opt=1+(1+(...(x)...))" with `nest` parentheses: nest+1 values on the stack at once.
template <int Nest>
constexpr Text<Nest * 4 + 32> deep() {
    Text<Nest * 4 + 32> t;
    t.put("x:f8 y:f8:opt=");
    for (int k = 0; k < Nest; ++k) t.put("1+(");
    t.put("x");
    for (int k = 0; k < Nest; ++k) t.put(")");
    return t;
}

inline constexpr auto at_limit = many<tvk::py::grammar::max_args>();
inline constexpr auto over_limit = many<tvk::py::grammar::max_args + 1>();
inline constexpr auto outputs_at_limit = many<tvk::py::grammar::max_args>(":out");
// 31 copied arrays and n: 32 arguments, 63 call parameters; 32 arrays: 65 call parameters.
inline constexpr auto copies_at_limit = copies<(tvk::py::grammar::max_args - 1) / 2>();
inline constexpr auto copies_over_limit = copies<tvk::py::grammar::max_args / 2>();
inline constexpr auto deep_at_limit = deep<tvk::py::grammar::max_expr_depth - 1>();
inline constexpr auto deep_over_limit = deep<tvk::py::grammar::max_expr_depth>();

struct Case {
    std::string_view sig;
    std::string_view fault;
};

inline constexpr Case cases[] = {
    // Valid: every type, intent and attribute, size arguments, the expression forms.
    {"c:f8(3):out a:f8(3) b:f8(3)", ""},
    {"a:f8(n):io+copy b:f8(n) n:i4", ""},
    {"a:f8(n):io+overwrite b:f8(n) n:i4", ""},
    {"a:f8(n):inout b:f8(n+k) n:i4 k:i4:opt=0:check(k>=0)", ""},
    {"lu:f8(n,n):io n:i4 info:i4:out", ""},
    {"a:f8(n,m) n:i4 m:i4 b:f8(n,m):out", ""},
    {"fdot:f8:ret a:f8(n) b:f8(n) n:i4", ""},
    {"ifind:i4:ret element:i4 array:i4(ndim) ndim:i4 notfound:i4:opt=-1", ""},
    {"s:s8 o:s(slen(s)):out", ""},
    {"s:s* n:i4:opt=slen(s)", ""},
    {"flag:l4 r:l1:out z:c16:opt=cmplx(1.5,-2) w:c16:out", ""},
    {"w:f8(3):opt=[0.5,-2.5e-1,1e3] y:f8:out", ""},
    {"w:f8(4):hide:=[1,2.,.5,1d-3] n:i4:hide:=size(w)", ""},
    {"f:cb(probe_dfunc) x:f8 args:f8(na) na:i4 ncalls:i4 f1:f8:out", ""},
    {"x:f8:opt=(1+2)*3/4%5-abs(-1)+max(1,2,3)-min(4,5) y:i4:opt=!(1<2)||1<=2&&3>=2&&1!=2&&1==1&&2>1", ""},
    {"a:f8(n) n:i4 k:i4:opt=shape(a,0)+len(a)+size(a)", ""},
    {"a:f8(n) b:f8(n):check(len(b)>=n) n:i4:opt=len(a)", ""},
    {"a:f8(1,1,1,1,1,1,1)", ""},
    {"a:cb(f) b:cb(f) c:cb(f) d:cb(f)", ""},
    {"x:f8:opt=1d0 y:f8:opt=2.5D+1 z:f8:opt=.5 t:f8:opt=1.", ""},
    {"  x:f8\t y:f8:check( x > 0 )  ", ""},
    {at_limit.view(), ""},
    {outputs_at_limit.view(), ""},
    {copies_at_limit.view(), ""},
    {deep_at_limit.view(), ""},
    // Limits.
    {over_limit.view(), "too_many_arguments"},
    {copies_over_limit.view(), "too_many_arguments"},
    {"a:f8(1,1,1,1,1,1,1,1)", "too_many_extents"},
    {"a:cb(f) b:cb(f) c:cb(f) d:cb(f) e:cb(f)", "too_many_call_backs"},
    {deep_over_limit.view(), "expression_too_deep"},
    // Faults the import alone used to find.
    {"x:i4:opt=y+z y:i4:opt=x+z z:i4", "circular_dependency"},
    {"x:i4:opt=y y:i4:opt=x", ""},  // x does not wait for y, whose default is x alone
    {"dot:f8:ret a:f8(n) b:f8(n):check(len(b)>=n) n:i4:opt=min(len(a),len(b))", "circular_dependency"},
    {"x:f8 n:i4:hide y:f8(n):out", "hidden_without_default"},
    {"y:f8(n):hide n:i4", "hidden_without_default"},
    {"a:f8(n) n:i4:opt=1.2.3", "expression_malformed"},
    {"x:f8:opt=1e", "expression_malformed"},
    {"x:f8:opt=.", "expression_malformed"},
    // Faults the build alone used to find.
    {"s:s8(3)", "text_or_call_back_with_extents"},
    {"s:s*(3)", "text_length_is_not_a_number"},
    {"s:sx", "text_length_is_not_a_number"},
    {"s:s99999999999", "text_length_is_not_a_number"},
    {"s:s", "text_length_is_not_a_number"},
    {"9x:f8", "name_is_not_an_identifier"},
    {"x:f8 x:i4", "name_repeated"},
    {"f:cb(1bad)", "text_or_call_back_with_extents"},
    {"f:cb", "text_or_call_back_with_extents"},
    {"x:f8(3):opt=[1,e5]", "vector_default_is_not_a_list_of_numbers_for_a_real_array"},
    // Faults both always found.
    {"a:f8(3):opt=[1,2] b:f8(n):opt=len(a)+ n:i4", "expression_malformed"},
    {"x:f8(n n:i4", "unbalanced_parentheses"},
    {"x:f8(n)) n:i4(", "unbalanced_parentheses"},
    {"x:f8:check(x>0", "unbalanced_parentheses"},
    {"x f8", "argument_needs_name_colon_type"},
    {"x:f9", "unknown_type"},
    {"x:", "unknown_type"},
    {"x:f8:outt", "unknown_attribute"},
    {"x:f8:path", "unknown_attribute"},  // a file name is text
    {"p:s*:path q:s8:path", ""},
    {"x:f8:", "unknown_attribute"},
    {"x:f8:opt=", "expression_malformed"},
    {"x:f8(n,) n:i4", "expression_malformed"},
    {"x:f8:opt=1+", "expression_malformed"},
    {"x:f8:opt=(1)(2)", "expression_malformed"},
    {"x:f8:opt=1 2", "argument_needs_name_colon_type"},
    {"a:f8(n) n:i4 k:i4:opt=shape(a,n)", "expression_malformed"},
    {"x:f8:opt=len()", "expression_malformed"},
    {"x:f8:opt=cmplx(1)", "expression_malformed"},
    {"x:f8:check()", "expression_malformed"},
    {"x:f8(m)", "expression_names_an_unknown_argument"},
    {"x:f8:opt=len(y)", "expression_names_an_unknown_argument"},
    {"x:f8:opt=sqrt(2)", "expression_calls_an_unknown_function"},
    {"x:f8:opt=[1.0]", "vector_default_is_not_a_list_of_numbers_for_a_real_array"},
    {"x:i4(3):opt=[1,2,3]", "vector_default_is_not_a_list_of_numbers_for_a_real_array"},
    {"x:f8(3):opt=[0.5,n] n:i4", "vector_default_is_not_a_list_of_numbers_for_a_real_array"},
    {"f:f8:ret g:f8:ret", "more_than_one_function_value"},
    {"f:f8(3):ret", "function_value_with_extents"},
    {"x:f8:hide", "hidden_without_default"},
};

inline constexpr std::size_t count = std::size(cases);

}  // namespace signature_cases
