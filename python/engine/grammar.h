// The binding grammar (see bind.h for how a signature reads): its vocabulary, its limits, and the
// one reader of a signature. Everything here is constexpr, so the same code checks every binding
// line while the binding file compiles (sigcheck.h) and reads it when the module is imported
// (signature.cpp, expr.cpp): a signature the compiler accepts is one the import accepts, and the
// other way round. The import adds only what the text alone cannot tell (the call-back forms
// defined in other files, the numeric values of the literals).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace tvk::py {

enum class Ty : std::uint8_t { f8, i4, c16, l4, l1, text, cb };
enum class Intent : std::uint8_t { in, out, inout, io, io_copy, io_over, hide, ret };

namespace grammar {

// ---- Limits -------------------------------------------------------------------------------------
// Arguments of one signature, and the parameters of its Python call (visible arguments plus their
// extra keywords, `overwrite_<name>` and `<name>_extra_args`). The call path keeps per-argument
// state in arrays of this size and the set of converted arguments in one 64-bit word; a Python
// call-back is handed at most this many arguments.
inline constexpr int max_args = 64;
// Extents of one array argument.
inline constexpr int max_rank = 7;
// Call-back arguments of one routine.
inline constexpr int max_callbacks = 4;
// Values on the evaluation stack of one expression.
inline constexpr int max_expr_depth = 29;

static_assert(max_args <= 64, "the converted arguments of a call are one 64-bit mask");

// ---- Vocabulary ---------------------------------------------------------------------------------
// Types: the words below, and text: s<N> (N characters), s(EXPR) (length an expression), s* (input
// text of the length passed). `code` is the C parameter the type takes (thunk.h).
struct TypeWord {
    std::string_view word;
    Ty type;
    char code;
};
inline constexpr TypeWord types[] = {
    {"f8", Ty::f8, 'd'}, {"i4", Ty::i4, 'i'}, {"c16", Ty::c16, 'z'},
    {"l4", Ty::l4, 'i'}, {"l1", Ty::l1, 'b'}, {"cb", Ty::cb, 'F'},
};
inline constexpr char text_word = 's';
inline constexpr char text_any_length = '*';
inline constexpr char text_code = 'c';

constexpr char code_of(Ty t) {
    for (const TypeWord& w : types)
        if (w.type == t) return w.code;
    return text_code;
}

// Intents. `list_word` is the spelling of the solver interface lists (src/solver/interface.h),
// which must be a C++ identifier.
struct IntentWord {
    std::string_view word, list_word;
    Intent intent;
};
inline constexpr IntentWord intents[] = {
    {"in", "in", Intent::in},          {"out", "out", Intent::out},
    {"inout", "inout", Intent::inout}, {"io", "io", Intent::io},
    {"io+copy", "io_copy", Intent::io_copy}, {"io+overwrite", "io_overwrite", Intent::io_over},
    {"hide", "hide", Intent::hide},    {"ret", "ret", Intent::ret},
};
// The other attributes: opt | opt=DEFAULT | =DEFAULT | check(EXPR); a DEFAULT is an expression or
// a list [a,b,...] of numeric literals (a real array, filled in memory order).
inline constexpr std::string_view attr_optional = "opt";
inline constexpr char attr_default = '=';
inline constexpr std::string_view attr_check = "check";
// path: an input text that names a file; a zero byte in it is refused as Python's file functions
// refuse it (ValueError "embedded null byte"), never cut there.
inline constexpr std::string_view attr_path = "path";

// Whether the call writes an argument of this intent (its C parameter must not be const).
constexpr bool writes(Intent i) {
    return i == Intent::out || i == Intent::inout || i == Intent::io || i == Intent::io_copy || i == Intent::io_over;
}
constexpr bool visible(Intent i) { return i != Intent::out && i != Intent::hide && i != Intent::ret; }
constexpr bool reads_input(Intent i) { return i != Intent::out && i != Intent::ret; }

// Expressions (extents, defaults, text lengths, checks): integer and real literals, argument names,
// the functions below, the operators below by precedence (lowest first), unary - + !, parentheses.
// They compile into a stack program of these operations (Ops::ADD, or Expr::ADD in the engine).
struct Ops {
    enum Op : std::uint8_t { INT, REAL, ARG, LEN, SHAPE, SIZE, SLEN, NEG, NOT, ADD, SUB, MUL, DIV, MOD,
                             EQ, NE, LT, LE, GT, GE, AND, OR, MIN, MAX, ABS, CMPLX };
};
using Op = Ops::Op;

struct BinaryOp {
    std::string_view token;
    Op op;
    int level;  // 0 binds loosest
};
// A longer token before its prefix.
inline constexpr BinaryOp binary_ops[] = {
    {"||", Ops::OR, 0}, {"&&", Ops::AND, 1},
    {"==", Ops::EQ, 2}, {"!=", Ops::NE, 2}, {"<=", Ops::LE, 2}, {">=", Ops::GE, 2}, {"<", Ops::LT, 2}, {">", Ops::GT, 2},
    {"+", Ops::ADD, 3}, {"-", Ops::SUB, 3},
    {"*", Ops::MUL, 4}, {"/", Ops::DIV, 4}, {"%", Ops::MOD, 4},
};
inline constexpr int unary_level = 5;

struct UnaryOp {
    std::string_view token;
    Op op;
    bool emits;  // unary + is nothing
};
inline constexpr UnaryOp unary_ops[] = {{"-", Ops::NEG, true}, {"+", Ops::ADD, false}, {"!", Ops::NOT, true}};

// What a function takes: an argument name; a name and a literal axis; one or more expressions;
// one; two.
enum class Takes : std::uint8_t { name, name_axis, one_or_more, one, two };
struct Function {
    std::string_view name;
    Op op;
    Takes takes;
};
inline constexpr Function functions[] = {
    {"len", Ops::LEN, Takes::name},          {"size", Ops::SIZE, Takes::name},  {"slen", Ops::SLEN, Takes::name},
    {"shape", Ops::SHAPE, Takes::name_axis}, {"min", Ops::MIN, Takes::one_or_more}, {"max", Ops::MAX, Takes::one_or_more},
    {"abs", Ops::ABS, Takes::one},           {"cmplx", Ops::CMPLX, Takes::two},
};

// Numeric literals: digits with an optional fraction (1, 1., .5, 1.5) and an optional exponent
// introduced by one of these letters (1e3, 2.5E-1, 1d0); real when it has a point or an exponent.
inline constexpr std::string_view exponent_letters = "eEdD";

// ---- Faults -------------------------------------------------------------------------------------
// Each names what is wrong with a signature; the compile-time check stops at a function of that
// name (sigcheck.h), the import reports the text.
#define TVK_GRAMMAR_FAULTS(X)                                                                       \
    X(unbalanced_parentheses, "unbalanced parentheses")                                             \
    X(argument_needs_name_colon_type, "an argument is name:type")                                  \
    X(name_is_not_an_identifier, "an argument name is not an identifier")                          \
    X(name_repeated, "an argument name is repeated")                                                \
    X(too_many_arguments, "more arguments than the limit (counting the extra keywords of the call)") \
    X(too_many_extents, "an array has more extents than the limit")                           \
    X(too_many_call_backs, "more call-back arguments than the limit")                         \
    X(unknown_type, "unknown type")                                                                 \
    X(text_length_is_not_a_number, "a text length is not a number")                                \
    X(text_or_call_back_with_extents, "text or call-back with extents")                            \
    X(unknown_attribute, "unknown attribute")                                                       \
    X(expression_malformed, "malformed expression")                                                 \
    X(expression_too_deep, "an expression needs more values at once than the limit")                      \
    X(vector_default_is_not_a_list_of_numbers_for_a_real_array,                                     \
      "a vector default is a list of numbers for a real array")                                     \
    X(expression_names_an_unknown_argument, "an expression names an unknown argument")             \
    X(expression_calls_an_unknown_function, "an expression calls an unknown function")             \
    X(more_than_one_function_value, "more than one function value")                                 \
    X(function_value_with_extents, "a function value is a scalar")                                 \
    X(hidden_without_default, "a hidden argument has no default")                                   \
    X(circular_dependency, "arguments depend on each other in a circle")

enum class Fault : std::uint8_t {
    none,
#define TVK_GRAMMAR_FAULT_ENUM(name, text) name,
    TVK_GRAMMAR_FAULTS(TVK_GRAMMAR_FAULT_ENUM)
#undef TVK_GRAMMAR_FAULT_ENUM
};

constexpr std::string_view fault_name(Fault f) {
    switch (f) {
        case Fault::none: return "";
#define TVK_GRAMMAR_FAULT_NAME(name, text) \
    case Fault::name: return #name;
        TVK_GRAMMAR_FAULTS(TVK_GRAMMAR_FAULT_NAME)
#undef TVK_GRAMMAR_FAULT_NAME
    }
    return "?";
}
constexpr std::string_view fault_text(Fault f) {
    switch (f) {
        case Fault::none: return "";
#define TVK_GRAMMAR_FAULT_TEXT(name, text) \
    case Fault::name: return text;
        TVK_GRAMMAR_FAULTS(TVK_GRAMMAR_FAULT_TEXT)
#undef TVK_GRAMMAR_FAULT_TEXT
    }
    return "?";
}

// The limit a fault exceeds, or -1.
constexpr int limit_of(Fault f) {
    switch (f) {
        case Fault::too_many_arguments: return max_args;
        case Fault::too_many_extents: return max_rank;
        case Fault::too_many_call_backs: return max_callbacks;
        case Fault::expression_too_deep: return max_expr_depth;
        default: return -1;
    }
}

// ---- Characters and pieces ----------------------------------------------------------------------
constexpr bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
constexpr bool is_ident(std::string_view s) {
    if (s.empty() || !is_alpha(s[0])) return false;
    for (char c : s)
        if (!is_alpha(c) && !is_digit(c)) return false;
    return true;
}
// (A plain loop: string_view::find is not constant under -fsanitize=undefined.)
constexpr bool is_exponent_letter(char c) {
    for (char e : exponent_letters)
        if (c == e) return true;
    return false;
}

// The next piece of `s` from `p`, up to `sep` outside parentheses; with sep ' ' pieces are separated
// by runs of blanks and none is empty. False when there is none left.
constexpr bool next_piece(std::string_view s, std::size_t& p, char sep, std::string_view& piece) {
    if (sep == ' ') {
        while (p < s.size() && is_space(s[p])) ++p;
        if (p >= s.size()) return false;
    } else if (p > s.size()) {
        return false;
    }
    const std::size_t b = p;
    int depth = 0;
    for (; p < s.size(); ++p) {
        const char c = s[p];
        if (c == '(') ++depth;
        else if (c == ')') --depth;
        if (depth == 0 && (sep == ' ' ? is_space(c) : c == sep)) break;
    }
    piece = s.substr(b, p - b);
    ++p;
    return true;
}

// The end of the numeric literal that starts at s[p] (a digit or a point), and whether it is well
// formed and real.
constexpr std::size_t scan_number(std::string_view s, std::size_t p, bool& ok, bool& real) {
    const std::size_t b = p;
    while (p < s.size() && (is_digit(s[p]) || s[p] == '.' || is_exponent_letter(s[p]) ||
                            ((s[p] == '+' || s[p] == '-') && p > b && is_exponent_letter(s[p - 1]))))
        ++p;
    // digits [. digits] with at least one digit, then [letter [sign] digits].
    std::size_t q = b;
    int mantissa = 0;
    while (q < p && is_digit(s[q])) ++q, ++mantissa;
    real = false;
    if (q < p && s[q] == '.') {
        real = true;
        ++q;
        while (q < p && is_digit(s[q])) ++q, ++mantissa;
    }
    ok = mantissa > 0;
    if (ok && q < p && is_exponent_letter(s[q])) {
        real = true;
        ++q;
        if (q < p && (s[q] == '+' || s[q] == '-')) ++q;
        const std::size_t e = q;
        while (q < p && is_digit(s[q])) ++q;
        ok = q > e;
    }
    ok = ok && q == p;
    return p;
}

// ---- Expressions --------------------------------------------------------------------------------
// A sink receives the program of an expression: `emit(op, a, axis)` (a: the argument of ARG, LEN,
// SIZE, SLEN and SHAPE, the operand count of MIN and MAX; axis: SHAPE's) and `literal(text, real)`.
struct NoSink {
    constexpr void emit(Op, int, std::int64_t) {}
    constexpr void literal(std::string_view, bool) {}
};

// Reads one expression; `names` maps an argument name to its index (-1 when unknown). On a fault
// `fault` says what and `p` where.
template <class Names, class Sink>
struct ExprReader {
    std::string_view s;
    const Names& names;
    Sink& sink;
    std::size_t p = 0;
    int depth = 0;            // values on the evaluation stack
    std::uint64_t refs = 0;   // arguments referred to
    int count = 0;            // operations emitted
    int bare = -1;            // the argument when the expression is one name alone
    Fault fault = Fault::none;

