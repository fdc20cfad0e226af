// Orthotropic ply material routine: Hooke's law in Nye order with the stiffness degraded
// element by element from the ply's failure flags in a DIC step.
#include "umat_lamina.h"

#include <cmath>
#include <cstring>

#include "converters.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "failure/stiffness_factors.h"
#include "mechanics/lamina.h"
#include "ply_state.h"
#include "stepkinds.h"

namespace {

namespace ps = tvk::plystate;
using Ply = tvk::solver::Point<tvk::solver::Order::nye>;
using tvk::solver::Outcome;

// Ply state slot k (1-based) or 0 when the vector is shorter. This routine addresses slot k as
// state variable k, the placement of a point with exactly 40 state variables (ply_state.h).
double slot(const Ply& a, int k) { return k <= a.nstatv ? a.statev[k - 1] : 0.0; }

// A 1-based table index from a state value, truncated toward zero; 0 when it is no integer in
// range (a real outside the int range must not be converted).
int index_of(double v) { return std::isfinite(v) && std::fabs(v) < 2.0e9 ? static_cast<int>(v) : 0; }

// The Nye property vector of the point: props, or with one property the material table column of
// the ply and section held in the ply state vector. False, after a report, when there is none.
bool ply_properties(double* nye, const Ply& a) {
    if (a.nprops != 1) {
        if (tvk::lamina::nye_properties(nye, a.props.data(), a.nprops)) return true;
        tvk::report(-2, "Unsupported input in GetNyeProperties", a.nprops);
        return false;
    }
    const int ply = index_of(slot(a, ps::ply)), sec = index_of(slot(a, ps::section));
    const auto pe = tvk::materialdata.peprops.view();
    if (pe.extent(1) < 9 || !pe.has(9, ply, sec)) {
        tvk::report(-3, "umat_lamina: no elastic properties for this ply and section", ply, sec);
        return false;
    }
    return tvk::lamina::nye_properties(nye, &pe(1, ply, sec), 9);
}

Outcome ply_point(Ply& a) {
    const int n = a.ntens;
    a.spd = 0.0;
    a.scd = 0.0;
    if (n != 3 && n != 4 && n != 6) return Outcome::fail("umat_lamina: unsupported number of stress components", n);
    double c[36];
    double nye[9];
    if (ply_properties(nye, a)) {
        tvk::lamina::stiffness(c, nye, n, false);
        if (tvk::solver::step_kind(a.jstep[0]) == tvk::solver::TVK_DIC) {  // absent step: undegraded
            const double dds[10] = {slot(a, ps::fibre_flag), 0.0, slot(a, ps::matrix_flag), 0.0,
                                    slot(a, ps::delamination_flag), 0.0, slot(a, ps::core_flag),
                                    slot(a, ps::buckling_flag), 0.0, 0.0};
            double de[9], m[36];
            tvk::degradation::falcom(de, dds, slot(a, ps::residual), 5, true, nullptr);
            tvk::degradation::nye_degradation_matrix(m, de, n, false);
            for (int k = 0; k < n * n; ++k) c[k] *= m[k];
        }
    } else {
        std::memset(c, 0, sizeof c);  // no constants: a zero, deterministic response
    }
    double s[6], e[6];
    for (int i = 0; i < n; ++i) e[i] = a.stran[i] + a.dstran[i];
    tvk::lamina::stress_vector(s, c, a.stran.data(), a.dstran.data(), a.ndi, n, true, false);
    double w = 0.0;
    for (int i = 0; i < n; ++i) {
        a.stress[i] = s[i];
        w += s[i] * e[i];
    }
    a.sse = 0.5 * w;
    std::memcpy(a.ddsdde.data(), c, sizeof(double) * n * n);  // both column-major n x n
    if (a.nstatv > 5) {
        // Direct stresses into the slots from stress_direct on, shear stresses from stress_shear
        // on (with ndi 2 the third direct slot keeps its value).
        constexpr int d0 = ps::stress_direct - 1, s0 = ps::stress_shear - 1;
        for (int i = 0; i < a.ndi && i < n && d0 + i < a.nstatv; ++i) a.statev[d0 + i] = s[i];
        for (int i = 0; i < a.nshr && a.ndi + i < n && s0 + i < a.nstatv; ++i) a.statev[s0 + i] = s[a.ndi + i];
    }
    return Outcome::ok();
}

}  // namespace

TVK_SOLVER_KERNEL(Umat, umat_lamina, ply_point)
