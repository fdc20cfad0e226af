// Resin material routine: eight stress laws of a neat resin behind one point kernel, with a
// failure criterion chosen by the material name, degradation of failed material and the
// load-cycle bookkeeping of fatigue steps.
//
// Order of one call: initialise a new point; build the model's property vector at the current
// temperature (and strain, for models 0 and 7); degrade it from the stored exposure and life;
// compute the stress; run the criterion and, when the point has failed, degrade again and
// recompute; record the equivalent fatigue stress of the cycle; form the tangent; accumulate
// the strain energy; in fatigue steps close a completed computed cycle (life, degradation, cycle
// jump) and take the global jump.
#include "umat_resin.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <string_view>

#include "adapters.h"
#include "converters.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/trace.h"
#include "failure/criteria.h"
#include "failure/ply_discount.h"
#include "growth/fatigue_life.h"
#include "growth/shokrieh.h"
#include "mechanics/elasticlaws.h"
#include "mechanics/hyperelasticity.h"
#include "mechanics/lamina.h"
#include "mechanics/plasticity.h"
#include "mechanics/resin.h"
#include "mechanics/stressmeasures.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;
using Point = tvk::solver::Point<Order::nye>;
using tvk::Trace;
namespace slot = tvk::resin_state;

constexpr int nslots = slot::nstatv_min;
constexpr double lowest = -tvk::huge;
constexpr double ttol[2] = {1.0, 1.0};
constexpr double time_resolution = 1000.0;  // cycle ends are tested in 1/1000 time units
constexpr double jump_tolerance = 1e-15;
constexpr int six = 6, three = 3;

// Property counts of the two layouts: the least a point needs, and where their modulus law starts
// needing more values.
constexpr int resin_min = 21, resin_full = 32, resin_law = 29, resin_base = 28;
constexpr int plastic_min = 25, plastic_full = 36, plastic_law = 26, plastic_base = 25;

// The first 22 state slots, 1-based; slots the caller did not allocate read as 0 and are not
// written back.
struct State {
    double v[nslots + 1] = {};
    int n = 0;
    void load(const double* sv, int nstatv) {
        n = std::clamp(nstatv, 0, nslots);
        for (int k = 1; k <= n; ++k) v[k] = sv[k - 1];
    }
    void store(double* sv) const {
        for (int k = 1; k <= n; ++k) sv[k - 1] = v[k];
    }
    double& operator[](int k) { return v[k]; }
};

// The property vector of the model and the constants every model yields.
struct Model {
    int id = 0;
    int count = 8;                 // entries of pe: 8, or 12 for model 7
    double pe[12] = {}, ps[9] = {};
    double ref[12] = {};           // model 7: the undamaged isotropic resin in the order of pe
    double xt = 0, xc = 0, np = 0, aw = 0, ew = 0, degr = 0, num = 0;
    double e = 0, nu = 0;          // isotropic modulus and Poisson ratio (model 7)
};

// Number of properties handed to the property routines: a count that switches the modulus law
// on but does not hold its coefficients is taken without the law.
int usable_count(int nprops, int base_switch, int base, int full, const char* what) {
    if (nprops >= base_switch && nprops < full) {
        tvk::report(-2, what, nprops, full);
        return base;
    }
    return nprops;
}

// Why the point has no stiffness to compute with, or null, with the integer of its report (the
// property count, or the model whose table is missing). It needs the properties its model's
// property routine reads (25 in the plastic layout of models 0 and 4, 21 for the others) and the
// calibration tables its law takes the stiffness from: model 0 the secant modulus, model 6 the
// three tables of the cubic law, model 7 the normal and shear softening (which a failed point of a
// degraded resin does not read). Without them the property routines and laws give zero moduli,
// and the stress would be wiped out with only a warning; the point is refused instead, before a
// property routine reports. (Model 0 also reads the flow table, for values it does not use, and
// model 4 its flow parameters, which are not its stiffness: neither is a reason to refuse.)
const char* no_stiffness(const Point& p, int model, double failed, int& value) {
    using tvk::resin::Method;
    using tvk::resin::readable;
    const auto& md = tvk::materialdata;
    constexpr int y = tvk::columns::calibration::y;
    const bool plastic_layout = model == 0 || model == 4;
    value = p.nprops;
    if (plastic_layout && p.nprops < plastic_min) return "umat_resin: too few properties (25 needed)";
    if (!plastic_layout && p.nprops < resin_min) return "umat_resin: too few properties (21 needed)";
    value = model;
    switch (model) {
        case 0:
            if (!readable(md.secantprops, md.nsecantdata, y, Method::cubic))
                return "umat_resin: no readable secant-modulus table";
            break;
        case 6:
            if (!readable(md.alpha1props, md.nalpha1data, y, Method::cubic) ||
                !readable(md.alpha2props, md.nalpha2data, y, Method::cubic) ||
                !readable(md.alpha3props, md.nalpha3data, y, Method::cubic))
                return "umat_resin: no readable cubic-law tables";
            break;
        case 7:
            if (failed >= 1.0 && p.props[20] < 1.0) break;  // (property 21: degr)
            if (!readable(md.normalprops, md.nnormaldata, y, Method::linear) ||
                !readable(md.shearprops, md.nsheardata, y, Method::linear))
                return "umat_resin: no readable softening tables";
            break;
        default: break;
    }
    return nullptr;
}

