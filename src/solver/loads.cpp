// Impactor contact loads applied through the solver's load hooks. The pressure profiles are
// the Hertzian pressure of an elliptical contact (H. Hertz, 1882: p = 3F/(2 pi a b)
// sqrt(1 - x^2/a^2 - y^2/b^2), integrating to F) and simpler profiles over the element window.
#include "loads.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/shapes.h"
#include "core/signal.h"
#include "result_check.h"

namespace {

bool has(std::string_view name, std::string_view word) { return name.find(word) != std::string_view::npos; }

double tiny_zero(double v) { return std::abs(v) <= 1e-10 ? 0.0 : v; }

// Index (0-based) of the largest absolute component of a 3-vector, the first on a tie.
int dominant(const double* v) {
    int k = 0;
    for (int i = 1; i < 3; ++i)
        if (std::abs(v[i]) > std::abs(v[k])) k = i;
    return k;
}

// Step kind of step kstep; a missing table or step reads as kind 1 (no tracking, no load).
int step_kind(int kstep) {
    const int* kind = tvk::jobdata.stepid.at(kstep);
    if (kind) return *kind;
    tvk::report(-2, "Warning: step kind of the load step unknown, taken as 1.", kstep);
    return 1;
}

// Kind code of solver element noel from the element tables, 0 when it is not listed.
int element_kind(int noel) {
    const auto& list = tvk::elementdata.elemlist;
    const auto& kinds = tvk::elementdata.elemkind;
    if (noel < 1 || !list.present() || !kinds.present()) return 0;
    const int n = static_cast<int>(list.ext[0]);
    for (int i = 1; i <= n; ++i)
        if (*list.at(i) == noel) {
            const int* k = kinds.at(i);
            return k ? *k : 0;
        }
    return 0;
}

// No load direction: the load hook returns alpha 0 and t_user 0 with a warning, and nothing else.
void no_load(const char* routine, const char* why, double& alpha, double* t_user) {
    alpha = 0.0;
    std::fill_n(t_user, 3, 0.0);
    tvk::report(-2, tvk::compose(routine, why));
}

// Direction cosines with a value that is not finite give no load direction and no in-plane
// position.
bool no_direction(const char* routine, const double* dircos, int n, double& alpha, double* t_user) {
    if (tvk::solver::conv::all_finite(dircos, n)) return false;
    no_load(routine, ": direction cosines not finite; no load", alpha, t_user);
    return true;
}

}  // namespace

double HertzianSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                           const double* s0, const double* rcontradius, const double* scontradius) {
    const double a = *rcontradius, b = *scontradius, dr = *rcorr - *r0, ds = *scorr - *s0;
    const double radicand = 1.0 - dr * dr / (a * a) - ds * ds / (b * b);
    // Outside the contact ellipse there is no pressure.
    return radicand > 0.0 ? 3.0 * *f / (2.0 * tvk::pi * a * b) * std::sqrt(radicand) : 0.0;
}

double ParabolicSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                            const double* s0, const double* relementlength, const double* selementlength) {
    const double a = *relementlength, b = *selementlength, dr = *rcorr - *r0, ds = *scorr - *s0;
    return 3.0 * *f / (8.0 * a * b) * (1.0 - dr * dr / (a * a + a * b) - ds * ds / (b * b + a * b));
}

// As written, this profile integrates to zero over its window |dr| <= a, |ds| <= b (a cosine
// over a full period): shape code 8 applies no net force.
double CosineSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                         const double* s0, const double* relementlength, const double* selementlength) {
    const double a = *relementlength, b = *selementlength;
    return *f / (a * b) * std::cos(tvk::pi * (*rcorr - *r0) / a) * std::cos(tvk::pi * (*scorr - *s0) / b);
}

double SineSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0, const double* s0,
                       const double* relementlength, const double* selementlength) {
    const double a = *relementlength, b = *selementlength;
    return *f / (a * b) * std::sin(tvk::pi * (*rcorr - *r0) / a) * std::sin(tvk::pi * (*scorr - *s0) / b);
}

double PyramidalSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                            const double* s0, const double* relementlength, const double* selementlength) {
    const double a = *relementlength, b = *selementlength;
    return *f / (a * b) * (a - std::abs(*rcorr - *r0)) / a * (b - std::abs(*scorr - *s0)) / b;
}

double UniformSurfaceLoad(const double* f, const double* relementlength, const double* selementlength) {
    return *f / (4.0 * *relementlength * *selementlength);
}

