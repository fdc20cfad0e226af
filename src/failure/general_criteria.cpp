// General failure criteria of a ply (nominal-stress checks, in-plane interaction criteria, the
// quadratic polynomial criteria) and the pressure-dependent yield/damage functions of resins.
//
// Sources: interaction criteria after C. B. Norris (1962, FPL report 1816) and S. Yamada,
// C. T. Sun (1978, J. Compos. Mater. 12, eq. 1); polynomial criteria after S. W. Tsai, E. M. Wu
// (1971, J. Compos. Mater. 5, eq. 2) in the general orthotropic form and in the transversely
// isotropic form used by P. P. Camanho (2002); resin functions after D. C. Drucker, W. Prager
// (1952), J. C. Bauwens (1970, J. Polym. Sci. A-2 8), R. Raghava, R. M. Caddell, G. S. Y. Yeh
// (1973, J. Mater. Sci. 8) and the micromechanics-of-failure resin criterion of S. K. Ha et al.
// (2008, J. Compos. Mater. 42).
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "criteria.h"
#include "mechanics/stressmeasures.h"

namespace tvk::failure {

// The exposure 1/lambda of Q lambda^2 + L lambda = 1. The textbook 2Q/(sqrt(D) - L) is 0/0 for a
// stress state with Q = 0 and L >= 0 (a stress-free ply among them); the rationalised
// (sqrt(D) + L)/2, which equals it wherever both are defined, is taken while L > 0, so the
// exposure is never NaN: 0 for no stress, L when only the linear part acts. With both parts
// negative (an interaction term can make the quadratic part indefinite) both roots lambda are
// negative, and with Q = 0 and L < 0 the only root is: no load factor reaches the surface, as
// with no real root, and the note is recorded.
double polynomial_exposure(double lin, double quad, const char* what) {
    const double disc = lin * lin + 4.0 * quad;
    if (disc < 0.0 || (quad <= 0.0 && lin < 0.0)) {
        tvk::report(-1, tvk::compose(what, "evaluation. Please check your input parameters."));
        return 0.0;
    }
    // A square that overflows: +inf (D = inf made 2Q/(sqrt(D) - L) 0, an intact ply).
    if (std::isinf(disc) || std::isinf(quad)) return std::numeric_limits<double>::infinity();
    const double root = std::sqrt(disc);
    if (lin > 0.0) return (root + lin) / 2.0;
    const double den = root - lin;
    return den == 0.0 ? 0.0 : 2.0 * quad / den;
}

}  // namespace tvk::failure

namespace {

// Strength by the sign of the stress it divides: tensile for s >= 0.
double by_sign(double s, double xt, double xc) { return s >= 0.0 ? xt : xc; }

double sq(double v) { return v * v; }

constexpr char polynomial_note[] = "Note: Negative root during polynomial failure";

}  // namespace

void GPMaxNominal(double* rgp, const double* s11, const double* xt11, const double* xc11) {
    *rgp = std::abs(*s11 / (*s11 > 0.0 ? *xt11 : *xc11));
}

void GPQuadNominal(double* rgp, const double* s11, const double* s12, const double* s13, const double* xt11,
                   const double* x12, const double* x13) {
    *rgp = std::sqrt(sq(*s11 / *xt11) + sq(*s12 / *x12) + sq(*s13 / *x13));
}

void GPLinInteraction(double* rgp, const double* s11, const double* s22, const double* s12, const double* xt11,
                      const double* xc11, const double* xt22, const double* xc22, const double* x12) {
    *rgp = std::abs(*s11 / by_sign(*s11, *xt11, *xc11) + *s22 / by_sign(*s22, *xt22, *xc22) + *s12 / *x12);
}

void GPQuadInteraction(double* rgp, const double* s11, const double* s22, const double* s12, const double* xt11,
                       const double* xc11, const double* xt22, const double* xc22, const double* x12) {
    *rgp = std::sqrt(sq(*s11 / by_sign(*s11, *xt11, *xc11)) + sq(*s22 / by_sign(*s22, *xt22, *xc22)) +
                     sq(*s12 / *x12));
}

