// Reader of the solver's data listing.
#include "listing.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <vector>

#include "cards.h"
#include "core/datahandling.h"
#include "core/modeldata.h"
#include "core/strings.h"
#include "core/units.h"
#include "elements/catalogue.h"
#include "elements/elementtables.h"
#include "listread.h"

namespace {

using namespace tvk;

constexpr std::size_t record_width = 256;
constexpr std::string_view element_heading = "E L E M E N T   D E F I N I T I O N S";
constexpr std::string_view node_heading = "N O D E   D E F I N I T I O N S";

// Plain loops in this file: the runs are a few characters long, shorter than a library search
// takes to set up.
std::string_view trim_left(std::string_view s) {
    std::size_t p = 0;
    while (p < s.size() && s[p] == ' ') ++p;
    return s.substr(p);
}

// A record taken apart into the first token and the rest.
struct Pieces {
    std::string_view first, rest;
};

Pieces take_apart(std::string_view rec) {
    rec = trim_left(rec);
    std::size_t b = 0;
    while (b < rec.size() && rec[b] != ' ') ++b;
    if (b == rec.size()) return {rec, {}};
    return {rec.substr(0, b), trim_left(rec.substr(b + 1))};
}

// Free-format integer read of a token; a blank token or a null value is no integer.
bool token_int(std::string_view tok, int& v) {
    if (tok.empty() || tok[0] == ',' || tok[0] == '/') return false;
    // The usual token, up to nine plain digits, read directly (the same value as the general
    // read below, which also takes signs, repeat counts and separators).
    if (tok.size() <= 9) {
        int r = 0;
        std::size_t k = 0;
        for (; k < tok.size() && tok[k] >= '0' && tok[k] <= '9'; ++k) r = r * 10 + (tok[k] - '0');
        if (k == tok.size()) {
            v = r;
            return true;
        }
    }
    int r = 0;
    if (text::read_integer(tok, r) != 0) return false;
    v = r;
    return true;
}

// The type name of an element line: the first 8 characters of the rest, up to its first blank
// (a type name holds no blank; a property reference printed close to it is not part of it).
std::string_view type_field(std::string_view rest) {
    rest = rest.substr(0, 8);
    std::size_t b = 0;
    while (b < rest.size() && rest[b] != ' ') ++b;
    return rest.substr(0, b);
}

class Listing {
  public:
    explicit Listing(int unit) : cur_(unit) {}

    // The next record, cut to the record width; false at the end of the file or on an error.
    // Records are read in place (no call into the unit table per record).
    bool next(std::string_view& rec) {
        if (cur_.read(rec) != io::ok) return false;
        rec = rec.substr(0, record_width);
        return true;
    }
    // Reads up to and including the first record holding `heading`.
    bool find(std::string_view heading) {
        std::string_view rec;
        while (next(rec))
            if (cards::contains_text(rec, heading)) return true;
        return false;
    }
    void rewind() { cur_.rewind(); }
    std::size_t remaining() const { return cur_.remaining(); }

    // Walks the records of the table after the heading: calls f(number, rest) for each record
    // whose first token is a positive integer; the walk ends when f returns false, at the end of
    // the file, and, with `to_end` false, at a record without an integer after a positive one.
    template <class F>
    void table(F f, bool to_end = false) {
        std::string_view rec;
        int last = 0;
        while (next(rec)) {
            const Pieces p = take_apart(rec);
            int v = 0;
            if (!token_int(p.first, v)) {
                if (last > 0 && !to_end) return;
                continue;
            }
            last = v;
            if (v > 0 && !f(v, p.rest)) return;
        }
    }

