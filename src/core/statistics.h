// Statistics, special functions and small numerical helpers of the numerical core (module
// `math`): min-max scaling, a monotonicity code, distances and angles, error measures, inverse
// hyperbolic functions, truncation helpers, trapezoid integration, finite-difference and
// complex-step derivatives, the binomial coefficient, arc length and polar coordinates.
//
// Most routines report nothing and let degenerate input give non-finite values (a zero vector
// in GetUnitVector, ScalarProjection and EuclideanAngle, n = 0 in the error measures, arguments
// outside the domains of the inverse hyperbolic functions, a chord longer than the diameter in
// EffectiveArcLength). Inputs that would otherwise be read out of bounds are refused with a -2
// report (CentralStepDerivative with n = 1, PolarTransformation with n < 2,
// trapezoidintegration with y shorter than x).
#pragma once

#include <cstdint>

#include "tvk.h"

// z = (x - min x)/(max x - min x), one minimum and maximum over all entries (NaN passed over).
TVK_API void VectorNormalize(const double* x, double* z, const int* n);
TVK_API void MatrixNormalize(const double* x, double* z, const int* n, const int* m);
// 2 strictly increasing, 1 non-decreasing with a tie, -1 non-increasing (also constant),
// -2 strictly decreasing (also n < 2), 0 otherwise.
TVK_API int Monoticity(const double* x, const int* n);
TVK_API double EuclideanDistance(const double* x, const double* y, const int* n);
// Angle in radians between x and y, the cosine clamped to [-1, 1].
TVK_API double EuclideanAngle(const double* x, const double* y, const int* n);
TVK_API void GetUnitVector(double* xu, const double* x, const int* n);
// a . b / |b|.
TVK_API double ScalarProjection(const double* a, const double* b, const int* n);
TVK_API double MeanAbsoluteError(const double* x, const double* y, const int* n);
TVK_API double RootMeanSquareError(const double* x, const double* y, const int* n);
TVK_API double dasinh(const double* x);
TVK_API double dacosh(const double* x);
TVK_API double datanh(const double* x);
TVK_API double dacoth(const double* x);
// atanh(x) for iflag absent or -1, tanh(x) for any other iflag.
TVK_API double fishertransformation(const double* x, const int* iflag);
// a truncated (toward zero) to sig decimals, sig absent: 8.
TVK_API double droundsf(const double* a, const int* sig);
// The integer part of a (toward zero) plus 1.
TVK_API double dceil(const double* a);
// Trapezoid integral of y over x; the extents follow the arrays.
TVK_API double trapezoidintegration(const double* x, const int* nx, const double* y,
                                    const int* ny);
// jac(i,j) = dy(i,j)/dx(j), jac and dy of a x b.
TVK_API void Gradient(double* jac, const double* dy, const double* dx, const int* a, const int* b);
// derivative(i) = Im y(i) / Im x(i).
TVK_API void ComplexStepDerivative(double* derivative, const tvk::cplx* y, const tvk::cplx* x, const int* n);
// One-sided differences at the ends, central differences inside.
TVK_API void CentralStepDerivative(double* derivative, const double* y, const double* x,
                                   const int* n);
// Binomial coefficient n over k (n may be negative: the generalised coefficient); 1 for k < 1.
TVK_API double PascalTriangle(const int* n, const int* k);
// Distance from oa to ob along a circular arc of the given curvature (the chord for 0).
TVK_API double EffectiveArcLength(const double* oa, const double* ob, const double* curvature,
                                  const int* n);
// polar = (radius, angle, cartesian(3..n)); the angle of the origin is phi0 (absent: 0).
TVK_API void PolarTransformation(const double* cartesian, double* polar, const int* n,
                                 const double* phi0);

namespace tvk {
// Generalised binomial coefficient for 64-bit arguments: exact integer arithmetic while the
// value fits in 64 bits, double arithmetic beyond.
double binomial(std::int64_t n, std::int64_t k);
}  // namespace tvk
