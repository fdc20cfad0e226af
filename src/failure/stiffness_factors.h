// Stiffness degradation factors of a damaged ply (namespace `degradation`): the rule tables that
// turn the damage flags of a ply into nine stiffness factors, and the spreading of those factors
// over a stiffness-shaped matrix. The degraded stiffness is the element-wise (Hadamard) product of
// the intact stiffness in Nye order with that matrix.
//
// Damage flag vector (10 reals); a slot counts as set only when it equals 1.0 exactly:
//   1 fibre failure, 2 fibre failure of the second fibre direction (fabric), 3 matrix cracking,
//   4 matrix cracking of the second direction, 5 delamination at the lower interface,
//   6 delamination at the upper interface, 7 core crushing, 8 sublaminate buckling,
//   9 total failure, 10 total failure of the second direction.
// Stiffness factor vector (9 reals, 1 = intact), in Nye positions:
//   1 C11, 2 C12 (and C21), 3 C22, 4 G12 (C44), 5 G13 (C55), 6 G23 (C66), 7 C13 (and C31),
//   8 C23 (and C32), 9 C33.
//
// Both routines lie on the road of every material-point call of the ply material routine: the
// inline functions below are fixed-size and free of allocation; C++ callers use them directly.
#pragma once

#include <cstddef>

#include "core/tvk.h"

