// Property lists and model tables of the resin and fatigue ply routines, shared by the tests that
// drive those routines. The values are fixed: tests compare results of these inputs bit for bit.
//
// Resin: the property lists of the elastic-damage and the plastic layouts, and the model tables
// (calibration temperatures, secant, flow, softening and cubic tables, regularisation, critical
// stress ratio) set and released in tvk::materialdata.
// Shokrieh: the property list of a ply at 250 K and at 350 K, the sub-ply angle and degr.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/modeldata.h"

namespace tvktest {

// ---- Resin ----------------------------------------------------------------------------------------

// e, nu, num, xt, np, gamma, xc/xt, a_woehler, exp_woehler at 250 K and at 350 K, then degr.
inline std::vector<double> resin_props() {
    std::vector<double> p = {3000.0, 0.35, 1e-5, 80.0, 1.5, 20.0, 1.5, 1.0, -0.08, 250.0};
    std::vector<double> b = {2800.0, 0.36, 1e-5, 75.0, 1.5, 22.0, 1.5, 1.0, -0.08, 350.0};
    p.insert(p.end(), b.begin(), b.end());
    p.push_back(0.1);
    return p;
}
// et, ec, g, nut, nuc, alpha, xt, xc, np, a_woehler, exp_woehler at 250 K and 350 K, then degr.
inline std::vector<double> plastic_props() {
    std::vector<double> p = {3000.0, 3300.0, 1100.0, 0.35, 0.38, 0.3, 80.0, 120.0, 1.5, 1.0, -0.08, 250.0};
    std::vector<double> b = {2900.0, 3200.0, 1050.0, 0.36, 0.38, 0.3, 78.0, 118.0, 1.5, 1.0, -0.08, 350.0};
    p.insert(p.end(), b.begin(), b.end());
    p.push_back(0.1);
    return p;
}
// The property list of resin model `model`: the plastic layout for models 0 and 4.
inline std::vector<double> resin_props_of(int model) {
    return model == 0 || model == 4 ? plastic_props() : resin_props();
}

// One calibration table of two temperature columns with the same rows at both.
inline void fill_calibration(tvk::Table<double, 3>& t, int& count, const std::vector<double>& x,
                             const std::vector<std::vector<double>>& y) {
    const auto rows = static_cast<std::int64_t>(x.size());
    t.allocate({2, rows, static_cast<std::int64_t>(1 + y.size())});
    for (int tc = 1; tc <= 2; ++tc)
        for (std::int64_t r = 1; r <= rows; ++r) {
            *t.at(tc, r, 1) = x[r - 1];
            for (std::size_t f = 0; f < y.size(); ++f) *t.at(tc, r, static_cast<std::int64_t>(f + 2)) = y[f][r - 1];
        }
    count = static_cast<int>(rows);
}

// The model data of resin model `model`: calibration temperatures 250 K and 350 K, the secant,
// flow, softening (normal and shear, both `softening`) and cubic tables, the regularisation
// (reg1, 0.1) and the critical stress ratio.
inline void set_resin_tables(int model, double softening, double reg1) {
    auto& md = tvk::materialdata;
    md.modelid = model;
    md.temperatures.allocate({2});
    *md.temperatures.at(1) = 250.0;
    *md.temperatures.at(2) = 350.0;
    fill_calibration(md.secantprops, md.nsecantdata, {-1.0, 1.0}, {{2800.0, 2800.0}});
    fill_calibration(md.flowprops, md.nflowdata, {0.0, 1.0}, {{900.0, 900.0}, {20.0, 20.0}});
    fill_calibration(md.normalprops, md.nnormaldata, {-1.0, 1.0}, {{softening, softening}});
    fill_calibration(md.shearprops, md.nsheardata, {-1.0, 1.0}, {{softening, softening}});
    fill_calibration(md.alpha1props, md.nalpha1data, {-1.0, 0.0, 1.0}, {{900.0, 1000.0, 1050.0}});
    fill_calibration(md.alpha2props, md.nalpha2data, {-1.0, 0.0, 1.0}, {{700.0, 800.0, 820.0}});
    fill_calibration(md.alpha3props, md.nalpha3data, {-1.0, 0.0, 1.0}, {{600.0, 650.0, 700.0}});
    md.regularization.allocate({2});
    *md.regularization.at(1) = reg1;
    *md.regularization.at(2) = 0.1;
    md.r_crit.allocate({1});
    *md.r_crit.at(1) = -1.3;
}

// The tables set_resin_tables sets, released; the model id back to 0.
inline void release_resin_tables() {
    auto& md = tvk::materialdata;
    for (auto* t : {&md.secantprops, &md.flowprops, &md.normalprops, &md.shearprops, &md.alpha1props,
                    &md.alpha2props, &md.alpha3props})
        t->release();
    md.temperatures.release();
    md.regularization.release();
    md.r_crit.release();
    md.modelid = 0;
}

// ---- Shokrieh fatigue ply -------------------------------------------------------------------------

// The point block at temperature `temp`: elastic constants, strengths, the fatigue curve
// parameters, each scaled by `scale`.
inline std::vector<double> shokrieh_block(double temp, double scale) {
    std::vector<double> b(74, 0.0);
    const double el[9] = {140e3, 10e3, 9e3, 5e3, 4.8e3, 3.5e3, 0.3, 0.31, 0.45};
    const double st[9] = {2000, 50, 45, 1200, -200, 190, 80, 78, 60};
    for (int k = 0; k < 9; ++k) {
        b[k] = k < 6 ? el[k] * scale : el[k];
        b[9 + k] = st[k] * scale;
        b[18 + k] = 1.5 * scale + 0.01 * k;
        b[27 + k] = 5.0 * scale + 0.02 * k;
    }
    for (int k = 0; k < 6; ++k) {
        b[36 + k] = 4.0 * scale + 0.03 * k;
        b[42 + k] = 1.2 * scale + 0.04 * k;
        b[48 + 2 * k] = 1.0 * scale + 0.001 * k;
        b[49 + 2 * k] = -0.1 * scale - 0.001 * k;
        b[61 + k] = 1.0 + 0.05 * k;
        b[67 + k] = 0.5 + 0.05 * k;
    }
    b[73] = temp;
    return b;
}
// The property list: the blocks at 250 K and at 350 K (scaled by 1.1), the sub-ply angle and
// degr_fac.
inline std::vector<double> shokrieh_props(double angle = 0.0) {
    std::vector<double> p = shokrieh_block(250.0, 1.0), up = shokrieh_block(350.0, 1.1);
    p.insert(p.end(), up.begin(), up.end());
    p.push_back(angle);
    p.push_back(0.1);  // degr_fac
    return p;
}

}  // namespace tvktest
