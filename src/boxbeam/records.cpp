// The box-beam records: their single process-wide instances, the creation of their arrays and the
// zeroing that starts a series of calculations.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "section.h"

// At library load every field is zero, every array absent.
tvk_box_path path = {};
tvk_box_steuer steuer = {};
tvk_box_restr restr = {};
tvk_box_spanug spanug = {};
tvk_box_gurt gurt = {};
tvk_box_wand wand = {};
tvk_box_zelle zelle = {};
tvk_box_kraft kraft = {};
tvk_box_epigam epigam = {};
tvk_box_quer quer = {};

namespace tvk::boxbeam {

namespace {

std::string alloc_message;  // text of the last failed allocation

bool refuse_alloc(const std::string& text) {
    alloc_message = text;
    report(-3, text);
    return false;
}

// Creates `p` with n1 * n2 zeroed elements unless it exists; a zero-size array still gets one
// element, so that "exists" is "non-null". Extents below 0 count as 0.
template <class T>
bool create(T*& p, std::int32_t* e1, std::int32_t* e2, std::int64_t n1, std::int64_t n2 = 1) {
    if (p) return true;
    n1 = std::max<std::int64_t>(n1, 0);
    n2 = std::max<std::int64_t>(n2, 0);
    std::int64_t n = 0;
    std::size_t bytes = 0;
    if (n1 > std::numeric_limits<std::int32_t>::max() || __builtin_mul_overflow(n1, n2, &n) ||
        __builtin_mul_overflow(static_cast<std::size_t>(std::max<std::int64_t>(n, 1)), sizeof(T), &bytes))
        return refuse_alloc("Integer overflow when calculating the amount of memory to allocate");
    void* m = std::calloc(static_cast<std::size_t>(std::max<std::int64_t>(n, 1)), sizeof(T));
    if (!m) {
        char text[80];
        std::snprintf(text, sizeof text, "Error allocating %lu bytes", static_cast<unsigned long>(bytes));
        return refuse_alloc(text);
    }
    p = static_cast<T*>(m);
    *e1 = static_cast<std::int32_t>(n1);
    if (e2) *e2 = static_cast<std::int32_t>(n2);
    return true;
}

template <class T>
bool create1(T*& p, std::int32_t& e, std::int64_t n) {
    return create(p, &e, nullptr, n);
}

template <class T>
void zero(T* p, std::int64_t cap, std::int64_t n) {
    if (p && n > 0) std::fill(p, p + std::min(n, cap), T{});
}

// Rows 1..rows of columns 1..cols of a column-major array with extents e1 x e2.
template <class T>
void zero2(T* p, std::int64_t e1, std::int64_t e2, std::int64_t rows, std::int64_t cols) {
    if (!p) return;
    rows = std::min(rows, e1);
    cols = std::min(cols, e2);
    for (std::int64_t c = 0; c < cols; ++c)
        if (rows > 0) std::fill(p + c * e1, p + c * e1 + rows, T{});
}

int or100(const std::int32_t* v) { return v ? *v : 100; }

// istat of the allocation routines: 0, or 1 when an allocation failed.
void set_status(std::int32_t* istat, bool ok) {
    if (istat) *istat = ok ? 0 : 1;
}

bool allocate_walls(std::int64_t maxw) {
    auto& w = wand;
    // every array is attempted, so that a later call only has the failed ones left to create
    bool ok = create1(w.IG1, w.IG1_n, maxw);
    ok = create1(w.IG2, w.IG2_n, maxw) && ok;
    ok = create1(w.IT, w.IT_n, maxw) && ok;
    ok = create1(w.YK0, w.YK0_n, maxw) && ok;
    ok = create1(w.ZK0, w.ZK0_n, maxw) && ok;
    ok = create1(w.YKLK, w.YKLK_n, maxw) && ok;
    ok = create1(w.ZKLK, w.ZKLK_n, maxw) && ok;
    ok = create1(w.BK, w.BK_n, maxw) && ok;
    ok = create1(w.GK, w.GK_n, maxw) && ok;
    ok = create1(w.RHOK, w.RHOK_n, maxw) && ok;
    ok = create1(w.E, w.E_n, maxw) && ok;
    ok = create1(w.TH, w.TH_n, maxw) && ok;
    return ok;
}

bool allocate_booms(std::int64_t maxg) {
    auto& g = gurt;
    bool ok = create1(g.YI, g.YI_n, maxg);
    ok = create1(g.BI, g.BI_n, maxg) && ok;
    ok = create1(g.ZI, g.ZI_n, maxg) && ok;
    ok = create1(g.MYI, g.MYI_n, maxg) && ok;
    return ok;
}

bool allocate_cells(std::int64_t maxz, std::int64_t maxg) {
    bool ok = create1(zelle.IAK, zelle.IAK_n, maxz);
    ok = create(zelle.IA, &zelle.IA_n1, &zelle.IA_n2, maxg, maxz) && ok;
    return ok;
}

bool allocate_forces(std::int64_t maxw) {
    auto& k = kraft;
    bool ok = create1(k.NX0, k.NX0_n, maxw);
    ok = create1(k.NXL2, k.NXL2_n, maxw) && ok;
    ok = create1(k.NXL, k.NXL_n, maxw) && ok;
    ok = create1(k.T0, k.T0_n, 2 * std::max<std::int64_t>(maxw, 0)) && ok;
    ok = create1(k.TL, k.TL_n, maxw) && ok;
    ok = create1(k.TL2, k.TL2_n, maxw) && ok;
    return ok;
}

bool allocate_strains(std::int64_t maxw, std::int64_t maxg) {
    auto& e = epigam;
    bool ok = create(e.EPI, &e.EPI_n1, &e.EPI_n2, maxw, 3);
    ok = create(e.GAM, &e.GAM_n1, &e.GAM_n2, maxw, 3) && ok;
    ok = create1(e.EPIGU, e.EPIGU_n, maxg) && ok;
    return ok;
}

bool allocate_all(int maxw, int maxg, int maxz) {
    bool ok = allocate_walls(maxw);
    ok = allocate_booms(maxg) && ok;
    ok = allocate_cells(maxz, maxg) && ok;
    ok = allocate_forces(maxw) && ok;
    ok = allocate_strains(maxw, maxg) && ok;
    return ok;
}

}  // namespace

Status initialize(int nw, int ng, int nz) {
    // Arrays that exist are zeroed within their lengths first; the ones created afterwards come
    // zeroed from the allocator, so a large capacity is not touched page by page.
    gurt.IG = wand.KW = zelle.AZ = 0;
    quer = {};
    spanug.QQX = spanug.QQY = spanug.QQZ = spanug.QMX = spanug.QMY = spanug.QMZ = 0.0;

    zero(zelle.IAK, zelle.IAK_n, nz);
    auto& w = wand;
    zero(w.YK0, w.YK0_n, nw), zero(w.ZK0, w.ZK0_n, nw), zero(w.YKLK, w.YKLK_n, nw);
    zero(w.ZKLK, w.ZKLK_n, nw), zero(w.BK, w.BK_n, nw), zero(w.GK, w.GK_n, nw);
    zero(w.RHOK, w.RHOK_n, nw), zero(w.TH, w.TH_n, nw);
    zero(w.IG1, w.IG1_n, nw), zero(w.IG2, w.IG2_n, nw), zero(w.IT, w.IT_n, nw);
    auto& k = kraft;
    zero(k.NX0, k.NX0_n, nw), zero(k.NXL2, k.NXL2_n, nw), zero(k.NXL, k.NXL_n, nw);
    zero(k.TL2, k.TL2_n, nw), zero(k.TL, k.TL_n, nw);
    zero(k.T0, k.T0_n, 2 * static_cast<std::int64_t>(std::max(nw, 0)));
    zero2(epigam.EPI, epigam.EPI_n1, epigam.EPI_n2, nw, 3);
    zero2(epigam.GAM, epigam.GAM_n1, epigam.GAM_n2, nw, 3);
    auto& g = gurt;
    zero(g.YI, g.YI_n, ng), zero(g.ZI, g.ZI_n, ng), zero(g.BI, g.BI_n, ng), zero(g.MYI, g.MYI_n, ng);
    zero(epigam.EPIGU, epigam.EPIGU_n, ng);
    zero2(zelle.IA, zelle.IA_n1, zelle.IA_n2, ng, nz);

    alloc_message.clear();
    const bool ok = allocate_all(nw, ng, nz);
    // the capacities in force: a later call with other capacities keeps the arrays of the first
    restr.MAXWA = wand.YK0 ? wand.YK0_n : std::max(nw, 0);
    restr.MAXGU = gurt.MYI ? gurt.MYI_n : std::max(ng, 0);
    restr.MAXZE = zelle.IAK ? zelle.IAK_n : std::max(nz, 0);

    if (ok) return {};
    return {Status::no_memory, alloc_message};
}

}  // namespace tvk::boxbeam

