// Damage data sets: recording damage extents and reading them back onto material points.
#include "damage_datasets.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/datahandling.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/scratch.h"
#include "core/search.h"
#include "core/shapes.h"
#include "core/tensor.h"
#include "sublaminate.h"

namespace {

using tvk::Table;
using tvk::damagedata;

constexpr int delamination_mode = 4;

// Ply axes (3 x 3, columns) of refcos turned about its third column by angle_d; the third
// column is the cross product of the turned ones (cross) or refcos's own.
void ply_axes(double* axes, const double* refcos, double angle_d, bool cross) {
    const double* n = refcos + 6;
    CoordinateRotation(n, refcos, axes, &angle_d);
    CoordinateRotation(n, refcos + 3, axes + 3, &angle_d);
    if (cross) {
        const double* p = axes;
        const double* q = axes + 3;
        axes[6] = p[1] * q[2] - p[2] * q[1];
        axes[7] = p[2] * q[0] - p[0] * q[2];
        axes[8] = p[0] * q[1] - p[1] * q[0];
    } else {
        std::copy(n, n + 3, axes + 6);
    }
}

// half = max(|xy|, half) entry by entry; a NaN coordinate leaves the extent alone.
void widen(double* half, const double* xy) {
    for (int i = 0; i < 2; ++i)
        if (std::fabs(xy[i]) > half[i]) half[i] = std::fabs(xy[i]);
}

// The rounding that a plane coordinate of `point`, measured from `origin`, carries: 64 eps of the
// magnitudes it is computed from, the point's and the origin's coordinates (the offset, its
// projection and the turns each round relative to them, and a point placed on a set's axis by
// the caller carries the rounding of its own coordinates). Summed term by term so that it
// cannot overflow; not finite only for a point or origin that is not finite.
double coordinate_rounding(const double* point, const double* origin) {
    constexpr double c = 64.0 * std::numeric_limits<double>::epsilon();
    double r = 0.0;
    for (int i = 0; i < 3; ++i) r += c * std::fabs(point[i]) + c * std::fabs(origin[i]);
    return r;
}

// Whether the plane point (x, y) lies inside or on the ellipse of half-extents a, b. `rounding` is
// the rounding of the point's plane coordinates (coordinate_rounding). An extent within the
// rounding of the recorded coordinates, which lie within the extents of the origin (that rounding
// plus 64 eps of a + b), is a zero extent: the damage was recorded from points on the set's other
// axis only (one point on an axis sets its cross extent to the rounding of its turned
// coordinates, 3 cos 90 deg = 1.8e-16 for (3, 0, 0) in a 90-degree ply). The points of that axis
// within the other extent are inside, each coordinate compared to its extent to that rounding
// (the zero-numerator rule of y/b). Two extents that are both exactly 0 are a set with no damage
// recorded: nothing is inside. Extents that are neither: the ellipse test of
// ProjectedPointInShape, bit for bit.
bool within_extent(const double* xy, double a, double b, double rounding) {
    constexpr double c = 64.0 * std::numeric_limits<double>::epsilon();
    if (a == 0.0 && b == 0.0) return false;
    const double ha = std::fabs(a), hb = std::fabs(b);
    // An infinite extent (damage along the whole axis) adds no rounding: the other extent is
    // judged on its own, and two that are not within it take the ellipse test.
    auto part = [&](double h) { return std::isinf(h) ? 0.0 : c * h; };
    const double tol = rounding + (part(ha) + part(hb));
    if (!(ha <= tol) && !(hb <= tol)) {
        const double e = Ellipse(&xy[0], &xy[1], &a, &b, nullptr);
        return e >= 0.0 && e <= 1.0;
    }
    if (!std::isfinite(tol)) return false;
    // Within the extent to the rounding: the degenerate extent counts as 0, the other one keeps its
    // length (the recording point lies at its end, up to the rounding of the turns).
    return std::fabs(xy[0]) <= (ha <= tol ? tol : ha + tol) && std::fabs(xy[1]) <= (hb <= tol ? tol : hb + tol);
}

// The frame of damage set d in the plane: its origin, dmgplane(1:3, d), an entry that is not set
// (-huge: a set without a position) read as 0; and its angle, the last dmgplane entry before the
// first -huge, 0 when fewer than four entries are set (only an origin, or not even that). Where
// dmgplane does not hold the set's origin, the frame is `fallback` with angle 0.
struct SetFrame {
    double origin[3];
    double angle;
};
SetFrame set_frame(int d, const double* fallback) {
    const auto& plane = damagedata.dmgplane;
    if (!plane.in_bounds(3, d)) return {{fallback[0], fallback[1], fallback[2]}, 0.0};
    const int n = static_cast<int>(plane.extent(1));
    const double* col = plane.at(1, d);
    SetFrame f{};
    for (int i = 0; i < 3; ++i) f.origin[i] = col[i] == -tvk::huge ? 0.0 : col[i];
    const int set = tvk::find_location(-tvk::huge, col, n, n + 1) - 1;
    f.angle = set < 4 ? 0.0 : col[set - 1];
    return f;
}

// The four ply-indexed mode tables in the order of the failed flags, delamination left out.
struct ModeTables {
    Table<double, 3>* t[4];
    int mode[4];
};
ModeTables ply_tables() {
    auto& d = damagedata;
    return {{&d.generaldds, &d.fiberdds, &d.matrixdds, &d.coredds}, {1, 2, 3, 5}};
}

void out_of_range(const char* who, int i1, int i2) {
    tvk::report(-3, std::string("Error: ply, section or damage set outside the tables in ") + who, i1, i2);
}

// Whether the tables the buckling records need fit together: the records (4 | 12, nrec, nd, ns)
// with nrec = max(nplies - 1, 1), and the section tables of nplies slots for ns sections.
bool buckling_tables_fit(int nplies, int isec, int ndmg) {
    const auto& bi = tvk::bukdata.bukintdatalist;
    const auto& br = tvk::bukdata.bukrealdatalist;
    const auto& sd = tvk::sectiondata;
    const auto& md = tvk::materialdata;
    const int nrec = std::max(nplies - 1, 1);
    const int nd = bi.extent(3), ns = bi.extent(4);
    return bi.present() && br.present() && bi.extent(1) == 4 && br.extent(1) == 12 && bi.extent(2) == nrec &&
           br.extent(2) == nrec && br.extent(3) == nd && br.extent(4) == ns && nd >= ndmg && isec <= ns &&
           damagedata.delamdds.extent(3) >= nd && sd.plyorientation.extent(2) >= ns &&
           sd.plythickness.extent(1) == nplies && sd.plythickness.extent(2) >= ns && sd.xcstrength.extent(1) >= ns &&
           md.matidlist.extent(1) == nplies && md.matidlist.extent(2) >= ns && md.peprops.extent(1) >= tvk::columns::peprops::nye &&
           md.peprops.extent(2) == nplies && md.peprops.extent(3) >= ns;
}

// Fills the buckling records from the delamination data sets, the delamination angles taken
// from the ply angles of section isec.
void fill_buckling_records(int nplies, int isec) {
    auto& dl = damagedata.delamdds;
    const auto& sd = tvk::sectiondata;
    const auto& md = tvk::materialdata;
    auto& bi = tvk::bukdata.bukintdatalist;
    auto& br = tvk::bukdata.bukrealdatalist;
    const int nd = bi.extent(3), ns = bi.extent(4);
    for (int j = 1; j <= nd; ++j)
        for (int k = 1; k <= nplies - 1; ++k) *dl.at(3, k, j) = *sd.plyorientation.at(k, isec);
    tvk::sublaminate::fill_records(
        br.data(), bi.data(),
        {dl.data(), dl.extent(2), nullptr, 0, sd.xcstrength.data(), md.peprops.data(), md.peprops.extent(1),
         sd.plyorientation.data(), sd.plythickness.data(), md.matidlist.data(), nd, nplies, ns, tvk::defint});
}

}  // namespace

