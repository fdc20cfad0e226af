// Damage field of the ply material points: one evaluation per point and increment, before the
// material routine reads the damage back from the ply state vector.
#include "damage_field.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/modeldata.h"
#include "elements/orientation.h"
#include "elements/transversestress.h"
#include "failure/continuum_damage.h"
#include "failure/damage_datasets.h"
#include "failure/dispatchers.h"
#include "input/iohandling.h"
#include "mechanics/contact.h"
#include "mechanics/transformation.h"
#include "ply_state.h"
#include "result_check.h"
#include "stepkinds.h"

namespace {

namespace ps = tvk::plystate;
namespace pt = tvk::plytable;
namespace pf = tvk::plyfield;
namespace cols = tvk::columns;
using ps::index_of;
using tvk::solver::field::Point;

// Caps of the damage values when a ply's pelimits column asks for the defaults (any entry -1):
// two halves in the order general, fibre, matrix, delamination, core crushing, buckling, the
// fibre entries being the tension and the compression cap.
constexpr std::array<double, cols::pelimits::count> default_caps = {0.999, 0.999, 0.995, 0.7, 0.999, 0.999,
                                                                    0.999, 0.97,  0.995, 0.7, 0.999, 0.999};

// Damage set that the relaxation steps record into.
constexpr int recorded_set = 1;
// Mode number of the crack-plane degradation of a matrix crack, and its state and property counts.
constexpr int crack_plane_mode = 3;
constexpr int crack_plane_props = 1 + cols::pfprops::crack_plane_count;

// The ply state vector of one call, slot s at v[s] (1-based as the slot names).
struct Slots {
    double v[ps::size + 1] = {};
    double& operator[](int s) { return v[s]; }
    double* at(int s) { return v + s; }
};

// Voigt (11 22 33 23 13 12) to Nye (11 22 33 12 13 23): the fourth and sixth components swap.
// The same swap turns Nye back into Voigt.
void swap_voigt_nye(double* out, const double* in) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
    out[3] = in[5];
    out[4] = in[4];
    out[5] = in[3];
}

// Cyclic (11 22 33 12 23 13) to Voigt (11 22 33 23 13 12).
void cyclic_to_voigt(double* out, const double* in) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
    out[3] = in[4];
    out[4] = in[5];
    out[5] = in[3];
}

bool table_present(const double* table) {
    if (!table) return false;
    for (int k = 0; k < pt::size; ++k)
        if (table[k] != pt::absent) return true;
    return false;
}

// 1-based position of value among the first `count` entries of a list table, -1 when absent.
int position(const tvk::Table<int, 1>& list, int count, int value) {
    const int n = std::min(count, list.extent(1));
    const int* d = list.data();
    for (int i = 0; i < n; ++i)
        if (d[i] == value) return i + 1;
    return -1;
}

// The material name up to its trailing blanks and zero bytes.
std::string_view trimmed(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
    return s.substr(0, n);
}

int name_tag(std::string_view name, char key) {
    const int len = static_cast<int>(std::min<std::size_t>(name.size(), INT_MAX)), notfound = -1;
    return getxidfromstring(name.data(), &len, &key, &notfound, name.size(), 1);
}

// What the kind of the current step asks for.
struct Gate {
    bool registration = false, lookup = false, criteria = false, update = false;
};

Gate gate(int kstep, int kind, int kinc, int npt) {
    using namespace tvk::solver;
    Gate g;
    g.registration = (kind == TVK_STRUCTRESPONSE || kind == -1) && kinc == 1 && npt == 1;
    g.lookup = kind == TVK_INITIALIZATION || kind == TVK_DIC;
    const bool later = kstep > 1;
    g.criteria = later && kind != TVK_INITIALIZATION && kind != TVK_STRUCTRESPONSE && kind != TVK_RELAXATION &&
                 kind != TVK_DIC;
    g.update = later && kind != TVK_INITIALIZATION && kind != TVK_FATIGUE && kind != TVK_STRUCTRESPONSE &&
               kind != TVK_IMPACT && kind != TVK_DIC;
    return g;
}

// The flags of mode m (1..5) of a (5, ply, sec) flag table; 0 outside it.
int mode_flag(const tvk::Table<int, 3>& t, int m, int ply, int sec) { return t.get(0, m, ply, sec); }

// The damage caps of the ply: its pelimits column, or the defaults when the column asks for them
// (any entry -1) or does not exist.
std::array<double, cols::pelimits::count> caps_of(int ply, int sec) {
    const cols::PlyColumns<double> lim(tvk::materialdata.pelimits);
    const double* c = lim.column_if(cols::pelimits::count, ply, sec);
    if (!c) return default_caps;
    std::array<double, cols::pelimits::count> out;
    for (int k = 0; k < cols::pelimits::count; ++k) {
        if (c[k] == cols::pelimits::unset) return default_caps;
        out[static_cast<std::size_t>(k)] = c[k];
    }
    return out;
}

double clamp_damage(double d, double cap) { return d < 0.0 ? 0.0 : d > cap ? cap : d; }

bool all_zero(const double* a, std::int64_t n) { return std::all_of(a, a + n, [](double v) { return v == 0.0; }); }

