// Eshelby tensors of ellipsoidal inclusions in an isotropic matrix (Mura, Micromechanics of
// Defects in Solids, 1987, sec. 11) and of a circular cylinder in a transversely isotropic host,
// as 6x6 matrices in Voigt order with engineering shear (the shear diagonal holds 2 S2323,
// 2 S1313, 2 S1212). Entry (i, j) is S_iijj for i, j <= 3.
//
// The spheroid (axis 1, aspect ratio a) follows Tandon and Weng (Polym. Compos. 5, 1984). Its
// components are rational in a and the shape function
//   g = a (a^2 - 1)^(-3/2) [a (a^2 - 1)^(1/2) - arcosh a]       (a > 1),
//   g = a (1 - a^2)^(-3/2) [arccos a - a (1 - a^2)^(1/2)]       (a < 1, the same function),
// with poles 1/(a^2 - 1) that cancel at a = 1. Written as A + B g + C G1 with
// G1 = (g - 2/3)/(a^2 - 1), every pole is gone; g and G1 come from the series
// g = a sum_n binom(-1/2, n) t^n / (n + 3/2), t = a^2 - 1, near a = 1, so the sphere is reached
// continuously and nearly spherical shapes keep full precision.
#include <cmath>

#include "core/errors.h"
#include "mechanics/micromechanics.h"
#include "mechanics/voigt6.h"

namespace {

using tvk::mm::M6;

// Shape function g and G1 = (g - 2/3)/(a^2 - 1) of a spheroid of aspect ratio a > 0.
void spheroid_shape(double a, double& g, double& g1) {
    const double t = (a - 1.0) * (a + 1.0);
    if (std::fabs(t) < 0.25) {
        // sum_n c_n t^n with c_0 = 2/3 and c_n = binom(-1/2, n)/(n + 3/2).
        double coef = 1.0, sum = 0.0, tn = 1.0;  // coef = binom(-1/2, n)
        for (int n = 1; n < 80; ++n) {
            coef *= -(n - 0.5) / n;
            const double term = coef / (n + 1.5) * tn;  // c_n t^(n-1)
            sum += term;
            if (std::fabs(term) <= 1e-18 * std::fabs(sum)) break;
            tn *= t;
        }
        // g - 2/3 = (2/3)(a - 1) + a t sum, and a - 1 = t/(a + 1).
        g1 = 2.0 / 3.0 / (a + 1.0) + a * sum;
        g = 2.0 / 3.0 + t * g1;
        return;
    }
    if (a > 1.0) {
        const double q = 1.0 - 1.0 / (a * a);  // t/a^2, no overflow for large a
        g = (1.0 - std::acosh(a) / (a * a * std::sqrt(q))) / q;
    } else {
        const double u = -t;
        g = a * (std::acos(a) - a * std::sqrt(u)) / (u * std::sqrt(u));
    }
    g1 = (g - 2.0 / 3.0) / t;
}

void sphere(M6& s, double nu) {
    const double d = 15.0 * (1.0 - nu);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) s(i, j) = (i == j ? 7.0 - 5.0 * nu : 5.0 * nu - 1.0) / d;
    for (int k = 3; k < 6; ++k) s(k, k) = 2.0 * (4.0 - 5.0 * nu) / d;
}

void elliptic_cylinder(M6& s, double a, double nu) {
    const double f = 1.0 / (2.0 * (1.0 - nu)), p = 1.0 + a, p2 = p * p, m = 1.0 - 2.0 * nu;
    s(1, 1) = f * ((1.0 + 2.0 * a) / p2 + m / p);
    s(2, 2) = f * ((a * a + 2.0 * a) / p2 + m * a / p);
    s(1, 2) = f * (1.0 / p2 - m / p);
    s(2, 1) = f * (a * a / p2 - m * a / p);
    s(1, 0) = f * 2.0 * nu / p;
    s(2, 0) = f * 2.0 * nu * a / p;
    s(3, 3) = 2.0 * f * ((1.0 + a * a) / (2.0 * p2) + m / 2.0);
    s(4, 4) = a / p;
    s(5, 5) = 1.0 / p;
}

