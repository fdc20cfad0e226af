// Effective stiffness of a stack of constituents (plies or phases) from their rotated 6 x 6
// stiffness matrices in Voigt order (11, 22, 33, 23, 13, 12) and their volume fractions, used
// as given (not normalised):
//  * Voigt (uniform strain) and Reuss (uniform stress) bounds;
//  * Sun's layered-medium rule (Sun and Li, "Three-dimensional effective elastic constants for
//    thick laminates", J. Compos. Mater. 22, 1988), written with constituent 1 as the reference
//    layer for monoclinic layers (normal 33 coupled to the in-plane entries, the transverse
//    shears 44, 45, 55 on their own);
//  * the Chou and Henry rules. Their entry formulas are not available here; both return the
//    exact layered-medium average in its general form (in-plane strains and through-thickness
//    stresses uniform across the layers, Chou, Carleone and Hsu, "Elastic constants of layered
//    media", J. Compos. Mater. 6, 1972), which Sun's rule reproduces for monoclinic layers whose
//    fractions add up to 1. This stands in for both rules.
// Every result is returned as the symmetric matrix of its upper triangle.
#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/linalg.h"
#include "laminate.h"

namespace {

inline double& at(double* c, int i, int j) { return c[i + 6 * j]; }
inline double at(const double* c, int i, int j) { return c[i + 6 * j]; }

// U + U^T - diag(U) of the upper triangle of c, in place.
void mirror_upper(double* c) {
    for (int j = 0; j < 6; ++j)
        for (int i = j + 1; i < 6; ++i) at(c, i, j) = at(c, j, i);
}

bool have_constituents(double* c, int nvols, const char* name) {
    std::memset(c, 0, 36 * sizeof(double));
    if (nvols >= 1) return true;
    tvk::report(-3, std::string("No constituents in ") + name, nvols);
    return false;
}

// The exact layered-medium average. With I the in-plane positions (11, 22, 12) and O the
// through-thickness ones (33, 23, 13), and <.> the fraction-weighted sum over the layers:
// C*OO = <COO^-1>^-1, C*OI = C*OO <COO^-1 COI>, C*IO = <CIO COO^-1> C*OO,
// C*II = <CII - CIO COO^-1 COI> + <CIO COO^-1> C*OO <COO^-1 COI>.
void layered_medium(double* c, const double* v, const double* cs, int nvols) {
    static constexpr int in[3] = {0, 1, 5}, out[3] = {2, 3, 4};
    double soo[9] = {}, soi[9] = {}, sio[9] = {}, sii[9] = {};
    for (int k = 0; k < nvols; ++k) {
        const double* ck = cs + 36 * static_cast<std::ptrdiff_t>(k);
        double coo[9], coi[9], cio[9], cii[9], s[9], a[9], b[9], ab[9];
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                coo[i + 3 * j] = at(ck, out[i], out[j]);
                coi[i + 3 * j] = at(ck, out[i], in[j]);
                cio[i + 3 * j] = at(ck, in[i], out[j]);
                cii[i + 3 * j] = at(ck, in[i], in[j]);
            }
        tvk::la::inverse(coo, s, 3);
        tvk::laminate::mul3(s, coi, a);   // COO^-1 COI
        tvk::laminate::mul3(cio, s, b);   // CIO COO^-1
        tvk::laminate::mul3(cio, a, ab);  // CIO COO^-1 COI
        for (int q = 0; q < 9; ++q) {
            soo[q] += v[k] * s[q];
            soi[q] += v[k] * a[q];
            sio[q] += v[k] * b[q];
            sii[q] += v[k] * (cii[q] - ab[q]);
        }
    }
    double coo[9], coi[9], cio[9], t[9];
    tvk::la::inverse(soo, coo, 3);
    tvk::laminate::mul3(coo, soi, coi);
    tvk::laminate::mul3(sio, coo, cio);
    tvk::laminate::mul3(sio, coi, t);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            at(c, out[i], out[j]) = coo[i + 3 * j];
            at(c, out[i], in[j]) = coi[i + 3 * j];
            at(c, in[i], out[j]) = cio[i + 3 * j];
            at(c, in[i], in[j]) = sii[i + 3 * j] + t[i + 3 * j];
        }
    mirror_upper(c);
}

}  // namespace