// A value written over `was` is writable when it is finite or is `was` itself: a non-finite value
// in a slot the evaluation passes through stays the solver's.
bool writable(double v, double was) {
    return std::isfinite(v) || std::bit_cast<std::uint64_t>(v) == std::bit_cast<std::uint64_t>(was);
}

// A run of a process-wide table that a step of the evaluation writes in place (a later step reads
// it back): what it held before, to be put back when the point is refused.
struct Kept {
    double* at = nullptr;
    std::vector<double>* was = nullptr;
    void take(double* p, std::size_t n, std::vector<double>& store) {
        store.assign(p, p + n);
        at = p, was = &store;
    }
    // True when every value the step wrote is writable.
    bool writable_run() const {
        if (!at) return true;
        for (std::size_t i = 0; i < was->size(); ++i)
            if (!writable(at[i], (*was)[i])) return false;
        return true;
    }
    void put_back() const {
        if (at) std::copy(was->begin(), was->end(), at);
    }
};

// What one evaluation writes besides its working copy of the ply state vector. A point that would
// write a value that is not finite (a non-finite length, coordinate, direction, stress, strain or
// state value, or one whose products overflow) is refused and writes nothing: the writes are held
// back until every value is checked, and the few that a later step of the same evaluation reads
// back are made at once and put back on refusal.
struct Writes {
    bool usable = true;
    // made at once
    int* count = nullptr;  // the section-point count raised by the registration, and its old value
    int count_was = 0;
    Kept normal, shear;  // the element's transverse stresses refreshed by the recovery
    // held back
    double field[pf::used] = {};   // field variables 1-7 (those beyond are 0)
    bool contact = false;          // the sensor records, updated in their kept copy
    bool orientation = false;      // the element-orientation record
    double* lengths_at = nullptr;  // the element's lengths, replaced by `lengths`
    double lengths[3] = {};
    bool update = false;           // the damage-set update
    double* stress_at = nullptr;   // the section-point stress of the explicit path
    double stress[6] = {};
    const char* no_plane = nullptr;  // the matrix criterion of a failed ply without a crack plane
    bool crack_waits = false;        // a crack whose plane carries no traction yet

    void check(double v, double was) { usable = usable && writable(v, was); }
    void put_back() {
        if (count) *count = count_was;
        normal.put_back();
        shear.put_back();
    }
};

// Refreshes the transverse stresses of shell element e at integration point npt. The recovery
// indexes every table it is given by the counts it is given, so it runs only when the tables
// agree with each other: the section tables with the ply table's extents, the element tables
// holding element e, the stress tables of one section-point count. The elastic values and the
// material ids go to it as (9, plies, sections) and (plies, sections) arrays: each ply's first
// nine elastic values of the first temperature block. What the recovery writes, the element's
// column of tnormalstress and its blocks of tshearstress, is kept in w to be put back when the
// point is refused.
void refresh_transverse_stresses(int e, int npt, int sec, Writes& w) {
    const auto& sd = tvk::sectiondata;
    const auto& nd = tvk::nodaldata;
    const auto& ed = tvk::elementdata;
    const int np = sd.plyorientation.extent(1), ns = sd.plyorientation.extent(2), nz = 2 * np + 1;
    if (np < 1 || ns < 1 || sec < 1 || sec > ns || np > 100000) return;
    const auto& tn = sd.tnormalstress;
    const auto &ts = sd.tshearstress, &se = sd.sestress;
    const int nip = ts.extent(1), nn = nd.nodalcoords.extent(2), ndof = nd.nodesmotion.extent(1);
    const bool fit =
        sd.plythickness.extent(1) == np && sd.plythickness.extent(2) == ns && sd.plyzcoord.extent(1) == nz &&
        sd.plyzcoord.extent(2) == ns && sd.sehmatrix.extent(1) == 2 && sd.sehmatrix.extent(2) == 2 &&
        sd.sehmatrix.extent(3) >= sec && sd.sefmatrix.extent(1) == nz && sd.sefmatrix.extent(2) == 4 &&
        sd.sefmatrix.extent(3) >= sec && tn.extent(1) == nz && nip >= 1 && ts.extent(2) == 2 && ts.extent(3) == 4 &&
        se.extent(1) == 6 && se.extent(2) == nip && se.extent(3) >= 1 && nd.nodalcoords.extent(1) == 3 && nn >= 1 &&
        nd.nodesmotion.extent(2) == nn && ndof >= 1 && ed.elemcurvatures.extent(1) == 2;
    if (!fit) return;
    const int ne = std::min({tn.extent(2), ts.extent(4), se.extent(4), nd.nodalcoords.extent(3),
                             nd.nodesmotion.extent(3), sd.nsectionpoints.extent(1), ed.elemkind.extent(1),
                             ed.elemcurvatures.extent(2)});
    if (e < 1 || e > ne) return;
    const std::size_t cells = static_cast<std::size_t>(np) * static_cast<std::size_t>(ns);
    // The ply tables of every section, in arrays kept on each thread for the next call: a series
    // of calls allocates only while the model grows.
    thread_local std::vector<double> kept_elastic;
    thread_local std::vector<int> kept_ids;
    std::vector<double>& elastic = kept_elastic;
    std::vector<int>& ids = kept_ids;
    elastic.assign(cols::peprops::nye * cells, 0.0);
    ids.assign(cells, tvk::defint);
    const cols::PlyColumns<double> pe(tvk::materialdata.peprops);
    for (int s = 1; s <= ns; ++s)
        for (int p = 1; p <= np; ++p) {
            const std::size_t c = static_cast<std::size_t>(p - 1) + static_cast<std::size_t>(np) * (s - 1);
            if (const double* col = pe.column_if(cols::peprops::nye, p, s))
                std::copy_n(col, cols::peprops::nye, elastic.begin() + static_cast<std::ptrdiff_t>(cols::peprops::nye * c));
            ids[c] = tvk::materialdata.matidlist.get(tvk::defint, p, s);
        }
    const int tflag = sd.seflags.get(0, 1, sec), sflag = sd.seflags.get(0, 2, sec), npts = se.extent(3);
    thread_local std::vector<double> kept_normal, kept_shear;
    w.normal.take(tn.at(1, e), static_cast<std::size_t>(nz), kept_normal);
    w.shear.take(ts.at(1, 1, 1, e), static_cast<std::size_t>(nip) * 2 * 4, kept_shear);
    GetShellTransverseStresses(tn.data(), ts.data(), nd.nodalcoords.data(), nd.nodesmotion.data(), se.data(), &npts,
                               sd.sehmatrix.data(), sd.sefmatrix.data(), sd.plyorientation.data(),
                               sd.plythickness.data(), sd.plyzcoord.data(), elastic.data(), sd.nsectionpoints.data(),
                               ed.elemcurvatures.data(), ed.elemkind.data(), ids.data(), &e, &npt, &sec, &tflag,
                               &sflag, &np, &ns, &nz, &nip, &ndof, &nn, &ne);
    if (!w.normal.writable_run() || !w.shear.writable_run()) w.usable = false;
}

