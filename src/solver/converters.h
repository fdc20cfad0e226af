// Converters between the solver interfaces and the material-point kernels of kernel.h. The
// implicit UMAT point is the hub: every other interface is turned into calls of a kernel on such
// points and back.
//
//   umat_point      UMAT                 one point, Nye order, the caller's arrays used in place
//   usermat_point   ANSYS USERMAT        one point, cyclic order for six components, keycut
//   muesli_point    MUESLI-style form    the UMAT list headed by a material id
//   upermat_block   Peridigm             a block; each point's returned stress added to its old one
//   vumat_block     Abaqus/Explicit      a block in cyclic order, tensor shear strains, energies
//
// Each converter first checks what the kernel will index by: the component counts (ndi + nshr
// = ntens, at most six) and finite stresses, strains and temperatures. A refused point gets a
// level -3 report and the refused-point result (kernel.h): stress and state as they came, zero
// tangent, and a request to cut the increment back where the interface has one. A non-finite
// input therefore never reaches a kernel, so it never becomes a damage flag, an exposure or a
// state value. After the kernel the converter checks its results (stress, tangent, energies,
// the state): a non-finite one, from a property or state value the law could not use, gives the
// refused-point result too, so no result is non-finite in silence. Checking the results costs
// less than checking every input a law may read (its properties, the state values it reads).
// The check lets through what the kernel's ResultRules allow: the non-finite state values its law
// defines, in their slots, and the energies that are the solver's.
//
// A cut-back request of the library's own (a refused point, a kernel's cut-back with factor f)
// leaves 0 < pnewdt <= f (0.5 for a refusal) whatever the solver passed in: a solver that passes
// pnewdt = -1 for "no request" still receives it. Without a request pnewdt is untouched.
//
// The kernel runs in the interface's own order when it accepts a point of that order (a
// template kernel); a kernel written for Nye vectors gets its vectors reordered and its results
// reordered back.
//
// The pieces the converters are built from are in headers of their own: the finiteness checks and
// the kept state (result_check.h), the refusal rules and reports (refusal.h), the component orders
// (point_order.h).
#pragma once

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>

#include "../core/errors.h"
#include "../core/scratch.h"
#include "kernel.h"
#include "point_order.h"
#include "refusal.h"
#include "result_check.h"

