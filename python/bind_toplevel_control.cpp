// Python bindings of the analysis-control and auxiliary solver hooks (namespace `toplevel`).
#include "engine/bind.h"

#include "solver/hooks.h"

TVK_ROUTINE(toplevel, vucharlength_cel, vucharlength_cel,
            "nblock:i4 nfieldv:i4 nprops:i4 ncomp:i4 ndim:i4 nnode:i4 nstatev:i4 ksecpt:i4 klayer:i4 kintpt:i4 "
            "jeltype:i4(3) jelem:i4(nblock) totaltime:f8 steptime:f8 dt:f8 cmname:s80 coordmp:f8(nblock,ndim) "
            "coordnode:f8(nblock,nnode,ndim) tdirect:f8(nblock,3,3) t:f8(nblock,3,3) props:f8(nprops) "
            "field:f8(nblock,nfieldv) stateold:f8(nblock,nstatev) charlength:f8(nblock,ncomp):out");
TVK_ROUTINE(toplevel, uvarm_report, uvarm_report,
            "uvar:f8(nuvarm):io tdirect:f8(3,3) t:f8(3,3) time:f8(2) dtime:f8 cmname:s80 orname:s80 nuvarm:i4 "
            "noel:i4 npt:i4 layer:i4 kspt:i4 kstep:i4 kinc:i4 ndi:i4 nshr:i4 coord:f8(3) jmac:i4(1) "
            "jmatyp:i4(1) matlayo:i4 laccfla:i4");
TVK_ROUTINE(toplevel, vdisp_nullify, vdisp_nullify,
            "nblock:i4 mdof:i4 ncoord:i4 kstep:i4 kinc:i4 steptime:f8 totaltime:f8 dtnext:f8 dt:f8 cbname:s80 "
            "jbctype:i4 jdof:i4 jnodeuid:i4(nblock) amp:f8 coordnp:f8(ncoord,nblock) u:f8(mdof,nblock) "
            "v:f8(mdof,nblock) a:f8(mdof,nblock) rf:f8(mdof,nblock) rmass:f8(nblock) rotaryi:f8(nblock,3,3) "
            "rval:f8(mdof,nblock)");
TVK_ROUTINE(toplevel, mpc_nullify, mpc_nullify,
            "ue:f8(mdof):io a:f8(mdof,mdof,n):out jdof:i4(mdof,n):out mdof:i4 n:i4 jtype:i4 x:f8(6,n) "
            "u:f8(maxdof,n) uinit:f8(maxdof,n) maxdof:i4 lmpc:i4:io kstep:i4 kinc:i4 time:f8(2) nt:i4 nf:i4 "
            "temp:f8(nt,n) field:f8(nf,nt,n) ltran:i4(n) tran:f8(3,3,n)");
TVK_ROUTINE(toplevel, gen_sdvini, gen_sdvini,
            "statev:f8(nstatv):io coords:f8(ncrds) nstatv:i4 ncrds:i4 noel:i4 npt:i4 layer:i4 kspt:i4");
