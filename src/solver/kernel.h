// Material-point kernels: a material law of the solver routines is written once, as a kernel on
// one point, and reaches every solver interface through the converters of converters.h.
//
// A kernel is a callable `Outcome kernel(Point<O>& p)`. The point is the implicit material point
// of the UMAT interface (its members carry the UMAT argument names), with its stress and strain
// vectors and its tangent typed by their component order O: a Nye vector (11, 22, 33, 12, 13, 23)
// cannot be passed where a cyclic one (11, 22, 33, 12, 23, 13) is expected. With fewer than six
// components the two orders agree ((11, 22, 12) or (11, 22, 33, 12)). A kernel written for one
// order takes `Point<Order::nye>&` (the converters reorder for it); a law that is the same in
// both orders, with its constants indexed through `p.at(k)`, is a template over O and runs in the
// order of each interface, without reordering.
//
// The kernel returns what became of the point: done; cut back (the increment is too large:
// retry with `factor` times it); failed (nothing usable was computed: the converter records
// `message` with `value`, at level -3 unless the kernel says otherwise); or refused (the point's
// input cannot be evaluated, such as constants that give no stiffness: the converter records
// `message` (naming the material where it keeps the name at hand, and the count for a refused
// count; a null message is reported already) and returns the refused-point result). A kernel's
// own verdict that it cannot evaluate its point (a component, constant or state count, a
// property or table check) is a refusal, never a failure: a void result is a refused point. A
// converter turns a cut-back into 0 < pnewdt <= factor (UMAT), keycut 1 (USERMAT) or a level -2
// report (the explicit and block interfaces, which cannot cut back).
//
// The refused-point result: stress, state and energies as they came, a zero tangent and a
// request to cut back (0 < pnewdt <= 0.5; keycut 1); an explicit or block point keeps its old
// stress, state and energies. A converter gives it to a refused point and to every point whose
// kernel returns a non-finite stress, tangent, energy or state (after a level -3 report), so no
// result of a kernel is non-finite in silence. To restore a point it keeps the incoming stress,
// energies and state: the whole state vector, or only the values a kernel says it may write
// (TVK_SOLVER_KERNEL_WRITING; the values it leaves alone are the solver's and are not checked).
// The check lets through what a kernel's law defines as non-finite, in its slots only, and the
// energies the kernel does not own (TVK_SOLVER_KERNEL_RULED, ResultRules).
// A kernel that checks its own results (TVK_SOLVER_KERNEL_CHECKED) spares the
// copies and the check: it returns done or cut back only with a finite stress, tangent, the
// energies it sets and finite state values where it writes them, and refuses before it writes the
// stress, the state or the strain energy (the dissipations it set before stay); the converter then
// neither restores nor names the material in the report of a non-finite result.
#pragma once

#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>

#include "interface.h"

namespace tvk::solver {

enum class Order { nye, cyclic };

// Position in order O of component k of the Nye order (and the reverse: the map is its own
// inverse). Only six-component vectors differ: cyclic swaps the last two shears.
constexpr int reorder(Order o, int k, int n) { return o == Order::cyclic && n == 6 && k >= 4 ? 9 - k : k; }

// A stress or strain vector of n <= 6 components in order O, over storage the converter owns or
// borrows from the caller.
template <Order O, class T = double>
struct Voigt {
    T* p = nullptr;
    int n = 0;
    T& operator[](int k) const { return p[k]; }
    T* data() const { return p; }
    int size() const { return n; }
};

// An n x n matrix (n <= 6) in order O, column-major.
template <Order O>
struct VoigtMatrix {
    double* p = nullptr;
    int n = 0;
    double& operator()(int i, int j) const { return p[i + j * n]; }
    double* data() const { return p; }
    int size() const { return n * n; }
};

struct Outcome {
    enum Kind { done, cut_back, failed, refused };
    Kind kind = done;
    double factor = 1.0;              // cut_back: the fraction of the increment to retry with
    const char* message = nullptr;    // failed, refused: the report
    int value = 0;                    // failed, refused: the integer reported with it
    int level = -3;                   // failed: the report's level
    bool counted = false;             // refused: `value` is the count refused, named in the report

