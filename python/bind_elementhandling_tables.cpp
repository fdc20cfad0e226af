// Python bindings of `elementhandling`: element catalogue, element tables, element lengths and
// orientations.
#include "engine/bind.h"

#include "elements/catalogue.h"
#include "elements/elementtables.h"
#include "elements/orientation.h"

TVK_ROUTINE(elementhandling, getabqelementkind, getabqelementkind, "getabqelementkind:i4:ret elemtype:s*");
TVK_ROUTINE(elementhandling, getabqelementconnectivity, getabqelementconnectivity,
            "connectivity:i4(nconnect) elemid:i4 elemtype:s* iele:i4:io:opt=0 nconnect:i4");

TVK_ROUTINE(elementhandling, getnodalpatch, GetNodalPatch,
            "nodalpatch:f8(3,npt):inout nodalcoords:f8(3,nnodes,nelem) elemnodes:i4(nnodes,nelem) elemid:i4 "
            "npt:i4 nnodes:i4 nelem:i4 tolerance:f8:opt=1e-10 exflag:i4:opt=0 ntree:i4:opt=1 recursion:i4:opt=0");
TVK_ROUTINE(elementhandling, getdatafrompatch, GetDataFromPatch,
            "patchdata:f8(ndata,npt):out refdata:f8(ndata,nnodes,nelem) patchcoords:f8(ndim,npt) "
            "refcoords:f8(ndim,nnodes,nelem) ndata:i4 npt:i4 ndim:i4 nnodes:i4 nelem:i4 tolerance:f8:opt=1e-10");
TVK_ROUTINE(elementhandling, getelementreferencedata, GetElementReferenceData,
            "nshell:i4:out ierror:i4:out ind:i4");
TVK_ROUTINE(elementhandling, getnodalcoordinates, GetNodalCoordinates,
            "coordnp:f8(ncoord,nblock) nodeid:i4(nblock) ncoord:i4:check(ncoord<=3) nblock:i4");

TVK_ROUTINE(elementhandling, gethex8elemlength, GetHex8ElemLength,
            "elemlength:f8(3):out matcos:f8(3,3) nodalcoord:f8(3,8)");
TVK_ROUTINE(elementhandling, getquad4elemlength, GetQuad4ElemLength,
            "elemlength:f8(3):out tdirect:f8(3,3) nodalcoord:f8(3,4)");
TVK_ROUTINE(elementhandling, gettruss3elemlength, GetTruss3ElemLength, "elemlength:f8:out nodalcoord:f8(3,2)");
TVK_ROUTINE(elementhandling, gettruss3transformationmatrix, GetTruss3TransformationMatrix,
            "te:f8(2,6):out nodalcoord:f8(3,2)");
TVK_ROUTINE(elementhandling, getabqelementorientation, GetABQElementOrientation,
            "getabqelementorientation:f8:ret rm:f8(3) tdirect:f8(3,3)");
TVK_ROUTINE(elementhandling, getelementreforientation, GetElementRefOrientation,
            "istatus:i4:out ind:i4 t:f8(3,3) tdirect:f8(3,3) plyorientation:f8(nplies,nsec) noel:i4 kspt:i4 "
            "layid:i4 secid:i4 nplies:i4 nsec:i4 nextid:i4");
TVK_ROUTINE(elementhandling, getsectionreforientation, GetSectionRefOrientation,
            "theta:f8:out so:f8(3) nvector:f8(3) r12:f8(3)");
