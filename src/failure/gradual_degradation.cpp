// Fatigue gradual degradation after the normalised fatigue model of M. M. Shokrieh and
// L. B. Lessard (2000, Int. J. Fatigue 22, "Progressive fatigue damage modeling of composite
// materials", parts I and II): a master S-N curve of the normalised stress
// f = sa / ((1 - q)^u (c + q)^v) = a NF^b gives the cycles to failure NF of the stress cycle
// (amplitude sa, mean q, both over strength), and the residual strength and stiffness follow
//   F(n) = (1 - s) (1 - w^beta)^(1/alpha) + s,   E(n) = (1 - s) (1 - w^lambda)^(1/gamma) + s,
// with the stress level s and the cycle fraction w = log(n + 0.25)/log(NF + 0.25), here taken as
// (log10 n + log10 4)/(log10 NF + log10 4) (cycles counted from n = 0.25).
// Law 2 carries the damage through the equivalent cycle count of the current residual strength
// (the inverse of F) and estimates how many further cycles lower the strength by `lim`.
//
// Numerical caveats: the inverse of F needs p = (F - s)/(1 - s) in [0, 1]; a residual strength
// below the stress level (p < 0) is the failed state and s >= 1 has no inverse, both are taken as
// p = 0 (n = NF). Minima and maxima of carried values ignore a NaN candidate, so a stress cycle
// outside the domain of the S-N curve never corrupts the carried state.
#include "gradual_degradation.h"

#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/trace.h"

namespace {

constexpr double tol = 1e-8;            // replacement of an exact zero stress ratio
constexpr double fatlimit = 1e20;       // cycles to failure counted as the fatigue limit
constexpr double log4 = 0.6020599913279624;
constexpr double maxexp = 308.25471555991675;  // log10 of the largest double
constexpr double huge = tvk::huge;

double lowered(double carried, double v) { return std::fmin(v, carried); }

// The residual law (1 - s) (1 - w^beta)^(1/alpha) + s at x cycles; lognf = log10 NF + log10 4.
double residual(double x, double s, double alpha, double beta, double lognf) {
    const double w = (std::log10(x) + log4) / lognf;
    return (1.0 - s) * std::pow(1.0 - std::pow(w, beta), 1.0 / alpha) + s;
}

// Normalised strength p = (strength - s)/(1 - s) of the inverse law, in [0, 1].
double normalised(double strength, double s) {
    if (!(s < 1.0)) return 0.0;
    const double p = (strength - s) / (1.0 - s);
    return p > 0.0 ? (p < 1.0 ? p : 1.0) : 0.0;
}

// log10 of the cycle count at which the residual strength law reaches p (p = 0: log10 NF).
double log_cycles(double p, double alpha, double beta, double lognf) {
    return std::pow(1.0 - std::pow(p, alpha), 1.0 / beta) * lognf - log4;
}

struct Side {
    double* own;
    double* other;
    double s, alpha, beta;              // stress level and exponents of the loaded side
    double s_other, alpha_o, beta_o;    // of the other side
};

}  // namespace

