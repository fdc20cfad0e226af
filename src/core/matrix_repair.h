// Matrix repair, norms and matrix measures (namespace `math`): projection onto the positive
// semidefinite cone, nearest symmetric positive definite and nearest (weighted) correlation
// matrices, the distance to the nearest positive definite matrix, the positive-definiteness
// test, minors and cofactors, trace, vector and matrix norms, the Householder matrix and the
// modal assurance criterion.
//
// Matrices are column-major doubles with their extents after the arrays (C ABI of tvk.h).
// Functions return their value; IsPositiveDefinite returns a 4-byte logical (0 or 1).
#pragma once

#include "tvk.h"

// --- Repair -----------------------------------------------------------------------------------
TVK_API void GetProjectedSPD(double* ppd, const double* a, const int* n);
TVK_API void GetNearestSPD(double* pd, const double* a, const int* n);
TVK_API void GetNearestCorrelationMatrix(double* corr, const double* a, const int* n,
                                         const double* weights, const double* tol,
                                         const int* maxiter, const int* cflag);
TVK_API double GetNearestPDNorm(const double* x, const int* n);
TVK_API int IsPositiveDefinite(const double* x, const int* n, const double* tolerance);

// --- Minors, cofactor, trace ------------------------------------------------------------------
TVK_API double GetPrincipleMinor(const double* sm, const int* i, const int* k);
TVK_API double GetFirstMinor(const double* sm, const int* i, const int* j, const int* k);
TVK_API double GetCofactor(const double* mij, const int* i, const int* j);
TVK_API double Trace(const double* x, const int* n);

// --- Norms ------------------------------------------------------------------------------------
TVK_API double VectorNorm(const double* x, const int* n);
TVK_API double MatrixNorm(const double* x, const int* n, const int* m);
TVK_API double LpVectorNorm(const double* x, const double* p, const int* n);
TVK_API double LpMatrixNorm(const double* x, const double* p, const int* n, const int* m);
TVK_API double SpectralNorm(const double* x, const int* m, const int* n);
TVK_API double NuclearNorm(const double* x, const int* m, const int* n);
TVK_API double SchattenNorm(const double* x, const double* p, const int* m, const int* n);

// --- Householder matrix and modal assurance criterion ----------------------------------------
TVK_API void GetHouseHolderTransformationMatrix(double* thouse, const double* v, const int* n);
TVK_API double VectorModalAssuranceCriterion(const double* a, const double* b, const int* n);
TVK_API void MatrixModalAssuranceCriterion(const double* xs, const double* ys, double* mac,
                                           const int* n);

namespace tvk::la {
// Euclidean norm of x(n) as VectorNorm computes it (value extent).
double norm2(const double* x, long n);
// Euclidean norm of x(n) - y(n) (of x(n) when y is null): the plain sum of squares where it
// neither overflows nor comes near the subnormal range, otherwise the same sum over the entries
// scaled by the power of two of the largest, which rounds alike wherever the plain sum is
// representable and keeps the digits where it is not.
double distance2(const double* x, const double* y, long n);
}  // namespace tvk::la
