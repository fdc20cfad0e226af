// Integer/real expressions of routine signatures (extents, defaults, checks), compiled once at
// import into a small stack program and evaluated per call against the call's arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tvk::py {

// A trivial type, so that evaluation stacks cost nothing to set up.
struct Value {
    bool is_int;
    std::int64_t i;
    double d;
    double real() const { return is_int ? static_cast<double>(i) : d; }
    std::int64_t integer() const { return is_int ? i : static_cast<std::int64_t>(d); }
    static Value of(std::int64_t v) { return {true, v, 0.0}; }
    static Value of(double v) { return {false, 0, v}; }
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

class Expr {
public:
    Expr() = default;
    // Parses `text`; `lookup` maps a name to an argument index (-1 when unknown, which throws).
    static Expr parse(const std::string& text, const std::function<int(const std::string&)>& lookup);

    bool empty() const { return code_.empty(); }
    const std::string& text() const { return text_; }
    const std::vector<int>& args() const { return args_; }  // every argument it refers to
    // Returns false when an argument it needs is not known.
    bool eval(const ExprEnv& env, Value& out) const;
    // The single argument when the expression is exactly that argument's name, else -1.
    int bare_arg() const { return bare_; }
    // True for a literal constant (no argument involved).
    bool constant() const { return args_.empty(); }

private:
    enum Op : std::uint8_t { INT, REAL, ARG, LEN, SHAPE, SIZE, SLEN, NEG, NOT, ADD, SUB, MUL, DIV, MOD,
                             EQ, NE, LT, LE, GT, GE, AND, OR, MIN, MAX, ABS };
    struct Ins {
        Op op;
        int a = 0;          // argument index, axis or operand count
        Value lit{true, 0, 0.0};
    };
    std::vector<Ins> code_;
    std::vector<int> args_;
    std::string text_;
    int bare_ = -1;
    friend struct ExprParser;
};

}  // namespace tvk::py
