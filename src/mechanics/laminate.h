// Laminate mechanics (namespace `laminate`): classical lamination theory, ply strains and
// stresses, through-thickness recovery of the transverse stresses, transverse shear stiffness,
// stack stiffness averages, lamination parameters and laminate engineering constants.
//
// Conventions shared by every routine here:
//  * plyelastic(9, nplies) holds one Nye property vector per ply (E1, E2, E3, nu12, nu13, nu23,
//    G12, G13, G23), plyorientation(nplies) the ply angles in degrees (GetVMatrix alone takes
//    radians), plythickness(nplies) the thicknesses; ply 1 is the bottom ply.
//  * z is measured from the laminate mid-plane, positive towards the top (ply nplies).
//  * Qbar of a ply is its 3 x 3 off-axis plane-stress stiffness (11, 22, 12, engineering shear)
//    from GetNyeOffAxisSC.
//  * The section z-table plyzcoord(2 n + 1) of a section of n plies holds bottom and middle of
//    each ply, then the top of the last: bottom1, mid1, bottom2, ..., bottom_n, mid_n, top_n.
//  * The integral tables (GetArbitraryLaminateIntegral, GetPartialCDwithCurvature) hold the
//    laminate bottom first, then plysectionpoint(k) points of ply k, the last at its top.
//  * Transverse shear pairs are ordered 23 then 13. Tables of 2 x 2 matrices are written column
//    by column into four slots and read row by row.
//  * ABD = [[A, B], [B, D]] (6 x 6).
// Indices and table layouts that come from the caller are checked before use: a ply index or a
// section-point layout that does not fit the arrays gives a report and the zero result.
#pragma once

#include <cstddef>

#include "core/tvk.h"

// --- Classical lamination theory --------------------------------------------------------------

// z of ply iply at zpos 0 (bottom), 1 (middle), 2 (top); any other zpos gives the bottom.
// refoffset (absent: 0) lowers every result, so z is taken from a plane refoffset above the
// mid-plane. iply outside 1..nplies: level -3 report and 0.
TVK_API double GetPlyZCoord(const double* plythickness, const int* iply, const int* nplies,
                            const int* zpos, const double* refoffset);
// plyzcoord(2 nplies + 1, nsec): the section z-table of every section of sectionlist(nplies,
// nsec), from plythickness(nplies, nsec); a section's plies are its slots before the first
// defint (absent: 2147483647); entries beyond a section's own table stay 0.
TVK_API void GetSectionZCoord(double* plyzcoord, const int* sectionlist, const double* plythickness,
                              const int* nplies, const int* nsec, const int* defint);
TVK_API void GetAMatrix(double* a, const double* plyelastic, const double* plyorientation,
                        const double* plythickness, const int* nplies);
TVK_API void GetBMatrix(double* b, const double* plyelastic, const double* plyorientation,
                        const double* plythickness, const int* nplies);
TVK_API void GetDMatrix(double* d, const double* plyelastic, const double* plyorientation,
                        const double* plythickness, const int* nplies);
TVK_API void GetABDMatrix(double* abd, const double* a, const double* b, const double* d);
// A and B integrated from the laminate bottom up to zcrd, taken to lie in ply iply.
// iply outside 1..nplies: level -3 report and a zero result.
TVK_API void GetPartialAMatrix(double* aprt, const double* plyelastic, const double* plyorientation,
                               const double* plythickness, const double* zcrd, const int* iply,
                               const int* nplies);
TVK_API void GetPartialBMatrix(double* bprt, const double* plyelastic, const double* plyorientation,
                               const double* plythickness, const double* zcrd, const int* iply,
                               const int* nplies);
// dred = D - B A^-1 B.
TVK_API void GetReducedBendingStiffness(double* dred, const double* a, const double* b,
                                        const double* d);
// dtstar = (D - B A^-1 B)^-1, btstar = dtstar B A^-1, atstar = A^-1 + A^-1 B btstar.
TVK_API void GetABDTilde(const double* a, const double* b, const double* d, double* atstar,
                         double* btstar, double* dtstar);
// xint(3, w, nzcrd): the integral of Qbar z^(expo-1) (w = 3) or, with thflag 1, of the thermal
// vector Qbar T (alpha1, alpha2, 0) z^(expo-1) (w = 1; alpha in rows 10 and 11 of plyprops) from
// the laminate bottom to every point of the integral table plyzcoord(nzcrd).
TVK_API void GetArbitraryLaminateIntegral(double* xint, const int* expo, const double* plyprops,
                                          const double* plyorientation, const double* plyzcoord,
                                          const int* plysectionpoint, const int* nzcrd,
                                          const int* nplies, const int* nprops, const int* thflag);
