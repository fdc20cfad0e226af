#include "expr.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace tvk::py {

// Recursive descent: or > and > comparison > sum > product > unary > primary.
struct ExprParser {
    const std::string& s;
    std::size_t p = 0;
    const std::function<int(const std::string&)>& lookup;
    Expr& e;

    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error("bad expression '" + s + "': " + why);
    }
    void ws() {
        while (p < s.size() && std::isspace(static_cast<unsigned char>(s[p]))) ++p;
    }
    bool eat(const char* tok) {
        ws();
        std::size_t n = std::char_traits<char>::length(tok);
        if (s.compare(p, n, tok) == 0) {
            p += n;
            return true;
        }
        return false;
    }
    void emit(Expr::Op op, int a = 0, Value lit = Value::of(std::int64_t{0})) { e.code_.push_back({op, a, lit}); }
    int arg_of(const std::string& name) {
        int k = lookup(name);
        if (k < 0) fail("unknown name " + name);
        if (std::find(e.args_.begin(), e.args_.end(), k) == e.args_.end()) e.args_.push_back(k);
        return k;
    }

    void parse_or() {
        parse_and();
        while (eat("||")) { parse_and(); emit(Expr::OR); }
    }
    void parse_and() {
        parse_cmp();
        while (eat("&&")) { parse_cmp(); emit(Expr::AND); }
    }
    void parse_cmp() {
        parse_sum();
        for (;;) {
            Expr::Op op;
            if (eat("==")) op = Expr::EQ;
            else if (eat("!=")) op = Expr::NE;
            else if (eat("<=")) op = Expr::LE;
            else if (eat(">=")) op = Expr::GE;
            else if (eat("<")) op = Expr::LT;
            else if (eat(">")) op = Expr::GT;
            else return;
            parse_sum();
            emit(op);
        }
    }
    void parse_sum() {
        parse_prod();
        for (;;) {
            if (eat("+")) { parse_prod(); emit(Expr::ADD); }
            else if (eat("-")) { parse_prod(); emit(Expr::SUB); }
            else return;
        }
    }
    void parse_prod() {
        parse_unary();
        for (;;) {
            if (eat("*")) { parse_unary(); emit(Expr::MUL); }
            else if (eat("/")) { parse_unary(); emit(Expr::DIV); }
            else if (eat("%")) { parse_unary(); emit(Expr::MOD); }
            else return;
        }
    }
    void parse_unary() {
        if (eat("-")) { parse_unary(); emit(Expr::NEG); return; }
        if (eat("+")) { parse_unary(); return; }
        if (eat("!")) { parse_unary(); emit(Expr::NOT); return; }
        parse_primary();
    }
    std::string ident() {
        ws();
        std::size_t b = p;
        while (p < s.size() && (std::isalnum(static_cast<unsigned char>(s[p])) || s[p] == '_')) ++p;
        return s.substr(b, p - b);
    }
    void parse_primary() {
        ws();
        if (p >= s.size()) fail("unexpected end");
        if (eat("(")) {
            parse_or();
            if (!eat(")")) fail("missing )");
            return;
        }
        char c = s[p];
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            const char* b = s.c_str() + p;
            char* end = nullptr;
            std::size_t q = p;
            bool real = false;
            while (q < s.size() && (std::isdigit(static_cast<unsigned char>(s[q])) || s[q] == '.' ||
                                    s[q] == 'e' || s[q] == 'E' || s[q] == 'd' || s[q] == 'D' ||
                                    ((s[q] == '+' || s[q] == '-') && q > p &&
                                     (s[q - 1] == 'e' || s[q - 1] == 'E' || s[q - 1] == 'd' || s[q - 1] == 'D')))) {
                if (!std::isdigit(static_cast<unsigned char>(s[q]))) real = true;
                ++q;
            }
            std::string lit = s.substr(p, q - p);
            std::replace(lit.begin(), lit.end(), 'd', 'e');
            std::replace(lit.begin(), lit.end(), 'D', 'e');
            (void)b;
            if (real) {
                double v = std::strtod(lit.c_str(), &end);
                emit(Expr::REAL, 0, Value::of(v));
            } else {
                long long v = std::strtoll(lit.c_str(), &end, 10);
                emit(Expr::INT, 0, Value::of(static_cast<std::int64_t>(v)));
            }
            p = q;
            return;
        }
        std::string id = ident();
        if (id.empty()) fail("unexpected character");
        if (eat("(")) {
            if (id == "len" || id == "size" || id == "slen") {
                int k = arg_of(ident());
                emit(id == "len" ? Expr::LEN : id == "size" ? Expr::SIZE : Expr::SLEN, k);
            } else if (id == "shape") {
                int k = arg_of(ident());
                if (!eat(",")) fail("shape needs an axis");
                ws();
                std::size_t b = p;
                while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
                if (b == p) fail("shape axis must be a literal");
                emit(Expr::SHAPE, k, Value::of(static_cast<std::int64_t>(std::stoll(s.substr(b, p - b)))));
            } else if (id == "min" || id == "max") {
                int n = 0;
                do { parse_or(); ++n; } while (eat(","));
                emit(id == "min" ? Expr::MIN : Expr::MAX, n);
            } else if (id == "abs") {
                parse_or();
                emit(Expr::ABS);
            } else {
                fail("unknown function " + id);
            }
            if (!eat(")")) fail("missing )");
            return;
        }
        emit(Expr::ARG, arg_of(id));
    }
};

