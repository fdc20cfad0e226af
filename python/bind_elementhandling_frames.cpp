// Python bindings of `elementhandling`: element and nodal frames, curvatures, nodal motion and
// element displacement vectors.
#include "engine/bind.h"

#include "elements/frames.h"
#include "elements/motion.h"

TVK_ROUTINE(elementhandling, getnodereferencedata, GetNodeReferenceData, "lop:i4:out tflag:i4:opt=0");
TVK_ROUTINE(elementhandling, getelementtransformation, GetElementTransformation,
            "tcurv:f8(3,3):out origin:f8(3):out kappa:f8(2):out on:f8(8,3) refdir:f8(7) inodes:i4");
TVK_ROUTINE(elementhandling, getcurvatures, GetCurvatures,
            "delta:f8:out kappa:f8(2):out nshape:f8(inodes,6) lncoords:f8(inodes,3) inodes:i4");
TVK_ROUTINE(elementhandling, getnodaltransformation, GetNodalTransformation,
            "ti:f8(3,3,8):out on:f8(8,3) inodes:i4");
TVK_ROUTINE(elementhandling, getnodalshape, GetNodalShape,
            "nshape:f8(min(max(inodes,0),8),6):out locnode:i4 inodes:i4");

TVK_ROUTINE(elementhandling, getnodesmotion, GetNodesMotion,
            "ntraction:f8(3,nblock) nrotation:f8(ndim,nblock) nodeid:i4(nblock) ndim:i4:check(ndim<=3) nblock:i4 "
            "defreal:f8:opt=1.7976931348623157e308");
TVK_ROUTINE(elementhandling, shelltractiontransformation, ShellTractionTransformation,
            "ntrac:f8(3):inout nrot:f8(ndim):inout ti:f8(3,3) tcurv:f8(3,3) ndim:i4:check(ndim<=3)");
TVK_ROUTINE(elementhandling, getdisplacementvector, GetDisplacementVector,
            "u:f8(40):out nmotion:f8(mdof,inodes) inodes:i4 mdof:i4");
TVK_ROUTINE(elementhandling, getcenternodes, GetCenterNodes,
            "center:f8(ndim,npt):out vertices:f8(ndim,npt) ndim:i4 npt:i4");
