// Integer/real expressions of routine signatures (extents, defaults, checks), compiled once at
// import into a small stack program and evaluated per call against the call's arguments.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "grammar.h"

namespace tvk::py {

// A trivial type, so that evaluation stacks cost nothing to set up.
// The imaginary part `im` is nonzero only for a complex literal, cmplx(re, im), the default of
// a complex argument.
struct Value {
    bool is_int;
    std::int64_t i;
    double d;
    double im;
    double real() const { return is_int ? static_cast<double>(i) : d; }
    std::int64_t integer() const { return is_int ? i : static_cast<std::int64_t>(d); }
    static Value of(std::int64_t v) { return {true, v, 0.0, 0.0}; }
    static Value of(double v) { return {false, 0, v, 0.0}; }
    static Value complex(double re, double imag) { return {false, 0, re, imag}; }
};

// What an expression may ask of the call: the value of a scalar argument, the extent of an
// array argument, the length of a text argument. Each returns false when the argument is not
// known yet (not converted, or absent).
struct ExprEnv {
    virtual ~ExprEnv() = default;
    virtual bool scalar(int arg, Value& v) const = 0;
    virtual bool extent(int arg, int axis, std::int64_t& n) const = 0;  // axis 0-based
    virtual bool size(int arg, std::int64_t& n) const = 0;
    virtual bool slen(int arg, std::int64_t& n) const = 0;
};

// The operations (Expr::Op, Expr::ADD and so on) are the grammar's (grammar.h).
class Expr : public grammar::Ops {
public:
    struct Ins {
        Op op;
        int a = 0;          // argument index, axis or operand count
        Value lit{true, 0, 0.0, 0.0};
    };

    Expr() = default;
    // Parses `text` with the grammar's reader; `lookup` maps a name to an argument index (-1 when
    // unknown). Throws SignatureError (signature.h) on a malformed expression.
    static Expr parse(const std::string& text, const std::function<int(const std::string&)>& lookup);

    bool empty() const { return code_.empty(); }
    const std::string& text() const { return text_; }
    const std::vector<int>& args() const { return args_; }  // every argument it refers to
    const std::vector<Ins>& code() const { return code_; }   // the compiled program
    // Returns false when an argument it needs is not known.
    bool eval(const ExprEnv& env, Value& out) const { return eval_in(env, out); }
    // The same against any environment type with the members of ExprEnv (called directly, not
    // through virtual functions).
    template <class Env>
    bool eval_in(const Env& env, Value& out) const;
    // The single argument when the expression is exactly that argument's name, else -1.
    int bare_arg() const { return bare_; }
    // True for a literal constant (no argument involved).
    bool constant() const { return args_.empty(); }

private:
    std::vector<Ins> code_;
    std::vector<int> args_;
    std::string text_;
    int bare_ = -1;
    friend struct ExprSink;
};

template <class Env>
bool Expr::eval_in(const Env& env, Value& out) const {
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
    Value st[grammar::max_expr_depth + 3];
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
        if (sp > grammar::max_expr_depth) return false;  // refused by the grammar already
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
            case CMPLX: {
                Value b = st[--sp], a = st[--sp];
                st[sp++] = Value::complex(a.real(), b.real());
                break;
            }
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
