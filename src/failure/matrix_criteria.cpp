// Inter-fibre failure criteria.
//
// Action-plane criteria: A. Puck, H. Schuermann (1998, Compos. Sci. Technol. 58, eqs. 17-20) and
// its VDI 2014 guideline form with the fibre-parallel weakening (VDI 2014 part 3, 2006); LaRC05
// (S. T. Pinho et al., 2012, Compos. Sci. Technol. 72, eq. 1) and LaRC04 (S. T. Pinho et al.,
// 2005, NASA/TM-2005-213530, eqs. 33-40 and 93); the 3-D plane criteria of P. P. Camanho et al.
// (2015, Compos. Struct. 124) and J. Wiegand (2008, thesis, Oxford); the SPC3D strength-along-
// the-plane criterion. Closed forms: R. G. Cuntze (2004, Compos. Sci. Technol. 64; 2012),
// F.-K. Chang, K.-Y. Chang (1987), Z. Hashin (1980, J. Appl. Mech. 47, eqs. 23-24, and the 1989
// three-dimensional form), R. M. Christensen (1997), Y. A. Bahei-El-Din et al. (2004).
#include "matrix_criteria.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>

#include "anglesearch.h"
#include "core/errors.h"
#include "criteria.h"
#include "kink_ray.h"
#include "mechanics/transformation.h"

