// Two-node bar elements: linear bar for the implicit solver (static, Hilber-Hughes-Taylor dynamic
// and perturbation procedures), volume-preserving bar with logarithmic strain for the explicit
// solver.
#include "truss.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../core/errors.h"

namespace {

using tvk::solver::BarAxis;

constexpr double eps = std::numeric_limits<double>::epsilon();

template <class V>
bool uel_fits(const V& a, int nprops) {
    if (a.ndofel == 6 && a.mcrd >= 3 && a.nnode >= 2 && nprops >= 3 && a.mlvarx >= a.ndofel) return true;
    tvk::report(-3, "Error: truss element needs 2 nodes, 3 coordinates, 6 dofs and 3 properties", a.ndofel,
                nprops);
    return false;
}

template <class V>
void uel_bar(const V& a, const double* props, int nprops) {
    for (int k = 0; k < a.rhs.size(); ++k) a.rhs[k] = 0.0;
    for (int k = 0; k < a.amatrx.size(); ++k) a.amatrx[k] = 0.0;
    if (!uel_fits(a, nprops)) return;
    const int nd = 6;
    const BarAxis bar(&a.coords(0, 0), &a.coords(0, 1));
    const double E = props[0], rho = props[1], area = props[2];
    const double L = bar.length;
    if (!(L > 0.0)) {
        tvk::report(-3, "Error: truss element of zero length", a.jelem);
        return;
    }
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
    // Static perturbation: the response to the load increment du(:, 1).
    auto perturbation = [&] {
        const double ddl = due(1, 0) - due(0, 0), dforce = ak * ddl;
        set_rhs(0, dforce, -dforce);
        a.energy[1] = 0.5 * ak * dl * ddl + 0.5 * dl * dforce + 0.5 * ddl * dforce;
    };
    const double force = ak * dl;
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
            if (a.nsvars < 12) {
                tvk::report(-3, "Error: dynamic truss element needs 12 state variables", a.nsvars);
                break;
            }
            const double bdt2 = beta * a.dtime * a.dtime;
            set_stiffness(1.0 + alpha);
            if (bdt2 > 0.0)
                for (int i = 0; i < nd; ++i) a.amatrx(i, i) += am / bdt2;
            else
                tvk::report(-3, "Error: dynamic truss element needs beta*dtime**2 > 0", a.jelem, 0, bdt2);
            for (int i = 0; i < nd; ++i) {
                const double sresid = bar.spread(i, -force, force);
                if (nrhs > 0) a.rhs(i, 0) -= am * a.a[i] + (1.0 + alpha) * sresid - alpha * a.svars[i];
                a.svars[i + 6] = a.svars[i];
                a.svars[i] = sresid;
            }
            double kinetic = 0.0;
            for (int i = 0; i < nd; ++i) kinetic += 0.5 * am * a.v[i] * a.v[i];
            a.energy[0] = kinetic;
            a.energy[1] = 0.5 * ak * dl * dl;
        }
        break;
    case 2:
        set_stiffness(1.0);
        break;
    case 4:
        for (int i = 0; i < nd; ++i) a.amatrx(i, i) = am;
        break;
    case 5:
        if (a.nsvars < 12) {
            tvk::report(-3, "Error: dynamic truss element needs 12 state variables", a.nsvars);
            break;
        }
        for (int i = 0; nrhs > 0 && i < nd; ++i)
            a.rhs(i, 0) -= am * a.a[i] + (1.0 + alpha) * bar.spread(i, -force, force) -
                           0.5 * alpha * (a.svars[i] + a.svars[i + 6]);
        break;
    case 6: {
        double kinetic = 0.0;
        for (int i = 0; i < nd; ++i) {
            a.amatrx(i, i) = am;
            const double sresid = bar.spread(i, -force, force);
            if (nrhs > 0) a.rhs(i, 0) -= sresid;
            if (i < a.nsvars) a.svars[i] = sresid;
            kinetic += 0.5 * am * a.v[i] * a.v[i];
        }
        a.energy[0] = kinetic;
        a.energy[1] = 0.5 * force * dl;
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
            return;
        }
        for (int i = 0; i < a.nsvars; ++i) a.svars[i] = 0.0;
        for (int i = 0; nrhs > 0 && i < std::min(nd, a.nsvars); ++i) a.svars[i] = a.rhs(i, 0);
        break;
    default:
        break;
    }
}

template <class V>
bool vuel_fits(const V& a, int nprops) {
    if (a.ndofel == 6 && a.ncrd >= 3 && a.nnode >= 2 && nprops >= 3 && a.nsvars >= 2) return true;
    tvk::report(-3, "Error: truss element needs 2 nodes, 3 coordinates, 6 dofs, 3 properties, 2 svars",
                a.ndofel, a.nsvars);
    return false;
}

template <class V>
void vuel_bar(const V& a, const double* props, int nprops) {
    if (a.lflags[0] != 17) return;
    if (!vuel_fits(a, nprops)) return;
    const double E = props[0], rho = props[1], area = props[2];
    for (int k = 0; k < a.nblock; ++k) {
        const double x1[3] = {a.coords(k, 0, 0), a.coords(k, 0, 1), a.coords(k, 0, 2)};
        const double x2[3] = {a.coords(k, 1, 0), a.coords(k, 1, 1), a.coords(k, 1, 2)};
        const BarAxis bar(x1, x2);
        const double L0 = bar.length > 0.0 ? bar.length : eps;
        switch (a.lflags[2]) {
        case 1: {
            const double am = 0.5 * rho * area * bar.length;
            for (int j = 0; j < 6; ++j)
                for (int i = 0; i < 6; ++i) a.amass(k, i, j) = i == j ? am : 0.0;
            break;
        }
        case 2: {
            const double ue1 = bar.axial(0, [&](int i) { return a.u(k, i); });
            const double ue2 = bar.axial(1, [&](int i) { return a.u(k, i); });
            double L = bar.length + ue2 - ue1;
            if (!(L > 0.0)) L = eps;
            // Volume kept: the area follows the length; logarithmic (true) strain.
            const double acur = area * L0 / L, kax = E * acur / L, mass = rho * area * L0;
            a.dtimestable[k] = 0.99 * std::sqrt(mass / kax);
            const double F = E * acur * std::log(L / L0);
            for (int i = 0; i < 6; ++i) a.rhs(k, i) = bar.spread(i, -F, F);
            a.energy(k, 2) += 0.5 * (a.svars(k, 1) + F) * (L - a.svars(k, 0));
            a.svars(k, 0) = L;
            a.svars(k, 1) = F;
            break;
        }
        case 3:
            if (a.jdltyp == 123)
                for (int i = 0; i < 6; ++i) a.rhs(k, i) = bar.spread(i, 0.0, a.adlmag[k]);
            break;
        default:
            break;
        }
    }
}

void uel_law(const tvk::solver::Uel& a) { uel_bar(a, a.props.data(), a.nprops); }
void vuel_law(const tvk::solver::Vuel& a) { vuel_bar(a, a.props.data(), a.nprops); }

}  // namespace

void tvk::solver::weak_bar(const UelImpact& a) { uel_bar(a, weak_bar_props, 3); }
void tvk::solver::weak_bar(const VuelImpact& a) { vuel_bar(a, weak_bar_props, 3); }

TVK_SOLVER_ENTRY(Uel, uel_truss, uel_law)
TVK_SOLVER_ENTRY(Vuel, vuel_truss, vuel_law)
