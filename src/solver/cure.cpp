// Heat of reaction and thermal and chemical expansion of a curing resin (hetval_prony,
// uexpan_prony): both advance the degree of cure of the point over their increment and update
// its glass transition temperature, which umat_prony reads. When a coupled analysis calls both
// for one point with one state vector, the cure advances twice per increment; each routine
// assumes it owns the cure state of its analysis.
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/modeldata.h"
#include "cure_state.h"
#include "prony.h"

namespace {

namespace cs = tvk::curestate;
namespace col = tvk::columns::cuprops;

// The cure data of a point: the columns of cuprops for its ply and section.
struct CureData {
    const double* gel = nullptr;
    const double* enthalpy = nullptr;
    const double* expansion = nullptr;  // glassy 11 22 33, rubbery 11 22 33
    const double* shrinkage = nullptr;  // the same order
    const double* limit = nullptr;      // c1, c2
    const double* transition = nullptr; // Tg0, Tg-infinity (Celsius), lambda
    const double* rate = nullptr;       // cure-rate coefficients
    int nc = 0;
};

// False when the table lacks any of the columns (a table with fewer than eight columns).
bool cure_data(CureData& d, std::string_view cmname) {
    const cs::PlySection at = cs::ply_section(cmname);
    d.gel = cs::cure_column(at, col::gelpoint, d.nc);
    d.enthalpy = cs::cure_column(at, col::enthalpy, d.nc);
    d.expansion = cs::cure_column(at, col::expansion, d.nc);
    d.shrinkage = cs::cure_column(at, col::shrinkage, d.nc);
    d.limit = cs::cure_column(at, col::curelimit, d.nc);
    d.transition = cs::cure_column(at, col::transition, d.nc);
    d.rate = cs::cure_column(at, col::curerate, d.nc);
    return d.gel && d.enthalpy && d.expansion && d.shrinkage && d.limit && d.transition && d.rate;
}

// Advances the degree of cure over dtime at the temperature tc: the largest reachable degree
// never falls; below it the degree takes the implicit (backward Euler) step of FuncDegree, solved
// for its root where the fixed-point iteration bounces off the reachable degree. Writes slots 1-4 and
// returns the cure rate at the new degree (0 once the reachable degree is reached).
template <class V>
double advance_cure(const CureData& d, const V& svar, double tc, double dtime) {
    double amax = 1.0 / (1.0 + std::exp(d.limit[1] - d.limit[0] * (tc - cs::kelvin0)));
    double& reached = cs::slot(svar, cs::reachable);
    if (reached > amax) amax = reached;
    double rate = 0.0;
    double& a = cs::slot(svar, cs::degree);
    if (a < amax) {
        a = cs::implicit_degree(d.rate, d.nc, tc, a, dtime, amax);
        rate = CureRate(d.rate, &tc, &a, &amax, &d.nc);
    }
    cs::slot(svar, cs::rate) = rate;
    reached = amax;
    // Glass transition of the DiBenedetto form, in kelvin.
    const double tg0 = d.transition[0], tginf = d.transition[1], lambda = d.transition[2];
    cs::slot(svar, cs::tg) = (tginf - tg0) * lambda * a / (1.0 - (1.0 - lambda) * a) + tg0 + cs::kelvin0;
    return rate;
}

bool finite(double v) { return std::isfinite(v); }

// The largest reachable degree a point holds (slot 4) and its degree of cure (slot 1) are ones
// the cure update stored, degrees in [0, 1] (a fresh point holds 0): any other value, which the
// update would take as the point's degree and store again (a degree of 2 gave a glass transition
// of -1536.85 K), is no state of a curing point.
bool usable_degree(double degree) { return degree >= 0.0 && degree <= 1.0; }

void heat_law(const tvk::solver::HetvalProny& a) {
    a.flux[0] = 0.0;
    if (!finite(a.temp[0]) || !finite(a.dtime)) {
        tvk::report_refused_point("hetval_prony: non-finite temperature or time increment; no heat", 0, 0, a.temp[0]);
        return;
    }
    // The cure cannot run backwards in time; an increment of 0 is served (no heat).
    if (a.dtime < 0.0) {
        tvk::report_refused_point("hetval_prony: negative time increment; no heat", 0, 0, a.dtime);
        return;
    }
    CureData d;
    if (!cure_data(d, a.cmname)) {
        tvk::report_refused_point("hetval_prony: no cure data for this ply and section");
        return;
    }
    if (const double reached = cs::slot(a.statev, cs::reachable); !usable_degree(reached)) {
        tvk::report_refused_point("hetval_prony: reachable degree of cure svar(4) not in [0, 1]; no heat", 0, 0,
                                  reached);
        return;
    }
    if (const double degree = cs::slot(a.statev, cs::degree); !usable_degree(degree)) {
        tvk::report_refused_point("hetval_prony: degree of cure svar(1) not in [0, 1]; no heat", 0, 0, degree);
        return;
    }
    // The cure advances in a copy of slots 1-4, written back only when all of it and the heat are
    // finite: a temperature or increment that overflows the kinetics (the bracketed root of a step
    // whose rate overflows is NaN) leaves the state as it came.
    double cure[cs::heat_min];
    std::copy_n(a.statev.data(), cs::heat_min, cure);
    const double rate = advance_cure(d, &cure[0], a.temp[0], a.dtime);
    const double flux = d.enthalpy[0] * rate;
    if (!finite(flux) || !std::all_of(cure, cure + cs::heat_min, finite)) {
        tvk::report_refused_point("hetval_prony: non-finite cure or heat; no heat", 0, 0, a.temp[0], a.dtime);
        return;
    }
    std::copy_n(cure, cs::heat_min, a.statev.data());
    a.flux[0] = flux;
}

void expansion_law(const tvk::solver::UexpanProny& a) {
    std::fill(a.expan.data(), a.expan.data() + 6, 0.0);
    std::fill(a.dexpandt.data(), a.dexpandt.data() + 6, 0.0);
    if (a.nstatv < cs::expansion_min) {
        tvk::report_refused_point("uexpan_prony: fewer than 508 state variables", a.nstatv);
        return;
    }
    if (!finite(a.temp[0]) || !finite(a.temp[1]) || !finite(a.time[1]) || !finite(a.dtime)) {
        tvk::report_refused_point("uexpan_prony: non-finite temperature or time; no expansion", 0, 0, a.temp[0]);
        return;
    }
    if (a.dtime < 0.0) {
        tvk::report_refused_point("uexpan_prony: negative time increment; no expansion", 0, 0, a.dtime);
        return;
    }
    CureData d;
    if (!cure_data(d, a.cmname)) {
        tvk::report_refused_point("uexpan_prony: no cure data for this ply and section");
        return;
    }
    if (const double reached = cs::slot(a.statev, cs::reachable); !usable_degree(reached)) {
        tvk::report_refused_point("uexpan_prony: reachable degree of cure svar(4) not in [0, 1]; no expansion", 0,
                                  0, reached);
        return;
    }
    // At the start of the analysis (total time 0) the cure starts over: slot 1 is not read.
    if (const double degree = cs::slot(a.statev, cs::degree); a.time[1] != 0.0 && !usable_degree(degree)) {
        tvk::report_refused_point("uexpan_prony: degree of cure svar(1) not in [0, 1]; no expansion", 0, 0, degree);
        return;
    }
    // The cure (slots 1-4) and the strains of the increment are computed in copies and written
    // only when all of them are finite, so that a refused point keeps its state.
    const auto& sv = a.statev;
    double cure[cs::heat_min];
    std::copy_n(sv.data(), cs::heat_min, cure);
    if (a.time[1] == 0.0) {  // start of the analysis: the cure starts over
        cs::slot(cure, cs::degree) = 0.0;
        cs::slot(cure, cs::rate) = 0.0;
        cs::slot(cure, cs::tg) = 0.0;
    }
    const double rate = advance_cure(d, &cure[0], a.temp[0] + a.temp[1], a.dtime);
    // Glassy below Tg; above it liquid (no expansion) until the gel point, then rubbery.
    const double t = a.temp[0];
    const double* alpha = nullptr;
    const double* beta = nullptr;
    if (t < cs::slot(cure, cs::tg)) {
        alpha = d.expansion, beta = d.shrinkage;
    } else if (cs::slot(cure, cs::degree) >= d.gel[0]) {
        alpha = d.expansion + 3, beta = d.shrinkage + 3;
    }
    double th[3], ch[3], thermal[3], chemical[3];
    bool ok = std::all_of(cure, cure + cs::heat_min, finite);
    for (int i = 0; i < 3; ++i) {
        th[i] = alpha ? alpha[i] * a.temp[1] : 0.0;
        ch[i] = beta ? beta[i] * rate * a.dtime : 0.0;
        thermal[i] = sv[cs::thermal_sum - 1 + i] + th[i];
        chemical[i] = sv[cs::chemical_sum - 1 + i] + ch[i];
        ok = ok && finite(th[i] + ch[i]) && finite(thermal[i]) && finite(chemical[i]);  // th, ch finite too
    }
    if (!ok) {
        tvk::report_refused_point("uexpan_prony: non-finite cure or expansion; no expansion", 0, 0, a.temp[0], a.dtime);
        return;
    }
    std::copy_n(cure, cs::heat_min, sv.data());
    for (int i = 0; i < 3; ++i) {
        a.expan[i] = th[i] + ch[i];
        if (i < 2) sv[cs::chemical_increment - 1 + i] = ch[i];
        sv[cs::thermal_sum - 1 + i] = thermal[i];
        sv[cs::chemical_sum - 1 + i] = chemical[i];
    }
}

}  // namespace

TVK_SOLVER_ENTRY(HetvalProny, hetval_prony, heat_law)
TVK_SOLVER_ENTRY(UexpanProny, uexpan_prony, expansion_law)
