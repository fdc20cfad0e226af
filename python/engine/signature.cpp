#include "signature.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace tvk::py {

namespace {

[[noreturn]] void bad(const std::string& sig, grammar::Fault f, std::string_view at) {
    std::string why(grammar::fault_text(f));
    if (grammar::limit_of(f) >= 0) why += " (" + std::to_string(grammar::limit_of(f)) + ")";
    if (!at.empty()) why += ": '" + std::string(at) + "'";
    throw SignatureError(f, "bad signature \"" + sig + "\": " + why);
}

}  // namespace

std::string ordinal(int n) {
    const char* suf = "th";
    if (n % 10 == 1 && n % 100 != 11) suf = "st";
    else if (n % 10 == 2 && n % 100 != 12) suf = "nd";
    else if (n % 10 == 3 && n % 100 != 13) suf = "rd";
    return std::to_string(n) + suf;
}

int Signature::find(const std::string& name) const {
    for (std::size_t k = 0; k < args.size(); ++k)
        if (args[k].name == name) return static_cast<int>(k);
    return -1;
}

Signature parse_signature(const std::string& text, bool callback) {
    // The grammar's reader (grammar.h) accepts or refuses the text, resolves the size arguments and
    // orders the conversions; here its reading becomes the descriptors and expression programs.
    const auto g = std::make_unique<grammar::Parsed>();
    if (!g->read(text)) bad(text, g->fault, g->at);
    Signature s;
    auto lookup = [&](const std::string& n) { return g->find(n); };
    s.args.resize(static_cast<std::size_t>(g->n));
    for (int k = 0; k < g->n; ++k) {
        const grammar::ArgText& t = g->args[k];
        ArgDesc& a = s.args[static_cast<std::size_t>(k)];
        a.name = std::string(t.name);
        a.type = t.type;
        a.intent = t.intent;
        a.optional = t.optional;
        a.text_fixed = t.text_fixed;
        a.text_star = t.text_star;
        a.path = t.path;
        a.cbname = std::string(t.cbname);
        try {
            for (int d = 0; d < t.rank; ++d) a.dims.push_back(Expr::parse(std::string(t.dims[d]), lookup));
            if (t.vector_default) {
                grammar::read_vector_default(t.def, [&](std::string_view item) {
                    std::string lit(item);
                    std::replace(lit.begin(), lit.end(), 'd', 'e');
                    std::replace(lit.begin(), lit.end(), 'D', 'e');
                    a.vec_def.push_back(std::strtod(lit.c_str(), nullptr));
                });
                a.vec_def_text = std::string(t.def);
            } else if (!t.def.empty()) {
                a.def = Expr::parse(std::string(t.def), lookup);
            }
            if (!t.text_len.empty()) a.text_len = Expr::parse(std::string(t.text_len), lookup);
            g->attributes(k, [&](std::string_view at) {
                if (at.substr(0, grammar::attr_check.size()) == grammar::attr_check && at.size() > grammar::attr_check.size() &&
                    at[grammar::attr_check.size()] == '(')
                    a.checks.push_back(Expr::parse(std::string(at.substr(grammar::attr_check.size() + 1,
                                                                         at.size() - grammar::attr_check.size() - 2)),
                                                   lookup));
            });
        } catch (const SignatureError& e) {
            throw SignatureError(e.fault, "bad signature \"" + text + "\": " + e.what());
        }
    }

    struct NoEnv final : ExprEnv {
        bool scalar(int, Value&) const override { return false; }
        bool extent(int, int, std::int64_t&) const override { return false; }
        bool size(int, std::int64_t&) const override { return false; }
        bool slen(int, std::int64_t&) const override { return false; }
    } none;
    for (ArgDesc& a : s.args)
        for (const Expr& d : a.dims) {
            Value v;
            a.const_dims.push_back(d.constant() && d.eval(none, v) ? std::max<std::int64_t>(v.integer(), 0) : -1);
        }

    // Size arguments (found by the reader): default len(a) for a vector, shape(a,i) for the i-th
    // extent of a matrix; an input one is optional and checked against that extent.
    for (int k = 0; k < g->n; ++k) {
        const grammar::ArgText& t = g->args[k];
        if (t.size_of < 0) continue;
        ArgDesc& n = s.args[static_cast<std::size_t>(k)];
        const ArgDesc& a = s.args[static_cast<std::size_t>(t.size_of)];
        std::string dflt = a.rank() == 1 ? "len(" + a.name + ")" : "shape(" + a.name + "," + std::to_string(t.size_axis) + ")";
        n.def = Expr::parse(dflt, lookup);
        if (n.intent == Intent::in) {
            n.optional = true;
            std::string chk = a.rank() == 1 ? "len(" + a.name + ")>=" + n.name : dflt + "==" + n.name;
            n.checks.insert(n.checks.begin(), Expr::parse(chk, lookup));
        }
    }

    // Dependencies and conversion order, as the reader found them.
    for (int k = 0; k < g->n; ++k)
        for (int r = 0; r < g->n; ++r)
            if ((g->args[k].deps >> r) & 1u) s.args[static_cast<std::size_t>(k)].deps.push_back(r);
    for (int k = 0; k < g->n; ++k) s.order.push_back(g->order[static_cast<std::size_t>(k)]);

    int data = 0, lens = 0;
    for (auto& a : s.args) {
        if (a.intent == Intent::ret) continue;
        a.data_slot = data++;
        if (a.type == Ty::text) a.len_slot = lens++;
    }
    s.nlens = lens;
    for (std::size_t k = 0; k < s.args.size(); ++k) {
        ArgDesc& a = s.args[k];
        if (!a.visible()) { a.nth = "hidden"; continue; }
        if (a.optional) s.optional.push_back(static_cast<int>(k));
        else s.required.push_back(static_cast<int>(k));
        if (a.type == Ty::cb || a.has_overwrite()) s.extras.push_back(static_cast<int>(k));
    }
    for (std::size_t r = 0; r < s.required.size(); ++r) s.args[s.required[r]].nth = ordinal(static_cast<int>(r) + 1) + " argument";
    for (std::size_t r = 0; r < s.optional.size(); ++r) {
        s.args[s.optional[r]].nth = ordinal(static_cast<int>(r) + 1) + " keyword";
        s.args[s.optional[r]].kwnth = s.args[s.optional[r]].nth;
    }
    for (std::size_t k = 0; k < s.args.size(); ++k)
        if (s.args[k].intent == Intent::ret) s.results.push_back(static_cast<int>(k));
    for (std::size_t k = 0; k < s.args.size(); ++k)
        if (s.args[k].returned() && s.args[k].intent != Intent::ret) s.results.push_back(static_cast<int>(k));

    // Expected C parameter codes.
    char ret = 'v';
    std::string params;
    for (auto& a : s.args) {
        if (a.intent == Intent::ret) ret = grammar::code_of(a.type);
        else params += grammar::code_of(a.type);
    }
    s.codes = std::string(1, ret) + params + std::string(static_cast<std::size_t>(lens), 'L');
    (void)callback;
    return s;
}

