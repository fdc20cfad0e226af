// Cure kinetics and the generalized Maxwell material of a curing resin (umat_prony, and its
// ANSYS entry usermat_prony); the lookup of the cure data a material name points to.
#include "prony.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "adapters.h"
#include "converters.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/roots.h"
#include "core/search.h"
#include "cure_state.h"
#include "input/iohandling.h"

// ---- Cure data of a material name ------------------------------------------------------------------

namespace tvk::curestate {

PlySection ply_section(std::string_view cmname) {
    const std::size_t end = cmname.find_last_not_of(' ');
    const int ls = end == std::string_view::npos ? 0 : static_cast<int>(end + 1), notfound = -1;
    PlySection at;
    at.ply = std::max(getxidfromstring(cmname.data(), &ls, "l", &notfound, cmname.size(), 1), 1);
    const int id = std::max(getxidfromstring(cmname.data(), &ls, "s", &notfound, cmname.size(), 1), 1);
    const auto& list = tvk::sectiondata.secidlist;
    const int n = list.extent(1);
    if (n > 0) at.sec = std::max(iFindLocation(&id, list.data(), &n, &notfound), 1);
    return at;
}

const double* cure_column(const PlySection& at, int col, int& nc) {
    const auto cu = tvk::materialdata.cuprops.view();
    nc = static_cast<int>(std::min<std::int64_t>(cu.extent(1), 1 << 30));
    if (nc < tvk::columns::cuprops::min_rows || !cu.has(1, col, at.ply, at.sec)) return nullptr;
    return &cu(1, col, at.ply, at.sec);
}

}  // namespace tvk::curestate

// ---- Cure kinetics -----------------------------------------------------------------------------------

