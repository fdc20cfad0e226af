// Prototypes of the Fortran LAPACK and BLAS routines the library calls (Debian's reference
// liblapack / libblas, gfortran calling convention): every argument by reference, the symbol
// name in lower case with a trailing underscore, and one hidden `size_t` length per character
// argument appended after the last argument, in order.
//
// The reference `xerbla` ends the process (status 0) when a routine meets an illegal argument,
// so a caller must exclude every illegal value before the call:
//   * character options only from the documented set (pass 'N' or 'T', never a caller's letter);
//   * leading dimensions at least max(1, rows), so an empty matrix needs max(1, .) as well;
//   * workspace sizes at least the documented minimum (at least 1 even for n = 0);
//   * simplest of all: return early for empty matrices.
// `tvk::la::trans_flag` and `tvk::la::ld` below help with the first two.
#pragma once

#include <cstddef>

extern "C" {

// LU factorisation with partial pivoting and the inverse from it.
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info, std::size_t trans_len);
void dgesv_(const int* n, const int* nrhs, double* a, const int* lda, int* ipiv, double* b,
            const int* ldb, int* info);

// Linear least squares by QR (or LQ) factorisation of a full-rank matrix.
void dgels_(const char* trans, const int* m, const int* n, const int* nrhs, double* a,
            const int* lda, double* b, const int* ldb, double* work, const int* lwork, int* info,
            std::size_t trans_len);

// Cholesky factorisation and solve.
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info,
             std::size_t uplo_len);
void dpotrs_(const char* uplo, const int* n, const int* nrhs, const double* a, const int* lda,
             double* b, const int* ldb, int* info, std::size_t uplo_len);

// Symmetric eigenproblem: all eigenpairs, tridiagonal reduction, eigenvalues of a tridiagonal.
void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w,
            double* work, const int* lwork, int* info, std::size_t jobz_len, std::size_t uplo_len);
void dsytrd_(const char* uplo, const int* n, double* a, const int* lda, double* d, double* e,
             double* tau, double* work, const int* lwork, int* info, std::size_t uplo_len);
void dsterf_(const int* n, double* d, double* e, int* info);

// General eigenproblem (right and left eigenvectors on request).
void dgeev_(const char* jobvl, const char* jobvr, const int* n, double* a, const int* lda,
            double* wr, double* wi, double* vl, const int* ldvl, double* vr, const int* ldvr,
            double* work, const int* lwork, int* info, std::size_t jobvl_len,
            std::size_t jobvr_len);

// Singular-value decomposition a = U S V^T.
void dgesvd_(const char* jobu, const char* jobvt, const int* m, const int* n, double* a,
             const int* lda, double* s, double* u, const int* ldu, double* vt, const int* ldvt,
             double* work, const int* lwork, int* info, std::size_t jobu_len,
             std::size_t jobvt_len);

// BLAS: general matrix-matrix and matrix-vector products.
void dgemm_(const char* transa, const char* transb, const int* m, const int* n, const int* k,
            const double* alpha, const double* a, const int* lda, const double* b, const int* ldb,
            const double* beta, double* c, const int* ldc, std::size_t transa_len,
            std::size_t transb_len);
void dgemv_(const char* trans, const int* m, const int* n, const double* alpha, const double* a,
            const int* lda, const double* x, const int* incx, const double* beta, double* y,
            const int* incy, std::size_t trans_len);

}  // extern "C"

namespace tvk::la {

// The option letter LAPACK/BLAS accept for a caller's transpose choice: 'N' for N or n, 'T' for
// anything else (an illegal letter would end the process inside xerbla).
inline char trans_flag(char c) { return (c == 'N' || c == 'n') ? 'N' : 'T'; }

// A leading dimension LAPACK/BLAS accept for `rows` rows (at least 1, also for empty matrices).
inline int ld(int rows) { return rows > 1 ? rows : 1; }

}  // namespace tvk::la