void getextentofprojecteddamage(double* halfaxis, const double* gpcoords, const double* refcoords,
                                const double* refcos, const double* theta, const double* mdmg) {
    if (!(*mdmg >= 1.0)) return;
    double xy[2];
    GetPointOnXYPlane(xy, gpcoords, refcoords, refcos, theta);
    widen(halfaxis, xy);
}

namespace tvk::dds {

void recorded_point(double* xy, const double* gpcoords, const double* refcoords, const double* refcos,
                    double plyangle, int idmg) {
    double axes[9];
    ply_axes(axes, refcos, plyangle, true);
    const SetFrame f = set_frame(idmg, refcoords);
    GetPointOnXYPlane(xy, gpcoords, f.origin, axes, &f.angle);
}

}  // namespace tvk::dds

void UpdateDDS(int* ierror, const double* sdv, const double* gpcoords, const double* refcoords,
               const double* refcos, const int* ilay, const int* isec, const int* idmg) {
    *ierror = 0;
    auto& d = damagedata;
    const auto& orient = tvk::sectiondata.plyorientation;
    const int L = *ilay, S = *isec, D = *idmg;
    const double* phi = orient.at(L, S);
    if (!phi || D < 1 || D > std::max(d.ndmg, 1)) {
        out_of_range("UpdateDDS", L, D);
        *ierror = 1;
        return;
    }
    const int nplies = orient.extent(1);
    if (!d.generaldds.present() || !d.fiberdds.present() || !d.matrixdds.present() || !d.coredds.present() ||
        !d.delamdds.present()) {
        const int kp = std::max(tvk::sectiondata.nplies, nplies);
        const int ks = std::max(tvk::sectiondata.nsec, orient.extent(2));
        const int kd = d.ndmg;
        allocatedamagedata(ierror, &kp, &ks, &kd);
    }
    // Every extent this call writes must exist before anything is written.
    Table<double, 3>* const tables[5] = {&d.generaldds, &d.fiberdds, &d.matrixdds, &d.delamdds, &d.coredds};
    double* half[5] = {};
    for (int m = 0; m < 5; ++m) {
        if (m == 3 && L >= nplies) continue;  // the top ply has no interface above it
        if (!tables[m]->in_bounds(2, L, D)) {
            out_of_range("UpdateDDS", L, D);
            *ierror = 1;
            return;
        }
        half[m] = tables[m]->at(1, L, D);
    }
    bool any = false;
    for (int m = 0; m < 5; ++m) any = any || sdv[m] >= 1.0;
    if (!any) return;
    double xy[2];
    tvk::dds::recorded_point(xy, gpcoords, refcoords, refcos, *phi, D);
    for (int m = 0; m < 5; ++m)
        if (half[m] && sdv[m] >= 1.0) widen(half[m], xy);
}

