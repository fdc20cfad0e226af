// Equivalent fatigue stress and fatigue life of an isotropic material point.
//
// The equivalent stress is the positive root of the paraboloid that passes through the tensile
// and the compressive strength (k = xc / xt), taken with the sign of the side of Ha's criterion
// the state lies on. The life follows a Woehler curve nf = (f / a)^(1 / b) of the equivalent
// amplitude f of the cycle: a constant-life construction about the critical stress ratio
// R_crit (m_crit = (1 - R_crit) / (1 + R_crit), the amplitude-over-mean ratio of that ray) that
// maps the cycle to a fully reversed one, with the compression line used for cycles whose
// ratio lies beyond the critical ray on the compression side.
#include "fatigue_life.h"

#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/trace.h"
#include "failure/criteria.h"
#include "mechanics/resin.h"
#include "mechanics/stressmeasures.h"

namespace {

constexpr double tension_side = -0.05;  // threshold of Ha's invariant-over-Mises ratio

}  // namespace

void GetEquivalentFatigueStress(const double* stress, const double* xt, const double* xc, const double* np,
                                double* eq_stress) {
    if (!(*xt != 0.0) || !std::isfinite(*xt)) {
        tvk::report(-3, "GetEquivalentFatigueStress: tensile strength must be finite and not 0");
        return;
    }
    double d = 0.0, di1 = 0.0, dmises = 0.0, i1cr = 0.0, misescr = 0.0, flag = 0.0;
    GPHa(stress, xt, xc, np, &d, &di1, &dmises, &i1cr, &misescr, &flag);
    const double k = std::fabs(*xc / *xt);
    const double i1 = stress[0] + stress[1] + stress[2];
    const int six = 6;
    const double svm = GetMisesStress(stress, &six);
    const double root = std::sqrt((k - 1.0) * (k - 1.0) * i1 * i1 + 4.0 * k * svm * svm);
    // A zero or purely hydrostatic state has no Mises part: the ratio is then not a number (or
    // infinite) and the state counts to the compression side, where it gives -(k - 1) I1 / 2.
    if (di1 / dmises >= tension_side)
        *eq_stress = (k - 1.0) / (2.0 * k) * i1 + root / (2.0 * k);
    else
        *eq_stress = -(k - 1.0) * i1 / 2.0 - root / 2.0;
}

void GetFatigueLife(const double* eq_min, const double* eq_max, const double* a_woehler, const double* exp_woehler,
                    const double* /*alpha*/, const double* dn, double* nf, double* life, const int* noel) {
    const auto& table = tvk::materialdata.r_crit;
    if (!table.in_bounds(1)) {
        tvk::report(-3, "GetFatigueLife: no critical stress ratio (materialdata r_crit)");
        return;
    }
    const double r_crit = *table.at(1);
    const double eq_a = (*eq_max - *eq_min) / 2.0, eq_m = (*eq_max + *eq_min) / 2.0;
    const bool ray = 1.0 + r_crit != 0.0;  // R_crit = -1: the critical ray is the amplitude axis
    const double m_crit = ray ? (1.0 - r_crit) / (1.0 + r_crit) : tvk::huge;
    const double rc = std::fabs(r_crit);
    double f;
    if (eq_m != 0.0 && eq_a / eq_m < 0.0 && std::fabs(eq_a / eq_m) < std::fabs(m_crit))
        f = ray ? m_crit * rc * eq_a / (m_crit * (rc + eq_m) - eq_a) : rc * eq_a / (rc + eq_m);
    else
        f = ray ? m_crit * eq_a / (m_crit * (1.0 - eq_m) + eq_a) : eq_a / (1.0 - eq_m);
    const double n = std::pow(f / *a_woehler, 1.0 / *exp_woehler);
    if (tvk::resin::traced(*noel)) {
        tvk::Trace() << "R_crit" << r_crit;
        tvk::Trace() << "eq_min" << *eq_min;
        tvk::Trace() << "eq_max" << *eq_max;
        tvk::Trace() << "eq_m" << eq_m;
        tvk::Trace() << "eq_a" << eq_a;
        tvk::Trace() << "m_crit" << m_crit;
        tvk::Trace() << "f" << f;
        tvk::Trace() << "Nf" << n;
    }
    if (std::isnan(n)) {
        tvk::report(-2, "GetFatigueLife: no cycles to failure for this cycle (mean stress beyond the strength?)");
        return;
    }
    *nf = n;
    // The cycle count enters in single precision: whole counts up to 2^24 pass unchanged.
    const double step = static_cast<double>(static_cast<float>(*dn));
    const double l = *life;
    *life = std::min(1.0, std::max(l, l + step / n));
}