namespace tvk::degradation {

inline constexpr double azero = 1e-20;     // factor of a fully failed entry (never exactly 0)
inline constexpr double corefail = 0.015;  // residual C33 factor after core crushing

// Flag slots, 0-based.
enum Flag : int {
    fffiber, fffiber2, ffmatrix, ffmatrix2, ffdelaml, ffdelamu, ffcorecompr, ffbuckled, fftotal, fftotal2
};

// Factor amplitudes (f_ff, a_ff, a_mm, a_dd) of rules 1 and 2 when none are given.
inline constexpr double default_amplitudes[4] = {0.3, 0.3, 0.5, 0.5};

namespace detail {

inline void fill9(double* d, double v) {
    for (int k = 0; k < 9; ++k) d[k] = v;
}

// d = min(d, set) entry by entry.
inline void lower9(double* d, const double* set) {
    for (int k = 0; k < 9; ++k) d[k] = set[k] < d[k] ? set[k] : d[k];
}

}  // namespace detail

// Nine stiffness factors d from the flag vector dds(10). degrid 0..5 selects a rule table; any
// other value the general rule. tape: unidirectional ply (false: fabric with fibres in 1 and 2).
// fa: (f_ff, a_ff, a_mm, a_dd), null for the defaults. rdisc: residual stiffness fraction of a
// buckled sublaminate; 2.0 also makes the general rule's fibre factors near zero.
// Within a rule, a later row overwrites what an earlier row set.
inline void falcom(double* d, const double* dds, double rdisc, int degrid, bool tape, const double* fa) {
    using detail::fill9;
    fill9(d, 1.0);
    unsigned set = 0;
    for (int k = 0; k < 10; ++k) set |= static_cast<unsigned>(dds[k] == 1.0) << k;
    if (set == 0) return;  // nothing set: no rule row and no buckling applies
    const auto on = [set](Flag f) { return ((set >> f) & 1u) != 0; };
    const bool F = on(fffiber), F2 = on(fffiber2), M = on(ffmatrix), M2 = on(ffmatrix2);
    const bool DL = on(ffdelaml), DU = on(ffdelamu), CC = on(ffcorecompr);
    const bool fabric = !tape;
    const double* amp = fa ? fa : default_amplitudes;

    switch (degrid) {
    case 0:  // any slot set (all ten take part)
        fill9(d, azero);
        break;
    case 1:
        if (F) d[0] = amp[0];
        if (fabric && F2) d[2] = amp[0];
        if (CC) fill9(d, azero);
        break;
    case 2: {
        const double a_ff = amp[1], a_mm = amp[2], a_dd = amp[3];
        if (F) d[0] = a_ff;
        if (fabric && F2) d[2] = a_ff;
        if (DU) {
            d[4] = d[5] = a_dd;
            if (tape && M) d[1] = d[2] = d[3] = d[7] = a_mm;
            if (fabric && (M || M2)) d[1] = d[3] = d[6] = d[7] = a_mm;
        }
        if (CC) fill9(d, azero);
        break;
    }
    case 3:
        if (CC) {
            fill9(d, azero);
            d[8] = corefail;
        }
        break;
    case 4:
        if (tape) {
            if (F) {
                d[0] = 0.5;
                d[1] = d[2] = d[3] = 0.1;
            }
            if (M) d[1] = d[2] = d[3] = 0.1;
        } else {
            if (F && F2) {
                d[0] = 0.5; d[1] = 0.1; d[2] = 0.5; d[3] = 0.1;
            } else if (F) {
                d[0] = 0.5; d[1] = d[3] = 0.1;
            } else if (F2) {
                d[1] = 0.1; d[2] = 0.5; d[3] = 0.1;
            }
            if (M || M2) d[1] = d[3] = 0.1;
        }
        break;
    case 5:
        if (tape) {
            if (F) {
                d[0] = d[1] = d[6] = 0.5;
                d[3] = d[5] = azero;
            }
            if (M) d[1] = d[2] = d[3] = d[4] = d[7] = azero;
        } else {
            if (F && F2) {
                d[0] = d[1] = d[2] = d[6] = d[7] = 0.5;
                d[3] = d[4] = d[5] = azero;
            } else if (F) {
                d[0] = d[1] = d[6] = 0.5;
                d[3] = d[5] = azero;
            } else if (F2) {
                d[1] = d[2] = d[7] = 0.5;
                d[3] = d[4] = azero;
            }
            if (M || M2) d[1] = d[3] = d[4] = d[5] = d[6] = d[7] = azero;
        }
        if (DL || DU) d[4] = d[5] = azero;
        if (CC) fill9(d, azero);
        break;
    default: {
        // General rule: each applied factor set lowers the factors to the element-wise minimum.
        // The matrix sets are all ones and change nothing; delamination at the upper interface
        // releases the transverse shear moduli G13 and G23, as rule 5 does.
        const double fibre = rdisc == 2.0 ? azero : 0.5;
        double s[9];
        if (F) {
            fill9(s, azero);
            s[0] = fibre;
            if (fabric) s[2] = 1.0;
            detail::lower9(d, s);
        }
        if (fabric && F2) {
            fill9(s, azero);
            s[2] = fibre;
            s[0] = 1.0;
            detail::lower9(d, s);
        }
        if (DU) {
            fill9(s, 1.0);
            s[4] = s[5] = azero;
            detail::lower9(d, s);
        }
        if (CC) {
            fill9(s, azero);
            s[8] = corefail;
            detail::lower9(d, s);
        }
        if (on(fftotal)) {
            fill9(s, azero);
            if (fabric) s[2] = 1.0;
            detail::lower9(d, s);
        }
        if (on(fftotal2)) {
            fill9(s, azero);
            if (fabric) s[0] = 1.0;
            detail::lower9(d, s);
        }
        break;
    }
    }

    // Sublaminate buckling, after every rule: the buckled ply keeps the fraction rdisc.
    if (on(ffbuckled)) {
        if (rdisc < azero) fill9(d, azero);
        if (rdisc < 1.0)
            for (int k = 0; k < 9; ++k) d[k] *= rdisc;
    }
}

// Spreads the nine factors f over the column-major ntens x ntens matrix m of ones, ntens 3, 4 or
// 6 (the caller checks it). ntens 4 and 6 are three-dimensional (11, 22, 33, 12[, 13, 23]) unless
// plane, which addresses only the plane-stress entries; ntens 3 is (11, 22, 12).
inline void nye_degradation_matrix(double* m, const double* f, int ntens, bool plane) {
    const int n = ntens;
    for (int k = 0; k < n * n; ++k) m[k] = 1.0;
    m[0] = f[0];
    m[1 + n] = f[2];
    m[1] = m[n] = f[1];
    if (n == 3) {
        m[2 + 2 * n] = f[3];
        return;
    }
    m[3 + 3 * n] = f[3];
    if (plane) return;
    m[2 + 2 * n] = f[8];
    m[2] = m[2 * n] = f[6];
    m[2 + n] = m[1 + 2 * n] = f[7];
    if (n == 6) {
        m[4 + 4 * n] = f[4];
        m[5 + 5 * n] = f[5];
    }
}

}  // namespace tvk::degradation

// d(9) stiffness factors from the damage flags dds(10); see tvk::degradation::falcom. plyistape
// is a 4-byte logical; fa(4) may be null. Never reports.
TVK_API void FalcomDegradation(double* d, const double* dds, const double* rdisc, const int* degrid,
                               const int* plyistape, const double* fa);
// d(ntens, ntens) from the factors degrf(9); psflag present and 0 asks for the plane-stress
// entries of ntens 4 or 6. ntens other than 3, 4 or 6: a matrix of ones and a level -2 report;
// ntens < 1: nothing written and a level -3 report.
TVK_API void GetNyeDegradationMatrix(double* d, const double* degrf, const int* ntens, const int* psflag);
