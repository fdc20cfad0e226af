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
//
// A cut-back request of the library's own (a refused point, a kernel's cut-back with factor f)
// leaves 0 < pnewdt <= f (0.5 for a refusal) whatever the solver passed in: a solver that passes
// pnewdt = -1 for "no request" still receives it. Without a request pnewdt is untouched.
//
// The kernel runs in the interface's own order when it accepts a point of that order (a
// template kernel); a kernel written for Nye vectors gets its vectors reordered and its results
// reordered back.
#pragma once

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "../core/errors.h"
#include "../core/scratch.h"
#include "kernel.h"

namespace tvk::solver {

namespace conv {

inline constexpr double identity3[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
inline constexpr double zeros6[6] = {};
inline constexpr int no_step[4] = {0, 0, 0, 0};

[[gnu::cold, gnu::noinline]] inline void refuse_components(const char* routine, int ndi, int nshr) {
    report(-3, compose(routine, ": ndi and nshr must be 0 to 3 and add up to ntens"), ndi, nshr);
}
// Component counts a kernel can index by (ndi and nshr 0 to 3, adding up to ntens >= 1); false
// after a level -3 report.
inline bool components_valid(const char* routine, int ndi, int nshr, int ntens) {
    if (static_cast<unsigned>(ndi) <= 3u && static_cast<unsigned>(nshr) <= 3u && ndi + nshr >= 1 &&
        ndi + nshr == ntens) [[likely]]
        return true;
    refuse_components(routine, ndi, nshr);
    return false;
}

// Tells whether values are finite: x * 0 is +-0 for a finite x and NaN for an infinite or NaN
// one, so the bit patterns of the products OR-ed together have an all-ones exponent exactly when
// one of the values is not finite (unlike a floating-point sum, the OR may be taken in any
// order, so no branch per value and no order to keep). The values are read 8 bytes at a time,
// two to a vector register: a kernel has written them one by one just before, and a 16-byte read
// of two 8-byte writes still in flight waits until they reach the cache, which costs more than
// the whole check. The products are OR-ed in registers and reduced once, at `finite()`.
class FiniteCheck {
public:
    [[gnu::always_inline]] void add(const double* v, int n) {
#if defined(__SSE2__)
        const __m128d zero = _mm_setzero_pd();
        int k = 0;
        for (; k + 4 <= n; k += 4) {
            b0_ = _mm_or_pd(b0_, _mm_mul_pd(_mm_loadh_pd(_mm_load_sd(v + k), v + k + 1), zero));
            b1_ = _mm_or_pd(b1_, _mm_mul_pd(_mm_loadh_pd(_mm_load_sd(v + k + 2), v + k + 3), zero));
        }
        if (k + 2 <= n) {
            b0_ = _mm_or_pd(b0_, _mm_mul_pd(_mm_loadh_pd(_mm_load_sd(v + k), v + k + 1), zero));
            k += 2;
        }
        if (k < n) b1_ = _mm_or_pd(b1_, _mm_mul_sd(_mm_load_sd(v + k), zero));
#else
        for (int k = 0; k < n; ++k) bits_ |= std::bit_cast<std::uint64_t>(v[k] * 0.0);
#endif
    }
    [[gnu::always_inline]] void add(double x) { add(&x, 1); }
    // Every value added is finite.
    [[gnu::always_inline]] bool finite() const {
        constexpr std::uint64_t exponent = 0x7ff0000000000000ULL;
#if defined(__SSE2__)
        const __m128i b = _mm_castpd_si128(_mm_or_pd(b0_, b1_));
        const std::uint64_t bits = static_cast<std::uint64_t>(_mm_cvtsi128_si64(b)) |
                                   static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(b, b)));
#else
        const std::uint64_t bits = bits_;
#endif
        return (bits & exponent) != exponent;
    }

private:
#if defined(__SSE2__)
    __m128d b0_ = _mm_setzero_pd(), b1_ = _mm_setzero_pd();
#else
    std::uint64_t bits_ = 0;
#endif
};

// True when the n values are finite.
[[gnu::always_inline]] inline bool all_finite(const double* v, int n) {
    FiniteCheck check;
    check.add(v, n);
    return check.finite();
}

// True when the values of three vectors of n values are finite.
[[gnu::always_inline]] inline bool finite3(const double* a, const double* b, const double* c, int n) {
    FiniteCheck check;
    check.add(a, n);
    check.add(b, n);
    check.add(c, n);
    return check.finite();
}

// Refused points of this thread so far: a routine that calls another routine (an adapter) tells
// from it whether the called routine refused its point.
inline thread_local unsigned refusals = 0;

[[gnu::cold, gnu::noinline]] inline void refuse_non_finite(const char* routine) {
    ++refusals;
    report(-3, compose(routine, ": non-finite stress, strain or temperature; point not evaluated"));
}

// A cut-back request with the factor f: afterwards 0 < pnewdt <= f, whatever came in (a solver
// passes pnewdt <= 0 for "no request"); a smaller positive pnewdt stays. A factor that is not
// positive asks for half the increment.
[[gnu::always_inline]] inline void request_cut(double& pnewdt, double f) {
    if (!(f > 0.0)) f = 0.5;
    if (!(pnewdt > 0.0 && pnewdt <= f)) pnewdt = f;
}

// The material a refusal names: its name, or its material id where the interface has none (a
// USERMAT or Peridigm point, whose name is the wrapper's); empty when neither is known.
inline std::string material_of(std::string_view materl, int matid) {
    const std::size_t end = materl.find_last_not_of(std::string_view(" \0", 2));
    const std::string_view name = end == std::string_view::npos ? std::string_view{} : materl.substr(0, end + 1);
    if ((name.empty() || name == "ABQ_WRAPPER") && matid > 0) return "id " + std::to_string(matid);
    return std::string(name);
}

// The refusal of a point whose kernel returned a non-finite result.
inline constexpr char non_finite_text[] = ": non-finite result; point not evaluated";
constexpr Outcome non_finite_result() { return Outcome::refuse(non_finite_text); }

// The report of a refused point: the message (the routine's non-finite result, or the law's own
// text), the material and the integer of the refusal. A kernel that reports its refusal itself,
// to name the material, calls this and returns Outcome::refuse(nullptr).
[[gnu::cold, gnu::noinline]] inline void report_refused(const char* routine, const char* message, int value,
                                                        std::string_view materl, int matid) {
    const std::string material = material_of(materl, matid);
    const std::string text = message == non_finite_text ? compose(routine, non_finite_text) : std::string(message);
    report(-3, material.empty() ? text : compose(text, " (material " + material + ")"), value, 0, 0.0, 0.0, material);
}

// Counts a refused point and reports it (a refusal with a null message is reported already).
[[gnu::cold, gnu::noinline]] inline void report_refusal(const char* routine, const char* message, int value,
                                                        std::string_view materl, int matid) {
    ++refusals;
    if (message) report_refused(routine, message, value, materl, matid);
}

[[gnu::cold, gnu::noinline]] inline void report_count(const char* message, int count, std::string_view materl,
                                                      int matid) {
    report_refusal(nullptr, message, count, materl, matid);
}

// Reports an implicit point's refusal and gives it the refused-point result besides its stress
// and state: zero tangent (n x n), the energies as they came (sse0, spd0, scd0), a cut-back
// request. (Handed the pieces, not the point or the outcome, so that an inlined kernel's point
// and outcome stay in registers.)
[[gnu::cold, gnu::noinline]] inline void refuse_point(const char* routine, const char* message, int value,
                                                      std::string_view materl, int matid, double* ddsdde, int n,
                                                      double& sse, double& spd, double& scd, double sse0, double spd0,
                                                      double scd0, double& pnewdt) {
    report_refusal(routine, message, value, materl, matid);
    std::fill(ddsdde, ddsdde + n * n, 0.0);
    sse = sse0, spd = spd0, scd = scd0;
    request_cut(pnewdt, 0.5);
}

// A refusal's report, without the material, and its cut-back request.
[[gnu::cold, gnu::noinline]] inline void refuse_reported(const char* routine, const char* message, int value,
                                                         double& pnewdt) {
    report_refusal(routine, message, value, {}, 0);
    request_cut(pnewdt, 0.5);
}

// What the interface makes of the kernel's outcome (a refusal: its report and a cut-back
// request; the converter gives the rest of the refused-point result); true when the point was
// computed.
[[gnu::always_inline]] inline bool apply(const char* routine, const Outcome& o, double& pnewdt) {
    switch (o.kind) {
        case Outcome::done: return true;
        case Outcome::cut_back: request_cut(pnewdt, o.factor); return true;
        case Outcome::failed: report(o.level, o.message ? o.message : routine, o.value); return false;
        case Outcome::refused: refuse_reported(routine, o.message, o.value, pnewdt); return false;
    }
    return false;
}

// A state value after the kernel is finite, or the very value that came in: a state value the
// kernel did not touch is not its result, and a solver may keep anything there.
inline bool kept_or_finite(double now, double before) {
    return now * 0.0 == 0.0 || std::bit_cast<std::uint64_t>(now) == std::bit_cast<std::uint64_t>(before);
}

// The m state values of a block point after the kernel (`now`) against the point's row `before`
// of the block's old state: finite, or as they came.
template <class T>
[[gnu::always_inline]] inline bool block_state_finite(const double* now, int m, const T& before, int k) {
    if (all_finite(now, m)) [[likely]]
        return true;
    for (int j = 0; j < m; ++j)
        if (!kept_or_finite(now[j], before(k, j))) return false;
    return true;
}

// The stress, tangent (of an implicit interface, which returns it), energies, plane-stress
// results and the m state values of a computed point are finite.
template <bool tangent = true, Order O>
[[gnu::always_inline]] inline bool results_finite(const Point<O>& p, const double* state, int m) {
    const int n = p.ntens;
    const double energies[3] = {p.sse, p.spd, p.scd};
    FiniteCheck check;
    check.add(p.stress.data(), n);
    if constexpr (tangent) check.add(p.ddsdde.data(), n * n);
    check.add(energies, 3);
    check.add(state, m);
    if (p.epszz) check.add(*p.epszz);
    if (p.tsstif) check.add(p.tsstif, 2);
    return check.finite();
}

// The state of an implicit point as it came, for a point that is refused after its kernel ran:
// the whole vector, or only the ranges a kernel says it may write (StateSlots); on the stack up
// to 512 values (the largest states of the library's laws fit).
struct SavedState {
    Scratch<double, 512> copy;
    StateSlots slots;
    int total = 0;
    bool finite_in = true;  // every kept value came in finite
    SavedState(const View<double, 1>& statev, const StateSlots& w) : copy(0), slots(w) {
        const int m = std::max(statev.size(), 0);
        for (int r = 0; r < 3; ++r) {
            slots.first[r] = std::clamp(slots.first[r], 0, m);
            slots.count[r] = std::clamp(slots.count[r], 0, m - slots.first[r]);
            total += slots.count[r];
        }
        if (total > 512) [[unlikely]] copy.reset(static_cast<std::size_t>(total));
        // (The few values of a typical range one by one, noting whether each came in finite: a
        // library call per range would cost more than the copy.)
        constexpr std::uint64_t exponent = 0x7ff0000000000000ULL;
        double* c = copy.get();
        std::uint64_t bits = 0;
        for (int r = 0; r < 3; ++r) {
            const double* v = statev.data() + slots.first[r];
            for (int k = 0; k < slots.count[r]; ++k) {
                c[k] = v[k];
                bits |= std::bit_cast<std::uint64_t>(v[k] * 0.0);
            }
            c += slots.count[r];
        }
        finite_in = (bits & exponent) != exponent;
    }
    void restore(const View<double, 1>& statev) const {
        const double* c = copy.get();
        for (int r = 0; r < 3; ++r) {
            if (slots.count[r] > 0) std::memcpy(statev.data() + slots.first[r], c, sizeof(double) * slots.count[r]);
            c += slots.count[r];
        }
    }
    // Adds the kept values after the kernel to `check`.
    [[gnu::always_inline]] void add_now(FiniteCheck& check, const View<double, 1>& statev) const {
        for (int r = 0; r < 3; ++r) check.add(statev.data() + slots.first[r], slots.count[r]);
    }
    // The kept values are finite after the kernel, or non-finite as they came (a value the kernel
    // left alone is the solver's, whatever it holds).
    bool finite_now(const View<double, 1>& statev) const {
        FiniteCheck check;
        add_now(check, statev);
        if (check.finite()) [[likely]]
            return true;
        if (finite_in) return false;  // a value not finite now is not as it came
        const double* c = copy.get();
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < slots.count[r]; ++k, ++c)
                if (!kept_or_finite(statev[slots.first[r] + k], *c)) return false;
        return true;
    }
};