// sqrt(D11 D22 (1 + (D12 + 2 D66)/sqrt(D11 D22))/2) of the laminate.
TVK_API double GetEffectivePlateStiffness(const double* plyelastic, const double* plyorientation,
                                          const double* plythickness, const int* nplies);

// --- Ply strains and stresses ------------------------------------------------------------------

// plystrain(3, nzcrd) = se(1:3) + z se(4:6) at every z of plyzcoord(nzcrd), laminate axes.
TVK_API void GetPlyStrain(double* plystrain, const double* se, const double* plyzcoord,
                          const int* nzcrd);
// plystrain(3, 3 nplies): bottom, middle and top strain of every ply in its own axes, z taken
// from a plane `reference` (absent: 0) above the mid-plane.
TVK_API void GetSectionStrain(double* plystrain, const double* se, const double* plyorientation,
                              const double* plythickness, const int* nplies,
                              const double* reference);
// sbt(6, 2 nplies): stress at the bottom (column 2k-1) and top (2k) of every ply from the
// section-point stresses sestress(6, nzcrd), ply k owning plysectionpoint(k) >= 1 consecutive
// points. Counts that do not add up to nzcrd: level -2 report and a zero sbt.
TVK_API void GetPlyBottomTopStress(double* sbt, const double* sestress, const int* plysectionpoint,
                                   const int* nzcrd, const int* nplies);
// The thinner side of interface intface (between plies intface and intface+1) as (first, last)
// ply; equal sides give the upper one. intface outside 0..nplies: level -3 report and (0, 0).
TVK_API void GetSubLaminateStack(int* sublamstack, const double* plythickness, const int* intface,
                                 const int* nplies);
// A ("A"), B ("B") or D ("D") of plies sublamstack(1)..sublamstack(2) as a laminate of their
// own; any other flag gives zero. A non-empty stack outside 1..nplies: level -3 report, zero.
TVK_API void GetSubLaminateXMatrix(double* xsub, const char* slflag, const double* plyelastic,
                                   const double* plyorientation, const double* plythickness,
                                   const int* sublamstack, const int* nplies,
                                   std::size_t slflag_len);
// The three interface factors of the Chai delamination model from the on-axis plane stiffness
// of the lower and upper ply, their angle difference (degrees), thicknesses and G23, G13.
TVK_API void GetChaiDelamFactors(double* chaidfactors, const double* qonl, const double* qonu,
                                 const double* dangl_d, const double* plythickl,
                                 const double* plythicku, const double* g23l, const double* g23u,
                                 const double* g13l, const double* g13u);

// --- Lamination parameters, decoupling angle, laminate constants -------------------------------

// v(4, 3): rows cos 2t, cos 4t, sin 2t, sin 4t; columns the membrane, coupling and bending
// weightings (1/h, 4/h^2, 12/h^3 times the integrals of z^0, z, z^2). Angles in radians.
TVK_API void GetVMatrix(double* v, const double* plyorientation, const double* plythickness,
                        const int* nplies);
// eng(8) from abd(6, 6) and the thickness h: tcflag true, from the stiffness entries (Ex, Ey,
// Gxy, 0, flexural Ex, Ey, Gxy, 0); otherwise from the compliance ABD^-1 (Ex, Ey, Gxy, nu_xy,
// flexural nu_xy, flexural Ey, Gxy, 0).
TVK_API void GetEngConstsFromABDMatrix(double* eng, const double* abd, const double* h,
                                       const tvk::logical1* tcflag);
// Orientation (degrees) of the stiffest family of plies: angles differing by exactly 90 or 180
// degrees form one family, weighted by thickness and E1/E2 contrast. nplies < 1: level -3, 0.
TVK_API double GetDecoupAngle(const double* plyelastic, const double* plyorientation,
                              const double* plythickness, const int* nplies);
// Angle of ply iply minus that of its lower (luflag 0) or upper (luflag 1) neighbour; 0 without
// a neighbour. Another luflag: level -3 report and 0; iply outside 1..nplies: level -3 and 0.
TVK_API double GetdAngle(const double* plyorientation, const int* luflag, const int* iply,
                         const int* nplies);

// --- Through-thickness recovery ----------------------------------------------------------------

