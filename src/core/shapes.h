// Point-in-shape tests (module `imageprocessing`): a 3-D point is carried into the 2-D
// coordinates of a local reference plane and tested against a polygon or against an ellipse,
// circle, rectangle or square. They decide which material points lie inside a recorded damage
// outline, so the boundary rules matter: the shape tests count the boundary as inside, the
// polygon test classes boundary points by its crossing rule (see Polygon).
//
// A plane is given by a point (origin, refcoords) and a 3 x 3 matrix (xyplane, refcos) whose
// columns c1, c2, c3 are the local axes: c1 and c2 span the plane, c3 is its normal. theta is an
// in-plane angle in degrees.
#pragma once

#include "tvk.h"

// xycoord(2): plane coordinates of point, rotated by theta about the plane normal.
TVK_API void GetPointOnXYPlane(double* xycoord, const double* point, const double* origin,
                               const double* xyplane, const double* theta);
// 0.0 when (px, py) lies inside or on the outline xx(n), yy(n) as the crossing rule classes it,
// -1.0 outside (and for n < 1).
TVK_API double Polygon(const double* px, const double* py, const double* xx, const double* yy,
                       const int* n);
// Whether point, carried into the plane, lies inside or on the outline xypairs(npoints, 2).
TVK_API int ProjectedPointInPolygon(const double* point, const double* xypairs,
                                    const double* theta, const double* refcoords,
                                    const double* refcos, const int* npoints);
// ((x - x0)/a)^2 + ((y - y0)/b)^2, xyorigin absent: (0, 0).
TVK_API double Ellipse(const double* x, const double* y, const double* a, const double* b,
                       const double* xyorigin);
// max(|x - x0|/|a|, |y - y0|/|b|), xyorigin absent: (0, 0).
TVK_API double Rectangle(const double* x, const double* y, const double* a, const double* b,
                         const double* xyorigin);
// Whether point, carried into the plane, lies inside or on the shape centred at the plane
// origin: shapeid 0 circle of radius max(a, b), 2 square of half side max(a, b), 3 rectangle
// of half sides a, b, any other value ellipse of half axes a, b.
TVK_API int ProjectedPointInShape(const double* point, const double* a, const double* b,
                                  const double* theta, const double* refcoords,
                                  const double* refcos, const int* shapeid);
// Coded distance of (x, y) from the segment a-b (see the definition); proximity absent: 1e-5.
TVK_API double Line(const double* x, const double* y, const double* a, const double* b,
                    const double* proximity);
