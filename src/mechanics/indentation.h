// Permanent indentation (dent depth a0) left in a composite plate after a low-velocity impact
// (module `permcollection`); amax is the largest indentation reached, acr the critical
// indentation below which unloading leaves no dent.
#pragma once

#include "core/tvk.h"

// a0 = 0.0009 delarea tges^(-0.81) from the delamination area and the laminate thickness.
TVK_API void PIVelmar(double* a0, const double* tges, const double* delarea);
// With lbnds (bounded law) and llesscrit, amax > acr: a1 = amax - acr and a0 = 0.333 a1; without
// lbnds: a0 = (1 - kcce)(amax - acr) and a1 = -1. a0 = 0 otherwise (a1 = 0 with lbnds).
// The two flags are 4-byte logicals.
TVK_API void PISuresh(double* a0, double* a1, const double* amax, const double* acr,
                      const double* kcce, const int* lbnds, const int* llesscrit);
// a0 = amax (1 - (acr/amax)^(2/5)) above acr, else 0.
TVK_API void PITanSunNonLinear(double* a0, const double* amax, const double* acr);
// a0 = ksc (amax - acr) above acr, else 0.
TVK_API void PITanSunLinear(double* a0, const double* amax, const double* acr, const double* ksc);
