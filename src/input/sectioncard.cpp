// Section card reader: the laminates of the model (sectiondata) and the ply-to-material map
// (materialdata matidlist), followed by the ply z-coordinates of every section.
//
// Sections are addressed by their position in the file; the id of a section's opener is kept in
// secidlist. The table sizes come from one sizing pass: the number of openers gives nsec, the
// largest block of a bare "+Orientation" record gives nplies (both only ever raised). A second
// pass reads the values.
#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "cards.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/units.h"
#include "iohandling.h"
#include "listread.h"
#include "mechanics/laminate.h"

namespace {

using namespace tvk;
using cards::same_text;

constexpr const char* reader = "getsectiondatafromfile";

// Stores values 1..k of a block into column sec of a (ply, sec) table.
template <class T, class V>
void store_column(Table<T, 2>& t, int sec, const std::vector<V>& v) {
    for (std::size_t k = 0; k < v.size(); ++k) {
        T* p = t.at(static_cast<std::int64_t>(k + 1), sec);
        if (!p) {
            cards::outside_table(reader);
            return;
        }
        *p = static_cast<T>(v[k]);
    }
}

// Copies entry 1 of column sec to entries 2..m.
template <class T>
void spread(Table<T, 2>& t, int sec, int m) {
    const T* first = t.at(1, sec);
    if (!first) return;
    for (int k = 2; k <= m; ++k) {
        T* p = t.at(k, sec);
        if (!p) {
            cards::outside_table(reader);
            return;
        }
        *p = *first;
    }
}

struct Sizes {
    int sections = 0;  // records that begin with "++BEGIN SECTION" (any case, leading blanks passed over)
    int plies = 0;     // the largest item count of a bare "+Orientation" record's block
};

// The sizing pass: every record from the first is a candidate opener (as counted by
// getnumberofkeywords, which reports nothing) and is read as a keyword record of the reader.
Sizes sizes(cards::Cursor& c) {
    Sizes z;
    std::string_view rec;
    for (;;) {
        const int st = c.read(rec);
        if (st != io::ok) break;
        // An opener begins with "+" after its leading blanks.
        if (!rec.empty() && (rec[0] == '+' || rec[0] == ' ') &&
            cards::begins_with_key(rec.substr(0, std::min(rec.size(), cards::data_width)), "++BEGIN SECTION"))
            ++z.sections;
        if (rec.empty() || rec[0] != '+') continue;  // no head and, for a keyword record, no cut report
        if (rec.size() > cards::keyword_width) cards::cut_record(c, rec, cards::keyword_width, true);
        if (same_text(rec, "+Orientation")) z.plies = std::max(z.plies, cards::block_size(c));
    }
    c.rewind();
    return z;
}

void create_tables(int np, int ns) {
    auto& sd = sectiondata;
    cards::create(sd.sefmatrix, {2 * static_cast<std::int64_t>(np) + 1, 4, ns});  // the largest first
    cards::create(sd.xcstrength, {ns});
    cards::create(sd.secidlist, {ns});
    cards::create(materialdata.matidlist, {np, ns});
    materialdata.matidlist.fill(static_cast<std::int64_t>(np) * ns == 1 ? 1 : defint);
    cards::create(sd.plyorientation, {np, ns});
    cards::create(sd.plythickness, {np, ns});
    cards::create(sd.plyzcoord, {2 * static_cast<std::int64_t>(np) + 1, ns});
    cards::create(sd.seflags, {2, ns});
    cards::create(sd.sehmatrix, {2, 2, ns});
}

// The z-table of every section, when the three tables agree in their extents.
void section_zcoords() {
    const auto& ids = materialdata.matidlist;
    auto& sd = sectiondata;
    const int np = ids.extent(1), ns = ids.extent(2);
    if (!ids.present() || sd.plythickness.extent(1) != np || sd.plythickness.extent(2) != ns ||
        sd.plyzcoord.extent(1) != 2 * np + 1 || sd.plyzcoord.extent(2) != ns) {
        report(-2, "Warning: section tables of different extents in getsectiondatafromfile.");
        return;
    }
    GetSectionZCoord(sd.plyzcoord.data(), ids.data(), sd.plythickness.data(), &np, &ns, nullptr);
}

}  // namespace

