// Bridging model of Huang (Compos. Sci. Technol. 61, 2001): the average matrix stress is
// bridged to the average fibre stress by a matrix B, sigma_m = B sigma_f, which gives the ply
// compliance S = (vm Sm B + phi Sf)(phi I + vm B)^-1 and, with the fibre and matrix stresses it
// implies, the strengths in fibre tension, transverse tension and in-plane shear.
//
// The cumulative scheme starts from the bridging matrix implied by the dilute tensor of a
// circular fibre and corrects its entries so that the Mori-Tanaka estimate and the cell rule
// agree; the corrected matrix is then carried to the actual cross-section ratio.
//
// Coupling entries that are quotients of fibre-matrix differences (Sf12 - Sm12 over
// Sf11 - Sm11) are left 0 when the denominator vanishes: fibre and matrix with the same axial
// compliance carry no axial-transverse coupling to bridge, and a fibre equal to the matrix then
// returns the matrix itself instead of 0/0.
#include <algorithm>

#include "mechanics/homogenisation_detail.h"
#include "mechanics/micromechanics.h"

namespace {

using namespace tvk::mm;

double quotient_or_zero(double n, double d) { return d == 0.0 ? 0.0 : n / d; }

bool any_nonzero(const double* x, int n) {
    if (!x) return false;
    for (int k = 0; k < n; ++k)
        if (x[k] != 0.0) return true;
    return false;
}

// Ply compliance from the bridging matrix.
M6 bridged_compliance(const Phases& p, const M6& b) {
    return (p.vm * (p.sm * b) + p.phi * p.sf) * inv(p.phi * eye() + p.vm * b);
}

void zero12(double* out) {
    for (int k = 0; k < 12; ++k) out[k] = 0.0;
}

}  // namespace

TVK_API void Huang(double* hg, const double* fiberprops, const double* matrixprops,
                   const double* vf, const double* vvoid, const double* vint,
                   const double* interprops, const double* strengthprops, const double* cp,
                   const int* voidtype) {
    zero12(hg);
    const Phases p = reduce(fiberprops, matrixprops, vf, vvoid, vint, interprops, voidtype);
    if (!p.ok || (p.sf.is_zero() && p.sm.is_zero())) return;
    const double alpha = cp ? clamp01(cp[0]) : 0.5, beta = cp ? clamp01(cp[1]) : 0.5;
    double f[9], m[9];
    engineering_constants(p.sf, f);
    engineering_constants(p.sm, m);
    M6 b;
    b(0, 0) = m[0] / f[0];
    b(1, 1) = b(2, 2) = b(3, 3) = (1.0 - alpha) * m[0] / f[1] + alpha;
    b(4, 4) = b(5, 5) = (1.0 - beta) * m[5] / f[5] + beta;
    b(0, 1) = b(0, 2) = (b(0, 0) - b(1, 1)) *
                        quotient_or_zero(p.sf(0, 1) - p.sm(0, 1), p.sf(0, 0) - p.sm(0, 0));
    engineering_constants(bridged_compliance(p, b), hg);
    if (any_nonzero(strengthprops, 4)) {
        const double fs[4] = {f[0], f[1], f[5], strengthprops[0]};
        const double ms[5] = {m[0], m[5], strengthprops[1], strengthprops[2], strengthprops[3]};
        GetUDStrengthFromBridgingMatrix(hg + 9, b.v, fs, ms, &p.phi);
    }
}

