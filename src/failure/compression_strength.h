// Compressive strength of a damaged laminate (namespace `dic`): the failure load of a coupon from
// a measured compressive stress distribution across its width, the knock-down factor of buckled
// sublaminates and the knock-down factor of a central open hole. No state is kept.
#pragma once

#include "core/tvk.h"

// fresult(4) = (failure load, failure strain, failure stress, |x| of the governing position) and
// fcomprstressdistribution(nstress, 2) = the measured and the weighted stress curves (ordered by
// the position coordinate, magnitudes) scaled to the failure state, from the mean compressive
// stresses avgcomprstress(nstress) at the positions coords(nstress) across the coupon width, the
// weighting amplitude alpha, the compressive strength, the machine load and displacement of the
// measured state and the coupon's free length and width. A width of 0, no positions or a
// governing weighted stress of 0: level -3 report and zero results.
TVK_API void GetComprFailurebyDIC(double* fresult, double* fcomprstressdistribution, const double* avgcomprstress,
                                  const double* coords, const double* plythickness, const double* alpha,
                                  const double* comprstrength, const double* load, const double* displacement,
                                  const double* length, const double* width, const int* nplies,
                                  const int* nstress);
// (2 alpha)^alpha with alpha = 1 - t_max/t, t_max the thickest run of adjacent plies with equal
// residual factors once every buckled sublaminate of the records bukrealdatalist(12, nrec),
// bukintdatalist(4, nrec) (nrec = max(nplies - 1, 1)) takes its stress ratio; 1 when alpha = 0.
// Records whose plies do not lie within 1..nplies are passed over. nplies < 1: level -3, 1.
TVK_API double GetDmgInfluenceFactor(const double* plythickness, const double* bukrealdatalist,
                                     const int* bukintdatalist, const int* nplies);
// |(A11 + A12)/(2 A22 ((kt - 3)^2 + 1)) - nu_xy| + (x^(1 + x) - x^2) kt with x = 2 radius/width,
// A and the membrane Poisson ratio nu_xy of the laminate. A width of 0 or nplies < 1: level -3, 0.
TVK_API double GetCentralOpenHoleFactor(const double* plyelastic, const double* plyorientation,
                                        const double* plythickness, const double* kt, const double* radius,
                                        const double* width, const int* nplies);