namespace tvk::solver {

// ---- UMAT -----------------------------------------------------------------------------------
// `a` is the view of a UMAT-list interface (tvk::solver::Umat or a variant of it).
template <class A, class K>
[[gnu::always_inline]] inline void umat_point(const char* routine, const A& a, K&& kernel) {
    if (!conv::components_valid(routine, a.ndi, a.nshr, a.ntens)) [[unlikely]] {
        conv::refuse_components_point(a.ddsdde.data(), a.ntens, a.pnewdt);
        return;
    }
    const int n = a.ntens;
    int matid = 0;
    if constexpr (requires { a.matid; }) matid = a.matid;
    // A kernel's constant count, checked first: its report is the one the record keeps; then its
    // component count.
    if constexpr (checks_results<K>) {
        const bool constants = !kernel.counts.usable || kernel.counts.usable(a.props.size());
        if (!constants || (kernel.components.usable && !kernel.components.usable(n))) [[unlikely]] {
            if (!constants) conv::report_count(kernel.counts.message, a.props.size(), a.materl, matid);
            else conv::report_count(kernel.components.message, n, a.materl, matid);
            std::fill(a.ddsdde.data(), a.ddsdde.data() + n * n, 0.0);
            conv::request_cut(a.pnewdt, 0.5);
            return;
        }
    }
    // (Six components, the common count, checked with the count known to the compiler.)
    const bool finite = n == 6 ? conv::finite3(a.stress.data(), a.stran.data(), a.dstran.data(), 6)
                               : conv::finite3(a.stress.data(), a.stran.data(), a.dstran.data(), n);
    if (!finite || a.temp * 0.0 + a.dtemp * 0.0 != 0.0) {
        conv::refuse_non_finite(routine);
        std::fill(a.ddsdde.data(), a.ddsdde.data() + n * n, 0.0);
        conv::request_cut(a.pnewdt, 0.5);
        return;
    }
    const int* jstep = conv::no_step;
    if constexpr (requires { a.jstep; }) jstep = a.jstep.data();
    Point<Order::nye> p{{a.stress.data(), n}, a.statev, {a.ddsdde.data(), n}, a.sse, a.spd, a.scd, a.pnewdt,
                        a.rpl, a.drpldt, {a.ddsddt.data(), n}, {a.drplde.data(), n}, {a.stran.data(), n},
                        {a.dstran.data(), n}, a.time.data(), a.dtime, a.temp, a.dtemp, a.predef.data(),
                        a.dpred.data(), a.materl, a.ndi, a.nshr, n, a.statev.size(), a.props, a.props.size(),
                        a.coords.data(), a.drot.data(), a.celent, a.dfgrd0.data(), a.dfgrd1.data(), a.noel,
                        a.npt, a.kslay, a.kspt, jstep, a.kinc};
    if constexpr (checks_results<K>) {
        const Outcome o = conv::run(kernel, p);
        // (Its stress and tangent; the energies it does not set and the state values it leaves
        // alone are the solver's.)
        assert(o.kind == Outcome::failed || o.kind == Outcome::refused ||
               (conv::results_finite<true, false>(p, nullptr, 0)));
        // (The material's name is not kept across the kernel for the report: that costs the fast
        // kernels measurably. The refusals of the constant and component counts above name it.)
        if (!conv::apply(routine, o, a.pnewdt) && o.kind == Outcome::refused) [[unlikely]]
            std::fill(a.ddsdde.data(), a.ddsdde.data() + n * n, 0.0);
    } else {
        // What a refused point gets back: stress, state and energies as they came.
        const double sse = a.sse, spd = a.spd, scd = a.scd;
        Outcome o;
        double stress[6];
        std::copy(a.stress.data(), a.stress.data() + n, stress);
        const auto state = conv::saved_state(kernel, p);
        o = conv::run(kernel, p);
        if ((o.kind == Outcome::done || o.kind == Outcome::cut_back) &&
            !conv::point_finite(p, state, rules_of(kernel), sse, spd, scd)) [[unlikely]]
            o = conv::non_finite_result();
        if (o.kind == Outcome::refused) [[unlikely]] {
            std::copy(stress, stress + n, a.stress.data());
            state.restore(a.statev);
            conv::refuse_point(routine, o.message, o.value, a.materl, matid, a.ddsdde.data(), n, a.sse, a.spd, a.scd,
                               sse, spd, scd, a.pnewdt, o.counted);
            return;
        }
        conv::apply(routine, o, a.pnewdt);
    }
}

// ---- ANSYS USERMAT --------------------------------------------------------------------------
// The point the kernel sees: no material name ("ABQ_WRAPPER"), the time pair (time, the largest
// double), the step record (ldstep, 2147483647, 1, 0), unit rotation, characteristic length 1, no
// predefined fields; element, integration point, layer, section point and substep as noel, npt,
// kslay, kspt and kinc; `sedel` as the strain energy. keycut is 1 when the kernel asks for a
// cut-back; sedpl and epseq are 0. A plane-stress kernel may set epszz and tsstif.
namespace conv {
inline constexpr char wrapper_name[81] =
    "ABQ_WRAPPER                                                                     ";
inline constexpr int unknown_procedure = 2147483647;
}  // namespace conv

template <class A, class K>
[[gnu::always_inline]] inline void usermat_point(const char* routine, const A& a, K&& kernel) {
    a.keycut = 0;
    a.sedpl = 0.0;
    a.epseq = 0.0;
    if (!conv::components_valid(routine, a.ndirect, a.nshear, a.ncomp)) [[unlikely]] {
        double pnewdt = 1.0;
        conv::refuse_components_point(a.dsdepl.data(), a.ncomp, pnewdt);
        a.keycut = 1;
        return;
    }
    const int n = a.ncomp;
    if (!conv::finite3(a.stress.data(), a.strain.data(), a.dstrain.data(), n) || a.temp * 0.0 + a.dtemp * 0.0 != 0.0) {
        conv::refuse_non_finite(routine);
        std::fill(a.dsdepl.data(), a.dsdepl.data() + n * n, 0.0);
        a.keycut = 1;
        return;
    }
    double spd = 0.0, scd = 0.0, pnewdt = 1.0;
    const double time[2] = {a.time, huge};
    const int jstep[4] = {a.ldstep, conv::unknown_procedure, 1, 0};
    Point<Order::cyclic> p{{a.stress.data(), n}, a.ustatev, {a.dsdepl.data(), n}, a.sedel, spd, scd, pnewdt,
                           0.0, 0.0, {conv::zeros6, n}, {conv::zeros6, n}, {a.strain.data(), n},
                           {a.dstrain.data(), n}, time, a.dtime, a.temp, a.dtemp, conv::zeros6, conv::zeros6,
                           std::string_view(conv::wrapper_name, 80), a.ndirect, a.nshear, n, a.ustatev.size(),
                           a.prop, a.prop.size(), a.coords.data(), conv::identity3, 1.0, a.defgrad_t.data(),
                           a.defgrad.data(), a.elemid, a.kdomintpt, a.klayer, a.ksectpt, jstep, a.isubst,
                           &a.epszz, a.tsstif.data(), a.matid};
    // What a refused point gets back: stress, state, energy and plane-stress results as they came.
    double stress[6];
    std::copy(a.stress.data(), a.stress.data() + n, stress);
    const double sedel = a.sedel, epszz = a.epszz, tsstif[2] = {a.tsstif[0], a.tsstif[1]};
    const auto state = conv::saved_state(kernel, p);
    Outcome o = conv::run(kernel, p);
    if ((o.kind == Outcome::done || o.kind == Outcome::cut_back) &&
        !conv::point_finite(p, state, rules_of(kernel), sedel, 0.0, 0.0)) [[unlikely]]
        o = conv::non_finite_result();
    if (o.kind == Outcome::refused) [[unlikely]] {
        std::copy(stress, stress + n, a.stress.data());
        state.restore(a.ustatev);
        conv::refuse_point(routine, o.message, o.value, {}, a.matid, a.dsdepl.data(), n, a.sedel, spd, scd, sedel, 0.0,
                           0.0, pnewdt, o.counted);
        a.epszz = epszz, a.tsstif[0] = tsstif[0], a.tsstif[1] = tsstif[1];
        a.keycut = 1;
        return;
    }
    if (conv::apply(routine, o, pnewdt) && pnewdt < 1.0) a.keycut = 1;
}

// ---- Block interfaces -------------------------------------------------------------------------
namespace conv {

// The row of point k of a column-major (npoint, m) block, gathered and scattered.
template <class T>
void gather(double* out, const T& block, int k, int m) {
    const auto* p = block.data() + k;
    const long stride = block.extent(0);
    for (int j = 0; j < m; ++j) out[j] = p[j * stride];
}
template <class T>
void scatter(const T& block, int k, const double* in, int m) {
    double* p = block.data() + k;
    const long stride = block.extent(0);
    for (int j = 0; j < m; ++j) p[j * stride] = in[j];
}

[[gnu::cold, gnu::noinline]] inline void no_cut_back(const char* routine) {
    report(-2, compose(routine, ": increment cut-back requested, the interface has none"));
}

}  // namespace conv

// Peridigm: every point starts from its old stress and state and the increment of its strain at
// zero total strain; the stress the kernel returns is added to the old stress, so a law that
// returns its stiffness times (total strain + increment) delivers the new stress. Time pair
// (steptime, totaltime), material id as given, the remaining UMAT values as for USERMAT except
// element and point numbers 1, step record (1, 2147483647, 1, 0), coordinates (1, 1, 1).
template <class A, class K>
void upermat_block(const char* routine, const A& a, K&& kernel) {
    const int n = a.ndir + a.nshr, m = a.nstatev > 0 ? a.nstatev : 0;
    if (a.npoint <= 0) return;
    if (!conv::components_valid(routine, a.ndir, a.nshr, n)) return;
    Scratch<double, 128> state(static_cast<std::size_t>(m));
    const double time[2] = {a.steptime, a.totaltime};
    static constexpr int jstep[4] = {1, conv::unknown_procedure, 1, 0};
    static constexpr double ones[3] = {1.0, 1.0, 1.0};
    bool cut = false, refused = false;
    for (int k = 0; k < a.npoint; ++k) {
        double stress[6], dstran[6], ddsdde[36] = {}, stran[6] = {};
        conv::gather(stress, a.stressold, k, n);
        conv::gather(dstran, a.straininc, k, n);
        conv::gather(state.get(), a.stateold, k, m);
        if (!conv::finite3(stress, dstran, stress, n)) {
            refused = true;
            conv::scatter(a.stressnew, k, stress, n);
            conv::scatter(a.statenew, k, state.get(), m);
            continue;
        }
        double sse = 0.0, spd = 0.0, scd = 0.0, pnewdt = 1.0;
        Point<Order::nye> p{{stress, n}, View<double, 1>(state.get(), m), {ddsdde, n}, sse, spd, scd, pnewdt,
                            0.0, 0.0, {conv::zeros6, n}, {conv::zeros6, n}, {stran, n}, {dstran, n}, time,
                            a.dt, 0.0, 0.0, conv::zeros6, conv::zeros6, std::string_view(conv::wrapper_name, 80),
                            a.ndir, a.nshr, n, m, a.props, a.props.size(), ones, conv::identity3, 1.0,
                            conv::identity3, conv::identity3, 1, 1, 1, 1, jstep, 1, nullptr, nullptr, a.matid};
        Outcome o = conv::run(kernel, p);
        if ((o.kind == Outcome::done || o.kind == Outcome::cut_back) &&
            !conv::block_point_finite(p, state.get(), m, a.stateold, k, 0.0, 0.0, rules_of(kernel))) [[unlikely]]
            o = conv::non_finite_result();
        if (o.kind == Outcome::refused) [[unlikely]] {
            // The point keeps its old stress and state.
            conv::report_refusal(routine, o.message, o.value, {}, a.matid, o.counted);
            for (int j = 0; j < n; ++j) a.stressnew(k, j) = a.stressold(k, j);
            for (int j = 0; j < m; ++j) a.statenew(k, j) = a.stateold(k, j);
            continue;
        }
        conv::apply(routine, o, pnewdt);
        cut = cut || pnewdt < 1.0;
        for (int j = 0; j < n; ++j) a.stressnew(k, j) = a.stressold(k, j) + stress[j];
        conv::scatter(a.statenew, k, state.get(), m);
    }
    if (refused) conv::refuse_non_finite(routine);
    if (cut) conv::no_cut_back(routine);
}

// How the block's shear strain increments reach the kernel: doubled into engineering shears (the
// strain measure of the implicit point), or as the solver passes them (tensor shears).
enum class Shears { engineering, as_passed };

// Abaqus/Explicit: each point of the block from its old stress and state and its strain increment
// (total strain zero), in cyclic order; the internal energy per unit mass grows by the kernel's
// strain energy over the density, the inelastic energy by its dissipations over the density. A
// plane-stress block (ndir 3, nshr 1) of an interface that returns the strain increments gets
// the kernel's through-thickness increment in column 3.
template <Shears S = Shears::engineering, class A, class K>
void vumat_block(const char* routine, const A& a, K&& kernel) {
    const int n = a.ndir + a.nshr, m = a.nstatev > 0 ? a.nstatev : 0;
    if (a.nblock <= 0) return;
    if (!conv::components_valid(routine, a.ndir, a.nshr, n)) return;
    constexpr bool writes_strain = !std::is_const_v<std::remove_reference_t<decltype(a.straininc(0, 0))>>;
    const bool plane_stress = writes_strain && a.ndir == 3 && a.nshr == 1;
    // The block's columns are in cyclic order; the kernel's vectors are gathered in its own order.
    constexpr Order O = conv::order_for<std::remove_reference_t<K>, Order::cyclic>();
    int col[6];
    for (int c = 0; c < n; ++c) col[c] = O == Order::cyclic || n != 6 ? c : conv::swapped[c];
    Scratch<double, 128> state(static_cast<std::size_t>(m));
    const double time[2] = {a.steptime, a.totaltime};
    bool cut = false, refused = false, bad_density = false;
    for (int k = 0; k < a.nblock; ++k) {
        double stress[6], dstran[6], ddsdde[36], stran[6] = {}, coords[3], epszz = 0.0;
        // The values as the solver passes them are checked; the kernel gets engineering shears
        // (doubled as they are gathered: a second pass over the increment just written would
        // wait for those writes).
        conv::FiniteCheck check;
        for (int c = 0; c < n; ++c) {
            const double s = a.stressold(k, col[c]), e = a.straininc(k, col[c]);
            check.add(s);
            check.add(e);
            stress[c] = s;
            dstran[c] = S == Shears::engineering && c >= a.ndir ? 2.0 * e : e;
        }
        if (!check.finite() || a.tempold[k] * 0.0 + a.tempnew[k] * 0.0 != 0.0) {
            refused = true;
            for (int c = 0; c < n; ++c) a.stressnew(k, c) = a.stressold(k, c);
            for (int j = 0; j < m; ++j) a.statenew(k, j) = a.stateold(k, j);
            a.enerinternnew[k] = a.enerinternold[k];
            a.enerinelasnew[k] = a.enerinelasold[k];
            continue;
        }
        conv::gather(state.get(), a.stateold, k, m);
        conv::gather(coords, a.coordmp, k, 3);
        double sse = 0.0, spd = 0.0, scd = 0.0, pnewdt = 1.0;
        Point<O> p{{stress, n}, View<double, 1>(state.get(), m), {ddsdde, n}, sse, spd, scd, pnewdt, 0.0, 0.0,
                   {conv::zeros6, n}, {conv::zeros6, n}, {stran, n}, {dstran, n}, time, a.dt, a.tempold[k],
                   a.tempnew[k] - a.tempold[k], conv::zeros6, conv::zeros6, a.cmname, a.ndir, a.nshr, n, m, a.props,
                   a.props.size(), coords, conv::identity3, a.charlength(k, 0), conv::identity3, conv::identity3, 0, 0,
                   0, 0, conv::no_step, 0, plane_stress ? &epszz : nullptr, nullptr, 0};
        Outcome o = kernel(p);
        const bool dense = a.density[k] > 0.0;
        const double ei = dense ? a.enerinternold[k] + sse / a.density[k] : a.enerinternold[k];
        const double ee = dense ? a.enerinelasold[k] + (spd + scd) / a.density[k] : a.enerinelasold[k];
        if ((o.kind == Outcome::done || o.kind == Outcome::cut_back) &&
            !conv::block_point_finite(p, state.get(), m, a.stateold, k, ei, ee)) [[unlikely]]
            o = conv::non_finite_result();
        if (o.kind == Outcome::refused) [[unlikely]] {
            // The point keeps its old stress, state and energies.
            conv::report_refusal(routine, o.message, o.value, a.cmname, 0, o.counted);
            for (int c = 0; c < n; ++c) a.stressnew(k, c) = a.stressold(k, c);
            for (int j = 0; j < m; ++j) a.statenew(k, j) = a.stateold(k, j);
            a.enerinternnew[k] = a.enerinternold[k];
            a.enerinelasnew[k] = a.enerinelasold[k];
            continue;
        }
        conv::apply(routine, o, pnewdt);
        cut = cut || pnewdt < 1.0;
        for (int c = 0; c < n; ++c) a.stressnew(k, col[c]) = stress[c];
        conv::scatter(a.statenew, k, state.get(), m);
        if constexpr (writes_strain)
            if (plane_stress) a.straininc(k, 2) = epszz;
        a.enerinternnew[k] = ei;
        a.enerinelasnew[k] = ee;
        bad_density = bad_density || !dense;
    }
    if (refused) conv::refuse_non_finite(routine);
    if (bad_density) report(-2, compose(routine, ": material point with a density that is not positive"));
    if (cut) conv::no_cut_back(routine);
}

// ---- MUESLI-style form: the UMAT list headed by a material id ----------------------------------
template <class A, class K>
void muesli_point(const char* routine, const A& a, K&& kernel) {
    auto with_id = [&](auto& p) {
        p.matid = a.matid;
        return conv::run(kernel, p);
    };
    // (The kernel's rules stay those of the point's check.)
    if constexpr (requires { kernel.rules; }) umat_point(routine, a, Ruled{with_id, kernel.rules});
    else umat_point(routine, a, with_id);
}

// ---- A point without a material routine ----------------------------------------------------------
// An adapter handed no routine refuses: a level -3 report and the refused-point result of its
// interface (a zero tangent where the component count gives its size, 1 to 6, and a cut-back
// request; a block's points keep their old stress and state).
namespace conv {
template <class A>
[[gnu::cold, gnu::noinline]] void refuse_without_routine(const char* routine, const A& a) {
    ++refusals;
    report_refused_point(compose(routine, ": no material routine given"));
    const auto zero_tangent = [](const auto& tangent, int n) {
        if (n >= 1 && n <= 6) std::fill(tangent.data(), tangent.data() + n * n, 0.0);
    };
    if constexpr (requires { a.ddsdde; }) {
        zero_tangent(a.ddsdde, a.ntens);
        request_cut(a.pnewdt, 0.5);
    } else if constexpr (requires { a.dsdepl; }) {
        zero_tangent(a.dsdepl, a.ncomp);
        a.keycut = 1;
    } else if constexpr (requires { a.npoint; }) {
        for (int k = 0; k < a.npoint; ++k) {
            for (int j = 0; j < a.stressnew.extent(1); ++j) a.stressnew(k, j) = a.stressold(k, j);
            for (int j = 0; j < a.statenew.extent(1); ++j) a.statenew(k, j) = a.stateold(k, j);
        }
    } else {
        static_assert(sizeof(A) == 0, "no refused result for this interface");
    }
}
}  // namespace conv

// ---- One converter per interface ----------------------------------------------------------------
// The converter that serves the view `a` of a solver interface, chosen by the arguments it has.
template <class A, class K>
[[gnu::always_inline]] inline void convert(const char* routine, const A& a, K&& kernel) {
    if constexpr (requires { a.matid; a.ddsdde; }) muesli_point(routine, a, kernel);
    else if constexpr (requires { a.ddsdde; }) umat_point(routine, a, kernel);
    else if constexpr (requires { a.dsdepl; }) usermat_point(routine, a, kernel);
    else if constexpr (requires { a.npoint; }) upermat_block(routine, a, kernel);
    else if constexpr (requires { a.nblock; a.stressold; }) vumat_block(routine, a, kernel);
    else static_assert(sizeof(A) == 0, "no converter for this interface");
}

}  // namespace tvk::solver

