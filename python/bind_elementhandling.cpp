// Python bindings of `elementhandling`: element stress-state conversions and shell kinematics.
#include "engine/bind.h"

#include "elements/shell.h"
#include "elements/stressstate.h"

TVK_ROUTINE(elementhandling, get3dinputfromelem, Get3DInputFromElem,
            "stress3d:f8(6):out strain3d:f8(6):out dstrain3d:f8(6):out stress_nye:f8(ncomp) "
            "strain_nye:f8(ncomp) dstrain_nye:f8(ncomp) ncomp:i4 transverse:f8(6):opt itnsflag:i4:opt=0 "
            "itshrflag:i4:opt=0 isaxial:l1:opt=0");
TVK_ROUTINE(elementhandling, get3dstressfromhex, Get3DStressFromHex,
            "stress:f8(6) stran:f8(6) dstran:f8(6) stress3d:f8(6):out stran3d:f8(6):out dstran3d:f8(6):out");
TVK_ROUTINE(elementhandling, get3dstressfromplanestrain, Get3DStressFromPlaneStrain,
            "stress:f8(4) stran:f8(4) dstran:f8(4) stress3d:f8(6):out stran3d:f8(6):out dstran3d:f8(6):out "
            "isaxial:l1");
TVK_ROUTINE(elementhandling, get3dstressfromplanestress, Get3DStressFromPlaneStress,
            "stress:f8(3) stran:f8(3) dstran:f8(3) transverse:f8(6) stress3d:f8(6):out stran3d:f8(6):out "
            "dstran3d:f8(6):out itnsflag:i4 itshrflag:i4");
TVK_ROUTINE(elementhandling, getelemoutputfrom3d, GetElemOutputFrom3D,
            "stresselem:f8(n):out tangentelem:f8(n,n):out stress3d:f8(6) tangent3d:f8(6,6) n:i4 "
            "isaxial:l1:opt=0");
TVK_ROUTINE(elementhandling, gethexoutputfrom3d, GetHexOutputFrom3D,
            "stresshex:f8(6):out tangenthex:f8(6,6):out stress3d:f8(6) tangent3d:f8(6,6)");
TVK_ROUTINE(elementhandling, getplanestrainoutputfrom3d, GetPlaneStrainOutputFrom3D,
            "stresspl:f8(4):out tangentpl:f8(4,4):out stress3d:f8(6) tangent3d:f8(6,6) isaxial:l1:opt=0");
TVK_ROUTINE(elementhandling, getplanestressoutputfrom3d, GetPlaneStressOutputFrom3D,
            "stressps:f8(3):out tangentps:f8(3,3):out stress3d:f8(6) tangent3d:f8(6,6)");
TVK_ROUTINE(elementhandling, getplanestressepszz, GetPlaneStressEpsZZ,
            "getplanestressepszz:f8:ret e33:f8 nu31:f8 nu32:f8 s11:f8 s22:f8");

TVK_ROUTINE(elementhandling, quad4shapefunmatrix, Quad4ShapeFunMatrix, "nshape:f8(4,3):out xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, tria6shapefunmatrix, Tria6ShapeFunMatrix, "nshape:f8(6,6):out xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, quad8shapefunmatrix, Quad8ShapeFunMatrix, "nshape:f8(8,6):out xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, hex8shapefunmatrix, Hex8ShapeFunMatrix,
            "nshape:f8(8,9):out xi:f8 eta:f8 zeta:f8");
TVK_ROUTINE(elementhandling, shelljacobian, ShellJacobian,
            "jac:f8(2,2):out nshape:f8(inodes,6):out ncoords:f8(3,inodes) inodes:i4 xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, shelljacobianinverse, ShellJacobianInverse, "jacinv:f8(2,2):out jac:f8(2,2)");
TVK_ROUTINE(elementhandling, shellfirstderivjacobian, ShellFirstDerivJacobian, "jac1:f8(3,3):out jac:f8(2,2)");
TVK_ROUTINE(elementhandling, shellfirstderivjacobianinverse, ShellFirstDerivJacobianInverse,
            "jac1inv:f8(3,3):out jac1:f8(3,3)");
TVK_ROUTINE(elementhandling, shellsecondderivjacobian, ShellSecondDerivJacobian,
            "jac2:f8(3,2):out nshape:f8(inodes,6) ncoords:f8(3,inodes) inodes:i4 xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, shellbmatrix, ShellBMatrix,
            "b:f8(8,40):out ncoords:f8(3,inodes) inodes:i4 xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, shellxderivbmatrix, ShellxDerivBMatrix,
            "xderivb:f8(2,40):out ncoords:f8(3,inodes) inodes:i4 xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, shellyderivbmatrix, ShellyDerivBMatrix,
            "yderivb:f8(2,40):out ncoords:f8(3,inodes) inodes:i4 xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, shellxderivshearforces, ShellxDerivShearForces,
            "xderivr:f8(2):out u:f8(40) hmat:f8(2,2) ncoords:f8(3,inodes) inodes:i4 xi:f8 eta:f8");
TVK_ROUTINE(elementhandling, shellyderivshearforces, ShellyDerivShearForces,
            "yderivr:f8(2):out u:f8(40) hmat:f8(2,2) ncoords:f8(3,inodes) inodes:i4 xi:f8 eta:f8");
