// Python bindings of the table interpolation of `math`. Each routine reads y with the extent of
// x, so a shorter y is refused before the call.
#include "engine/bind.h"

#include "pchip/tableinterp.h"

// nearestinterpolation = nearestinterpolation(x,y,p)
TVK_ROUTINE(math, nearestinterpolation, nearestinterpolation,
            "nearestinterpolation:f8(np):out x:f8(nx) nx:i4:hide y:f8(ny) "
            "ny:i4:hide:check(ny>=nx) p:f8(np) np:i4:hide");
// linearinterpolation = linearinterpolation(x,y,p)
TVK_ROUTINE(math, linearinterpolation, linearinterpolation,
            "linearinterpolation:f8(np):out x:f8(nx) nx:i4:hide y:f8(ny) "
            "ny:i4:hide:check(ny>=nx) p:f8(np) np:i4:hide");
// cubichermitianinterpolation = cubichermitianinterpolation(x,y,p)
TVK_ROUTINE(math, cubichermitianinterpolation, cubichermitianinterpolation,
            "cubichermitianinterpolation:f8(np):out x:f8(nx) nx:i4:hide y:f8(ny) "
            "ny:i4:hide:check(ny>=nx) p:f8(np) np:i4:hide");
// r = cubichermitianintegration(x,y,a,b)
TVK_ROUTINE(math, cubichermitianintegration, cubichermitianintegration,
            "r:f8:ret x:f8(nx) nx:i4:hide y:f8(ny) ny:i4:hide:check(ny>=nx) a:f8 b:f8");
// s = cubichermitianarclength(x,y,a,b)
TVK_ROUTINE(math, cubichermitianarclength, cubichermitianarclength,
            "s:f8:ret x:f8(nx) nx:i4:hide y:f8(ny) ny:i4:hide:check(ny>=nx) a:f8 b:f8");
