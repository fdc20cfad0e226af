// The converters' refusal rules: which component counts a kernel can index by, the report of a
// refused point (naming its material, and the count for a refused count), the cut-back request,
// and what an interface makes of a kernel's outcome.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "../core/errors.h"
#include "kernel.h"

namespace tvk::solver::conv {

[[gnu::cold, gnu::noinline]] inline void refuse_components(const char* routine, int ndi, int nshr) {
    report_refused_point(compose(routine, ": ndi and nshr must be 0 to 3 and add up to ntens"), ndi, nshr);
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

// Refused points of this thread so far: a routine that calls another routine (an adapter) tells
// from it whether the called routine refused its point.
inline thread_local unsigned refusals = 0;

[[gnu::cold, gnu::noinline]] inline void refuse_non_finite(const char* routine) {
    ++refusals;
    report_refused_point(compose(routine, ": non-finite stress, strain or temperature; point not evaluated"));
}

// A cut-back request with the factor f: afterwards 0 < pnewdt <= f, whatever came in (a solver
// passes pnewdt <= 0 for "no request"); a smaller positive pnewdt stays. A factor that is not
// positive asks for half the increment.
[[gnu::always_inline]] inline void request_cut(double& pnewdt, double f) {
    if (!(f > 0.0)) f = 0.5;
    if (!(pnewdt > 0.0 && pnewdt <= f)) pnewdt = f;
}

// The refused-point result of an implicit point whose component counts fail components_valid
// (reported there): a zero tangent where ntens gives its size (1 to 6), a cut-back request; stress,
// state and energies as they came. The point counts as refused (an adapter that called the
// routine tells so).
[[gnu::cold, gnu::noinline]] inline void refuse_components_point(double* tangent, int ntens, double& pnewdt) {
    ++refusals;
    if (ntens >= 1 && ntens <= 6) std::fill(tangent, tangent + ntens * ntens, 0.0);
    request_cut(pnewdt, 0.5);
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
// text), the material and the integer of the refusal; a refused count (`counted`) is named in the
// text too, "message (count, material NAME)". A kernel that reports its refusal itself, to name
// the material, calls this and returns Outcome::refuse(nullptr).
[[gnu::cold, gnu::noinline]] inline void report_refused(const char* routine, const char* message, int value,
                                                        std::string_view materl, int matid, bool counted = false) {
    const std::string material = material_of(materl, matid);
    const std::string text = message == non_finite_text ? compose(routine, non_finite_text) : std::string(message);
    std::string named = counted ? std::to_string(value) : std::string();
    if (!material.empty()) named += (named.empty() ? "material " : ", material ") + material;
    report_refused_point(named.empty() ? text : compose(text, " (" + named + ")"), value, 0, 0.0, 0.0, material);
}

// Counts a refused point and reports it (a refusal with a null message is reported already).
[[gnu::cold, gnu::noinline]] inline void report_refusal(const char* routine, const char* message, int value,
                                                        std::string_view materl, int matid, bool counted = false) {
    ++refusals;
    if (message) report_refused(routine, message, value, materl, matid, counted);
}

// A count of constants or stress components a kernel cannot serve, found before it runs.
[[gnu::cold, gnu::noinline]] inline void report_count(const char* message, int count, std::string_view materl,
                                                      int matid) {
    report_refusal(nullptr, message, count, materl, matid, true);
}

// Reports an implicit point's refusal and gives it the refused-point result besides its stress
// and state: zero tangent (n x n), the energies as they came (sse0, spd0, scd0), a cut-back
// request. (Handed the pieces, not the point or the outcome, so that an inlined kernel's point
// and outcome stay in registers.)
[[gnu::cold, gnu::noinline]] inline void refuse_point(const char* routine, const char* message, int value,
                                                      std::string_view materl, int matid, double* ddsdde, int n,
                                                      double& sse, double& spd, double& scd, double sse0, double spd0,
                                                      double scd0, double& pnewdt, bool counted = false) {
    report_refusal(routine, message, value, materl, matid, counted);
    std::fill(ddsdde, ddsdde + n * n, 0.0);
    sse = sse0, spd = spd0, scd = scd0;
    request_cut(pnewdt, 0.5);
}

// A refusal's report, without the material, and its cut-back request.
[[gnu::cold, gnu::noinline]] inline void refuse_reported(const char* routine, const char* message, int value,
                                                         double& pnewdt, bool counted = false) {
    report_refusal(routine, message, value, {}, 0, counted);
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
        case Outcome::refused: refuse_reported(routine, o.message, o.value, pnewdt, o.counted); return false;
    }
    return false;
}

}  // namespace tvk::solver::conv
