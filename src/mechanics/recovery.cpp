// Through-thickness recovery of the transverse stresses of a laminated shell from equilibrium:
// the small-f matrix f(z) that turns the two transverse shear forces into the transverse shear
// stresses at a height z, its table over every section's z-points and its interpolation inside
// a ply, the transverse shear stresses at section points, the transverse normal stress s33
// integrated through the thickness, and the curvature-weighted partial stiffness integrals of
// the F/G table of curved shells.
//
// With N = 0, the in-plane stress is Qbar (z - A^-1 B) D* M (D* = (D - B A^-1 B)^-1), and
// integrating the in-plane equilibrium from the bottom gives the transverse shear stress
// tau(z) = F(z) dM, F(z) = Aprt(z) A^-1 B D* - Bprt(z) D*, with Aprt, Bprt the partial stiffness
// integrals; F vanishes at both faces and its integral over the thickness is the identity.
// Each ply's F is quadratic in z, so three points per ply describe it exactly.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/linalg.h"
#include "core/tensor.h"
#include "laminate.h"
#include "transformation.h"

namespace lm = tvk::laminate;

namespace tvk::laminate {

void small_f(double* f, const Stack& s, double z, int iply, const double* fa, const double* fb,
             double psi) {
    double ap[9], bp[9], x[9], y[9], big[9];
    partial(ap, s, z, iply, 1);
    partial(bp, s, z, iply, 2);
    mul3(ap, fa, x);
    mul3(bp, fb, y);
    for (int i = 0; i < 9; ++i) big[i] = x[i] - y[i];
    // Into the axes of the decoupling angle: F' = (Ti^T)^-1 F Ti^T, Ti the strain
    // transformation by +psi.
    double ti[9], tit[9], titinv[9];
    tvk::lamina::nye_transformation(ti, psi, 3, 1.0, true);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) tit[i + 3 * j] = ti[j + 3 * i];
    tvk::la::inverse(tit, titinv, 3);
    mul3(titinv, big, x);
    mul3(x, tit, big);
    // Decoupled shear problems in those axes (23 from the 22 entry, 13 from the 11 entry),
    // turned back by the rotation about the normal.
    double r[9];
    const double axis[3] = {0.0, 0.0, 1.0};
    GetRotationMatrix(r, axis, &psi);
    const double r11 = r[0], r21 = r[1], r12 = r[3], r22 = r[4];
    const double s1 = big[4], s2 = big[0];
    // f = R2^T diag(s1, s2) R2.
    f[0] = r11 * s1 * r11 + r21 * s2 * r21;
    f[1] = r12 * s1 * r11 + r22 * s2 * r21;
    f[2] = r11 * s1 * r12 + r21 * s2 * r22;
    f[3] = r12 * s1 * r12 + r22 * s2 * r22;
}

}  // namespace tvk::laminate

namespace {

void zero(double* a, std::ptrdiff_t n) {
    if (n > 0) std::memset(a, 0, sizeof(double) * static_cast<std::size_t>(n));
}

// The 2 x 2 matrix of row `row` of a four-slot table with `rows` rows, read row by row.
void read_slots(double* m, const double* table, std::ptrdiff_t rows, std::ptrdiff_t row) {
    const double s1 = table[row], s2 = table[row + rows], s3 = table[row + 2 * rows],
                 s4 = table[row + 3 * rows];
    m[0] = s1;
    m[1] = s3;
    m[2] = s2;
    m[3] = s4;
}

// Integrals of the parabola through (z0, y0), (z1, y1), (z2, y2) from z0 to z1 (i01) and from
// z0 to z2 (i02), in the ply's own coordinate u = z - z0 (Newton form), so a thin ply far from
// the mid-plane loses nothing to cancellation. Coincident points leave the straight line
// through the end points (a ply of no thickness integrates to 0).
void parabola_integrals(const double* z, const double* y, double& i01, double& i02) {
    const double h1 = z[1] - z[0], h2 = z[2] - z[1], hh = z[2] - z[0];
    double d1, g;
    if (h1 != 0.0 && h2 != 0.0 && hh != 0.0) {
        d1 = (y[1] - y[0]) / h1;
        g = ((y[2] - y[1]) / h2 - d1) / hh;
    } else {
        d1 = hh != 0.0 ? (y[2] - y[0]) / hh : 0.0;
        g = 0.0;
    }
    const auto integral = [&](double u) {
        return y[0] * u + d1 * u * u / 2.0 + g * (u * u * u / 3.0 - h1 * u * u / 2.0);
    };
    i01 = integral(h1);
    i02 = integral(hh);
}

// Derivative of s33 at the three points of ply k from the shear-force derivatives.
void s33_slopes(double* dn, const double* smallf, std::ptrdiff_t rows, int k, const double* rdx,
                const double* rdy) {
    for (int j = 0; j < 3; ++j) {
        const std::ptrdiff_t p = 2 * k + j;
        dn[j] = -(smallf[p] * rdy[0] + smallf[p + rows] * rdy[1] + smallf[p + 2 * rows] * rdx[0] +
                  smallf[p + 3 * rows] * rdx[1]);
    }
}

}  // namespace

