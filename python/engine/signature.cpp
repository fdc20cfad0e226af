#include "signature.h"

#include <algorithm>
#include <stdexcept>

namespace tvk::py {

namespace {

[[noreturn]] void bad(const std::string& sig, const std::string& why) {
    throw std::runtime_error("bad signature \"" + sig + "\": " + why);
}

// A default given entry by entry, "[a,b,...]" of numeric literals: an optional array left out
// receives these values in memory order (repeated when the array is longer), so a default
// vector reaches the routine whole.
void parse_vector_default(ArgDesc& a, const std::string& text) {
    if (text.size() < 3 || text.back() != ']') bad(text, "a vector default is [a,b,...]");
    std::string body = text.substr(1, text.size() - 2);
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find(',', start);
        if (end == std::string::npos) end = body.size();
        const std::string item = body.substr(start, end - start);
        std::size_t used = 0;
        double v = 0.0;
        try {
            v = std::stod(item, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (item.empty() || used != item.size()) bad(text, "not a number: '" + item + "'");
        a.vec_def.push_back(v);
        start = end + 1;
    }
    a.vec_def_text = text;
}

// Splits at `sep` outside parentheses.
std::vector<std::string> split_top(const std::string& s, char sep, bool on_space) {
    std::vector<std::string> out;
    std::string cur;
    int depth = 0;
    for (char c : s) {
        if (c == '(') ++depth;
        if (c == ')') --depth;
        bool cut = depth == 0 && (on_space ? (c == ' ' || c == '\t' || c == '\n') : c == sep);
        if (cut) {
            if (!cur.empty() || !on_space) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty() || (!on_space && !out.empty())) out.push_back(cur);
    return out;
}

// Text inside the outermost parentheses starting at s[open].
std::string inner(const std::string& s, std::size_t open, std::size_t& close) {
    int depth = 0;
    for (std::size_t k = open; k < s.size(); ++k) {
        if (s[k] == '(') ++depth;
        if (s[k] == ')' && --depth == 0) {
            close = k;
            return s.substr(open + 1, k - open - 1);
        }
    }
    close = std::string::npos;
    return {};
}

struct Pending {
    std::vector<std::string> dims;
    std::string def, textlen;
    std::vector<std::string> checks;
};

char type_char(Ty t) {
    switch (t) {
        case Ty::f8: return 'd';
        case Ty::i4:
        case Ty::l4: return 'i';
        case Ty::c16: return 'z';
        case Ty::l1: return 'b';
        case Ty::text: return 'c';
        case Ty::cb: return 'F';
    }
    return '?';
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
    Signature s;
    std::vector<Pending> pend;
    for (const std::string& tok : split_top(text, ' ', true)) {
        std::vector<std::string> parts = split_top(tok, ':', false);
        if (parts.size() < 2) bad(text, "argument '" + tok + "' needs a type");
        ArgDesc a;
        Pending p;
        a.name = parts[0];
        std::string ty = parts[1];
        std::size_t open = ty.find('(');
        std::string base = ty.substr(0, open);
        std::string rest;
        if (open != std::string::npos) {
            std::size_t close;
            rest = inner(ty, open, close);
            if (close != ty.size() - 1) bad(text, "junk after " + ty);
        }
        if (base == "f8") a.type = Ty::f8;
        else if (base == "i4") a.type = Ty::i4;
        else if (base == "c16") a.type = Ty::c16;
        else if (base == "l4") a.type = Ty::l4;
        else if (base == "l1") a.type = Ty::l1;
        else if (base == "cb") {
            a.type = Ty::cb;
            a.cbname = rest;
            rest.clear();
        } else if (base == "s*") {
            a.type = Ty::text;
            a.text_star = true;
        } else if (base == "s") {
            a.type = Ty::text;
            p.textlen = rest;
            rest.clear();
        } else if (base.size() > 1 && base[0] == 's') {
            a.type = Ty::text;
            a.text_fixed = std::stoi(base.substr(1));
        } else {
            bad(text, "unknown type " + base);
        }
        if (!rest.empty()) p.dims = split_top(rest, ',', false);
        for (std::size_t k = 2; k < parts.size(); ++k) {
            const std::string& at = parts[k];
            if (at == "in") a.intent = Intent::in;
            else if (at == "out") a.intent = Intent::out;
            else if (at == "inout") a.intent = Intent::inout;
            else if (at == "io") a.intent = Intent::io;
            else if (at == "io+copy") a.intent = Intent::io_copy;
            else if (at == "io+overwrite") a.intent = Intent::io_over;
            else if (at == "hide") a.intent = Intent::hide;
            else if (at == "ret") a.intent = Intent::ret;
            else if (at == "opt") a.optional = true;
            else if (at.rfind("opt=", 0) == 0) {
                a.optional = true;
                p.def = at.substr(4);
            } else if (at.rfind("=", 0) == 0) p.def = at.substr(1);
            else if (at.rfind("check(", 0) == 0 && at.back() == ')') p.checks.push_back(at.substr(6, at.size() - 7));
            else bad(text, "unknown attribute " + at);
        }
        if (a.type == Ty::text && !a.dims.empty()) bad(text, "text arrays are not supported");
        if (a.intent == Intent::ret && !p.dims.empty()) bad(text, "a function value is a scalar");
        s.args.push_back(std::move(a));
        pend.push_back(std::move(p));
    }
    auto lookup = [&](const std::string& n) { return s.find(n); };
    for (std::size_t k = 0; k < s.args.size(); ++k) {
        ArgDesc& a = s.args[k];
        Pending& p = pend[k];
        try {
            for (auto& d : p.dims) a.dims.push_back(Expr::parse(d, lookup));
            if (!p.def.empty() && p.def.front() == '[') parse_vector_default(a, p.def);
            else if (!p.def.empty()) a.def = Expr::parse(p.def, lookup);
            if (!a.vec_def.empty() && (a.type != Ty::f8 || a.dims.empty())) bad(text, a.name + ": a vector default needs a real array");
            if (!p.textlen.empty()) a.text_len = Expr::parse(p.textlen, lookup);
            for (auto& c : p.checks) a.checks.push_back(Expr::parse(c, lookup));
        } catch (const std::exception& e) {
            bad(text, e.what());
        }
        if (a.intent == Intent::hide && a.def.empty() && a.type != Ty::i4) bad(text, a.name + " is hidden without a default");
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

    // Size arguments: an integer input without a default that stands alone as an extent of an
    // input array takes that extent as its default.
    for (std::size_t k = 0; k < s.args.size(); ++k) {
        ArgDesc& n = s.args[k];
        if (n.type != Ty::i4 || n.rank() != 0 || !n.def.empty()) continue;
        if (n.intent != Intent::in && n.intent != Intent::hide) continue;
        for (std::size_t j = 0; j < s.args.size(); ++j) {
            ArgDesc& a = s.args[j];
            if (!a.reads_input() || a.intent == Intent::hide || a.rank() == 0) continue;
            int axis = -1;
            for (int d = 0; d < a.rank(); ++d)
                if (a.dims[d].bare_arg() == static_cast<int>(k)) { axis = d; break; }
            if (axis < 0) continue;
            std::string dflt = a.rank() == 1 ? "len(" + a.name + ")" : "shape(" + a.name + "," + std::to_string(axis) + ")";
            n.def = Expr::parse(dflt, lookup);
            if (n.intent == Intent::in) {
                n.optional = true;
                std::string chk = a.rank() == 1 ? "len(" + a.name + ")>=" + n.name : dflt + "==" + n.name;
                n.checks.insert(n.checks.begin(), Expr::parse(chk, lookup));
            }
            break;
        }
        if (n.intent == Intent::hide && n.def.empty()) bad(text, n.name + " is hidden without a default");
    }

    // Dependencies: what an argument's extents, default, length and checks refer to. An array
    // does not depend on a size argument that takes its default from that array.
    for (std::size_t k = 0; k < s.args.size(); ++k) {
        ArgDesc& a = s.args[k];
        auto add = [&](const Expr& e) {
            for (int r : e.args())
                if (r != static_cast<int>(k) && std::find(a.deps.begin(), a.deps.end(), r) == a.deps.end()) a.deps.push_back(r);
        };
        for (auto& d : a.dims) add(d);
        add(a.def);
        add(a.text_len);
        for (auto& c : a.checks) add(c);
    }
    for (std::size_t k = 0; k < s.args.size(); ++k) {
        ArgDesc& a = s.args[k];
        a.deps.erase(std::remove_if(a.deps.begin(), a.deps.end(),
                                    [&](int r) {
                                        const ArgDesc& n = s.args[r];
                                        return std::find(n.deps.begin(), n.deps.end(), static_cast<int>(k)) != n.deps.end() &&
                                               !n.def.empty() && n.def.args().size() == 1 && n.def.args()[0] == static_cast<int>(k);
                                    }),
                     a.deps.end());
    }

    // Conversion order: independent arguments in argument order, then dependent ones, each taken
    // when none of the other remaining ones is among its dependencies.
    std::vector<int> dependent;
    for (std::size_t k = 0; k < s.args.size(); ++k) {
        if (s.args[k].deps.empty()) s.order.push_back(static_cast<int>(k));
        else dependent.push_back(static_cast<int>(k));
    }
    std::size_t stall = 0;
    while (!dependent.empty()) {
        int head = dependent.front();
        bool blocked = false;
        for (std::size_t j = 1; j < dependent.size(); ++j)
            if (std::find(s.args[head].deps.begin(), s.args[head].deps.end(), dependent[j]) != s.args[head].deps.end()) blocked = true;
        dependent.erase(dependent.begin());
        if (blocked) {
            dependent.push_back(head);
            if (++stall > dependent.size() + 1) bad(text, "circular dependency at " + s.args[head].name);
        } else {
            s.order.push_back(head);
            stall = 0;
        }
    }

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
    if (std::count_if(s.args.begin(), s.args.end(), [](const ArgDesc& a) { return a.intent == Intent::ret; }) > 1)
        bad(text, "more than one function value");

    // Expected C parameter codes.
    char ret = 'v';
    std::string params;
    for (auto& a : s.args) {
        if (a.intent == Intent::ret) ret = type_char(a.type);
        else params += type_char(a.type);
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
