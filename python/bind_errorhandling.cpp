// Python attributes of the error record and its two routines. Every thread has its own record:
// each access resolves the calling thread's.
#include "engine/bind.h"

#include "core/errors.h"

TVK_PER_THREAD(errorhandling, errstat, tvk::error_record().errstat);
TVK_PER_THREAD(errorhandling, errstring, tvk::error_record().errstring);
TVK_PER_THREAD(errorhandling, errintv, tvk::error_record().errintv);
TVK_PER_THREAD(errorhandling, errrealv, tvk::error_record().errrealv);
TVK_PER_THREAD(errorhandling, errasciim, tvk::error_record().errasciim);

// pyerr = xerr(lop,xerrmsg,intv,realv,asciim,[pyerr]): the default pyerr 0 prints the message
// and ends the process; pyerr nonzero records the report.
TVK_ROUTINE(errorhandling, xerr, xerr,
            "lop:i4 xerrmsg:s80 intv:i4(nintv) nintv:i4:hide realv:f8(nrealv) nrealv:i4:hide "
            "asciim:i4(nrows,ncols) nrows:i4:hide ncols:i4:hide pyerr:i4:io:opt=0");
// reset = rsxerr(lop)
TVK_ROUTINE(errorhandling, rsxerr, rsxerr, "reset:i4:out lop:l4");