    static constexpr Outcome ok() { return {}; }
    static constexpr Outcome cut(double f) { return {cut_back, f, nullptr, 0, -3}; }
    static constexpr Outcome fail(const char* msg, int v = 0, int lvl = -3) { return {failed, 1.0, msg, v, lvl}; }
    // A null message: the refusal is reported already (by the kernel or a routine it called).
    static constexpr Outcome refuse(const char* msg, int v = 0) { return {refused, 0.5, msg, v, -3}; }
    // A count the law cannot serve (components, constants): the report names it, "msg (count,
    // material NAME)".
    static constexpr Outcome refuse_count(const char* msg, int count) {
        return {refused, 0.5, msg, count, -3, true};
    }
};

// The state values a kernel may write, as up to three ranges of 0-based positions [first,
// first + count), for a converter to keep and check only those (a large state vector of which a
// law writes a few values would otherwise be copied and checked whole on every call).
struct StateSlots {
    int first[3] = {0, 0, 0};
    int count[3] = {0, 0, 0};
};

// A kernel with the state values it may write: `writes(p)` tells them before the kernel runs.
template <class K, class W>
struct Writing {
    K kernel;
    W writes;
    template <class P>
    [[gnu::always_inline]] auto operator()(P& p) const -> decltype(kernel(p)) {
        return kernel(p);
    }
};
template <class K, class W>
Writing(K, W) -> Writing<K, W>;
template <class K>
inline constexpr bool declares_writes = requires(const std::remove_cvref_t<K>& k) { k.writes; };

// The constant counts a kernel can build a stiffness from, checked by the converter before the
// kernel runs (where the material's name is at hand for the report): `usable(nprops)`, else an
// input error with `message`, the material and the count, and the refused-point result.
struct ConstantCounts {
    bool (*usable)(int nprops);
    const char* message;
};

// The same for the number of stress components a kernel has a law for: `usable(ntens)`.
struct ComponentCounts {
    bool (*usable)(int ntens);
    const char* message;
};

// A kernel that checks its own results: done or cut back only with a finite stress, tangent,
// energy and state; a refusal before the stress, the state or the strain energy is written.
// Optionally with the constant and component counts it accepts.
template <class K>
struct Checked {
    K kernel;
    ConstantCounts counts{nullptr, nullptr};
    ComponentCounts components{nullptr, nullptr};
    static constexpr bool checks_results = true;
    template <class P>
    [[gnu::always_inline]] auto operator()(P& p) const -> decltype(kernel(p)) {
        return kernel(p);
    }
};
template <class K>
Checked(K) -> Checked<K>;
template <class K>
Checked(K, ConstantCounts) -> Checked<K>;
template <class K>
Checked(K, ConstantCounts, ComponentCounts) -> Checked<K>;
template <class K>
inline constexpr bool checks_results = requires { std::remove_cvref_t<K>::checks_results; };

// Whose an energy of a point is, for the converter's check of the kernel's results. `own`: the
// kernel sets it from its results, and it is checked. `solvers`: the kernel leaves it alone (or
// sets it only in some increments); it is checked only where the kernel changed it, since solvers
// pass energies they do not read uninitialised. `accumulated`: the kernel adds its increment to
// the solver's value; it is checked only where that came in finite.
enum class Energy : unsigned char { own, solvers, accumulated };

// What the converter's check of a kernel's results lets through besides finite values: the
// energies the kernel does not own, and the non-finite state values its law defines, each only in
// its own (0-based) slots: +inf in an `infinite` slot (an infinite life), NaN in a `none` slot (a
// value that is none). A kernel without rules owns its energies and every result is finite.
struct ResultRules {
    Energy sse = Energy::own, spd = Energy::own, scd = Energy::own;
    int infinite[4] = {-1, -1, -1, -1};
    int none[4] = {-1, -1, -1, -1};

    constexpr bool defines_state() const { return infinite[0] >= 0 || none[0] >= 0; }
    // State value v in slot k is one the law defines.
    constexpr bool allows(int k, double v) const {
        const int* slots = v == std::numeric_limits<double>::infinity() ? infinite : v != v ? none : nullptr;
        if (!slots) return false;
        for (int j = 0; j < 4; ++j)
            if (slots[j] == k) return true;
        return false;
    }
};

// The rules of a kernel without any: its energies are its own, its results finite.
inline constexpr ResultRules own_results{};
// The rules of a law whose energies are the solver's wherever the law leaves them alone (one that
// sets none, or one only in some increments): each is checked only where the kernel changed it.
inline constexpr ResultRules solver_energies{.sse = Energy::solvers, .spd = Energy::solvers, .scd = Energy::solvers};

// A kernel with the rules of its results (held by address: a converter hands them to its slow
// path only, so the hot path of a point never builds them).
template <class K>
struct Ruled {
    K kernel;
    const ResultRules* rules;
    template <class P>
    [[gnu::always_inline]] auto operator()(P& p) const -> decltype(kernel(p)) {
        return kernel(p);
    }
};
template <class K>
Ruled(K, const ResultRules*) -> Ruled<K>;
// The rules of a kernel's results: its own, or none.
template <class K>
constexpr const ResultRules& rules_of(const K& kernel) {
    if constexpr (requires { kernel.rules; }) return *kernel.rules;
    else return own_results;
}
// The rules by which a kernel's converter lets its results through: a kernel that checks its own
// results lets the energies it does not set through as the solver's.
template <class K>
constexpr const ResultRules* registered_rules(const K& kernel) {
    if constexpr (requires { kernel.rules; }) return kernel.rules;
    else if constexpr (checks_results<K>) return &solver_energies;
    else return &own_results;
}

// (The routines' rules by address, for the adapters: RoutineRules, interface.h.)

// The implicit material point: what a UMAT routine is handed, by the UMAT names. The scalars
// that the law updates are references to the converter's (or the caller's) values.
template <Order O>
struct Point {
    static constexpr Order order = O;

