// Crack-plane damage of a matrix crack in the smeared-crack form used by R. Bogenfeld and
// co-workers for explicit impact analyses of composite plies: the strain and stress tractions on
// the fracture plane (through the fibre axis at phi) drive a bilinear softening law whose final
// strain follows from the mode-mixed toughness over the element length across the plane
// (Z. P. Bazant, B. H. Oh (1983), Mater. Struct. 16, 155-177). A closing normal strain does not
// open the crack. The onset values are frozen on first damage in the caller's state.
//
// The strain comes with tensor shears; its traction's two shears are doubled, so that the law
// works on the engineering strains conjugate to the stress traction (with tensor shears a shear
// crack took twice its toughness over the length). The onset stress is the stress traction's
// work per unit of that strain, t . e / |e|, the component of t along e: on a proportional path
// the area under the law, sig_0 eps_1 / 2, is then the work the traction does on the crack plane
// up to full damage in every mode mix. With |t| in its place a crack whose traction and strain
// point different ways (opening with shear, or shear under a closing normal stress) took only
// cos(t, e) of its toughness. Where t and e are 90 degrees or more apart, t . e is not positive
// and gives no law; the onset stress is then |t|. A stored onset stress is read as it stands,
// whichever of the two forms gave it: a crack formed with |t| keeps the final strain it gave.
#include <cfloat>
#include <cmath>

#include "continuum_damage.h"
#include "core/errors.h"
#include "damage_evolution.h"
#include "mechanics/transformation.h"

namespace {

constexpr double unset = -1.0;

double norm3(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// The norm of v, and its direction in u (0 for a zero or non-finite v). Both are taken from v
// scaled by a power of two to its largest component, so that squares that under- or overflow
// (a strain below about 1e-154 or above 1e154) move neither; elsewhere they are the plain
// sqrt(v . v) and v/|v| to the last bit, since the scaling is exact.
double norm_and_direction(const double* v, double* u) {
    const double amax = std::fmax(std::fabs(v[0]), std::fmax(std::fabs(v[1]), std::fabs(v[2])));
    if (!(amax > 0.0) || !std::isfinite(amax)) {
        u[0] = u[1] = u[2] = 0.0;
        return norm3(v);
    }
    if (amax > 0x1p-200 && amax < 0x1p200) {
        // No square that counts under- or overflows here: the plain forms, which the scaled ones
        // equal to the last bit at these sizes.
        const double r = norm3(v);
        for (int i = 0; i < 3; ++i) u[i] = v[i] / r;
        return r;
    }
    const int k = std::ilogb(amax);
    double w[3];
    for (int i = 0; i < 3; ++i) w[i] = std::ldexp(v[i], -k);
    const double r = norm3(w);
    for (int i = 0; i < 3; ++i) u[i] = w[i] / r;
    return std::ldexp(r, k);
}

// Onset stress of the crack-plane law from the stress traction ts and the direction u of the
// strain traction (0 where there is no strain): t . u, the component of t along e, where that is
// positive beyond the rounding of the product (a few ulp of |t|, below which its sign is not
// known), else |t|. With the strain taken as its direction, a traction along the strain (a pure
// mode) gives |t| itself at every size of the strain.
double onset_stress(const double* ts, const double* u) {
    const double tnorm = norm3(ts);
    double w = 0.0;
    for (int i = 0; i < 3; ++i) w += ts[i] * u[i];
    return w > 8.0 * DBL_EPSILON * tnorm ? w : tnorm;
}

// Traction (normal, shear, shear) of a Voigt tensor on face 2 of the frame turned by phi about x.
void crack_traction(double* t, const double* v, double phi) {
    static constexpr double xaxis[3] = {1.0, 0.0, 0.0};
    static constexpr int face = 2;
    GetTVectorFromArbitraryRotation(t, &phi, xaxis, &v[0], &v[1], &v[2], &v[5], &v[4], &v[3], &face);
}

}  // namespace

void BogenfeldDegradation(double* d, double* sdv, const double* svoigt, const double* evoigt,
                          const double* charelemlength, const double* props, const int* mode, const int* nsdv,
                          const int* nprops) {
    if (*mode == 0) {
        *d = 0.0;
        return;
    }
    if (*mode != 3) {
        tvk::report(-2, "Unknown mode in BogenfeldDegradation", *mode);
        return;
    }
    if (*nsdv < 4 || *nprops < 5) {
        tvk::report(-3, "Too few state or property values in BogenfeldDegradation", *nsdv, *nprops);
        *d = 0.0;
        return;
    }
    const double phi = props[0];
    double ts[3], te[3];
    crack_traction(ts, svoigt, phi);
    crack_traction(te, evoigt, phi);
    te[0] = std::max(te[0], 0.0);
    te[1] *= 2.0;
    te[2] *= 2.0;
    double dir[3];
    const double eps = norm_and_direction(te, dir);
    const double lm = tvk::damage::crack_plane_length(phi, charelemlength);

    if (sdv[0] == unset && sdv[1] == unset && sdv[2] == unset && sdv[3] == unset) {
        sdv[0] = eps;
        sdv[1] = onset_stress(ts, dir);
        sdv[2] = tvk::damage::mixed_mode_err(ts, props + 1, true);
    }
    const double eps0 = sdv[0], sig = sdv[1], gc = sdv[2];
    // Final strain: from the toughness over the length across the plane whenever that length
    // takes part in the law, and on first damage whatever the length (a final strain left at the
    // unset marker would make the law meaningless for elements under 1 mm).
    double eps1 = sdv[3];
    if (eps1 == unset || std::abs(lm) >= tvk::damage::crackband_tol)
        eps1 = lm > 0.0 && sig > 0.0 ? tvk::damage::crackband_final_strain(eps0, sig, gc, lm)
                                     : tvk::damage::crackband_min_ratio * eps0;
    if (sdv[3] == unset) sdv[3] = eps1;
    *d = tvk::damage::bilinear_damage(eps, eps0, eps1);
}
