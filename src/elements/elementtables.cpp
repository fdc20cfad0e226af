// Nodal patches, patch data, element reference data and nodal coordinates.
#include "elementtables.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "catalogue.h"
#include "core/errors.h"
#include "core/lists.h"
#include "core/modeldata.h"
#include "core/search.h"
#include "core/process_hooks.h"

namespace tvk::elements {

namespace {

// The nodalcoords storage that was turned local; a reference is held so that the address cannot
// be reused by another table while it is remembered.
Block* local_block = nullptr;

}  // namespace

bool coords_local() { return local_block && local_block == nodaldata.nodalcoords.blk; }

void mark_coords_local() {
    Block* b = nodaldata.nodalcoords.blk;
    if (b == local_block) return;
    block_incref(b);
    block_decref(local_block);
    local_block = b;
}

void clear_coords_local() {
    block_decref(local_block);
    local_block = nullptr;
}

}  // namespace tvk::elements

// The marker is process-wide state; the release clears it (solver/process_state.cpp).
bool tvk::process_state::hooks::coords_local_marker_clear() { return tvk::elements::local_block == nullptr; }

namespace tvk::elements {

NodeBlock::NodeBlock(const int* nodeid, int nblock) {
    int valid = 0, lo = 0, hi = 0;
    for (int k = 0; k < nblock; ++k) {
        const int id = nodeid[k];
        if (id < 1) continue;
        lo = valid ? std::min(lo, id) : id;
        hi = valid ? std::max(hi, id) : id;
        ++valid;
    }
    if (valid == 0) return;
    const std::int64_t range = static_cast<std::int64_t>(hi) - lo + 1;
    if (range > 4 * static_cast<std::int64_t>(valid) + 64) {
        // Sparse numbers: sorted pairs, searched by bisection.
        sorted_.reserve(static_cast<std::size_t>(valid));
        for (int k = 0; k < nblock; ++k)
            if (nodeid[k] >= 1) sorted_.emplace_back(nodeid[k], k);
        std::sort(sorted_.begin(), sorted_.end());
        return;
    }
    // Dense numbers (the usual case): a counting sort, which keeps block order among equal
    // numbers, and the start of every number's run in `first_`.
    base_ = lo;
    first_.assign(static_cast<std::size_t>(range) + 1, 0);
    for (int k = 0; k < nblock; ++k)
        if (nodeid[k] >= 1) ++first_[static_cast<std::size_t>(nodeid[k] - lo) + 1];
    for (std::size_t i = 1; i < first_.size(); ++i) first_[i] += first_[i - 1];
    sorted_.resize(static_cast<std::size_t>(valid));
    std::vector<int> next(first_.begin(), first_.end() - 1);
    for (int k = 0; k < nblock; ++k)
        if (nodeid[k] >= 1) sorted_[static_cast<std::size_t>(next[static_cast<std::size_t>(nodeid[k] - lo)]++)] = {nodeid[k], k};
}

std::span<const std::pair<int, int>> NodeBlock::entries(int node) const {
    if (!first_.empty()) {
        const std::int64_t i = static_cast<std::int64_t>(node) - base_;
        if (i < 0 || i + 1 >= static_cast<std::int64_t>(first_.size())) return {};
        const int b = first_[static_cast<std::size_t>(i)], e = first_[static_cast<std::size_t>(i) + 1];
        return {sorted_.data() + b, static_cast<std::size_t>(e - b)};
    }
    const auto lo = std::lower_bound(sorted_.begin(), sorted_.end(), std::pair<int, int>(node, -1));
    auto hi = lo;
    while (hi != sorted_.end() && hi->first == node) ++hi;
    return {lo, hi};
}

std::vector<int> visited_elements() {
    std::vector<int> v;
    const auto& idx = elementdata.elemindices;
    if (idx.present()) {
        const int* p = idx.data();
        const int n = idx.extent(1);
        for (int i = 0; i < n && p[i] != -1; ++i)
            if (p[i] >= 1) v.push_back(p[i]);
    } else {
        for (int e = 1; e <= elementdata.nelem; ++e) v.push_back(e);
    }
    return v;
}

}  // namespace tvk::elements