namespace {

// (k dt p e + dold tau shift) / (tau shift + dt), as the weights dt / (tau shift + dt) and
// tau shift / (tau shift + dt) of k p e and dold: each weight is formed from its own term, so a
// step much longer than tau shift keeps the digits of the second (1 - the first would lose them),
// no product k dt overflows, and a step of 0 gives dold, a relaxation time of 0 k p e, exactly.
// A relaxation time tau shift beyond the largest double relaxes nothing within a finite step:
// dold, the limit (its weight would be inf/inf). Where only the sum overflows, the weights are
// formed from the halves of both terms.
double prony_step(double dold, double tau, double shift, double dt, double k, double p, double e) {
    const double ts = tau * shift, den = ts + dt;
    if (std::fabs(den) <= std::numeric_limits<double>::max()) [[likely]] {
        if (den == 0.0) return dold;
        return ts / den * dold + dt / den * (k * p * e);
    }
    if (std::isinf(den) && std::isfinite(dt)) {
        if (std::isinf(ts)) return dold;
        const double th = ts / 2.0, dh = dt / 2.0, sum = th + dh;
        return th / sum * dold + dh / sum * (k * p * e);
    }
    return ts / den * dold + dt / den * (k * p * e);  // a NaN, or a step that is not finite
}

// The rate law of CureRate with nc >= 7 already checked.
double cure_rate(const double* cf, double t, double degree, double degmax, int nc) {
    const double a = std::min(degree, degmax);
    // Group s + 1 applies once t reached its switch temperature cf(8s) and its values lie within nc.
    int s = 0;
    while (8LL * (s + 1) + 7 <= nc && t >= cf[8 * (s + 1) - 1]) ++s;
    const double* g = cf + 8 * s;  // A1, E1, A2, E2, N1, M, N2
    const double rt = t * tvk::prony::gas_constant;
    const double left = degmax - a;
    return g[0] * std::exp(-g[1] / rt) * std::pow(left, g[4]) +
           g[2] * std::exp(-g[3] / rt) * std::pow(a, g[5]) * std::pow(left, g[6]);
}

// The fixed-point iteration of FuncDegree and how it ended: `converged` when its tolerance tests
// stopped it (not the iteration limit), `reached` when an iterate lay at or beyond degmax.
struct DegreeIteration {
    double d;
    bool converged, reached;
};

DegreeIteration degree_iteration(const double* cf, double t1, double degree0, double dt, double degmax, int nc) {
    double r1 = cure_rate(cf, t1, degree0, degmax, nc);
    double d = degree0 + dt * r1;
    bool reached = d >= degmax;
    for (int it = 0; it < tvk::prony::funcdegree_max_iterations; ++it) {
        const double r2 = cure_rate(cf, t1, std::min(degmax, d), degmax, nc);
        d = degree0 + dt * r2;
        reached = reached || d >= degmax;
        if (r1 == 0.0 || std::fabs(r2 - r1) < 1e-6 || std::fabs((r2 - r1) / r1) <= 1e-10) return {d, true, reached};
        r1 = r2;
    }
    return {d, false, reached};
}

// The backward Euler step g(d) = d - degree0 - dt rate(d) = 0 where the fixed-point iteration did
// not solve it (`iterate` its last value). Where the rate law vanishes at degmax (positive
// exponents), an iterate that reaches degmax gets the rate 0, the next one falls back to degree0,
// and the iteration stops on the explicit step: with rate = degmax - d it returns
// degree0 + dt (degmax - degree0) for every step dt >= 1, while the backward Euler step is
// (degree0 + dt degmax) / (1 + dt). g is -dt rate(degree0) <= 0 at degree0 and
// degmax - degree0 - dt rate(degmax) at degmax, so a rate law that vanishes there brackets the root,
// which Brent's method then finds (to 1e-15, well within the iteration's tolerance).
// A rate that does not vanish at degmax (a zero exponent) and still cures there has no root below
// degmax: the root is degree0 + dt rate(degmax) beyond it (cure_rate is constant there), or, when
// `capped`, degmax itself, where the cure stops within the step. A function value that is not
// finite (dt rate overflowing) leaves no root: NaN, with the solver's level -3 report.
double step_root(const double* cf, int nc, double t1, double degree0, double dt, double degmax, double iterate,
                 bool capped) {
    // cure_rate caps its degree at degmax: beyond degmax the rate is that at degmax.
    auto g = [&](double d) { return d - degree0 - dt * cure_rate(cf, t1, d, degmax, nc); };
    const double g0 = g(degree0), g1 = g(degmax);
    if (g0 == 0.0) return degree0;
    if (g0 < 0.0 && g1 == 0.0) return degmax;
    // Any other rate without a root below degmax (a negative rate on a negative step) takes the
    // explicit step at the rate of degmax, constant beyond it.
    if (g0 < 0.0 && g1 < 0.0) {
        const double rate = cure_rate(cf, t1, degmax, degmax, nc);
        return capped && rate > 0.0 ? degmax : degree0 + dt * rate;
    }
    if (g0 < 0.0 && g1 > 0.0) {
        auto f = [&](double* v, double*, const double* x, const double*, const int*, const int*) { *v = g(*x); };
        const double xacc = 1e-15;
        const int maxit = 200, na = 0, nfun = 0;
        double root = iterate;
        int istat = 0;
        tvk::bdsafe(tvk::RootFunction::ref(f), &degree0, &degmax, &root, nullptr, &xacc, &maxit, &na, &nfun, &istat);
        return root;  // a limit reached is reported by the solver, as is a value that is not finite (NaN)
    }
    // No sign change in [degree0, degmax] (a negative rate, a negative step, or a rate law that is
    // not a number there): the iterate, reported.
    tvk::report(-2, "Cure update: no degree of cure between the start and the reachable degree", 0, 0, degree0,
                degmax);
    return iterate;
}

// The accuracy FuncDegree returns the degree of cure to.
double degree_tolerance(double dt) { return 1e-6 * std::max(1.0, std::fabs(dt)); }

// The degree a converged iteration gives, where its last value d lies within `tol` of the next
// iterate `next` (a small residual of the step g(x) = x - degree0 - dt rate(x), not yet a small
// error: where the map's slope L is near 1 the root lies up to |next - d| L / (1 - L) beyond).
// g(d) = d - next, and the root lies on the side of the next iterate (between them where the map
// falls, beyond it where it rises by less than 1). d stands where it is the root to tol: the next
// iterate is d itself (every fixed point beyond degmax, where the map is constant), or g changes
// sign between d and d + tol towards the next iterate (or is not a number there, which leaves
// nothing better). Otherwise the root is bracketed further on, the bracket doubling, and solved by
// Brent's method; a bracket not found that way leaves the root of the step over [degree0, degmax].
double settled_degree(const double* cf, int nc, double t1, double degree0, double dt, double degmax, double d,
                      double next, bool capped) {
    if (next == d) return d;
    auto g = [&](double x) { return x - degree0 - dt * cure_rate(cf, t1, x, degmax, nc); };
    const double dir = next > d ? 1.0 : -1.0;
    double h = degree_tolerance(dt), a = d + dir * h, ga = g(a);
    // g(d) has the sign of -dir: a zero, a change of sign or a value that is not a number lets d stand
    if (!(dir > 0.0 ? ga < 0.0 : ga > 0.0)) return d;
    for (int k = 0; k < 64; ++k, h *= 2.0) {
        const double b = a + dir * h, gb = g(b);
        if (!std::isfinite(gb)) break;
        if (gb == 0.0) return b;
        if ((gb > 0.0) != (ga > 0.0)) {
            auto f = [&](double* v, double*, const double* x, const double*, const int*, const int*) { *v = g(*x); };
            const double lo = std::min(a, b), hi = std::max(a, b), xacc = 1e-15;
            const int maxit = 200, na = 0, nfun = 0;
            double root = d;
            int istat = 0;
            tvk::bdsafe(tvk::RootFunction::ref(f), &lo, &hi, &root, nullptr, &xacc, &maxit, &na, &nfun, &istat);
            return root;
        }
        a = b, ga = gb;
    }
    return step_root(cf, nc, t1, degree0, dt, degmax, d, capped);
}

// The degree where the iteration converged on d: settled_degree where d lies within the
// tolerance of its next iterate, otherwise (an iterate that bounced off degmax) the root of the
// step over [degree0, degmax].
double converged_degree(const double* cf, int nc, double t1, double degree0, double dt, double degmax, double d,
                        bool capped) {
    const double next = degree0 + dt * cure_rate(cf, t1, std::min(degmax, d), degmax, nc);
    if (std::fabs(next - d) <= degree_tolerance(dt))
        return settled_degree(cf, nc, t1, degree0, dt, degmax, d, next, capped);
    return step_root(cf, nc, t1, degree0, dt, degmax, d, capped);
}

// FuncDegree: the value the iteration stops on where it is the root of the step to
// 1e-6 max(1, |dt|), beyond degmax included; otherwise the root itself (settled_degree), or, for
// an iterate that bounced off degmax or the iteration limit, the root of the step over
// [degree0, degmax].
double func_degree(const double* cf, double t1, double degree0, double dt, double degmax, int nc) {
    const DegreeIteration it = degree_iteration(cf, t1, degree0, dt, degmax, nc);
    if (it.converged) return converged_degree(cf, nc, t1, degree0, dt, degmax, it.d, false);
    tvk::report(-1, "FuncDegree: degree of cure not converged in 1000 iterations; root of the step bracketed",
                tvk::prony::funcdegree_max_iterations, 0, it.d);
    return step_root(cf, nc, t1, degree0, dt, degmax, it.d, false);
}

}  // namespace

