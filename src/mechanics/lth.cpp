// Cell-integral rule for the transverse and shear constants of a unidirectional ply, as the
// German aerospace handbook (LTH) states it, with the matrix-constant corrections after Krimmer
// and the matrix Poisson's ratio in the ply after Foye (J. Compos. Mater. 6, 1972).
//
// The cell rule cuts the repeating cell (square or hexagonal packing) into thin strips along
// the load: each strip is fibre and matrix in series, the strips act in parallel. For a property
// with matrix value M and fibre value F, r = M/F, a = 1 - r and the normalised fibre radius b:
//   X = (2 M/c) [c/2 - b - pi/(2a) + (pi/2 + atan(b a / rho)) / (a q)],
//   q = sqrt(1 - a^2 b^2), rho = sqrt(1 - (1 - r^2) b^2),
// with c = 2 for square and sqrt(3) for hexagonal packing. The handbook's root rho differs from
// q (the exact strip integral would have q in both places); the handbook form is kept.
// The bracket is evaluated as b - pi/(2a) + (pi/2 + u)/(a q) = pi a b^2/(2 q (1 + q))
// + (b/(rho q)) atan(x)/x with x = a b/rho, which is exact algebra and free of the cancellation
// of the written form when a is small (fibre and matrix alike); a = 0 gives X = M.
// q is real only while |a| b < 1: fibres much softer than the matrix at high fractions have no
// strip solution, and the rule reports an input error.
#include <cmath>

#include "core/errors.h"
#include "mechanics/homogenisation_detail.h"
#include "mechanics/micromechanics.h"
#include "mechanics/voigt6.h"

namespace {

using tvk::mm::clamp01;

// Cell value of one property; false when the strip integral has no real value.
bool cell_value(double m, double f, double b, double c, double& x) {
    const double r = m / f, a = 1.0 - r;
    const double q2 = 1.0 - a * a * b * b;
    const double rho2 = 1.0 - (1.0 - r * r) * b * b;
    if (!(q2 > 0.0) || !(rho2 > 0.0)) return false;
    const double q = std::sqrt(q2), rho = std::sqrt(rho2);
    const double xa = a * b / rho;
    const double atan_ratio = xa == 0.0 ? 1.0 : std::atan(xa) / xa;
    const double bracket = tvk::pi * a * b * b / (2.0 * q * (1.0 + q)) + b / (rho * q) * atan_ratio;
    x = 2.0 * m / c * (c / 2.0 - b + bracket);
    return true;
}

}  // namespace

TVK_API void Foye(double* nfoye, const double* laminaprops, const double* matrixprops) {
    const double el = laminaprops[0], nult = laminaprops[1];
    const double em = matrixprops[0], num = matrixprops[1];
    const double q = nult * em / el;
    *nfoye = num * (1.0 + num - q) / (1.0 - num * num + q * num);
}

TVK_API void Krimmer(double* km, const double* laminaprops, const double* fiberprops,
                     const double* matrixprops, const double* vf) {
    const double phi = clamp01(*vf);
    const double l1 = laminaprops[0], l2 = laminaprops[1], l3 = laminaprops[2];
    const double ef1 = fiberprops[0], ef2 = fiberprops[1], gf23 = fiberprops[3],
                 nuf12 = fiberprops[4];
    const double em = matrixprops[0], num = matrixprops[1];
    const double nua = num - nuf12 * em / ef2;
    const double d = num - (ef2 / (2.0 * gf23) - 1.0 + nuf12) * em / (ef2 + ef1);
    const double r = l2 / em;
    const double lam[2] = {l1, l3}, mat[2] = {em, num};
    double nf = 0.0;
    Foye(&nf, lam, mat);
    const double d2 = d * d, d3 = d2 * d;
    km[0] = (l2 * (1.0 - nua) + em * nua) / ((1.0 - nua) * r + nua + 2.0 * (1.0 - r) * nua * nua);
    const double w = (1.0 - d2) * r + d2;
    km[1] = (phi * ef1 * w + l2 * (1.0 - phi)) /
            (((1.0 - 3.0 * d2 - 2.0 * d3) * r + 2.0 * (d2 + d3)) * (ef1 / em) * phi + w * (1.0 - phi));
    km[2] = (km[0] + km[1]) / 2.0 / (2.0 * (1.0 + num));
    km[3] = km[1] / (2.0 * (1.0 + nf));
    km[4] = nua;
}

namespace tvk::mm {

bool lth(double* lh, const double* fiberprops, const double* matrixprops, double vf, int mdim,
         bool hexagonal, bool corrected) {
    for (int k = 0; k < 5; ++k) lh[k] = 0.0;
    const double vmax = hexagonal ? 0.9 : 0.75, vmin = 0.0;
    const double phi = fLimit(&vf, &vmin, &vmax);
    double c, b;
    if (hexagonal) {
        c = 1.7320508075688772;
        b = std::sqrt(3.4641016151377544 * phi / tvk::pi);
    } else {
        c = 2.0;
        b = 2.0 * std::sqrt(phi / tvk::pi);
    }
    // Matrix constants M1 (axial), M2 (transverse), M3 (axial shear), M4 (transverse shear), nu_M.
    double mc[5];
    if (mdim == 5) {
        for (int k = 0; k < 5; ++k) mc[k] = matrixprops[k];
    } else if (corrected) {
        double lh0[5];
        if (!lth(lh0, fiberprops, matrixprops, phi, 2, hexagonal, false)) return false;
        const double lam[3] = {lh0[0], lh0[1], lh0[4]};
        Krimmer(mc, lam, fiberprops, matrixprops, &phi);
    } else {
        const double em = matrixprops[0], num = matrixprops[1];
        const double gm = em / (2.0 * (1.0 + num));
        mc[0] = mc[1] = em;
        mc[2] = mc[3] = gm;
        mc[4] = num;
    }
    double x[3];
    const double fibre[3] = {fiberprops[1], fiberprops[2], fiberprops[3]};
    for (int k = 0; k < 3; ++k)
        if (!cell_value(mc[k + 1], fibre[k], b, c, x[k])) {
            tvk::report(-3, "Fibre and matrix constants outside the range of the cell rule in LTH.",
                        k + 2, 0, mc[k + 1], fibre[k]);
            return false;
        }
    lh[0] = phi * fiberprops[0] + (1.0 - phi) * mc[0];
    lh[1] = x[0];
    lh[2] = x[1];
    lh[3] = x[2];
    lh[4] = phi * fiberprops[4] + (1.0 - phi) * mc[4];
    return true;
}

}  // namespace tvk::mm

TVK_API void LTH(double* lh, const double* fiberprops, const double* matrixprops,
                 const double* vf, const int* mdim, const int* fmflag, const int* tcflag) {
    tvk::mm::lth(lh, fiberprops, matrixprops, *vf, *mdim, *fmflag != 0, *tcflag == 1);
}