// Six stress components (1:6, isp, npt, e) of a (6, ., ., .) table into out; false (out
// untouched) when the table does not hold them.
bool read_six(double* out, const tvk::Table<double, 4>& t, std::int64_t isp, int npt, int e) {
    if (t.extent(1) < 6) return false;
    const double* p = t.at(1, isp, npt, e);
    if (!p) return false;
    std::copy_n(p, 6, out);
    return true;
}

// The section-point work of the criteria path: the element index, the ply stress at the point
// and, at an interface, the stresses below and above it.
struct SectionPoint {
    int e = 0;                       // element index (slot 23), <= 0 when not located
    bool kind_known = false;
    int kind = 0;                    // elemkind(e) when known
    std::int64_t isp = 0;            // section-point number in the stress tables, 0 when none
    bool interface = false;
    double lower[6] = {}, upper[6] = {};
};

void locate_section_point(SectionPoint& sp, Slots& s, const Point& pt, int ply, int sec, int ispt, Writes& w) {
    const auto& sd = tvk::sectiondata;
    const auto& ed = tvk::elementdata;
    if (sd.nsectionpoints.present() && s[ps::element] <= 0.0)
        s[ps::element] = position(ed.elemlist, ed.elemlist.extent(1), pt.noel);
    sp.e = index_of(s[ps::element]);
    if (sp.e > 0) {
        if (const int* k = ed.elemkind.at(sp.e)) sp.kind_known = true, sp.kind = *k;
    }
    if (!sd.nsectionpoints.present() || sp.e <= 0) return;
    const int e = sp.e, ke = sp.kind, npt = pt.npt;
    const bool shell = sp.kind_known && ke >= 1 && ke <= 8;
    if (shell && ke != 6 && ke != 7 && sd.tnormalstress.present()) refresh_transverse_stresses(e, npt, sec, w);

    const int* nspp = sd.nsectionpoints.at(e);
    const int nsp = nspp ? *nspp : 0;
    if (nsp < 1) return;  // section points not set up for this element yet
    const int q = nsp / ispt, r = nsp % ispt, nplies = sd.nplies;
    std::int64_t z;
    if (q == 1 && r == 0) {
        z = 2LL * ply + 1;
        sp.interface = ply != nplies;
    } else if (ispt == 1 && q != 1) {
        z = 2LL * ply - 1;
    } else {
        z = 2LL * ply;
    }
    sp.isp = static_cast<std::int64_t>(std::max(pt.layer, 1) - 1) * nsp + ispt;
    const std::int64_t il = static_cast<std::int64_t>(ply) * nsp - nsp / 2;
    const std::int64_t iu = static_cast<std::int64_t>(ply + 1LL) * nsp - nsp / 2;

    // A section point or integration point beyond the stress table has no stress to take.
    if (sd.sestress.present() && !(sd.sestress.extent(1) >= 6 && sd.sestress.in_bounds(1, sp.isp, npt, e))) {
        sp.isp = 0;
        sp.interface = false;
        return;
    }
    double p[6] = {};
    read_six(p, sd.sestress, sp.isp, npt, e);
    if (sp.interface) {
        read_six(sp.lower, sd.sestress, il, npt, e);
        read_six(sp.upper, sd.sestress, iu, npt, e);
    }
    const auto& tn = sd.tnormalstress;
    if (shell && tn.extent(2) >= e && tn.extent(1) >= 1) {
        const double* col = tn.at(1, e);
        if (!all_zero(col, tn.extent(1))) {
            if (const double* v = tn.at(z, e)) p[2] = *v;
            if (sp.interface) {
                if (const double* v = tn.at(2LL * ply, e)) sp.lower[2] = *v;
                if (const double* v = tn.at(2LL * ply + 2, e)) sp.upper[2] = *v;
            }
        }
    }
    const auto& ts = sd.tshearstress;
    if (shell && ts.extent(1) >= 1 && ts.extent(2) >= 2 && ts.in_bounds(1, 2, npt, e)) {
        // Shear 13 (Nye component 5) is the table's second component, shear 23 (6) its first.
        for (const auto& [comp, nye] : {std::pair{2, 4}, std::pair{1, 5}}) {
            if (all_zero(ts.at(1, comp, npt, e), ts.extent(1))) continue;
            if (const double* v = ts.at(sp.isp, comp, npt, e)) p[nye] = *v;
            if (sp.interface) {
                if (const double* v = ts.at(il, comp, npt, e)) sp.lower[nye] = *v;
                if (const double* v = ts.at(iu, comp, npt, e)) sp.upper[nye] = *v;
            }
        }
    }
    if (!all_zero(p, 6)) std::copy_n(p, 6, s.at(ps::stress.first));
}