void spheroid(M6& s, double a, double nu) {
    double g, g1;
    spheroid_shape(a, g, g1);
    const double d = 1.0 - nu, m = 1.0 - 2.0 * nu;
    s(0, 0) = ((2.0 - nu) * (1.0 - g) - 1.5 * g1) / d;
    s(1, 1) = s(2, 2) = (3.0 / 8.0 + m * g / 4.0 - 9.0 / 16.0 * g1) / d;
    s(1, 2) = s(2, 1) = (0.5 - m * g - 0.75 * g1) / (4.0 * d);
    s(1, 0) = s(2, 0) = (-0.5 + (1.0 + nu) * g / 2.0 + 0.75 * g1) / d;
    s(0, 1) = s(0, 2) = (-m * (1.0 - g) / 2.0 + 0.75 * g1) / d;
    s(3, 3) = (0.5 + m * g - 0.75 * g1) / (2.0 * d);
    s(4, 4) = s(5, 5) = (-2.0 * nu + (1.0 + nu) * g + 3.0 * g1) / (2.0 * d);
}

// Penny-shaped inclusion, normal along 3: the expansion of the flat spheroid to first order in
// its aspect ratio (Mura 1987, sec. 11).
void penny(M6& s, double a, double nu) {
    const double p = tvk::pi * a, d = 1.0 - nu;
    s(0, 0) = s(1, 1) = (13.0 - 8.0 * nu) * p / (32.0 * d);
    s(0, 1) = s(1, 0) = (8.0 * nu - 1.0) * p / (32.0 * d);
    s(0, 2) = s(1, 2) = (2.0 * nu - 1.0) * p / (8.0 * d);
    // nu/(1 - nu) [1 - (4 nu + 1) p/(8 nu)], multiplied out so that nu = 0 is no 0/0.
    s(2, 0) = s(2, 1) = (nu - (4.0 * nu + 1.0) * p / 8.0) / d;
    s(2, 2) = 1.0 - (1.0 - 2.0 * nu) * p / (4.0 * d);
    s(3, 3) = s(4, 4) = 1.0 + (nu - 2.0) * p / (4.0 * d);
    s(5, 5) = 2.0 * (7.0 - 8.0 * nu) * p / (32.0 * d);
}

// Circular cylinder along 1 in a transversely isotropic host (isotropic plane 2-3); the axial
// shear terms keep the elliptic-section form with ratio a.
void host_cylinder(M6& s, double a, const M6& c) {
    const double c12 = c(0, 1), c22 = c(1, 1), c23 = c(1, 2);
    s(1, 0) = s(2, 0) = c12 / (2.0 * c22);
    s(1, 1) = s(2, 2) = (5.0 * c22 + c23) / (8.0 * c22);
    s(1, 2) = s(2, 1) = (3.0 * c23 - c22) / (8.0 * c22);
    s(3, 3) = 2.0 * (3.0 * c22 - c23) / (8.0 * c22);
    s(4, 4) = a / (1.0 + a);
    s(5, 5) = 1.0 / (1.0 + a);
}

}  // namespace

TVK_API void GetEshelbyTensor(double* et, const int* incltype, const double* inclratio,
                              const double* nu_m, const double* c_m) {
    M6 s;
    const int type = *incltype;
    const double a = *inclratio, nu = *nu_m;
    if (type != 0 && type != 1 && type != 2 && type != 3 && type != 11) {
        tvk::report(-3, "Unknown kind of Eshelby tensor request.", type);
        s.store(et);
        return;
    }
    // Shapes need a non-negative aspect ratio, the spheroid a positive one.
    if (type != 0 && !(type == 2 ? a > 0.0 : a >= 0.0)) {
        tvk::report(-3, "Illegal aspect ratio in GetEshelbyTensor.", type, 0, a);
        s.store(et);
        return;
    }
    switch (type) {
        case 0: sphere(s, nu); break;
        case 1: elliptic_cylinder(s, a, nu); break;
        case 2: spheroid(s, a, nu); break;
        case 3: penny(s, a, nu); break;
        default: {
            const M6 host = c_m ? M6::from(c_m) : M6{};
            if (host.is_zero() || !(host(1, 1) > 0.0)) {
                tvk::report(-3, "Illegal host stiffness matrix in GetEshelbyTensor.");
                break;
            }
            host_cylinder(s, a, host);
        }
    }
    s.store(et);
}
