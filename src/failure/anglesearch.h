// Search of a failure criterion's critical plane: the largest value of f(angle) over an angle
// range, found by the re-entrant golden-section/scan state machine of the numerical core
// (IniGoldenSearch/GSSAFE), driven here with its record on the stack.
#pragma once

#include <array>

#include "core/roots.h"

namespace tvk::failure {

struct AngleMaximum {
    double angle;  // abscissa the search ends with (radians)
    double value;  // value the search reports for it
};

// gsflag 1: golden section, stopping when the bracket is narrower than `step`; any other value:
// a scan from lo in steps of `step`. `fallback` is the abscissa the search hands back when it
// cannot produce one; a golden search ends when its Npoints abscissas are used up. f is called
// with the angle (radians).
template <int Npoints = 200, class F>
AngleMaximum maximise_over_angle(F&& f, double lo, double hi, double step, int gsflag, double fallback) {
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
