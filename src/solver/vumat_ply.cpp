// Explicit ply routines: a block loop that sets the material up once per call and evaluates each
// point with a per-point function, so that a block of n points equals n calls of one point.
#include "vumat_ply.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "converters.h"
#include "core/arrays.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/scratch.h"
#include "elements/stressstate.h"
#include "failure/continuum_damage.h"
#include "failure/damage_evolution.h"
#include "failure/matrix_criteria.h"
#include "mechanics/lamina.h"
#include "mechanics/transformation.h"

namespace {

using tvk::solver::Order;

// ---- Shared set-up -----------------------------------------------------------------------------

// Stress layouts of the explicit solver: full, plane (11, 22, 33, 12) and reduced (11, 22, 12).
bool layout_valid(const char* routine, int ndir, int nshr) {
    if ((ndir == 3 && (nshr == 3 || nshr == 1)) || (ndir == 2 && nshr == 1)) return true;
    tvk::report_refused_point(tvk::compose(routine, ": ndir and nshr must be 3 and 3, 3 and 1, or 2 and 1"), ndir, nshr);
    return false;
}

// The solver-order stiffness of a Nye property vector: the three-dimensional stiffness reordered
// into the cyclic order for six components, the plane-stress entries otherwise.
void solver_stiffness(double* c, const double* nye, int n) {
    double cn[36];
    tvk::lamina::stiffness(cn, nye, n, n != 6);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            c[i + j * n] = cn[tvk::solver::reorder(Order::cyclic, i, n) + tvk::solver::reorder(Order::cyclic, j, n) * n];
}

bool finite(const double* v, int n) { return tvk::solver::conv::all_finite(v, n); }

// Work strain with engineering shears from tensor shears.
void engineering(double* e, const double* t, int ndir, int n) {
    for (int k = 0; k < n; ++k) e[k] = k >= ndir ? 2.0 * t[k] : t[k];
}

double dot(const double* a, const double* b, int n) {
    double s = 0.0;
    for (int k = 0; k < n; ++k) s += a[k] * b[k];
    return s;
}

// stress = C e (C n x n column-major).
void product(double* s, const double* c, const double* e, int n) {
    for (int i = 0; i < n; ++i) s[i] = 0.0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) s[i] += c[i + j * n] * e[j];
}

// The plane-stress through-thickness strain increment from the point's stress increment.
double thickness_increment(const double* nye, const double* ds) {
    const double e3 = nye[2], nu31 = nye[4] * nye[2] / nye[0], nu32 = nye[5] * nye[2] / nye[1];
    return GetPlaneStressEpsZZ(&e3, &nu31, &nu32, &ds[0], &ds[1]);
}

// ---- vumat_lamina --------------------------------------------------------------------------------

struct Elastic {
    int ndir, n;
    bool plane_stress;
    double c[36], nye[9];
};

// One point: new stress, plane-stress strain increment, specific energy of the increment.
double lamina_point(const Elastic& m, const double* so, double* de, double* sn) {
    double e[6], ds[6];
    engineering(e, de, m.ndir, m.n);
    product(ds, m.c, e, m.n);
    for (int k = 0; k < m.n; ++k) sn[k] = so[k] + ds[k];
    if (m.plane_stress) de[2] = thickness_increment(m.nye, ds);
    engineering(e, de, m.ndir, m.n);
    double w = 0.0;
    for (int k = 0; k < m.n; ++k) w += (sn[k] + so[k]) * e[k];
    return 0.5 * w;
}

