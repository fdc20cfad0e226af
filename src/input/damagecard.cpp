// Damage card reader: predefined damage per damage set (damagedata) and, with the first
// delamination set, the delamination-buckling records (bukdata).
//
// A damage set is addressed by the id of its opener ("++Begin Damage" with id 2 fills column 2
// of every table), not by its position. Each table is created at the first keyword of the read
// that needs it; a table left from an earlier read is reused only when it has exactly the
// extents this card needs, otherwise it is created anew.
#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "cards.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/units.h"
#include "iohandling.h"

namespace {

using namespace tvk;
using cards::same_text;

constexpr const char* reader = "getdamagedatafromfile";
// Mode words and their index in dmgpoints: 1 General, 2 Fiber, 3 Matrix, 4 Delamination, 5 Core,
// 6 User. "+Abstraction" tests them in the order General, Fiber, Matrix, Core, Delamination, User.
constexpr std::array<std::string_view, 6> modes = {"General", "Fiber", "Matrix", "Delamination", "Core", "User"};
constexpr std::array<int, 6> abstraction_order = {1, 2, 3, 5, 4, 6};

// Creates t with extents e and fills it, unless this read already did or it has these extents.
template <class T, int R>
void prepare(Table<T, R>& t, bool& done, std::array<std::int64_t, R> e, T fill) {
    if (done) return;
    done = true;
    bool same = t.present();
    for (int d = 0; d < R && same; ++d) same = t.extent(d + 1) == e[d];
    if (same) return;
    cards::create(t, e);
    t.fill(fill);
}

// The sizing pass: ndmg = the records that begin with "++BEGIN DAMAGE" (any case, leading blanks
// passed over; every record from the first is a candidate, as counted by getnumberofkeywords,
// which reports nothing); np = max(4, largest "+Position" block), nt = max(1, largest "+Table"
// block), both counted inside damage blocks.
void sizes(cards::Cursor& c, int& ndmg, int& np, int& nt) {
    ndmg = 0;
    np = 4;
    nt = 1;
    bool inblock = false;
    std::string_view rec;
    for (;;) {
        if (c.read(rec) != io::ok) break;
        // An opener begins with "+" after its leading blanks.
        if (!rec.empty() && (rec[0] == '+' || rec[0] == ' ') &&
            cards::begins_with_key(rec.substr(0, std::min(rec.size(), cards::data_width)), "++BEGIN DAMAGE")) ++ndmg;
        if (rec.empty() || rec[0] != '+') continue;  // no head and, for a keyword record, no cut report
        if (rec.size() > cards::keyword_width) cards::cut_record(c, rec, cards::keyword_width, true);
        const auto head = cards::split_keyword(rec).head;
        if (same_text(head, "++Begin Damage")) inblock = true;
        else if (same_text(head, "+Position") && inblock) np = std::max(np, cards::block_size(c));
        else if (same_text(head, "+Table") && inblock) nt = std::max(nt, cards::block_size(c));
        else if (same_text(head, "++End Damage")) inblock = false;
    }
    c.rewind();
}

// Reads a block into the consecutive entries starting at `first` (nullptr: index out of range).
// `v` is the reader's block buffer.
void store(cards::Cursor& c, double* first, std::size_t room, std::vector<double>& v) {
    if (!cards::read_data(c, v)) return;
    if (!first) {
        cards::outside_table(reader);
        return;
    }
    if (v.size() > room) cards::outside_table(reader);
    std::copy_n(v.begin(), std::min(room, v.size()), first);
}

// Rows of four numbers into xdds(3, nplies): row j -> xdds(1:2, j) = its values 2 and 3.
void dds_rows(cards::Cursor& c, double* xdds, int nplies, std::string_view routine, std::vector<double>& v) {
    if (!cards::read_data(c, v)) return;
    const std::size_t rows = v.size() / 4;
    const std::size_t room = nplies > 0 ? static_cast<std::size_t>(nplies) : 0;
    if (rows > room) cards::outside_table(routine);
    for (std::size_t j = 0; j < std::min(rows, room); ++j) {
        xdds[3 * j] = v[4 * j + 1];
        xdds[3 * j + 1] = v[4 * j + 2];
    }
}

// The index (1..6) of the mode word that begins at character 6 of the text; 0 when none.
int mode_at_6(std::string_view part) {
    if (part.size() < 6) return 0;
    const std::string_view rest = part.substr(5);
    for (int m = 0; m < 6; ++m)
        if (rest.substr(0, modes[m].size()) == modes[m]) return m + 1;
    return 0;
}

Table<double, 3>& mode_table(int mode) {
    auto& dd = damagedata;
    switch (mode) {
        case 1: return dd.generaldds;
        case 2: return dd.fiberdds;
        case 3: return dd.matrixdds;
        case 5: return dd.coredds;
        default: return dd.userdds;
    }
}

}  // namespace

