// Python bindings of `delcollection`: delamination-onset criteria.
#include "engine/bind.h"

#include "failure/criteria.h"

TVK_ROUTINE(delcollection, dellee, DelLee, "rdel:f8:out s33:f8 s12:f8 s13:f8 xt33:f8 xc33:f8 ilss:f8");
TVK_ROUTINE(delcollection, delochoaengblom, DelOchoaEngblom,
            "rdel:f8:out s33:f8 s13:f8 s23:f8 xt33:f8 xc33:f8 ilss:f8");
TVK_ROUTINE(delcollection, delhashin, DelHashin, "rdel:f8:out s33:f8 s13:f8 s23:f8 xt22:f8 xc22:f8 ilss:f8");
// gp: (p_tl+, p_tl-, p_tt+, p_tt-).
TVK_ROUTINE(delcollection, delpuck, DelPuck,
            "rdel:f8:out s33:f8 s13:f8 s23:f8 xt22:f8 xc22:f8 ilss:f8 gp:f8(4):opt=[0.3,0.2,0.15,0.15]");
TVK_ROUTINE(delcollection, delchoichang, DelChoiChang,
            "rdel:f8:out s22l:f8 s13l:f8 s23u:f8 xt22l:f8 xc22l:f8 ilssl:f8 ilssu:f8 da:f8:opt=1.8");
TVK_ROUTINE(delcollection, delchai, DelChai,
            "rdel:f8:out s22l:f8 s13l:f8 s23u:f8 xt22l:f8 xc22l:f8 x23u:f8 ilssl:f8 df1:f8 df2:f8 df3:f8");