// A point that is refused (no stiffness, a non-finite input or result) keeps its old stress,
// state and energies and its strain increments; every other point gets a zero state and no
// inelastic energy.
void lamina_law(const tvk::solver::VumatPlaneStrain& a) {
    const int nb = std::max(a.nblock, 0), n = a.ndir + a.nshr, ns = std::max(a.nstatev, 0);
    if (nb == 0) return;
    Elastic m{};
    m.ndir = a.ndir;
    m.n = n;
    m.plane_stress = a.ndir == 3 && a.nshr == 1;
    bool usable = layout_valid("vumat_lamina", a.ndir, a.nshr);
    if (usable && !tvk::lamina::nye_properties(m.nye, a.props.data(), a.nprops)) {
        tvk::report(-2, "Unsupported input in GetNyeProperties", a.nprops);
        usable = false;
    }
    if (usable) {
        solver_stiffness(m.c, m.nye, n);
        if (!finite(m.c, n * n) || !finite(m.nye, 9)) {
            tvk::report_refused_point("vumat_lamina: the elastic constants give no finite stiffness");
            usable = false;
        }
    }
    bool refused = false, overflow = false, bad_density = false;
    for (int k = 0; k < nb; ++k) {
        double so[6] = {}, de[6] = {}, sn[6];
        for (int j = 0; j < n && usable; ++j) {
            so[j] = a.stressold(k, j);
            de[j] = a.straininc(k, j);
        }
        const bool valid = usable && finite(so, n) && finite(de, n);
        const double w = valid ? lamina_point(m, so, de, sn) : 0.0;
        const bool dense = a.density[k] > 0.0;
        const double ei = dense ? a.enerinternold[k] + w / a.density[k] : a.enerinternold[k];
        const bool computed = valid && finite(sn, n) && std::isfinite(ei) && std::isfinite(de[2]);
        if (!computed) {
            refused = refused || (usable && !valid);
            overflow = overflow || valid;
            for (int j = 0; j < n; ++j) a.stressnew(k, j) = a.stressold(k, j);
            for (int j = 0; j < ns; ++j) a.statenew(k, j) = a.stateold(k, j);
            a.enerinternnew[k] = a.enerinternold[k];
            a.enerinelasnew[k] = a.enerinelasold[k];
            continue;
        }
        for (int j = 0; j < n; ++j) a.stressnew(k, j) = sn[j];
        for (int j = 0; j < ns; ++j) a.statenew(k, j) = 0.0;
        if (m.plane_stress) a.straininc(k, 2) = de[2];
        a.enerinternnew[k] = ei;
        a.enerinelasnew[k] = 0.0;
        bad_density = bad_density || !dense;
    }
    if (refused) tvk::solver::conv::refuse_non_finite("vumat_lamina");
    if (overflow) tvk::report_refused_point(tvk::compose("vumat_lamina", tvk::solver::conv::non_finite_text));
    if (bad_density) tvk::report(-2, "vumat_lamina: material point with a density that is not positive");
}

// ---- vumat_bogenfeld -----------------------------------------------------------------------------

// The routine's own state layout (1-based state variables).
namespace slot {
constexpr int d_fibre_tension = 1, d_fibre_compression = 2, d_crack = 3, d_fourth = 4;
constexpr int crack_onset_strain = 7, crack_onset_stress = 8, crack_toughness = 9, crack_final_strain = 11;
constexpr int matrix_exposure = 10, crack_angle = 12;
constexpr int ft_onset_strain = 13, ft_final_strain = 14, ft_energy = 15;
constexpr int fc_onset_strain = 16, fc_final_strain = 17;
constexpr int ft_exposure = 18, status = 19, fc_exposure = 20;
constexpr int total_strain = 21, inelastic_strain = 27;
constexpr int ft_stress = 45, fc_stress = 46, crack_status = 47;
constexpr int count = 47;
}  // namespace slot

constexpr double cap[4] = {0.999, 0.97, 0.99, 0.0};

constexpr int full_count = 29;

struct Ply {
    int ndir, nshr, n;
    bool plane_stress;
    double c[36], nye[9];
    bool damage;        // the damage path runs
    double p[full_count];
};

// Cyclic (11, 22, 33, 12, 23, 13) position of each Voigt (11, 22, 33, 23, 13, 12) component.
constexpr int voigt_from_cyclic[6] = {0, 1, 2, 4, 5, 3};

void to_voigt(double* v, const double* c) {
    for (int k = 0; k < 6; ++k) v[k] = c[voigt_from_cyclic[k]];
}
void matrix_to_voigt(double* v, const double* c) {
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) v[i + 6 * j] = c[voigt_from_cyclic[i] + 6 * voigt_from_cyclic[j]];
}
void matrix_from_voigt(double* c, const double* v) {
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) c[voigt_from_cyclic[i] + 6 * voigt_from_cyclic[j]] = v[i + 6 * j];
}

