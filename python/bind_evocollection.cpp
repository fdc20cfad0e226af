// Python bindings of `evocollection`: damage evolution laws.
#include "engine/bind.h"

#include "failure/damage_evolution.h"

TVK_ROUTINE(evocollection, bilinearevolution, BiLinearEvolution,
            "eps:f8 eps0:f8 sig_f:f8 gc:f8 lc:f8 d:f8:out eps1:f8:io");
TVK_ROUTINE(evocollection, timeregularization, TimeRegularization,
            "d_old:f8(num) d_new:f8(len(d_new)) d_reg:f8(max(num,0)):out dt_inc:f8 reg_factor:f8 "
            "num:i4:check(len(d_new)>=num)");
TVK_ROUTINE(evocollection, equivalentquadstressstrain, EquivalentQuadStressStrain,
            "tens:f8(6) nn:i4 scaleq:f8:out");
TVK_ROUTINE(evocollection, dgstrainrhead, DGStrainRhead,
            "dgstrainrhead:f8:ret eps_c:f8 gic:f8 a11:f8 r_stiff:f8:opt=0.0");
