// Nonlinear property laws (namespace `nlcollection`): degradation factors dnl of a modulus or
// strength (0 intact, towards 1 fully degraded) as functions of strain, stress or cycle count,
// and two laws of a property across temperature transitions, which return the property itself.
//
// Arguments outside a law's domain (cycle counts n, nf <= 0; a negative number of transitions)
// are reported at level -3; the result is what the formula gives there (an infinity or NaN),
// never a made-up value.
#pragma once

#include "core/tvk.h"

// Residual strength after n of nf cycles (Adam, Dickson, Jones, Reiter and Harris, 1986):
// r = (log10 n - log10 lg(1))/(log10 nf - log10 lg(2)), t = (1 - r^beta)^(1/alpha),
// dnl = 1 - ((l - x) t + x)/l; l the undamaged value, x the value at failure, lg absent (0.25,
// 0.25).
TVK_API void NLAdam(double* dnl, const double* l, const double* x, const double* n,
                    const double* nf, const double* alpha, const double* beta, const double* lg);
// Exponential secant softening with strain (Krause): dnl = 1 - exp(-beta |eps|).
TVK_API void NLKrause(double* dnl, const double* beta, const double* eps);
// Hyperbolic secant softening with strain (Kaestner): dnl = 1 - 1/(1 + beta |eps|).
TVK_API void NLKaestner(double* dnl, const double* beta, const double* eps);
// Secant degradation of the Hahn-Tsai nonlinear shear law (Hahn and
// Tsai, J. Compos. Mater. 7, 1973): dnl = (3 beta tg sig^2 - 2 beta sig^3/eps)/(1 + 3 beta tg
// sig^2), 0 at eps = 0.
TVK_API void NLHahnTsai(double* dnl, const double* tg, const double* beta, const double* sig,
                        const double* eps);
// The Hahn-Tsai law on args = (sig, eps, tg, beta), in the call-back form of fpsafe:
//   ns absent or other than 1, 2: dout = NLHahnTsai(tg, beta, sig, eps);
//   ns 2: one fixed-point step, the stress tg (1 - dnl) eps the secant modulus carries at eps;
//   ns 1: the degradation at the stress consistent with eps, iterated from sig by fpsafe
//         (tolerance 0.001, at most 100 passes).
// Fewer than four arguments: level -3 report, dout 0.
TVK_API void FPHahnTsai(double* dout, const double* args, const int* na, const int* ns);
// Property across ntrans transitions (Mahieux and Reifsnider, Polymer 42, 2001), props =
// (P1, T1, ..., Pn, Tn, Pn+1): sum of (P_i - P_i+1) exp(-(t/T_i)^m(i)), plus P_n+1.
TVK_API double NLMahieux(const double* t, const double* props, const double* m, const int* ntrans);
// Property across ntrans transitions in the tanh form of Gibson et al. (2006), props as for
// NLMahieux: sum of (P_i + P_i+1)/2 - (P_i - P_i+1)/2 tanh(xi(i) t/T_i), no constant term.
TVK_API double NLGibson(const double* t, const double* props, const double* xi, const int* ntrans);
