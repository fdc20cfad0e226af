// Resin constants from two blocks measured at two temperatures: pick or interpolate the block
// values at the current temperature, replace the modulus by the temperature-degradation law of
// the resin, and soften the moduli per direction by the strain-softening tables.
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/trace.h"
#include "notation.h"
#include "resin.h"

namespace {

using tvk::Trace;

constexpr double kRoomA = 293.0, kRoomB = 293.15;  // room temperature, both spellings [K]
constexpr double kCelsius = 273.15;

// The two blocks of a property vector ordered by temperature: block 1 the colder one (block B
// first when the two temperatures are equal or given in falling order).
struct Blocks {
    const double* b1;
    const double* b2;
    double t1, t2;
    Blocks(const double* props, int nb) {
        const double* a = props;
        const double* b = props + nb + 1;
        const double ta = props[nb], tb = props[2 * nb + 1];
        if (tb > ta) { b1 = a; b2 = b; t1 = ta; t2 = tb; }
        else { b1 = b; b2 = a; t1 = tb; t2 = ta; }
    }
    // The block measured at room temperature, or null.
    const double* room() const {
        if (t1 == kRoomA || t1 == kRoomB) return b1;
        if (t2 == kRoomA || t2 == kRoomB) return b2;
        return nullptr;
    }
    // The block measured below room temperature, or null.
    const double* cold() const {
        if (t1 < kRoomA) return b1;
        if (t2 < kRoomA) return b2;
        return nullptr;
    }
    // Values at temp: block 1 below T1, block 2 above T2, linear in between (block 1 when the
    // two temperatures coincide). Returns which: 1, 2, or 0 for interpolated.
    int values(double temp, int nb, double* out) const {
        if (temp < t1 || (t1 == t2 && temp == t1)) {
            std::copy(b1, b1 + nb, out);
            return 1;
        }
        if (temp > t2) {
            std::copy(b2, b2 + nb, out);
            return 2;
        }
        const double w = (temp - t1) / (t2 - t1);
        for (int k = 0; k < nb; ++k) out[k] = b1[k] + (b2[k] - b1[k]) * w;
        return 0;
    }
};

// Modulus of the temperature-degradation law at temp from the coefficient block
// c = (c2, c1, c0, slope, intercept, Ta, Tb, Tc, Tw, m, Eres): the cold modulus up to Ta, the
// room-temperature modulus scaled by the linear law below Tb and by the quadratic law from Tb
// up to Tc, and above Tc an exponential decay from the quadratic law's value at Tc towards Eres.
// ecold / eroom are null when no block was measured there: false (e untouched) when the case at
// temp needs one of them.
bool degraded_modulus(const double* c, double temp, const double* ecold, const double* eroom,
                      double& e) {
    const double c2 = c[0], c1 = c[1], c0 = c[2], slope = c[3], icpt = c[4];
    const double ta = c[5], tb = c[6], tc = c[7], tw = c[8], m = c[9], eres = c[10];
    const double tcel = temp - kCelsius;
    if (temp <= ta) {
        if (!ecold) return false;
        e = *ecold;
        return true;
    }
    if (!eroom) return false;
    if (temp < tb) {
        e = *eroom * (slope * tcel + icpt);
    } else if (temp < tc) {
        // Tb itself belongs to the quadratic law, so that no temperature falls between the laws.
        e = *eroom * (c2 * tcel * tcel + c1 * tcel + c0);
    } else {
        const double tp = tc - kCelsius;
        const double ep = *eroom * (c2 * tp * tp + c1 * tp + c0);
        e = ep - (ep - eres) * std::exp(-std::pow(tcel / (tw - kCelsius), m));
    }
    return true;
}

void missing_block(const char* routine) {
    tvk::report(-2, std::string("No block at the temperature the modulus law needs in ") + routine);
}

// The count a caller that hands in exactly nprops values may have read: a count that switches
// the modulus law on (from `on`) without holding its coefficients (`full` values) is taken as the
// count below the switch, with a report.
int readable_count(int nprops, int on, int full, const char* message) {
    if (nprops < on || nprops >= full) return nprops;
    tvk::report(-2, message, nprops, full);
    return on - 1;
}

}  // namespace

