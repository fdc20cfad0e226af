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

void heat_law(const tvk::solver::HetvalProny& a) {
    a.flux[0] = 0.0;
    if (!finite(a.temp[0]) || !finite(a.dtime)) {
        tvk::report(-3, "hetval_prony: non-finite temperature or time increment; no heat", 0, 0, a.temp[0]);
        return;
    }
    CureData d;
    if (!cure_data(d, a.cmname)) {
        tvk::report(-3, "hetval_prony: no cure data for this ply and section");
        return;
    }
    const double rate = advance_cure(d, a.statev, a.temp[0], a.dtime);
    a.flux[0] = d.enthalpy[0] * rate;
}

void expansion_law(const tvk::solver::UexpanProny& a) {
    std::fill(a.expan.data(), a.expan.data() + 6, 0.0);
    std::fill(a.dexpandt.data(), a.dexpandt.data() + 6, 0.0);
    if (a.nstatv < cs::expansion_min) {
        tvk::report(-3, "uexpan_prony: fewer than 508 state variables", a.nstatv);
        return;
    }
    if (!finite(a.temp[0]) || !finite(a.temp[1]) || !finite(a.time[1]) || !finite(a.dtime)) {
        tvk::report(-3, "uexpan_prony: non-finite temperature or time; no expansion", 0, 0, a.temp[0]);
        return;
    }
    CureData d;
    if (!cure_data(d, a.cmname)) {
        tvk::report(-3, "uexpan_prony: no cure data for this ply and section");
        return;
    }
    const auto& sv = a.statev;
    if (a.time[1] == 0.0) {  // start of the analysis: the cure starts over
        cs::slot(sv, cs::degree) = 0.0;
        cs::slot(sv, cs::rate) = 0.0;
        cs::slot(sv, cs::tg) = 0.0;
    }
    const double rate = advance_cure(d, sv, a.temp[0] + a.temp[1], a.dtime);
    // Glassy below Tg; above it liquid (no expansion) until the gel point, then rubbery.
    const double t = a.temp[0];
    const double* alpha = nullptr;
    const double* beta = nullptr;
    if (t < cs::slot(sv, cs::tg)) {
        alpha = d.expansion, beta = d.shrinkage;
    } else if (cs::slot(sv, cs::degree) >= d.gel[0]) {
        alpha = d.expansion + 3, beta = d.shrinkage + 3;
    }
    for (int i = 0; i < 3; ++i) {
        const double th = alpha ? alpha[i] * a.temp[1] : 0.0;
        const double ch = beta ? beta[i] * rate * a.dtime : 0.0;
        a.expan[i] = th + ch;
        if (i < 2) sv[cs::chemical_increment - 1 + i] = ch;
        sv[cs::thermal_sum - 1 + i] += th;
        sv[cs::chemical_sum - 1 + i] += ch;
    }
}

}  // namespace

TVK_SOLVER_ENTRY(HetvalProny, hetval_prony, heat_law)
TVK_SOLVER_ENTRY(UexpanProny, uexpan_prony, expansion_law)
