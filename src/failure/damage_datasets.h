// Damage data sets (namespace `damage`): the recorded extent of the damage of every mode, per
// damage set and ply, grown by newly failed material points and read back onto material points.
//
// Tables (model-data module `damagedata`): generaldds, fiberdds, matrixdds, coredds (3, ply, set)
// and delamdds (3, interface, set) hold the half-extents a, b of the damaged region (interface k
// lies between plies k and k+1); dmgplane(:, set) the origin (entries 1 to 3) and the angle of
// the set (the last entry before the first -huge; 0 when fewer than four entries are set);
// dmgpoints(3 npts, ply, 6, set) optional outline polygons of x, y, z triples ending at the first
// huge entry. Mode ids: 1 general, 2 fibre, 3 matrix, 4 delamination, 5 core, 6 user.
//
// Frames: refcos(3, 3) holds the element's reference axes as columns (1 and 2 in the plane,
// 3 the normal). The ply axes are columns 1 and 2 turned about column 3 by the ply angle, once.
// A set's frame is the ply axes turned by the set's angle about the plane's own normal
// (GetPointOnXYPlane), placed at the set's origin: UpdateDDS records and GetDamageFromDDS tests
// (ellipses and outlines alike) in this one frame, so a point recorded into a set lies inside the
// extent it produced, and the extents of a fibre-mode set lie along and across the fibres.
//
// Indices from the caller (ply, section, set) are checked against the tables: outside them the
// routines record a level -3 report and leave the tables and results alone.
#pragma once

#include "core/tvk.h"

// Widens the damage extents of ply ilay of set idmg for every mode whose failed flag sdv(5)
// (general, fibre, matrix, delamination, core) is at least 1; the delamination extent (interface
// ilay) only when a ply lies above. The point is measured in the frame of set idmg as
// GetDamageFromDDS reads it (origin and angle from dmgplane); refcoords, with angle 0, only where
// dmgplane does not hold the set. Creates the data sets when absent. ierror 0, or 1 after an
// index that does not fit the tables.
TVK_API void UpdateDDS(int* ierror, const double* sdv, const double* gpcoords, const double* refcoords,
                       const double* refcos, const int* ilay, const int* isec, const int* idmg);
// Raises the failed flags sdv(1..6) (general, fibre, matrix, delamination, core, buckling) of a
// material point of ply ilay, section isec, that lies inside a recorded damage region, and lowers
// the residual factor sdv(12) to the stress ratio of a buckled sublaminate holding the ply. Fills
// the buckling records once, when they are all zero. sdv(7..11) are not touched. Without dmgplane
// (no set has a position) every set lies at the origin 0 with angle 0.
TVK_API void GetDamageFromDDS(double* sdv, const double* gpcoords, const double* refcos, const int* ilay,
                              const int* isec);
// Whether point lies inside the damage of mode modeid, set dmgid, ply (or interface) layid: the
// outline polygon of dmgpoints when it has two or more points, else the ellipse of half-axes a, b,
// both in the plane of dmgcos through dmgorigin, turned by dmgangle + plyangle (GetDamageFromDDS
// hands it the ply axes and plyangle 0). A half-axis within the rounding of the coordinates (64 eps
// of the point's and the origin's coordinates and of the half-axes) is a zero half-axis: it holds
// the points on the other axis within the other half-axis, each coordinate compared with its
// half-axis to that rounding, as GetDamageFromDDS does; two half-axes that are both exactly 0 hold
// nothing. skip nonzero: false.
TVK_API int PointInDamage(const double* point, const double* dmgcos, const double* dmgorigin,
                          const double* dmgangle, const double* plyangle, const double* a, const double* b,
                          const int* modeid, const int* dmgid, const int* layid, const int* skip);
// halfaxis(2) = max(|x|, |y|, halfaxis) of gpcoords in the plane of refcos through refcoords,
// turned by theta (degrees), when mdmg >= 1.
TVK_API void getextentofprojecteddamage(double* halfaxis, const double* gpcoords, const double* refcoords,
                                        const double* refcos, const double* theta, const double* mdmg);

namespace tvk::dds {
// The plane coordinates by which UpdateDDS widens the extents of set idmg for a point gpcoords of
// a ply at plyangle degrees: the point in the set's frame on the ply axes of refcos (refcoords and
// angle 0 where dmgplane does not hold the set).
void recorded_point(double* xy, const double* gpcoords, const double* refcoords, const double* refcos,
                    double plyangle, int idmg);
}  // namespace tvk::dds
