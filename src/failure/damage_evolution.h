// Closed-form damage evolution laws and fracture measures (namespaces `evocollection` and
// `fracture`): bilinear softening with crack-band regularisation, time (viscous) regularisation
// of a damage vector, the traction magnitude on a coordinate plane, the critical strain of
// delamination growth, the mode-mixed critical energy release rate and the open/closed state of
// a crack plane. Six-component vectors are in Voigt order (11, 22, 33, 23, 13, 12). None of the
// routines keeps state.
#pragma once

#include <algorithm>

#include "core/tvk.h"

namespace tvk::damage {

// Lengths below this take no part in the crack-band regularisation (|lc| < 1 mm in metres).
inline constexpr double crackband_tol = 0.001;
// Least ratio of final to onset strain: keeps the softening branch from snapping back.
inline constexpr double crackband_min_ratio = 1.2;

// Final strain of the bilinear law that dissipates gc per crack area in a band of width lc:
// the area under the stress-strain triangle, sig_f eps1 / 2, equals gc / lc.
inline double crackband_final_strain(double eps0, double sig_f, double gc, double lc) {
    return std::max(2.0 * gc / (lc * sig_f), crackband_min_ratio * eps0);
}

// Damage of the bilinear law between onset eps0 and final strain eps1, unclamped: negative
// below eps0, above 1 beyond eps1. An unstrained point (eps = 0) carries none; a law without a
// softening branch (eps1 = eps0) drops at once to full damage past the onset.
inline double bilinear_damage(double eps, double eps0, double eps1) {
    if (eps == 0.0) return 0.0;
    if (eps1 == eps0) return eps > eps0 ? 1.0 : 0.0;
    return eps1 / (eps1 - eps0) * (1.0 - eps0 / eps);
}

// Mode-mixed critical energy release rate of a traction t (normal, shear, shear); see
// GetEquivalentMixedModeERR. An unloaded plane counts as opening: gc[0].
inline double mixed_mode_err(const double* t, const double* gc, bool split_normal) {
    const double t2 = t[0] * t[0] + t[1] * t[1] + t[2] * t[2];
    if (t2 == 0.0) return gc[0];
    if (split_normal) {
        const double tp = std::max(0.0, t[0]), tm = std::max(0.0, -t[0]);
        return (tp * tp * gc[0] + tm * tm * gc[1] + t[1] * t[1] * gc[2] + t[2] * t[2] * gc[3]) / t2;
    }
    return (t[0] * t[0] * gc[0] + t[1] * t[1] * gc[1] + t[2] * t[2] * gc[2]) / t2;
}

}  // namespace tvk::damage

// Bilinear softening (crack band). When |lc| >= 0.001 the final strain eps1 is recomputed as
// max(2 gc / (lc sig_f), 1.2 eps0) and returned, otherwise the eps1 handed in is used unchanged.
// d = eps1 / (eps1 - eps0) (1 - eps0 / eps), not clamped (callers bound it); d = 0 for eps = 0,
// and for eps1 = eps0 d = 1 past eps0, 0 otherwise.
TVK_API void BiLinearEvolution(const double* eps, const double* eps0, const double* sig_f, const double* gc,
                               const double* lc, double* d, double* eps1);
// d_reg(i) = (reg_factor d_old(i) + d_new(i)) / (1 + reg_factor), i = 1..num: the viscous
// weighting eta / (dt_inc + eta), dt_inc / (dt_inc + eta) with eta = reg_factor dt_inc, in the
// form that needs no increment (finite for dt_inc = 0). num <= 0 leaves d_reg untouched;
// 1 + reg_factor <= 0 (no admissible weighting) gives d_new.
TVK_API void TimeRegularization(const double* d_old, const double* d_new, double* d_reg, const double* dt_inc,
                                const double* reg_factor, const int* num);
// Magnitude of the traction (or strain) vector of the Voigt tensor tens on the plane normal to
// axis nn (1, 2 or 3). Any other nn: level -3 report, scaleq = 0.
TVK_API void EquivalentQuadStressStrain(const double* tens, const int* nn, double* scaleq);
// Critical strain of delamination growth from the strain eps_c, the critical energy release rate
// gic, the membrane stiffness a11 and the stiffness ratio r_stiff (absent: 0); 0 for eps_c = 0.
TVK_API double DGStrainRhead(const double* eps_c, const double* gic, const double* a11, const double* r_stiff);
// Mode-mixed critical energy release rate of traction(3) = (normal, shear, shear): n = 4 weights
// an opening normal traction with gc(1), a closing one with gc(2) and the shears with gc(3),
// gc(4); any other n weights t1, t2, t3 with gc(1..3). A zero traction gives gc(1). n < 3: level
// -3 report, geq = 0.
TVK_API void GetEquivalentMixedModeERR(double* geq, const double* traction, const double* gc, const int* n);
// +1 (open) unless the normal traction of the Voigt stress svoigt on the plane rotated by phi
// (radians) about nrot is negative, then -1 (closed); baseid selects the face (1, 2, 3). A
// normal traction without a value (a NaN in the stress or the angle, or a baseid outside 1..3,
// which is reported at level -2) gives 0: neither open nor closed.
TVK_API void GetCrackStatus(int* crckstatus, const double* svoigt, const double* nrot, const double* phi,
                            const int* baseid);
