// One box-beam calculation: the records are checked against their capacities, the report files
// opened, then properties, normal forces, shear flows, torsion and nodal forces follow in turn.
// A refusal, a failed solve or a failed file operation ends the calculation with the report
// closed, the failure recorded in the error record and returned to the caller.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>

#include "calc.h"
#include "core/errors.h"

namespace tvk::boxbeam {

namespace {

Status refuse(const char* fmt, long long a, long long b) {
    char text[120];
    std::snprintf(text, sizeof text, fmt, a, b);
    return {Status::refused, text};
}

// The counts against the arrays as they exist: every index the calculation uses must lie within
// them.
Status check_records() {
    const auto& g = gurt;
    const auto& w = wand;
    const auto& z = zelle;
    const auto& k = kraft;
    const auto& e = epigam;
    const void* arrays[] = {g.YI, g.ZI, g.BI, g.MYI, w.IG1, w.IG2, w.IT, w.YK0, w.ZK0, w.YKLK, w.ZKLK, w.BK,
                            w.GK, w.RHOK, z.IAK, z.IA, k.NX0, k.NXL2, k.NXL, k.T0, k.TL2, k.TL, e.EPI, e.GAM,
                            e.EPIGU};
    for (const void* a : arrays)
        if (!a) return {Status::refused, "BOX-BEAM RECORDS NOT CREATED: CALL box_initialize FIRST"};
    const int wall_cap = std::min({w.IG1_n, w.IG2_n, w.IT_n, w.YK0_n, w.ZK0_n, w.YKLK_n, w.ZKLK_n, w.BK_n, w.GK_n,
                                   w.RHOK_n, k.NX0_n, k.NXL2_n, k.NXL_n, k.TL2_n, k.TL_n, e.EPI_n1, e.GAM_n1});
    const int boom_cap = std::min({g.YI_n, g.ZI_n, g.BI_n, g.MYI_n, e.EPIGU_n});
    const int cell_cap = std::min(z.IAK_n, z.IA_n2);
    if (w.KW < 0 || w.KW > wall_cap) return refuse("NUMBER OF WALLS KW = %lld OUTSIDE 0..%lld", w.KW, wall_cap);
    if (g.IG < 0 || g.IG > boom_cap) return refuse("NUMBER OF BOOMS IG = %lld OUTSIDE 0..%lld", g.IG, boom_cap);
    if (z.AZ < 0 || z.AZ > cell_cap) return refuse("NUMBER OF CELLS AZ = %lld OUTSIDE 0..%lld", z.AZ, cell_cap);
    if (k.T0_n < static_cast<long long>(w.KW) + 1)
        return refuse("SHEAR FLOW ARRAY T0 HOLDS %lld ENTRIES, %lld NEEDED", k.T0_n, w.KW + 1LL);
    if (e.EPI_n2 < 3 || e.GAM_n2 < 3) return refuse("STRAIN ARRAYS HOLD %lld AND %lld POINTS PER WALL, 3 NEEDED", e.EPI_n2, e.GAM_n2);
    for (int c = 0; c < z.AZ; ++c)
        if (z.IAK[c] < 0 || z.IAK[c] > z.IA_n1)
            return refuse("CELL %lld LISTS %lld BOOMS, OUTSIDE THE BOOM CAPACITY", c + 1LL, z.IAK[c]);
    return {};
}

// A section that cannot carry the loads it is given: no axial stiffness (the stiffness centre and
// every normal flow divide by it), or no bending stiffness about a principal axis (the bending and
// open-section shear flows divide by it). Checked before the first division by these sums.
Status check_stiffness(Report& r) {
    const auto& q = quer;
    char text[120] = {};
    if (!(q.BX > 0) || !std::isfinite(q.BX))
        std::snprintf(text, sizeof text, "SECTION WITHOUT AXIAL STIFFNESS: BX = %.6G", q.BX);
    else if (!(q.DYYSTE > 0 && q.DZZSTE > 0) || !std::isfinite(q.DYYSTE) || !std::isfinite(q.DZZSTE))
        std::snprintf(text, sizeof text, "SECTION WITHOUT BENDING STIFFNESS: DYY* = %.6G, DZZ* = %.6G", q.DYYSTE,
                      q.DZZSTE);
    if (!text[0]) return {};
    report_failure(r, text);
    return {Status::refused, text};
}

// Every result the calculation wrote is finite; a non-finite one (from non-finite coordinates or
// stiffnesses, or an overflow) voids the calculation instead of being handed back as a result.
Status check_results(const Calc& w, Report& r) {
    const auto& q = quer;
    const double scalars[] = {q.BX, q.M, q.YS, q.ZS, q.YT, q.ZT, q.DYY, q.DZY, q.DZZ, q.ALPHA, q.DYYSTE,
                              q.DZZSTE, q.YMST, q.ZMST, q.YMSTAC, q.ZMSTAC, q.DT, q.IYYS, q.IZYS, q.IZZS, q.ITT};
    bool finite = std::all_of(std::begin(scalars), std::end(scalars), [](double v) { return std::isfinite(v); });
    const auto& k = kraft;
    const auto& e = epigam;
    const double* walls[] = {k.NX0, k.NXL2, k.NXL, k.T0, k.TL2, k.TL};
    for (const double* a : walls)
        for (int i = 0; finite && i < w.KW; ++i) finite = std::isfinite(a[i]);
    if (w.AZ > 0 && finite) finite = std::isfinite(k.T0[w.KW]);  // the specific twist
    for (int m = 0; m < 3; ++m)
        for (int i = 0; finite && i < w.KW; ++i)
            finite = std::isfinite(e.EPI[i + static_cast<std::ptrdiff_t>(m) * e.EPI_n1]) &&
                     std::isfinite(e.GAM[i + static_cast<std::ptrdiff_t>(m) * e.GAM_n1]);
    for (int i = 0; finite && i < w.IG; ++i) finite = std::isfinite(e.EPIGU[i]);
    if (finite) return {};
    const char* text = "NON-FINITE BOX-BEAM RESULT: CHECK THE COORDINATES AND STIFFNESSES";
    report_failure(r, text);
    return {Status::refused, text};
}

// The work arrays of the last calculation, lent to the next one: their memory is reused, their
// contents are not (every phase sizes and fills the arrays it uses).
CalcArrays spare_arrays;

// Lends the spare arrays to a calculation and takes them back on every way out of it.
class Lend {
  public:
    explicit Lend(Calc& w) : w_(w) { static_cast<CalcArrays&>(w_) = std::move(spare_arrays); }
    ~Lend() { spare_arrays = std::move(static_cast<CalcArrays&>(w_)); }
    Lend(const Lend&) = delete;
    Lend& operator=(const Lend&) = delete;

