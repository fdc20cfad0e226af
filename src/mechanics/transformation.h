// Rotation of stresses, strains and stiffnesses (namespace `lamina`): the in-plane
// transformation of Nye vectors, a stiffness or compliance in an arbitrary base, the stress
// tensor and tractions on planes rotated about an axis, and the fracture-plane angle measured
// from the xz-plane.
//
// Angles are radians here (including `rangle`, whose name has no suffix). A rotation about the
// unit axis n by theta is R = cos I + sin [n]x + (1 - cos) n n^T (GetRotationMatrix); a stress
// tensor S is taken into the rotated frame as R^T S R. Tractions are (normal, shear, shear).
#pragma once

#include <cmath>
#include <cstring>

#include "core/tvk.h"

namespace tvk::lamina {

// In-plane transformation t(tdim, tdim) of Nye vectors, tdim 3 (11, 22, 12) or 6 (the caller
// checks tdim), for a rotation by m rangle (m = +1 or -1): it takes global components into the
// axes of a ply whose fibre lies at +rangle. strain: the form for engineering shear strains
// (stress_ply = t(stress form) stress, strain_ply = t(strain form) strain); the 13 and 23 shears
// of tdim 6 rotate as a vector.
inline void nye_transformation(double* t, double rangle, int tdim, double m, bool strain) {
    const int n = tdim, k = tdim == 3 ? 2 : 3;
    const double c = std::cos(rangle), s = std::sin(rangle);
    const double cs = m * c * s;
    std::memset(t, 0, sizeof(double) * n * n);
    t[0] = t[1 + n] = c * c;
    t[n] = t[1] = s * s;
    if (n == 6) {
        t[2 + 2 * n] = 1.0;
        t[4 + 4 * n] = c;
        t[4 + 5 * n] = m * s;
        t[5 + 4 * n] = -m * s;
        t[5 + 5 * n] = c;
    }
    const double fa = strain ? 1.0 : 2.0, fb = strain ? 2.0 : 1.0;
    t[k * n] = fa * cs;
    t[1 + k * n] = -fa * cs;
    t[k] = -fb * cs;
    t[k + n] = fb * cs;
    t[k + k * n] = c * c - s * s;
}

}  // namespace tvk::lamina

// t(tdim, tdim): see tvk::lamina::nye_transformation; ttype 0 rotates by +rangle, 1 by -rangle
// (any other: level -2 report, +rangle); tflag 0 the stress form, 1 the strain form (any other:
// level -2 report, the shear row and column left 0). A tdim other than 3 and 6 gives a zero t
// and a level -2 report.
TVK_API void GetNyeTransformationMatrix(double* t, const double* rangle, const int* tdim,
                                        const int* ttype, const int* tflag);
// scbase = M sc M^T with M the Bond stress transformation of the base (rows of a = base^T,
// shear order 12, 13, 23) for a stiffness (scflag nonzero), or (M^T)^-1 for a compliance.
// ntflag 1: sc and the result in Voigt order, 2: in cyclic order; otherwise Nye order.
TVK_API void GetArbitraryBaseSC(double* scbase, const double* sc, const double* base,
                                const int* scflag, const int* ntflag);
// Stress (s11 .. s23) rotated by theta_r about nrot, returned in Nye order (soutflag absent, 0
// or any other value), Voigt order (1) or cyclic order (2).
TVK_API void GetRotatedStresses(double* sv, const double* theta_r, const double* nrot,
                                const double* s11, const double* s22, const double* s33,
                                const double* s12, const double* s13, const double* s23,
                                const int* soutflag);
// Traction on the face of the rotated frame normal to its axis tflag (1, 2, or 3 when absent);
// any other tflag: level -2 report, tv unwritten.
TVK_API void GetTVectorFromArbitraryRotation(double* tv, const double* theta_r, const double* nrot,
                                             const double* s11, const double* s22,
                                             const double* s33, const double* s12,
                                             const double* s13, const double* s23,
                                             const int* tflag);
// Traction on the plane through the fibre axis with normal (0, -sin theta, cos theta).
TVK_API void GetTVectorOnRotatedXYPlane(double* tv, const double* theta_r, const double* s22,
                                        const double* s33, const double* s12, const double* s13,
                                        const double* s23);
// Angle from the xz-plane (radians, [0, pi]) of a plane through the x-axis lying at phixy from
// the xy-plane; the same for either sense of rotation.
TVK_API void GetPhiMeasuredFromXZPlane(double* phixz, const double* phixy, const int* clockwise);