namespace {

double sq(double v) { return v * v; }

constexpr double default_sainc_r = 0.08726646259971647;  // 5 degrees
constexpr char note_tail[] = "evaluation. Please check your input parameters.";

struct Traction {
    double n, l, t;  // normal, longitudinal shear (along the fibres), transverse shear
};

// A measure that finite stresses carry past the largest double on the way (a traction or a square
// that overflows, inf - inf, inf/inf, 0 inf) is +inf on that plane, so that the exposure is not
// finite and the ply is refused above; a NaN, which the search skips as a plane without a value,
// stays only where the formula has none at finite values (a negative radicand). An infinite
// traction or square shows in the value as inf or NaN, except where it divides: there the
// criteria test the divisor.
constexpr double overflow = std::numeric_limits<double>::infinity();
double finite_or_overflow(double v) { return std::isfinite(v) ? v : overflow; }

// A term n/d of a measure: 0 where n is exactly 0, whatever d (its limit, also at a pole of d or a
// strength 0), so that 0/0 leaves no NaN on a plane that has a value; a nonzero n over d = 0 is
// the pole's +inf.
double quot(double n, double d) { return n == 0.0 ? 0.0 : n / d; }

// The ply stress on the planes through the fibre direction.
struct PlyStress {
    double s22, s33, s12, s13, s23;
    Traction on(double theta) const {
        double tv[3];
        GetTVectorOnRotatedXYPlane(tv, &theta, &s22, &s33, &s12, &s13, &s23);
        return {tv[0], tv[1], tv[2]};
    }
    bool finite() const {
        return std::isfinite(s22) && std::isfinite(s33) && std::isfinite(s12) && std::isfinite(s13) &&
               std::isfinite(s23);
    }
    // The planes in [lo, hi] on which tn changes sign, one of each pair theta, theta + pi, to
    // c.add(theta, value(theta)). tn = m + p cos 2theta - s23 sin 2theta with m = (s22 + s33)/2,
    // p = (s33 - s22)/2, that is m + r cos(2 theta + phi) (r = hypot(p, s23), phi = atan2(s23, p)):
    // its zeros are the roots of s22 t^2 - 2 s23 t + s33 = 0 in t = tan theta, 90 degrees among
    // them when s22 = 0, taken here without the division by s22.
    template <class V>
    void tn_roots(tvk::failure::CandidatePlanes& c, double lo, double hi, V&& value) const {
        const double m = 0.5 * (s22 + s33), p = 0.5 * (s33 - s22), r = std::hypot(p, s23);
        if (!(r > 0.0 && std::abs(m) < r)) return;  // tn keeps its sign
        const double a = std::acos(-m / r), phi = std::atan2(s23, p);
        for (const double twice : {a - phi, -a - phi}) {
            const double t = 0.5 * twice, k = std::ceil((lo - t) / tvk::pi), theta = t + k * tvk::pi;
            if (theta >= lo && theta <= hi) c.add(theta, value(theta));
        }
    }
    // The candidates of a measure over [0, pi] whose form or slope changes where tn changes sign.
    template <class V>
    auto tn_zero_planes(V& value) const {
        return [this, &value](tvk::failure::CandidatePlanes& c) { tn_roots(c, 0.0, tvk::pi, value); };
    }
    // The planes where the friction divisor st - eta tn shapes the measure (friction_planes of
    // anglesearch.h).
    template <class V>
    void friction_planes(tvk::failure::CandidatePlanes& c, double lo, double hi, double eta, double st, double width,
                         V&& value) const {
        tvk::failure::friction_planes(c, s22, s33, s23, lo, hi, eta, st, width, value);
    }
    // The peaks of a tension measure dominated by a term in tl^2 tn: between a plane where tn
    // vanishes and the next where tl does, such a measure behaves as |tl| sqrt(tn), a maximum whose
    // relative curvature is about 7/L^2 for zeros L apart and whose slope steepens towards tn's
    // zero. A point of the search's last bracket (up to about half the step from the peak) can read
    // a percent below it, and the closing parabola does not reach it. Each stretch of planes with
    // tn > 0 between those zeros (the whole half turn between two zeros of tl where tn > 0 on every
    // plane) has its peak found by a golden section, to c.add_peak(theta, value) with theta in
    // [lo, lo + pi] (and <= hi).
    template <class V>
    void tension_shear_peaks(tvk::failure::CandidatePlanes& c, double lo, double hi, V&& value) const {
        const double m = 0.5 * (s22 + s33), p = 0.5 * (s33 - s22), r = std::hypot(p, s23);
        if (!(m + r > 0.0 && std::isfinite(m + r)) || (s12 == 0.0 && s13 == 0.0)) return;
        const double tl_zero = std::atan2(s13, s12);  // tl = s13 cos theta - s12 sin theta
        auto peak = [&](double a, double b) {
            const auto at = tvk::failure::golden_peak(value, a, b, 20);
            const double theta = at.angle + std::ceil((lo - at.angle) / tvk::pi) * tvk::pi;
            if (theta >= lo && theta <= hi) c.add_peak(theta, at.value);
        };
        if (!(m < r)) {  // tn >= m - r >= 0 on every plane
            peak(tl_zero, tl_zero + tvk::pi);
            return;
        }
        // tn > 0 where |2 theta + phi| < acos(-m/r), a stretch shorter than a half turn.
        const double a = std::acos(-m / r), phi = std::atan2(s23, p), z1 = 0.5 * (-a - phi), z2 = 0.5 * (a - phi);
        const double l = tl_zero + std::ceil((z1 - tl_zero) / tvk::pi) * tvk::pi;
        if (l > z1 && l < z2) {
            peak(z1, l);
            peak(l, z2);
        } else {
            peak(z1, z2);
        }
    }
    // The candidates over [0, pi] of a measure whose form changes where tn changes sign and that
    // divides by the friction divisor st - eta tn.
    template <class V>
    auto friction_and_tn_zero_planes(V& value, double eta, double st, double width) const {
        return [this, &value, eta, st, width](tvk::failure::CandidatePlanes& c) {
            tn_roots(c, 0.0, tvk::pi, value);
            friction_planes(c, 0.0, tvk::pi, eta, st, width, value);
        };
    }
};

using tvk::failure::search_step;

// Searches the fracture plane of criterion `name` for stress s and applies the angle rule:
// outtheta receives the angle only when it was asked for (negative on input) and the point fails.
// `period` and `candidates`: see maximise_over_angle. Where the measure has a value on no plane
// the criterion cannot evaluate: it notes so and returns 0 when the stress is finite and its
// `strengths` positive and finite. A stress that is not finite, a strength that is NaN, and a
// ply without such strengths whose exposure is not finite, give a NaN exposure.
template <int Npoints, class F, class C = tvk::failure::NoCandidates>
tvk::failure::AngleMaximum fracture_plane(const char* name, const PlyStress& s, std::initializer_list<double> strengths,
                                          F&& value, double lo, double hi,
                                          double step, double default_step, const int* gsflag, double fallback,
                                          double* outtheta, double period = 0.0, C&& candidates = C{}) {
    auto m = tvk::failure::maximise_over_angle<Npoints>(value, lo, hi, step, gsflag ? *gsflag : 0, fallback,
                                                        default_step, period, candidates);
    const bool strong = std::all_of(strengths.begin(), strengths.end(),
                                    [](double x) { return x > 0.0 && x <= std::numeric_limits<double>::max(); });
    // A NaN strength gives no exposure, even where no plane's measure reads it.
    const bool unknown = std::any_of(strengths.begin(), strengths.end(), [](double x) { return std::isnan(x); });
    if (!s.finite() || unknown || (!strong && !std::isfinite(m.value))) {
        m.value = std::numeric_limits<double>::quiet_NaN();
    } else if (!m.defined) {
        tvk::report(-1, std::string("Note: No plane with a defined measure during ") + name + " failure " + note_tail);
        m.value = 0.0;
    }
    if (outtheta && *outtheta < 0.0 && m.value >= 1.0) *outtheta = m.angle;
    return m;
}

// Friction parameters from the fracture angle a0 under transverse compression.
struct ActionPlane {
    double eta_t, st, sl, eta_l;
};
ActionPlane larc_parameters(const double* a0, double xc22, double x12) {
    ActionPlane p{};
    if (a0) {
        const double a = *a0 * tvk::deg2rad;
        p.eta_t = -1.0 / std::tan(2.0 * a);
        p.st = xc22 * std::cos(a) * (std::sin(a) + std::cos(a) / std::tan(2.0 * a));
    } else {
        p.eta_t = 0.2867453857588078;
        p.st = xc22 * 0.6018150231520484 * 0.6260678290781129;
    }
    p.sl = x12;
    p.eta_l = p.eta_t * p.sl / p.st;
    return p;
}

// The friction terms (tT/(ST - eta_T tn))^2 + (tL/(SL - eta_L tn))^2 where ST or SL is infinite:
// an infinite strength is its limit, a divisor that grows without bound with it, so its term is 0.
// With ST infinite, eta_L = eta_T SL/ST is 0 and the longitudinal divisor SL, whatever eta_T tn (an
// eta_T tn that overflows is still finite against an ST that grows without bound). SL - eta_L tn is
// (SL/ST)(ST - eta_T tn): with SL alone infinite it grows without bound except at the pole
// ST = eta_T tn, where a nonzero tL reads the pole's inf as at any large finite SL; there an
// eta_T tn that overflows is the stresses' overflow of the finite ST's divisor.
double friction_limit(const Traction& t, const ActionPlane& p) {
    using tvk::failure::friction_term;
    if (std::isinf(p.st)) return std::isinf(p.sl) ? 0.0 : finite_or_overflow(friction_term(t.l, p.sl));
    const double et = p.eta_t * t.n;
    if (!std::isfinite(et)) return t.t == 0.0 ? 0.0 : overflow;
    const double dt = p.st - et;
    if (dt == 0.0 && t.l != 0.0) return overflow;
    return finite_or_overflow(friction_term(t.t, dt));
}

// The friction terms of the plane: the friction term (criteria.h) of each shear over its divisor,
// or their limit where a strength is infinite.
double friction_sum(const Traction& t, const ActionPlane& p) {
    if (std::isinf(p.st) || std::isinf(p.sl)) return friction_limit(t, p);
    using tvk::failure::friction_term;
    return friction_term(t.t, p.st - p.eta_t * t.n) + friction_term(t.l, p.sl - p.eta_l * t.n);
}

double larc_value(const Traction& t, const ActionPlane& p) {
    return finite_or_overflow(friction_sum(t, p));
}

// The friction terms of LaRC05, Camanho and Wiegand: friction_sum, and where SL is infinite and
// eta_T tn passes the largest double (ST finite), their limit as well. There ST - eta_T tn is
// finite but beyond the range of a double: the transverse term is read over |tn|,
// (tT/|tn|)/(ST/|tn| - eta_T sign tn), so that it is its value (0 where it underflows, as under
// a compression that grows without bound at a0 near 90), not the +inf of an overflow; the
// longitudinal divisor (SL/ST)(ST - eta_T tn) grows without bound with SL, its term is 0.
double friction_sum_to_limit(const Traction& t, const ActionPlane& p) {
    if (std::isinf(p.sl) && std::isfinite(p.st) && std::isfinite(t.n) && !std::isfinite(p.eta_t * t.n)) {
        const double n = std::abs(t.n);
        return tvk::failure::friction_term(t.t / n, p.st / n - p.eta_t * std::copysign(1.0, t.n));
    }
    return friction_sum(t, p);
}

// A zero or negative xc22, which LaRC05's and Wiegand's measures read through ST and eta_L on
// every plane that carries a shear traction: refused at level -3 (true, NaN in r), the message
// naming it, before the friction parameters' overflow that a zero xc22 also makes (a NaN xc22
// gives no exposure, without a message).
bool refused_compressive_strength(double& r, double xc22, const char* name) {
    if (std::isnan(xc22) || xc22 > 0.0) return false;
    tvk::report(-3, std::string("Error: strength xc22 of ") + name + " is zero or negative.");
    r = std::numeric_limits<double>::quiet_NaN();
    return true;
}

// eta = -1/(2 tan 2 a0) of the Camanho and Wiegand criteria.
double half_friction(const double* a0) {
    return a0 ? -1.0 / (2.0 * std::tan(2.0 * *a0 * tvk::deg2rad)) : 0.1433726928794039;
}

// Where the friction parameters p carry finite strengths past the largest double (ST about
// xc22/(2 a0) at an a0 so near 0; eta_L = eta_T SL/ST at a strength ST so small, down to 0), as
// eta_T itself does nearer still to a0 = 0, criterion `name` is refused at level -3 (true, NaN in
// r), the message naming `strength`, the strength ST comes from (and x12 where eta_L overflows): the limit is not what the
// overflowed values read (an infinite ST made eta_L 0, not -SL/xc22). `finite_st` tells whether
// that strength is finite (an infinite one is ST's limit).
bool st_overflows(const ActionPlane& p, bool finite_st) { return finite_st && !std::isfinite(p.st); }
bool eta_l_overflows(const ActionPlane& p) {
    return std::isfinite(p.st) && std::isfinite(p.sl) && !std::isfinite(p.eta_l);
}
bool refused_friction(double& r, const ActionPlane& p, bool finite_st, const char* name,
                      const char* strength = "xc22") {
    const bool st_over = st_overflows(p, finite_st);
    if (!(st_over || eta_l_overflows(p))) return false;
    // eta_L overflows from a small ST or a vast SL (x12): both strengths are named.
    tvk::report(-3, std::string("Error: friction parameters of ") + name + " overflow at this " +
                        (st_over ? "" : "x12, ") + strength + " and a0.");
    r = std::numeric_limits<double>::quiet_NaN();
    return true;
}

// 2Q/(sqrt(D) - L) of the Hashin compression branches, or L when the denominator is 0; +inf
// where Q or D overflows (D = inf made it 2Q/inf = 0, an intact ply).
double hashin_root(double lin, double quad) {
    const double disc = 4.0 * quad + lin * lin;
    if (std::isinf(disc) || std::isinf(quad)) return overflow;
    const double den = std::sqrt(disc) - lin;
    return den == 0.0 ? lin : 2.0 * quad / den;
}

// The exposure of a closed-form criterion whose terms finite stresses carried past the largest
// double (a square or product that overflows, inf - inf): +inf, so that the ply is refused rather
// than read intact (a NaN term made sqrt(v) for v > 0, else 0, read 0); a NaN stress gives NaN.
double overflow_exposure(std::initializer_list<double> stress) {
    const bool nan = std::any_of(stress.begin(), stress.end(), [](double v) { return std::isnan(v); });
    return nan ? std::numeric_limits<double>::quiet_NaN() : overflow;
}

// LaRC04's matrix in the frame of the kink band (sp the stress in the kink plane's frame at
// sigma): the reading's plane search and the tractions of its planes (kink_ray.h).
struct Larc04Band {
    tvk::failure::KinkRay ray;
    const double* sp;
    double sign;  // the sign of the misalignment, decided on the unscaled stress
    const ActionPlane& p;
    double step, default_step;
    int mode;
    double zero;  // the rounding of 0 in a traction
    template <class F>
    double search(F&& value) const {
        ++tvk::failure::kink_plane_searches;
        return tvk::failure::maximise_over_angle<200>(value, 0.0, tvk::pi, step, mode, tvk::pi, default_step).value;
    }
    // Over every plane and load: turned by mu, |s12| <= |sp12| + |sp11 - sp22|/2 sin 2mu, s22 lies
    // within sp11 and sp22 widened by |sp12| sin 2mu, |(s13, s23)| = q; on a plane |tL| <=
    // |(s12, q)|, |tT| <= |(q, (s33 - s22)/2)| and tn within s22 and s33 widened by q.
    double uniform_bound() const {
        const double w = tvk::failure::largest_turn(ray, 0.0), h = 0.5 * std::abs(sp[0] - sp[1]);
        const double p12 = std::abs(sp[3]), q = std::hypot(sp[4], sp[5]);
        const double lo = std::min(sp[0], sp[1]) - p12 * w, hi = std::max(sp[0], sp[1]) + p12 * w;
        const double tl = std::hypot(p12 + h * w, q), tt = std::hypot(q, 0.5 * std::max(std::abs(sp[2] - lo), std::abs(sp[2] - hi)));
        const double nlo = std::min(std::min(lo, sp[2]) - q, 0.0), nhi = std::max(std::max(hi, sp[2]) + q, 0.0);
        return tvk::failure::friction_bound(tt, p.st, p.eta_t, nlo, nhi) +
               (std::isinf(p.sl) ? tvk::failure::unbounded_friction_bound(tl, p.st, p.eta_t, nlo, nhi)
                                 : tvk::failure::friction_bound(tl, p.sl, p.eta_l, nlo, nhi));
    }
    // The tractions of the plane theta through the band's fibre direction.
    tvk::failure::KinkTerms terms(double theta) const {
        const tvk::failure::MisalignedStress m(sp, sign);
        const double c = std::cos(theta), s = std::sin(theta);
        tvk::failure::KinkTerms t;
        t.n = m.s33 * (c * c) + m.s22 * (s * s) + m.s23 * (-2.0 * s * c);
        t.f[0] = {m.s23 * (c * c - s * s) + (m.s33 + m.s22 * -1.0) * (s * c), p.st, p.eta_t};
        const tvk::failure::FrameTrig tl = m.s13 * c + m.s12 * -s;
        t.f[1] = std::isinf(p.sl) ? tvk::failure::KinkTerms::Friction{tl, p.st, p.eta_t, true}
                                  : tvk::failure::KinkTerms::Friction{tl, p.sl, p.eta_l};
        t.nf = 2;
        t.zero = zero;
        return t;
    }
};

}  // namespace

