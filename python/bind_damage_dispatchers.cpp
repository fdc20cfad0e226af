// Python bindings of the per-mode failure dispatchers of `damage`.
#include "engine/bind.h"

#include "failure/dispatchers.h"

#define TVK_PLY_TABLES "psprops:f8(10,nlayer,nsec) plyorientation:f8(nlayer,nsec) "
#define TVK_PLY_INDEX "layer:i4 nlayer:i4 isec:i4 nsec:i4 "

TVK_ROUTINE(damage, generalfailure, generalfailure,
            "fgp:f8:out rgp:f8:out plystress:f8(6) " TVK_PLY_TABLES TVK_PLY_INDEX "gpflag:i4");
TVK_ROUTINE(damage, fiberbreakage, fiberbreakage,
            "ffb:f8:out rfb:f8:out plystress:f8(6) peprops:f8(9,nlayer,nsec) " TVK_PLY_TABLES TVK_PLY_INDEX
            "fbflag:i4");
TVK_ROUTINE(damage, matrixcracking, MatrixCracking,
            "fmc:f8:out rmc:f8:out plystress:f8(6) peprops:f8(9,nlayer,nsec) psprops:f8(10,nlayer,nsec) "
            "pdprops:f8(nprops,nlayer,nsec) plyorientation:f8(nlayer,nsec) " TVK_PLY_INDEX "nprops:i4 mcflag:i4 "
            "outtheta:f8:io:opt=-1.0 defreal:f8:opt=1.7976931348623157e308");
TVK_ROUTINE(damage, delamination, delamination,
            "fdel:f8:out rdel:f8:out s33i:f8 lplystress:f8(6) uplystress:f8(6) peprops:f8(9,nlayer,nsec) "
            "psprops:f8(10,nlayer,nsec) plyorientation:f8(nlayer,nsec) plythickness:f8(nlayer,nsec) " TVK_PLY_INDEX
            "delflag:i4");
TVK_ROUTINE(damage, corecrushing, corecrushing,
            "fcc:f8:out rcc:f8:out plystress:f8(6) " TVK_PLY_TABLES TVK_PLY_INDEX "ccflag:i4");