    constexpr bool fail(Fault f) {
        if (fault == Fault::none) fault = f;
        return false;
    }
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
        const std::size_t b = p;
        while (p < s.size() && (is_alpha(s[p]) || is_digit(s[p]))) ++p;
        return s.substr(b, p - b);
    }
    constexpr bool push(int n) {
        depth += n;
        return depth <= max_expr_depth || fail(Fault::expression_too_deep);
    }
    constexpr bool emit(Op op, int a = 0, std::int64_t axis = 0) {
        ++count;
        sink.emit(op, a, axis);
        switch (op) {
            case Ops::ARG: case Ops::LEN: case Ops::SHAPE: case Ops::SIZE: case Ops::SLEN: return push(1);
            case Ops::NEG: case Ops::NOT: case Ops::ABS: return true;
            case Ops::MIN: case Ops::MAX: return push(1 - a);
            default: return push(-1);
        }
    }
    constexpr int argument(std::string_view id) {
        if (!is_ident(id)) {
            fail(Fault::expression_malformed);
            return -1;
        }
        const int k = names.find(id);
        if (k < 0) {
            fail(Fault::expression_names_an_unknown_argument);
            return -1;
        }
        refs |= std::uint64_t{1} << k;
        return k;
    }

    constexpr bool read() {
        if (!level(0)) return false;
        ws();
        if (p != s.size()) return fail(Fault::expression_malformed);
        return true;
    }
    constexpr bool level(int l) {
        if (l == unary_level) return unary();
        if (!level(l + 1)) return false;
        // (Indices, not pointers: a pointer into a table compared with null is not constant under
        // -fsanitize=undefined.)
        for (;;) {
            int found = -1;
            for (int b = 0; b < static_cast<int>(std::size(binary_ops)) && found < 0; ++b)
                if (binary_ops[b].level == l && eat(binary_ops[b].token)) found = b;
            if (found < 0) return true;
            if (!level(l + 1) || !emit(binary_ops[found].op)) return false;
        }
    }
    constexpr bool unary() {
        for (const UnaryOp& u : unary_ops)
            if (eat(u.token)) return unary() && (!u.emits || emit(u.op));
        return primary();
    }
    constexpr bool primary() {
        ws();
        if (p >= s.size()) return fail(Fault::expression_malformed);
        if (eat("(")) return level(0) && (eat(")") || fail(Fault::expression_malformed));
        if (is_digit(s[p]) || s[p] == '.') {
            bool ok = false, real = false;
            const std::size_t e = scan_number(s, p, ok, real);
            if (!ok) return fail(Fault::expression_malformed);
            ++count;
            sink.literal(s.substr(p, e - p), real);
            p = e;
            return push(1);
        }
        const std::string_view id = ident();
        if (id.empty()) return fail(Fault::expression_malformed);
        if (!eat("(")) {
            const int k = argument(id);
            if (k < 0) return false;
            if (count == 0) bare = k;
            return emit(Ops::ARG, k);
        }
        int which = -1;
        for (int f = 0; f < static_cast<int>(std::size(functions)); ++f)
            if (functions[f].name == id) which = f;
        if (which < 0) return fail(Fault::expression_calls_an_unknown_function);
        const Function fn = functions[which];
        switch (fn.takes) {
            case Takes::name: {
                const int k = argument(ident());
                if (k < 0 || !emit(fn.op, k)) return false;
                break;
            }
            case Takes::name_axis: {
                const int k = argument(ident());
                if (k < 0) return false;
                if (!eat(",")) return fail(Fault::expression_malformed);
                ws();
                const std::size_t b = p;
                std::int64_t axis = 0;
                for (; p < s.size() && is_digit(s[p]); ++p) axis = axis < 100000000 ? axis * 10 + (s[p] - '0') : axis;
                if (b == p) return fail(Fault::expression_malformed);
                if (!emit(fn.op, k, axis)) return false;
                break;
            }
            case Takes::one_or_more: {
                int n = 0;
                do {
                    if (!level(0)) return false;
                    ++n;
                } while (eat(","));
                if (!emit(fn.op, n)) return false;
                break;
            }
            case Takes::one:
                if (!level(0) || !emit(fn.op)) return false;
                break;
            case Takes::two:
                if (!level(0)) return false;
                if (!eat(",")) return fail(Fault::expression_malformed);
                if (!level(0) || !emit(fn.op)) return false;
                break;
        }
        return eat(")") || fail(Fault::expression_malformed);
    }
};

