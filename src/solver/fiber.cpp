// Fibre ply routines: orthotropic Hooke's law in Nye order; the fibre exposure is the maximum
// nominal stress criterion |S11| / X (X = xt in tension, xc in compression).
#include "fiber.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "core/errors.h"
#include "core/trace.h"
#include "core/tvk.h"
#include "converters.h"
#include "elements/stressstate.h"
#include "mechanics/lamina.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Point;

// The eleven constants (Nye vector, xt, xc) at temperature t from two sets of eleven, each
// followed by its temperature; the set of the lower temperature below it, the other above it,
// linear in between.
void at_temperature(double* p, const double* props, double t) {
    const bool first_lower = props[23] > props[11];
    const double* a = first_lower ? props : props + 12;
    const double* b = first_lower ? props + 12 : props;
    const double ta = a[11], tb = b[11];
    for (int i = 0; i < 11; ++i) {
        if (ta >= t) p[i] = a[i];
        else if (t >= tb) p[i] = b[i];
        else p[i] = a[i] + (b[i] - a[i]) * (t - ta) / (tb - ta);
    }
}

// umat_fiber: secant Hooke law in Nye order with the fibre exposure and the stiffness factor
// after fibre failure.
Outcome fibre_point(Point<Order::nye>& a) {
    const int n = a.ntens, np = a.nprops, ns = a.nstatv;
    if (np < 9) return Outcome::refuse_count("umat_fiber: fewer than nine elastic constants", np);
    if (!tvk::lamina::stiffness_components(n))
        return Outcome::refuse_count("umat_fiber: unsupported number of stress components", n);
    a.spd = 0.0;
    a.scd = 0.0;
    if (a.kinc <= 1 && ns >= 1) {
        if (ns < 12) tvk::Trace() << "****WARNING: To less nstatev allocated for material " << a.materl;
        if (a.statev[ns - 1] >= 9.9e34) a.statev[ns - 1] = 0.0;
    }
    // Constants and the stiffness factor after fibre failure; a count without strengths checks
    // no failure, a count without a factor keeps the stiffness.
    double p[11] = {};
    double f = 1.0;
    bool strengths = np >= 11;
    if (np < 24) {
        std::copy(a.props.data(), a.props.data() + std::min(np, 11), p);
        if (np == 12) f = a.props[11];
    } else {
        at_temperature(p, a.props.data(), a.temp + a.dtemp);
        if (np == 25) f = a.props[24];
    }
    if (np == 10) tvk::report(-2, "umat_fiber: no compressive strength, no failure check", np);
    if (np > 12 && np != 25) tvk::report(-2, "umat_fiber: no stiffness factor after failure, 1 taken", np);
    const double exposure = ns >= 3 ? a.statev[2] : 0.0;
    if (np >= 12 && exposure >= 1.0)
        for (int i = 0; i < 9; ++i) p[i] *= f;

    double c[36], s0[6];
    tvk::lamina::stiffness(c, p, n, false);
    for (int i = 0; i < n; ++i) s0[i] = a.stress[i];
    double s[6];
    tvk::lamina::stress_vector(s, c, a.stran.data(), a.dstran.data(), a.ndi, n, true, false);
    for (int i = 0; i < n; ++i) a.stress[i] = s[i];
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) a.ddsdde(i, j) = c[i + j * n];
    if (strengths && ns >= 3) {
        const double x = s[0] <= 0.0 ? p[10] : p[9];
        a.statev[2] = std::max(std::min(1.0, std::fabs(s[0] / x)), a.statev[2]);
    }
    if (ns >= 12) a.statev[11] = tvk::huge;
    a.sse = tvk::lamina::strain_energy(a.sse, s, s0, a.stran.data(), a.dstran.data(), a.ndi, n, true, false);
    return Outcome::ok();
}

// usermat_fiber: the elastic law incrementally, in the order of the interface (the stiffness is
// built in Nye order and read through the point's order), without failure; a plane-stress point
// returns its through-thickness strain and the transverse shear stiffnesses.
template <Order O>
Outcome fibre_increment(Point<O>& a) {
    const int n = a.ntens, np = a.nprops;
    if (!tvk::lamina::nye_count(np))
        return Outcome::refuse_count("usermat_fiber: unusable number of elastic constants", np);
    if (!tvk::lamina::stiffness_components(n))
        return Outcome::refuse_count("usermat_fiber: unsupported number of stress components", n);
    a.sse = 0.0;
    if (a.epszz) *a.epszz = 0.0;
    double nye[9];
    tvk::lamina::nye_properties(nye, a.props.data(), np);
    alignas(64) double c[36];  // (cleared by a block store, which is slow on a misaligned start)
    tvk::lamina::stiffness(c, nye, n, false);
    double s0[6], s[6];
    for (int i = 0; i < n; ++i) s0[i] = s[i] = a.stress[i];
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double cij = c[a.at(i) + a.at(j) * n];
            a.ddsdde(i, j) = cij;
            s[i] += cij * a.dstran[j];
        }
    double w = 0.0;
    for (int i = 0; i < n; ++i) {
        a.stress[i] = s[i];
        w += (s[i] + s0[i]) * a.dstran[i];
    }
    a.sse = 0.5 * w;
    if (!a.tsstif) return Outcome::ok();
    a.tsstif[0] = nye[7];
    if (n == 6) return Outcome::ok();
    if (n == 3 && a.ndi == 2) {
        const double nu31 = nye[4] * nye[2] / nye[0], nu32 = nye[5] * nye[2] / nye[1];
        if (a.epszz) *a.epszz = GetPlaneStressEpsZZ(&nye[2], &nu31, &nu32, &s[0], &s[1]);
        a.tsstif[1] = nye[8];
    } else if ((a.ndi == 2 || a.ndi == 3) && n < 5) {
        a.tsstif[1] = nye[8];
    }
    return Outcome::ok();
}

constexpr auto fibre_increment_kernel = [](auto& p) { return fibre_increment(p); };

}  // namespace

TVK_SOLVER_KERNEL(Umat, umat_fiber, fibre_point)
TVK_SOLVER_KERNEL(Usermat, usermat_fiber, fibre_increment_kernel)