double regularization(int entry, const char* missing) {
    const auto& t = tvk::materialdata.regularization;
    if (t.in_bounds(entry)) return *t.at(entry);
    tvk::report(-2, missing, entry);
    return 0.0;
}

void build(Model& m, const Point& p, const double* stran, const double* endstran, double eqplastic,
           double failed, bool traced) {
    const double temp = p.temp;
    const int noel = p.noel;
    const bool plastic_layout = m.id == 0 || m.id == 4;
    const int nres = plastic_layout ? p.nprops
                                    : usable_count(p.nprops, resin_law, resin_base, resin_full,
                                                   "umat_resin: the resin modulus law needs 32 properties; taken without it");
    const int npl = !plastic_layout ? p.nprops
                                    : usable_count(p.nprops, plastic_law, plastic_base, plastic_full,
                                                   "umat_resin: the plastic modulus law needs 36 properties; taken without it");
    const double* props = p.props.data();
    double gamma = 0.0;
    switch (m.id) {
        case 0:
        case 4: {
            double et, ec, g, nut, nuc, a0, a1, alpha;
            const double eqp = m.id == 4 ? eqplastic : 0.0;
            GetResinPlasticProperties(props, &npl, &temp, &eqp, &et, &ec, &g, &nut, &nuc, &a0, &a1, &alpha, &m.degr,
                                      &m.xt, &m.xc, &m.np, &m.aw, &m.ew);
            if (m.id == 4) {
                const double v[8] = {et, ec, g, nut, nuc, a0, a1, alpha};
                std::copy(v, v + 8, m.pe);
            } else {
                double eq = 0.0, e = 0.0;
                EquivalentStrain(endstran, &eq, &three, &six);
                GetModulusFromTable(&eq, &e, &temp);
                m.pe[0] = e;
                m.pe[2] = eq >= 0.0 ? nut : nuc;
                if (traced) Trace() << "PEProps" << std::span<const double>(m.pe, 8);
            }
            break;
        }
        case 7: {
            GetResinProperties(props, &nres, &temp, &m.e, &m.nu, &m.num, &gamma, &m.degr, &m.xt, &m.xc, &m.np, &m.aw,
                               &m.ew, &noel);
            double e1, e2, e3, nu12, nu13, nu23, nu21, nu31, nu32, g12, g13, g23;
            const double dt = p.dtime;
            GetResinOrthotropicProperties(props, &nres, &temp, &dt, stran, endstran, &e1, &e2, &e3, &nu12, &nu13,
                                          &nu23, &nu21, &nu31, &nu32, &g12, &g13, &g23, &m.xt, &m.xc, &m.np, &m.aw,
                                          &m.ew, &m.degr, &noel, &failed);
            const double v[12] = {e1, e2, e3, g12, g13, g23, nu12, nu13, nu23, nu21, nu31, nu32};
            std::copy(v, v + 12, m.pe);
            m.count = 12;
            m.ps[0] = m.xt;
            m.ps[1] = m.xc;
            const double g0 = m.e / (2.0 * (1.0 + m.nu));
            for (int k = 0; k < 3; ++k) {
                m.ref[k] = m.e;
                m.ref[3 + k] = g0;
            }
            std::fill(m.ref + 6, m.ref + 12, m.nu);
            if (traced) {
                Trace() << "props" << std::span<const double>(props, static_cast<std::size_t>(std::max(p.nprops, 0)));
                Trace() << "E" << m.e;
                Trace() << "nu" << m.nu;
                Trace() << "num" << m.num;
                Trace() << "gamma" << gamma;
                Trace() << "degr" << m.degr;
                Trace() << "XT" << m.xt;
                Trace() << "XC" << m.xc;
                Trace() << "np" << m.np;
                Trace() << "A_woehler" << m.aw;
                Trace() << "exp_woehler" << m.ew;
                Trace() << "Get Resin orthotropic properties";
                Trace() << "PEProps" << std::span<const double>(m.pe, 12);
            }
            break;
        }
        default: {  // 1, 2, 3, 5, 6
            GetResinProperties(props, &nres, &temp, &m.e, &m.nu, &m.num, &gamma, &m.degr, &m.xt, &m.xc, &m.np, &m.aw,
                               &m.ew, &noel);
            // The fifth value selects the law inside the isotropic family (models 1-3), and marks
            // the vector of the split (1) and of the cubic law (6).
            const double selector = m.id <= 3 ? m.id : m.id == 5 ? 1.0 : 6.0;
            const double v[8] = {m.e, gamma, m.nu, m.num, selector, 0.0, 0.0, 0.0};
            std::copy(v, v + 8, m.pe);
            if (traced) Trace() << "PEProps" << std::span<const double>(m.pe, 8);
            break;
        }
    }
}