namespace tvk::curestate {

double implicit_degree(const double* cf, int nc, double t1, double degree0, double dt, double degmax) {
    const DegreeIteration it = degree_iteration(cf, t1, degree0, dt, degmax, nc);
    if (it.converged && !it.reached) return converged_degree(cf, nc, t1, degree0, dt, degmax, it.d, true);
    return step_root(cf, nc, t1, degree0, dt, degmax, it.d, true);
}

}  // namespace tvk::curestate

TVK_API double Relaxation(const double* dold, const double* tau, const double* shift, const double* timestep,
                          const double* stiffness, const double* pprony, const double* strain) {
    return prony_step(*dold, *tau, *shift, *timestep, *stiffness, *pprony, *strain);
}

TVK_API double CureRate(const double* curvefit, const double* t, const double* degree, const double* degmax,
                        const int* nc) {
    if (*nc < tvk::columns::cuprops::min_rows) {
        tvk::report(-3, "CureRate: fewer than 7 cure-rate coefficients", *nc);
        return 0.0;
    }
    return cure_rate(curvefit, *t, *degree, *degmax, *nc);
}

TVK_API double FuncDegree(const double* curvefit, const double* t1, const double* degree0, const double* timestep,
                          const double* degmax, const int* nc) {
    if (*nc < tvk::columns::cuprops::min_rows) {
        tvk::report(-3, "FuncDegree: fewer than 7 cure-rate coefficients", *nc);
        return *degree0;
    }
    return func_degree(curvefit, *t1, *degree0, *timestep, *degmax, *nc);
}

// ---- umat_prony ---------------------------------------------------------------------------------------

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;
namespace cs = tvk::curestate;

