// Transverse shear stiffness H (2 x 2, pairs 23 and 13, force per unit length per unit shear
// strain) of a laminate by three methods: the ply shear rigidities summed and scaled by shear
// correction factors from the cylindrical-bending shear stress distribution (Whitney, "Shear
// correction factors for orthotropic laminates under static load", J. Appl. Mech. 40, 1973), and
// the complementary shear energy of the equilibrium shear stresses integrated exactly (3-point
// Gauss per ply over the small-f matrix) or with the partially inverted ABD blocks (4-point
// Gauss per ply): H^-1 = integral of f^T hoff^-1 f over the thickness.
#include <cmath>
#include <cstring>

#include "core/errors.h"
#include "core/linalg.h"
#include "lamina.h"
#include "laminate.h"

namespace lm = tvk::laminate;

namespace {

// acc += w f^T h f for 2 x 2 column-major matrices.
void add_energy(double* acc, double w, const double* f, const double* h) {
    double hf[4];
    hf[0] = h[0] * f[0] + h[2] * f[1];
    hf[1] = h[1] * f[0] + h[3] * f[1];
    hf[2] = h[0] * f[2] + h[2] * f[3];
    hf[3] = h[1] * f[2] + h[3] * f[3];
    acc[0] += w * (f[0] * hf[0] + f[1] * hf[1]);
    acc[1] += w * (f[2] * hf[0] + f[3] * hf[1]);
    acc[2] += w * (f[0] * hf[2] + f[1] * hf[3]);
    acc[3] += w * (f[2] * hf[2] + f[3] * hf[3]);
}

// Shear rigidity of ply k in laminate axes.
void ply_rigidity(double* h, const lm::Stack& s, int k) {
    const double* p = s.elastic + 9 * static_cast<std::ptrdiff_t>(k);
    GetOffAxisShearRigidMatrix(h, p + 7, p + 8, s.angle + k);
}

// Integral over [zb, zt] of (a0 + a1 z + a2 z^2)^2 from the power differences.
double square_integral(double a0, double a1, double a2, double zb, double zt) {
    const double c[5] = {a0 * a0, 2.0 * a0 * a1, a1 * a1 + 2.0 * a0 * a2, 2.0 * a1 * a2, a2 * a2};
    double r = 0.0;
    for (int n = 0; n < 5; ++n) r += c[n] * (std::pow(zt, n + 1) - std::pow(zb, n + 1)) / (n + 1);
    return r;
}

using HMethod = void (*)(double*, const double*, const double*, const double*, const int*);

}  // namespace

void GetShearCorrectFactors(double* sk, const double* hlam, const double* plyelastic,
                            const double* plyorientation, const double* plythickness,
                            const int* nplies) {
    const lm::Stack s{plyelastic, plyorientation, plythickness, *nplies};
    double a[9], b[9], d[9];
    lm::abd(s, a, b, d);
    const double dy = a[4] * d[4] - b[4] * b[4], dx = a[0] * d[0] - b[0] * b[0];
    if (std::fabs(dx) < 1e-10 || std::fabs(dy) < 1e-10) {
        sk[0] = sk[1] = 1.0;
        return;
    }
    // Shear stress shapes g(z)/(2 d) of cylindrical bending about either axis, made continuous
    // across the plies by the running sums S.
    double sy = 0.0, sx = 0.0, qy_prev = 0.0, qx_prev = 0.0, ey = 0.0, ex = 0.0;
    double zb = -0.5 * lm::total_thickness(s), cum = 0.0;
    const double base = zb;
    for (int k = 0; k < s.n; ++k) {
        cum += s.thick[k];
        const double zt = base + cum;
        double q[9], h[4];
        lm::qbar(q, s, k);
        const double qx = q[0], qy = q[4];
        sy += (qy_prev - qy) * zb * (2.0 * b[4] - a[4] * zb);
        sx += (qx_prev - qx) * zb * (2.0 * b[0] - a[0] * zb);
        qy_prev = qy;
        qx_prev = qx;
        ply_rigidity(h, s, k);
        const double det = h[0] * h[3] - h[1] * h[2];
        if (det > 1e-5) {
            ey += h[3] / det * square_integral(sy, 2.0 * b[4] * qy, -a[4] * qy, zb, zt) / (4.0 * dy * dy);
            ex += h[0] / det * square_integral(sx, 2.0 * b[0] * qx, -a[0] * qx, zb, zt) / (4.0 * dx * dx);
        }
        zb = zt;
    }
    sk[0] = 1.0 / (ey * hlam[0]);
    sk[1] = 1.0 / (ex * hlam[3]);
}

void GetHMatrixShearCorrect(double* hshear, const double* plyelastic, const double* plyorientation,
                            const double* plythickness, const int* nplies) {
    const lm::Stack s{plyelastic, plyorientation, plythickness, *nplies};
    double hlam[4] = {}, h[4], sk[2];
    for (int k = 0; k < s.n; ++k) {
        ply_rigidity(h, s, k);
        for (int q = 0; q < 4; ++q) hlam[q] += h[q] * s.thick[k];
    }
    GetShearCorrectFactors(sk, hlam, plyelastic, plyorientation, plythickness, nplies);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) hshear[i + 2 * j] = std::sqrt(sk[i] * sk[j]) * hlam[i + 2 * j];
}

