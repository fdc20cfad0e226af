// Inter-fibre (matrix-cracking) criteria (namespace `mccollection`), under the criterion
// convention of criteria.h.
//
// The action-plane criteria (LaRC05, LaRC04, VDI 2014, SPC3D, Camanho, Wiegand, Puck) search the
// plane through the fibre direction on which their measure is largest. Its angle theta (radians)
// is 0 for the ply plane (normal along 3) and pi/2 for the plane normal to direction 2; the
// tractions on it are tn = s33 c^2 + s22 s^2 - 2 s23 s c, tL = s13 c - s12 s,
// tT = s23 (c^2 - s^2) + (s33 - s22) s c. The search is the golden section (gsflag 1, stopping
// at a bracket of sainc, then checked against the other maxima over the range: see
// failure/anglesearch.h) or a scan in steps of sainc (degrees; default 5). A non-positive or
// non-finite sainc is replaced by the default with a level -2 warning. `outtheta` (radians)
// receives the plane's angle only when it comes in negative and the point fails (rmc >= 1).
#pragma once

#include "core/tvk.h"

TVK_API void MCrckLaRC05(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                         const double* s23, const double* xt22, const double* xc22, const double* x12,
                         const double* a0, double* outtheta, const double* sainc, const int* gsflag);
TVK_API void MCrckLaRC04(double* rmc, const double* s11, const double* s22, const double* s33, const double* s12,
                         const double* s13, const double* s23, const double* xt11, const double* xc11,
                         const double* xt22, const double* xc22, const double* x12, const double* e11,
                         const double* e22, const double* g12, const double* nu12, const double* gc,
                         const double* a0, double* outtheta, const double* sainc, const int* fcl,
                         const int* gsflag);

namespace tvk::failure {
// Whether Wiegand's criterion at its default fracture angle refuses these strengths: ST =
// xc22/(2 tan a0) or eta_L = eta x12/ST overflows (a tiny xc22, a vast x12).
bool wiegand_friction_overflows(double xc22, double x12);
// The turn of LaRC04's kink band where MCrckLaRC04 searched its plane in the band's frame (s22 < 0,
// s11 < -xc22): the ply axes turned by psi about the fibres, then by the misalignment phi about
// the turned 3-axis, both as the search used them (from the unscaled stress). `band` is false
// where the search ran in the ply frame or not at all.
struct Larc04BandTurn {
    bool band = false;
    double psi = 0.0, phi = 0.0;
};
// MCrckLaRC04 without gc and fcl, which also gives the turn of its search's frame.
void larc04_matrix(double* rmc, const double* s11, const double* s22, const double* s33, const double* s12,
                   const double* s13, const double* s23, const double* xt11, const double* xc11, const double* xt22,
                   const double* xc22, const double* x12, const double* e11, const double* e22, const double* g12,
                   const double* nu12, const double* a0, double* outtheta, const double* sainc, const int* gsflag,
                   Larc04BandTurn* turn);
// The plane theta of the search's frame, in the ply frame (about the ply's own 1-axis), folded
// into [0, pi): theta itself where the search ran in the ply frame; in the band's frame the plane
// through the ply's 1-axis nearest the band's plane, whose normal is the band plane's normal
// projected onto the ply's 2-3 plane: psi + atan2(sin theta cos phi, cos theta).
double larc04_ply_plane(double theta, const Larc04BandTurn& turn);
}  // namespace tvk::failure

TVK_API void MCrckVDI2014(double* rmc, const double* s11, const double* s22, const double* s33, const double* s12,
                          const double* s13, const double* s23, const double* xt11, const double* xc11,
                          const double* xt22, const double* xc22, const double* x12, double* outtheta,
                          const double* gp, const double* wp, const double* sainc, const int* gsflag);
// xcs: compressive shear strengths (12, 13, 23); absent or all zero: (xt12, xt13, xt23).
// salims: the angle range in degrees (default 2 to 178); sainc defaults to 2 degrees.
TVK_API void MCrckSPC3D(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                        const double* s23, const double* xt11, const double* xc11, const double* xt22,
                        const double* xc22, const double* xt33, const double* xc33, const double* xt12,
                        const double* xt13, const double* xt23, const double* xcs, double* outtheta,
                        const double* gp, const double* sainc, const double* salims, const int* gsflag);
TVK_API void MCrckCamanho(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                          const double* s23, const double* xt22, const double* xc22, const double* x12,
                          const double* x23, double* outtheta, const double* a0, const double* sainc,
                          const int* gsflag);
TVK_API void MCrckWiegand(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                          const double* s23, const double* xt22, const double* xc22, const double* x12,
                          double* outtheta, const double* a0, const double* sainc, const int* gsflag);
// tcflag (out): on failure -1 when the normal traction on the fracture plane is negative, else 1.
TVK_API void MCrckPuck(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                       const double* s23, const double* xt22, const double* xc22, const double* x12,
                       double* outtheta, const double* gp, const double* sainc, const int* gsflag, int* tcflag);
TVK_API void MCrckCuntze2012(double* rmc, const double* s22, const double* s33, const double* s12,
                             const double* s13, const double* s23, const double* xt22, const double* xc22,
                             const double* x12, const double* gp, const double* mint);
TVK_API void MCrckCuntze2004(double* rmc, const double* s22, const double* s33, const double* s12,
                             const double* s13, const double* s23, const double* xt22, const double* xc22,
                             const double* x12, const double* x13, const double* gp, const double* mint);
TVK_API void MCrckChangChang(double* rmc, const double* s22, const double* s12, const double* xt22,
                             const double* xc22, const double* x12);
TVK_API void MCrckChai(double* rmc, const double* s22, const double* s12, const double* s23, const double* xt22,
                       const double* xc22, const double* x12, const double* x23, const double* dang);
TVK_API void MCrckChristensen(double* rmc, const double* s22, const double* s33, const double* s12,
                              const double* s13, const double* s23, const double* xt22, const double* xc22,
                              const double* xt33, const double* xc33, const double* x12, const double* x13,
                              const double* x23);
TVK_API void MCrckHashin1989(double* rmc, const double* s22, const double* s33, const double* s12,
                             const double* s13, const double* s23, const double* xt22, const double* xc22,
                             const double* xt33, const double* xc33, const double* x12, const double* x13,
                             const double* x23);
TVK_API void MCrckHashinComplete(double* rmc, const double* s22, const double* s33, const double* s12,
                                 const double* s13, const double* s23, const double* xt22, const double* xc22,
                                 const double* x12, const double* x23);
TVK_API void MCrckHashin3D(double* rmc, const double* s22, const double* s12, const double* s13,
                           const double* s23, const double* xt22, const double* xc22, const double* x12,
                           const double* x23);
TVK_API void MCrckHashinPS(double* rmc, const double* s22, const double* s12, const double* xt22,
                           const double* xc22, const double* x12, const double* x23);
// stressvector: (s1, s2, s3, shears); nstress 3, 4 or 6 (absent: 6). interphase (tau0, mu);
// absent or an entry -1: no interphase.
TVK_API void MCrckBahei(double* rmc, const double* stressvector, const double* xnorm, const double* xshear,
                        const int* nstress, const double* interphase, int* failmode);
