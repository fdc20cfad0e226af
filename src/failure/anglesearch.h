// Search of a failure criterion's critical plane: the largest value of f(angle) over an angle
// range, found by the re-entrant golden-section/scan state machine of the numerical core
// (IniGoldenSearch/GSSAFE), driven here with its record on the stack.
#pragma once

#include <array>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "core/roots.h"

namespace tvk::failure {

struct AngleMaximum {
    double angle;  // abscissa the search ends with (radians)
    double value;  // value the search reports for it
};

// A scan longer than this many steps is not run (a step of 1e-300 degrees would take forever).
inline constexpr double max_scan_steps = 1e5;

// gsflag 1: golden section, stopping when the bracket is narrower than `step`; any other value:
// a scan from lo in steps of `step`. A scan step that is not positive, not finite, or would take
// more than max_scan_steps steps over [lo, hi] is replaced by `default_step` with a level -2
// warning; a range too wide even for the default step, and in either mode a range that is not
// finite, is refused (level -3, the fallback abscissa with a NaN value). `fallback` is the
// abscissa the search hands back when it cannot produce one; a golden search ends when its
// Npoints abscissas are used up. f is called with the angle (radians).
template <int Npoints = 200, class F>
AngleMaximum maximise_over_angle(F&& f, double lo, double hi, double step, int gsflag, double fallback,
                                 double default_step) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        tvk::report(-3, "Error: angle range of the fracture-plane search is not finite.", 0, 0, lo, hi);
        return {fallback, std::numeric_limits<double>::quiet_NaN()};
    }
    if (gsflag != 1) {
        const auto fits = [&](double h) { return h > 0.0 && std::isfinite(h) && (hi - lo) / h <= max_scan_steps; };
        if (!fits(step)) {
            if (!fits(default_step)) {
                tvk::report(-3, "Error: angle range of the fracture-plane search is too wide.", 0, 0, lo, hi);
                return {fallback, std::numeric_limits<double>::quiet_NaN()};
            }
            tvk::report(-2, "Warning: angle step of the fracture-plane search replaced by its default.");
            step = default_step;
        }
    }
    const int npoints = Npoints;
    std::array<double, Npoints> x, y;
    double xmove[4] = {}, ymove[4] = {}, lplimits[2] = {};
    int increment = 0, proc = 0, xdir = 0;
    tvk::logical1 isgolden = 0, update = 0, finish = 0;
    double xi = 0.0, yi = 0.0;
    IniGoldenSearch(x.data(), y.data(), xmove, lplimits, &increment, &proc, &isgolden, &finish, &lo, &hi,
                    &step, &gsflag, &npoints);
    while (!finish) {
        GSSAFE(&xi, &yi, &step, x.data(), y.data(), xmove, ymove, lplimits, &xdir, &increment, &proc,
               &isgolden, &update, &finish, &fallback, &npoints);
        if (update) yi = f(xi);
        else if (!finish) break;  // the state machine neither asks nor ends: never loop
    }
    return {xi, yi};
}

}  // namespace tvk::failure
