// Endochronic viscoplasticity: the elastic part softens exponentially with the deviatoric and
// volumetric strain norms; the plastic part follows Valanis's endochronic theory (K. C. Valanis,
// Arch. Mech. 23, 1971) in the incremental form ds = 2 G2 de - alpha s dz over the intrinsic time
// dz = |dstrain|, integrated by the midpoint rule; each viscous branch is a Maxwell element
// updated by the trapezoidal rule, which over a step much longer than its relaxation time flips
// the sign of the branch stress rather than letting it decay (the rule is kept as the
// calibration used it).
#include <cmath>

#include "core/errors.h"
#include "endochronic.h"

namespace {

constexpr int kBranches = 6;
constexpr double kTau[kBranches] = {0.1, 1.0, 10.0, 100.0, 1000.0, 10000.0};

// sqrt(x1^2 + x2^2 + x3^2 + 2 (x4^2 + x5^2 + x6^2)) of a tensor-shear vector.
double tensor_norm(const double* x) {
    return std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2] +
                     2.0 * (x[3] * x[3] + x[4] * x[4] + x[5] * x[5]));
}

// Deviator of a six-component vector and its trace.
double deviator(const double* x, double* dev) {
    const double tr = x[0] + x[1] + x[2];
    for (int c = 0; c < 6; ++c) dev[c] = c < 3 ? x[c] - tr / 3.0 : x[c];
    return tr;
}

}  // namespace

void EndochroneViscoPlasticity(const double* stran, const double* dstrain, const double* props,
                               double* stress, double* statev, const double* dtime,
                               const int* nprops, const int* nstatev,
                               const tvk::logical1* writesdv, const tvk::logical1* matstate) {
    const bool full = *matstate != 0;
    if (*nprops < 11 || (full && *nstatev < 42)) {
        tvk::report(-2, "Too few properties or state variables in EndochroneViscoPlasticity",
                    *nprops, *nstatev);
        for (int c = 0; c < 6; ++c) stress[c] = 0.0;
        return;
    }
    const double e1 = full ? props[0] : 15.0, beta = full ? props[1] : 0.0, nu = props[2];
    double eps[6], e[6], de[6];
    for (int c = 0; c < 6; ++c) eps[c] = stran[c] + dstrain[c];
    const double epsv = deviator(eps, e);
    const double depsv = deviator(dstrain, de);
    // Elastic part of the total strain.
    const double g1 = e1 / (2.0 * (1.0 + nu)), k1 = e1 / (3.0 * (1.0 - 2.0 * nu));
    const double betag = beta / (std::sqrt(2.0 / 3.0) * (1.0 + nu)), betak = beta / (1.0 - 2.0 * nu);
    const double degrg = std::exp(betag * tensor_norm(e)), degrk = std::exp(betak * std::fabs(epsv));
    double sig[6];
    for (int c = 0; c < 6; ++c) sig[c] = 2.0 * g1 * e[c] / degrg + (c < 3 ? k1 * epsv / degrk : 0.0);
    if (!full) {
        for (int c = 0; c < 6; ++c) stress[c] = sig[c];
        return;
    }
    // Endochronic part over the intrinsic-time increment.
    const double e2 = props[3], alpha = props[4];
    const double g2 = e2 / (2.0 * (1.0 + nu)), k2 = e2 / (3.0 * (1.0 - 2.0 * nu));
    const double root = std::sqrt(1.0 + 2.0 * nu * nu);
    const double alphag = alpha / root, alphak = alpha / (3.0 * root);
    const double dz = tensor_norm(dstrain);
    double state[6 + 6 * kBranches];
    double sp[6];
    const double trp = deviator(statev, sp);
    const double dtrp = (3.0 * k2 * depsv - 3.0 * alphak * dz * trp) / (1.0 + 1.5 * alphak * dz);
    for (int c = 0; c < 6; ++c) {
        const double ds = (2.0 * g2 * de[c] - alphag * dz * sp[c]) / (1.0 + 0.5 * alphag * dz);
        state[c] = statev[c] + ds + (c < 3 ? dtrp / 3.0 : 0.0);
    }
    // Maxwell branches: with dtime/tau_i = 3 K3 dtime / etak = 2 G3 dtime / etag the trapezoidal
    // update reads (3 K3 deps_v - (dtime/tau) tr) / (1 + dtime/(2 tau)) and likewise for the
    // deviator; this form also holds for a branch of zero modulus.
    for (int b = 0; b < kBranches; ++b) {
        const double e3 = props[5 + b];
        const double g3 = e3 / (2.0 * (1.0 + nu)), k3 = e3 / (3.0 * (1.0 - 2.0 * nu));
        const double r = *dtime / kTau[b], den = 1.0 + 0.5 * r;
        const double* old = statev + 6 * (b + 1);
        double sb[6];
        const double trb = deviator(old, sb);
        const double dtr = (3.0 * k3 * depsv - r * trb) / den;
        for (int c = 0; c < 6; ++c) {
            const double ds = (2.0 * g3 * de[c] - r * sb[c]) / den;
            state[6 * (b + 1) + c] = old[c] + ds + (c < 3 ? dtr / 3.0 : 0.0);
        }
    }
    for (int c = 0; c < 6; ++c) {
        double viscous = 0.0;
        for (int b = 0; b < kBranches; ++b) viscous += state[6 * (b + 1) + c];
        stress[c] = sig[c] + state[c] + viscous;
    }
    if (*writesdv)
        for (int k = 0; k < 6 + 6 * kBranches; ++k) statev[k] = state[k];
}
