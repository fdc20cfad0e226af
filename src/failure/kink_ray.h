// The load path of a kinking fibre: whether the kink band failed at a lower load of the same ray.
//
// The kink-band measures (LaRC05 kinking, LaRC04 kinking and the matrix in the band's frame) are
// read in the frame misaligned by phi(k) = (g12 phi_0 + k |s12|)/(g12 + k (s11 - s22)) at the load
// k sigma. As phi grows the frame turns through the planes and the measure can fall: a band whose
// matrix failed at a lower load of the ray would read intact again. A kinked fibre stays failed:
// where the reading at sigma is below 1 but the measure reached 1 at some k sigma, k < 1, of the
// ray (with the band stable on the whole ray), the exposure is 1.
//
// Whether it did is decided plane by plane. On a plane, every traction in the band's frame at
// the load k is k f(mu), f a trigonometric polynomial of the frame's angle mu = |phi(k)|
// (c0 + c2 cos 2mu + s2 sin 2mu + c1 cos mu + s1 sin mu, its coefficients from the plane's stress
// at sigma). Over a stretch [ka, kb] of the ray the measure on the plane is bounded from the
// tractions at its two ends: a term whose path derivative is shown not negative over the stretch
// (from the ranges of f, f' and the ray's dmu/dk) is at most its value at kb, any other term at
// most its largest numerator over its least divisor over the stretch. A stretch whose bound
// reaches 1 is halved, and a load whose measure is at least 1 ends the plane (the ray reached 1).
// The planes are searched as the reading searches them, for the largest measure read on the ray:
// one more plane search decides it. Most rays need not even that: a bound of the measure over
// every plane and load (uniform_bound of the criterion) is below 1. Where a plane's stretches cannot be bounded below 1 within its limit
// of loads, the ray is not decided: the exposure is 1, the conservative side, with a level -1
// note.
#pragma once

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "criteria.h"