TVK_API void Cumulative(double* ch, const double* fiberprops, const double* matrixprops,
                        const double* vf, const double* vvoid, const double* vint,
                        const double* interprops, const double* strengthprops,
                        const double* yzratio, const int* voidtype, const int* rvetype) {
    zero12(ch);
    const Phases p = reduce(fiberprops, matrixprops, vf, vvoid, vint, interprops, voidtype);
    if (!p.ok || (p.sf.is_zero() && p.sm.is_zero())) return;
    const double phi = p.phi, vm = p.vm;
    double f[9], m[9];
    engineering_constants(p.sf, f);
    engineering_constants(p.sm, m);
    const M6 cf = inv(p.sf), cm = inv(p.sm);
    const double nu = nu12_of(p.sm);
    M6 a1, a2;
    concentration(a1, eshelby(1, 1.0, nu), cf, cm, phi, 0);
    concentration(a2, eshelby(1, yzratio ? *yzratio : 1.0, nu), cf, cm, phi, 0);
    const M6 q1 = cf * a1 * p.sm, q2 = cf * a2 * p.sm;

    // Reference estimates with the reduced phases: Mori-Tanaka and the corrected cell rule.
    const double frec[5] = {f[0], f[1], f[5], f[3], f[8]}, mrec[2] = {m[0], m[8]};
    double mt[9], lh[5];
    MoriTanaka(mt, frec, mrec, &phi, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!lth(lh, frec, mrec, phi, 2, rvetype ? *rvetype != 0 : true, true)) return;
    double nu_mt = 0.0, nu_lth = 0.0;
    const double lam_mt[2] = {mt[0], mt[8]}, lam_lth[2] = {lh[0], lh[4]};
    Foye(&nu_mt, lam_mt, mrec);
    Foye(&nu_lth, lam_lth, mrec);

    // Entry corrections, in this order (each uses the entries corrected before it).
    M6 b = inv(q1);
    b(0, 0) *= mt[0] / lh[0];
    b(1, 1) *= mt[1] / lh[1];
    b(3, 3) *= mt[1] / lh[1];
    b(4, 4) *= mt[5] / lh[2];
    b(2, 1) = b(1, 2) * (nu_mt * vm + phi * f[8]) / (nu_lth * vm + phi * f[8]);
    const double d = p.sf(0, 1) - p.sm(0, 1), e = p.sf(0, 0) - p.sm(0, 0);
    const double h = vm * b(1, 1) + phi, b32 = b(2, 1);
    b(0, 2) = quotient_or_zero(
        h * d * (b(0, 0) - b(1, 1)) - (phi + vm * b(0, 0)) * d * b32 + d * vm * b32 * b32,
        h * e - vm * e * b32);
    b(1, 0) = quotient_or_zero(mt[0] / mt[1] * b(0, 1) * b(1, 0), lh[0] / lh[1] * b(0, 2));
    b(2, 0) = b(1, 0);
    b(0, 1) = b(0, 2);
    b(1, 2) = b(2, 1);
    b(2, 2) = b(1, 1);
    b(5, 5) = b(4, 4);

    if (any_nonzero(strengthprops, 4)) {
        const double fs[4] = {f[0], f[1], f[5], strengthprops[0]};
        const double ms[5] = {m[0], 0.0, strengthprops[1], strengthprops[2], strengthprops[3]};
        GetUDStrengthFromBridgingMatrix(ch + 9, b.v, fs, ms, &phi);
    }
    engineering_constants(bridged_compliance(p, inv(q2) * b * q1), ch);
}

// Strengths from the fibre and matrix stress concentrations bf = (phi I + vm b)^-1 and
// bm = bf b of the in-plane bridging matrix b (11, 22, 12), with the elastic-plastic factors
// af, am of the matrix after yield (modulus E_mt); the matrix yields in shear at
// sigma_ym/sqrt(3). Each strength is the smaller of the loads that break the fibre and the
// matrix after the matrix (or the fibre) has reached its limit.
TVK_API void GetUDStrengthFromBridgingMatrix(double* ud, const double* bridging,
                                             const double* fiberprops, const double* matrixprops,
                                             const double* vf) {
    const double phi = clamp01(*vf), vm = 1.0 - phi;
    const M6 b = M6::from(bridging);
    const double ef1 = fiberprops[0], ef2 = fiberprops[1], gf12 = fiberprops[2];
    const double suf = fiberprops[3];
    const double emt = matrixprops[2], sym = matrixprops[3], sum = matrixprops[4];
    // Diagonals of bf and bm: b is upper triangular, so they come from its diagonal alone.
    const double bkk[3] = {b(0, 0), b(1, 1), b(5, 5)};
    double af[3], am[3];
    const double d1 = phi * ef1 + vm * emt;
    af[0] = ef1 / d1;
    am[0] = emt / d1;
    const double d2 = vm * (ef2 + emt) / 2.0 + phi * ef2;
    af[1] = ef2 / d2;
    am[1] = (ef2 + emt) / 2.0 / d2;
    const double d3 = phi * 3.0 * gf12 + vm * (emt + 3.0 * gf12) / 2.0;
    af[2] = 3.0 * gf12 / d3;
    am[2] = (emt + 3.0 * gf12) / 2.0 / d3;
    for (int k = 0; k < 3; ++k) {
        const double bf = 1.0 / (phi + vm * bkk[k]);
        const double bm = bf * bkk[k];
        const double s = k == 2 ? sym * 0.5773502691896258 : sym;
        const double t = std::min(suf / bf, s / bm);
        ud[k] = std::min((suf - (bf - af[k]) * t) / af[k], (sum - (bm - am[k]) * t) / am[k]);
    }
}
