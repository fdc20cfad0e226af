// Explicit orthotropic progressive-damage material (see vumat_cartesian.h).
//
// One call: the property list is read once into the per-call tables (Material), then every point
// of the block runs `cartesian_point`, which sees only its own rows of the block arrays and its
// own copy of every table it modifies, so a block of n identical points returns exactly what n
// one-point blocks return.
//
// Per point (not the initial call at total time 0, which only stores the strain and returns the
// elastic stress of the mean tension/compression moduli):
//   strains        total = stored total + increment, elastic = total - inelastic
//   moduli         tension or compression moduli by the sign of the total strain 11 and 22
//   shear law      optional exponential or bilinear shear law on the elastic and inelastic strain
//   trial stress   the stiffness degraded by the stored degradation variables times the strain
//   initiation     the criterion set's failure index per mode; at the first index >= 1 the onset
//                  strain, the final strain of the crack band and the equivalent stress are fixed
//   evolution      bilinear softening of every initiated mode, never decreasing
//   degradation    degradation variables from the mode damage, capped per mode; compressive
//                  residual and permanent-strain corrections; Matzenmiller stiffness
//   stress         degraded stiffness times (elastic strain + the damped strain rates)
//   deletion       the element status drops to 0 when fibre tension and compression damage
//                  together reach 90 % of their caps
//   energies       internal energy by the trapezoidal work of the increment, inelastic energy as
//                  the internal energy less the elastic energy, both per unit mass
//
// Choices where the law leaves an opening:
//   - the fracture energies of the shear modes are 0, so their final strain is 1.1 times onset;
//   - the strength interaction matrix is 0: initiation thresholds are not lowered by damage (the
//     scaling, were it nonzero, acts on a copy per point);
//   - the matrix criteria search the fracture plane (angle -1 on entry); an angle is stored only
//     when the criterion returns one;
//   - the sliding sign of a closed shear crack is kept per point in the state (slot::slide_sign),
//     zeroed by the initial call;
//   - a failure index that is not a number counts as 0; a residual-limit ratio of exactly 1 gives
//     the limit 1; an onset whose strain measure is 0 or with no stress at onset does not
//     initiate the mode;
//   - the compressive residual factor of the fibre direction is limited to [0, cap] and is not
//     updated at zero elastic strain; the residual law of all normal directions does not act
//     where a criterion set gives no residual limit (limit 1);
//   - strain rates are 0 for a time increment that is not positive;
//   - a point whose result (stress, state, energies or a final strain) overflows is refused and
//     reported, keeping its old stress, state and energies; so is a point whose elastic constants,
//     undamaged or damaged, give a singular compliance (no stiffness).
#include "vumat_cartesian.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "../core/errors.h"
#include "../core/scratch.h"
#include "../failure/continuum_damage.h"
#include "../failure/criteria.h"
#include "../failure/damage_evolution.h"
#include "../failure/matrix_criteria.h"
#include "../mechanics/notation.h"
#include "converters.h"
#include "kernel.h"