namespace tvk::failure {

// Plane searches the kink-band criteria ran on this thread (readings and ray decisions): a
// count for tests of the cost of a reading.
inline thread_local long kink_plane_searches = 0;

// A reading the ray may have reached without its exposure being 1: far below the accuracy of the
// plane searches that give the readings.
inline constexpr double kink_ray_tolerance = 1e-6;
// The loads of the ray read on one plane at most.
inline constexpr int kink_ray_loads = 64;
void note_unresolved_kink_ray(const char* routine);

// cos mu, sin mu, cos 2mu, sin 2mu.
struct FrameAngle {
    double mu = 0.0, c1 = 1.0, s1 = 0.0, c2 = 1.0, s2 = 0.0;
    FrameAngle() = default;
    explicit FrameAngle(double m) : mu(m), c1(std::cos(m)), s1(std::sin(m)), c2(c1 * c1 - s1 * s1), s2(2.0 * s1 * c1) {}
};

// c0 + c2 cos 2mu + s2 sin 2mu + c1 cos mu + s1 sin mu.
struct FrameTrig {
    double c0 = 0.0, c2 = 0.0, s2 = 0.0, c1 = 0.0, s1 = 0.0;
    double at(const FrameAngle& a) const { return c0 + c2 * a.c2 + s2 * a.s2 + c1 * a.c1 + s1 * a.s1; }
    double slope(const FrameAngle& a) const { return 2.0 * (s2 * a.c2 - c2 * a.s2) + s1 * a.c1 - c1 * a.s1; }
    // Bounds of |f''| and |f'''|.
    double curvature() const { return 4.0 * (std::abs(c2) + std::abs(s2)) + std::abs(c1) + std::abs(s1); }
    double curvature3() const { return 8.0 * (std::abs(c2) + std::abs(s2)) + std::abs(c1) + std::abs(s1); }
    bool zero() const { return c0 == 0.0 && c2 == 0.0 && s2 == 0.0 && c1 == 0.0 && s1 == 0.0; }
    FrameTrig operator*(double w) const { return {c0 * w, c2 * w, s2 * w, c1 * w, s1 * w}; }
    FrameTrig operator+(const FrameTrig& o) const { return {c0 + o.c0, c2 + o.c2, s2 + o.s2, c1 + o.c1, s1 + o.s1}; }
};

// The stress p (Nye, at the load 1) in the frame turned by sign * mu about direction 3, as
// functions of mu (sign the sign of p12, which the misalignment takes).
struct MisalignedStress {
    FrameTrig s22, s33, s12, s13, s23;
    MisalignedStress(const double* p, double sign) {
        const double m = 0.5 * (p[0] + p[1]), h = 0.5 * (p[0] - p[1]);
        s22 = {m, -h, -sign * p[3], 0.0, 0.0};
        s33 = {p[2], 0.0, 0.0, 0.0, 0.0};
        s12 = {0.0, p[3], -sign * h, 0.0, 0.0};
        s13 = {0.0, 0.0, 0.0, p[4], sign * p[5]};
        s23 = {0.0, 0.0, 0.0, p[5], -sign * p[4]};
    }
};

// The ray k sigma, k in [0, 1]: the magnitude of the misalignment and its rate.
struct KinkRay {
    double g12, phi0, dss, s12;  // mu(k) = (g12 phi0 + k s12)/(g12 + k dss), s12 = |sigma_12|
    KinkRay(const double* s, double g12_, double phi0_) : g12(g12_), phi0(phi0_), dss(s[0] - s[1]), s12(std::abs(s[3])) {}
    double magnitude(double k) const { return (g12 * phi0 + k * s12) / (g12 + k * dss); }
    double rate(double k) const {
        const double d = g12 + k * dss;
        return g12 * (s12 - phi0 * dss) / (d * d);
    }
};

// A closed interval and its arithmetic.
struct Range {
    double lo, hi;
    static Range of(double a, double b) { return {std::min(a, b), std::max(a, b)}; }
    Range operator+(const Range& o) const { return {lo + o.lo, hi + o.hi}; }
    Range operator*(const Range& o) const {
        const double p[4] = {lo * o.lo, lo * o.hi, hi * o.lo, hi * o.hi};
        return {*std::min_element(p, p + 4), *std::max_element(p, p + 4)};
    }
    Range operator*(double w) const { return of(lo * w, hi * w); }
};

// A friction term (a/(s - eta n))^2 of a kink measure: friction_term, where an infinite strength s
// is its limit, 0 (its divisor grows without bound), unless eta n overflows (the stresses'
// overflow, +inf where a is not 0).
inline double kink_friction_term(double a, double s, double eta_n) {
    if (std::isinf(s) && std::isfinite(eta_n)) return 0.0;
    return friction_term(a, s - eta_n);
}

// The strengths a kink band reads, by name: those of its misalignment and of the divisors of its
// friction terms (`divides`), or those read only where a term's numerator is not 0 (the tension
// strength xt22, whose term is 0 where tn is not positive, which the routines decide for the whole
// ray from the stress, over turn_range). One that `divides` and is zero or negative leaves the band
// without a misalignment or divides by it: the routine is refused at level -3 naming it ("Error:
// strength <name> of <routine> is zero or negative."), r NaN. A NaN strength gives no exposure
// (r NaN, level 0), even where no term reads it. True where r is set.
struct KinkStrength {
    const char* name;
    double value;
    bool divides;
};
bool refused_kink_strengths(double& r, std::initializer_list<KinkStrength> strengths, const char* routine);

// The kink-band measures are homogeneous of degree 0 in the stresses, strengths and moduli
// together (the misalignment and every term are ratios of them, eta and phi_0 are pure numbers):
// scaled by a power of two, exactly, they read the same. Where the stresses times the friction
// coefficient eta (the larger in magnitude), or a strength, come so near the largest double that
// the sums and products of the band (turned stresses, eta tn, the ray's bounds, which multiply two
// stresses) could overflow, kink_scale gives n > 0 such that their scale by 2^-n stays below 2^480;
// 0 where no scale is needed, or where one of `sizes` (the strengths and moduli the band reads)
// would lose bits to underflow, so that scaling would change the reading. Where every stress and
// size lies below 2^-200, so that the band's products of two or three of them underflow (a failed
// reading of 1.0 with the unresolved-path note at 2^-600), n < 0 scales them up, exactly, to a
// largest magnitude in [1, 2).
inline int kink_scale(const double* s, int ns, double eta, std::initializer_list<double> sizes) {
    constexpr int top = 480, limit = 500, bottom = -200;
    double m = 0.0;
    for (int i = 0; i < ns; ++i)
        if (std::isfinite(s[i])) m = std::max(m, std::abs(s[i]));
    int e = m > 0.0 ? std::ilogb(m) : -2000, all = e;
    if (std::isfinite(eta) && std::abs(eta) >= 1.0) e += std::ilogb(eta) + 1;
    for (double x : sizes)
        if (std::isfinite(x) && x > 0.0) {
            e = std::max(e, std::ilogb(x));
            all = std::max(all, std::ilogb(x));
        }
    if (all < bottom && all > -2000 && e - all <= limit) return all;
    if (e <= limit) return 0;
    const int n = e - top;
    for (double x : sizes)
        if (std::isfinite(x) && x != 0.0 && std::ldexp(std::ldexp(x, -n), n) != x) return 0;
    return n;
}

// The range of k dmu/dk over the loads [ka, kb]: k/(g12 + k dss)^2 grows up to k = g12/dss and
// falls beyond, so its range is that of its ends and, between them, of that load (the ends'
// rates times the ends' loads overstate it, by as much as the rate changes over the stretch).
inline Range turn_rate(const KinkRay& ray, double ka, double kb) {
    const auto at = [&](double k) { return k * ray.rate(k); };
    if (!(ray.g12 > 0.0 && ray.g12 + ka * ray.dss > 0.0 && ray.g12 + kb * ray.dss > 0.0))
        return Range{ka, kb} * Range::of(ray.rate(ka), ray.rate(kb));
    Range r = Range::of(at(ka), at(kb));
    const double kp = ray.dss > 0.0 ? ray.g12 / ray.dss : -1.0;
    if (kp > ka && kp < kb) r = {std::min(r.lo, at(kp)), std::max(r.hi, at(kp))};
    return r;
}

// The terms of a kink-band measure on one plane, at the load k in the frame mu: friction terms
// (k a/(s - eta k n))^2, a tension term (k n+/yt)^2 where yt > 0 (LaRC05), or, with `larc04`,
// the LaRC04 fibre measure: the first friction term where n < 0, else (1 - g) r + g r^2 +
// (k a1/x12)^2 + c13 (k a13/x12)^2, r = k n/yt.
struct KinkTerms {
    // A friction term (k a/(s - eta k n))^2; `unbounded` where its strength is infinite and its
    // divisor an unbounded multiple of s - eta k n (SL - eta_L tn = (SL/ST)(ST - eta_T tn), s and
    // eta then ST and eta_T): the term is 0, its limit, where s - eta k n > 0, a passed pole where
    // it is not.
    struct Friction {
        FrameTrig a;
        double s, eta;
        bool unbounded = false;
    };
    FrameTrig n;
    // A numerator at most `zero` at the load 1 is the rounding of 0 (a stress without shear
    // on the plane, turned): where its divisor is not positive the term is 0, its limit.
    double zero = 0.0;
    Friction f[2];
    int nf = 0;
    bool tension = false;  // the tension term, or the LaRC04 fibre measure's tension branch
    double yt = 0.0;
    bool larc04 = false;
    FrameTrig a13;
    double g = 0.0, c13 = 0.0, x12 = 0.0;
};

// The frames of the loads k_lo + (1 - k_lo) j/64 of the ray, j = 0 .. 64, computed once for all
// planes (a stretch is halved at these loads first).
struct KinkRayFrames {
    static constexpr int n = 64;
    const KinkRay& ray;
    double k_lo;
    FrameAngle at[n + 1];
    bool have[n + 1] = {};
    KinkRayFrames(const KinkRay& r, double lo) : ray(r), k_lo(lo) {}
    double load(int j) const { return j == n ? 1.0 : k_lo + (1.0 - k_lo) * (j / double(n)); }
    const FrameAngle& frame(int j) {
        if (!have[j]) {
            at[j] = FrameAngle(ray.magnitude(load(j)));
            have[j] = true;
        }
        return at[j];
    }
};

// One load of the ray on a plane: the frame and the traction functions' values and slopes.
struct KinkNode {
    int j;  // the index of the load in KinkRayFrames, -1 for none
    double k;
    FrameAngle at;
    double n, dn, a[2], da[2], a13;
};

// The measure on the plane at a node: the criterion's own formula on its tractions; +inf where a
// friction divisor is not positive under a numerator that is not 0 (the pole was passed).
inline double kink_node_measure(const KinkTerms& t, const KinkNode& q) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double n = q.k * q.n;
    auto friction = [&](int i) {
        const double a = q.k * q.a[i], d = t.f[i].s - t.f[i].eta * n;
        if (!(d > 0.0)) return std::abs(a) <= q.k * t.zero ? 0.0 : inf;
        if (t.f[i].unbounded) return 0.0;
        return kink_friction_term(a, t.f[i].s, t.f[i].eta * n);
    };
    if (t.larc04 && !(n < 0.0)) {
        const double r = n / t.yt, l = q.k * q.a[0] / t.x12, l3 = q.k * q.a13 / t.x12;
        return (1.0 - t.g) * r + t.g * r * r + l * l + t.c13 * l3 * l3;
    }
    double v = 0.0;
    for (int i = 0; i < (t.larc04 ? 1 : t.nf); ++i) v += friction(i);
    if (t.tension && n > 0.0) v += (n / t.yt) * (n / t.yt);
    return v;
}

