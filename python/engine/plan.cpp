// Building the per-routine call plan from a parsed signature (see plan.h).
#include <algorithm>
#include <string>

#include "state.h"

namespace tvk::py {

namespace {

bool is_leaf(const Expr::Ins& in) {
    return in.op == Expr::INT || in.op == Expr::REAL || in.op == Expr::ARG || in.op == Expr::LEN || in.op == Expr::SHAPE;
}
bool is_cmp(Expr::Op op) {
    return op == Expr::EQ || op == Expr::NE || op == Expr::LT || op == Expr::LE || op == Expr::GT || op == Expr::GE;
}

// Whether an instruction can read its argument once the arguments in `known` are converted
// (what the expression environment would answer).
bool readable(const Signature& s, std::uint64_t known, const Expr::Ins& in) {
    if (in.op != Expr::ARG && in.op != Expr::LEN && in.op != Expr::SHAPE && in.op != Expr::SIZE && in.op != Expr::SLEN) return true;
    const ArgDesc& a = s.args[static_cast<std::size_t>(in.a)];
    if (!((known >> in.a) & 1u)) return false;
    switch (in.op) {
        case Expr::ARG: return a.rank() == 0 && a.type != Ty::cb;
        case Expr::LEN:
        case Expr::SHAPE: return a.type == Ty::text || a.rank() > 0;
        case Expr::SLEN: return a.type == Ty::text;
        default: return true;
    }
}

Leaf leaf_of(const Signature& s, const Expr::Ins& in) {
    Leaf l;
    if (in.op == Expr::INT || in.op == Expr::REAL) {
        l.v = in.lit;
        return l;
    }
    const ArgDesc& a = s.args[static_cast<std::size_t>(in.a)];
    l.arg = static_cast<std::int16_t>(in.a);
    if (in.op == Expr::ARG) {
        switch (a.type) {
            case Ty::f8: l.kind = Leaf::real; break;
            case Ty::c16: l.kind = Leaf::cplx_re; break;
            case Ty::l1: l.kind = Leaf::byte; break;
            case Ty::text: l.kind = Leaf::textlen; break;
            default: l.kind = Leaf::integer; break;
        }
        return l;
    }
    const std::int64_t axis = in.op == Expr::LEN ? 0 : in.lit.i;
    if (a.type == Ty::text) {
        l.kind = Leaf::textlen;
    } else if (axis >= 0 && axis < a.rank()) {
        l.kind = Leaf::extent;
        l.axis = static_cast<std::uint8_t>(axis);
    } else {
        l.arg = 0;
        l.v = Value::of(std::int64_t{1});
    }
    return l;
}

Fx resolve(const Signature& s, const Expr& e, std::uint64_t known) {
    Fx f;
    f.gen = &e;
    const std::vector<Expr::Ins>& code = e.code();
    for (const Expr::Ins& in : code)
        if (!readable(s, known, in)) return f;
    if (e.constant()) {
        Value v;
        if (e.eval_in(NoEnv{}, v)) {
            f.form = Fx::leaf;
            f.a.v = v;
        }
        return f;
    }
    if (code.size() == 1 && is_leaf(code[0])) {
        f.form = Fx::leaf;
        f.a = leaf_of(s, code[0]);
    } else if (code.size() == 3 && is_leaf(code[0]) && is_leaf(code[1]) && is_cmp(code[2].op)) {
        f.form = Fx::cmp;
        f.op = code[2].op;
        f.a = leaf_of(s, code[0]);
        f.b = leaf_of(s, code[1]);
    } else {
        f.form = Fx::generic;
    }
    return f;
}

}  // namespace

std::string build_plan(Routine& r) {
    const Signature& s = r.sig;
    Plan& p = r.plan;
    p = Plan{};
    const int n = static_cast<int>(s.args.size());
    p.nreq = static_cast<int>(s.required.size());
    p.nopt = static_cast<int>(s.optional.size());
    p.nvis = static_cast<int>(r.visible.size());
    p.nextras = static_cast<int>(s.extras.size());
    if (n > kMaxArgs || p.nvis > kMaxArgs) return "too many arguments";
    std::vector<int> vis(static_cast<std::size_t>(n), -1);
    for (int k = 0; k < p.nreq; ++k) vis[static_cast<std::size_t>(s.required[k])] = k;
    for (int k = 0; k < p.nopt; ++k) vis[static_cast<std::size_t>(s.optional[k])] = p.nreq + k;
    for (const ArgDesc& a : s.args) {
        if (a.rank() > grammar::max_rank) return "argument " + a.name + " has more extents than the grammar allows";
        p.info.push_back(ArgInfo{a.type, static_cast<std::uint8_t>(a.rank())});
    }

    std::uint64_t known = 0;
    for (int k : s.order) {
        const ArgDesc& a = s.args[static_cast<std::size_t>(k)];
        Step sp;
        sp.arg = static_cast<std::int16_t>(k);
        sp.type = a.type;
        sp.intent = a.intent;
        sp.rank = static_cast<std::uint8_t>(a.rank());
        sp.vis = static_cast<std::int16_t>(vis[static_cast<std::size_t>(k)]);
        sp.data_slot = static_cast<std::int16_t>(a.intent == Intent::ret ? -1 : a.data_slot);
        sp.len_slot = static_cast<std::int16_t>(a.len_slot);
        sp.tn = typenum(a.type);
        sp.desc = &a;
        if (a.visible() && a.optional) sp.flags |= Step::optional;
        if (a.type == Ty::cb || a.type == Ty::text) sp.kind = Step::other;
        else if (a.rank() == 0) sp.kind = a.intent == Intent::inout ? Step::other : Step::scalar;
        else sp.kind = a.intent == Intent::out || a.intent == Intent::hide ? Step::array_new : Step::array_in;
        if (sp.kind != Step::scalar) sp.flags |= Step::owns;
        switch (a.type) {
            case Ty::f8: sp.slot = offsetof(ArgState, d); break;
            case Ty::c16: sp.slot = offsetof(ArgState, zs); break;
            case Ty::l1: sp.slot = offsetof(ArgState, b); break;
            default: sp.slot = offsetof(ArgState, i); break;
        }
        // Extents, default and length see the arguments converted before this one.
        sp.dims = static_cast<std::int32_t>(p.fx.size());
        for (const Expr& d : a.dims) p.fx.push_back(resolve(s, d, known));
        if (!a.def.empty() && a.intent != Intent::ret && a.type != Ty::text && a.type != Ty::cb) {
            sp.def = static_cast<std::int32_t>(p.fx.size());
            p.fx.push_back(resolve(s, a.def, known));
        }
        if (!a.text_len.empty()) {
            sp.text_len = static_cast<std::int32_t>(p.fx.size());
            p.fx.push_back(resolve(s, a.text_len, known));
        }
        // Checks see this one too.
        known |= std::uint64_t{1} << k;
        sp.checks = static_cast<std::int32_t>(p.fx.size());
        sp.nchecks = static_cast<std::int32_t>(a.checks.size());
        for (const Expr& c : a.checks) p.fx.push_back(resolve(s, c, known));
        p.steps.push_back(sp);
        if (sp.flags & Step::owns) p.owners.push_back(k);
    }

    // Every array the caller hands in must cover the extents the routine will use. An extent
    // known when its array is converted is enforced exactly then; so is one whose size argument
    // carries a check of the same condition (len(a)>=n, shape(a,i)==n). The others are verified
    // once all arguments are known.
    for (const Step& sp : p.steps) {
        const ArgDesc& a = *sp.desc;
        if (sp.kind != Step::array_in) continue;
        for (int d = 0; d < sp.rank; ++d) {
            const Fx& early = p.fx[static_cast<std::size_t>(sp.dims + d)];
            if (early.form != Fx::fail) continue;
            Fx late = resolve(s, a.dims[static_cast<std::size_t>(d)], known);
            if (late.form == Fx::fail) continue;
            bool covered = false;
            if (late.form == Fx::leaf && late.a.kind == Leaf::integer) {
                for (const Step& q : p.steps)
                    for (int c = q.checks; c < q.checks + q.nchecks && !covered; ++c) {
                        const Fx& f = p.fx[static_cast<std::size_t>(c)];
                        covered = f.form == Fx::cmp && (f.op == Expr::EQ || (sp.rank == 1 && f.op == Expr::GE)) &&
                                  f.a.kind == Leaf::extent && f.a.arg == sp.arg && f.a.axis == d &&
                                  f.b.kind == Leaf::integer && f.b.arg == late.a.arg;
                    }
            }
            if (covered) continue;
            p.recheck.push_back(Recheck{sp.arg, static_cast<std::uint8_t>(d), sp.rank == 1, static_cast<std::int32_t>(p.fx.size())});
            p.fx.push_back(late);
        }
    }

    p.scalar_only = p.nopt == 0 && p.nextras == 0 && p.recheck.empty() &&
                    (s.results.empty() || (s.results.size() == 1 && s.results[0] == r.retarg));
    for (const Step& sp : p.steps) {
        const bool number = sp.type == Ty::f8 || sp.type == Ty::i4;
        const bool input = sp.intent == Intent::in && sp.vis >= 0 && !(sp.flags & Step::optional) && sp.def < 0 &&
                           sp.data_slot >= 0;
        const bool value = sp.intent == Intent::ret && sp.arg == r.retarg;
        if (sp.kind != Step::scalar || !number || sp.nchecks != 0 || !(input || value)) p.scalar_only = false;
        if (input) p.scalars.push_back(ScalarArg{sp.vis, sp.data_slot, sp.type == Ty::f8});
        if (value) p.scalar_ret = sp.type;
    }
    if (!p.scalar_only) p.scalars.clear();
    std::sort(p.scalars.begin(), p.scalars.end(),
              [](const ScalarArg& a, const ScalarArg& b) { return a.data_slot < b.data_slot; });
    return {};
}

}  // namespace tvk::py