namespace {

namespace prop = tvk::solver::cartesian::prop;
namespace mode = tvk::solver::cartesian::mode;
namespace slot = tvk::solver::cartesian::slot;
using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Voigt;

constexpr char routine[] = "vumat_cartesian";
constexpr int nm = mode::count;

// Direction (0-based) of each mode: characteristic length and stiffness diagonal.
constexpr int direction[nm] = {0, 0, 1, 1, 2, 2, 1, 2, 1};
// Shear partners of the normal modes in the quadratic forms.
constexpr int partner_a[6] = {mode::s12, mode::s12, mode::s23, mode::s23, mode::s13, mode::s13};
constexpr int partner_b[6] = {mode::s13, mode::s13, mode::s12, mode::s12, mode::s23, mode::s23};
// Weights of the shear partners in the quadratic interaction of the normal modes.
constexpr double a_shear[6] = {0.0, 0.25, 1.0, 0.0, 1.0, 0.0};
// Caps of the degradation variables: through-thickness tension never degrades the stiffness.
constexpr double wmax_default[nm] = {0.999, 0.99, 0.9999, 0.9, 0.0, 0.7, 0.99, 0.999, 0.99};
// Interaction of mode damage with the initiation thresholds: none.
constexpr double strength_interaction[nm][nm] = {};
// Fracture-plane search of the three-dimensional criteria: start angle and step in degrees,
// golden-section search.
constexpr double search_start = 53.0, search_step = 4.0;
constexpr int golden_section = 1;
// Standard strengths handed to the fibre kinking criterion (MPa); the in-situ thresholds replace
// them whenever they are nonzero.
constexpr double kinking_shear_strength = 70.0;
// Strain rates below this (1/s) are not damped by the second and third damping terms; the excess
// is counted up to the limit.
constexpr double rate_floor = 500.0, rate_span = 5000.0;

struct Material {
    double e11t, e22t, e33, g12, g13, g23, nu12, nu13, nu23, e11c, e22c, g_ini;
    double strength[nm], strainx0[nm], xi[nm], gc[nm], wmax[nm];
    double sigc_end[3], shearfactor[3], alpha_sh[3], damp[3];
    int nls = 0, es = 0, crit = 0, perm = 0, comp = 0;
    bool accumulate = false, stiff_deg = false, strength_deg = false, damped = false;
};

// A flag value: truncated toward zero; a value out of the integer range is no valid flag.
int flag(double v) { return std::abs(v) < 1e9 ? static_cast<int>(v) : -1; }

enum class Use { damage, elastic, refused, not_finite };

// The per-call tables of the property list p(n). A list shorter than prop::count is read as far
// as it goes (compression moduli default to the tension moduli) with every damage, shear-law and
// damping flag off.
Use read_material(Material& m, const double* p, int n) {
    if (n < 9) return Use::refused;
    for (int k = 0; k < std::min(n, prop::count); ++k)
        if (k != prop::nls_flag + 1 && !std::isfinite(p[k])) return Use::not_finite;
    const bool full = n >= prop::count;
    auto at = [&](int k, double fallback = 0.0) { return k < n ? p[k] : fallback; };
    m.e11t = p[prop::e11t], m.e22t = p[prop::e22t], m.e33 = p[prop::e33];
    m.g12 = p[prop::g12], m.g13 = p[prop::g13], m.g23 = p[prop::g23];
    m.nu12 = p[prop::nu12], m.nu13 = p[prop::nu13], m.nu23 = p[prop::nu23];
    m.e11c = at(prop::e11c, m.e11t), m.e22c = at(prop::e22c, m.e22t);
    for (double e : {m.e11t, m.e22t, m.e33, m.g12, m.g13, m.g23, m.e11c, m.e22c})
        if (!(e > 0.0)) return Use::refused;
    m.strength[mode::ft] = at(prop::x11t), m.strength[mode::fc] = std::abs(at(prop::x11c));
    m.strength[mode::mt] = at(prop::x22t), m.strength[mode::mc] = std::abs(at(prop::x22c));
    m.strength[mode::zt] = at(prop::x33t), m.strength[mode::zc] = std::abs(at(prop::x33c));
    m.strength[mode::s12] = at(prop::x12), m.strength[mode::s23] = at(prop::x23);
    m.strength[mode::s13] = at(prop::x13);
    const double modulus[nm] = {m.e11t, m.e11c, m.e22t, m.e22c, m.e33, m.e33, 2.0 * m.g12, 2.0 * m.g23, 2.0 * m.g13};
    for (int i = 0; i < nm; ++i) m.strainx0[i] = m.strength[i] / modulus[i];
    m.gc[mode::ft] = at(prop::gc_ft), m.gc[mode::fc] = at(prop::gc_fc);
    m.gc[mode::mt] = at(prop::gc_mt), m.gc[mode::mc] = at(prop::gc_mc);
    m.gc[mode::zt] = m.gc[mode::zc] = at(prop::gc_zz);
    m.gc[mode::s12] = m.gc[mode::s23] = m.gc[mode::s13] = 0.0;
    for (int d = 0; d < 3; ++d) m.sigc_end[d] = 0.25 * m.strength[2 * d + 1];
    for (int s = 0; s < 3; ++s) m.shearfactor[s] = 1.0, m.alpha_sh[s] = at(prop::alpha_sh);
    m.g_ini = at(prop::g_ini);
    std::fill(m.damp, m.damp + 3, 0.0);
    std::fill(m.xi, m.xi + nm, 0.0);
    std::copy(wmax_default, wmax_default + nm, m.wmax);
    if (!full) return Use::elastic;

    for (int i = 0; i < nm; ++i)
        if (!(m.strength[i] > 0.0) || !(m.gc[i] >= 0.0)) return Use::refused;
    m.nls = flag(p[prop::nls_flag]);
    m.es = flag(p[prop::es_flag]);
    m.crit = flag(p[prop::criterion_flag]);
    m.perm = flag(p[prop::perm_flag]);
    m.comp = flag(p[prop::comp_flag]);
    m.accumulate = flag(p[prop::dmgacc_flag]) == 1;
    m.stiff_deg = flag(p[prop::stiff_deg_flag]) == 1;
    m.strength_deg = flag(p[prop::strength_deg_flag]) == 1;
    for (int k = 0; k < 3; ++k) m.damp[k] = p[prop::damp1 + k];
    m.damped = m.damp[0] != 0.0 || m.damp[1] != 0.0 || m.damp[2] != 0.0;
    const bool shear_law = m.nls == 1 || m.nls == 2 || m.nls == 6 || m.nls == 11;
    if (shear_law && !(m.g_ini > 0.0)) return Use::refused;
    if (m.nls == 2 || m.nls == 11) {
        m.shearfactor[0] = m.g_ini / m.g12, m.shearfactor[1] = m.g_ini / m.g23, m.shearfactor[2] = m.g_ini / m.g13;
    } else if (m.nls == 1 || m.nls == 6) {
        m.shearfactor[0] = m.shearfactor[1] = m.shearfactor[2] = m.g_ini / m.g12;
    }
    if (m.nls == 6) {
        // The parameter is scaled by reference strengths in MPa.
        m.alpha_sh[0] = m.alpha_sh[0] * 85.0 / m.strength[mode::s12];
        m.alpha_sh[1] = m.alpha_sh[0] * 85.0 / m.strength[mode::s23];
        m.alpha_sh[2] = m.alpha_sh[0] * 85.0 / m.strength[mode::s13];
    }
    if (m.es == 1) std::copy(m.strainx0, m.strainx0 + nm, m.xi);
    if (m.es == 2) std::copy(m.strength, m.strength + nm, m.xi);
    if (m.comp == 1) m.wmax[mode::mc] = 0.99, m.wmax[mode::zc] = 0.8;
    return Use::damage;
}

// Engineering constants in Voigt order (E1, E2, E3, G23, G13, G12, nu23, nu13, nu12) with the
// shear moduli scaled by the shear-law factors.
void engineering_constants(double* c, const Material& m, double e11, double e22) {
    c[0] = e11, c[1] = e22, c[2] = m.e33;
    c[3] = m.g23 * m.shearfactor[1], c[4] = m.g13 * m.shearfactor[2], c[5] = m.g12 * m.shearfactor[0];
    c[6] = m.nu23, c[7] = m.nu13, c[8] = m.nu12;
}

// Stiffness in cyclic order (column-major 6 x 6) of the constants with the component damages
// wdeg (cyclic: 11, 22, 33, 12, 23, 13); false when the damaged compliance is singular (elastic
// constants that give no stiffness), which refuses the point.
bool cyclic_stiffness(double* c, const double* constants, const double* wdeg) {
    double voigt[36];
    if (!tvk::damage::matzenmiller(voigt, constants, wdeg, wdeg[4], wdeg[5], wdeg[3])) return false;
    static constexpr int six = 6, voigt_to_cyclic = 2;
    FlipVoigtCyclicNotation(c, voigt, &six, &voigt_to_cyclic);
    return true;
}

// The degraded stiffness: the undamaged one itself when no component is damaged.
bool degraded_stiffness(double* c, const double* cstiff, const double* constants, const double* wdeg) {
    if (!std::all_of(wdeg, wdeg + 6, [](double w) { return w == 0.0; })) return cyclic_stiffness(c, constants, wdeg);
    std::copy(cstiff, cstiff + 36, c);
    return true;
}

void multiply(double* s, const double* c, const double* e) {
    for (int i = 0; i < 6; ++i) {
        double v = 0.0;
        for (int j = 0; j < 6; ++j) v += c[i + 6 * j] * e[j];
        s[i] = v;
    }
}

// Damage per stress component from the nine degradation variables: tension or compression value
// of each normal direction by the sign of its total strain, the shear values as they are.
void component_damage(double* wdeg, const double* w, const double* etot) {
    for (int d = 0; d < 3; ++d) wdeg[d] = etot[d] > 0.0 ? w[2 * d] : w[2 * d + 1];
    wdeg[3] = w[mode::s12], wdeg[4] = w[mode::s23], wdeg[5] = w[mode::s13];
}

// Damage at which the softening branch between r0 and r1 meets the residual stress sigc.
double residual_limit(double r0, double r1, double cdd, double sigc) {
    if (!(r1 > r0)) return 1.0;
    const double x = r0 * r1 * cdd / (std::abs(sigc) * (r1 - r0));
    if (x == 1.0) return 1.0;
    return (r1 / (r1 - r0) - x) / (1.0 - x);
}

double sign_of(double v) { return v >= 0.0 ? 1.0 : -1.0; }

// One point of the block: its own rows of the block arrays.
struct CartesianPoint {
    bool initial;
    double dt;
    Voigt<Order::cyclic, const double> straininc;  // tensor shear strains
    Voigt<Order::cyclic, const double> stressold;
    const double* charlength;                      // 3
    double density, enerinternold, enerinelasold;
    Voigt<Order::cyclic> stress;                   // out
    double* state;                                 // slot::count values at least, in/out
    double enerintern = 0.0, enerinelas = 0.0;     // out
    bool refused = false;                          // out: an intermediate value overflowed
    bool singular = false;                         // out: the compliance has no inverse
};

// The vectors the criteria see, from the elastic strain eel and the trial stress.
struct Efforts {
    double effort[nm] = {}, effort6[6] = {}, deg_ctrl[nm] = {}, s_ctrl[nm] = {};

