// Ply elastic properties, on- and off-axis stiffness and compliance, lamination invariants,
// reduced stiffness, transverse-shear rigidity, and stress and strain energy from a stiffness
// (namespace `lamina`).
//
// Nye property vector (the one stored order of elastic constants, 9 reals):
//   E1, E2, E3, nu12, nu13, nu23, G12, G13, G23
// axis 1 the fibre, 2 in-plane transverse, 3 the thickness; nu_ij is the contraction in j under
// stress in i, and nu21 = nu12 E2/E1, nu31 = nu13 E3/E1, nu32 = nu23 E3/E2.
// Ply strength vector (10 reals): xt11, xt22, xt33, xc11, xc22, xc33 (positive magnitudes),
// x12, x13, x23, interlaminar shear strength.
//
// Stiffness and compliance matrices are ntens x ntens in Nye order with engineering shear
// strains: ntens 6 full, 4 = (11, 22, 33, 12), 3 = (11, 22, 12). psflag present and 0 asks for
// the plane-stress entries only. Results are zeroed before they are filled.
//
// The routines on the road of every material-point call (GetNyeProperties,
// GetNyeStiffnessMatrix, GetStressVector, GetSpecificStrainEnergy) are inline functions in
// namespace tvk::lamina below, fixed-size and free of allocation; C++ callers use them directly.
#pragma once

#include <cstring>

#include "core/tvk.h"