void tvk::resin::properties(const double* props, const int* nprops, const double* temp, double* e,
                        double* nu, double* num, double* gamma, double* degr, double* xt,
                        double* xc, double* np, double* a_woehler, double* exp_woehler,
                        const int* noel) {
    double* outs[] = {e, nu, num, gamma, degr, xt, xc, np, a_woehler, exp_woehler};
    for (double* o : outs) *o = 0.0;
    if (*nprops < 21) {
        tvk::report(-2, "Too few resin properties in GetResinProperties", *nprops, 21);
        return;
    }
    constexpr int nb = 9;
    const Blocks blk(props, nb);
    const double t = *temp;
    double v[nb];
    const int which = blk.values(t, nb, v);
    const bool trace = tvk::resin::traced(*noel);
    if (trace) {
        Trace() << "temp" << t;
        Trace() << "T1" << blk.t1;
        Trace() << "T2" << blk.t2;
        Trace() << (which == 1 ? "E1 =" : which == 2 ? "E2 =" : "E =") << v[0];
    }
    if (*nprops >= 29 && t > kRoomB) {
        const double* room = blk.room();
        const double* cold = blk.cold();
        if (!degraded_modulus(props + 21, t, cold, room, v[0]))
            missing_block("GetResinProperties");
    }
    if (trace) Trace() << "E =" << v[0];
    *e = v[0];
    *nu = v[1];
    *num = v[2];
    *xt = v[3];
    *np = v[4];
    *gamma = v[5];
    *xc = v[6] * v[3];
    *a_woehler = v[7];
    *exp_woehler = v[8];
    *degr = props[20];
}

void tvk::resin::plastic_properties(const double* props, const int* nprops, const double* temp,
                               const double* eqplaststrain, double* et, double* ec, double* g,
                               double* nut, double* nuc, double* a0, double* a1, double* alpha,
                               double* degr, double* xt, double* xc, double* np,
                               double* a_woehler, double* exp_woehler) {
    double* outs[] = {et, ec, g, nut, nuc, a0, a1, alpha, degr, xt, xc, np, a_woehler, exp_woehler};
    for (double* o : outs) *o = 0.0;
    if (*nprops < 25) {
        tvk::report(-2, "Too few resin properties in GetResinPlasticProperties", *nprops, 25);
        return;
    }
    constexpr int nb = 11;
    const Blocks blk(props, nb);
    const double t = *temp;
    double v[nb];
    blk.values(t, nb, v);
    if (*nprops >= 26) {
        // The law degrades et; ec and g follow it in proportion to their room-temperature values.
        const double* room = blk.room();
        const double* cold = blk.cold();
        double et_t = 0.0;
        if (room && degraded_modulus(props + 25, t, cold, room, et_t)) {
            v[0] = et_t;
            v[1] = room[1] * et_t / room[0];
            v[2] = room[2] * et_t / room[0];
        } else {
            missing_block("GetResinPlasticProperties");
        }
    }
    double* dest[] = {et, ec, g, nut, nuc, alpha, xt, xc, np, a_woehler, exp_woehler};
    for (int k = 0; k < nb; ++k) *dest[k] = v[k];
    *degr = props[24];
    GetFlowParameters(eqplaststrain, a0, a1, temp);
}