  private:
    Calc& w_;
};

Status run() {
    Status st = check_records();
    if (!st) return st;
    Calc w;
    const Lend lend(w);
    w.KW = wand.KW, w.IG = gurt.IG, w.AZ = zelle.AZ;
    const auto& s = spanug;
    w.QX = s.QQX, w.QY = s.QQY, w.QZ = s.QQZ, w.MX = s.QMX, w.MY = s.QMY, w.MZ = s.QMZ;
    if (!w.rep.open(st)) return st;
    report_input(w.rep);
    section_properties(w);
    principal_axes(w);
    st = check_stiffness(w.rep);
    if (st) {
        report_properties(w);
        report_principal_axes(w);
        normal_forces(w);
        report_normal_forces(w);
        if (shear_flows(w, st)) {
            st = check_results(w, w.rep);
            if (st) nodal_forces(w);
        }
    }
    w.rep.close();
    if (st && !w.rep.write_failure().empty()) st = {Status::refused, w.rep.write_failure()};
    return st;
}

}  // namespace

Status calculate() {
    Status st;
    try {
        st = run();
    } catch (const std::bad_alloc&) {
        st = {Status::no_memory, "Error allocating memory for the box-beam work arrays"};
    }
    if (!st) report(-3, st.message);
    return st;
}

}  // namespace tvk::boxbeam

TVK_BOX_API void GetEquivalentXSection(void) { tvk::boxbeam::calculate(); }

TVK_BOX_API void box_getxsection(void) { tvk::boxbeam::calculate(); }

TVK_BOX_API void Box_GetXSection(void) { tvk::boxbeam::calculate(); }

TVK_BOX_API void KNKRFT(const std::int32_t* maxw) {
    using namespace tvk::boxbeam;
    Status st = check_records();
    const int n = maxw ? *maxw : wand.KW;
    if (st && (n < 0 || n > std::min(wand.KW, wand.YK0_n)))
        st = {Status::refused, "KNKRFT: NUMBER OF WALLS OUTSIDE THE WALL RECORDS"};
    if (st) {
        Calc w;
        w.KW = n;
        if (w.rep.open(st)) {
            nodal_forces(w);
            w.rep.close();
            if (!w.rep.write_failure().empty()) st = {Status::refused, w.rep.write_failure()};
        }
    }
    if (!st) tvk::report(-3, st.message);
}