// Reads `text` as one expression into `sink`; the reader tells the fault, the arguments referred
// to and whether it is one name alone.
template <class Names, class Sink>
constexpr ExprReader<Names, Sink> read_expression(std::string_view text, const Names& names, Sink& sink) {
    ExprReader<Names, Sink> r{text, names, sink};
    if (!r.read()) return r;
    if (r.count != 1) r.bare = -1;
    return r;
}

// A vector default "[a,b,...]": numeric literals, each with an optional sign. Calls `item(text)`
// for each; false when it is not such a list.
template <class F>
constexpr bool read_vector_default(std::string_view s, F&& item) {
    if (s.size() < 3 || s.front() != '[' || s.back() != ']') return false;
    const std::string_view body = s.substr(1, s.size() - 2);
    std::size_t b = 0;
    for (std::size_t k = 0; k <= body.size(); ++k) {
        if (k < body.size() && body[k] != ',') continue;
        const std::string_view text = body.substr(b, k - b);
        const std::size_t q = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
        if (q >= text.size() || !(is_digit(text[q]) || text[q] == '.')) return false;
        bool ok = false, real = false;
        if (scan_number(text, q, ok, real) != text.size() || !ok) return false;
        item(text);
        b = k + 1;
    }
    return true;
}

// ---- Signatures ---------------------------------------------------------------------------------
// One argument as written.
struct ArgText {
    std::string_view token;         // the whole "name:type:attributes"
    std::string_view name;
    std::string_view inner;         // inside the type's parentheses
    std::string_view def;           // default text (an expression, or a [list])
    std::string_view text_len;      // s(EXPR): EXPR
    std::string_view cbname;        // cb(NAME): NAME
    std::array<std::string_view, max_rank> dims{};
    std::array<std::int8_t, max_rank> dim_bare{};  // an extent that is one argument's name alone
    Ty type = Ty::f8;
    Intent intent = Intent::in;
    int rank = 0;
    int text_fixed = -1;            // s<N>: N
    bool text_star = false;         // s*
    bool path = false;              // :path (text only)
    bool optional = false;
    bool vector_default = false;    // def is a [list]
    std::uint64_t refs = 0;         // arguments its extents, default, length and checks refer to
    std::uint64_t def_refs = 0;     // those of its default expression
    bool expr_default = false;      // it has a default expression (written, or of a size argument)
    int size_of = -1, size_axis = 0;  // a size argument: the array whose extent is its default
    std::uint64_t deps = 0;         // arguments to convert before this one
};

