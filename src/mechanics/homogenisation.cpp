// Mean-field estimates of the nine engineering constants of a unidirectional ply from a
// transversely isotropic fibre (with an optional interphase) in an isotropic matrix (with
// optional voids). Every scheme first reduces the phases (fibre bundle, porous resin), then
// averages fibre and matrix with the fibre fraction phi (fibre plus interphase):
//   * Voigt (1889) and Reuss (1929): stiffness and compliance averages, the outer bounds;
//   * dilute, Mori-Tanaka, Chow, Lielens and Hashin-Shtrikman through their strain
//     concentration tensors, C = Cm + phi (Cf - Cm) A, with the fibre as an elliptic cylinder of
//     cross-section ratio yzratio;
//   * Mura's form of the Mori-Tanaka estimate (Mura 1987, sec. 22),
//     C = Cm [Cm - (1 - phi) D E]^-1 [Cm - D ((1 - phi) E + phi I)], D = Cm - Cf;
//   * a self-consistent iteration (Hill 1965): the fibre embedded in the current effective
//     medium, with the Eshelby tensor of a circular cylinder in a transversely isotropic host.
#include <cmath>

#include "core/errors.h"
#include "mechanics/homogenisation_detail.h"
#include "mechanics/micromechanics.h"

namespace {

using namespace tvk::mm;

void zero9(double* out) {
    for (int k = 0; k < 9; ++k) out[k] = 0.0;
}

// Phases of a scheme; false when there is nothing to average (result stays zero).
bool phases(Phases& p, const double* fp, const double* mp, const double* vf, const double* vvoid,
            const double* vint, const double* interprops, const int* voidtype) {
    p = reduce(fp, mp, vf, vvoid, vint, interprops, voidtype);
    return p.ok && !(p.sf.is_zero() && p.sm.is_zero());
}

// Schemes defined by a concentration tensor of the fibre in the matrix. The Eshelby tensor is
// that of the medium that hosts the other phase: the matrix (elliptic cylinder with the matrix's
// Poisson's ratio), or for the exchanged roles of the upper Hashin-Shtrikman estimate the fibre
// (circular cylinder in the transversely isotropic fibre). The matrix's tensor there would not
// be a bound: it exceeds the Voigt bound by several percent for stiff fibres.
void concentration_scheme(double* out, int atype, const double* fp, const double* mp,
                          const double* vf, const double* vvoid, const double* vint,
                          const double* interprops, const double* yzratio, const int* voidtype) {
    zero9(out);
    Phases p;
    if (!phases(p, fp, mp, vf, vvoid, vint, interprops, voidtype)) return;
    const M6 cf = inv(p.sf), cm = inv(p.sm);
    const double ratio = yzratio ? *yzratio : 1.0;
    const M6 et = atype == 2 ? eshelby(11, ratio, 0.0, &cf) : eshelby(1, ratio, nu12_of(p.sm));
    M6 a;
    concentration(a, et, cf, cm, p.phi, atype);
    constants_of_stiffness(dual_average(a, cf, cm, p.phi), out);
}

}  // namespace

TVK_API void Voigt(double* vt, const double* fiberprops, const double* matrixprops,
                   const double* vf, const double* vvoid, const double* vint,
                   const double* interprops, const int* voidtype) {
    zero9(vt);
    Phases p;
    if (!phases(p, fiberprops, matrixprops, vf, vvoid, vint, interprops, voidtype)) return;
    const M6 cm = inv(p.sm);
    constants_of_stiffness(cm + p.phi * (inv(p.sf) - cm), vt);
}

TVK_API void Reuss(double* rs, const double* fiberprops, const double* matrixprops,
                   const double* vf, const double* vvoid, const double* vint,
                   const double* interprops, const int* voidtype) {
    zero9(rs);
    Phases p;
    if (!phases(p, fiberprops, matrixprops, vf, vvoid, vint, interprops, voidtype)) return;
    engineering_constants(p.sm + p.phi * (p.sf - p.sm), rs);
}

TVK_API void Dilute(double* es, const double* fiberprops, const double* matrixprops,
                    const double* vf, const double* vvoid, const double* vint,
                    const double* interprops, const double* yzratio, const int* voidtype) {
    concentration_scheme(es, 0, fiberprops, matrixprops, vf, vvoid, vint, interprops, yzratio,
                         voidtype);
}

