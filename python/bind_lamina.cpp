// Python entry points of the ply routines (namespace `lamina`): notations, ply stiffness and
// compliance, transformations and rotated stresses, stress measures.
#include "engine/bind.h"

#include "mechanics/lamina.h"
#include "mechanics/notation.h"
#include "mechanics/stressmeasures.h"
#include "mechanics/transformation.h"

// --- Notations ---------------------------------------------------------------------------------
TVK_ROUTINE(lamina, nyenotation, NyeNotation, "nn:f8(6):out q:f8(3,3)");
TVK_ROUTINE(lamina, voigtnotation, VoigtNotation, "vn:f8(6):out q:f8(3,3)");
TVK_ROUTINE(lamina, cyclicnotation, CyclicNotation, "cn:f8(6):out q:f8(3,3)");
TVK_ROUTINE(lamina, cauchynotation, CauchyNotation, "cn:f8(3,3):out qv:f8(6)");
// q keeps whatever second extent it has (a vector or a 6 x 6); the routine reads sdim columns
// of it for sdim 1 and 6 and nothing otherwise.
TVK_ROUTINE(lamina, flipvoigtnyenotation, FlipVoigtNyeNotation,
            "fn:f8(6,sdim):out q:f8(6,shape(q,1)) sdim:i4:check(shape(q,1)>=sdim||(sdim!=1&&sdim!=6))");
TVK_ROUTINE(lamina, flipvoigtcyclicnotation, FlipVoigtCyclicNotation,
            "fn:f8(6,sdim):out q:f8(6,shape(q,1)) sdim:i4:check(shape(q,1)>=sdim||(sdim!=1&&sdim!=6)) "
            "dir:i4");
TVK_ROUTINE(lamina, getvoigtstiffnessfromtensor, GetVoigtStiffnessFromTensor,
            "csix:f8(6,6):out c_4th:f8(3,3,3,3)");
TVK_ROUTINE(lamina, gettensorfromvoigtstiffness, GetTensorFromVoigtStiffness,
            "c_4th:f8(3,3,3,3):out csix:f8(6,6)");
TVK_ROUTINE(lamina, gettensorcomponents, GetTensorComponents,
            "t11:f8:out t22:f8:out t33:f8:out t12:f8:out t13:f8:out t23:f8:out tvoigt:f8(nvoigt) "
            "nvoigt:i4 shearfactor:f8:opt=1.0");

// --- Ply stiffness and compliance --------------------------------------------------------------
TVK_ROUTINE(lamina, getnyeproperties, GetNyeProperties,
            "nyeprops:f8(9):out elastic:f8(nelastic) nelastic:i4");
TVK_ROUTINE(lamina, getnyestiffnessmatrix, GetNyeStiffnessMatrix,
            "c:f8(ntens,ntens):out props:f8(9) ntens:i4 psflag:i4:opt=1");
TVK_ROUTINE(lamina, getnyecompliancematrix, GetNyeComplianceMatrix,
            "s:f8(ntens,ntens):out props:f8(9) ntens:i4 psflag:i4:opt=1");
TVK_ROUTINE(lamina, getgeneralizednyeonaxissc, GetGeneralizedNyeOnAxisSC,
            "sc:f8(ntens,ntens):out props:f8(nprops) ntens:i4 nprops:i4 scflag:i4 psflag:i4:opt=1 "
            "ldflag:l4:opt=0 unsymm:l4:opt=0");
TVK_ROUTINE(lamina, getnyeoffaxissc, GetNyeOffAxisSC,
            "scoff:f8(ntens,ntens):out dangle:f8 props:f8(9) ntens:i4 scflag:i4");
TVK_ROUTINE(lamina, getinvariantsfromreducedstiffness, GetInvariantsFromReducedStiffness,
            "u:f8(5):out props:f8(nprops) nprops:i4");
TVK_ROUTINE(lamina, getreducednyestiffnessmatrix, GetReducedNyeStiffnessMatrix,
            "qs:f8(3,3):out c:f8(6,6) plflag:i4:opt=1");
TVK_ROUTINE(lamina, getoffaxisshearrigidmatrix, GetOffAxisShearRigidMatrix,
            "hoff:f8(2,2):out g13:f8 g23:f8 dangle:f8");
