// Contact of a spherical impactor with a composite plate (module `interaction`): the contact
// stiffness and effective modulus, the contact radius and indentation depth for a given force,
// the residual of the contact-force equation that a root finder zeroes, the search for the
// element nearest to each impact point, and the Hugoniot elastic limit.
//
// Every law takes its inputs from one real vector args(numargs) whose positions are fixed per
// routine (1-based below). A law chosen by a flag the routine does not know, or handed fewer
// values than it reads, leaves its results as described per routine; nothing is read beyond
// numargs.
//
// ContactStiffness args: 1 impactor radius R1, 2 length L_c (flag 6), 3 and 4 impactor modulus
// E1 and Poisson's ratio nu1, 5 target curvature 1/R2 (0 flat), 7 and 8 target modulus E2 and
// Poisson's ratio nu2, 9 unloading exponent q, 10 largest force Fmax, 11 largest indentation
// amax, 12 permanent indentation a0 (flag 2) or third length (flag 3), 13 load value w (flag 6).
// ContactRadius args: 1 force F, 2 effective modulus E*, 3 effective radius R, 4 contact length.
// ContactDepth args: 1 force F, 2 effective radius R, 3 effective modulus E* (flag 0), 4 length
// (flag 2). The two routines take modulus and radius in opposite order.
// ContactLaw args: 1 contact stiffness k, 2 approach u0, 3 and 5 two compliances, 4 and 7 two
// displacements subtracted from u0, 6 exponent p; flag 1 adds a stiffness table from position 8:
// ns = (numargs - 7)/2 abscissas (contact forces) followed by ns stiffness values.
#pragma once

#include "core/tvk.h"

// k and the effective modulus eeff of the contact law chosen by csflag: 0 Hertz, 1 Hertz with a
// transversely isotropic target (the target term is 1/E2), 2 and 3 unloading stiffness, 6
// logarithmic line contact. eeff is 0 unless the law defines it. Flags 4 and 5 (Goldsmith) and
// unknown flags, or fewer values than the law reads, leave k unchanged with a level -3 report.
TVK_API void ContactStiffness(double* k, double* eeff, const double* args, const int* numargs,
                              const int* csflag);
// Hertz contact radius (cdflag 0 to 4) or half-width of a line contact (5, 6); the largest double
// for any other flag, and for fewer values than the formula reads (then with a level -3 report).
TVK_API void ContactRadius(double* radius, const double* args, const int* numargs,
                           const int* cdflag);
// Hertz approach (cdflag 0), args(1)/(2 args(2) args(3)) (1), pi args(4)/2 (2); the largest
// double otherwise, as ContactRadius.
TVK_API void ContactDepth(double* indentation, const double* args, const int* numargs,
                          const int* cdflag);
// Residual fx = k base^p - x of the contact force x and its derivative dfx, base being the
// indentation u0 - args(4) - args(7) - x |args(3) + args(5)|. Has the call-back form of the
// bracketing root finders (clflag in the place of their selector). A residual that is not a
// number (a separated contact, base < 0, with a fractional p) becomes -x with dfx = -1: no
// contact force, so the root finder sees a sign change at the force where contact ends. An
// unknown flag, or fewer than 7 values, leaves fx and dfx as passed in (level -3 report).
TVK_API void ContactLaw(double* fx, double* dfx, const double* xold, const double* args,
                        const int* numargs, const int* clflag);
// Nearest element to each impact point: for impactor j (1..nimp) the distance d from coord to
// the impact point dprops(2:4, j) replaces the recorded smallest distance dprops(6, j) when that
// is 0 (none yet) or larger than d; the element noel is then recorded in dprops(5, j) and, when
// elemlength is given with lengths other than -1, half its lengths in dprops(8, j) = dprops(10, j)
// (first) and dprops(9, j) = dprops(11, j) (second; the first when the second is 0). Equal
// distances keep the earlier element. dprops is (12, nimp), column-major.
TVK_API void ContactArea(double* dprops, const double* coord, const int* noel, const int* nimp,
                         const double* elemlength);
// Hugoniot elastic limit of a material of yield strength yc and Poisson's ratio nu.
TVK_API double GetHugonoitElasticLimit(const double* yc, const double* nu);
