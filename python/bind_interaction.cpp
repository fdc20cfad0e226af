// Python bindings of the impact contact laws (namespace `interaction`).
#include "engine/bind.h"

#include "mechanics/contact.h"

// k,eeff = contactstiffness(args,csflag,[numargs])
TVK_ROUTINE(interaction, contactstiffness, ContactStiffness,
            "k:f8:out eeff:f8:out args:f8(numargs) numargs:i4 csflag:i4");
// radius = contactradius(args,cdflag,[numargs])
TVK_ROUTINE(interaction, contactradius, ContactRadius,
            "radius:f8:out args:f8(numargs) numargs:i4 cdflag:i4");
// indentation = contactdepth(args,cdflag,[numargs])
TVK_ROUTINE(interaction, contactdepth, ContactDepth,
            "indentation:f8:out args:f8(numargs) numargs:i4 cdflag:i4");
// fx,dfx = contactlaw(xold,args,clflag,[numargs]); its capsule (`_cpointer`) is a native
// call-back of math.bdsafe and math.nrsafe.
TVK_ROUTINE(interaction, contactlaw, ContactLaw,
            "fx:f8:out dfx:f8:out xold:f8 args:f8(numargs) numargs:i4 clflag:i4");
// dprops = contactarea(dprops,coord,noel,[nimp,elemlength,overwrite_dprops])
TVK_ROUTINE(interaction, contactarea, ContactArea,
            "dprops:f8(12,nimp):io+copy coord:f8(3) noel:i4 nimp:i4 elemlength:f8(3):opt=-1.0");
// gethugonoitelasticlimit = gethugonoitelasticlimit(yc,nu)
TVK_ROUTINE(interaction, gethugonoitelasticlimit, GetHugonoitElasticLimit,
            "gethugonoitelasticlimit:f8:ret yc:f8 nu:f8");
