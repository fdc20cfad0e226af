// Adapters between solver interfaces: the routine handed in becomes a point kernel, evaluated on
// the three-dimensional state, behind the converter of the adapter's own interface.
#include "adapters.h"

#include <cstring>

#include "converters.h"
#include "core/linalg.h"
#include "elements/stressstate.h"
#include "mechanics/lamina.h"
#include "input/iohandling.h"
#include "mechanics/micromechanics.h"
#include "mechanics/notation.h"

namespace {

using tvk::CallbackRef;
using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Point;
using tvk::solver::View;
using CView = View<const double, 1>;

// ---- The routine handed in, as a kernel ----------------------------------------------------------

// The point's arguments as a UMAT list; the routine's pnewdt is the point's.
tvk::solver::UmatProc umat_list(const Point<Order::nye>& p) {
    const int n = p.ntens;
    return {.stress = View<double, 1>(p.stress.data(), n), .statev = p.statev,
            .ddsdde = View<double, 2>(p.ddsdde.data(), n, n), .sse = p.sse, .spd = p.spd, .scd = p.scd,
            .rpl = p.rpl, .ddsddt = CView(p.ddsddt.data(), n), .drplde = CView(p.drplde.data(), n),
            .drpldt = p.drpldt, .stran = CView(p.stran.data(), n), .dstran = CView(p.dstran.data(), n),
            .time = CView(p.time, 2), .dtime = p.dtime, .temp = p.temp, .dtemp = p.dtemp,
            .predef = CView(p.predef, 1), .dpred = CView(p.dpred, 1), .materl = p.materl, .ndi = p.ndi,
            .nshr = p.nshr, .ntens = n, .nstatv = p.nstatv, .props = p.props, .nprops = p.nprops,
            .coords = CView(p.coords, 3), .drot = View<const double, 2>(p.drot, 3, 3), .pnewdt = p.pnewdt,
            .celent = p.celent, .dfgrd0 = View<const double, 2>(p.dfgrd0, 3, 3),
            .dfgrd1 = View<const double, 2>(p.dfgrd1, 3, 3), .noel = p.noel, .npt = p.npt, .kslay = p.kslay,
            .kspt = p.kspt, .jstep = View<const int, 1>(p.jstep, 4), .kinc = p.kinc};
}

// The outcome of a routine of the library that the adapter called: refused (reported already)
// when it refused its point, which then keeps its old stress and state under every interface.
Outcome called(unsigned refusals_before) {
    return tvk::solver::conv::refusals != refusals_before ? Outcome::refuse(nullptr) : Outcome::ok();
}

// The rules the routine's results are checked by: those of the library routine it is (by its
// address, under any of its names), else those of a host's routine: an energy that comes back as
// it came is the solver's, and no non-finite state value is a result. A host's routine that
// forwards to a library routine is the host's.
template <class Fn>
const tvk::solver::ResultRules& rules_for(const CallbackRef<Fn>& dfunc) {
    const tvk::solver::ResultRules* rules = tvk::solver::library_rules(dfunc.routine);
    return rules ? *rules : tvk::solver::solver_energies;
}

// A UMAT routine, called with the point's arguments.
struct UmatRoutine {
    CallbackRef<tvk::solver::UmatProc::Fn> fn;
    Outcome operator()(Point<Order::nye>& p) const {
        const unsigned before = tvk::solver::conv::refusals;
        tvk::solver::UmatProc::call(fn, umat_list(p));
        return called(before);
    }
};

// A MUESLI-style routine: the same list headed by the point's material id.
struct MuesliRoutine {
    CallbackRef<tvk::solver::MuesliProc::Fn> fn;
    Outcome operator()(Point<Order::nye>& p) const {
        const unsigned before = tvk::solver::conv::refusals;
        tvk::solver::UmatProc::call([&](auto... x) { fn(&p.matid, x...); }, umat_list(p));
        return called(before);
    }
};

// A USERMAT routine, in cyclic order: element, integration point, layer, section point, step and
// substep from noel, npt, kslay, kspt, jstep(1) and kinc; the time handed on is time(1). Its
// plastic work, equivalent plastic strain, plastic strains, transverse stiffnesses, thickness
// strain and further variables start at zero and are not returned; keycut 1 asks for a cut-back.
struct UsermatRoutine {
    CallbackRef<tvk::solver::UsermatProc::Fn> fn;
    int matid;
    Outcome operator()(Point<Order::cyclic>& p) const {
        const int n = p.ntens;
        int keycut = 0;
        const unsigned before = tvk::solver::conv::refusals;
        double sedpl = 0.0, epseq = 0.0, epspl[6] = {}, var[9] = {}, tsstif[2] = {}, epszz = 0.0;
        tvk::solver::UsermatProc::call(
            fn, {.matid = matid, .elemid = p.noel, .kdomintpt = p.npt, .klayer = p.kslay, .ksectpt = p.kspt,
                 .ldstep = p.jstep[0], .isubst = p.kinc, .keycut = keycut, .ndirect = p.ndi, .nshear = p.nshr,
                 .ncomp = n, .nstatev = p.nstatv, .nprop = p.nprops, .time = p.time[0], .dtime = p.dtime,
                 .temp = p.temp, .dtemp = p.dtemp, .stress = View<double, 1>(p.stress.data(), n),
                 .ustatev = p.statev, .dsdepl = View<double, 2>(p.ddsdde.data(), n, n), .sedel = p.sse,
                 .sedpl = sedpl, .epseq = epseq, .strain = CView(p.stran.data(), n),
                 .dstrain = CView(p.dstran.data(), n), .epspl = CView(epspl, n), .prop = p.props,
                 .coords = CView(p.coords, 3), .var0 = var[0], .defgrad_t = View<const double, 2>(p.dfgrd0, 3, 3),
                 .defgrad = View<const double, 2>(p.dfgrd1, 3, 3), .tsstif = View<double, 1>(tsstif, 2),
                 .epszz = epszz, .var1 = var[1], .var2 = var[2], .var3 = var[3], .var4 = var[4], .var5 = var[5],
                 .var6 = var[6], .var7 = var[7], .var8 = var[8]});
        if (tvk::solver::conv::refusals != before) return Outcome::refuse(nullptr);
        return keycut != 0 ? Outcome::cut(0.5) : Outcome::ok();
    }
};

// ---- The routine on the three-dimensional state ----------------------------------------------------

// Runs `inner` on the 3-D expansion of the point (3, 4 or 6 components) and reduces its stress
// and tangent back into the point; the 3-D tangent is kept in `c3` (36, column-major, Nye).
template <class Inner>
Outcome in_3d(Point<Order::nye>& p, const Inner& inner, double* c3) {
    const int n = p.ntens;
    if (!tvk::lamina::stiffness_components(n))
        return Outcome::refuse_count("solver adapter: 3, 4 or 6 stress components expected", n);
    double s3[6], e3[6], de3[6];
    const double transverse[6] = {}, zero6[6] = {};
    const int off = 0;
    const tvk::logical1 axial = 1;
    Get3DInputFromElem(s3, e3, de3, p.stress.data(), p.stran.data(), p.dstran.data(), &n, transverse, &off, &off,
                       &axial);
    std::fill(c3, c3 + 36, 0.0);
    Point<Order::nye> q{{s3, 6}, p.statev, {c3, 6}, p.sse, p.spd, p.scd, p.pnewdt, p.rpl, p.drpldt, {zero6, 6},
                        {zero6, 6}, {e3, 6}, {de3, 6}, p.time, p.dtime, p.temp, p.dtemp, p.predef, p.dpred,
                        p.materl, 3, 3, 6, p.nstatv, p.props, p.nprops, p.coords, p.drot, p.celent, p.dfgrd0,
                        p.dfgrd1, p.noel, p.npt, p.kslay, p.kspt, p.jstep, p.kinc, nullptr, nullptr, p.matid};
    const Outcome o = tvk::solver::conv::run(inner, q);
    GetElemOutputFrom3D(p.stress.data(), p.ddsdde.data(), s3, c3, &n, &axial);
    return o;
}

template <class Inner>
auto three_d(const Inner& inner) {
    return [&inner](Point<Order::nye>& p) {
        double c3[36];
        return in_3d(p, inner, c3);
    };
}

// ---- The adapters -------------------------------------------------------------------------------

// abq_umat_to_ansys_usermat: besides stress and tangent, tsstif(1) = G13 of the returned 3-D
// tangent, and for plane stress (ncomp 3, ndirect 2) tsstif(2) = G23 and the thickness strain
// -(nu13/E1) s11 - (nu23/E2) s22 of the returned stress; for ndirect 2 or 3 and fewer than five
// components tsstif(2) = G23. A tangent that cannot be inverted leaves both as they came (the
// inversion records its failure). The results are checked by the routine's `rules`.
void ansys_from_umat(CallbackRef<tvk::solver::UmatProc::Fn> dfunc, const tvk::solver::Usermat& a,
                     const tvk::solver::ResultRules& rules) {
    const UmatRoutine routine{dfunc};
    const int ndirect = a.ndirect;
    tvk::solver::usermat_point("abq_umat_to_ansys_usermat", a, tvk::solver::Ruled{[&](Point<Order::nye>& p) {
        double c3[36];
        const Outcome o = in_3d(p, routine, c3);
        if (o.kind == Outcome::failed || o.kind == Outcome::refused || !p.tsstif) return o;
        // A non-finite stress or tangent refuses the point (the converter's check): its constants
        // are not computed, so that no report of theirs stands beside the refusal.
        if (!tvk::solver::conv::all_finite(c3, 36) || !tvk::solver::conv::all_finite(p.stress.data(), p.ntens))
            return o;
        double s3[36], sv[36], eng[9];
        if (!tvk::la::inverse(c3, s3, 6)) return o;
        const int six = 6;
        FlipVoigtNyeNotation(sv, s3, &six);
        GetEngConstsFromComplianceMatrix(eng, sv);  // E1, E2, E3, G23, G13, G12, nu23, nu13, nu12
        const double e1 = eng[0], e2 = eng[1], e3 = eng[2], g23 = eng[3], g13 = eng[4], nu23 = eng[6],
                     nu13 = eng[7];
        p.tsstif[0] = g13;
        const int n = p.ntens;
        if (n == 3 && ndirect == 2) {
            const double nu31 = nu13 * e3 / e1, nu32 = nu23 * e3 / e2;
            if (p.epszz) *p.epszz = GetPlaneStressEpsZZ(&e3, &nu31, &nu32, &p.stress[0], &p.stress[1]);
            p.tsstif[1] = g23;
        } else if ((ndirect == 2 || ndirect == 3) && n < 5) {
            p.tsstif[1] = g23;
        }
        return o;
    }, &rules});
}

void ansys_from_umat(CallbackRef<tvk::solver::UmatProc::Fn> dfunc, const tvk::solver::Usermat& a) {
    ansys_from_umat(dfunc, a, rules_for(dfunc));
}

void peridigm_from_umat(CallbackRef<tvk::solver::UmatProc::Fn> dfunc, const tvk::solver::Upermat& a) {
    const UmatRoutine routine{dfunc};
    tvk::solver::upermat_block("abq_umat_to_peridigm_upermat", a, tvk::solver::Ruled{three_d(routine), &rules_for(dfunc)});
}

void umat_from_ansys(CallbackRef<tvk::solver::UsermatProc::Fn> dfunc, const tvk::solver::UmatUpdated& a) {
    a.pnewdt = 1.0;
    a.spd = a.scd = 0.0;
    const std::size_t len = a.materl.find_last_not_of(' ') == std::string_view::npos
                                ? 0
                                : a.materl.find_last_not_of(' ') + 1;
    const int ls = static_cast<int>(len), notfound = -1;
    const int id = getxidfromstring(a.materl.data(), &ls, "m", &notfound, a.materl.size(), 1);
    const UsermatRoutine routine{dfunc, id < 1 ? 1 : id};
    tvk::solver::umat_point("ansys_usermat_to_abq_umat", a, tvk::solver::Ruled{three_d(routine), &rules_for(dfunc)});
}

void umat_from_muesli(CallbackRef<tvk::solver::MuesliProc::Fn> dfunc, const tvk::solver::UmatWithId& a) {
    const MuesliRoutine routine{dfunc};
    tvk::solver::muesli_point("muesli_to_abq_umat", a, tvk::solver::Ruled{three_d(routine), &rules_for(dfunc)});
}

}  // namespace