using namespace tvk::boxbeam;

TVK_BOX_API void Initialize(const std::int32_t* nw, const std::int32_t* ng, const std::int32_t* nz) {
    initialize(or100(nw), or100(ng), or100(nz));
}

TVK_BOX_API void box_initialize(const std::int32_t* nw, const std::int32_t* ng, const std::int32_t* nz) {
    initialize(or100(nw), or100(ng), or100(nz));
}

TVK_BOX_API void Box_Initialize(const std::int32_t* nw, const std::int32_t* ng, const std::int32_t* nz) {
    initialize(or100(nw), or100(ng), or100(nz));
}

TVK_BOX_API void AllocAll(std::int32_t* istat, const std::int32_t* maxw, const std::int32_t* maxg,
                          const std::int32_t* maxz) {
    set_status(istat, allocate_all(or100(maxw), or100(maxg), or100(maxz)));
}

TVK_BOX_API void AllocateWallData(std::int32_t* istat, const std::int32_t* maxw) {
    set_status(istat, allocate_walls(or100(maxw)));
}

TVK_BOX_API void AllocateCapData(std::int32_t* istat, const std::int32_t* maxg) {
    set_status(istat, allocate_booms(or100(maxg)));
}

TVK_BOX_API void AllocateCellData(std::int32_t* istat, const std::int32_t* maxz, const std::int32_t* maxg) {
    set_status(istat, allocate_cells(or100(maxz), or100(maxg)));
}

TVK_BOX_API void AllocateForceData(std::int32_t* istat, const std::int32_t* maxw) {
    set_status(istat, allocate_forces(or100(maxw)));
}

TVK_BOX_API void AllocateEpigamData(std::int32_t* istat, const std::int32_t* maxw, const std::int32_t* maxg) {
    set_status(istat, allocate_strains(or100(maxw), or100(maxg)));
}