  private:
    cards::Cursor cur_;
};

// The unit the listing is read from: the one it is connected to, or a fresh one.
struct ListingUnit {
    int unit = -1;
    bool opened = false;
    explicit ListingUnit(std::string_view path) {
        if (path.size() > cards::path_width) return;
        unit = io::unit_of(path);
        if (unit >= 0) return;
        const int u = io::free_unit(1, io::max_unit);
        if (u < 0 || io::open_read(u, path) != io::ok) return;
        unit = u;
        opened = true;
    }
    ~ListingUnit() {
        if (opened) io::close_unit(unit);
    }
    ListingUnit(const ListingUnit&) = delete;
    ListingUnit& operator=(const ListingUnit&) = delete;
};

void release_tables() {
    auto& ed = elementdata;
    for (TableBase* t : {static_cast<TableBase*>(&ed.elemlist), static_cast<TableBase*>(&ed.elemkind),
                         static_cast<TableBase*>(&ed.elemnodes), static_cast<TableBase*>(&ed.elemindices),
                         static_cast<TableBase*>(&ed.elemreforientation),
                         static_cast<TableBase*>(&ed.elemcurvatures), static_cast<TableBase*>(&ed.elemlength),
                         static_cast<TableBase*>(&nodaldata.nodalcoords),
                         static_cast<TableBase*>(&nodaldata.nodesmotion),
                         static_cast<TableBase*>(&nodaldata.tnodalmatrices),
                         static_cast<TableBase*>(&nodaldata.tcurvmatrices),
                         static_cast<TableBase*>(&sectiondata.nsectionpoints)})
        t->release();
    elements::clear_coords_local();
}

}  // namespace

void getabqdatafromfile(const char* filepath, std::size_t lfilepath) {
    std::string_view path(filepath, lfilepath);
    path = path.substr(0, text::len_trim(path));
    ListingUnit lu(path);
    if (lu.unit < 0) return;
    Listing listing(lu.unit);

    // Counting pass, from the unit's position.
    int count = 0, inodes = 0, idof = 0;
    if (listing.find(element_heading))
        listing.table([&](int, std::string_view rest) {
            const std::string_view name = type_field(rest);
            getelementdataextents(name.data(), &count, &inodes, &idof, name.size());
            return true;
        });
    if (count == 0) return;

    release_tables();
    auto& ed = elementdata;
    ed.nelem = count;
    nodaldata.nnodes = std::max(inodes, 1);
    nodaldata.ndof = std::max(idof, 1);
    int istat = 0;
    allocateelementdata(&istat, &nodaldata.nnodes, &ed.nelem);
    allocatenodaldata(&istat, &nodaldata.ndof, &nodaldata.nnodes, &ed.nelem);
    ed.elemreforientation.fill(-1.0);
    const int nn = nodaldata.nnodes;

    // Element pass.
    listing.rewind();
    int stored = 0;
    if (listing.find(element_heading))
        listing.table([&](int number, std::string_view rest) {
            const elements::TypeName type(type_field(rest));
            if (!elements::is_counted_type(type)) return true;
            ++stored;
            const int kind = elements::kind_code(type);
            *ed.elemlist.at(stored) = number;
            *ed.elemkind.at(stored) = kind;
            if (kind >= 1 && kind <= 8) {
                // Type name, property reference, then the node numbers.
                const Pieces a = take_apart(rest);
                const Pieces b = take_apart(a.rest);
                io::read_list(b.rest, ed.elemnodes.at(1, stored), nn);
            }
            return stored < count;
        }, true);  // ends once the counted elements are stored

    // Node pass: coordinates by node number, in ascending order.
    listing.rewind();
    std::vector<int> ids;
    std::vector<double> xyz;
    if (listing.find(node_heading)) {
        // At most one node per record left: the lists are reserved for that many (memory that is
        // not written is not touched), so they never grow by copying. A reservation the system
        // refuses is passed over: the lists then grow as they are filled.
        try {
            ids.reserve(listing.remaining());
            xyz.reserve(3 * listing.remaining());
        } catch (const std::bad_alloc&) {
        }
        int largest = 0;
        listing.table([&](int number, std::string_view rest) {
            // The first three items, found and converted in one scan: a line of at most two
            // items is passed over, and so is a line whose first three items do not read (null
            // items read as 0).
            io::ListScanner sc(rest);
            double v[3] = {0.0, 0.0, 0.0};
            bool read = true;
            int n = 0;
            for (bool null = false; n < 3; ++n) {
                int st = io::ok;
                if (!sc.next_value(v[n], null, st)) break;
                if (null) v[n] = 0.0;
                else if (st != io::ok) read = false;
            }
            if (n < 3) return true;
            if (number < largest) return false;
            if (!read) return true;
            if (!ids.empty() && ids.back() == number) {
                std::copy(v, v + 3, xyz.end() - 3);
            } else {
                ids.push_back(number);
                xyz.insert(xyz.end(), v, v + 3);
            }
            largest = number;
            return true;
        });
    }

    // Hand-over to every element slot that holds a node.
    const int three = 3, nblock = static_cast<int>(ids.size());
    GetNodalCoordinates(xyz.data(), ids.data(), &three, &nblock);
}