TVK_SOLVER_ADAPTER(UmatProc, Usermat, abq_umat_to_ansys_usermat, ansys_from_umat)
TVK_SOLVER_ADAPTER(UmatProc, Upermat, abq_umat_to_peridigm_upermat, peridigm_from_umat)
TVK_SOLVER_ADAPTER(UsermatProc, UmatUpdated, ansys_usermat_to_abq_umat, umat_from_ansys)
TVK_SOLVER_ADAPTER(MuesliProc, UmatWithId, muesli_to_abq_umat, umat_from_muesli)

void tvk::solver::adapted::abq_umat_to_ansys_usermat(CallbackRef<UmatProc::Fn> dfunc, const Usermat& a,
                                                     const ResultRules& rules) {
    if (!dfunc) {
        tvk::solver::conv::refuse_without_routine("abq_umat_to_ansys_usermat", a);
        return;
    }
    ansys_from_umat(dfunc, a, rules);
}

// ---- The rules of the library's routines by address -----------------------------------------------

namespace {
// The registered routines, a list that grows at load time only (the entries are constructed
// before any routine can be called), read without a lock afterwards.
constinit const tvk::solver::RoutineRules* routine_rules = nullptr;
}  // namespace

tvk::solver::RoutineRules::RoutineRules(const void* routine_, const ResultRules* rules_, const void* same_as_) noexcept
    : routine(routine_), rules(rules_), same_as(same_as_), next(routine_rules) {
    routine_rules = this;
}

const tvk::solver::ResultRules* tvk::solver::library_rules(const void* routine) noexcept {
    // An alias or adapted routine names the routine whose rules it has; a chain of a few steps at
    // most (a bound keeps a misregistered cycle from looping).
    for (int step = 0; routine && step < 8; ++step) {
        const RoutineRules* e = routine_rules;
        while (e && e->routine != routine) e = e->next;
        if (!e) return nullptr;
        if (e->rules) return e->rules;
        routine = e->same_as;
    }
    return nullptr;
}
