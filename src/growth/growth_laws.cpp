// Delamination growth under cyclic load: a Paris-type rate da/dN = cf G^nf (P. C. Paris,
// F. Erdogan, 1963) driven by the strip model's energy release rates under compression, and by
// the energy released at a fibre crack opening a delamination under tension (the cracked ply's
// stiffness against its stiffness with one stress direction relieved).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/errors.h"
#include "delisio.h"
#include "mechanics/laminate.h"
#include "mechanics/transformation.h"

namespace {

// cf G^nf for G > 0 where G^nf alone leaves the normal range: G = m 2^e and cf = mc 2^ec split
// off their exponents, and e nf = t + dt exactly, so cf G^nf = mc m^nf 2^(t - floor t + dt)
// 2^(floor t + ec), with every factor but the last near 1.
double paris_scaled(double g, double cf, double nf) {
    int e = 0, ec = 0;
    const double m = std::frexp(g, &e), mc = std::frexp(cf, &ec);
    const double t = e * nf, dt = std::fma(static_cast<double>(e), nf, -t);
    const double whole = std::floor(t);
    const double v = mc * std::pow(m, nf) * std::exp2((t - whole) + dt);
    // Beyond +-1e5 the power of two lies outside every double's range either way.
    return std::ldexp(v, static_cast<int>(std::clamp(whole, -1e5, 1e5)) + ec);
}

}  // namespace

// No energy release (G <= 0) drives no growth.
void GrowthRateParis(const double* deltag, double* dadn, const double* cf, const double* nf) {
    const double g = *deltag;
    if (g <= 0.0) {
        *dadn = 0.0;
        return;
    }
    const double p = std::pow(g, *nf);
    if ((p == HUGE_VAL || p < std::numeric_limits<double>::min()) && std::isfinite(g) && std::isfinite(*cf) &&
        std::isfinite(*nf) && *cf != 0.0) {
        *dadn = paris_scaled(g, *cf, *nf);
        return;
    }
    *dadn = *cf * p;
}

// The two directions are the two formulas as they stand (the second is not the algebraic
// inverse of the first).
void GrowthInitiationParis(double* deltag, double* n, const double* c1, const double* c2) {
    if (*n < 0.0)
        *n = std::pow(*c1 / *deltag, *c2);
    else
        *deltag = *c1 * std::pow(*n, 1.0 / *c2);
}

void fiber_tension_lefm(const double* sigma11_ply, const double* b_crack, const double*, const int* nprops,
                        const double* props, double* serr_f_t) {
    *serr_f_t = 0.0;
    if (*nprops < 1) {
        tvk::report(-3, "Ply properties missing in fiber_tension_lefm.", *nprops);
        return;
    }
    const double k = *sigma11_ply * std::sqrt(tvk::pi * *b_crack);
    *serr_f_t = k * k / props[0];
}

void sERR_delaTension(const double* dof_r, const double* a_r, const double*, const double*, const double*,
                      const double*, double* serr_d_t, const int* dir, const int* outer) {
    static constexpr int three = 3, none = 0;
    const double unit = 1.0;
    double u, ur;
    LinearElasticEnergy(dof_r, a_r, &unit, &u, &three);
    reducedElasticEnergy(dof_r, a_r, &unit, &ur, dir, &none, &three);
    *serr_d_t = (u - ur) / ((outer && *outer == 1) ? 1.0 : 2.0);
}

namespace {

// A laminate of plies of one thickness and one property vector.
struct Layup {
    std::vector<double> elastic, orientation, thickness;
    Layup(const double* layup, int first, int last, double tply, const double* props) {
        for (int k = first; k <= last; ++k) {
            elastic.insert(elastic.end(), props, props + 9);
            orientation.push_back(layup[k - 1]);
            thickness.push_back(tply);
        }
    }
    void abd(double* out) const {
        const int n = static_cast<int>(orientation.size());
        double a[9], b[9], d[9];
        GetAMatrix(a, elastic.data(), orientation.data(), thickness.data(), &n);
        GetBMatrix(b, elastic.data(), orientation.data(), thickness.data(), &n);
        GetDMatrix(d, elastic.data(), orientation.data(), thickness.data(), &n);
        GetABDMatrix(out, a, b, d);
    }
};

void times(double* y, const double* m, const double* x) {
    for (int i = 0; i < 6; ++i) {
        double s = 0.0;
        for (int j = 0; j < 6; ++j) s += m[i + 6 * j] * x[j];
        y[i] = s;
    }
}

bool enough_inputs(const char* who, int nprops, int ndof, int need_props) {
    if (nprops >= need_props && ndof >= 6) return true;
    tvk::report(-3, tvk::compose(who, ": too few properties or strains."), nprops, ndof);
    return false;
}

}  // namespace