    Efforts(int es, const double* eel, const double* trial, const double* xi) {
        if (es != 1 && es != 2) return;
        const double* v = es == 1 ? eel : trial;
        for (int d = 0; d < 3; ++d) {
            effort[2 * d] = std::max(v[d], 0.0), effort[2 * d + 1] = std::min(v[d], 0.0);
            deg_ctrl[2 * d] = std::max(eel[d], 0.0), deg_ctrl[2 * d + 1] = std::min(eel[d], 0.0);
            s_ctrl[2 * d] = std::max(trial[d], 0.0), s_ctrl[2 * d + 1] = std::min(trial[d], 0.0);
        }
        for (int s = 0; s < 3; ++s) {
            effort[6 + s] = es == 1 ? std::min(std::abs(eel[3 + s]), std::abs(xi[6 + s])) : trial[3 + s];
            deg_ctrl[6 + s] = eel[3 + s];
            s_ctrl[6 + s] = trial[3 + s];
        }
        std::copy(v, v + 6, effort6);
    }
};

// Damage initiation and evolution of one point: new mode damage rs from the old rs_old.
class Initiation {
public:
    Initiation(const Material& m, const CartesianPoint& p, const double* cstiff, const double* strainx1,
               const double* eel, const double* trial, const double* rs_old)
        : m_(m), p_(p), cstiff_(cstiff), strainx1_(strainx1), rs_old_(rs_old) {
        std::copy(m.xi, m.xi + nm, xi_);
        if (m.strength_deg)
            for (int i = 0; i < nm; ++i) {
                double f = 1.0;
                for (int j = 0; j < nm; ++j)
                    f = std::min(f, 1.0 - strength_interaction[i][j] * std::min(rs_old[i], 1.0));
                xi_[i] *= f;
            }
        e_ = Efforts(m.es, eel, trial, xi_);
    }