double clamp(double v, double lo, double hi) { return std::fmin(std::fmax(v, lo), hi); }

// The damage evolution of one point on the elastic strain; st is the point's new state (a copy
// of the old one on entry), sn its new stress; returns the total strain (engineering shears)
// for the secant energy.
void damage_point(const Ply& m, const double* so, const double* de, double* sn, double* st, const double* lc,
                  double* total_eng) {
    auto s = [&](int k) -> double& { return st[k - 1]; };
    const double xt11 = m.p[9], xt22 = m.p[10], xc11 = std::fabs(m.p[12]), xc22 = std::fabs(m.p[13]);
    const double x12 = m.p[15];
    double total[6], el[6], wd[4];
    for (int k = 0; k < 6; ++k) {
        total[k] = s(slot::total_strain + k) + de[k];
        el[k] = total[k] - s(slot::inelastic_strain + k);
    }
    for (int k = 0; k < 4; ++k) wd[k] = s(slot::d_fibre_tension + k);
    double cd[36];
    std::memcpy(cd, m.c, sizeof cd);

    // Fibre failure, by the sign of the start stress 11.
    const double s11 = so[0], lc1 = lc[0];
    double w = s11 > 0.0 ? wd[0] : wd[1];
    const double shear2 = el[3] * el[3] + el[5] * el[5];  // tensor shears 12 and 13
    if (s11 > 0.0) {
        const double e_t = std::sqrt(el[0] * el[0] + shear2);
        bool evolved = false;
        if (wd[0] <= 0.0) {
            const double f_t = s11 / xt11;
            s(slot::ft_exposure) = std::fmax(s(slot::ft_exposure), f_t);
            if (f_t >= 1.0) {
                double sig = s11, g = m.p[24], e0 = e_t / (f_t * f_t), e1 = 0.0;
                BiLinearEvolution(&e_t, &e0, &sig, &g, &lc1, &wd[0], &e1);
                s(slot::ft_onset_strain) = e0;
                s(slot::ft_final_strain) = e1;
                s(slot::ft_energy) = g;
                s(slot::ft_stress) = sig;
                evolved = true;
            }
        } else {
            wd[0] = tvk::damage::bilinear_damage(e_t, s(slot::ft_onset_strain), s(slot::ft_final_strain));
            evolved = true;
        }
        if (evolved) {
            wd[0] = std::fmin(std::fmax(std::fmax(wd[0], 0.0), s(slot::d_fibre_tension)), cap[0]);
            w = 1.0 - (1.0 - wd[0]) * (1.0 - wd[1]);
        }
    } else if (s11 < 0.0) {
        bool initiated = wd[1] > 0.0;
        double e0 = s(slot::fc_onset_strain), e1 = s(slot::fc_final_strain);
        if (!initiated) {
            const double f_c = -s11 / xc11;
            s(slot::fc_exposure) = std::fmax(s(slot::fc_exposure), f_c);
            if (f_c >= 1.0) {
                const double sig = -s11, g = m.p[25], c0 = std::fmax(-el[0], 0.0);
                e0 = std::sqrt(c0 * c0 + shear2) / std::pow(f_c, 0.25);
                e1 = lc1 > 0.0 ? std::fmax(2.0 * g / (sig * lc1), 1.5 * e0) : 1.5 * e0;
                s(slot::fc_onset_strain) = e0;
                s(slot::fc_final_strain) = e1;
                s(slot::fc_stress) = sig;
                initiated = true;
            }
        }
        if (initiated) {
            const double c0 = std::fmin(el[0], 0.0), e_c = std::sqrt(c0 * c0 + shear2);
            wd[1] = tvk::damage::bilinear_damage(e_c, e0, e1);
            wd[1] = std::fmin(std::fmax(std::fmax(wd[1], 0.0), s(slot::d_fibre_compression)), cap[1]);
            w = 1.0 - (1.0 - wd[0]) * (1.0 - wd[1]);
        }
    }
    if (w != 0.0) {
        const double f = 1.0 - w, fs = 1.0 - 2.0 * w / 3.0;
        for (const int k : {0, 1, 2, 6, 12}) cd[k] *= f;  // (1,1), (2,1), (3,1), (1,2), (1,3)
        cd[3 + 6 * 3] *= fs;
        cd[5 + 6 * 5] *= fs;
    }

    // Matrix cracking: criterion until the crack forms, then the crack-plane damage.
    bool cracked = s(slot::matrix_exposure) >= 1.0;
    double phi = 0.0, sdv[4];
    const double zero6[6] = {}, xaxis[3] = {1.0, 0.0, 0.0};
    if (!cracked) {
        double e[6], crit[6];
        engineering(e, el, 3, 6);
        product(crit, cd, e, 6);
        double r = 0.0, theta = -1.0;
        const double sainc = 5.0;
        const int golden = 1;
        MCrckWiegand(&r, &crit[1], &crit[2], &crit[3], &crit[5], &crit[4], &xt22, &xc22, &x12, &theta, nullptr,
                     &sainc, &golden);
        s(slot::matrix_exposure) = std::fmax(s(slot::matrix_exposure), r);
        if (s(slot::matrix_exposure) >= 1.0) {
            const int clockwise = 1;
            GetPhiMeasuredFromXZPlane(&phi, &theta, &clockwise);
            s(slot::crack_angle) = phi * 180.0 / tvk::pi;
            std::fill(sdv, sdv + 4, -1.0);
            double sv[6], ev[6];
            to_voigt(sv, crit);
            to_voigt(ev, el);
            const double props[5] = {phi, m.p[26], m.p[27], m.p[28], m.p[28]};
            const int mode = 3, nsdv = 4, np = 5;
            BogenfeldDegradation(&wd[2], sdv, sv, ev, lc, props, &mode, &nsdv, &np);
            s(slot::crack_onset_strain) = sdv[0];
            s(slot::crack_onset_stress) = sdv[1];
            s(slot::crack_toughness) = sdv[2];
            s(slot::crack_final_strain) = sdv[3];
            cracked = true;
        } else {
            s(slot::crack_angle) = 0.0;
        }
    } else {
        phi = s(slot::crack_angle) * tvk::pi / 180.0;
        sdv[0] = s(slot::crack_onset_strain);
        sdv[1] = s(slot::crack_onset_stress);
        sdv[2] = s(slot::crack_toughness);
        sdv[3] = s(slot::crack_final_strain);
        double ev[6];
        to_voigt(ev, el);
        const double props[5] = {phi, m.p[26], m.p[27], m.p[28], m.p[28]};
        const int mode = 3, nsdv = 4, np = 5;
        BogenfeldDegradation(&wd[2], sdv, zero6, ev, lc, props, &mode, &nsdv, &np);
    }
    if (cracked) {
        wd[2] = std::fmax(clamp(wd[2], 0.0, cap[2]), s(slot::d_crack));
        if (wd[2] != 0.0) {
            int status = 1;
            const int face = 2;
            double sv[6], cv[36], cdv[36];
            to_voigt(sv, so);
            GetCrackStatus(&status, sv, xaxis, &phi, &face);
            matrix_to_voigt(cv, cd);
            TensorDegradation(cv, cdv, &phi, &wd[2], &face, &status);
            matrix_from_voigt(cd, cdv);
            s(slot::crack_status) = status;
        }
    }

    // Final stress and state.
    double e[6];
    engineering(e, el, 3, 6);
    product(sn, cd, e, 6);
    for (int k = 0; k < 4; ++k) wd[k] = clamp(wd[k], 0.0, cap[k]);
    if (wd[0] >= cap[0] || wd[1] >= cap[1]) s(slot::status) = 0.0;
    for (int k = 0; k < 4; ++k) s(slot::d_fibre_tension + k) = wd[k];
    for (int k = 0; k < 6; ++k) s(slot::total_strain + k) = total[k];
    engineering(total_eng, total, 3, 6);
}