// Element lengths of a solid or solid-shell element from its corner nodes, when they are unset or
// the point's length differs from the solver's; held back in w.
void solid_lengths(const SectionPoint& sp, Slots& s, const Point& pt, Writes& w) {
    if (!sp.kind_known || (sp.kind != 10 && sp.kind != 11) || sp.e <= 0) return;
    auto& el = tvk::elementdata.elemlength;
    const auto& nc = tvk::nodaldata.nodalcoords;
    double* len = el.extent(1) >= 3 ? el.at(1, sp.e) : nullptr;
    const double* nodes = nc.extent(1) == 3 && nc.extent(2) >= 8 ? nc.at(1, 1, sp.e) : nullptr;
    if (!len || !nodes) return;
    const bool unset = len[0] == -1.0 && len[1] == -1.0 && len[2] == -1.0 &&
                       std::all_of(len, len + el.extent(1), [](double v) { return v == -1.0; });
    if (unset || s[ps::length] != pt.celent) {
        GetHex8ElemLength(w.lengths, pt.tdirect, nodes);
        w.lengths_at = len;
        for (int i = 0; i < 3; ++i) w.check(w.lengths[i], len[i]);
    }
}

// Magnitudes of the traction (normal, shear, shear) of the Voigt tensor v on face 2 of the frame
// turned by phi about the fibres, which bound the rounding of its computed value: each component's
// sum of the magnitudes of the terms it is made of, and its rate of change with the angle times
// |phi|, since phi itself is rounded (the user's plane 0 is stored as the double nearest pi/2). The
// fibre component v11 is no term of it (the turn about the fibres leaves it out exactly), and a
// component enters with the weight it has on the plane: a vast stress or strain that the plane
// does not carry does not make its traction a rounding error.
void traction_magnitudes(double* b, const double* v, double phi) {
    const double c = std::abs(std::cos(phi)), sn = std::abs(std::sin(phi)), turn = std::abs(phi);
    const double a22 = std::abs(v[1]), a33 = std::abs(v[2]), a23 = std::abs(v[3]), a13 = std::abs(v[4]),
                 a12 = std::abs(v[5]);
    // The traction's rates with the angle: d/dphi of the normal and of the 23 shear are bounded by
    // |v22 - v33| + 2 |v23|, that of the 12 shear by |v12| + |v13|.
    const double in_plane = std::abs(v[1] - v[2]) + 2.0 * a23, across = a12 + a13;
    b[0] = c * c * a22 + 2.0 * c * sn * a23 + sn * sn * a33 + turn * in_plane;
    b[1] = c * a12 + sn * a13 + turn * across;
    b[2] = c * sn * (a22 + a33) + (c * c + sn * sn) * a23 + turn * in_plane;
}

// The crack-plane law on the stress and strain sv, ev (Voigt, tensor shears) over the lengths len.
// The law freezes its onset (strain, stress, toughness, final strain) at its first reading. A plane
// that carries no traction there, its stress or strain traction within the rounding of the terms
// it is made of (a plane the user gave, normal to a load that lies in it), would freeze an onset of
// 0: no strength and a final strain of the toughness over a rounding error, or a law that drops to
// full damage at once. The crack waits instead (waits is set), unset and undamaged, until its plane
// carries traction; an onset that is not finite is stored, and refuses the point.
double crack_law(double* sdv, const double* sv, const double* ev, const double* len, const double* props,
                 bool& waits) {
    static constexpr int mode = crack_plane_mode, nsdv = ps::crack_state.count, nprops = crack_plane_props;
    double d = 0.0;
    if (!std::all_of(sdv, sdv + nsdv, [](double v) { return v == ps::unset; })) {
        BogenfeldDegradation(&d, sdv, sv, ev, len, props, &mode, &nsdv, &nprops);
        return d;
    }
    double onset[nsdv];
    std::fill_n(onset, nsdv, ps::unset);
    BogenfeldDegradation(&d, onset, sv, ev, len, props, &mode, &nsdv, &nprops);
    static constexpr double rounding = 64.0 * std::numeric_limits<double>::epsilon();
    const double phi = props[0];
    double bs[3], be[3], te[3];
    traction_magnitudes(bs, sv, phi);
    traction_magnitudes(be, ev, phi);
    // The law cuts off a closing normal strain: one that closes beyond its rounding is exactly 0
    // and adds no rounding; the strain traction's shears are the tensor shears doubled.
    static constexpr double xaxis[3] = {1.0, 0.0, 0.0};
    static constexpr int face = 2;
    GetTVectorFromArbitraryRotation(te, &phi, xaxis, &ev[0], &ev[1], &ev[2], &ev[5], &ev[4], &ev[3], &face);
    const double en = te[0] < -rounding * be[0] ? 0.0 : be[0];
    const double smag = std::max({bs[0], bs[1], bs[2]}), emag = std::max({en, 2.0 * be[1], 2.0 * be[2]});
    const bool finite = std::isfinite(d) && std::all_of(onset, onset + nsdv, [](double v) { return std::isfinite(v); });
    if (finite && std::isfinite(smag) && std::isfinite(emag) &&
        !(onset[0] > rounding * emag && onset[1] > rounding * smag)) {
        waits = true;
        return 0.0;
    }
    std::copy_n(onset, nsdv, sdv);
    return d;
}

