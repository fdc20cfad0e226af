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

void camplitude_law(const tvk::solver::Camplitude& a) {
    a.amp = 0.0;
    if (a.skip) return;
    if (a.ndata % 2 != 0) {
        tvk::report(-2, "Warning: Mismatch between x- and y-values in %S", 0, 0, 0.0, 0.0, "TVK_AMPL");
        return;
    }
    const int n = std::max(a.ndata, 0) / 2;
    const double* xydata = a.xydata.data();
    a.amp = interpolate(xydata, xydata + n, n, a.xvalue);
}

void chysteresis_law(const tvk::solver::Chysteresis& a) {
    a.amp = 0.0;
    if (a.skip) return;
    if (a.ndata % 2 != 0) {
        tvk::report(-2, "Warning: Mismatch between x- and y-values in %S", 0, 0, 0.0, 0.0, "TVK_HYST");
        return;
    }
    const int n = std::max(a.ndata, 0) / 2;
    const double* xydata = a.xydata.data();
    const double xvalue = a.xvalue;
    double& passed = a.passed;
    bool reverse;
    if (passed == tvk::huge) {
        reverse = true;
    } else if (passed > xvalue) {
        passed = tvk::huge;
        reverse = true;
    } else {
        passed = std::max(passed, xvalue);
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
    const double v = m > 0 ? std::clamp(xvalue, lo, hi) : xvalue;
    a.amp = interpolate(bx.get(), by.get(), m, v);
}

}  // namespace

TVK_SOLVER_ENTRY(Camplitude, CAMPLITUDE, camplitude_law)
TVK_SOLVER_ENTRY(Chysteresis, CHYSTERESIS, chysteresis_law)

TVK_SOLVER_ALIAS(Camplitude, tvk_amplitude, CAMPLITUDE)
TVK_SOLVER_ALIAS(Chysteresis, tvk_hysteresis, CHYSTERESIS)
