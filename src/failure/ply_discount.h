// Ply discount (namespace `degradation`): sudden lowering of the elastic constants and strengths
// of a failed ply, the isotropic discount of a resin, their viscously regularised forms, and the
// accumulated damage of a stack of residual factors.
//
// Damage values move one way only: degraded properties, residual factors and ratios take the
// minimum of the new and the handed-in value, so callers carry them from call to call and
// repeated calls never raise a degraded value.
//
// SuddenDegradation vectors:
//   peprops, degpeprops (9): Nye property vector E1, E2, E3, nu12, nu13, nu23, G12, G13, G23,
//                            intact and degraded;
//   psprops, degpsprops (9): strengths, intact and degraded; 1 and 2 the fibre-direction
//                            strengths (tension, compression), 3..9 the transverse and shear
//                            strengths in the caller's order; a degraded strength keeps the sign
//                            of the intact one;
//   de (6), df (9):          running lowest ratio degraded/intact of the first six elastic
//                            constants and of the strengths (left alone where the intact value
//                            is 0, which marks a value not given);
//   g_f, g_m:                fibre and matrix exposure; set to 1.0 when that failure is applied;
//   ttol (2):                1 exposure threshold (failure at g >= ttol(1)), 2 threshold of the
//                            per-component values nm (failure at nm(k) > ttol(2));
//   degrfac:                 residual factor applied on failure;
//   nm (6), optional:        per-component failure values, 1 fibre, 2..6 matrix; null or all six
//                            equal to -1.0 means none.
// Fibre failure lowers elastic entries 1..6 and all strengths, matrix failure elastic entries
// 2..6 and strengths 3..9; G12 and G13 then follow the ratio of E1, G23 that of E2.
#pragma once

#include "core/tvk.h"

TVK_API void SuddenDegradation(double* degpeprops, double* degpsprops, const double* peprops,
                               const double* psprops, double* de, double* df, double* g_f, double* g_m,
                               const double* ttol, const double* degrfac, const double* nm);
// As SuddenDegradation with viscously regularised residual factors (viscouseregularisation):
// the fibre factor moves from the carried degr_old towards degrfac (degr_old keeps the new
// value), the matrix factor from the lowest of de(2..6) towards degrfac; the matrix factor enters
// de(2..6) only in a call that applies matrix failure, so an intact ply keeps its stiffness.
// A NaN eta or dt gives no regularised factor: the entries a failure of this call lowers are NaN
// (fibre: every elastic entry and strength; matrix: E2 to nu23, G23 and strengths 3 to 9), and
// degr_old stays as it came; the rest is carried as for an intact ply, so no NaN reaches de or df.
// Prints three trace lines on every call.
TVK_API void SuddenDegradation_viscouse(double* degpeprops, double* degpsprops, const double* peprops,
                                        const double* psprops, double* de, double* df, double* g_f,
                                        double* g_m, const double* ttol, const double* degrfac,
                                        const double* nm, double* degr_old, const double* eta,
                                        const double* dt);
// Viscous regularisation of a damage value (Duvaut-Lions type, backward Euler step of
// eta d' = dnew - d): dviscouse = (dt dnew + eta dold) / (eta + dt); dnew when eta + dt is not
// positive; NaN when eta or dt is NaN.
TVK_API void viscouseregularisation(const double* dold, const double* dnew, double* dviscouse,
                                    const double* eta, const double* dt);
// Isotropic discount of peprops (E, nu, -) into degpeprops(1:2) (entry 3 is not written): with
// k = 1 when max(d, life) >= 1, else 0, E' = (1 - (1 - degr) k) E and nu' = (1 - k) nu when
// degr < 1, else nu.
TVK_API void IsotropicDegradation(const double* peprops, const double* d, const double* life,
                                  const double* degr, double* degpeprops);
// As IsotropicDegradation with the residual factor regularised from the carried degr_old towards
// degr (degr_old keeps the new value); the Poisson test still reads degr. A NaN eta or dt gives
// no regularised factor: degr_old stays, and a failed point's modulus is NaN.
TVK_API void IsotropicDegradation_viscouse(const double* peprops, const double* d, const double* life,
                                           const double* degr, double* degpeprops, double* degr_old,
                                           const double* eta, const double* dt);
// Accumulated damage in [0, 1] of the residual factors degr(ndegr, nply): residual r = 1 - degr
// when nodmg <= 1e-20, else degr/nodmg; per ply the mean of log10(max(r, 1e-20))/(-20) over the
// ndegr entries, averaged over the plies. ndegr or nply below 1: 0 and a level -3 report.
TVK_API double getaccumulateddamage(const double* degr, const double* nodmg, const int* ndegr,
                                    const int* nply);