void GetSmallFMatrix(double* smallf, const double* plyelastic, const double* plyorientation,
                     const double* plythickness, const double* zcrd, const double* fa,
                     const double* fb, const int* iply, const int* nplies) {
    const int n = *nplies, k = *iply;
    zero(smallf, 4);
    if (k < 1 || k > n) {
        tvk::report(-3, "Ply index out of range in GetSmallFMatrix", k, n);
        return;
    }
    const lm::Stack s{plyelastic, plyorientation, plythickness, n};
    const double psi = GetDecoupAngle(plyelastic, plyorientation, plythickness, nplies) * tvk::deg2rad;
    lm::small_f(smallf, s, *zcrd, k - 1, fa, fb, psi);
}

void GetSectionFMatrix(double* plysmallf, const int* sectionlist, const double* plyorientation,
                       const double* plythickness, const double* plyzcoord,
                       const double* plyelastic, const int* nplies, const int* nsec,
                       const int* defint) {
    const int np = *nplies, ns = *nsec;
    if (np < 0 || ns < 1) return;
    const std::ptrdiff_t rows = 2 * static_cast<std::ptrdiff_t>(np) + 1;
    zero(plysmallf, rows * 4 * ns);
    const int empty = defint ? *defint : tvk::defint;
    for (int sec = 0; sec < ns; ++sec) {
        const lm::Stack s =
            lm::section_stack(sectionlist, plyelastic, plyorientation, plythickness, np, sec, empty);
        const int n = s.n;
        if (n < 1) continue;
        double a[9], b[9], d[9], fa[9], fb[9], f[4];
        lm::abd(s, a, b, d);
        lm::coupling_factors(a, b, d, fa, fb);
        const double psi = GetDecoupAngle(s.elastic, s.angle, s.thick, &n) * tvk::deg2rad;
        const double* z = plyzcoord + rows * sec;
        double* out = plysmallf + rows * 4 * sec;
        const auto put = [&](std::ptrdiff_t p, int k) {
            lm::small_f(f, s, z[p], k, fa, fb, psi);
            for (int q = 0; q < 4; ++q) out[p + rows * q] = f[q];
        };
        for (int k = 0; k < n; ++k) {
            put(2 * k, k);
            put(2 * k + 1, k);
        }
        put(2 * n, n - 1);
    }
}

void GetArbitrarySmallF(double* afmat, const int* iply, const double* zpos, const double* zcoord,
                        const double* smallfmatrix, const int* nplies) {
    const int n = *nplies, k = *iply;
    zero(afmat, 4);
    if (k < 1 || k > n) {
        tvk::report(-3, "Ply index out of range in GetArbitrarySmallF", k, n);
        return;
    }
    const std::ptrdiff_t rows = 2 * static_cast<std::ptrdiff_t>(n) + 1, r0 = 2 * (k - 1);
    const double z1 = zcoord[r0], z2 = zcoord[r0 + 1], z3 = zcoord[r0 + 2], x = *zpos;
    double m[3][4];
    for (int j = 0; j < 3; ++j) read_slots(m[j], smallfmatrix, rows, r0 + j);
    if (z1 == z2 || z2 == z3 || z1 == z3) {
        // A ply of no thickness has one value; three points that do not span a parabola are
        // refused with the zero result.
        if (z1 == z2 && z2 == z3) std::memcpy(afmat, m[0], sizeof m[0]);
        else tvk::report(-2, "Error during the calculation of f(z)", k, n, x);
        return;
    }
    const bool inside = z1 <= z3 ? (x >= z1 && x <= z3) : (x <= z1 && x >= z3);
    if (!inside) tvk::report(-2, "Error during the calculation of f(z)", k, n, x);
    const double w[3] = {(x - z2) * (x - z3) / ((z1 - z2) * (z1 - z3)),
                         (x - z1) * (x - z3) / ((z2 - z1) * (z2 - z3)),
                         (x - z1) * (x - z2) / ((z3 - z1) * (z3 - z2))};
    for (int q = 0; q < 4; ++q) afmat[q] = w[0] * m[0][q] + w[1] * m[1][q] + w[2] * m[2][q];
}