void GPNorrisInteraction(double* rgp, const double* s11, const double* s22, const double* s12,
                         const double* xt11, const double* xc11, const double* xt22, const double* xc22,
                         const double* x12) {
    const double a = *s11 / by_sign(*s11, *xt11, *xc11), b = *s22 / by_sign(*s22, *xt22, *xc22);
    *rgp = std::sqrt(a * a - a * b + b * b + sq(*s12 / *x12));
}

void GPYamadaSunInteraction(double* rgp, const double* s11, const double* s12, const double* s13,
                            const double* xt11, const double* xc11, const double* x12, const double* x13) {
    *rgp = std::sqrt(sq(*s11 / by_sign(*s11, *xt11, *xc11)) + sq(*s12 / *x12) + sq(*s13 / *x13));
}

// Transversely isotropic Tsai-Wu form: the 33 terms take the 22 coefficients. ptype 0: the
// interactive linear and quadratic terms; 1: quadratic tensile terms only; 2: as 1 without the
// 33 and out-of-plane shear terms; other values: as 2 with the out-of-plane shear terms.
void GPPolyCamanho(double* rgp, const double* s11, const double* s22, const double* s33, const double* s12,
                   const double* s13, const double* s23, const double* xt11, const double* xc11,
                   const double* xt22, const double* xc22, const double* x12, const double* x13,
                   const double* x23, const double* xint, const int* ptype) {
    const int type = ptype ? *ptype : 0;
    double f1 = 0.0, f2 = 0.0, f11, f22, f33;
    if (type == 0) {
        f1 = 1.0 / *xt11 - 1.0 / *xc11;
        f2 = 1.0 / *xt22 - 1.0 / *xc22;
        f11 = 1.0 / (*xt11 * *xc11);
        f22 = f33 = 1.0 / (*xt22 * *xc22);
    } else {
        f11 = 1.0 / sq(*xt11);
        f22 = 1.0 / sq(*xt22);
        f33 = type == 1 ? f22 : 0.0;
    }
    const double c12 = (xint && std::abs(*xint) <= 1.0) ? 2.0 * *xint * std::sqrt(f11 * f22) : 0.0;
    const double f23 = f22 - 1.0 / (2.0 * sq(*x23));
    double f44 = 2.0 * (f22 - f23), f55 = 1.0 / sq(*x13);
    if (type == 2) f44 = f55 = 0.0;
    const double f66 = 1.0 / sq(*x12);
    const double lin = f1 * *s11 + f2 * (*s22 + *s33);
    const double quad = f11 * sq(*s11) + f22 * sq(*s22) + f33 * sq(*s33) + c12 * *s11 * (*s22 + *s33) +
                        2.0 * f23 * *s22 * *s33 + f44 * sq(*s23) + f55 * sq(*s13) + f66 * sq(*s12);
    *rgp = tvk::failure::polynomial_exposure(lin, quad, polynomial_note);
}