TVK_API void getddsfromfile(const int* fileid, double* xdds, const int* nplies) {
    std::vector<double> v;
    cards::Cursor c(*fileid);
    dds_rows(c, xdds, *nplies, "getddsfromfile", v);
}

TVK_API void getdamagedatafromfile(const char* filepath, const char* workspace, const int* nplies,
                                   const int* nsec, std::size_t lfilepath, std::size_t lworkspace) {
    const int unit = cards::open_card({filepath, lfilepath}, {workspace, lworkspace}, "DamageCard.tvk",
                                    "getdamagedatafromfile");
    if (unit < 0) return;
    io::UnitGuard guard(unit);
    cards::Cursor cur(unit);
    auto& dd = damagedata;
    int np, nt;
    sizes(cur, dd.ndmg, np, nt);
    const int ndmg = dd.ndmg;
    const int npl = std::max(*nplies, 0), ns = std::max(*nsec, 0);

    try {
        bool made_plane = false, made_points = false, made_delam = false;
        std::array<bool, 6> made_mode{};
        bool inblock = false;
        int id = 0;
        std::vector<double> reals;  // block buffer, reused from block to block
        std::vector<int> ids;       // the ids of the blocks read
        std::string tight;          // an option part with its blanks around "=" removed
        for (;;) {
            std::string_view rec;
            if (cards::read_keyword(cur, rec) != io::ok) break;
            if (rec.empty() || rec[0] != '+') continue;  // every head begins with "+"
            const auto [head, option] = cards::split_keyword(rec);
            if (same_text(head, "++Begin Damage")) {
                id = cards::block_id(option, 6, 0);
                // A set is described by one block: a later block with the same id is reported and
                // skipped whole, so the set keeps the first block's values, not a mix of both.
                inblock = std::find(ids.begin(), ids.end(), id) == ids.end();
                if (inblock) {
                    ids.push_back(id);
                } else {
                    report(-2, "Warning: DmgID " + std::to_string(id) + " given twice in " + reader +
                                   "; later block skipped.", id);
                }
            } else if (same_text(head, "+Position") && inblock) {
                prepare(dd.dmgplane, made_plane, {np, ndmg}, -huge);
                store(cur, dd.dmgplane.at(1, id), static_cast<std::size_t>(dd.dmgplane.extent(1)), reals);
            } else if (same_text(head, "+Abstraction") && inblock) {
                int mode = 0;
                for (int m : abstraction_order)
                    if (option.find(modes[m - 1]) != std::string_view::npos) {
                        mode = m;
                        break;
                    }
                if (mode == 0) {
                    // The mode words are read as written ("Fiber", not "FIBER"): a block without
                    // one is passed over, and said so.
                    report(-2, "Warning: +Abstraction of DmgID " + std::to_string(id) + " not read: " +
                                   std::string(option), id);
                    continue;
                }
                if (mode == 4) {
                    const int nifc = npl - 1;
                    if (nifc < 1) continue;
                    if (!made_delam) {
                        bool b1 = false, b2 = false;
                        prepare(bukdata.bukrealdatalist, b2, {12, nifc, ndmg, ns}, 0.0);
                        prepare(bukdata.bukintdatalist, b1, {4, nifc, ndmg, ns}, 0);
                        prepare(dd.delamdds, made_delam, {3, nifc, ndmg}, 0.0);
                    }
                    Table<double, 3>& t = dd.delamdds;
                    double* col = t.at(1, 1, id);
                    if (col) dds_rows(cur, col, t.extent(2), reader, reals);
                    else cards::outside_table(reader);
                } else {
                    Table<double, 3>& t = mode_table(mode);
                    prepare(t, made_mode[mode - 1], {3, npl, ndmg}, 0.0);
                    double* col = t.at(1, 1, id);
                    if (col) dds_rows(cur, col, t.extent(2), reader, reals);
                    else cards::outside_table(reader);
                }
            } else if (same_text(head, "+Table") && inblock) {
                prepare(dd.dmgpoints, made_points, {nt, npl, 6, ndmg}, huge);
                const std::size_t comma = option.find(',');
                std::string_view part1 = option.substr(0, comma);
                std::string_view part2 = comma == std::string_view::npos ? std::string_view() : option.substr(comma + 1);
                while (!part2.empty() && part2.front() == ' ') part2.remove_prefix(1);
                const bool first_is_layer = part1.find("LayID") != std::string_view::npos ||
                                            part1.find("Layer") != std::string_view::npos;
                const std::string_view layer_part = first_is_layer ? part1 : part2;
                const std::string_view mode_part = first_is_layer ? part2 : part1;
                const int layer = cards::block_id(layer_part, 6, 0);
                const int mode = mode_at_6(cards::tight_option(mode_part, tight));
                store(cur, dd.dmgpoints.at(1, layer, mode, id), static_cast<std::size_t>(dd.dmgpoints.extent(1)),
                      reals);
            } else if (same_text(head, "++End Damage")) {
                inblock = false;
            }
        }
    } catch (const std::bad_alloc&) {
        cards::too_large(reader);
    }
}
