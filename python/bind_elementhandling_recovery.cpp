// Python binding of `elementhandling`: transverse stress recovery of thick shells.
#include "engine/bind.h"

#include "elements/transversestress.h"

TVK_ROUTINE(elementhandling, getshelltransversestresses, GetShellTransverseStresses,
            "tnormalstress:f8(nzcoord,nelem):io+copy tshearstress:f8(nintpoint,2,4,nelem):io+copy "
            "nodalcoords:f8(3,nnodes,nelem) nodesmotion:f8(ndof,nnodes,nelem) sestress:f8(6,nintpoint,npt,nelem) "
            "npt:i4:hide sehmatrix:f8(2,2,nsec) sefmatrix:f8(nzcoord,4,nsec) plyorientation:f8(nplies,nsec) "
            "plythickness:f8(nplies,nsec) plyzcoord:f8(nzcoord,nsec) plyelastic:f8(9,nplies,nsec) "
            "elemsectionpoints:i4(nelem) elemcurvatures:f8(2,nelem) elemkind:i4(nelem) sectionlist:i4(nplies,nsec) "
            "elemid:i4 gpid:i4 secid:i4 itnsflag:i4 itshrflag:i4 nplies:i4 nsec:i4 nzcoord:i4 nintpoint:i4 ndof:i4 "
            "nnodes:i4 nelem:i4");
