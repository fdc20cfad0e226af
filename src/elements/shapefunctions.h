// Isoparametric shape functions of one node at one point of the natural coordinates: the 3-node
// truss, the 6-node triangle, the 4- and 8-node quadrilaterals and the 8-node hexahedron
// (namespaces `truss3`, `tria6`, `quad4`, `quad8`, `hex8`), with first and, for the quadratic
// elements and the hexahedron, second derivatives.
//
// Node numbering (natural coordinates of the nodes):
//   truss3  1 (-1), 2 (0), 3 (+1)
//   tria6   corners 1 (0,0), 2 (1,0), 3 (0,1); mid-sides 4 (1/2,0), 5 (1/2,1/2), 6 (0,1/2)
//   quad4   1 (-1,-1), 2 (1,-1), 3 (1,1), 4 (-1,1)
//   quad8   corners as quad4; mid-sides 5 (0,-1), 6 (1,0), 7 (0,1), 8 (-1,0)
//   hex8    face zeta = -1: 1 (-1,-1), 2 (1,-1), 3 (1,1), 4 (-1,1); face zeta = +1: 5..8 alike
// Directions: 1 = xi, 2 = eta, 3 = zeta. An invalid direction or node records a level -2
// warning naming the routine and the derivative, and the result is 0.0; arguments are checked in
// the order idvar, iidvar, inode.
#pragma once

#include "core/tvk.h"

TVK_API double Truss3SF(const double* xi, const int* inode);
TVK_API double Truss3FirstDerivSF(const double* xi, const int* inode);

TVK_API double Tria6SF(const double* xi, const double* eta, const int* inode);
TVK_API double Tria6FirstDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar);
TVK_API double Tria6SecondDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar,
                                  const int* iidvar);

TVK_API double Quad4SF(const double* xi, const double* eta, const int* inode);
TVK_API double Quad4FirstDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar);

TVK_API double Quad8SF(const double* xi, const double* eta, const int* inode);
TVK_API double Quad8FirstDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar);
TVK_API double Quad8SecondDerivSF(const double* xi, const double* eta, const int* inode, const int* idvar,
                                  const int* iidvar);

TVK_API double Hex8SF(const double* xi, const double* eta, const double* zeta, const int* inode);
TVK_API double Hex8FirstDerivSF(const double* xi, const double* eta, const double* zeta, const int* inode,
                                const int* idvar);
TVK_API double Hex8SecondDerivSF(const double* xi, const double* eta, const double* zeta, const int* inode,
                                 const int* idvar, const int* iidvar);

namespace tvk::shape {

// Value, first derivatives d[k] and second derivatives dd[k][l] of one node's shape function at
// one point, without any check: node is 0-based and must be valid for the family.
struct NodeShape {
    double n = 0.0;
    double d[3] = {0.0, 0.0, 0.0};
    double dd[3][3] = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
};
NodeShape truss3(double xi, int node);
NodeShape tria6(double xi, double eta, int node);
NodeShape quad4(double xi, double eta, int node);
NodeShape quad8(double xi, double eta, int node);
NodeShape hex8(double xi, double eta, double zeta, int node);

}  // namespace tvk::shape
