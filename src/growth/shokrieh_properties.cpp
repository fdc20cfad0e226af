// Temperature-dependent properties of the Shokrieh fatigue model: two property blocks measured
// at two temperatures are selected or interpolated linearly; a longer vector adds a temperature
// law of the moduli (a quadratic matrix factor below room temperature, exponential decays of the
// matrix and fibre moduli above it, both scaled from the first block of the vector).
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "growth/shokrieh.h"

namespace {

namespace blk = tvk::fatigue::block;

constexpr double celsius0 = 273.15;
constexpr double room = 293.0;
constexpr double room_c = 19.85;  // room temperature in Celsius

void zero(double* p, int n) { std::fill(p, p + n, 0.0); }

}  // namespace

bool tvk::fatigue::properties(const double* props, int nprops, double temp, double* eprops, double* xfprops,
                              double* epsfprops, double* alpha_t, double* alpha_c, double* beta_t, double* beta_c,
                              double* lambda, double* gamma, double* a, double* b, double* u, double* v, double* eta,
                              double* degr_fac) {
    const auto refuse = [&](const char* message, int value, double real) {
        tvk::report(-3, message, value, 0, real);
        for (double* p : {eprops, xfprops, epsfprops}) zero(p, 9);
        for (double* p : {alpha_t, alpha_c, beta_t, beta_c, lambda, gamma, a, b, u, v}) zero(p, 6);
        *eta = 0.0;
        *degr_fac = 0.0;
        return false;
    };
    int np = nprops;
    if (np < tvk::fatigue::nprops_min)
        return refuse("GetShokriehProperties: the property vector needs at least 150 values", np, 0.0);
    if (!std::isfinite(temp)) return refuse("GetShokriehProperties: temperature not finite", np, temp);
    if (np > tvk::fatigue::nprops_min && np < tvk::fatigue::nprops_thermal) {
        tvk::report(-2, "GetShokriehProperties: temperature law incomplete (159 values); not applied", np);
        np = tvk::fatigue::nprops_min;
    }
    const double t = temp;
    *degr_fac = props[149];

    // Blocks ordered by temperature; equal temperatures count as falling (the second is lower).
    const double* first = props;
    const double* second = props + tvk::fatigue::nblock;
    const double ta = first[blk::temperature], tb = second[blk::temperature];
    const bool rising = tb > ta;
    const double* lo = rising ? first : second;
    const double* up = rising ? second : first;
    const double t1 = rising ? ta : tb, t2 = rising ? tb : ta;

    double p[tvk::fatigue::nblock - 1];
    const int nb = tvk::fatigue::nblock - 1;
    if (t < t1) std::copy(lo, lo + nb, p);
    else if (t > t2) std::copy(up, up + nb, p);
    else if (t2 == t1) std::copy(lo, lo + nb, p);  // zero interval: the lower block
    else
        for (int s = 0; s < nb; ++s) p[s] = (up[s] - lo[s]) / (t2 - t1) * (t - t1) + lo[s];

    std::copy(p + blk::elastic, p + blk::elastic + 9, eprops);
    for (int k = 0; k < 3; ++k) {
        xfprops[2 * k] = p[blk::tension + k];
        xfprops[2 * k + 1] = -std::abs(p[blk::compression + k]);
        xfprops[6 + k] = p[blk::shear + k];
    }
    static constexpr int t_of[6] = {0, 2, 4, 6, 7, 8}, c_of[6] = {1, 3, 5, 6, 7, 8};
    for (int i = 0; i < 6; ++i) {
        alpha_t[i] = p[blk::alpha + t_of[i]];
        alpha_c[i] = p[blk::alpha + c_of[i]];
        beta_t[i] = p[blk::beta + t_of[i]];
        beta_c[i] = p[blk::beta + c_of[i]];
        lambda[i] = p[blk::lambda + i];
        gamma[i] = p[blk::gamma + i];
        a[i] = p[blk::ab + 2 * i];
        b[i] = p[blk::ab + 2 * i + 1];
        u[i] = p[blk::u + i];
        v[i] = p[blk::v + i];
    }
    *eta = p[blk::eta];

    if (np > tvk::fatigue::nprops_min) {
        // The laws scale the moduli of the reference block, always the first of the vector.
        const double* ref = first;
        const double c2 = props[150], c1 = props[151], c0 = props[152], threshold = props[153];
        const double tstar = props[154], mlimit = props[155], mexp = props[156];
        const double flimit = props[157], fexp = props[158];
        const double tc = t - celsius0;
        const double q_rt = c2 * room_c * room_c + c1 * room_c + c0;
        const double tau = (t - celsius0) / (tstar - celsius0);
        for (int k = 1; k < 6; ++k) {
            if (t <= threshold) eprops[k] = lo[k];
            else if (t < room) eprops[k] = (c2 * tc * tc + c1 * tc + c0) * ref[k];
            else eprops[k] = (q_rt - (q_rt - mlimit) * std::exp(-std::pow(tau, mexp))) * ref[k];
        }
        if (t <= t1) eprops[0] = lo[0];
        else if (t <= room) eprops[0] = t2 == t1 ? p[0] : lo[0] + (t - t1) * (up[0] - lo[0]) / (t2 - t1);
        else eprops[0] = (1.0 - std::exp(-std::pow(tau, fexp)) * (1.0 - flimit)) * ref[0];
    }

    static constexpr int modulus_of[9] = {0, 0, 1, 1, 2, 2, 3, 4, 5};
    for (int k = 0; k < 9; ++k) epsfprops[k] = xfprops[k] / eprops[modulus_of[k]];

    // Every set must be finite: a zero modulus gives infinite failure strains, a value that is
    // not a number spreads into the sets that use it.
    bool finite = std::isfinite(*eta) && std::isfinite(*degr_fac);
    for (const double* p : {eprops, xfprops, epsfprops})
        for (int k = 0; k < 9; ++k) finite = finite && std::isfinite(p[k]);
    for (const double* p : {alpha_t, alpha_c, beta_t, beta_c, lambda, gamma, a, b, u, v})
        for (int k = 0; k < 6; ++k) finite = finite && std::isfinite(p[k]);
    if (!finite) return refuse("GetShokriehProperties: sets not finite (a zero modulus or a NaN value)", np, t);
    return true;
}

void GetShokriehProperties(const double* props, const int* nprops, const double* temp, double* eprops,
                           double* xfprops, double* epsfprops, double* alpha_t, double* alpha_c, double* beta_t,
                           double* beta_c, double* lambda, double* gamma, double* a, double* b, double* u,
                           double* v, double* eta, double* degr_fac) {
    tvk::fatigue::properties(props, *nprops, *temp, eprops, xfprops, epsfprops, alpha_t, alpha_c, beta_t, beta_c,
                             lambda, gamma, a, b, u, v, eta, degr_fac);
}