void MCrckLaRC05(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                 const double* s23, const double* xt22, const double* xc22, const double* x12, const double* a0,
                 double* outtheta, const double* sainc, const int* gsflag) {
    if (tvk::failure::refused_fracture_angle(*rmc, a0, "MCrckLaRC05") ||
        refused_compressive_strength(*rmc, *xc22, "MCrckLaRC05"))
        return;
    const double default_step = default_sainc_r, step = search_step(sainc, default_step);
    const ActionPlane p = larc_parameters(a0, *xc22, *x12);
    if (refused_friction(*rmc, p, std::isfinite(*xc22), "MCrckLaRC05")) return;
    const PlyStress s{*s22, *s33, *s12, *s13, *s23};
    const double yt = *xt22;
    auto value = [&](double theta) {
        const Traction t = s.on(theta);
        const double friction = finite_or_overflow(friction_sum_to_limit(t, p));
        return finite_or_overflow(friction + sq(quot(std::max(t.n, 0.0), yt)));
    };
    // The measure's form changes where tn changes sign (the tension term, the friction of the
    // denominators), and a sharp maximum tends to sit near those planes, and near the planes where
    // the friction divisor is smallest.
    auto near = s.friction_and_tn_zero_planes(value, p.eta_t, p.st, step);
    *rmc = fracture_plane<200>("LaRC05", s, {yt, *xc22, *x12}, value, 0.0, tvk::pi, step, default_step, gsflag, tvk::pi,
                               outtheta, tvk::pi, near)
               .value;
}

