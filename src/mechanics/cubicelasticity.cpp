// Elastic law of a resin whose volumetric, normal deviatoric and shear deviatoric stress
// coefficients are tabulated against the signed norms of the three strain parts and the
// temperature (resin calibration tables alpha1props, alpha2props, alpha3props, read by cubic
// Hermite interpolation).
#include "core/matrix_repair.h"
#include "core/modeldata.h"
#include "elasticlaws.h"
#include "notation.h"
#include "resin.h"

void GetStressFromCubicElasticity(double* stress, const double* endstran, const double* props,
                                  const int* ntens, const int* ndi, const int* nprops,
                                  const double* /*c*/, const int* /*noel*/) {
    const int n = *ntens, nd = *ndi;
    const char* me = "GetStressFromCubicElasticity";
    tvk::elastic::zero(stress, n);
    if (!tvk::elastic::isotropic_sizes(n, nd, me)) return;
    if (*nprops < 2) {
        tvk::report(-2, std::string("Too few properties in ") + me, *nprops, 2);
        return;
    }
    const double temp = props[0], degr = props[1];
    double eps[9];
    tvk::elastic::strain_tensor(eps, endstran, nd);
    const double tr = eps[0] + eps[4] + eps[8];
    // Volumetric part, and the deviator split into its diagonal and off-diagonal parts.
    double vol[9] = {}, dn[9] = {}, ds[9] = {};
    for (int k = 0; k < 9; ++k) ds[k] = eps[k];
    for (int i = 0; i < 3; ++i) {
        vol[4 * i] = tr / 3.0;
        dn[4 * i] = eps[4 * i] - tr / 3.0;
        ds[4 * i] = 0.0;
    }
    const int three = 3;
    const double sgn = tr < 0.0 ? -1.0 : 1.0;
    const double xv = sgn * MatrixNorm(vol, &three, &three);
    const double xn = sgn * MatrixNorm(dn, &three, &three);
    const double xs = MatrixNorm(ds, &three, &three);
    const tvk::MaterialData& md = tvk::materialdata;
    using tvk::resin::Method;
    double a1, a2, a3;
    if (!tvk::resin::lookup(md.alpha1props, md.nalpha1data, tvk::columns::calibration::y, xv, temp, Method::cubic, me, a1) ||
        !tvk::resin::lookup(md.alpha2props, md.nalpha2data, tvk::columns::calibration::y, xn, temp, Method::cubic, me, a2) ||
        !tvk::resin::lookup(md.alpha3props, md.nalpha3data, tvk::columns::calibration::y, xs, temp, Method::cubic, me, a3))
        return;
    double s[9];
    for (int k = 0; k < 9; ++k) s[k] = degr * (a1 * vol[k] + a2 * dn[k] + a3 * ds[k]);
    NyeNotation(stress, s);
}