std::string call_form(const Signature& s, const std::string& pyname) {
    std::string out;
    for (std::size_t r = 0; r < s.results.size(); ++r) {
        if (r) out += ',';
        out += s.args[s.results[r]].name;
    }
    if (!out.empty()) out += " = ";
    out += pyname + "(";
    bool first = true;
    for (int k : s.required) {
        if (!first) out += ',';
        out += s.args[k].name;
        first = false;
    }
    std::vector<std::string> br;
    for (int k : s.optional) br.push_back(s.args[k].name);
    for (int k : s.extras) br.push_back(s.args[k].type == Ty::cb ? s.args[k].name + "_extra_args" : "overwrite_" + s.args[k].name);
    if (!br.empty()) {
        if (!first) out += ',';
        out += '[';
        for (std::size_t j = 0; j < br.size(); ++j) {
            if (j) out += ',';
            out += br[j];
        }
        out += ']';
    }
    out += ')';
    return out;
}

// Whether `name` can be a parameter of a Python signature: an ASCII identifier, not a keyword.
static bool python_parameter_name(const std::string& name) {
    static constexpr const char* keywords[] = {
        "False", "None", "True", "and", "as", "assert", "async", "await", "break", "class", "continue",
        "def", "del", "elif", "else", "except", "finally", "for", "from", "global", "if", "import", "in",
        "is", "lambda", "nonlocal", "not", "or", "pass", "raise", "return", "try", "while", "with", "yield"};
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    for (const char* k : keywords)
        if (name == k) return false;
    return true;
}

std::string text_signature(const Signature& s) {
    std::vector<std::string> params;
    for (int k : s.required) params.push_back(s.args[k].name);
    for (int k : s.optional) params.push_back(s.args[k].name + "=None");
    for (int k : s.extras) {
        const ArgDesc& a = s.args[k];
        params.push_back(a.type == Ty::cb ? a.name + "_extra_args=()"
                                          : "overwrite_" + a.name + (a.intent == Intent::io_over ? "=1" : "=0"));
    }
    std::string out = "(";
    for (std::size_t j = 0; j < params.size(); ++j) {
        const std::string& p = params[j];
        if (!python_parameter_name(p.substr(0, p.find('=')))) return {};
        out += (j ? ", " : "") + p;
    }
    return out + ")";
}