// The same for the whole state vector, the common case of a kernel without a contract: one copy,
// no ranges.
struct WholeState {
    Scratch<double, 512> copy;
    int m;
    explicit WholeState(const View<double, 1>& statev) : copy(0), m(std::max(statev.size(), 0)) {
        if (m > 512) [[unlikely]] copy.reset(static_cast<std::size_t>(m));
        if (m > 0) std::memcpy(copy.get(), statev.data(), sizeof(double) * m);
    }
    void restore(const View<double, 1>& statev) const {
        if (m > 0) std::memcpy(statev.data(), copy.get(), sizeof(double) * m);
    }
    [[gnu::always_inline]] void add_now(FiniteCheck& check, const View<double, 1>& statev) const {
        check.add(statev.data(), m);
    }
    // As SavedState::finite_now.
    bool finite_now(const View<double, 1>& statev) const {
        const double* c = copy.get();
        for (int k = 0; k < m; ++k)
            if (!kept_or_finite(statev[k], c[k])) return false;
        return true;
    }
};

// The state an implicit point's kernel may write: all of it unless the kernel says.
template <class K, Order O>
auto saved_state(const K& kernel, const Point<O>& p) {
    if constexpr (declares_writes<K>) return SavedState(p.statev, kernel.writes(p));
    else return WholeState(p.statev);
}

