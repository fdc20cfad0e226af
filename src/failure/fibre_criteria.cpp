// Fibre-breakage criteria: fibre kinking after LaRC05 (S. T. Pinho et al., 2012, Compos. Sci.
// Technol. 72, sec. 2.2: kink-band plane search, misalignment frame, action-plane matrix
// criterion in it) and LaRC04 (S. T. Pinho et al., 2005, NASA/TM-2005-213530, eqs. 59-60), the
// fibre modes of F.-K. Chang and K.-Y. Chang (1987, J. Compos. Mater. 21) and Z. Hashin (1980,
// J. Appl. Mech. 47, eq. 21), the fibre criterion of R. M. Christensen (1997, Int. J. Solids
// Struct. 34) and the fibre efforts of Y. A. Bahei-El-Din et al. (2004, Int. J. Solids Struct. 41).
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "anglesearch.h"
#include "core/errors.h"
#include "criteria.h"
#include "kink_ray.h"
#include "mechanics/transformation.h"

namespace tvk::failure {

bool fracture_angle_without_friction(double a0) {
    if (!std::isfinite(a0)) return true;
    const double r = std::abs(std::fmod(a0, 90.0));  // exact, as is 90 - r for r >= 45
    const double off = r < 45.0 ? r : 90.0 - r;
    // Below about 1.6e-307 degrees the coefficient overflows.
    return off <= 4.0 * std::numeric_limits<double>::epsilon() * std::abs(a0) ||
           (std::abs(a0) < 1e-300 && !std::isfinite(1.0 / std::tan(2.0 * (a0 * tvk::deg2rad))));
}

bool initial_misalignment(double& phic, double eta_l, double sl, double xc) {
    const double b = sl / xc, a = eta_l + b, d = 1.0 - 4.0 * a * b;
    if (d < 0.0) return false;
    phic = std::atan(2.0 * b / (1.0 + std::sqrt(d)));
    return true;
}

bool initial_misalignment_angle(double& phi0, double eta_t, double st, double eta_l, double sl, double xc,
                                double g12) {
    double phic = 0.0;
    if (std::isinf(xc)) {
        if (std::isinf(sl)) return false;
        phi0 = -sl / g12;
        return true;
    }
    const double b = sl / xc;
    if (std::isfinite(4.0 * (eta_l + b) * b)) {
        if (!initial_misalignment(phic, eta_l, sl, xc)) return false;
    } else {
        const double u = xc / sl, q = (eta_t / st) * xc + 1.0, d = u * u - 4.0 * q;
        if (!(d >= 0.0)) return false;
        phic = std::atan(2.0 / (u + std::sqrt(d)));
    }
    phi0 = phic - xc * phic / g12;
    return true;
}

KinkMisalignment kink_misalignment(double g12, double phi0, double s11, double s22, double s12) {
    constexpr double quarter = 0.25 * tvk::pi;
    const double num = g12 * phi0 + std::abs(s12), den = g12 + s11 - s22, phi = num / den;
    if (den <= 0.0 || std::abs(phi) >= quarter) return {std::copysign(quarter, num), true};
    return {phi, false};
}

double past_instability(double r) { return std::isnan(r) ? r : std::max(1.0, r); }

void note_unresolved_kink_ray(const char* routine) {
    tvk::report(-1, std::string("Note: load path of the kink band not resolved within its limit in ") + routine +
                        ".");
}

double refuse_fracture_angle(const char* routine) {
    tvk::report(-3, std::string("Error: fracture angle of ") + routine + " not finite or at a multiple of 90 degrees.");
    return std::numeric_limits<double>::quiet_NaN();
}

bool refused_fracture_angle(double& r, const double* a0, const char* routine) {
    if (!a0 || !fracture_angle_without_friction(*a0)) return false;
    r = refuse_fracture_angle(routine);
    return true;
}

void into_misalignment_frame(double* sm, const double* s, double phi) {
    double t[36];
    tvk::lamina::nye_transformation(t, phi, 6, 1.0, false);
    for (int i = 0; i < 6; ++i) {
        double v = 0.0;
        for (int j = 0; j < 6; ++j) v += t[i + 6 * j] * s[j];
        sm[i] = v;
    }
}

double refuse_misalignment(const char* routine) {
    tvk::report(-3, std::string("Error: no initial misalignment in ") + routine + " for these strengths and a0.");
    return std::numeric_limits<double>::quiet_NaN();
}

bool refused_kink_strengths(double& r, std::initializer_list<KinkStrength> strengths, const char* routine) {
    for (const KinkStrength& x : strengths) {
        if (x.divides && !std::isnan(x.value) && !(x.value > 0.0)) {
            tvk::report(-3, std::string("Error: strength ") + x.name + " of " + routine + " is zero or negative.");
            r = std::numeric_limits<double>::quiet_NaN();
            return true;
        }
    }
    for (const KinkStrength& x : strengths) {
        if (std::isnan(x.value)) {
            r = std::numeric_limits<double>::quiet_NaN();
            return true;
        }
    }
    return false;
}

}  // namespace tvk::failure