void GetExt2DShearStress(double* xytss, const double* r, const double* plyorientation,
                         const double* smallfmatrix, const int* nspt, const int* nplies) {
    const int n = *nplies, np = *nspt;
    if (n < 1 || np < 1) return;
    const std::ptrdiff_t rows = 2 * static_cast<std::ptrdiff_t>(n) + 1,
                         out = static_cast<std::ptrdiff_t>(n) * np;
    for (int k = 0; k < n; ++k) {
        const double a = plyorientation[k] * tvk::deg2rad, c = std::cos(a), s = std::sin(a);
        for (int j = 1; j <= np; ++j) {
            const std::ptrdiff_t p = j == np ? 2 * k + 2 : (j == 1 ? 2 * k : 2 * k + 1);
            double m[4];
            read_slots(m, smallfmatrix, rows, p);
            const double t0 = m[0] * r[0] + m[2] * r[1], t1 = m[1] * r[0] + m[3] * r[1];
            const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(k) * np + (j - 1);
            xytss[row] = c * t0 - s * t1;
            xytss[row + out] = s * t0 + c * t1;
        }
    }
}

void GetNormalStressFromBottom(double* s33, const double* rdx, const double* rdy,
                               const double* zcoord, const double* smallfmatrix,
                               const int* nplies) {
    const int n = *nplies;
    if (n < 0) return;
    const std::ptrdiff_t rows = 2 * static_cast<std::ptrdiff_t>(n) + 1;
    zero(s33, rows);
    for (int k = 0; k < n; ++k) {
        double dn[3], i01, i02;
        s33_slopes(dn, smallfmatrix, rows, k, rdx, rdy);
        parabola_integrals(zcoord + 2 * k, dn, i01, i02);
        s33[2 * k + 1] = s33[2 * k] + i01;
        s33[2 * k + 2] = s33[2 * k] + i02;
    }
}

void GetNormalStressFromTop(double* s33, const double* rdx, const double* rdy, const double* s33bc,
                            const double* zcoord, const double* smallfmatrix, const int* nplies) {
    const int n = *nplies;
    if (n < 0) return;
    const std::ptrdiff_t rows = 2 * static_cast<std::ptrdiff_t>(n) + 1;
    zero(s33, rows);
    s33[2 * n] = *s33bc;
    for (int k = n - 1; k >= 0; --k) {
        double dn[3], i01, i02;
        s33_slopes(dn, smallfmatrix, rows, k, rdx, rdy);
        parabola_integrals(zcoord + 2 * k, dn, i01, i02);
        s33[2 * k + 1] = s33[2 * k + 2] - (i02 - i01);
        s33[2 * k] = s33[2 * k + 2] - i02;
    }
}

// Ply k spans plysectionpoint(k) >= 2 points of the z-table, its top shared with the next ply's
// bottom (three points per ply is the section z-table), so nzcrd = 1 + sum (counts - 1).
void GetIntegralOfMembraneNormalStress(double* sint, const double* sbt, const double* plyzcoord,
                                       const int* plysectionpoint, const double* ki,
                                       const double* kj, const int* nzcrd, const int* nplies) {
    const int n = *nplies, nz = *nzcrd;
    if (nz < 1) return;
    zero(sint, nz);
    long long total = 1;
    bool counts_ok = true;
    for (int k = 0; k < n; ++k) {
        counts_ok = counts_ok && plysectionpoint[k] >= 2;
        total += plysectionpoint[k] - 1LL;
    }
    if (!counts_ok || total != nz) {
        tvk::report(-2, "Section points do not match the z-table in GetIntegralOfMembraneNormalStress",
                    nz, n);
        return;
    }
    const double cki = *ki, ckj = *kj;
    std::ptrdiff_t b = 0;
    for (int k = 0; k < n; ++k) {
        const std::ptrdiff_t top = b + plysectionpoint[k] - 1;
        const double zb = plyzcoord[b], zt = plyzcoord[top], sb = sbt[2 * k], st = sbt[2 * k + 1];
        const double g = zt != zb ? (st - sb) / (zt - zb) : 0.0, w0 = 1.0 - ckj * zb;
        for (std::ptrdiff_t i = b + 1; i <= top; ++i) {
            // Integral of (sb + g u)(w0 - kj u) over u from 0 to z - zb.
            const double u = plyzcoord[i] - zb;
            const double in = sb * w0 * u + (g * w0 - ckj * sb) * u * u / 2.0 - ckj * g * u * u * u / 3.0;
            sint[i] = sint[b] - cki * in;
        }
        b = top;
    }
    for (int i = 0; i < nz; ++i) sint[i] /= (1.0 - cki * plyzcoord[i]) * (1.0 - ckj * plyzcoord[i]);
}