// 2 x 2 small-f matrix at zcrd in ply iply (transverse shear stresses from the two transverse
// shear forces) from the coupling factors fa = A^-1 B D*, fb = D*, D* = (D - B A^-1 B)^-1.
TVK_API void GetSmallFMatrix(double* smallf, const double* plyelastic, const double* plyorientation,
                             const double* plythickness, const double* zcrd, const double* fa,
                             const double* fb, const int* iply, const int* nplies);
// plysmallf(2 nplies + 1, 4, nsec): the small-f matrix at every point of every section's z-table.
TVK_API void GetSectionFMatrix(double* plysmallf, const int* sectionlist,
                               const double* plyorientation, const double* plythickness,
                               const double* plyzcoord, const double* plyelastic, const int* nplies,
                               const int* nsec, const int* defint);
// Quadratic interpolation of the small-f table inside ply iply at zpos (outside the ply: level
// -2 report, extrapolated).
TVK_API void GetArbitrarySmallF(double* afmat, const int* iply, const double* zpos,
                                const double* zcoord, const double* smallfmatrix,
                                const int* nplies);
// xytss(nplies nspt, 2): transverse shear stresses at nspt points per ply, in ply axes, from the
// transverse shear forces r(2).
TVK_API void GetExt2DShearStress(double* xytss, const double* r, const double* plyorientation,
                                 const double* smallfmatrix, const int* nspt, const int* nplies);
// s33(2 nplies + 1) by equilibrium from the shear force derivatives rdx(2), rdy(2): from 0 at
// the bottom, or from s33bc at the top.
TVK_API void GetNormalStressFromBottom(double* s33, const double* rdx, const double* rdy,
                                       const double* zcoord, const double* smallfmatrix,
                                       const int* nplies);
TVK_API void GetNormalStressFromTop(double* s33, const double* rdx, const double* rdy,
                                    const double* s33bc, const double* zcoord,
                                    const double* smallfmatrix, const int* nplies);
// sint(nzcrd): curvature-weighted integral of a membrane stress linear through each ply
// (sbt(2 nplies): bottom and top value of each ply).
TVK_API void GetIntegralOfMembraneNormalStress(double* sint, const double* sbt,
                                               const double* plyzcoord,
                                               const int* plysectionpoint, const double* ki,
                                               const double* kj, const int* nzcrd,
                                               const int* nplies);
// pij = p0 - (ki + kj) p1 + ki kj p2, all (3, pdim, nzcrd).
TVK_API void getpartialabwithcurvature(double* pij, const double* p0, const double* p1,
                                       const double* p2, const double* ki, const double* kj,
                                       const int* pdim, const int* nzcrd);
// fg(3, 3, nzcrd) = p1 tstar1 - p2 tstar2 (fgflag > 0) or p2 tstar2 - p1 tstar1 per point.
TVK_API void GetPartialFG(double* fg, const double* p1, const double* p2, const double* tstar1,
                          const double* tstar2, const int* nzcrd, const int* fgflag);
// xij(3, ndim, nzcrd): curvature-weighted running double integrals of Qbar (ndim 3) or of the
// thermal vector (ndim 1) over the integral table.
TVK_API void GetPartialCDwithCurvature(double* xij, const double* pij, const double* plyprops,
                                       const double* plyorientation, const double* plyzcoord,
                                       const int* plysectionpoint, const double* ki,
                                       const double* kj, const int* ndim, const int* nzcrd,
                                       const int* nplies, const int* nprops, const int* cdflag);
// fg(2 nplies + 1, 4, nsec): the F/G table of every section with the shell curvatures xycurv(2)
// (absent: 0, 0).
TVK_API void GetArbitrarySectionFG(double* fg, const int* sectionlist, const double* plyorientation,
                                   const double* plythickness, const double* plyzcoord,
                                   const double* plyelastic, const int* nplies, const int* nsec,
                                   const int* csflag, const int* fgflag, const double* xycurv,
                                   const int* defint);

// --- Transverse shear stiffness ----------------------------------------------------------------

// sehmatrix(2, 2, nsec): H of every section by method 0 (shear correction), 2 (quadrature) or
// any other value (improved shear, the default 1).
TVK_API void GetSectionHMatrix(double* sehmatrix, const int* sectionlist,
                               const double* plyorientation, const double* plythickness,
                               const double* plyelastic, const int* nplies, const int* nsec,
                               const int* method, const int* defint);