namespace {

double sq(double v) { return v * v; }

// The tension term (tn+/yt)^2: 0 where tn is not positive, whatever yt.
double tension_term(double tn, double yt) { return tn > 0.0 ? sq(tn / yt) : 0.0; }

// The tension strength a kink band reads: xt22 where it is positive. A zero or negative xt22
// divides the tension term (tn+/xt22)^2, which is 0 only where tn is not positive; as xt22 falls
// to 0 the term of a plane with tn > 0 at any load of the ray grows without bound, and the ray
// reaches 1. So a zero or negative xt22 is refused at level -3 ("Error: strength xt22 of
// <routine> is zero or negative.", r NaN) unless the band stays closed (`closed`: no plane has
// tn > 0 at any load of the ray, from a bound over all of them), where its term is 0 and the
// band reads what every positive xt22 gives: the reading with the strength infinite. False where
// refused.
bool kink_tension_strength(double& yt, double& r, double xt22, bool closed, const char* routine) {
    yt = xt22;
    if (yt > 0.0 || std::isnan(yt)) return true;
    if (!closed) {
        tvk::report(-3, std::string("Error: strength xt22 of ") + routine + " is zero or negative.");
        r = std::numeric_limits<double>::quiet_NaN();
        return false;
    }
    yt = std::numeric_limits<double>::infinity();
    return true;
}

// The band's normal traction on a plane whose transverse normal stress is p and whose shear along
// the fibres is t, in the frame turned by mu on the side of t: s11 sin^2 mu + p cos^2 mu -
// |t| sin 2mu (at the load 1; at the load k, k times this at mu(k)).
double band_normal(double s11, double p, double t, double mu) {
    const double c = std::cos(mu), n = std::sin(mu);
    return s11 * (n * n) + p * (c * c) - std::abs(t) * std::sin(2.0 * mu);
}

// The largest of m - h cos 2mu - q sin 2mu over mu in [lo, hi] within [-pi/4, pi/4]: at an end, or
// m + |(h, q)| at 2mu = the angle of (-h, -q), where that lies within; `at` the angle it takes.
double largest_over_turn(double m, double h, double q, double lo, double hi, double& at) {
    const auto f = [&](double mu) { return m - h * std::cos(2.0 * mu) - q * std::sin(2.0 * mu); };
    const double flo = f(lo), fhi = f(hi), top = 0.5 * std::atan2(-q, -h);
    at = flo >= fhi ? lo : hi;
    if (top > lo && top < hi) {
        at = top;
        return m + std::hypot(h, q);
    }
    return std::max(flo, fhi);
}

// The largest band normal traction (band_normal) over the frame angles [lo, hi] on planes whose
// transverse normal stress is at most p and whose |t| lies within [qlo, qhi]: turned on the side
// of t (mu >= 0) the shear lowers it by at least qlo sin 2mu, turned against it raises it by at
// most qhi sin 2|mu|. `at` the angle where the bound is largest.
double band_normal_bound(double s11, double p, double qlo, double qhi, const tvk::failure::Range& mu, double& at) {
    const double m = 0.5 * s11 + 0.5 * p, h = 0.5 * s11 - 0.5 * p;
    double v = -std::numeric_limits<double>::infinity(), a = 0.0;
    at = mu.hi;
    if (mu.hi >= 0.0) {
        v = largest_over_turn(m, h, qlo, std::max(mu.lo, 0.0), mu.hi, a);
        at = a;
    }
    if (mu.lo < 0.0) {
        const double w = largest_over_turn(m, h, qhi, mu.lo, std::min(mu.hi, 0.0), a);
        if (!(w <= v)) {
            v = w;
            at = a;
        }
    }
    return v;
}

// Whether no plane of LaRC05's kink band has tn > 0 at any load of the ray of the ply stress s
// (s11 < 0; the ray's frame angles mu). On the plane psi the transverse normal stress is
// c + A cos 2psi + s23 sin 2psi and the shear t12 = T cos(psi - beta): over a stretch of planes
// their ranges bound the normal traction at every angle of the ray (band_normal_bound). The planes
// [0, pi] are halved where that bound is positive, until it is not positive on every stretch
// (closed), a plane and angle with tn > 0 are found (open), or the stretches are too many: open,
// the side of the refusal.
bool larc05_band_closed(const double* s, const tvk::failure::Range& mu) {
    constexpr double pi = 3.141592653589793;
    const double c = 0.5 * s[1] + 0.5 * s[2], a = 0.5 * s[1] - 0.5 * s[2], r = std::hypot(a, s[5]);
    const double t = std::hypot(s[3], s[4]), beta = std::atan2(s[4], s[3]), theta = std::atan2(s[5], a);
    if (!std::isfinite(c + r + t)) return false;
    const auto sp22 = [&](double psi) { return c + a * std::cos(2.0 * psi) + s[5] * std::sin(2.0 * psi); };
    const auto sp12 = [&](double psi) { return s[3] * std::cos(psi) + s[4] * std::sin(psi); };
    // Whether x + j period lies within [lo, hi] for some integer j.
    const auto within = [](double x, double period, double lo, double hi) {
        return x + period * std::ceil((lo - x) / period) <= hi;
    };
    struct Stretch {
        double lo, hi;
    };
    Stretch stack[64];
    int n = 0;
    for (int i = 7; i >= 0; --i) stack[n++] = {pi * i / 8.0, pi * (i + 1) / 8.0};
    for (int stretches = 0; n > 0; ++stretches) {
        const Stretch p = stack[--n];
        const double pmax = within(0.5 * theta, pi, p.lo, p.hi) ? c + r : std::max(sp22(p.lo), sp22(p.hi));
        const double ta = std::abs(sp12(p.lo)), tb = std::abs(sp12(p.hi));
        const double qlo = within(beta + 0.5 * pi, pi, p.lo, p.hi) ? 0.0 : std::min(ta, tb);
        const double qhi = within(beta, pi, p.lo, p.hi) ? t : std::max(ta, tb);
        double at = 0.0;
        const double bound = band_normal_bound(s[0], pmax, qlo, qhi, mu, at);
        if (bound <= 0.0) continue;
        const double mid = 0.5 * (p.lo + p.hi);
        if (!(bound < std::numeric_limits<double>::infinity()) || band_normal(s[0], sp22(mid), sp12(mid), at) > 0.0 ||
            stretches >= 4096 || n + 2 > 64 || !(mid > p.lo && mid < p.hi))
            return false;
        stack[n++] = {mid, p.hi};
        stack[n++] = {p.lo, mid};
    }
    return true;
}

constexpr double default_a0_r = 0.9250245035569946;     // 53 degrees
constexpr double default_sainc_r = 0.08726646259971647;  // 5 degrees

// The kinking parameters shared by the LaRC criteria: friction coefficients eta_T, eta_L,
// transverse shear strength ST and the initial misalignment phi_0 that makes pure compression
// at XC critical; has_misalignment is false where these strengths and this friction admit none.
struct Kinking {
    double eta_t, eta_l, st, sl, phi0, g12;
    bool has_misalignment;

