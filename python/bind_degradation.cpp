// Python bindings of `degradation`: stiffness factors from damage flags, ply and isotropic
// discounts with their viscous forms, accumulated damage, fatigue gradual degradation.
#include "engine/bind.h"

#include "failure/gradual_degradation.h"
#include "failure/ply_discount.h"
#include "failure/stiffness_factors.h"

TVK_ROUTINE(degradation, falcomdegradation, FalcomDegradation,
            "d:f8(9):out dds:f8(10) rdisc:f8 degrid:i4 plyistape:l4 fa:f8(4):opt=[0.3,0.3,0.5,0.5]");
TVK_ROUTINE(degradation, getnyedegradationmatrix, GetNyeDegradationMatrix,
            "d:f8(ntens,ntens):out degrf:f8(9) ntens:i4 psflag:i4:opt=1");

TVK_ROUTINE(degradation, suddendegradation, SuddenDegradation,
            "degpeprops:f8(9):io degpsprops:f8(9):io peprops:f8(9) psprops:f8(9) de:f8(6):io df:f8(9):io "
            "g_f:f8:io g_m:f8:io ttol:f8(2) degrfac:f8 nm:f8(6):opt=-1.0");
// degr_old is carried in place: a 0-d float64 array.
TVK_ROUTINE(degradation, suddendegradation_viscouse, SuddenDegradation_viscouse,
            "degpeprops:f8(9):io degpsprops:f8(9):io peprops:f8(9) psprops:f8(9) de:f8(6):io df:f8(9):io "
            "g_f:f8:io g_m:f8:io ttol:f8(2) degrfac:f8 nm:f8(6):opt=-1.0 degr_old:f8:inout eta:f8 dt:f8");
TVK_ROUTINE(degradation, viscouseregularisation, viscouseregularisation,
            "dold:f8 dnew:f8 dviscouse:f8:out eta:f8 dt:f8");
// degpeprops(3) comes back zero-filled: the routine writes entries 1 and 2 only.
TVK_ROUTINE(degradation, isotropicdegradation, IsotropicDegradation,
            "peprops:f8(3) d:f8 life:f8 degr:f8 degpeprops:f8(3):out");
// degr_old is a result only: the point starts intact (1), as a solver's state does, and comes
// back with the regularised factor.
TVK_ROUTINE(degradation, isotropicdegradation_viscouse, IsotropicDegradation_viscouse,
            "peprops:f8(3) d:f8 life:f8 degr:f8 degpeprops:f8(3):out degr_old:f8:out:=1.0 eta:f8 dt:f8");
TVK_ROUTINE(degradation, getaccumulateddamage, getaccumulateddamage,
            "getaccumulateddamage:f8:ret degr:f8(ndegr,nply) nodmg:f8 ndegr:i4 nply:i4");

// The stress ratios, life fraction, residual factors and cycle-jump estimate are carried in
// place: 0-d float64 arrays.
TVK_ROUTINE(degradation, gradualdegradation, GradualDegradation,
            "speak_t:f8:inout sbottom_t:f8:inout speak_c:f8:inout sbottom_c:f8:inout xctratio:f8 a:f8 b:f8 "
            "u:f8 v:f8 nm:f8:inout n:f8 cjimp:f8 alpha_t:f8 alpha_c:f8 beta_t:f8 beta_c:f8 gamma:f8 lambda:f8 "
            "de:f8:inout df_t:f8:inout df_c:f8:inout degr_fac:f8 dmgflag:i4 isshear:l4 noel:i4 "
            "cjump_nf:f8:inout lim:f8");
