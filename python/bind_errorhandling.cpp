// Python attributes of the error record and its two routines.
#include "engine/bind.h"

#include "core/errors.h"

TVK_SCALAR(errorhandling, errstat, tvk::errorhandling.errstat);
TVK_TEXT(errorhandling, errstring, tvk::errorhandling.errstring);
TVK_TABLE(errorhandling, errintv, tvk::errorhandling.errintv);
TVK_TABLE(errorhandling, errrealv, tvk::errorhandling.errrealv);
TVK_TABLE(errorhandling, errasciim, tvk::errorhandling.errasciim);

// pyerr = xerr(lop,xerrmsg,intv,realv,asciim,[pyerr]): the default pyerr 0 prints the message
// and ends the process; pyerr nonzero records the report.
TVK_ROUTINE(errorhandling, xerr, xerr,
            "lop:i4 xerrmsg:s80 intv:i4(nintv) nintv:i4:hide realv:f8(nrealv) nrealv:i4:hide "
            "asciim:i4(nrows,ncols) nrows:i4:hide ncols:i4:hide pyerr:i4:io:opt=0");
// reset = rsxerr(lop)
TVK_ROUTINE(errorhandling, rsxerr, rsxerr, "reset:i4:out lop:l4");
