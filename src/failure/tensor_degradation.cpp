// Degradation of a stiffness on a crack plane through the fibre axis: the stiffness is taken into
// the frame of the crack (rotation about the fibre axis), every component that involves the
// crack normal is scaled by (1 - d), and the result is taken back. The fourth-order form makes
// the rotation exact for any angle; a closed crack (nn = -1) keeps its normal-normal components,
// so it still carries compression across the faces.
#include "continuum_damage.h"
#include "core/tensor.h"
#include "mechanics/notation.h"

namespace {

// Voigt position (0-based) of the index pair (i, j): 11 22 33 23 13 12.
constexpr int voigt_of(int i, int j) { return i == j ? i : 6 - i - j; }

}  // namespace

void TensorDegradation(const double* csix, double* cdeg, const double* angle_r, const double* d,
                       const int* baseid, const int* nn) {
    // The full tensor with its minor symmetries: all 81 components set from the 6 x 6 (a tensor
    // holding only the i <= j, k <= l entries does not rotate as the stiffness does).
    double c4[81], r4[81];
    for (int l = 0; l < 3; ++l)
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i)
                    c4[i + 3 * j + 9 * k + 27 * l] = csix[voigt_of(i, j) + 6 * voigt_of(k, l)];
    TensorRotation4th(c4, r4, angle_r, nullptr);
    const int b = *baseid - 1;
    const double f = 1.0 - *d;
    const bool closed = *nn == -1;
    for (int l = 0; l < 3; ++l)
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) {
                    if (i != b && j != b && k != b && l != b) continue;
                    if (closed && i == j && k == l) continue;
                    r4[i + 3 * j + 9 * k + 27 * l] *= f;
                }
    const double back = -*angle_r;
    TensorRotation4th(r4, c4, &back, nullptr);
    GetVoigtStiffnessFromTensor(cdeg, c4);
}