// Start value of the degradation factor (slot 17) of a point that has not failed.
void start_factor(const Model& m, State& s) {
    if (s[slot::failed] != 0.0) return;
    if (m.id == 1 || m.id == 2 || m.id == 3 || m.id == 6) {
        s[slot::factor] = regularization(tvk::columns::regularization::start,
                                         "umat_resin: no regularization table; degradation factor starts at 0");
    } else if (m.id == 7) {
        const double r = regularization(tvk::columns::regularization::start,
                                        "umat_resin: no regularization table; degradation factor from the moduli");
        if (r != 0.0) {
            s[slot::factor] = r;
            return;
        }
        // The isotropic Poisson term over its orthotropic value, times the smallest stiffness
        // ratio of the softened set against the undamaged isotropic resin.
        const double* q = m.pe;
        const double nu = m.nu, e = m.e, g0 = m.ref[3];
        const double iso = 1.0 - 3.0 * nu * nu - 2.0 * nu * nu * nu;
        const double ortho = 1.0 - q[6] * q[9] - q[8] * q[11] - q[10] * q[7] - 2.0 * q[9] * q[11] * q[7];
        const double ratio = std::min({q[0] / e, q[1] / e, q[3] / g0, q[4] / g0, q[2] / e, q[5] / g0});
        const double f = iso / ortho * ratio;
        if (std::isfinite(f))
            s[slot::factor] = f;
        else
            tvk::report(-2, "umat_resin: no start value of the degradation factor (moduli missing)", m.id);
    }
}

// Factor of the cubic law's stiffness: the residual fraction once the exposure or the life has
// reached 1 (k = 1; a value beyond 1 does not scale further).
double cubic_factor(const Model& m, double d, double life) {
    const double k = std::fmax(d, life) >= 1.0 ? 1.0 : 0.0;
    return 1.0 - (1.0 - m.degr) * k;
}

struct Work {
    double stress[6] = {}, ddsdde[36] = {}, stran[6] = {}, dstran[6] = {}, endstran[6] = {};
    double oldstress[6] = {}, oldddsdde[36] = {};
    double degpe[12] = {}, degps[9] = {}, de[6], df[9];
    double eqplastic = 0.0;  // model 4: equivalent plastic strain at the start of the increment
    double neweqplastic = 0.0;
};

// The stress of the model's law for the current degraded properties (model 4: the undegraded
// ones unless `degraded`); model 4 runs the increment from the stress at its start.
void stress_law(const Model& m, Work& w, const Point& p, double f_cubic, bool degraded) {
    switch (m.id) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const int n8 = 8;
            GetStressFromIsotropicViscoElasticity(w.stress, w.endstran, w.degpe, &six, &three, &n8);
            break;
        }
        case 4: {
            const int n8 = 8;
            const double temp = p.temp;
            std::copy(w.oldstress, w.oldstress + 6, w.stress);
            w.neweqplastic = w.eqplastic;
            getstressfromplastitcity(w.stress, &w.neweqplastic, w.ddsdde, w.stran, w.dstran, degraded ? w.degpe : m.pe,
                                     &n8, &six, &three, &n8, &temp);
            break;
        }
        case 5: {
            const int n5 = 5;
            GetStressFromDevVolDecomposition(w.stress, w.endstran, w.degpe, &six, &three, &n5, w.ddsdde);
            break;
        }
        case 6: {
            const double props[2] = {p.temp, f_cubic};
            const int n2 = 2, noel = p.noel;
            GetStressFromCubicElasticity(w.stress, w.endstran, props, &six, &three, &n2, w.ddsdde, &noel);
            break;
        }
        case 7: {
            const int n12 = 12, stiffness = 1, symmetric = 0;
            const int trace_flag = tvk::resin::traced(p.noel) ? 1 : 0;
            GetGeneralizedNyeOnAxisSC(w.ddsdde, w.degpe, &six, &n12, &stiffness, nullptr, &trace_flag, &symmetric);
            tvk::lamina::stress_vector(w.stress, w.ddsdde, w.stran, w.dstran, 3, 6, true, false);
            break;
        }
        default: break;
    }
}

