// Dense linear algebra and products (namespace `math`): inverse, determinants, symmetric
// eigen-solutions, singular values, Cholesky factor and general products through LAPACK/BLAS,
// power iteration, conjugate gradient, and the element-wise, outer, Kronecker, dot, cross and
// triple products with the in-place sum, difference, scaling and accumulation routines.
//
// Matrices are column-major doubles; extents are passed after the arrays (C ABI of tvk.h).
//
// Argument habits every caller relies on (they differ by routine):
//   * source first, result second: MatrixInverse, MatrixTranspose, MatrixSymmetrize,
//     CholeskyFactorization, MatrixEigenVectors, MatrixEigenvalues, SingularValueDecomposition;
//   * result first: Determinant, LUFactDeterminant, GeneralMatrixProduct, PowerIteration,
//     ConjugateGradient, MatrixDiagonal, CumulativeSum, CumulativeProduct;
//   * operands first, result third: the products (they clear the result before summing into it;
//     KroneckerProduct writes every entry), DotProduct (value in the third argument),
//     MatrixShrinkage;
//   * in place on the first argument: VectorSum/MatrixSum (a = a + b), VectorSub/MatrixSub
//     (a = a - b), VectorAmplify/MatrixAmplify (a = c a);
//   * accumulating: VectorScalarMultiplication/MatrixScalarMultiplication compute a = a + c b
//     and never clear a.
// Zero entries of the right operand of MatrixProduct, MatrixVectorProduct and
// VectorMatrixProduct are skipped (a NaN counts as nonzero), so a NaN or infinity of the left
// operand that meets only zeros does not spread. Hadamard results are 0 wherever an operand is 0;
// the amplify routines leave zero entries at 0 even for an infinite or NaN factor.
//
// The LAPACK wrappers work on private copies and never change their input. Only MatrixInverse
// and LUFactDeterminant report LAPACK failures; CholeskyFactorization marks a failure by -huge
// in every entry of the factor (`tvk::la::chol_failed` tests for it). The eigen-solutions and
// the singular value decomposition refuse a matrix with an infinite or NaN entry (their LAPACK
// iterations need not end on one) with a level -3 report: eigenvalues and eigenvectors come back
// NaN, the three SVD factors 0.
#pragma once

#include <cstddef>

#include "scratch.h"
#include "tvk.h"

// --- LAPACK wrappers -------------------------------------------------------------------------
TVK_API void MatrixInverse(const double* a, double* ainv, const int* n);
TVK_API void LUFactDeterminant(double* lud, const double* a, const int* n);
// pd = det a (pdflag -1, the default) or the permanent (pdflag 1) by cofactor expansion along
// the first row, its minors memoised (n 2^(n-1) cost, n <= 20); the determinant of a matrix
// larger than 10 x 10 from its LU factors, a permanent up to 27 x 27 by Ryser's formula; larger
// sizes are refused (level -3, pd = 0).
TVK_API void Determinant(double* pd, const double* a, const int* n, const int* pdflag);
TVK_API void MatrixEigenVectors(const double* a, double* z, const int* n, double* eigvals);
TVK_API void MatrixEigenvalues(const double* a, double* d, const int* n);
TVK_API void SingularValueDecomposition(const double* a, double* u, double* s, double* v,
                                        const int* m, const int* n);
TVK_API void CholeskyFactorization(const double* a, double* c, const int* n);
TVK_API void GeneralMatrixProduct(double* d, const double* alpha, const double* a, const double* b,
                                  const double* beta, const double* c, const int* m, const int* n,
                                  const int* k, const char* sa, const char* sb,
                                  std::size_t sa_len, std::size_t sb_len);

// --- Iterative solvers -----------------------------------------------------------------------
// Dominant eigenpair (defaults: maxiter 2000, start vector of ones, abstol 1e-10). A run that
// ends at a maxiter above 1 without meeting abstol records "No convergence in von Mises
// eigenvalue computation" at level -1 (i1 maxiter, r1 abstol), a negative maxiter the same at -2;
// one pass, a converged run and the stop on a y = 0 report nothing.
TVK_API void PowerIteration(double* eigenval, double* eigenvec, const double* a, const int* n,
                            const int* maxiter, const double* startvec, const double* abstol);
TVK_API void ConjugateGradient(double* xgrad, const double* a, const double* b, const double* x0,
                               const int* n, const int* m);

// --- Products --------------------------------------------------------------------------------
TVK_API void MatrixProduct(const double* a, const double* b, double* c, const int* l,
                           const int* n, const int* m);