namespace {

// The angle of a plane folded into [0, pi): the planes theta and theta + pi are one plane.
double fold_half_turn(double angle) {
    const double a = angle - tvk::pi * std::floor(angle / tvk::pi);
    return a >= 0.0 && a < tvk::pi ? a : 0.0;
}

// Whether the misalignment (g12 phi_0 + |s12|)/(g12 + s11 - s22) carried finite values past the
// largest double.
bool misalignment_overflows(double g12, double phi0, double s11, double s22, double s12) {
    return !(std::isfinite(g12 * phi0 + std::abs(s12)) && std::isfinite(g12 + s11 - s22));
}

// The decisions of LaRC04's band frame, taken once on the unscaled stress and handed to the
// scaled evaluation: the frame's turn psi, the sign of the psi-turned shear t12, which the
// misalignment takes, and the band's misalignment. Where the unscaled t12 or misalignment
// overflowed (`sign_set`, `band_set` false), the scaled evaluation takes its own: a stress that
// vast leaves nothing the scaling underflows that could change them.
struct Larc04Decided {
    double psi = 0.0, sign = 1.0;
    tvk::failure::KinkMisalignment band{};
    bool sign_set = false, band_set = false;
};

void larc04_reading(double* rmc, const double* s11, const double* s22, const double* s33, const double* s12,
                    const double* s13, const double* s23, const double* xt11, const double* xc11, const double* xt22,
                    const double* xc22, const double* x12, const double* e11, const double* e22, const double* g12,
                    const double* nu12, const double* gc, const double* a0, double* outtheta, const double* sainc,
                    const int* fcl, const int* gsflag, const Larc04Decided* decided,
                    tvk::failure::Larc04BandTurn* turn) {
    constexpr char name[] = "MCrckLaRC04";
    *rmc = 0.0;
    const double default_step = default_sainc_r, step = search_step(sainc, default_step);
    const double g = (gc && gc[0] != 0.0 && gc[1] != 0.0) ? gc[0] / gc[1] : 0.3499999940395355;
    const bool kink_only = fcl && *fcl != 0;
    // A scaled evaluation (decided) is the band frame's, whatever its scaled s22 and s11 read.
    if (!decided && *s22 >= 0.0) {
        if (kink_only) return;
        // The tension terms read xt22 where s22 > 0; at s22 = 0 they are 0 whatever xt22 (with a value).
        if (*s22 > 0.0 && tvk::failure::refused_kink_strengths(*rmc, {{"xt22", *xt22, true}}, name)) return;
        const double r = *s22 == 0.0 && !std::isnan(*xt22) ? 0.0 : *s22 / *xt22;
        *rmc = (1.0 - g) * r + g * r * r + sq(*s12 / *x12) + (1.0 / *e22 - sq(*nu12) / *e11) * sq(*s23 / *x12);
        // A ply that fails here cracks on the plane normal to the 2-axis, where LaRC05's search
        // puts the same crack, so that a crack-plane damage has a plane to work on.
        if (outtheta && *outtheta < 0.0 && *rmc >= 1.0) *outtheta = 0.5 * tvk::pi;
        return;
    }
    const ActionPlane p = larc_parameters(a0, *xc22, *x12);
    // The planes at theta and theta + pi are one plane: the angle the searches write (to `theta`,
    // marked unwritten by -inf) goes out folded into [0, pi), so that a negative outtheta always
    // means "not written".
    struct HalfTurn {
        double* out;
        double angle = -std::numeric_limits<double>::infinity();
        double* theta() { return out && *out < 0.0 ? &angle : nullptr; }
        ~HalfTurn() {
            if (std::isfinite(angle)) *out = fold_half_turn(angle);
        }
    } written{outtheta};
    // Whether a plane's friction divisor is not positive under a numerator that is not 0 (beyond
    // the rounding of 0 in the turned stress).
    const double ply[6] = {*s11, *s22, *s33, *s12, *s13, *s23};
    const double zero = tvk::failure::rounding_of_zero(ply);
    // An infinite SL: SL - eta_L tn = (SL/ST)(ST - eta_T tn) has the sign of ST - eta_T tn.
    auto passed_pole = [&](const Traction& t) {
        const double dl = std::isinf(p.sl) ? p.st - p.eta_t * t.n : p.sl - p.eta_l * t.n;
        return (std::abs(t.t) > zero && !(p.st - p.eta_t * t.n > 0.0)) || (std::abs(t.l) > zero && !(dl > 0.0));
    };
    // The search over [lo, lo + 2 pi) of the planes of s, with the planes the friction divisor
    // shapes as candidates; `pole` (where given) is set where a plane read passed its pole. The
    // planes at theta and theta + pi are one plane: the value has period pi.
    auto search = [&](const PlyStress& s, double lo, double hi, double* theta, bool* pole) {
        auto value = [&](double theta) {
            const Traction t = s.on(theta);
            if (pole && passed_pole(t)) *pole = true;
            return larc_value(t, p);
        };
        auto planes = [&](tvk::failure::CandidatePlanes& c) {
            s.friction_planes(c, lo, lo + tvk::pi, p.eta_t, p.st, step, value);
        };
        return fracture_plane<200>("LaRC04", s, {*xc22, *x12}, value, lo, hi, step, default_step, gsflag, tvk::pi,
                                   theta, tvk::pi, planes)
            .value;
    };
    // The search in the ply frame at the load f.
    auto ply_frame = [&](double f, double* theta, bool* pole = nullptr) {
        return search(PlyStress{f * *s22, f * *s33, f * *s12, f * *s13, f * *s23}, -tvk::pi, tvk::pi, theta, pole);
    };
    // A zero or negative xc22 leaves ST (and eta_L = eta_T SL/ST) without a meaning: refused,
    // naming it, wherever the measure reads it. The band always reads it (its misalignment); the
    // ply frame on every plane where a shear divides by its friction divisor, on all planes but
    // where the transverse stress is hydrostatic and no longitudinal shear acts.
    auto refused_xc22 = [&](bool read) {
        return read && tvk::failure::refused_kink_strengths(*rmc, {{"xc22", *xc22, true}}, name);
    };
    if (!decided && *s11 >= -*xc22) {
        const bool shear = !(*s22 == *s33 && *s23 == 0.0 && *s12 == 0.0 && *s13 == 0.0);
        if (tvk::failure::refused_fracture_angle(*rmc, a0, name) || refused_xc22(shear) ||
            refused_friction(*rmc, p, std::isfinite(*xc22), name))
            return;
        *rmc = ply_frame(1.0, written.theta());
        return;
    }
    const double psi = decided ? decided->psi : tvk::failure::larc04_psi(*s22, *s33, *s23);
    static constexpr double axis1[3] = {1.0, 0.0, 0.0};
    double sp[6];
    GetRotatedStresses(sp, &psi, axis1, s11, s22, s33, s12, s13, s23, nullptr);
    if (kink_only) return;
    if (tvk::failure::refused_fracture_angle(*rmc, a0, name) || refused_xc22(true) ||
        refused_friction(*rmc, p, std::isfinite(*xc22), name))
        return;
    if (tvk::failure::refused_kink_strengths(*rmc,
                                             {{"xc11", *xc11, true}, {"xc22", *xc22, true}, {"x12", *x12, true},
                                              {"g12", *g12, false}},
                                             name))
        return;
    double phi0 = 0.0;
    if (!tvk::failure::initial_misalignment_angle(phi0, p.eta_t, p.st, p.eta_l, p.sl, *xc11, *g12))
        return void(*rmc = tvk::failure::refuse_misalignment(name));
    // The search in the frame of the band's misalignment (sp); `pole` as in the kink plane of
    // FBLaRC05: a plane read whose friction divisor is not positive under a numerator that is not
    // 0 passed its pole at a lower load.
    const int mode = gsflag ? *gsflag : 0;
    // An infinite SL: the term of tL over (SL/ST)(ST - eta_T tn) is 0, its limit, as in the reading.
    ActionPlane pb = p;
    if (std::isinf(pb.sl)) pb.eta_l = 0.0;
    // The misalignment, of the sign of the psi-turned shear t12. Past the kink band's instability
    // the fibre has failed, and the matrix in the band with it.
    const double sign = decided && decided->sign_set ? decided->sign : std::copysign(1.0, sp[3]);
    const tvk::failure::KinkMisalignment band = decided && decided->band_set
                                                    ? decided->band
                                                    : tvk::failure::kink_misalignment(*g12, phi0, *s11, *s22, *s12);
    // Stresses or strengths near the largest double: the same measure, scaled (kink_scale); the band
    // reads neither xt11, xt22 nor the moduli e11, e22. Its frame and misalignment are the ones
    // decided here, on the unscaled stress, whose small components the scaling may underflow.
    const double eta = std::max(std::abs(pb.eta_t), std::abs(pb.eta_l));
    if (const int n = decided ? 0 : tvk::failure::kink_scale(ply, 6, eta, {*xc11, *xc22, *x12, *g12}); n != 0) {
        double v[12];
        const double* in[12] = {s11, s22, s33, s12, s13, s23, xt11, xc11, xt22, xc22, x12, g12};
        for (int i = 0; i < 12; ++i) v[i] = std::ldexp(*in[i], -n);
        Larc04Decided d;
        d.psi = psi;
        d.sign = sign;
        d.sign_set = std::isfinite(sp[3]);
        d.band = band;
        d.band_set = !misalignment_overflows(*g12, phi0, *s11, *s22, *s12);
        larc04_reading(rmc, v, v + 1, v + 2, v + 3, v + 4, v + 5, v + 6, v + 7, v + 8, v + 9, v + 10, e11, e22, v + 11,
                       nu12, gc, a0, outtheta, sainc, fcl, gsflag, &d, turn);
        return;
    }
    const Larc04Band b{tvk::failure::KinkRay(ply, *g12, phi0), sp, sign, pb, step, default_step, mode, zero};
    bool pole = false;
    double sm[6];
    tvk::failure::into_misalignment_frame(sm, sp, sign * band.magnitude);
    if (turn) *turn = {true, psi, sign * band.magnitude};
    ++tvk::failure::kink_plane_searches;
    double r = search(PlyStress{sm[1], sm[2], sm[3], sm[4], sm[5]}, 0.0, tvk::pi, written.theta(), &pole);
    // Below s11 = -xc22, at the loads f <= fs, the ply frame is read, whose measure on each plane
    // is at most the one at fs, or passed a pole where a divisor at fs is not positive under a
    // numerator that is not 0: on its planes tn lies within the transverse principal stresses,
    // |tL| <= |(s12, s13)| and |tT| <= their radius, and the search at fs is read only where these
    // bound the measure at 1 or more.
    const double fs = -*xc22 / *s11;
    auto ply_failed = [&] {
        const double c = 0.5 * (*s22 + *s33), rad = std::hypot(0.5 * (*s22 - *s33), *s23), tau = std::hypot(*s12, *s13);
        const double dl = std::min(p.sl - p.eta_l * fs * (c - rad), p.sl - p.eta_l * fs * (c + rad));
        const double dt = std::min(p.st - p.eta_t * fs * (c - rad), p.st - p.eta_t * fs * (c + rad));
        const double b = (tau == 0.0 ? 0.0 : sq(fs * tau / dl)) + (rad == 0.0 ? 0.0 : sq(fs * rad / dt));
        if ((tau == 0.0 || dl > 0.0) && (rad == 0.0 || dt > 0.0) && b < 1.0) return false;
        bool passed = false;
        ++tvk::failure::kink_plane_searches;
        return ply_frame(fs, nullptr, &passed) >= 1.0 || passed;
    };
    if (!band.unstable && r < 1.0 && !pole && ply_failed()) r = 1.0;
    *rmc = tvk::failure::kink_band_exposure(b, r, pole, band.unstable, fs, name);
}

}  // namespace

// LaRC04 matrix cracking: closed form in tension (a failed ply's plane is pi/2); in compression the plane search, in the ply
// frame while s11 >= -xc22 (the fibres carry little compression) and in the kink band's
// misalignment frame beyond, whose angle `outtheta` receives.
void MCrckLaRC04(double* rmc, const double* s11, const double* s22, const double* s33, const double* s12,
                 const double* s13, const double* s23, const double* xt11, const double* xc11, const double* xt22,
                 const double* xc22, const double* x12, const double* e11, const double* e22, const double* g12,
                 const double* nu12, const double* gc, const double* a0, double* outtheta, const double* sainc,
                 const int* fcl, const int* gsflag) {
    larc04_reading(rmc, s11, s22, s33, s12, s13, s23, xt11, xc11, xt22, xc22, x12, e11, e22, g12, nu12, gc, a0,
                   outtheta, sainc, fcl, gsflag, nullptr, nullptr);
}

namespace tvk::failure {

void larc04_matrix(double* rmc, const double* s11, const double* s22, const double* s33, const double* s12,
                   const double* s13, const double* s23, const double* xt11, const double* xc11, const double* xt22,
                   const double* xc22, const double* x12, const double* e11, const double* e22, const double* g12,
                   const double* nu12, const double* a0, double* outtheta, const double* sainc, const int* gsflag,
                   Larc04BandTurn* turn) {
    *turn = Larc04BandTurn{};
    larc04_reading(rmc, s11, s22, s33, s12, s13, s23, xt11, xc11, xt22, xc22, x12, e11, e22, g12, nu12, nullptr, a0,
                   outtheta, sainc, nullptr, gsflag, nullptr, turn);
}

double larc04_ply_plane(double theta, const Larc04BandTurn& turn) {
    if (!turn.band) return theta;
    return fold_half_turn(turn.psi + std::atan2(std::sin(theta) * std::cos(turn.phi), std::cos(theta)));
}

}  // namespace tvk::failure

