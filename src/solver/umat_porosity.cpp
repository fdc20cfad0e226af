// Porosity routine: the stiffness of the property list, reduced at porous points.
#include "umat_porosity.h"

#include "converters.h"
#include "mechanics/lamina.h"

namespace {

using tvk::solver::Outcome;

// The knock-down of a porous point, the single-precision 0.001 it was always given as.
constexpr double degr = static_cast<double>(0.001f);

Outcome porosity_point(tvk::solver::Point<tvk::solver::Order::nye>& a) {
    const int n = a.ntens, np = a.nprops, one = 1;
    if (!tvk::lamina::nye_count(np) && np != 12 && np != 21 && np != 36)
        return Outcome::refuse_count("umat_porosity: unusable number of elastic constants", np);
    // One or two components leave no place for the shear entry of the on-axis stiffness, which
    // would come back zero and ignore the strain increment: refused like any count without a law.
    if (n < 3) return Outcome::refuse_count("umat_porosity: unsupported number of stress components", n);
    a.sse = 0.0;
    a.spd = 0.0;
    a.scd = 0.0;
    double* const dd = a.ddsdde.data();
    GetGeneralizedNyeOnAxisSC(dd, a.props.data(), &n, &np, &one, nullptr, nullptr, nullptr);
    if (a.nstatv >= 1 && a.statev[0] == 1.0)
        for (int k = 0; k < n * n; ++k) dd[k] *= degr;
    tvk::lamina::stress_vector(a.stress.data(), dd, a.stran.data(), a.dstran.data(), a.ndi, n, false, false);
    return Outcome::ok();
}

}  // namespace

TVK_SOLVER_KERNEL(UmatNoStep, umat_porosity, porosity_point)
