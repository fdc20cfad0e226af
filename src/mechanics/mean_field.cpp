// Strain concentration tensors of mean-field homogenisation and the multi-phase Mori-Tanaka
// stiffness.
//
// With the Eshelby tensor E of the inclusion shape, T = I + E Cm^-1 (Ci - Cm) is the inverse of
// the dilute concentration tensor of an inclusion Ci in the matrix Cm (Eshelby 1957), and
// U = I + E Ci^-1 (Cm - Ci) that of the matrix material embedded in the inclusion material. For
// a volume fraction c and MT(X) = X [(1 - c) I + c X]^-1:
//   * dilute: T^-1;
//   * Mori-Tanaka (Mori and Tanaka 1973, Benveniste 1987): MT(T^-1);
//   * Mori-Tanaka with the phases exchanged, MT(U): the fibre as the host, the upper
//     Hashin-Shtrikman estimate of a stiffer fibre;
//   * Chow (J. Polym. Sci. 16, 1978): [I + (1 - c) E Cm^-1 (Ci - Cm)]^-1, equal to Mori-Tanaka
//     for two aligned phases;
//   * Lielens (1999): MT of the interpolation [(1 - f) T + f U^-1]^-1 between the two
//     Mori-Tanaka estimates, f = (c^2 + c)/2.
#include <cstddef>

#include "core/errors.h"
#include "mechanics/homogenisation_detail.h"
#include "mechanics/micromechanics.h"

namespace tvk::mm {

namespace {
M6 mt_of(const M6& x, double c) { return x * inv((1.0 - c) * eye() + c * x); }
}  // namespace

M6 eshelby(int type, double ratio, double nu, const M6* host) {
    M6 e;
    GetEshelbyTensor(e.v, &type, &ratio, &nu, host ? host->v : nullptr);
    return e;
}

bool concentration(M6& a, const M6& et, const M6& cinc, const M6& cm, double c, int atype) {
    const M6 id = eye();
    switch (atype) {
        case 0: a = inv(id + et * inv(cm) * (cinc - cm)); return true;
        case 1:
        case 3: a = mt_of(inv(id + et * inv(cm) * (cinc - cm)), c); return true;
        case 2: a = mt_of(id + et * inv(cinc) * (cm - cinc), c); return true;
        case 4: a = inv(id + (1.0 - c) * (et * inv(cm) * (cinc - cm))); return true;
        case 5: {
            const M6 t = id + et * inv(cm) * (cinc - cm);
            const M6 u = id + et * inv(cinc) * (cm - cinc);
            const double f = (c * c + c) / 2.0;
            a = mt_of(inv((1.0 - f) * t + f * inv(u)), c);
            return true;
        }
        default:
            tvk::report(-2, "Unknown AType. Please check your input", atype);
            a = M6{};
            return false;
    }
}

M6 dual_average(const M6& a, const M6& scinc, const M6& scm, double c) {
    return scm + c * ((scinc - scm) * a);
}

}  // namespace tvk::mm

using namespace tvk::mm;

TVK_API void GetStrainConcentrationTensor(double* a, const double* et, const double* cinc,
                                          const double* cm, const double* vinc,
                                          const int* atype) {
    M6 r;
    concentration(r, M6::from(et), M6::from(cinc), M6::from(cm), clamp01(*vinc), atype ? *atype : 0);
    r.store(a);
}

TVK_API void GetAverageSCFromDualEquation(double* sc, const double* bainc, const double* scinc,
                                          const double* scm, const double* vinc) {
    dual_average(M6::from(bainc), M6::from(scinc), M6::from(scm), clamp01(*vinc)).store(sc);
}

// C = (vm C0 + sum_j v_j C_j A_j) (vm I + sum_j v_j A_j)^-1 with the dilute tensors
// A_j = [I + E_j C0^-1 (C_j - C0)]^-1 (Benveniste, Mech. Mater. 6, 1987). A phase of the
// matrix's own stiffness leaves C0 unchanged.
TVK_API void GeneralizedMoriTanaka(double* cmt, const double* cinc, const double* eshinc,
                                   const double* vinc, const double* c0, const int* ninc) {
    const M6 cm = M6::from(c0);
    const int n = *ninc;
    if (n < 1) {
        cm.store(cmt);
        return;
    }
    double vsum = 0.0;
    bool negative = false;
    for (int j = 0; j < n; ++j) {
        vsum += vinc[j];
        negative = negative || !(vinc[j] >= 0.0);
    }
    if (negative || !(vsum <= 1.0)) {
        tvk::report(-3, "Volume fractions outside [0, 1] in GeneralizedMoriTanaka.", n, 0, vsum);
        M6{}.store(cmt);
        return;
    }
    const double vm = 1.0 - vsum;
    const M6 sm = inv(cm), id = eye();
    M6 num = vm * cm, den = vm * id;
    for (int j = 0; j < n; ++j) {
        const std::size_t off = 36 * static_cast<std::size_t>(j);
        const M6 ci = M6::from(cinc + off), ej = M6::from(eshinc + off);
        const M6 aj = inv(id + ej * sm * (ci - cm));
        num = num + vinc[j] * (ci * aj);
        den = den + vinc[j] * aj;
    }
    (num * inv(den)).store(cmt);
}
