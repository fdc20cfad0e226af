// Material point of the progressive fatigue damage model of Shokrieh and Lessard (Int. J.
// Fatigue 22, 2000) for a unidirectional ply in the three-dimensional state.
//
// Every increment: secant stress from the current (degraded) properties, maximum-stress fibre
// and Puck inter-fibre failure indices, sudden degradation on static failure. In a fatigue step
// the point also follows the load cycle (extreme stress-to-strength ratios and temperatures) and
// at each cycle end degrades strength and stiffness gradually for the cycles the jump skips,
// then decides the next jump. A load cycle ends when the step time at the end of the increment
// is a whole multiple of the period, in thousandths of the time unit, and at least half a period
// has passed.
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/trace.h"
#include "failure/criteria.h"
#include "failure/gradual_degradation.h"
#include "failure/matrix_criteria.h"
#include "failure/ply_discount.h"
#include "growth/shokrieh.h"
#include "mechanics/lamina.h"
#include "mechanics/stressmeasures.h"

namespace {

namespace slot = tvk::fatigue::slot;
namespace plan = tvk::fatigue::plan;
constexpr double huge = tvk::huge;
constexpr int ns = tvk::fatigue::nstate;

constexpr double njimp_dtol = 0.9;                // retained fraction of the allowable jump
constexpr double ttol[2] = {1.0, 1.0};            // sudden-degradation thresholds
constexpr int damage_law = 2;                     // equivalent-cycle law of the gradual degradation
constexpr double angle_step = 1.0;                // fracture-plane search increment, degrees
constexpr int modulus_law[6] = {0, 0, 0, 1, 1, 0};  // G12 and G13 follow the Kaestner shear law
constexpr double time_resolution = 1000.0;        // cycle ends are tested in 1/1000 time units

// Tension and compression strength of each component in the strength vector.
constexpr int tension_of[6] = {0, 2, 4, 6, 7, 8};
constexpr int compression_of[6] = {1, 3, 5, 6, 7, 8};

struct Props {
    double e[9], xf[9], epsf[9], at[6], ac[6], bt[6], bc[6], lam[6], gam[6], a[6], b[6], u[6], v[6];
    double eta, degr;
};

bool properties(Props& p, const double* props, int nprops, double temp) {
    return tvk::fatigue::properties(props, nprops, temp, p.e, p.xf, p.epsf, p.at, p.ac, p.bt, p.bc, p.lam, p.gam, p.a,
                                    p.b, p.u, p.v, &p.eta, &p.degr);
}

// The step's cycle plan; a missing plan (no table, no column of this step) is not a fatigue step.
struct Plan {
    bool fatigue = false;
    int algorithm = 0, ncycles = 0, nmaxcycles = 0;
    double period = 0, calc_time = 0, jump_min = 0, jump_max = 0, limit = 0, tolerance = 0.1;
};

int rounded(double x) { return std::abs(x) < 2.0e9 ? static_cast<int>(std::lround(x)) : 0; }

Plan read_plan(int step) {
    const auto& t = tvk::shokriehdata.cycleprops;
    const auto row = [&](int r) { return t.get(0.0, r, step); };
    Plan p;
    p.fatigue = row(plan::cyclic) == 1.0;
    p.algorithm = rounded(row(plan::algorithm));
    p.period = row(plan::period);
    p.calc_time = row(plan::calc_time);
    p.ncycles = rounded(p.calc_time / p.period);
    p.nmaxcycles = rounded(row(plan::max_count));
    p.jump_min = row(plan::jump_min);
    p.jump_max = row(plan::jump_max);
    p.limit = row(plan::limit);
    if (p.algorithm == 4 && t.extent(1) == plan::tolerance) p.tolerance = row(plan::tolerance);
    return p;
}

// Secant stiffness from six moduli and three Poisson ratios: each modulus through its nonlinear
// law (only while its stiffness factor is above the residual factor), then the orthotropic
// stiffness of the Nye property vector (plane-stress entries for iszflag 0).
void secant_stiffness(double* c, const double* moduli, const double* nu, const double* factors, const Props& p,
                      const double* stress0, const double* stran, const double* dstran, int iszflag) {
    const double eta_n = (p.degr < 1.0 && factors[3] <= p.degr) ? 0.0 : p.eta;
    double nye[9];
    static constexpr int at[6] = {0, 1, 2, 6, 7, 8};
    for (int i = 0; i < 6; ++i) {
        const int law = factors[i] > p.degr ? modulus_law[i] : modulus_law[0];
        nye[at[i]] = GetMatParamByCurveFitting(&moduli[i], &eta_n, &stress0[i], &stran[i], &dstran[i], &law);
    }
    nye[3] = nu[0];
    nye[4] = nu[1];
    nye[5] = nu[2];
    tvk::lamina::stiffness(c, nye, 6, iszflag == 0);
}

// Current moduli, Poisson ratios and strengths: the static values times their factors.
struct Current {
    double e[9], xf[9];
    void form(const Props& p, const double* stiff, const double* strength) {
        for (int k = 0; k < 6; ++k) e[k] = p.e[k] * stiff[k];
        e[6] = p.e[6] * stiff[0];
        e[7] = p.e[7] * stiff[0];
        e[8] = p.e[8] * stiff[1];
        for (int k = 0; k < 9; ++k) xf[k] = p.xf[k] * strength[k];
    }
};

// The cycle-end test in thousandths of the time unit; p is nint(1000 period) > 0.
bool whole_multiple(double t, double p) {
    const double m = std::round(time_resolution * t);
    return std::abs(m) < 9.0e15 && std::fmod(m, p) == 0.0;
}

// A jump that the plan, the cycle table or the permitted jump make unusable (not a number,
// negative, or beyond the counter's resolution) is refused: the counter stays, the jump is 0.
void refuse_jump(double& njimp, double& n, double n0, int step) {
    tvk::report(-2, "GetShokrieh: cycle jump refused (NaN, negative or beyond 2^53 cycles)", step, 0, njimp, n0);
    n = n0;
    njimp = 0.0;
}

void cycle_count(double& njimp, double& n, const Plan& pl, double time, double zul, int step, int algorithm) {
    const int nstep = tvk::jobdata.nsteps, stepflag = 1;
    const double n0 = n;
    CycleCount(&njimp, &n, &pl.limit, &time, &pl.calc_time, &pl.period, &pl.jump_min, &pl.jump_max, &zul,
               &pl.ncycles, &pl.nmaxcycles, &step, &nstep, &algorithm, &stepflag);
    if (!tvk::fatigue::jump_usable(n0, njimp)) refuse_jump(njimp, n, n0, step);
}

// The adaptive jump: per component the allowable jump of the dominant side of its load cycle
// (compression when the cycle's largest compressive magnitude, max(0, -smallest signed
// compressive ratio), outweighs its largest tensile ratio; a cycle that never enters compression
// is judged in tension, however its ratios to the two strengths compare).
double allowable_jump(const double* s, const Props& pe, const Current& ce) {
    double smallest = huge;
    bool any = false;
    for (int i = 0; i < 6; ++i) {
        const double cmax = s[slot::compression_max + i], cmin = s[slot::compression_min + i];
        const bool comp = std::max(0.0, -cmin) > std::abs(s[slot::tension_max + i]);
        // Levels of the dominant side, counted positive in its own sense. In compression the
        // cycle is mirrored: peak the largest compressive level, bottom minus the signed maximum
        // (the smallest compressive level of a cycle that stays in compression, minus the
        // tensile peak of one that crosses zero).
        const double peak = comp ? -cmin : s[slot::tension_max + i];
        const double bottom = comp ? -cmax : s[slot::tension_min + i];
        const int own = comp ? compression_of[i] : tension_of[i];
        const int other = comp ? tension_of[i] : compression_of[i];
        const double ft = std::abs(pe.xf[own]), fc = std::abs(pe.xf[other]);
        const double speak = peak * ft;
        double sbottom = bottom * ft;
        const double e0 = pe.e[i], epsf = std::abs(pe.epsf[own]);
        const double alpha = comp ? pe.ac[i] : pe.at[i], beta = comp ? pe.bc[i] : pe.bt[i];
        const double x_n = std::abs(ce.xf[own]), e_n = ce.e[i];
        const double de = s[slot::stiffness + i], df = s[slot::strength + own];
        double cj = 0.0;
        AllowableCycleJump(&speak, &sbottom, &ft, &fc, &ft, &e0, &epsf, &pe.a[i], &pe.b[i], &pe.u[i], &pe.v[i],
                           &s[slot::life + i], &cj, &alpha, &beta, &pe.gam[i], &pe.lam[i], &x_n, &e_n, &de, &df,
                           &pe.degr, &njimp_dtol);
        if (std::isfinite(cj)) {
            smallest = std::min(smallest, cj);
            any = true;
        }
    }
    return any ? smallest : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

bool tvk::fatigue::point(double* stress, double* ddsdde, double* statev, const double* stran, const double* dstran,
                         const double* props, const double* time, const double* dtime, const double* temp,
                         const double* dtemp, const int* nprops, const int* noel, const int* kstep, const int* kinc,
                         const int* iszflag, const int* idcflag, double* statev_backup) {
    if (*nprops < tvk::fatigue::nprops_min) {
        tvk::report_refused_point("GetShokrieh: the property vector needs at least 150 values", *nprops);
        std::fill(ddsdde, ddsdde + 36, 0.0);
        return false;
    }
    // Inputs that are not finite would carry NaN or infinite stresses into the state (an
    // infinite strain would even raise the fibre flag): the increment is refused untouched.
    bool finite = std::isfinite(time[0]) && std::isfinite(time[1]) && std::isfinite(*dtime) &&
                  std::isfinite(*temp) && std::isfinite(*dtemp);
    for (int i = 0; i < 6; ++i)
        finite = finite && std::isfinite(stress[i]) && std::isfinite(stran[i]) && std::isfinite(dstran[i]);
    if (!finite) {
        tvk::report_refused_point("GetShokrieh: strain, stress, temperature or time not finite; increment refused",
                                  kstep[0]);
        std::fill(ddsdde, ddsdde + 36, 0.0);
        return false;
    }
    double* s = statev;
    const bool traced = tvk::debugdata.edebug != 0 && *noel == tvk::debugdata.edebug;
    const auto tr = [traced](const char* label, auto value) {
        if (traced) tvk::Trace() << label << value;
    };
    if (traced) tvk::Trace() << " ---------------- START Shokrieh  ----------------";

    // 1-2. Incoming stress, the step's plan, properties at the end temperature. (The incoming
    // state blocks too, for an increment refused at its cycle end.)
    double stress0[6], state0[ns], backup0[ns];
    std::copy(stress, stress + 6, stress0);
    std::copy(statev, statev + ns, state0);
    std::copy(statev_backup, statev_backup + ns, backup0);
    const int step = kstep[0];
    const Plan pl = read_plan(step);
    const double t = *temp + *dtemp;
    const double t_end = time[0] + *dtime;
    tr(" -- Time ", t_end);
    Props p;
    if (!properties(p, props, *nprops, t)) {
        std::fill(ddsdde, ddsdde + 36, 0.0);
        return false;
    }

    // 3. Direct cyclic analysis: the solver's cycle number opens a new cycle block (backup taken)
    // or repeats the current one (state restored).
    if (*idcflag == 1 && *kinc == 1) {
        double njimp = 0.0, nmsg = s[slot::cycle];
        const int algorithm = 5, stepflag = pl.fatigue ? 1 : 0, nstep = tvk::jobdata.nsteps;
        const double zul = huge;
        CycleCount(&njimp, &nmsg, &pl.limit, &t_end, &pl.calc_time, &pl.period, &pl.jump_min, &pl.jump_max, &zul,
                   &pl.ncycles, &pl.nmaxcycles, &step, &nstep, &algorithm, &stepflag);
        if (!(std::abs(nmsg) <= tvk::fatigue::count_limit)) {
            // A cycle number that is not a count neither opens nor repeats a block.
            tvk::report(-2, "GetShokrieh: cycle number of the solver not usable; block kept", step, 0, nmsg);
        } else if (nmsg > s[slot::cycle]) {
            s[slot::jump] = nmsg - s[slot::cycle];
            s[slot::cycle] = nmsg;
            std::copy(s, s + ns, statev_backup);
        } else {
            std::copy(statev_backup, statev_backup + ns, s);
        }
    }
    tr(" -- nCyles", s[slot::cycle]);

    // 4-5. Cycle temperatures; current properties.
    if (*kinc == 1) s[slot::temp_low] = s[slot::temp_high] = *temp;
    double* stiff = s + slot::stiffness;
    double* strength = s + slot::strength;
    Current cur;
    cur.form(p, stiff, strength);

    // 6. Secant stress.
    secant_stiffness(ddsdde, cur.e, cur.e + 6, stiff, p, stress0, stran, dstran, *iszflag);
    tvk::lamina::stress_vector(stress, ddsdde, stran, dstran, 3, 6, true, false);
    std::copy(stress, stress + 6, s + slot::stress);

    // 7. Failure indices, accumulated (never falling, at most 1).
    double rf = 0.0, rm = 0.0;
    const double xc22 = std::abs(cur.xf[3]);
    GPMaxNominal(&rf, &stress[0], &cur.xf[0], &cur.xf[1]);
    MCrckPuck(&rm, &stress[1], &stress[2], &stress[3], &stress[4], &stress[5], &cur.xf[2], &xc22, &cur.xf[6],
              &s[slot::angle], nullptr, &angle_step, nullptr, nullptr);
    s[slot::fibre_index] = std::fmin(1.0, std::fmax(s[slot::fibre_index], rf));
    s[slot::matrix_index] = std::fmin(1.0, std::fmax(s[slot::matrix_index], rm));

    // 8-9. Sudden degradation on static failure, and the stress after it.
    SuddenDegradation(cur.e, cur.xf, p.e, p.xf, stiff, strength, &s[slot::fibre_index], &s[slot::matrix_index], ttol,
                      &p.degr, nullptr);
    if (s[slot::fibre_index] >= 1.0) s[slot::fibre_failed] = 1.0;
    if (s[slot::matrix_index] >= 1.0) s[slot::matrix_failed] = 1.0;
    if (s[slot::fibre_index] >= 1.0 || s[slot::matrix_index] >= 1.0) {
        if (traced) tvk::Trace() << "Apply degradation within cycle";
        secant_stiffness(ddsdde, cur.e, cur.e + 6, stiff, p, stress0, stran, dstran, *iszflag);
        tvk::lamina::stress_vector(stress, ddsdde, stran, dstran, 3, 6, true, false);
    }

    // 10. Extremes of the running load cycle (ratios to the static strengths at t).
    for (int i = 0; i < 6; ++i) {
        const double rt = stress[i] / p.xf[tension_of[i]];
        const double rc = stress[i] / std::abs(p.xf[compression_of[i]]);
        s[slot::tension_max + i] = std::fmax(s[slot::tension_max + i], rt);
        s[slot::tension_min + i] = std::fmin(s[slot::tension_min + i], rt);
        s[slot::compression_max + i] = std::fmax(s[slot::compression_max + i], rc);
        s[slot::compression_min + i] = std::fmin(s[slot::compression_min + i], rc);
    }
    s[slot::temp_low] = std::fmin(s[slot::temp_low], t);
    s[slot::temp_high] = std::fmax(s[slot::temp_high], t);

    const auto write_back = [&] {
        std::copy(cur.xf, cur.xf + 9, s + slot::strengths);
        std::copy(cur.e, cur.e + 6, s + slot::moduli);
    };
    // 11. Outside a fatigue step nothing more happens.
    if (!pl.fatigue) {
        write_back();
        return true;
    }

    // 12. Cycle end?
    const double period_ms = std::round(time_resolution * pl.period);
    const bool period_ok = period_ms >= 1.0 && period_ms < 9.0e15;
    if (!period_ok) tvk::report(-3, "GetShokrieh: cycle period too small (below 0.0005 time units)", step);
    bool cycle_end = period_ok && t_end >= pl.period / 2.0 && whole_multiple(t_end - pl.period, period_ms);

    // An increment refused after the point has been worked on: stress and both blocks as they
    // came, zero tangent.
    const auto refuse_increment = [&](const char* message, double value) {
        tvk::report_refused_point(message, step, 0, value);
        std::copy(stress0, stress0 + 6, stress);
        std::copy(state0, state0 + ns, statev);
        std::copy(backup0, backup0 + ns, statev_backup);
        std::fill(ddsdde, ddsdde + 36, 0.0);
        return false;
    };
    // The cycle number enters the gradual degradation and the jump of a cycle end and the fixed
    // jumps at a cycle start: one that is not finite (a state value the point cannot have made)
    // gives no count to degrade or jump from.
    const bool cycle_start = period_ok && time[1] != 0.0 && whole_multiple(time[0], period_ms);
    const bool fixed_jump = cycle_start && (pl.algorithm == 4 || pl.algorithm == 7);
    if ((cycle_end || fixed_jump) && !std::isfinite(s[slot::cycle]))
        return refuse_increment("GetShokrieh: cycle number not finite; increment refused", s[slot::cycle]);

    // 13. Properties at the cycle's evaluation temperature. Where the property service refuses
    // them (reported there: a temperature that is not finite, such as one from cycle temperature
    // slots that are not, or sets that are not finite) the cycle cannot be closed, and the
    // increment is refused.
    Props pe;
    if (cycle_end) {
        const double tev = (s[slot::temp_low] + s[slot::temp_high]) / 2.0;
        if (!properties(pe, props, *nprops, tev))
            return refuse_increment("GetShokrieh: no properties at the cycle's evaluation temperature; refused", tev);
        s[slot::temp_eval] = tev;
    }
    tr("Bottom of cycle?", cycle_end);

    if (cycle_end) {
        // 14. Gradual degradation of every component for the skipped cycles. The cycle's extremes
        // go in as recorded: for the compressive side signed ratios, whose smaller one is the
        // cycle's largest compressive level.
        double cnf[6] = {huge, huge, huge, huge, huge, huge};
        if (!(s[slot::fibre_index] >= 1.0 || s[slot::fibre_failed] == 1.0)) {
            for (int i = 0; i < 6; ++i) {
                const int ti = tension_of[i], ci = compression_of[i];
                const double xct = std::abs(pe.xf[ci]) / pe.xf[ti];
                const int shear = i >= 3 ? 1 : 0;
                GradualDegradation(&s[slot::tension_max + i], &s[slot::tension_min + i],
                                   &s[slot::compression_max + i], &s[slot::compression_min + i], &xct, &pe.a[i],
                                   &pe.b[i], &pe.u[i], &pe.v[i], &s[slot::life + i], &s[slot::cycle],
                                   &s[slot::jump], &pe.at[i], &pe.ac[i], &pe.bt[i], &pe.bc[i], &pe.gam[i],
                                   &pe.lam[i], &stiff[i], &strength[ti], &strength[ci], &p.degr, &damage_law,
                                   &shear, noel, &cnf[i], &pl.tolerance);
            }
            cur.form(p, stiff, strength);
        }

        // 15. Sudden degradation with the consumed lives; the smallest cycles to failure.
        SuddenDegradation(cur.e, cur.xf, p.e, p.xf, stiff, strength, &s[slot::fibre_index], &s[slot::matrix_index],
                          ttol, &p.degr, s + slot::life);
        if (s[slot::matrix_index] == 1.0)
            for (int i = 1; i < 6; ++i) cnf[i] = huge;
        if (s[slot::fibre_index] == 1.0) cnf[0] = huge;
        double smallest = std::numeric_limits<double>::quiet_NaN();
        for (double c : cnf) smallest = std::fmin(smallest, c);
        s[slot::cycles_left] = smallest;
        SuddenDegradation(cur.e, cur.xf, p.e, p.xf, stiff, strength, &s[slot::fibre_index], &s[slot::matrix_index],
                          ttol, &p.degr, nullptr);
        const double* life = s + slot::life;
        if (s[slot::fibre_index] >= 1.0 || life[0] >= 1.0) s[slot::fibre_failed] = 1.0;
        bool matrix = s[slot::matrix_index] >= 1.0;
        for (int i = 1; i < 6; ++i) matrix = matrix || life[i] >= 1.0;
        if (matrix) s[slot::matrix_failed] = 1.0;

        // 16. The next cycle jump.
        double njimp = 0.0;
        bool counted = true;
        switch (pl.algorithm) {
            case 6: {
                Current ce;
                ce.form(pe, stiff, strength);
                const double allowed = allowable_jump(s, pe, ce);
                s[slot::cycles_left] = allowed;
                const double permitted = std::isfinite(allowed) ? std::min(allowed, s[slot::jump]) : s[slot::jump];
                // The permitted jump is applied by the rule of the table-bounded algorithm.
                cycle_count(njimp, s[slot::cycle], pl, t_end, permitted, step, 4);
                break;
            }
            case 7: break;  // the counter advances at the start of the next cycle
            case 4:
            case 5: counted = false; break;
            default: cycle_count(njimp, s[slot::cycle], pl, t_end, huge, step, pl.algorithm); break;
        }
        if (counted) s[slot::jump] = njimp;
        tr("cycle jump", s[slot::jump]);

        // Tangent of the degraded moduli with the undegraded Poisson ratios.
        if (traced) tvk::Trace() << "New tangent matrix ";
        secant_stiffness(ddsdde, cur.e, p.e + 6, stiff, p, stress0, stran, dstran, *iszflag);
    }

    // 17. Fixed jumps at the start of a cycle.
    if (cycle_start) {
        if (pl.algorithm == 4) {
            double njimp = 0.0;
            cycle_count(njimp, s[slot::cycle], pl, t_end, tvk::shokriehdata.dnfshok, step, 4);
            s[slot::jump] = njimp;
        } else if (pl.algorithm == 7) {
            double jump = std::ceil(tvk::shokriehdata.dnfshok);
            double n = s[slot::cycle];
            if (!tvk::fatigue::jump_usable(n, jump)) refuse_jump(jump, n, n, step);
            s[slot::jump] = jump;
            s[slot::cycle] += jump;
        }
    }

    // 18. Current properties back into the state.
    write_back();

    // 19. A new load cycle starts. The signed compressive maximum restarts from the lowest
    // double, so that it is the cycle's own maximum: for a cycle that stays in compression its
    // smallest compressive level, which the adaptive jump takes as the bottom.
    if (cycle_end && time[1] > 0.5) {
        for (int i = 0; i < 6; ++i) {
            s[slot::tension_max + i] = 0.0;
            s[slot::compression_max + i] = -huge;
            s[slot::tension_min + i] = huge;
            s[slot::compression_min + i] = huge;
        }
        s[slot::temp_low] = s[slot::temp_high] = t;
    }
    if (traced) {
        tvk::Trace() << "Stress update " << stress[0] << stress[1] << stress[2] << stress[3] << stress[4]
                     << stress[5];
    }
    return true;
}

void GetShokrieh(double* stress, double* ddsdde, double* statev, const double* stran, const double* dstran,
                 const double* props, const double* time, const double* dtime, const double* temp,
                 const double* dtemp, const int* nprops, const int* noel, const int* kstep, const int* kinc,
                 const int* iszflag, const int* idcflag, double* statev_backup) {
    tvk::fatigue::point(stress, ddsdde, statev, stran, dstran, props, time, dtime, temp, dtemp, nprops, noel, kstep,
                        kinc, iszflag, idcflag, statev_backup);
}