namespace tvk::lamina {

// Whether 9 values are in the engineering order (E1, E2, E3, G12, G13, G23, nu12, nu13, nu23):
// the last three all at most 1.
inline bool engineering_order(const double* e) { return e[6] <= 1.0 && e[7] <= 1.0 && e[8] <= 1.0; }

// The counts of elastic constants nye_properties() forms a Nye property vector from.
constexpr bool nye_count(int n) { return n == 2 || n == 5 || n == 9; }

// The stress-component counts stiffness() forms a stiffness for: 3 (plane stress), 4 and 6.
constexpr bool stiffness_components(int ntens) { return ntens == 3 || ntens == 4 || ntens == 6; }

// Nye property vector from 2 (E, nu), 5 or 9 values; false (out untouched) for other counts.
//  5 values: (E1, E2, nu12, nu23, G12) when the third is at most 1, else (E1, E2, G12, G23, nu12);
//            transverse isotropy about axis 1 gives E3 = E2, nu13 = nu12, G13 = G12 and
//            G23 = E2/(2 (1 + nu23)) (a given G23 of exactly 0 is taken as E2/2, nu23 = 0).
//  9 values: (E1, E2, E3, G12, G13, G23, nu12, nu13, nu23) when the last three are all at most 1,
//            else already in Nye order.
inline bool nye_properties(double* out, const double* e, int n) {
    double p[9];
    if (n == 2) {
        const double g = e[0] / (2.0 * (1.0 + e[1]));
        p[0] = p[1] = p[2] = e[0];
        p[3] = p[4] = p[5] = e[1];
        p[6] = p[7] = p[8] = g;
    } else if (n == 5) {
        const double e1 = e[0], e2 = e[1];
        double nu12, nu23, g12, g23;
        if (e[2] <= 1.0) {
            nu12 = e[2];
            nu23 = e[3];
            g12 = e[4];
            g23 = e2 / (2.0 * (1.0 + nu23));
        } else {
            g12 = e[2];
            g23 = e[3] == 0.0 ? e2 / 2.0 : e[3];
            nu12 = e[4];
            nu23 = e2 / (2.0 * g23) - 1.0;
        }
        p[0] = e1; p[1] = e2; p[2] = e2;
        p[3] = nu12; p[4] = nu12; p[5] = nu23;
        p[6] = g12; p[7] = g12; p[8] = g23;
    } else if (n == 9) {
        if (engineering_order(e)) {
            static constexpr int from[9] = {0, 1, 2, 6, 7, 8, 3, 4, 5};
            for (int k = 0; k < 9; ++k) p[k] = e[from[k]];
        } else {
            std::memcpy(p, e, sizeof p);
        }
    } else {
        return false;
    }
    std::memcpy(out, p, sizeof p);
    return true;
}

// The Nye property vector of e(n) as nye_properties() forms it, without a copy where there is
// nothing to form: e itself for 9 values already in Nye order, else buf filled by
// nye_properties(); null (buf untouched) for an unsupported count.
inline const double* nye_vector(double* buf, const double* e, int n) {
    if (n == 9 && !engineering_order(e)) return e;
    return nye_properties(buf, e, n) ? buf : nullptr;
}

// The six independent normal entries of the three-dimensional orthotropic stiffness,
// (c11, c22, c33, c12, c13, c23), from a Nye property vector. With
// D = 1 - nu12 nu21 - nu23 nu32 - nu13 nu31 - 2 nu12 nu23 nu31, the inverse of the orthotropic
// compliance (Jones, Mechanics of Composite Materials, 2nd ed., 1999, ch. 2) written with
// E1 E2 E3 Delta = D, which saves four divisions:
// c11 = E1 (1 - nu23 nu32)/D, c22 = E2 (1 - nu13 nu31)/D, c33 = E3 (1 - nu12 nu21)/D,
// c12 = E1 (nu21 + nu31 nu23)/D, c13 = E1 (nu31 + nu21 nu32)/D, c23 = E2 (nu32 + nu12 nu31)/D.
inline void orthotropic_normal(double* n, const double* p, double nu21, double nu31, double nu32) {
    const double e1 = p[0], e2 = p[1], e3 = p[2], nu12 = p[3], nu13 = p[4], nu23 = p[5];
    const double d = 1.0 - nu12 * nu21 - nu23 * nu32 - nu13 * nu31 - 2.0 * nu12 * nu23 * nu31;
    const double rd = 1.0 / d, r1 = e1 * rd, r2 = e2 * rd;
    n[0] = r1 * (1.0 - nu23 * nu32);
    n[1] = r2 * (1.0 - nu13 * nu31);
    n[2] = e3 * rd * (1.0 - nu12 * nu21);
    n[3] = r1 * (nu21 + nu31 * nu23);
    n[4] = r1 * (nu31 + nu21 * nu32);
    n[5] = r2 * (nu32 + nu12 * nu31);
}

// The three-dimensional orthotropic stiffness into a zeroed c(n, n), n 4..6, from a Nye property
// vector and the minor ratios: the normal block, G12, and for n 6 also G13 and G23.
inline void orthotropic(double* c, const double* p, int n, double nu21, double nu31, double nu32) {
    double v[6];
    orthotropic_normal(v, p, nu21, nu31, nu32);
    c[0] = v[0];
    c[1 + n] = v[1];
    c[2 + 2 * n] = v[2];
    c[1] = c[n] = v[3];
    c[2] = c[2 * n] = v[4];
    c[2 + n] = c[1 + 2 * n] = v[5];
    c[3 + 3 * n] = p[6];
    if (n == 6) {
        c[4 + 4 * n] = p[7];
        c[5 + 5 * n] = p[8];
    }
}

// The independent entries of the on-axis stiffness of ntens 3, 4 or 6 (plane as for
// stiffness()), in the order of the stiffness factors of a damaged ply: C11, C12, C22, G12, G13,
// G23, C13, C23, C33. An entry the matrix does not have (C13, C23, C33 of the plane-stress
// stiffness, G13 and G23 below six components) is 0.
inline void stiffness_entries(double* v, const double* p, int ntens, bool plane) {
    const int n = ntens;
    const double e1 = p[0], e2 = p[1], nu12 = p[3];
    if (n == 3 || plane) {
        const double nu21 = nu12 * e2 / e1, d = 1.0 - nu12 * nu21;
        v[0] = e1 / d;
        v[1] = nu12 * e2 / d;
        v[2] = e2 / d;
        v[3] = p[6];
        v[4] = v[5] = v[6] = v[7] = v[8] = 0.0;
        return;
    }
    const double re1 = 1.0 / e1;
    double w[6];  // c11, c22, c33, c12, c13, c23
    orthotropic_normal(w, p, nu12 * e2 * re1, p[4] * p[2] * re1, p[5] * p[2] / e2);
    v[0] = w[0];
    v[1] = w[3];
    v[2] = w[1];
    v[3] = p[6];
    v[4] = n == 6 ? p[7] : 0.0;
    v[5] = n == 6 ? p[8] : 0.0;
    v[6] = w[4];
    v[7] = w[5];
    v[8] = w[2];
}

// Position in the entries of stiffness_entries() of entry (i, j) (0-based) of the n x n
// stiffness, n 3..6, or -1 for an entry that is always 0. Three components are (11, 22, 12);
// more are (11, 22, 33, 12[, 13, 23]), the 13 and 23 shear entries present for n 6 only and the
// normal 33 block unless plane (which keeps the 11, 22 and 12 entries only).
constexpr int stiffness_entry(int i, int j, int n, bool plane) {
    if (i > j) return stiffness_entry(j, i, n, plane);  // symmetric
    if (n == 3) {
        constexpr int e3[3][3] = {{0, 1, -1}, {1, 2, -1}, {-1, -1, 3}};
        return e3[i][j];
    }
    constexpr int e6[6][6] = {{0, 1, 6, -1, -1, -1}, {1, 2, 7, -1, -1, -1}, {6, 7, 8, -1, -1, -1},
                              {-1, -1, -1, 3, -1, -1}, {-1, -1, -1, -1, 4, -1}, {-1, -1, -1, -1, -1, 5}};
    const int k = e6[i][j];
    if ((plane || n != 6) && (i >= 4 || j >= 4)) return -1;
    if (plane && (i == 2 || j == 2)) return -1;
    return k;
}

// The column-major n x n matrix of the entries v (in the order of stiffness_entries()), n 3..6:
// the entries stiffness_entry() places, every other entry 0.
inline void place_stiffness_entries(double* c, const double* v, int n, bool plane) {
    std::memset(c, 0, sizeof(double) * n * n);
    c[0] = v[0];
    c[1 + n] = v[2];
    c[1] = c[n] = v[1];
    if (n == 3) {
        c[2 + 2 * n] = v[3];
        return;
    }
    c[3 + 3 * n] = v[3];
    if (plane) return;
    c[2 + 2 * n] = v[8];
    c[2] = c[2 * n] = v[6];
    c[2 + n] = c[1 + 2 * n] = v[7];
    if (n == 6) {
        c[4 + 4 * n] = v[4];
        c[5 + 5 * n] = v[5];
    }
}

// On-axis stiffness c(ntens, ntens) of a Nye property vector for ntens 3, 4 or 6 (the caller
// checks ntens: stiffness_components). plane: the plane-stress entries only (ignored for ntens 3, which is always the
// plane-stress stiffness). The same values as stiffness_entries() placed by
// place_stiffness_entries(), written directly (one pass for a component count known only at run
// time).
inline void stiffness(double* c, const double* p, int ntens, bool plane) {
    const int n = ntens;
    std::memset(c, 0, sizeof(double) * n * n);
    const double e1 = p[0], e2 = p[1], nu12 = p[3];
    if (n == 3 || plane) {
        const double nu21 = nu12 * e2 / e1, d = 1.0 - nu12 * nu21;
        const int k = n == 3 ? 2 : 3;
        c[0] = e1 / d;
        c[1 + n] = e2 / d;
        c[1] = c[n] = nu12 * e2 / d;
        c[k + k * n] = p[6];
        return;
    }
    const double re1 = 1.0 / e1;
    orthotropic(c, p, n, nu12 * e2 * re1, p[4] * p[2] * re1, p[5] * p[2] / e2);
}

// On-axis compliance s(ntens, ntens), ntens 3, 4 or 6 as for stiffness().
inline void compliance(double* s, const double* p, int ntens, bool plane) {
    const int n = ntens;
    std::memset(s, 0, sizeof(double) * n * n);
    s[0] = 1.0 / p[0];
    s[1 + n] = 1.0 / p[1];
    s[1] = s[n] = -p[3] / p[0];
    if (n == 3 || plane) {
        const int k = n == 3 ? 2 : 3;
        s[k + k * n] = 1.0 / p[6];
        return;
    }
    s[2 + 2 * n] = 1.0 / p[2];
    s[2] = s[2 * n] = -p[4] / p[0];
    s[2 + n] = s[1 + 2 * n] = -p[5] / p[1];
    s[3 + 3 * n] = 1.0 / p[6];
    if (n == 6) {
        s[4 + 4 * n] = 1.0 / p[7];
        s[5 + 5 * n] = 1.0 / p[8];
    }
}

// Engineering strains e(k) = f_k (a(k) + b(k)) with f_k = 2 for the shear entries k >= ndi when
// tensor: the working strain of the stress and energy routines (b may be null: 0).
inline void engineering_strain(double* e, const double* a, const double* b, int ndi, int ntens,
                               bool tensor) {
    for (int k = 0; k < ntens; ++k) {
        const double v = b ? a[k] + b[k] : a[k];
        e[k] = (tensor && k >= ndi) ? 2.0 * v : v;
    }
}

// stress(ntens) from the stiffness ddsdde(ntens, ntens): secant, stress = ddsdde (strain0 +
// dstrain); incremental, stress = stress + ddsdde dstrain. tensor: strains carry tensor shear
// components from position ndi + 1 on (doubled first). For ntens <= 6; larger is the caller's.
inline void stress_vector(double* stress, const double* ddsdde, const double* strain0,
                          const double* dstrain, int ndi, int ntens, bool secant, bool tensor) {
    double e[6];
    if (secant) engineering_strain(e, strain0, dstrain, ndi, ntens, tensor);
    else engineering_strain(e, dstrain, nullptr, ndi, ntens, tensor);
    double s[6];
    for (int i = 0; i < ntens; ++i) s[i] = secant ? 0.0 : stress[i];
    for (int j = 0; j < ntens; ++j) {
        const double ej = e[j];
        const double* col = ddsdde + j * ntens;
        for (int i = 0; i < ntens; ++i) s[i] += col[i] * ej;
    }
    for (int i = 0; i < ntens; ++i) stress[i] = s[i];
}

// Specific strain energy: secant, 0.5 stress . (strain0 + dstrain); incremental,
// sse + 0.5 (stress + stress0) . dstrain. Shear strains as in stress_vector().
inline double strain_energy(double sse, const double* stress, const double* stress0,
                            const double* strain0, const double* dstrain, int ndi, int ntens,
                            bool secant, bool tensor) {
    double w = 0.0;
    for (int k = 0; k < ntens; ++k) {
        double v = secant ? strain0[k] + dstrain[k] : dstrain[k];
        if (tensor && k >= ndi) v *= 2.0;
        w += (secant ? stress[k] : stress[k] + stress0[k]) * v;
    }
    return secant ? 0.5 * w : sse + 0.5 * w;
}

}  // namespace tvk::lamina