TVK_ROUTINE(lamina, getstressvector, GetStressVector,
            "stress:f8(ntens):inout ddsdde:f8(ntens,ntens) strain0:f8(ntens) dstrain:f8(ntens) ndi:i4 "
            "ntens:i4 issekant:l1 istensor:l1");
TVK_ROUTINE(lamina, getspecificstrainenergy, GetSpecificStrainEnergy,
            "sse:f8:io stress:f8(ntens) stress0:f8(ntens) strain0:f8(ntens) dstrain:f8(ntens) ndi:i4 "
            "ntens:i4 issekant:l1 istensor:l1");

// --- Transformations and rotated stresses ------------------------------------------------------
TVK_ROUTINE(lamina, getnyetransformationmatrix, GetNyeTransformationMatrix,
            "t:f8(tdim,tdim):out rangle:f8 tdim:i4 ttype:i4 tflag:i4");
TVK_ROUTINE(lamina, getarbitrarybasesc, GetArbitraryBaseSC,
            "scbase:f8(6,6):out sc:f8(6,6) base:f8(3,3) scflag:i4 ntflag:i4");
TVK_ROUTINE(lamina, getrotatedstresses, GetRotatedStresses,
            "sv:f8(6):out theta_r:f8 nrot:f8(3) s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 "
            "soutflag:i4:opt=0");
TVK_ROUTINE(lamina, gettvectorfromarbitraryrotation, GetTVectorFromArbitraryRotation,
            "tv:f8(3):out theta_r:f8 nrot:f8(3) s11:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8 "
            "tflag:i4:opt=3");
TVK_ROUTINE(lamina, gettvectoronrotatedxyplane, GetTVectorOnRotatedXYPlane,
            "tv:f8(3):out theta_r:f8 s22:f8 s33:f8 s12:f8 s13:f8 s23:f8");
TVK_ROUTINE(lamina, getphimeasuredfromxzplane, GetPhiMeasuredFromXZPlane,
            "phixz:f8:out phixy:f8 clockwise:l4");

// --- Stress measures ---------------------------------------------------------------------------
TVK_ROUTINE(lamina, gettrace, GetTrace, "gettrace:f8:ret stress:f8(nstress) nstress:i4");
TVK_ROUTINE(lamina, gethydrostaticpressure, GetHydrostaticPressure,
            "gethydrostaticpressure:f8:ret stress:f8(nstress) nstress:i4");
TVK_ROUTINE(lamina, getmeanstress, GetMeanStress, "cm:f8(3,3):out stress:f8(nstress) nstress:i4");
TVK_ROUTINE(lamina, getdeviatoricstress, GetDeviatoricStress, "cd:f8(3,3):out svoigt:f8(6)");
TVK_ROUTINE(lamina, getprincipals, GetPrincipals, "ps:f8(3):out svoigt:f8(nvoigt) nvoigt:i4");
TVK_ROUTINE(lamina, gettrescastress, GetTrescaStress, "gettrescastress:f8:ret principals:f8(3)");
TVK_ROUTINE(lamina, getrankinestress, GetRankineStress, "getrankinestress:f8:ret principals:f8(3)");
TVK_ROUTINE(lamina, getmisesstress, GetMisesStress,
            "getmisesstress:f8:ret stress:f8(nstress) nstress:i4");
TVK_ROUTINE(lamina, getstassistress, GetStassiStress,
            "stress:f8(6) xt:f8 xc:f8 eq_stress:f8:out");
TVK_ROUTINE(lamina, getmisesflow, GetMisesFlow, "flow:f8(nstress):out stress:f8(nstress) nstress:i4");
TVK_ROUTINE(lamina, getgreenstrain, GetGreenStrain, "green:f8(3,3):out dfgrd:f8(3,3)");
TVK_ROUTINE(lamina, getalmansistrain, GetAlmansiStrain, "almansi:f8(3,3):out dfgrd:f8(3,3)");
TVK_ROUTINE(lamina, getsmallstrain, GetSmallStrain, "small:f8(3,3):out dfgrd:f8(3,3)");
TVK_ROUTINE(lamina, gethardeningfromtable, GetHardeningFromTable,
            "yield:f8:out gradient:f8:out strain:f8 table:f8(ntable,2) ntable:i4");
TVK_ROUTINE(lamina, getmatparambycurvefitting, GetMatParamByCurveFitting,
            "getmatparambycurvefitting:f8:ret l:f8 eta:f8 stress0:f8 strain0:f8 dstrain:f8 nlflag:i4");
