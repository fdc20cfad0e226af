// Python entry points of the in-situ strength models (namespace `isscollection`). Default
// arrays reach the routines whole.
#include "engine/bind.h"

#include "mechanics/insitu_strength.h"

TVK_ROUTINE(isscollection, insitularc04, InSituLaRC04,
            "ys:f8(2):out elastic:f8(4) gxc:f8(2) xt22:f8 x12:f8 t:f8 tlim:f8:opt=0.0007");
TVK_ROUTINE(isscollection, insitupuckps, InSituPuckPS,
            "xc:f8:out xc11:f8 xc22:f8 x12:f8 theta:f8 gp:f8(4):opt=[0.3,0.2,0.15,0.15]");
TVK_ROUTINE(isscollection, insituchanglessard, InSituChangLessard,
            "ys:f8(2):out xt22:f8 ilss:f8 tratio:f8 dtmin_d:f8 atod:f8(4):opt=[1.3,0.7,0,1]");
