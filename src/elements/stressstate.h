// Conversions between an element's reduced stress state and the full 3-D state of the material
// laws (namespace `elementhandling`).
//
// Element vectors have `ncomp` components: 3 plane stress (11, 22, 12), 4 plane strain and
// axisymmetric (11, 22, 33, 12), 6 solid (Nye order 11, 22, 33, 12, 13, 23). 3-D vectors are Nye
// vectors of 6, tangents 6x6 column-major in Nye order. Strains are taken as they stand (no shear
// scaling). A component count other than 3, 4 or 6 leaves every output untouched.
//
// The axis swap of the 4-component state (`isaxial` true) exchanges axes 2 and 3: the element's
// (11, 22, 33, 12) are the 3-D (11, 33, 22, 13). The swap is its own inverse.
//
// `transverse` (6) supplies the out-of-plane part of a plane-stress point: strains 13, 23, 33,
// then stresses 13, 23, 33; `itnsflag` takes the normal, `itshrflag` the shear components.
#pragma once

#include "core/tvk.h"

TVK_API void Get3DInputFromElem(double* stress3d, double* strain3d, double* dstrain3d,
                                const double* stress_nye, const double* strain_nye,
                                const double* dstrain_nye, const int* ncomp, const double* transverse,
                                const int* itnsflag, const int* itshrflag, const tvk::logical1* isaxial);
TVK_API void Get3DStressFromHex(const double* stress, const double* stran, const double* dstran,
                                double* stress3d, double* stran3d, double* dstran3d);
TVK_API void Get3DStressFromPlaneStrain(const double* stress, const double* stran, const double* dstran,
                                        double* stress3d, double* stran3d, double* dstran3d,
                                        const tvk::logical1* isaxial);
TVK_API void Get3DStressFromPlaneStress(const double* stress, const double* stran, const double* dstran,
                                        const double* transverse, double* stress3d, double* stran3d,
                                        double* dstran3d, const int* itnsflag, const int* itshrflag);

TVK_API void GetElemOutputFrom3D(double* stresselem, double* tangentelem, const double* stress3d,
                                 const double* tangent3d, const int* n, const tvk::logical1* isaxial);
TVK_API void GetHexOutputFrom3D(double* stresshex, double* tangenthex, const double* stress3d,
                                const double* tangent3d);
TVK_API void GetPlaneStrainOutputFrom3D(double* stresspl, double* tangentpl, const double* stress3d,
                                        const double* tangent3d, const tvk::logical1* isaxial);
TVK_API void GetPlaneStressOutputFrom3D(double* stressps, double* tangentps, const double* stress3d,
                                        const double* tangent3d);

// Out-of-plane strain of a plane-stress point: -(nu31/e33) s11 - (nu32/e33) s22.
TVK_API double GetPlaneStressEpsZZ(const double* e33, const double* nu31, const double* nu32,
                                   const double* s11, const double* s22);