// Reads a signature: every argument, the defaults of size arguments, and the conversion order.
// `fault` is none for a valid signature; otherwise `at` is the piece it concerns.
struct Parsed {
    std::array<ArgText, max_args> args{};
    int n = 0;
    std::array<std::int8_t, max_args> order{};  // conversion order
    Fault fault = Fault::none;
    std::string_view at;

    constexpr int find(std::string_view name) const {
        for (int k = 0; k < n; ++k)
            if (args[k].name == name) return k;
        return -1;
    }
    constexpr bool fail(Fault f, std::string_view where) {
        if (fault == Fault::none) {
            fault = f;
            at = where;
        }
        return false;
    }

    // Calls f(attribute) for every attribute of argument k.
    template <class F>
    constexpr void attributes(int k, F&& f) const {
        std::size_t p = 0;
        std::string_view piece;
        for (int j = 0; next_piece(args[k].token, p, ':', piece); ++j)
            if (j >= 2) f(piece);
    }

    constexpr bool read(std::string_view sig) {
        *this = Parsed{};
        int depth = 0;
        for (char c : sig) {
            if (c == '(') ++depth;
            if (c == ')' && --depth < 0) return fail(Fault::unbalanced_parentheses, sig);
        }
        if (depth != 0) return fail(Fault::unbalanced_parentheses, sig);
        std::size_t p = 0;
        std::string_view token;
        while (next_piece(sig, p, ' ', token)) {
            if (n == max_args) return fail(Fault::too_many_arguments, token);
            if (!read_argument(token)) return false;
            ++n;
        }
        return expressions() && size_arguments() && counts() && conversion_order();
    }

private:
    constexpr bool read_argument(std::string_view token) {
        ArgText& a = args[n];
        a.token = token;
        std::size_t p = 0;
        std::string_view name, ty;
        next_piece(token, p, ':', name);
        if (!next_piece(token, p, ':', ty)) return fail(Fault::argument_needs_name_colon_type, token);
        a.name = name;
        if (!is_ident(name)) return fail(Fault::name_is_not_an_identifier, token);
        if (find(name) >= 0) return fail(Fault::name_repeated, token);
        std::size_t open = 0;
        while (open < ty.size() && ty[open] != '(') ++open;
        const std::string_view base = ty.substr(0, open);
        if (open < ty.size()) {
            if (ty.back() != ')') return fail(Fault::unbalanced_parentheses, token);
            a.inner = ty.substr(open + 1, ty.size() - open - 2);
            if (a.inner.empty()) return fail(Fault::expression_malformed, token);
        }
        bool known = false;
        for (const TypeWord& w : types)
            if (w.word == base) {
                a.type = w.type;
                known = true;
            }
        if (!known && !base.empty() && base[0] == text_word) {
            a.type = Ty::text;
            const std::string_view len = base.substr(1);
            if (len.empty()) {
                if (a.inner.empty()) return fail(Fault::text_length_is_not_a_number, token);
                a.text_len = a.inner;
            } else if (len.size() == 1 && len[0] == text_any_length) {
                if (!a.inner.empty()) return fail(Fault::text_length_is_not_a_number, token);
                a.text_star = true;
            } else {
                std::int64_t v = 0;
                for (char c : len) {
                    if (!is_digit(c)) return fail(Fault::text_length_is_not_a_number, token);
                    v = v * 10 + (c - '0');
                    if (v > 0x7fffffff) return fail(Fault::text_length_is_not_a_number, token);
                }
                if (!a.inner.empty()) return fail(Fault::text_or_call_back_with_extents, token);
                a.text_fixed = static_cast<int>(v);
            }
        } else if (!known) {
            return fail(Fault::unknown_type, token);
        }
        if (a.type == Ty::cb) {
            if (!is_ident(a.inner)) return fail(Fault::text_or_call_back_with_extents, token);
            a.cbname = a.inner;
        } else if (a.type != Ty::text && !a.inner.empty()) {
            std::size_t q = 0;
            std::string_view dim;
            while (next_piece(a.inner, q, ',', dim)) {
                if (a.rank == max_rank) return fail(Fault::too_many_extents, token);
                a.dims[static_cast<std::size_t>(a.rank++)] = dim;
            }
        }
        std::string_view at;
        while (next_piece(token, p, ':', at)) {
            bool intent = false;
            for (const IntentWord& w : intents)
                if (w.word == at) {
                    a.intent = w.intent;
                    intent = true;
                }
            if (intent) continue;
            if (at == attr_optional) {
                a.optional = true;
            } else if (at == attr_path) {
                if (a.type != Ty::text) return fail(Fault::unknown_attribute, token);
                a.path = true;
            } else if (at.substr(0, attr_optional.size()) == attr_optional && at.size() > attr_optional.size() &&
                       at[attr_optional.size()] == attr_default) {
                a.optional = true;
                a.def = at.substr(attr_optional.size() + 1);
                if (a.def.empty()) return fail(Fault::expression_malformed, token);
            } else if (!at.empty() && at[0] == attr_default) {
                a.def = at.substr(1);
                if (a.def.empty()) return fail(Fault::expression_malformed, token);
            } else if (at.size() > attr_check.size() + 1 && at.substr(0, attr_check.size()) == attr_check &&
                       at[attr_check.size()] == '(' && at.back() == ')') {
                // read with the expressions
            } else {
                return fail(Fault::unknown_attribute, token);
            }
        }
        return true;
    }

