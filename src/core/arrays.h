// Array construction, copy and fill helpers of the `utility` module: copies, fills, zeroing,
// standard matrices, triangles and packed triangles, concatenation and splitting, windows, flips
// and the conditional packing of a list.
//
// Conventions: reals are double, integers int, complex values tvk::cplx; matrices are
// column-major with 1-based positions in every index value; explicit extents follow the arrays;
// a copy takes its source first and its target second; a result array is the first argument of
// a Get routine. An extent below 1 makes a routine do nothing (the target keeps its contents).
// Nothing here allocates beyond the call; only a concatenation whose blocks do not fit reports
// into the error record.
//
// The inline templates in namespace tvk are the C++ face of the routines (the copy and zeroing
// routines sit in the innermost loops of every material-point computation, so callers in C++
// should use these); the extern "C" entry points below follow the C ABI of tvk.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "tvk.h"

namespace tvk {

// Product of extents as a 64-bit count; 0 when any extent is below 1.
inline std::int64_t extent_product(const int* ext, int rank) {
    std::int64_t n = 1;
    for (int d = 0; d < rank; ++d) {
        if (ext[d] < 1) return 0;
        n *= ext[d];
    }
    return n;
}

// b(1:n) = a(1:n). Overlapping storage is allowed (a Python caller may pass one array twice).
template <class T>
inline void vector_copy(const T* a, T* b, std::int64_t n) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (n < 1 || a == b) return;
    std::memmove(b, a, static_cast<std::size_t>(n) * sizeof(T));
}

// b(1:n, 1:m) = a(1:n, 1:m); both have leading dimension n, so this is one block copy.
template <class T>
inline void matrix_copy(const T* a, T* b, int n, int m) {
    if (n < 1 || m < 1) return;
    vector_copy(a, b, static_cast<std::int64_t>(n) * m);
}

// Every element of a contiguous block of n elements = v.
template <class T>
inline void fill_n(T* a, std::int64_t n, T v) {
    for (std::int64_t k = 0; k < n; ++k) a[k] = v;
}

// Every element of an array section = v. The section has `rank` extents and element strides
// (in elements, first index fastest); it is walked in memory order of a column-major array,
// first index innermost. Does nothing when an extent is below 1.
template <class T>
void fill_section(T* a, int rank, const int* ext, const std::ptrdiff_t* stride, T v) {
    if (rank < 1 || rank > 7 || extent_product(ext, rank) == 0) return;
    int idx[7] = {0, 0, 0, 0, 0, 0, 0};
    T* base = a;
    for (;;) {
        T* p = base;
        for (int i = 0; i < ext[0]; ++i, p += stride[0]) *p = v;
        int d = 1;
        for (; d < rank; ++d) {
            base += stride[d];
            if (++idx[d] < ext[d]) break;
            base -= stride[d] * ext[d];
            idx[d] = 0;
        }
        if (d == rank) return;
    }
}

// Every element of a contiguous column-major array of the given extents = v.
template <class T>
inline void fill_array(T* a, int rank, const int* ext, T v) {
    fill_n(a, extent_product(ext, rank), v);
}

// Zero of a contiguous column-major real array of the given extents.
inline void zero_array(double* a, int rank, const int* ext) {
    const std::int64_t n = extent_product(ext, rank);
    if (n > 0) std::memset(a, 0, static_cast<std::size_t>(n) * sizeof(double));
}

}  // namespace tvk

// --- Copies -------------------------------------------------------------------------------
TVK_API void fVectorCopy(const double* a, double* b, const int* n);
TVK_API void iVectorCopy(const int* a, int* b, const int* n);
TVK_API void cVectorCopy(const tvk::cplx* a, tvk::cplx* b, const int* n);
TVK_API void MatrixCopy(const double* a, double* b, const int* n, const int* m);
// matrix(n, m) = list(1:n m) in column order.
TVK_API void GetUnpackedMatrixFromList(double* matrix, const double* list, const int* n, const int* m);

// --- Fills of whole contiguous arrays (each array followed by its extents) -----------------
TVK_API void real_fillvectorwithscalar(double* a, const int* n1, const double* lambda);
TVK_API void real_fillmatrixwithscalar(double* a, const int* n1, const int* n2, const double* lambda);
TVK_API void real_fill3darraywithscalar(double* a, const int* n1, const int* n2, const int* n3,
                                        const double* lambda);
TVK_API void real_fill4darraywithscalar(double* a, const int* n1, const int* n2, const int* n3,
                                        const int* n4, const double* lambda);
TVK_API void real_fill5darraywithscalar(double* a, const int* n1, const int* n2, const int* n3,
                                        const int* n4, const int* n5, const double* lambda);
TVK_API void real_fill6darraywithscalar(double* a, const int* n1, const int* n2, const int* n3,
                                        const int* n4, const int* n5, const int* n6,
                                        const double* lambda);
TVK_API void real_fill7darraywithscalar(double* a, const int* n1, const int* n2, const int* n3,
                                        const int* n4, const int* n5, const int* n6, const int* n7,
                                        const double* lambda);
TVK_API void int_fillvectorwithscalar(int* a, const int* n1, const int* lambda);
TVK_API void int_fillmatrixwithscalar(int* a, const int* n1, const int* n2, const int* lambda);
TVK_API void int_fill3darraywithscalar(int* a, const int* n1, const int* n2, const int* n3,
                                       const int* lambda);
