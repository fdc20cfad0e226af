// Python bindings of `prony`: cure kinetics and the step of one Prony term.
#include "engine/bind.h"

#include "solver/prony.h"

TVK_ROUTINE(prony, relaxation, Relaxation,
            "relaxation:f8:ret dold:f8 tau:f8 shift:f8 timestep:f8 stiffness:f8 pprony:f8 strain:f8");
TVK_ROUTINE(prony, curerate, CureRate,
            "curerate:f8:ret curvefit:f8(nc) t:f8 degree:f8 degmax:f8 nc:i4:check(nc>=7)");
TVK_ROUTINE(prony, funcdegree, FuncDegree,
            "funcdegree:f8:ret curvefit:f8(nc) t1:f8 degree0:f8 timestep:f8 degmax:f8 nc:i4:check(nc>=7)");