    // False when a final strain overflows (the point's result would be invented) or the kinking
    // criterion refuses the point's thresholds.
    bool run(double* rs, double* dlim) {
        std::fill(rs, rs + nm, 0.0);
        std::fill(dlim, dlim + nm, 1.0);
        const int c = m_.crit;
        const int modes = c == 1 ? 6 : c == 2 ? 9 : (c == 3 || c == 4) ? 3 : (c == 5 || c == 6) ? 6 : 0;
        for (int i = 0; i < modes; ++i) rs[i] = evaluate(i, dlim[i]);
        return !overflow_;
    }

private:
    const Material& m_;
    const CartesianPoint& p_;
    const double* cstiff_;
    const double* strainx1_;
    const double* rs_old_;
    double xi_[nm];
    Efforts e_{0, nullptr, nullptr, nullptr};
    mutable bool overflow_ = false;

    bool quadratic_set() const { return m_.crit == 1 || m_.crit == 5; }
    // Weight of the shear partners of normal mode i.
    double weight(int i) const { return quadratic_set() ? std::sqrt(a_shear[i]) : 1.0; }

    double quadratic(int i) const {
        const double w = std::sqrt(a_shear[i]);
        const int a = partner_a[i], b = partner_b[i];
        const double sa = w * e_.effort[a], sb = w * e_.effort[b];
        double r;
        GPQuadNominal(&r, &e_.effort[i], &sa, &sb, &xi_[i], &xi_[a], &xi_[b]);
        return r;
    }

    double fibre(int i) const {
        const double* v = e_.effort6;
        const double x_is[9] = {xi_[mode::ft], xi_[mode::mt], xi_[mode::zt], xi_[mode::fc], xi_[mode::mc],
                                xi_[mode::zc], xi_[mode::s12], xi_[mode::s13], xi_[mode::s23]};
        static constexpr double a0 = search_start, sainc = search_step, xs = kinking_shear_strength;
        static constexpr int gs = golden_section, fcl = 0;
        double r;
        FBLaRC05_is(&r, &e_.effort[i], &v[1], &v[2], &v[3], &v[5], &v[4], &xi_[mode::ft], &xi_[mode::fc],
                    &xi_[mode::mt], &xs, &xs, &m_.g12, &a0, &sainc, &gs, &fcl, x_is);
        if (std::isnan(r)) overflow_ = true;  // refused (thresholds without a misalignment): so is the point
        return r;
    }

    // Fibre compression: the kinking index counts only from half the compressive threshold on.
    double fibre_compression() const {
        const double r = std::abs(e_.effort[mode::fc] / xi_[mode::fc]);
        return r >= 0.5 ? std::max(r, fibre(mode::fc)) : r;
    }

    double matrix(int i) const {
        const double* v = e_.effort6;
        static constexpr double a0 = search_start, sainc = search_step;
        static constexpr int gs = golden_section;
        double r = 0.0, theta = -1.0;
        if (m_.crit == 3)
            MCrckLaRC05(&r, &v[1], &v[2], &v[3], &v[5], &v[4], &xi_[mode::mt], &xi_[mode::mc], &xi_[mode::s12], &a0,
                        &theta, &sainc, &gs);
        else if (m_.crit == 4)
            MCrckCamanho(&r, &e_.effort[i], &v[2], &v[3], &v[5], &v[4], &xi_[mode::mt], &xi_[mode::mc],
                         &xi_[mode::s12], &xi_[mode::s23], &theta, &a0, &sainc, &gs);
        else
            MCrckPuck(&r, &e_.effort[i], &v[2], &v[3], &v[5], &v[4], &xi_[mode::mt], &xi_[mode::mc],
                      &xi_[mode::s12], &theta, nullptr, &sainc, &gs, nullptr);
        if (theta >= 0.0) p_.state[slot::angle + (i - mode::mt)] = theta;
        return r;
    }

