#include "search.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <type_traits>
#include <vector>

#include "errors.h"
#include "modeldata.h"

namespace {

using tvk::cplx;
using tvk::logical1;

template <class T>
int find_location_opt(const T* element, const T* array, const int* ndim, const int* notfound) {
    return tvk::find_location(*element, array, *ndim, notfound ? *notfound : tvk::notfound);
}

template <class T>
int find_subarray_opt(const T* sub, const T* array, const int* sdim, const int* ndim, const int* notfound) {
    return tvk::find_subarray(sub, array, *sdim, *ndim, notfound ? *notfound : tvk::notfound);
}

template <class T>
void get_pairs(int* ainb, const T* a, const T* b, int n) {
    for (int i = 0; i < n; ++i) ainb[i] = tvk::find_location(a[i], b, n);
}

// Union of two lists; the empty mark e (0) stands for a free entry of the work list.
//   1. w = the x values absent from y, then the y values absent from x (repeats kept), rest e.
//   2. each x value not yet in w takes the first free entry (so common values enter once);
//      when no free entry is left (possible only when the lists hold e or values that are not
//      numbers) the value is dropped instead of written past the end.
//   3. free entries become defval; a genuine 0 of either list comes back once, into the first
//      defval entry.
template <class T>
void get_merged(T* merged, const T* x, const T* y, int nx, int ny, T defval) {
    // A negative count is an empty list; the caller sizes merged from the counts so clamped.
    nx = std::max(nx, 0);
    ny = std::max(ny, 0);
    if (nx > INT_MAX - ny) {
        tvk::report(-3, "Merged list longer than a 4-byte count in GetMerged", nx, ny);
        return;
    }
    const int nm = nx + ny;
    if (nm < 1) return;
    const T e{};
    std::vector<T> w(static_cast<std::size_t>(nm), e);
    int c = 0;
    for (int i = 0; i < nx; ++i)
        if (!tvk::in_list(x[i], y, ny)) w[c++] = x[i];
    for (int j = 0; j < ny; ++j)
        if (!tvk::in_list(y[j], x, nx)) w[c++] = y[j];
    std::copy(w.begin(), w.end(), merged);
    for (int i = 0; i < nx; ++i) {
        if (tvk::in_list(x[i], merged, nm)) continue;
        const int p = tvk::find_location(e, merged, nm);
        if (p != tvk::notfound) merged[p - 1] = x[i];
    }
    for (int k = 0; k < nm; ++k)
        if (merged[k] == e) merged[k] = defval;
    if (tvk::in_list(e, x, nx) || tvk::in_list(e, y, ny)) {
        const int p = tvk::find_location(defval, merged, nm);
        if (p != tvk::notfound) merged[p - 1] = e;
    }
}

// Stable ordering permutation. Equal values keep their input order in both directions; values
// that are not numbers never win a comparison, so they come last in input order.
template <class T>
void get_continuous(const T* xarr, int n, int* iloc, int sflag) {
    if (n < 1) return;
    std::vector<int> idx(static_cast<std::size_t>(n));
    std::iota(idx.begin(), idx.end(), 0);
    const bool desc = sflag == -1;
    auto before = [&](int p, int q) {
        const T a = xarr[p], b = xarr[q];
        if constexpr (std::is_floating_point_v<T>) {
            if (std::isnan(a)) return false;
            if (std::isnan(b)) return true;
        }
        return desc ? a > b : a < b;
    };
    std::stable_sort(idx.begin(), idx.end(), before);
    for (int k = 0; k < n; ++k) iloc[k] = idx[k] + 1;
}

template <class T>
void swap_values(T* a, T* b) {
    const T t = *a;
    *a = *b;
    *b = t;
}

inline logical1 flag(bool v) { return v ? 1 : 0; }

}  // namespace

// --- Searches --------------------------------------------------------------------------------------

int iFindLocation(const int* element, const int* array, const int* ndim, const int* notfound) {
    return find_location_opt(element, array, ndim, notfound);
}
int fFindLocation(const double* element, const double* array, const int* ndim, const int* notfound) {
    return find_location_opt(element, array, ndim, notfound);
}
int cFindLocation(const cplx* element, const cplx* array, const int* ndim, const int* notfound) {
    return find_location_opt(element, array, ndim, notfound);
}
int iFindSubArray(const int* subarray, const int* array, const int* sdim, const int* ndim, const int* notfound) {
    return find_subarray_opt(subarray, array, sdim, ndim, notfound);
}
int fFindSubArray(const double* subarray, const double* array, const int* sdim, const int* ndim,
                  const int* notfound) {
    return find_subarray_opt(subarray, array, sdim, ndim, notfound);
}
int cFindSubArray(const cplx* subarray, const cplx* array, const int* sdim, const int* ndim, const int* notfound) {
    return find_subarray_opt(subarray, array, sdim, ndim, notfound);
}

// --- Pairing and exclusion ---------------------------------------------------------------------------

void iGetPairs(int* ainb, const int* a, const int* b, const int* n) { get_pairs(ainb, a, b, *n); }
void fGetPairs(int* ainb, const double* a, const double* b, const int* n) { get_pairs(ainb, a, b, *n); }

void GetIndicesExcludingSubArray(int* indices, const int* a, const int* sub, const int* n, const int* nsub) {
    const int nn = *n;
    if (nn < 1) return;
    std::fill(indices, indices + nn, -1);
    int c = 0;
    for (int i = 0; i < nn; ++i)
        if (!tvk::in_list(a[i], sub, *nsub)) indices[c++] = i + 1;
}

