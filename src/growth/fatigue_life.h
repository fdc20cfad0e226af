// Fatigue of an isotropic material point such as a neat resin (namespace `fatigue`): one
// equivalent stress per stress state that tells tension from compression by the two strengths,
// and the cycles to failure of a load cycle from a power-law S-N curve with a mean-stress
// correction, accumulated by the linear damage sum.
#pragma once

#include "core/tvk.h"

// eq_stress of stress(6) (Nye order) for the strengths xt, xc and the exponent np of Ha's
// criterion, with k = |xc / xt| and I1, svm the first invariant and the von Mises stress:
//   tension side (Ha's invariant part over its von Mises part >= -0.05):
//     ((k - 1) I1 + sqrt((k - 1)^2 I1^2 + 4 k svm^2)) / (2k)
//   compression side: -((k - 1) I1 + sqrt(4 k svm^2 + (k - 1)^2 I1^2)) / 2.
// xt of 0 (or not finite): level -3 report, eq_stress unchanged.
TVK_API void GetEquivalentFatigueStress(const double* stress, const double* xt, const double* xc,
                                        const double* np, double* eq_stress);

// Cycles to failure nf of the cycle (eq_min, eq_max), stresses over the static strength, by
// nf = (f / a_woehler)^(1 / exp_woehler) with the equivalent amplitude f of the mean-stress
// correction about the critical stress ratio R_crit = materialdata.r_crit(1); the consumed life
// grows by dn / nf (dn rounded to single precision) and stays within [life, 1]. alpha is not
// read. R_crit = -1 takes the limit of the correction (f = eq_a / (1 - eq_m), or eq_a / (1 + eq_m)
// on the compression side). No r_crit table: level -3 report, nf and life unchanged. A cycle
// without a finite or infinite nf (a mean stress beyond the strength): level -2 report, nf and
// life unchanged. Trace lines while noel is the traced element.
TVK_API void GetFatigueLife(const double* eq_min, const double* eq_max, const double* a_woehler,
                            const double* exp_woehler, const double* alpha, const double* dn,
                            double* nf, double* life, const int* noel);