// ---- nodal patch ---------------------------------------------------------------------------

namespace {

constexpr double marker = -tvk::huge;
constexpr double default_tolerance = 1e-10;

// Depth-first patch search. Every search works on the tail of the patch that starts at its
// first free column and removes exact duplicates after each sub-search. The searches are kept on
// an explicit stack, so a deep search cannot exhaust the call stack.
//
// An element whose neighbourhood was searched to completion before, to at least the requested
// depth, is not searched again: every point it would store is in the patch already, so its
// copies would only be removed again. (The points stored, their order and the duplicate removal
// are those of the full search; only the repeated work is skipped, which keeps deep searches
// from growing exponentially with the depth.) A depth beyond the element count finds nothing
// more and is taken as the element count.
class PatchSearch {
  public:
    PatchSearch(double* patch, const double* coords, const int* nodes, int nnodes, int nelem)
        : patch_(patch), coords_(coords), nodes_(nodes), nn_(nnodes), ne_(nelem) {}

    void run(long long cap, int ref, double tol, bool with_ref, int depth) {
        stack_.push_back(open(ref, std::min(depth, ne_), tol, with_ref, 0, cap));
        while (!stack_.empty()) {
            const std::size_t top = stack_.size() - 1;
            Search& f = stack_[top];
            if (f.pending) {  // a sub-search returned
                int& d = searched_[f.pending];
                d = std::max(d, f.depth - 1);
                f.pending = 0;
                f.filled = remove_duplicates(patch_ + 3 * f.base, count(patch_ + 3 * f.base, f.cap));
            }
            if (!advance(f)) stack_.pop_back();
        }
    }

    static long long count(const double* patch, long long cap) {
        for (long long k = 0; k < cap; ++k)
            if (patch[3 * k] == marker) return k;
        return cap;
    }

  private:
    struct Search {
        int ref, depth;
        double tol;
        bool with_ref;
        long long base, cap, filled = 0;  // columns of the whole patch: start, room, stored
        int next = 1, pending = 0, lo = 0, hi = 0;
    };

    Search open(int ref, int depth, double tol, bool with_ref, long long base, long long cap) const {
        Search f{ref, depth, tol, with_ref, base, cap};
        const int* rn = nodes_ + static_cast<std::ptrdiff_t>(ref - 1) * nn_;
        f.lo = std::numeric_limits<int>::max();
        for (int m = 0; m < nn_; ++m)
            if (rn[m] >= 1) f.lo = std::min(f.lo, rn[m]), f.hi = std::max(f.hi, rn[m]);
        if (f.hi == 0) f.next = ne_ + 1;  // an element without nodes has no neighbours
        return f;
    }

    // Examines the next neighbours of f; false when f is done. Opens a sub-search (and returns
    // true) after storing the points of a neighbour whose neighbourhood is to be searched.
    bool advance(Search& f) {
        while (f.next <= ne_) {
            const int e = f.next++;
            if (e == f.ref && !f.with_ref) continue;
            const int* en = nodes_ + static_cast<std::ptrdiff_t>(e - 1) * nn_;
            if (!shares_node(en, nodes_ + static_cast<std::ptrdiff_t>(f.ref - 1) * nn_, f.lo, f.hi)) continue;
            double* patch = patch_ + 3 * f.base;
            for (int m = 0; m < nn_; ++m) {
                if (en[m] < 1) continue;
                const double* p = coords_ + 3 * (static_cast<std::ptrdiff_t>(e - 1) * nn_ + m);
                if (near_any(patch, f.filled, p, f.tol)) continue;
                if (f.filled >= f.cap) {
                    if (!full_) tvk::report(-2, "Warning: nodal patch full in GetNodalPatch.", f.ref, e);
                    full_ = true;
                    continue;
                }
                std::memcpy(patch + 3 * f.filled, p, 3 * sizeof(double));
                ++f.filled;
            }
            if (f.depth > 1) {
                const auto done = searched_.find(e);
                if (done != searched_.end() && done->second >= f.depth - 1) continue;
                f.pending = e;
                const Search child = open(e, f.depth - 1, default_tolerance, false, f.base + f.filled, f.cap - f.filled);
                stack_.push_back(child);  // f is not used after this
                return true;
            }
        }
        return false;
    }