// Crack-plane damage of the matrix crack at the point: from the section-point stress and strain
// tables with the element's lengths (those this evaluation computed, when it did), else from the
// explicit-path record; 0 when neither exists.
double crack_plane_damage(Slots& s, const SectionPoint& sp, const Point& pt, const double* table,
                          const double* fracture, Writes& w) {
    const auto& sd = tvk::sectiondata;
    const auto& el = tvk::elementdata.elemlength;
    double props[crack_plane_props];
    props[0] = s[ps::angle_xz];
    std::copy_n(fracture, cols::pfprops::crack_plane_count, props + 1);
    if (sd.sestrain.present() && el.present()) {
        double snye[6], enye[6], sv[6], ev[6];
        const double* len = el.extent(1) >= 3 && sp.e > 0 ? el.at(1, sp.e) : nullptr;
        if (len && len == w.lengths_at) len = w.lengths;
        if (sp.isp > 0 && len && read_six(snye, sd.sestress, sp.isp, pt.npt, sp.e) &&
            read_six(enye, sd.sestrain, sp.isp, pt.npt, sp.e)) {
            swap_voigt_nye(sv, snye);
            swap_voigt_nye(ev, enye);
            return crack_law(s.at(ps::crack_state.first), sv, ev, len, props, w.crack_waits);
        }
    }
    if (table)
        return crack_law(s.at(ps::crack_state.first), table + pt::stress.first - 1, table + pt::strain.first - 1,
                         table + pt::lengths.first - 1, props, w.crack_waits);
    return 0.0;
}

// The sensor records as the point's contact search updates them, kept on the thread for the next
// call: a series of calls allocates only while the impactors grow in number.
thread_local std::vector<double> kept_records;

// The element orientation of the first increment (first integration point of each element).
void record_orientation(const Point& pt, int ply, int sec, int ispt) {
    const auto& po = tvk::sectiondata.plyorientation;
    const int list = 1, noel = pt.noel, nextid = tvk::solver::step_kind(2), np = po.extent(1), ns = po.extent(2);
    int status = 0;
    static constexpr double no_orientation = 0.0;
    GetElementRefOrientation(&status, &list, pt.t, pt.tdirect, po.present() ? po.data() : &no_orientation, &noel,
                             &ispt, &ply, &sec, &np, &ns, &nextid);
}

}  // namespace