// The material of a call from its property form; false (reported) when there is no stiffness.
bool bogenfeld_material(Ply& m, const tvk::solver::VumatPlaneStrain& a) {
    const int n = m.n, np = a.nprops;
    std::fill(m.p, m.p + full_count, 0.0);
    m.damage = false;
    if (np < 1) {
        tvk::report_refused_point("vumat_bogenfeld: no material properties", np);
        return false;
    }
    if (np == 1) {
        const int ply_slot = 21, section_slot = 22;
        if (a.nstatev < section_slot) {
            tvk::report_refused_point("vumat_bogenfeld: ply and section indices need 22 state variables", a.nstatev);
            return false;
        }
        auto index_of = [](double v) { return std::isfinite(v) && std::fabs(v) < 2.0e9 ? static_cast<int>(v) : 0; };
        const int ply = index_of(a.stateold(0, ply_slot - 1)), sec = index_of(a.stateold(0, section_slot - 1));
        const auto pe = tvk::materialdata.peprops.view();
        if (pe.extent(1) < 9 || !pe.has(9, ply, sec)) {
            tvk::report_refused_point("vumat_bogenfeld: no elastic properties for this ply and section", ply, sec);
            return false;
        }
        tvk::lamina::nye_properties(m.nye, &pe(1, ply, sec), 9);
    } else if (np <= 9) {
        if (!tvk::lamina::nye_properties(m.nye, a.props.data(), np)) {
            tvk::report(-2, "Unsupported input in GetNyeProperties", np);
            return false;
        }
    } else if (np == 21) {
        if (n != 6) {
            tvk::report_refused_point("vumat_bogenfeld: a packed stiffness needs six stress components", n);
            return false;
        }
        double lu[36], cn[36];
        GetUnpackedTriangle(lu, a.props.data(), &n, &np, "F", nullptr, 1);
        Symmetrize(lu, cn, &n);
        for (int j = 0; j < 6; ++j)
            for (int i = 0; i < 6; ++i)
                m.c[i + 6 * j] = cn[tvk::solver::reorder(Order::cyclic, i, 6) + 6 * tvk::solver::reorder(Order::cyclic, j, 6)];
        if (!finite(m.c, 36)) {
            tvk::report_refused_point("vumat_bogenfeld: non-finite stiffness");
            return false;
        }
        return true;
    } else {
        if (np < full_count) tvk::report(-2, "vumat_bogenfeld: full property list shorter than 29, padded with zeros", np);
        std::copy(a.props.data(), a.props.data() + std::min(np, full_count), m.p);
        const double* q = m.p;
        const double nye[9] = {q[0], q[1], q[2], q[6], q[7], q[8], q[3], q[4], q[5]};
        std::copy(nye, nye + 9, m.nye);
        m.damage = std::any_of(m.p, m.p + full_count, [](double v) { return v != 0.0; });
    }
    solver_stiffness(m.c, m.nye, n);
    if (!finite(m.c, n * n) || !finite(m.nye, 9)) {
        tvk::report_refused_point("vumat_bogenfeld: the elastic constants give no finite stiffness");
        return false;
    }
    if (m.damage) {
        if (n != 6) {
            tvk::report(-2, "vumat_bogenfeld: damage needs six stress components; elastic response", n);
            m.damage = false;
        } else if (a.nstatev < slot::count) {
            tvk::report(-3, "vumat_bogenfeld: damage needs 47 state variables; elastic response", a.nstatev);
            m.damage = false;
        } else if (!(m.p[9] > 0.0 && m.p[10] > 0.0 && m.p[12] != 0.0 && m.p[13] != 0.0 && m.p[15] > 0.0) ||
                   !finite(m.p, full_count)) {
            tvk::report(-3, "vumat_bogenfeld: strengths xt11, xt22, xc11, xc22 and x12 must be nonzero; elastic response");
            m.damage = false;
        } else if (tvk::failure::wiegand_friction_overflows(std::fabs(m.p[13]), m.p[15])) {
            // The matrix criterion of the damage path would refuse these strengths part way
            // through a point that goes on to write its records: the point declines its damage
            // at entry, with the undamaged elastic response.
            tvk::report(-3, "vumat_bogenfeld: xc22 so small that eta_L overflows; elastic response");
            m.damage = false;
        }
    }
    return true;
}