TVK_API void int_fill4darraywithscalar(int* a, const int* n1, const int* n2, const int* n3,
                                       const int* n4, const int* lambda);
TVK_API void int_fill5darraywithscalar(int* a, const int* n1, const int* n2, const int* n3,
                                       const int* n4, const int* n5, const int* lambda);
TVK_API void int_fill6darraywithscalar(int* a, const int* n1, const int* n2, const int* n3,
                                       const int* n4, const int* n5, const int* n6, const int* lambda);
TVK_API void int_fill7darraywithscalar(int* a, const int* n1, const int* n2, const int* n3,
                                       const int* n4, const int* n5, const int* n6, const int* n7,
                                       const int* lambda);

// --- Zeroing of explicit-shape real arrays --------------------------------------------------
TVK_API void IniVectorwithZeros(double* a, const int* n);
TVK_API void IniMatrixwithZeros(double* a, const int* n, const int* m);
TVK_API void Ini3DArraywithZeros(double* a, const int* l, const int* m, const int* n);
TVK_API void Ini4DArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o);
TVK_API void Ini5DArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o,
                                 const int* p);
TVK_API void Ini6DArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o,
                                 const int* p, const int* q);
TVK_API void IniMaxDArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o,
                                   const int* p, const int* q, const int* r);

// --- Standard matrices and vectors -----------------------------------------------------------
TVK_API void GetIdentityMatrix(double* a, const int* n);
TVK_API void GetScalarMatrix(double* a, const int* n, const double* lambda);
// Ones on the k-th diagonal (k > 0 above, k < 0 below the main diagonal); k optional, default 0.
TVK_API void GetEyeMatrix(double* a, const int* k, const int* n);
TVK_API void GetIndexVector(int* a, const int* n);
// x(i) = a + (i - 1) h, h = (b - a)/(n - 1) with the endpoint (default), (b - a)/n without.
// A single point with the endpoint is a (the step would be 0/0).
TVK_API void Linspace(double* x, const double* a, const double* b, const int* n, const int* endpoint);

// --- Triangles -------------------------------------------------------------------------------
// lu = lower (luflag absent or 0) or upper (luflag nonzero) triangle of a, diagonal included.
TVK_API void GetTriangularMatrix(double* lu, const double* a, const int* n, const int* luflag);
// sym(i, j) = lu(i, j), except that an entry exactly 0.0 takes lu(j, i).
TVK_API void Symmetrize(const double* lu, double* sym, const int* n);
// Unpacks nlu(nlu + 1)/2 values (column-packed upper triangle) into an nlu x nlu matrix, laid out
// for a reader of memory order `order` ("F" column order, any other letter row order) as the
// upper (upper nonzero) or lower triangle. Reads at most np values; entries beyond stay 0.
TVK_API void GetUnpackedTriangle(double* lu, const double* packed, const int* nlu, const int* np,
                                 const char* order, const int* upper, std::size_t order_len);
// Strictly lower triangle column by column from x; when x holds more than one triangle
// (k != (n^2 - n)/2), then the strictly upper triangle row by row. Reads at most k values.
TVK_API void FillMatrixOffDiagonals(double* a, const double* x, const int* n, const int* k);

// --- Concatenation, splitting, windows, flips ------------------------------------------------
// ab = [a b] (ctype 0, needs m <= k) or [a; b] (ctype 1, needs n <= l); ab has
// max(k + ctype m, 0) rows and max(l + (1 - ctype) n, 0) columns and is zero-filled first. Any
// other ctype leaves ab all zero; so does a b that does not fit, which is refused (level -3).
TVK_API void MatrixConcatenation(const double* a, const double* b, double* ab, const int* ctype,
                                 const int* k, const int* l, const int* m, const int* n);
// b is (n/k) x k, first -1.0; column j = a((j - 1) n/k + 1 .. j n/k) when k >= 1 divides n.
TVK_API void VectorSplit(const double* a, double* b, const int* k, const int* n);
// a is l x m, b is (l/k) x m x k, first -1.0; b(:, c, j) = block j of column c when k divides l.
TVK_API void MatrixSplit(const double* a, double* b, const int* k, const int* l, const int* m);
// Window of nsub values of array(1:narray): the last (tail absent or nonzero) or the first nsub;
// subslice = first and last position. nsub > narray: subslice (-1, -1), subarray all 1.0.
TVK_API void GetSubArray(double* subarray, int* subslice, const double* array, const int* narray,
                         const int* nsub, const int* tail);
TVK_API void VectorFlip(const double* a, double* b, const int* n);
// dimflag < 0 reverses every row, dimflag >= 0 every column.
TVK_API void MatrixFlip(const double* a, double* b, const int* n, const int* m, const int* dimflag);

// --- Packed list -------------------------------------------------------------------------------
// packed(1:npack) = padding, then the list values that pass the comparison with condition chosen
// by cflag (1 <, 2 <=, 3 ==, 4 >=, 5 >, 6 /=), in list order, when they fit into npack.
TVK_API void GetPackedList(double* packed, const double* list, const double* condition,
                           const double* padding, const int* cflag, const int* npack,
                           const int* nlist);