// The plane's verdict on the ray [k_lo, 1]: the largest measure read at a load of it (at 1
// included), whether a load below 1 read at least 1 (reached), and whether its stretches could
// not all be bounded below 1 (undecided).
struct KinkPlaneVerdict {
    double peak;
    bool reached, undecided;
};

namespace kink_detail {

inline KinkNode node(const KinkTerms& t, KinkRayFrames& frames, int j, double k) {
    KinkNode q{j, j >= 0 ? frames.load(j) : k, j >= 0 ? frames.frame(j) : FrameAngle(frames.ray.magnitude(k)),
               0, 0, {0, 0}, {0, 0}, 0};
    q.n = t.n.at(q.at);
    q.dn = t.n.slope(q.at);
    for (int i = 0; i < t.nf; ++i) {
        q.a[i] = t.f[i].a.at(q.at);
        q.da[i] = t.f[i].a.slope(q.at);
    }
    if (t.larc04) q.a13 = t.a13.at(q.at);
    return q;
}

// The range over [mu_a, mu_b] of f, from its values at the ends and a bound of |f''|.
inline Range over(double fa, double fb, double curvature, double dmu) {
    const double e = 0.125 * dmu * dmu * curvature;
    return {std::min(fa, fb) - e, std::max(fa, fb) + e};
}

// A bound of a friction term's root k |f(mu)|/(s - eta k n(mu)) over the loads [ka, kb] (mu the
// frame's angle, at most mu_max in magnitude there; n the range of n(mu) there) that keeps the
// large stresses the frame turns with the misalignment they turn by: +inf where it does not apply
// (the band or the divisor not positive). The numerator is at most k A + min(k C, G): A the
// cosine coefficients of f, C its sine coefficients times the largest |sin 2mu|, |sin mu|, and
// G = (2 |s2| + |s1|) K, K the largest k |mu| = k |g12 phi0 + k s12|/(g12 + k dss), which grows
// with k and stays below |g12 phi0| + k s12 however large dss is; the divisor is at least
// s + k E, E the least -eta n. k A/(s + k E) is largest at kb, min(k C, G)/(s + k E) at
// k = G/C where E > 0, else at kb.
inline double turned_friction_bound(const FrameTrig& f, double s, double eta, const KinkRay& ray, double ka,
                                    double kb, double mu_max, const Range& n) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double g = ray.g12;
    if (!(g > 0.0 && g + ka * ray.dss > 0.0 && g + kb * ray.dss > 0.0)) return inf;
    const double e = std::min(-eta * n.lo, -eta * n.hi), da = s + ka * e, db = s + kb * e;
    if (!(da > 0.0 && db > 0.0)) return inf;
    const double a = std::abs(f.c0) + std::abs(f.c2) + std::abs(f.c1);
    const double c = std::abs(f.s2) * std::min(1.0, 2.0 * mu_max) + std::abs(f.s1) * std::min(1.0, mu_max);
    const double big_k = (std::abs(g * ray.phi0) + kb * ray.s12) * (kb / (g + kb * ray.dss));
    const double big_g = (2.0 * std::abs(f.s2) + std::abs(f.s1)) * big_k;
    double r = kb * a / db;
    if (c > 0.0 && big_g > 0.0) {
        double kc = kb;
        if (e > 0.0) {
            const double q = big_g / c;
            kc = q < ka ? ka : q > kb ? kb : q;
        }
        r += std::min(kc * c, big_g) / (s + kc * e);
    }
    return std::isnan(r) ? inf : r * r;
}

