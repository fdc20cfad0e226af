// Fatigue gradual degradation of a ply direction by one block of load cycles (namespace
// `degradation`), after the normalised fatigue model of Shokrieh and Lessard.
//
// All arguments are reals unless noted; the in/out values are updated in place and carried by
// the caller from block to block (residual factors only move down):
//   speak_t, sbottom_t, speak_c, sbottom_c (in/out): peak and bottom stress over strength of the
//       cycle, tensile and compressive side; an exact 0.0 is replaced by 1e-8 and written back;
//   xctratio: strength ratio c of the mean-stress function (its magnitude is used);
//   a, b: master S-N curve f = a NF^b; u, v: exponents of the mean-stress function;
//   nm (in/out): life fraction n/NF; n: current cycle; cjimp: cycles of this block;
//   alpha_t, alpha_c, beta_t, beta_c: exponents of the residual-strength laws; gamma, lambda:
//       exponents of the residual-stiffness law;
//   de, df_t, df_c (in/out): residual stiffness, tensile and compressive strength factors
//       (1 = intact); degr_fac: residual factor of a fully failed direction;
//   dmgflag (int): 1 block-wise law, 2 equivalent-cycle law with cycle-jump estimate; any other
//       value is a level -2 report and nothing is updated;
//   isshear (4-byte logical): shear direction (tension and compression share no strength
//       update); noel (int): element number, trace lines are printed when it equals the traced
//       element debugdata.edebug (0 traces nothing);
//   cjump_nf (in/out): further cycles until the residual strength drops by lim (law 2).
#pragma once

#include "core/tvk.h"

TVK_API void GradualDegradation(double* speak_t, double* sbottom_t, double* speak_c, double* sbottom_c,
                                const double* xctratio, const double* a, const double* b, const double* u,
                                const double* v, double* nm, const double* n, const double* cjimp,
                                const double* alpha_t, const double* alpha_c, const double* beta_t,
                                const double* beta_c, const double* gamma, const double* lambda, double* de,
                                double* df_t, double* df_c, const double* degr_fac, const int* dmgflag,
                                const int* isshear, const int* noel, double* cjump_nf, const double* lim);
