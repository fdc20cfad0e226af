#include "arrays.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "errors.h"

namespace {

using tvk::cplx;
using i64 = std::int64_t;

// Column-major element (i, j), 1-based, of a matrix with leading dimension ld.
template <class T>
inline T& el(T* a, i64 ld, i64 i, i64 j) {
    return a[(i - 1) + (j - 1) * ld];
}
template <class T>
inline const T& el(const T* a, i64 ld, i64 i, i64 j) {
    return a[(i - 1) + (j - 1) * ld];
}

template <class T, class... N>
void fill_rank(T* a, const T* lambda, const N*... n) {
    const int ext[] = {*n...};
    tvk::fill_array(a, static_cast<int>(sizeof...(N)), ext, *lambda);
}

template <class... N>
void zero_rank(double* a, const N*... n) {
    const int ext[] = {*n...};
    tvk::zero_array(a, static_cast<int>(sizeof...(N)), ext);
}

}  // namespace

// --- Copies -------------------------------------------------------------------------------

void fVectorCopy(const double* a, double* b, const int* n) { tvk::vector_copy(a, b, *n); }
void iVectorCopy(const int* a, int* b, const int* n) { tvk::vector_copy(a, b, *n); }
void cVectorCopy(const cplx* a, cplx* b, const int* n) { tvk::vector_copy(a, b, *n); }
void MatrixCopy(const double* a, double* b, const int* n, const int* m) { tvk::matrix_copy(a, b, *n, *m); }
void GetUnpackedMatrixFromList(double* matrix, const double* list, const int* n, const int* m) {
    tvk::matrix_copy(list, matrix, *n, *m);
}

// --- Fills -----------------------------------------------------------------------------------

void real_fillvectorwithscalar(double* a, const int* n1, const double* lambda) { fill_rank(a, lambda, n1); }
void real_fillmatrixwithscalar(double* a, const int* n1, const int* n2, const double* lambda) {
    fill_rank(a, lambda, n1, n2);
}
void real_fill3darraywithscalar(double* a, const int* n1, const int* n2, const int* n3, const double* lambda) {
    fill_rank(a, lambda, n1, n2, n3);
}
void real_fill4darraywithscalar(double* a, const int* n1, const int* n2, const int* n3, const int* n4,
                                const double* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4);
}
void real_fill5darraywithscalar(double* a, const int* n1, const int* n2, const int* n3, const int* n4,
                                const int* n5, const double* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4, n5);
}
void real_fill6darraywithscalar(double* a, const int* n1, const int* n2, const int* n3, const int* n4,
                                const int* n5, const int* n6, const double* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4, n5, n6);
}
void real_fill7darraywithscalar(double* a, const int* n1, const int* n2, const int* n3, const int* n4,
                                const int* n5, const int* n6, const int* n7, const double* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4, n5, n6, n7);
}
void int_fillvectorwithscalar(int* a, const int* n1, const int* lambda) { fill_rank(a, lambda, n1); }
void int_fillmatrixwithscalar(int* a, const int* n1, const int* n2, const int* lambda) {
    fill_rank(a, lambda, n1, n2);
}
void int_fill3darraywithscalar(int* a, const int* n1, const int* n2, const int* n3, const int* lambda) {
    fill_rank(a, lambda, n1, n2, n3);
}
void int_fill4darraywithscalar(int* a, const int* n1, const int* n2, const int* n3, const int* n4,
                               const int* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4);
}
void int_fill5darraywithscalar(int* a, const int* n1, const int* n2, const int* n3, const int* n4,
                               const int* n5, const int* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4, n5);
}
void int_fill6darraywithscalar(int* a, const int* n1, const int* n2, const int* n3, const int* n4,
                               const int* n5, const int* n6, const int* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4, n5, n6);
}
void int_fill7darraywithscalar(int* a, const int* n1, const int* n2, const int* n3, const int* n4,
                               const int* n5, const int* n6, const int* n7, const int* lambda) {
    fill_rank(a, lambda, n1, n2, n3, n4, n5, n6, n7);
}

// --- Zeroing -----------------------------------------------------------------------------------

void IniVectorwithZeros(double* a, const int* n) { zero_rank(a, n); }
void IniMatrixwithZeros(double* a, const int* n, const int* m) { zero_rank(a, n, m); }
void Ini3DArraywithZeros(double* a, const int* l, const int* m, const int* n) { zero_rank(a, l, m, n); }
void Ini4DArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o) {
    zero_rank(a, l, m, n, o);
}
void Ini5DArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o, const int* p) {
    zero_rank(a, l, m, n, o, p);
}
void Ini6DArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o, const int* p,
                         const int* q) {
    zero_rank(a, l, m, n, o, p, q);
}
void IniMaxDArraywithZeros(double* a, const int* l, const int* m, const int* n, const int* o, const int* p,
                           const int* q, const int* r) {
    zero_rank(a, l, m, n, o, p, q, r);
}