namespace tvk::solver::field {

int explicit_increment(double steptime, double dt) {
    if (!(dt > 0.0) || !std::isfinite(dt) || !std::isfinite(steptime)) return 0;
    const double k = std::ceil(steptime / dt - 2.220446049250313e-16);
    if (!(k < static_cast<double>(INT_MAX))) return INT_MAX;
    if (!(k > static_cast<double>(INT_MIN))) return INT_MIN;
    return static_cast<int>(k);
}

void evaluate(const Point& pt) {
    const double* table = table_present(pt.table) ? pt.table : nullptr;
    const int base = ps::block_start(pt.nstatv);
    if (base < 0) return;
    Slots s;
    for (int k = 1; k <= ps::size; ++k) s[k] = pt.statev[base + k - 1];
    if (table) swap_voigt_nye(s.at(ps::stress.first), table + pt::stress.first - 1);
    Writes w;

    auto& sd = tvk::sectiondata;
    auto& md = tvk::materialdata;
    const int nplies = std::max(sd.nplies, 1);

    // First-call rules.
    if (index_of(s[ps::ply]) == 0 || index_of(s[ps::section]) == 0) {
        int ply = std::max(std::min(pt.layer, sd.nplies), 1);
        int sec = 1;
        const std::string_view name = trimmed(pt.cmname);
        const int ptag = name_tag(name, 'l');
        if (ptag > 0) ply = std::min(std::max(ply, ptag), nplies);
        const int stag = name_tag(name, 's');
        if (stag > 0) {
            const int at = position(sd.secidlist, sd.nsec, stag);
            if (at > 0) sec = at;
        }
        s[ps::ply] = ply;
        s[ps::section] = sec;
    }
    // Field variables 1 to nfield are all written (0 unless set below) when there are at least 5.
    const bool write_fields = pt.nfield >= pf::flags_last;
    if (write_fields) {
        const bool crack_fields = pt.nfield >= pf::crack_damage;
        bool any_zero = false;
        for (int k = 0; k < ps::crack_state.count; ++k) any_zero = any_zero || s[ps::crack_state[k]] == 0.0;
        if (any_zero && crack_fields)
            for (int k = 0; k < ps::crack_state.count; ++k) s[ps::crack_state[k]] = ps::unset;
    }
    if (s[ps::angle_xy] == 0.0 && s[ps::angle_xz] == 0.0) s[ps::angle_xy] = s[ps::angle_xz] = ps::unset;
    if (s[ps::length] == 0.0) s[ps::length] = pt.celent;
    if (s[ps::residual] == 0.0 && s[ps::fibre_residual] == 0.0 && s[ps::matrix_residual] == 0.0)
        s[ps::residual] = s[ps::fibre_residual] = s[ps::matrix_residual] = 1.0;

    const int ply = index_of(s[ps::ply]), sec = index_of(s[ps::section]);
    const int ispt = pt.kspt > 0 ? pt.kspt : 1;
    const int kind = step_kind(pt.kstep);
    const Gate g = gate(pt.kstep, kind, pt.kinc, pt.npt);

    // First increment of the analysis: the sensor records (updated in a copy) and the element
    // orientation, both written once the point is known to be usable.
    if (pt.kstep == 1 && pt.kinc == 1) {
        auto& dp = tvk::loaddata.dprops;
        if (ply == 1 && dp.present() && dp.extent(1) == 12) {
            const int nimp = std::min(tvk::loaddata.nimp, dp.extent(2)), noel = pt.noel;
            if (nimp > 0) {
                std::vector<double>& records = kept_records;
                records.assign(dp.data(), dp.data() + 12 * static_cast<std::ptrdiff_t>(nimp));
                ContactArea(records.data(), pt.coord, &noel, &nimp, table ? table + pt::lengths.first - 1 : nullptr);
                for (std::size_t i = 0; i < records.size(); ++i) w.check(records[i], dp.data()[i]);
                w.contact = true;
            }
        }
        if (pt.npt == 1 && (tvk::elementdata.nelem == 0 || step_kind(1) == TVK_INITIALIZATION)) {
            w.orientation = true;
            // The record of the element's first ply, as the orientation routine computes it.
            const auto& po = sd.plyorientation;
            const int np = po.extent(1), ns = po.extent(2);
            if (ply == 1) {
                const bool listed = sec >= 1 && sec <= ns && np >= 1;
                const double ref = listed ? po.data()[static_cast<std::ptrdiff_t>(np) * (sec - 1)] : 0.0;
                double record[7];
                tvk::elements::reference_record(record, pt.tdirect, ref);
                for (double v : record) w.usable = w.usable && std::isfinite(v);
            }
        }
    }

    if (g.registration && tvk::elementdata.nelem > 0) {
        const auto& el = tvk::elementdata.elemlist;
        const int p = position(el, el.extent(1), pt.noel);
        if (int* n = p > 0 ? sd.nsectionpoints.at(p) : nullptr) {
            w.count = n, w.count_was = *n;
            *n = std::max(*n, ispt);
        }
    }

    if (g.lookup) GetDamageFromDDS(s.at(ps::flags.first), pt.coord, pt.tdirect, &ply, &sec);

    SectionPoint sp;
    sp.e = index_of(s[ps::element]);
    if (g.criteria) {
        locate_section_point(sp, s, pt, ply, sec, ispt, w);

        const tvk::dispatch::PlyTables t = tvk::dispatch::model_tables();
        const double* stress = s.at(ps::stress.first);
        double f[ps::nmodes] = {}, r[ps::nmodes] = {};
        const auto flag = [&](int m) { return mode_flag(md.pfflags, m, ply, sec); };
        tvk::dispatch::general_failure(f[ps::general], r[ps::general], stress, t, ply, sec,
                                       flag(cols::modes::general));
        tvk::dispatch::fibre_breakage(f[ps::fibre], r[ps::fibre], stress, t, ply, sec, flag(cols::modes::fibre));
        double angle = ps::unset;
        tvk::dispatch::matrix_cracking(f[ps::matrix], r[ps::matrix], stress, t, ply, sec, flag(cols::modes::matrix),
                                       &angle);
        tvk::dispatch::core_crushing(f[ps::core], r[ps::core], stress, t, ply, sec, flag(cols::modes::core));
        if (sp.interface)
            tvk::dispatch::delamination_onset(f[ps::delamination], r[ps::delamination], s[ps::stress.first + 2],
                                              sp.lower, sp.upper, t, ply, sec, flag(cols::modes::delamination));

        // A non-finite exposure, which its dispatcher has reported at level -3, refuses the point.
        for (int m = 0; m < ps::nmodes; ++m) {
            s[ps::flags[m]] = std::max(f[m], s[ps::flags[m]]);
            s[ps::exposures[m]] = r[m];
            w.usable = w.usable && std::isfinite(r[m]);
        }
        s[ps::buckling_flag] = std::max(0.0, s[ps::buckling_flag]);
        if (s[ps::angle_xy] == ps::unset && s[ps::angle_xz] == ps::unset && s[ps::matrix_flag] == 1.0 &&
            angle != ps::unset) {
            s[ps::angle_xy] = angle;
            static constexpr int clockwise = 1;
            GetPhiMeasuredFromXZPlane(s.at(ps::angle_xz), s.at(ps::angle_xy), &clockwise);
        }
        s[ps::failure_code] = ps::failure_code_fibre * s[ps::fibre_flag] + ps::failure_code_matrix * s[ps::matrix_flag] +
                              ps::failure_code_delamination * s[ps::delamination_flag];
        if (table) s[ps::length] = table[pt::lengths.first - 1];
        solid_lengths(sp, s, pt, w);

        const auto caps = caps_of(ply, sec);
        const double matrix_cap = caps[cols::pelimits::matrix - 1];
        double d = 0.0;
        if (write_fields) {
            for (int m = 0; m < ps::nmodes; ++m)
                w.field[pf::flags_first - 1 + m] = mode_flag(md.peflags, m + 1, ply, sec) == 0 ? 0.0 : s[ps::flags[m]];
            const cols::PlyColumns<double> pfp(md.pfprops);
            const double* fracture =
                pfp.column_if(cols::pfprops::crack_plane_first + cols::pfprops::crack_plane_count - 1, ply, sec);
            if (pt.nfield >= pf::crack_damage && mode_flag(md.peflags, cols::modes::matrix, ply, sec) == 2 && fracture) {
                if (s[ps::angle_xz] != ps::unset) {
                    d = crack_plane_damage(s, sp, pt, table, fracture + cols::pfprops::crack_plane_first - 1, w);
                    w.field[pf::crack_angle - 1] = s[ps::angle_xz] / tvk::pi;
                    w.field[pf::crack_damage - 1] =
                        std::max(clamp_damage(d, matrix_cap), w.field[pf::crack_damage - 1]);
                } else if (s[ps::matrix_flag] == 1.0) {
                    // The matrix failed, but its criterion gave no plane to crack on (a closed form
                    // without a plane in the ply's parameters): reported, not skipped silently.
                    w.no_plane = tvk::dispatch::matrix_criterion(flag(cols::modes::matrix));
                }
            }
        }
        // Residual factors: the ply and fibre factors have no damage model here and only stay
        // at or below 1; the matrix factor follows the crack-plane damage.
        s[ps::residual] = std::min(s[ps::residual], 1.0);
        s[ps::fibre_residual] = std::min(s[ps::fibre_residual], 1.0);
        s[ps::matrix_residual] = std::min(s[ps::matrix_residual], 1.0 - clamp_damage(d, matrix_cap));
    }

    // The damage-set update, checked on the plane coordinates it would record.
    static constexpr double origin[3] = {0.0, 0.0, 0.0};
    if (g.update) {
        bool failed = false;
        for (int m = 0; m < ps::nmodes; ++m) failed = failed || s[ps::flags[m]] >= 1.0;
        if (failed) {
            w.update = true;
            if (const double* phi = sd.plyorientation.at(ply, sec)) {
                double xy[2];
                tvk::dds::recorded_point(xy, pt.coord, origin, pt.tdirect, *phi, recorded_set);
                w.usable = w.usable && std::isfinite(xy[0]) && std::isfinite(xy[1]);
            }
        }
    }

    // The explicit path stores the start-of-increment stress at its section point, where the next
    // increment's criteria read it.
    const int e = index_of(s[ps::element]);
    if (table && sd.sestress.present() && e > 0) {
        std::int64_t j = 1;
        if (sd.nsectionpoints.present()) {
            const int* nsp = sd.nsectionpoints.at(e);
            j = nsp && *nsp >= 1 ? static_cast<std::int64_t>(std::max(pt.layer, 1) - 1) * *nsp + ispt : 0;
        }
        w.stress_at = sd.sestress.extent(1) >= 6 ? sd.sestress.at(1, j, pt.npt, e) : nullptr;
        if (w.stress_at) {
            swap_voigt_nye(w.stress, table + pt::stress.first - 1);
            for (int i = 0; i < 6; ++i) w.check(w.stress[i], w.stress_at[i]);
        }
    }

    if (!conv::all_finite(s.at(1), ps::size))
        for (int k = 1; k <= ps::size; ++k) w.check(s[k], pt.statev[base + k - 1]);
    if (write_fields && !conv::all_finite(w.field, std::min(pt.nfield, pf::used))) w.usable = false;
    if (!w.usable) {
        w.put_back();
        tvk::report_refused_point(tvk::compose(pt.routine, ": non-finite input or result; point not evaluated"),
                                  pt.noel, pt.npt);
        return;
    }

    // The point is usable: its writes, in the order the evaluation makes them.
    if (w.contact) std::copy(kept_records.begin(), kept_records.end(), tvk::loaddata.dprops.data());
    if (w.orientation) record_orientation(pt, ply, sec, ispt);
    if (w.lengths_at) std::copy_n(w.lengths, 3, w.lengths_at);
    if (w.update) {
        int status = 0;
        static constexpr int set = recorded_set;
        UpdateDDS(&status, s.at(ps::flags.first), pt.coord, origin, pt.tdirect, &ply, &sec, &set);
    }
    for (int k = 1; k <= ps::size; ++k) pt.statev[base + k - 1] = s[k];
    if (write_fields)
        for (int k = 0; k < pt.nfield; ++k) pt.field[k] = k < pf::used ? w.field[k] : 0.0;
    if (w.stress_at) std::copy_n(w.stress, 6, w.stress_at);
    if (w.no_plane)
        tvk::report(-2, tvk::compose(pt.routine, std::string(": no crack plane from ") + w.no_plane + ", crack damage skipped"),
                    pt.noel, pt.npt);
    // A crack on a plane that carries no traction waits, and says so at each reading that leaves it
    // waiting: its onset will be the traction of the first reading that loads the plane.
    if (w.crack_waits)
        tvk::report(-2, tvk::compose(pt.routine, ": crack plane carries no traction, crack waits"), pt.noel, pt.npt);
}

}  // namespace tvk::solver::field