    // One expression of argument k: its references join the argument's.
    constexpr bool expression(ArgText& a, std::string_view text, std::uint64_t& refs, std::int8_t& bare) {
        NoSink none;
        const auto r = read_expression(text, *this, none);
        if (r.fault != Fault::none) return fail(r.fault, a.token);
        a.refs |= r.refs;
        refs = r.refs;
        bare = static_cast<std::int8_t>(r.bare);
        return true;
    }
    constexpr bool expression(ArgText& a, std::string_view text) {
        std::uint64_t refs = 0;
        std::int8_t bare = -1;
        return expression(a, text, refs, bare);
    }

    constexpr bool expressions() {
        for (int k = 0; k < n; ++k) {
            ArgText& a = args[k];
            std::uint64_t refs = 0;
            std::int8_t bare = -1;
            for (int d = 0; d < a.rank; ++d)
                if (!expression(a, a.dims[d], refs, a.dim_bare[d])) return false;
            if (!a.def.empty() && a.def.front() == '[') {
                if (a.type != Ty::f8 || a.rank == 0 || !read_vector_default(a.def, [](std::string_view) {}))
                    return fail(Fault::vector_default_is_not_a_list_of_numbers_for_a_real_array, a.token);
                a.vector_default = true;
            } else if (!a.def.empty()) {
                if (!expression(a, a.def, a.def_refs, bare)) return false;
                a.expr_default = true;
            }
            if (!a.text_len.empty() && !expression(a, a.text_len)) return false;
            bool ok = true;
            attributes(k, [&](std::string_view at) {
                if (ok && at.substr(0, attr_check.size()) == attr_check && at.size() > attr_check.size() && at[attr_check.size()] == '(')
                    ok = expression(a, at.substr(attr_check.size() + 1, at.size() - attr_check.size() - 2));
            });
            if (!ok) return false;
            if (a.intent == Intent::ret && a.rank > 0) return fail(Fault::function_value_with_extents, a.token);
        }
        return true;
    }