static const char* scalar_word(Ty t) {
    switch (t) {
        case Ty::f8: return "float";
        case Ty::c16: return "complex";
        default: return "int";
    }
}
static char array_char(Ty t) {
    switch (t) {
        case Ty::f8: return 'd';
        case Ty::c16: return 'D';
        case Ty::l1: return 'b';
        default: return 'i';
    }
}
static std::string text_len_text(const ArgDesc& a) {
    if (a.text_fixed >= 0) return std::to_string(a.text_fixed);
    if (a.text_star) return "-1";
    return a.text_len.text();
}
static std::string bounds(const ArgDesc& a) {
    std::string b = "(";
    for (int d = 0; d < a.rank(); ++d) {
        if (d) b += ',';
        b += a.dims[d].text();
    }
    return b + ")";
}

std::string type_text(const ArgDesc& a, bool with_intent) {
    if (a.type == Ty::cb) return "call-back function";
    if (a.rank() == 0) {
        if (a.intent == Intent::inout) {
            if (a.type == Ty::text) return "in/output rank-0 array(string(len=" + text_len_text(a) + "),'c')";
            return std::string("in/output rank-0 array(") + scalar_word(a.type) + ",'" + array_char(a.type) + "')";
        }
        std::string t = a.type == Ty::text ? "string(len=" + text_len_text(a) + ")" : scalar_word(a.type);
        return with_intent ? "input " + t : t;
    }
    std::string t = "rank-" + std::to_string(a.rank()) + " array('" + array_char(a.type) + "') with bounds " + bounds(a);
    if (!with_intent) return t;
    return (a.intent == Intent::inout ? "in/output " : "input ") + t;
}

std::string doc_text(const Signature& s, const std::string& pyname, const std::string& cname) {
    std::string d = call_form(s, pyname) + "\n\nWrapper for ``" + cname + "``.";
    std::string params, others, rets, cbs;
    for (int k : s.required) params += "\n" + s.args[k].name + " : " + type_text(s.args[k], true);
    for (const auto& a : s.args) {
        if (a.visible() && a.optional)
            others += "\n" + a.name + " : " + type_text(a, true) + ", optional\n    Default: " + (!a.vec_def_text.empty() ? a.vec_def_text : a.def.empty() ? std::string("0") : a.def.text());
        if (a.visible() && a.type == Ty::cb) {
            others += "\n" + a.name + "_extra_args : input tuple, optional\n    Default: ()";
            if (a.cb) {
                const Signature& c = a.cb->sig;
                std::string line = "  def " + a.name + "(";
                std::string req, opt;
                for (int k : a.cb->passed) {
                    std::string& dst = c.args[k].optional ? opt : req;
                    if (!dst.empty()) dst += ',';
                    dst += c.args[k].name;
                }
                line += req;
                if (!opt.empty()) line += (req.empty() ? "[" : ",[") + opt + "]";
                line += "): return ";
                for (std::size_t r = 0; r < a.cb->returned.size(); ++r) line += (r ? "," : "") + c.args[a.cb->returned[r]].name;
                cbs += "\n" + line;
                if (!req.empty()) {
                    cbs += "\n  Required arguments:";
                    for (int k : a.cb->passed)
                        if (!c.args[k].optional) cbs += "\n    " + c.args[k].name + " : " + type_text(c.args[k], true);
                }
                if (!opt.empty()) {
                    cbs += "\n  Optional arguments:";
                    for (int k : a.cb->passed)
                        if (c.args[k].optional)
                            cbs += "\n    " + c.args[k].name + " : " + type_text(c.args[k], true) + ", optional\n    Default: " + c.args[k].def.text();
                }
                if (!a.cb->returned.empty()) {
                    cbs += "\n  Return objects:";
                    for (int k : a.cb->returned) cbs += "\n    " + c.args[k].name + " : " + type_text(c.args[k], false);
                }
            }
        }
        if (a.visible() && a.has_overwrite())
            others += "\n" + std::string("overwrite_") + a.name + " : input int, optional\n    Default: " + (a.intent == Intent::io_over ? "1" : "0");
    }
    for (int k : s.results) rets += "\n" + s.args[k].name + " : " + type_text(s.args[k], false);
    if (!params.empty()) d += "\n\nParameters\n----------" + params;
    if (!others.empty()) d += "\n\nOther Parameters\n----------------" + others;
    if (!rets.empty()) d += "\n\nReturns\n-------" + rets;
    if (!cbs.empty()) d += "\n\nNotes\n-----\nCall-back functions::\n" + cbs;
    return d;
}

}  // namespace tvk::py