    Voigt<O> stress;                  // in: at the start of the increment; out: at its end
    View<double, 1> statev;           // solution-dependent state, updated in place
    VoigtMatrix<O> ddsdde;            // out: the tangent d stress / d strain increment
    double& sse;                      // specific elastic strain energy
    double& spd;                      // plastic dissipation
    double& scd;                      // creep dissipation
    double& pnewdt;                   // the solver's increment ratio; kernels return Outcome::cut
    double rpl, drpldt;
    Voigt<O, const double> ddsddt, drplde;
    Voigt<O, const double> stran;     // total strain at the start of the increment
    Voigt<O, const double> dstran;    // strain increment (engineering shears)
    const double* time;               // (step time, total time) at the start of the increment
    double dtime, temp, dtemp;
    const double* predef;
    const double* dpred;
    std::string_view materl;          // material name, 80 characters, blank-padded
    int ndi, nshr, ntens, nstatv;
    View<const double, 1> props;
    int nprops;
    const double* coords;             // 3
    const double* drot;               // 3 x 3
    double celent;
    const double* dfgrd0;             // 3 x 3
    const double* dfgrd1;             // 3 x 3
    int noel, npt, kslay, kspt;
    const int* jstep;                 // (step, procedure, geometric nonlinearity, perturbation)
    int kinc;
    // Results that only a plane-stress point of some interfaces asks for (null otherwise): the
    // through-thickness strain increment and the transverse shear stiffnesses (G13, G23).
    double* epszz = nullptr;
    double* tsstif = nullptr;
    int matid = 0;                    // material id of the interfaces that pass one

    // The members in order (the last three optional). A constructor rather than an aggregate: the
    // compiler clears the whole of an aggregate with padding (some 360 bytes, a block store that
    // costs as much as a small kernel) before it stores the members; a constructor stores only
    // the members.
    [[gnu::always_inline]] Point(Voigt<O> stress_, View<double, 1> statev_, VoigtMatrix<O> ddsdde_, double& sse_,
                                 double& spd_, double& scd_, double& pnewdt_, double rpl_, double drpldt_,
                                 Voigt<O, const double> ddsddt_, Voigt<O, const double> drplde_,
                                 Voigt<O, const double> stran_, Voigt<O, const double> dstran_, const double* time_,
                                 double dtime_, double temp_, double dtemp_, const double* predef_,
                                 const double* dpred_, std::string_view materl_, int ndi_, int nshr_, int ntens_,
                                 int nstatv_, View<const double, 1> props_, int nprops_, const double* coords_,
                                 const double* drot_, double celent_, const double* dfgrd0_, const double* dfgrd1_,
                                 int noel_, int npt_, int kslay_, int kspt_, const int* jstep_, int kinc_,
                                 double* epszz_ = nullptr, double* tsstif_ = nullptr, int matid_ = 0)
        : stress(stress_), statev(statev_), ddsdde(ddsdde_), sse(sse_), spd(spd_), scd(scd_), pnewdt(pnewdt_),
          rpl(rpl_), drpldt(drpldt_), ddsddt(ddsddt_), drplde(drplde_), stran(stran_), dstran(dstran_), time(time_),
          dtime(dtime_), temp(temp_), dtemp(dtemp_), predef(predef_), dpred(dpred_), materl(materl_), ndi(ndi_),
          nshr(nshr_), ntens(ntens_), nstatv(nstatv_), props(props_), nprops(nprops_), coords(coords_), drot(drot_),
          celent(celent_), dfgrd0(dfgrd0_), dfgrd1(dfgrd1_), noel(noel_), npt(npt_), kslay(kslay_), kspt(kspt_),
          jstep(jstep_), kinc(kinc_), epszz(epszz_), tsstif(tsstif_), matid(matid_) {}

    // Position of Nye component k in this point's order.
    int at(int k) const { return reorder(O, k, ntens); }
};

}  // namespace tvk::solver
