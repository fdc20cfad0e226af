// Nodal motion spread to element slots, shell displacement vectors, polygon edge mid-points.
#include "motion.h"

#include <algorithm>

#include "core/modeldata.h"
#include "elementtables.h"

namespace {

constexpr double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// c(3) = m(3,3) v(3), column-major.
void apply(const double* m, const double* v, double* c) {
    double out[3];
    for (int r = 0; r < 3; ++r) out[r] = m[r] * v[0] + m[r + 3] * v[1] + m[r + 6] * v[2];
    std::copy(out, out + 3, c);
}

bool all_zero(const double* a, int n) {
    return std::all_of(a, a + n, [](double v) { return v == 0.0; });
}

bool all_equal(const double* a, int n, double v) {
    return std::all_of(a, a + n, [v](double x) { return x == v; });
}

}  // namespace

void ShellTractionTransformation(double* ntrac, double* nrot, const double* ti, const double* tcurv, const int* ndim) {
    const int nd = std::clamp(ndim ? *ndim : 3, 0, 3);
    apply(tcurv, ntrac, ntrac);
    double r[3] = {0.0, 0.0, 0.0}, m[9] = {};
    std::copy(nrot, nrot + nd, r);
    for (int i = 0; i < 3; ++i)  // m = ti^T ti
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) m[i + 3 * j] += ti[k + 3 * i] * ti[k + 3 * j];
    apply(m, r, r);
    apply(tcurv, r, r);
    std::copy(r, r + nd, nrot);
}

void GetNodesMotion(const double* ntraction, const double* nrotation, const int* nodeid, const int* ndim,
                    const int* nblock, const double* defreal) {
    using namespace tvk;
    const int nb = *nblock, stride = std::max(*ndim, 0), nd = std::min(stride, 3);
    const double def = defreal ? *defreal : huge;
    const auto& nodes = elementdata.elemnodes;
    const auto nm = nodaldata.nodesmotion.view();
    const auto tc = nodaldata.tcurvmatrices.view();
    const auto tn = nodaldata.tnodalmatrices.view();
    if (!nodes.present() || !nodaldata.nodesmotion.present() || !nodaldata.tcurvmatrices.present() ||
        !nodaldata.tnodalmatrices.present() || nb < 1 || nm.extent(1) < 3)
        return;
    const int nlim = std::max(std::min<int>({nodaldata.ndof, 6, static_cast<int>(nm.extent(1))}) - 3, 0);
    const elements::NodeBlock block(nodeid, nb);
    const int width = std::min<int>(nodes.extent(1), static_cast<int>(nm.extent(2)));
    const int three = 3;
    for (int e : elements::visited_elements()) {
        if (!nodes.in_bounds(1, e) || !nm.has(3, width, e)) continue;
        // The element's frames, or the identity when they were never built.
        const bool framed = tc.has(3, 3, e) && tn.has(3, 3, 8, e);
        const bool built = framed && !(all_zero(&tc(1, 1, e), 9) && all_zero(&tn(1, 1, 1, e), 72));
        const double* tcurv = built ? &tc(1, 1, e) : identity;
        const int* en = nodes.at(1, e);
        for (int k = 1; k <= width; ++k) {
            if (en[k - 1] < 1 || std::find(en, en + k - 1, en[k - 1]) != en + k - 1) continue;  // first slot only
            const double* ti = built && k <= 8 ? &tn(1, 1, k, e) : identity;
            for (const auto& [node, j] : block.entries(en[k - 1])) {
                const double* tr = ntraction + 3 * static_cast<std::ptrdiff_t>(j);
                const double* ro = nrotation + static_cast<std::ptrdiff_t>(stride) * j;
                double ntrac[3] = {tr[0], tr[1], tr[2]}, nrot[3] = {0.0, 0.0, 0.0};
                std::copy(ro, ro + nd, nrot);
                ShellTractionTransformation(ntrac, nrot, ti, tcurv, &three);
                if (!all_equal(tr, 3, def)) std::copy(ntrac, ntrac + 3, &nm(1, k, e));
                if (nlim > 0 && !all_equal(ro, nd, def)) std::copy(nrot, nrot + nlim, &nm(4, k, e));
            }
        }
    }
}

void GetDisplacementVector(double* u, const double* nmotion, const int* inodes, const int* mdof) {
    std::fill(u, u + 40, 0.0);
    const int n = std::clamp(*inodes, 0, 8), stride = std::max(*mdof, 0), c = std::min(stride, 5);
    for (int k = 0; k < n; ++k) std::copy_n(nmotion + static_cast<std::ptrdiff_t>(stride) * k, c, u + 5 * k);
}

void GetCenterNodes(double* center, const double* vertices, const int* ndim, const int* npt) {
    const int d = std::max(*ndim, 0), n = std::max(*npt, 0);
    for (int i = 0; i < n; ++i) {
        const double* a = vertices + static_cast<std::ptrdiff_t>(d) * i;
        const double* b = vertices + static_cast<std::ptrdiff_t>(d) * ((i + 1) % n);
        for (int c = 0; c < d; ++c) center[static_cast<std::ptrdiff_t>(d) * i + c] = (a[c] + b[c]) / 2.0;
    }
}
