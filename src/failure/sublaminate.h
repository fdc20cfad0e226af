// Local buckling of delaminated sublaminates (namespace `sublaminate`): the Ritz stiffness and
// load-geometry matrices of an elliptical, rectangular or tangent-rectangular delamination, the
// buckling strain of one sublaminate, the sequential buckling analysis of a ply stack and the
// buckling records of every section and damage data set.
//
// Ritz model: the out-of-plane deflection over the delaminated region, in coordinates
// xi = x/a, eta = y/b along the delamination axes, is w = phi(xi, eta) (c1 + c2 xi + c3 eta +
// c4 xi eta + c5 xi^2 + c6 eta^2) with the bubble phi = (1 - xi^2 - eta^2)^2 (ellipse, clamped
// rim), (1 - xi^2)^2 (1 - eta^2)^2 (rectangle, clamped edges) or (1 - xi^2)(1 - eta^2) (tangent
// rectangle, edges held in the plane only). The bending matrices (types 1..5 for D11, D22,
// D12 + 2 D66, D16, D26) and the load matrices (types 1..3 for Nx, Ny, Nxy) are the exact
// integrals of that basis, each shape carrying one common factor that cancels in the eigenvalue.
//
// Shape code dshape: 0 no delamination (zero matrices, no message), 1 ellipse, 2 rectangle,
// 3 tangent rectangle. Delamination size dsize = (a, b, theta): half-axes along the
// delamination's own axes and the angle of its first axis against the laminate x axis (degrees).
//
// Buckling records, in the order in which the sublaminates buckle (record k is the k-th event):
//   integer (4): interface, first ply, last ply, side (0 the sublaminate below the interface,
//                1 the one above);
//   real (12):   buckling strain, buckling stress over the compressive strength, buckling stress
//                (load per unit sublaminate thickness), the delamination size (a, b, theta), the
//                buckling mode (six Ritz coefficients).
// A stack of nplies plies has nrec = max(nplies - 1, 1) records.
#pragma once

#include "core/tvk.h"

// kk(6, 6) of the bending type kktype (1 or 11, 2 or 22, 3 or 33, 4 or 16, 5 or 26); another
// type gives a zero matrix and a level -2 report.
TVK_API void GetKKEllipse(double* kk, const int* kktype);
TVK_API void GetKKRectangle(double* kk, const int* kktype);
TVK_API void GetKKRectTang(double* kk, const int* kktype);
// kg(6, 6) of the load type kgtype (1 or 11, 2 or 22, 3 or 33); another type: zero, level -2.
TVK_API void GetKGEllipse(double* kg, const int* kgtype);
TVK_API void GetKGRectangle(double* kg, const int* kgtype);
TVK_API void GetKGRectTang(double* kg, const int* kgtype);

// subkk(6, 6): bending stiffness of the shape from the reduced bending stiffness dred(3, 3)
// (order x, y, xy) and the half-axes a, b.
TVK_API void GetSubKK(double* subkk, const double* dred, const double* a, const double* b,
                      const int* dshape);
// subkg(6, 6): load-geometry matrix of the in-plane load nglob(3) (Nx, Ny, Nxy, laminate axes)
// turned into the delamination axes by dangle (degrees) and shared by the sublaminate through
// the upper-left blocks of abd and abdinv (6, 6).
TVK_API void GetSubKG(double* subkg, const double* nglob, const double* abd, const double* abdinv,
                      const double* a, const double* b, const double* dangle, const int* dshape);
// Buckling strain eps, buckling stress nx and mode eigvec(6) of the sublaminate of nplies plies
// under the load direction nglob(3) (compression negative). dshape 0 never buckles: eps and nx
// are +infinity. A shape code outside 0..3 or a singular stiffness: report, eps = nx = NaN.
// mu, the eigenvalue of largest modulus of KK^-1 KG (eps = abd0inv(1,1)/mu), is the power
// iteration's (2000 passes, tolerance 1e-10) or, where that does not converge, the direct
// solution's, the mode then of unit length and of the iteration's sign. Where two eigenvalues
// of opposite sign lead with moduli within 1e-6 (none dominates), or KK is not positive
// definite, the iteration's value stays with a level -1 note "No convergence in von Mises
// eigenvalue computation".
TVK_API void GetSubLamBucklingStrain(double* eps, double* nx, double* eigvec, const double* dsize,
                                     const double* nglob, const double* plyelastic,
                                     const double* plyorientation, const double* plythickness,
                                     const int* dshape, const int* nplies);
// Sequential buckling of a stack under uniaxial compression along x: the records
// bukrealdatalist(12, nrec), bukintdatalist(4, nrec) and epsbuck, the lowest buckling strain of
// the first pass (0 when nothing buckles). plydelamination(3, nrec) and plydshape(nrec) hold the
// size and shape of the delamination of every interface. A record that finds no free column is
// dropped with a level -1 note.
TVK_API void DelaminatedBucklingAnalysis(double* epsbuck, double* bukrealdatalist, int* bukintdatalist,
                                         const double* comprstrength, const double* plyelastic,
                                         const double* plyorientation, const double* plythickness,
                                         const double* plydelamination, const int* plydshape,
                                         const int* nplies);
// The buckling records (12 | 4, nrec, ndmg, nsec) of every section and damage data set:
// delamdds(3, nrec, ndmg) the delamination of every interface and set, plydshape(nrec, ndmg)
// their shapes, comprstrength(nsec), plyelastic(9, nplies, nsec), plyorientation,
// plythickness and sectionlist (nplies, nsec); a section's plies are its sectionlist slots
// before the first defint (absent: 2147483647). Records no section fills hold -1 and 0.
TVK_API void GetBukDataFromDDS(double* bukrealdatalist, int* bukintdatalist, const double* delamdds,
                               const int* plydshape, const double* comprstrength,
                               const double* plyelastic, const double* plyorientation,
                               const double* plythickness, const int* sectionlist, const int* ndmg,
                               const int* nplies, const int* nsec, const int* defint);

namespace tvk::sublaminate {

// Layout of the section and damage-set tables handed to fill_records: leading extents may exceed
// what the records need (the model-data tables are read as they are).
struct SetTables {
    const double* delamdds;      // (3, ndelam, ndmg)
    int ndelam;                  // interface columns per damage set
    const int* plydshape;        // (nshape, ndmg), or null: every delamination elliptical
    int nshape;
    const double* comprstrength; // (nsec)
    const double* plyelastic;    // (nelastic >= 9, nplies, nsec)
    int nelastic;
    const double* plyorientation, *plythickness;  // (nplies, nsec)
    const int* sectionlist;      // (nplies, nsec)
    int ndmg, nplies, nsec, defint;
};
// GetBukDataFromDDS on tables of that layout; the records are (12 | 4, nrec, ndmg, nsec) with
// nrec = max(nplies - 1, 1).
void fill_records(double* bukreal, int* bukint, const SetTables& t);

}  // namespace tvk::sublaminate