// results_finite and the saved state's finite_now in one pass over the values: the stress,
// tangent, energies, plane-stress results and kept state values into one FiniteCheck (six
// components, the common count, with the count known to the compiler); the two checks one by one
// only when a value is not finite.
template <Order O, class S>
[[gnu::always_inline]] inline bool point_finite(const Point<O>& p, const S& state) {
    const int n = p.ntens;
    FiniteCheck check;
    const double energies[3] = {p.sse, p.spd, p.scd};
    check.add(energies, 3);
    if (n == 6) {
        check.add(p.stress.data(), 6);
        check.add(p.ddsdde.data(), 36);
    } else {
        check.add(p.stress.data(), n);
        check.add(p.ddsdde.data(), n * n);
    }
    if (p.epszz) check.add(*p.epszz);
    if (p.tsstif) check.add(p.tsstif, 2);
    state.add_now(check, p.statev);
    if (check.finite()) [[likely]]
        return true;
    return results_finite(p, nullptr, 0) && state.finite_now(p.statev);
}

// The same for a point of a block interface (no tangent): its stress, energies, plane-stress
// result and m state values (`state`, against the point's row k of the block's old state
// `before`), with the block's energies e1 and e2 derived from the point's.
template <Order O, class T>
[[gnu::always_inline]] inline bool block_point_finite(const Point<O>& p, const double* state, int m, const T& before,
                                                      int k, double e1 = 0.0, double e2 = 0.0) {
    FiniteCheck check;
    const double energies[5] = {p.sse, p.spd, p.scd, e1, e2};
    check.add(energies, 5);
    check.add(p.stress.data(), p.ntens);
    if (p.epszz) check.add(*p.epszz);
    if (p.tsstif) check.add(p.tsstif, 2);
    check.add(state, m);
    if (check.finite()) [[likely]]
        return true;
    return results_finite<false>(p, nullptr, 0) && block_state_finite(state, m, before, k) &&
           e1 * 0.0 + e2 * 0.0 == 0.0;
}

