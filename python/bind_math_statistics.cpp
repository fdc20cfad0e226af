// Python entry points of the statistics, special functions and numerical helpers (namespace
// `math`).
#include "engine/bind.h"

#include "core/statistics.h"

TVK_ROUTINE(math, vectornormalize, VectorNormalize, "x:f8(n) z:f8(n):out n:i4");
TVK_ROUTINE(math, matrixnormalize, MatrixNormalize, "x:f8(n,m) z:f8(n,m):out n:i4 m:i4");
TVK_ROUTINE(math, monoticity, Monoticity, "monoticity:i4:ret x:f8(n) n:i4");
TVK_ROUTINE(math, euclideandistance, EuclideanDistance,
            "euclideandistance:f8:ret x:f8(n) y:f8(n) n:i4");
TVK_ROUTINE(math, euclideanangle, EuclideanAngle, "euclideanangle:f8:ret x:f8(n) y:f8(n) n:i4");
TVK_ROUTINE(math, getunitvector, GetUnitVector, "xu:f8(n):out x:f8(n) n:i4");
TVK_ROUTINE(math, scalarprojection, ScalarProjection,
            "scalarprojection:f8:ret a:f8(n) b:f8(n) n:i4");
TVK_ROUTINE(math, meanabsoluteerror, MeanAbsoluteError,
            "meanabsoluteerror:f8:ret x:f8(n) y:f8(n) n:i4");
TVK_ROUTINE(math, rootmeansquareerror, RootMeanSquareError,
            "rootmeansquareerror:f8:ret x:f8(n) y:f8(n) n:i4");
TVK_ROUTINE(math, dasinh, dasinh, "y:f8:ret x:f8");
TVK_ROUTINE(math, dacosh, dacosh, "y:f8:ret x:f8");
TVK_ROUTINE(math, datanh, datanh, "y:f8:ret x:f8");
TVK_ROUTINE(math, dacoth, dacoth, "y:f8:ret x:f8");
TVK_ROUTINE(math, fishertransformation, fishertransformation,
            "fishertransformation:f8:ret x:f8 iflag:i4:opt=-1");
TVK_ROUTINE(math, droundsf, droundsf, "droundsf:f8:ret a:f8 sig:i4:opt=8");
TVK_ROUTINE(math, dceil, dceil, "dceil:f8:ret a:f8");
TVK_ROUTINE(math, trapezoidintegration, trapezoidintegration,
            "r:f8:ret x:f8(nx) nx:i4:hide y:f8(ny) ny:i4:hide");
TVK_ROUTINE(math, gradient, Gradient, "jac:f8(a,b):out dy:f8(a,b) dx:f8(b) a:i4 b:i4");
TVK_ROUTINE(math, complexstepderivative, ComplexStepDerivative,
            "derivative:f8(n):out y:c16(n) x:c16(n) n:i4");
TVK_ROUTINE(math, centralstepderivative, CentralStepDerivative,
            "derivative:f8(n):out y:f8(n) x:f8(n) n:i4");
TVK_ROUTINE(math, pascaltriangle, PascalTriangle, "pascaltriangle:f8:ret n:i4 k:i4");
TVK_ROUTINE(math, effectivearclength, EffectiveArcLength,
            "effectivearclength:f8:ret oa:f8(n) ob:f8(n) curvature:f8 n:i4");
TVK_ROUTINE(math, polartransformation, PolarTransformation,
            "cartesian:f8(n) polar:f8(n):out n:i4 phi0:f8:opt=0.0");
