// Search of a failure criterion's critical plane: the largest value of f(angle) over an angle
// range, found by the re-entrant golden-section/scan state machine of the numerical core
// (IniGoldenSearch/GSSAFE), driven here with its record on the stack. A criterion's value has in
// general two local maxima per half turn (and SPC3D a cusp), and a golden section over the whole
// range keeps whichever its first comparisons favour; in golden mode the search therefore also
// looks for the other maxima and refines them (see largest_maximum), and compares the planes its
// criterion names (CandidatePlanes): where the measure has a cusp, a kink or a jump, a maximum can
// sit that a golden section approaches only to within its bracket in angle, which can be far
// below the peak in value.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "core/roots.h"
#include "core/tvk.h"

namespace tvk::failure {

struct AngleMaximum {
    double angle;          // abscissa the search ends with (radians)
    double value;          // value the search reports for it
    bool defined = true;   // some plane evaluated had a value that is a number
};

// Planes a criterion hands its golden search besides the points the search picks: those on which
// its measure has a cusp, a kink or a jump (at most `capacity`, with their values). The two ends
// of the range need none: the golden section evaluates them first. The search also locates
// maxima among them (see largest_maximum): beside a cusp, kink or jump, and where the measure
// changes form, a sharp maximum can sit between the points the golden section has.
struct CandidatePlanes {
    static constexpr int capacity = 6;
    std::array<AngleMaximum, capacity> at{};
    int n = 0;
    void add(double angle, double value) {
        if (n < capacity) at[n++] = {angle, value};
    }
    // Peaks a criterion has already found (at most two): they compete as values only, after the
    // rest of the search, whose evaluations they leave as they were.
    std::array<AngleMaximum, 2> peak{};
    int npeaks = 0;
    void add_peak(double angle, double value) {
        if (npeaks < 2) peak[npeaks++] = {angle, value};
    }
};

// The largest value of f over [a, b] that a golden section of `iterations` steps finds (for a
// needle that a criterion locates in closed form to within [a, b], narrower than the search's
// bracket, whose refinement would stop short of its peak): {angle, value}, the better end where
// that is larger.
template <class F>
AngleMaximum golden_peak(F& f, double a, double b, int iterations) {
    constexpr double inner = 0.3819660112501051;  // 1 - 1/phi
    double x1 = a + inner * (b - a), x2 = b - inner * (b - a), f1 = f(x1), f2 = f(x2);
    for (int k = 0; k < iterations; ++k) {
        if (f1 >= f2) {  // a NaN on the left keeps the right part
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = a + inner * (b - a);
            f1 = f(x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = b - inner * (b - a);
            f2 = f(x2);
        }
    }
    return f1 >= f2 ? AngleMaximum{x1, f1} : AngleMaximum{x2, f2};
}

// The planes in [lo, lo + pi] (and <= hi) where a friction divisor st - eta tn shapes a measure,
// to c.add(theta, value(theta)), for a normal traction tn = m + p cos 2theta - s23 sin 2theta on
// the plane theta (the transverse stresses s22, s33, s23 turned; m = (s22 + s33)/2,
// p = (s33 - s22)/2), that is m + r cos(2 theta + phi): the divisor is A - B cos psi
// (psi = 2 theta + phi, A = st - eta m, B = eta r). Where it keeps its sign over the planes
// (|B| < |A|): where it is smallest in magnitude (tn at an extreme), and where the transverse
// term tT/(st - eta tn) = r sin psi/(A - B cos psi) is largest in magnitude, cos psi = B/A. The
// longitudinal divisor SL - eta_L tn is the same one times SL/ST, so the measure's maximum lies
// between the two. As the divisor's least value nears 0 (a steep fracture angle, or a large load)
// that maximum turns into a needle; where it is narrower than two of the search's brackets
// `width` (its refinement stops at that width), the planes are named and the needle's peak is
// found by a golden section between them, on the side where the transverse term's plane reads
// higher. Where the divisor changes sign, the planes beside its zeros (cos psi = A/B), where the
// measure has poles.
template <class V>
void friction_planes(CandidatePlanes& c, double s22, double s33, double s23, double lo, double hi, double eta, double st,
                     double width, V&& value) {
    const double m = 0.5 * (s22 + s33), p = 0.5 * (s33 - s22), r = std::hypot(p, s23);
    if (!(r > 0.0 && std::isfinite(r))) return;  // tn is the same on every plane
    const double phi = std::atan2(s23, p), a = st - eta * m, b = eta * r;
    if (!(std::isfinite(a) && std::isfinite(b))) return;
    // The plane of psi in [lo, lo + pi].
    auto plane = [&](double psi) {
        const double t = 0.5 * (psi - phi);
        return t + std::ceil((lo - t) / tvk::pi) * tvk::pi;
    };
    auto add = [&](double theta, double v) {
        if (theta >= lo && theta <= hi) c.add(theta, v);
    };
    if (!(std::abs(b) < std::abs(a))) {
        // Beside the divisor's zeros, where the measure rises without bound (on a zero itself a
        // divisor of exactly 0 would read the pole's inf, which refuses the ply): 1e-3 r/|B|
        // away in psi the divisor is 1e-3 of the transverse shear r sin psi there (B sin psi
        // its slope), and at a double zero (sin psi = 0) 2000 times below it; never closer
        // than the rounding of the angle resolves.
        const double w = std::acos(std::clamp(a / b, -1.0, 1.0));
        const double off = std::min(std::max(1e-3 * r / std::abs(b), 64.0 * std::numeric_limits<double>::epsilon()),
                                    1e-2);
        for (const double psi : {w - off, w + off, -w - off, -w + off}) add(plane(psi), value(plane(psi)));
        return;
    }
    // |A - B cos psi| is least at psi_low, where B cos psi has A's sign; the transverse term is
    // largest at psi_low -+ d, d = |acos(B/A) - psi_low|.
    const double low = (a > 0.0) == (b >= 0.0) ? 0.0 : tvk::pi, d = std::abs(std::acos(b / a) - low);
    // A maximum wider than two brackets the search resolves as it does any other.
    if (!(0.5 * d < 2.0 * width)) return;
    const double t0 = 0.5 * (low - phi), tp = t0 + 0.5 * d, tm = t0 - 0.5 * d;  // theta, not folded
    const double v0 = value(plane(low)), vp = value(plane(low + d)), vm = value(plane(low - d));
    add(plane(low), v0);
    add(plane(low + d), vp);
    add(plane(low - d), vm);
    {
        // Between the lowest divisor's plane and the transverse term's.
        const double end = vp >= vm || std::isnan(vm) ? tp : tm;
        const auto peak = golden_peak(value, std::min(t0, end), std::max(t0, end), 24);
        const double theta = peak.angle + std::ceil((lo - peak.angle) / tvk::pi) * tvk::pi;
        if (theta >= lo && theta <= hi) c.add(theta, peak.value);
    }
}

// A criterion whose measure is smooth over its planes names none.
struct NoCandidates {
    void operator()(CandidatePlanes&) const {}
};

// A scan longer than this many steps is not run (a step of 1e-300 degrees would take forever).
inline constexpr double max_scan_steps = 1e5;

// The search step (radians) from sainc in degrees; absent gives `default_r`. The search itself
// replaces a step that cannot serve a scan (see maximise_over_angle); a positive sainc so small
// that its radians underflow to 0 stays a positive step, too fine for a scan, not a step of 0.
inline double search_step(const double* sainc, double default_r) {
    if (!sainc) return default_r;
    const double h = *sainc * tvk::deg2rad;
    return h == 0.0 && *sainc > 0.0 ? std::numeric_limits<double>::denorm_min() : h;
}

namespace angle_search {

struct Point {
    double x, v, at;  // abscissa within the located stretch, value, abscissa evaluated
};

// Largest gap left between the points that locate the maxima (15 degrees), widened on a stretch
// of more than max_locating_gaps of them; at most max_refined located maxima are refined.
inline constexpr double locating_gap = 0.2617993877991494;
inline constexpr int max_locating_gaps = 48;
inline constexpr int max_refined = 5;

// Golden section for the largest value in [a, b] around m (a <= m <= b, f(m) = fm not below the
// values at a and b): each step evaluates the point 0.382 into the longer of [a, m] and [m, b] and
// keeps the three points around the larger value, until [a, b] is narrower than `width` or
// `steps` steps are done (a width that is not positive runs them all). Every value goes to
// out[n++]; on return [a, b] is the last bracket and m its best point.
template <class F, class Out>
void refine(F& f, double& a, double& m, double& fm, double& b, double width, int steps, Out& out, int& n) {
    constexpr double inner = 0.3819660112501051;  // 1 - 1/phi
    for (int k = 0; k < steps && !(width > b - a); ++k) {
        const bool right = b - m >= m - a;
        const double t = right ? m + inner * (b - m) : m - inner * (m - a);
        if (!(t > a && t < b) || t == m) break;  // the bracket is down to rounding
        const double ft = f(t);
        out[n++] = {t, ft, t};
        if (ft > fm) {  // t becomes the middle, the old middle an end
            (right ? a : b) = m;
            m = t;
            fm = ft;
        } else {
            (right ? b : a) = t;
        }
    }
}

// The golden section over [lo, hi] returned `found` after asking for the points
// asked[0..nasked). Whether a larger maximum lies elsewhere:
// 1. the points asked for inside the range, with the gaps between them filled to at most
//    locating_gap, locate the maxima: a point above its left and not below its right neighbour.
//    A value of period `period` (0: none) shorter than the range is located over its first
//    period, onto which the golden section's points are folded;
// 2. each located maximum (at most max_refined, the highest first) is refined by the golden
//    section within its neighbours down to the same width `step`;
// 3. `found` stands when its value is at least the least value evaluated within `step` of every
//    point of each refined bracket whose best value exceeds it: it is then within what the width
//    allows of every maximum located, its own included. When it is not, the bracket is refined
//    to a third of the width (the golden section's last point, within 0.62 `step` of its own
//    maximum, then comes within reach when that maximum is the same) and the two ends of the
//    stretch are evaluated before `found` gives way to the largest value evaluated, returned
//    with its abscissa.
// Refinement stops once the check has evaluated twice as many points as the golden section asked
// for (the filling counted); a maximum it leaves unrefined is judged on the points it has.
// 4. the planes[0..nplanes) the criterion names (at most Nplanes), put among the points of 1,
//    locate further maxima as in 1: the planes themselves, and points that a plane beside them
//    lower than they are makes maxima. Those not refined in 2 are refined as there (at most
//    max_refined, within Npoints evaluations), unless the values of the point and its two
//    neighbours are all below 0.9 of the largest value evaluated. This comes after the rest,
//    whose evaluations it leaves as they were, and changes only what f has evaluated, not the
//    result returned.
// A value NaN, a range that is empty, reversed or wider than the largest double, or a width not
// below the range (any point is then within it) keeps `found`.
template <int Npoints, int Nplanes = 0, class F>
AngleMaximum largest_maximum(F& f, double lo, double hi, double step, double period, AngleMaximum found,
                             const Point* asked, int nasked, const Point* planes = nullptr, int nplanes = 0) {
    const double range = hi - lo;
    if (!(range > 0.0 && std::isfinite(range)) || !(step < range) || std::isnan(found.value)) return found;
    const bool fold = period > 0.0 && period < range;
    const double end = fold ? lo + period : hi;
    const double gap = std::max(locating_gap, (end - lo) / max_locating_gaps);

    // 1. The golden section's points in order, each abscissa once, with both ends of the stretch
    // (lo and hi are the first two it asks for), then the gaps filled.
    std::array<Point, Npoints + 3> g;
    int ng = 0;
    for (int i = 0; i < nasked; ++i) {
        Point p = asked[i];
        if (!(p.x >= lo && p.x <= hi)) continue;
        if (fold) p.x = lo + std::fmod(p.x - lo, period);
        g[ng++] = p;
    }
    std::sort(g.begin(), g.begin() + ng,
              [](const Point& p, const Point& q) { return p.x < q.x || (p.x == q.x && p.at < q.at); });
    ng = static_cast<int>(
        std::unique(g.begin(), g.begin() + ng, [](const Point& p, const Point& q) { return p.x == q.x; }) -
        g.begin());
    if (ng == 0 || g[0].x > lo) {
        std::copy_backward(g.begin(), g.begin() + ng, g.begin() + ng + 1);
        g[0] = {lo, f(lo), lo};
        ++ng;
    }
    if (g[ng - 1].x < end) g[ng++] = {end, f(end), end};
    std::array<Point, Npoints + 3 + max_locating_gaps + 2> s;
    int ns = 0;
    for (int i = 0; i < ng; ++i) {
        if (i > 0) {
            const double a = g[i - 1].x, w = g[i].x - a;
            const int m = static_cast<int>(std::ceil(w / gap)) - 1;
            for (int k = 1; k <= m; ++k) {
                const double t = a + w * k / (m + 1);
                s[ns++] = {t, f(t), t};
            }
        }
        s[ns++] = g[i];
    }

    // 2. The located maxima, the highest first.
    std::array<int, max_refined> cand;
    int nc = 0;
    for (int j = 0; j < ns; ++j) {
        const bool located = (j == 0 || s[j].v > s[j - 1].v) && (j == ns - 1 || s[j].v >= s[j + 1].v);
        if (!located) continue;
        int at = nc < max_refined ? nc++ : max_refined;
        for (; at > 0 && s[cand[at - 1]].v < s[j].v; --at)
            if (at < max_refined) cand[at] = cand[at - 1];
        if (at < max_refined) cand[at] = j;
    }

    // 3. Refinement and the comparison with `found`, within `left` further evaluations.
    int left = 2 * nasked - (ns - ng);
    Point best{found.angle, -std::numeric_limits<double>::infinity(), found.angle};
    auto take = [&best](const Point& p) {
        if (p.v > best.v) best = p;
    };
    for (int i = 0; i < ns; ++i) take(s[i]);
    bool beaten = false;
    std::array<Point, Npoints + 4> r;
    for (int ci = 0; ci < nc; ++ci) {
        const int j = cand[ci];
        double a = s[j == 0 ? 0 : j - 1].x, m = s[j].x, top = s[j].v, b = s[j == ns - 1 ? j : j + 1].x;
        int nr = 0;
        refine(f, a, m, top, b, step, std::min(Npoints, left), r, nr);
        left -= nr;
        if (!(top > found.value)) continue;
        // The least value evaluated within w of every point of [a, b] (w the width, or the width
        // reached when `step` is not positive), the points [0, nr) of r included.
        double w = 0.0, least = 0.0;
        auto stretch = [&] {
            w = step > b - a ? step : b - a;
            least = std::numeric_limits<double>::infinity();
            for (int i = 0; i < ns + nr; ++i) {
                const Point& p = i < ns ? s[i] : r[i - ns];
                if (p.x >= b - w && p.x <= a + w && p.v < least) least = p.v;
            }
        };
        stretch();
        if (!(found.value >= least)) {
            const int before = nr;
            refine(f, a, m, top, b, step / 3.0, std::min(Npoints - nr, left), r, nr);
            left -= nr - before;
            stretch();
        }
        for (const double t : {b - w, a + w}) {
            if (found.value >= least || left <= 0) break;
            if (t > lo && t < end) {
                r[nr++] = {t, f(t), t};
                --left;
                least = std::min(least, r[nr - 1].v);
            }
        }
        for (int i = 0; i < nr; ++i) take(r[i]);
        if (!(found.value >= least)) beaten = true;
    }
    if (nplanes > 0) {
        // 4. The points of 1 and the planes in order (a plane on a point's abscissa left out);
        // from[j] the index in s of q[j], -1 for a plane.
        std::array<Point, Nplanes> pl;
        int np = 0;
        for (int i = 0; i < nplanes && np < Nplanes; ++i) {
            Point p = planes[i];
            if (!(p.x >= lo && p.x <= hi)) continue;
            if (fold) p.x = lo + std::fmod(p.x - lo, period);
            // In order as they come (a few planes: an insertion, which also keeps GCC's bounds
            // analysis of std::sort on so short an array quiet).
            int at = np++;
            for (; at > 0 && pl[at - 1].x > p.x; --at) pl[at] = pl[at - 1];
            pl[at] = p;
        }
        std::array<Point, Npoints + 3 + max_locating_gaps + 2 + Nplanes> q;
        std::array<int, Npoints + 3 + max_locating_gaps + 2 + Nplanes> from;
        int nq = 0;
        for (int i = 0, k = 0; i < ns || k < np;) {
            if (k < np && (i == ns || pl[k].x < s[i].x) && !(nq > 0 && q[nq - 1].x == pl[k].x)) {
                from[nq] = -1;
                q[nq++] = pl[k++];
            } else if (k < np && i < ns && pl[k].x == s[i].x) {
                ++k;
            } else if (i < ns) {
                from[nq] = i;
                q[nq++] = s[i++];
            } else {
                ++k;
            }
        }
        auto maximum = [&](int j) {
            return (j == 0 || q[j].v > q[j - 1].v) && (j == nq - 1 || q[j].v >= q[j + 1].v);
        };
        auto refined = [&](int j) {
            for (int ci = 0; ci < nc; ++ci)
                if (cand[ci] == from[j]) return true;
            return false;
        };
        // A stretch whose values are all below 0.9 of the largest one evaluated is left alone.
        const double bar = 0.9 * std::max(best.v, found.value);
        int budget = Npoints, more = 0;
        for (int j = 0; j < nq && more < max_refined && budget > 0; ++j) {
            if (!maximum(j) || (from[j] >= 0 && refined(j))) continue;
            const int ja = j == 0 ? 0 : j - 1, jb = j == nq - 1 ? j : j + 1;
            if (std::max({q[ja].v, q[j].v, q[jb].v}) < bar) continue;
            double a = q[ja].x, m = q[j].x, top = q[j].v, b = q[jb].x;
            int nr = 0;
            refine(f, a, m, top, b, step, std::min(Npoints, budget), r, nr);
            budget -= nr;
            ++more;
        }
    }
    return beaten ? AngleMaximum{best.at, best.v} : found;
}

}  // namespace angle_search

// gsflag 1: golden section, stopping when the bracket is narrower than `step`, then the check for
// a larger maximum elsewhere in the range (largest_maximum; f of period `period` when that is
// positive), then the planes `candidates` names (called as candidates(CandidatePlanes&), in golden
// mode only). The result is the largest value evaluated on the way (the golden section's points,
// those that locate and refine the maxima, the candidate planes) with the plane it was evaluated
// on; where the golden section's own result ties with it, that result stands. Any other gsflag: a
// scan from lo in steps of `step`; when f has a period and the range is not a whole number of
// periods, a scan whose last step overshoots hi by no more than the rounding of its steps also
// evaluates hi (the abscissa, added up step by step, misses the end of the range it was meant to
// reach). A value NaN, on a plane where the measure is not defined, is skipped in both modes: the
// golden section takes it for the lowest value. Where no value the golden search evaluated is a
// number, it scans the range as the scan mode would and refines the best plane the scan finds
// with a value within its two neighbours, so that a band of planes with values narrower than the
// golden section's gaps is not missed. Where no value evaluated is a number the result has
// `defined` false and the value 0 (scan) or NaN (golden). A value +inf (a measure that overflows)
// is the largest. A scan step that is not positive or not finite is replaced by `default_step`,
// and one that would take more than max_scan_steps steps over [lo, hi] by the finest step that
// takes at most that many, each with a level -2 warning. In
// either mode a range too wide even for the default step, one that is not finite, and one that
// is reversed (hi < lo) is refused (level -3, the fallback abscissa with a NaN value). `fallback`
// is the abscissa the search hands back when it cannot produce one; a golden search ends when its
// Npoints abscissas are used up. f is called with the angle (radians).
template <int Npoints = 200, class F, class C = NoCandidates>
AngleMaximum maximise_over_angle(F&& f, double lo, double hi, double step, int gsflag, double fallback,
                                 double default_step, double period = 0.0, C&& candidates = C{}) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        tvk::report(-3, "Error: angle range of the fracture-plane search is not finite.", 0, 0, lo, hi);
        return {fallback, std::numeric_limits<double>::quiet_NaN()};
    }
    if (hi < lo) {
        tvk::report(-3, "Error: angle range of the fracture-plane search is reversed.", 0, 0, lo, hi);
        return {fallback, std::numeric_limits<double>::quiet_NaN()};
    }
    // The step of a scan: `step` where it serves one, else the default (0 where neither does).
    const auto fits = [&](double h) { return h > 0.0 && std::isfinite(h) && (hi - lo) / h <= max_scan_steps; };
    const double scan_step = fits(step) ? step : fits(default_step) ? default_step : 0.0;
    if (scan_step == 0.0) {
        tvk::report(-3, "Error: angle range of the fracture-plane search is too wide.", 0, 0, lo, hi);
        return {fallback, std::numeric_limits<double>::quiet_NaN()};
    }
    if (gsflag != 1 && scan_step != step) {
        // A positive step too fine for the limit scans at the finest step the limit allows, the
        // nearest to the one asked for; a step that is no step (not positive, not finite) at the
        // default.
        double finest = (hi - lo) / max_scan_steps;
        if (!fits(finest)) finest = std::nextafter(finest, std::numeric_limits<double>::infinity());
        if (step > 0.0 && std::isfinite(step) && finest > step && fits(finest)) {
            tvk::report(-2, "Warning: angle step of the fracture-plane search raised to the finest allowed.");
            step = finest;
        } else {
            tvk::report(-2, "Warning: angle step of the fracture-plane search replaced by its default.");
            step = default_step;
        }
    }
    // Every value evaluated passes here: a NaN goes on as the lowest double, and the largest value
    // evaluated is kept.
    constexpr double lowest = -std::numeric_limits<double>::max();
    bool defined = false, skipped = false;
    AngleMaximum best{fallback, lowest};
    double last = lo;  // the abscissa evaluated last
    auto g = [&](double t) {
        const double v = f(t);
        last = t;
        if (std::isnan(v)) {
            skipped = true;
            return lowest;
        }
        defined = true;
        if (v > best.value) best = {t, v};
        return v;
    };
    const double turns = period > 0.0 ? (hi - lo) / period : 0.0;
    const bool whole_periods = turns >= 1.0 - 1e-9 && std::abs(turns - std::nearbyint(turns)) <= 1e-9;
    const int npoints = Npoints;
    std::array<double, Npoints> x, y;
    double xmove[4] = {}, ymove[4] = {}, lplimits[2] = {};
    int increment = 0, proc = 0, xdir = 0;
    tvk::logical1 isgolden = 0, update = 0, finish = 0;
    double xi = 0.0, yi = 0.0;
    // Golden mode: every point the state machine asks for (at most Npoints and the vertex).
    std::array<angle_search::Point, Npoints + 1> asked;
    int nasked = 0;
    IniGoldenSearch(x.data(), y.data(), xmove, lplimits, &increment, &proc, &isgolden, &finish, &lo, &hi,
                    &step, &gsflag, &npoints);
    while (!finish) {
        GSSAFE(&xi, &yi, &step, x.data(), y.data(), xmove, ymove, lplimits, &xdir, &increment, &proc,
               &isgolden, &update, &finish, &fallback, &npoints);
        if (update) {
            // The golden section's closing vertex (a parabola's) can fall outside the range: where
            // the range covers whole periods of f it is the plane a whole number of periods away
            // within the range (a vertex just below 0 is the plane just below pi), elsewhere no
            // plane of the range, and not evaluated. Nor is a vertex that is no number (the values
            // it is fitted to overflow).
            // The folded vertex only competes as a value (largest_maximum locates the maxima from
            // the points within the range it was handed before).
            double at = xi;
            if (!(xi >= lo && xi <= hi) && whole_periods && std::isfinite(xi)) {
                const double t = lo + (xi - lo - period * std::floor((xi - lo) / period));
                if (t >= lo && t <= hi) at = t;
            }
            yi = at >= lo && at <= hi ? g(at) : lowest;
            if (gsflag == 1 && nasked < Npoints + 1) asked[nasked++] = {xi, at == xi ? yi : lowest, xi};
        } else if (!finish) {
            break;  // the state machine neither asks nor ends: never loop
        }
    }
    if (gsflag != 1) {
        if (period > 0.0 && std::abs(turns - std::nearbyint(turns)) > 1e-9 && last < hi) {
            // The abscissa that ended the scan, and the rounding of the sum that gave it.
            const double next = last + step, steps = std::ceil((hi - lo) / step);
            const double rounding =
                4.0 * (steps + 1.0) * std::numeric_limits<double>::epsilon() * std::max(std::abs(lo), std::abs(hi));
            if (next > hi && next - hi <= rounding) {
                const double v = g(hi);
                if (v > yi) {  // the scan's own rule: ties keep the earlier abscissa
                    xi = hi;
                    yi = v;
                }
            }
        }
        return {xi, yi, defined};
    }
    // The golden section's result: the state machine returns the value of the point it evaluated
    // last before its closing vertex (or of its last point), and leaves the vertex's abscissa in
    // xi; the result is that point's own abscissa with its value (the vertex, evaluated above, is
    // among the values compared below).
    const AngleMaximum found{increment >= 1 ? x[increment - 1] : xi, yi};
    CandidatePlanes c;
    candidates(c);
    std::array<angle_search::Point, CandidatePlanes::capacity> planes;
    for (int i = 0; i < c.n; ++i)
        planes[i] = {c.at[i].angle, std::isnan(c.at[i].value) ? lowest : c.at[i].value, c.at[i].angle};
    AngleMaximum m = angle_search::largest_maximum<Npoints, CandidatePlanes::capacity>(
        g, lo, hi, step, period, found, asked.data(), nasked, planes.data(), c.n);
    if (skipped || best.value > m.value) m = best;
    for (int i = 0; i < c.n; ++i) {
        if (std::isnan(c.at[i].value)) continue;
        defined = true;
        if (c.at[i].value > m.value) m = c.at[i];
    }
    // The golden section within `scan_step` of `at` down to a thousandth of the step (the largest
    // value it evaluates goes to best).
    auto refine_around = [&](const AngleMaximum& at, double left, double right) {
        double mid = at.angle, top = at.value;
        std::array<angle_search::Point, Npoints> r;
        int nr = 0;
        angle_search::refine(g, left, mid, top, right, 1e-3 * scan_step, Npoints, r, nr);
    };
    if (!defined) {
        // A scan at the step (its last plane hi), then the golden section within the neighbours
        // of its best plane with a value.
        const double n = std::floor((hi - lo) / scan_step);
        double left = lo, right = lo;
        for (double k = 0.0; k <= n + 1.0; ++k) {
            const double t = k > n ? hi : lo + k * scan_step;
            if (k > n && !(t > lo + n * scan_step)) break;
            const double before = best.value;
            g(t);
            if (best.value > before) {
                left = std::max(lo, t - scan_step);
                right = std::min(hi, t + scan_step);
            }
        }
        if (!defined) return {fallback, std::numeric_limits<double>::quiet_NaN(), false};
        refine_around(best, left, right);
        return best;
    }
    if (skipped) {
        // Planes without a value were evaluated: the best plane may lie in a band of planes with
        // values narrower than the step, whose maximum the golden section's refinement (which
        // stops at the step's width) leaves far below its peak. It is refined as the scan's.
        refine_around(m, std::max(lo, m.angle - scan_step), std::min(hi, m.angle + scan_step));
        if (best.value > m.value) m = best;
    }
    for (int i = 0; i < c.npeaks; ++i)
        if (c.peak[i].value > m.value) m = c.peak[i];
    return m;
}

}  // namespace tvk::failure