    // The misalignment of the kink band for the ply stress (s11, s22, s12); its angle takes the
    // sign of the rotated shear t12 (Fortran SIGN semantics: -0 counts negative).
    tvk::failure::KinkMisalignment misalignment(double s11, double s22, double s12) const {
        return tvk::failure::kink_misalignment(g12, phi0, s11, s22, s12);
    }
    // The divisor SL - eta_L tn of the longitudinal term, or, where SL is infinite (eta_L then 0:
    // its term is 0, the limit), ST - eta_T tn, which has its sign.
    double dl(double tn) const { return std::isinf(sl) ? st - eta_t * tn : sl - eta_l * tn; }
    // The longitudinal friction term of the kink measures, tractions a.
    tvk::failure::KinkTerms::Friction longitudinal(const tvk::failure::FrameTrig& a) const {
        if (std::isinf(sl)) return {a, st, eta_t, true};
        return {a, sl, eta_l};
    }
};

Kinking kinking(double a0_r, double st, double sl, double xc, double g12) {
    Kinking k{};
    k.eta_t = -1.0 / std::tan(2.0 * a0_r);
    k.st = st;
    k.sl = sl;
    k.eta_l = k.eta_t * sl / st;
    k.g12 = g12;
    k.has_misalignment = tvk::failure::initial_misalignment_angle(k.phi0, k.eta_t, st, k.eta_l, sl, xc, g12);
    // An infinite SL: the divisor SL - eta_L tn = (SL/ST)(ST - eta_T tn) grows without bound (but
    // at the pole of ST, whose own term reads it), so its term is 0, the limit. So it is where a
    // vast finite SL makes eta_T SL/ST overflow (|eta_T| > 1 below a0 = 22.5 degrees, or a small
    // ST): the divisor is then an unbounded multiple of ST - eta_T tn too, whose sign it has,
    // and a finite traction over it vanishes.
    if (std::isinf(sl) || !std::isfinite(k.eta_l)) {
        k.eta_l = 0.0;
        k.sl = std::numeric_limits<double>::infinity();
    }
    return k;
}

// ST of the action-plane criteria from the fracture angle a0 under transverse compression.
double transverse_shear_strength(double xc22, double a0_r) {
    return xc22 * std::cos(a0_r) * (std::cos(a0_r) / std::tan(2.0 * a0_r) + std::sin(a0_r));
}

// LaRC05 kinking of the ply stress s: the largest matrix-failure value on the kink plane, over
// the plane angle psi in [0, pi], in the frame misaligned by the band's misalignment with the sign
// of each plane's t12. The traction on the face normal to direction 2 of the misalignment frame
// is (s22, s12, s23) of the frame's stress, read directly (a rotation by 0 is the identity).
// The measure has a value on every plane of a finite stress: where the stress carries it past
// the largest double (an overflowing rotation, traction or square, inf - inf, inf/inf), it is
// +inf on that plane, so that the exposure is not finite and the ply is refused, rather than a
// NaN that the search would skip as a plane without a value and read as an intact ply.
struct Larc05Band {
    const double* s;
    const Kinking& k;
    double xt22, sainc_r;
    int gsflag;
    tvk::failure::KinkRay ray;
    double mu;  // the magnitude of the misalignment at the stress s

