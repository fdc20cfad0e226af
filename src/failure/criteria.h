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

#include <cmath>
#include <limits>

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
// factor l, 2Q/(sqrt(L^2 + 4Q) - L), or (sqrt(L^2 + 4Q) + L)/2 for L > 0. Where no load factor is
// positive (a negative discriminant, Q <= 0 with L < 0) it records the note `what` and gives 0;
// a stress-free ply (Q = L = 0) gives 0 without it.
double polynomial_exposure(double lin, double quad, const char* what);

// --- kinking of the fibres and the friction of the fracture plane (the LaRC, Camanho and Wiegand
// criteria) ---

// True where the fracture angle a0 (degrees) leaves the friction coefficient -1/tan(2 a0) without
// a value: a0 not finite, or within four roundings of a multiple of 90 degrees (|a0 - 90 k| <=
// 4 eps |a0|, exact 0 included). There the double angle in radians is rounded by about as much as
// it lies from a pole of 1/tan, so the coefficient comes out infinite, or as rounding error of
// either sign (about 8e15 at 90 degrees); beyond it the coefficient is within a few percent.
bool fracture_angle_without_friction(double a0);
// The guard of the criteria that read a0: where a0 is given and leaves the friction without a
// value, records the refusal of `routine` at level -3 ("Error: fracture angle of <routine> not
// finite or at a multiple of 90 degrees.") and gives true, with the NaN exposure in r.
bool refused_fracture_angle(double& r, const double* a0, const char* routine);
// The refusal itself, for a fracture angle whose friction has no value for other reasons: records
// it as above and returns the NaN exposure.
double refuse_fracture_angle(const char* routine);

// The friction term (a/d)^2 of the fracture-plane measures, d = s - eta tn: 0 where a is exactly
// 0, whatever d (its limit, also at a pole of d or a strength 0), so that 0/0 leaves no NaN on a
// plane that has a value; a nonzero a over d = 0 is the pole's +inf; +inf also where a nonzero a
// meets a divisor that is not finite (finite stresses carried it past the largest double, or a
// strength is infinite): the term's value is then not known.
inline double friction_term(double a, double d) {
    if (a == 0.0) return 0.0;
    if (!std::isfinite(d)) return std::numeric_limits<double>::infinity();
    const double q = a / d;
    return q * q;
}

// The stress s (Nye, 6) in the frame of the kink band misaligned by phi about direction 3.
void into_misalignment_frame(double* sm, const double* s, double phi);

// The initial misalignment phi_c of the kink band, the root of a tan^2 - tan + b = 0 that vanishes
// with b, a = eta_L + SL/XC, b = SL/XC: atan(2b/(1 + sqrt(1 - 4ab))), the rationalised form of
// atan((1 - sqrt(1 - 4ab))/(2a)), which is 0/0 at a = 0 and cancels near it. False, with phic
// untouched, where 1 - 4ab < 0: no misalignment balances these strengths and this friction.
bool initial_misalignment(double& phic, double eta_l, double sl, double xc);

// The initial misalignment phi_0 = phi_c - XC phi_c/g12 of the kink band, eta_L = eta_T SL/ST: as
// initial_misalignment gives it where 4ab is finite, else in a form without overflow,
// atan(2/(u + sqrt(u^2 - 4q))), u = XC/SL, q = a/b = (eta_T/ST) XC + 1, which reads an infinite
// SL as its limit (u = 0). An infinite XC is its limit too: phi_c -> 0 and XC phi_c -> SL, so
// phi_0 = -SL/g12. False, phi0 untouched, where no misalignment balances these strengths and this
// friction, or where SL and XC are both infinite (the limit depends on how they grow).
bool initial_misalignment_angle(double& phi0, double eta_t, double st, double eta_l, double sl, double xc,
                                double g12);

// The misalignment of the kink band phi = sign(t12) (g12 phi_0 + |s12|)/(g12 + s11 - s22), its
// sign from the rotated shear t12. The band is unstable where the denominator is not positive or
// |phi| >= pi/4: phi grows without bound towards the pole and changes sign past it. There the
// fibre has failed; the measure is then taken with |phi| = pi/4, the sign phi had on the way, and
// the exposure is at least 1 (past_instability).
struct KinkMisalignment {
    double magnitude;  // signed (g12 phi_0 + |s12|)/(g12 + s11 - s22), or +-pi/4 when unstable
    bool unstable;
    double angle(double t12) const { return std::copysign(1.0, t12) * magnitude; }
};
KinkMisalignment kink_misalignment(double g12, double phi0, double s11, double s22, double s12);
// The exposure of an unstable kink band: max(1, r), a NaN kept.
double past_instability(double r);

// The refusal at level -3 of kinking parameters without an initial misalignment, naming the
// routine: a NaN exposure.
double refuse_misalignment(const char* routine);
}  // namespace tvk::failure
