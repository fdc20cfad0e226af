// Python bindings of the sublaminate buckling routines (namespace `sublaminate`).
#include "engine/bind.h"

#include "failure/sublaminate.h"

TVK_ROUTINE(sublaminate, getkkellipse, GetKKEllipse, "kk:f8(6,6):out kktype:i4");
TVK_ROUTINE(sublaminate, getkkrectangle, GetKKRectangle, "kk:f8(6,6):out kktype:i4");
TVK_ROUTINE(sublaminate, getkkrecttang, GetKKRectTang, "kk:f8(6,6):out kktype:i4");
TVK_ROUTINE(sublaminate, getkgellipse, GetKGEllipse, "kg:f8(6,6):out kgtype:i4");
TVK_ROUTINE(sublaminate, getkgrectangle, GetKGRectangle, "kg:f8(6,6):out kgtype:i4");
TVK_ROUTINE(sublaminate, getkgrecttang, GetKGRectTang, "kg:f8(6,6):out kgtype:i4");
TVK_ROUTINE(sublaminate, getsubkk, GetSubKK, "subkk:f8(6,6):out dred:f8(3,3) a:f8 b:f8 dshape:i4");
TVK_ROUTINE(sublaminate, getsubkg, GetSubKG,
            "subkg:f8(6,6):out nglob:f8(3) abd:f8(6,6) abdinv:f8(6,6) a:f8 b:f8 dangle:f8 dshape:i4");
TVK_ROUTINE(sublaminate, getsublambucklingstrain, GetSubLamBucklingStrain,
            "eps:f8:out nx:f8:out eigvec:f8(6):out dsize:f8(3) nglob:f8(3) plyelastic:f8(9,nplies) "
            "plyorientation:f8(nplies) plythickness:f8(nplies) dshape:i4 nplies:i4");
TVK_ROUTINE(sublaminate, delaminatedbucklinganalysis, DelaminatedBucklingAnalysis,
            "epsbuck:f8:out bukrealdatalist:f8(12,max(nplies-1,1)):out bukintdatalist:i4(4,max(nplies-1,1)):out "
            "comprstrength:f8 plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) "
            "plydelamination:f8(3,max(nplies-1,1)) plydshape:i4(max(nplies-1,1)) nplies:i4");
TVK_ROUTINE(sublaminate, getbukdatafromdds, GetBukDataFromDDS,
            "bukrealdatalist:f8(12,max(nplies-1,1),ndmg,nsec):out bukintdatalist:i4(4,max(nplies-1,1),ndmg,nsec):out "
            "delamdds:f8(3,max(nplies-1,1),ndmg) plydshape:i4(max(nplies-1,1),ndmg) comprstrength:f8(nsec) "
            "plyelastic:f8(9,nplies,nsec) plyorientation:f8(nplies,nsec) plythickness:f8(nplies,nsec) "
            "sectionlist:i4(nplies,nsec) ndmg:i4 nplies:i4 nsec:i4 defint:i4:opt=2147483647");
