// Compile-time check of binding signatures (the grammar in bind.h): every TVK_ROUTINE and
// TVK_CALLBACK line is checked while the binding file compiles, so a malformed signature, or one
// that disagrees with the C function's parameter list, is a build error instead of an ImportError
// of the module. The import-time parser (signature.cpp) still builds the call plan from the same
// text; this checker only accepts or rejects.
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

namespace tvk::py {

// Per-parameter description of a C function, computed by Thunk (thunk.h): 'd' double, 'i' int,
// 'z' complex, 'b' 1-byte logical, 'c' char, 'L' size_t text length, 'F' call-back.
struct ParamCode {
    char code;
    bool is_const;
};

// Never defined: a call in a constant expression is the compile error.
namespace bad_signature {
void unbalanced_parentheses();
void argument_needs_name_colon_type();
void name_is_not_an_identifier();
void name_repeated();
void too_many_arguments();
void unknown_type();
void text_length_is_not_a_number();
void text_or_call_back_with_extents();
void unknown_attribute();
void expression_malformed();
void vector_default_is_not_a_list_of_numbers_for_a_real_array();
void expression_names_an_unknown_argument();
void expression_calls_an_unknown_function();
void more_than_one_function_value();
void function_value_with_extents();
void hidden_without_default();
void argument_count_differs_from_the_C_function();
void type_differs_from_the_C_parameter();
void written_argument_is_const_in_the_C_function();
void function_value_differs_from_the_C_return_type();
}  // namespace bad_signature

namespace sigcheck {

inline constexpr int max_args = 64;

constexpr bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
constexpr bool is_ident(std::string_view s) {
    if (s.empty() || !is_alpha(s[0])) return false;
    for (char c : s)
        if (!is_alpha(c) && !is_digit(c)) return false;
    return true;
}
constexpr std::string_view trim(std::string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

// Pieces of `s` separated by `sep` (or by blanks when sep is ' ') outside parentheses.
struct Pieces {
    std::array<std::string_view, max_args> item{};
    int n = 0;
};
constexpr Pieces split(std::string_view s, char sep) {
    Pieces out;
    int depth = 0;
    std::size_t start = 0;
    auto push = [&](std::size_t end) {
        std::string_view piece = s.substr(start, end - start);
        if (sep == ' ' && piece.empty()) return;
        if (out.n == max_args) bad_signature::too_many_arguments();
        out.item[out.n++] = piece;
    };
    for (std::size_t k = 0; k < s.size(); ++k) {
        char c = s[k];
        if (c == '(') ++depth;
        if (c == ')' && --depth < 0) bad_signature::unbalanced_parentheses();
        if (depth == 0 && (sep == ' ' ? is_space(c) : c == sep)) {
            push(k);
            start = k + 1;
        }
    }
    if (depth != 0) bad_signature::unbalanced_parentheses();
    push(s.size());
    return out;
}

struct Arg {
    std::string_view name, base, inner;  // type "base(inner)"
    bool ret = false, hide = false, has_default = false;
    char code = '?';                     // C parameter code the argument needs
    bool text = false;
    bool written = false;                // intent other than in and hide
};

struct Checker {
    std::array<Arg, max_args> args{};
    int n = 0;

    constexpr int find(std::string_view name) const {
        for (int k = 0; k < n; ++k)
            if (args[k].name == name) return k;
        return -1;
    }

    // Expressions: or > and > comparison > sum > product > unary > primary, as the import-time
    // parser reads them.
    struct Expr {
        const Checker& c;
        std::string_view s;
        std::size_t p = 0;
        constexpr void ws() {
            while (p < s.size() && is_space(s[p])) ++p;
        }
        constexpr bool eat(std::string_view tok) {
            ws();
            if (s.substr(p, tok.size()) != tok) return false;
            p += tok.size();
            return true;
        }
        constexpr std::string_view ident() {
            ws();
            std::size_t b = p;
            while (p < s.size() && (is_alpha(s[p]) || is_digit(s[p]))) ++p;
            return s.substr(b, p - b);
        }
        constexpr void argname() {
            std::string_view id = ident();
            if (!is_ident(id)) bad_signature::expression_malformed();
            if (c.find(id) < 0) bad_signature::expression_names_an_unknown_argument();
        }
        constexpr void expr() {
            cmp();
            while (eat("||") || eat("&&")) cmp();
        }
        constexpr void cmp() {
            sum();
            while (eat("==") || eat("!=") || eat("<=") || eat(">=") || eat("<") || eat(">")) sum();
        }
        constexpr void sum() {
            prod();
            while (eat("+") || eat("-")) prod();
        }
        constexpr void prod() {
            unary();
            while (eat("*") || eat("/") || eat("%")) unary();
        }
        constexpr void unary() {
            if (eat("-") || eat("+") || eat("!")) return unary();
            primary();
        }
        constexpr void primary() {
            ws();
            if (p >= s.size()) bad_signature::expression_malformed();
            if (eat("(")) {
                expr();
                if (!eat(")")) bad_signature::expression_malformed();
                return;
            }
            char ch = s[p];
            if (is_digit(ch) || ch == '.') {
                while (p < s.size() && (is_digit(s[p]) || s[p] == '.' || s[p] == 'e' || s[p] == 'E' || s[p] == 'd' ||
                                        s[p] == 'D' ||
                                        ((s[p] == '+' || s[p] == '-') &&
                                         (s[p - 1] == 'e' || s[p - 1] == 'E' || s[p - 1] == 'd' || s[p - 1] == 'D'))))
                    ++p;
                return;
            }
            std::string_view id = ident();
            if (id.empty()) bad_signature::expression_malformed();
            if (!eat("(")) {
                if (c.find(id) < 0) bad_signature::expression_names_an_unknown_argument();
                return;
            }
            if (id == "len" || id == "size" || id == "slen") {
                argname();
            } else if (id == "shape") {
                argname();
                if (!eat(",")) bad_signature::expression_malformed();
                ws();
                std::size_t b = p;
                while (p < s.size() && is_digit(s[p])) ++p;
                if (b == p) bad_signature::expression_malformed();
            } else if (id == "min" || id == "max") {
                do expr();
                while (eat(","));
            } else if (id == "abs") {
                expr();
            } else if (id == "cmplx") {
                expr();
                if (!eat(",")) bad_signature::expression_malformed();
                expr();
            } else {
                bad_signature::expression_calls_an_unknown_function();
            }
            if (!eat(")")) bad_signature::expression_malformed();
        }
    };
    // opt=[a,b,...]: numeric literals, for a real array.
    static constexpr void vector_default(std::string_view s, bool real_array) {
        if (!real_array || s.size() < 3 || s.back() != ']') bad_signature::vector_default_is_not_a_list_of_numbers_for_a_real_array();
        std::string_view body = s.substr(1, s.size() - 2);
        std::size_t b = 0;
        for (std::size_t k = 0; k <= body.size(); ++k) {
            if (k < body.size() && body[k] != ',') continue;
            std::string_view item = body.substr(b, k - b);
            std::size_t q = (!item.empty() && (item[0] == '-' || item[0] == '+')) ? 1 : 0;
            bool digit = false;
            for (; q < item.size(); ++q) {
                const char ch = item[q];
                if (is_digit(ch)) digit = true;
                else if (!(ch == '.' || ch == 'e' || ch == 'E' ||
                           ((ch == '-' || ch == '+') && (item[q - 1] == 'e' || item[q - 1] == 'E'))))
                    bad_signature::vector_default_is_not_a_list_of_numbers_for_a_real_array();
            }
            if (!digit) bad_signature::vector_default_is_not_a_list_of_numbers_for_a_real_array();
            b = k + 1;
        }
    }
    constexpr void expression(std::string_view s) const {
        Expr e{*this, s};
        e.expr();
        e.ws();
        if (e.p != s.size()) bad_signature::expression_malformed();
    }

    // An integer argument without a default that stands alone as an extent of an array it sizes
    // takes its default from that array (bind.h, size arguments).
    constexpr bool sizes_an_array(int k) const {
        for (int j = 0; j < n; ++j) {
            if (args[j].text || args[j].code == 'F' || args[j].inner.empty() || args[j].hide) continue;
            Pieces dims = split(args[j].inner, ',');
            for (int d = 0; d < dims.n; ++d)
                if (trim(dims.item[d]) == args[k].name) return true;
        }
        return false;
    }

    constexpr void parse(std::string_view sig) {
        Pieces tokens = split(sig, ' ');
        int nret = 0;
        for (int t = 0; t < tokens.n; ++t) {
            Pieces parts = split(tokens.item[t], ':');
            if (parts.n < 2) bad_signature::argument_needs_name_colon_type();
            Arg a;
            a.name = parts.item[0];
            if (!is_ident(a.name)) bad_signature::name_is_not_an_identifier();
            if (find(a.name) >= 0) bad_signature::name_repeated();
            std::string_view ty = parts.item[1];
            std::size_t open = 0;  // a plain loop: find() is not constant under -fsanitize=undefined
            while (open < ty.size() && ty[open] != '(') ++open;
            a.base = ty.substr(0, open);
            if (open < ty.size()) {
                if (ty.back() != ')') bad_signature::unbalanced_parentheses();
                a.inner = ty.substr(open + 1, ty.size() - open - 2);
                if (a.inner.empty()) bad_signature::expression_malformed();
            }
            std::string_view b = a.base;
            if (b == "f8") a.code = 'd';
            else if (b == "i4" || b == "l4") a.code = 'i';
            else if (b == "c16") a.code = 'z';
            else if (b == "l1") a.code = 'b';
            else if (b == "cb") a.code = 'F';
            else if (!b.empty() && b[0] == 's') {
                a.code = 'c';
                a.text = true;
                if (b == "s*" || b == "s") {
                    if ((b == "s") != !a.inner.empty()) bad_signature::text_length_is_not_a_number();
                } else {
                    for (char ch : b.substr(1))
                        if (!is_digit(ch)) bad_signature::text_length_is_not_a_number();
                    if (!a.inner.empty()) bad_signature::text_or_call_back_with_extents();
                }
            } else {
                bad_signature::unknown_type();
            }
            if (a.code == 'F' && !is_ident(a.inner)) bad_signature::text_or_call_back_with_extents();
            for (int k = 2; k < parts.n; ++k) {
                std::string_view at = parts.item[k];
                if (at == "in" || at == "opt") continue;
                if (at == "out" || at == "inout" || at == "io" || at == "io+copy" || at == "io+overwrite") {
                    a.written = true;
                    a.ret = a.hide = false;
                } else if (at == "hide") {
                    a.hide = true;
                    a.written = a.ret = false;
                } else if (at == "ret") {
                    a.ret = true;
                    a.written = a.hide = false;
                } else if (at.substr(0, 4) == "opt=" || at.substr(0, 1) == "=") {
                    a.has_default = true;
                } else if (!(at.substr(0, 6) == "check(" && at.back() == ')')) {
                    bad_signature::unknown_attribute();
                }
            }
            if (n == max_args) bad_signature::too_many_arguments();
            args[n++] = a;
        }
        // Expressions once every name is known.
        for (int t = 0; t < tokens.n; ++t) {
            Pieces parts = split(tokens.item[t], ':');
            const Arg& a = args[t];
            if (!a.inner.empty() && a.code != 'F') {
                Pieces dims = split(a.inner, ',');
                for (int d = 0; d < dims.n; ++d) expression(dims.item[d]);
            }
            for (int k = 2; k < parts.n; ++k) {
                std::string_view at = parts.item[k];
                if (at.substr(0, 5) == "opt=[") vector_default(at.substr(4), a.base == "f8" && !a.inner.empty());
                else if (at.substr(0, 4) == "opt=") expression(at.substr(4));
                else if (at.substr(0, 1) == "=") expression(at.substr(1));
                else if (at.substr(0, 6) == "check(") expression(at.substr(6, at.size() - 7));
            }
            if (a.ret) {
                ++nret;
                if (!a.inner.empty()) bad_signature::function_value_with_extents();
            }
            if (a.hide && !a.has_default && !(a.base == "i4" && a.inner.empty() && sizes_an_array(t)))
                bad_signature::hidden_without_default();
        }
        if (nret > 1) bad_signature::more_than_one_function_value();
    }

    // The C function: return code ('v' for void) and parameter codes.
    template <std::size_t N>
    constexpr void agree(char ret, const std::array<ParamCode, N>& params) const {
        char want_ret = 'v';
        std::size_t k = 0;
        for (int j = 0; j < n; ++j) {
            const Arg& a = args[j];
            if (a.ret) {
                want_ret = a.code;
                continue;
            }
            if (k >= N) bad_signature::argument_count_differs_from_the_C_function();
            if (params[k].code != a.code) bad_signature::type_differs_from_the_C_parameter();
            if (params[k].is_const && a.written) bad_signature::written_argument_is_const_in_the_C_function();
            ++k;
        }
        for (int j = 0; j < n; ++j) {
            if (!args[j].text) continue;
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