int PointInDamage(const double* point, const double* dmgcos, const double* dmgorigin, const double* dmgangle,
                  const double* plyangle, const double* a, const double* b, const int* modeid, const int* dmgid,
                  const int* layid, const int* skip) {
    if (*skip) return 0;
    // Outline and ellipse lie in the same frame: dmgcos turned by the set's and the ply's angle.
    const double theta = *dmgangle + *plyangle;
    const auto& pts = damagedata.dmgpoints;
    if (pts.present()) {
        const double* col = pts.at(1, *layid, *modeid, *dmgid);
        if (!col) {
            out_of_range("PointInDamage", *layid, *dmgid);
            return 0;
        }
        const int len = pts.extent(1);
        const int pos = tvk::find_location(tvk::huge, col, len, len + 1);
        if (pos >= 7) {
            const int npoly = (pos - 1) / 3;
            tvk::Scratch<double, 128> xy(2 * static_cast<std::size_t>(npoly));
            for (int i = 0; i < npoly; ++i) {
                xy[i] = col[3 * i];
                xy[npoly + i] = col[3 * i + 1];
            }
            return ProjectedPointInPolygon(point, xy.get(), &theta, dmgorigin, dmgcos, &npoly);
        }
    }
    double xy[2];
    GetPointOnXYPlane(xy, point, dmgorigin, dmgcos, &theta);
    return within_extent(xy, *a, *b, coordinate_rounding(point, dmgorigin)) ? 1 : 0;
}

