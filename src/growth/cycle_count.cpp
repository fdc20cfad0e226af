// Cycle counting of a fatigue step: each computed load cycle stands for a block of cycles, whose
// size (the cycle jump) one of five algorithms decides; and the allowable jump of one stress
// component from the residual strength and residual stiffness laws of Shokrieh and Lessard
// (Int. J. Fatigue 22, 2000), which bounds the jump before either has fallen by a tolerance.
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/trace.h"
#include "growth/shokrieh.h"

namespace {

constexpr double huge = tvk::huge;
constexpr double cycle_cap = 1e8;
constexpr double zero_bottom = 1e-8;
constexpr double log4 = 0.6020599913279624;
constexpr double count_limit = tvk::fatigue::count_limit;

// Fortran nint (halves away from zero) kept in floating point, so that no value overflows an
// integer.
double nint(double x) { return std::round(x); }

// The jump of algorithm 3: tabulated cycle number of the load cycle running at `time`.
bool tabulated_jump(double& njimp, double n, double time, double period, int ncycles, int istep, int nstep) {
    const auto& cyc = tvk::shokriehdata.cycles;
    const int rows = cyc.extent(1);
    if (!cyc.in_bounds(1, istep)) {
        tvk::report(-3, "CycleCount: no cycle table column for this step", istep);
        return false;
    }
    // The rounded time passes through single precision, as the tabulated plan was written for.
    const double q = std::floor(static_cast<double>(static_cast<float>(nint(time))) / period) + 1.0;
    if (!(std::abs(q) < 2.0e9)) {
        tvk::report(-3, "CycleCount: cycle index out of range (time or period)", istep);
        return false;
    }
    const int icycle = static_cast<int>(q);
    const auto clamped = [rows](int i) { return std::clamp(i, 1, rows); };
    if (ncycles >= icycle) {
        njimp = *cyc.at(clamped(icycle), istep) - n;
    } else if (nstep > istep) {
        if (!cyc.in_bounds(1, istep + 1)) {
            tvk::report(-3, "CycleCount: no cycle table column for the next step", istep + 1);
            return false;
        }
        njimp = *cyc.at(1, istep + 1) - n;
    } else {
        njimp = *cyc.at(clamped(icycle - 1), istep) - n;
    }
    return true;
}

// n + njimp lies within [-2^53, 2^53], decided on the exact sum: a rounded sum of 2^53 + 1 is
// 2^53, which would pass a jump that the counter then loses.
bool within_count(double n, double njimp) {
    const double s = n + njimp;
    if (!(std::abs(s) <= count_limit)) return false;  // NaN, infinite, or beyond already rounded
    if (std::abs(s) < count_limit) return true;
    // |s| = 2^53: the rounding error of the sum (exact, Knuth's two-sum) tells on which side of
    // it the exact sum lies.
    const double bb = s - n;
    const double e = (n - (s - bb)) + (njimp - bb);
    return s > 0.0 ? e <= 0.0 : e >= 0.0;
}

}  // namespace