    double failure_index(int i) const {
        switch (m_.crit) {
            case 1: return quadratic(i);
            case 2: return std::abs(e_.effort[i] / xi_[i]);
            case 5: return i == mode::fc ? fibre_compression() : quadratic(i);
            default:  // 3, 4, 6
                if (i == mode::ft) return fibre(i);
                if (i == mode::fc) return fibre_compression();
                if (i == mode::mt || (m_.crit == 6 && i == mode::mc)) return matrix(i);
                return 0.0;  // set 6: through-thickness modes not evaluated
        }
    }

    // Equivalent strain of mode i (the criterion's control strain).
    double equivalent_strain(int i) const {
        const double* dc = e_.deg_ctrl;
        if (m_.crit == 2) return std::abs(dc[i]);
        const double w = weight(i);
        const int a = partner_a[i], b = partner_b[i];
        return std::sqrt(dc[i] * dc[i] + w * w * dc[a] * dc[a] + w * w * dc[b] * dc[b]);
    }

    double limit(int i, double r0, double r1) const {
        const int d = direction[i];
        return residual_limit(r0, r1, cstiff_[d + 6 * d], m_.sigc_end[d]);
    }

    // New damage of mode i; dlim receives its residual limit where the set computes one.
    double evaluate(int i, double& dlim) {
        double* sv = p_.state;
        const double d_old = rs_old_[i];
        const auto kept = [&] { return std::clamp(d_old, 0.0, 1.0); };
        double r0, r1;
        if (d_old > 0.0) {
            r0 = sv[slot::onset + i], r1 = sv[slot::final_strain + i];
            if (quadratic_set()) dlim = limit(i, r0, r1);
        } else {
            if (!quadratic_set() && e_.effort[i] == 0.0) return kept();
            double f = failure_index(i);
            if (std::isnan(f)) f = 0.0;
            if (m_.crit != 2) sv[slot::fail + i] = f;
            if (!(f >= 1.0)) return kept();
            const double q = std::pow(f, 0.25), lc = p_.charlength[direction[i]];
            double seq = 0.0;
            if (m_.crit == 2) {
                // A strain-based shear effort is capped at its threshold strain, so its index is
                // exactly 1 from the threshold on: the onset of such a mode is the threshold itself.
                const bool capped = m_.es == 1 && i >= mode::s12;
                r0 = capped ? std::abs(xi_[i]) : std::abs(e_.deg_ctrl[i]) / q;
                // The area under the stress-strain triangle stays that of the onset table.
                r1 = std::max(strainx1_[i] * m_.strainx0[i] / r0, 1.1 * r0);
            } else {
                const double* dc = e_.deg_ctrl;
                const double* sc = e_.s_ctrl;
                const double w2 = weight(i) * weight(i);
                const int a = partner_a[i], b = partner_b[i];
                double pa = dc[a] * sc[a], pb = dc[b] * sc[b];
                if (quadratic_set() || m_.crit == 2) pa = std::abs(pa), pb = std::abs(pb);
                r0 = equivalent_strain(i) / q;
                seq = (w2 * pa + dc[i] * sc[i] + w2 * pb) / r0;
                if (seq == 0.0) return kept();  // no stress at onset: no crack band to open
                const double geq =
                    (sc[i] * sc[i] * m_.gc[i] + w2 * sc[a] * sc[a] * m_.gc[a] + w2 * sc[b] * sc[b] * m_.gc[b]) /
                    (seq * seq);
                r1 = std::max(2.0 * geq / (std::abs(seq) * lc), 1.1 * r0);
            }
            if (!(r0 > 0.0)) return kept();
            if (!std::isfinite(r1)) {
                overflow_ = true;
                return kept();
            }
            sv[slot::onset + i] = r0;
            sv[slot::final_strain + i] = r1;
            if (m_.crit != 2) sv[slot::onset_stress + i] = seq;
            if (quadratic_set()) dlim = limit(i, r0, r1);
        }
        const double eps = equivalent_strain(i), unused = 0.0, no_length = 0.0;
        double d = 0.0, eps1 = r1;
        BiLinearEvolution(&eps, &r0, &unused, &unused, &no_length, &d, &eps1);
        return std::clamp(std::max(d_old, d), 0.0, 1.0);
    }
};

// Nonlinear shear law of the shear components: adjusts the elastic and inelastic shear strains.
void shear_law(const Material& m, const double* cstiff, const double* w_stat, const double* etot, double* ein,
               double* eel, double* memory, double* sv) {
    for (int s = 0; s < 3; ++s) {
        const int k = 3 + s;
        const double sgn = sign_of(eel[k]), tau_old = sv[slot::tau_max + s];
        if (m.nls == 1 || m.nls == 11) {
            const double g0 = m.g_ini, alpha = m.alpha_sh[s];
            const double d = etot[k] - (sgn * tau_old / (2.0 * g0) + ein[k] - sgn * memory[3 + s]);
            const double tau = 2.0 * g0 * d * std::exp(-2.0 * alpha * std::abs(d));
            if (std::abs(tau_old) <= std::abs(tau)) memory[3 + s] = std::abs(d);
            sv[slot::tau_max + s] = std::max(std::abs(tau_old), std::abs(tau));
            const double tn = std::min(std::abs(tau), std::abs(2.0 * g0 * eel[k]));
            eel[k] = sgn * tn / (2.0 * g0);
            ein[k] = etot[k] - eel[k];
        } else if (m.nls == 2 && w_stat[6 + s] <= 0.0) {
            const double cs = cstiff[k + 6 * k], f = m.shearfactor[s];
            const double t = (etot[k] - (sgn * tau_old / cs + ein[k] - sgn * tau_old * f / cs)) * cs / f;
            sv[slot::tau_max + s] = std::max(std::abs(tau_old), std::abs(t));
            const double tn = std::min(std::abs(t), std::abs(cs * eel[k]));
            eel[k] = sgn * tn / cs;
            ein[k] = etot[k] - eel[k];
        }
    }
}

// The point's stress, state and energies; the state carries the point from increment to
// increment.
Outcome cartesian_point(const Material& m, CartesianPoint& p) {
    double* sv = p.state;
    double etot[6], ein[6], eel[6];
    double stress[6];
    // Elastic constants whose compliance has no inverse give no stiffness: the point is refused.
    auto singular = [&p] {
        p.singular = true;
        return Outcome::ok();
    };
    if (p.initial) {
        double constants[36], cstiff[36];
        static constexpr double undamaged[6] = {};
        engineering_constants(constants, m, 0.5 * (m.e11t + m.e11c), 0.5 * (m.e22t + m.e22c));
        if (!cyclic_stiffness(cstiff, constants, undamaged)) [[unlikely]] return singular();
        for (int i = 0; i < 6; ++i) etot[i] = eel[i] = p.straininc[i], ein[i] = 0.0;
        multiply(stress, cstiff, etot);
        std::fill(sv + slot::w_stat, sv + slot::rs + nm, 0.0);
        std::fill(sv + slot::inelastic, sv + slot::tau_max + 3, 0.0);
        std::copy(etot, etot + 6, sv + slot::strain);
        std::copy(etot, etot + 6, sv + slot::memory);
    } else {
        double memory[6], w_stat[nm], rs_old[nm];
        for (int i = 0; i < 6; ++i) {
            etot[i] = sv[slot::strain + i] + p.straininc[i];
            ein[i] = sv[slot::inelastic + i];
            eel[i] = etot[i] - ein[i];
            memory[i] = sv[slot::memory + i];
        }
        std::copy(sv + slot::w_stat, sv + slot::w_stat + nm, w_stat);
        std::copy(sv + slot::rs, sv + slot::rs + nm, rs_old);

        // Tension or compression moduli by the sign of the total strain.
        double constants[9], cstiff[36], cdeg[36], wdeg[6];
        static constexpr double undamaged[6] = {};
        engineering_constants(constants, m, etot[0] > 0.0 ? m.e11t : m.e11c, etot[1] > 0.0 ? m.e22t : m.e22c);
        if (!cyclic_stiffness(cstiff, constants, undamaged)) [[unlikely]] return singular();

        // Final strains of the crack band of each mode.
        double strainx1[nm];
        for (int i = 0; i < nm; ++i)
            strainx1[i] = std::max(2.0 * m.gc[i] / (m.strength[i] * p.charlength[direction[i]]),
                                   1.1 * m.strainx0[i]);

        shear_law(m, cstiff, w_stat, etot, ein, eel, memory, sv);

        double trial[6];
        component_damage(wdeg, w_stat, etot);
        if (!degraded_stiffness(cdeg, cstiff, constants, wdeg)) [[unlikely]] return singular();
        multiply(trial, cdeg, eel);

        double rs[nm], dlim[nm];
        if (!Initiation(m, p, cstiff, strainx1, eel, trial, rs_old).run(rs, dlim)) {
            p.refused = true;
            return Outcome::ok();
        }

        // Degradation variables from the mode damage.
        if (m.stiff_deg) {
            const int accumulate = m.accumulate ? 1 : 0;
            double unused[36];
            DegradationFromModes(rs, w_stat, &accumulate, unused, nullptr, nullptr, nullptr);
        } else {
            std::fill(w_stat, w_stat + nm, 0.0);
        }
        for (int i = 0; i < nm; ++i) w_stat[i] = std::clamp(w_stat[i], 0.0, m.wmax[i]);
        component_damage(wdeg, w_stat, etot);

        // Compressive residual stress of a mode past the damage dlim at which its softening branch
        // reaches the residual stress -sigc_end (a compressive stress, so signed negative).
        if (m.comp == 1 && rs[mode::fc] > 0.0 && rs[mode::fc] >= dlim[mode::fc] && etot[0] < 0.0) {
            // Fibres: the stress holds -sigc_end at the most compressive strain reached (memory)
            // and unloads from there with a tenth of the stiffness; the factor is that stress over
            // the undamaged one, within the cap of fibre compression.
            memory[0] = std::min(memory[0], etot[0]);
            const double c11 = cstiff[0];
            if (eel[0] != 0.0)
                wdeg[0] = std::clamp(1.0 - (-m.sigc_end[0] - (memory[0] - etot[0]) * c11 / 10.0) / (c11 * eel[0]),
                                     0.0, m.wmax[mode::fc]);
        } else if (m.comp == 2) {
            // Each normal direction: the elastic strain is held at the strain of the softening
            // branch at dlim, -sigc_end / (C (1 - dlim)), the excess going to the inelastic strain
            // (at most ten onset strains). Without a limit (dlim 1) the law does not act.
            for (int d = 0; d < 3; ++d) {
                const int c = 2 * d + 1;
                if (!(rs[c] > 0.0 && rs[c] >= dlim[c] && dlim[c] < 1.0 && etot[d] < 0.0)) continue;
                const double cdd = cstiff[d + 6 * d], floor = -10.0 * m.strainx0[c];
                const double bound = etot[d] + m.sigc_end[d] / (cdd * (1.0 - dlim[c]));
                ein[d] = std::max(std::min(ein[d], bound), floor);
                eel[d] = etot[d] - ein[d];
            }
        }

        // Permanent strain of fully damaged fibre and transverse tension.
        if (m.perm == 1) {
            if (rs[mode::ft] >= 1.0) {
                ein[0] = std::min(std::max(0.9 * etot[0], ein[0]), 30.0 * m.strainx0[mode::ft]);
                const double e = etot[0] - ein[0];
                eel[0] = std::max(e, 0.0) + std::min(0.5 * std::max(e, -m.strainx0[mode::fc]), 0.0);
                if (eel[0] < 0.0) wdeg[0] = 0.2;
            }
            if (rs[mode::mt] >= 1.0) {
                ein[1] = std::min(std::max(0.8 * etot[1], std::max(ein[1], 0.0)), 50.0 * m.strainx0[mode::mt]);
                const double e = etot[1] - ein[1];
                eel[1] = std::max(e, 0.0) + std::min(std::max(e, -0.75 * m.strainx0[mode::mc]), 0.0);
            }
        }

        if (!degraded_stiffness(cdeg, cstiff, constants, wdeg)) [[unlikely]] return singular();

        // Damped strain: elastic strain plus the three rate terms, each through the degraded
        // stiffness. A time increment that is not a number leaves rates that are not numbers.
        double v[6];
        if (!m.damped) std::copy(eel, eel + 6, v);
        for (int i = 0; m.damped && i < 6; ++i) {
            const double r1 = !(p.dt <= 0.0) ? p.straininc[i] / p.dt : 0.0;
            const double excess = std::min(std::max(std::abs(r1) - rate_floor, 0.0), rate_span);
            const double r2 = (r1 > 0.0 ? 1.0 : r1 < 0.0 ? -1.0 : 0.0) * excess * excess;
            const double r3 = std::abs(r2) * r1;
            v[i] = eel[i] + m.damp[0] * r1 + m.damp[1] * r2 + m.damp[2] * r3;
        }
        multiply(stress, cdeg, v);

        // Closed shear cracks of the bilinear shear law slide with a remembered sign.
        if (m.perm == 4 && m.nls == 2)
            for (int s = 0; s < 3; ++s) {
                const int k = 3 + s;
                if (!(w_stat[6 + s] >= m.wmax[6 + s])) continue;
                const double css = cstiff[k + 6 * k], e0 = m.strainx0[6 + s];
                double& c = sv[slot::slide_sign + s];
                if (c < 0.0) {
                    ein[k] = std::min(ein[k], 0.9 * etot[k]);
                    eel[k] = etot[k] - ein[k];
                    stress[k] = std::max(std::min(eel[k], e0) * css, 0.0) + std::min((1.0 - wdeg[k]) * eel[k] * css, 0.0);
                } else if (c > 0.0) {
                    ein[k] = std::max(ein[k], 0.9 * etot[k]);
                    eel[k] = etot[k] - ein[k];
                    stress[k] = std::min(std::max(eel[k], -e0) * css, 0.0) + std::max((1.0 - wdeg[k]) * eel[k] * css, 0.0);
                } else {
                    c = sign_of(eel[k]);
                    ein[k] = 0.9 * c * strainx1[6 + s];
                }
            }

        // Element deletion when fibre tension and compression damage approach their caps.
        if (sv[slot::status] != 0.0 && w_stat[mode::ft] + w_stat[mode::fc] >= 0.9 * (m.wmax[mode::ft] + m.wmax[mode::fc]))
            sv[slot::status] = 0.0;

        std::copy(w_stat, w_stat + nm, sv + slot::w_stat);
        std::copy(rs, rs + nm, sv + slot::rs);
        std::copy(etot, etot + 6, sv + slot::strain);
        std::copy(ein, ein + 6, sv + slot::inelastic);
        std::copy(memory, memory + 6, sv + slot::memory);
    }
    for (int i = 0; i < 6; ++i) p.stress[i] = stress[i];

    // Energies per unit mass; a deleted point (status 0) takes no more work.
    double elastic = 0.0, work = 0.0;
    for (int i = 0; i < 6; ++i) {
        const double shear = i < 3 ? 1.0 : 2.0;
        elastic += 0.5 * shear * stress[i] * eel[i];
        work += shear * 0.5 * (p.stressold[i] + stress[i]) * p.straininc[i];
    }
    if (!(p.density > 0.0) || p.density == HUGE_VAL) {
        p.enerintern = p.enerinternold;
        p.enerinelas = p.enerinelasold;
        // The stress is the point's; only its energies cannot be had: a warning, not a refusal.
        return Outcome::fail(p.density > 0.0 ? "vumat_cartesian: material point with a density that is not finite"
                                             : "vumat_cartesian: material point with a density that is not positive",
                             0, -2);
    }
    const double f = sv[slot::status];
    p.enerintern = p.enerinternold + f * work / p.density;
    p.enerinelas = p.enerintern - f * elastic / p.density;
    return Outcome::ok();
}

void law(const tvk::solver::Vumat& a) {
    namespace conv = tvk::solver::conv;
    if (a.nblock <= 0) return;
    const int n = a.ndir + a.nshr;
    if (!conv::components_valid(routine, a.ndir, a.nshr, n)) return;
    const int nsv = a.nstatev;
    // The result of a point that is not evaluated: what it came with.
    auto keep = [&](int k) {
        for (int j = 0; j < n; ++j) a.stressnew(k, j) = a.stressold(k, j);
        for (int s = 0; s < nsv; ++s) a.statenew(k, s) = a.stateold(k, s);
        a.enerinternnew[k] = a.enerinternold[k];
        a.enerinelasnew[k] = a.enerinelasold[k];
    };
    auto refuse_block = [&](const char* msg, int i1, int i2) {
        tvk::report_refused_point(msg, i1, i2);
        for (int k = 0; k < a.nblock; ++k) keep(k);
    };
    if (a.ndir != 3 || a.nshr != 3)
        return refuse_block("vumat_cartesian: three direct and three shear components required", a.ndir, a.nshr);
    if (nsv < slot::count) return refuse_block("vumat_cartesian: at least 82 state variables required", nsv, 0);
    Material m;
    switch (read_material(m, a.props.data(), a.props.size())) {
        case Use::refused:
            return refuse_block("vumat_cartesian: moduli, strengths or fracture energies invalid", a.nprops, 0);
        case Use::not_finite: return refuse_block("vumat_cartesian: property not finite", a.nprops, 0);
        case Use::elastic:
            tvk::report(-3, "vumat_cartesian: fewer than 39 properties; elastic response without damage", a.nprops);
            break;
        case Use::damage: break;
    }

    tvk::Scratch<double, 128> state(static_cast<std::size_t>(nsv));
    const bool initial = a.totaltime == 0.0;
    bool refused = false, short_length = false, overflow = false, singular = false;
    double unused_pnewdt = 1.0;
    for (int k = 0; k < a.nblock; ++k) {
        double de[6], so[6], lc[3], s[6];
        conv::gather(de, a.straininc, k, 6);
        conv::gather(so, a.stressold, k, 6);
        conv::gather(lc, a.charlength, k, 3);
        conv::gather(state.get(), a.stateold, k, nsv);
        if (!conv::all_finite(de, 6) || !conv::all_finite(so, 6) || !conv::all_finite(state.get(), slot::count) ||
            !std::isfinite(a.enerinternold[k]) || (!initial && !conv::all_finite(lc, 3))) {
            refused = true;
            keep(k);
            continue;
        }
        if (!initial && !(lc[0] > 0.0 && lc[1] > 0.0 && lc[2] > 0.0)) {
            short_length = true;
            keep(k);
            continue;
        }
        CartesianPoint p{initial,    a.dt,      {de, 6},         {so, 6},         lc, a.density[k],
                         a.enerinternold[k], a.enerinelasold[k], {s, 6}, state.get()};
        const Outcome outcome = cartesian_point(m, p);
        if (p.singular) [[unlikely]] {
            singular = true;
            keep(k);
            continue;
        }
        // Finite input can still overflow (a huge increment, modulus or rate, a tiny length,
        // time increment or density): such a point is refused, never returned as infinite.
        if (p.refused || !conv::all_finite(s, 6) || !conv::all_finite(state.get(), slot::count) ||
            !std::isfinite(p.enerintern) || !std::isfinite(p.enerinelas)) {
            overflow = true;
            keep(k);
            continue;
        }
        conv::apply(routine, outcome, unused_pnewdt);
        conv::scatter(a.stressnew, k, s, 6);
        conv::scatter(a.statenew, k, state.get(), nsv);
        a.enerinternnew[k] = p.enerintern;
        a.enerinelasnew[k] = p.enerinelas;
    }
    if (refused) conv::refuse_non_finite(routine);
    if (short_length) tvk::report_refused_point("vumat_cartesian: characteristic length not positive; point not evaluated");
    if (overflow) tvk::report_refused_point("vumat_cartesian: result not finite; point keeps its old stress and state");
    if (singular) tvk::report_refused_point("Singular damaged compliance in MatzenmillerDegradation");
}

}  // namespace

TVK_SOLVER_ENTRY(Vumat, vumat_cartesian, law)
