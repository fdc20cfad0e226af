// Fatigue ply routine: the Shokrieh material point on a unidirectional ply or on the two
// sub-plies of a woven ply, with its state blocks and their backups in the solver's state.
#include "umat_shokrieh.h"

#include <algorithm>
#include <cmath>

#include "adapters.h"
#include "converters.h"
#include "elements/stressstate.h"
#include "growth/shokrieh.h"
#include "mechanics/lamina.h"
#include "mechanics/transformation.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;

constexpr int nstatv_min = 312;
constexpr double unset_marker = 9.9e34;
constexpr double h = 1e-6;   // strain perturbation of the woven tangent
constexpr double weight = 0.5;

// 0-based positions in the state vector.
constexpr int angle_slot = 0;
constexpr int block1 = 1, block2 = 78;      // point blocks of the two (sub-)plies
constexpr int backup1 = 157, backup2 = 234;  // their backups
constexpr int half = 156;                    // first half: 0..155
constexpr int nb = tvk::fatigue::nstate;

void initialise(double* sv, int nall, bool direct_cyclic) {
    namespace slot = tvk::fatigue::slot;
    const double start = direct_cyclic ? 0.0 : 1.0;
    for (int b : {block1, block2}) {
        sv[b + slot::cycle] = start;
        sv[b + slot::jump] = start;
        std::fill(sv + b + slot::stiffness, sv + b + slot::strength + 9, 1.0);
    }
    sv[nall / 2 - 1] = 0.0;
    std::copy(sv, sv + half, sv + half);
}

// y = T x or y = T^T x for a 6 x 6 column-major T.
void apply(const double* t, const double* x, double* y, bool transposed) {
    for (int i = 0; i < 6; ++i) {
        double s = 0.0;
        for (int j = 0; j < 6; ++j) s += (transposed ? t[j + 6 * i] : t[i + 6 * j]) * x[j];
        y[i] = s;
    }
}

// The ply stress of the two sub-plies for the total strain e: 0.5 sum T_k^T C_k T_k e.
void woven_stress(const double t[2][36], const double c[2][36], const double* e, double* s) {
    std::fill(s, s + 6, 0.0);
    for (int k = 0; k < 2; ++k) {
        double es[6], ss[6], sp[6];
        apply(t[k], e, es, false);
        apply(c[k], es, ss, false);
        apply(t[k], ss, sp, true);
        for (int i = 0; i < 6; ++i) s[i] += weight * sp[i];
    }
}

