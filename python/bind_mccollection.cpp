// Python bindings of `mccollection`: matrix-cracking criteria.
#include "engine/bind.h"

#include "failure/matrix_criteria.h"

#define TVK_MC_STRESS "rmc:f8:out s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 "

TVK_ROUTINE(mccollection, mcrcklarc05, MCrckLaRC05,
            TVK_MC_STRESS "xt22:f8 xc22:f8 x12:f8 a0:f8:opt=53.0 outtheta:f8:io:opt=-1.0 sainc:f8:opt=5.0 "
                          "gsflag:i4:opt=0");
TVK_ROUTINE(mccollection, mcrcklarc04, MCrckLaRC04,
            "rmc:f8:out s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8 e11:f8 "
            "e22:f8 g12:f8 nu12:f8 gc:f8(2):opt=0.0 a0:f8:opt=53.0 outtheta:f8:io:opt=-1.0 sainc:f8:opt=5.0 "
            "fcl:i4:opt=0 gsflag:i4:opt=0");
TVK_ROUTINE(mccollection, mcrckvdi2014, MCrckVDI2014,
            "rmc:f8:out s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8 "
            "outtheta:f8:io:opt=-1.0 gp:f8(4):opt=[0.3,0.3,0.25,0.25] wp:f8(2):opt=[0.5,0.5] sainc:f8:opt=5.0 "
            "gsflag:i4:opt=0");
// xcs all zero (the default) takes the tensile shear strengths.
TVK_ROUTINE(mccollection, mcrckspc3d, MCrckSPC3D,
            TVK_MC_STRESS "xt11:f8 xc11:f8 xt22:f8 xc22:f8 xt33:f8 xc33:f8 xt12:f8 xt13:f8 xt23:f8 xcs:f8(3):opt "
                          "outtheta:f8:io:opt=-1.0 gp:f8(2):opt=[0.3,-0.3] sainc:f8:opt=2.0 "
                          "salims:f8(2):opt=[2.0,178.0] gsflag:i4:opt=0");
TVK_ROUTINE(mccollection, mcrckcamanho, MCrckCamanho,
            TVK_MC_STRESS "xt22:f8 xc22:f8 x12:f8 x23:f8 outtheta:f8:io:opt=-1.0 a0:f8:opt=53.0 sainc:f8:opt=5.0 "
                          "gsflag:i4:opt=0");
TVK_ROUTINE(mccollection, mcrckwiegand, MCrckWiegand,
            TVK_MC_STRESS "xt22:f8 xc22:f8 x12:f8 outtheta:f8:io:opt=-1.0 a0:f8:opt=53.0 sainc:f8:opt=5.0 "
                          "gsflag:i4:opt=0");
TVK_ROUTINE(mccollection, mcrckpuck, MCrckPuck,
            TVK_MC_STRESS "xt22:f8 xc22:f8 x12:f8 outtheta:f8:io:opt=-1.0 gp:f8(4):opt=[0.3,0.2,0.15,0.15] "
                          "sainc:f8:opt=5.0 gsflag:i4:opt=0 tcflag:i4:io:opt=0");
TVK_ROUTINE(mccollection, mcrckcuntze2012, MCrckCuntze2012,
            TVK_MC_STRESS "xt22:f8 xc22:f8 x12:f8 gp:f8(2):opt=[0.16,1.16] mint:f8:opt=2.4");
TVK_ROUTINE(mccollection, mcrckcuntze2004, MCrckCuntze2004,
            TVK_MC_STRESS "xt22:f8 xc22:f8 x12:f8 x13:f8 gp:f8(3):opt=[0.13,1.5,0.4] mint:f8:opt=2.5");
TVK_ROUTINE(mccollection, mcrckchangchang, MCrckChangChang, "rmc:f8:out s22:f8 s12:f8 xt22:f8 xc22:f8 x12:f8");
TVK_ROUTINE(mccollection, mcrckchai, MCrckChai,
            "rmc:f8:out s22:f8 s12:f8 s23:f8 xt22:f8 xc22:f8 x12:f8 x23:f8 dang:f8:opt=0.0");
TVK_ROUTINE(mccollection, mcrckchristensen, MCrckChristensen,
            TVK_MC_STRESS "xt22:f8 xc22:f8 xt33:f8 xc33:f8 x12:f8 x13:f8 x23:f8");
TVK_ROUTINE(mccollection, mcrckhashin1989, MCrckHashin1989,
            TVK_MC_STRESS "xt22:f8 xc22:f8 xt33:f8 xc33:f8 x12:f8 x13:f8 x23:f8");
TVK_ROUTINE(mccollection, mcrckhashincomplete, MCrckHashinComplete, TVK_MC_STRESS "xt22:f8 xc22:f8 x12:f8 x23:f8");
TVK_ROUTINE(mccollection, mcrckhashin3d, MCrckHashin3D,
            "rmc:f8:out s22:f8 s12:f8 s13:f8 s23:f8 xt22:f8 xc22:f8 x12:f8 x23:f8");
TVK_ROUTINE(mccollection, mcrckhashinps, MCrckHashinPS, "rmc:f8:out s22:f8 s12:f8 xt22:f8 xc22:f8 x12:f8 x23:f8");
TVK_ROUTINE(mccollection, mcrckbahei, MCrckBahei,
            "rmc:f8:out stressvector:f8(nstress) xnorm:f8 xshear:f8 nstress:i4 interphase:f8(2):opt=[-1.0,-1.0] "
            "failmode:i4:io:opt=-1");