// An upper bound of the plane's measure over the loads [a.k, b.k].
inline double stretch_bound(const KinkTerms& t, const KinkRay& ray, const KinkNode& a, const KinkNode& b) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double dmu = std::abs(b.at.mu - a.at.mu);
    const Range k{a.k, b.k};
    const Range kr = turn_rate(ray, a.k, b.k);  // k dmu/dk
    const Range n = over(a.n, b.n, t.n.curvature(), dmu), dn = over(a.dn, b.dn, t.n.curvature3(), dmu);
    const Range kn = k * n;
    const double mu_max = std::max(std::abs(a.at.mu), std::abs(b.at.mu));
    double total = 0.0, tension = 0.0;
    auto friction = [&](int i) {
        const KinkTerms::Friction& f = t.f[i];
        const Range u = over(a.a[i], b.a[i], f.a.curvature(), dmu);
        const double umax = std::max(std::abs(u.lo), std::abs(u.hi));
        if (umax == 0.0) return 0.0;
        if (std::isinf(f.s)) return std::isfinite(f.eta * kn.lo) && std::isfinite(f.eta * kn.hi) ? 0.0 : inf;
        const Range d = Range{f.s, f.s} + kn * (-f.eta);
        if (!(d.lo > 0.0)) return umax <= t.zero ? 0.0 : inf;
        if (f.unbounded) return 0.0;
        if (u.lo > 0.0 || u.hi < 0.0) {
            // The path derivative of k|a|/(s - eta k n) has the sign of
            // |a| s + k mu'(sgn(a) a' (s - eta k n) + eta k |a| n'): where it keeps its sign over
            // the stretch, the term is largest at one end.
            const double sg = u.lo > 0.0 ? 1.0 : -1.0;
            const Range au = Range::of(sg * u.lo, sg * u.hi);
            const Range da = over(a.da[i], b.da[i], f.a.curvature3(), dmu) * sg;
            const Range slope = Range{au.lo * f.s, au.hi * f.s} + kr * (da * d + k * au * dn * f.eta);
            const KinkNode* end = slope.lo >= 0.0 ? &b : slope.hi <= 0.0 ? &a : nullptr;
            if (end) return friction_term(end->k * end->a[i], f.s - f.eta * end->k * end->n);
        }
        const double v = b.k * umax / d.lo;
        return std::min(v * v, turned_friction_bound(f.a, f.s, f.eta, ray, a.k, b.k, mu_max, n));
    };
    if (!(t.larc04 && kn.lo >= 0.0)) total = friction(0);
    if (!t.larc04 && t.nf > 1) total += friction(1);
    // LaRC04's tension form where k n >= 0: where n < 0 over the stretch, only at the load 0, where
    // it is 0.
    if (t.larc04 ? n.hi >= 0.0 : t.tension && kn.hi > 0.0) {
        // (k n+)' = n + k mu' n' where n > 0.
        const Range slope = n + kr * dn;
        if (!t.larc04 && n.lo > 0.0 && (slope.lo >= 0.0 || slope.hi <= 0.0)) {
            tension = slope.lo >= 0.0 ? b.k * b.n / t.yt : a.k * a.n / t.yt;
        } else {
            tension = kn.hi / t.yt;
        }
        tension *= tension;
        if (t.larc04) {
            const double r = kn.hi / t.yt;
            const Range u = over(a.a[0], b.a[0], t.f[0].a.curvature(), dmu), w = over(a.a13, b.a13, t.a13.curvature(), dmu);
            const double l = b.k * std::max(std::abs(u.lo), std::abs(u.hi)) / t.x12;
            const double l3 = b.k * std::max(std::abs(w.lo), std::abs(w.hi)) / t.x12;
            // In tension: at most the compression branch's bound or this one, where n changes sign.
            const double p = std::abs(1.0 - t.g) * r + std::abs(t.g) * r * r + l * l + std::abs(t.c13) * l3 * l3;
            const double v = std::max(kn.lo >= 0.0 ? 0.0 : total, p);
            return std::isnan(v) ? inf : v;
        }
    }
    const double v = total + tension;
    return std::isnan(v) ? inf : v;  // a strength without a value bounds nothing
}

}  // namespace kink_detail