    bool shares_node(const int* en, const int* rn, int lo, int hi) const {
        for (int m = 0; m < nn_; ++m) {
            const int n = en[m];
            if (n < lo || n > hi) continue;
            for (int r = 0; r < nn_; ++r)
                if (rn[r] == n) return true;
        }
        return false;
    }

    static bool near_any(const double* patch, long long filled, const double* p, double tol) {
        for (long long k = 0; k < filled; ++k) {
            const double* q = patch + 3 * k;
            const double dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
            if (std::sqrt(dx * dx + dy * dy + dz * dz) <= tol) return true;
        }
        return false;
    }

    // Later exact copies become markers; the rest moves to the front in column order.
    static long long remove_duplicates(double* patch, long long filled) {
        long long out = 0;
        for (long long j = 0; j < filled; ++j) {
            const double* p = patch + 3 * j;
            bool dup = false;
            for (long long i = 0; i < out && !dup; ++i) {
                const double* q = patch + 3 * i;
                dup = q[0] == p[0] && q[1] == p[1] && q[2] == p[2];
            }
            if (dup) continue;
            if (out != j) std::memmove(patch + 3 * out, p, 3 * sizeof(double));
            ++out;
        }
        std::fill(patch + 3 * out, patch + 3 * filled, marker);
        return out;
    }

    double* patch_;
    const double* coords_;
    const int* nodes_;
    int nn_, ne_;
    bool full_ = false;
    std::vector<Search> stack_;
    std::unordered_map<int, int> searched_;  // element -> depth searched to completion
};

}  // namespace

void GetNodalPatch(double* nodalpatch, const double* nodalcoords, const int* elemnodes, const int* elemid,
                   const int* npt, const int* nnodes, const int* nelem, const double* tolerance,
                   const int* exflag, const int* ntree, const int* recursion) {
    const long long cap = std::max(*npt, 0);
    const bool main_call = !recursion || *recursion >= 0;
    if (main_call) std::fill(nodalpatch, nodalpatch + 3 * cap, marker);
    const int nn = std::max(*nnodes, 0), ne = std::max(*nelem, 0);
    if (*elemid < 1 || *elemid > ne || nn == 0) return;
    const double tol = tolerance ? *tolerance : default_tolerance;
    const int depth = ntree && *ntree >= 1 ? *ntree : 1;
    // A sub-search called from outside works on the array it is given, from its first column.
    PatchSearch(nodalpatch, nodalcoords, elemnodes, nn, ne).run(cap, *elemid, tol, exflag && *exflag == 1, depth);
}

void GetDataFromPatch(double* patchdata, const double* refdata, const double* patchcoords,
                      const double* refcoords, const int* ndata, const int* npt, const int* ndim,
                      const int* nnodes, const int* nelem, const double* tolerance) {
    const long long nd = std::max(*ndata, 0), np = std::max(*npt, 0), dim = std::max(*ndim, 0);
    const long long nref = static_cast<long long>(std::max(*nnodes, 0)) * std::max(*nelem, 0);
    const double tol = tolerance ? *tolerance : default_tolerance;
    std::fill(patchdata, patchdata + nd * np, 0.0);
    for (long long i = 0; i < np; ++i) {
        const double* p = patchcoords + dim * i;
        const double* hit = nullptr;
        for (long long r = 0; r < nref; ++r) {  // element by element, node by node: last wins
            const double* q = refcoords + dim * r;
            double s = 0.0;
            for (long long c = 0; c < dim; ++c) s += (q[c] - p[c]) * (q[c] - p[c]);
            if (std::sqrt(s) <= tol) hit = refdata + nd * r;
        }
        if (hit) std::copy(hit, hit + nd, patchdata + nd * i);
    }
}

