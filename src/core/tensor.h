// Three-dimensional geometry of the numerical core (module `math`): rotation and direction-
// cosine matrices, Euler angles, change of base and rotation of second- and fourth-order
// tensors, point transformations, polygon, triangle and ellipse measures, the parabola through
// three points and the percentile of an event series.
//
// Conventions:
//  * vectors are 3 doubles, 3 x 3 matrices and second-order tensors column-major 3 x 3 arrays,
//    fourth-order tensors 3 x 3 x 3 x 3 arrays with the first index fastest;
//  * R(n, alpha) is the right-handed rotation by alpha about the axis n (n is used as given, not
//    normalised): R = cos(alpha) I + sin(alpha) [n]x + (1 - cos(alpha)) n n^T; R v rotates v;
//  * a direction-cosine matrix T has the base vectors as its rows, so T v gives the components
//    of v in that base;
//  * arguments ending in `_r` are radians, `_d` degrees.
// Every routine reads all of its inputs before it writes an output, so an output may alias an
// input of the same shape.
#pragma once

#include "tvk.h"

// trot = R(n, alpha_r).
TVK_API void GetRotationMatrix(double* trot, const double* n, const double* alpha_r);
// tbase has the rows nx, ny, nz.
TVK_API void GetTransformationMatrix(double* tbase, const double* nx, const double* ny,
                                     const double* nz);
// Euler angles (psi, theta, phi) in degrees of the rotation matrix r.
TVK_API void GetEulerRotation(double* eul, const double* r);
// tensout = tbase tensin tbase^T.
TVK_API void TensorTransformation2nd(const double* tensin, double* tensout, const double* tbase);
// output = R^T input R with R = R(n0, angle_r); n0 absent (null) or zero means the x axis.
TVK_API void TensorRotation2nd(const double* input_2nd, double* output_2nd, const double* angle_r,
                               const double* n0);
// The same rotation applied to each of the four indices of a fourth-order tensor.
TVK_API void TensorRotation4th(const double* input_4th, double* output_4th, const double* angle_r,
                               const double* n0);
// out(i,j) = sum over k,l of t_4th(i,j,k,l) t_2nd(k,l).
TVK_API void tensormultiplication(const double* t_4th, const double* t_2nd, double* out_2nd);
// prot = R(a, alpha_d) p.
TVK_API void CoordinateRotation(const double* a, const double* p, double* prot,
                                const double* alpha_d);
// ptrans = p + a.
TVK_API void CoordinateTranslation(const double* a, const double* p, double* ptrans);
// pref = (2 (na na^T + nb nb^T) - I) p: p mirrored in the plane spanned by na, nb.
TVK_API void CoordinateReflection(const double* na, const double* nb, const double* p,
                                  double* pref);
// p projected orthogonally onto the plane through r0 (absent: the origin) spanned by u, v.
TVK_API void CoordinateProjection(const double* u, const double* v, const double* p, double* ppro,
                                  const double* r0);
// pnorm(np,ndim): every coordinate scaled from [tmin, tmax] of the whole array into interval.
TVK_API void CoordinateNormalization(const double* p, double* pnorm, const double* interval,
                                     const int* np, const int* ndim);
// v = b - a.
TVK_API void GetABVector(double* v, const double* a, const double* b, const int* n);
// Area of the polygon x(n), y(n) by the shoelace formula (0 for n < 3).
TVK_API double ShoelaceMethod(const double* x, const double* y, const int* n);
// Centroid c(2) of the polygon x(n), y(n), open or closed, either orientation.
TVK_API void GetCentroid(double* c, const double* x, const double* y, const int* n);
// Signed area of a triangle, positive for counter-clockwise points.
TVK_API double gettrianglearea(const double* x1, const double* y1, const double* x2,
                               const double* y2, const double* x3, const double* y3);
// Half-extents in x and y of an ellipse with half axes a, b rotated by phi_d.
TVK_API void GetBoundingBoxFromEllipse(double* xybound, const double* a, const double* b,
                                       const double* phi_d);
// Polar radius of an ellipse at the angle phi_d measured from the a axis.
TVK_API void GetRadiusOfEllipse(double* r, const double* a, const double* b, const double* phi_d);
// oud = (a, b, c) of the parabola y = a x^2 + b x + c through the rows of ind(3,2).
TVK_API void GetParabolaCoefficients(const double* ind, double* oud);
// First value of the integer class (width classsize) at which the cumulative share of the
// series reaches percentile.
TVK_API void getpercentile(const double* array, const int* ndim, const double* percentile,
                           double* event, const int* classsize);