void gen_damage(double* field, double* statev, const double* tdirect, const double* t, const double* celent,
                const double* /*time*/, const double* /*dtime*/, const char* cmname, const int* nfield,
                const int* nstatv, const int* noel, const int* npt, const int* layer, const int* kspt,
                const int* kstep, const int* kinc, const double* coord, const double* table, std::size_t lcmname) {
    tvk::solver::field::Point p;
    p.field = {field, 1};
    p.statev = {statev, 1};
    p.nfield = *nfield;
    p.nstatv = *nstatv;
    p.tdirect = tdirect;
    p.t = t;
    p.celent = *celent;
    p.cmname = std::string_view(cmname, lcmname);
    p.noel = *noel;
    p.npt = *npt;
    p.layer = *layer;
    p.kspt = *kspt;
    p.kstep = *kstep;
    p.kinc = *kinc;
    p.coord = coord;
    p.table = table;
    tvk::solver::field::evaluate(p);
}

namespace {

void usdfld_law(const tvk::solver::Usdfld& a) {
    Point p;
    p.routine = "usdfld_dmg";
    p.field = {a.field.data(), 1};
    p.statev = {a.statev.data(), 1};
    p.nfield = a.nfield;
    p.nstatv = a.nstatv;
    p.tdirect = a.tdirect.data();
    p.t = a.t.data();
    p.celent = a.celent;
    p.cmname = a.cmname;
    p.noel = a.noel;
    p.npt = a.npt;
    p.layer = a.layer;
    p.kspt = a.kspt;
    p.kstep = a.kstep;
    p.kinc = a.kinc;
    p.coord = a.coord.data();
    tvk::solver::field::evaluate(p);
}

// A stress or strain row of the explicit block (ndir direct components, then nshr shears in the
// order 12, 23, 13) as a Voigt vector; components the row does not carry are 0.
void voigt_row(double* voigt, const tvk::solver::View<const double, 2>& rows, int k, int ndir, int nshr) {
    double cyc[6] = {};
    if (ndir >= 0 && nshr >= 0) {
        const int n = rows.extent(1);
        for (int i = 0; i < std::min(ndir, 3) && i < n; ++i) cyc[i] = rows(k, i);
        for (int j = 0; j < std::min(nshr, 3) && ndir + j < n; ++j) cyc[3 + j] = rows(k, ndir + j);
    }
    cyclic_to_voigt(voigt, cyc);
}

void vusdfld_law(const tvk::solver::Vusdfld& a) {
    const int kinc = tvk::solver::field::explicit_increment(a.steptime, a.dt);
    const int nb = a.nblock, ns = a.nstatev;
    if (nb <= 0 || ns <= 0) return;
    std::copy_n(a.stateold.data(), static_cast<std::size_t>(nb) * static_cast<std::size_t>(ns), a.statenew.data());
    for (int k = 0; k < nb; ++k) {
        double tdirect[9], t[9], coord[3], table[pt::size];
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                tdirect[i + 3 * j] = a.tdirect(k, i, j);
                t[i + 3 * j] = a.t(k, i, j);
            }
        for (int i = 0; i < 3; ++i) coord[i] = a.coordmp(k, i);
        table[pt::temperature - 1] = a.temp[k];
        voigt_row(table + pt::stress.first - 1, a.stressold, k, a.ndir, a.nshr);
        voigt_row(table + pt::strain.first - 1, a.strainold, k, a.ndir, a.nshr);
        for (int i = 0; i < pt::lengths.count; ++i) table[pt::lengths.first - 1 + i] = a.charlength(k, i);

        Point p;
        p.routine = "vusdfld_dmg";
        p.field = {a.field.data() + k, nb};
        p.statev = {a.statenew.data() + k, nb};
        p.nfield = a.nfieldv;
        p.nstatv = ns;
        p.tdirect = tdirect;
        p.t = t;
        p.celent = a.charlength(k, 0);
        p.cmname = a.cmname;
        p.noel = a.jelem[k];
        p.npt = a.kintpt;
        p.layer = a.klayer;
        p.kspt = a.ksecpt;
        p.kstep = a.kstep;
        p.kinc = kinc;
        p.coord = coord;
        p.table = table;
        tvk::solver::field::evaluate(p);
    }
}

}  // namespace

TVK_SOLVER_ENTRY(Usdfld, usdfld_dmg, usdfld_law)
TVK_SOLVER_ENTRY(Vusdfld, vusdfld_dmg, vusdfld_law)
