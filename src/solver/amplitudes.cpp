// Tabulated amplitudes: monotone piecewise cubic Hermite interpolation (F. N. Fritsch,
// R. E. Carlson, 1980) of a user table, and a hysteresis amplitude that follows a loading
// branch and, once the abscissa turns back, the unloading branch stored after it.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "core/errors.h"
#include "core/scratch.h"
#include "loads.h"
#include "pchip/tableinterp.h"

namespace {

// The routine and its table name (the name slot of its reports).
struct Caller {
    std::string_view routine, table;
};
constexpr Caller amplitude{"CAMPLITUDE", "TVK_AMPL"}, hysteresis{"CHYSTERESIS", "TVK_HYST"};

void refuse(const Caller& c, std::string_view what, int row, double v) {
    tvk::report(-3, tvk::compose(c.routine, what), row, 0, v, 0.0, c.table);
}

// The first row (1-based) the interpolation cannot take, 0 when it takes them all: an abscissa
// or ordinate that is not finite, or an abscissa that does not rise above the one before it by a
// finite gap. Such a table would end the process in the interpolation's fatal input path or give
// no number.
int unusable_row(const double* x, const double* y, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return i + 1;
        if (i > 0 && !(x[i] - x[i - 1] > 0.0 && x[i] - x[i - 1] <= tvk::huge)) return i + 1;
    }
    return 0;
}

// Interpolates rows (x(i), y(i)) at v into amp; false when the rows are refused (amp 0). A table
// or branch of fewer than two rows cannot be interpolated: it gives y(1) (0 when empty) with a
// warning instead of the interpolation library's fatal report; its abscissa plays no part, but an
// ordinate that is not finite is refused as in a longer table. A table spanning nearly the whole
// range of doubles can overflow inside the cubic: a result that is not finite is refused too.
bool interpolate(double& amp, const Caller& c, const double* x, const double* y, int n, double v) {
    amp = 0.0;
    if (n < 2) {
        if (n == 1 && !std::isfinite(y[0])) {
            refuse(c, ": table row not finite or abscissa not rising; amplitude 0", 1, x[0]);
            return false;
        }
        tvk::report(-2, "Warning: amplitude table with fewer than two rows.", n);
        amp = n == 1 ? y[0] : 0.0;
        return true;
    }
    if (const int row = unusable_row(x, y, n)) {
        refuse(c, ": table row not finite or abscissa not rising; amplitude 0", row, x[row - 1]);
        return false;
    }
    double r = 0.0;
    const int one = 1;
    cubichermitianinterpolation(&r, x, &n, y, &n, &v, &one);
    if (!std::isfinite(r)) {
        refuse(c, ": interpolated amplitude not finite; amplitude 0", 0, v);
        return false;
    }
    amp = r;
    return true;
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
    // The end pieces extend the table without clamping: no finite amplitude at an infinite abscissa.
    if (n >= 2 && !std::isfinite(a.xvalue)) return refuse(amplitude, ": abscissa not finite; amplitude 0", 0, a.xvalue);
    interpolate(a.amp, amplitude, xydata, xydata + n, n, a.xvalue);
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
    // NaN selects no branch. An infinite abscissa has no finite amplitude to follow and would be
    // carried on in passed (+inf) or turn the branch back (-inf), whatever the table's length.
    // passed = NaN compares with no abscissa, so the branch could never turn back. The start
    // marker (-inf, or any value below the table) and the turned-back marker stay valid.
    if (n >= 2 && std::isnan(xvalue)) return refuse(hysteresis, ": abscissa not a number; amplitude 0", 0, xvalue);
    if (std::isinf(xvalue)) return refuse(hysteresis, ": abscissa not finite; amplitude 0", 0, xvalue);
    if (std::isnan(a.passed)) return refuse(hysteresis, ": branch state passed not a number; amplitude 0", 0, a.passed);
    // The branch state is kept only when the call is served: a refused call leaves passed as it came.
    double passed = a.passed;
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
    // A usable branch rises strictly, so its ends bound it.
    const double v = m >= 2 ? std::clamp(xvalue, bx[0], bx[m - 1]) : xvalue;
    if (interpolate(a.amp, hysteresis, bx.get(), by.get(), m, v)) a.passed = passed;
}

}  // namespace

TVK_SOLVER_ENTRY(Camplitude, CAMPLITUDE, camplitude_law)
TVK_SOLVER_ENTRY(Chysteresis, CHYSTERESIS, chysteresis_law)

TVK_SOLVER_ALIAS(Camplitude, tvk_amplitude, CAMPLITUDE)
TVK_SOLVER_ALIAS(Chysteresis, tvk_hysteresis, CHYSTERESIS)