void tvk::resin::orthotropic_properties(const double* props, const int* nprops, const double* temp,
                                   const double* dt, const double* /*stran*/,
                                   const double* endstran, double* e1, double* e2, double* e3,
                                   double* nu12, double* nu13, double* nu23, double* nu21,
                                   double* nu31, double* nu32, double* g12, double* g13,
                                   double* g23, double* xt, double* xc, double* np,
                                   double* a_woehler, double* exp_woehler, double* degr,
                                   const int* noel, const double* d) {
    double* elastic[] = {e1, e2, e3, nu12, nu13, nu23, nu21, nu31, nu32, g12, g13, g23};
    for (double* o : elastic) *o = 0.0;
    double e = 0.0, nu = 0.0, num = 0.0, gamma = 0.0;
    tvk::resin::properties(props, nprops, temp, &e, &nu, &num, &gamma, degr, xt, xc, np, a_woehler,
                           exp_woehler, noel);
    if (*nprops < 21) return;
    const bool trace = tvk::resin::traced(*noel);
    if (trace) {
        Trace() << "eta" << 0.0;
        Trace() << "dt" << *dt;
    }
    // A failed ply (d >= 1) that is already degraded keeps its unsoftened moduli.
    const bool soften = !(*d >= 1.0 && *degr < 1.0);
    const tvk::Table<double, 1>& temps = tvk::materialdata.temperatures;
    double tev = *temp;
    if (temps.extent(1) >= 2) tev = std::clamp(tev, *temps.at(1), std::max(*temps.at(1), *temps.at(2)));
    using tvk::resin::lookup;
    using tvk::resin::Method;
    const char* me = "GetResinOrthotropicProperties";
    double moduli[3];
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        if (trace) Trace() << "endstran(i)" << i + 1 << endstran[i];
        double a = 0.0;
        if (soften)
            ok = ok && lookup(tvk::materialdata.normalprops, tvk::materialdata.nnormaldata, tvk::columns::calibration::y,
                              endstran[i], tev, Method::linear, me, a);
        if (trace) Trace() << "alpha_0" << a;
        moduli[i] = e / (1.0 + a * std::fabs(endstran[i]));
    }
    const double g0 = e / (2.0 * (1.0 + nu));
    double shear[3];
    for (int k = 0; k < 3; ++k) {
        double a = 0.0;
        if (soften)
            ok = ok && lookup(tvk::materialdata.shearprops, tvk::materialdata.nsheardata, tvk::columns::calibration::y,
                              endstran[3 + k], tev, Method::linear, me, a);
        if (trace && k == 0) Trace() << "alpha 12 ohne vr" << a;
        shear[k] = g0 / (1.0 + a * std::fabs(endstran[3 + k]));
    }
    if (!ok) return;
    // nu_ij + nu_ji = 2 nu with the reciprocity nu_ij / E_i = nu_ji / E_j.
    *e1 = moduli[0];
    *e2 = moduli[1];
    *e3 = moduli[2];
    *nu21 = 2.0 * nu / (moduli[0] / moduli[1] + 1.0);
    *nu12 = 2.0 * nu - *nu21;
    *nu31 = 2.0 * nu / (moduli[0] / moduli[2] + 1.0);
    *nu13 = 2.0 * nu - *nu31;
    *nu32 = 2.0 * nu / (moduli[1] / moduli[2] + 1.0);
    *nu23 = 2.0 * nu - *nu32;
    *g12 = shear[0];
    *g13 = shear[1];
    *g23 = shear[2];
}

void GetResinProperties(const double* props, const int* nprops, const double* temp, double* e,
                        double* nu, double* num, double* gamma, double* degr, double* xt,
                        double* xc, double* np, double* a_woehler, double* exp_woehler,
                        const int* noel) {
    const int n = readable_count(*nprops, 29, 32, "GetResinProperties: the modulus law needs 32 properties; taken without it");
    tvk::resin::properties(props, &n, temp, e, nu, num, gamma, degr, xt, xc, np, a_woehler, exp_woehler, noel);
}

void GetResinPlasticProperties(const double* props, const int* nprops, const double* temp,
                               const double* eqplaststrain, double* et, double* ec, double* g,
                               double* nut, double* nuc, double* a0, double* a1, double* alpha,
                               double* degr, double* xt, double* xc, double* np,
                               double* a_woehler, double* exp_woehler) {
    const int n = readable_count(*nprops, 26, 36,
                                 "GetResinPlasticProperties: the modulus law needs 36 properties; taken without it");
    tvk::resin::plastic_properties(props, &n, temp, eqplaststrain, et, ec, g, nut, nuc, a0, a1, alpha, degr, xt, xc,
                                   np, a_woehler, exp_woehler);
}

void GetResinOrthotropicProperties(const double* props, const int* nprops, const double* temp,
                                   const double* dt, const double* stran,
                                   const double* endstran, double* e1, double* e2, double* e3,
                                   double* nu12, double* nu13, double* nu23, double* nu21,
                                   double* nu31, double* nu32, double* g12, double* g13,
                                   double* g23, double* xt, double* xc, double* np,
                                   double* a_woehler, double* exp_woehler, double* degr,
                                   const int* noel, const double* d) {
    const int n = readable_count(*nprops, 29, 32,
                                 "GetResinOrthotropicProperties: modulus law needs 32 properties; taken without it");
    tvk::resin::orthotropic_properties(props, &n, temp, dt, stran, endstran, e1, e2, e3, nu12, nu13, nu23, nu21, nu31,
                                       nu32, g12, g13, g23, xt, xc, np, a_woehler, exp_woehler, degr, noel, d);
}

void EquivalentStrain(const double* strain, double* eqstrain, const int* /*ndi*/,
                      const int* ntens) {
    double t11, t22, t33, t12, t13, t23;
    const double half = 0.5;
    GetTensorComponents(&t11, &t22, &t33, &t12, &t13, &t23, strain, ntens, &half);
    const double norm = std::sqrt(t11 * t11 + t22 * t22 + t33 * t33 +
                                  2.0 * (t12 * t12 + t13 * t13 + t23 * t23));
    *eqstrain = t11 + t22 + t33 < 0.0 ? -norm : norm;
}
