// Per-mode failure dispatchers (namespace `damage`): the criterion chosen per ply by the mode's
// selector, evaluated on one ply's stress with that ply's strengths, elastic constants and
// criterion parameters.
//
// The property arrays are the model-data tables as the damage field routine hands them over:
// psprops(10, nlayer, nsec) strengths xt11, xt22, xt33, xc11, xc22, xc33, x12, x13, x23, ilss;
// peprops(9, nlayer, nsec) Nye property vectors; pdprops(nprops, nlayer, nsec) criterion
// parameters (a ply's set ends before the first `defreal` entry); plyorientation and
// plythickness (nlayer, nsec). `layer` and `isec` select the column; outside the arrays (or, for
// delamination, without a ply above `layer`) the dispatcher records a level -3 report and returns
// f = r = 0. The failed flag f is 1 when the exposure r is at least 1. A selector outside its
// table records a level -2 warning and gives f = r = 0.
#pragma once

#include "core/tvk.h"

TVK_API void generalfailure(double* fgp, double* rgp, const double* plystress, const double* psprops,
                            const double* plyorientation, const int* layer, const int* nlayer, const int* isec,
                            const int* nsec, const int* gpflag);
TVK_API void fiberbreakage(double* ffb, double* rfb, const double* plystress, const double* peprops,
                           const double* psprops, const double* plyorientation, const int* layer,
                           const int* nlayer, const int* isec, const int* nsec, const int* fbflag);
TVK_API void MatrixCracking(double* fmc, double* rmc, const double* plystress, const double* peprops,
                            const double* psprops, const double* pdprops, const double* plyorientation,
                            const int* layer, const int* nlayer, const int* isec, const int* nsec,
                            const int* nprops, const int* mcflag, double* outtheta, const double* defreal);
TVK_API void delamination(double* fdel, double* rdel, const double* s33i, const double* lplystress,
                          const double* uplystress, const double* peprops, const double* psprops,
                          const double* plyorientation, const double* plythickness, const int* layer,
                          const int* nlayer, const int* isec, const int* nsec, const int* delflag);
TVK_API void corecrushing(double* fcc, double* rcc, const double* plystress, const double* psprops,
                          const double* plyorientation, const int* layer, const int* nlayer, const int* isec,
                          const int* nsec, const int* ccflag);