// Stiffness components and their term sets, in the order of props 1-5 and 6-10.
enum Comp : int { k11, k12, k22, k23, k44, ncomp };

// A family of Prony states: the terms of component `comp` scaled by `factor`, following strain
// component `strain` (Nye, 0-based) with shift function `shift` (0: a1, 1: a2), acting on stress
// component `stress`.
struct Family {
    Comp comp;
    int strain, shift, stress;
    double factor;
};
constexpr Family families[] = {
    {k11, 0, 0, 0, 1.0}, {k12, 1, 1, 0, 1.0}, {k12, 2, 1, 0, 1.0},  // c11 c12 c13
    {k12, 0, 0, 1, 1.0}, {k22, 1, 1, 1, 1.0}, {k23, 2, 1, 1, 1.0},  // c21 c22 c23
    {k12, 0, 0, 2, 1.0}, {k23, 1, 1, 2, 1.0}, {k22, 2, 1, 2, 1.0},  // c31 c32 c33
    {k44, 3, 1, 3, 1.0}, {k44, 4, 1, 4, 1.0},                       // c44 c55
    {k22, 5, 1, 5, 0.5}, {k23, 5, 1, 5, -0.5},                      // c661 c662
};

// The transversely isotropic 6 x 6 matrix (column-major, Nye) of the entries d11 .. d44.
void transversely_isotropic(double* m, const double* d) {
    std::fill(m, m + 36, 0.0);
    auto at = [m](int i, int j) -> double& { return m[i + 6 * j]; };
    at(0, 0) = d[k11];
    at(0, 1) = at(0, 2) = at(1, 0) = at(2, 0) = d[k12];
    at(1, 1) = at(2, 2) = d[k22];
    at(1, 2) = at(2, 1) = d[k23];
    at(3, 3) = at(4, 4) = d[k44];
    at(5, 5) = 0.5 * (d[k22] - d[k23]);
}

// What props holds: the term counts, the instantaneous stiffnesses and where the pairs of each
// component start (0-based index into props).
struct Series {
    int n[ncomp] = {};
    int first[ncomp] = {};
    double c[ncomp] = {};
    int states = 0;  // N11 + 4 N12 + 3 N22 + 3 N23 + 2 N44
};

// Reads the counts and stiffnesses; false with the reason when props, the state vector or the
// component count cannot serve the series.
bool read_series(Series& s, const tvk::solver::Point<Order::nye>& a, const char*& why, int& value) {
    if (a.ntens != 6) {
        why = "umat_prony: six stress components needed", value = a.ntens;
        return false;
    }
    if (a.nprops < 10) {
        why = "umat_prony: fewer than 10 material properties", value = a.nprops;
        return false;
    }
    int pairs = 0;
    for (int c = 0; c < ncomp; ++c) {
        const double v = a.props[c];
        if (!(v >= 0.0 && v < 1.0e6)) {
            why = "umat_prony: Prony term count not a count", value = c + 1;
            return false;
        }
        s.n[c] = static_cast<int>(v);
        s.first[c] = 10 + 2 * pairs;
        pairs += s.n[c];
        s.c[c] = a.props[5 + c];
    }
    if (10 + 2 * pairs > a.nprops) {
        why = "umat_prony: fewer properties than the Prony terms need", value = a.nprops;
        return false;
    }
    s.states = s.n[k11] + 4 * s.n[k12] + 3 * s.n[k22] + 3 * s.n[k23] + 2 * s.n[k44];
    if (s.states > cs::max_prony_states) {
        why = "umat_prony: more than 492 Prony states", value = s.states;
        return false;
    }
    if (a.nstatv < cs::umat_min) {
        why = "umat_prony: fewer than 510 state variables", value = a.nstatv;
        return false;
    }
    if (!(a.dtime >= 0.0 && a.dtime <= tvk::huge)) {
        why = "umat_prony: time increment negative or not finite";
        return false;
    }
    return true;
}

