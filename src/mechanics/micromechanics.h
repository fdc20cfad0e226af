// Micromechanics of a unidirectional ply (namespace `micromechanic`): elastic constants from
// fibre, matrix and fibre volume fraction by closed-form rules, Eshelby tensors, strain
// concentration tensors, the fibre-bundle and porous-resin phase reductions, the mean-field
// schemes and the bridging model with its strengths.
//
// Inputs, by routine family:
//   * closed-form rules: fiberprops (E_f1, E_f2, G_f12, nu_f12), or (E_f1, E_f2, G_f12, G_f23,
//     nu_f12) where five values are read; matrixprops (E_m, nu_m), G_m = E_m/(2(1 + nu_m));
//     results (E1, E2, G12, nu12) unless stated;
//   * mean-field schemes: fiberprops (E1, E2, G12, G23, nu12) of a transversely isotropic fibre
//     (axis 1), matrixprops (E_m, nu_m); results are engineering constants
//     (E1, E2, E3, G23, G13, G12, nu23, nu13, nu12), the bridging schemes append the strengths in
//     fibre tension, transverse tension and in-plane shear.
// Every 6x6 matrix is in Voigt order (11, 22, 33, 23, 13, 12) with engineering shear strains.
// Volume fractions are clamped to [0, 1]. Every result is zeroed before it is computed.
// Optional arguments are null pointers when absent (C ABI of core/tvk.h).
#pragma once

#include "core/tvk.h"

// --- Closed-form rules -------------------------------------------------------------------------
TVK_API void RuleOfMixture(double* rm, const double* fiberprops, const double* matrixprops,
                           const double* vf);
TVK_API void HalpinTsai(double* ht, const double* fiberprops, const double* matrixprops,
                        const double* vf, const double* zeta);
TVK_API void HopkinsChamis(double* hc, const double* fiberprops, const double* matrixprops,
                           const double* vf);
// cs(csdim): 4 values as the other rules; 5 (fiberprops of 5 values) E1, E2, G12, G23, nu12;
// 6 also nu23 = E2/(2 G23) - 1; any other csdim leaves cs zero.
TVK_API void Chamis(double* cs, const double* fiberprops, const double* matrixprops,
                    const double* vf, const int* csdim);
TVK_API void Puck(double* pu, const double* fiberprops, const double* matrixprops,
                  const double* vf);
TVK_API void Abolinsh(double* ah, const double* fiberprops, const double* matrixprops,
                      const double* vf);
// Matrix Poisson's ratio in the ply after Foye from laminaprops (E_L, nu_LT).
TVK_API void Foye(double* nfoye, const double* laminaprops, const double* matrixprops);
// Matrix constants in the ply after Krimmer (M1, M2, M3, M4, nu_M) from laminaprops
// (E_L, E_T, nu_LT) and five fibre values.
TVK_API void Krimmer(double* km, const double* laminaprops, const double* fiberprops,
                     const double* matrixprops, const double* vf);
// Cell-integral rule for square (fmflag 0) or hexagonal (fmflag nonzero) packing:
// lh = (E1, E2, G12, G23, nu12); matrixprops(mdim) holds five matrix constants when mdim is 5;
// otherwise (E_m, nu_m), corrected after Krimmer when tcflag is 1.
TVK_API void LTH(double* lh, const double* fiberprops, const double* matrixprops,
                 const double* vf, const int* mdim, const int* fmflag, const int* tcflag);
// Mori-Tanaka stiffness cmt(6,6) of ninc aligned inclusion phases cinc(6,6,ninc) with Eshelby
// tensors eshinc(6,6,ninc) and volume fractions vinc(ninc) in a matrix of stiffness c0(6,6).
TVK_API void GeneralizedMoriTanaka(double* cmt, const double* cinc, const double* eshinc,
                                   const double* vinc, const double* c0, const int* ninc);

// --- Eshelby and concentration tensors ----------------------------------------------------------
// incltype 0 sphere, 1 elliptic cylinder along 1 (inclratio = semi-axis 2 over semi-axis 3),
// 2 spheroid with its axis along 1 (inclratio = axial over transverse semi-axis), 3 penny-shaped
// spheroid with its normal along 3 (inclratio << 1), 11 circular cylinder along 1 in the
// transversely isotropic host c_m.
TVK_API void GetEshelbyTensor(double* et, const int* incltype, const double* inclratio,
                              const double* nu_m, const double* c_m);
// atype 0 dilute, 1 and 3 Mori-Tanaka, 2 Mori-Tanaka with the phases' roles exchanged,
// 4 Chow, 5 Lielens.
TVK_API void GetStrainConcentrationTensor(double* a, const double* et, const double* cinc,
                                          const double* cm, const double* vinc,
                                          const int* atype);