    // Candidate planes of the kink plane's measure (golden mode):
    // - the misalignment takes the sign of each plane's t12 = s12 cos psi + s13 sin psi, so the
    //   measure jumps on the plane where t12 changes sign (the transverse shear of the two frames
    //   differs there), and its largest value is often the limit on one side of that plane, which
    //   a golden section approaches only to within its bracket: the planes just either side of it
    //   (the measure has period pi in psi);
    // - the friction divisors make a needle where the normal traction is largest, as on the
    //   action planes of the matrix criteria. In the frame turned by mu, tn = s11 sin^2 mu +
    //   cos^2 mu tn_ply(psi) - sin 2mu |t12| on the plane psi, tn_ply(psi) the transverse normal
    //   stress of the ply, which is tn of the action plane psi + pi/2; the planes that
    //   friction_planes names for the transverse stresses cos^2 mu s_ij + sin^2 mu s11 delta_ij
    //   locate the needle but for the last term, of the order of mu |t12|, which the search's
    //   refinement of the maxima among the planes takes up. They are named where the needle is
    //   narrower than two of the search's locating gaps (or brackets, where these are wider): its
    //   two maxima either side of the largest tn lie closer than that, and the search's points
    //   can straddle the higher one.
    template <class F>
    double search(F&& value) const {
        ++tvk::failure::kink_plane_searches;
        auto candidates = [&](tvk::failure::CandidatePlanes& c) {
            if (std::hypot(s[3], s[4]) > 0.0) {
                double psi = std::atan2(-s[3], s[4]);
                if (psi < 0.0) psi += tvk::pi;
                // Far enough that t12 has its side's sign beyond the rounding of psi and of t12.
                const double off = 64.0 * std::numeric_limits<double>::epsilon() * std::max(1.0, psi);
                for (double t : {psi - off, psi + off}) {
                    if (t < 0.0) t += tvk::pi;
                    if (t > tvk::pi) t -= tvk::pi;
                    c.add(t, value(t));
                }
            }
            constexpr double quarter = 0.5 * tvk::pi;
            const double cc = std::cos(mu) * std::cos(mu), nn = std::sin(mu) * std::sin(mu);
            auto on_action_plane = [&](double theta) { return value(theta - quarter); };
            const double needle_width = std::max(sainc_r, tvk::failure::angle_search::locating_gap);
            tvk::failure::CandidatePlanes f;
            tvk::failure::friction_planes(f, cc * s[1] + nn * s[0], cc * s[2] + nn * s[0], cc * s[5], quarter,
                                          quarter + tvk::pi, k.eta_t, k.st, needle_width, on_action_plane);
            for (int i = 0; i < f.n; ++i) c.add(f.at[i].angle - quarter, f.at[i].value);
        };
        // The range is one period of the measure: a closing vertex of the golden section beyond an
        // end is read on its plane a period away.
        return tvk::failure::maximise_over_angle(value, 0.0, tvk::pi, sainc_r, gsflag, tvk::pi, default_sainc_r,
                                                 tvk::pi, candidates)
            .value;
    }
    // The stress in the frame of the kink plane psi.
    void plane(double* sp, double psi) const {
        static constexpr double axis1[3] = {1.0, 0.0, 0.0};
        GetRotatedStresses(sp, &psi, axis1, s, s + 1, s + 2, s + 3, s + 4, s + 5, nullptr);
    }
    tvk::failure::KinkTerms terms(double psi) const {
        // The stress in the frame of the plane psi, turned about direction 1 (as plane() turns it,
        // in closed form).
        const double c = std::cos(psi), n = std::sin(psi), cc = c * c, nn = n * n, cn = c * n;
        const double sp[6] = {s[0],
                              cc * s[1] + 2.0 * cn * s[5] + nn * s[2],
                              nn * s[1] - 2.0 * cn * s[5] + cc * s[2],
                              c * s[3] + n * s[4],
                              c * s[4] - n * s[3],
                              cn * (s[2] - s[1]) + (cc - nn) * s[5]};
        const tvk::failure::MisalignedStress m(sp, std::copysign(1.0, sp[3]));
        tvk::failure::KinkTerms t;
        t.n = m.s22;
        t.f[0] = k.longitudinal(m.s12);
        t.f[1] = {m.s23, k.st, k.eta_t};
        t.nf = 2;
        t.tension = true;
        t.yt = xt22;
        t.zero = tvk::failure::rounding_of_zero(s);
        return t;
    }
    // Over every plane and load: (s22, s33, s23) of a kink plane has the transverse principal
    // stresses lo, hi as its extremes, |(s12, s13)| = tau, and turned by mu the frame's tractions
    // are |tL| <= tau + |s11 - s22|/2 sin 2mu, |tT| <= |(tau, radius)|, and tn within the range of
    // s11 and the transverse stresses widened by tau sin 2mu.
    double uniform_bound() const {
        const double w = tvk::failure::largest_turn(ray, 0.0), tau = std::hypot(s[3], s[4]);
        const double c = 0.5 * (s[1] + s[2]), rad = std::hypot(0.5 * (s[1] - s[2]), s[5]), lo = c - rad, hi = c + rad;
        const double h = 0.5 * std::max(std::abs(s[0] - lo), std::abs(s[0] - hi));
        const double nlo = std::min(std::min(lo, s[0]) - tau * w, 0.0), nhi = std::max(std::max(hi, s[0]) + tau * w, 0.0);
        const double tl = tau + h * w;
        return (std::isinf(k.sl) ? tvk::failure::unbounded_friction_bound(tl, k.st, k.eta_t, nlo, nhi)
                                 : tvk::failure::friction_bound(tl, k.sl, k.eta_l, nlo, nhi)) +
               tvk::failure::friction_bound(std::hypot(tau, rad), k.st, k.eta_t, nlo, nhi) + tension_term(nhi, xt22);
    }
    // The reading: the exposure, and whether a plane read passed a pole (a friction divisor that
    // is not positive under a numerator that is not 0, beyond the rounding of 0).
    double reading(double magnitude, bool& pole) const {
        constexpr double overflow = std::numeric_limits<double>::infinity();
        const double zero = tvk::failure::rounding_of_zero(s);
        pole = false;
        return search([&](double psi) {
            double sp[6], sm[6];
            plane(sp, psi);
            tvk::failure::into_misalignment_frame(sm, sp, std::copysign(1.0, sp[3]) * magnitude);
            const double tn = sm[1], tl = sm[3], tt = sm[5], dl = k.dl(tn), dt = k.st - k.eta_t * tn;
            if ((std::abs(tl) > zero && !(dl > 0.0)) || (std::abs(tt) > zero && !(dt > 0.0))) pole = true;
            const double v = tvk::failure::kink_friction_term(tl, k.sl, k.eta_l * tn) +
                             tvk::failure::kink_friction_term(tt, k.st, k.eta_t * tn) + tension_term(tn, xt22);
            return std::isfinite(v) ? v : overflow;
        });
    }
};

// The kink-plane exposure of the ply stress s (routine `name`); see kink_band_exposure.
double larc05_kinking(const double* s, const Kinking& k, double xt22, double sainc_r, int gsflag, const char* name) {
    const tvk::failure::KinkMisalignment band = k.misalignment(s[0], s[1], s[3]);
    const Larc05Band b{s, k, xt22, sainc_r, gsflag, tvk::failure::KinkRay(s, k.g12, k.phi0), band.magnitude};
    bool pole = false;
    const double r = b.reading(band.magnitude, pole);
    return tvk::failure::kink_band_exposure(b, r, pole, band.unstable, 0.0, name);
}

// LaRC04 kinking: one plane, whose verdict on the ray is the search (kink_ray.h).
struct Larc04Band {
    tvk::failure::KinkRay ray;
    tvk::failure::KinkTerms t;
    template <class F>
    double search(F&& value) const {
        return value(0.0);
    }
    const tvk::failure::KinkTerms& terms(double) const { return t; }
    double uniform_bound() const { return std::numeric_limits<double>::infinity(); }  // the one plane is cheap
};

double angle_r(const double* deg, double fallback_r) { return deg ? *deg * tvk::deg2rad : fallback_r; }

// LaRC05 fibre exposure of the ply stress s: s11/xt11 in tension (s11 >= 0); in compression the
// kink-plane search with the kinking parameters that make_kinking() gives, or 0 where fcl asks
// for the kink-band stresses only. A NaN s11 is neither tension nor compression, and a stress
// that is not finite leaves the kink-plane measure without a value: a scan, which skips such
// planes, would report 0, an intact ply. Both are refused with the message `refusal` and a NaN;
// with fcl set the other stresses are not read. So are, where the kink plane is searched, a
// fracture angle a0 without friction and kinking parameters without an initial misalignment
// (routine `name`).
template <class MakeKinking>
double larc05_fibre(const double* s, double xt11, double xt22, const double* a0, const double* sainc,
                    const int* gsflag, const int* fcl, MakeKinking make_kinking, const char* refusal,
                    const char* name, std::initializer_list<tvk::failure::KinkStrength> strengths) {
    if (s[0] >= 0.0) return s[0] / xt11;
    const bool kink_band_only = fcl && *fcl != 0;
    const bool finite = std::all_of(s, s + 6, [](double v) { return std::isfinite(v); });
    if (std::isnan(s[0]) || (!kink_band_only && !finite)) {
        tvk::report(-3, refusal);
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (kink_band_only) return 0.0;  // kink-band stresses only: nothing to report in compression
    if (double r = 0.0; tvk::failure::refused_fracture_angle(r, a0, name) ||
                        tvk::failure::refused_kink_strengths(r, strengths, name))
        return r;
    const Kinking k = make_kinking();
    if (!k.has_misalignment) return tvk::failure::refuse_misalignment(name);
    const double sainc_r = tvk::failure::search_step(sainc, default_sainc_r);
    const int mode = gsflag ? *gsflag : 0;
    const double eta = std::max(std::abs(k.eta_t), std::abs(k.eta_l));
    double yt = 0.0, r = 0.0;
    if (!kink_tension_strength(yt, r, xt22,
                               xt22 > 0.0 || larc05_band_closed(s, tvk::failure::turn_range(
                                                                       tvk::failure::KinkRay(s, k.g12, k.phi0))),
                               name))
        return r;
    if (const int n = tvk::failure::kink_scale(s, 6, eta, {k.st, k.sl, k.g12, yt}); n != 0) {
        double ss[6];
        for (int i = 0; i < 6; ++i) ss[i] = std::ldexp(s[i], -n);
        Kinking ks = k;
        ks.st = std::ldexp(k.st, -n);
        ks.sl = std::ldexp(k.sl, -n);
        ks.g12 = std::ldexp(k.g12, -n);
        return larc05_kinking(ss, ks, std::ldexp(yt, -n), sainc_r, mode, name);
    }
    return larc05_kinking(s, k, yt, sainc_r, mode, name);
}

}  // namespace

void FBLaRC05(double* rfb, const double* s11, const double* s22, const double* s33, const double* s12,
              const double* s13, const double* s23, const double* xt11, const double* xc11, const double* xt22,
              const double* xc22, const double* x12, const double* g12, const double* a0, const double* sainc,
              const int* gsflag, const int* fcl) {
    *rfb = 0.0;
    const double s[6] = {*s11, *s22, *s33, *s12, *s13, *s23};
    auto make_kinking = [&] {
        const double a0_r = angle_r(a0, default_a0_r);
        return kinking(a0_r, transverse_shear_strength(*xc22, a0_r), *x12, *xc11, *g12);
    };
    *rfb = larc05_fibre(s, *xt11, *xt22, a0, sainc, gsflag, fcl, make_kinking,
                        "Error: stress of FBLaRC05 is not finite.", "FBLaRC05",
                        {{"xc11", *xc11, true}, {"xc22", *xc22, true}, {"x12", *x12, true}, {"xt22", *xt22, false},
                         {"g12", *g12, false}});
}

// As FBLaRC05 with in-situ strengths: a nonzero entry of x_is (xt11, xt22, xt33, xc11, xc22,
// xc33, x12, x13, x23) replaces the standard strength; ST is the chosen x23 itself.
void FBLaRC05_is(double* rfb, const double* s11, const double* s22, const double* s33, const double* s12,
                 const double* s13, const double* s23, const double* xt11_std, const double* xc11_std,
                 const double* xt22_std, const double* x23_std, const double* x12_std, const double* g12,
                 const double* a0, const double* sainc, const int* gsflag, const int* fcl, const double* x_is) {
    auto chosen = [x_is](int entry, double fallback) {
        return (x_is && x_is[entry - 1] != 0.0) ? x_is[entry - 1] : fallback;
    };
    const double xt11 = chosen(1, *xt11_std), xt22 = chosen(2, *xt22_std), xc11 = chosen(4, *xc11_std);
    const double x12 = chosen(7, *x12_std), x23 = chosen(9, *x23_std);
    *rfb = 0.0;
    const double s[6] = {*s11, *s22, *s33, *s12, *s13, *s23};
    auto make_kinking = [&] { return kinking(angle_r(a0, default_a0_r), x23, x12, xc11, *g12); };
    *rfb = larc05_fibre(s, xt11, xt22, a0, sainc, gsflag, fcl, make_kinking,
                        "Error: stress of FBLaRC05_is is not finite.", "FBLaRC05_is",
                        {{"xc11", xc11, true}, {"x23", x23, true}, {"x12", x12, true}, {"xt22", xt22, false},
                         {"g12", *g12, false}});
}

namespace {

// FBLaRC04's exposure at the ply stress s (Nye), whose kink plane carries sp (the stress turned by
// psi) and whose band's frame sm (sp turned by `sign` times the band's misalignment), with the
// decisions taken on the stress as given: the band, the side of its turn and whether its normal
// traction is compressive (the friction term) or not (the tension form).
double larc04_kinking(const double* s, const double* sp, const double* sm, const Kinking& k,
                      const tvk::failure::KinkMisalignment& band, double sign, bool compressive, double yt,
                      double x12, double g, double c13) {
    double measure = 0.0;
    if (compressive) {
        measure = tvk::failure::kink_friction_term(sm[3], x12, k.eta_l * sm[1]);
    } else {
        const double r = sm[1] / yt;
        measure = (1.0 - g) * r + g * r * r + sq(sm[3] / x12) + c13 * sq(sm[4] / x12);
    }
    const double zero = tvk::failure::rounding_of_zero(s);  // sp has the invariants of s
    const bool pole = compressive && std::abs(sm[3]) > zero && !(k.dl(sm[1]) > 0.0);
    Larc04Band b{tvk::failure::KinkRay(s, k.g12, k.phi0), {}};
    const tvk::failure::MisalignedStress m(sp, sign);
    b.t.n = m.s22;
    b.t.f[0] = k.longitudinal(m.s12);
    b.t.nf = 1;
    b.t.larc04 = b.t.tension = true;
    b.t.yt = yt;
    b.t.a13 = m.s13;
    b.t.g = g;
    b.t.c13 = c13;
    b.t.x12 = x12;
    b.t.zero = zero;
    return tvk::failure::kink_band_exposure(b, measure, pole, band.unstable, 0.0, "FBLaRC04");
}

}  // namespace

// LaRC04 kinking in closed form: the kink plane is the principal plane of the transverse
// stresses, psi = atan(2 s23/(s22 - s33))/2; for s22 = s33 with s23 = 0 (pure fibre compression
// among others) every plane is principal and psi = 0 is taken instead of the 0/0.
// Every decision is taken once, on the stress as given (psi, the side and size of the band's
// misalignment, whether its normal traction is compressive, whether xt22 is read); where stresses
// or strengths come near the largest double only the evaluation is scaled (kink_scale), so that
// stresses that underflow in the scaled copy, beside vast ones, still decide psi.
void FBLaRC04(double* rfb, const double* s11, const double* s22, const double* s33, const double* s12,
              const double* s13, const double* s23, const double* xt11, const double* xc11, const double* xt22,
              const double* xc22, const double* x12, const double* e11, const double* e22, const double* g12,
              const double* nu12, const double* gc, const double* a0, const int* fcl) {
    *rfb = 0.0;
    const double g = (gc && gc[0] != 0.0 && gc[1] != 0.0) ? gc[0] / gc[1] : 0.3499999940395355;
    const double a0_r = angle_r(a0, default_a0_r);
    if (*s11 >= 0.0) {
        *rfb = *s11 / *xt11;
        return;
    }
    const double ply[6] = {*s11, *s22, *s33, *s12, *s13, *s23};
    // The stress the decisions read: as given, or, where a component comes so near the largest
    // double that 2 s23, s22 - s33 or a turned stress could overflow, scaled by 2^-4 (exact but
    // for subnormal components, which decide nothing beside such a stress).
    const bool vast = std::any_of(ply, ply + 6, [](double v) { return std::abs(v) >= 0x1p1019; });
    double sd[6];
    for (int i = 0; i < 6; ++i) sd[i] = vast ? std::ldexp(ply[i], -4) : ply[i];
    const double psi = tvk::failure::larc04_psi(sd[1], sd[2], sd[5]);
    static constexpr double axis1[3] = {1.0, 0.0, 0.0};
    double sp[6], sm[6];
    GetRotatedStresses(sp, &psi, axis1, sd, sd + 1, sd + 2, sd + 3, sd + 4, sd + 5, nullptr);
    if (fcl && *fcl != 0) return;
    if (tvk::failure::refused_fracture_angle(*rfb, a0, "FBLaRC04") ||
        tvk::failure::refused_kink_strengths(*rfb,
                                             {{"xc11", *xc11, true}, {"xc22", *xc22, true}, {"x12", *x12, true},
                                              {"xt22", *xt22, false}, {"g12", *g12, false}, {"e11", *e11, false},
                                              {"e22", *e22, false}, {"nu12", *nu12, false}},
                                             "FBLaRC04"))
        return;
    const Kinking k = kinking(a0_r, transverse_shear_strength(*xc22, a0_r), *x12, *xc11, *g12);
    if (!k.has_misalignment) {
        *rfb = tvk::failure::refuse_misalignment("FBLaRC04");
        return;
    }
    const double gd = vast ? std::ldexp(k.g12, -4) : k.g12;
    const tvk::failure::KinkMisalignment band = tvk::failure::kink_misalignment(gd, k.phi0, sd[0], sd[1], sd[3]);
    const double sign = std::copysign(1.0, sp[3]);
    // The kink plane's normal traction in the band's frame at the load k is k times that of the
    // stress turned by mu(k): its largest over the ray's frame angles, in closed form.
    double yt = 0.0;
    if (*xt22 <= 0.0) {
        double at = 0.0;
        const double q = std::abs(sp[3]);
        const tvk::failure::Range mu = tvk::failure::turn_range(tvk::failure::KinkRay(sd, gd, k.phi0));
        const double top = band_normal_bound(sp[0], sp[1], q, q, mu, at);
        if (!kink_tension_strength(yt, *rfb, *xt22, top <= 0.0, "FBLaRC04")) return;
    } else {
        yt = *xt22;
    }
    tvk::failure::into_misalignment_frame(sm, sp, sign * band.magnitude);
    const bool compressive = sm[1] < 0.0;
    const double c13 = 1.0 / *e22 - sq(*nu12) / *e11;
    // Stresses or strengths near the largest double: the same measure, scaled by 2^-n (kink_scale;
    // n = 0 where none is needed). The moduli e11, e22 are not scaled: c13 (s13/x12)^2 reads them
    // with the stress ratio. The scaled stress is turned into the kink plane and the band's frame
    // by the angles decided above.
    const int n = tvk::failure::kink_scale(ply, 6, k.eta_l, {*xc11, *xc22, *x12, yt, *g12});
    if (n == 0 && !vast) {
        *rfb = larc04_kinking(ply, sp, sm, k, band, sign, compressive, yt, *x12, g, c13);
        return;
    }
    double ss[6], sps[6], sms[6];
    for (int i = 0; i < 6; ++i) ss[i] = std::ldexp(ply[i], -n);
    GetRotatedStresses(sps, &psi, axis1, ss, ss + 1, ss + 2, ss + 3, ss + 4, ss + 5, nullptr);
    tvk::failure::into_misalignment_frame(sms, sps, sign * band.magnitude);
    Kinking ks = k;
    ks.st = std::ldexp(k.st, -n);
    ks.sl = std::ldexp(k.sl, -n);
    ks.g12 = std::ldexp(k.g12, -n);
    *rfb = larc04_kinking(ss, sps, sms, ks, band, sign, compressive, std::ldexp(yt, -n), std::ldexp(*x12, -n), g, c13);
}

void FBChangChang(double* rfb, const double* s11, const double* s12, const double* xt11, const double* xc11,
                  const double* x12) {
    const double x = *s11 >= 0.0 ? *xt11 : *xc11;
    *rfb = std::sqrt(sq(*s11 / x) + sq(*s12 / *x12));
}

void FBHashin(double* rfb, const double* s11, const double* s12, const double* s13, const double* xt11,
              const double* xc11, const double* x12, const double* x13, const double* alpha) {
    const double x = *s11 >= 0.0 ? *xt11 : *xc11;
    const double a = alpha ? *alpha : 1.0;
    *rfb = std::sqrt(a * (sq(*s12 / *x12) + sq(*s13 / *x13)) + sq(*s11 / x));
}

void FBChristensen(double* rfb, const double* s11, const double* s22, const double* s33, const double* xt11,
                   const double* xc11) {
    const double lin = (1.0 / *xt11 - 1.0 / *xc11) * *s11;
    const double quad = sq(*s11) / (*xt11 * *xc11) - 0.25 * sq(1.0 / *xt11 + 1.0 / *xc11) * *s11 * (*s22 + *s33);
    *rfb = 0.0;
    if (quad == 0.0 && lin == 0.0) {  // no stress along the fibres: the textbook form is 0/0
        tvk::report(-1, tvk::compose("Note: Division by Zero during Christensen failure",
                                     "evaluation. Please check your input parameters."));
        return;
    }
    *rfb = tvk::failure::polynomial_exposure(lin, quad, "Note: Negative root during Christensen failure");
}

// Efforts: 1 fibre tension, 2 longitudinal shear, 3 transverse shear, 4 transverse tension.
// Stress vectors other than 3, 4 or at least 6 components cannot be read and are refused.
void FBBahei(double* rfb, const double* stressvector, const double* xlnorm, const double* xtnorm,
             const double* xlshear, const double* xtshear, const double* mu, const int* nstress, int* failmode) {
    const int n = nstress ? *nstress : 6;
    double s1 = 0, s2 = 0, s3 = 0, t12 = 0, t13 = 0, t23 = 0;
    if (n == 3 || n == 4 || n >= 6) s1 = stressvector[0];
    if (n == 3) {
        s2 = stressvector[1];
        t12 = stressvector[2];
    } else if (n == 4) {
        s2 = stressvector[1];
        s3 = stressvector[2];
        t12 = stressvector[3];
    } else if (n >= 6) {
        s2 = stressvector[1];
        s3 = stressvector[2];
        t12 = stressvector[3];
        t13 = stressvector[4];
        t23 = stressvector[5];
    } else {
        *rfb = 0.0;
        tvk::report(-3, "Unsupported number of stress components in FBBahei.", n);
        return;
    }
    double effort[4] = {0.0, 0.0, 0.0, 0.0};
    if (s1 > *xlnorm) {
        effort[0] = std::abs(s1 / *xlnorm);
    } else {
        const double ss = t12 * t12 + t13 * t13;
        const double sigma_s = std::sqrt(ss);
        const double sigma_n = ss == 0.0 ? 0.0 : (t12 * t12 * s2 + t13 * t13 * s3 + 2.0 * t12 * t13 * t23) / ss;
        const double tau_t = 0.5 * std::sqrt(sq(s2 - s3) + 4.0 * t23 * t23);
        const double sigma_ii = (s2 + s3) / 2.0 + std::sqrt(sq((s2 - s3) / 2.0) + t23 * t23);
        effort[1] = std::abs(sigma_s + *mu * std::min(sigma_n, 0.0)) / *xlshear;
        effort[2] = std::abs(tau_t + *mu * std::min((s2 + s3) / 2.0, 0.0)) / *xtshear;
        effort[3] = std::max(sigma_ii, 0.0) / *xtnorm;
    }
    const int decisive = static_cast<int>(std::max_element(effort, effort + 4) - effort);
    *rfb = effort[decisive];
    if (failmode && *failmode < 0 && *rfb >= 1.0) *failmode = decisive + 1;
}