// log10 of the two shift factors at temperature t with glass transition tg. The parameters are
// column 8 of the cure data up to its first unset value (at most 8: P1..P4 of each function; four
// serve both functions). Without at least four, or where a formula has no value, the shift is 1
// (log 0) with a level -2 report.
void log_shifts(double* x, double t, double tg, const cs::PlySection& at) {
    x[0] = x[1] = 0.0;
    int nc = 0;
    const double* col = cs::cure_column(at, tvk::columns::cuprops::shift, nc);
    double p[8];
    int np = 0;
    if (col)
        while (np < 8 && np < nc && col[np] != tvk::huge) {
            p[np] = col[np];
            ++np;
        }
    if (np < 4) {
        tvk::report(-2, "umat_prony: no time-temperature shift data; shift factor 1 used", at.ply, at.sec);
        return;
    }
    for (int j = 0; j < 2; ++j) {
        const double* q = np >= 8 ? p + 4 * j : p;  // P1..P4
        const double tt = tg + q[3];
        const double v = t > tt ? -q[0] * (t - tg) / (q[1] + t - tg)
                                : q[2] * (1.0 / t - 1.0 / tt) - q[0] * q[3] / (q[1] + q[3]);
        if (std::isfinite(v)) {
            x[j] = v;
        } else {
            tvk::report(-2, "umat_prony: shift factor undefined at this temperature; 1 used", j + 1, 0, t);
        }
    }
}

// The refusal of a point, reported with the material named (the converter counts it and gives the
// refused-point result).
[[gnu::cold, gnu::noinline]] Outcome refuse_point(const char* why, int value, std::string_view materl, int matid) {
    tvk::solver::conv::report_refused("umat_prony", why, value, materl, matid);
    return Outcome::refuse(nullptr);
}

// The report of a point whose results are not finite, as the converter words it for a result it
// finds non-finite.
[[gnu::cold, gnu::noinline]] Outcome refuse_non_finite(std::string_view materl, int matid) {
    return refuse_point(tvk::solver::conv::non_finite_text, 0, materl, matid);
}

// The bit pattern of v * 0: +-0 for a finite v, NaN otherwise, so that the OR of such patterns
// has an all-ones exponent exactly when a value is not finite (no branch per value; kept in one
// integer register, which is cheaper here than the converters' vector check of values scattered
// over the kernel's loops).
[[gnu::always_inline]] inline std::uint64_t zero_bits(double v) { return std::bit_cast<std::uint64_t>(v * 0.0); }
constexpr bool any_non_finite(std::uint64_t bits) {
    return (bits & 0x7ff0000000000000ULL) == 0x7ff0000000000000ULL;
}

// Whether one of the n new Prony states is not finite although it differs from the value that
// came in (a value as it came is the solver's, whatever it holds).
[[gnu::cold, gnu::noinline]] bool changed_to_non_finite(const double* next, const double* states, int n) {
    for (int k = 0; k < n; ++k)
        if (!tvk::solver::conv::kept_or_finite(next[k], states[k])) return true;
    return false;
}

