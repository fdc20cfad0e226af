// Material card reader: the material blocks of the card become per-(ply, section) property tables
// of materialdata, every ply slot whose matidlist entry holds a block's id receiving that block's
// values; the shared temperature, calibration and cure tables are filled alongside
// (materialtables.cpp).
//
// Three passes over the file: sizing (the largest block of every sized keyword), temperatures
// (the merged temperature axis) and values, with the tables created in between when peprops,
// the key table of the block, is absent. Values are copied at each "++End Material"; a block
// whose count of values its table does not take is passed over and recorded as a warning naming
// the keyword, the material and the count. Writes never go beyond the
// extents of the tables as they are (a second analysis may meet tables created for another
// model): such values are dropped and leave one warning per call.
#include <algorithm>
#include <climits>
#include <string>

#include "cards.h"
#include "core/errors.h"
#include "core/signal.h"
#include "core/strings.h"
#include "core/units.h"
#include "iohandling.h"
#include "materialcard.h"
#include "mechanics/lamina.h"

namespace tvk::material_card {

namespace cure = columns::cuprops;

void State::outside() {
    if (warned) return;
    warned = true;
    cards::outside_table(reader);
}

namespace {

using cards::contains_text;
using cards::same_text;

using Slots = std::vector<std::pair<int, int>>;

// Number of case-sensitive "T=" in the option text: a temperature row needs exactly one.
bool one_temperature_mark(std::string_view option) {
    const int cs = 1;
    return tally(option.data(), "T=", &cs, option.size(), 2) == 1;
}

// ---- sizing pass -------------------------------------------------------------------------------

void keep_largest(cards::Cursor& c, int& largest) { largest = std::max(largest, cards::block_size(c)); }

// The sizing pass, with the merge of the temperature lists (TemperatureMerge) walking along.
void sizing_pass(State& s) {
    Sizes& z = s.sizes;
    cards::Cursor& c = *s.cur;
    cards::HeldReports held(c);
    TemperatureMerge temperatures;
    bool inside = false;
    std::string_view rec;
    while (c.read(rec) == io::ok) {
        if (rec.empty() || rec[0] != '+') continue;  // every head begins with "+"
        // A cut keyword record is reported by this pass and again by the temperature merge.
        if (rec.size() > cards::keyword_width && cards::cut_record(c, rec, cards::keyword_width, true))
            held.add(cards::cut_message);
        const auto [head, written] = cards::split_keyword(rec);
        const std::string_view option = cards::tight_option(written, s.option_buf);
        temperatures.keyword(c, head, held);
        if (same_text(head, "++Begin Material")) inside = true;
        else if (same_text(head, "++End Material")) inside = false;
        else if (!inside) continue;
        else if (same_text(head, "+Strength")) keep_largest(c, z.strength);
        else if (same_text(head, "+Calibration")) {
            // Every type word of the option counts ("T=" plays no part here).
            for (int k = 0; k < ncalibration; ++k)
                if (contains_text(option, calibration_tables[k].word)) keep_largest(c, z.calibration[k]);
            if (contains_text(option, "TYPE=EquivalentStress")) keep_largest(c, z.equivalent);
        } else if (same_text(head, "+Elastic")) keep_largest(c, z.elastic);
        else if (same_text(head, "+Hygrothermal")) keep_largest(c, z.hygrothermal);
        else if (same_text(head, "+Fracture")) keep_largest(c, z.fracture);
        else if (same_text(head, "+Failure") && contains_text(option, "TYPE=PROPERTIES")) keep_largest(c, z.properties);
        else if (same_text(head, "+Regularization") && contains_text(option, "TYPE=VISCOUS"))
            keep_largest(c, z.regularization);
        else if (same_text(head, "+Curing") && contains_text(option, "TYPE=RATE")) keep_largest(c, z.rate);
        else if (same_text(head, "+Curing") && contains_text(option, "TYPE=MASTER")) keep_largest(c, z.master);
    }
    c.rewind();
    held.release();
    temperatures.finish(s);
}

// ---- creation ----------------------------------------------------------------------------------

// A table of the block: created with extents e and filled when the block is made anew, or when it
// is missing from a block that is reused; a present table of a reused block is left as it is.
template <class T, int R>
void make(Table<T, R>& t, bool fresh, std::array<std::int64_t, R> e, T fill) {
    if (!fresh && t.present()) return;
    t.allocate(e);
    if (fill != T{}) t.fill(fill);
}

// Creates the tables of the block (fresh: peprops was absent, and any table of the block left
// from an earlier analysis is released and made with this card's extents).
void create_tables(const State& s, bool fresh) {
    auto& md = materialdata;
    const Sizes& z = s.sizes;
    const std::int64_t np = s.nplies, ns = s.nsec, nt = s.ntemp;
    // peprops last: it is the key that says the block exists.
    make(md.pfflags, fresh, {columns::modes::count, np, ns}, 0);
    make(md.peflags, fresh, {columns::modes::count, np, ns}, 0);
    make(md.pelimits, fresh, {columns::pelimits::count, np, ns}, columns::pelimits::unset);
    make(md.psprops, fresh, {z.strength * nt, np, ns}, 0.0);
    make(md.phprops, fresh, {z.hygrothermal, np, ns}, 0.0);
    make(md.pfprops, fresh, {z.fracture, np, ns}, 0.0);
    make(md.pdprops, fresh, {z.properties, np, ns}, huge);
    for (const CalibrationTable& ct : calibration_tables) make(md.*ct.table, fresh, {nt, md.*ct.rows, ct.fields}, 0.0);
    make(md.cuprops, fresh, {std::max(z.rate, z.master), ncure, np, ns}, huge);
    make(md.regularization, fresh, {z.regularization}, 0.0);
    make(md.equivalentstress, fresh, {std::max(z.equivalent / 2, 1), 2}, 0.0);
    make(md.peprops, fresh, {z.elastic * nt, np, ns}, 0.0);
}

// ---- copies at "++End Material" ----------------------------------------------------------------

// The (ply, sec) slots that hold material `id`, within the arguments and matidlist's extents, in
// the order sec, then ply; an empty slot (defint) holds no material. Looked up in an index of
// every slot by id, made once per read.
const Slots& slots_of(State& s, std::optional<int> id) {
    if (!s.indexed) {
        s.indexed = true;
        const auto& ids = materialdata.matidlist;
        const int np = std::min(s.nplies, ids.extent(1)), ns = std::min(s.nsec, ids.extent(2));
        for (int sec = 1; sec <= ns; ++sec)
            for (int ply = 1; ply <= np; ++ply)
                if (const int v = *ids.at(ply, sec); v != defint) s.slot_index.push_back({v, sec, ply});
        std::sort(s.slot_index.begin(), s.slot_index.end());
    }
    s.slots.clear();
    if (!id || *id == defint) return s.slots;
    const std::array<int, 3> lo{*id, INT_MIN, INT_MIN};
    for (auto it = std::lower_bound(s.slot_index.begin(), s.slot_index.end(), lo);
         it != s.slot_index.end() && (*it)[0] == *id; ++it)
        s.slots.emplace_back((*it)[2], (*it)[1]);
    return s.slots;
}

// Writes v(1:n) to entries first..first + n - 1 of column (ply, sec).
template <class T>
void put(State& s, const Table<T, 3>& t, const Slots& slots, std::int64_t first, const T* v, std::size_t n) {
    for (const auto& [ply, sec] : slots)
        for (std::size_t k = 0; k < n; ++k) {
            T* p = t.at(first + static_cast<std::int64_t>(k), ply, sec);
            if (!p) {
                s.outside();
                break;
            }
            *p = v[k];
        }
}

}  // namespace

// "Warning: <keyword> of material <id>" (or "of a material without id"), the beginning of the
// reports that name a block of a material.
std::string material_warning(std::string_view keyword, std::optional<int> id) {
    std::string text = "Warning: ";
    text += keyword;
    if (id) text += " of material " + std::to_string(*id);
    else text += " of a material without id";
    return text;
}

namespace {

// A block whose count of values the material's tables do not take is not copied: the material
// keeps what it had (the fill value in a new table), and the loss is recorded as a warning that
// names the keyword, the material and the count (`read`: the counts that are taken).
void count_warning(std::string_view keyword, std::optional<int> id, std::size_t count, std::string_view read) {
    std::string text = material_warning(keyword, id);
    text += " has " + std::to_string(count) + " values";
    if (id) (text += ", ").append(read) += " are read";
    text += '.';
    report(-2, text, id.value_or(0), static_cast<int>(std::min<std::size_t>(count, INT_MAX)));
}

// A block of at most `limit` values from entry 1 of the column; a longer one is not copied.
template <class T>
void put_limited(State& s, const Table<T, 3>& t, const Slots& slots, const Values<T>& v, std::size_t limit,
                 std::string_view keyword, std::optional<int> id) {
    if (!v) return;
    if (v->size() > limit) {
        count_warning(keyword, id, v->size(), "up to " + std::to_string(limit));
        return;
    }
    put(s, t, slots, 1, v->data(), v->size());
}

// "+Elastic" through GetNyeProperties: one Nye vector, or one per temperature (block t at
// entries (t - 1) p + 1.. of the column, p = extent / temperatures) with a factor table in force.
// A block of 1 or of more than 9 values is not copied (count_warning).
void copy_elastic(State& s, const std::vector<double>& e, const std::vector<double>* factors, const Slots& slots,
                  std::optional<int> id) {
    constexpr int nye_n = columns::peprops::nye;
    const std::size_t count = e.size();
    if (count == 1 || count > static_cast<std::size_t>(nye_n)) return count_warning("+Elastic", id, count, "2 to 9");
    const int n = static_cast<int>(count);
    if (n < 2 || slots.empty()) return;
    double nye[nye_n];
    if (!tvk::lamina::nye_count(n)) {  // GetNyeProperties refuses the count and says so
        GetNyeProperties(nye, e.data(), &n);
        return;
    }
    const auto& peprops = materialdata.peprops;
    const int p = peprops.extent(1) / s.ntemp;
    // A reused table too short for a vector per temperature takes the first temperature's only.
    int nt = factors ? s.ntemp : 1;
    if (nt > 1 && p < nye_n) {
        s.outside();
        nt = 1;
    }
    double scaled[nye_n];
    for (int t = 1; t <= nt; ++t) {
        for (int i = 0; i < n; ++i)
            scaled[i] = factors ? e[i] * (*factors)[static_cast<std::size_t>(t - 1 + i * s.ntemp)] : e[i];
        GetNyeProperties(nye, scaled, &n);
        put(s, peprops, slots, columns::peprops::block_first(t, peprops.extent(1), s.ntemp), nye, nye_n);
    }
}

// "+Strength": the values, or per temperature the groups s(k) F(t, ne + k) one after the other.
void copy_strength(State& s, const std::vector<double>& v, const std::vector<double>* factors, const Slots& slots,
                   std::optional<int> id) {
    const std::size_t n = v.size();
    if (n > columns::psprops::count) return count_warning("+Strength", id, n, "up to 10");
    if (!factors) {
        put(s, materialdata.psprops, slots, 1, v.data(), n);
        return;
    }
    double scaled[columns::psprops::count];
    for (int t = 1; t <= s.ntemp; ++t) {
        for (std::size_t k = 0; k < n; ++k)
            scaled[k] = v[k] * (*factors)[static_cast<std::size_t>(t - 1) +
                                          (static_cast<std::size_t>(s.last_elastic) + k) * s.ntemp];
        put(s, materialdata.psprops, slots, static_cast<std::int64_t>(t - 1) * static_cast<std::int64_t>(n) + 1,
            scaled, n);
    }
}

void close_block(State& s, Block& b, std::optional<int> id) {
    auto& md = materialdata;
    const Slots& slots = slots_of(s, id);
    if (b.modelid) md.modelid = *b.modelid;
    const std::vector<double>* factors = thermal_factors(s);
    if (b.elastic) copy_elastic(s, *b.elastic, factors, slots, id);
    if (b.strength) copy_strength(s, *b.strength, factors, slots, id);
    put_limited(s, md.phprops, slots, b.hygrothermal, 5, "+Hygrothermal", id);
    put_limited(s, md.pfprops, slots, b.fracture, 5, "+Fracture", id);
    put_limited(s, md.pdprops, slots, b.properties, 5, "+Failure PROPERTIES", id);
    put_limited(s, md.pfflags, slots, b.initiation, 5, "+Failure INITIATION", id);
    put_limited(s, md.peflags, slots, b.evolution, 5, "+Failure EVOLUTION", id);
    using columns::pelimits::half, columns::pelimits::count;
    if (b.degradation && b.degradation->size() != half && b.degradation->size() != count && !b.degradation->empty())
        count_warning("+Failure DEGRADATION", id, b.degradation->size(), "6 or 12");
    if (b.degradation && (b.degradation->size() == half || b.degradation->size() == count)) {
        // Six caps serve both halves; twelve are taken as they are.
        double caps[count];
        for (int k = 0; k < count; ++k) caps[k] = (*b.degradation)[static_cast<std::size_t>(k) % b.degradation->size()];
        put(s, md.pelimits, slots, 1, caps, count);
    }
    copy_temperature_tables(s, b, slots, id);
    if (b.unread) report(-2, material_warning("+Calibration", id) + " not read: " + *b.unread, id.value_or(0));
}

// ---- value pass --------------------------------------------------------------------------------

// Reads the data block at the position; nullopt when it could not be read (reported).
template <class T>
std::optional<std::vector<T>> block(const State& s) {
    std::vector<T> v;
    if (!cards::read_data(*s.cur, v)) return std::nullopt;
    return v;
}

// The first value of a real block into t(1), t created with one entry when it has none; an empty
// block sets nothing.
void first_value(const State& s, Table<double, 1>& t) {
    const auto v = block<double>(s);
    if (!v || v->empty()) return;
    if (!t.at(1)) t.allocate({1});
    *t.at(1) = v->front();
}

void regularization(State& s) {
    const auto v = block<double>(s);
    if (!v) return;
    auto& t = materialdata.regularization;
    const std::size_t room = static_cast<std::size_t>(t.extent(1));
    if (v->size() > room) s.outside();
    std::copy_n(v->begin(), std::min(room, v->size()), t.data());
}

void temperature_list(State& s, Block& b) {
    b.temperatures.read(*s.cur);
    s.thermal_flag = true;
    // A list longer than the merged axis (repeated values) gives the calibration rows more
    // temperatures; the tables keep the merged count.
    if (b.temperatures)
        s.nrows = std::max(s.nrows, static_cast<int>(std::min<std::size_t>(b.temperatures->size(), INT_MAX)));
}

// "+Calibration" lines, in the reader's order of options.
void calibration(State& s, Block& b, std::string_view option, std::optional<int> id) {
    const bool row = one_temperature_mark(option);
    auto as_row = [&](Calibration k) {
        if (auto v = block<double>(s)) calibration_row(s, b, k, option, id, std::move(*v));
    };
    for (Calibration k : {secant, normal, shear})
        if (contains_text(option, calibration_tables[k].word) && row) return as_row(k);
    if (contains_text(option, "TYPE=Ratio")) return first_value(s, materialdata.r_crit);
    if (contains_text(option, calibration_tables[plasticity].word) && row) return as_row(plasticity);
    if (contains_text(option, "TYPE=EquivalentStress")) {
        b.equivalent.read(*s.cur);
        return;
    }
    for (Calibration k : {alpha1, alpha2, alpha3})
        if (contains_text(option, calibration_tables[k].word) && row) return as_row(k);
    // A row type whose line lacks the one "T=" (read in capitals only) is passed over, and said so
    // at the block's closer.
    for (const CalibrationTable& ct : calibration_tables)
        if (contains_text(option, ct.word)) {
            if (!b.unread) b.unread = std::string(option);
            return;
        }
}

// A section whose plies name a material that no block of the card gives keeps every property of
// those plies at its fill value (moduli 0, so its stiffness reads NaN): reported once per call,
// naming the smallest such material and the first section (by its card id) that names it. A slot
// that the section tables hold without thickness is no ply of the lay-up (the one slot that
// analysis start sizes for a deck without sections) and is passed over.
void missing_materials(State& s) {
    if (!s.indexed) slots_of(s, std::nullopt);
    std::sort(s.given.begin(), s.given.end());
    const auto& thickness = sectiondata.plythickness;
    for (const auto& [material, sec, ply] : s.slot_index) {
        if (std::binary_search(s.given.begin(), s.given.end(), material)) continue;
        if (const double* t = thickness.at(ply, sec); t && *t == 0.0) continue;
        const int* secid = sectiondata.secidlist.at(sec);
        const int section = secid ? *secid : sec;
        report(-2,
               "Warning: material " + std::to_string(material) + " of section " + std::to_string(section) +
                   " given by no material block.",
               material, section);
        return;
    }
}

void cure_block(State& s, Block& b, int column) { b.cure[static_cast<std::size_t>(column - 1)].read(*s.cur); }

void value_pass(State& s) {
    Block b;
    std::optional<int> id;
    bool inside = false;
    std::string_view rec;
    while (cards::read_keyword(*s.cur, rec) == io::ok) {
        if (rec.empty() || rec[0] != '+') continue;  // every head begins with "+"
        const auto [head, written] = cards::split_keyword(rec);
        const std::string_view option = cards::tight_option(written, s.option_buf);
        if (same_text(head, "++Begin Material")) {
            if (inside) b.clear();  // the block before was never closed: it is not copied
            // An opener without an integer id gives a block that no slot carries.
            const int v = cards::block_id(written, 6, defint);
            id = v == defint ? std::nullopt : std::optional<int>(v);
            b.counter = 1;
            inside = true;
            continue;
        }
        if (same_text(head, "++End Material")) {
            if (!inside) continue;
            close_block(s, b, id);
            if (id) s.given.push_back(*id);
            b.clear();
            inside = false;
            continue;
        }
        const bool bare = cards::blank_text(option);
        // Outside a block only the option-less "+Failure" and "+Curing" count; their values
        // belong to the block closed next.
        if (!inside && !(bare && (same_text(head, "+Failure") || same_text(head, "+Curing")))) continue;
        if (same_text(head, "+ModelID")) {
            const auto v = block<int>(s);
            if (v && !v->empty()) b.modelid = v->front();
        } else if (temperature_head(head)) {
            temperature_list(s, b);
        } else if (same_text(head, "+Elastic")) {
            b.elastic.read(*s.cur);
            if (b.elastic) s.last_elastic = static_cast<int>(b.elastic->size());
        } else if (same_text(head, "+Strength")) {
            b.strength.read(*s.cur);
            if (b.strength) s.last_strength = static_cast<int>(b.strength->size());
        } else if (same_text(head, "+Hygrothermal")) {
            b.hygrothermal.read(*s.cur);
        } else if (same_text(head, "+Fracture")) {
            b.fracture.read(*s.cur);
        } else if (same_text(head, "+Failure")) {
            if (bare || contains_text(option, "TYPE=INITIATION")) b.initiation.read(*s.cur);
            else if (contains_text(option, "TYPE=EVOLUTION")) b.evolution.read(*s.cur);
            else if (contains_text(option, "TYPE=DEGRADATION")) b.degradation.read(*s.cur);
            else if (contains_text(option, "TYPE=PROPERTIES")) b.properties.read(*s.cur);
        } else if (same_text(head, "+Regularization")) {
            if (contains_text(option, "TYPE=VISCOUS")) regularization(s);
        } else if (same_text(head, "+Table")) {
            if (contains_text(option, "TYPE=TEMPERATURE"))
                if (auto v = block<double>(s)) s.factors = std::move(v);
        } else if (same_text(head, "+GelPoint")) {
            cure_block(s, b, cure::gelpoint);
        } else if (same_text(head, "+Enthalpie")) {
            cure_block(s, b, cure::enthalpy);
        } else if (same_text(head, "+Expansion")) {
            cure_block(s, b, cure::expansion);
        } else if (same_text(head, "+Shrinkage")) {
            cure_block(s, b, cure::shrinkage);
        } else if (same_text(head, "+Transition")) {
            cure_block(s, b, cure::transition);
        } else if (same_text(head, "+Curing")) {
            if (bare || contains_text(option, "TYPE=EXPONENTIAL")) cure_block(s, b, cure::curelimit);
            else if (contains_text(option, "TYPE=RATE")) cure_block(s, b, cure::curerate);
            else if (contains_text(option, "TYPE=MASTER")) cure_block(s, b, cure::shift);
        } else if (same_text(head, "+I10")) {
            first_value(s, materialdata.i10);
        } else if (same_text(head, "+Calibration")) {
            calibration(s, b, option, id);
        }
    }
}

}  // namespace
}  // namespace tvk::material_card

TVK_API void getmaterialdatafromfile(const char* filepath, const char* workspace, const int* nplies,
                                     const int* nsec, std::size_t lfilepath, std::size_t lworkspace) {
    using namespace tvk::material_card;
    const int unit = tvk::cards::open_card({filepath, lfilepath}, {workspace, lworkspace}, "MaterialCard.tvk",
                                    "getmaterialdatafromfile");
    if (unit < 0) return;
    tvk::io::UnitGuard guard(unit);
    tvk::cards::Cursor cur(unit);
    State s;
    s.cur = &cur;
    s.nplies = std::max(*nplies, 0);
    s.nsec = std::max(*nsec, 0);
    sizing_pass(s);
    create_tables(s, !tvk::materialdata.peprops.present());
    if (!tvk::materialdata.matidlist.present()) return;
    value_pass(s);
    missing_materials(s);
}