TVK_API void MatrixVectorProduct(const double* a, const double* b, double* c, const int* n,
                                 const int* m);
TVK_API void VectorMatrixProduct(const double* a, const double* b, double* c, const int* n,
                                 const int* m);
TVK_API void LUMatrixVectorProduct(const double* a, const double* b, double* c, const int* m,
                                   const int* n);
TVK_API void HadamardProduct(const double* a, const double* b, double* c, const int* l,
                             const int* n);
TVK_API void HadamardDivision(const double* a, const double* b, double* c, const int* l,
                              const int* n);
TVK_API void KroneckerProduct(const double* a, const double* b, double* ab, const int* ma,
                              const int* na, const int* pb, const int* qb);
TVK_API void DyadenProduct(const double* a, const double* b, double* c, const int* m,
                           const int* n);
TVK_API void DotProduct(const double* a, const double* b, double* c, const int* l);
TVK_API void CrossProduct(const double* a, const double* b, double* c);
TVK_API void ScalarTripleProduct(const double* a, const double* b, const double* c, double* d);
TVK_API void VectorTripleProduct(const double* a, const double* b, const double* c, double* d);

// --- In-place sums, differences, scaling, accumulation ---------------------------------------
TVK_API void VectorSum(double* a, const double* b, const int* n);
TVK_API void VectorSub(double* a, const double* b, const int* n);
TVK_API void MatrixSum(double* a, const double* b, const int* n, const int* m);
TVK_API void MatrixSub(double* a, const double* b, const int* n, const int* m);
TVK_API void VectorAmplify(double* a, const double* c, const int* n);
TVK_API void MatrixAmplify(double* a, const double* c, const int* n, const int* m);
TVK_API void VectorScalarMultiplication(double* a, const double* b, const double* c,
                                        const int* n);
TVK_API void MatrixScalarMultiplication(double* a, const double* b, const double* c,
                                        const int* n, const int* m);
TVK_API void MatrixShrinkage(const double* a, const double* b, double* c, const double* alpha,
                             const int* n, const int* m);

// --- Rearrangements and running sums ---------------------------------------------------------
TVK_API void MatrixSymmetrize(const double* a, double* sym, const int* n);
TVK_API void MatrixTranspose(const double* a, double* b, const int* n, const int* m);
TVK_API void MatrixDiagonal(double* diag, const double* a, const int* k, const int* n);
TVK_API void CumulativeSum(double* csum, const double* a, const int* n, const double* seed);
TVK_API void CumulativeProduct(double* cprod, const double* a, const int* n, const double* seed);

// --- C++ conveniences for library code (value extents; same results as the entry points) ----
namespace tvk::la {

using tvk::Scratch;  // stack up to N elements, heap beyond (scratch.h)

// ainv = a^-1 (n x n); reports as MatrixInverse does. False when the factorisation or the
// inversion failed (ainv then holds LAPACK's work matrix, as MatrixInverse returns it).
bool inverse(const double* a, double* ainv, int n);
// det a by LU; reports as LUFactDeterminant does.
double lu_determinant(const double* a, int n);
// c(l,m) = a(l,n) b(n,m), zero entries of b skipped.
void matmul(const double* a, const double* b, double* c, int l, int n, int m);
// c(n) = a(n,m) b(m), zero entries of b skipped.
void matvec(const double* a, const double* b, double* c, int n, int m);
// True when a factor from CholeskyFactorization carries the failure marker (every entry -huge).
bool chol_failed(const double* c, int n);
// PowerIteration with value extents, without its iteration-limit note: true when all of
// maxiter >= 1 passes were made and the last still left the difference norm above tol (start
// vector null: ones; its other reports are PowerIteration's).
bool power_iteration(double* eigenval, double* eigenvec, const double* a, int n, int maxiter,
                     const double* startvec, double tol);
// Dominant eigenpair of kg x = mu kk x (n x n) for a symmetric positive definite kk and a
// symmetric kg, by Cholesky reduction and dsyev: mu the eigenvalue of largest modulus, x its
// eigenvector of unit length, turned to a non-negative dot product with ref (when present).
// False, with mu and x untouched, when an entry is not finite, either matrix is not exactly
// symmetric, kk is not positive definite, or the extreme eigenvalues have opposite signs and
// moduli within 1e-6 of each other (no eigenvalue dominates).
bool dominant_symmetric_pencil(double* mu, double* x, const double* kk, const double* kg, int n,
                               const double* ref);

}  // namespace tvk::la
