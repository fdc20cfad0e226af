// Scalar and tensor measures of a stress, strain measures of a deformation gradient, a hardening
// curve lookup and a one-point fit of a nonlinear material parameter (namespace `lamina`).
//
// A stress vector of nstress components is read through GetTensorComponents: 3 = (11, 22, 12),
// 4 = (11, 22, 33, 12), 6 (or more, the first six read) in Voigt order (11, 22, 33, 23, 13, 12);
// any other length reads nothing (level -2 report, the measure of a zero stress). Trace,
// pressure, von Mises and Stassi stresses do not depend on the order of the shear components;
// principal stresses do, so GetPrincipals needs Voigt order. Principal stresses come in
// descending order. 3 x 3 tensors are column-major.
#pragma once

#include "core/tvk.h"

TVK_API double GetTrace(const double* stress, const int* nstress);
// Mean normal stress, trace x 0.3333333333333333 (no change of sign).
TVK_API double GetHydrostaticPressure(const double* stress, const int* nstress);
// cm = p I with p the mean normal stress.
TVK_API void GetMeanStress(double* cm, const double* stress, const int* nstress);
// cd = the tensor of the Voigt vector svoigt(6) minus p I.
TVK_API void GetDeviatoricStress(double* cd, const double* svoigt);
TVK_API void GetPrincipals(double* ps, const double* svoigt, const int* nvoigt);
// max(|p1 - p2|, |p2 - p3|, |p3 - p1|).
TVK_API double GetTrescaStress(const double* principals);
// p1 when p1 >= 0 and p1 >= |p3|; otherwise |p3| when p3 < 0, else p1 (descending p1, p2, p3).
TVK_API double GetRankineStress(const double* principals);
TVK_API double GetMisesStress(const double* stress, const int* nstress);
// Stassi equivalent stress of stress(6) for tensile and compressive strengths xt, xc, negative
// for a negative first invariant.
TVK_API void GetStassiStress(const double* stress, const double* xt, const double* xc,
                             double* eq_stress);
// Flow direction of the von Mises stress m in the order of the stress handed in: the normal
// entries (s_i - p)/m (two of them for nstress 3, three for 4 and 6), the shear entries s_k/m
// from position 3 (nstress 3) or 4 (nstress 4 or more) on. A zero stress (m = 0) has no
// direction: the flow is zero.
TVK_API void GetMisesFlow(double* flow, const double* stress, const int* nstress);
// 0.5 (F^T F - I).
TVK_API void GetGreenStrain(double* green, const double* dfgrd);
// 0.5 (I - (F F^T)^-1).
TVK_API void GetAlmansiStrain(double* almansi, const double* dfgrd);
// 0.5 (F + F^T) - I.
TVK_API void GetSmallStrain(double* small, const double* dfgrd);
// Flow stress and hardening slope at strain from table(ntable, 2) (column 1 flow stress, column 2
// strain, ascending): linear interpolation of the stresses and of their central-difference
// slopes below the last tabulated strain (extrapolated linearly below the first), the largest
// stress and slope 0 at or beyond it. ntable < 1: yield -1.7976931348623157e308, gradient 0.
// Strains that do not increase strictly cannot be interpolated: level -3 report, the largest
// stress and slope 0.
TVK_API void GetHardeningFromTable(double* yield, double* gradient, const double* strain,
                                   const double* table, const int* ntable);
// l (1 - d) with d from the law nlflag at the total strain strain0 + dstrain: 1 Kaestner,
// 2 Krause (eta the law's beta), 3 Hahn-Tsai at the start of the increment (stress0, strain0,
// l the initial modulus, eta the Hahn-Tsai beta); any other nlflag returns l.
TVK_API double GetMatParamByCurveFitting(const double* l, const double* eta, const double* stress0,
                                         const double* strain0, const double* dstrain,
                                         const int* nlflag);
