// Anisotropic hyperelastic law and the numerical tangent of a stress law (namespace
// `elasticity`).
//
// Stress-law convention: law(stress, strain, props, ntens, ndi, nprops) overwrites stress(ntens)
// with the stress for strain(ntens). A real law works on real vectors; a complex law on complex
// vectors, which lets the tangent be taken by the complex step.
//
// Hyperelastic property vector: a symmetric stiffness packed as its lower triangle column by
// column (c11, c21, ..., cn1, c22, c32, ..., cnn; nprops < ntens^2, at least ntens (ntens + 1)/2
// values), or a full ntens x ntens column-major matrix (nprops >= ntens^2, the first ntens^2
// values). A packed triangle too short for ntens is refused: level -3 report, zero stress.
#pragma once

#include "core/tvk.h"

namespace tvk {

using RealStressLaw = CallbackRef<void(double* stress, const double* strain, const double* props,
                                       const int* ntens, const int* ndi, const int* nprops)>;
using ComplexStressLaw = CallbackRef<void(cplx* stress, const cplx* strain, const double* props,
                                          const int* ntens, const int* ndi, const int* nprops)>;

// ddsdde(ntens, ntens): the tangent of a stress law at the strain dstrain (shear entries doubled
// first when istensor), column j from the law's response to a step h in strain component j:
// nmflag 1 the complex step (Im of the stress over h), any other value central differences
// ((stress(x + h e_j) - stress(x - h e_j)) / 2h). h absent: 1.4901161193847656e-08 times the
// largest entry of the strain; a step of exactly 0 becomes 1e-08. tgref (absent: zero) is
// returned as it is, without calling the law, when it is not all zero and tgref x reproduces
// stress1 - stress0 exactly. nmflag absent means 0.
// The complex law gets the strain with zero imaginary parts in difference mode and the real part
// of its stress is used.
void getnumericaltangent(double* ddsdde, ComplexStressLaw law, const double* props,
                         const double* stress1, const double* stress0, const double* dstrain,
                         const int* ntens, const int* ndi, const int* nprops,
                         const logical1* istensor, const double* tgref, const double* h,
                         const int* nmflag) TVK_HOST_API("tvk_getnumericaltangent");
// The same for a real law. A real law has no complex step: nmflag 1 is reported at level -2 and
// central differences are taken instead.
void getnumericaltangent_real(double* ddsdde, RealStressLaw law, const double* props,
                              const double* stress1, const double* stress0, const double* dstrain,
                              const int* ntens, const int* ndi, const int* nprops,
                              const logical1* istensor, const double* tgref, const double* h,
                              const int* nmflag);

}  // namespace tvk

TVK_API void fGetStressFromAnisotropicHyperelasticity(double* stress, const double* strain,
                                                      const double* props, const int* ntens,
                                                      const int* ndi, const int* nprops);
TVK_API void cGetStressFromAnisotropicHyperelasticity(tvk::cplx* stress, const tvk::cplx* strain,
                                                      const double* props, const int* ntens,
                                                      const int* ndi, const int* nprops);
// C entry point of the numerical tangent of a complex stress law given as a plain function.
using tvk_complex_stress_law = void (*)(tvk::cplx* stress, const tvk::cplx* strain,
                                        const double* props, const int* ntens, const int* ndi,
                                        const int* nprops);
TVK_API void getnumericaltangent(double* ddsdde, tvk_complex_stress_law law, const double* props,
                                 const double* stress1, const double* stress0,
                                 const double* dstrain, const int* ntens, const int* ndi,
                                 const int* nprops, const tvk::logical1* istensor,
                                 const double* tgref, const double* h, const int* nmflag);