// Defines the C entry `cname` of interface `Iface` (declared with TVK_SOLVER_DECLARE) as the
// point kernel `kernel` behind the interface's converter. The call of the kernel is inlined into
// the entry; a kernel that is inlined there too works on the point's members in registers, without
// the point ever being stored as a whole.
#define TVK_SOLVER_KERNEL(Iface, cname, kernel) TVK_SOLVER_CONVERTED(Iface, cname, TVK_SOLVER_INLINED(kernel))

// As TVK_SOLVER_KERNEL, for a kernel that tells the state values it may write (kernel.h):
// `writes` is a callable StateSlots(const Point<O>&) for the kernel's points.
#define TVK_SOLVER_KERNEL_WRITING(Iface, cname, kernel, writes) \
    TVK_SOLVER_CONVERTED(Iface, cname, ::tvk::solver::Writing{TVK_SOLVER_INLINED(kernel), writes})

// As TVK_SOLVER_KERNEL, for a kernel with the rules of its results (kernel.h): `rules` is a
// ResultRules of static storage, the energies the kernel does not own and the non-finite state
// values its law defines.
#define TVK_SOLVER_KERNEL_RULED(Iface, cname, kernel, rules) \
    TVK_SOLVER_CONVERTED(Iface, cname, ::tvk::solver::Ruled{TVK_SOLVER_INLINED(kernel), &(rules)})

