// Numerical tangent of a stress law, by the complex step (Squire and Trapp, SIAM Review 40,
// 1998: f'(x) = Im f(x + i h) / h, free of subtractive cancellation, so h may be tiny) or by
// central differences (truncation error O(h^2), while rounding grows as h shrinks: a step near
// the cube root of the rounding unit times the strain scale balances the two; the tiny default
// step suits only the complex step).
//
// Central differences therefore take a step of at least cbrt(eps) times the largest strain
// entry (a smaller one only adds rounding), and divide by the difference of the two perturbed
// strains as they are represented, (x + h) - (x - h), not by 2 h: a law that is linear in the
// perturbed entry then gives its stiffness whatever the step.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/linalg.h"
#include "hyperelasticity.h"

namespace {

using tvk::cplx;
template <class T>
using Work = tvk::la::Scratch<T, 36>;

struct Plan {
    int n = 0;
    double h = 0.0;
    double min_step = 0.0;  // smallest central-difference step (strain scale times cbrt(eps))
    bool complex_step = false;
};

// Sets up the working strain x and the step; true when the reference tangent already reproduces
// the stress increment (ddsdde then holds it).
bool prepare(double* ddsdde, double* x, Plan& p, const double* stress1, const double* stress0,
             const double* dstrain, int ndi, const tvk::logical1* istensor, const double* tgref,
             const double* h, const int* nmflag) {
    const int n = p.n;
    const bool tensor = istensor && *istensor;
    for (int k = 0; k < n; ++k) x[k] = tensor && k >= ndi ? 2.0 * dstrain[k] : dstrain[k];
    if (tgref && std::any_of(tgref, tgref + static_cast<long>(n) * n, [](double v) { return v != 0.0; })) {
        bool same = true;
        for (int i = 0; i < n && same; ++i) {
            double s = 0.0;
            for (int j = 0; j < n; ++j) s += tgref[i + static_cast<long>(n) * j] * x[j];
            same = s == stress1[i] - stress0[i];
        }
        if (same) {
            std::memcpy(ddsdde, tgref, sizeof(double) * n * n);
            return true;
        }
    }
    double scale = 0.0;
    for (int k = 0; k < n; ++k) scale = std::max(scale, std::fabs(x[k]));
    p.h = h && std::isfinite(*h) ? *h : 1.4901161193847656e-08 * *std::max_element(dstrain, dstrain + n);
    if (p.h == 0.0 || !std::isfinite(p.h)) p.h = 1e-08;
    p.min_step = std::isfinite(scale) ? std::cbrt(std::numeric_limits<double>::epsilon()) * scale : 0.0;
    p.complex_step = nmflag && *nmflag == 1;
    return false;
}

// ddsdde(:, j) = dy(:) / delta for the column j the caller has just evaluated.
void store_column(double* ddsdde, const double* dy, int n, int j, double delta) {
    for (int i = 0; i < n; ++i) ddsdde[i + static_cast<long>(n) * j] = dy[i] / delta;
}

// Central differences: column j from eval(x + h e_j) - eval(x - h e_j) over the represented
// difference of the two strains, where eval(strain, stress) evaluates the law on real vectors.
template <class Eval>
void central_differences(double* ddsdde, const Plan& p, const double* x, Eval&& eval) {
    const int n = p.n;
    const double h = std::max(std::fabs(p.h), p.min_step);
    Work<double> z(n), sp(n), sm(n);
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) z[k] = x[k];
        const double up = x[j] + h, down = x[j] - h;
        z[j] = up;
        eval(z.get(), sp.get());
        z[j] = down;
        eval(z.get(), sm.get());
        for (int i = 0; i < n; ++i) sp[i] -= sm[i];
        store_column(ddsdde, sp.get(), n, j, up - down);
    }
}

}  // namespace

namespace tvk {

void getnumericaltangent(double* ddsdde, ComplexStressLaw law, const double* props,
                         const double* stress1, const double* stress0, const double* dstrain,
                         const int* ntens, const int* ndi, const int* nprops,
                         const logical1* istensor, const double* tgref, const double* h,
                         const int* nmflag) {
    Plan p;
    p.n = *ntens;
    if (p.n < 1) return;
    const int n = p.n;
    Work<double> x(n);
    if (prepare(ddsdde, x.get(), p, stress1, stress0, dstrain, *ndi, istensor, tgref, h, nmflag)) return;
    Work<cplx> z(n), s(n);
    if (!p.complex_step) {
        // The complex law on real strains (imaginary parts 0); the real part of its stress.
        central_differences(ddsdde, p, x.get(), [&](const double* strain, double* stress) {
            for (int k = 0; k < n; ++k) z[k] = strain[k];
            std::fill_n(s.get(), n, cplx(0.0));
            law(s.get(), z.get(), props, ntens, ndi, nprops);
            for (int k = 0; k < n; ++k) stress[k] = s[k].real();
        });
        return;
    }
    Work<double> dy(n);
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) z[k] = x[k];
        z[j] = cplx(x[j], p.h);
        std::fill_n(s.get(), n, cplx(0.0));
        law(s.get(), z.get(), props, ntens, ndi, nprops);
        for (int i = 0; i < n; ++i) dy[i] = s[i].imag();
        store_column(ddsdde, dy.get(), n, j, p.h);
    }
}

void getnumericaltangent_real(double* ddsdde, RealStressLaw law, const double* props,
                              const double* stress1, const double* stress0, const double* dstrain,
                              const int* ntens, const int* ndi, const int* nprops,
                              const logical1* istensor, const double* tgref, const double* h,
                              const int* nmflag) {
    Plan p;
    p.n = *ntens;
    if (p.n < 1) return;
    const int n = p.n;
    Work<double> x(n);
    if (prepare(ddsdde, x.get(), p, stress1, stress0, dstrain, *ndi, istensor, tgref, h, nmflag)) return;
    if (p.complex_step)
        report(-2, "Complex step asked of a real stress law in getnumericaltangent", n);
    central_differences(ddsdde, p, x.get(), [&](const double* strain, double* stress) {
        std::fill_n(stress, n, 0.0);
        law(stress, strain, props, ntens, ndi, nprops);
    });
}

}  // namespace tvk

void getnumericaltangent(double* ddsdde, tvk_complex_stress_law law, const double* props,
                         const double* stress1, const double* stress0, const double* dstrain,
                         const int* ntens, const int* ndi, const int* nprops,
                         const tvk::logical1* istensor, const double* tgref, const double* h,
                         const int* nmflag) {
    tvk::getnumericaltangent(ddsdde, tvk::ComplexStressLaw::plain(law), props, stress1, stress0,
                             dstrain, ntens, ndi, nprops, istensor, tgref, h, nmflag);
}
