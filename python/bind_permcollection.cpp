// Python bindings of the permanent indentation laws (namespace `permcollection`).
#include "engine/bind.h"

#include "mechanics/indentation.h"

// a0 = pivelmar(tges,delarea)
TVK_ROUTINE(permcollection, pivelmar, PIVelmar, "a0:f8:out tges:f8 delarea:f8");
// a0,a1 = pisuresh(amax,acr,kcce,lbnds,llesscrit)
TVK_ROUTINE(permcollection, pisuresh, PISuresh,
            "a0:f8:out a1:f8:out amax:f8 acr:f8 kcce:f8 lbnds:l4 llesscrit:l4");
// a0 = pitansunnonlinear(amax,acr)
TVK_ROUTINE(permcollection, pitansunnonlinear, PITanSunNonLinear, "a0:f8:out amax:f8 acr:f8");
// a0 = pitansunlinear(amax,acr,ksc)
TVK_ROUTINE(permcollection, pitansunlinear, PITanSunLinear,
            "a0:f8:out amax:f8 acr:f8 ksc:f8");
