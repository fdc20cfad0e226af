// Matrix damage on the fracture plane after B. G. Falzon, P. Apruzzese (2011), Numerical analysis
// of intralaminar failure mechanisms in composite structures, Part I: FE implementation, Compos.
// Struct. 93, 1039-1046: the crack-plane tractions (normal, in-plane shear, transverse shear)
// soften by a bilinear law of the crack-plane strain whose final strain follows from the
// mode-mixed toughness over the element length across the plane; a closing normal traction is
// carried undamaged. The result is given as ratios of degraded to elastic stress in the ply
// frame.
#include <algorithm>
#include <cmath>

#include "continuum_damage.h"
#include "damage_evolution.h"
#include "mechanics/transformation.h"

namespace {

constexpr double xaxis[3] = {1.0, 0.0, 0.0};
// Least ratio of final to onset strain of the crack-plane law.
constexpr double min_ratio = 1.1;

double norm3(double a, double b, double c) { return std::sqrt(a * a + b * b + c * c); }

// Nye stress (11, 22, 33, 12, 13, 23) of the named components rotated by phi about x.
void rotated(double* out, double phi, double s11, double s22, double s33, double s12, double s13, double s23) {
    GetRotatedStresses(out, &phi, xaxis, &s11, &s22, &s33, &s12, &s13, &s23, nullptr);
}

// degraded / elastic, 1 where the elastic component is 0 (nothing to degrade).
double ratio(double degraded, double elastic) { return elastic == 0.0 ? 1.0 : degraded / elastic; }

}  // namespace

void FalzonDegradationParameters(const double* stressela, const double* strain, const double* phirad,
                                 double* dsix, double* epsi, double* epsu, double* sigi, double* gmix,
                                 double* w_matrixmode, const double* gc, const double* charelemlength) {
    const double phi = *phirad;
    const double* s = stressela;
    const double* e = strain;
    double rs[6], re[6];
    rotated(rs, phi, s[0], s[1], s[2], s[5], s[4], s[3]);
    rotated(re, phi, e[0], e[1], e[2], e[5], e[4], e[3]);
    const double ts[3] = {rs[1], rs[3], rs[5]};
    const double eps = norm3(std::max(re[1], 0.0), re[3], re[5]);

    if (*w_matrixmode == 0.0) {
        *epsi = eps;
        *sigi = norm3(ts[0], ts[1], ts[2]);
        *gmix = tvk::damage::mixed_mode_err(ts, gc, true);
        const double lm = tvk::damage::crack_plane_length(phi, charelemlength);
        *epsu = lm > 0.0 && *sigi > 0.0 ? std::max(2.0 * *gmix / (lm * *sigi), min_ratio * *epsi)
                                        : min_ratio * *epsi;
    }
    // The law runs on the final strain set at onset from the toughness (no crack-band length is
    // handed to it, which would replace that strain).
    double w = tvk::damage::bilinear_damage(eps, *epsi, *epsu);
    if (!(w > 0.0)) w = 0.0;
    *w_matrixmode = std::min(std::max(w, *w_matrixmode), 1.0);

    const double dn = rs[1] - std::max(rs[1], 0.0) * w;
    double ds[6];
    rotated(ds, -phi, rs[0], dn, rs[2], rs[3] * (1.0 - w), rs[4], rs[5] * (1.0 - w));
    const double r22 = ratio(ds[1], s[1]), r33 = ratio(ds[2], s[2]);
    dsix[1] = r22;
    dsix[2] = r33;
    dsix[3] = r22;
    dsix[4] = r33;
    dsix[5] = r22 + r33 - r22 * r33;
}
