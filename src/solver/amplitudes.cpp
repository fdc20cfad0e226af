// Tabulated amplitudes: monotone piecewise cubic Hermite interpolation (F. N. Fritsch,
// R. E. Carlson, 1980) of a user table, and a hysteresis amplitude that follows a loading
// branch and, once the abscissa turns back, the unloading branch stored after it.
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/scratch.h"
#include "loads.h"
#include "pchip/tableinterp.h"

namespace {

// Interpolates rows (x(i), y(i)) at v. A table or branch of fewer than two rows cannot be
// interpolated: it gives y(1) (0 when empty) with a warning instead of the interpolation
// library's fatal report.
double interpolate(const double* x, const double* y, int n, double v) {
    if (n < 2) {
        tvk::report(-2, "Warning: amplitude table with fewer than two rows.", n);
        return n == 1 ? y[0] : 0.0;
    }
    double r = 0.0;
    const int one = 1;
    cubichermitianinterpolation(&r, x, &n, y, &n, &v, &one);
    return r;
}

}  // namespace

void CAMPLITUDE(double* amp, const double* xydata, const double* xvalue, const int* ndata, const int* skip) {
    *amp = 0.0;
    if (skip && *skip) return;
    if (*ndata % 2 != 0) {
        tvk::report(-2, "Warning: Mismatch between x- and y-values in %S", 0, 0, 0.0, 0.0, "TVK_AMPL");
        return;
    }
    const int n = std::max(*ndata, 0) / 2;
    *amp = interpolate(xydata, xydata + n, n, *xvalue);
}

void CHYSTERESIS(double* amp, double* passed, const double* xydata, const double* xvalue, const int* ndata,
                 const int* skip) {
    *amp = 0.0;
    if (skip && *skip) return;
    if (*ndata % 2 != 0) {
        tvk::report(-2, "Warning: Mismatch between x- and y-values in %S", 0, 0, 0.0, 0.0, "TVK_HYST");
        return;
    }
    const int n = std::max(*ndata, 0) / 2;
    bool reverse;
    if (*passed == tvk::huge) {
        reverse = true;
    } else if (*passed > *xvalue) {
        *passed = tvk::huge;
        reverse = true;
    } else {
        *passed = std::max(*passed, *xvalue);
        reverse = false;
    }
    tvk::Scratch<double, 64> bx(static_cast<std::size_t>(n)), by(static_cast<std::size_t>(n));
    // The branch: row 1 and every following row whose abscissa rises.
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const int row = reverse ? n - 1 - i : i;
        const double x = xydata[row], y = xydata[n + row];
        if (m > 0 && !(x > bx[m - 1])) break;
        bx[m] = x;
        by[m] = y;
        ++m;
    }
    double lo = tvk::huge, hi = -tvk::huge;
    for (int i = 0; i < m; ++i)
        if (!std::isnan(bx[i])) {
            lo = std::min(lo, bx[i]);
            hi = std::max(hi, bx[i]);
        }
    const double v = m > 0 ? std::clamp(*xvalue, lo, hi) : *xvalue;
    *amp = interpolate(bx.get(), by.get(), m, v);
}

void tvk_amplitude(double* amp, const double* xydata, const double* xvalue, const int* ndata, const int* skip) {
    CAMPLITUDE(amp, xydata, xvalue, ndata, skip);
}
void tvk_hysteresis(double* amp, double* passed, const double* xydata, const double* xvalue, const int* ndata,
                    const int* skip) {
    CHYSTERESIS(amp, passed, xydata, xvalue, ndata, skip);
}
