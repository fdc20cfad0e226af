// Nodal motion and element displacement vectors (namespace `elementhandling`): nodal
// translations and rotations spread into the element slots of nodaldata.nodesmotion in element
// frames, the 40-entry shell displacement vector, and the edge mid-points of a polygon.
#pragma once

#include "core/tvk.h"
#include "elements/elementtables.h"

// Stores the motions of a block of nodes (ntraction(3, nblock), nrotation(ndim, nblock) for the
// nodes nodeid(nblock)) at every visited element slot that holds the node (elements: see
// elements/elementtables.h), turned into the element frame: translations in slots 1-3, rotations
// in slots 4 up to min(ndof, 6). A triple (or rotation vector) whose entries all equal defreal
// (default the largest double) is not given and leaves the stored values. An element whose
// frames were never built (all its matrices zero) takes the identity; a node beyond the eighth
// of an element takes the identity as its nodal matrix. Node numbers below 1 match no slot;
// ndim is taken as at most 3. Nothing happens unless elemnodes, nodesmotion, tcurvmatrices and
// tnodalmatrices exist.
TVK_API void GetNodesMotion(const double* ntraction, const double* nrotation, const int* nodeid, const int* ndim,
                            const int* nblock, const double* defreal);

namespace tvk::elements {
// GetNodesMotion; with finite_only, a node with a value it would store (a translation or rotation
// turned into an element frame) that is not finite keeps all its slots as they came, in every
// element and for all its entries of the block, and is counted.
KeptNodes store_nodes_motion(const double* ntraction, const double* nrotation, const int* nodeid, int ndim,
                             int nblock, double defreal, bool finite_only);
}  // namespace tvk::elements

// ntrac(3) = tcurv ntrac; nrot(1:ndim) = the first ndim entries of tcurv (ti^T ti) nrot, nrot
// padded to 3 with zeros (ndim absent: 3; taken as at most 3).
TVK_API void ShellTractionTransformation(double* ntrac, double* nrot, const double* ti, const double* tcurv,
                                         const int* ndim);
// u(40): u(5(k-1)+1 ..) = nmotion(1 .. min(mdof, 5), k) for the nodes k = 1 .. min(inodes, 8).
TVK_API void GetDisplacementVector(double* u, const double* nmotion, const int* inodes, const int* mdof);
// center(:, i) = (vertices(:, i) + vertices(:, i+1)) / 2 around the closed polygon.
TVK_API void GetCenterNodes(double* center, const double* vertices, const int* ndim, const int* npt);
