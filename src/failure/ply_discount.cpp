// Ply discount after the sudden-degradation scheme of progressive failure analysis (the ply
// discount of S. W. Tsai, Composites Design, 1987, with separate fibre and matrix residual
// factors), and the viscous regularisation of damage after G. Duvaut and J.-L. Lions (1976), in
// the form used for composite damage by C. G. Davila, P. P. Camanho and others.
#include "ply_discount.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "core/trace.h"

namespace {

// The carried value lowered to v; a NaN v leaves it as it is.
double lowered(double carried, double v) { return std::fmin(v, carried); }

// A NaN eta or dt gives NaN, as the formula does: there is no regularised value then.
double regularised(double dold, double dnew, double eta, double dt) {
    const double s = eta + dt;
    if (std::isnan(s)) return s;
    if (!(s > 0.0)) return dnew;
    return (dt * dnew + eta * dold) / s;
}

struct Failures {
    bool fibre, matrix;
};

// Which failures apply: exposures against ttol(1), per-component values against ttol(2).
Failures failures(double g_f, double g_m, const double* ttol, const double* nm) {
    double rlt[6] = {0, 0, 0, 0, 0, 0};
    if (nm) {
        bool given = false;
        for (int k = 0; k < 6; ++k) given = given || nm[k] != -1.0;
        if (given)
            for (int k = 0; k < 6; ++k) rlt[k] = nm[k];
    }
    Failures f{g_f >= ttol[0] || rlt[0] > ttol[1], g_m >= ttol[0]};
    for (int k = 1; k < 6; ++k) f.matrix = f.matrix || rlt[k] > ttol[1];
    return f;
}

// Lowers elastic entries [e0, 6) and strengths [s0, 9) to fac times intact.
void discount(double* degpe, double* degps, const double* pe, const double* ps, double fac, int e0, int s0) {
    for (int k = e0; k < 6; ++k) degpe[k] = lowered(degpe[k], pe[k] * fac);
    for (int k = s0; k < 9; ++k)
        degps[k] = std::copysign(lowered(std::abs(degps[k]), std::abs(ps[k] * fac)), ps[k]);
}

// The entries a failure lowers, without a value: fibre failure every elastic entry and strength,
// matrix failure E2 to nu23, G23 (which follows E2) and strengths 3 to 9.
void without_value(double* degpe, double* degps, double* g_f, double* g_m, Failures fail) {
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    if (fail.fibre) {
        *g_f = 1.0;
        std::fill(degpe, degpe + 9, none);
        std::fill(degps, degps + 9, none);
    }
    if (fail.matrix) {
        *g_m = 1.0;
        std::fill(degpe + 1, degpe + 6, none);
        degpe[8] = none;
        std::fill(degps + 2, degps + 9, none);
    }
}

void sudden(double* degpe, double* degps, const double* pe, const double* ps, double* de, double* df,
            double* g_f, double* g_m, Failures fail, double fibre_fac, double matrix_fac) {
    if (fail.fibre) {
        *g_f = 1.0;
        discount(degpe, degps, pe, ps, fibre_fac, 0, 0);
    }
    if (fail.matrix) {
        *g_m = 1.0;
        discount(degpe, degps, pe, ps, matrix_fac, 1, 2);
    }
    // A zero intact value marks a value not given: its ratio stays as it is.
    for (int k = 0; k < 6; ++k)
        if (pe[k] != 0.0) de[k] = lowered(de[k], degpe[k] / pe[k]);
    for (int k = 0; k < 9; ++k)
        if (ps[k] != 0.0) df[k] = lowered(df[k], degps[k] / ps[k]);
    degpe[6] = lowered(degpe[6], de[0] * pe[6]);
    degpe[7] = lowered(degpe[7], de[0] * pe[7]);
    degpe[8] = lowered(degpe[8], de[1] * pe[8]);
}

void isotropic(const double* pe, double d, double life, double degr_modulus, double degr, double* degpe) {
    // The failed state is reached once; a life fraction beyond 1 (or a negative one) must not
    // scale the discount further.
    const double k = std::fmax(d, life) >= 1.0 ? 1.0 : 0.0;
    degpe[0] = (1.0 - (1.0 - degr_modulus) * k) * pe[0];
    degpe[1] = degr < 1.0 ? (1.0 - k) * pe[1] : pe[1];
}

}  // namespace

