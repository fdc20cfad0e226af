// Table interpolation (module `math`): a curve given as points (x(i), y(i)), i = 1..n, evaluated
// by nearest-neighbour lookup, piecewise-linear interpolation and monotone piecewise cubic
// Hermite interpolation, with the integral and the arc length of the cubic interpolant.
//
// Query points p(m) need not be sorted; the result has one entry per query point, in the order
// of p. Extrapolation is silent: the nearest lookup returns the end entry, the linear
// interpolation continues its end segments, the cubic routines use the end cubics (and
// integrate them for limits outside the table).
//
// Unusable tables end the process with exit status 1 after a report on standard output
// (through tvk::host::stop, which lets the host flush its output first), as the interpolation
// library does: linear with x not strictly increasing (a three-line report), cubic with fewer
// than two points or x not strictly increasing, and the cubic interpolation without query
// points (the framed report of the cubic Hermite error handler). These routines do not write
// the error record, with two exceptions, recorded at level -3 with NaN results: a y shorter than
// x (every routine reads y with the extent of x), and an integration limit that is not finite.
//
// Tables too small for the nearest and linear routines: no point gives NaN for every query, a
// linear table of one point gives y(1) everywhere.
//
// C ABI: a routine returning a vector writes it to its first argument (np values); every vector
// argument is followed by its extent.
#pragma once

#include "core/tvk.h"

TVK_API void nearestinterpolation(double* result, const double* x, const int* nx, const double* y,
                                  const int* ny, const double* p, const int* np);
TVK_API void linearinterpolation(double* result, const double* x, const int* nx, const double* y,
                                 const int* ny, const double* p, const int* np);
TVK_API void cubichermitianinterpolation(double* result, const double* x, const int* nx,
                                         const double* y, const int* ny, const double* p,
                                         const int* np);
// Integral of the cubic interpolant from a to b (negative for b < a).
TVK_API double cubichermitianintegration(const double* x, const int* nx, const double* y,
                                         const int* ny, const double* a, const double* b);
// Arc length from a to b, approximated as the integral of the monotone cubic interpolant
// through the node values sqrt(1 + d(i)^2) of the integrand, d(i) being the node derivatives
// of the cubic interpolant of (x, y). Negative for b < a.
TVK_API double cubichermitianarclength(const double* x, const int* nx, const double* y,
                                       const int* ny, const double* a, const double* b);

namespace tvk::pchip {
// The integrand evaluations cubichermitianarclength has made on this thread: its cost, which
// depends on the accuracy of its quadrature rule far more than its values do.
extern thread_local long long arclength_evaluations;
}  // namespace tvk::pchip
