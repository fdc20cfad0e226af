// Phase reductions ahead of the mean-field schemes: transversely isotropic compliances and
// their engineering constants, fibres with an interphase coating reduced to an equivalent
// fibre bundle, and a resin with voids reduced to an equivalent porous resin.
//
// Both reductions are two-phase Mori-Tanaka estimates (Benveniste, Mech. Mater. 6, 1987): the
// bundle with the interphase as host and the fibre as a circular cylinder, the porous resin
// with empty inclusions, either spheres (exact Mori-Tanaka: K = Km c0/(1 + vv 3 Km/(4 Gm)),
// G = Gm c0/(1 + vv 6 (Km + 2 Gm)/(9 Km + 8 Gm))) or a fixed mixture of eight measured void
// shapes, whose estimate is then replaced by an isotropic material of the same compliance
// traces.
#include "core/errors.h"
#include "mechanics/homogenisation_detail.h"
#include "mechanics/micromechanics.h"

namespace tvk::mm {

M6 ti_compliance(double e1, double e2, double g12, double g23, double nu12) {
    M6 s;
    const double nu23 = e2 / (2.0 * g23) - 1.0;
    s(0, 0) = 1.0 / e1;
    s(1, 1) = s(2, 2) = 1.0 / e2;
    s(0, 1) = s(1, 0) = s(0, 2) = s(2, 0) = -nu12 / e1;
    s(1, 2) = s(2, 1) = -nu23 / e2;
    s(3, 3) = 1.0 / g23;
    s(4, 4) = s(5, 5) = 1.0 / g12;
    return s;
}

void constants_of_stiffness(const M6& c, double* out) { engineering_constants(inv(c), out); }

namespace {

M6 ti_record(const double* p) { return ti_compliance(p[0], p[1], p[2], p[3], p[4]); }

// Isotropic record (E, E, G, G, nu) of a modulus and Poisson's ratio.
M6 isotropic_compliance(double e, double nu) {
    const double g = e / (2.0 * (1.0 + nu));
    return ti_compliance(e, e, g, g, nu);
}

M6 fibre_bundle(const M6& sf, const M6& sinter, double vf, double vinter) {
    const double c = clamp01(1.0 - vinter / (vf + vinter));
    const M6 et = eshelby(1, 1.0, nu12_of(sinter));
    const M6 cf = inv(sf), ci = inv(sinter);
    M6 a;
    concentration(a, et, cf, ci, c, 3);
    return inv(dual_average(a, cf, ci, c));
}

// Void families: Eshelby type, aspect ratio, share of the void fraction.
struct VoidFamily {
    int type;
    double ratio, share;
};
constexpr VoidFamily kVoidFamilies[8] = {
    {1, 1.5, 0.07}, {1, 2.5, 0.12},  {2, 3.73, 0.15}, {2, 3.69, 0.27},
    {2, 4.05, 0.15}, {3, 0.245, 0.1}, {3, 0.13, 0.09}, {3, 0.07, 0.05}};

M6 porous_resin(const M6& sm, double vv, int voidtype) {
    const M6 cm = inv(sm), id = eye();
    const double nu = nu12_of(sm), c0 = 1.0 - vv;
    if (voidtype == 1) {
        M6 x = c0 * id;
        for (const VoidFamily& f : kVoidFamilies)
            x = x + (vv * f.share) * inv(id - eshelby(f.type, f.ratio, nu));
        const M6 s = inv(c0 * (inv(x) * cm));
        const double e = 3.0 / (s(0, 0) + s(1, 1) + s(2, 2));
        const double g = 3.0 / (s(3, 3) + s(4, 4) + s(5, 5));
        const double nup = -e * (s(0, 1) + s(0, 2) + s(1, 2) + s(1, 0) + s(2, 0) + s(2, 1)) / 6.0;
        return ti_compliance(e, e, g, g, nup);
    }
    const M6 e = eshelby(0, 1.0, nu);
    return inv(cm * inv(cm - c0 * (cm * e)) * (c0 * (cm * (id - e))));
}

}  // namespace

Phases reduce(const double* fiberprops, const double* matrixprops, const double* vf,
              const double* vvoid, const double* vint, const double* interprops,
              const int* voidtype) {
    Phases p;
    const double cvf = clamp01(*vf), cvi = vint ? clamp01(*vint) : 0.0;
    const double cvv = vvoid ? clamp01(*vvoid) : 0.0;
    if (!(cvf + cvi + cvv <= 1.0)) {
        tvk::report(-3, "Volume fractions above 1 or undefined in GetPhaseReduction.", 0, 0,
                    cvf + cvi + cvv);
        return p;
    }
    const int vt = voidtype ? (*voidtype < 1 ? *voidtype : 1) : 0;
    const M6 smat = isotropic_compliance(matrixprops[0], matrixprops[1]);
    p.sf = ti_record(fiberprops);
    if (cvi > 0.0) {
        const bool own = interprops && interprops[0] + interprops[1] > 0.0;
        const M6 sint = own ? isotropic_compliance(interprops[0], interprops[1]) : smat;
        p.sf = fibre_bundle(p.sf, sint, cvf, cvi);
    }
    p.sm = cvv > 0.0 ? porous_resin(smat, cvv, vt) : smat;
    p.phi = clamp01(cvf + cvi);
    p.vm = 1.0 - p.phi;
    p.ok = true;
    return p;
}

}  // namespace tvk::mm

using namespace tvk::mm;

TVK_API void GetVoigtComplianceMatrix(double* s, const double* props) {
    ti_record(props).store(s);
}

TVK_API void GetEngConstsFromComplianceMatrix(double* eng, const double* s) {
    engineering_constants(M6::from(s), eng);
}

TVK_API void GetFiberBundleComplianceMatrix(double* sfb, const double* sf, const double* sinter,
                                            const double* vf, const double* vinter) {
    fibre_bundle(M6::from(sf), M6::from(sinter), *vf, *vinter).store(sfb);
}

TVK_API void GetPorousResinComplianceMatrix(double* spm, const double* sm, const double* vv,
                                            const int* voidtype) {
    porous_resin(M6::from(sm), clamp01(*vv), *voidtype).store(spm);
}

TVK_API void GetPhaseReduction(double* sf, double* sm, const double* fiberprops,
                               const double* matrixprops, const double* vf, const double* vvoid,
                               const double* vint, const double* interprops,
                               const int* voidtype) {
    const Phases p = reduce(fiberprops, matrixprops, vf, vvoid, vint, interprops, voidtype);
    p.sf.store(sf);
    p.sm.store(sm);
}