// Criterion tags at their fixed places in the material name.
enum class Criterion { none, ha_strain, ha, raghava, bauwens, drucker_prager };

Criterion criterion_of(std::string_view name) {
    if (name.size() >= 20 && name.substr(9, 11) == "_GPHASTRAIN") return Criterion::ha_strain;
    if (name.size() < 14) return Criterion::none;
    const std::string_view tag = name.substr(9, 5);
    if (tag == "_GPHA") return Criterion::ha;
    if (tag == "_GPRA") return Criterion::raghava;
    if (tag == "_GPBA") return Criterion::bauwens;
    if (tag == "_GPDP") return Criterion::drucker_prager;
    return Criterion::none;
}

void run_criterion(Criterion c, const Model& m, const Work& w, State& s, double& d, double& life, bool traced) {
    double di1 = s[slot::di1], dmises = s[slot::dmises], i1cr = 0.0, misescr = 0.0;
    switch (c) {
        case Criterion::ha_strain: {
            if (traced) Trace() << "GPHASTRAIN auswerten";
            double t[6];
            for (int k = 0; k < 6; ++k) t[k] = k < 3 ? w.endstran[k] : 0.5 * w.endstran[k];
            GPHa(t, &m.xt, &m.xc, &m.np, &d, &di1, &dmises, &i1cr, &misescr, &life);
            s[slot::failed] = life;
            break;
        }
        case Criterion::ha:
            if (traced) Trace() << "GPHA Stress auswerten";
            GPHa(w.stress, &m.xt, &m.xc, &m.np, &d, &di1, &dmises, &i1cr, &misescr, &s[slot::failed]);
            break;
        case Criterion::raghava:
            if (traced) Trace() << "GPRA Stress auswerten";
            GPRaghava(w.stress, &m.xt, &m.xc, &d);
            break;
        case Criterion::bauwens:
            if (traced) Trace() << "GPBA Stress auswerten";
            GPBauwens(w.stress, &m.xt, &m.xc, &d);
            break;
        case Criterion::drucker_prager: GPDruckerPrager(w.stress, &m.xt, &m.xc, &d, &di1); break;
        case Criterion::none: break;
    }
    s[slot::exposure] = d;
    s[slot::di1] = di1;
    s[slot::dmises] = dmises;
}

// The viscously regularised sudden degradation of model 7 against the undamaged isotropic
// resin; the Poisson ratios are then the isotropic one again.
// A viscosity or time increment that is not a number gives the routine no regularised factor;
// the point then takes the unregularised one (eta 0 over a unit step gives degr exactly), with a
// level -2 report, so that no NaN reaches its stiffness or state.
void sudden_viscous(const Model& m, Work& w, State& s, const double* nm, double dtime) {
    double eta = regularization(tvk::columns::regularization::viscosity,
                                "umat_resin: no viscosity (regularization entry 2); taken as 0");
    if (std::isnan(eta + dtime)) [[unlikely]] {
        tvk::report(-2, "umat_resin: viscosity or time increment not a number; degradation not regularised",
                    std::isnan(eta) ? tvk::columns::regularization::viscosity : 0);
        eta = 0.0;
        dtime = 1.0;
    }
    SuddenDegradation_viscouse(w.degpe, w.degps, m.ref, m.ps, w.de, w.df, &s[slot::failed], &s[slot::failed], ttol,
                               &m.degr, nm, &s[slot::factor], &eta, &dtime);
    std::fill(w.degpe + 6, w.degpe + 12, m.nu);
}

// The step's cycle plan (shokriehdata.cycleprops(:, step)); rows that are absent read as 0.
struct Plan {
    int algorithm = 0, ncycles = 0, nmaxcycles = 0;
    double period = 0, calc_time = 0, jump_min = 0, jump_max = 0, jump_zul = 0, limit = 0;
};

int rounded(double x) { return std::abs(x) < 2.0e9 ? static_cast<int>(std::lround(x)) : 0; }

