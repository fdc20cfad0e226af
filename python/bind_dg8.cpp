// Python bindings of `dg8`: the elliptical delamination Ritz model and its growth analysis.
#include "engine/bind.h"

#include "growth/ritz_ellipse.h"

TVK_ROUTINE(dg8, getstrainenergy8, GetStrainEnergy8,
            "getstrainenergy8:f8:ret vec:f8(8) eps:f8(3) a:f8 b:f8 abd:f8(6,6)");
TVK_ROUTINE(dg8, getf8, GetF8,
            "f:f8(8):out vec:f8(8) eps:f8(3) g0:f8 epsbucklin:f8 a:f8 b:f8 abd:f8(6,6) w:l4");
TVK_ROUTINE(dg8, getdf8, GetdF8, "df:f8(64):out vec:f8(8) eps:f8(3) g0:f8 a:f8 b:f8 abd:f8(6,6) w:l4");
TVK_ROUTINE(dg8, getcontactenergy8, GetContactEnergy8,
            "getcontactenergy8:f8:ret vec:f8(8) a:f8 b:f8 kmd:f8 nk:i4");
TVK_ROUTINE(dg8, getareaofoverlap8, GetAreaOfOverlap8, "getareaofoverlap8:f8:ret vec:f8(8) a:f8 b:f8 nk:i4");
TVK_ROUTINE(dg8, getkdfkf8, GetKdfKf8, "km:f8(4,4):out kv:f8(4):out vec:f8(8) a:f8 b:f8 kmd:f8 nk:i4");
TVK_ROUTINE(dg8, getfdf8, GetFdF8,
            "fp:f8(8):out dfp:f8(64):out vec:f8(8) eps:f8(3) g0:f8 epsbucklin:f8 a:f8 b:f8 kmd:f8 abd:f8(6,6) "
            "nk:i4 w:l4");
TVK_ROUTINE(dg8, newtonraphson8, NewtonRaphson8,
            "sol:f8(8):io+copy nrerr:f8:out a:f8 b:f8 kmd:f8 g0:f8 epsnom:f8 epsbucklin:f8 relepsellipse:f8(3) "
            "abd:f8(6,6) tolerance:f8 maxiter:i4 nk:i4 w:l4");
TVK_ROUTINE(dg8, getenergyreleaserate8, GetEnergyReleaseRate8,
            "serr:f8:out fa:f8:out fb:f8:out vec:f8(8) a:f8 b:f8 kmd:f8 g0:f8 epsnom:f8 epsbucklin:f8 "
            "relepsellipse:f8(3) abd:f8(6,6) nk:i4 w:l4 tol:f8:opt=1e-15 maxiter:i4:opt=100");
TVK_ROUTINE(dg8, delaminationgrowthanalysis, DelaminationGrowthAnalysis,
            "success:f8:out strains:f8(3):out limstrain:f8(2) relstrain:f8(3) plyelastic:f8(9,nplies) "
            "plyorientation:f8(nplies) plythickness:f8(nplies) delamination:f8(3) sublamstack:i4(2) kmd:f8 gamma:f8 "
            "width:f8 radius:f8 ninc:i4 nprec:i4 nplies:i4");