namespace {

void dsload_law(const tvk::solver::Dsload& a) {
    const double* dircos = a.dircos.data();
    const double* coords = a.coords.data();
    const double* c1 = dircos;
    const double* c2 = dircos + 3;
    const double* c3 = dircos + 6;
    // All three directions enter the load direction and the in-plane position (and through it the
    // tracking record dprops, which is then left as it came).
    if (no_direction("dsload", dircos, 9, a.alpha, a.t_user.data())) return;
    const int ir = dominant(c1), is = dominant(c2), inorm = dominant(c3);
    // The normal reflected in the plane of the first two directions: minus the normal for
    // orthonormal direction cosines.
    double t[3];
    for (int i = 0; i < 3; ++i) {
        double v = -c3[i];
        for (int j = 0; j < 3; ++j) v += 2.0 * (c1[i] * c1[j] + c2[i] * c2[j]) * c3[j];
        t[i] = tiny_zero(v);
    }
    // Finite direction cosines whose products overflow give no load direction either.
    if (!tvk::solver::conv::all_finite(t, 3)) {
        no_load("dsload", ": load direction not finite; no load", a.alpha, a.t_user.data());
        return;
    }
    std::copy_n(t, 3, a.t_user.data());
    double sum = 0.0;
    const int noel = a.elemid;
    const int kind = step_kind(a.kstep);
    const bool tracking = kind == 0 || kind == 2 || kind == 3, loading = kind == 2 || kind == 3;
    static constexpr double flat = 0.0;
    for (int k = 0; k < a.nimp; ++k) {
        const double* cp = &a.cprops(0, k);
        double* dp = &a.dprops(0, k);
        double rs[2];
        GetPointOnXYPlane(rs, coords, dp + 1, dircos, &flat);
        const double r = rs[0], s = rs[1], r0 = 0.0, s0 = 0.0;
        const double d = std::hypot(r - r0, s - s0);
        // Distances to the impact point in the coordinate planes of the global axes.
        const double d1 = std::hypot(coords[ir] - dp[1 + ir], coords[inorm] - dp[1 + inorm]);
        const double d2 = std::hypot(coords[is] - dp[1 + is], coords[inorm] - dp[1 + inorm]);
        // Distances that are not finite (a coordinate or impact point that is not, or one that
        // overflows) neither track nor load: the impactor's record stays as it came.
        if (!std::isfinite(d) || !std::isfinite(d1) || !std::isfinite(d2)) {
            tvk::report(-2, "dsload: impactor distance not finite; no load, tracking kept", k + 1, noel, d, d1);
            continue;
        }
        // The tracking slots 5-11, updated in a copy that is written back with a finite load.
        double tr[7];
        std::copy_n(dp + 4, 7, tr);
        const double m6 = tr[1], m7 = tr[2];
        if (tr[0] == 0.0) tr[0] = noel;
        if (tr[1] == 0.0) tr[1] = d;
        if (tr[2] == 0.0) tr[2] = d;
        if (tracking) {
            if (m6 >= d) {
                tr[1] = tr[2] = d;
                tr[0] = noel;
                tr[3] = d1;
                tr[4] = d2;
            } else if (noel == static_cast<int>(tr[0]) && (tr[1] == tr[2] || d >= m7)) {
                tr[2] = d;
                tr[5] = d1;
                tr[6] = d2;
            }
        }
        const double force = cp[0];
        double load = 0.0;
        if (force != 0.0 && loading) {
            const double rl = tr[3] + tr[5], sl = tr[4] + tr[6], radius = cp[1];
            const bool in_window = rl >= std::abs(r - r0) && sl >= std::abs(s - s0);
            switch (static_cast<int>(dp[0])) {
                case 6:
                    if (radius >= d && radius > std::max(rl, sl))
                        load = HertzianSurfaceLoad(&force, &r, &s, &r0, &s0, &radius, &radius);
                    else if (in_window)
                        load = ParabolicSurfaceLoad(&force, &r, &s, &r0, &s0, &rl, &sl);
                    break;
                case 5:
                    if (radius >= d && radius > tr[1])
                        load = HertzianSurfaceLoad(&force, &r, &s, &r0, &s0, &radius, &radius);
                    break;
                case 2: if (in_window) load = UniformSurfaceLoad(&force, &rl, &sl); break;
                case 3: if (in_window) load = PyramidalSurfaceLoad(&force, &r, &s, &r0, &s0, &rl, &sl); break;
                case 4: if (in_window) load = ParabolicSurfaceLoad(&force, &r, &s, &r0, &s0, &rl, &sl); break;
                case 8: if (in_window) load = CosineSurfaceLoad(&force, &r, &s, &r0, &s0, &rl, &sl); break;
                default: break;
            }
        }
        // A load that is not finite (a force that is not, or one that overflows over its window)
        // is no load a solver can apply: the impactor adds nothing and keeps its record.
        if (!std::isfinite(sum + load)) {
            tvk::report(-2, "dsload: impactor surface load not finite; no load, tracking kept", k + 1, noel, force,
                        load);
            continue;
        }
        std::copy_n(tr, 7, dp + 4);
        sum += load;
    }
    const int ek = element_kind(noel);
    a.alpha = (ek == 9 || ek == 10 || ek == 11) ? -sum : sum;
}

}  // namespace