template <Order O>
constexpr Order other_order() { return O == Order::nye ? Order::cyclic : Order::nye; }

// The six-component swap between the orders (its own inverse); fewer components agree.
inline constexpr int swapped[6] = {0, 1, 2, 3, 5, 4};

// The kernel's order for a point of the interface's order O: O when the kernel takes it.
template <class K, Order O>
constexpr Order order_for() {
    if constexpr (std::is_invocable_v<K&, Point<O>&>) {
        return O;
    } else {
        static_assert(std::is_invocable_v<K&, Point<other_order<O>()>&>, "a kernel takes a Point of one order or both");
        return other_order<O>();
    }
}

// A point's arguments with the vectors and tangent in `to` order: the same storage when the
// orders agree (fewer than six components), else the six-component vectors swapped into the
// buffer `b` (5 x 6 + 36 values; the kernel fills the tangent part).
template <Order To, Order From>
Point<To> reordered(const Point<From>& p, double* b) {
    const int n = p.ntens;
    Point<To> q{{p.stress.p, n}, p.statev, {p.ddsdde.p, n}, p.sse, p.spd, p.scd, p.pnewdt, p.rpl, p.drpldt,
                {p.ddsddt.p, n}, {p.drplde.p, n}, {p.stran.p, n}, {p.dstran.p, n}, p.time, p.dtime, p.temp, p.dtemp,
                p.predef, p.dpred, p.materl, p.ndi, p.nshr, p.ntens, p.nstatv, p.props, p.nprops, p.coords, p.drot,
                p.celent, p.dfgrd0, p.dfgrd1, p.noel, p.npt, p.kslay, p.kspt, p.jstep, p.kinc, p.epszz, p.tsstif,
                p.matid};
    if (n != 6) return q;
    double *s = b, *e = b + 6, *de = b + 12;
    for (int k = 0; k < 6; ++k) {
        const int f = swapped[k];
        s[k] = p.stress[f];
        e[k] = p.stran[f];
        de[k] = p.dstran[f];
    }
    q.stress.p = s, q.stran.p = e, q.dstran.p = de, q.ddsdde.p = b + 30;
    // The thermal derivatives are zero in the converters that reorder; others are swapped too.
    if (p.ddsddt.p != zeros6 || p.drplde.p != zeros6) {
        double *tt = b + 18, *rd = b + 24;
        for (int k = 0; k < 6; ++k) tt[k] = p.ddsddt[swapped[k]], rd[k] = p.drplde[swapped[k]];
        q.ddsddt.p = tt, q.drplde.p = rd;
    }
    return q;
}