// nyeprops(9) from elastic(nelastic), nelastic 2, 5 or 9 (see tvk::lamina::nye_properties);
// any other count: level -2 report, nyeprops unwritten.
TVK_API void GetNyeProperties(double* nyeprops, const double* elastic, const int* nelastic);
// c(ntens, ntens) on-axis stiffness; ntens other than 3, 4, 6: zero c and a level -2 report.
TVK_API void GetNyeStiffnessMatrix(double* c, const double* props, const int* ntens,
                                   const int* psflag);
// s(ntens, ntens) on-axis compliance; ntens other than 3, 4, 6: zero s and a level -2 report.
TVK_API void GetNyeComplianceMatrix(double* s, const double* props, const int* ntens,
                                    const int* psflag);
// On-axis stiffness (scflag nonzero) or compliance (scflag 0, the inverse of the stiffness) from
// 2, 5 or 9 elastic constants, 12 (9 constants and nu21, nu31, nu32), 21 (lower triangle of a
// 6 x 6 Nye stiffness, column by column) or 36 (a 6 x 6 column-major) values. A 12- or 36-value
// matrix is symmetrised unless unsymm is true. ntens 3..6; plane (ntens 3, or psflag present and
// 0) picks the plane-stress entries. ldflag is accepted and has no effect. An unsupported count
// or ntens gives a zero matrix and a level -2 report.
TVK_API void GetGeneralizedNyeOnAxisSC(double* sc, const double* props, const int* ntens,
                                       const int* nprops, const int* scflag, const int* psflag,
                                       const int* ldflag, const int* unsymm);