void GetVoigtEffectiveStiffness(double* cvoigt, const double* volratios,
                                const double* rotatedstiffnessmatrices, const int* nvols) {
    double c[36] = {};
    for (int k = 0; k < *nvols; ++k)
        for (int q = 0; q < 36; ++q)
            c[q] += volratios[k] * rotatedstiffnessmatrices[36 * static_cast<std::ptrdiff_t>(k) + q];
    std::memcpy(cvoigt, c, sizeof c);
}

void GetReussEffectiveStiffness(double* creuss, const double* volratios,
                                const double* rotatedstiffnessmatrices, const int* nvols) {
    double s[36] = {}, sk[36];
    for (int k = 0; k < *nvols; ++k) {
        tvk::la::inverse(rotatedstiffnessmatrices + 36 * static_cast<std::ptrdiff_t>(k), sk, 6);
        for (int q = 0; q < 36; ++q) s[q] += volratios[k] * sk[q];
    }
    tvk::la::inverse(s, creuss, 6);
}

void GetSunEffectiveStiffness(double* csun, const double* volratios,
                              const double* rotatedstiffnessmatrices, const int* nvols) {
    const int n = *nvols;
    if (!have_constituents(csun, n, "GetSunEffectiveStiffness")) return;
    const double* cs = rotatedstiffnessmatrices;
    const auto c = [cs](int k, int i, int j) { return cs[36 * static_cast<std::ptrdiff_t>(k) + (i - 1) + 6 * (j - 1)]; };
    double m[36];
    GetVoigtEffectiveStiffness(m, volratios, cs, nvols);
    const auto mm = [&m](int i, int j) { return m[(i - 1) + 6 * (j - 1)]; };
    double u[36] = {};
    const auto put = [&u](int i, int j, double x) { u[(i - 1) + 6 * (j - 1)] = x; };
    double r33 = 0.0;
    for (int k = 0; k < n; ++k) r33 += volratios[k] / c(k, 3, 3);
    const double c33 = 1.0 / r33;
    put(3, 3, c33);
    // Entries coupled to 33: 13, 23, 36.
    const int p[3] = {1, 2, 6};
    double ci3[3];
    for (int a = 0; a < 3; ++a) {
        const int i = p[a];
        double x = mm(i, 3);
        for (int k = 1; k < n; ++k)
            x += volratios[k] * (c(k, 3, 3) - c33) * (c(0, i, 3) - c(k, i, 3)) / c(k, 3, 3);
        ci3[a] = x;
        put(i < 3 ? i : 3, i < 3 ? 3 : 6, x);
    }
    // In-plane entries 11, 12, 22, 16, 26, 66.
    for (int a = 0; a < 3; ++a)
        for (int b = a; b < 3; ++b) {
            const int i = p[a], j = p[b];
            double x = mm(i, j);
            for (int k = 1; k < n; ++k)
                x += volratios[k] * (c(k, i, 3) - ci3[a]) * (c(0, j, 3) - c(k, j, 3)) / c(k, 3, 3);
            put(i, j, x);
        }
    // Transverse shears: the average of the shear compliances, inverted.
    double s44 = 0.0, s55 = 0.0, s45 = 0.0;
    for (int k = 0; k < n; ++k) {
        const double det = c(k, 4, 4) * c(k, 5, 5) - c(k, 4, 5) * c(k, 4, 5);
        s44 += volratios[k] * c(k, 4, 4) / det;
        s55 += volratios[k] * c(k, 5, 5) / det;
        s45 += volratios[k] * c(k, 4, 5) / det;
    }
    const double det = s44 * s55 - s45 * s45;
    put(4, 4, s44 / det);
    put(5, 5, s55 / det);
    put(4, 5, s45 / det);
    mirror_upper(u);
    std::memcpy(csun, u, sizeof u);
}

void GetChouEffectiveStiffness(double* chou, const double* volratios,
                               const double* rotatedstiffnessmatrices, const int* nvols) {
    if (!have_constituents(chou, *nvols, "GetChouEffectiveStiffness")) return;
    layered_medium(chou, volratios, rotatedstiffnessmatrices, *nvols);
}

void GetHenryEffectiveStiffness(double* chenry, const double* volratios,
                                const double* rotatedstiffnessmatrices, const int* nvols) {
    if (!have_constituents(chenry, *nvols, "GetHenryEffectiveStiffness")) return;
    layered_medium(chenry, volratios, rotatedstiffnessmatrices, *nvols);
}
