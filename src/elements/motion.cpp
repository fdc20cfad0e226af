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

namespace {

// Hands every motion GetNodesMotion stores to put(same, j, ntrac, to_trans, nrot, to_rot, nrot_n):
// block entry j (of the entries `same` of its node) at an element slot that holds the node, its
// translation ntrac(3) and its rotation nrot(1:nrot_n) turned into the element frame, and where
// they go (null for a part that is not given, which leaves the stored values).
template <class Put>
void visit_nodes_motion(const double* ntraction, const double* nrotation, const int* nodeid, int ndim, int nblock,
                        double def, Put&& put) {
    using namespace tvk;
    const int nb = nblock, stride = std::max(ndim, 0), nd = std::min(stride, 3);
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
            const auto same = block.entries(en[k - 1]);
            for (const auto& [node, j] : same) {
                const double* tr = ntraction + 3 * static_cast<std::ptrdiff_t>(j);
                const double* ro = nrotation + static_cast<std::ptrdiff_t>(stride) * j;
                double ntrac[3] = {tr[0], tr[1], tr[2]}, nrot[3] = {0.0, 0.0, 0.0};
                std::copy(ro, ro + nd, nrot);
                ShellTractionTransformation(ntrac, nrot, ti, tcurv, &three);
                put(same, j, ntrac, all_equal(tr, 3, def) ? nullptr : &nm(1, k, e), nrot,
                    nlim > 0 && !all_equal(ro, nd, def) ? &nm(4, k, e) : nullptr, nlim);
            }
        }
    }
}

}  // namespace

tvk::elements::KeptNodes tvk::elements::store_nodes_motion(const double* ntraction, const double* nrotation,
                                                           const int* nodeid, int ndim, int nblock, double defreal,
                                                           bool finite_only) {
    KeptNodes kept;
    if (!finite_only) {
        visit_nodes_motion(ntraction, nrotation, nodeid, ndim, nblock, defreal,
                           [](auto, int, const double* ntrac, double* to_trans, const double* nrot, double* to_rot,
                              int nrot_n) {
                               if (to_trans) std::copy(ntrac, ntrac + 3, to_trans);
                               if (to_rot) std::copy(nrot, nrot + nrot_n, to_rot);
                           });
        return kept;
    }
    // A node's values differ from element to element with the frames, so the stores are held
    // back until the whole block is seen; then those of the nodes with a value that is not finite
    // in some element are dropped, and the others made in their order.
    struct Store {
        double* to;
        double v[3];
        int n, j;
    };
    std::vector<Store> stores;
    std::vector<char> skip(static_cast<std::size_t>(std::max(nblock, 0)), 0);
    const auto finite = [](const double* v, int n) {
        return std::all_of(v, v + n, [](double x) { return std::isfinite(x); });
    };
    visit_nodes_motion(ntraction, nrotation, nodeid, ndim, nblock, defreal,
                       [&](auto same, int j, const double* ntrac, double* to_trans, const double* nrot,
                           double* to_rot, int nrot_n) {
                           if (to_trans) stores.push_back({to_trans, {ntrac[0], ntrac[1], ntrac[2]}, 3, j});
                           if (to_rot) stores.push_back({to_rot, {nrot[0], nrot[1], nrot[2]}, nrot_n, j});
                           if (skip[static_cast<std::size_t>(j)] ||
                               ((!to_trans || finite(ntrac, 3)) && (!to_rot || finite(nrot, nrot_n))))
                               return;
                           for (const auto& entry : same) skip[static_cast<std::size_t>(entry.second)] = 1;
                           if (kept.count++ == 0) kept.first = same.front().first;
                       });
    for (const Store& st : stores)
        if (!skip[static_cast<std::size_t>(st.j)]) std::copy(st.v, st.v + st.n, st.to);
    return kept;
}

void GetNodesMotion(const double* ntraction, const double* nrotation, const int* nodeid, const int* ndim,
                    const int* nblock, const double* defreal) {
    tvk::elements::store_nodes_motion(ntraction, nrotation, nodeid, *ndim, *nblock, defreal ? *defreal : tvk::huge,
                                      false);
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
