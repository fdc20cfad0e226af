// Hyperelastic ply routine: secant Hooke's law with a numerical tangent of the hyperelastic law.
#include "umat_hyper.h"

#include <cmath>
#include <cstring>

#include "converters.h"
#include "core/arrays.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "mechanics/hyperelasticity.h"
#include "mechanics/lamina.h"
#include "ply_state.h"

namespace {

namespace ps = tvk::plystate;
using tvk::solver::Outcome;
using Ply = tvk::solver::Point<tvk::solver::Order::nye>;

using ps::index_of;

// The stiffness K (ntens x ntens, Nye order) of the point's property form; a failure when there
// is none.
Outcome stiffness_of(double* k, const Ply& a) {
    const int n = a.ntens;
    if (a.nprops >= 1 && a.nprops <= 9) {
        if (!tvk::lamina::stiffness_components(n))
            return Outcome::refuse_count("umat_hyper: elastic constants need 3, 4 or 6 stress components", n);
        double nye[9];
        if (a.nprops == 1) {
            const ps::SlotView<const double> sv = ps::slots<const double>(a.statev.data(), a.nstatv);
            if (sv.n < ps::section)
                return Outcome::fail("umat_hyper: ply and section indices need 22 state variables", a.nstatv);
            const int ply = index_of(sv[ps::ply]), sec = index_of(sv[ps::section]);
            const auto pe = tvk::materialdata.peprops.view();
            if (pe.extent(1) < 9 || !pe.has(9, ply, sec))
                return Outcome::fail("umat_hyper: no elastic properties for this ply and section", ply);
            tvk::lamina::nye_properties(nye, &pe(1, ply, sec), 9);
        } else if (!tvk::lamina::nye_properties(nye, a.props.data(), a.nprops)) {
            return Outcome::fail("Unsupported input in GetNyeProperties", a.nprops, -2);
        }
        tvk::lamina::stiffness(k, nye, n, false);
        return Outcome::ok();
    }
    if (a.nprops != n * (n + 1) / 2)
        return Outcome::fail("umat_hyper: a packed stiffness needs ntens (ntens + 1)/2 values", a.nprops);
    double lu[36];
    const int np = a.nprops;
    GetUnpackedTriangle(lu, a.props.data(), &n, &np, "F", nullptr, 1);
    Symmetrize(lu, k, &n);
    return Outcome::ok();
}

Outcome hyper_point(Ply& a) {
    const int np = a.nprops, nt = a.ntens;
    if (np != 1 && !tvk::lamina::nye_count(np) && !(np > 9 && np == nt * (nt + 1) / 2))
        return Outcome::refuse_count("umat_hyper: unusable number of elastic constants", np);
    const int n = a.ntens;
    a.spd = 0.0;
    a.scd = 0.0;
    double k[36];
    std::fill(a.ddsdde.data(), a.ddsdde.data() + n * n, 0.0);
    if (const Outcome o = stiffness_of(k, a); o.kind != Outcome::done)
        return o.kind == Outcome::refused ? o : Outcome::refuse(o.message, o.value);
    double old[6], s[6];
    for (int i = 0; i < n; ++i) old[i] = a.stress[i];
    tvk::lamina::stress_vector(s, k, a.stran.data(), a.dstran.data(), a.ndi, n, true, false);
    for (int i = 0; i < n; ++i) a.stress[i] = s[i];
    a.sse = tvk::lamina::strain_energy(0.0, s, old, a.stran.data(), a.dstran.data(), a.ndi, n, true, false);
    // The tangent of the hyperelastic law with K (flattened column by column) as its properties.
    const int ndi = a.ndi, nk = n * n, complex_step = 1;
    const tvk::logical1 engineering = 0;
    tvk::getnumericaltangent(a.ddsdde.data(), tvk::ComplexStressLaw::plain(cGetStressFromAnisotropicHyperelasticity), k,
                             s, old, a.dstran.data(), &n, &ndi, &nk, &engineering, k, nullptr, &complex_step);
    // Stress into the ply state vector: direct entries from slot 1, shears from slot 4.
    const ps::SlotView<double> sv = ps::slots(a.statev.data(), a.nstatv);
    for (int i = 0; i < a.ndi && ps::stress_direct + i <= sv.n; ++i) sv[ps::stress_direct + i] = s[i];
    for (int i = 0; i < a.nshr && ps::stress_shear + i <= sv.n; ++i) sv[ps::stress_shear + i] = s[a.ndi + i];
    return Outcome::ok();
}

}  // namespace

TVK_SOLVER_KERNEL(Umat, umat_hyper, hyper_point)
