// Python bindings of `gpcollection`: general ply criteria and resin yield/damage functions.
#include "engine/bind.h"

#include "failure/criteria.h"

TVK_ROUTINE(gpcollection, gpmaxnominal, GPMaxNominal, "rgp:f8:out s11:f8 xt11:f8 xc11:f8");
TVK_ROUTINE(gpcollection, gpquadnominal, GPQuadNominal, "rgp:f8:out s11:f8 s12:f8 s13:f8 xt11:f8 x12:f8 x13:f8");
TVK_ROUTINE(gpcollection, gplininteraction, GPLinInteraction,
            "rgp:f8:out s11:f8 s22:f8 s12:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8");
TVK_ROUTINE(gpcollection, gpquadinteraction, GPQuadInteraction,
            "rgp:f8:out s11:f8 s22:f8 s12:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8");
TVK_ROUTINE(gpcollection, gpnorrisinteraction, GPNorrisInteraction,
            "rgp:f8:out s11:f8 s22:f8 s12:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8");
TVK_ROUTINE(gpcollection, gpyamadasuninteraction, GPYamadaSunInteraction,
            "rgp:f8:out s11:f8 s12:f8 s13:f8 xt11:f8 xc11:f8 x12:f8 x13:f8");
TVK_ROUTINE(gpcollection, gppolycamanho, GPPolyCamanho,
            "rgp:f8:out s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 x12:f8 "
            "x13:f8 x23:f8 xint:f8:opt=1.5 ptype:i4:opt=0");
TVK_ROUTINE(gpcollection, gppolynomial, GPPolynomial,
            "rgp:f8:out s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 xt11:f8 xc11:f8 xt22:f8 xc22:f8 xt33:f8 "
            "xc33:f8 x12:f8 x13:f8 x23:f8 xint:f8:opt=0.0 ptype:i4:opt=0");
// d and di1 are updated in place: 0-d float64 arrays.
TVK_ROUTINE(gpcollection, gpdruckerprager, GPDruckerPrager,
            "stress:f8(6) xt:f8 xc:f8 d:f8:inout di1:f8:inout");
TVK_ROUTINE(gpcollection, gpbauwens, GPBauwens, "stress:f8(6) xt:f8 xc:f8 d:f8:inout");
TVK_ROUTINE(gpcollection, gpraghava, GPRaghava, "stress:f8(6) xt:f8 xc:f8 d:f8:out");
TVK_ROUTINE(gpcollection, gpha, GPHa,
            "stress:f8(6) xt:f8 xc:f8 np:f8 d:f8:out di1:f8:out dmises:f8:out i1cr:f8:out misescr:f8:out "
            "life:f8:out");
