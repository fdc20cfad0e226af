// Python entry points of the growable lists (namespace `listhandling`) and the nine lists as
// namespace variables (views of their current storage, or None when absent).
#include "engine/bind.h"

#include "core/lists.h"

TVK_TABLE(listhandling, dynintlist1, tvk::listhandling.dynintlist1);
TVK_TABLE(listhandling, dynintlist2, tvk::listhandling.dynintlist2);
TVK_TABLE(listhandling, dynintlist3, tvk::listhandling.dynintlist3);
TVK_TABLE(listhandling, dynreallist1, tvk::listhandling.dynreallist1);
TVK_TABLE(listhandling, dynreallist2, tvk::listhandling.dynreallist2);
TVK_TABLE(listhandling, dynreallist3, tvk::listhandling.dynreallist3);
TVK_TABLE(listhandling, dyncmplxlist1, tvk::listhandling.dyncmplxlist1);
TVK_TABLE(listhandling, dyncmplxlist2, tvk::listhandling.dyncmplxlist2);
TVK_TABLE(listhandling, dyncmplxlist3, tvk::listhandling.dyncmplxlist3);

namespace {

// Signature defaults are real expressions, so an omitted complex marker reaches the routine as
// (huge, 0); the complex lists mark their free slots with huge in both parts. These adapters
// complete it (a caller who passes exactly (huge, 0) gets the marker as well).
const tvk::cplx* complex_marker(const tvk::cplx* z) {
    return z && z->real() == tvk::huge && z->imag() == 0.0 ? &tvk::cmplx_marker : z;
}

void allocatelist_adapter(const int* listid, const int* ifflag, const int* le, int* ierror,
                          const tvk::cplx* defcmplx, const double* defreal, const int* defint) {
    AllocateList(listid, ifflag, le, ierror, complex_marker(defcmplx), defreal, defint);
}
int getsizeoflist_adapter(const int* listid, const int* ifflag, const tvk::cplx* defcmplx,
                          const double* defreal, const int* defint) {
    return GetSizeOfList(listid, ifflag, complex_marker(defcmplx), defreal, defint);
}
void cappendscalar_adapter(const int* listid, const tvk::cplx* scalar, const int* uniflag, int* iresult,
                           const int* allocinc, const tvk::cplx* defval) {
    cAppendScalar2List(listid, scalar, uniflag, iresult, allocinc, complex_marker(defval));
}
void cappendarray_adapter(const int* listid, const tvk::cplx* array, const int* narray, const int* uniflag,
                          int* iresult, const int* allocinc, const tvk::cplx* defval) {
    cAppendArray2List(listid, array, narray, uniflag, iresult, allocinc, complex_marker(defval));
}

}  // namespace

// Registers an adapter under the name and entry point of the library routine it forwards to.
#define TVK_ROUTINE_ADAPTED(ns, pyname, fn, adapter, sig)                                        \
    static const ::tvk::py::RoutineReg TVK_UNIQ(tvk_reg_routine_){                               \
        #ns, #pyname, #fn, sig, ::tvk::py::Thunk<&adapter>::call, ::tvk::py::Thunk<&adapter>::codes(), \
        reinterpret_cast<void*>(&fn)}

#define TVK_MARKERS \
    "defcmplx:c16:opt=1.7976931348623157e308 defreal:f8:opt=1.7976931348623157e308 defint:i4:opt=2147483647"

TVK_ROUTINE_ADAPTED(listhandling, allocatelist, AllocateList, allocatelist_adapter,
                    "listid:i4 ifflag:i4 le:i4 ierror:i4:out " TVK_MARKERS);
TVK_ROUTINE(listhandling, deallocatelist, DeallocateList, "listid:i4 ifflag:i4 ierror:i4:out");
TVK_ROUTINE(listhandling, getallocationstatus, GetAllocationStatus, "checkid:l4:out listid:i4 ifflag:i4");
TVK_ROUTINE_ADAPTED(listhandling, getsizeoflist, GetSizeOfList, getsizeoflist_adapter,
                    "getsizeoflist:i4:ret listid:i4 ifflag:i4 " TVK_MARKERS);

TVK_ROUTINE(listhandling, int_appendscalar2list, iAppendScalar2List,
            "listid:i4 scalar:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 defval:i4:opt=2147483647");
TVK_ROUTINE(listhandling, real_appendscalar2list, fAppendScalar2List,
            "listid:i4 scalar:f8 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:f8:opt=1.7976931348623157e308");
TVK_ROUTINE_ADAPTED(listhandling, cmplx_appendscalar2list, cAppendScalar2List, cappendscalar_adapter,
                    "listid:i4 scalar:c16 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
                    "defval:c16:opt=1.7976931348623157e308");

TVK_ROUTINE(listhandling, int_appendarray2list, iAppendArray2List,
            "listid:i4 array:i4(narray) narray:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:i4:opt=2147483647");
TVK_ROUTINE(listhandling, real_appendarray2list, fAppendArray2List,
            "listid:i4 array:f8(narray) narray:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:f8:opt=1.7976931348623157e308");
TVK_ROUTINE_ADAPTED(listhandling, cmplx_appendarray2list, cAppendArray2List, cappendarray_adapter,
                    "listid:i4 array:c16(narray) narray:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
                    "defval:c16:opt=1.7976931348623157e308");

TVK_ROUTINE(listhandling, int_getcopyoflist, iGetCopyOfList,
            "listid:i4 copy:i4(ncopy):io+copy ncopy:i4 ierror:i4:out");
TVK_ROUTINE(listhandling, real_getcopyoflist, fGetCopyOfList,
            "listid:i4 copy:f8(ncopy):io+copy ncopy:i4 ierror:i4:out");
TVK_ROUTINE(listhandling, cmplx_getcopyoflist, cGetCopyOfList,
            "listid:i4 copy:c16(ncopy):io+copy ncopy:i4 ierror:i4:out");