TVK_SOLVER_ENTRY(Dsload, dsload, dsload_law)

namespace {

// Whether the set name names impactor k: a maximal run of digits equal to k, the digits of the
// symmetry words SYM2 and SYM4 not counting (so "SYM2" names no impactor and "IMP12" names
// impactor 12 only).
bool names_impactor(std::string_view name, int k) {
    std::size_t i = 0;
    while (i < name.size()) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            ++i;
            continue;
        }
        const bool symmetry_word = i >= 3 && name.substr(i - 3, 3) == "SYM" && (name[i] == '2' || name[i] == '4') &&
                                   (i + 1 == name.size() || !std::isdigit(static_cast<unsigned char>(name[i + 1])));
        std::size_t j = i;
        long long v = 0;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))) {
            if (v < 1000000000) v = v * 10 + (name[j] - '0');
            ++j;
        }
        if (!symmetry_word && v == k) return true;
        i = j;
    }
    return false;
}

// Edge load: the force of every impactor the set name names over its edge length; a symmetry
// word halves the sum once. An impactor out of contact (force 0) adds nothing. One in contact
// without an edge (a length that is zero, negative or not a number) has no edge to load, and
// one whose force over its edge overflows has no load a solver can apply: each adds nothing,
// with a warning.
void deload_law(const tvk::solver::Deload& a) {
    // Only the normal, the third direction, is read.
    if (no_direction("deload", &a.dircos(0, 2), 3, a.alpha, a.t_user.data())) return;
    for (int i = 0; i < 3; ++i) a.t_user[i] = tiny_zero(-a.dircos(i, 2));
    const std::string_view name = a.sname;
    static constexpr double lo = tvk::tiny, hi = tvk::huge;
    double sum = 0.0;
    for (int k = 1; k <= a.nimp; ++k) {
        if (!names_impactor(name, k)) continue;
        const double* cp = &a.cprops(0, k - 1);
        const double force = cp[0], edge = 2.0 * cp[17];
        if (force == 0.0) continue;
        if (!(edge > 0.0)) {
            tvk::report(-2, "deload: impactor in contact without an edge length; no edge load", k, 0, force, cp[17]);
            continue;
        }
        const double load = force / fLimit(&edge, &lo, &hi);
        if (!std::isfinite(load)) {
            tvk::report(-2, "deload: impactor edge load not finite; no edge load", k, 0, force, cp[17]);
            continue;
        }
        sum += load;
    }
    if (has(name, "SYMX") || has(name, "SYMY") || has(name, "SYM2")) sum *= 0.5;
    a.alpha = sum;
}

void cload_law(const tvk::solver::Cload& a) {
    const std::string_view name = a.sname;
    double force = 0.0;
    bool zero = false;
    if (a.ldflag == 0.0) {
        static constexpr std::string_view words[] = {"POINT", "UNIFORM", "PYRAMIDAL", "PARABOLIC", "HERTZIAN",
                                                     "AUTOMATIC", "SINE", "COSINE", "EDGE"};
        int code = 0;
        for (int i = 0; i < 9; ++i)
            if (has(name, words[i])) code = i + 1;
        a.ldflag = code;
        if (code == 0) {
            a.f = 0.0;
            tvk::report(-2, "Warning: No valid load state detected in %S", 0, 0, 0.0, 0.0, "LDFLAG");
            return;
        }
        zero = code == 8 || code == 9;
    }
    if (!zero) {
        constexpr double rlen = 0.0005;
        if ((a.ldflag == 1.0 && a.cforce >= 0.0) || a.ldflag == -1.0) force = a.cforce / (rlen * rlen);
        // A force that is not finite, or that overflows over the load area, is no load a solver
        // can apply.
        if (!std::isfinite(force)) {
            a.f = 0.0;
            tvk::report(-2, "cload: force over the load area not finite; no load", 0, 0, a.cforce);
            return;
        }
    }
    if (has(name, "SYMX")) force *= 0.5;
    if (has(name, "SYMY")) force *= 0.5;
    if (has(name, "SYM2")) force *= 0.5;
    if (has(name, "SYM4")) force *= 0.25;
    a.f = force;
}

}  // namespace

TVK_SOLVER_ENTRY(Deload, deload, deload_law)
TVK_SOLVER_ENTRY(Cload, cload, cload_law)

TVK_SOLVER_ALIAS(Dsload, tvk_dsload, dsload)
TVK_SOLVER_ALIAS(Deload, tvk_deload, deload)
TVK_SOLVER_ALIAS(Cload, tvk_cload, cload)