// Stiffness (scflag nonzero) or compliance (0) of a ply whose fibre lies at dangle degrees:
// T^T (on-axis) T with T the strain (stiffness) or stress (compliance) transformation.
// ntens 3 or 6; otherwise zero scoff and a level -2 report.
TVK_API void GetNyeOffAxisSC(double* scoff, const double* dangle, const double* props,
                             const int* ntens, const int* scflag);
// Lamination invariants U1..U5 of the reduced (plane-stress) stiffness of props(nprops).
TVK_API void GetInvariantsFromReducedStiffness(double* u, const double* props, const int* nprops);
// 3 x 3 stiffness of a plane stress state by static condensation of one normal stress of the
// 6 x 6 Nye stiffness c: plflag 1 (or any other value) the 12-plane (11, 22, 12), 2 the 23-plane
// (22, 33, 23), 3 the 13-plane (11, 33, 13).
TVK_API void GetReducedNyeStiffnessMatrix(double* qs, const double* c, const int* plflag);
// Transverse-shear rigidity (rows and columns 23, 13) of a ply at dangle degrees.
TVK_API void GetOffAxisShearRigidMatrix(double* hoff, const double* g13, const double* g23,
                                        const double* dangle);
// See tvk::lamina::stress_vector; ntens above 6 is handled as well.
TVK_API void GetStressVector(double* stress, const double* ddsdde, const double* strain0,
                             const double* dstrain, const int* ndi, const int* ntens,
                             const tvk::logical1* issekant, const tvk::logical1* istensor);
// See tvk::lamina::strain_energy; ntens < 1 gives 0 (secant) or leaves sse (incremental).
TVK_API void GetSpecificStrainEnergy(double* sse, const double* stress, const double* stress0,
                                     const double* strain0, const double* dstrain, const int* ndi,
                                     const int* ntens, const tvk::logical1* issekant,
                                     const tvk::logical1* istensor);