// --- Membership ----------------------------------------------------------------------------------------

logical1 iInList(const int* scalar, const int* list, const int* n) { return flag(tvk::in_list(*scalar, list, *n)); }
logical1 fInList(const double* scalar, const double* list, const int* n) {
    return flag(tvk::in_list(*scalar, list, *n));
}
logical1 iExList(const int* scalar, const int* list, const int* n) { return flag(tvk::ex_list(*scalar, list, *n)); }
logical1 fExList(const double* scalar, const double* list, const int* n) {
    return flag(tvk::ex_list(*scalar, list, *n));
}

// --- Union, ordering, scatter ----------------------------------------------------------------------------

void fGetMerged(double* merged, const double* x, const double* y, const int* nx, const int* ny,
                const double* defval) {
    get_merged(merged, x, y, *nx, *ny, defval ? *defval : tvk::huge);
}
void iGetMerged(int* merged, const int* x, const int* y, const int* nx, const int* ny, const int* defval) {
    get_merged(merged, x, y, *nx, *ny, defval ? *defval : tvk::defint);
}

void fGetContinuous(const double* xarr, const int* xdim, int* iloc, const int* sflag) {
    get_continuous(xarr, *xdim, iloc, *sflag);
}
void iGetContinuous(const int* xarr, const int* xdim, int* iloc, const int* sflag) {
    get_continuous(xarr, *xdim, iloc, *sflag);
}

namespace {
// The report of the first mask entry of a scatter that names no position of the target.
void report_mask(std::string_view msg, int i, int entry) { tvk::report(-2, msg, i + 1, entry); }
}  // namespace

void VectorSort(double* a, const int* na, const double* b, const int* mask, const int* n) {
    int skipped = -1;
    for (int i = 0; i < *n; ++i) {
        if (mask[i] >= 1 && mask[i] <= *na) a[mask[i] - 1] = b[i];
        else if (skipped < 0) skipped = i;
    }
    if (skipped >= 0) report_mask("VectorSort: mask entry outside the target skipped", skipped, mask[skipped]);
}

void MatrixSort(double* a, const int* ma, const int* na, const double* b, const int* mask, const int* m,
                const int* n) {
    const std::int64_t lda = *ma, rows = std::min(*m, *ma), ldb = *m;
    if (rows < 1) return;
    int skipped = -1;
    for (int i = 0; i < *n; ++i) {
        const int c = mask[i];
        if (c < 1 || c > *na) {
            if (skipped < 0) skipped = i;
            continue;
        }
        std::copy(b + i * ldb, b + i * ldb + rows, a + (c - 1) * lda);
    }
    if (skipped >= 0) report_mask("MatrixSort: mask entry outside the target skipped", skipped, mask[skipped]);
}

// --- Scalars and logicals --------------------------------------------------------------------------------

logical1 iBounded(const int* x, const int* xlow, const int* xup) { return flag(*xlow <= *x && *x <= *xup); }
logical1 fBounded(const double* x, const double* xlow, const double* xup) {
    return flag(*xlow <= *x && *x <= *xup);
}
void iSwap(int* a, int* b) { swap_values(a, b); }
void fSwap(double* a, double* b) { swap_values(a, b); }
void cSwap(cplx* a, cplx* b) { swap_values(a, b); }

void iINC(int* i, const int* step) {
    const int s = step ? *step : 1;
    int sum = 0;
    if (__builtin_add_overflow(*i, s, &sum)) {
        tvk::report(-2, "int_inc: the sum leaves the range of int, value kept", *i, s);
        return;
    }
    *i = sum;
}
void fINC(double* f, const double* step) { *f += step ? *step : 1.0; }

logical1 lXOR(const logical1* a, const logical1* b) { return flag((*a != 0) != (*b != 0)); }
logical1 lNOR(const logical1* a, const logical1* b) { return flag(!(*a != 0 || *b != 0)); }
logical1 lNAND(const logical1* a, const logical1* b) { return flag(lNOR(a, b) || lXOR(a, b)); }

// --- Arrival register ----------------------------------------------------------------------------------

logical1 ProcessLock(const int* procid, const int* maxid, const logical1* wflag) {
    (void)wflag;  // the register never waits, whatever the caller asks
    tvk::Table<int, 1>& reg = tvk::jobdata.processid;
    const int nslots = std::max(*maxid, 0);
    if (!reg.present() || reg.extent(1) != *maxid) {
        reg.allocate({nslots});
        int* s = reg.data();
        for (int k = 0; k < nslots; ++k) s[k] = k + 1;
    }
    // -1 marks an arrived slot; it is never an id, so it cannot arrive a second time.
    const int n = reg.extent(1);
    int* s = reg.data();
    if (*procid == -1) return 0;
    const int p = tvk::find_location(*procid, s, n);
    if (p == tvk::notfound) return 0;
    s[p - 1] = -1;
    return flag(tvk::ex_list(-1, s, n));
}

void ProcessUnLock(int* ierror) {
    *ierror = -1;
    tvk::Table<int, 1>& reg = tvk::jobdata.processid;
    if (reg.present()) {
        int* s = reg.data();
        for (int k = 0, n = reg.extent(1); k < n; ++k) s[k] = k + 1;
    }
    *ierror = 0;
}
