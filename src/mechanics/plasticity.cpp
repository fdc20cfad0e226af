// Return mapping of the paraboloidal resin plasticity law: elastic predictor, then a corrector
// that projects the trial stress back along Ce dg by repeated linearised steps
// dlambda = f / (df^T Ce dg) (a cutting-plane scheme, Ortiz and Simo, Int. J. Numer. Meth. Eng.
// 23, 1986), and the continuum elastic-plastic tangent
// Ce - (Ce dg)(df^T Ce) / (df^T Ce dg).
#include <cmath>
#include <span>

#include "core/errors.h"
#include "core/linalg.h"
#include "core/trace.h"
#include "elasticlaws.h"
#include "plasticity.h"
#include "stressmeasures.h"

namespace {

using tvk::Trace;
using Vec = double[6];

// Tolerance of the corrector (1e-4 in single precision) and its pass limit.
constexpr double kTol = 9.999999747378752e-5;
constexpr int kMaxPasses = 10;

// The six named components of a stress vector of nstress entries; false for unreadable lengths.
bool components(const double* s, int nstress, double* c) {
    if (nstress == 3) {
        c[0] = s[0]; c[1] = s[1]; c[2] = 0.0; c[3] = s[2]; c[4] = c[5] = 0.0;
    } else if (nstress == 4) {
        c[0] = s[0]; c[1] = s[1]; c[2] = s[2]; c[3] = s[3]; c[4] = c[5] = 0.0;
    } else if (nstress >= 6) {
        for (int k = 0; k < 6; ++k) c[k] = s[k];
    } else {
        return false;
    }
    return true;
}

// Shared gradient part: (2 s11 - s22 - s33 + v, ..., 6 t1, 6 t2, 6 t3).
void gradient(const double* c, double v, double* r) {
    r[0] = 2.0 * c[0] - c[1] - c[2] + v;
    r[1] = 2.0 * c[1] - c[0] - c[2] + v;
    r[2] = 2.0 * c[2] - c[0] - c[1] + v;
    for (int k = 3; k < 6; ++k) r[k] = 6.0 * c[k];
}

void derivative_f(const double* s, double a1, double* r) { gradient(s, -a1 / 3.0, r); }
void derivative_g(const double* s, double alpha, double* r) {
    gradient(s, 0.2222222222222222 * alpha * (s[0] + s[1] + s[2]), r);
}

double yield(const double* s, double a0, double a1) {
    const int six = 6;
    const double q = GetMisesStress(s, &six);
    return q * q - a0 - a1 * GetHydrostaticPressure(s, &six);
}

double dot(const double* a, const double* b) {
    double s = 0.0;
    for (int k = 0; k < 6; ++k) s += a[k] * b[k];
    return s;
}

double norm(const double* a) { return std::sqrt(dot(a, a)); }

// y = A x for a 6 x 6 column-major A.
void apply(const double* a, const double* x, double* y) {
    for (int i = 0; i < 6; ++i) y[i] = 0.0;
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) y[i] += a[i + 6 * j] * x[j];
}

// The tangent the caller gets is taken with respect to the strains it passes, whose shears are
// engineering shears: the columns of a matrix acting on tensor shears are halved.
void engineering_tangent(const double* d, double* ddsdde) {
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) ddsdde[i + 6 * j] = j < 3 ? d[i + 6 * j] : 0.5 * d[i + 6 * j];
}

bool bad_size(const char* routine, double* r, int n1, int n2) {
    tvk::report(-2, std::string("Unsupported dimensions in ") + routine, n1, n2);
    for (int k = 0; k < 6; ++k) r[k] = 0.0;
    return false;
}

}  // namespace

void getderivatef(double* result, const double* stressvector, const int* nstress, const double* /*a0*/,
                  const double* a1) {
    Vec c;
    if (!components(stressvector, *nstress, c)) return (void)bad_size("getderivatef", result, *nstress, 0);
    derivative_f(c, *a1, result);
}

void getderivateg(double* result, const double* stressvector, const int* nstress, const double* alpha) {
    Vec c;
    if (!components(stressvector, *nstress, c)) return (void)bad_size("getderivateg", result, *nstress, 0);
    derivative_g(c, *alpha, result);
}

