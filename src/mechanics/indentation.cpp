// Permanent indentation laws.
//
// Tan and Sun (T. M. Tan and C. T. Sun, J. Appl. Mech. 52, 1985): once the indentation has
// exceeded the critical value acr, unloading from amax leaves the dent a0 = amax (1 -
// (acr/amax)^(2/5)), or in the linearised form a0 = ksc (amax - acr). The elastic-plastic form
// keeps the part (1 - kcce) of the excess over acr, kcce being the elastic recovery fraction
// (0.667 for the bounded law, which also returns the excess itself). The delamination-area
// correlation gives a0 = 0.0009 delarea tges^(-0.81).
#include "indentation.h"

#include <cmath>

TVK_API void PIVelmar(double* a0, const double* tges, const double* delarea) {
    *a0 = 0.0009 * *delarea * std::pow(*tges, -0.81);
}

TVK_API void PISuresh(double* a0, double* a1, const double* amax, const double* acr,
                      const double* kcce, const int* lbnds, const int* llesscrit) {
    const bool dented = *llesscrit && *amax > *acr;
    *a1 = -1.0;
    if (*lbnds) {
        *a1 = dented ? *amax - *acr : 0.0;
        *a0 = (1.0 - 0.667) * *a1;
    } else {
        *a0 = dented ? (1.0 - *kcce) * (*amax - *acr) : 0.0;
    }
}

TVK_API void PITanSunNonLinear(double* a0, const double* amax, const double* acr) {
    *a0 = *amax > *acr ? *amax * (1.0 - std::pow(*acr / *amax, 0.4)) : 0.0;
}

TVK_API void PITanSunLinear(double* a0, const double* amax, const double* acr, const double* ksc) {
    *a0 = *amax > *acr ? *ksc * (*amax - *acr) : 0.0;
}