TVK_API void GetHMatrixShearCorrect(double* hshear, const double* plyelastic,
                                    const double* plyorientation, const double* plythickness,
                                    const int* nplies);
TVK_API void GetHMatrixImprovedShear(double* hext2d, const double* plyelastic,
                                     const double* plyorientation, const double* plythickness,
                                     const int* nplies);
TVK_API void GetHMatrixQuadrature(double* hquad, const double* plyelastic,
                                  const double* plyorientation, const double* plythickness,
                                  const int* nplies);
TVK_API void GetShearCorrectFactors(double* sk, const double* hlam, const double* plyelastic,
                                    const double* plyorientation, const double* plythickness,
                                    const int* nplies);

// --- Stack stiffness averages ------------------------------------------------------------------
// volratios(nvols) weights, used as they are; rotatedstiffnessmatrices(6, 6, nvols) in Voigt
// order (11, 22, 33, 23, 13, 12); the result is 6 x 6.

TVK_API void GetVoigtEffectiveStiffness(double* cvoigt, const double* volratios,
                                        const double* rotatedstiffnessmatrices, const int* nvols);
TVK_API void GetReussEffectiveStiffness(double* creuss, const double* volratios,
                                        const double* rotatedstiffnessmatrices, const int* nvols);
TVK_API void GetSunEffectiveStiffness(double* csun, const double* volratios,
                                      const double* rotatedstiffnessmatrices, const int* nvols);
TVK_API void GetChouEffectiveStiffness(double* chou, const double* volratios,
                                       const double* rotatedstiffnessmatrices, const int* nvols);
TVK_API void GetHenryEffectiveStiffness(double* chenry, const double* volratios,
                                        const double* rotatedstiffnessmatrices, const int* nvols);

// --- C++ helpers shared by the laminate sources ------------------------------------------------
namespace tvk::laminate {

// A stack of plies: views of the caller's property, angle and thickness arrays.
struct Stack {
    const double* elastic;  // (9, n)
    const double* angle;    // (n), degrees
    const double* thick;    // (n)
    int n;

    Stack sub(int first, int count) const {
        return {elastic + 9 * static_cast<std::ptrdiff_t>(first), angle + first, thick + first,
                count};
    }
};

// Qbar (3 x 3, column-major) of ply k (0-based).
void qbar(double* q, const Stack& s, int k);
// Sum of the thicknesses of the stack.
double total_thickness(const Stack& s);
// A, B, D of the stack; a null pointer skips that matrix.
void abd(const Stack& s, double* a, double* b, double* d);
// Partial A (power 1) or B (power 2) from the stack's bottom to z in ply iply (0-based, not
// checked).
void partial(double* x, const Stack& s, double z, int iply, int power);
// True when all n values are 0.
bool all_zero(const double* a, std::ptrdiff_t n);
// The plies of section sec of the section tables (nplies slots per section) as a stack; n is 0
// for a section without plies or without elastic data, which the section routines skip.
Stack section_stack(const int* sectionlist, const double* plyelastic, const double* plyorientation,
                    const double* plythickness, int nplies, int sec, int empty);
// A^-1 B D* and D* with D* = (D - B A^-1 B)^-1 (the coupling factors of the recovery).
void coupling_factors(const double* a, const double* b, const double* d, double* fa, double* fb);
// Small-f matrix of the stack at z in ply iply (0-based) with the decoupling angle psi (radians).
void small_f(double* f, const Stack& s, double z, int iply, const double* fa, const double* fb,
             double psi);

// Number of plies of a section column of a section list: the slots before the first `empty`.
int section_plies(const int* col, int nplies, int empty);
// True when the integral-table layout fits: 1 + the sum of the positive counts equals nzcrd;
// otherwise a level -2 report naming the routine.
bool integral_layout_fits(const int* plysectionpoint, int nplies, int nzcrd, const char* name);
// Integrand of the integral tables for one ply: Qbar (9 values), or with thermal the 3-vector
// Qbar T (alpha1, alpha2, 0) from rows 10 and 11 of props (T the strain transformation by the
// negative angle).
void ply_integrand(double* y, const double* props, double angle_deg, bool thermal);

// 3 x 3 column-major product c = a b.
inline void mul3(const double* a, const double* b, double* c) {
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            c[i + 3 * j] = a[i] * b[3 * j] + a[i + 3] * b[1 + 3 * j] + a[i + 6] * b[2 + 3 * j];
}

}  // namespace tvk::laminate