namespace {

// Puck's inclination parameters and the action-plane exposure in the form shared by the Puck
// and VDI criteria: c_plus/c_minus are the inclination terms for tn >= 0 and tn < 0.
double puck_exposure(const Traction& t, double c, double yt, double ra, double rtl) {
    const double shear = sq(t.t / ra) + sq(t.l / rtl);
    if (t.n >= 0.0) return std::sqrt(sq((1.0 / yt - c) * t.n) + shear) + c * t.n;
    return std::sqrt(shear + sq(c * t.n)) + c * t.n;
}

}  // namespace

void MCrckPuck(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
               const double* s23, const double* xt22, const double* xc22, const double* x12, double* outtheta,
               const double* gp, const double* sainc, const int* gsflag, int* tcflag) {
    static constexpr double defaults[4] = {0.3, 0.2, 0.15, 0.15};
    const double* p = gp ? gp : defaults;
    const double default_step = default_sainc_r, step = search_step(sainc, default_step);
    const double rtl = *x12, ra = *xc22 / (2.0 * (1.0 + p[3])), yt = *xt22;
    const PlyStress s{*s22, *s33, *s12, *s13, *s23};
    auto value = [&](double theta) {
        const Traction t = s.on(theta);
        const double w = sq(t.t) + sq(t.l);
        if (!std::isfinite(w)) return overflow;
        const double c = w == 0.0 ? 0.0
                         : t.n >= 0.0 ? (p[0] * sq(t.l) / rtl + p[2] * sq(t.t) / ra) / w
                                      : (p[1] * sq(t.l) / rtl + p[3] * sq(t.t) / ra) / w;
        return finite_or_overflow(puck_exposure(t, c, yt, ra, rtl));
    };
    // With inclination parameters larger in compression than in tension the slope of the measure
    // jumps where tn changes sign.
    auto kinks = s.tn_zero_planes(value);
    const auto m = fracture_plane<100>("Puck", s, {yt, *xc22, rtl}, value, 0.0, tvk::pi, step, default_step, gsflag,
                                       tvk::pi, outtheta, tvk::pi, kinks);
    *rmc = m.value;
    if (tcflag && m.value >= 1.0) *tcflag = s.on(m.angle).n < 0.0 ? -1 : 1;
}

void MCrckVDI2014(double* rmc, const double* s11, const double* s22, const double* s33, const double* s12,
                  const double* s13, const double* s23, const double* xt11, const double* xc11, const double* xt22,
                  const double* xc22, const double* x12, double* outtheta, const double* gp, const double* wp,
                  const double* sainc, const int* gsflag) {
    static constexpr double gp_defaults[4] = {0.3, 0.3, 0.25, 0.25}, wp_defaults[2] = {0.5, 0.5};
    const double* p = gp ? gp : gp_defaults;
    const double* w = wp ? wp : wp_defaults;
    const double default_step = default_sainc_r, step = search_step(sainc, default_step);
    const double rtl = *x12, ra = *xc22 / (2.0 * (1.0 + p[3])), yt = *xt22;
    const PlyStress s{*s22, *s33, *s12, *s13, *s23};
    auto value = [&](double theta) {
        const Traction t = s.on(theta);
        double cos2 = 3.749399456654644e-33, sin2 = 1.0;
        if (std::abs(t.t) > 1e-6) {
            const double psi = std::atan(t.l / t.t);
            cos2 = sq(std::cos(psi));
            sin2 = sq(std::sin(psi));
        }
        const double c = t.n >= 0.0 ? p[2] / ra * cos2 + p[0] / rtl * sin2 : p[3] / ra * cos2 + p[1] / rtl * sin2;
        return finite_or_overflow(puck_exposure(t, c, yt, ra, rtl));
    };
    auto kinks = s.tn_zero_planes(value);  // as in Puck's
    const auto plane = fracture_plane<100>("VDI 2014", s, {yt, *xc22, rtl}, value, 0.0, tvk::pi, step, default_step,
                                           gsflag, tvk::pi, nullptr, tvk::pi, kinks);
    const double fiff = plane.value;
    // Weakening of the inter-fibre exposure by the fibre-parallel stress.
    const double fff = *s11 >= 0.0 ? *s11 / *xt11 : -*s11 / *xc11;
    const double q = fff > 1e-6 ? fiff / fff : 1e6;
    const double sw = w[0], mw = w[1];
    double r = fiff;
    if (1.0 / mw >= q && q >= sw) {
        const double root = std::sqrt(1.0 - sw * sw);
        double eta_w;
        if (root == 0.0) {
            // s = 1 (or -1): a is infinite (0/0 for m = 1) and the factor inf/inf. It is the
            // factor's limit as s tends to it: for m = 1, a = 0 on the way and the factor q; else
            // the sign of q a as |a| grows (1 for s = 1 and m < 1: no weakening at all).
            eta_w = mw == 1.0 ? q : ((q > 0.0) - (q < 0.0)) * (mw < 1.0 ? 1.0 : -1.0);
        } else {
            const double a = (1.0 - mw) / root;
            eta_w = q * (a * std::sqrt(q * q * (a * a - mw * mw) + 1.0) + mw) / (sq(q * a) + 1.0);
        }
        r = fiff / eta_w;
    } else if (q >= 0.0 && q < sw && sw < 1.0 && 1.0 / mw >= sw) {
        // Below q = s the factor keeps its value at q = s, which is s itself (the weakening ellipse
        // passes through (s, s)): dropping the weakening there would make the exposure fall by 1/s
        // as the fibre stress grows past q = s. fIFF/s stays below fFF, so the ply still cannot
        // read failed before its fibres do. A negative exposure is left as it is.
        r = fiff / sw;
    }
    *rmc = r;
    // The angle rule applies to the weakened exposure of the plane the search found.
    if (outtheta && *outtheta < 0.0 && r >= 1.0) *outtheta = plane.angle;
}

void MCrckSPC3D(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                const double* s23, const double* xt11, const double* xc11, const double* xt22, const double* xc22,
                const double* xt33, const double* xc33, const double* xt12, const double* xt13, const double* xt23,
                const double* xcs, double* outtheta, const double* gp, const double* sainc, const double* salims,
                const int* gsflag) {
    static constexpr double gp_defaults[2] = {0.3, -0.3};
    const double* g = gp ? gp : gp_defaults;
    const bool own_xcs = xcs && (xcs[0] != 0.0 || xcs[1] != 0.0 || xcs[2] != 0.0);
    const double xc12 = own_xcs ? xcs[0] : *xt12, xc13 = own_xcs ? xcs[1] : *xt13, xc23 = own_xcs ? xcs[2] : *xt23;
    const double lo = salims ? salims[0] * tvk::deg2rad : 0.03490658503988659;
    const double hi = salims ? salims[1] * tvk::deg2rad : 3.1066860685499065;
    const double default_step = 0.03490658503988659;  // 2 degrees
    const double step = search_step(sainc, default_step);
    const PlyStress s{*s22, *s33, *s12, *s13, *s23};
    // A tn within the rounding of 0 in the turned stresses (64 eps of the largest component) is a
    // tn = 0 plane, valued on the larger branch as below: its sign is rounding (a shell's in-plane
    // shear has tn = 0 on every plane, or a residual of 1e-12 MPa of either sign).
    const double zero = 64.0 * std::numeric_limits<double>::epsilon() *
                        std::max({std::abs(*s22), std::abs(*s33), std::abs(*s12), std::abs(*s13), std::abs(*s23)});
    // The measure; on a plane where tn vanishes (branch not 0) the tension (branch 1) or the
    // compression branch (-1) at tn = 0, and the larger of them where branch 0 finds tn within
    // the rounding of 0.
    auto measure = [&](double theta, int branch) {
        Traction t = s.on(theta);
        const double c = std::cos(theta), sn = std::sin(theta), s2 = std::abs(std::sin(2.0 * theta));
        const auto tension = [&] {
            const double a = t.n / (c * c * *xt33 + sn * sn * *xt22 + *xt23 * s2);
            return finite_or_overflow(g[0] * a + std::sqrt(sq(1.0 - g[0]) * a * a +
                                                           sq(t.t / ((*xt22 + *xt33) * s2 + *xt23)) +
                                                           sq(t.l / (std::abs(sn) * *xt12 + std::abs(c) * *xt13))));
        };
        const auto compression = [&] {
            const double a = g[1] * t.n / (c * c * *xc33 + sn * sn * *xc22 + xc23 * s2);
            return finite_or_overflow(a + std::sqrt(a * a + sq(t.t / ((*xc22 + *xc33) * s2 + xc23)) +
                                                    sq(t.l / (std::abs(sn) * xc12 + std::abs(c) * xc13))));
        };
        if (branch != 0 || std::abs(t.n) <= zero) {
            t.n = 0.0;
            if (branch == 0) return std::max(tension(), compression());
        }
        return branch > 0 || (branch == 0 && t.n >= 0.0) ? tension() : compression();
    };
    auto value = [&](double theta) { return measure(theta, 0); };
    // The denominators have a V-shaped minimum at every multiple of 90 degrees, so the measure has
    // an upward cusp there, and it often rises towards the range's ends; where tn changes sign it
    // jumps (the two branches divide by different strengths), the tension side the higher one
    // with strengths larger in compression. Either branch's value is the measure's limit on a
    // tn = 0 plane, and the plane is valued on the larger (with a compressive shear strength below
    // the tensile one the compression side reads higher, and a residual tn of either sign must not
    // decide the exposure).
    auto planes = [&](tvk::failure::CandidatePlanes& c) {
        const double quarter = 0.5 * tvk::pi, first = std::ceil(lo / quarter);
        for (const double k : {first, first + 1.0})
            if (k * quarter >= lo && k * quarter <= hi) c.add(k * quarter, value(k * quarter));
        s.tn_roots(c, lo, hi, [&](double theta) { return std::max(measure(theta, 1), measure(theta, -1)); });
    };
    // The value has period pi (the planes at theta and theta + pi are one plane), whatever salims.
    *rmc = fracture_plane<100>("SPC3D", s, {*xt22, *xc22, *xt33, *xc33, *xt12, *xt13, *xt23, xc12, xc13, xc23}, value,
                               lo, hi, step, default_step, gsflag, hi, outtheta, tvk::pi, planes)
               .value;
}

