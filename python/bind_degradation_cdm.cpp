// Python bindings of `degradation`: continuum damage stiffness models.
#include "engine/bind.h"

#include "failure/continuum_damage.h"

TVK_ROUTINE(degradation, matzenmillerdegradation, MatzenmillerDegradation,
            "propvec:f8(9) c_deg:f8(6,6):out dnorm:f8(3) d23:f8 d13:f8 d12:f8");
TVK_ROUTINE(degradation, degradationfrommodes, DegradationFromModes,
            "d_modes:f8(9):opt=0.0 w_stat:f8(9):out accumulation:l4 c_deg:f8(6,6):out moduli:f8(9):opt=1.0 "
            "vnu:f8(3):opt=0.3 effort:f8(3):opt=1.0");
TVK_ROUTINE(degradation, tensordegradation, TensorDegradation,
            "csix:f8(6,6) cdeg:f8(6,6):out angle_r:f8 d:f8 baseid:i4 nn:i4");
TVK_ROUTINE(degradation, bogenfelddegradation, BogenfeldDegradation,
            "d:f8:out sdv:f8(nsdv):io svoigt:f8(6) evoigt:f8(6) charelemlength:f8(3) props:f8(nprops) mode:i4 "
            "nsdv:i4 nprops:i4");
// The onset values and the damage are carried by the caller: 0-d float64 arrays updated in place.
TVK_ROUTINE(degradation, falzondegradationparameters, FalzonDegradationParameters,
            "stressela:f8(6) strain:f8(6) phirad:f8 dsix:f8(6):inout epsi:f8:inout epsu:f8:inout sigi:f8:inout "
            "gmix:f8:inout w_matrixmode:f8:inout gc:f8(4) charelemlength:f8(3)");
