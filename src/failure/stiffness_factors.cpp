#include "stiffness_factors.h"

#include <cstddef>

#include "core/errors.h"

namespace deg = tvk::degradation;

void FalcomDegradation(double* d, const double* dds, const double* rdisc, const int* degrid,
                       const int* plyistape, const double* fa) {
    deg::falcom(d, dds, *rdisc, *degrid, *plyistape != 0, fa);
}

void GetNyeDegradationMatrix(double* d, const double* degrf, const int* ntens, const int* psflag) {
    const int n = *ntens;
    if (n < 1) {
        tvk::report(-3, "Unsupported dimension in GetNyeDegradationMatrix", n);
        return;
    }
    const bool plane = psflag && *psflag == 0;
    // One call per size, so that each is compiled with its extent known.
    if (n == 6) deg::nye_degradation_matrix(d, degrf, 6, plane);
    else if (n == 4) deg::nye_degradation_matrix(d, degrf, 4, plane);
    else if (n == 3) deg::nye_degradation_matrix(d, degrf, 3, plane);
    else {
        const std::size_t nn = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
        for (std::size_t k = 0; k < nn; ++k) d[k] = 1.0;
        tvk::report(-2, "Unsupported dimension in GetNyeDegradationMatrix", n);
    }
}
