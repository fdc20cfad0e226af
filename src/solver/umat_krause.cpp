// Endochronic resin routine: the law's stress and state, and a central-difference tangent.
#include "umat_krause.h"

#include "converters.h"
#include "mechanics/endochronic.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;

Outcome endochronic_point(tvk::solver::Point<Order::nye>& a) {
    if (a.ntens != 6) return Outcome::refuse_count("umat_krause: the law needs six stress components", a.ntens);
    if (a.nprops < 11 || a.nstatv < 42)
        return Outcome::refuse("umat_krause: at least 11 properties and 42 state variables needed", a.nprops);
    const int np = a.nprops, ns = a.nstatv;
    const tvk::logical1 yes = 1, no = 0;
    double* statev = a.statev.data();
    EndochroneViscoPlasticity(a.stran.data(), a.dstran.data(), a.props.data(), a.stress.data(), statev, &a.dtime,
                              &np, &ns, &yes, &yes);
    constexpr double h = 1e-8;
    const double dt0 = 0.0;
    for (int j = 0; j < 6; ++j) {
        double up[6], down[6], su[6], sd[6];
        for (int i = 0; i < 6; ++i) up[i] = down[i] = a.dstran[i];
        up[j] += h;
        down[j] -= h;
        EndochroneViscoPlasticity(a.stran.data(), up, a.props.data(), su, statev, &dt0, &np, &ns, &no, &yes);
        EndochroneViscoPlasticity(a.stran.data(), down, a.props.data(), sd, statev, &dt0, &np, &ns, &no, &yes);
        for (int i = 0; i < 6; ++i) a.ddsdde(i, j) = (su[i] - sd[i]) / (2.0 * h);
    }
    return Outcome::ok();
}

}  // namespace

// Its energies are the solver's: the law sets none of them.
TVK_SOLVER_KERNEL_RULED(Umat, umat_krause, endochronic_point, tvk::solver::solver_energies)
