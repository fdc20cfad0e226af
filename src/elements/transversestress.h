// Recovery of the transverse stresses of thick shells from equilibrium (namespace
// `elementhandling`): the transverse normal stress 33 at the z points of the laminate from the
// derivatives of the transverse shear forces, and the transverse shear stresses at the section
// points of every ply from the transverse shear forces, distributed through the thickness by the
// section's F matrix (straight shells) or by F/G matrices that take the element's curvatures
// into account (curved shells).
//
// Each result is computed once: a zero column tnormalstress(:, elemid) (a zero block
// tshearstress(:, :, gpid, elemid)) marks it as not yet computed; the caller zeroes the
// accumulators to have it computed again.
//
// Element forms: kinds 4 and 5 are 8-node shells (4 Gauss points (+-g, +-g), g = 1/sqrt 3,
// weight 1/4); kind 8 is a 6-node triangle (3 Gauss points (1/6, 1/6), (1/6, 2/3), (2/3, 1/6)
// to 11 digits, weight 1/3) when nnodes >= 6 and nodes 4 to 6 carry a coordinate (a 3-node STRI
// element has none); kinds 1 to 3 are handled as 8-node shells when nnodes = 8 and nodes 5 to 8
// carry a coordinate and a motion. Every other kind, a zero displacement vector, disabled flags
// and filled accumulators leave the outputs unchanged, as do an element or section index
// outside its range, an integration point outside the element's Gauss points (gpid 4 of a
// triangle) and nzcoord other than 2 nplies + 1. A section-point count sp =
// elemsectionpoints(elemid) below 1, or with nplies sp above nintpoint, leaves the shear
// stresses (and the normal stress of a curved element) uncomputed.
//
// Transverse normal stress (itnsflag 0 off, 2 at the element centre for 8-node shells, any
// other value averaged over the Gauss points): straight elements integrate from the bottom with
// the F matrix; curved elements (a non-zero curvature) add the curvature-weighted integrals of
// the membrane normal stresses: per Gauss point of the element, the bottom and top stresses of
// every ply from its sp section points, component 22 integrated with (ki, kj) = (smaller,
// larger curvature) and component 11 with (larger, smaller) over the three z points of each
// ply, averaged over the Gauss points; the F/G matrices come with the curvatures in the order
// (larger, smaller).
//
// Transverse shear stress (itshrflag 0 off): at Gauss point gpid, r = H times the transverse
// shear strains of the strain-displacement matrix times the displacement vector; rows 1 to
// nplies sp of tshearstress(:, 1:2, gpid, elemid) receive the shear stresses at the sp section
// points of every ply.
//
// sestress(6, nintpoint, npt, nelem): npt is the array's own third extent (4, or 27 in a model
// with solids); the Gauss points of the element are read from it.
#pragma once

#include "core/tvk.h"

TVK_API void GetShellTransverseStresses(
    double* tnormalstress, double* tshearstress, const double* nodalcoords, const double* nodesmotion,
    const double* sestress, const int* npt, const double* sehmatrix, const double* sefmatrix,
    const double* plyorientation, const double* plythickness, const double* plyzcoord, const double* plyelastic,
    const int* elemsectionpoints, const double* elemcurvatures, const int* elemkind, const int* sectionlist,
    const int* elemid, const int* gpid, const int* secid, const int* itnsflag, const int* itshrflag,
    const int* nplies, const int* nsec, const int* nzcoord, const int* nintpoint, const int* ndof,
    const int* nnodes, const int* nelem);