void SuddenDegradation(double* degpeprops, double* degpsprops, const double* peprops, const double* psprops,
                       double* de, double* df, double* g_f, double* g_m, const double* ttol,
                       const double* degrfac, const double* nm) {
    sudden(degpeprops, degpsprops, peprops, psprops, de, df, g_f, g_m, failures(*g_f, *g_m, ttol, nm),
           *degrfac, *degrfac);
}

void SuddenDegradation_viscouse(double* degpeprops, double* degpsprops, const double* peprops,
                                const double* psprops, double* de, double* df, double* g_f, double* g_m,
                                const double* ttol, const double* degrfac, const double* nm,
                                double* degr_old, const double* eta, const double* dt) {
    // A viscosity or time increment without a value (NaN) gives no regularised factor: what a
    // failure applied in this call lowers has no value and degr_old stays as it came; the rest is
    // carried as for an intact ply, so no NaN reaches de or df, which outlive the call.
    if (std::isnan(*eta + *dt)) [[unlikely]] {
        constexpr double none = std::numeric_limits<double>::quiet_NaN();
        tvk::Trace() << "Get regularised degradation factor";
        tvk::Trace() << "Viskose degradation for FF" << none;
        tvk::Trace() << "Viskose degradation for IFF" << none;
        const Failures fail = failures(*g_f, *g_m, ttol, nm);
        sudden(degpeprops, degpsprops, peprops, psprops, de, df, g_f, g_m, {false, false}, 1.0, 1.0);
        without_value(degpeprops, degpsprops, g_f, g_m, fail);
        return;
    }
    const double dnew = 1.0 - *degrfac;
    const double ff = lowered(*degr_old, 1.0 - regularised(1.0 - *degr_old, dnew, *eta, *dt));
    *degr_old = ff;
    double lowest = de[1];
    for (int k = 2; k < 6; ++k) lowest = std::fmin(lowest, de[k]);
    const double iff = 1.0 - regularised(1.0 - lowest, dnew, *eta, *dt);
    const Failures fail = failures(*g_f, *g_m, ttol, nm);
    if (fail.matrix)
        for (int k = 1; k < 6; ++k) de[k] = lowered(de[k], iff);
    tvk::Trace() << "Get regularised degradation factor";
    tvk::Trace() << "Viskose degradation for FF" << ff;
    tvk::Trace() << "Viskose degradation for IFF" << iff;
    sudden(degpeprops, degpsprops, peprops, psprops, de, df, g_f, g_m, fail, ff, iff);
}

void viscouseregularisation(const double* dold, const double* dnew, double* dviscouse, const double* eta,
                            const double* dt) {
    *dviscouse = regularised(*dold, *dnew, *eta, *dt);
}

void IsotropicDegradation(const double* peprops, const double* d, const double* life, const double* degr,
                          double* degpeprops) {
    isotropic(peprops, *d, *life, *degr, *degr, degpeprops);
}

void IsotropicDegradation_viscouse(const double* peprops, const double* d, const double* life,
                                   const double* degr, double* degpeprops, double* degr_old, const double* eta,
                                   const double* dt) {
    // A viscosity or time increment without a value (NaN) gives no regularised factor: a failed
    // point's modulus has no value then, and the carried factor stays as it came. (The guard of
    // regularised, eta + dt not positive, would otherwise serve the unregularised factor.)
    if (std::isnan(*eta + *dt)) {
        isotropic(peprops, *d, *life, 1.0, *degr, degpeprops);
        if (std::fmax(*d, *life) >= 1.0) degpeprops[0] = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const double v = lowered(*degr_old, 1.0 - regularised(1.0 - *degr_old, 1.0 - *degr, *eta, *dt));
    *degr_old = v;
    isotropic(peprops, *d, *life, v, *degr, degpeprops);
}

double getaccumulateddamage(const double* degr, const double* nodmg, const int* ndegr, const int* nply) {
    const int nd = *ndegr, np = *nply;
    if (nd < 1 || np < 1) {
        tvk::report(-3, "Empty residual-factor array in getaccumulateddamage", nd, np);
        return 0.0;
    }
    const bool complement = *nodmg <= 1e-20;
    const double scale = 1.0 / (-20.0 * nd);
    double total = 0.0;
    for (int j = 0; j < np; ++j) {
        const double* col = degr + static_cast<long>(j) * nd;
        double s = 0.0;
        for (int i = 0; i < nd; ++i) {
            const double r = complement ? 1.0 - col[i] : col[i] / *nodmg;
            s += std::log10(std::fmax(1e-20, r));
        }
        total += s * scale;
    }
    return total / np;
}
