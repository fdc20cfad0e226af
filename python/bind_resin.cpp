// Python entry points of the resin property tables and laws and of the endochronic law
// (namespace `resin`).
#include "engine/bind.h"

#include "mechanics/endochronic.h"
#include "mechanics/resin.h"

TVK_ROUTINE(resin, getexternaldata, GetExternalData,
            "datafield:f8(n1,n2,n3) n1:i4:hide n2:i4:hide n3:i4:hide ndata:i4 x0:f8 temp:f8 "
            "rvalue:f8:out stype:s1");
TVK_ROUTINE(resin, getflowparameters, GetFlowParameters,
            "eqplaststrain:f8 a0:f8:out a1:f8:out temp:f8");
TVK_ROUTINE(resin, getmodulusfromtable, GetModulusFromTable, "eqstrain:f8 e:f8:out temp:f8");
// A count that switches the degradation law on (29 resp. 26) needs the whole vector (32 resp. 36);
// with the length checked, the law applies from the switch on.
TVK_ROUTINE(resin, getresinproperties, tvk::resin::properties,
            "props:f8(nprops) nprops:i4:check(nprops<29||len(props)>=32) temp:f8 e:f8:out "
            "nu:f8:out num:f8:out gamma:f8:out degr:f8:out xt:f8:out xc:f8:out np:f8:out "
            "a_woehler:f8:out exp_woehler:f8:out noel:i4");
TVK_ROUTINE(resin, getresinplasticproperties, tvk::resin::plastic_properties,
            "props:f8(nprops) nprops:i4:check(nprops<26||len(props)>=36) temp:f8 eqplaststrain:f8 "
            "et:f8:out ec:f8:out g:f8:out nut:f8:out nuc:f8:out a0:f8:out a1:f8:out alpha:f8:out "
            "degr:f8:out xt:f8:out xc:f8:out np:f8:out a_woehler:f8:out exp_woehler:f8:out");
TVK_ROUTINE(resin, getresinorthotropicproperties, tvk::resin::orthotropic_properties,
            "props:f8(nprops) nprops:i4:check(nprops<29||len(props)>=32) temp:f8 dt:f8 "
            "stran:f8(6) endstran:f8(6) e1:f8:out e2:f8:out e3:f8:out nu12:f8:out nu13:f8:out "
            "nu23:f8:out nu21:f8:out nu31:f8:out nu32:f8:out g12:f8:out g13:f8:out g23:f8:out "
            "xt:f8:out xc:f8:out np:f8:out a_woehler:f8:out exp_woehler:f8:out degr:f8:out "
            "noel:i4 d:f8");
TVK_ROUTINE(resin, equivalentstrain, EquivalentStrain,
            "strain:f8(ntens) eqstrain:f8:out ndi:i4 ntens:i4");
TVK_ROUTINE(resin, endochroneviscoplasticity, EndochroneViscoPlasticity,
            "stran:f8(6) dstrain:f8(6) props:f8(nprops) stress:f8(6):io+copy "
            "statev:f8(nstatev):io+copy dtime:f8 nprops:i4 nstatev:i4 writesdv:l1 matstate:l1");
