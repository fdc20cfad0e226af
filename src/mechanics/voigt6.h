// Small fixed-size 6x6 matrix work of the micromechanics routines: stiffness, compliance,
// Eshelby and concentration matrices in Voigt order (11, 22, 33, 23, 13, 12) with engineering
// shear strains, column-major like every matrix of the library. Everything lives on the stack;
// the inverse goes through the library's own 6x6 path (a singular matrix is reported as
// MatrixInverse reports it).
#pragma once

#include <cmath>

#include "core/linalg.h"
#include "core/signal.h"

namespace tvk::mm {

struct M6 {
    double v[36] = {};
    double& operator()(int i, int j) { return v[i + 6 * j]; }
    double operator()(int i, int j) const { return v[i + 6 * j]; }

    static M6 from(const double* p) {
        M6 m;
        for (int k = 0; k < 36; ++k) m.v[k] = p[k];
        return m;
    }
    void store(double* p) const {
        for (int k = 0; k < 36; ++k) p[k] = v[k];
    }
    bool is_zero() const {
        for (double x : v)
            if (x != 0.0) return false;
        return true;
    }
};

inline M6 eye(double d = 1.0) {
    M6 m;
    for (int k = 0; k < 6; ++k) m(k, k) = d;
    return m;
}
inline M6 operator+(const M6& a, const M6& b) {
    M6 c;
    for (int k = 0; k < 36; ++k) c.v[k] = a.v[k] + b.v[k];
    return c;
}
inline M6 operator-(const M6& a, const M6& b) {
    M6 c;
    for (int k = 0; k < 36; ++k) c.v[k] = a.v[k] - b.v[k];
    return c;
}
inline M6 operator*(double s, const M6& a) {
    M6 c;
    for (int k = 0; k < 36; ++k) c.v[k] = s * a.v[k];
    return c;
}
inline M6 operator*(const M6& a, const M6& b) {
    M6 c;
    for (int j = 0; j < 6; ++j)
        for (int k = 0; k < 6; ++k) {
            const double bkj = b(k, j);
            if (bkj == 0.0) continue;
            for (int i = 0; i < 6; ++i) c(i, j) += a(i, k) * bkj;
        }
    return c;
}
inline M6 inv(const M6& a) {
    M6 r;
    tvk::la::inverse(a.v, r.v, 6);
    return r;
}

// Engineering constants of a compliance: E1, E2, E3, G23, G13, G12, nu23, nu13, nu12.
inline void engineering_constants(const M6& s, double* eng) {
    for (int k = 0; k < 6; ++k) eng[k] = 1.0 / s(k, k);
    eng[6] = -s(1, 2) * eng[1];
    eng[7] = -s(0, 2) * eng[0];
    eng[8] = -s(0, 1) * eng[0];
}
// Major Poisson's ratio nu12 = -S12/S11 of a compliance.
inline double nu12_of(const M6& s) { return -s(0, 1) / s(0, 0); }

// Volume fraction clamped to [0, 1] by fLimit (a NaN stays NaN).
inline double clamp01(double x) {
    const double lo = 0.0, hi = 1.0;
    return fLimit(&x, &lo, &hi);
}

}  // namespace tvk::mm