Plan read_plan(int step) {
    namespace row = tvk::fatigue::plan;
    const auto& t = tvk::shokriehdata.cycleprops;
    const auto at = [&](int r) { return t.get(0.0, r, step); };
    Plan p;
    p.algorithm = rounded(at(row::algorithm));
    p.period = at(row::period);
    p.calc_time = at(row::calc_time);
    p.ncycles = p.period != 0.0 ? rounded(p.calc_time / p.period) : 0;
    p.nmaxcycles = rounded(at(row::max_count));
    p.jump_min = at(row::jump_min);
    p.jump_max = at(row::jump_max);
    p.jump_zul = at(9);  // permitted jump
    p.limit = at(row::limit);
    return p;
}

// In a planned fatigue step a jump that the plan, the cycle table or the permitted jump make
// unusable (not a number, negative, or beyond the counter's resolution) is refused: the counter
// stays and the jump is 0. (Outside a planned step the counter restarts at 1 as it should.)
void cycle_count(double& njimp, double& n, const Plan& pl, double time, double zul, int step, int stepflag) {
    const int nstep = tvk::jobdata.nsteps;
    const double n0 = n;
    CycleCount(&njimp, &n, &pl.limit, &time, &pl.calc_time, &pl.period, &pl.jump_min, &pl.jump_max, &zul,
               &pl.ncycles, &pl.nmaxcycles, &step, &nstep, &pl.algorithm, &stepflag);
    if (stepflag == 1 && !tvk::fatigue::jump_usable(n0, njimp)) {
        tvk::report(-2, "umat_resin: cycle jump refused (NaN, negative or beyond 2^53 cycles)", step, 0, njimp, n0);
        n = n0;
        njimp = 0.0;
    }
}

// Fatigue bookkeeping after the tangent: close a completed computed cycle and take the global
// jump of the running one.
void fatigue_cycles(const Model& m, Work& w, State& s, const Point& p, double d, double& life, double& n,
                    double& njimp, int stepflag, bool traced) {
    const int step = p.jstep[0];
    const Plan pl = read_plan(step);
    const double t1 = p.time[0], t2 = p.time[1];
    // Whole multiples of the period are tested in thousandths of the time unit; a period that
    // rounds to no thousandth has no cycle end.
    const double period_ms = std::round(time_resolution * pl.period);
    if (!(period_ms >= 1.0 && period_ms < 9.0e15)) {
        tvk::report(-3, "umat_resin: cycle period too small (below 0.0005 time units)", step);
        return;
    }
    const double q = t1 / pl.period;
    const double t_ms = std::round(time_resolution * t1);
    const bool whole = std::abs(t_ms) < 9.0e15 && std::fmod(t_ms, period_ms) == 0.0;
    if (traced) {
        Trace() << "fatigue starts";
        Trace() << "Step" << step;
        Trace() << "CycleProps(2,JSTEP(1))" << tvk::shokriehdata.cycleprops.get(0.0, 2, step);
        Trace() << "mod" << (std::abs(t_ms) < 9.0e15 ? std::fmod(t_ms, period_ms) : t_ms);
        Trace() << "(time(1)/Time_period)" << q;
        Trace() << "Statev(20)" << s[slot::cycle_index];
        Trace() << "(time(1)/Time_period) .GE. STATEV(20) " << (q >= s[slot::cycle_index]);
        Trace() << "(time(1)/Time_period) - STATEV(20) " << q - s[slot::cycle_index];
    }
    if ((whole || q >= s[slot::cycle_index]) && t2 != 0.0) {
        s[slot::cycle_index] += 1.0;
        if (traced) Trace() << "Cycle completed";
        double nf = s[slot::cycles_to_failure];
        GetFatigueLife(&s[slot::ratio_min], &s[slot::ratio_max], &m.aw, &m.ew, &m.num, &njimp, &nf, &life, &p.noel);
        s[slot::cycles_to_failure] = nf;
        if (traced) {
            Trace() << "So" << s[slot::ratio_max];
            Trace() << "Su" << s[slot::ratio_min];
            Trace() << "Nf" << nf;
            Trace() << "life" << life;
            Trace() << "Cycle" << s[slot::cycle];
            Trace() << "dn" << njimp;
        }
        if (m.id <= 6) {
            IsotropicDegradation(m.pe, &d, &life, &m.degr, w.degpe);
        } else if (life == 1.0) {
            const double nm[6] = {life, 1.0, 1.0, 1.0, 1.0, 1.0};
            sudden_viscous(m, w, s, nm, p.dtime);
            if (traced) {
                Trace() << "Degradation based on " << std::span<const double>(m.ref, 12);
                Trace() << "Props after degradation" << std::span<const double>(w.degpe, 12);
            }
        }
        s[slot::life] = life;
        if (life == 1.0) {
            s[slot::failed] = 1.0;
            s[slot::remaining] = tvk::huge;
        } else {
            s[slot::remaining] = (1.0 - life) * nf;
        }
        if (traced) Trace() << "statev(12)" << s[slot::remaining];
        if (pl.algorithm <= 3) {
            cycle_count(njimp, n, pl, t1, pl.jump_zul, step, stepflag);
            s[slot::cycle] = n;
            s[slot::jump] = njimp;
        }
        s[slot::ratio_max] = lowest;
        s[slot::ratio_min] = tvk::huge;
    }
    const double c = s[slot::cycle_index];
    if (traced) {
        Trace() << "time(1)/Time_period" << q;
        Trace() << "statev(20)" << c;
        Trace() << "statev(21)" << s[slot::global_jumps];
        Trace() << "statev(20)-1" << c - 1.0;
    }
    if (q - (c - 1.0) >= jump_tolerance && q - c <= jump_tolerance && c != s[slot::global_jumps] && t2 != 0.0) {
        s[slot::global_jumps] += 1.0;
        if (traced) {
            Trace() << "get global cycle jump";
            Trace() << "dnf" << tvk::shokriehdata.dnf;
        }
        if (pl.algorithm == 4) {
            const double zul = tvk::shokriehdata.dnf;
            if (traced) Trace() << "njimp_zul" << zul;
            cycle_count(njimp, n, pl, t1, zul, step, stepflag);
            if (traced) Trace() << "((time(1)) .GT. Time_period)" << (t1 > pl.period);
            if (t1 > pl.period) {
                s[slot::jump] = njimp;
                s[slot::cycle] = n;
            }
            if (traced) {
                Trace() << "statev(9)" << s[slot::jump];
                Trace() << "statev(1)" << s[slot::cycle];
                Trace() << "n" << n;
                Trace() << "njimp" << njimp;
            }
        }
    }
}

