// Python entry points of the tensor algebra and geometry routines (namespace `math`).
#include "engine/bind.h"

#include "core/tensor.h"

TVK_ROUTINE(math, getrotationmatrix, GetRotationMatrix, "trot:f8(3,3):out n:f8(3) alpha_r:f8");
TVK_ROUTINE(math, gettransformationmatrix, GetTransformationMatrix,
            "tbase:f8(3,3):out nx:f8(3) ny:f8(3) nz:f8(3)");
TVK_ROUTINE(math, geteulerrotation, GetEulerRotation, "eul:f8(3):out r:f8(3,3)");
TVK_ROUTINE(math, tensortransformation2nd, TensorTransformation2nd,
            "tensin:f8(3,3) tensout:f8(3,3):out tbase:f8(3,3)");
// An omitted n0 reaches the routine as a zero vector, which it takes as the x axis.
TVK_ROUTINE(math, tensorrotation2nd, TensorRotation2nd,
            "input_2nd:f8(3,3) output_2nd:f8(3,3):out angle_r:f8 n0:f8(3):opt");
TVK_ROUTINE(math, tensorrotation4th, TensorRotation4th,
            "input_4th:f8(3,3,3,3) output_4th:f8(3,3,3,3):out angle_r:f8 n0:f8(3):opt");
TVK_ROUTINE(math, tensormultiplication, tensormultiplication,
            "t_4th:f8(3,3,3,3) t_2nd:f8(3,3) out_2nd:f8(3,3):out");
TVK_ROUTINE(math, coordinaterotation, CoordinateRotation,
            "a:f8(3) p:f8(3) prot:f8(3):out alpha_d:f8");
TVK_ROUTINE(math, coordinatetranslation, CoordinateTranslation,
            "a:f8(3) p:f8(3) ptrans:f8(3):out");
TVK_ROUTINE(math, coordinatereflection, CoordinateReflection,
            "na:f8(3) nb:f8(3) p:f8(3) pref:f8(3):out");
TVK_ROUTINE(math, coordinateprojection, CoordinateProjection,
            "u:f8(3) v:f8(3) p:f8(3) ppro:f8(3):out r0:f8(3):opt");
TVK_ROUTINE(math, coordinatenormalization, CoordinateNormalization,
            "p:f8(np,ndim) pnorm:f8(np,ndim):out interval:f8(2) np:i4 ndim:i4");
TVK_ROUTINE(math, getabvector, GetABVector, "v:f8(n):out a:f8(n) b:f8(n) n:i4");
TVK_ROUTINE(math, shoelacemethod, ShoelaceMethod, "shoelacemethod:f8:ret x:f8(n) y:f8(n) n:i4");
TVK_ROUTINE(math, getcentroid, GetCentroid, "c:f8(2):out x:f8(n) y:f8(n) n:i4");
TVK_ROUTINE(math, gettrianglearea, gettrianglearea,
            "gettrianglearea:f8:ret x1:f8 y1:f8 x2:f8 y2:f8 x3:f8 y3:f8");
TVK_ROUTINE(math, getboundingboxfromellipse, GetBoundingBoxFromEllipse,
            "xybound:f8(2):out a:f8 b:f8 phi_d:f8");
TVK_ROUTINE(math, getradiusofellipse, GetRadiusOfEllipse, "r:f8:out a:f8 b:f8 phi_d:f8");
TVK_ROUTINE(math, getparabolacoefficients, GetParabolaCoefficients, "ind:f8(3,2) oud:f8(3):out");
TVK_ROUTINE(math, getpercentile, getpercentile,
            "array:f8(ndim) ndim:i4 percentile:f8 event:f8:out classsize:i4");
