// Growth analysis of an elliptical delamination: the applied strain is ramped, the Ritz model is
// kept in equilibrium by Newton's method, the buckling point of the sublaminate is detected from
// the change of slope of the out-of-plane amplitude, and the ellipse grows by 0.1 % steps while
// the energy release rate exceeds the toughness.
#include <cmath>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/tensor.h"
#include "failure/sublaminate.h"
#include "mechanics/laminate.h"
#include "mechanics/transformation.h"
#include "ritz_ellipse.h"

namespace {

constexpr double kTol = 1e-15;
constexpr int kMaxNewton = 150;
constexpr long kMaxGrowthSteps = 1000000;

void no_convergence(const char* where, const char* tail) {
    tvk::report(-2, std::string("Error: No convergence in ") + where + "! Error after " + std::to_string(kMaxNewton) +
                        " iterations. Try increasing number of " + tail);
}

}  // namespace

void DelaminationGrowthAnalysis(double* success, double* strains, const double* limstrain, const double* relstrain,
                                const double* plyelastic, const double* plyorientation, const double* plythickness,
                                const double* delamination, const int* sublamstack, const double* kmd,
                                const double* gamma, const double* width, const double* radius, const int* ninc,
                                const int* nprec, const int* nplies) {
    *success = 0.0;
    strains[0] = strains[1] = strains[2] = 0.0;
    const int first = sublamstack[0], last = sublamstack[1];
    if (first < 1 || last < first || last > *nplies || !(*radius > 0.0) || !std::isfinite(*radius) ||
        !(*width > 0.0) || !std::isfinite(*width) || *ninc < 1) {
        tvk::report(-3, "Invalid sublaminate, radius, width or increments in DelaminationGrowthAnalysis.", first,
                    last);
        return;
    }
    double a = delamination[0], b = delamination[1];
    const double angle = delamination[2];
    // The sublaminate alone.
    const int np = last - first + 1;
    const double* pe = plyelastic + 9 * static_cast<std::size_t>(first - 1);
    const double* po = plyorientation + (first - 1);
    const double* pt = plythickness + (first - 1);
    double am[9], bm[9], dm[9], abd[36];
    GetAMatrix(am, pe, po, pt, &np);
    GetBMatrix(bm, pe, po, pt, &np);
    GetDMatrix(dm, pe, po, pt, &np);
    GetABDMatrix(abd, am, bm, dm);
    double epsbucklin, nx, eigvec[6];
    static constexpr int ellipse = 1;
    GetSubLamBucklingStrain(&epsbucklin, &nx, eigvec, delamination, relstrain, pe, po, pt, &ellipse, &np);
    // The load direction in the ellipse axes (strain form) and the flat membrane energy density.
    double t[9], rel[3];
    static constexpr int three = 3, plus = 0, strain_form = 1;
    const double angle_r = angle * tvk::deg2rad;
    GetNyeTransformationMatrix(t, &angle_r, &three, &plus, &strain_form);
    for (int i = 0; i < 3; ++i) rel[i] = t[i] * relstrain[0] + t[i + 3] * relstrain[1] + t[i + 6] * relstrain[2];
    double g0 = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) g0 += 0.5 * rel[i] * am[i + 3 * j] * rel[j];
    double sol[8] = {0, 0, 0, 0, 1e-6, 0, 0, 0};
    if (eigvec[0] != 0.0)
        for (int k = 0; k < 3; ++k) sol[5 + k] = 1e-6 * eigvec[3 + k] / eigvec[0];
    double eps = limstrain[0], buckling_point = 0.0, onset = 0.0;
    const double deps0 = (limstrain[1] - limstrain[0]) / *ninc;
    double deps = deps0, prev_r1 = 0.0, prev_dr1 = 0.0, prev_ratio = 1.0;
    bool found = false, grown = false, ended = false;
    int i = 0;
    const double tol = kTol;
    const int maxit = kMaxNewton;
    while (!ended && eps < limstrain[1]) {
        ++i;
        const int w = found ? 1 : 0;
        double nrerr;
        NewtonRaphson8(sol, &nrerr, &a, &b, kmd, &g0, &eps, &epsbucklin, rel, abd, &tol, &maxit, nprec, &w);
        if (nrerr > kTol) {
            *success = -1.0;
            no_convergence("load increment iteration", "load increments and/or decreasing Eps_Start and Eps_End parameter.");
            break;
        }
        double norm = 0.0;
        for (double v : sol) norm += v * v;
        if (std::sqrt(norm) < 1e-10 && i > 3) {
            *success = -2.0;
            tvk::report(-2, "Error: Encountered trivial solution! Try playing with Eps_Start parameter and/or");
            break;
        }
        double serr, fa, fb;
        GetEnergyReleaseRate8(&serr, &fa, &fb, sol, &a, &b, kmd, &g0, &eps, &epsbucklin, rel, abd, nprec, &w,
                              nullptr, nullptr);
        for (long step = 0; serr > *gamma; ++step) {
            if (step >= kMaxGrowthSteps) {
                tvk::report(-2, "Growth steps exhausted in DelaminationGrowthAnalysis.", static_cast<int>(step));
                ended = true;
                break;
            }
            a *= fa;
            b *= fb;
            double box[2];
            GetBoundingBoxFromEllipse(box, &a, &b, &angle);
            if (a > *radius || b > *radius || 2.0 * box[1] >= *width) {
                ended = true;
                break;
            }
            if (!grown) onset = eps;
            grown = true;
            NewtonRaphson8(sol, &nrerr, &a, &b, kmd, &g0, &eps, &epsbucklin, rel, abd, &tol, &maxit, nprec, &w);
            if (nrerr > kTol) {
                *success = -3.0;
                no_convergence("delamination grow loop", " load increments.");
                break;
            }
            GetEnergyReleaseRate8(&serr, &fa, &fb, sol, &a, &b, kmd, &g0, &eps, &epsbucklin, rel, abd, nprec, &w,
                                  nullptr, nullptr);
        }
        if (ended) break;
        const double dr1 = sol[4] - prev_r1, ratio = deps / dr1;
        if (!found && i >= 6 && ratio > prev_ratio) {
            found = true;
            buckling_point = eps;
        }
        if (i >= 6) {
            if (prev_dr1 / dr1 < 0.9) deps *= 0.9;
            if (prev_dr1 / dr1 > 1.0 && 1.1 * deps < deps0) deps *= 1.1;
        }
        eps += deps;
        prev_r1 = sol[4];
        prev_dr1 = dr1;
        prev_ratio = ratio;
    }
    if (*success == 0.0) *success = 1.0;
    strains[0] = epsbucklin * relstrain[0];
    strains[1] = buckling_point * relstrain[0];
    strains[2] = onset * relstrain[0];
}