// The plane's verdict on the ray [k_lo, 1]: the stretch with the largest bound is halved until
// every bound is below 1 + kink_ray_tolerance, a load reads at least 1, or kink_ray_loads loads
// are read.
inline KinkPlaneVerdict kink_plane_verdict(const KinkTerms& t, KinkRayFrames& frames) {
    using kink_detail::node;
    const KinkRay& ray = frames.ray;
    struct Stretch {
        KinkNode a, b;
        double bound;
    };
    Stretch st[kink_ray_loads];
    const KinkNode lo = node(t, frames, 0, 0.0), hi = node(t, frames, KinkRayFrames::n, 1.0);
    double peak = std::max(kink_node_measure(t, lo), kink_node_measure(t, hi));
    int n = 0;
    st[n++] = {lo, hi, kink_detail::stretch_bound(t, ray, lo, hi)};
    for (int loads = 2;; ++loads) {
        int top = 0;
        for (int i = 1; i < n; ++i)
            if (st[i].bound > st[top].bound) top = i;
        const Stretch s = st[top];
        if (!(s.bound >= 1.0 + kink_ray_tolerance)) return {peak, false, false};
        const int jm = s.a.j >= 0 && s.b.j - s.a.j >= 2 ? (s.a.j + s.b.j) / 2 : -1;
        const double km = jm >= 0 ? frames.load(jm) : 0.5 * (s.a.k + s.b.k);
        if (loads >= kink_ray_loads || n >= kink_ray_loads || !(km > s.a.k && km < s.b.k)) return {peak, false, true};
        const KinkNode m = node(t, frames, jm, km);
        const double v = kink_node_measure(t, m);
        if (v >= 1.0) return {v, true, false};
        peak = std::max(peak, v);
        st[top] = {s.a, m, kink_detail::stretch_bound(t, ray, s.a, m)};
        st[n++] = {m, s.b, kink_detail::stretch_bound(t, ray, m, s.b)};
    }
}

