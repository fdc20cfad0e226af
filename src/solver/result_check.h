// The converters' checks of values: whether the values a solver passes and the results a kernel
// returns are finite (besides what the kernel's ResultRules let through), and the state of an
// implicit point kept so that a refused point gets it back as it came.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "../core/scratch.h"
#include "kernel.h"

namespace tvk::solver::conv {

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

// A state value after the kernel is finite, or the very value that came in: a state value the
// kernel did not touch is not its result, and a solver may keep anything there.
inline bool kept_or_finite(double now, double before) {
    return now * 0.0 == 0.0 || std::bit_cast<std::uint64_t>(now) == std::bit_cast<std::uint64_t>(before);
}

// The m state values of a block point after the kernel (`now`) against the point's row `before`
// of the block's old state: finite, as they came, or non-finite values the kernel's law defines in
// their slots (`rules`).
template <class T>
[[gnu::always_inline]] inline bool block_state_finite(const double* now, int m, const T& before, int k,
                                                      const ResultRules& rules = own_results) {
    if (all_finite(now, m)) [[likely]]
        return true;
    for (int j = 0; j < m; ++j)
        if (!kept_or_finite(now[j], before(k, j)) && !rules.allows(j, now[j])) return false;
    return true;
}

// An energy after the kernel, by whose it is (ResultRules): the kernel's own is finite, the
// solver's finite or as it came, an accumulated one finite or the sum with a solver's value that
// came in non-finite.
inline bool energy_finite(double now, double before, Energy whose) {
    if (now * 0.0 == 0.0) return true;
    if (whose == Energy::solvers) return std::bit_cast<std::uint64_t>(now) == std::bit_cast<std::uint64_t>(before);
    return whose == Energy::accumulated && before * 0.0 != 0.0;
}

// The stress, tangent (of an implicit interface, which returns it), energies (unless they are
// checked by their rules), plane-stress results and the m state values of a computed point are
// finite.
template <bool tangent = true, bool energies = true, Order O>
[[gnu::always_inline]] inline bool results_finite(const Point<O>& p, const double* state, int m) {
    const int n = p.ntens;
    FiniteCheck check;
    check.add(p.stress.data(), n);
    if constexpr (tangent) check.add(p.ddsdde.data(), n * n);
    if constexpr (energies) {
        const double e[3] = {p.sse, p.spd, p.scd};
        check.add(e, 3);
    }
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
    // The kept values are finite after the kernel, non-finite as they came (a value the kernel
    // left alone is the solver's, whatever it holds), or non-finite values the law defines in their
    // slots (`rules`).
    bool finite_now(const View<double, 1>& statev, const ResultRules& rules) const {
        FiniteCheck check;
        add_now(check, statev);
        if (check.finite()) [[likely]]
            return true;
        if (finite_in && !rules.defines_state()) return false;  // a value not finite now is not as it came
        const double* c = copy.get();
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < slots.count[r]; ++k, ++c) {
                const int at = slots.first[r] + k;
                if (!kept_or_finite(statev[at], *c) && !rules.allows(at, statev[at])) return false;
            }
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
    bool finite_now(const View<double, 1>& statev, const ResultRules& rules) const {
        const double* c = copy.get();
        for (int k = 0; k < m; ++k)
            if (!kept_or_finite(statev[k], c[k]) && !rules.allows(k, statev[k])) return false;
        return true;
    }
};

// The state an implicit point's kernel may write: all of it unless the kernel says.
template <class K, Order O>
auto saved_state(const K& kernel, const Point<O>& p) {
    if constexpr (declares_writes<K>) return SavedState(p.statev, kernel.writes(p));
    else return WholeState(p.statev);
}

// The results of an implicit point one by one, for a point with a value that is not finite: its
// stress, tangent and plane-stress results are finite, its energies (sse, spd, scd after the
// kernel, sse0, spd0, scd0 before it) and its state as the kernel's rules allow. (Handed the
// pieces, not the point, so that an inlined kernel's point stays in registers.)
template <class S>
[[gnu::cold, gnu::noinline]] bool point_allowed(const double* stress, const double* ddsdde, int n,
                                                const double* epszz, const double* tsstif, View<double, 1> statev,
                                                const S& state, const ResultRules& rules, double sse, double spd,
                                                double scd, double sse0, double spd0, double scd0) {
    FiniteCheck check;
    check.add(stress, n);
    check.add(ddsdde, n * n);
    if (epszz) check.add(*epszz);
    if (tsstif) check.add(tsstif, 2);
    return check.finite() && energy_finite(sse, sse0, rules.sse) && energy_finite(spd, spd0, rules.spd) &&
           energy_finite(scd, scd0, rules.scd) && state.finite_now(statev, rules);
}

// results_finite and the saved state's finite_now in one pass over the values: the stress,
// tangent, energies, plane-stress results and kept state values into one FiniteCheck (six
// components, the common count, with the count known to the compiler); only when a value is not
// finite, the checks one by one, with the kernel's rules: its energies against those that came in
// (sse0, spd0, scd0), its state against the slots its law defines non-finite values in.
template <Order O, class S>
[[gnu::always_inline]] inline bool point_finite(const Point<O>& p, const S& state, const ResultRules& rules,
                                                double sse0, double spd0, double scd0) {
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
    return point_allowed(p.stress.data(), p.ddsdde.data(), n, p.epszz, p.tsstif, p.statev, state, rules, p.sse, p.spd,
                         p.scd, sse0, spd0, scd0);
}

// The same for a point of a block interface (no tangent): its stress, energies, plane-stress
// result and m state values (`state`, against the point's row k of the block's old state
// `before`), with the block's energies e1 and e2 derived from the point's. The point's energies
// start at zero and its state at the old state; `rules` are the kernel's (the energies it does not
// own, the non-finite state values its law defines).
template <Order O, class T>
[[gnu::always_inline]] inline bool block_point_finite(const Point<O>& p, const double* state, int m, const T& before,
                                                      int k, double e1 = 0.0, double e2 = 0.0,
                                                      const ResultRules& rules = own_results) {
    FiniteCheck check;
    const double energies[5] = {p.sse, p.spd, p.scd, e1, e2};
    check.add(energies, 5);
    check.add(p.stress.data(), p.ntens);
    if (p.epszz) check.add(*p.epszz);
    if (p.tsstif) check.add(p.tsstif, 2);
    check.add(state, m);
    if (check.finite()) [[likely]]
        return true;
    return results_finite<false, false>(p, nullptr, 0) && energy_finite(p.sse, 0.0, rules.sse) &&
           energy_finite(p.spd, 0.0, rules.spd) && energy_finite(p.scd, 0.0, rules.scd) &&
           block_state_finite(state, m, before, k, rules) && e1 * 0.0 + e2 * 0.0 == 0.0;
}

}  // namespace tvk::solver::conv
