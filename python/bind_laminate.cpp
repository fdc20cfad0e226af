// Python entry points of the laminate routines (namespace `laminate`): lamination theory, ply
// strains and stresses, through-thickness recovery and transverse shear stiffness, stack
// averages, lamination parameters and laminate constants.
#include "engine/bind.h"

#include "mechanics/laminate.h"

// --- Classical lamination theory ---------------------------------------------------------------
TVK_ROUTINE(laminate, getplyzcoord, GetPlyZCoord,
            "getplyzcoord:f8:ret plythickness:f8(nplies) iply:i4 nplies:i4 zpos:i4 refoffset:f8:opt=0.0");
TVK_ROUTINE(laminate, getsectionzcoord, GetSectionZCoord,
            "plyzcoord:f8(2*nplies+1,nsec):out sectionlist:i4(nplies,nsec) plythickness:f8(nplies,nsec) "
            "nplies:i4 nsec:i4 defint:i4:opt=2147483647");
TVK_ROUTINE(laminate, getamatrix, GetAMatrix,
            "a:f8(3,3):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) nplies:i4");
TVK_ROUTINE(laminate, getbmatrix, GetBMatrix,
            "b:f8(3,3):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) nplies:i4");
TVK_ROUTINE(laminate, getdmatrix, GetDMatrix,
            "d:f8(3,3):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) nplies:i4");
TVK_ROUTINE(laminate, getabdmatrix, GetABDMatrix, "abd:f8(6,6):out a:f8(3,3) b:f8(3,3) d:f8(3,3)");
TVK_ROUTINE(laminate, getpartialamatrix, GetPartialAMatrix,
            "aprt:f8(3,3):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) "
            "zcrd:f8 iply:i4 nplies:i4");
TVK_ROUTINE(laminate, getpartialbmatrix, GetPartialBMatrix,
            "bprt:f8(3,3):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) "
            "zcrd:f8 iply:i4 nplies:i4");
TVK_ROUTINE(laminate, getreducedbendingstiffness, GetReducedBendingStiffness,
            "dred:f8(3,3):out a:f8(3,3) b:f8(3,3) d:f8(3,3)");
TVK_ROUTINE(laminate, getabdtilde, GetABDTilde,
            "a:f8(3,3) b:f8(3,3) d:f8(3,3) atstar:f8(3,3):out btstar:f8(3,3):out dtstar:f8(3,3):out");
// The thermal form (thflag 1) fills one column per point: xint is then (3, 1, nzcrd).
TVK_ROUTINE(laminate, getarbitrarylaminateintegral, GetArbitraryLaminateIntegral,
            "xint:f8(3,3-2*(thflag==1),nzcrd):out expo:i4 plyprops:f8(nprops,nplies) plyorientation:f8(nplies) "
            "plyzcoord:f8(nzcrd) plysectionpoint:i4(nplies) nzcrd:i4 nplies:i4 nprops:i4 thflag:i4:opt=0");
TVK_ROUTINE(laminate, geteffectiveplatestiffness, GetEffectivePlateStiffness,
            "geteffectiveplatestiffness:f8:ret plyelastic:f8(9,nplies) plyorientation:f8(nplies) "
            "plythickness:f8(nplies) nplies:i4");

// --- Ply strains and stresses ------------------------------------------------------------------
TVK_ROUTINE(laminate, getplystrain, GetPlyStrain,
            "plystrain:f8(3,nzcrd):out se:f8(6) plyzcoord:f8(nzcrd) nzcrd:i4");
TVK_ROUTINE(laminate, getsectionstrain, GetSectionStrain,
            "plystrain:f8(3,3*nplies):out se:f8(6) plyorientation:f8(nplies) plythickness:f8(nplies) "
            "nplies:i4 reference:f8:opt=0.0");
TVK_ROUTINE(laminate, getplybottomtopstress, GetPlyBottomTopStress,
            "sbt:f8(6,2*nplies):out sestress:f8(6,nzcrd) plysectionpoint:i4(nplies) nzcrd:i4 nplies:i4");
TVK_ROUTINE(laminate, getsublaminatestack, GetSubLaminateStack,
            "sublamstack:i4(2):out plythickness:f8(nplies) intface:i4 nplies:i4");
TVK_ROUTINE(laminate, getsublaminatexmatrix, GetSubLaminateXMatrix,
            "xsub:f8(3,3):out slflag:s1 plyelastic:f8(9,nplies) plyorientation:f8(nplies) "
            "plythickness:f8(nplies) sublamstack:i4(2) nplies:i4");
TVK_ROUTINE(laminate, getchaidelamfactors, GetChaiDelamFactors,
            "chaidfactors:f8(3):out qonl:f8(3,3) qonu:f8(3,3) dangl_d:f8 plythickl:f8 plythicku:f8 "
            "g23l:f8 g23u:f8 g13l:f8 g13u:f8");

// --- Lamination parameters, decoupling angle, laminate constants -------------------------------
TVK_ROUTINE(laminate, getvmatrix, GetVMatrix,
            "v:f8(4,3):out plyorientation:f8(nplies) plythickness:f8(nplies) nplies:i4");
TVK_ROUTINE(laminate, getengconstsfromabdmatrix, GetEngConstsFromABDMatrix,
            "eng:f8(8):out abd:f8(6,6) h:f8 tcflag:l1:opt=0");
TVK_ROUTINE(laminate, getdecoupangle, GetDecoupAngle,
            "getdecoupangle:f8:ret plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) "
            "nplies:i4");
TVK_ROUTINE(laminate, getdangle, GetdAngle,
            "getdangle:f8:ret plyorientation:f8(nplies) luflag:i4 iply:i4 nplies:i4");
