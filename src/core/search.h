// Array search, ordering, set and logical helpers of the `utility` module, and the process
// arrival register over jobdata.processid.
//
// Positions are 1-based; the not-found position is -1 unless the caller passes another
// `notfound`. Equality of reals is exact IEEE equality, so a value that is not a number equals
// nothing; complex values are equal when both parts are. Logical arguments and results of this
// module are one-byte flags (tvk::logical1, 0 or 1). Nothing reports into the error record.
#pragma once

#include <cstdint>

#include "tvk.h"

namespace tvk {

// First i in 1..n with a[i] == v, or nf.
template <class T>
inline int find_location(const T& v, const T* a, int n, int nf = notfound) {
    for (int i = 0; i < n; ++i)
        if (a[i] == v) return i + 1;
    return nf;
}

// First p in 1..n - ns + 1 at which sub(1:ns) stands in a; 1 for an empty sub (ns < 1) that
// fits; nf when n < ns or there is no such p.
template <class T>
inline int find_subarray(const T* sub, const T* a, int ns, int n, int nf = notfound) {
    if (n < ns) return nf;
    if (ns < 1) return 1;
    for (int p = 0; p + ns <= n; ++p) {
        int i = 0;
        while (i < ns && a[p + i] == sub[i]) ++i;
        if (i == ns) return p + 1;
    }
    return nf;
}

template <class T>
inline bool in_list(const T& v, const T* a, int n) {
    return find_location(v, a, n) != notfound;
}

// True when every a(1..n) equals v (true for n < 1).
template <class T>
inline bool ex_list(const T& v, const T* a, int n) {
    for (int i = 0; i < n; ++i)
        if (!(a[i] == v)) return false;
    return true;
}

}  // namespace tvk

// --- Searches ----------------------------------------------------------------------------------
TVK_API int iFindLocation(const int* element, const int* array, const int* ndim, const int* notfound);
TVK_API int fFindLocation(const double* element, const double* array, const int* ndim, const int* notfound);
TVK_API int cFindLocation(const tvk::cplx* element, const tvk::cplx* array, const int* ndim,
                          const int* notfound);
TVK_API int iFindSubArray(const int* subarray, const int* array, const int* sdim, const int* ndim,
                          const int* notfound);
TVK_API int fFindSubArray(const double* subarray, const double* array, const int* sdim, const int* ndim,
                          const int* notfound);
TVK_API int cFindSubArray(const tvk::cplx* subarray, const tvk::cplx* array, const int* sdim,
                          const int* ndim, const int* notfound);

// --- Pairing and exclusion ---------------------------------------------------------------------
// ainb(i) = position of a(i) among b(1:n), -1 when absent.
TVK_API void iGetPairs(int* ainb, const int* a, const int* b, const int* n);
TVK_API void fGetPairs(int* ainb, const double* a, const double* b, const int* n);
// indices(1:n) = -1, then the ascending positions i whose a(i) is none of sub(1:nsub).
TVK_API void GetIndicesExcludingSubArray(int* indices, const int* a, const int* sub, const int* n,
                                         const int* nsub);

// --- Membership ------------------------------------------------------------------------------
TVK_API tvk::logical1 iInList(const int* scalar, const int* list, const int* n);
TVK_API tvk::logical1 fInList(const double* scalar, const double* list, const int* n);
TVK_API tvk::logical1 iExList(const int* scalar, const int* list, const int* n);
TVK_API tvk::logical1 fExList(const double* scalar, const double* list, const int* n);

// --- Union, ordering, scatter ------------------------------------------------------------------
// Union of x(1:nx) and y(1:ny) into merged(1:nx + ny): the values of each list absent from the
// other (in order, repeats kept), then each value common to both once, then a genuine 0 once;
// the rest is defval (default tvk::huge, resp. tvk::defint).
TVK_API void fGetMerged(double* merged, const double* x, const double* y, const int* nx, const int* ny,
                        const double* defval);
TVK_API void iGetMerged(int* merged, const int* x, const int* y, const int* nx, const int* ny,
                        const int* defval);
// iloc = the stable permutation ordering xarr ascending (sflag != -1) or descending (sflag -1).
TVK_API void fGetContinuous(const double* xarr, const int* xdim, int* iloc, const int* sflag);
TVK_API void iGetContinuous(const int* xarr, const int* xdim, int* iloc, const int* sflag);
// Scatter a(mask(i)) = b(i), i = 1..n; a is followed by its length na. Mask entries outside
// 1..na are skipped and reported (level -2, the first of them).
TVK_API void VectorSort(double* a, const int* na, const double* b, const int* mask, const int* n);
// Scatter of columns a(1:m, mask(i)) = b(1:m, i); a (ma x na) is followed by its extents. Mask
// entries outside 1..na are skipped and reported as in VectorSort.
TVK_API void MatrixSort(double* a, const int* ma, const int* na, const double* b, const int* mask,
                        const int* m, const int* n);

// --- Scalars and logicals ----------------------------------------------------------------------
TVK_API tvk::logical1 iBounded(const int* x, const int* xlow, const int* xup);
TVK_API tvk::logical1 fBounded(const double* x, const double* xlow, const double* xup);
TVK_API void iSwap(int* a, int* b);
TVK_API void fSwap(double* a, double* b);
TVK_API void cSwap(tvk::cplx* a, tvk::cplx* b);
// i = i + step (default 1). A sum beyond the range of int leaves i as it is, with a level -2
// report.
TVK_API void iINC(int* i, const int* step);
TVK_API void fINC(double* f, const double* step);
TVK_API tvk::logical1 lXOR(const tvk::logical1* a, const tvk::logical1* b);
TVK_API tvk::logical1 lNOR(const tvk::logical1* a, const tvk::logical1* b);
TVK_API tvk::logical1 lNAND(const tvk::logical1* a, const tvk::logical1* b);

// --- Arrival register ----------------------------------------------------------------------------
// Marks the arrival of procid in jobdata.processid ((re)created with maxid slots, slot k holding
// k); true when every slot has arrived. Never waits (wflag is accepted and ignored).
TVK_API tvk::logical1 ProcessLock(const int* procid, const int* maxid, const tvk::logical1* wflag);
// Refills the register (slot k = k); ierror = 0.
TVK_API void ProcessUnLock(int* ierror);
