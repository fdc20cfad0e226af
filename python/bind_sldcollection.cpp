// Python bindings of `sldcollection`: impactor loads and tabulated amplitudes.
#include "engine/bind.h"
#include "engine/solver.h"

#include "solver/loads.h"

TVK_SOLVER_ROUTINE(sldcollection, dsload, Dsload, dsload);
TVK_SOLVER_ROUTINE(sldcollection, deload, Deload, deload);
TVK_SOLVER_ROUTINE(sldcollection, cload, Cload, cload);
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
TVK_SOLVER_ROUTINE(sldcollection, camplitude, Camplitude, CAMPLITUDE);
TVK_SOLVER_ROUTINE(sldcollection, chysteresis, Chysteresis, CHYSTERESIS);