// The exposure of a kink band whose reading at sigma is r. Past the band's instability
// (`unstable`) the fibre has failed: max(1, r). Otherwise r where it is at least 1; 1 where a
// plane read has a friction divisor that is not positive under a numerator that is not 0 (the
// measure passed its pole at a lower load: `pole`), or where the measure reached 1 at a load of
// the ray [k_lo, 1); r where it did not. The ray is decided by one more plane search of the
// planes' verdicts; an undecided ray reads 1 with the level -1 note naming `routine`.
// Band: ray (KinkRay); search(value) the reading's plane search of value(plane), its largest
// value; terms(plane) the plane's KinkTerms at sigma; uniform_bound() a bound of the measure over
// every plane and load of the ray, which decides most rays without the search.
// A bound of a friction term (a/(s - eta n))^2 whose numerator is at most a and normal traction
// lies in [nlo, nhi]; +inf where a divisor may not be positive.
inline double friction_bound(double a, double s, double eta, double nlo, double nhi) {
    if (a == 0.0) return 0.0;
    const double d = std::min(s - eta * nlo, s - eta * nhi);
    if (!(d > 0.0)) return std::numeric_limits<double>::infinity();
    return (a / d) * (a / d);
}

// friction_bound of a friction term whose strength is infinite (KinkTerms::Friction::unbounded):
// 0 where the divisor s - eta n stays positive, else +inf.
inline double unbounded_friction_bound(double a, double s, double eta, double nlo, double nhi) {
    return std::isinf(friction_bound(a, s, eta, nlo, nhi)) ? std::numeric_limits<double>::infinity() : 0.0;
}