Outcome resin_point(Point& p) {
    const int nt = p.ntens;
    const int model = tvk::materialdata.modelid;
    if (nt != 4 && nt != 6) return Outcome::refuse_count("umat_resin: 4 or 6 stress components needed", nt);
    if (model < 0 || model > 7) return Outcome::refuse("umat_resin: resin model (materialdata modelid) must be 0 to 7", model);
    const bool traced = tvk::resin::traced(p.noel);
    const int nstatv = p.nstatv;
    double* statev = p.statev.data();

    if (nstatv < slot::nstatv_min && p.kinc <= 1)
        Trace() << "WARNING: Too less nstatev allocated for material " << p.materl;

    Work w;
    std::fill(w.de, w.de + 6, 1.0);
    std::fill(w.df, w.df + 9, 1.0);
    // Four components are (11, 22, 33, 12): the shears 13 and 23 count as 0.
    for (int i = 0; i < nt; ++i) {
        w.stran[i] = p.stran[i];
        w.dstran[i] = p.dstran[i];
        w.stress[i] = p.stress[i];
        for (int j = 0; j < nt; ++j) w.ddsdde[i + 6 * j] = p.ddsdde(i, j);
    }
    for (int i = 0; i < 6; ++i) w.endstran[i] = w.stran[i] + w.dstran[i];

    if (traced) {
        double green[9];
        GetGreenStrain(green, p.dfgrd1);
        Trace() << "-----------------------------";
        Trace() << "NOEL" << p.noel;
        Trace() << "ModelID" << model;
        Trace() << "Increment" << p.kinc;
        Trace() << "ENDSTRAN" << std::span<const double>(w.endstran, 6);
        Trace() << "DSTRAN" << std::span<const double>(w.dstran, 6);
        Trace() << "DFGRD0" << std::span<const double>(p.dfgrd0, 9);
        Trace() << "DFGRD1" << std::span<const double>(p.dfgrd1, 9);
        Trace() << "Greenendstran" << std::span<const double>(green, 9);
        Trace() << "time(1)" << p.time[0];
        Trace() << "time(1)+dtime" << p.time[0] + p.dtime;
        const auto& reg = tvk::materialdata.regularization;
        Trace() << "Regularization" << reg.get(0.0, 1) << reg.get(0.0, 2);
    }

    // Fatigue step: the plan marks the step (stepflag 1), or the name asks for the bookkeeping.
    const int step = p.jstep[0];
    const bool planned = tvk::shokriehdata.cycleprops.get(0.0, tvk::fatigue::plan::cyclic, step) == 1.0;
    const bool isfatigue = planned || (p.materl.size() >= 36 && p.materl.substr(28, 8) == "_FATIGUE");
    const int stepflag = planned ? 1 : 0;

    // A new point: the last slot still holds the largest double, or every slot is 0, in the
    // first increment.
    if (nstatv >= 1 && statev[nstatv - 1] == tvk::huge && p.kinc <= 1) statev[nstatv - 1] = 0.0;
    bool fresh = p.kinc <= 1;
    for (int k = 0; k < nstatv && fresh; ++k) fresh = statev[k] == 0.0;
    State s;
    s.load(statev, nstatv);
    double n = 1.0, njimp = 1.0;
    if (fresh) {
        s[slot::cycle] = 1.0;
        s[slot::ratio_max] = lowest;
        s[slot::ratio_min] = tvk::huge;
        s[slot::cycle_index] = 1.0;
    } else if (isfatigue) {
        n = s[slot::cycle];
        njimp = n == 1.0 ? 1.0 : s[slot::jump];
    }
    double d = s[slot::exposure], life = s[slot::life];
    if (traced) {
        Trace() << "isFatigue" << isfatigue;
        Trace() << "d-old" << d;
        Trace() << "failure indicator" << s[slot::failed];
    }

    int value = 0;
    if (const char* why = no_stiffness(p, model, s[slot::failed], value)) [[unlikely]]
        return Outcome::refuse(why, value);
    Model m;
    m.id = model;
    w.eqplastic = s[slot::plastic_strain];
    build(m, p, w.stran, w.endstran, w.eqplastic, s[slot::failed], traced);
    // Every point takes its equivalent fatigue stress (and the ratios of the running cycle) over
    // the tensile strength, which cannot do without one: the point is refused before anything is
    // written, not set up under that routine's refusal.
    if (!(m.xt != 0.0) || !std::isfinite(m.xt)) [[unlikely]]
        return Outcome::refuse("umat_resin: tensile strength must be finite and not 0", model);
    start_factor(m, s);
    s[slot::strength] = m.xt;
    std::copy(w.stress, w.stress + 6, w.oldstress);
    std::copy(w.ddsdde, w.ddsdde + 36, w.oldddsdde);

    // Degradation from the stored exposure and life.
    std::copy(m.pe, m.pe + 12, w.degpe);
    if (m.id <= 6) {
        IsotropicDegradation(m.pe, &d, &life, &m.degr, w.degpe);
    } else {
        std::copy(m.ps, m.ps + 9, w.degps);
        const double nm[6] = {life, life, life, life, life, life};
        SuddenDegradation(w.degpe, w.degps, m.pe, m.ps, w.de, w.df, &s[slot::failed], &s[slot::failed], ttol,
                          &s[slot::factor], nm);
        std::copy(m.pe + 6, m.pe + 12, w.degpe + 6);
        if (traced) {
            Trace() << "Props considering damage" << std::span<const double>(w.degpe, 12);
            Trace() << "degr" << m.degr;
            Trace() << "Statev 17" << s[slot::factor];
            Trace() << "failure indicator" << s[slot::failed];
        }
    }
    if (traced) Trace() << "Spannungsberechnung mit DegPEProps";
    stress_law(m, w, p, cubic_factor(m, d, life), false);
    if (traced) {
        Trace() << "STRESS" << std::span<const double>(w.stress, 6);
        Trace() << p.materl.substr(9, 5);
    }

    // Failure criterion and, for a failed point, the second degradation and the stress again.
    run_criterion(criterion_of(p.materl), m, w, s, d, life, traced);
    if (traced) {
        Trace() << "d = " << d;
        Trace() << "failure indicator = " << s[slot::failed];
        Trace() << "OLD DEGR" << s[slot::factor];
        Trace() << "DTIME" << p.dtime;
    }
    if (s[slot::failed] >= 1.0) {
        if (m.id <= 6) {
            IsotropicDegradation(m.pe, &d, &life, &m.degr, w.degpe);
        } else {
            const double nm[6] = {life, life, life, life, life, life};
            sudden_viscous(m, w, s, nm, p.dtime);
            if (traced) {
                Trace() << "Degradation auf Basis" << std::span<const double>(m.ref, 12);
                Trace() << "DegPEProps" << std::span<const double>(w.degpe, 12);
                Trace() << "PEProps" << std::span<const double>(m.pe, 12);
            }
        }
        stress_law(m, w, p, cubic_factor(m, d, life), true);
    }
    if (traced) {
        Trace() << "NEW DEGR" << s[slot::factor];
        Trace() << "DegPEProps" << std::span<const double>(w.degpe, static_cast<std::size_t>(m.count));
        Trace() << "DegPSProps" << std::span<const double>(w.degps, 9);
        Trace() << "Stress" << std::span<const double>(w.stress, 6);
    }

    // Equivalent fatigue stress and the extremes of the running load cycle.
    double eq = s[slot::eq_stress];
    GetEquivalentFatigueStress(w.stress, &m.xt, &m.xc, &m.np, &eq);
    s[slot::eq_stress] = eq;
    if (m.xt != 0.0) {
        const double r = eq / m.xt;
        s[slot::ratio_max] = std::fmax(s[slot::ratio_max], r);
        s[slot::ratio_min] = std::fmin(s[slot::ratio_min], r);
    }
    if (traced) {
        Trace() << "Equivalent Stress" << eq;
        Trace() << "statev(22)" << s[slot::eq_stress];
        Trace() << "current xt" << m.xt;
        Trace() << "sdv 3" << s[slot::exposure];
        Trace() << "statev(8)" << s[slot::ratio_max];
        Trace() << "statev(19)" << s[slot::ratio_min];
    }

    // Tangent: numerical for the isotropic family and the cubic law (which has no tangent of
    // its own), the law's own for plasticity and the split, the stiffness for the orthotropic
    // law unless it has failed.
    const tvk::logical1 engineering = 0;
    if (m.id <= 3) {
        const int n8 = 8;
        if (traced) Trace() << "Numerische Tangente";
        tvk::getnumericaltangent_real(w.ddsdde, tvk::RealStressLaw::plain(GetStressFromIsotropicViscoElasticity),
                                      w.degpe, w.stress, w.oldstress, w.endstran, &six, &three, &n8, &engineering,
                                      nullptr, nullptr, nullptr);
    } else if (m.id == 6) {
        const double props[2] = {p.temp, cubic_factor(m, d, life)};
        const int n2 = 2, noel = p.noel;
        auto cubic = [noel, &w](double* stress, const double* strain, const double* pr, const int* ntens, const int* ndi,
                                const int* np) {
            GetStressFromCubicElasticity(stress, strain, pr, ntens, ndi, np, w.oldddsdde, &noel);
        };
        tvk::getnumericaltangent_real(w.ddsdde, tvk::RealStressLaw::ref(cubic), props, w.stress, w.oldstress,
                                      w.endstran, &six, &three, &n2, &engineering, nullptr, nullptr, nullptr);
    } else if (m.id == 7 && d >= 1.0) {
        const int n12 = 12;
        tvk::getnumericaltangent_real(w.ddsdde, tvk::RealStressLaw::plain(GetStressFromOrthotropicElasticity),
                                      w.degpe, w.stress, w.oldstress, w.endstran, &six, &three, &n12, &engineering,
                                      nullptr, nullptr, nullptr);
    }
    if (traced) Trace() << "DDSDDE" << std::span<const double>(w.ddsdde, 36);

    // Strain energy: half the sum of the old and the new tangent-stress products with the
    // strain increment.
    double energy = 0.0;
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i)
            energy += (w.oldddsdde[i + 6 * j] * 0.5 * w.stran[i] +
                       w.ddsdde[i + 6 * j] * 0.5 * (w.stran[i] + w.dstran[i])) *
                      w.dstran[j];
    s[slot::energy] += energy;

    if (traced) Trace() << "isFatigue" << isfatigue;
    if (isfatigue) fatigue_cycles(m, w, s, p, d, life, n, njimp, stepflag, traced);

    s[slot::modulus] = w.degpe[0];
    s[slot::second] = w.degpe[1];
    if (m.id == 4) s[slot::plastic_strain] = w.neweqplastic;
    s.store(statev);
    for (int i = 0; i < nt; ++i) {
        p.stress[i] = w.stress[i];
        for (int j = 0; j < nt; ++j) p.ddsdde(i, j) = w.ddsdde[i + 6 * j];
    }
    return Outcome::ok();
}

}  // namespace

TVK_SOLVER_KERNEL_RULED(UmatResin, umat_resin, resin_point, tvk::solver::resin_results)
TVK_SOLVER_ADAPTED_RULED(Usermat, usermat_resin, abq_umat_to_ansys_usermat, umat_resin, tvk::solver::resin_results)
