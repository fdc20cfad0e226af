// Anisotropic hyperelasticity with a constant symmetric stiffness: stress = K strain, with K
// stored in the property vector, in a real and a complex twin (the complex one lets the
// numerical tangent take the complex step).
#include "core/errors.h"
#include "core/linalg.h"
#include "hyperelasticity.h"

namespace {

// Whether props(nprops) holds a whole packed triangle of order n; otherwise a level -3 report
// (the message of the real twin's packed product).
bool packed_fits(int n, int nprops) {
    if (static_cast<long long>(nprops) >= static_cast<long long>(n) * (n + 1) / 2) return true;
    tvk::report(-3, "Packed symmetric matrix is shorter than n(n+1)/2", nprops, n);
    return false;
}

}  // namespace

void fGetStressFromAnisotropicHyperelasticity(double* stress, const double* strain,
                                              const double* props, const int* ntens,
                                              const int* /*ndi*/, const int* nprops) {
    const long long n = *ntens;
    if (n < 1) return;
    if (*nprops < n * n) LUMatrixVectorProduct(props, strain, stress, nprops, ntens);
    else MatrixVectorProduct(props, strain, stress, ntens, ntens);
}

void cGetStressFromAnisotropicHyperelasticity(tvk::cplx* stress, const tvk::cplx* strain,
                                              const double* props, const int* ntens,
                                              const int* /*ndi*/, const int* nprops) {
    const int n = *ntens;
    if (n < 1) return;
    for (int i = 0; i < n; ++i) stress[i] = 0.0;
    if (static_cast<long long>(*nprops) >= static_cast<long long>(n) * n) {
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) stress[i] += props[i + static_cast<long long>(n) * j] * strain[j];
        return;
    }
    if (!packed_fits(n, *nprops)) return;  // stress stays zero
    // Lower triangle column by column: column j holds K(j..n-1, j); K(i, j) = K(j, i).
    long long q = 0;
    for (int j = 0; j < n; ++j) {
        stress[j] += props[q++] * strain[j];
        for (int i = j + 1; i < n; ++i, ++q) {
            stress[i] += props[q] * strain[j];
            stress[j] += props[q] * strain[i];
        }
    }
}
