// Degradation of a stiffness on a crack plane through the fibre axis: the stiffness is taken into
// the frame of the crack (rotation about the fibre axis), every component that involves the
// crack normal is scaled by (1 - d), and the result is taken back. A closed crack (nn = -1) keeps
// its normal-normal components, so it still carries compression across the faces.
//
// The 6 x 6 is read as the fourth-order tensor with both minor symmetries, C_ijkl = csix(I, J)
// for every index order, and turned with the Bond matrix of the rotation, which applies R^T C R
// to each index of that tensor exactly and at any angle (a tensor holding only the entries with
// i <= j, k <= l would not turn as the stiffness does).
#include <cmath>

#include "continuum_damage.h"
#include "mechanics/notation.h"

namespace {

using tvk::notation::voigt_pair;

// Bond matrix m (6 x 6, column-major) of the base change q (3 x 3, column-major): the Voigt
// components of C'_ijkl = q_ia q_jb q_kc q_ld C_abcd are m C m^T.
void bond(double* m, const double* q) {
    for (int a = 0; a < 6; ++a)
        for (int i = 0; i < 6; ++i) {
            const int r = voigt_pair[i][0], s = voigt_pair[i][1], u = voigt_pair[a][0], v = voigt_pair[a][1];
            const double qru = q[r + 3 * u], qsv = q[s + 3 * v];
            m[i + 6 * a] = u == v ? qru * qsv : qru * qsv + q[r + 3 * v] * q[s + 3 * u];
        }
}

// out = m c m^T (6 x 6, column-major); out may not alias c.
void congruence(double* out, const double* m, const double* c) {
    double mc[36];
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            double v = 0.0;
            for (int k = 0; k < 6; ++k) v += m[i + 6 * k] * c[k + 6 * j];
            mc[i + 6 * j] = v;
        }
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            double v = 0.0;
            for (int k = 0; k < 6; ++k) v += mc[i + 6 * k] * m[j + 6 * k];
            out[i + 6 * j] = v;
        }
}

}  // namespace

void TensorDegradation(const double* csix, double* cdeg, const double* angle_r, const double* d,
                       const int* baseid, const int* nn) {
    // R about the fibre axis x; into the crack frame with q = R^T, back with q = R.
    const double c = std::cos(*angle_r), s = std::sin(*angle_r);
    const double rt[9] = {1, 0, 0, 0, c, -s, 0, s, c}, r[9] = {1, 0, 0, 0, c, s, 0, -s, c};
    double m[36], cr[36];
    bond(m, rt);
    congruence(cr, m, csix);
    const long long b = static_cast<long long>(*baseid) - 1;  // 0-based axis; any other value degrades nothing
    const double f = 1.0 - *d;
    const bool closed = *nn == -1;
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            if (closed && i < 3 && j < 3) continue;
            if (voigt_pair[i][0] == b || voigt_pair[i][1] == b || voigt_pair[j][0] == b || voigt_pair[j][1] == b)
                cr[i + 6 * j] *= f;
        }
    bond(m, r);
    congruence(cdeg, m, cr);
}