void CycleCount(double* njimp, double* n, const double* maxcycle, const double* time, const double* time_calc,
                const double* time_period, const double* njimp_min, const double* /*njimp_max*/,
                const double* njimp_zul, const int* ncycles, const int* /*nmaxcycles*/, const int* istep,
                const int* nstep, const int* jumpalgo, const int* stepflag) {
    const bool traced = tvk::debugdata.edebug == 1;
    const auto tr = [traced](const char* label, auto value) {
        if (traced) tvk::Trace() << label << value;
    };
    const auto& cyc = tvk::shokriehdata.cycles;
    tr("StepFlag", *stepflag);
    tr("Allocated cycles?", cyc.present());
    tr("jumpAlgo", *jumpalgo);
    if (*stepflag != 1) {
        *n = 1.0;
        *njimp = 1.0;
        return;
    }
    bool backwards = false;      // algorithms 4 and 5: a move the counter must not take
    bool solver_count = true;    // algorithm 5: the solver's number is a count
    switch (*jumpalgo) {
        case 1: *njimp = *njimp_min; break;
        case 2: {
            if (!(*time_calc > *time_period) || !(*maxcycle > 1.0)) {
                tvk::report(-3, "CycleCount: logarithmic ramp needs time_calc > time_period and maxcycle > 1",
                            *jumpalgo);
                *njimp = 1.0;
                break;
            }
            const double k = std::log(*maxcycle) / (*time_calc - *time_period);
            const double n1 = nint(std::exp(k * *time)), n0 = nint(std::exp(k * (*time - *time_period)));
            *njimp = std::fmax(1.0, n1 - n0);
            break;
        }
        case 3:
            if (!tabulated_jump(*njimp, *n, *time, *time_period, *ncycles, *istep, *nstep)) *njimp = 0.0;
            break;
        case 4: {
            tr("njimp_zul", *njimp_zul);
            *njimp = *njimp_zul == huge ? 0.0 : std::trunc(*njimp_zul) + 1.0;
            // A negative permitted jump is no jump: refused before the cuts could make it look like
            // one.
            backwards = *njimp < 0.0;
            if (cyc.present()) {
                double next = huge;
                const double* d = cyc.data();
                for (std::int64_t k = 0, sz = cyc.size(); k < sz; ++k)
                    if (d[k] > *n && d[k] < next) next = d[k];
                tr("n_individual", next);
                tr("n_individual-n", next - *n);
                if (*n + *njimp > next) *njimp = next - *n;
            }
            if (*n + *njimp >= *maxcycle) {
                // The cut to the cycle limit, back too when the counter has passed it; a negative
                // limit is no count to cut to.
                *njimp = *maxcycle - *n;
                backwards = backwards || *maxcycle < 0.0;
            }
            tr("njimp", *njimp);
            tr("n+njimp", *n + *njimp);
            break;
        }
        case 5: {
            tr("allocated Cycles", cyc.present());
            if (!cyc.in_bounds(1, *istep)) {
                tvk::report(-3, "CycleCount: no cycle number of the solver for this step", *istep);
                *njimp = 0.0;
                break;
            }
            const double nnew = *cyc.at(1, *istep);
            tr("nNew in CycleCount", nnew);
            *njimp = nnew == *n ? 0.0 : nnew - *n;
            // The counter follows the solver down to any count, but not below 0.
            backwards = nnew < 0.0;
            solver_count = std::abs(nnew) <= count_limit;
            break;
        }
        default: tvk::report(-2, "Unknown cycle jump flag in CycleCount", *jumpalgo); break;
    }
    if (*jumpalgo == 5 && !backwards) {
        // The counter moves to the solver's number, lower ones included: the direct cyclic
        // analysis compares it with the stored one and keeps the block when it is not a count.
        if (!solver_count)
            tvk::report(-2, "CycleCount: cycle number of the solver not usable (NaN or beyond 2^53)", *istep, 0,
                        *njimp, *n);
    } else if (backwards || std::isnan(*njimp) || !within_count(*n, *njimp) || (*njimp < 0.0 && *jumpalgo != 4)) {
        // A jump the counter cannot take: not a number, past 2^53 (where the counter no longer
        // tells one cycle from the next), or backwards. Algorithm 4 may step back to a cycle limit
        // of at least 0 that the counter has passed; its callers judge that themselves.
        tvk::report(-2, "CycleCount: cycle jump refused (NaN, negative or beyond 2^53 cycles)", *jumpalgo, 0, *njimp,
                    *n);
        *njimp = 0.0;
    }
    tr("cycle jump for this block is ", *njimp);
    *n += *njimp;
    tr("new cycle number", *n);
}

void AllowableCycleJump(const double* speak, double* sbottom, const double* ft, const double* fc, const double* f0,
                        const double* e0, const double* eps_f, const double* a, const double* b, const double* u,
                        const double* v, const double* nm, double* cjimp, const double* alpha, const double* beta,
                        const double* gamma, const double* lambda, const double* x_n, const double* e_n,
                        const double* /*de*/, const double* df, const double* degr_fac,
                        const double* njimp_dtol) {
    if (*df == *degr_fac) {
        *cjimp = cycle_cap;
        return;
    }
    if (*sbottom == 0.0) *sbottom = zero_bottom;
    // The stress cycle and its reference stress (the larger magnitude of its extremes).
    const double smax = std::max(*speak, *sbottom);
    const double r = std::min(*speak, *sbottom) / smax;
    const double sa = (1.0 - r) * smax / 2.0, sm = (1.0 + r) * smax / 2.0;
    const double so = std::max(std::abs(sa + sm), std::abs(sm - sa));
    double lognf = 8.0;
    if (!(*speak < 1.0)) {
        const double q = sm / *ft, c = std::abs(*fc) / *ft;
        // The normalised stress is capped at the one-cycle level a 10^b of the master curve, as the
        // gradual degradation caps it: the cycles to failure are then at least 10^(1) for b < 0.
        const double w = std::min(*a * std::pow(10.0, *b), (sa / *ft) / (std::pow(1.0 - q, *u) * std::pow(c + q, *v)));
        lognf = std::log10(w / *a) / *b;
    }
    const double nf = std::pow(10.0, lognf);
    const double dx = *njimp_dtol * *x_n, dE = *njimp_dtol * *e_n;
    const double ns =
        std::pow(10.0, std::pow(1.0 - std::pow((dx - so) / (*f0 - so), *alpha), 1.0 / *beta) * (lognf + log4) - log4);
    const double se = so / *eps_f;
    const double ne = std::pow(
        10.0, std::pow(1.0 - std::pow((dE - se) / (*e0 - se), *gamma), 1.0 / *lambda) * (lognf + log4) - log4);
    *cjimp = std::min(ns, ne) - std::max(1.0, *nm * std::min(nf, huge));
}
