// Buckling-driven growth of an elliptical delamination (namespace `dg8`): the thin sublaminate
// above the delamination as a plate clamped along the ellipse x^2/a^2 + y^2/b^2 = 1, loaded by
// the applied membrane strain, held off the base laminate by a penalty; eight Ritz coefficients
//   u = phi (p1 xi + p2 eta),  v = phi (q1 xi + q2 eta),  w = phi^2 (r1 + r2 xi^2 + r3 eta^2 + r4 xi eta)
// with xi = x/a, eta = y/b, phi = 1 - xi^2 - eta^2, vec = (p1, p2, q1, q2, r1, r2, r3, r4).
//
// abd(6,6): the sublaminate stiffness (11, 22, 12 | 11, 22, 12); only the upper triangles of the
// A, B (rows 1-3, columns 4-6) and D blocks are read, each block used as symmetric.
// eps(3): applied strain (eps_x, eps_y, gamma_xy) in the ellipse axes, compression negative.
#pragma once

#include "core/tvk.h"

TVK_API double GetStrainEnergy8(const double* vec, const double* eps, const double* a, const double* b,
                                const double* abd);
// f = dU/dvec; while w is false the start term pi a b g0 epsbucklin^2 / 10 is subtracted from f(5).
TVK_API void GetF8(double* f, const double* vec, const double* eps, const double* g0, const double* epsbucklin,
                   const double* a, const double* b, const double* abd, const int* w);
// df(8,8) = d2U/dvec2.
TVK_API void GetdF8(double* df, const double* vec, const double* eps, const double* g0, const double* a,
                    const double* b, const double* abd, const int* w);
// Contact penalty over the cells of pitch min(a, b)/nk (nk <= 0: 3a) whose centre lies inside the
// ellipse where w < 0.
TVK_API double GetContactEnergy8(const double* vec, const double* a, const double* b, const double* kmd,
                                 const int* nk);
TVK_API double GetAreaOfOverlap8(const double* vec, const double* a, const double* b, const int* nk);
// Penalty Hessian km(4,4) and gradient kv(4) with respect to r1..r4.
TVK_API void GetKdfKf8(double* km, double* kv, const double* vec, const double* a, const double* b,
                       const double* kmd, const int* nk);
// Gradient fp(8) and Hessian dfp(8,8) of the total potential (strain energy plus penalty).
TVK_API void GetFdF8(double* fp, double* dfp, const double* vec, const double* eps, const double* g0,
                     const double* epsbucklin, const double* a, const double* b, const double* kmd,
                     const double* abd, const int* nk, const int* w);

// Newton equilibrium from sol (in/out); nrerr = squared length of the last step.
TVK_API void NewtonRaphson8(double* sol, double* nrerr, const double* a, const double* b, const double* kmd,
                            const double* g0, const double* epsnom, const double* epsbucklin,
                            const double* relepsellipse, const double* abd, const double* tolerance,
                            const int* maxiter, const int* nk, const int* w);
// Energy release rate of the front by perturbing a and b (relative 1e-5); fa, fb the growth factors.
TVK_API void GetEnergyReleaseRate8(double* serr, double* fa, double* fb, const double* vec, const double* a,
                                   const double* b, const double* kmd, const double* g0, const double* epsnom,
                                   const double* epsbucklin, const double* relepsellipse, const double* abd,
                                   const int* nk, const int* w, const double* tol, const int* maxiter);

// Strain ramp of an elliptical delamination (a, b, angle = delamination) in the sublaminate of
// plies sublamstack(1..2): linear buckling, the buckling point of the ramp and growth while the
// energy release rate exceeds gamma. success: 1 done, -1 no equilibrium in a load increment,
// -2 trivial solution, -3 no equilibrium while growing; strains = the ramp strains along x at
// linear buckling, at the buckling point and at growth onset (0 when not reached).
TVK_API void DelaminationGrowthAnalysis(double* success, double* strains, const double* limstrain,
                                        const double* relstrain, const double* plyelastic,
                                        const double* plyorientation, const double* plythickness,
                                        const double* delamination, const int* sublamstack, const double* kmd,
                                        const double* gamma, const double* width, const double* radius,
                                        const int* ninc, const int* nprec, const int* nplies);
