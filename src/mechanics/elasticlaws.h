// Elastic stress laws of resins and plies (namespace `elasticity`): orthotropic, deviatoric and
// volumetric split with strain-dependent moduli, nonlinear isotropic with a Poisson-ratio fixed
// point, the isotropic viscoelastic-style family (Lame, Krause, Kaestner, non-constant Poisson
// ratio) and a cubic law whose coefficients come from the resin calibration tables.
//
// Strains and stresses are Nye vectors (11, 22, 33, 12, 13, 23) with engineering shear strains.
// The isotropic laws work on the 3 x 3 strain tensor (column-major) with the normal components
// 1..ndi on the diagonal and half of components 4, 5, 6 at (1,2), (1,3), (2,3); they need
// ntens = 6 and 1 <= ndi <= 3, and otherwise report at level -2 and return a zero stress.
// The laws with the argument list (stress, strain, props, ntens, ndi, nprops) are stress laws
// that the numerical tangent can differentiate.
#pragma once

#include "core/errors.h"
#include "core/tvk.h"

namespace tvk::elastic {

// Strain tensor of a Nye strain vector as above (entries beyond ndi on the diagonal are 0).
inline void strain_tensor(double* eps, const double* strain, int ndi) {
    for (int k = 0; k < 9; ++k) eps[k] = 0.0;
    for (int i = 0; i < ndi; ++i) eps[4 * i] = strain[i];
    eps[3] = eps[1] = 0.5 * strain[3];
    eps[6] = eps[2] = 0.5 * strain[4];
    eps[7] = eps[5] = 0.5 * strain[5];
}

// Whether the isotropic laws can read a strain of ntens components with ndi normal ones;
// otherwise a level -2 report naming the routine.
inline bool isotropic_sizes(int ntens, int ndi, const char* routine) {
    if (ntens == 6 && ndi >= 1 && ndi <= 3) return true;
    report(-2, std::string("Unsupported dimensions in ") + routine, ntens, ndi);
    return false;
}

inline void zero(double* v, int n) {
    for (int k = 0; k < n; ++k) v[k] = 0.0;
}

// Zeroes an n x n matrix (nothing for n < 1).
inline void zero_square(double* a, int n) {
    if (n < 1) return;
    for (long k = 0, nn = static_cast<long>(n) * n; k < nn; ++k) a[k] = 0.0;
}

}  // namespace tvk::elastic

// stress = stiffness of props (2, 5, 9, 12, 21 or 36 values, GetGeneralizedNyeOnAxisSC) times
// strain; ntens 3..6, otherwise a zero stress and a level -2 report.
TVK_API void GetStressFromOrthotropicElasticity(double* stress, const double* strain,
                                                const double* props, const int* ntens,
                                                const int* ndi, const int* nprops);
// Deviatoric/volumetric split with fixed calibration constants (tension set for a non-negative
// volumetric strain, compression set otherwise); ddsdde(ntens, ntens) the secant stiffness.
TVK_API void GetStressFromDevVolDecomposition(double* stress, const double* strain,
                                              const double* props, const int* ntens,
                                              const int* ndi, const int* nprops, double* ddsdde);
// Isotropic law whose modulus falls with the normal strain and whose Poisson ratio follows the
// modulus, props = (E0, a, G0, nu0, b). Writes "Iteration " lines while the fixed point iterates.
TVK_API void GetStressFromNonlinearIsotropic(double* stress, const double* strain,
                                             const double* props, const int* ntens,
                                             const int* ndi, const int* nprops);
// props = (e, gamma, nu, num, model): model 0 Lame, 1 Krause, 2 Kaestner, 3 non-constant Poisson
// ratio. Any other model: zero stress and a level -2 report.
TVK_API void GetStressFromIsotropicViscoElasticity(double* stress, const double* strain,
                                                   const double* props, const int* ntens,
                                                   const int* ndi, const int* nprops);
// The stress-tensor family: stresstens(3, 3) from the deviatoric strain endstrandev(ndi, ndi)
// and the volumetric strain spureps; entries outside ndi x ndi are 0. ndi outside 1..3: zero
// tensor and a level -2 report.
TVK_API void GetLameStress(const double* spureps, const double* endstrandev, const double* g,
                           const double* komp, double* stresstens, const int* ndi);
TVK_API void GetKrauseStress(const double* normdev, const double* normvol, const double* spureps,
                             const double* endstrandev, const double* g, const double* gammag,
                             const double* gammak, const double* komp, double* stresstens,
                             const int* ndi);
TVK_API void GetKaestnerStress(const double* normdev, const double* normvol,
                               const double* spureps, const double* endstrandev, const double* g,
                               const double* gammag, const double* gammak, const double* komp,
                               double* stresstens, const int* ndi);
TVK_API void GetStressFromNonConstPoisson(const double* normdev, const double* normvol,
                                          const double* spureps, const double* endstrandev,
                                          const double* e, const double* g, const double* nu,
                                          const double* num, const double* gamma,
                                          double* stresstens, const int* ndi);
// props = (temperature, degradation factor); the coefficients of the volumetric, normal
// deviatoric and shear deviatoric parts come from alpha1props, alpha2props and alpha3props.
// c(ntens, ntens) and noel take no part. A table that cannot be read gives a zero stress (the
// lookup reports at level -2).
TVK_API void GetStressFromCubicElasticity(double* stress, const double* endstran,
                                          const double* props, const int* ntens, const int* ndi,
                                          const int* nprops, const double* c, const int* noel);
// Tension or compression values of full_set(9) = (xt1, xc1, xt2, xc2, xt3, xc3, s4, s5, s6) by
// the sign of criterion(1..3) (positive: tension).
TVK_API void GetComponentsTensionCompression(const double* full_set, double* reduced_set,
                                             const double* criterion);
