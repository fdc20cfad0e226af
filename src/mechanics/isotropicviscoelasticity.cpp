// Isotropic laws over the deviatoric and volumetric strain: the linear (Lame) law and three
// secant laws whose shear and bulk moduli soften with the strain norms: Krause's exponential
// law, Kaestner's hyperbolic law, and a law with a strain-dependent Poisson ratio.
#include <algorithm>
#include <cmath>

#include "elasticlaws.h"
#include "nonlinear_properties.h"
#include "notation.h"
#include "stressmeasures.h"

namespace {

// s(i, j) = 2 gd e(i, j) + delta_ij kv spureps over i, j < ndi into the 3 x 3 tensor s (zero
// elsewhere); e has leading dimension lde.
void isotropic_tensor(double* s, double spureps, const double* e, int lde, double gd, double kv,
                      int ndi) {
    for (int k = 0; k < 9; ++k) s[k] = 0.0;
    for (int j = 0; j < ndi; ++j)
        for (int i = 0; i < ndi; ++i)
            s[i + 3 * j] = 2.0 * gd * e[i + lde * j] + (i == j ? kv * spureps : 0.0);
}

// Moduli of the law with a strain-dependent Poisson ratio: the shear modulus softens with the
// deviatoric norm, the effective modulus and Poisson ratio (capped at 0.47) follow from it, and
// the bulk modulus from both.
void nonconst_poisson_moduli(double normdev, double e, double g, double nu, double num,
                             double gamma, double& geff, double& keff) {
    geff = g / (1.0 + 1.414213562373095 * gamma * normdev);
    const double eeff = 2.0 * geff * (1.0 + nu + num * e) / (1.0 + 2.0 * num * geff);
    const double nueff = std::min(nu + num * (e - eeff), 0.47);
    keff = 2.0 * geff * (1.0 + nueff) / (3.0 * (1.0 - 2.0 * nueff));
}

bool tensor_ndi(int ndi, double* s, const char* routine) {
    if (ndi >= 1 && ndi <= 3) return true;
    tvk::report(-2, std::string("Unsupported dimensions in ") + routine, ndi);
    tvk::elastic::zero(s, 9);
    return false;
}

double softened(void (*law)(double*, const double*, const double*), double beta, double x) {
    double d = 0.0;
    law(&d, &beta, &x);
    return 1.0 - d;
}

}  // namespace

void GetLameStress(const double* spureps, const double* endstrandev, const double* g,
                   const double* komp, double* stresstens, const int* ndi) {
    if (!tensor_ndi(*ndi, stresstens, "GetLameStress")) return;
    isotropic_tensor(stresstens, *spureps, endstrandev, *ndi, *g, *komp, *ndi);
}

void GetKrauseStress(const double* normdev, const double* normvol, const double* spureps,
                     const double* endstrandev, const double* g, const double* gammag,
                     const double* gammak, const double* komp, double* stresstens,
                     const int* ndi) {
    if (!tensor_ndi(*ndi, stresstens, "GetKrauseStress")) return;
    isotropic_tensor(stresstens, *spureps, endstrandev, *ndi,
                     softened(NLKrause, *gammag, *normdev) * *g,
                     softened(NLKrause, *gammak, *normvol) * *komp, *ndi);
}

void GetKaestnerStress(const double* normdev, const double* normvol, const double* spureps,
                       const double* endstrandev, const double* g, const double* gammag,
                       const double* gammak, const double* komp, double* stresstens,
                       const int* ndi) {
    if (!tensor_ndi(*ndi, stresstens, "GetKaestnerStress")) return;
    isotropic_tensor(stresstens, *spureps, endstrandev, *ndi,
                     softened(NLKaestner, *gammag, *normdev) * *g,
                     softened(NLKaestner, *gammak, *normvol) * *komp, *ndi);
}

void GetStressFromNonConstPoisson(const double* normdev, const double* /*normvol*/,
                                  const double* spureps, const double* endstrandev,
                                  const double* e, const double* g, const double* nu,
                                  const double* num, const double* gamma, double* stresstens,
                                  const int* ndi) {
    if (!tensor_ndi(*ndi, stresstens, "GetStressFromNonConstPoisson")) return;
    double geff, keff;
    nonconst_poisson_moduli(*normdev, *e, *g, *nu, *num, *gamma, geff, keff);
    isotropic_tensor(stresstens, *spureps, endstrandev, *ndi, geff, keff, *ndi);
}

void GetStressFromIsotropicViscoElasticity(double* stress, const double* strain,
                                           const double* props, const int* ntens, const int* ndi,
                                           const int* nprops) {
    const int n = *ntens, nd = *ndi;
    const char* me = "GetStressFromIsotropicViscoElasticity";
    if (!tvk::elastic::isotropic_sizes(n, nd, me)) {
        tvk::elastic::zero(stress, n);
        return;
    }
    if (*nprops < 5) {
        tvk::report(-2, std::string("Too few properties in ") + me, *nprops, 5);
        tvk::elastic::zero(stress, n);
        return;
    }
    double eps[9];
    tvk::elastic::strain_tensor(eps, strain, nd);
    const double tr = GetTrace(strain, ntens);
    double dev[9];
    std::copy(eps, eps + 9, dev);
    for (int i = 0; i < nd; ++i) dev[4 * i] -= tr / 3.0;
    double frob = 0.0;
    for (int j = 0; j < nd; ++j)
        for (int i = 0; i < nd; ++i) frob += dev[i + 3 * j] * dev[i + 3 * j];
    const double normdev = std::sqrt(frob), normvol = std::fabs(tr);
    const double e = props[0], gamma = props[1], nu = props[2], num = props[3], model = props[4];
    const double g = e / (2.0 * (1.0 + nu));
    const double komp = e / (3.0 * (1.0 - 2.0 * nu));
    const double gammak = gamma / (1.0 - 2.0 * nu);
    const double gammag = 1.224744871391589 * gamma / (1.0 + nu);
    double gd, kv;
    if (model == 0.0) {
        gd = g;
        kv = komp;
    } else if (model == 1.0) {
        gd = softened(NLKrause, gammag, normdev) * g;
        kv = softened(NLKrause, gammak, normvol) * komp;
    } else if (model == 2.0) {
        gd = softened(NLKaestner, gammag, normdev) * g;
        kv = softened(NLKaestner, gammak, normvol) * komp;
    } else if (model == 3.0) {
        nonconst_poisson_moduli(normdev, e, g, nu, num, gamma, gd, kv);
    } else {
        tvk::report(-2, std::string("Unknown model in ") + me, 0, 0, model);
        tvk::elastic::zero(stress, n);
        return;
    }
    double s[9];
    isotropic_tensor(s, tr, dev, 3, gd, kv, nd);
    NyeNotation(stress, s);
}
