// Two-node bar elements: linear bar for the implicit solver (static, Hilber-Hughes-Taylor dynamic
// and perturbation procedures), volume-preserving bar with logarithmic strain for the explicit
// solver.
//
// A refused element (a shape or count the bar cannot serve, a zero or non-finite length, a
// non-finite result) is reported at level -3 and contributes nothing: zero residual, stiffness
// (mass) and energies, its state as it came. The implicit element also asks for a cut-back
// (0 < pnewdt <= 0.5); the explicit one has none, its report is all. The results are checked
// rather than every input the procedure may read: a NaN velocity in a static call is never read
// and refuses nothing.
#include "truss.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "../core/errors.h"
#include "converters.h"

namespace {

using tvk::solver::BarAxis;

constexpr double eps = std::numeric_limits<double>::epsilon();

// How an element's call ended: computed, refused with its own report, or with a non-finite result
// (reported by the caller, which knows the routine's name).
enum class Call { done, refused, non_finite };

template <class T, int R>
void zero(const tvk::solver::View<T, R>& v) {
    std::int64_t n = 1;
    for (int d = 0; d < R; ++d) n *= v.extent(d);
    std::fill_n(v.data(), n, 0.0);
}

// The refused implicit element: zero residual, stiffness and energies, and a cut-back request.
template <class V>
void refuse_uel(const V& a) {
    zero(a.rhs);
    zero(a.amatrx);
    zero(a.energy);
    tvk::solver::conv::request_cut(a.pnewdt, 0.5);
}

// The refused element k of an explicit block: zero residual and energies, and zero mass in a mass
// call; its state and stable increment as they came.
template <class V>
void refuse_vuel(const V& a, int k) {
    for (int i = 0; i < a.rhs.extent(1); ++i) a.rhs(k, i) = 0.0;
    for (int i = 0; i < 12; ++i) a.energy(k, i) = 0.0;
    if (a.lflags[2] == 1)
        for (int j = 0; j < a.amass.extent(2); ++j)
            for (int i = 0; i < a.amass.extent(1); ++i) a.amass(k, i, j) = 0.0;
}

// The bar's length must be positive and finite (coordinates far enough apart to overflow give an
// infinite one); false after a level -3 report.
bool length_usable(double L, int jelem) {
    if (!std::isfinite(L)) tvk::report_refused_point("Error: truss element of non-finite length", jelem);
    else if (!(L > 0.0)) tvk::report_refused_point("Error: truss element of zero length", jelem);
    else return true;
    return false;
}

template <class V>
bool uel_fits(const V& a, int nprops) {
    if (a.ndofel == 6 && a.mcrd >= 3 && a.nnode >= 2 && nprops >= 3 && a.mlvarx >= a.ndofel) return true;
    tvk::report_refused_point("Error: truss element needs 2 nodes, 3 coordinates, 6 dofs and 3 properties", a.ndofel,
                              nprops);
    return false;
}

// The implicit bar. Its state is written last, once the residual, stiffness and the energies the
// call wrote (those that came in finite: energy0) are found finite, so a refused call leaves it
// as it came.
template <class V>
Call uel_bar(const V& a, const double* props, int nprops, const double* energy0) {
    zero(a.rhs);
    zero(a.amatrx);
    if (!uel_fits(a, nprops)) return Call::refused;
    const int nd = 6;
    const BarAxis bar(&a.coords(0, 0), &a.coords(0, 1));
    const double E = props[0], rho = props[1], area = props[2];
    const double L = bar.length;
    if (!length_usable(L, a.jelem)) return Call::refused;
    const double ak = E * area / L, am = 0.5 * rho * area * L;
    const double ue1 = bar.axial(0, [&](int i) { return a.u[i]; });
    const double ue2 = bar.axial(1, [&](int i) { return a.u[i]; });
    const double dl = ue2 - ue1;
    const int nrhs = std::max(a.nrhs, 0);
    auto due = [&](int node, int k) { return bar.axial(node, [&](int i) { return a.du(i, k); }); };
    const double alpha = a.params[0], beta = a.params[1];
    const int proc = a.lflags[0], kind = a.lflags[2];
    const bool is_static = proc == 1 || proc == 2, is_dynamic = proc == 11 || proc == 12;
    auto set_stiffness = [&](double factor) {
        for (int j = 0; j < nd; ++j)
            for (int i = 0; i < nd; ++i) a.amatrx(i, j) = factor * ak * bar.stiffness(i, j);
    };
    auto set_rhs = [&](int k, double f1, double f2) {
        if (k < nrhs)
            for (int i = 0; i < nd; ++i) a.rhs(i, k) = bar.spread(i, f1, f2);
    };
    auto too_few_svars = [&] {
        if (a.nsvars >= 12) return false;
        tvk::report_refused_point("Error: dynamic truss element needs 12 state variables", a.nsvars);
        return true;
    };
    // Static perturbation: the response to the load increment du(:, 1).
    auto perturbation = [&] {
        const double ddl = due(1, 0) - due(0, 0), dforce = ak * ddl;
        set_rhs(0, dforce, -dforce);
        a.energy[1] = 0.5 * ak * dl * ddl + 0.5 * dl * dforce + 0.5 * ddl * dforce;
    };
    const double force = ak * dl;
    // The state the call leaves: the nodal forces (shifted into 7..12 first in dynamic calls), or
    // the perturbation residual in a zeroed vector.
    enum { none, shift, forces, output } state = none;
    switch (kind) {
    case 1:
        if (is_static) {
            set_stiffness(1.0);
            if (a.lflags[3] != 0) {
                perturbation();
                break;
            }
            double f2[2] = {-force, 0.0};
            // Follower load along the bar axis at node 2 (load type 1001).
            const int nload = std::min(a.ndload, a.jdltyp.size());
            for (int i = 0; i < nload; ++i) {
                if (a.jdltyp[i] != 1001) continue;
                f2[0] += a.adlmag[i];
                a.energy[7] += (a.adlmag[i] - 0.5 * a.ddlmag[i]) * due(1, 0);
                if (nrhs == 2) f2[1] += a.ddlmag[i];
            }
            set_rhs(0, force, f2[0]);
            set_rhs(1, 0.0, f2[1]);
            a.energy[1] = 0.5 * force * dl;
        } else if (is_dynamic) {
            if (too_few_svars()) return Call::refused;
            const double bdt2 = beta * a.dtime * a.dtime;
            if (!(bdt2 > 0.0)) {
                tvk::report_refused_point("Error: dynamic truss element needs beta*dtime**2 > 0", a.jelem, 0, bdt2);
                return Call::refused;
            }
            set_stiffness(1.0 + alpha);
            for (int i = 0; i < nd; ++i) a.amatrx(i, i) += am / bdt2;
            for (int i = 0; nrhs > 0 && i < nd; ++i)
                a.rhs(i, 0) -= am * a.a[i] + (1.0 + alpha) * bar.spread(i, -force, force) - alpha * a.svars[i];
            double kinetic = 0.0;
            for (int i = 0; i < nd; ++i) kinetic += 0.5 * am * a.v[i] * a.v[i];
            a.energy[0] = kinetic;
            a.energy[1] = 0.5 * ak * dl * dl;
            state = shift;
        }
        break;
    case 2:
        set_stiffness(1.0);
        break;
    case 4:
        for (int i = 0; i < nd; ++i) a.amatrx(i, i) = am;
        break;
    case 5:
        if (too_few_svars()) return Call::refused;
        for (int i = 0; nrhs > 0 && i < nd; ++i)
            a.rhs(i, 0) -= am * a.a[i] + (1.0 + alpha) * bar.spread(i, -force, force) -
                           0.5 * alpha * (a.svars[i] + a.svars[i + 6]);
        break;
    case 6: {
        double kinetic = 0.0;
        for (int i = 0; i < nd; ++i) {
            a.amatrx(i, i) = am;
            if (nrhs > 0) a.rhs(i, 0) -= bar.spread(i, -force, force);
            kinetic += 0.5 * am * a.v[i] * a.v[i];
        }
        a.energy[0] = kinetic;
        a.energy[1] = 0.5 * force * dl;
        state = forces;
        break;
    }
    case 100:
        if (is_static) {
            perturbation();
        } else if (proc == 41) {
            for (int k = 0; k < std::min(nrhs, 2); ++k) {
                const double f = ak * (due(1, k) - due(0, k));
                set_rhs(k, f, -f);
            }
        } else {
            return Call::done;
        }
        state = output;
        break;
    default:
        break;
    }

    // Only the first two right-hand sides are ever written; an energy that came in non-finite (a
    // solver's unset value) and was left alone is not the element's.
    tvk::solver::conv::FiniteCheck check;
    for (int k = 0; k < std::min(nrhs, 2); ++k) check.add(&a.rhs(0, k), nd);
    check.add(a.amatrx.data(), nd * nd);
    bool finite = check.finite();
    for (int i = 0; i < 8; ++i) finite = finite && (std::isfinite(a.energy[i]) || !std::isfinite(energy0[i]));
    if (!finite) return Call::non_finite;

    switch (state) {
    case shift:
        for (int i = 0; i < nd; ++i) {
            a.svars[i + 6] = a.svars[i];
            a.svars[i] = bar.spread(i, -force, force);
        }
        break;
    case forces:
        for (int i = 0; i < std::min(nd, a.nsvars); ++i) a.svars[i] = bar.spread(i, -force, force);
        break;
    case output:
        for (int i = 0; i < a.nsvars; ++i) a.svars[i] = 0.0;
        for (int i = 0; nrhs > 0 && i < std::min(nd, a.nsvars); ++i) a.svars[i] = a.rhs(i, 0);
        break;
    case none:
        break;
    }
    return Call::done;
}

// The implicit element `routine` with the bar properties props: true when computed, else refused
// (reported, the refused-element result).
template <class V>
bool uel_element(const char* routine, const V& a, const double* props, int nprops) {
    double energy0[8];
    std::copy_n(a.energy.data(), 8, energy0);
    const Call c = uel_bar(a, props, nprops, energy0);
    if (c == Call::done) [[likely]]
        return true;
    if (c == Call::non_finite) tvk::solver::report_non_finite_element(routine, a.jelem);
    refuse_uel(a);
    return false;
}

template <class V>
bool vuel_fits(const V& a, int nprops) {
    if (a.ndofel == 6 && a.ncrd >= 3 && a.nnode >= 2 && nprops >= 3 && a.nsvars >= 2) return true;
    tvk::report_refused_point("Error: truss element needs 2 nodes, 3 coordinates, 6 dofs, 3 properties, 2 svars",
                              a.ndofel, a.nsvars);
    return false;
}

// The explicit bar on a block; refused elements are marked in refused[k] when it is given. Each
// element's results are formed first and written only when finite.
template <class V>
void vuel_bar(const char* routine, const V& a, const double* props, int nprops, unsigned char* refused) {
    if (a.lflags[0] != 17) return;
    auto refuse = [&](int k) {
        refuse_vuel(a, k);
        if (refused) refused[k] = 1;
    };
    auto non_finite = [&](int k) {
        tvk::solver::report_non_finite_element(routine, a.jelem[k]);
        refuse(k);
    };
    if (!vuel_fits(a, nprops)) {
        for (int k = 0; k < a.nblock; ++k) refuse(k);
        return;
    }
    const double E = props[0], rho = props[1], area = props[2];
    const int kind = a.lflags[2];
    for (int k = 0; k < a.nblock; ++k) {
        const double x1[3] = {a.coords(k, 0, 0), a.coords(k, 0, 1), a.coords(k, 0, 2)};
        const double x2[3] = {a.coords(k, 1, 0), a.coords(k, 1, 1), a.coords(k, 1, 2)};
        const BarAxis bar(x1, x2);
        const int jelem = a.jelem[k];
        // The mass and a load along the bar need a positive length; the internal force gives a
        // bar of zero length the reference length eps.
        const bool uses_length = kind == 1 || kind == 2 || (kind == 3 && a.jdltyp == 123);
        if (uses_length && !(kind == 2 && bar.length == 0.0) && !length_usable(bar.length, jelem)) {
            refuse(k);
            continue;
        }
        const double L0 = bar.length > 0.0 ? bar.length : eps;
        switch (kind) {
        case 1: {
            const double am = 0.5 * rho * area * bar.length;
            if (!std::isfinite(am)) {
                non_finite(k);
                break;
            }
            for (int j = 0; j < 6; ++j)
                for (int i = 0; i < 6; ++i) a.amass(k, i, j) = i == j ? am : 0.0;
            break;
        }
        case 2: {
            const double ue1 = bar.axial(0, [&](int i) { return a.u(k, i); });
            const double ue2 = bar.axial(1, [&](int i) { return a.u(k, i); });
            double L = bar.length + ue2 - ue1;
            const bool finite_length = std::isfinite(L);  // a non-finite displacement is no compression
            if (!(L > 0.0)) L = eps;
            // Volume kept: the area follows the length; logarithmic (true) strain.
            const double acur = area * L0 / L, kax = E * acur / L, mass = rho * area * L0;
            const double dts = 0.99 * std::sqrt(mass / kax);
            const double F = E * acur * std::log(L / L0);
            const double work = 0.5 * (a.svars(k, 1) + F) * (L - a.svars(k, 0));
            if (!(finite_length && std::isfinite(dts) && std::isfinite(F) && std::isfinite(work))) {
                non_finite(k);
                break;
            }
            // A stable increment of 0 (no mass, or a mass that underflows against the stiffness)
            // would stop the explicit solver: such an element is refused as one without stiffness
            // (whose increment is infinite) is.
            if (!(dts > 0.0)) {
                tvk::report_refused_point(
                    tvk::compose(routine, ": stable time increment not positive; element not evaluated"), jelem, 0,
                    dts);
                refuse(k);
                break;
            }
            a.dtimestable[k] = dts;
            for (int i = 0; i < 6; ++i) a.rhs(k, i) = bar.spread(i, -F, F);
            a.energy(k, 2) += work;
            a.svars(k, 0) = L;
            a.svars(k, 1) = F;
            break;
        }
        case 3:
            if (a.jdltyp == 123) {
                if (!std::isfinite(a.adlmag[k])) {
                    non_finite(k);
                    break;
                }
                for (int i = 0; i < 6; ++i) a.rhs(k, i) = bar.spread(i, 0.0, a.adlmag[k]);
            }
            break;
        default:
            break;
        }
    }
}

void uel_law(const tvk::solver::Uel& a) { uel_element("uel_truss", a, a.props.data(), a.nprops); }
void vuel_law(const tvk::solver::Vuel& a) { vuel_bar("vuel_truss", a, a.props.data(), a.nprops, nullptr); }

}  // namespace

bool tvk::solver::weak_bar(const UelImpact& a) { return uel_element("uel_impact", a, weak_bar_props, 3); }
void tvk::solver::weak_bar(const VuelImpact& a, unsigned char* refused) {
    vuel_bar("vuel_impact", a, weak_bar_props, 3, refused);
}
void tvk::solver::refuse_element(const UelImpact& a) { refuse_uel(a); }
void tvk::solver::report_non_finite_element(const char* routine, int jelem) {
    tvk::report_refused_point(tvk::compose(routine, ": non-finite result; element not evaluated"), jelem);
}
void tvk::solver::refuse_element(const VuelImpact& a, int k) { refuse_vuel(a, k); }

TVK_SOLVER_ENTRY(Uel, uel_truss, uel_law)
TVK_SOLVER_ENTRY(Vuel, vuel_truss, vuel_law)
