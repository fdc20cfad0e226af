// Cubic spline derivatives for the piecewise cubic Hermite routines (the spline branch of
// dpchez). The spline itself belongs to the interpolation extras, which this library does not
// carry yet: the routine validates its arguments and reports every call that passes the checks
// as an error through the handler, so that no caller ever continues with derivatives that were
// not computed. Nothing in the library turns the spline branch on.
#include <cstddef>

#include "pchip/pchip.h"
#include "pchip/xermsg.h"

namespace tvk::pchip {

void dpchsp(const int* ic, const double* vc, int n, const double* x, const double* f, double* d,
            int incfd, double* wk, int nwk, int& ierr) {
    (void)vc;
    (void)f;
    (void)d;
    (void)wk;
    auto fail = [&](int code, const char* message) {
        ierr = code;
        xermsg("SLATEC", "DPCHSP", message, ierr, 1);
    };
    if (n < 2) return fail(-1, "NUMBER OF DATA POINTS LESS THAN TWO");
    if (incfd < 1) return fail(-2, "INCREMENT LESS THAN ONE");
    for (int i = 1; i < n; ++i)
        if (x[i] <= x[i - 1]) return fail(-3, "X-ARRAY NOT STRICTLY INCREASING");
    int bad = 0;
    if (ic[0] < 0 || ic[0] > 4) bad -= 1;
    if (ic[1] < 0 || ic[1] > 4) bad -= 2;
    if (bad < 0) return fail(bad - 3, "IC OUT OF RANGE");
    if (nwk < 2 * n) return fail(-7, "WORK ARRAY TOO SMALL");
    fail(-10, "CUBIC SPLINE DERIVATIVES NOT AVAILABLE");
}

}  // namespace tvk::pchip

TVK_API void dpchsp(const int* ic, const double* vc, const int* n, const double* x,
                    const double* f, double* d, const int* incfd, double* wk, const int* nwk,
                    int* ierr) {
    int e = 0;
    tvk::pchip::dpchsp(ic, vc, *n, x, f, d, *incfd, wk, *nwk, e);
    *ierr = e;
}