TVK_API void getsectiondatafromfile(const char* filepath, const char* workspace, std::size_t lfilepath,
                                    std::size_t lworkspace) {
    const int unit = cards::open_card({filepath, lfilepath}, {workspace, lworkspace}, "SectionCard.tvk",
                                    "getsectiondatafromfile");
    if (unit < 0) return;
    try {
        io::UnitGuard guard(unit);
        cards::Cursor cur(unit);
        auto& sd = sectiondata;
        const Sizes z = sizes(cur);
        sd.nsec = std::max(sd.nsec, z.sections);
        sd.nplies = std::max(sd.nplies, z.plies);
        if (!sd.plyorientation.present()) create_tables(sd.nplies, sd.nsec);

        int sec = 1, id = 0, nmat = 0, nori = 0, nthick = 0;
        bool inblock = false;
        std::vector<int> ints;  // block buffers, reused from block to block
        std::vector<double> reals;
        std::string tight;  // an option text with its blanks around "=" removed
        for (;;) {
            std::string_view rec;
            if (cards::read_keyword(cur, rec) != io::ok) break;
            if (rec.empty() || rec[0] != '+') continue;  // every head begins with "+"
            const auto [head, option] = cards::split_keyword(rec);
            if (same_text(head, "++Begin Section")) {
                inblock = true;
                id = cards::block_id(option, 6, 0);
                nmat = nori = nthick = 0;
            } else if (same_text(head, "+Material") && inblock) {
                std::vector<int>& v = ints;
                cards::read_data(cur, v);
                store_column(materialdata.matidlist, sec, v);
                nmat = static_cast<int>(v.size());
            } else if (same_text(head, "+Orientation") && inblock) {
                std::vector<double>& v = reals;
                cards::read_data(cur, v);
                store_column(sd.plyorientation, sec, v);
                nori = static_cast<int>(v.size());
            } else if (same_text(head, "+Thickness") && inblock) {
                std::vector<double>& v = reals;
                cards::read_data(cur, v);
                store_column(sd.plythickness, sec, v);
                nthick = static_cast<int>(v.size());
            } else if (same_text(head, "+Extension") && inblock) {
                std::vector<int>& v = ints;
                cards::read_data(cur, v);
                store_column(sd.seflags, sec, v);
            } else if (same_text(head, "+Strength") && inblock &&
                       !same_text(cards::tight_option(option, tight), "TYPE=INSITU")) {
                // One real: the first item of the next record, when that record is a data line.
                std::string_view data;
                const int st = cards::read_cut(cur, cards::data_width, data);
                if (st != io::ok || (!data.empty() && (data[0] == '*' || data[0] == '+'))) {
                    if (st == io::ok || st == io::end_of_file) cur.back();
                    continue;
                }
                io::ListScanner items(data);
                io::ListItem it;
                double x = 0.0;
                if (!items.next(it) || it.null) continue;  // nothing to store
                if (io::parse_real(it.text, x) != io::ok) cards::read_error("Error: Error in GetDataPoints");
                else if (double* p = sd.xcstrength.at(sec)) *p = x;
                else cards::outside_table(reader);
            } else if (same_text(head, "++End Section")) {
                if (int* p = sd.secidlist.at(sec)) *p = id;
                else cards::outside_table(reader);
                if (nmat == 1) spread(materialdata.matidlist, sec, std::max(nori, 1));
                if (nthick == 1) spread(sd.plythickness, sec, nori);
                ++sec;
                inblock = false;
                nmat = nori = nthick = 0;
            }
        }
    } catch (const std::bad_alloc&) {
        cards::too_large(reader);
        return;
    }
    section_zcoords();
}
