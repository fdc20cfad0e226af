#include "notation.h"

#include <cstring>

#include "core/errors.h"

using namespace tvk::notation;

void NyeNotation(double* nn, const double* q) { nye(nn, q); }

void VoigtNotation(double* vn, const double* q) {
    const double a = q[0], b = q[4], c = q[8], d = q[7], e = q[6], f = q[3];
    vn[0] = a; vn[1] = b; vn[2] = c; vn[3] = d; vn[4] = e; vn[5] = f;
}

void CyclicNotation(double* cn, const double* q) {
    const double a = q[0], b = q[4], c = q[8], d = q[3], e = q[7], f = q[6];
    cn[0] = a; cn[1] = b; cn[2] = c; cn[3] = d; cn[4] = e; cn[5] = f;
}

void CauchyNotation(double* cn, const double* qv) { cauchy(cn, qv); }

namespace {

// fn(a,b) = q(m(a), m(b)) for a vector (n = 1) or a 6 x 6 matrix (n = 6), through a copy so
// that fn may be q.
void permute(double* fn, const double* q, const int* m, int n) {
    double w[36];
    if (n == 1) {
        for (int a = 0; a < 6; ++a) w[a] = q[m[a]];
    } else {
        for (int b = 0; b < 6; ++b)
            for (int a = 0; a < 6; ++a) w[a + 6 * b] = q[m[a] + 6 * m[b]];
    }
    std::memcpy(fn, w, sizeof(double) * 6 * n);
}

}  // namespace

void FlipVoigtNyeNotation(double* fn, const double* q, const int* sdim) {
    if (*sdim != 1 && *sdim != 6) {
        tvk::report(-2, "Unsupported extents of Q in FlipVoigtNyeNotation");
        return;
    }
    permute(fn, q, nye_voigt, *sdim);
}

void FlipVoigtCyclicNotation(double* fn, const double* q, const int* sdim, const int* dir) {
    if (*sdim != 1 && *sdim != 6) {
        tvk::report(-2, "Unsupported extents of Q inFlipVoigtCyclicNotation");
        return;
    }
    const int shift = ((*dir % 3) + 3) % 3;  // reduced first: no overflow for any dir
    int m[6] = {0, 1, 2, 0, 0, 0};
    for (int i = 0; i < 3; ++i) m[3 + i] = 3 + (i + shift) % 3;
    permute(fn, q, m, *sdim);
}

void GetVoigtStiffnessFromTensor(double* csix, const double* c_4th) {
    double w[36];
    for (int J = 0; J < 6; ++J)
        for (int I = 0; I < 6; ++I) {
            const int i = voigt_pair[I][0], j = voigt_pair[I][1];
            const int k = voigt_pair[J][0], l = voigt_pair[J][1];
            w[I + 6 * J] = c_4th[i + 3 * j + 9 * k + 27 * l];
        }
    std::memcpy(csix, w, sizeof w);
}

void GetTensorFromVoigtStiffness(double* c_4th, const double* csix) {
    double c[36];
    std::memcpy(c, csix, sizeof c);
    std::memset(c_4th, 0, sizeof(double) * 81);
    for (int J = 0; J < 6; ++J)
        for (int I = 0; I < 6; ++I) {
            const int i = voigt_pair[I][0], j = voigt_pair[I][1];
            const int k = voigt_pair[J][0], l = voigt_pair[J][1];
            c_4th[i + 3 * j + 9 * k + 27 * l] = c[I + 6 * J];
        }
}

void GetTensorComponents(double* t11, double* t22, double* t33, double* t12, double* t13,
                         double* t23, const double* tvoigt, const int* nvoigt,
                         const double* shearfactor) {
    const double sf = shearfactor ? *shearfactor : 1.0;
    double c[6] = {0, 0, 0, 0, 0, 0};  // 11 22 33 12 13 23
    const int n = *nvoigt;
    if (n == 3) {
        c[0] = tvoigt[0]; c[1] = tvoigt[1]; c[3] = sf * tvoigt[2];
    } else if (n == 4) {
        c[0] = tvoigt[0]; c[1] = tvoigt[1]; c[2] = tvoigt[2]; c[3] = sf * tvoigt[3];
    } else if (n >= 6) {
        c[0] = tvoigt[0]; c[1] = tvoigt[1]; c[2] = tvoigt[2];
        c[5] = sf * tvoigt[3]; c[4] = sf * tvoigt[4]; c[3] = sf * tvoigt[5];
    } else {
        tvk::report(-2, "Unsupported number of components in GetTensorComponents", n);
    }
    *t11 = c[0]; *t22 = c[1]; *t33 = c[2]; *t12 = c[3]; *t13 = c[4]; *t23 = c[5];
}