Expr Expr::parse(const std::string& text, const std::function<int(const std::string&)>& lookup) {
    Expr e;
    e.text_ = text;
    ExprParser ps{text, 0, lookup, e};
    ps.parse_or();
    ps.ws();
    if (ps.p != text.size()) ps.fail("trailing text");
    if (e.code_.size() == 1 && e.code_[0].op == ARG) e.bare_ = e.code_[0].a;
    return e;
}

bool Expr::eval(const ExprEnv& env, Value& out) const {
    // The common one-instruction forms (a literal, an argument, an extent) without the stack.
    if (code_.size() == 1) {
        const Ins& in = code_[0];
        std::int64_t n = 0;
        switch (in.op) {
            case INT:
            case REAL: out = in.lit; return true;
            case ARG: return env.scalar(in.a, out);
            case LEN:
                if (!env.extent(in.a, 0, n)) return false;
                out = Value::of(n);
                return true;
            case SHAPE:
                if (!env.extent(in.a, static_cast<int>(in.lit.i), n)) return false;
                out = Value::of(n);
                return true;
            default: break;
        }
    }
    Value st[32];
    int sp = 0;
    auto num2 = [&](auto fi, auto fd) {
        Value b = st[--sp], a = st[--sp];
        if (a.is_int && b.is_int) st[sp++] = Value::of(static_cast<std::int64_t>(fi(a.i, b.i)));
        else st[sp++] = Value::of(static_cast<double>(fd(a.real(), b.real())));
    };
    auto cmp2 = [&](auto f) {
        Value b = st[--sp], a = st[--sp];
        bool r = (a.is_int && b.is_int) ? f(a.i, b.i) : f(a.real(), b.real());
        st[sp++] = Value::of(static_cast<std::int64_t>(r));
    };
    for (const Ins& in : code_) {
        if (sp >= 30) return false;
        std::int64_t n = 0;
        switch (in.op) {
            case INT:
            case REAL: st[sp++] = in.lit; break;
            case ARG: {
                Value v;
                if (!env.scalar(in.a, v)) return false;
                st[sp++] = v;
                break;
            }
            case LEN:
                if (!env.extent(in.a, 0, n)) return false;
                st[sp++] = Value::of(n);
                break;
            case SHAPE:
                if (!env.extent(in.a, static_cast<int>(in.lit.i), n)) return false;
                st[sp++] = Value::of(n);
                break;
            case SIZE:
                if (!env.size(in.a, n)) return false;
                st[sp++] = Value::of(n);
                break;
            case SLEN:
                if (!env.slen(in.a, n)) return false;
                st[sp++] = Value::of(n);
                break;
            case NEG: {
                Value& a = st[sp - 1];
                if (a.is_int) a.i = -a.i; else a.d = -a.d;
                break;
            }
            case NOT: st[sp - 1] = Value::of(static_cast<std::int64_t>(st[sp - 1].real() == 0.0)); break;
            case ABS: {
                Value& a = st[sp - 1];
                if (a.is_int) a.i = a.i < 0 ? -a.i : a.i; else a.d = std::fabs(a.d);
                break;
            }
            case ADD: num2([](auto a, auto b) { return a + b; }, [](double a, double b) { return a + b; }); break;
            case SUB: num2([](auto a, auto b) { return a - b; }, [](double a, double b) { return a - b; }); break;
            case MUL: num2([](auto a, auto b) { return a * b; }, [](double a, double b) { return a * b; }); break;
            case DIV:
                if (st[sp - 1].is_int && st[sp - 1].i == 0) return false;
                num2([](auto a, auto b) { return a / b; }, [](double a, double b) { return a / b; });
                break;
            case MOD:
                if (st[sp - 1].is_int && st[sp - 1].i == 0) return false;
                num2([](auto a, auto b) { return a % b; }, [](double a, double b) { return std::fmod(a, b); });
                break;
            case EQ: cmp2([](auto a, auto b) { return a == b; }); break;
            case NE: cmp2([](auto a, auto b) { return a != b; }); break;
            case LT: cmp2([](auto a, auto b) { return a < b; }); break;
            case LE: cmp2([](auto a, auto b) { return a <= b; }); break;
            case GT: cmp2([](auto a, auto b) { return a > b; }); break;
            case GE: cmp2([](auto a, auto b) { return a >= b; }); break;
            case AND: {
                Value b = st[--sp], a = st[--sp];
                st[sp++] = Value::of(static_cast<std::int64_t>(a.real() != 0.0 && b.real() != 0.0));
                break;
            }
            case OR: {
                Value b = st[--sp], a = st[--sp];
                st[sp++] = Value::of(static_cast<std::int64_t>(a.real() != 0.0 || b.real() != 0.0));
                break;
            }
            case MIN:
            case MAX: {
                Value r = st[sp - in.a];
                for (int k = sp - in.a + 1; k < sp; ++k) {
                    Value v = st[k];
                    bool less = (r.is_int && v.is_int) ? v.i < r.i : v.real() < r.real();
                    bool greater = (r.is_int && v.is_int) ? v.i > r.i : v.real() > r.real();
                    if ((in.op == MIN && less) || (in.op == MAX && greater)) r = v;
                }
                sp -= in.a;
                st[sp++] = r;
                break;
            }
        }
    }
    if (sp != 1) return false;
    out = st[0];
    return true;
}

}  // namespace tvk::py
