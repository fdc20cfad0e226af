#include "expr.h"

#include <algorithm>
#include <cstdlib>

#include "signature.h"

namespace tvk::py {

namespace {
// Argument names for the grammar's reader.
struct LookupNames {
    const std::function<int(const std::string&)>& lookup;
    int find(std::string_view name) const { return lookup(std::string(name)); }
};
}  // namespace

// Receives the program of an expression from the grammar's reader (grammar.h).
struct ExprSink {
    Expr& e;
    void emit(Expr::Op op, int a, std::int64_t axis) {
        if (op == Expr::ARG || op == Expr::LEN || op == Expr::SHAPE || op == Expr::SIZE || op == Expr::SLEN)
            if (std::find(e.args_.begin(), e.args_.end(), a) == e.args_.end()) e.args_.push_back(a);
        e.code_.push_back({op, a, Value::of(axis)});
    }
    void literal(std::string_view text, bool real) {
        std::string lit(text);
        std::replace(lit.begin(), lit.end(), 'd', 'e');
        std::replace(lit.begin(), lit.end(), 'D', 'e');
        if (real) e.code_.push_back({Expr::REAL, 0, Value::of(std::strtod(lit.c_str(), nullptr))});
        else e.code_.push_back({Expr::INT, 0, Value::of(static_cast<std::int64_t>(std::strtoll(lit.c_str(), nullptr, 10)))});
    }
};

Expr Expr::parse(const std::string& text, const std::function<int(const std::string&)>& lookup) {
    Expr e;
    e.text_ = text;
    ExprSink sink{e};
    const LookupNames names{lookup};
    const auto r = grammar::read_expression(text, names, sink);
    if (r.fault != grammar::Fault::none)
        throw SignatureError(r.fault, "bad expression '" + text + "': " + std::string(grammar::fault_text(r.fault)));
    e.bare_ = r.bare;
    return e;
}

}  // namespace tvk::py
