// Element lengths, bar geometry and orientations (namespace `elementhandling`): characteristic
// lengths of 8-node bricks and 4-node quadrilaterals, length and transformation matrix of a
// two-node bar, the in-plane angle of an element's material direction, the reference orientation
// a material point records once per element, and the signed angle between two directions about a
// normal.
//
// Coordinates come as columns (x, y, z) per node. A direction matrix tdirect(3,3) has the two
// in-plane directions of the element in columns 1 and 2 and its normal in column 3. Degenerate
// input (a bar of zero length, zero vectors) gives non-finite values; nothing is reported except
// a section index outside the ply table.
#pragma once

#include "core/tvk.h"

// elemlength(k) = 1/4 of the sum over the four space diagonals (7-1, 8-2, 5-3, 6-4) and their
// components i of |d(i) matcos(i, k)|: the absolute value of each component product.
TVK_API void GetHex8ElemLength(double* elemlength, const double* matcos, const double* nodalcoord);
// (edge 1-2, edge 1-4, diagonal 1-3), each vector projected onto the plane of tdirect columns 1
// and 2 and mapped by tdirect.
TVK_API void GetQuad4ElemLength(double* elemlength, const double* tdirect, const double* nodalcoord);
TVK_API void GetTruss3ElemLength(double* elemlength, const double* nodalcoord);
// te(2,6): the direction cosines of the bar in columns 1-3 of row 1 and 4-6 of row 2.
TVK_API void GetTruss3TransformationMatrix(double* te, const double* nodalcoord);
// Signed angle in degrees, in [-180, 180], from the projected global x axis to rm about the
// element normal (the side of the projected x x projected y counts positive).
TVK_API double GetABQElementOrientation(const double* rm, const double* tdirect);
// Records the reference orientation of element noel in the lists `ind`: on the first sight of the
// element at ply 1, its number (integer list) and the 7-value record (real list: the angle in
// degrees and the projected x axis and its in-plane normal turned back by it); in every call
// unless nextid is -1 or 2, the pair (noel, kspt) (complex list, once). istatus 1 when the last
// append stored. A section index outside plyorientation records a level -2 warning and takes
// 0 degrees as the first ply's angle.
TVK_API void GetElementRefOrientation(int* istatus, const int* ind, const double* t, const double* tdirect,
                                      const double* plyorientation, const int* noel, const int* kspt,
                                      const int* layid, const int* secid, const int* nplies,
                                      const int* nsec, const int* nextid);
// Signed angle in radians from r12 to so, positive when r12 x so points to the side of nvector;
// 0 or pi for (anti)parallel directions.
TVK_API void GetSectionRefOrientation(double* theta, const double* so, const double* nvector,
                                      const double* r12);

namespace tvk::elements {
// The 7-value reference-orientation record that GetElementRefOrientation stores for an element of
// directions tdirect whose first ply lies at ref degrees.
void reference_record(double* record, const double* tdirect, double ref);
}  // namespace tvk::elements
