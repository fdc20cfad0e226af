// Failure criteria of a ply, an interface and a sandwich core (namespaces `gpcollection`,
// `fbcollection`, `delcollection`, `cccollection`).
//
// Convention: the exposure r comes first (failure means r >= 1), then the stresses in the ply
// frame as named scalars in Nye order (s11, s22, s33, s12, s13, s23), then the strengths
// (tensile and compressive magnitudes xt.., xc.., shear x12, x13, x23, interlaminar ilss), then
// optional parameters (null pointers: the routine's own defaults). A criterion that cannot
// evaluate records a level -1 note and returns 0. Angles enter in degrees, leave in radians.
// The pressure-dependent resin functions take the stress vector (6) first and update their
// damage value d among their arguments.
#pragma once

#include "core/tvk.h"

// --- general criteria ---------------------------------------------------------------------------
TVK_API void GPMaxNominal(double* rgp, const double* s11, const double* xt11, const double* xc11);
TVK_API void GPQuadNominal(double* rgp, const double* s11, const double* s12, const double* s13,
                           const double* xt11, const double* x12, const double* x13);
TVK_API void GPLinInteraction(double* rgp, const double* s11, const double* s22, const double* s12,
                              const double* xt11, const double* xc11, const double* xt22, const double* xc22,
                              const double* x12);
TVK_API void GPQuadInteraction(double* rgp, const double* s11, const double* s22, const double* s12,
                               const double* xt11, const double* xc11, const double* xt22, const double* xc22,
                               const double* x12);
TVK_API void GPNorrisInteraction(double* rgp, const double* s11, const double* s22, const double* s12,
                                 const double* xt11, const double* xc11, const double* xt22,
                                 const double* xc22, const double* x12);
TVK_API void GPYamadaSunInteraction(double* rgp, const double* s11, const double* s12, const double* s13,
                                    const double* xt11, const double* xc11, const double* x12,
                                    const double* x13);
TVK_API void GPPolyCamanho(double* rgp, const double* s11, const double* s22, const double* s33,
                           const double* s12, const double* s13, const double* s23, const double* xt11,
                           const double* xc11, const double* xt22, const double* xc22, const double* x12,
                           const double* x13, const double* x23, const double* xint, const int* ptype);
TVK_API void GPPolynomial(double* rgp, const double* s11, const double* s22, const double* s33,
                          const double* s12, const double* s13, const double* s23, const double* xt11,
                          const double* xc11, const double* xt22, const double* xc22, const double* xt33,
                          const double* xc33, const double* x12, const double* x13, const double* x23,
                          const double* xint, const int* ptype);
TVK_API void GPDruckerPrager(const double* stress, const double* xt, const double* xc, double* d, double* di1);
TVK_API void GPBauwens(const double* stress, const double* xt, const double* xc, double* d);
TVK_API void GPRaghava(const double* stress, const double* xt, const double* xc, double* d);
TVK_API void GPHa(const double* stress, const double* xt, const double* xc, const double* np, double* d,
                  double* di1, double* dmises, double* i1cr, double* misescr, double* life);

// --- fibre breakage -------------------------------------------------------------------------------
TVK_API void FBLaRC05(double* rfb, const double* s11, const double* s22, const double* s33, const double* s12,
                      const double* s13, const double* s23, const double* xt11, const double* xc11,
                      const double* xt22, const double* xc22, const double* x12, const double* g12,
                      const double* a0, const double* sainc, const int* gsflag, const int* fcl);
TVK_API void FBLaRC05_is(double* rfb, const double* s11, const double* s22, const double* s33,
                         const double* s12, const double* s13, const double* s23, const double* xt11_std,
                         const double* xc11_std, const double* xt22_std, const double* x23_std,
                         const double* x12_std, const double* g12, const double* a0, const double* sainc,
                         const int* gsflag, const int* fcl, const double* x_is);
TVK_API void FBLaRC04(double* rfb, const double* s11, const double* s22, const double* s33, const double* s12,
                      const double* s13, const double* s23, const double* xt11, const double* xc11,
                      const double* xt22, const double* xc22, const double* x12, const double* e11,
                      const double* e22, const double* g12, const double* nu12, const double* gc,
                      const double* a0, const int* fcl);
TVK_API void FBChangChang(double* rfb, const double* s11, const double* s12, const double* xt11,
                          const double* xc11, const double* x12);
TVK_API void FBHashin(double* rfb, const double* s11, const double* s12, const double* s13, const double* xt11,
                      const double* xc11, const double* x12, const double* x13, const double* alpha);
TVK_API void FBChristensen(double* rfb, const double* s11, const double* s22, const double* s33,
                           const double* xt11, const double* xc11);
// stressvector: (s1, s2, s3, t12, t13, t23); nstress 3 means (s1, s2, t12), 4 (s1, s2, s3, t12);
// an absent nstress means 6. failmode (in/out): set to the decisive effort when negative on
// input and rfb >= 1.
TVK_API void FBBahei(double* rfb, const double* stressvector, const double* xlnorm, const double* xtnorm,
                     const double* xlshear, const double* xtshear, const double* mu, const int* nstress,
                     int* failmode);

// --- delamination onset at an interface -----------------------------------------------------------
TVK_API void DelLee(double* rdel, const double* s33, const double* s12, const double* s13, const double* xt33,
                    const double* xc33, const double* ilss);
TVK_API void DelOchoaEngblom(double* rdel, const double* s33, const double* s13, const double* s23,
                             const double* xt33, const double* xc33, const double* ilss);
TVK_API void DelHashin(double* rdel, const double* s33, const double* s13, const double* s23,
                       const double* xt22, const double* xc22, const double* ilss);
TVK_API void DelPuck(double* rdel, const double* s33, const double* s13, const double* s23, const double* xt22,
                     const double* xc22, const double* ilss, const double* gp);
TVK_API void DelChoiChang(double* rdel, const double* s22l, const double* s13l, const double* s23u,
                          const double* xt22l, const double* xc22l, const double* ilssl, const double* ilssu,
                          const double* da);
TVK_API void DelChai(double* rdel, const double* s22l, const double* s13l, const double* s23u,
                     const double* xt22l, const double* xc22l, const double* x23u, const double* ilssl,
                     const double* df1, const double* df2, const double* df3);

// --- core crushing (upper, middle, lower position; tau(1) pairs with x23, tau(2) with x13) --------
TVK_API void CCPetras(double* rcc, const double* s33u, const double* s33m, const double* s33l,
                      const double* taou, const double* taom, const double* taol, const double* xc33,
                      const double* x13, const double* x23);
TVK_API void CCBesant(double* rcc, const double* s33u, const double* s33m, const double* s33l,
                      const double* taou, const double* taom, const double* taol, const double* xc33,
                      const double* x13, const double* x23, const double* besantexponent);

namespace tvk::failure {
// Exposure of a quadratic polynomial criterion Q l^2 + L l = 1: the reciprocal of the load
// factor l, 2Q/(sqrt(L^2 + 4Q) - L). Where no load factor is positive (a negative discriminant,
// or both parts negative) it records the note `what` and gives 0.
double polynomial_exposure(double lin, double quad, const char* what);
}  // namespace tvk::failure
