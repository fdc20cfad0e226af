#include "lists.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <type_traits>

#include "errors.h"
#include "search.h"

namespace tvk {
Lists listhandling;
}

namespace {

using tvk::cplx;
using tvk::Table;


template <class T> constexpr T marker();
template <> constexpr int marker<int>() { return tvk::defint; }
template <> constexpr double marker<double>() { return tvk::huge; }
template <> constexpr cplx marker<cplx>() { return tvk::cmplx_marker; }

// The list of element type T with the given id, or nullptr.
template <class T>
Table<T, 1>* select(int listid) {
    tvk::Lists& L = tvk::listhandling;
    if constexpr (std::is_same_v<T, int>) {
        Table<int, 1>* t[] = {&L.dynintlist1, &L.dynintlist2, &L.dynintlist3};
        return listid >= 1 && listid <= 3 ? t[listid - 1] : nullptr;
    } else if constexpr (std::is_same_v<T, double>) {
        Table<double, 1>* t[] = {&L.dynreallist1, &L.dynreallist2, &L.dynreallist3};
        return listid >= 1 && listid <= 3 ? t[listid - 1] : nullptr;
    } else {
        Table<cplx, 1>* t[] = {&L.dyncmplxlist1, &L.dyncmplxlist2, &L.dyncmplxlist3};
        return listid >= 1 && listid <= 3 ? t[listid - 1] : nullptr;
    }
}

// Table of any type selected by (listid, ifflag); nullptr when either is out of range.
tvk::TableBase* select_any(int listid, int ifflag) {
    switch (ifflag) {
        case 0: return select<int>(listid);
        case 1: return select<double>(listid);
        case 2: return select<cplx>(listid);
        default: return nullptr;
    }
}

// Replaces the list by a new one of n slots holding the marker, with the first `keep` values of
// the old list copied over. The old storage is only dropped once the new one exists. Returns
// false when the memory cannot be had (the list is then unchanged).
template <class T>
bool rebuild(Table<T, 1>& t, std::int64_t n, std::int64_t keep, T fill) {
    tvk::Block* b = nullptr;
    try {
        b = tvk::block_new(n, sizeof(T), tvk::AllocFailure::throw_bad_alloc);
    } catch (const std::bad_alloc&) {
        return false;
    }
    T* d = reinterpret_cast<T*>(b->data);
    std::fill(d, d + n, fill);
    keep = std::min({keep, n, static_cast<std::int64_t>(t.extent(1))});
    if (keep > 0) std::copy(t.data(), t.data() + keep, d);
    const std::int64_t ext[1] = {n};
    t.adopt(b, ext);
    return true;
}

template <class T>
int allocate_list(Table<T, 1>& t, int le, T fill) {
    int status = 0;
    if (t.present()) status = tvk::list_status_nomem;
    else if (!rebuild(t, std::max(le, 0), 0, fill)) return tvk::list_status_nomem;
    t.fill(fill);
    return status;
}

template <class T>
int size_of(const Table<T, 1>& t, T mark) {
    if (!t.present()) return -1;
    const int n = t.extent(1);
    const int p = tvk::find_location(mark, t.data(), n);
    return p == tvk::notfound ? n : p - 1;
}

// A value equal to the list's free value would read as a free slot wherever it went, so it is
// lost: it is not stored (status 0, nothing stored) and is reported.
void report_free_value(int listid) {
    tvk::report(-2, "AppendList: the value is the list's free value and cannot be stored", listid);
}

template <class T>
int append_scalar(int listid, const T& v, int uniflag, const int* allocinc, const T* defval) {
    const int inc = std::max(allocinc ? *allocinc : tvk::list_default_allocinc, 1);
    const T free = defval ? *defval : marker<T>();
    Table<T, 1>* t = select<T>(listid);
    if (!t) return -tvk::list_status_nomem;
    if (!t->present() && allocate_list(*t, inc, marker<T>()) != 0) return -tvk::list_status_nomem;
    if (v == free) {
        report_free_value(listid);
        return 0;
    }
    const int n = t->extent(1);
    if (uniflag == 1 && tvk::in_list(v, t->data(), n)) return 0;
    const int p = tvk::find_location(free, t->data(), n);
    if (p != tvk::notfound) {
        t->data()[p - 1] = v;
        return 1;
    }
    // Full: grow by allocinc slots, keeping the n values in place.
    const std::int64_t grown = static_cast<std::int64_t>(n) + inc;
    if (grown > INT_MAX || !rebuild(*t, grown, n, marker<T>())) return -tvk::list_status_nomem;
    t->data()[n] = v;
    return 1;
}

template <class T>
int append_array(int listid, const T* a, int na, int uniflag, const int* allocinc, const T* defval) {
    const int inc = std::max(allocinc ? *allocinc : tvk::list_default_allocinc, 1);
    const T free = defval ? *defval : marker<T>();
    Table<T, 1>* t = select<T>(listid);
    if (!t) return -tvk::list_status_nomem;
    if (!t->present() && allocate_list(*t, inc, marker<T>()) != 0) return -tvk::list_status_nomem;
    if (uniflag == 1) {
        const int filled = size_of(*t, free);
        if (tvk::find_subarray(a, t->data(), na, filled) != tvk::notfound) return 0;
    }
    // The values go one after the other into the first free slot, the list growing by allocinc
    // slots whenever it is full, exactly as repeated scalar appends would place them. The slots
    // before the last one written hold no free value, so the search for the next free slot
    // resumes there instead of starting over (linear instead of quadratic in na). When the new
    // slots count as free (the marker is the free value), all the growth the remaining values
    // need is made at once: the same extent and contents as growing allocinc slots at a time.
    // Those values need one slot each; a value equal to the free value is not stored (as in the
    // scalar append: reported, status 0).
    const bool marker_is_free = marker<T>() == free;
    const auto slots_needed = [&](int i) {
        std::int64_t k = 0;
        for (int j = i; j < na; ++j) k += !(a[j] == free);
        return k;
    };
    int r = 0;
    std::int64_t from = 0;
    bool reported = false;
    for (int i = 0; i < na; ++i) {
        if (a[i] == free) {
            if (!reported) report_free_value(listid);
            reported = true;
            r = 0;
            continue;
        }
        const int n = t->extent(1);
        const int p = from < n ? tvk::find_location(free, t->data() + from, static_cast<int>(n - from)) : tvk::notfound;
        if (p != tvk::notfound) {
            from += p - 1;
            t->data()[from] = a[i];
            r = 1;
            continue;
        }
        const std::int64_t blocks = marker_is_free ? (slots_needed(i) + inc - 1) / inc : 1;
        std::int64_t grown = static_cast<std::int64_t>(n) + blocks * inc;
        bool ok = grown <= INT_MAX && rebuild(*t, grown, n, marker<T>());
        if (!ok && blocks > 1) {
            grown = static_cast<std::int64_t>(n) + inc;
            ok = grown <= INT_MAX && rebuild(*t, grown, n, marker<T>());
        }
        if (!ok) {
            r = -tvk::list_status_nomem;
            continue;
        }
        from = n;
        t->data()[from] = a[i];
        r = 1;
    }
    return r;
}

template <class T>
int copy_of(int listid, T* copy, int ncopy) {
    Table<T, 1>* t = select<T>(listid);
    if (!t || !t->present()) return -1;
    const int n = std::min(ncopy, t->extent(1));
    if (n > 0) std::copy(t->data(), t->data() + n, copy);
    return 0;
}

}  // namespace

