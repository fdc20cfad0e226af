// Kinematics of shell elements with transverse shear deformation, in the element's own plane
// (namespace `elementhandling`): shape-function matrices, the mid-surface Jacobian and the
// matrices that carry second derivatives from natural to in-plane coordinates, the
// strain-displacement matrix of a five-dof shell and the x and y derivatives of its transverse
// shear rows, and the derivatives of the transverse shear forces.
//
// Of the nodal coordinates `ncoords`(3, inodes) only x and y enter. The shell routines serve the
// 6-node triangle and the 8-node quadrilateral; any other node count records a level -3 report,
// "Unknown or unsupported element type.", and the results stay zero.
//
// Shape-function matrices, one row per node: quad4 (4,3) N, N_xi, N_eta; tria6 and quad8 (n,6)
// N, N_xi, N_eta, N_xixi, N_etaeta, N_xieta; hex8 (8,9) N, N_xi, N_eta, N_zeta, three zero
// columns, N_xieta, N_xizeta.
//
// Shell dofs per node: u, v, w, rotation about x, rotation about y; the displacement vector has
// 40 entries (8 nodes at most). Rows of the strain-displacement matrix b(8,40): membrane xx, yy,
// xy (engineering), curvature xx, yy, xy, transverse shear yz, xz.
#pragma once

#include "core/tvk.h"

TVK_API void Quad4ShapeFunMatrix(double* nshape, const double* xi, const double* eta);
TVK_API void Tria6ShapeFunMatrix(double* nshape, const double* xi, const double* eta);
TVK_API void Quad8ShapeFunMatrix(double* nshape, const double* xi, const double* eta);
TVK_API void Hex8ShapeFunMatrix(double* nshape, const double* xi, const double* eta, const double* zeta);

// jac(2,2): rows (x_xi, y_xi), (x_eta, y_eta); nshape(inodes,6) of the element at (xi, eta).
TVK_API void ShellJacobian(double* jac, double* nshape, const double* ncoords, const int* inodes,
                           const double* xi, const double* eta);
// The 2x2 inverse by its adjugate, without a test of the determinant.
TVK_API void ShellJacobianInverse(double* jacinv, const double* jac);
// jac1(3,3) maps the in-plane second derivatives (xx, yy, xy) to the natural ones
// (xixi, etaeta, xieta).
TVK_API void ShellFirstDerivJacobian(double* jac1, const double* jac);
// Inverse of jac1 by cofactors; an exactly singular jac1 records a level -3 report and leaves
// jac1inv zero.
TVK_API void ShellFirstDerivJacobianInverse(double* jac1inv, const double* jac1);
// jac2(3,2): the natural second derivatives (xixi, etaeta, xieta) of x and y. xi and eta are
// accepted and not used.
TVK_API void ShellSecondDerivJacobian(double* jac2, const double* nshape, const double* ncoords,
                                      const int* inodes, const double* xi, const double* eta);

TVK_API void ShellBMatrix(double* b, const double* ncoords, const int* inodes, const double* xi,
                          const double* eta);
TVK_API void ShellxDerivBMatrix(double* xderivb, const double* ncoords, const int* inodes,
                                const double* xi, const double* eta);
TVK_API void ShellyDerivBMatrix(double* yderivb, const double* ncoords, const int* inodes,
                                const double* xi, const double* eta);
// Derivatives of the transverse shear forces (yz, xz): hmat(2,2) times xderivb (yderivb) times u(40).
TVK_API void ShellxDerivShearForces(double* xderivr, const double* u, const double* hmat,
                                    const double* ncoords, const int* inodes, const double* xi,
                                    const double* eta);
TVK_API void ShellyDerivShearForces(double* yderivr, const double* u, const double* hmat,
                                    const double* ncoords, const int* inodes, const double* xi,
                                    const double* eta);