TVK_API void MoriTanaka(double* mt, const double* fiberprops, const double* matrixprops,
                        const double* vf, const double* vvoid, const double* vint,
                        const double* interprops, const double* yzratio, const int* voidtype) {
    concentration_scheme(mt, 3, fiberprops, matrixprops, vf, vvoid, vint, interprops, yzratio,
                         voidtype);
}

TVK_API void Chow(double* cw, const double* fiberprops, const double* matrixprops,
                  const double* vf, const double* vvoid, const double* vint,
                  const double* interprops, const double* yzratio, const int* voidtype) {
    concentration_scheme(cw, 4, fiberprops, matrixprops, vf, vvoid, vint, interprops, yzratio,
                         voidtype);
}

TVK_API void Lielens(double* li, const double* fiberprops, const double* matrixprops,
                     const double* vf, const double* vvoid, const double* vint,
                     const double* interprops, const double* yzratio, const int* voidtype) {
    concentration_scheme(li, 5, fiberprops, matrixprops, vf, vvoid, vint, interprops, yzratio,
                         voidtype);
}

TVK_API void HashinShtrikman(double* hs, const double* fiberprops, const double* matrixprops,
                             const double* vf, const int* luflag, const double* vvoid,
                             const double* vint, const double* interprops,
                             const double* yzratio, const int* voidtype) {
    concentration_scheme(hs, *luflag < 1 ? 1 : 2, fiberprops, matrixprops, vf, vvoid, vint,
                         interprops, yzratio, voidtype);
}

TVK_API void Mura(double* ma, const double* fiberprops, const double* matrixprops,
                  const double* vf, const double* vvoid, const double* vint,
                  const double* interprops, const double* yzratio, const int* voidtype) {
    zero9(ma);
    Phases p;
    if (!phases(p, fiberprops, matrixprops, vf, vvoid, vint, interprops, voidtype)) return;
    const M6 cf = inv(p.sf), cm = inv(p.sm), d = cm - cf;
    const M6 et = eshelby(1, yzratio ? *yzratio : 1.0, nu12_of(p.sm));
    const double vm = p.vm;
    const M6 c = cm * inv(cm - vm * (d * et)) * (cm - d * (vm * et + p.phi * eye()));
    constants_of_stiffness(c, ma);
}

// The iteration stops when no entry of the concentration tensor moves by more than threshold
// between passes, up or down (a NaN entry counts as moving); at maxit passes without that, a
// note (-1) records the iteration limit and the last pass's estimate is returned. The plain
// fixed-point pass can overshoot for fibres much softer than the matrix at high fractions; when
// the host stiffness stops being a stiffness, the host tensor is refused (reported) and the
// result stays zero.
TVK_API void CSCS(double* sc, const double* fiberprops, const double* matrixprops,
                  const double* vf, const double* vvoid, const double* vint,
                  const double* interprops, const double* yzratio, const int* voidtype,
                  const int* maxit, const double* threshold) {
    zero9(sc);
    const int npass = maxit ? *maxit : 200;
    const double tol = threshold ? *threshold : 1e-8;
    if (npass < 1) {
        tvk::report(-3, "No self-consistent pass requested in CSCS.", npass);
        return;
    }
    Phases p;
    if (!phases(p, fiberprops, matrixprops, vf, vvoid, vint, interprops, voidtype)) return;
    const M6 cf = inv(p.sf), cm = inv(p.sm);
    const double ratio = yzratio ? *yzratio : 1.0;
    M6 host = cm, a, aprev;
    bool moving = true;
    int pass = 0;
    double change = 0.0;
    while (moving && pass < npass) {
        ++pass;
        const M6 et = eshelby(11, ratio, 0.0, &host);
        if (et.is_zero()) return;  // the host lost its stiffness (reported): no estimate
        concentration(a, et, cf, host, p.phi, 0);
        change = 0.0;
        moving = false;
        for (int k = 0; k < 36; ++k) {
            const double d = std::fabs(a.v[k] - aprev.v[k]);
            if (!(d <= tol)) moving = true;
            if (!(d <= change)) change = d;
        }
        if (moving) {
            host = cm + p.phi * ((cf - cm) * a);
            aprev = a;
        }
    }
    if (moving)
        tvk::report(-1, "Self-consistent iteration not converged in CSCS.", pass, 0, change, tol);
    constants_of_stiffness(cm + p.phi * ((cf - cm) * a), sc);
}