    // An i4 input (or hidden) scalar without a default that stands alone as an extent of an input
    // array takes that extent as its default: len(a) for a vector, shape(a,i) for the i-th extent
    // of a matrix (bind.h).
    constexpr bool size_arguments() {
        for (int k = 0; k < n; ++k) {
            ArgText& s = args[k];
            if (s.type != Ty::i4 || s.rank != 0 || !s.def.empty()) continue;
            if (s.intent != Intent::in && s.intent != Intent::hide) continue;
            for (int j = 0; j < n && s.size_of < 0; ++j) {
                const ArgText& a = args[j];
                if (!reads_input(a.intent) || a.intent == Intent::hide || a.rank == 0) continue;
                for (int d = 0; d < a.rank; ++d)
                    if (a.dim_bare[d] == k) {
                        s.size_of = j;
                        s.size_axis = d;
                        break;
                    }
            }
            if (s.size_of >= 0) {
                s.expr_default = true;
                s.def_refs = std::uint64_t{1} << s.size_of;
                s.refs |= s.def_refs;
            }
        }
        for (int k = 0; k < n; ++k) {
            const ArgText& a = args[k];
            if (a.intent == Intent::hide && a.def.empty() && a.size_of < 0) return fail(Fault::hidden_without_default, a.token);
        }
        return true;
    }

