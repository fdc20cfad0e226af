// Growable lists (`listhandling`): nine process-wide one-based lists, three of each element type,
// into which values are appended one at a time without knowing the final count.
//
// A list is addressed by listid (1, 2, 3) and ifflag, its element type (0 int, 1 double,
// 2 complex). A slot that holds no value contains the type's marker: tvk::defint, tvk::huge, or
// tvk::huge in both parts. The filled part is the run of slots before the first marker; an
// append stores into the first free slot, and a full list grows by `allocinc` slots (default
// 500). The lists are tvk::Table objects, so a Python view of a list taken before it grows or
// is released keeps valid memory (it then no longer follows the list).
//
// Statuses: AllocateList 0 or 5014 (present already, or the memory could not be had);
// DeallocateList 0 or 1 (absent); GetCopyOfList 0 or -1 (absent); appends 1 (stored),
// 0 (present already, or the list's free value, which no slot can hold: nothing stored, a
// level -2 report) or -5014 (the list could not be created or grown; it keeps its values). A listid or ifflag outside its range selects no list: it is reported as a
// list that is absent or cannot be created.
#pragma once

#include "table.h"
#include "tvk.h"

namespace tvk {

struct Lists {
    Table<int, 1> dynintlist1, dynintlist2, dynintlist3;
    Table<double, 1> dynreallist1, dynreallist2, dynreallist3;
    Table<cplx, 1> dyncmplxlist1, dyncmplxlist2, dyncmplxlist3;
};
extern Lists listhandling TVK_HOST_API("tvk_listhandling");

inline constexpr int list_status_nomem = 5014;
inline constexpr int list_default_allocinc = 500;
inline constexpr cplx cmplx_marker{huge, huge};

}  // namespace tvk

TVK_API void AllocateList(const int* listid, const int* ifflag, const int* le, int* ierror,
                          const tvk::cplx* defcmplx, const double* defreal, const int* defint);
TVK_API void DeallocateList(const int* listid, const int* ifflag, int* ierror);
// checkid (logical): the list exists.
TVK_API void GetAllocationStatus(int* checkid, const int* listid, const int* ifflag);
// Filled slots: position of the first marker minus 1, the full length without a marker, -1 for
// a list that does not exist.
TVK_API int GetSizeOfList(const int* listid, const int* ifflag, const tvk::cplx* defcmplx,
                          const double* defreal, const int* defint);

TVK_API void iAppendScalar2List(const int* listid, const int* scalar, const int* uniflag, int* iresult,
                                const int* allocinc, const int* defval);
TVK_API void fAppendScalar2List(const int* listid, const double* scalar, const int* uniflag, int* iresult,
                                const int* allocinc, const double* defval);
TVK_API void cAppendScalar2List(const int* listid, const tvk::cplx* scalar, const int* uniflag, int* iresult,
                                const int* allocinc, const tvk::cplx* defval);

TVK_API void iAppendArray2List(const int* listid, const int* array, const int* narray, const int* uniflag,
                               int* iresult, const int* allocinc, const int* defval);
TVK_API void fAppendArray2List(const int* listid, const double* array, const int* narray, const int* uniflag,
                               int* iresult, const int* allocinc, const double* defval);
TVK_API void cAppendArray2List(const int* listid, const tvk::cplx* array, const int* narray,
                               const int* uniflag, int* iresult, const int* allocinc, const tvk::cplx* defval);

// copy(1:ncopy) = list(1:ncopy), at most the list's length; ierror 0, or -1 when it is absent.
TVK_API void iGetCopyOfList(const int* listid, int* copy, const int* ncopy, int* ierror);
TVK_API void fGetCopyOfList(const int* listid, double* copy, const int* ncopy, int* ierror);
TVK_API void cGetCopyOfList(const int* listid, tvk::cplx* copy, const int* ncopy, int* ierror);