void GradualDegradation(double* speak_t, double* sbottom_t, double* speak_c, double* sbottom_c,
                        const double* xctratio, const double* a, const double* b, const double* u, const double* v,
                        double* nm, const double* n, const double* cjimp, const double* alpha_t,
                        const double* alpha_c, const double* beta_t, const double* beta_c, const double* gamma,
                        const double* lambda, double* de, double* df_t, double* df_c, const double* degr_fac,
                        const int* dmgflag, const int* isshear, const int* noel, double* cjump_nf,
                        const double* lim) {
    const int law = *dmgflag;
    if (law != 1 && law != 2) {
        tvk::report(-2, tvk::compose("Error: Default case in subroutine GradualDegradation",
                                     ". Please check your input parameters."));
        return;
    }
    for (double* r : {speak_t, sbottom_t, speak_c, sbottom_c})
        if (*r == 0.0) *r = tol;

    // Stress cycle, master S-N curve and load class.
    const double smax_t = std::max(*speak_t, *sbottom_t), smin_t = std::min(*speak_t, *sbottom_t);
    const double ratio = smin_t / smax_t;
    const double sa = (smax_t - smin_t) / 2.0, sm = (smax_t + smin_t) / 2.0;
    const double smax_c = std::abs(std::min(*speak_c, *sbottom_c));
    const double c = std::abs(*xctratio);
    double f = sa / (std::pow(1.0 - sm, *u) * std::pow(c + sm, *v));
    const double fcap = *a * std::pow(10.0, *b);
    if (f > fcap) f = fcap;
    const double nf = std::min(std::pow(f / *a, 1.0 / *b), huge);
    const double lognf = std::log10(nf) + log4;
    const bool tension = (ratio >= 0.0 && ratio < 1.0) || (ratio < 0.0 && smax_t >= smax_c);
    const bool compression = ratio > 1.0 || (ratio < 0.0 && smax_t < smax_c);
    const bool shear = *isshear != 0;

    const bool traced = tvk::debugdata.edebug != 0 && *noel == tvk::debugdata.edebug;
    const auto tr = [traced](const char* label, auto value) {
        if (traced) tvk::Trace() << label << value;
    };
    if (traced) tvk::Trace() << "New Implementation for stiffness degradation";
    tr("DmgFlag", law);
    tr("A", *a);
    tr("B", *b);
    tr("u", *u);
    tr("v", *v);
    tr("isShear", shear);
    tr("kappa", ratio);
    tr("sigma_o", smax_t);
    tr("sigma_u", smin_t);
    tr("smax_t", smax_t);
    tr("smax_c", smax_c);
    tr("a", sa);
    tr("q", sm);
    tr("c", c);
    tr("f", f);
    tr("NF", nf);
    tr("Strength ratio Tension/Compression", *xctratio);
    tr("current dF_t", *df_t);
    tr("current dF_c", *df_c);
    tr("Cycle jump", *cjimp);
    tr("real current/last cycle", *n);
    tr("alpha_t (Exp. im Kehrwert)", *alpha_t);
    tr("beta_t (Exp. ohne Kehrwert)", *beta_t);
    tr("alpha_c (Exp. im Kehrwert)", *alpha_c);
    tr("beta_c (Exp. ohne Kehrwert)", *beta_c);
    tr("gamma (Exp. mit Kehrwert)", *gamma);
    tr("lambda (Exp. ohne Kehrwert)", *lambda);
    tr("lim", *lim);

    Side side{};
    if (tension) side = {df_t, df_c, smax_t, *alpha_t, *beta_t, smax_c, *alpha_c, *beta_c};
    else if (compression) side = {df_c, df_t, smax_c, *alpha_c, *beta_c, smax_t, *alpha_t, *beta_t};
    const double fail = *degr_fac;
    double n_eq = 0.0;

    if (law == 1) {
        *nm = std::fmax(*nm + *cjimp / nf, *nm);
        const double x = std::fmax(*nm * nf, 1.0);
        // Constant load (ratio 1) degrades nothing.
        if (tension || compression) {
            if (x >= nf) {
                *side.own = lowered(*side.own, fail);
                if (!shear) *side.other = lowered(*side.other, fail);
                *de = lowered(*de, fail);
            } else {
                *side.own = lowered(*side.own, residual(x, side.s, side.alpha, side.beta, lognf));
                if (!shear) *side.other = lowered(*side.other, *side.own);
                *de = lowered(*de, residual(x, side.s, *gamma, *lambda, lognf));
            }
        }
    } else {
        if (fail >= *de || fail >= *df_t || fail >= *df_c) {
            *nm = 1.0;
            *cjump_nf = huge;
            if (traced) tvk::Trace() << "Already fully damaged, no cyclic degradation";
            return;
        }
        if (nf >= fatlimit) {
            *cjump_nf = nf;
            if (traced) tvk::Trace() << "Fatigue limit exceeded, no cyclic degradation";
            return;
        }
        if (!tension && !compression) {
            // Constant load: no cycle degrades, no jump limit (as law 1 leaves the state).
            *cjump_nf = huge;
            return;
        }
        if (traced) tvk::Trace() << (tension ? "T-T or T-dominated" : "C-C or C-dominated");
        const double done = *n - *cjimp;
        if (done == 0.0) {
            n_eq = 0.0;
        } else if (side.s >= 1.0 || done >= nf) {
            n_eq = nf;
        } else {
            const double p = normalised(*side.own, side.s);
            n_eq = p > 0.0 ? std::min(std::pow(10.0, log_cycles(p, side.alpha, side.beta, lognf)), huge - *cjimp)
                           : nf;
        }
        *nm = std::min((n_eq + *cjimp) / nf, 1.0);
        const double x = std::fmax(*nm * nf, 1.0);
        if (x >= nf) {
            *side.own = lowered(*side.own, fail);
        } else {
            *side.own = lowered(*side.own, residual(x, side.s, side.alpha, side.beta, lognf));
            *side.other = lowered(*side.other, residual(x, side.s_other, side.alpha_o, side.beta_o, lognf));
        }
        const double target = *side.own - *lim;
        const double log_jump =
            std::min(log_cycles(normalised(target, side.s), side.alpha, side.beta, lognf), maxexp);
        if (x >= nf) {
            *de = lowered(*de, fail);
        } else {
            // Stiffness law with the exponents of the tensile strength law: the mean strength.
            const double e = (*lambda == *beta_t && *gamma == *alpha_t) ? (*df_t + *df_c) / 2.0
                                                                       : residual(x, side.s, *gamma, *lambda, lognf);
            *de = lowered(*de, e);
        }
        double jump = std::pow(10.0, log_jump) - n_eq - *cjimp;
        jump = jump > 0.0 ? std::min(jump, huge) : 0.0;
        *cjump_nf = jump == 0.0 ? huge : jump;
        tr("(n_eq+cjimp)", n_eq + *cjimp);
        tr("NM", *nm);
        tr("log_cjump_nf", log_jump);
        tr("cjump_nf", *cjump_nf);
        tr("dF n", *df_t);
        tr("dF n", *df_c);
        tr("dF nach cjump_nf", target);
    }

    if (traced) tvk::Trace() << "Updated results in GradualDegradation";
    tr("n_eq", n_eq);
    tr("(n_eq+cjimp)", n_eq + *cjimp);
    tr("Nf", nf);
    tr("new NM", *nm);
    tr("cjump_nf", *cjump_nf);
    tr("new dE", *de);
    tr("new dF_t", *df_t);
    tr("new dF_c", *df_c);
}
