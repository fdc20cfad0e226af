// Element frames, nodal frames and curvatures of shell elements (namespace `elementhandling`).
//
// Direction-cosine matrices are 3 x 3 with the axes e1, e2 and the normal e3 as rows, in global
// components: local components = matrix times global components. Node coordinates of one
// element come as on(8,3), row i the x, y, z of node i (rows beyond the node count 0). The
// shell routines serve the 6-node triangle (natural node coordinates (0,0), (1,0), (0,1),
// (0.5,0), (0.5,0.5), (0,0.5)) and the 8-node quadrilateral ((-1,-1), (1,-1), (1,1), (-1,1),
// (0,-1), (1,0), (0,1), (-1,0)).
#pragma once

#include "core/tvk.h"

// Builds, for every shell element of the tables, the nodal matrices (nodaldata.tnodalmatrices),
// the element matrix (nodaldata.tcurvmatrices) and the principal curvatures
// (elementdata.elemcurvatures) from nodaldata.nodalcoords and elementdata.elemreforientation,
// and, unless tflag is 1, turns the element's nodal coordinates into element coordinates
// (element matrix times node minus element origin).
//
// Kinds 4 and 5 take 8 nodes; kind 8 takes 6 nodes when its node numbers 4 to 6 are all given
// (a 3-node STRI element is passed over); kinds 1 to 3 take 8 nodes when the tables are 8 nodes
// wide and nodes 5 to 8 do not all coincide; kinds 0, 6, 7, 9, 10 and 11 are passed over; any
// other kind ends the routine with lop -3 and the level -3 report "Unknown element type
// detected". An element that the tables do not hold in full is passed over.
//
// The conversion happens once: after it, the coordinates are marked local (until the listing is
// read again or the coordinate table is re-created), and a further call changes nothing and
// records the level -1 note "Note: nodal coordinates already local in GetNodeReferenceData."
// (frames built from local coordinates would be wrong). Missing tables or no elements: lop 0 and
// the level -1 note "Note: element tables missing in GetNodeReferenceData.". Otherwise lop 0.
TVK_API void GetNodeReferenceData(int* lop, const int* tflag);
// tcurv(3,3), origin(3) and kappa(2) of one element from its nodes on(8,3) and its reference
// orientation record refdir(7) (angle in degrees, directions so1 and so2); inodes 6 or 8, any
// other count records the level -3 report "Unknown or unsupported element type." and the
// results stay 0.
TVK_API void GetElementTransformation(double* tcurv, double* origin, double* kappa, const double* on,
                                      const double* refdir, const int* inodes);
// Principal curvatures kappa(2) (larger magnitude first) and the angle delta in radians of the
// principal direction of the surface z(x, y) given by lncoords(inodes,3), from the shape-function
// matrix nshape(inodes,6) at the evaluation point. 1 to 8 nodes; other counts record the level
// -3 report "Unknown or invalid number of nodes" and return zeros.
TVK_API void GetCurvatures(double* delta, double* kappa, const double* nshape, const double* lncoords,
                           const int* inodes);
// ti(3,3,8): the direction-cosine matrix at every node of the element on(8,3); inodes 6 or 8,
// any other count records "Unknown or invalid number of nodes" (level -3) and leaves ti 0.
TVK_API void GetNodalTransformation(double* ti, const double* on, const int* inodes);
// nshape(inodes,6): the shape-function matrix at the natural coordinates of node locnode; an
// inodes other than 6 or 8, or a locnode outside 1..inodes, records "Unknown or invalid number of
// nodes" (level -3) and writes nothing (a locnode outside gives a zero matrix).
TVK_API void GetNodalShape(double* nshape, const int* locnode, const int* inodes);
