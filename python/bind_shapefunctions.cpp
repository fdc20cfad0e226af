// Python bindings of the shape-function families `truss3`, `tria6`, `quad4`, `quad8`, `hex8`.
#include "engine/bind.h"

#include "elements/shapefunctions.h"

TVK_ROUTINE(truss3, truss3sf, Truss3SF, "truss3sf:f8:ret xi:f8 inode:i4");
TVK_ROUTINE(truss3, truss3firstderivsf, Truss3FirstDerivSF, "truss3firstderivsf:f8:ret xi:f8 inode:i4");

TVK_ROUTINE(tria6, tria6sf, Tria6SF, "tria6sf:f8:ret xi:f8 eta:f8 inode:i4");
TVK_ROUTINE(tria6, tria6firstderivsf, Tria6FirstDerivSF,
            "tria6firstderivsf:f8:ret xi:f8 eta:f8 inode:i4 idvar:i4");
TVK_ROUTINE(tria6, tria6secondderivsf, Tria6SecondDerivSF,
            "tria6secondderivsf:f8:ret xi:f8 eta:f8 inode:i4 idvar:i4 iidvar:i4");

TVK_ROUTINE(quad4, quad4sf, Quad4SF, "quad4sf:f8:ret xi:f8 eta:f8 inode:i4");
TVK_ROUTINE(quad4, quad4firstderivsf, Quad4FirstDerivSF,
            "quad4firstderivsf:f8:ret xi:f8 eta:f8 inode:i4 idvar:i4");

TVK_ROUTINE(quad8, quad8sf, Quad8SF, "quad8sf:f8:ret xi:f8 eta:f8 inode:i4");
TVK_ROUTINE(quad8, quad8firstderivsf, Quad8FirstDerivSF,
            "quad8firstderivsf:f8:ret xi:f8 eta:f8 inode:i4 idvar:i4");
TVK_ROUTINE(quad8, quad8secondderivsf, Quad8SecondDerivSF,
            "quad8secondderivsf:f8:ret xi:f8 eta:f8 inode:i4 idvar:i4 iidvar:i4");

TVK_ROUTINE(hex8, hex8sf, Hex8SF, "hex8sf:f8:ret xi:f8 eta:f8 zeta:f8 inode:i4");
TVK_ROUTINE(hex8, hex8firstderivsf, Hex8FirstDerivSF,
            "hex8firstderivsf:f8:ret xi:f8 eta:f8 zeta:f8 inode:i4 idvar:i4");
TVK_ROUTINE(hex8, hex8secondderivsf, Hex8SecondDerivSF,
            "hex8secondderivsf:f8:ret xi:f8 eta:f8 zeta:f8 inode:i4 idvar:i4 iidvar:i4");