// sin 2mu of the largest frame angle of the ray's loads [k_lo, 1] (mu is monotone in k).
inline double largest_turn(const KinkRay& ray, double k_lo) {
    const double mu = std::max(std::abs(ray.magnitude(k_lo)), std::abs(ray.magnitude(1.0)));
    return std::sin(2.0 * std::min(mu, 0.7853981633974483));
}

// The turn psi = atan(2 s23/(s22 - s33))/2 about the fibres into LaRC04's band frame: 0 where
// numerator and denominator are both 0; where either overflows, the same ratio taken of the
// halved stresses (s23/((s22 - s33)/2)), which do not.
inline double larc04_psi(double s22, double s33, double s23) {
    double num = 2.0 * s23, den = s22 - s33;
    if (!std::isfinite(num) || !std::isfinite(den)) {
        num = s23;
        den = 0.5 * s22 - 0.5 * s33;
    }
    return (num == 0.0 && den == 0.0) ? 0.0 : std::atan(num / den) / 2.0;
}

// The range of the band's frame angle mu (signed: the frame is turned by mu on the side of each
// plane's t12) over the loads (0, 1] of the ray, within [-pi/4, pi/4]. mu(k) has the sign of
// g12 phi0 + k |s12|, past the band's instability too (where it is +-pi/4), which grows with k: it
// is not negative anywhere where g12 phi0 is not. Where g12 + k dss stays positive, mu is monotone
// in k, and its range is that of its ends (at the load 0 its limit phi0); elsewhere the frame may
// turn up to pi/4 on either side (on the side of the shear only, where g12 phi0 >= 0).
inline Range turn_range(const KinkRay& ray) {
    constexpr double quarter = 0.7853981633974483;
    if (ray.g12 > 0.0 && ray.g12 + ray.dss > 0.0) {
        const double a = ray.magnitude(0.0), b = ray.magnitude(1.0);
        const auto clamp = [&](double mu) { return mu < -quarter ? -quarter : mu > quarter ? quarter : mu; };
        if (!std::isnan(a) && !std::isnan(b)) return Range::of(clamp(a), clamp(b));
    }
    return {ray.g12 * ray.phi0 >= 0.0 ? 0.0 : -quarter, quarter};
}

// The rounding of 0 in a traction of the stress s (Nye) turned into a plane's frame: a shear of a
// hydrostatic stress comes out a few roundings of its size, not 0.
inline double rounding_of_zero(const double* s) {
    double m = 0.0;
    for (int i = 0; i < 6; ++i) m = std::max(m, std::abs(s[i]));
    return 64.0 * std::numeric_limits<double>::epsilon() * m;
}

template <class Band>
double kink_band_exposure(const Band& band, double r, bool pole, bool unstable, double k_lo, const char* routine) {
    if (unstable) return past_instability(r);
    if (!(r < 1.0)) return r;
    if (pole) return 1.0;
    // The search looks for the plane of the largest measure on the ray, where the ray would
    // reach 1 first.
    if (band.uniform_bound() < 1.0 + kink_ray_tolerance) return r;
    bool reached = false, undecided = false;
    KinkRayFrames frames(band.ray, k_lo);
    band.search([&](double plane) {
        const KinkPlaneVerdict v = kink_plane_verdict(band.terms(plane), frames);
        reached = reached || v.reached;
        undecided = undecided || v.undecided;
        return v.peak;
    });
    if (reached) return 1.0;
    if (undecided) {
        note_unresolved_kink_ray(routine);
        return 1.0;
    }
    return r;
}

}  // namespace tvk::failure
