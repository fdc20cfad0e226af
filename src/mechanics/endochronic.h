// Endochronic viscoplasticity of a neat resin (namespace `resin`).
#pragma once

#include "core/tvk.h"

// Small-strain law with three stress parts: nonlinear elastic from the total strain, endochronic
// plastic (Valanis's intrinsic time, dz = |dstrain|) and six Maxwell branches with relaxation
// times 0.1, 1, ..., 10000. Vectors have six components, normal first, shears as tensor strains.
// props (at least 11): E1, beta, nu, E2, alpha, E3_1..E3_6. statev (at least 42 when matstate):
// 1-6 the endochronic stress, 6i+1..6i+6 branch i. writesdv: write the updated state back.
// matstate false: the elastic part alone with E1 = 15 and beta = 0, statev neither read nor
// written. Too short props or statev: level -2 report and a zero stress.
TVK_API void EndochroneViscoPlasticity(const double* stran, const double* dstrain,
                                       const double* props, double* stress, double* statev,
                                       const double* dtime, const int* nprops, const int* nstatev,
                                       const tvk::logical1* writesdv,
                                       const tvk::logical1* matstate);
