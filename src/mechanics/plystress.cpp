// Ply strains from the section strains (mid-plane strains and curvatures, Kirchhoff
// kinematics: eps(z) = eps0 + z kappa), rotated into the ply axes; ply bottom and top stresses
// from the section-point stresses; the thinner sub-laminate at an interface and its own
// stiffness.
#include <cstring>
#include <string>

#include "core/errors.h"
#include "laminate.h"
#include "transformation.h"

namespace lm = tvk::laminate;

void GetPlyStrain(double* plystrain, const double* se, const double* plyzcoord, const int* nzcrd) {
    const double e0 = se[0], e1 = se[1], e2 = se[2], k0 = se[3], k1 = se[4], k2 = se[5];
    for (int i = 0; i < *nzcrd; ++i) {
        const double z = plyzcoord[i];
        double* p = plystrain + 3 * static_cast<std::ptrdiff_t>(i);
        p[0] = e0 + z * k0;
        p[1] = e1 + z * k1;
        p[2] = e2 + z * k2;
    }
}

void GetSectionStrain(double* plystrain, const double* se, const double* plyorientation,
                      const double* plythickness, const int* nplies, const double* reference) {
    const int n = *nplies;
    const double ref = reference ? *reference : 0.0;
    double total = 0.0;
    for (int k = 0; k < n; ++k) total += plythickness[k];
    const double s = -0.5 * total;
    double cum = 0.0;
    for (int k = 0; k < n; ++k) {
        // Bottom, middle and top of the ply as the section z-table holds them.
        const double zb = s + cum, zm = zb + 0.5 * plythickness[k];
        cum += plythickness[k];
        const double z[3] = {zb - ref, zm - ref, (s + cum) - ref};
        double eps[9], t[9];
        const int three = 3;
        GetPlyStrain(eps, se, z, &three);
        tvk::lamina::nye_transformation(t, plyorientation[k] * tvk::deg2rad, 3, 1.0, true);
        for (int j = 0; j < 3; ++j) {
            double* out = plystrain + 3 * static_cast<std::ptrdiff_t>(3 * k + j);
            const double* e = eps + 3 * j;
            for (int i = 0; i < 3; ++i) out[i] = t[i] * e[0] + t[i + 3] * e[1] + t[i + 6] * e[2];
        }
    }
}

// Ply k owns plysectionpoint(k) consecutive section points from its bottom to its top, so its
// top is point c_k (the running count) and the next ply's bottom point c_k + 1. Every count must
// be at least 1 and the counts must add up to nzcrd; then a single point per ply works as well
// (it is both the bottom and the top of its ply).
void GetPlyBottomTopStress(double* sbt, const double* sestress, const int* plysectionpoint,
                           const int* nzcrd, const int* nplies) {
    const int n = *nplies, nz = *nzcrd;
    if (n < 1) return;
    std::memset(sbt, 0, sizeof(double) * 12 * static_cast<std::size_t>(n));
    long long total = 0;
    bool counts_ok = true;
    for (int k = 0; k < n; ++k) {
        counts_ok = counts_ok && plysectionpoint[k] >= 1;
        total += plysectionpoint[k];
    }
    if (!counts_ok || total != nz) {
        tvk::report(-2, "Section points do not match the stresses in GetPlyBottomTopStress", nz,
                    n);
        return;
    }
    const auto copy = [&](int col, long long point) {
        std::memcpy(sbt + 6 * static_cast<std::ptrdiff_t>(col), sestress + 6 * point,
                    6 * sizeof(double));
    };
    copy(0, 0);
    copy(2 * n - 1, nz - 1);
    long long c = 0;
    for (int k = 0; k < n - 1; ++k) {
        c += plysectionpoint[k];
        copy(2 * k + 1, c - 1);  // top of ply k+1 (1-based)
        copy(2 * k + 2, c);      // bottom of the ply above
    }
}

void GetSubLaminateStack(int* sublamstack, const double* plythickness, const int* intface,
                         const int* nplies) {
    const int n = *nplies, i = *intface;
    if (i < 0 || i > n) {
        sublamstack[0] = sublamstack[1] = 0;
        tvk::report(-3, "Interface out of range in GetSubLaminateStack", i, n);
        return;
    }
    double below = 0.0, above = 0.0;
    for (int k = 0; k < i; ++k) below += plythickness[k];
    for (int k = i; k < n; ++k) above += plythickness[k];
    if (below >= above) {
        sublamstack[0] = i + 1;
        sublamstack[1] = n;
    } else {
        sublamstack[0] = 1;
        sublamstack[1] = i;
    }
}

void GetSubLaminateXMatrix(double* xsub, const char* slflag, const double* plyelastic,
                           const double* plyorientation, const double* plythickness,
                           const int* sublamstack, const int* nplies, std::size_t slflag_len) {
    std::memset(xsub, 0, 9 * sizeof(double));
    const int first = sublamstack[0], last = sublamstack[1], n = *nplies;
    if (last < first) return;  // an empty sub-laminate
    if (first < 1 || last > n) {
        tvk::report(-3, "Sub-laminate out of range in GetSubLaminateXMatrix", first, last);
        return;
    }
    const char f = slflag_len > 0 ? slflag[0] : ' ';
    const int count = last - first + 1;  // 1 <= first <= last <= n: no overflow
    const lm::Stack s = lm::Stack{plyelastic, plyorientation, plythickness, n}.sub(first - 1, count);
    if (f == 'A') lm::abd(s, xsub, nullptr, nullptr);
    else if (f == 'B') lm::abd(s, nullptr, xsub, nullptr);
    else if (f == 'D') lm::abd(s, nullptr, nullptr, xsub);
}