Outcome fatigue_ply(tvk::solver::Point<Order::nye>& a) {
    const int n = a.ntens;
    const auto refuse = [&](const char* message, int value) {
        std::fill(a.ddsdde.data(), a.ddsdde.data() + n * n, 0.0);
        return Outcome::refuse(message, value);
    };
    if (!tvk::lamina::stiffness_components(n))
        return Outcome::refuse_count("umat_shokrieh: 3, 4 or 6 stress components needed", n);
    if (a.nstatv < nstatv_min) return refuse("umat_shokrieh: at least 312 state variables needed", a.nstatv);
    if (a.nprops < tvk::fatigue::nprops_min) return refuse("umat_shokrieh: at least 150 properties needed", a.nprops);

    double* sv = a.statev.data();
    const int nall = a.nstatv;
    const int idcflag = (a.jstep[1] == 6 || a.jstep[1] == 7) ? 1 : 0;
    const int iszflag = n == 3 ? 0 : 1;
    if (a.kinc <= 1) {
        bool empty = true;
        for (int k = 0; k < nall / 2 && empty; ++k) empty = sv[k] == 0.0;
        if (empty || sv[nall - 1] >= unset_marker) initialise(sv, nall, idcflag == 1);
    }

    double s3[6], e3[6], de3[6], c3[36];
    const double transverse[6] = {};
    const int off = 0;
    const tvk::logical1 axial = 1;
    Get3DInputFromElem(s3, e3, de3, a.stress.data(), a.stran.data(), a.dstran.data(), &n, transverse, &off, &off,
                       &axial);
    double old[6] = {};
    for (int k = 0; k < n; ++k) old[k] = a.stress[k];

    sv[angle_slot] = a.props[148];
    const double angle = a.props[148] * tvk::deg2rad;
    const double dtime = a.dtime, temp = a.temp, dtemp = a.dtemp;
    const int nprops = a.nprops, noel = a.noel, kinc = a.kinc;
    // A point that refuses its increment (reported) leaves stress and blocks as they came.
    const char* refused = "umat_shokrieh: the material point refused the increment";
    if (angle == 0.0) {
        if (!tvk::fatigue::point(s3, c3, sv + block1, e3, de3, a.props.data(), a.time, &dtime, &temp, &dtemp, &nprops,
                                 &noel, a.jstep, &kinc, &iszflag, &idcflag, sv + backup1))
            return refuse(refused, a.noel);
    } else {
        double t[2][36], c[2][36];
        std::fill(s3, s3 + 6, 0.0);
        const int six = 6, positive = 0, strain_form = 1;
        for (int k = 0; k < 2; ++k) {
            const int blk = k == 0 ? block1 : block2, bak = k == 0 ? backup1 : backup2;
            const double ak = k == 0 ? angle : -angle;
            GetNyeTransformationMatrix(t[k], &ak, &six, &positive, &strain_form);
            double es[6], des[6], ss[6], sp[6];
            apply(t[k], e3, es, false);
            apply(t[k], de3, des, false);
            // The sub-ply's own stress at the end of its last increment is its starting stress.
            std::copy(sv + blk + tvk::fatigue::slot::stress, sv + blk + tvk::fatigue::slot::stress + 6, ss);
            if (!tvk::fatigue::point(ss, c[k], sv + blk, es, des, a.props.data(), a.time, &dtime, &temp, &dtemp,
                                     &nprops, &noel, a.jstep, &kinc, &iszflag, &idcflag, sv + bak))
                return refuse(refused, a.noel);
            apply(t[k], ss, sp, true);
            for (int i = 0; i < 6; ++i) s3[i] += weight * sp[i];
        }
        // Tangent: central differences of the averaged sub-ply stresses in the total strain.
        double e[6];
        for (int i = 0; i < 6; ++i) e[i] = e3[i] + de3[i];
        for (int j = 0; j < 6; ++j) {
            double up[6], down[6], su[6], sd[6];
            std::copy(e, e + 6, up);
            std::copy(e, e + 6, down);
            up[j] += h;
            down[j] -= h;
            woven_stress(t, c, up, su);
            woven_stress(t, c, down, sd);
            for (int i = 0; i < 6; ++i) c3[i + 6 * j] = (su[i] - sd[i]) / (2.0 * h);
        }
    }
    for (int b : {block1, block2})
        if (sv[b + tvk::fatigue::slot::cycles_left] == 0.0) sv[b + tvk::fatigue::slot::cycles_left] = tvk::huge;

    GetElemOutputFrom3D(a.stress.data(), a.ddsdde.data(), s3, c3, &n, &axial);
    for (int k = 0; k < n; ++k) a.sse += (old[k] + 0.5 * (a.stress[k] - old[k])) * a.dstran[k];
    return Outcome::ok();
}

// The slots whose NaN the result check lets through: slot 77 of each point block and backup.
constexpr int none_finite = tvk::fatigue::slot::cycles_left;
static_assert(tvk::solver::shokrieh_results.none[0] == block1 + none_finite &&
              tvk::solver::shokrieh_results.none[1] == block2 + none_finite &&
              tvk::solver::shokrieh_results.none[2] == backup1 + none_finite &&
              tvk::solver::shokrieh_results.none[3] == backup2 + none_finite);

}  // namespace

TVK_SOLVER_KERNEL_RULED(UmatShokrieh, umat_shokrieh, fatigue_ply, tvk::solver::shokrieh_results)
TVK_SOLVER_ADAPTED_RULED(Usermat, usermat_shokrieh, abq_umat_to_ansys_usermat, umat_shokrieh,
                         tvk::solver::shokrieh_results)
