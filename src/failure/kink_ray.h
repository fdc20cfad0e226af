// The load path of a kinking fibre: whether the kink band failed at a lower load of the same ray.
//
// The kink-band measures (LaRC05 kinking, LaRC04 kinking and the matrix in the band's frame) are
// read in the frame misaligned by phi(k) = (g12 phi_0 + k |s12|)/(g12 + k (s11 - s22)) at the load
// k sigma. As phi grows the frame turns through the planes and the measure can fall: a band whose
// matrix failed at a lower load of the ray would read intact again. A kinked fibre stays failed:
// where the reading at sigma is below 1 but the measure reached 1 at some k sigma, k < 1, of the
// ray (with the band stable on the whole ray), the exposure is 1.
//
// Whether it did is decided from two facts. At a fixed frame and plane each term of the measures,
// |k a|/(S - eta k n), (k n+/Y)^2 and the tension terms of LaRC04, is nondecreasing in k while its
// denominator stays positive (the denominator is affine in k and S at k = 0). And the tractions
// move with the frame by at most (lmax - lmin) |dphi| <= sqrt(2) |dev sigma| |dphi|, the rate at
// which a rotation can change any component of sigma. So over the loads k in [ka, kb] the measure
// is at most a bound formed from the exposure at kb and the turn of phi over [ka, kb]; an interval
// whose bound is below 1 cannot have reached 1. The ray is split where the bound allows 1 (the
// largest bound first) until every interval is below 1, or an exposure of at least 1 is met.
#pragma once

#include <cmath>
#include <limits>

namespace tvk::failure {

// The ray k sigma, k in [0, 1], of a stress sigma whose kink band is stable at sigma.
struct KinkRay {
    double g12, phi0, dss, s12;  // phi(k) = (g12 phi0 + k s12)/(g12 + k dss), s12 = |sigma_12|
    double rate;                 // sqrt(2) |dev sigma|_F: bounds |dt/dphi| of any traction at k = 1
    double s11, lt_min, lt_max, tau1;  // sigma_11, the transverse principal stresses, |(s12, s13)|

    KinkRay(const double* s, double g12_, double phi0_);
    double magnitude(double k) const { return (g12 * phi0 + k * s12) / (g12 + k * dss); }
    // Bounds of the normal traction at k = 1 on a plane whose normal leans at most phimax
    // (< pi/4) out of the transverse plane: n = c u + s e1, u transverse, |s| <= sin phimax.
    void normal_range(double phimax, double& lo, double& hi) const;
    // An upper bound of the kink-plane measures sum (a_i/(S_i - eta_i n))^2 (+ (n+/yt)^2 where yt
    // > 0) over the loads k in [ka, kb], from the exposure eb at kb: each term moves by at most
    // delta = kb rate |phi(kb) - phi(ka)| in its tractions, so by Minkowski's inequality the
    // measure is at most (sqrt(eb) max(1 + |eta_i| delta/D_i) + |(delta/D_i, delta/yt)|)^2, with
    // D_i the least denominator over the normal tractions at kb. +inf where a D_i is not positive.
    double friction_bound(double ka, double kb, double eb, const double* s, const double* eta, int nterms,
                          double yt) const;
};

// Whether the exposure reached 1 at some load of the ray k in [k_lo, 1), given the exposure r1
// at k = 1: exposure(k) gives the searched exposure at k sigma, bound(ka, kb, eb) an upper bound
// of the measure over [ka, kb] from eb = exposure(kb), NaN where it has none. The interval with
// the largest bound is split at its middle until every bound is below 1 + kink_ray_tolerance
// (false), an exposure of at least 1 is evaluated (true), or max_evaluations are spent or an
// interval is down to rounding (false, with the level -1 note naming `routine`).
inline constexpr int kink_ray_evaluations = 96;
// A reading the ray may have reached without its exposure being 1: far below the accuracy of the
// plane searches that give the readings.
inline constexpr double kink_ray_tolerance = 1e-6;
void note_unresolved_kink_ray(const char* routine);

template <class Exposure, class Bound>
bool kink_ray_reached_failure(Exposure&& exposure, Bound&& bound, double k_lo, double r1, const char* routine) {
    struct Interval {
        double ka, kb, eb, b;
    };
    Interval iv[kink_ray_evaluations + 1];
    int n = 0;
    auto bounded = [&](double ka, double kb, double eb) {
        const double b = bound(ka, kb, eb);
        return std::isnan(b) ? std::numeric_limits<double>::infinity() : b;
    };
    iv[n++] = {k_lo, 1.0, r1, bounded(k_lo, 1.0, r1)};
    for (int used = 0;; ++used) {
        int top = 0;
        for (int i = 1; i < n; ++i)
            if (iv[i].b > iv[top].b) top = i;
        // Every interval bounded below 1, to within kink_ray_tolerance: a reading just below 1 at
        // k = 1 leaves the interval beside it bounded just above 1 until the interval is as short
        // as the reading's distance from 1, which may be rounding.
        if (!(iv[top].b >= 1.0 + kink_ray_tolerance)) return false;
        const Interval it = iv[top];
        const double km = 0.5 * (it.ka + it.kb);
        if (used == kink_ray_evaluations || !(km > it.ka && km < it.kb)) {
            // Undecided within the limit (or down to rounding): the reading stands, noted.
            note_unresolved_kink_ray(routine);
            return false;
        }
        const double em = exposure(km);
        if (em >= 1.0) return true;
        iv[top] = {it.ka, km, em, bounded(it.ka, km, em)};
        iv[n++] = {km, it.kb, it.eb, bounded(km, it.kb, it.eb)};
    }
}

}  // namespace tvk::failure
