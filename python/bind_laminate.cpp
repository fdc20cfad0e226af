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

// --- Through-thickness recovery ----------------------------------------------------------------
TVK_ROUTINE(laminate, getsmallfmatrix, GetSmallFMatrix,
            "smallf:f8(2,2):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) "
            "zcrd:f8 fa:f8(3,3) fb:f8(3,3) iply:i4 nplies:i4");
TVK_ROUTINE(laminate, getsectionfmatrix, GetSectionFMatrix,
            "plysmallf:f8(2*nplies+1,4,nsec):out sectionlist:i4(nplies,nsec) plyorientation:f8(nplies,nsec) "
            "plythickness:f8(nplies,nsec) plyzcoord:f8(2*nplies+1,nsec) plyelastic:f8(9,nplies,nsec) nplies:i4 "
            "nsec:i4 defint:i4:opt=2147483647");
TVK_ROUTINE(laminate, getarbitrarysmallf, GetArbitrarySmallF,
            "afmat:f8(2,2):out iply:i4 zpos:f8 zcoord:f8(2*nplies+1) smallfmatrix:f8(2*nplies+1,4) "
            "nplies:i4:opt=(shape(smallfmatrix,0)-1)/2:check(nplies>=0)");
TVK_ROUTINE(laminate, getext2dshearstress, GetExt2DShearStress,
            "xytss:f8(nplies*max(nspt,0),2):out r:f8(2) plyorientation:f8(nplies) smallfmatrix:f8(2*nplies+1,4) "
            "nspt:i4 nplies:i4");
TVK_ROUTINE(laminate, getnormalstressfrombottom, GetNormalStressFromBottom,
            "s33:f8(2*nplies+1):out rdx:f8(2) rdy:f8(2) zcoord:f8(2*nplies+1) smallfmatrix:f8(2*nplies+1,4) "
            "nplies:i4:opt=(shape(smallfmatrix,0)-1)/2:check(nplies>=0)");
TVK_ROUTINE(laminate, getnormalstressfromtop, GetNormalStressFromTop,
            "s33:f8(2*nplies+1):out rdx:f8(2) rdy:f8(2) s33bc:f8 zcoord:f8(2*nplies+1) "
            "smallfmatrix:f8(2*nplies+1,4) nplies:i4:opt=(shape(smallfmatrix,0)-1)/2:check(nplies>=0)");
TVK_ROUTINE(laminate, getintegralofmembranenormalstress, GetIntegralOfMembraneNormalStress,
            "sint:f8(nzcrd):out sbt:f8(2*nplies) plyzcoord:f8(nzcrd) plysectionpoint:i4(nplies) ki:f8 kj:f8 "
            "nzcrd:i4 nplies:i4");
TVK_ROUTINE(laminate, getpartialabwithcurvature, getpartialabwithcurvature,
            "pij:f8(3,pdim,nzcrd):out p0:f8(3,pdim,nzcrd) p1:f8(3,pdim,nzcrd) p2:f8(3,pdim,nzcrd) ki:f8 kj:f8 "
            "pdim:i4 nzcrd:i4");
TVK_ROUTINE(laminate, getpartialfg, GetPartialFG,
            "fg:f8(3,3,nzcrd):out p1:f8(3,3,nzcrd) p2:f8(3,3,nzcrd) tstar1:f8(3,3) tstar2:f8(3,3) nzcrd:i4 "
            "fgflag:i4");
TVK_ROUTINE(laminate, getpartialcdwithcurvature, GetPartialCDwithCurvature,
            "xij:f8(3,ndim,nzcrd):out pij:f8(3,ndim,nzcrd) plyprops:f8(nprops,nplies) plyorientation:f8(nplies) "
            "plyzcoord:f8(nzcrd) plysectionpoint:i4(nplies) ki:f8 kj:f8 ndim:i4 nzcrd:i4 nplies:i4 nprops:i4 "
            "cdflag:i4");
TVK_ROUTINE(laminate, getarbitrarysectionfg, GetArbitrarySectionFG,
            "fg:f8(2*nplies+1,4,nsec):out sectionlist:i4(nplies,nsec) plyorientation:f8(nplies,nsec) "
            "plythickness:f8(nplies,nsec) plyzcoord:f8(2*nplies+1,nsec) plyelastic:f8(9,nplies,nsec) nplies:i4 "
            "nsec:i4 csflag:i4 fgflag:i4 xycurv:f8(2):opt=[0.0,0.0] defint:i4:opt=2147483647");

// --- Transverse shear stiffness ----------------------------------------------------------------
TVK_ROUTINE(laminate, getsectionhmatrix, GetSectionHMatrix,
            "sehmatrix:f8(2,2,nsec):out sectionlist:i4(nplies,nsec) plyorientation:f8(nplies,nsec) "
            "plythickness:f8(nplies,nsec) plyelastic:f8(9,nplies,nsec) nplies:i4 nsec:i4 method:i4:opt=1 "
            "defint:i4:opt=2147483647");
TVK_ROUTINE(laminate, gethmatrixshearcorrect, GetHMatrixShearCorrect,
            "hshear:f8(2,2):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) nplies:i4");
TVK_ROUTINE(laminate, gethmatriximprovedshear, GetHMatrixImprovedShear,
            "hext2d:f8(2,2):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) nplies:i4");
TVK_ROUTINE(laminate, gethmatrixquadrature, GetHMatrixQuadrature,
            "hquad:f8(2,2):out plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) nplies:i4");
TVK_ROUTINE(laminate, getshearcorrectfactors, GetShearCorrectFactors,
            "sk:f8(2):out hlam:f8(2,2) plyelastic:f8(9,nplies) plyorientation:f8(nplies) plythickness:f8(nplies) "
            "nplies:i4");

// --- Stack stiffness averages ------------------------------------------------------------------
TVK_ROUTINE(laminate, getvoigteffectivestiffness, GetVoigtEffectiveStiffness,
            "cvoigt:f8(6,6):out volratios:f8(nvols) rotatedstiffnessmatrices:f8(6,6,nvols) nvols:i4");
TVK_ROUTINE(laminate, getreusseffectivestiffness, GetReussEffectiveStiffness,
            "creuss:f8(6,6):out volratios:f8(nvols) rotatedstiffnessmatrices:f8(6,6,nvols) nvols:i4");
TVK_ROUTINE(laminate, getsuneffectivestiffness, GetSunEffectiveStiffness,
            "csun:f8(6,6):out volratios:f8(nvols) rotatedstiffnessmatrices:f8(6,6,nvols) nvols:i4");
TVK_ROUTINE(laminate, getchoueffectivestiffness, GetChouEffectiveStiffness,
            "chou:f8(6,6):out volratios:f8(nvols) rotatedstiffnessmatrices:f8(6,6,nvols) nvols:i4");
TVK_ROUTINE(laminate, gethenryeffectivestiffness, GetHenryEffectiveStiffness,
            "chenry:f8(6,6):out volratios:f8(nvols) rotatedstiffnessmatrices:f8(6,6,nvols) nvols:i4");