void GetDamageFromDDS(double* sdv, const double* gpcoords, const double* refcos, const int* ilay, const int* isec) {
    auto& d = damagedata;
    const auto& orient = tvk::sectiondata.plyorientation;
    const int L = *ilay, S = *isec, nd = d.ndmg;
    const double* phi = orient.at(L, S);
    if (!phi) {
        out_of_range("GetDamageFromDDS", L, S);
        return;
    }
    if (nd < 1) return;
    const int nplies = orient.extent(1);
    const ModeTables mt = ply_tables();
    // Every table read below must cover this ply and every set. Without dmgplane (a damage card
    // whose sets have no "+Position") every set lies at the origin 0 with angle 0, as a set whose
    // position is not set does.
    bool fits = !d.dmgplane.present() || d.dmgplane.in_bounds(3, nd);
    for (Table<double, 3>* t : mt.t) fits = fits && (!t->present() || t->in_bounds(2, L, nd));
    const auto& dl = d.delamdds;
    const bool delam = dl.present() && nplies >= 2;
    if (delam) fits = fits && dl.extent(1) == 3 && dl.in_bounds(3, nplies - 1, nd);
    if (!fits) {
        out_of_range("GetDamageFromDDS", L, nd);
        return;
    }

    double flag[6] = {sdv[0], sdv[1], sdv[2], sdv[3], sdv[4], sdv[5]};
    double rbuk = sdv[11];
    bool buckling = false;
    if (dl.present()) {
        buckling = delam && buckling_tables_fit(nplies, S, nd);
        if (delam && !buckling)
            tvk::report(-3, "Error: buckling records do not fit the section tables in GetDamageFromDDS", nplies, S);
        if (buckling) {
            const auto& br = tvk::bukdata.bukrealdatalist;
            const double* r = br.data();
            const std::int64_t n = br.size();
            if (std::all_of(r, r + n, [](double v) { return v == 0.0; })) fill_buckling_records(nplies, S);
        }
        sdv[11] = 1.0;
    }

    // The ply axes carry the ply angle; each set turns them by its own angle only.
    double axes[9];
    ply_axes(axes, refcos, *phi, false);
    static constexpr double unturned = 0.0;
    static constexpr double unset[3] = {0.0, 0.0, 0.0};
    const auto bi = tvk::bukdata.bukintdatalist.view();
    const auto br = tvk::bukdata.bukrealdatalist.view();
    static constexpr int no = 0;
    for (int j = 1; j <= nd; ++j) {
        const SetFrame f = set_frame(j, unset);  // fits: dmgplane, where present, holds every set's origin
        // Without outlines every test is the ellipse test of PointInDamage on the same plane
        // coordinates, so they are computed once per set.
        const bool outlines = d.dmgpoints.present();
        double xy[2] = {0.0, 0.0};
        if (!outlines) GetPointOnXYPlane(xy, gpcoords, f.origin, axes, &f.angle);
        const double rounding = coordinate_rounding(gpcoords, f.origin);
        auto inside = [&](const Table<double, 3>& t, int col, int mode) {
            const double* ab = t.at(1, col, j);
            if (!outlines) return within_extent(xy, ab[0], ab[1], rounding);
            return PointInDamage(gpcoords, axes, f.origin, &f.angle, &unturned, ab, ab + 1, &mode, &j, &col, &no) != 0;
        };
        for (int m = 0; m < 3; ++m)
            if (mt.t[m]->present() && inside(*mt.t[m], L, mt.mode[m])) flag[m] = 1.0;
        if (delam) {
            for (int k = 1; k <= nplies - 1; ++k) {
                if (k == L && inside(dl, k, delamination_mode)) flag[3] = 1.0;
                if (!buckling) continue;
                const int ifc = bi(1, k, j, S), first = bi(2, k, j, S), last = bi(3, k, j, S);
                if (first <= L && L <= last && ifc >= 1 && ifc <= nplies - 1 && inside(dl, ifc, delamination_mode)) {
                    flag[5] = 1.0;
                    rbuk = std::min(rbuk, br(2, k, j, S));
                }
            }
        }
        if (mt.t[3]->present() && inside(*mt.t[3], L, 5)) flag[4] = 1.0;
    }
    for (int m = 0; m < 6; ++m) sdv[m] = std::max(sdv[m], flag[m]);
    if (rbuk < sdv[11]) sdv[11] = rbuk;
}
