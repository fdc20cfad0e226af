// Vector orders of symmetric second-order tensors and the 6 x 6 form of fourth-order tensors
// (namespace `lamina`).
//
// Six components of a symmetric tensor are written in one of three orders:
//
//   position         1   2   3   4   5   6
//   Nye order       11  22  33  12  13  23   stiffness, compliance, material, failure, degradation
//   Voigt order     11  22  33  23  13  12   micromechanics, the tensor map below, CauchyNotation
//   cyclic order    11  22  33  12  23  13   the explicit solver and the ANSYS interface
//
// Reduced sets: 3 components (11, 22, 12), 4 components (11, 22, 33, 12). The conversions here
// copy values and never scale shear components (engineering versus tensor shear is the caller's
// business). A 3 x 3 tensor q is column-major; the vector-from-tensor routines read its upper
// triangle only. A 6 x 6 Voigt matrix maps to c(3,3,3,3) through the index pairs
// 1 -> (1,1), 2 -> (2,2), 3 -> (3,3), 4 -> (2,3), 5 -> (1,3), 6 -> (1,2).
// Every routine reads its whole input before writing, so results may alias inputs.
#pragma once

#include "core/tvk.h"

namespace tvk::notation {

// Position (0-based) in the other order of each Nye position; the exchange of positions 4 and 6
// is its own inverse, so the same table takes Voigt into Nye.
inline constexpr int nye_voigt[6] = {0, 1, 2, 5, 4, 3};

// Index pair (0-based) of each Voigt position.
inline constexpr int voigt_pair[6][2] = {{0, 0}, {1, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};

// Voigt vector (11, 22, 33, 23, 13, 12) into the symmetric column-major 3 x 3 tensor.
inline void cauchy(double* cn, const double* qv) {
    const double a = qv[0], b = qv[1], c = qv[2], d = qv[3], e = qv[4], f = qv[5];
    cn[0] = a; cn[4] = b; cn[8] = c;
    cn[5] = cn[7] = d;
    cn[2] = cn[6] = e;
    cn[1] = cn[3] = f;
}

// Nye vector from the upper triangle of a column-major 3 x 3 tensor.
inline void nye(double* nn, const double* q) {
    const double a = q[0], b = q[4], c = q[8], d = q[3], e = q[6], f = q[7];
    nn[0] = a; nn[1] = b; nn[2] = c; nn[3] = d; nn[4] = e; nn[5] = f;
}

}  // namespace tvk::notation

TVK_API void NyeNotation(double* nn, const double* q);
TVK_API void VoigtNotation(double* vn, const double* q);
TVK_API void CyclicNotation(double* cn, const double* q);
// Symmetric 3 x 3 tensor from a Voigt vector.
TVK_API void CauchyNotation(double* cn, const double* qv);
// Voigt <-> Nye (positions 4 and 6 exchanged) of a vector (sdim 1, q and fn 6 x 1) or of the
// rows and columns of a 6 x 6 matrix (sdim 6). Any other sdim: level -2 report, fn unwritten.
TVK_API void FlipVoigtNyeNotation(double* fn, const double* q, const int* sdim);
// Circular shift of the three shear positions: fn(a) = q(m(a)) with m(3+i) = 4 + (i-1+dir) mod 3
// (non-negative modulo). dir 1 turns cyclic into Voigt, -1 (or 2) Voigt into cyclic; a 6 x 6
// matrix is shifted in rows and columns. Any sdim but 1 and 6: level -2 report, fn unwritten.
TVK_API void FlipVoigtCyclicNotation(double* fn, const double* q, const int* sdim, const int* dir);
// csix(I,J) = c(i,j,k,l) for the pairs (i,j) of I and (k,l) of J; only entries with i <= j and
// k <= l are read.
TVK_API void GetVoigtStiffnessFromTensor(double* csix, const double* c_4th);
// The 36 entries with i <= j, k <= l set from csix, the other 45 left 0 (not mirrored), so the
// pair of routines is exact from a 6 x 6 to a tensor and back.
TVK_API void GetTensorFromVoigtStiffness(double* c_4th, const double* csix);
// Six named components from a vector of 3 (11, 22, 12), 4 (11, 22, 33, 12) or 6 or more entries
// (Voigt order, the first six read); shear components times shearfactor (absent: 1). Missing
// components are 0. Any other length reads nothing: level -2 report, every output 0.
TVK_API void GetTensorComponents(double* t11, double* t22, double* t33, double* t12, double* t13,
                                 double* t23, const double* tvoigt, const int* nvoigt,
                                 const double* shearfactor);