void MCrckCamanho(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                  const double* s23, const double* xt22, const double* xc22, const double* x12, const double* x23,
                  double* outtheta, const double* a0, const double* sainc, const int* gsflag) {
    if (tvk::failure::refused_fracture_angle(*rmc, a0, "MCrckCamanho")) return;
    const double default_step = default_sainc_r, step = search_step(sainc, default_step);
    const double eta = half_friction(a0), st = *x23, sl = *x12, yt = *xt22, eta_l = eta * sl / st;
    if (refused_friction(*rmc, {eta, st, sl, eta_l}, std::isfinite(st), "MCrckCamanho", "x23")) return;
    const double g1 = (st * st - yt * yt) / (yt * st), g2 = 2.0 * eta - g1;
    const PlyStress s{*s22, *s33, *s12, *s13, *s23};
    auto value = [&](double theta) {
        const Traction t = s.on(theta);
        if (t.n <= 0.0) {
            return finite_or_overflow(std::sqrt(friction_sum_to_limit(t, {eta, st, sl, eta_l})));
        }
        const double n = t.n / st, l2 = sq(quot(t.l, sl));
        const double r = n * n + sq(quot(t.t, st)) + l2 + l2 * g2 * n + g1 * n;
        if (std::isfinite(r) && r < 0.0) return std::numeric_limits<double>::quiet_NaN();  // no value on this plane
        return finite_or_overflow(std::sqrt(r));
    };
    // The formula changes where tn changes sign, and the slope of the measure jumps there; in
    // compression it divides by the friction divisor x23 - eta tn, as LaRC05's measure.
    auto friction_and_tn_zero = s.friction_and_tn_zero_planes(value, eta, st, step);
    // In tension the term l2 g2 n, that is tl^2 tn g2/(sl^2 st), dominates where g2 times the
    // largest n reaches 1 (a steep fracture angle, eta large): the peaks it makes are named.
    auto kinks = [&](tvk::failure::CandidatePlanes& c) {
        friction_and_tn_zero(c);
        if (!(g2 > 0.0)) return;
        const double tn_max = 0.5 * (s.s22 + s.s33) + std::hypot(0.5 * (s.s33 - s.s22), s.s23);
        if (g2 * (tn_max / st) >= 1.0) s.tension_shear_peaks(c, 0.0, tvk::pi, value);
    };
    // The measure does not read xc22: it gives no exposure where it is NaN, and otherwise does not
    // decide whether a measure that is not finite is the overflow of finite strengths.
    const double xc22_read = std::isnan(*xc22) ? *xc22 : st;
    *rmc = fracture_plane<100>("Camanho", s, {yt, xc22_read, sl, st}, value, 0.0, tvk::pi, step, default_step, gsflag,
                               tvk::pi, outtheta, tvk::pi, kinks)
               .value;
}

namespace {

// Wiegand's friction parameters: eta = -1/(2 tan 2 a0), ST = xc22/(2 tan a0), eta_L = eta SL/ST.
ActionPlane wiegand_parameters(const double* a0, double xc22, double x12) {
    const double eta = half_friction(a0);
    const double two_tan = a0 ? 2.0 * std::tan(*a0 * tvk::deg2rad) : 2.6540896432408196;
    const double st = xc22 / two_tan;
    return {eta, st, x12, eta * x12 / st};
}

}  // namespace

bool tvk::failure::wiegand_friction_overflows(double xc22, double x12) {
    const ActionPlane p = wiegand_parameters(nullptr, xc22, x12);
    return st_overflows(p, std::isfinite(xc22)) || eta_l_overflows(p);
}

void MCrckWiegand(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                  const double* s23, const double* xt22, const double* xc22, const double* x12, double* outtheta,
                  const double* a0, const double* sainc, const int* gsflag) {
    if (tvk::failure::refused_fracture_angle(*rmc, a0, "MCrckWiegand") ||
        refused_compressive_strength(*rmc, *xc22, "MCrckWiegand"))
        return;
    const double default_step = default_sainc_r, step = search_step(sainc, default_step);
    const ActionPlane p = wiegand_parameters(a0, *xc22, *x12);
    const double eta = p.eta_t, st = p.st, sl = p.sl, eta_l = p.eta_l, yt = *xt22;
    if (refused_friction(*rmc, p, std::isfinite(*xc22), "MCrckWiegand")) return;
    const PlyStress s{*s22, *s33, *s12, *s13, *s23};
    auto value = [&](double theta) {
        const Traction t = s.on(theta);
        const double v = friction_sum_to_limit(t, {eta, st, sl, eta_l});
        return finite_or_overflow(std::sqrt(t.n < 0.0 ? v : v + sq(quot(t.n, yt))));
    };
    auto near = s.friction_and_tn_zero_planes(value, eta, st, step);  // as in LaRC05's
    *rmc = fracture_plane<100>("Wiegand", s, {yt, *xc22, sl}, value, 0.0, tvk::pi, step, default_step, gsflag, tvk::pi,
                               outtheta, tvk::pi, near)
               .value;
}

// Cuntze's failure-mode-concept (2012): three inter-fibre modes interacting with the exponent
// mint. A stress-free ply gives 0; only a list of stresses that are all zero short-cuts (a signed
// sum could vanish for a loaded ply).
void MCrckCuntze2012(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                     const double* s23, const double* xt22, const double* xc22, const double* x12, const double* gp,
                     const double* mint) {
    *rmc = 0.0;
    if (*s22 == 0.0 && *s33 == 0.0 && *s12 == 0.0 && *s13 == 0.0 && *s23 == 0.0) return;
    const double m = mint ? *mint : 2.4;
    const double btl = gp ? gp[0] : 0.16, btt = gp ? gp[1] : 1.16;
    const double i2 = *s22 + *s33, w = std::sqrt(sq(*s22 - *s33) + 4.0 * sq(*s23));
    const double i3 = sq(*s12) + sq(*s13);
    const double i5 = 2.0 * *s22 * sq(*s12) + 2.0 * *s33 * sq(*s13) + 4.0 * *s23 * *s13 * *s12;
    // Invariants, or squares of them, that finite stresses carried past the largest double give
    // +inf (they made inf - inf, or the 0 of a^2/inf below, an intact ply).
    const auto overflowed = [&] { *rmc = overflow_exposure({*s22, *s33, *s12, *s13, *s23}); };
    if (!std::isfinite(i2) || !std::isfinite(w) || !std::isfinite(i3) || !std::isfinite(i5)) return overflowed();
    const double e1 = std::max((i2 + w) / (2.0 * *xt22), 0.0);
    const double e2 = std::max(((btt - 1.0) * i2 + btt * w) / *xc22, 0.0);
    // p = sqrt(a^2 + b^2) + b with a = 2 x12 I3, b = btl I5. Where b < 0 (transverse compression
    // with shear) the sum cancels as the load grows (b^2 ~ k^6 swamps a^2 ~ k^4, and p read 0, an
    // intact ply, beyond about 1e10): it is taken as a^2/(sqrt(a^2 + b^2) - b).
    const double a2 = 4.0 * sq(*x12) * sq(i3), b = btl * i5, h = std::sqrt(a2 + sq(b)), hb = h + std::abs(b);
    if (std::isinf(hb) && std::isfinite(*x12)) return overflowed();
    const double p = b < 0.0 ? a2 / hb : hb;
    double e3 = 0.0;
    if (p < 0.0)
        tvk::report(-3, tvk::compose("Note: Negative root during Cuntze failure", note_tail));
    else
        e3 = std::max(std::sqrt(p / (2.0 * std::pow(*x12, 3))), 0.0);
    *rmc = std::pow(std::pow(e1, m) + std::pow(e2, m) + std::pow(e3, m), 1.0 / m);
}

