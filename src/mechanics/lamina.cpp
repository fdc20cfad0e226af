#include "lamina.h"

#include <cmath>

#include "core/errors.h"
#include "core/linalg.h"
#include "notation.h"
#include "transformation.h"

namespace lam = tvk::lamina;

void GetNyeProperties(double* nyeprops, const double* elastic, const int* nelastic) {
    if (!lam::nye_properties(nyeprops, elastic, *nelastic))
        tvk::report(-2, "Unsupported input in GetNyeProperties", *nelastic);
}

namespace {

bool supported_ntens(int n) { return n == 3 || n == 4 || n == 6; }

void zero_square(double* a, int n) {
    if (n > 0) std::memset(a, 0, sizeof(double) * static_cast<std::size_t>(n) * n);
}

}  // namespace

void GetNyeStiffnessMatrix(double* c, const double* props, const int* ntens, const int* psflag) {
    const int n = *ntens;
    if (!supported_ntens(n)) {
        zero_square(c, n);
        tvk::report(-2, "Unsupported dimension in GetNyeStiffnessMatrix", n);
        return;
    }
    // One call per size, so that each is compiled with its extent known.
    const bool plane = psflag && *psflag == 0;
    if (n == 6) lam::stiffness(c, props, 6, plane);
    else if (n == 4) lam::stiffness(c, props, 4, plane);
    else lam::stiffness(c, props, 3, plane);
}

void GetNyeComplianceMatrix(double* s, const double* props, const int* ntens, const int* psflag) {
    const int n = *ntens;
    if (!supported_ntens(n)) {
        zero_square(s, n);
        tvk::report(-2, "Unsupported dimension in GetNyeComplianceMatrix", n);
        return;
    }
    lam::compliance(s, props, n, psflag && *psflag == 0);
}

void GetGeneralizedNyeOnAxisSC(double* sc, const double* props, const int* ntens,
                               const int* nprops, const int* scflag, const int* psflag,
                               const int* ldflag, const int* unsymm) {
    const int n = *ntens, np = *nprops;
    zero_square(sc, n);
    // Smaller matrices have no place for the shear entry of a ply (ntens 1, 2) and larger ones
    // would read beyond the 6 x 6 of the input (ntens > 6): refused like an unsupported count,
    // with the zero result (nothing to invert).
    if (n < 3 || n > 6) {
        tvk::report(-2, "Unsupported number of properties or dimensions in GetGeneralizedNyeOnAxisSC.", np, n);
        return;
    }
    const bool plane = n == 3 || (psflag && *psflag == 0);
    const int k = n == 3 ? 2 : 3;
    const bool symmetrise = !(unsymm && *unsymm);
    if (np == 2 || np == 5 || np == 9 || np == 12) {
        double p[9];
        lam::nye_properties(p, props, np == 12 ? 9 : np);
        const double e1 = p[0], e2 = p[1], e3 = p[2];
        double nu21 = p[3] * e2 / e1, nu31 = p[4] * e3 / e1, nu32 = p[5] * e3 / e2;
        if (np == 12) {
            nu21 = props[9];
            nu31 = props[10];
            nu32 = props[11];
        }
        if (plane) {
            const double d = 1.0 - p[3] * nu21;
            sc[0] = e1 / d;
            sc[1 + n] = e2 / d;
            sc[n] = p[3] * e2 / d;
            sc[1] = nu21 * e1 / d;
            sc[k + k * n] = p[6];
        } else {
            lam::orthotropic(sc, p, n, nu21, nu31, nu32);
        }
    } else if (np == 21 || np == 36) {
        double c[36];
        if (np == 36) {
            std::memcpy(c, props, sizeof c);
        } else {
            // Lower triangle packed column by column (c11, c21, ..., c61, c22, c32, ..., c66),
            // the order LUMatrixVectorProduct reads, mirrored into the upper triangle.
            int q = 0;
            for (int j = 0; j < 6; ++j)
                for (int i = j; i < 6; ++i) c[i + 6 * j] = c[j + 6 * i] = props[q++];
        }
        if (plane) {
            const int from[3] = {0, 1, 3};  // 11, 22, 12 of the Nye matrix
            const int to[3] = {0, 1, k};
            for (int b = 0; b < 3; ++b)
                for (int a = 0; a < 3; ++a) sc[to[a] + to[b] * n] = c[from[a] + 6 * from[b]];
        } else {
            for (int b = 0; b < n; ++b)
                for (int a = 0; a < n; ++a) sc[a + b * n] = c[a + 6 * b];
        }
    }
    if ((np == 12 || np == 36) && symmetrise) {
        for (int b = 0; b < n; ++b)
            for (int a = b + 1; a < n; ++a) sc[a + b * n] = sc[b + a * n] =
                0.5 * (sc[a + b * n] + sc[b + a * n]);
    }
    bool allzero = true;
    for (int q = 0; q < n * n; ++q) allzero = allzero && sc[q] == 0.0;
    if (allzero)
        tvk::report(-2, "Unsupported number of properties or dimensions in GetGeneralizedNyeOnAxisSC.", np, n);
    if (*scflag == 0) {
        double w[36];
        std::memcpy(w, sc, sizeof(double) * n * n);
        tvk::la::inverse(w, sc, n);
    }
}