void getpartialabwithcurvature(double* pij, const double* p0, const double* p1, const double* p2,
                               const double* ki, const double* kj, const int* pdim,
                               const int* nzcrd) {
    if (*pdim < 1 || *nzcrd < 1) return;
    const std::ptrdiff_t m = 3 * static_cast<std::ptrdiff_t>(*pdim) * *nzcrd;
    const double c1 = -(*ki + *kj), c2 = *ki * *kj;
    for (std::ptrdiff_t i = 0; i < m; ++i) {
        double v = p0[i];
        v += c1 * p1[i];
        v += c2 * p2[i];
        pij[i] = v;
    }
}

void GetPartialFG(double* fg, const double* p1, const double* p2, const double* tstar1,
                  const double* tstar2, const int* nzcrd, const int* fgflag) {
    const bool forward = *fgflag > 0;
    for (int i = 0; i < *nzcrd; ++i) {
        double x[9], y[9];
        const std::ptrdiff_t o = 9 * static_cast<std::ptrdiff_t>(i);
        lm::mul3(p1 + o, tstar1, x);
        lm::mul3(p2 + o, tstar2, y);
        for (int q = 0; q < 9; ++q) fg[o + q] = forward ? x[q] - y[q] : y[q] - x[q];
    }
}

void GetPartialCDwithCurvature(double* xij, const double* pij, const double* plyprops,
                               const double* plyorientation, const double* plyzcoord,
                               const int* plysectionpoint, const double* ki, const double* kj,
                               const int* ndim, const int* nzcrd, const int* nplies,
                               const int* nprops, const int* cdflag) {
    const int nd = *ndim, nz = *nzcrd, np = *nplies, nr = *nprops;
    if (nd < 1 || nz < 1) return;
    const std::ptrdiff_t width = 3 * static_cast<std::ptrdiff_t>(nd);
    zero(xij, width * nz);
    if (nd != 1 && nd != 3) {
        tvk::report(-2, "Unsupported dimension in GetPartialCDwithCurvature", nd);
        return;
    }
    if (!lm::integral_layout_fits(plysectionpoint, np, nz, "GetPartialCDwithCurvature")) return;
    const bool thermal = nd == 1;
    if (nr < (thermal ? 11 : 9)) {
        tvk::report(-2, "Too few ply properties in GetPartialCDwithCurvature", nr);
        return;
    }
    const double cki = *ki, ckj = *kj;
    const bool first_moment = *cdflag == 1;
    double y[9];
    std::ptrdiff_t b = 0;
    for (int k = 0; k < np; ++k) {
        const int cnt = plysectionpoint[k];
        if (cnt < 1) continue;
        lm::ply_integrand(y, plyprops + static_cast<std::ptrdiff_t>(nr) * k, plyorientation[k],
                          thermal);
        const double zb = plyzcoord[b];
        const double* xb = xij + width * b;
        const double* pb = pij + width * b;
        for (std::ptrdiff_t i = b + 1; i <= b + cnt; ++i) {
            const double z = plyzcoord[i], d = z - zb, li = 1.0 - cki * z;
            const double c2 = d / (li * (1.0 - ckj * z));
            const double c1 =
                first_moment
                    ? d * d * (2.0 * zb + z - (ckj / 2.0) * (3.0 * zb * zb + 2.0 * zb * z + z * z)) / (6.0 * li)
                    : d * d * (1.0 - (ckj / 3.0) * (2.0 * zb + z)) / (2.0 * li);
            double* xi = xij + width * i;
            for (std::ptrdiff_t q = 0; q < width; ++q) xi[q] = xb[q] + c1 * y[q] + c2 * pb[q];
        }
        b += cnt;
    }
}