// sc = scm + vinc (scinc - scm) bainc.
TVK_API void GetAverageSCFromDualEquation(double* sc, const double* bainc, const double* scinc,
                                          const double* scm, const double* vinc);

// --- Compliances and phase reductions -----------------------------------------------------------
// Transversely isotropic compliance of props (E1, E2, G12, G23, nu12).
TVK_API void GetVoigtComplianceMatrix(double* s, const double* props);
TVK_API void GetEngConstsFromComplianceMatrix(double* eng, const double* s);
TVK_API void GetFiberBundleComplianceMatrix(double* sfb, const double* sf, const double* sinter,
                                            const double* vf, const double* vinter);
TVK_API void GetPorousResinComplianceMatrix(double* spm, const double* sm, const double* vv,
                                            const int* voidtype);
TVK_API void GetPhaseReduction(double* sf, double* sm, const double* fiberprops,
                               const double* matrixprops, const double* vf, const double* vvoid,
                               const double* vint, const double* interprops,
                               const int* voidtype);

// --- Mean-field schemes (result: nine engineering constants) ------------------------------------
TVK_API void Voigt(double* vt, const double* fiberprops, const double* matrixprops,
                   const double* vf, const double* vvoid, const double* vint,
                   const double* interprops, const int* voidtype);
TVK_API void Reuss(double* rs, const double* fiberprops, const double* matrixprops,
                   const double* vf, const double* vvoid, const double* vint,
                   const double* interprops, const int* voidtype);
TVK_API void Dilute(double* es, const double* fiberprops, const double* matrixprops,
                    const double* vf, const double* vvoid, const double* vint,
                    const double* interprops, const double* yzratio, const int* voidtype);
TVK_API void MoriTanaka(double* mt, const double* fiberprops, const double* matrixprops,
                        const double* vf, const double* vvoid, const double* vint,
                        const double* interprops, const double* yzratio, const int* voidtype);
TVK_API void Mura(double* ma, const double* fiberprops, const double* matrixprops,
                  const double* vf, const double* vvoid, const double* vint,
                  const double* interprops, const double* yzratio, const int* voidtype);
TVK_API void Chow(double* cw, const double* fiberprops, const double* matrixprops,
                  const double* vf, const double* vvoid, const double* vint,
                  const double* interprops, const double* yzratio, const int* voidtype);
TVK_API void Lielens(double* li, const double* fiberprops, const double* matrixprops,
                     const double* vf, const double* vvoid, const double* vint,
                     const double* interprops, const double* yzratio, const int* voidtype);
// luflag < 1 lower bound, otherwise upper bound.
TVK_API void HashinShtrikman(double* hs, const double* fiberprops, const double* matrixprops,
                             const double* vf, const int* luflag, const double* vvoid,
                             const double* vint, const double* interprops,
                             const double* yzratio, const int* voidtype);
// Self-consistent iteration; maxit absent: 200, threshold absent: 1e-8.
TVK_API void CSCS(double* sc, const double* fiberprops, const double* matrixprops,
                  const double* vf, const double* vvoid, const double* vint,
                  const double* interprops, const double* yzratio, const int* voidtype,
                  const int* maxit, const double* threshold);

// --- Bridging model (result: nine engineering constants and three strengths) --------------------
// strengthprops (fibre tensile strength, matrix modulus after yield, matrix yield strength,
// matrix ultimate strength); cp (alpha, beta) absent: (0.5, 0.5).
TVK_API void Huang(double* hg, const double* fiberprops, const double* matrixprops,
                   const double* vf, const double* vvoid, const double* vint,
                   const double* interprops, const double* strengthprops, const double* cp,
                   const int* voidtype);
// rvetype: packing of the cell-integral rule (0 square, otherwise hexagonal); absent: 1.
TVK_API void Cumulative(double* ch, const double* fiberprops, const double* matrixprops,
                        const double* vf, const double* vvoid, const double* vint,
                        const double* interprops, const double* strengthprops,
                        const double* yzratio, const int* voidtype, const int* rvetype);
// ud = strengths in fibre tension, transverse tension and in-plane shear from a bridging matrix,
// fiberprops (E_f1, E_f2, G_f12, sigma_uf) and matrixprops (E_m, G_m, E_mt, sigma_ym, sigma_um).
TVK_API void GetUDStrengthFromBridgingMatrix(double* ud, const double* bridging,
                                             const double* fiberprops, const double* matrixprops,
                                             const double* vf);