void GetNyeOffAxisSC(double* scoff, const double* dangle, const double* props, const int* ntens,
                     const int* scflag) {
    const int n = *ntens;
    zero_square(scoff, n);
    if (n != 3 && n != 6) {
        tvk::report(-2, "Unsupported dimension in GetNyeStiffnessMatrixOff", n);
        return;
    }
    // Any nonzero scflag asks for the stiffness, which rotates with the strain form of the
    // transformation; the compliance with the stress form.
    const bool stiff = *scflag != 0;
    double on[36], t[36], w[36];
    if (stiff) lam::stiffness(on, props, n, false);
    else lam::compliance(on, props, n, false);
    lam::nye_transformation(t, *dangle * tvk::deg2rad, n, 1.0, stiff);
    // w = on t, then scoff = t^T w.
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            double a = 0.0;
            for (int q = 0; q < n; ++q) a += on[i + q * n] * t[q + j * n];
            w[i + j * n] = a;
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            double a = 0.0;
            for (int q = 0; q < n; ++q) a += t[q + i * n] * w[q + j * n];
            scoff[i + j * n] = a;
        }
}

void GetInvariantsFromReducedStiffness(double* u, const double* props, const int* nprops) {
    double q[9];
    const int three = 3, one = 1;
    GetGeneralizedNyeOnAxisSC(q, props, &three, nprops, &one, nullptr, nullptr, nullptr);
    const double q11 = q[0], q22 = q[4], q12 = q[3], q66 = q[8];
    u[0] = (3.0 * q11 + 3.0 * q22 + 2.0 * q12 + 4.0 * q66) / 8.0;
    u[1] = (q11 - q22) / 2.0;
    u[2] = (q11 + q22 - 2.0 * q12 - 4.0 * q66) / 8.0;
    u[3] = (q11 + q22 + 6.0 * q12 - 4.0 * q66) / 8.0;
    u[4] = (q11 + q22 - 2.0 * q12 + 4.0 * q66) / 8.0;
}

void GetReducedNyeStiffnessMatrix(double* qs, const double* c, const int* plflag) {
    double cv[36];
    const int six = 6;
    FlipVoigtNyeNotation(cv, c, &six);
    // Voigt positions kept and the normal stress condensed out, by plane: the Schur complement
    // C(a,a) - C(a,p) C(p,a) / C(p,p), which needs no symmetry of C.
    int a[3] = {0, 1, 5}, p = 2;
    const int f = plflag ? *plflag : 1;
    if (f == 2) {
        a[0] = 1; a[1] = 2; a[2] = 3; p = 0;
    } else if (f == 3) {
        a[0] = 0; a[1] = 2; a[2] = 4; p = 1;
    }
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            qs[i + 3 * j] = cv[a[i] + 6 * a[j]] - cv[p + 6 * a[j]] * cv[a[i] + 6 * p] / cv[p + 6 * p];
}

void GetOffAxisShearRigidMatrix(double* hoff, const double* g13, const double* g23,
                                const double* dangle) {
    const double r = *dangle * tvk::deg2rad, c = std::cos(r), s = std::sin(r);
    const double a = *g13, b = *g23;
    hoff[0] = b * c * c + a * s * s;
    hoff[3] = b * s * s + a * c * c;
    hoff[1] = hoff[2] = (a - b) * c * s;
}

void GetStressVector(double* stress, const double* ddsdde, const double* strain0,
                     const double* dstrain, const int* ndi, const int* ntens,
                     const tvk::logical1* issekant, const tvk::logical1* istensor) {
    const int n = *ntens;
    const bool secant = *issekant != 0, tensor = *istensor != 0;
    if (n < 1) return;
    if (n == 6) {
        lam::stress_vector(stress, ddsdde, strain0, dstrain, *ndi, 6, secant, tensor);
        return;
    }
    if (n < 6) {
        lam::stress_vector(stress, ddsdde, strain0, dstrain, *ndi, n, secant, tensor);
        return;
    }
    tvk::la::Scratch<double, 6> e(static_cast<std::size_t>(n)), s(static_cast<std::size_t>(n));
    if (secant) lam::engineering_strain(e.get(), strain0, dstrain, *ndi, n, tensor);
    else lam::engineering_strain(e.get(), dstrain, nullptr, *ndi, n, tensor);
    for (int i = 0; i < n; ++i) s[i] = secant ? 0.0 : stress[i];
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) s[i] += ddsdde[i + static_cast<std::size_t>(j) * n] * e[j];
    for (int i = 0; i < n; ++i) stress[i] = s[i];
}

void GetSpecificStrainEnergy(double* sse, const double* stress, const double* stress0,
                             const double* strain0, const double* dstrain, const int* ndi,
                             const int* ntens, const tvk::logical1* issekant,
                             const tvk::logical1* istensor) {
    const bool secant = *issekant != 0, tensor = *istensor != 0;
    if (*ntens == 6) *sse = lam::strain_energy(*sse, stress, stress0, strain0, dstrain, *ndi, 6, secant, tensor);
    else *sse = lam::strain_energy(*sse, stress, stress0, strain0, dstrain, *ndi, *ntens, secant, tensor);
}