    constexpr bool counts() {
        int nret = 0, ncb = 0, ncall = 0;
        for (int k = 0; k < n; ++k) {
            const ArgText& a = args[k];
            nret += a.intent == Intent::ret;
            ncb += a.type == Ty::cb;
            if (visible(a.intent))
                ncall += 1 + (a.type == Ty::cb || a.intent == Intent::io_copy || a.intent == Intent::io_over);
        }
        if (nret > 1) return fail(Fault::more_than_one_function_value, {});
        if (ncb > max_callbacks) return fail(Fault::too_many_call_backs, {});
        if (ncall > max_args) return fail(Fault::too_many_arguments, {});
        return true;
    }

    // Independent arguments in argument order, then the dependent ones, each taken when none of the
    // other remaining ones is among its dependencies. An array does not depend on a size argument
    // whose default is taken from that array alone.
    constexpr bool conversion_order() {
        for (int k = 0; k < n; ++k) args[k].deps = args[k].refs & ~(std::uint64_t{1} << k);
        for (int k = 0; k < n; ++k) {
            ArgText& a = args[k];
            const std::uint64_t self = std::uint64_t{1} << k;
            for (int r = 0; r < n; ++r) {
                const ArgText& s = args[r];
                if (((a.deps >> r) & 1u) && (s.deps & self) && s.expr_default && s.def_refs == self)
                    a.deps &= ~(std::uint64_t{1} << r);
            }
        }
        int norder = 0;
        std::array<std::int8_t, max_args> dependent{};
        int ndep = 0;
        for (int k = 0; k < n; ++k) {
            if (args[k].deps == 0) order[static_cast<std::size_t>(norder++)] = static_cast<std::int8_t>(k);
            else dependent[static_cast<std::size_t>(ndep++)] = static_cast<std::int8_t>(k);
        }
        int stall = 0;
        while (ndep > 0) {
            const int head = dependent[0];
            bool blocked = false;
            for (int j = 1; j < ndep; ++j)
                if ((args[head].deps >> dependent[static_cast<std::size_t>(j)]) & 1u) blocked = true;
            for (int j = 1; j < ndep; ++j) dependent[static_cast<std::size_t>(j - 1)] = dependent[static_cast<std::size_t>(j)];
            --ndep;
            if (blocked) {
                dependent[static_cast<std::size_t>(ndep++)] = static_cast<std::int8_t>(head);
                if (++stall > ndep + 1) return fail(Fault::circular_dependency, args[head].token);
            } else {
                order[static_cast<std::size_t>(norder++)] = static_cast<std::int8_t>(head);
                stall = 0;
            }
        }
        return true;
    }
};

// The fault of a signature (none when it is valid), at compile time or at run time.
constexpr Fault check(std::string_view sig) {
    Parsed s;
    s.read(sig);
    return s.fault;
}

}  // namespace grammar
}  // namespace tvk::py
