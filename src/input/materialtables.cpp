// Temperature data of the material card reader: the temperature axis merged from the materials'
// lists, the per-temperature factor table, the resin calibration rows and the cure and thermal
// blocks copied at a material's closer.
//
// A calibration row goes to the position of the temperature its "T=" names on the merged axis, in
// whatever order the lines stand. A temperature that is not on the axis is reported, and its row
// goes where the order of the lines puts it: the material's n-th "+Calibration" line with "T=" (of
// any type) fills row n, wrapped into the axis, unless a line placed by its own T= holds row n (in
// either order of the two lines): then the placed row is kept and the report names its T. Row buffers start at zero, so values a material
// leaves out are 0.0 in the tables; a type the material gives that has no row at one of its own
// temperatures is reported (rows at the temperatures of other materials stay unset silently).
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/search.h"
#include "core/signal.h"
#include "core/units.h"
#include "listread.h"
#include "materialcard.h"

namespace tvk::material_card {

namespace {

// Merges a material's list into the axis: ascending, without repeated values, cut before the
// first largest double.
void merge(std::vector<double>& axis, const std::vector<double>& list) {
    const int nx = static_cast<int>(axis.size()), ny = static_cast<int>(list.size()), n = nx + ny, up = 1;
    if (n < 1) return;
    std::vector<double> merged(static_cast<std::size_t>(n));
    std::vector<int> order(static_cast<std::size_t>(n));
    fGetMerged(merged.data(), axis.data(), list.data(), &nx, &ny, &huge);
    fGetContinuous(merged.data(), &n, order.data(), &up);
    axis.clear();
    for (int k : order) {
        const double t = merged[static_cast<std::size_t>(k - 1)];
        if (t == huge) break;
        if (axis.empty() || axis.back() != t) axis.push_back(t);
    }
}

}  // namespace

void TemperatureMerge::keyword(cards::Cursor& c, std::string_view head, cards::HeldReports& held) {
    if (cards::same_text(head, "++Begin Material")) {
        inside_ = true;
        list_.reset();
    } else if (cards::same_text(head, "++End Material")) {
        if (inside_ && list_) merge(axis_, *list_);
        list_.reset();
        inside_ = false;
    } else if (inside_ && temperature_head(head)) {
        std::vector<double> v;
        held.hold(true);
        const bool read = cards::read_data(c, v);
        held.hold(false);
        if (read) list_ = std::move(v);
    }
}

void TemperatureMerge::finish(State& s) {
    const std::vector<double>& axis = axis_;
    // Without any temperature (no list, or only empty ones) the axis is the single largest double.
    auto& md = materialdata;
    s.ntemp = std::max(static_cast<int>(axis.size()), 1);
    s.nrows = s.ntemp;
    md.temperatures.allocate({s.ntemp});
    if (axis.empty()) *md.temperatures.at(1) = huge;
    else std::copy(axis.begin(), axis.end(), md.temperatures.data());
    md.ntempdata = s.ntemp;
    for (int k = 0; k < ncalibration; ++k)
        md.*calibration_tables[k].rows = std::max(s.sizes.calibration[k] / calibration_tables[k].fields, 1);
}

const std::vector<double>* thermal_factors(const State& s) {
    if (!materialdata.temperatures.present() || !s.factors || !s.thermal_flag) return nullptr;
    const std::size_t need = static_cast<std::size_t>(s.last_elastic + s.last_strength) * static_cast<std::size_t>(s.ntemp);
    return s.factors->size() == need ? &*s.factors : nullptr;
}

namespace {

// The position (1-based) of temperature t on the merged axis, 0 where it is not on it.
int axis_position(double t) {
    const auto& axis = materialdata.temperatures;
    for (int k = 1; k <= axis.extent(1); ++k)
        if (*axis.at(k) == t) return k;
    return 0;
}

// The temperature after the one "T=" of a calibration line's option text, up to a comma; NaN
// where it is not a number.
double option_temperature(std::string_view option) {
    std::string_view text = option.substr(option.find("T=") + 2);
    text = text.substr(0, text.find(','));
    const std::size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    double t = std::nan("");
    if (first == std::string_view::npos || io::parse_real(text.substr(first, last - first + 1), t) != io::ok)
        return std::nan("");
    return t;
}

// "+Calibration <type>", the keyword of a calibration type in its reports.
std::string calibration_keyword(const CalibrationTable& ct) {
    return "+Calibration " + std::string(ct.word.substr(ct.word.find('=') + 1));
}

}  // namespace

void calibration_row(State& s, Block& b, Calibration kind, std::string_view option, std::optional<int> id,
                     std::vector<double>&& values) {
    RowBuffer& buf = b.calibration[kind];
    const CalibrationTable& ct = calibration_tables[kind];
    if (!buf.created()) buf.cols = std::max(s.sizes.calibration[kind], ct.fields * (materialdata.*ct.rows));
    if (buf.rows < s.nrows) {
        buf.rows = s.nrows;
        buf.v.resize(static_cast<std::size_t>(buf.rows) * static_cast<std::size_t>(buf.cols), 0.0);
        buf.written.resize(static_cast<std::size_t>(buf.rows), 0);
    }
    const double temperature = option_temperature(option);
    int r = axis_position(temperature);
    char mark = 2;
    if (r == 0 || r > buf.rows) {
        r = mLimit(&b.counter, &s.nrows);
        mark = 1;
        b.off_axis.push_back({kind, r, temperature});
    }
    ++b.counter;
    char& held = buf.written[static_cast<std::size_t>(r - 1)];
    if (mark == 1 && held == 2) return;  // a row placed by its own T= is never overwritten by order
    held = mark;
    if (values.size() > static_cast<std::size_t>(buf.cols)) s.outside();
    const std::size_t n = std::min(values.size(), static_cast<std::size_t>(buf.cols));
    std::copy_n(values.begin(), n, buf.v.begin() + static_cast<std::ptrdiff_t>((r - 1) * buf.cols));
    buf.top = std::max(buf.top, r);
}

namespace {

// Table(t, j, k) = B(t, f (j - 1) + k): each row of the buffer lists its data rows one after the
// other (pairs, or triples for the plastic flow).
void copy_calibration(State& s, const RowBuffer& buf, const CalibrationTable& ct) {
    const Table<double, 3>& t = materialdata.*ct.table;
    const int count = materialdata.*ct.rows;
    if (buf.top > t.extent(1) || count > t.extent(2) || t.extent(3) < ct.fields) s.outside();
    const int rows = std::min(buf.rows, t.extent(1)), n = std::min(count, t.extent(2));
    if (t.extent(3) < ct.fields) return;
    for (int r = 1; r <= rows; ++r)
        for (int j = 1; j <= n; ++j)
            for (int k = 1; k <= ct.fields; ++k) *t.at(r, j, k) = buf.value(r, ct.fields * (j - 1) + k);
}

// equivalentstress(j, 1:2) = the pair j of the block, for every row of the table.
void copy_equivalent(State& s, const std::vector<double>& v) {
    const auto& t = materialdata.equivalentstress;
    const int rows = t.extent(1);
    if (t.extent(2) < 2 || v.size() > 2 * static_cast<std::size_t>(rows)) s.outside();
    if (t.extent(2) < 2) return;
    for (int j = 1; j <= rows; ++j)
        for (int k = 1; k <= 2; ++k) {
            const std::size_t c = 2 * static_cast<std::size_t>(j - 1) + static_cast<std::size_t>(k - 1);
            *t.at(j, k) = c < v.size() ? v[c] : 0.0;
        }
}

// The eight cure blocks into cuprops(1:n, column, ply, sec) of every slot.
void copy_cure(State& s, const Block& b, const std::vector<std::pair<int, int>>& slots) {
    const auto& t = materialdata.cuprops;
    for (const auto& [ply, sec] : slots)
        for (int c = 1; c <= ncure; ++c) {
            const std::vector<double>& v = *b.cure[static_cast<std::size_t>(c - 1)];
            for (std::size_t k = 0; k < v.size(); ++k) {
                double* p = t.at(static_cast<std::int64_t>(k + 1), c, ply, sec);
                if (!p) {
                    s.outside();
                    break;
                }
                *p = v[k];
            }
        }
}

// True when matidlist holds no material at all (every entry the empty slot).
bool no_material_assigned() {
    const auto& ids = materialdata.matidlist;
    const int* p = ids.data();
    return std::all_of(p, p + ids.size(), [](int id) { return id == defint; });
}

// The calibration lines whose T= is not on the axis, once every line of the block is read: each
// either holds the row of its order or, where a line placed by its own T= took that row, is
// dropped and the report names the temperature of the row kept.
void off_axis_rows(const Block& b, std::optional<int> id) {
    for (const Block::OffAxis& o : b.off_axis) {
        const std::string head = material_warning(calibration_keyword(calibration_tables[o.kind]), id);
        if (b.calibration[o.kind].written[static_cast<std::size_t>(o.row - 1)] == 2)
            report(-2, head + ": T= off the axis; row at T kept.", id.value_or(0), o.row, o.t,
                   *materialdata.temperatures.at(o.row));
        else
            report(-2, head + ": T= not on the axis.", id.value_or(0), o.row, o.t);
    }
}

// A type the material gives without a row at one of its own temperatures: one report per type.
void unset_rows(const Block& b, std::optional<int> id) {
    if (!b.temperatures) return;
    for (int k = 0; k < ncalibration; ++k) {
        const RowBuffer& buf = b.calibration[k];
        if (!buf.created()) continue;
        for (double t : *b.temperatures) {
            const int r = axis_position(t);
            if (r == 0 || r > buf.rows || buf.written[static_cast<std::size_t>(r - 1)]) continue;
            report(-2, material_warning(calibration_keyword(calibration_tables[k]), id) + ": no row at one of its T.",
                   id.value_or(0), r, t);
            break;
        }
    }
}

}  // namespace

void copy_temperature_tables(State& s, Block& b, const std::vector<std::pair<int, int>>& slots,
                             std::optional<int> id) {
    off_axis_rows(b, id);
    unset_rows(b, id);
    // Cure data only from a material that gives all eight blocks; a single-slot model without
    // any assigned material takes it in its one slot.
    if (std::all_of(b.cure.begin(), b.cure.end(), [](const auto& c) { return c.has_value(); })) {
        if (s.nplies == 1 && s.nsec == 1 && materialdata.matidlist.size() > 0 && no_material_assigned()) {
            std::vector<std::pair<int, int>> single(slots);
            single.emplace_back(1, 1);
            copy_cure(s, b, single);
        } else {
            copy_cure(s, b, slots);
        }
    }
    for (int k = 0; k < ncalibration; ++k)
        if (b.calibration[k].created()) copy_calibration(s, b.calibration[k], calibration_tables[k]);
    if (b.equivalent) copy_equivalent(s, *b.equivalent);
}

}  // namespace tvk::material_card