// Cuntze (2004). E1 = (I2 + sqrt I4)/(2 xt22), the largest principal transverse stress over the
// strength: the rationalised K/(I2 -+ sqrt I4) it equals is 0 for every plane-stress state.
void MCrckCuntze2004(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                     const double* s23, const double* xt22, const double* xc22, const double* x12, const double* x13,
                     const double* gp, const double* mint) {
    *rmc = 0.0;
    if (*s22 == 0.0 && *s33 == 0.0 && *s12 == 0.0 && *s13 == 0.0 && *s23 == 0.0) return;
    const double m = mint ? *mint : 2.5;
    const double b1 = gp ? gp[0] : 0.13, b2 = gp ? gp[1] : 1.5, b3 = gp ? gp[2] : 0.4;
    const double i2 = *s22 + *s33, i4 = sq(*s22 - *s33) + 4.0 * sq(*s23), i3 = sq(*s12) + sq(*s13);
    double e1 = (i2 + std::sqrt(i4)) / (2.0 * *xt22);
    if (e1 < 0.0) e1 = 0.01;
    const double r = (*x12 + *x13) / 2.0;
    const double v = (2.0 * b1 * (*s33 * sq(*s13) + *s22 * sq(*s12) + 2.0 * *s12 * *s13 * *s23) + std::pow(i3, 1.5)) /
                     std::pow(r, 3);
    const double e2 = v >= 0.0 ? std::cbrt(v) : 0.01;
    const double h = b3 * i3 + b2 * i4;
    const double p = (b2 - 1.0) * i2 * *xc22 / h;
    const double sdisc = p * p / 4.0 + sq(*xc22) / h;
    double root = 0.0;
    if (sdisc < 0.0)
        tvk::report(-3, tvk::compose("Note: Negative root during Cuntze failure", note_tail));
    else
        root = std::sqrt(sdisc);
    double e3 = std::max(1.0 / (-p / 2.0 - root), 1.0 / (root - p / 2.0));
    if (e3 < 0.0) e3 = 0.01;
    *rmc = std::pow(std::pow(e1, m) + std::pow(e2, m) + std::pow(e3, m), 1.0 / m);
}

void MCrckChangChang(double* rmc, const double* s22, const double* s12, const double* xt22, const double* xc22,
                     const double* x12) {
    *rmc = std::sqrt(sq(*s22 / (*s22 > 0.0 ? *xt22 : *xc22)) + sq(*s12 / *x12));
}

void MCrckChai(double* rmc, const double* s22, const double* s12, const double* s23, const double* xt22,
               const double* xc22, const double* x12, const double* x23, const double*) {
    *rmc = std::sqrt(sq(*s22 / (*s22 >= 0.0 ? *xt22 : *xc22)) + sq(*s12 / *x12) + sq(*s23 / *x23));
}

void MCrckChristensen(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                      const double* s23, const double* xt22, const double* xc22, const double* xt33,
                      const double* xc33, const double* x12, const double* x13, const double* x23) {
    const double lin = (1.0 / *xt22 - 1.0 / *xc22) * *s22 + (1.0 / *xt33 - 1.0 / *xc33) * *s33;
    const double quad = (sq(*s23) - *s22 * *s33) / sq(*x23) + sq(*s12 / *x12) + sq(*s13 / *x13) +
                        sq(*s22 + *s33) / std::sqrt(*xt22 * *xc22 * *xt33 * *xc33);
    *rmc = tvk::failure::polynomial_exposure(lin, quad, "Note: Negative root during Christensen failure");
}

namespace {

// A double with an exponent of its own, m 2^e: m is 0, not finite, or 0.5 <= |m| < 1. Its
// products, quotients, sums and roots round m once, as double arithmetic rounds wherever that
// neither overflows nor underflows (to the bit), and never leave the range of the exponent, so that
// one vast value cannot push the others out of the range of a double. A value that is not finite
// (the pole of a zero divisor) follows double arithmetic.
struct Wide {
    double m = 0.0;
    int e = 0;
    static Wide of(double v, int e = 0) {
        if (v == 0.0 || !std::isfinite(v)) return {v, 0};
        int k = 0;
        const double m = std::frexp(v, &k);
        return {m, e + k};
    }
    bool finite() const { return std::isfinite(m); }
    // The double nearest m 2^e: 0 or +-inf beyond the range of a double (rounded once).
    double value() const { return finite() && m != 0.0 ? std::ldexp(m, std::clamp(e, -4000, 4000)) : m; }
};
Wide operator*(Wide a, Wide b) { return Wide::of(a.m * b.m, a.e + b.e); }
Wide operator/(Wide a, Wide b) { return Wide::of(a.m / b.m, a.e - b.e); }
Wide operator-(Wide a) { return {-a.m, a.e}; }
// Aligned to the larger exponent: a term more than 60 binades below the other is less than half
// its last place, which double addition drops too.
Wide operator+(Wide a, Wide b) {
    if (!a.finite() || !b.finite()) return {a.m + b.m, 0};
    if (a.m == 0.0) return b;
    if (b.m == 0.0) return a;
    if (a.e < b.e) std::swap(a, b);
    return a.e - b.e > 60 ? a : Wide::of(a.m + std::ldexp(b.m, b.e - a.e), a.e);
}
Wide operator-(Wide a, Wide b) { return a + -b; }
Wide sqrt(Wide a) {
    if (!a.finite() || !(a.m > 0.0)) return {std::sqrt(a.m), 0};
    const int odd = a.e & 1;
    return Wide::of(std::sqrt(std::ldexp(a.m, odd)), (a.e - odd) / 2);
}
bool operator<(Wide a, Wide b) {  // finite values
    if ((a.m < 0.0) != (b.m < 0.0) || a.m == 0.0 || b.m == 0.0) return a.m < b.m;
    if (a.e != b.e) return (a.e < b.e) != (a.m < 0.0);
    return a.m < b.m;
}

// The double and Wide faces the criterion's template reads: the significand (the value itself for
// a double), the value, and the conversion of a stress and of a strength (an infinite strength is
// a power of two beyond every finite double, so that its terms read their limits).
double mant(double x) { return x; }
double mant(Wide w) { return w.m; }
double value(double x) { return x; }
double value(Wide w) { return w.value(); }
template <class R> R stress(double v) {
    if constexpr (std::is_same_v<R, double>) return v;
    else return Wide::of(v);
}
template <class R> R strength(double v) {
    if constexpr (std::is_same_v<R, double>) return v;
    else return std::isinf(v) ? Wide{std::copysign(0.5, v), 1 << 20} : Wide::of(v);
}

}  // namespace

