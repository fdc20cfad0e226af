#include "expr.h"

#include <algorithm>
#include <cctype>
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
            } else if (id == "cmplx") {
                parse_or();
                if (!eat(",")) fail("cmplx needs a real and an imaginary part");
                parse_or();
                emit(Expr::CMPLX);
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

}  // namespace tvk::py