// General orthotropic Tsai-Wu form. ptype 1 drops the linear terms and takes the quadratic ones
// from the strength of each stress's sign; the interaction coefficients follow the ptype.
void GPPolynomial(double* rgp, const double* s11, const double* s22, const double* s33, const double* s12,
                  const double* s13, const double* s23, const double* xt11, const double* xc11,
                  const double* xt22, const double* xc22, const double* xt33, const double* xc33,
                  const double* x12, const double* x13, const double* x23, const double* xint,
                  const int* ptype) {
    const bool has_type = ptype != nullptr;
    const int type = has_type ? *ptype : 0;
    double f1 = 1.0 / *xt11 - 1.0 / *xc11, f2 = 1.0 / *xt22 - 1.0 / *xc22, f3 = 1.0 / *xt33 - 1.0 / *xc33;
    double f11, f22, f33;
    if (type == 1) {
        f1 = f2 = f3 = 0.0;
        f11 = 1.0 / sq(by_sign(*s11, *xt11, *xc11));
        f22 = 1.0 / sq(by_sign(*s22, *xt22, *xc22));
        f33 = 1.0 / sq(by_sign(*s33, *xt33, *xc33));
    } else {
        f11 = 1.0 / (*xt11 * *xc11);
        f22 = 1.0 / (*xt22 * *xc22);
        f33 = 1.0 / (*xt33 * *xc33);
    }
    double c12 = 0.0, c13 = 0.0, c23 = 0.0;
    if (xint) {
        const double x = *xint;
        if (type == 0) {
            c12 = 2.0 * x * std::sqrt(f11 * f22);
            c13 = 2.0 * x * std::sqrt(f11 * f33);
            c23 = 2.0 * x * std::sqrt(f22 * f33);
        } else if (type == 1 || type == 2) {
            c12 = 2.0 * x * (f11 + f22 - f33);
            c13 = 2.0 * x * (f11 + f33 - f22);
            c23 = 2.0 * x * (f22 + f33 - f11);
        }
    }
    const double lin = f1 * *s11 + f2 * *s22 + f3 * *s33;
    const double quad = f11 * sq(*s11) + f22 * sq(*s22) + f33 * sq(*s33) + c12 * *s11 * *s22 +
                        c13 * *s11 * *s33 + c23 * *s22 * *s33 + sq(*s23 / *x23) + sq(*s13 / *x13) +
                        sq(*s12 / *x12);
    *rgp = tvk::failure::polynomial_exposure(lin, quad, polynomial_note);
}

namespace {
double first_invariant(const double* s) { return s[0] + s[1] + s[2]; }
double mises(const double* s) {
    static constexpr int six = 6;
    return GetMisesStress(s, &six);
}
}  // namespace

// g = the Drucker-Prager function matched to the uniaxial strengths: positive inside the
// surface, zero on it. d becomes 1 wherever g <= 1, that is on and beyond the surface (states
// beyond it are failed as well); elsewhere it keeps the larger of its value and 0.
void GPDruckerPrager(const double* stress, const double* xt, const double* xc, double* d, double* di1) {
    const double t = *xt, c = *xc;
    const double sv = mises(stress);
    const double g = (c * t / (t + c)) * 1.1547005383792517 +
                     ((t - c) / (t + c)) * 0.5773502691896258 * first_invariant(stress) - std::sqrt(sv * sv / 3.0);
    *di1 = g;
    *d = g <= 1.0 ? 1.0 : std::max(*d, 0.0);
}

void GPBauwens(const double* stress, const double* xt, const double* xc, double* d) {
    const double f = 0.5 * (1.0 / *xt + 1.0 / *xc) * mises(stress) +
                     0.5 * (1.0 / *xt - 1.0 / *xc) * first_invariant(stress);
    *d = std::min(std::max(f, *d), 1.0);
}

void GPRaghava(const double* stress, const double* xt, const double* xc, double* d) {
    const double sv = mises(stress);
    const double f = (1.0 / *xt - 1.0 / *xc) * first_invariant(stress) + sv * sv / (*xt * *xc);
    *d = std::min(std::max({f, *d, 0.0}), 1.0);
}

// Ha's criterion: the von Mises part (sv/misescr)^np plus the hydrostatic part I1/i1cr, with
// the critical values chosen so that uniaxial tension fails at xt and compression at xc.
// life is written only on failure.
void GPHa(const double* stress, const double* xt, const double* xc, const double* np, double* d, double* di1,
          double* dmises, double* i1cr, double* misescr, double* life) {
    const double k = *xc / *xt, m = *np, p = std::pow(k, m);
    *misescr = *xt * std::pow((p + k) / (k + 1.0), 1.0 / m);
    *i1cr = *xt * (p + k) / (p - 1.0);
    *dmises = std::pow(mises(stress) / *misescr, m);
    *di1 = first_invariant(stress) / *i1cr;
    *d = std::min(*dmises + *di1, 1.0);
    if (*d >= 1.0) *life = 1.0;
}