// The ply's value of Hashin's 1989 criterion from its stresses st (s22, s33, s12, s13, s23, finite)
// and strengths sg (xt22, xc22, xt33, xc33, x12, x13, x23, not NaN), evaluated as written in the
// number type R: double where no intermediate can leave its range, Wide elsewhere.
template <class R>
void hashin1989_value(double* rmc, const double* st, const double* sg) {
    using std::sqrt;
    auto wquot = [](R n, R d) { return mant(n) == 0.0 ? R{} : n / d; };
    const R w22 = stress<R>(st[0]), w33 = stress<R>(st[1]), w12 = stress<R>(st[2]), w13 = stress<R>(st[3]),
            w23 = stress<R>(st[4]);
    const R yt22 = strength<R>(sg[0]), yc22 = strength<R>(sg[1]), yt33 = strength<R>(sg[2]),
            yc33 = strength<R>(sg[3]);
    const R y12 = strength<R>(sg[4]), y13 = strength<R>(sg[5]), y23 = strength<R>(sg[6]);
    const R i = w22 + w33, a = wquot(w23 * w23 - w22 * w33, y23 * y23);
    const R t = wquot(w12, y12) * wquot(w12, y12) + wquot(w13, y13) * wquot(w13, y13);
    if (!std::isfinite(mant(a)) || !std::isfinite(mant(t))) return void(*rmc = overflow);  // the pole of a zero strength
    auto note = [] { tvk::report(-1, tvk::compose("Note: Negative root during Hashin failure", note_tail)); };
    if (!(mant(i) < 0.0)) {
        const R v = a + i * i / (yt22 * yt33) + t;
        if (mant(v) > 0.0)
            *rmc = value(sqrt(v));
        else
            note();
        return;
    }
    const R four = stress<R>(4.0), one = stress<R>(1.0), two = stress<R>(2.0);
    const R lin = (yc22 * yc33 / (four * (y23 * y23)) - one) * (w22 / yc22 + w33 / yc33);
    const R quad = a + i * i / (four * (y23 * y23)) + t;
    const R disc = four * quad + lin * lin;
    if (mant(disc) < 0.0) {
        note();
        return;
    }
    if (std::isinf(mant(disc)) || std::isinf(mant(quad))) return void(*rmc = overflow);
    // Q >= 0 (it is ((s22 - s33)^2/4 + s23^2)/x23^2 + T), so that where L > 0 the root is
    // (sqrt(D) + L)/2 as well; that form is taken where sqrt(D) - L cancels more than 10 bits
    // (4Q < 2^-9 L^2: an x23 far above the compressive strengths), as under a vast x23, where
    // 4Q is below L^2's last place and the written form read 0 for a failed ply. A Q that is
    // exactly 0 keeps the written reading, 0.
    if (mant(lin) > 0.0 && mant(quad) != 0.0 && four * quad < stress<R>(0x1p-9) * (lin * lin))
        return void(*rmc = value((sqrt(disc) + lin) / two));
    const R den = sqrt(disc) - lin;
    if (mant(den) != 0.0) *rmc = value(two * quad / den);
}

void MCrckHashin1989(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                     const double* s23, const double* xt22, const double* xc22, const double* xt33,
                     const double* xc33, const double* x12, const double* x13, const double* x23) {
    *rmc = 0.0;
    // A strength without a value gives no exposure, also where the numerator of its term is 0; a
    // term whose numerator is 0 is 0 whatever its strength (a shear strength 0 without shear).
    if (std::isnan(*xt22) || std::isnan(*xc22) || std::isnan(*xt33) || std::isnan(*xc33) || std::isnan(*x12) ||
        std::isnan(*x13) || std::isnan(*x23))
        return void(*rmc = std::numeric_limits<double>::quiet_NaN());
    // A stress that is not finite: +inf, the overflow of the terms it enters (NaN for a NaN one).
    if (!PlyStress{*s22, *s33, *s12, *s13, *s23}.finite())
        return void(*rmc = overflow_exposure({*s22, *s33, *s12, *s13, *s23}));
    // The criterion is homogeneous of degree 0 in the stresses and strengths together, but its
    // products of two or more of them (s22 s33, x23^2, xc22 xc33/x23^2, L^2) pass the range of a
    // double where all of them are tiny or vast, and where one strength is vast beside the others
    // (a mode switched off with 1e200 or the largest double): a failed ply read 0 or NaN, an
    // intact one +inf. The formula is evaluated as written in Wide, which rounds as double
    // arithmetic does wherever that stays in range and does not leave its own range. An infinite
    // strength is a power of two beyond every finite double (its terms' limits: an infinite
    // xc22 with s33 = 0 reads the limit, where inf/inf and 0 inf had none).
    const double st[5] = {*s22, *s33, *s12, *s13, *s23};
    const double sg[7] = {*xt22, *xc22, *xt33, *xc33, *x12, *x13, *x23};
    // Every stress 0 or of a magnitude in [2^-60, 2^60] and every strength in it: no intermediate
    // of the formula (at most a product of four quotients) leaves the normal range of a double, and
    // plain double arithmetic, which Wide rounds like there, gives the same bits at a tenth of
    // the cost.
    auto ordinary = [](double v) { return std::abs(v) >= 0x1p-60 && std::abs(v) <= 0x1p60; };
    const bool plain = std::all_of(st, st + 5, [&](double v) { return v == 0.0 || ordinary(v); }) &&
                       std::all_of(sg, sg + 7, ordinary);
    if (plain)
        hashin1989_value<double>(rmc, st, sg);
    else
        hashin1989_value<Wide>(rmc, st, sg);
}

void MCrckHashinComplete(double* rmc, const double* s22, const double* s33, const double* s12, const double* s13,
                         const double* s23, const double* xt22, const double* xc22, const double* x12,
                         const double* x23) {
    const double i = *s22 + *s33, a = (sq(*s23) - *s22 * *s33) / sq(*x23);
    const double t = (sq(*s12) + sq(*s13)) / sq(*x12);
    if (!std::isfinite(i * i) || !std::isfinite(a) || !std::isfinite(t))
        return void(*rmc = overflow_exposure({*s22, *s33, *s12, *s13, *s23}));
    if (i >= 0.0) {
        const double v = i * i / sq(*xt22) + a + t;
        *rmc = v > 0.0 ? std::sqrt(v) : 0.0;
        return;
    }
    const double lin = (sq(*xc22 / (2.0 * *x23)) - 1.0) * i / *xc22;
    *rmc = hashin_root(lin, i * i / (4.0 * sq(*x23)) + a + t);
}

void MCrckHashin3D(double* rmc, const double* s22, const double* s12, const double* s13, const double* s23,
                   const double* xt22, const double* xc22, const double* x12, const double* x23) {
    const double t = (sq(*s12) + sq(*s13)) / sq(*x12) + sq(*s23 / *x23);
    if (*s22 >= 0.0) {
        *rmc = std::sqrt(sq(*s22 / *xt22) + t);
        return;
    }
    const double lin = (sq(*xc22 / (2.0 * *x12)) - 1.0) * *s22 / *xc22;
    *rmc = hashin_root(lin, sq(*s22 / (2.0 * *x23)) + t);
}

void MCrckHashinPS(double* rmc, const double* s22, const double* s12, const double* xt22, const double* xc22,
                   const double* x12, const double* x23) {
    if (*s22 >= 0.0) {
        *rmc = std::sqrt(sq(*s22 / *xt22) + sq(*s12 / *x12));
        return;
    }
    const double lin = (sq(*xc22 / (2.0 * *x23)) - 1.0) * *s22 / *xc22;
    *rmc = hashin_root(lin, sq(*s22 / (2.0 * *x23)) + sq(*s12 / *x12));
}

// Matrix efforts of Bahei-El-Din: 1 the matrix's equivalent stress, 2 interphase shear, 3
// interphase debonding. Stress vectors other than 3, 4 or at least 6 components are refused.
void MCrckBahei(double* rmc, const double* stressvector, const double* xnorm, const double* xshear,
                const int* nstress, const double* interphase, int* failmode) {
    const int n = nstress ? *nstress : 6;
    double s1 = 0, s2 = 0, s3 = 0, t4 = 0, t5 = 0, t6 = 0;
    if (n == 3 || n == 4 || n >= 6) s1 = stressvector[0];
    if (n == 3) {
        s2 = stressvector[1];
        t4 = stressvector[2];
    } else if (n == 4) {
        s2 = stressvector[1];
        s3 = stressvector[2];
        t4 = stressvector[3];
    } else if (n >= 6) {
        s2 = stressvector[1];
        s3 = stressvector[2];
        t4 = stressvector[3];
        t5 = stressvector[4];
        t6 = stressvector[5];
    } else {
        *rmc = 0.0;
        tvk::report(-3, "Unsupported number of stress components in MCrckBahei.", n);
        return;
    }
    double effort[3] = {0.0, 0.0, 0.0};
    const bool with_interphase = interphase && interphase[0] != -1.0 && interphase[1] != -1.0;
    if (!with_interphase) {
        effort[0] = 3.0 * (t4 * t4 + t5 * t5 + t6 * t6) / sq(*xshear) +
                    (s1 * s1 + s2 * s2 + s3 * s3 - s1 * s2 - s2 * s3 - s3 * s1) / sq(*xnorm);
    } else {
        const double tau0 = interphase[0], mu = interphase[1];
        effort[1] = std::abs(mu * std::min(s3, 0.0) + std::sqrt(t5 * t5 + t6 * t6)) / tau0;
        effort[2] = std::max(s3, 0.0) / *xnorm;
    }
    const int decisive = static_cast<int>(std::max_element(effort, effort + 3) - effort);
    *rmc = effort[decisive];
    if (failmode && *failmode < 0 && *rmc >= 1.0) *failmode = decisive + 1;
}
