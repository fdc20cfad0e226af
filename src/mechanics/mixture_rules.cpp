// Closed-form mixture rules for the elastic constants of a unidirectional ply. All of them take
// the axial modulus and the major Poisson's ratio by the rule of mixtures (Voigt average) and
// differ in the transverse modulus E2 and the axial shear modulus G12:
//   * inverse rule of mixtures (Reuss average, Reuss 1929);
//   * Halpin-Tsai (Halpin and Kardos, Polym. Eng. Sci. 16, 1976, eq. 6-7) with the default
//     shape factors 2 + 40 phi^10 and 1 + 40 phi^10 of Hewitt and de Malherbe (1970);
//   * Hopkins and Chamis (NASA TM-87154, 1985): square fibre in a square cell, the strip through
//     the fibre in series, the rest in parallel;
//   * Chamis (SAMPE Quarterly 15, 1984): the series strip alone;
//   * Puck (Kunststoffe 57, 1967): empirical, with E_m/(1 - nu_m^2) for the transverse
//     modulus; at phi = 1 it gives 1.85 E_f2 and 1.4 G_f12, not the fibre values;
//   * Abolinsh (Polymer Mechanics 1, 1965): transverse modulus with the Poisson mismatch term,
//     shear modulus of the composite-cylinder form.
#include <cmath>

#include "mechanics/micromechanics.h"
#include "mechanics/voigt6.h"

namespace {

using tvk::mm::clamp01;

struct Mix {
    double phi, ef1, ef2, gf12, nuf12, em, num, gm;
};

Mix mix4(const double* fp, const double* mp, const double* vf) {
    const double em = mp[0], num = mp[1];
    return {clamp01(*vf), fp[0], fp[1], fp[2], fp[3], em, num, em / (2.0 * (1.0 + num))};
}

// Common axial entries (E1, nu12) and the rule's own (E2, G12) into r(4).
void store4(double* r, const Mix& m, double e2, double g12) {
    r[0] = m.phi * m.ef1 + (1.0 - m.phi) * m.em;
    r[1] = e2;
    r[2] = g12;
    r[3] = m.phi * m.nuf12 + (1.0 - m.phi) * m.num;
}

// Hopkins-Chamis strip: x_m [s/(1 - (1 - x_m/x_f) s) + (1 - s)], s = sqrt(phi).
double hopkins_chamis(double xm, double xf, double phi) {
    const double s = std::sqrt(phi);
    return xm * (s / (1.0 - (1.0 - xm / xf) * s) + (1.0 - s));
}
// Chamis strip: x_m / (1 - (1 - x_m/x_f) sqrt(phi)).
double chamis(double xm, double xf, double phi) {
    return xm / (1.0 - (1.0 - xm / xf) * std::sqrt(phi));
}

}  // namespace

TVK_API void RuleOfMixture(double* rm, const double* fiberprops, const double* matrixprops,
                           const double* vf) {
    const Mix m = mix4(fiberprops, matrixprops, vf);
    const double e2 = m.ef2 * m.em / (m.phi * m.em + (1.0 - m.phi) * m.ef2);
    const double g12 = m.gf12 * m.gm / (m.phi * m.gm + (1.0 - m.phi) * m.gf12);
    store4(rm, m, e2, g12);
}

TVK_API void HalpinTsai(double* ht, const double* fiberprops, const double* matrixprops,
                        const double* vf, const double* zeta) {
    const Mix m = mix4(fiberprops, matrixprops, vf);
    double xie, xig;
    if (!zeta || (zeta[0] == -1.0 && zeta[1] == -1.0)) {
        const double p10 = std::pow(m.phi, 10);
        xie = 2.0 + 40.0 * p10;
        xig = 1.0 + 40.0 * p10;
    } else {
        xie = zeta[0];
        xig = zeta[1];
    }
    const double ke = m.ef2 / m.em, kg = m.gf12 / m.gm;
    const double etae = (ke - 1.0) / (ke + xie), etag = (kg - 1.0) / (kg + xig);
    const double e2 = m.em * (1.0 + xie * etae * m.phi) / (1.0 - etae * m.phi);
    const double g12 = m.gm * (1.0 + xig * etag * m.phi) / (1.0 - etag * m.phi);
    store4(ht, m, e2, g12);
}

TVK_API void HopkinsChamis(double* hc, const double* fiberprops, const double* matrixprops,
                           const double* vf) {
    const Mix m = mix4(fiberprops, matrixprops, vf);
    store4(hc, m, hopkins_chamis(m.em, m.ef2, m.phi), hopkins_chamis(m.gm, m.gf12, m.phi));
}

TVK_API void Chamis(double* cs, const double* fiberprops, const double* matrixprops,
                    const double* vf, const int* csdim) {
    const int n = *csdim;
    for (int k = 0; k < n; ++k) cs[k] = 0.0;
    if (n == 4) {
        const Mix m = mix4(fiberprops, matrixprops, vf);
        store4(cs, m, chamis(m.em, m.ef2, m.phi), chamis(m.gm, m.gf12, m.phi));
        return;
    }
    if (n != 5 && n != 6) return;
    // Five fibre values: E_f1, E_f2, G_f12, G_f23, nu_f12.
    const double phi = clamp01(*vf), em = matrixprops[0], num = matrixprops[1];
    const double gm = em / (2.0 * (1.0 + num));
    cs[0] = phi * fiberprops[0] + (1.0 - phi) * em;
    cs[1] = chamis(em, fiberprops[1], phi);
    cs[2] = chamis(gm, fiberprops[2], phi);
    cs[3] = chamis(gm, fiberprops[3], phi);
    cs[4] = phi * fiberprops[4] + (1.0 - phi) * num;
    if (n == 6) cs[5] = cs[1] / (2.0 * cs[3]) - 1.0;
}

TVK_API void Puck(double* pu, const double* fiberprops, const double* matrixprops,
                  const double* vf) {
    const Mix m = mix4(fiberprops, matrixprops, vf);
    const double emp = m.em / (1.0 - m.num * m.num);
    const double e2 = (1.0 + 0.85 * m.phi * m.phi) * emp /
                      (emp * m.phi / m.ef2 + std::pow(1.0 - m.phi, 1.25));
    const double g12 = (1.0 + 0.4 * std::sqrt(m.phi)) * m.gm /
                       (m.gm * m.phi / m.gf12 + std::pow(1.0 - m.phi, 1.45));
    store4(pu, m, e2, g12);
}

TVK_API void Abolinsh(double* ah, const double* fiberprops, const double* matrixprops,
                      const double* vf) {
    const Mix m = mix4(fiberprops, matrixprops, vf);
    const double k = m.ef2 / m.em, g = m.gf12 / m.gm, phi = m.phi;
    const double dnu = m.num * k - m.nuf12;
    const double e2 = m.em * k * (1.0 + (k - 1.0) * phi) /
                      ((k * (1.0 - phi) + phi) * (1.0 + (k - 1.0) * phi) -
                       dnu * dnu * phi * (1.0 - phi));
    const double g12 = m.gm * (g * (1.0 + phi) + (1.0 - phi)) / ((1.0 + phi) + g * (1.0 - phi));
    store4(ah, m, e2, g12);
}
