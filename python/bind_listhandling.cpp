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

#define TVK_MARKERS \
    "defcmplx:c16:opt=cmplx(1.7976931348623157e308,1.7976931348623157e308) defreal:f8:opt=1.7976931348623157e308 defint:i4:opt=2147483647"

TVK_ROUTINE(listhandling, allocatelist, AllocateList,
            "listid:i4 ifflag:i4 le:i4 ierror:i4:out " TVK_MARKERS);
TVK_ROUTINE(listhandling, deallocatelist, DeallocateList, "listid:i4 ifflag:i4 ierror:i4:out");
TVK_ROUTINE(listhandling, getallocationstatus, GetAllocationStatus, "checkid:l4:out listid:i4 ifflag:i4");
TVK_ROUTINE(listhandling, getsizeoflist, GetSizeOfList,
            "getsizeoflist:i4:ret listid:i4 ifflag:i4 " TVK_MARKERS);

TVK_ROUTINE(listhandling, int_appendscalar2list, iAppendScalar2List,
            "listid:i4 scalar:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 defval:i4:opt=2147483647");
TVK_ROUTINE(listhandling, real_appendscalar2list, fAppendScalar2List,
            "listid:i4 scalar:f8 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:f8:opt=1.7976931348623157e308");
TVK_ROUTINE(listhandling, cmplx_appendscalar2list, cAppendScalar2List,
            "listid:i4 scalar:c16 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:c16:opt=cmplx(1.7976931348623157e308,1.7976931348623157e308)");

TVK_ROUTINE(listhandling, int_appendarray2list, iAppendArray2List,
            "listid:i4 array:i4(narray) narray:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:i4:opt=2147483647");
TVK_ROUTINE(listhandling, real_appendarray2list, fAppendArray2List,
            "listid:i4 array:f8(narray) narray:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:f8:opt=1.7976931348623157e308");
TVK_ROUTINE(listhandling, cmplx_appendarray2list, cAppendArray2List,
            "listid:i4 array:c16(narray) narray:i4 uniflag:i4 iresult:i4:out allocinc:i4:opt=500 "
            "defval:c16:opt=cmplx(1.7976931348623157e308,1.7976931348623157e308)");

TVK_ROUTINE(listhandling, int_getcopyoflist, iGetCopyOfList,
            "listid:i4 copy:i4(ncopy):io+copy ncopy:i4 ierror:i4:out");
TVK_ROUTINE(listhandling, real_getcopyoflist, fGetCopyOfList,
            "listid:i4 copy:f8(ncopy):io+copy ncopy:i4 ierror:i4:out");
TVK_ROUTINE(listhandling, cmplx_getcopyoflist, cGetCopyOfList,
            "listid:i4 copy:c16(ncopy):io+copy ncopy:i4 ierror:i4:out");
