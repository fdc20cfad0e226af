// Piecewise cubic Hermite interpolation in double precision: monotone derivatives, evaluation and
// integration (the PCHIP package of F. N. Fritsch, Lawrence Livermore National Laboratory,
// 1982; the derivative choice after F. N. Fritsch and J. Butland, "A method for constructing
// local monotone piecewise cubic interpolants", SIAM J. Sci. Stat. Comput. 5 (1984) 300-304).
//
// A piecewise cubic Hermite function is given by strictly increasing nodes x(1..n), values f and
// derivatives d at the nodes; on [x(i), x(i+1)] it is the cubic with those end values and slopes.
// The derivatives `dpchim` chooses keep the interpolant monotone wherever the data are monotone.
//
// f and d are read with a stride incfd: value i is f(1, i) of an array declared f(incfd, n).
// `skip` (in/out) true on input skips the validation of the node data; every routine that takes
// it sets it to true on return. Input errors are reported through `xermsg` (library "SLATEC",
// the routine's name in capitals, level 1; level 2 for the internal failure of `dpchfe`); with
// the handler's fixed settings every such report ends the process with exit status 1, so a
// caller sees the negative ierr codes only if the settings were changed.
//
// ierr: 0 normal; `dpchim` the number of changes of monotonicity direction; `dpchfe` the number
// of extrapolated points; `dpchia` 1, 2 or 3 when a, b or both lie outside [x(1), x(n)];
// negative for input errors:
//   -1 fewer than two points, -2 incfd < 1, -3 x not strictly increasing;
//   dpchfe -4 ne < 1, -5 internal failure of the interval walk; dpchid -4 ia or ib out of range;
//   dpchia -4 failure inside dpchid; dchfev -1 ne < 1, -2 equal interval end points.
#pragma once

#include "core/tvk.h"

namespace tvk::pchip {

// Sign function of two arguments: -1, 0 or +1 (0 when either is zero).
double dpchst(double arg1, double arg2);

void dpchez(int n, const double* x, const double* f, double* d, bool spline, double* wk, int lwk,
            int& ierr);
void dpchim(int n, const double* x, const double* f, double* d, int incfd, int& ierr);
void dpchfe(int n, const double* x, const double* f, const double* d, int incfd, bool& skip,
            int ne, const double* xe, double* fe, int& ierr);
// One cubic on [x1, x2] at ne points; next(1), next(2) count the points left and right of it.
void dchfev(double x1, double x2, double f1, double f2, double d1, double d2, int ne,
            const double* xe, double* fe, int* next, int& ierr);
double dpchqa(int n, const double* x, const double* f, const double* d, double a, double b,
              int& ierr);
double dpchia(int n, const double* x, const double* f, const double* d, int incfd, bool& skip,
              double a, double b, int& ierr);
// Integral of one cubic from a to b (a > b allowed).
double dchfie(double x1, double x2, double f1, double f2, double d1, double d2, double a, double b);
double dpchid(int n, const double* x, const double* f, const double* d, int incfd, bool& skip,
              int ia, int ib, int& ierr);
// Cubic spline derivatives under end conditions ic(2) with end values vc(2). The spline belongs
// to the interpolation extras, not carried by this library: the routine checks its arguments
// (-1 to -3 as above, -4/-5/-6 ic(1)/ic(2)/both outside 0..4, -7 nwk < 2n) and reports every
// call that passes them with ierr -10 "CUBIC SPLINE DERIVATIVES NOT AVAILABLE".
void dpchsp(const int* ic, const double* vc, int n, const double* x, const double* f, double* d,
            int incfd, double* wk, int nwk, int& ierr);

}  // namespace tvk::pchip

// C entry points (logical arguments are 4-byte integers).
TVK_API double dpchst(const double* arg1, const double* arg2);
TVK_API void dpchez(const int* n, const double* x, const double* f, double* d, const int* spline,
                    double* wk, const int* lwk, int* ierr);
TVK_API void dpchim(const int* n, const double* x, const double* f, double* d, const int* incfd,
                    int* ierr);
TVK_API void dpchfe(const int* n, const double* x, const double* f, const double* d,
                    const int* incfd, int* skip, const int* ne, const double* xe, double* fe,
                    int* ierr);
TVK_API void dchfev(const double* x1, const double* x2, const double* f1, const double* f2,
                    const double* d1, const double* d2, const int* ne, const double* xe,
                    double* fe, int* next, int* ierr);
TVK_API double dpchqa(const int* n, const double* x, const double* f, const double* d,
                      const double* a, const double* b, int* ierr);
TVK_API double dpchia(const int* n, const double* x, const double* f, const double* d,
                      const int* incfd, int* skip, const double* a, const double* b, int* ierr);
TVK_API double dchfie(const double* x1, const double* x2, const double* f1, const double* f2,
                      const double* d1, const double* d2, const double* a, const double* b);
TVK_API double dpchid(const int* n, const double* x, const double* f, const double* d,
                      const int* incfd, int* skip, const int* ia, const int* ib, int* ierr);
TVK_API void dpchsp(const int* ic, const double* vc, const int* n, const double* x,
                    const double* f, double* d, const int* incfd, double* wk, const int* nwk,
                    int* ierr);