void bogenfeld_law(const tvk::solver::VumatPlaneStrain& a) {
    const int nb = std::max(a.nblock, 0), n = a.ndir + a.nshr, ns = std::max(a.nstatev, 0);
    if (nb == 0) return;
    tvk::Scratch<double, 64> st(static_cast<std::size_t>(std::max(ns, 1)));
    auto keep_old = [&](int k) {
        for (int j = 0; j < n; ++j) a.stressnew(k, j) = a.stressold(k, j);
        for (int j = 0; j < ns; ++j) a.statenew(k, j) = a.stateold(k, j);
        a.enerinternnew[k] = a.enerinternold[k];
        a.enerinelasnew[k] = a.enerinelasold[k];
    };
    Ply m{};
    m.ndir = a.ndir;
    m.nshr = a.nshr;
    m.n = n;
    m.plane_stress = a.ndir == 3 && a.nshr == 1;
    if (!layout_valid("vumat_bogenfeld", a.ndir, a.nshr) || !bogenfeld_material(m, a)) {
        for (int k = 0; k < nb; ++k) keep_old(k);
        return;
    }
    bool refused = false, overflow = false, bad_density = false;
    for (int k = 0; k < nb; ++k) {
        double so[6], de[6], sn[6], lc[3], total_eng[6] = {};
        for (int j = 0; j < n; ++j) {
            so[j] = a.stressold(k, j);
            de[j] = a.straininc(k, j);
        }
        for (int j = 0; j < ns; ++j) st[j] = a.stateold(k, j);
        for (int j = 0; j < 3; ++j) lc[j] = a.charlength(k, j);
        if (!finite(so, n) || !finite(de, n) || (m.damage && (!finite(st.get(), slot::count) || !finite(lc, 3)))) {
            refused = true;
            keep_old(k);
            continue;
        }
        // Elastic trial.
        double e[6], ds[6];
        engineering(e, de, m.ndir, n);
        product(ds, m.c, e, n);
        if (m.plane_stress) de[2] = thickness_increment(m.nye, ds);
        for (int j = 0; j < n; ++j) sn[j] = so[j] + ds[j];
        const bool evolved = m.damage && a.totaltime != 0.0;
        if (evolved) damage_point(m, so, de, sn, st.get(), lc, total_eng);
        // Energies, scaled by the point's status (a point without the slot counts as active). The
        // inelastic energy is the work less the elastic energy held, 1/2 stress . total strain; a
        // point that only took the elastic trial holds all its work and dissipates nothing.
        engineering(e, de, m.ndir, n);
        double pse = 0.0;
        for (int j = 0; j < n; ++j) pse += (sn[j] + so[j]) * e[j];
        pse *= 0.5;
        const double sse = 0.5 * dot(sn, total_eng, n);
        const double alive = ns >= slot::status ? st[slot::status - 1] : 1.0;
        const bool dense = a.density[k] > 0.0;
        const double ei = dense ? a.enerinternold[k] + alive * pse / a.density[k] : a.enerinternold[k];
        const double ee = dense && evolved ? ei - alive * sse / a.density[k] : a.enerinelasold[k];
        if (!finite(sn, n) || (m.damage && !finite(st.get(), slot::count)) || !std::isfinite(ei) || !std::isfinite(ee) ||
            !std::isfinite(de[2])) {
            // An overflowing increment (or a value the law could not use): the old point.
            overflow = true;
            keep_old(k);
            continue;
        }
        for (int j = 0; j < n; ++j) a.stressnew(k, j) = sn[j];
        for (int j = 0; j < ns; ++j) a.statenew(k, j) = st[j];
        if (m.plane_stress) a.straininc(k, 2) = de[2];
        a.enerinternnew[k] = ei;
        a.enerinelasnew[k] = ee;
        bad_density = bad_density || !dense;
    }
    if (refused) tvk::solver::conv::refuse_non_finite("vumat_bogenfeld");
    if (overflow) tvk::report(-3, tvk::compose("vumat_bogenfeld", tvk::solver::conv::non_finite_text));
    if (bad_density) tvk::report(-2, "vumat_bogenfeld: material point with a density that is not positive");
}

}  // namespace

TVK_SOLVER_ENTRY(VumatPlaneStrain, vumat_lamina, lamina_law)
TVK_SOLVER_ENTRY(VumatPlaneStrain, vumat_bogenfeld, bogenfeld_law)