// As TVK_SOLVER_KERNEL, for a kernel that checks its own results (kernel.h): the converter keeps
// no copy of the state and does not check the results again. The optional last arguments are the
// kernel's ConstantCounts and ComponentCounts.
#define TVK_SOLVER_KERNEL_CHECKED(Iface, cname, kernel, ...) \
    TVK_SOLVER_CONVERTED(Iface, cname, ::tvk::solver::Checked{TVK_SOLVER_INLINED(kernel) __VA_OPT__(, __VA_ARGS__)})

// (The kernel as a lambda inlined into the converter, and the entry that runs the converter of
// `Iface` on it, registered with the rules its converter applies.)
#define TVK_SOLVER_INLINED(kernel) \
    [](auto& p) __attribute__((always_inline)) -> decltype(kernel(p)) { return kernel(p); }
#define TVK_SOLVER_CONVERTED(Iface, cname, ...)                                                            \
    [[gnu::always_inline]] static inline void cname##_through_converter(const ::tvk::solver::Iface& a) { \
        ::tvk::solver::convert(#cname, a, __VA_ARGS__);                                                  \
    }                                                                                                    \
    TVK_SOLVER_ENTRY(Iface, cname, cname##_through_converter)                                            \
    static const ::tvk::solver::RoutineRules cname##_rules_entry{reinterpret_cast<const void*>(&cname),  \
                                                                 ::tvk::solver::registered_rules(__VA_ARGS__)};