void getstressfromplastitcity(double* stress, double* neweqplasticstrain, double* ddsdde,
                              const double* stran, const double* dstran, const double* props,
                              const int* np, const int* ntens, const int* ndi, const int* /*nprops*/,
                              const double* /*temp*/) {
    const int n = *ntens, nd = *ndi;
    if (n != 6 || nd < 1 || nd > 3 || *np < 8) {
        tvk::report(-2, "Unsupported dimensions in getstressfromplastitcity", n, *np);
        tvk::elastic::zero(stress, n);
        tvk::elastic::zero_square(ddsdde, n);
        return;
    }
    Trace() << "START PLASTICITY CALCULATION";
    // Tensor strains: engineering shears halved.
    Vec deps;
    double vol = 0.0;
    for (int k = 0; k < 6; ++k) {
        const double f = k >= 3 ? 0.5 : 1.0;
        deps[k] = f * dstran[k];
        if (k < 3) vol += stran[k] + dstran[k];
    }
    const bool tension = vol >= 0.0;
    const double e = tension ? props[0] : props[1], nu = tension ? props[3] : props[4];
    const double g = props[2], a0 = props[5], a1 = props[6], alpha = props[7];
    Trace() << "E" << e;
    Trace() << "G" << g;
    Trace() << "nu" << nu;
    Trace() << "a0" << a0;
    Trace() << "a1" << a1;
    Trace() << "alpha" << alpha;
    Trace() << "S11 Yield" << a1 / 6.0 + std::sqrt((a1 / 6.0) * (a1 / 6.0) + a0);
    Trace() << "Elastic predictor";
    double ce[36] = {};
    const double f = e / ((1.0 - 2.0 * nu) * (1.0 + nu));
    for (int j = 0; j < nd; ++j)
        for (int i = 0; i < nd; ++i) ce[i + 6 * j] = (i == j ? 1.0 - nu : nu) * f;
    for (int k = nd; k < 6; ++k) ce[k + 6 * k] = 2.0 * g;
    Trace() << "Stiffness Matrix";
    Trace() << std::span<const double>(ce, 36);
    Vec trial;
    apply(ce, deps, trial);
    for (int k = 0; k < 6; ++k) trial[k] += stress[k];
    Trace() << "Elastic Stresses" << std::span<const double>(trial, 6);
    const double f0 = yield(trial, a0, a1);
    Trace() << "Fliessen?" << f0;
    if (f0 <= 0.0) {
        for (int k = 0; k < 6; ++k) stress[k] = trial[k];
        engineering_tangent(ce, ddsdde);
    } else {
        Trace() << "Plastic Corrector";
        Vec s, df, dg, d, step;
        for (int k = 0; k < 6; ++k) s[k] = trial[k];
        double dlambda = 0.0, fnew = f0;
        int passes = 0;
        do {
            const double fs = yield(s, a0, a1);
            derivative_f(s, a1, df);
            derivative_g(s, alpha, dg);
            // d = df^T Ce (Ce symmetric) and the step Ce dg.
            apply(ce, df, d);
            apply(ce, dg, step);
            dlambda = fs / dot(d, dg);
            Trace() << "dlambda_np1" << dlambda;
            for (int k = 0; k < 6; ++k) s[k] -= dlambda * step[k];
            fnew = yield(s, a0, a1);
            Trace() << "flow" << fnew;
            ++passes;
        } while (!(std::fabs(fnew) <= kTol || std::isnan(fnew) || passes >= kMaxPasses));
        for (int k = 0; k < 6; ++k) stress[k] = s[k];
        if (std::isnan(fnew))
            tvk::report(-2, "Plastic corrector residual is not a number in getstressfromplastitcity", passes);
        else if (std::fabs(fnew) > kTol)
            tvk::report(-1, "Plastic corrector not converged in getstressfromplastitcity", passes, 0, fnew);
        Vec dsig;
        for (int k = 0; k < 6; ++k) dsig[k] = trial[k] - stress[k];
        Trace() << "Plastic Stress" << std::span<const double>(dsig, 6);
        Trace() << "plastische Iterationen " << passes;
        // Equivalent plastic strain: three estimates in turn, the last one kept (e0 plus the
        // norm of the plastic strain increment Ce^-1 (trial - stress)).
        double cinv[36];
        tvk::la::inverse(ce, cinv, 6);
        const double e0 = *neweqplasticstrain;
        derivative_g(stress, alpha, dg);
        const double ndg = norm(dg);
        double eq = dlambda * ndg + e0;
        Trace() << "plastic strain update" << eq;
        const double nup = (9.0 - 2.0 * alpha) / (18.0 + 2.0 * alpha);
        Vec dp;
        apply(cinv, dsig, dp);  // Ce^-1 is symmetric: the row and the column product agree
        eq = norm(dp) / std::sqrt(nup * nup + 1.0) + e0;
        Trace() << "plastic strain update" << eq;
        eq = (norm(dp) / ndg) * ndg + e0;
        Trace() << "plastic strain update" << eq;
        *neweqplasticstrain = eq;
        // Continuum tangent at the final stress.
        derivative_f(stress, a1, df);
        Vec cdg, cdf;
        apply(ce, dg, cdg);
        apply(ce, df, cdf);
        const double den = dot(df, cdg);
        double dt[36];
        for (int j = 0; j < 6; ++j)
            for (int i = 0; i < 6; ++i) dt[i + 6 * j] = ce[i + 6 * j] - cdg[i] * cdf[j] / den;
        engineering_tangent(dt, ddsdde);
    }
    Trace() << "Stresses" << std::span<const double>(stress, 6);
    Trace() << "newEqPlasticStrain" << *neweqplasticstrain;
    Trace() << "Tangente";
    Trace() << std::span<const double>(ddsdde, 36);
}
