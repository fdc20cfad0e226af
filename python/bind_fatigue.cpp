// Python bindings of `fatigue`: properties, cycle counting and the material point of the
// Shokrieh fatigue model; the equivalent fatigue stress and the fatigue life of an isotropic
// point.
#include "engine/bind.h"

#include "growth/fatigue_life.h"
#include "growth/shokrieh.h"

TVK_ROUTINE(fatigue, getshokriehproperties, GetShokriehProperties,
            "props:f8(nprops) nprops:i4 temp:f8 eprops:f8(9):out xfprops:f8(9):out epsfprops:f8(9):out "
            "alpha_t:f8(6):out alpha_c:f8(6):out beta_t:f8(6):out beta_c:f8(6):out lambda:f8(6):out "
            "gamma:f8(6):out a:f8(6):out b:f8(6):out u:f8(6):out v:f8(6):out eta:f8:out degr_fac:f8:out");
// njimp is a result only: an unknown algorithm leaves it 0 from Python.
TVK_ROUTINE(fatigue, cyclecount, CycleCount,
            "njimp:f8:out n:f8:io maxcycle:f8 time:f8 time_calc:f8 time_period:f8 njimp_min:f8 njimp_max:f8 "
            "njimp_zul:f8 ncycles:i4 nmaxcycles:i4 istep:i4 nstep:i4 jumpalgo:i4 stepflag:i4");
// sbottom is updated in place (a 0-d float64 array sees a zero replaced by 1e-8).
TVK_ROUTINE(fatigue, allowablecyclejump, AllowableCycleJump,
            "speak:f8 sbottom:f8:inout ft:f8 fc:f8 f0:f8 e0:f8 eps_f:f8 a:f8 b:f8 u:f8 v:f8 nm:f8 cjimp:f8:out "
            "alpha:f8 beta:f8 gamma:f8 lambda:f8 x_n:f8 e_n:f8 de:f8 df:f8 degr_fac:f8 njimp_dtol:f8");
TVK_ROUTINE(fatigue, getshokrieh, GetShokrieh,
            "stress:f8(6):io+copy ddsdde:f8(6,6):out statev:f8(77):io+copy stran:f8(6) dstran:f8(6) "
            "props:f8(nprops) time:f8(2) dtime:f8 temp:f8 dtemp:f8 nprops:i4 noel:i4 kstep:i4(4) kinc:i4 "
            "iszflag:i4 idcflag:i4 statev_backup:f8(77):io+copy");
// eq_stress, nf and life are updated in place: 0-d float64 arrays (anything else is refused).
TVK_ROUTINE(fatigue, getequivalentfatiguestress, GetEquivalentFatigueStress,
            "stress:f8(6) xt:f8 xc:f8 np:f8 eq_stress:f8:inout");
TVK_ROUTINE(fatigue, getfatiguelife, GetFatigueLife,
            "eq_min:f8 eq_max:f8 a_woehler:f8 exp_woehler:f8 alpha:f8 dn:f8 nf:f8:inout life:f8:inout noel:i4");