void DelaCompGrowth(const double* layup, const double* tply, const double* indof, const int* dela_interface,
                    const double* props, const double* length, const double* width, const double* extensdmg,
                    double* results, const double* dmgwidth, const double* dmglength, const int* totalcycles,
                    const int* nplies, const int* nprops, const int* ndof, const int* incyclejump, const double*,
                    const double* dmgincrement_in) {
    const int total = std::max(*totalcycles, 0), np = *nplies, k = *dela_interface;
    double* res = results;
    std::fill(res, res + 13 * static_cast<std::size_t>(total + 1), 0.0);
    const int jump = incyclejump ? *incyclejump : 1;
    if (jump < 1) {
        tvk::report(-3, "Cycle jump below 1 in DelaCompGrowth.", jump);
        return;
    }
    if (!enough_inputs("DelaCompGrowth", *nprops, *ndof, 12)) return;
    if (k < 1 || k >= np) {
        tvk::report(-3, "Delaminated interface outside the laminate in DelaCompGrowth.", k, np);
        return;
    }
    double abd[36], abdsub[72], sub[2][36], forcecases[18], f[6];
    Layup(layup, 1, np, *tply, props).abd(abd);
    Layup(layup, 1, k, *tply, props).abd(sub[0]);
    Layup(layup, k + 1, np, *tply, props).abd(sub[1]);
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i)
            for (int s = 0; s < 2; ++s) abdsub[s + 2 * i + 12 * j] = sub[s][i + 6 * j];
    const double* mats[3] = {abd, sub[0], sub[1]};
    for (int r = 0; r < 3; ++r) {
        times(f, mats[r], indof);
        for (int j = 0; j < 6; ++j) forcecases[r + 3 * j] = f[j];
    }
    const double cf = props[11], nf = props[10];
    const double dinc = dmgincrement_in ? *dmgincrement_in : 0.1;
    res[1] = forcecases[0];
    res[2] = indof[0] * *length;
    res[3] = *dmglength;
    res[4] = *dmgwidth;
    res[5] = *dmglength * *dmgwidth;
    int cycles = 0;
    for (int col = 0; col < total && cycles < total; ++col) {
        const double* cur = res + 13 * col;
        const double a = cur[3] / 2.0, b = cur[4] / 2.0;
        double gx, gy, gyl, gyr, dadn, dbdn;
        const double zero = 0.0, one = 1.0;
        EnergyReleaseRate(indof, abd, abdsub, &a, &b, width, length, &zero, forcecases, &gx, &gy, &gyl, &gyr,
                          extensdmg, &dinc, &dinc, &one, &zero);
        GrowthRateParis(&gx, &dadn, &cf, &nf);
        GrowthRateParis(&gy, &dbdn, &cf, &nf);
        cycles += jump;
        double* next = res + 13 * (col + 1);
        const double an = a + jump * dadn, bn = b + jump * dbdn;
        next[0] = cycles;
        next[1] = res[1];
        next[2] = res[2];
        next[3] = 2.0 * an;
        next[4] = 2.0 * bn;
        next[5] = 4.0 * an * bn;
        next[6] = dadn;
        next[7] = dbdn;
        next[8] = gx;
        next[9] = gy;
        next[10] = gyl;
        next[11] = gyr;
    }
}

