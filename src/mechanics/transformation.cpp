#include "transformation.h"

#include <algorithm>

#include "core/errors.h"
#include "core/linalg.h"
#include "core/tensor.h"
#include "notation.h"

void GetNyeTransformationMatrix(double* t, const double* rangle, const int* tdim, const int* ttype,
                                const int* tflag) {
    const int n = *tdim;
    if (n != 3 && n != 6) {
        // The message names TType, as callers have always seen it for this refusal too.
        if (n > 0) std::memset(t, 0, sizeof(double) * static_cast<std::size_t>(n) * n);
        tvk::report(-2, "False input for TType in GetNyeTransformationMatrix", n);
        return;
    }
    double m = 1.0;
    if (*ttype == 1) {
        m = -1.0;
    } else if (*ttype != 0) {
        tvk::report(-2, "False input for TType in GetNyeTransformationMatrix", *ttype);
    }
    const int f = *tflag;
    tvk::lamina::nye_transformation(t, *rangle, n, m, f == 1);
    if (f != 0 && f != 1) {
        const int k = n == 3 ? 2 : 3;
        for (int q = 0; q < n; ++q) t[k + q * n] = t[q + k * n] = 0.0;
        tvk::report(-2, "False input for TFlag in GetNyeTransformationMatrix", f);
    }
}

namespace {

// Nye order <-> the order a 6 x 6 matrix is handed in (ntflag 1 Voigt, 2 cyclic).
void to_nye(double* m, int ntflag) {
    const int six = 6, one = 1;
    if (ntflag == 2) FlipVoigtCyclicNotation(m, m, &six, &one);
    if (ntflag == 1 || ntflag == 2) FlipVoigtNyeNotation(m, m, &six);
}
void from_nye(double* m, int ntflag) {
    const int six = 6, back = -1;
    if (ntflag == 1 || ntflag == 2) FlipVoigtNyeNotation(m, m, &six);
    if (ntflag == 2) FlipVoigtCyclicNotation(m, m, &six, &back);
}

}  // namespace

void GetArbitraryBaseSC(double* scbase, const double* sc, const double* base, const int* scflag,
                        const int* ntflag) {
    // a(i,j) = base(j,i): the rows of a are the new base vectors.
    double a[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[i][j] = base[j + 3 * i];
    // Bond stress transformation in Nye shear order (12, 13, 23).
    static constexpr int pr[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    double t[36];
    auto T = [&](int i, int j) -> double& { return t[i + 6 * j]; };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            T(i, j) = a[i][j] * a[i][j];
            T(i, 3 + j) = 2.0 * a[i][pr[j][0]] * a[i][pr[j][1]];
            T(3 + i, j) = a[pr[i][0]][j] * a[pr[i][1]][j];
            const int p = pr[i][0], q = pr[i][1], r = pr[j][0], s = pr[j][1];
            T(3 + i, 3 + j) = a[p][r] * a[q][s] + a[p][s] * a[q][r];
        }
    double m[36];
    if (*scflag != 0) {
        std::memcpy(m, t, sizeof m);
    } else {
        double tt[36];
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j) tt[i + 6 * j] = t[j + 6 * i];
        tvk::la::inverse(tt, m, 6);
    }
    double c[36], w[36];
    std::memcpy(c, sc, sizeof c);
    to_nye(c, *ntflag);
    // w = c m^T, then scbase = m w.
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            double v = 0.0;
            for (int q = 0; q < 6; ++q) v += c[i + 6 * q] * m[j + 6 * q];
            w[i + 6 * j] = v;
        }
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            double v = 0.0;
            for (int q = 0; q < 6; ++q) v += m[i + 6 * q] * w[q + 6 * j];
            c[i + 6 * j] = v;
        }
    from_nye(c, *ntflag);
    std::memcpy(scbase, c, sizeof c);
}

namespace {

// R^T S R in Nye order, S the stress (s11, s22, s33, s12, s13, s23), R = R(nrot, theta_r).
void rotated_nye(double* f, double theta_r, const double* nrot, double s11, double s22, double s33,
                 double s12, double s13, double s23) {
    const double sv[6] = {s11, s22, s33, s23, s13, s12};
    double s[9], r[9], sr[9];
    tvk::notation::cauchy(s, sv);
    GetRotationMatrix(r, nrot, &theta_r);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            double v = 0.0;
            for (int p = 0; p < 3; ++p)
                for (int q = 0; q < 3; ++q) v += r[p + 3 * i] * s[p + 3 * q] * r[q + 3 * j];
            sr[i + 3 * j] = v;
        }
    tvk::notation::nye(f, sr);
}

}  // namespace

void GetRotatedStresses(double* sv, const double* theta_r, const double* nrot, const double* s11,
                        const double* s22, const double* s33, const double* s12, const double* s13,
                        const double* s23, const int* soutflag) {
    double f[6];
    rotated_nye(f, *theta_r, nrot, *s11, *s22, *s33, *s12, *s13, *s23);
    const int o = soutflag ? *soutflag : 0;
    if (o == 1) {
        const double v[6] = {f[0], f[1], f[2], f[5], f[4], f[3]};
        std::memcpy(sv, v, sizeof v);
    } else if (o == 2) {
        const double v[6] = {f[0], f[1], f[2], f[3], f[5], f[4]};
        std::memcpy(sv, v, sizeof v);
    } else {
        std::memcpy(sv, f, sizeof f);
    }
}

void GetTVectorFromArbitraryRotation(double* tv, const double* theta_r, const double* nrot,
                                     const double* s11, const double* s22, const double* s33,
                                     const double* s12, const double* s13, const double* s23,
                                     const int* tflag) {
    const int face = tflag ? *tflag : 3;
    if (face < 1 || face > 3) {
        tvk::report(-2, "Unknown PFlag in GetTVectorFromArbitraryRotation", face);
        return;
    }
    double f[6];  // 11 22 33 12 13 23
    rotated_nye(f, *theta_r, nrot, *s11, *s22, *s33, *s12, *s13, *s23);
    static constexpr int pick[3][3] = {{0, 3, 4}, {1, 3, 5}, {2, 4, 5}};
    for (int k = 0; k < 3; ++k) tv[k] = f[pick[face - 1][k]];
}

void GetTVectorOnRotatedXYPlane(double* tv, const double* theta_r, const double* s22,
                                const double* s33, const double* s12, const double* s13,
                                const double* s23) {
    const double c = std::cos(*theta_r), s = std::sin(*theta_r);
    const double n = *s33 * c * c + *s22 * s * s - 2.0 * *s23 * s * c;
    const double l = c * *s13 - s * *s12;
    const double t = (c * c - s * s) * *s23 + (*s33 - *s22) * s * c;
    tv[0] = n;
    tv[1] = l;
    tv[2] = t;
}

void GetPhiMeasuredFromXZPlane(double* phixz, const double* phixy, const int* clockwise) {
    // The plane normal (0, -sin, cos), or (0, sin, cos) for the clockwise sense, gives the
    // in-plane direction whose angle with the x-axis is arccos(-sgn(cos phixy) |sin phixy|);
    // both senses give the same angle, so the flag does not enter.
    const double c = std::cos(*phixy), s = std::sin(*phixy);
    const double v = (c >= 0.0 ? -1.0 : 1.0) * std::fabs(s);
    *phixz = std::acos(std::clamp(v, -1.0, 1.0));
}
