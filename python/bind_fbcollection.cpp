// Python bindings of `fbcollection`: fibre-breakage criteria.
#include "engine/bind.h"

#include "failure/criteria.h"

TVK_ROUTINE(fbcollection, fblarc05, FBLaRC05,
            "rfb:f8:out s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8 g12:f8 "
            "a0:f8:opt=53.0 sainc:f8:opt=5.0 gsflag:i4:opt=0 fcl:i4:opt=0");
TVK_ROUTINE(fbcollection, fblarc05_is, FBLaRC05_is,
            "rfb:f8:out s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 xt11_std:f8 xc11_std:f8 xt22_std:f8 "
            "x23_std:f8 x12_std:f8 g12:f8 a0:f8:opt=53.0 sainc:f8:opt=5.0 gsflag:i4:opt=0 fcl:i4:opt=0 "
            "x_is:f8(9):opt=0.0");
TVK_ROUTINE(fbcollection, fblarc04, FBLaRC04,
            "rfb:f8:out s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8 e11:f8 "
            "e22:f8 g12:f8 nu12:f8 gc:f8(2):opt=0.0 a0:f8:opt=53.0 fcl:i4:opt=0");
TVK_ROUTINE(fbcollection, fbchangchang, FBChangChang, "rfb:f8:out s11:f8 s12:f8 xt11:f8 xc11:f8 x12:f8");
TVK_ROUTINE(fbcollection, fbhashin, FBHashin,
            "rfb:f8:out s11:f8 s12:f8 s13:f8 xt11:f8 xc11:f8 x12:f8 x13:f8 alpha:f8:opt=1.0");
TVK_ROUTINE(fbcollection, fbchristensen, FBChristensen, "rfb:f8:out s11:f8 s22:f8 s33:f8 xt11:f8 xc11:f8");
TVK_ROUTINE(fbcollection, fbbahei, FBBahei,
            "rfb:f8:out stressvector:f8(nstress) xlnorm:f8 xtnorm:f8 xlshear:f8 xtshear:f8 mu:f8 nstress:i4 "
            "failmode:i4:io:opt=-1");