void delaTension(const double* layup, const double* tply, const double* indof, const int* ncrack,
                 const double* props, const double*, const double*, const double*, double* results,
                 const double* indmgwidth, const double* indmglength, const double* l_crack, const int* totalcycles,
                 const int* nplies, const int* nprops, const int* ndof, const int* incyclejump, const double*,
                 const double* paris_ng) {
    constexpr int kColumns = 1000;
    std::fill(results, results + 13 * kColumns, 0.0);
    const int np = *nplies, k = *ncrack;
    const int jump = incyclejump ? *incyclejump : std::max(1, *totalcycles / 10);
    if (jump < 1) {
        tvk::report(-3, "Cycle jump below 1 in delaTension.", jump);
        return;
    }
    if (!enough_inputs("delaTension", *nprops, *ndof, 12)) return;
    if (k < 1 || k > np) {
        tvk::report(-3, "Cracked ply outside the laminate in delaTension.", k, np);
        return;
    }
    const double c1 = paris_ng ? paris_ng[0] : 1.0, c2 = paris_ng ? paris_ng[1] : 0.0;
    const double cf = props[11], nf = props[10];
    double abd[36], f[6];
    Layup(layup, 1, np, *tply, props).abd(abd);
    times(f, abd, indof);
    // Line loads of the cracked ply alone and their principal direction (|theta_p| < 45 degrees;
    // an equibiaxial, shear-free load has every direction principal and takes 0).
    const int one = 1;
    double a1[9];
    GetAMatrix(a1, props, &layup[k - 1], tply, &one);
    double np3[3];
    for (int i = 0; i < 3; ++i) np3[i] = a1[i] * indof[0] + a1[i + 3] * indof[1] + a1[i + 6] * indof[2];
    const double num = 2.0 * np3[2], den = np3[0] - np3[1];
    const double thp = (num == 0.0 && den == 0.0) ? 0.0 : 0.5 * std::atan(num / den) * tvk::rad2deg;
    const double delta = layup[k - 1] - thp;
    double ar[9];
    GetAMatrix(ar, props, &delta, tply, &one);
    static constexpr double axis3[3] = {0.0, 0.0, 1.0};
    const double thp_r = thp * tvk::deg2rad, zero = 0.0, half12 = indof[2] / 2.0;
    double sv[6];
    GetRotatedStresses(sv, &thp_r, axis3, &indof[0], &indof[1], &zero, &half12, &zero, &zero, nullptr);
    const double ep[3] = {sv[0], sv[1], 2.0 * sv[3]};
    const double cd = std::cos(delta * tvk::deg2rad), sd = std::sin(delta * tvk::deg2rad);
    const int outer = (k == np || k == 1) ? 1 : 0, dir1 = 1, dir2 = 2;
    const double lc1 = *l_crack * cd, lc2 = *l_crack * sd;
    double g1, g2, r1, r2, ni = -1.0;
    sERR_delaTension(ep, ar, indmglength, indmgwidth, &lc1, &delta, &g1, &dir1, &outer);
    sERR_delaTension(ep, ar, indmglength, indmgwidth, &lc2, &delta, &g2, &dir2, &outer);
    GrowthRateParis(&g1, &r1, &cf, &nf);
    GrowthRateParis(&g2, &r2, &cf, &nf);
    // A direction without energy release (G1 <= 0) counts as none: cycles to initiation as at G1 = 0.
    double g1copy = g1 <= 0.0 ? 0.0 : g1;
    GrowthInitiationParis(&g1copy, &ni, &c1, &c2);
    double a = *indmglength, b = *indmgwidth, area = (tvk::pi / 4.0) * *indmgwidth * *indmglength;
    double* col = results;
    col[1] = f[0];
    col[2] = indof[0];
    col[3] = a;
    col[4] = b;
    col[5] = area;
    col[6] = g1;
    col[7] = 2.0 * *l_crack * cd * r1;
    col[8] = g2;
    col[9] = ni;
    int column = 1;
    for (long long c = jump; c <= *totalcycles; c += jump) {
        if (column >= kColumns) {
            tvk::report(-2, "Results table full in delaTension: later cycles not recorded.", kColumns);
            break;
        }
        a += r1 * jump;
        b += r2 * jump;
        area += (2.0 * *l_crack * sd * r2 + 2.0 * *l_crack * cd * r1) * jump;
        double* next = results + 13 * column++;
        next[0] = static_cast<double>(c);
        next[1] = col[1];
        next[2] = col[2];
        next[3] = a;
        next[4] = b;
        next[5] = area;
        next[6] = g1;
        next[7] = col[7];
        next[8] = g2;
    }
}