// --- Standard matrices and vectors -------------------------------------------------------------

void GetIdentityMatrix(double* a, const int* n) {
    const double one = 1.0;
    GetScalarMatrix(a, n, &one);
}

void GetScalarMatrix(double* a, const int* n, const double* lambda) {
    const i64 nn = *n;
    if (nn < 1) return;
    tvk::fill_n(a, nn * nn, 0.0);
    for (i64 i = 1; i <= nn; ++i) el(a, nn, i, i) = *lambda;
}

void GetEyeMatrix(double* a, const int* k, const int* n) {
    const i64 nn = *n;
    const i64 kk = k ? *k : 0;
    if (nn < 1) return;
    tvk::fill_n(a, nn * nn, 0.0);
    if (kk >= 0) {
        for (i64 i = 1; i <= nn - kk; ++i) el(a, nn, i, i + kk) = 1.0;
    } else {
        for (i64 i = 1; i <= nn + kk; ++i) el(a, nn, i - kk, i) = 1.0;
    }
}

void GetIndexVector(int* a, const int* n) {
    for (int i = 1; i <= *n; ++i) a[i - 1] = i;
}

void Linspace(double* x, const double* a, const double* b, const int* n, const int* endpoint) {
    const int nn = *n;
    if (nn < 1) return;
    const bool ep = endpoint ? *endpoint != 0 : true;
    if (ep && nn == 1) {
        x[0] = *a;
        return;
    }
    const double h = (*b - *a) / (ep ? nn - 1 : nn);
    for (int i = 1; i <= nn; ++i) x[i - 1] = *a + (i - 1) * h;
}

// --- Triangles -----------------------------------------------------------------------------------

void GetTriangularMatrix(double* lu, const double* a, const int* n, const int* luflag) {
    const i64 nn = *n;
    if (nn < 1) return;
    const bool upper = luflag ? *luflag != 0 : false;
    tvk::fill_n(lu, nn * nn, 0.0);
    for (i64 j = 1; j <= nn; ++j)
        for (i64 i = 1; i <= nn; ++i)
            if (upper ? i <= j : i >= j) el(lu, nn, i, j) = el(a, nn, i, j);
}

void Symmetrize(const double* lu, double* sym, const int* n) {
    const i64 nn = *n;
    if (nn < 1) return;
    if (lu == sym) {
        // In place: an entry that is 0 takes its mirror, which the mirror's own visit keeps.
        for (i64 j = 1; j <= nn; ++j)
            for (i64 i = 1; i <= nn; ++i)
                if (el(sym, nn, i, j) == 0.0) el(sym, nn, i, j) = el(sym, nn, j, i);
        return;
    }
    for (i64 j = 1; j <= nn; ++j)
        for (i64 i = 1; i <= nn; ++i) {
            const double v = el(lu, nn, i, j);
            el(sym, nn, i, j) = v == 0.0 ? el(lu, nn, j, i) : v;
        }
}

void GetUnpackedTriangle(double* lu, const double* packed, const int* nlu, const int* np, const char* order,
                         const int* upper, std::size_t order_len) {
    const i64 n = *nlu;
    if (n < 1) return;
    const i64 avail = np ? *np : n * (n + 1) / 2;
    const bool up = upper ? *upper != 0 : false;
    const bool colorder = order_len >= 1 && order[0] == 'F';
    // U is the column-packed upper triangle; the lower-triangle layouts are its transpose.
    const bool transpose = up != colorder;
    tvk::fill_n(lu, n * n, 0.0);
    i64 k = 0;
    for (i64 j = 1; j <= n; ++j)
        for (i64 i = 1; i <= j; ++i, ++k) {
            if (k >= avail) return;
            if (transpose) el(lu, n, j, i) = packed[k];
            else el(lu, n, i, j) = packed[k];
        }
}

void FillMatrixOffDiagonals(double* a, const double* x, const int* n, const int* k) {
    const i64 nn = *n;
    const i64 nx = *k;
    if (nn < 1) return;
    i64 p = 0;
    for (i64 j = 1; j <= nn; ++j)
        for (i64 i = j + 1; i <= nn; ++i) {
            if (p >= nx) return;
            el(a, nn, i, j) = x[p++];
        }
    // One triangle's worth of values (the count is compared as a truncated double, as the
    // routine has always done) stops here; otherwise the upper triangle follows row by row.
    if (nx == static_cast<i64>((static_cast<double>(nn) * nn - nn) / 2.0)) return;
    for (i64 i = 1; i <= nn; ++i)
        for (i64 j = i + 1; j <= nn; ++j) {
            if (p >= nx) return;
            el(a, nn, i, j) = x[p++];
        }
}

// --- Concatenation, splitting, windows, flips --------------------------------------------------

