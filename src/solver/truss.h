// Two-node bar elements in three dimensions (three translations per node, 6 degrees of freedom)
// for the implicit (UEL) and the explicit (VUEL) solver, and the bar geometry they share with the
// impactor elements.
//
// PROPS: 1 Young's modulus E, 2 density rho, 3 cross-section area A. Axial stiffness EA/L, lumped
// nodal mass rho A L / 2 on every translation.
//
// uel_truss SVARS: 1..6 the nodal internal forces of the last call, 7..12 those of the call
// before (dynamic procedures; at least 12 values are needed there). vuel_truss svars(k, 1) the
// current length and svars(k, 2) the axial force after the last internal-force call.
//
// Arguments that cannot describe a two-node 3-D bar (ndofel not 6, fewer than 3 coordinates or
// 2 nodes, fewer than 3 properties, mlvarx below ndofel, too few state values for the procedure,
// beta*dtime**2 not positive in a dynamic call), a zero or non-finite length (the explicit
// internal force excepted, which gives a bar of zero length the reference length eps) and a
// non-finite result refuse the element: a level -3 report, zero residual, stiffness (mass) and
// energies, the state as it came; uel_truss also leaves 0 < pnewdt <= 0.5 (a cut-back request).
// Without a refusal pnewdt is untouched.
#pragma once

#include <cmath>

#include "interfaces.h"

TVK_SOLVER_DECLARE(Uel, uel_truss);
TVK_SOLVER_DECLARE(Vuel, vuel_truss);

namespace tvk::solver {

// Axis of a straight bar: length and unit direction from node 1 to node 2. The 2 x 6 bar
// transformation te has (n, 0) in its first row and (0, n) in its second, so the axial
// displacements are te u = (n . u1, n . u2) and a nodal force pair f maps to te^T f. A bar of
// zero length has a zero direction.
struct BarAxis {
    double length = 0.0;
    double n[3] = {0.0, 0.0, 0.0};

    // x1 and x2 point to the three coordinates of each node.
    BarAxis(const double* x1, const double* x2) {
        const double d[3] = {x2[0] - x1[0], x2[1] - x1[1], x2[2] - x1[2]};
        length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (length > 0.0)
            for (int i = 0; i < 3; ++i) n[i] = d[i] / length;
    }
    // Axial displacement of node `node` (0 or 1) from a 6-vector read through get(i).
    template <class Get>
    double axial(int node, Get get) const {
        return n[0] * get(3 * node) + n[1] * get(3 * node + 1) + n[2] * get(3 * node + 2);
    }
    // Entry i (0..5) of te^T (f1, f2).
    double spread(int i, double f1, double f2) const { return (i < 3 ? f1 : f2) * n[i % 3]; }
    // Entry (i, j) of te^T [[1, -1], [-1, 1]] te.
    double stiffness(int i, int j) const {
        const double s = (i < 3) == (j < 3) ? 1.0 : -1.0;
        return s * n[i % 3] * n[j % 3];
    }
};

// The bar of uel_truss and vuel_truss with the properties of a vanishingly weak bar (E 1e-20, rho
// 1e-20, A 0.001) in place of the element's own: the impactor elements are such bars for the
// solver, so that it sees a valid element.
// The implicit one is false when the bar refused the element (reported, with the refused-element
// result); the explicit one sets refused[k] (nblock entries) for each element it refused.
inline constexpr double weak_bar_props[3] = {1e-20, 1e-20, 0.001};
bool weak_bar(const UelImpact& a);
void weak_bar(const VuelImpact& a, unsigned char* refused);

// The refused-element result, for an impactor element's own refusals (reported by the caller):
// zero residual, stiffness and energies and a cut-back request; for element k of an explicit
// block zero residual and energies (and mass in a mass call).
void refuse_element(const UelImpact& a);
void refuse_element(const VuelImpact& a, int k);
// The level -3 report of an element `routine` (uel_truss, vuel_impact, ...) refused for a
// non-finite result.
[[gnu::cold, gnu::noinline]] void report_non_finite_element(const char* routine, int jelem);

}  // namespace tvk::solver
