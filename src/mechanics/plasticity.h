// Elastic-plastic law of an isotropic resin (namespace `elasticity`): a paraboloidal yield
// surface f = q^2 - a0 - a1 p (q the von Mises stress, p the mean stress) with the
// non-associated paraboloidal potential g = q^2 + alpha I1^2 / 9, integrated by an elastic
// predictor and a plastic corrector (at most 10 passes); perfectly plastic at the current a0, a1.
//
// Vectors have six components, normal ones first, then the three shears; strains carry
// engineering shear. props (at least 8): Et, Ec, G, nut, nuc, a0, a1, alpha; the tension
// constants apply when the volumetric strain is not negative. The law writes its trace lines to
// standard output on every call.
#pragma once

#include "core/tvk.h"

// Gradient of the yield function at stressvector(nstress) (nstress 3: 11, 22, 12; 4: 11, 22,
// 33, 12; 6 or more: six components): six entries, shears in positions 4 to 6. Any other
// nstress: zero and a level -2 report.
TVK_API void getderivatef(double* result, const double* stressvector, const int* nstress,
                          const double* a0, const double* a1);
// Gradient of the plastic potential, stress read as for getderivatef.
TVK_API void getderivateg(double* result, const double* stressvector, const int* nstress,
                          const double* alpha);
// stress(ntens): the stress at the start of the increment on entry, the new stress on exit;
// ddsdde the tangent with respect to the engineering strains (elastic, or the continuum tangent
// of perfect plasticity after a plastic step); neweqplasticstrain the equivalent plastic strain, updated in
// place. props(np) with its extent np; nprops and temp take no part. ntens must be 6, ndi 1..3
// and np at least 8: otherwise a level -2 report, zero stress and tangent. A corrector that ends
// above its tolerance is noted at level -1, a residual that is not a number at level -2.
TVK_API void getstressfromplastitcity(double* stress, double* neweqplasticstrain, double* ddsdde,
                                      const double* stran, const double* dstran,
                                      const double* props, const int* np, const int* ntens,
                                      const int* ndi, const int* nprops, const double* temp);