// ---- element reference data ----------------------------------------------------------------

namespace {

// Positions (1-based) of solver element numbers in elemlist(1:n); the first of equal numbers.
class ElementIndex {
  public:
    ElementIndex(const int* list, int n) {
        map_.reserve(static_cast<std::size_t>(std::max(n, 0)));
        for (int i = 0; i < n; ++i) map_.emplace(list[i], i + 1);  // keeps the first
    }
    int find(int number) const {
        const auto it = map_.find(number);
        return it == map_.end() ? -1 : it->second;
    }

  private:
    std::unordered_map<int, int> map_;
};

bool as_int(double v, int& out) {
    if (!(std::fabs(v) < 2147483648.0)) return false;  // NaN, infinities and values beyond int
    out = static_cast<int>(v);                          // truncated toward zero
    return true;
}

}  // namespace

void GetElementReferenceData(int* nshell, int* ierror, const int* ind) {
    using namespace tvk;
    *nshell = 0;
    *ierror = 0;
    auto& ed = elementdata;
    auto& nsp = sectiondata.nsectionpoints;
    if (nsp.present()) nsp.fill(-1);
    if (ed.elemreforientation.present()) ed.elemreforientation.fill(-1.0);
    const int ne = std::max(ed.nelem, 0);

    if (!ed.elemindices.present() && ed.elemkind.present()) {
        const int n = std::min(ne, ed.elemkind.extent(1));
        if (n >= 1) {
            ed.elemindices.allocate({n});
            const int nsub = 6;
            GetIndicesExcludingSubArray(ed.elemindices.data(), ed.elemkind.data(), elements::ext2dkind, &n, &nsub);
            const int* idx = ed.elemindices.data();
            *nshell = static_cast<int>(std::count_if(idx, idx + n, [](int v) { return v != -1; }));
            if (*nshell == n) ed.elemindices.release();
        }
    }

    const int listid = *ind;
    const auto release_lists = [&] {
        for (int type = 0; type <= 2; ++type) {
            int err = 0;
            DeallocateList(&listid, &type, &err);
        }
    };
    const auto size_of = [&](int type) { return std::max(GetSizeOfList(&listid, &type, nullptr, nullptr, nullptr), 1); };
    const int nfldelem = size_of(0), nfldsec = size_of(1), nsecpt = size_of(2);
    std::vector<int> ids(static_cast<std::size_t>(nfldelem), defint);
    std::vector<double> records(static_cast<std::size_t>(nfldsec), huge);
    int err = 0;
    iGetCopyOfList(&listid, ids.data(), &nfldelem, &err);
    if (err == 0) fGetCopyOfList(&listid, records.data(), &nfldsec, &err);
    if (err != 0) {
        *ierror = -1;
        release_lists();
        return;
    }

    const int nlist = ed.elemlist.present() ? std::min(ne, ed.elemlist.extent(1)) : 0;
    const ElementIndex index(ed.elemlist.data(), nlist);
    std::vector<int> pos(ids.size());
    bool any = false;
    for (std::size_t j = 0; j < ids.size(); ++j) {
        pos[j] = index.find(ids[j]);
        any = any || pos[j] > 0;
    }
    if (!any) {
        release_lists();
        return;
    }
    const auto ro = ed.elemreforientation.view();
    for (std::size_t j = 0; j < ids.size(); ++j) {
        // Record j is values 7j+1..7j+7 of the real list; a record the list does not hold in
        // full is not used.
        if (pos[j] < 1 || 7 * (j + 1) > records.size() || !ro.has(7, pos[j])) continue;
        std::copy_n(records.begin() + static_cast<std::ptrdiff_t>(7 * j), 7, &ro(1, pos[j]));
    }

    std::vector<cplx> pairs(static_cast<std::size_t>(nsecpt), cmplx_marker);
    cGetCopyOfList(&listid, pairs.data(), &nsecpt, &err);
    if (err != 0) {
        *ierror = -1;
        release_lists();
        return;
    }
    if (nsp.present()) {
        const int n = std::min(ne, nsp.extent(1));
        int* sp = nsp.data();
        std::fill(sp, sp + n, 1);
        for (const cplx& c : pairs) {
            int elem = 0, point = 0;
            if (!as_int(c.real(), elem) || !as_int(c.imag(), point)) continue;
            const int p = index.find(elem);
            if (p >= 1 && p <= n) sp[p - 1] = std::max(sp[p - 1], point);
        }
    }
    release_lists();
}

