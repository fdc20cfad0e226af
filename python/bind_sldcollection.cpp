// Python bindings of `sldcollection`: impactor loads and tabulated amplitudes.
#include "engine/bind.h"

#include "solver/loads.h"

TVK_ROUTINE(sldcollection, dsload, dsload,
            "alpha:f8:out t_user:f8(3):io kstep:i4 coords:f8(3) dircos:f8(3,3) cprops:f8(20,nimp) "
            "dprops:f8(12,nimp):io nimp:i4 elemid:i4:opt=0");
TVK_ROUTINE(sldcollection, deload, deload,
            "alpha:f8:out t_user:f8(3):io kstep:i4 kinc:i4 time:f8(2) noel:i4 npt:i4 coords:f8(3) dircos:f8(3,3) "
            "jltyp:i4 sname:s80 cprops:f8(20,nimp) dprops:f8(12,nimp):io nimp:i4");
TVK_ROUTINE(sldcollection, cload, cload, "f:f8:out ldflag:f8:io cforce:f8 sname:s80");
TVK_ROUTINE(sldcollection, hertziansurfaceload, HertzianSurfaceLoad,
            "hertziansurfaceload:f8:ret f:f8 rcorr:f8 scorr:f8 r0:f8 s0:f8 rcontradius:f8 scontradius:f8");
TVK_ROUTINE(sldcollection, parabolicsurfaceload, ParabolicSurfaceLoad,
            "parabolicsurfaceload:f8:ret f:f8 rcorr:f8 scorr:f8 r0:f8 s0:f8 relementlength:f8 selementlength:f8");
TVK_ROUTINE(sldcollection, cosinesurfaceload, CosineSurfaceLoad,
            "cosinesurfaceload:f8:ret f:f8 rcorr:f8 scorr:f8 r0:f8 s0:f8 relementlength:f8 selementlength:f8");
TVK_ROUTINE(sldcollection, sinesurfaceload, SineSurfaceLoad,
            "sinesurfaceload:f8:ret f:f8 rcorr:f8 scorr:f8 r0:f8 s0:f8 relementlength:f8 selementlength:f8");
TVK_ROUTINE(sldcollection, pyramidalsurfaceload, PyramidalSurfaceLoad,
            "pyramidalsurfaceload:f8:ret f:f8 rcorr:f8 scorr:f8 r0:f8 s0:f8 relementlength:f8 selementlength:f8");
TVK_ROUTINE(sldcollection, uniformsurfaceload, UniformSurfaceLoad,
            "uniformsurfaceload:f8:ret f:f8 relementlength:f8 selementlength:f8");
TVK_ROUTINE(sldcollection, camplitude, CAMPLITUDE, "amp:f8:out xydata:f8(ndata) xvalue:f8 ndata:i4 skip:l4:opt=0");
TVK_ROUTINE(sldcollection, chysteresis, CHYSTERESIS,
            "amp:f8:out passed:f8:io xydata:f8(ndata) xvalue:f8 ndata:i4 skip:l4:opt=0");
