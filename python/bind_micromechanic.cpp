// Python binding of the micromechanics routines (namespace micromechanic).
//
// Optional scheme inputs reach the routines with their defaults: no voids, no interphase
// (interphase constants 0 take the matrix's), a circular fibre, spherical voids, no strengths,
// bridging parameters (0.5, 0.5), hexagonal packing of the cumulative scheme.
#include "engine/bind.h"

#include "mechanics/micromechanics.h"

// --- Closed-form rules -------------------------------------------------------------------------
TVK_ROUTINE(micromechanic, ruleofmixture, RuleOfMixture,
            "rm:f8(4):out fiberprops:f8(4) matrixprops:f8(2) vf:f8");
TVK_ROUTINE(micromechanic, halpintsai, HalpinTsai,
            "ht:f8(4):out fiberprops:f8(4) matrixprops:f8(2) vf:f8 zeta:f8(2):opt=-1.0");
TVK_ROUTINE(micromechanic, hopkinschamis, HopkinsChamis,
            "hc:f8(4):out fiberprops:f8(4) matrixprops:f8(2) vf:f8");
// Four fibre values are read for csdim 4, five for csdim 5 and 6, none otherwise.
TVK_ROUTINE(micromechanic, chamis, Chamis,
            "cs:f8(csdim):out fiberprops:f8(len(fiberprops)) matrixprops:f8(2) vf:f8 "
            "csdim:i4:opt=len(fiberprops):check(csdim>=0)"
            ":check(csdim<4||csdim>6||len(fiberprops)>=min(csdim,5))");
TVK_ROUTINE(micromechanic, puck, Puck, "pu:f8(4):out fiberprops:f8(4) matrixprops:f8(2) vf:f8");
TVK_ROUTINE(micromechanic, abolinsh, Abolinsh,
            "ah:f8(4):out fiberprops:f8(4) matrixprops:f8(2) vf:f8");
TVK_ROUTINE(micromechanic, foye, Foye, "nfoye:f8:out laminaprops:f8(2) matrixprops:f8(2)");
TVK_ROUTINE(micromechanic, krimmer, Krimmer,
            "km:f8(5):out laminaprops:f8(3) fiberprops:f8(5) matrixprops:f8(2) vf:f8");
// Two matrix values are read unless mdim is 5.
TVK_ROUTINE(micromechanic, lth, LTH,
            "lh:f8(5):out fiberprops:f8(5) matrixprops:f8(mdim) vf:f8 "
            "mdim:i4:check(len(matrixprops)>=2) fmflag:i4 tcflag:i4");
TVK_ROUTINE(micromechanic, generalizedmoritanaka, GeneralizedMoriTanaka,
            "cmt:f8(6,6):out cinc:f8(6,6,ninc) eshinc:f8(6,6,ninc) vinc:f8(ninc) c0:f8(6,6) "
            "ninc:i4");

// --- Eshelby and concentration tensors ----------------------------------------------------------
TVK_ROUTINE(micromechanic, geteshelbytensor, GetEshelbyTensor,
            "et:f8(6,6):out incltype:i4 inclratio:f8 nu_m:f8 c_m:f8(6,6):opt");
TVK_ROUTINE(micromechanic, getstrainconcentrationtensor, GetStrainConcentrationTensor,
            "a:f8(6,6):out et:f8(6,6) cinc:f8(6,6) cm:f8(6,6) vinc:f8 atype:i4:opt=0");
TVK_ROUTINE(micromechanic, getaveragescfromdualequation, GetAverageSCFromDualEquation,
            "sc:f8(6,6):out bainc:f8(6,6) scinc:f8(6,6) scm:f8(6,6) vinc:f8");

// --- Compliances and phase reductions -----------------------------------------------------------
TVK_ROUTINE(micromechanic, getvoigtcompliancematrix, GetVoigtComplianceMatrix,
            "s:f8(6,6):out props:f8(5)");
TVK_ROUTINE(micromechanic, getengconstsfromcompliancematrix, GetEngConstsFromComplianceMatrix,
            "eng:f8(9):out s:f8(6,6)");
TVK_ROUTINE(micromechanic, getfiberbundlecompliancematrix, GetFiberBundleComplianceMatrix,
            "sfb:f8(6,6):out sf:f8(6,6) sinter:f8(6,6) vf:f8 vinter:f8");
TVK_ROUTINE(micromechanic, getporousresincompliancematrix, GetPorousResinComplianceMatrix,
            "spm:f8(6,6):out sm:f8(6,6) vv:f8 voidtype:i4");
TVK_ROUTINE(micromechanic, getphasereduction, GetPhaseReduction,
            "sf:f8(6,6):out sm:f8(6,6):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 "
            "vvoid:f8:opt=0.0 vint:f8:opt=0.0 interprops:f8(2):opt=0.0 voidtype:i4:opt=0");

// --- Mean-field schemes -------------------------------------------------------------------------
TVK_ROUTINE(micromechanic, voigt, Voigt,
            "vt:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, reuss, Reuss,
            "rs:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, dilute, Dilute,
            "es:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 yzratio:f8:opt=1.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, moritanaka, MoriTanaka,
            "mt:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 yzratio:f8:opt=1.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, mura, Mura,
            "ma:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 yzratio:f8:opt=1.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, chow, Chow,
            "cw:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 yzratio:f8:opt=1.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, lielens, Lielens,
            "li:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 yzratio:f8:opt=1.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, hashinshtrikman, HashinShtrikman,
            "hs:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 luflag:i4 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 yzratio:f8:opt=1.0 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, cscs, CSCS,
            "sc:f8(9):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 yzratio:f8:opt=1.0 voidtype:i4:opt=0 "
            "maxit:i4:opt=200 threshold:f8:opt=1e-08");

// --- Bridging model -----------------------------------------------------------------------------
TVK_ROUTINE(micromechanic, huang, Huang,
            "hg:f8(12):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 strengthprops:f8(4):opt=0.0 "
            "cp:f8(2):opt=0.5 voidtype:i4:opt=0");
TVK_ROUTINE(micromechanic, cumulative, Cumulative,
            "ch:f8(12):out fiberprops:f8(5) matrixprops:f8(2) vf:f8 vvoid:f8:opt=0.0 "
            "vint:f8:opt=0.0 interprops:f8(2):opt=0.0 strengthprops:f8(4):opt=0.0 "
            "yzratio:f8:opt=1.0 voidtype:i4:opt=0 rvetype:i4:opt=1");
TVK_ROUTINE(micromechanic, getudstrengthfrombridgingmatrix, GetUDStrengthFromBridgingMatrix,
            "ud:f8(3):out bridging:f8(6,6) fiberprops:f8(4) matrixprops:f8(5) vf:f8");