// The point, with every result formed in locals and checked before the first is written. A point
// whose series cannot be read (component count, term counts, properties, state count, time
// increment) is refused before anything is computed; a property, Prony state or increment that
// makes a result non-finite refuses it after. Either way its stress, state and energies stay as
// they came (the converter gives the zero tangent and the cut-back request). Checked are the
// stress, the tangent, the energies (which the routine leaves as they came) and the Prony states
// it changes; the states it keeps (at a glassy point) and the shift factors it keeps (outside the
// viscoelastic range) are the solver's.
Outcome prony_point(tvk::solver::Point<Order::nye>& a) {
    Series s;
    const char* why = nullptr;
    int value = 0;
    if (!read_series(s, a, why, value)) [[unlikely]]
        return refuse_point(why, value, a.materl, a.matid);
    double e[6], de[6];
    for (int i = 0; i < 6; ++i) {
        de[i] = a.dstran[i];
        e[i] = a.stran[i] + de[i];
    }
    double* states = &cs::slot(a.statev, cs::prony_first);
    double* shift_slots = &cs::slot(a.statev, cs::log_shift1);
    double c[36], ds[6] = {};
    double next[cs::max_prony_states];  // the Prony states at the end of the increment
    double x[2];                        // log10 of the shift factors
    const double t = a.temp, dt = a.dtime;
    enum { glassy, viscoelastic, relaxed } regime;
    std::uint64_t state_bits = 0;  // of the new Prony states of a relaxed point

    if (t < cs::kelvin0) {
        // Glassy: the instantaneous stiffness, the Prony states kept.
        regime = glassy;
        transversely_isotropic(c, s.c);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j) ds[i] += c[i + 6 * j] * de[j];
    } else if (t < 573.15) {
        // Viscoelastic: every term relaxes over the increment with its shifted relaxation time.
        regime = viscoelastic;
        log_shifts(x, t, cs::slot(a.statev, cs::tg), cs::ply_section(a.materl));
        const double shift[2] = {std::pow(10.0, x[0]), std::pow(10.0, x[1])};
        transversely_isotropic(c, s.c);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j) ds[i] += c[i + 6 * j] * de[j];
        int k = 0;
        for (const Family& f : families) {
            const double stiff = f.factor * s.c[f.comp];
            for (int m = 0; m < s.n[f.comp]; ++m, ++k) {
                const double p = a.props[s.first[f.comp] + 2 * m], tau = a.props[s.first[f.comp] + 2 * m + 1];
                const double dnew = prony_step(states[k], tau, shift[f.shift], dt, stiff, p, e[f.strain]);
                ds[f.stress] -= dnew - states[k];
                next[k] = dnew;  // (not finite: then neither is the stress, which takes its change)
            }
        }
        // Tangent: every term's share dt/(tau a + dt) of its weight is gone. The entries of 12, 23
        // and 44 take the shift a1, although the states of 12 that follow e2 and e3, and those of
        // 23 and 44, relax with a2: when the two shift functions differ the tangent, not the
        // stress, is approximate in those entries (a convergence matter only).
        double d[ncomp];
        const int tangent_shift[ncomp] = {0, 0, 1, 0, 0};
        for (int cc = 0; cc < ncomp; ++cc) {
            double sum = 0.0;
            for (int m = 0; m < s.n[cc]; ++m) {
                const double p = a.props[s.first[cc] + 2 * m], tau = a.props[s.first[cc] + 2 * m + 1];
                const double den = tau * shift[tangent_shift[cc]] + dt;
                if (den != 0.0) sum += p * dt / den;
            }
            d[cc] = s.c[cc] * (1.0 - sum);
        }
        transversely_isotropic(c, d);
    } else {
        // Fully relaxed: every state at its equilibrium, the relaxed stiffness.
        regime = relaxed;
        int k = 0;
        for (const Family& f : families)
            for (int m = 0; m < s.n[f.comp]; ++m, ++k) {
                next[k] = f.factor * s.c[f.comp] * a.props[s.first[f.comp] + 2 * m] * e[f.strain];
                state_bits |= zero_bits(next[k]);
            }
        double d[ncomp];
        for (int cc = 0; cc < ncomp; ++cc) {
            double sum = 0.0;
            for (int m = 0; m < s.n[cc]; ++m) sum += a.props[s.first[cc] + 2 * m];
            d[cc] = s.c[cc] * (1.0 - sum);
        }
        transversely_isotropic(c, d);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j) ds[i] += c[i + 6 * j] * de[j];
    }
    double stress[6];
    for (int i = 0; i < 6; ++i) stress[i] = a.stress[i] + ds[i];
    // (The energies are the solver's: the law sets none of them.)
    // The tangent's entries are 0 or one of d11, d12, d22, d23, d44 and (d22 - d23)/2.
    const double entries[6] = {c[0], c[6], c[7], c[13], c[21], c[35]};
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= zero_bits(stress[i]) | zero_bits(entries[i]);
    if (any_non_finite(bits) || (any_non_finite(state_bits) && changed_to_non_finite(next, states, s.states)))
        [[unlikely]]
        return refuse_non_finite(a.materl, a.matid);
    // Every result is finite (a relaxed point's Prony state may be one as it came): the point is written.
    std::memcpy(a.stress.data(), stress, sizeof stress);
    std::memcpy(a.ddsdde.data(), c, sizeof c);
    cs::slot(a.statev, cs::tangent11) = c[0];
    cs::slot(a.statev, cs::tangent22) = c[7];
    if (regime != glassy) std::memcpy(states, next, sizeof(double) * s.states);
    if (regime == viscoelastic) shift_slots[0] = x[0], shift_slots[1] = x[1];
    return Outcome::ok();
}

// The constant counts the routine reads its series from (the term counts and the five
// instantaneous stiffnesses).
constexpr bool usable_count(int nprops) { return nprops >= 10; }

}  // namespace

TVK_SOLVER_KERNEL_CHECKED(UmatProny, umat_prony, prony_point,
                          {usable_count, "umat_prony: fewer than 10 material properties"})
// Under the ANSYS interface its strain energy (sedel) is the solver's too.
TVK_SOLVER_ADAPTED_RULED(Usermat, usermat_prony, abq_umat_to_ansys_usermat, umat_prony, tvk::solver::solver_energies)
