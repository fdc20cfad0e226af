// Python bindings of `delisio`: the strip model of a delamination, its growth and allowables.
#include "engine/bind.h"

#include "growth/delisio.h"

TVK_ROUTINE(delisio, linearelasticenergy, LinearElasticEnergy,
            "strain:f8(ncomp) abdmatrix:f8(ncomp,ncomp) area:f8 energy:f8:out ncomp:i4");
TVK_ROUTINE(delisio, reducedelasticenergy, reducedElasticEnergy,
            "strain:f8(ncomp) abdin:f8(ncomp,ncomp) area:f8 energy:f8:out stresszero:i4 strainzero:i4 ncomp:i4");
TVK_ROUTINE(delisio, energysublaminat, EnergySublaminat,
            "abd_in:f8(6,6) dof_in:f8(6) a_el:f8 b_el:f8 forces:f8(6) energy:f8:out nsub:f8:out bstatus:l4:out "
            "buckfactor_in:f8:opt=1.0 r_in:f8:opt=0.0");
TVK_ROUTINE(delisio, momentumbalance, MomentumBalance,
            "n11:f8 nsub:f8 b:f8 wr:f8 wl:f8 w:f8 e:f8 n_left:f8:out n_right:f8:out");
TVK_ROUTINE(delisio, forcetransfer, ForceTransfer,
            "abd:f8(6,6) abdsub:f8(2,6,6) forces:f8(3,6) nsub1in:f8 nsub2in:f8 width:f8 leftwidth:f8 "
            "rightwidth:f8 damagewidth:f8 w:f8 e:f8 nleft_m:f8:out nright_m:f8:out nsub1:f8:out nsub2:f8:out "
            "deltadof:f8:out ie1_delta:f8:out ie2_delta:f8:out r_in:f8:opt=0.0");
TVK_ROUTINE(delisio, equivdisp, EquivDisp,
            "abd:f8(6,6) a:f8 b:f8 width:f8 dof:f8(6) deltadof:f8 nleft:f8 nright:f8 l:f8 r:f8 deltax:f8:out");
TVK_ROUTINE(delisio, energyreleaserate, EnergyReleaseRate,
            "dof:f8(6) abd:f8(6,6) abdsub:f8(2,6,6) a:f8 b:f8 width:f8 length:f8 areaclean:f8 forcecases:f8(3,6) "
            "gx:f8:out gy:f8:out gy_left:f8:out gy_right:f8:out e_in:f8:opt=0.0 da_in:f8:opt=1.0 "
            "db_in:f8:opt=0.1 buckfactor_in:f8:opt=1.0 r_in:f8:opt=0.0");
TVK_ROUTINE(delisio, growthrateparis, GrowthRateParis, "deltag:f8 dadn:f8:out cf:f8 nf:f8");
// deltag and n are updated in place: 0-d float64 arrays.
TVK_ROUTINE(delisio, growthinitiationparis, GrowthInitiationParis, "deltag:f8:inout n:f8:inout c1:f8 c2:f8");
TVK_ROUTINE(delisio, fibertension_lefm, fiber_tension_lefm,
            "sigma11_ply:f8 b_crack:f8 gic:f8 nprops:i4 props:f8(nprops) serr_f_t:f8:out");
TVK_ROUTINE(delisio, serr_delatension, sERR_delaTension,
            "dof_r:f8(3) a_r:f8(3,3) a_dmg:f8 b_dmg:f8 l_crack_proj:f8 delta_angle:f8 serr_d_t:f8:out dir:i4 "
            "outer:i4:opt=0");
TVK_ROUTINE(delisio, delacompgrowth, DelaCompGrowth,
            "layup:f8(nplies) tply:f8 indof:f8(ndof) dela_interface:i4 props:f8(nprops) length:f8 width:f8 "
            "extensdmg:f8 results:f8(13,max(totalcycles,0)+1):out dmgwidth:f8 dmglength:f8 totalcycles:i4 "
            "nplies:i4 nprops:i4 ndof:i4 incyclejump:i4:opt=1 instressratio:f8:opt=0.1 dmgincrement_in:f8:opt=0.1");
TVK_ROUTINE(delisio, delatensiongrowth, delaTension,
            "layup:f8(nplies) tply:f8 indof:f8(ndof) ncrack:i4 props:f8(nprops) length:f8 width:f8 extensdmg:f8 "
            "results:f8(13,1000):out indmgwidth:f8 indmglength:f8 l_crack:f8 totalcycles:i4 nplies:i4 nprops:i4 "
            "ndof:i4 incyclejump:i4:opt=1 instressratio:f8:opt=0.1 paris_ng:f8(2):opt=[1.0,0.0]");
TVK_ROUTINE(delisio, find_allowable_nogrowth_comp, Find_Allowable_nogrowth_comp,
            "layup:f8(nplies) tply:f8 extensdmg:f8 length:f8 width:f8 props:f8(nprops) strainallowable:f8:out "
            "forceallowables_perinterface:f8(ninter):out eps_th_results:f8(ninter,6,100):out dmgsizes:f8(ninter,2) "
            "allowables_perinterface:f8(ninter):out nplies:i4 nprops:i4 ninter:i4 inincrement:f8:opt=-0.001 "
            "dmgincrement_in:f8:opt=0.1 inloadcycles:f8:opt=1.0");
TVK_ROUTINE(delisio, find_allowable_nogrowth_tension, Find_Allowable_nogrowth_tension,
            "layup:f8(nplies) tply:f8 extensdmg:f8 length:f8 width:f8 props:f8(nprops) fibercrack:f8(nplies) "
            "dmgsizes:f8(ninter,2) nplies:i4 nprops:i4 ninter:i4 allowables_perply:f8(nplies):out "
            "strainallowable:f8:out forceallowables_perply:f8(nplies):out inincrement:f8:opt=-0.001 "
            "inloadcycles:f8:opt=1.0");
