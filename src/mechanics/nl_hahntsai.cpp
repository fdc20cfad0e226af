// Nonlinear shear of Hahn and Tsai (J. Compos. Mater. 7, 1973): the secant degradation at a
// stress and strain, and the fixed-point form that finds the stress consistent with a strain.
#include "core/errors.h"
#include "core/roots.h"
#include "nonlinear_properties.h"

void NLHahnTsai(double* dnl, const double* tg, const double* beta, const double* sig,
                const double* eps) {
    const double s = *sig, e = *eps, b = *beta, g = *tg;
    if (e == 0.0) {
        *dnl = 0.0;
        return;
    }
    *dnl = (3.0 * b * g * s * s - 2.0 * b * s * s * s / e) / (1.0 + 3.0 * b * g * s * s);
}

void FPHahnTsai(double* dout, const double* args, const int* na, const int* ns) {
    if (*na < 4) {
        *dout = 0.0;
        tvk::report(-3, "Too few arguments in FPHahnTsai", *na);
        return;
    }
    const double* sig = &args[0];
    const double* eps = &args[1];
    const double* tg = &args[2];
    const double* beta = &args[3];
    const int mode = ns ? *ns : 0;
    if (mode == 2) {
        double d = 0.0;
        NLHahnTsai(&d, tg, beta, sig, eps);
        *dout = *tg * (1.0 - d) * *eps;
    } else if (mode == 1) {
        // The stress the secant modulus carries at eps, iterated to a fixed point.
        auto step = [](double* xnew, const double* fargs, const int* n, const int* nfun) {
            FPHahnTsai(xnew, fargs, n, nfun);
        };
        double s = *sig;
        const double fa[4] = {*sig, *eps, *tg, *beta};
        const double tol = 0.001;
        const int maxit = 100, four = 4, two = 2;
        int istat = 0;
        tvk::fpsafe(tvk::FixPointFunction::ref(step), &s, fa, &tol, &maxit, &four, &two, &istat);
        NLHahnTsai(dout, tg, beta, &s, eps);
    } else {
        NLHahnTsai(dout, tg, beta, sig, eps);
    }
}
