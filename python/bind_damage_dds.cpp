// Python bindings of the damage data sets of `damage`.
#include "engine/bind.h"

#include "failure/damage_datasets.h"

TVK_ROUTINE(damage, updatedds, UpdateDDS,
            "ierror:i4:out sdv:f8(5) gpcoords:f8(3) refcoords:f8(3) refcos:f8(3,3) ilay:i4 isec:i4 idmg:i4");
TVK_ROUTINE(damage, getdamagefromdds, GetDamageFromDDS,
            "sdv:f8(12):inout gpcoords:f8(3) refcos:f8(3,3) ilay:i4 isec:i4");
TVK_ROUTINE(damage, pointindamage, PointInDamage,
            "pointindamage:l4:ret point:f8(3) dmgcos:f8(3,3) dmgorigin:f8(3) dmgangle:f8 plyangle:f8 a:f8 b:f8 "
            "modeid:i4 dmgid:i4 layid:i4 skip:l4");
TVK_ROUTINE(damage, getextentofprojecteddamage, getextentofprojecteddamage,
            "halfaxis:f8(2):io+copy gpcoords:f8(3) refcoords:f8(3) refcos:f8(3,3) theta:f8 mdmg:f8");