void AllocateList(const int* listid, const int* ifflag, const int* le, int* ierror, const cplx* defcmplx,
                  const double* defreal, const int* defint) {
    switch (*ifflag) {
        case 0:
            if (auto* t = select<int>(*listid)) {
                *ierror = allocate_list(*t, *le, defint ? *defint : marker<int>());
                return;
            }
            break;
        case 1:
            if (auto* t = select<double>(*listid)) {
                *ierror = allocate_list(*t, *le, defreal ? *defreal : marker<double>());
                return;
            }
            break;
        case 2:
            if (auto* t = select<cplx>(*listid)) {
                *ierror = allocate_list(*t, *le, defcmplx ? *defcmplx : marker<cplx>());
                return;
            }
            break;
    }
    *ierror = tvk::list_status_nomem;  // no such list: it cannot be created
}

void DeallocateList(const int* listid, const int* ifflag, int* ierror) {
    tvk::TableBase* t = select_any(*listid, *ifflag);
    if (!t || !t->present()) {
        *ierror = 1;
        return;
    }
    t->release();
    *ierror = 0;
}

void GetAllocationStatus(int* checkid, const int* listid, const int* ifflag) {
    tvk::TableBase* t = select_any(*listid, *ifflag);
    *checkid = t && t->present() ? 1 : 0;
}

int GetSizeOfList(const int* listid, const int* ifflag, const cplx* defcmplx, const double* defreal,
                  const int* defint) {
    switch (*ifflag) {
        case 0:
            if (auto* t = select<int>(*listid)) return size_of(*t, defint ? *defint : marker<int>());
            break;
        case 1:
            if (auto* t = select<double>(*listid)) return size_of(*t, defreal ? *defreal : marker<double>());
            break;
        case 2:
            if (auto* t = select<cplx>(*listid)) return size_of(*t, defcmplx ? *defcmplx : marker<cplx>());
            break;
    }
    return -1;
}

void iAppendScalar2List(const int* listid, const int* scalar, const int* uniflag, int* iresult, const int* allocinc,
                        const int* defval) {
    *iresult = append_scalar(*listid, *scalar, *uniflag, allocinc, defval);
}
void fAppendScalar2List(const int* listid, const double* scalar, const int* uniflag, int* iresult,
                        const int* allocinc, const double* defval) {
    *iresult = append_scalar(*listid, *scalar, *uniflag, allocinc, defval);
}
void cAppendScalar2List(const int* listid, const cplx* scalar, const int* uniflag, int* iresult, const int* allocinc,
                        const cplx* defval) {
    *iresult = append_scalar(*listid, *scalar, *uniflag, allocinc, defval);
}

void iAppendArray2List(const int* listid, const int* array, const int* narray, const int* uniflag, int* iresult,
                       const int* allocinc, const int* defval) {
    *iresult = append_array(*listid, array, *narray, *uniflag, allocinc, defval);
}
void fAppendArray2List(const int* listid, const double* array, const int* narray, const int* uniflag,
                       int* iresult, const int* allocinc, const double* defval) {
    *iresult = append_array(*listid, array, *narray, *uniflag, allocinc, defval);
}
void cAppendArray2List(const int* listid, const cplx* array, const int* narray, const int* uniflag, int* iresult,
                       const int* allocinc, const cplx* defval) {
    *iresult = append_array(*listid, array, *narray, *uniflag, allocinc, defval);
}

void iGetCopyOfList(const int* listid, int* copy, const int* ncopy, int* ierror) {
    *ierror = copy_of(*listid, copy, *ncopy);
}
void fGetCopyOfList(const int* listid, double* copy, const int* ncopy, int* ierror) {
    *ierror = copy_of(*listid, copy, *ncopy);
}
void cGetCopyOfList(const int* listid, cplx* copy, const int* ncopy, int* ierror) {
    *ierror = copy_of(*listid, copy, *ncopy);
}
