// Linear orthotropic elasticity from a property vector, and the choice between the tension and
// compression values of a property set.
#include "elasticlaws.h"
#include "lamina.h"

void GetStressFromOrthotropicElasticity(double* stress, const double* strain, const double* props,
                                        const int* ntens, const int* ndi, const int* nprops) {
    const int n = *ntens;
    if (n < 3 || n > 6) {
        tvk::report(-2, "Unsupported dimensions in GetStressFromOrthotropicElasticity", n, *ndi);
        tvk::elastic::zero(stress, n);
        return;
    }
    double c[36];
    const int scflag = 1, unsymm = 1;
    GetGeneralizedNyeOnAxisSC(c, props, ntens, nprops, &scflag, nullptr, nullptr, &unsymm);
    tvk::lamina::stress_vector(stress, c, strain, nullptr, *ndi, n, true, false);
}

void GetComponentsTensionCompression(const double* full_set, double* reduced_set,
                                     const double* criterion) {
    for (int k = 0; k < 3; ++k) reduced_set[k] = criterion[k] > 0.0 ? full_set[2 * k] : full_set[2 * k + 1];
    for (int k = 3; k < 6; ++k) reduced_set[k] = full_set[k + 3];
}