void GetArbitrarySectionFG(double* fg, const int* sectionlist, const double* plyorientation,
                           const double* plythickness, const double* plyzcoord,
                           const double* plyelastic, const int* nplies, const int* nsec,
                           const int* csflag, const int* fgflag, const double* xycurv,
                           const int* defint) {
    const int np = *nplies, ns = *nsec;
    if (np < 0 || ns < 1) return;
    const std::ptrdiff_t rows = 2 * static_cast<std::ptrdiff_t>(np) + 1;
    zero(fg, rows * 4 * ns);
    const int empty = defint ? *defint : tvk::defint;
    const double k1 = xycurv ? xycurv[0] : 0.0, k2 = xycurv ? xycurv[1] : 0.0;
    const bool cs = *csflag != 0, fgf = *fgflag >= 1;
    const int nine = 9, three = 3;
    // One work block for every section: four z-power integrals, two curvature-weighted sets,
    // their double integrals and three F/G tables, each 9 values per point of the largest table.
    const std::size_t mmax = 9 * static_cast<std::size_t>(rows);
    // Kept on each thread for the next call: a series of calls allocates only while the
    // laminate grows.
    thread_local std::vector<double> kept_work;
    thread_local std::vector<int> kept_two;
    std::vector<double>& work = kept_work;
    std::vector<int>& two = kept_two;
    work.assign(13 * mmax, 0.0);
    two.assign(static_cast<std::size_t>(np), 2);
    double* p[5] = {nullptr};
    for (int e = 1; e <= 4; ++e) p[e] = work.data() + (e - 1) * mmax;
    double* set1 = work.data() + 4 * mmax;
    double* set2 = set1 + mmax;
    double* x1 = set2 + mmax;
    double* x2 = x1 + mmax;
    double* f[3] = {x2 + mmax, x2 + 2 * mmax, x2 + 3 * mmax};
    for (int sec = 0; sec < ns; ++sec) {
        const std::ptrdiff_t off = static_cast<std::ptrdiff_t>(np) * sec;
        const int n = lm::section_plies(sectionlist + off, np, empty);
        if (n < 1) continue;
        const lm::Stack s{plyelastic + 9 * off, plyorientation + off, plythickness + off, n};
        double a[9], b[9], d[9], at[9], bt[9], dt[9];
        lm::abd(s, a, b, d);
        GetABDTilde(a, b, d, at, bt, dt);
        const int nz = 2 * n + 1;
        const double* z = plyzcoord + rows * sec;
        for (int e = 1; e <= 4; ++e)
            GetArbitraryLaminateIntegral(p[e], &e, s.elastic, s.angle, z, two.data(), &nz, &n,
                                         &nine, nullptr);
        // The pairs (k1, k1), (k1, k2), (k2, k2) and their F/G matrices.
        const double ki[3] = {k1, k1, k2}, kj[3] = {k1, k2, k2};
        for (int pr = 0; pr < 3; ++pr) {
            getpartialabwithcurvature(set1, p[1], p[2], p[3], &ki[pr], &kj[pr], &three, &nz);
            getpartialabwithcurvature(set2, p[2], p[3], p[4], &ki[pr], &kj[pr], &three, &nz);
            const double* q1 = set1;
            const double* q2 = set2;
            if (!cs) {
                const int zero_flag = 0, one_flag = 1;
                GetPartialCDwithCurvature(x1, set1, s.elastic, s.angle, z, two.data(), &ki[pr],
                                          &kj[pr], &three, &nz, &n, &nine, &zero_flag);
                GetPartialCDwithCurvature(x2, set2, s.elastic, s.angle, z, two.data(), &ki[pr],
                                          &kj[pr], &three, &nz, &n, &nine, &one_flag);
                q1 = x1;
                q2 = x2;
            }
            const int forward = fgf ? 1 : 0;
            GetPartialFG(f[pr], q1, q2, fgf ? bt : at, fgf ? dt : bt, &nz, &forward);
        }
        double* out = fg + rows * 4 * sec;
        for (int pt = 0; pt < nz; ++pt) {
            const double l1 = 1.0 - k1 * z[pt], l2 = 1.0 - k2 * z[pt];
            const double ca = cs ? 1.0 / (l1 * l2 * l2) : 1.0 / (l1 * l2);
            const double cb = cs ? 1.0 / (l1 * l1 * l2) : 1.0 / (l1 * l2);
            const std::size_t o = 9 * static_cast<std::size_t>(pt);
            out[pt] = f[1][o + 4] * cb;             // F12(2,2)
            out[pt + rows] = f[2][o + 2] * cb;      // F22(3,1)
            out[pt + 2 * rows] = f[0][o + 5] * ca;  // F11(3,2)
            out[pt + 3 * rows] = f[1][o + 0] * ca;  // F12(1,1)
        }
    }
}