void GetHMatrixImprovedShear(double* hext2d, const double* plyelastic, const double* plyorientation,
                             const double* plythickness, const int* nplies) {
    const lm::Stack s{plyelastic, plyorientation, plythickness, *nplies};
    std::memset(hext2d, 0, 4 * sizeof(double));
    if (s.n < 1) return;
    double a[9], b[9], d[9], fa[9], fb[9];
    lm::abd(s, a, b, d);
    lm::coupling_factors(a, b, d, fa, fb);
    const double psi = GetDecoupAngle(plyelastic, plyorientation, plythickness, nplies) * tvk::deg2rad;
    static constexpr double xi[3] = {-0.774596669241483, 0.0, 0.774596669241483};
    static constexpr double wt[3] = {0.555555555555556, 0.888888888888889, 0.555555555555556};
    double hinv[4] = {}, zb = -0.5 * lm::total_thickness(s);
    for (int k = 0; k < s.n; ++k) {
        const double t = s.thick[k];
        double h[4], hi[4], f[4];
        ply_rigidity(h, s, k);
        tvk::la::inverse(h, hi, 2);
        for (int g = 0; g < 3; ++g) {
            lm::small_f(f, s, (xi[g] + 1.0) * t / 2.0 + zb, k, fa, fb, psi);
            add_energy(hinv, t / 2.0 * wt[g], f, hi);
        }
        zb += t;
    }
    tvk::la::inverse(hinv, hext2d, 2);
}

void GetHMatrixQuadrature(double* hquad, const double* plyelastic, const double* plyorientation,
                          const double* plythickness, const int* nplies) {
    const lm::Stack s{plyelastic, plyorientation, plythickness, *nplies};
    std::memset(hquad, 0, 4 * sizeof(double));
    if (s.n < 1) return;
    double a[9], b[9], d[9], at[9], bt[9], dt[9];
    lm::abd(s, a, b, d);
    GetABDTilde(a, b, d, at, bt, dt);
    static constexpr double xi[4] = {-0.8611363116, -0.3399810436, 0.3399810436, 0.8611363116};
    static constexpr double wt[4] = {0.3478548451, 0.6521451549, 0.6521451549, 0.3478548451};
    // Running integrals of Qbar and Qbar z from the bottom (exponents 1 and 2 of the laminate
    // integral), ply by ply.
    double x1[9] = {}, x2[9] = {}, hinv[4] = {};
    double zb = -0.5 * lm::total_thickness(s), cum = 0.0;
    const double base = zb;
    for (int k = 0; k < s.n; ++k) {
        const double t = s.thick[k];
        cum += t;
        const double zt = base + cum, zm = zb + 0.5 * t, p1 = zb, p2 = zb * zb;
        double q[9], h[4], hi[4];
        lm::qbar(q, s, k);
        ply_rigidity(h, s, k);
        tvk::la::inverse(h, hi, 2);
        for (int g = 0; g < 4; ++g) {
            const double z = zm + xi[g] * (t / 2.0);
            const double w1 = z - p1, w2 = (z * z - p2) / 2.0;
            double pa[9], pb[9], fa[9], fb[9];
            for (int i = 0; i < 9; ++i) {
                pa[i] = x1[i] + w1 * q[i];
                pb[i] = x2[i] + w2 * q[i];
            }
            lm::mul3(pa, bt, fa);
            lm::mul3(pb, dt, fb);
            double fz[4];
            fz[0] = fa[4] - fb[4];  // (2,2)
            fz[1] = fa[2] - fb[2];  // (3,1)
            fz[2] = fa[5] - fb[5];  // (3,2)
            fz[3] = fa[0] - fb[0];  // (1,1)
            add_energy(hinv, (t / 2.0) * wt[g], fz, hi);
        }
        const double w1 = zt - p1, w2 = (zt * zt - p2) / 2.0;
        for (int i = 0; i < 9; ++i) {
            x1[i] += w1 * q[i];
            x2[i] += w2 * q[i];
        }
        zb = zt;
    }
    tvk::la::inverse(hinv, hquad, 2);
}

void GetSectionHMatrix(double* sehmatrix, const int* sectionlist, const double* plyorientation,
                       const double* plythickness, const double* plyelastic, const int* nplies,
                       const int* nsec, const int* method, const int* defint) {
    const int np = *nplies, ns = *nsec;
    if (np < 0 || ns < 1) return;
    std::memset(sehmatrix, 0, 4 * sizeof(double) * static_cast<std::size_t>(ns));
    const int m = method ? *method : 1;
    const HMethod h = m == 0 ? GetHMatrixShearCorrect : m == 2 ? GetHMatrixQuadrature : GetHMatrixImprovedShear;
    const int empty = defint ? *defint : tvk::defint;
    for (int sec = 0; sec < ns; ++sec) {
        const lm::Stack s =
            lm::section_stack(sectionlist, plyelastic, plyorientation, plythickness, np, sec, empty);
        if (s.n > 0) h(sehmatrix + 4 * sec, s.elastic, s.angle, s.thick, &s.n);
    }
}