// ---- nodal coordinates ---------------------------------------------------------------------

tvk::elements::KeptNodes tvk::elements::store_nodal_coordinates(const double* coordnp, const int* nodeid,
                                                                int ncoord, int nblock, bool finite_only) {
    KeptNodes kept;
    const int nb = nblock, nc = std::clamp(ncoord, 0, 3);
    const auto& nodes = elementdata.elemnodes;
    const auto coords = nodaldata.nodalcoords.view();
    if (nb < 1 || !nodes.present() || !nodaldata.nodalcoords.present()) return kept;
    const std::vector<int> elems = visited_elements();
    if (elems.empty()) return kept;
    const NodeBlock block(nodeid, nb);
    const int width = std::min<int>(nodes.extent(1), static_cast<int>(coords.extent(2)));
    const int stride = std::max(ncoord, 0);
    // Per block position: whether its node was looked at, and whether it keeps its slots. The
    // coordinates a node would store are the same in every slot, so its first slot decides.
    std::vector<char> decided, skip;
    if (finite_only) {
        decided.assign(static_cast<std::size_t>(nb), 0);
        skip.assign(static_cast<std::size_t>(nb), 0);
    }
    for (int e : elems) {
        if (!nodes.in_bounds(1, e) || !coords.has(3, width, e)) continue;
        const int* en = nodes.at(1, e);
        for (int m = 1; m <= width; ++m) {
            const auto same = block.entries(en[m - 1]);
            if (finite_only && !same.empty() && !decided[static_cast<std::size_t>(same.front().second)]) {
                const bool bad = std::any_of(same.begin(), same.end(), [&](const auto& entry) {
                    const double* from = coordnp + static_cast<std::ptrdiff_t>(stride) * entry.second;
                    return !std::all_of(from, from + nc, [](double v) { return std::isfinite(v); });
                });
                for (const auto& entry : same) {
                    decided[static_cast<std::size_t>(entry.second)] = 1;
                    skip[static_cast<std::size_t>(entry.second)] = bad;
                }
                if (bad && kept.count++ == 0) kept.first = same.front().first;
            }
            for (const auto& [node, k] : same) {  // block order: the last wins
                if (finite_only && skip[static_cast<std::size_t>(k)]) continue;
                // At most three values: a plain loop, not a library copy per node.
                const double* from = coordnp + static_cast<std::ptrdiff_t>(stride) * k;
                double* to = &coords(1, m, e);
                for (int c = 0; c < nc; ++c) to[c] = from[c];
            }
        }
    }
    return kept;
}

void GetNodalCoordinates(const double* coordnp, const int* nodeid, const int* ncoord, const int* nblock) {
    tvk::elements::store_nodal_coordinates(coordnp, nodeid, *ncoord, *nblock, false);
}