void MatrixConcatenation(const double* a, const double* b, double* ab, const int* ctype, const int* k,
                         const int* l, const int* m, const int* n) {
    const i64 kk = *k, ll = *l, mm = *m, nn = *n, ct = *ctype;
    const i64 rows = std::max<i64>(kk + ct * mm, 0);
    const i64 cols = std::max<i64>(ll + (1 - ct) * nn, 0);
    if (rows < 1 || cols < 1) return;
    tvk::fill_n(ab, rows * cols, 0.0);
    if (ct != 0 && ct != 1) return;
    if (kk < 0 || ll < 0 || mm < 0 || nn < 0) return;
    // b must fit beside (ctype 0) or below (ctype 1) a; otherwise the call is refused and ab
    // stays all zero.
    if ((ct == 0 && mm > kk) || (ct == 1 && nn > ll)) {
        tvk::report(-3, "MatrixConcatenation: b does not fit beside or below a", static_cast<int>(ct == 0 ? mm : nn),
                    static_cast<int>(ct == 0 ? kk : ll));
        return;
    }
    for (i64 j = 1; j <= ll; ++j)
        for (i64 i = 1; i <= kk; ++i) el(ab, rows, i, j) = el(a, kk, i, j);
    const i64 roff = ct == 1 ? kk : 0, coff = ct == 0 ? ll : 0;
    for (i64 j = 1; j <= nn; ++j)
        for (i64 i = 1; i <= mm; ++i) el(ab, rows, roff + i, coff + j) = el(b, mm, i, j);
}

void VectorSplit(const double* a, double* b, const int* k, const int* n) {
    const i64 kk = *k, nn = *n;
    if (kk < 1 || nn < 1) return;
    const i64 rows = nn / kk;
    tvk::fill_n(b, rows * kk, -1.0);
    if (nn % kk != 0) return;
    tvk::vector_copy(a, b, nn);  // column j of b is exactly block j of a
}

void MatrixSplit(const double* a, double* b, const int* k, const int* l, const int* m) {
    const i64 kk = *k, ll = *l, mm = *m;
    if (kk < 1 || ll < 1 || mm < 1) return;
    const i64 rows = ll / kk;
    tvk::fill_n(b, rows * mm * kk, -1.0);
    if (ll % kk != 0) return;
    for (i64 j = 0; j < kk; ++j)
        for (i64 c = 0; c < mm; ++c)
            tvk::vector_copy(a + c * ll + j * rows, b + (j * mm + c) * rows, rows);
}

void GetSubArray(double* subarray, int* subslice, const double* array, const int* narray, const int* nsub,
                 const int* tail) {
    const int na = *narray, ns = *nsub;
    if (ns < 1) return;
    if (ns > na) {
        subslice[0] = subslice[1] = -1;
        tvk::fill_n(subarray, ns, 1.0);
        return;
    }
    const bool last = tail ? *tail != 0 : true;
    const int first = last ? na - ns + 1 : 1;
    subslice[0] = first;
    subslice[1] = first + ns - 1;
    tvk::vector_copy(array + (first - 1), subarray, ns);
}

void VectorFlip(const double* a, double* b, const int* n) {
    const i64 nn = *n;
    if (nn < 1) return;
    if (a == b) {
        std::reverse(b, b + nn);
        return;
    }
    for (i64 i = 0; i < nn; ++i) b[i] = a[nn - 1 - i];
}

void MatrixFlip(const double* a, double* b, const int* n, const int* m, const int* dimflag) {
    const i64 nn = *n, mm = *m;
    if (nn < 1 || mm < 1) return;
    std::vector<double> tmp;
    if (a == b) {
        tmp.assign(a, a + nn * mm);
        a = tmp.data();
    }
    if (*dimflag < 0) {
        for (i64 j = 1; j <= mm; ++j)
            for (i64 i = 1; i <= nn; ++i) el(b, nn, i, j) = el(a, nn, i, mm + 1 - j);
    } else {
        for (i64 j = 1; j <= mm; ++j)
            for (i64 i = 1; i <= nn; ++i) el(b, nn, i, j) = el(a, nn, nn + 1 - i, j);
    }
}

// --- Packed list -----------------------------------------------------------------------------------

void GetPackedList(double* packed, const double* list, const double* condition, const double* padding,
                   const int* cflag, const int* npack, const int* nlist) {
    const int np = *npack, nl = *nlist;
    const double c = *condition;
    if (np >= 1) tvk::fill_n(packed, np, *padding);
    const int flag = *cflag;
    if (flag < 1 || flag > 6) return;
    // IEEE comparisons already give the rule for values that are not numbers: false for every
    // comparison except "differs", which is true.
    auto pass = [flag, c](double v) {
        switch (flag) {
            case 1: return v < c;
            case 2: return v <= c;
            case 3: return v == c;
            case 4: return v >= c;
            case 5: return v > c;
            default: return v != c;
        }
    };
    int count = 0;
    for (int i = 0; i < nl; ++i)
        if (pass(list[i])) ++count;
    if (count > np) return;
    int p = 0;
    for (int i = 0; i < nl; ++i)
        if (pass(list[i])) packed[p++] = list[i];
}