// Runs the kernel on p, in p's order when the kernel takes it, else reordered.
template <class K, Order O>
[[gnu::always_inline]] inline Outcome run(K& kernel, Point<O>& p) {
    constexpr Order T = order_for<K, O>();
    if constexpr (T == O) {
        return kernel(p);
    } else {
        double b[66];
        Point<T> q = reordered<T>(p, b);
        const Outcome o = kernel(q);
        // A failed or refused kernel leaves the caller's stress and tangent as they came, as in
        // its own order.
        if (p.ntens == 6 && o.kind != Outcome::failed && o.kind != Outcome::refused) {
            for (int i = 0; i < 6; ++i) p.stress[i] = b[swapped[i]];
            for (int j = 0; j < 6; ++j)
                for (int i = 0; i < 6; ++i) p.ddsdde(i, j) = b[30 + swapped[i] + 6 * swapped[j]];
        }
        return o;
    }
}

}  // namespace conv

// ---- UMAT -----------------------------------------------------------------------------------
// `a` is the view of a UMAT-list interface (tvk::solver::Umat or a variant of it).
template <class A, class K>
[[gnu::always_inline]] inline void umat_point(const char* routine, const A& a, K&& kernel) {
    if (!conv::components_valid(routine, a.ndi, a.nshr, a.ntens)) return;
    const int n = a.ntens;
    int matid = 0;
    if constexpr (requires { a.matid; }) matid = a.matid;
    // A kernel's constant count, checked first: its report is the one the record keeps.
    if constexpr (checks_results<K>) {
        if (kernel.counts.usable && !kernel.counts.usable(a.props.size())) [[unlikely]] {
            conv::report_count(kernel.counts.message, a.props.size(), a.materl, matid);
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
        // (Its stress, tangent and energies; the state values it leaves alone are the solver's.)
        assert(o.kind == Outcome::failed || o.kind == Outcome::refused || conv::results_finite(p, nullptr, 0));
        // (The material's name is not kept across the kernel for the report: that costs the fast
        // kernels measurably. The refusal of the constant count above names it.)
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
        if ((o.kind == Outcome::done || o.kind == Outcome::cut_back) && !conv::point_finite(p, state)) [[unlikely]]
            o = conv::non_finite_result();
        if (o.kind == Outcome::refused) [[unlikely]] {
            std::copy(stress, stress + n, a.stress.data());
            state.restore(a.statev);
            conv::refuse_point(routine, o.message, o.value, a.materl, matid, a.ddsdde.data(), n, a.sse, a.spd, a.scd,
                               sse, spd, scd, a.pnewdt);
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
    if (!conv::components_valid(routine, a.ndirect, a.nshear, a.ncomp)) return;
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
    if ((o.kind == Outcome::done || o.kind == Outcome::cut_back) && !conv::point_finite(p, state)) [[unlikely]]
        o = conv::non_finite_result();
    if (o.kind == Outcome::refused) [[unlikely]] {
        std::copy(stress, stress + n, a.stress.data());
        state.restore(a.ustatev);
        conv::refuse_point(routine, o.message, o.value, {}, a.matid, a.dsdepl.data(), n, a.sedel, spd, scd, sedel, 0.0,
                           0.0, pnewdt);
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
            !conv::block_point_finite(p, state.get(), m, a.stateold, k)) [[unlikely]]
            o = conv::non_finite_result();
        if (o.kind == Outcome::refused) [[unlikely]] {
            // The point keeps its old stress and state.
            conv::report_refusal(routine, o.message, o.value, {}, a.matid);
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
            conv::report_refusal(routine, o.message, o.value, a.cmname, 0);
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
    if (bad_density) report(-3, compose(routine, ": material point with a density that is not positive"));
    if (cut) conv::no_cut_back(routine);
}

// ---- MUESLI-style form: the UMAT list headed by a material id ----------------------------------
template <class A, class K>
void muesli_point(const char* routine, const A& a, K&& kernel) {
    umat_point(routine, a, [&](auto& p) {
        p.matid = a.matid;
        return conv::run(kernel, p);
    });
}

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
#define TVK_SOLVER_KERNEL(Iface, cname, kernel)                                                   \
    [[gnu::always_inline]] static inline void cname##_through_converter(const ::tvk::solver::Iface& a) { \
        ::tvk::solver::convert(#cname, a,                                                          \
                               [](auto& p) __attribute__((always_inline)) -> decltype(kernel(p)) { \
                                   return kernel(p);                                               \
                               });                                                                 \
    }                                                                                              \
    TVK_SOLVER_ENTRY(Iface, cname, cname##_through_converter)

// As TVK_SOLVER_KERNEL, for a kernel that tells the state values it may write (kernel.h):
// `writes` is a callable StateSlots(const Point<O>&) for the kernel's points.
#define TVK_SOLVER_KERNEL_WRITING(Iface, cname, kernel, writes)                                   \
    [[gnu::always_inline]] static inline void cname##_through_converter(const ::tvk::solver::Iface& a) { \
        ::tvk::solver::convert(#cname, a,                                                          \
                               ::tvk::solver::Writing{[](auto& p) __attribute__((always_inline))   \
                                                      -> decltype(kernel(p)) { return kernel(p); }, \
                                                      writes});                                    \
    }                                                                                              \
    TVK_SOLVER_ENTRY(Iface, cname, cname##_through_converter)

// As TVK_SOLVER_KERNEL, for a kernel that checks its own results (kernel.h): the converter keeps
// no copy of the state and does not check the results again. The optional last argument is the
// kernel's ConstantCounts.
#define TVK_SOLVER_KERNEL_CHECKED(Iface, cname, kernel, ...)                                      \
    [[gnu::always_inline]] static inline void cname##_through_converter(const ::tvk::solver::Iface& a) { \
        ::tvk::solver::convert(#cname, a,                                                          \
                               ::tvk::solver::Checked{[](auto& p) __attribute__((always_inline))   \
                                                      -> decltype(kernel(p)) { return kernel(p); } \
                                                      __VA_OPT__(, __VA_ARGS__)});                 \
    }                                                                                              \
    TVK_SOLVER_ENTRY(Iface, cname, cname##_through_converter)
