// The card-file grammar shared by the card readers: how a card is opened (the card in the
// workspace folder, else the fallback file), keyword records split into head and option text,
// and data blocks read from a unit.
//
// Keyword records are read 80 characters wide, data records 256; non-blank text of a card line
// beyond these widths is not seen and leaves a warning in the error record. A data block is the run of
// records after a keyword line up to the first record whose first character is "*" or "+" (or
// the end of the file); that ending record stays unread. Items are counted and read by the
// same list-directed scanner (io/listread.h), so sizing and reading always agree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/table.h"
#include "core/units.h"

namespace tvk::cards {

inline constexpr std::size_t keyword_width = 80;
inline constexpr std::size_t data_width = 256;
inline constexpr std::size_t path_width = 256;

// A unit's records read in place (io::records): the passes of a reader over a file held in
// memory without a call into the unit table per record; a UTF-8 byte-order mark at the start of
// the file is skipped. Its position is the unit's, so reads
// through a cursor and through the unit may be mixed. A unit that is not open for reading gives
// the status io::read_record gives.
class Cursor {
  public:
    explicit Cursor(int unit) : status_(io::records(unit, r_)) {}
    // As io::read_record.
    int read(std::string_view& rec) {
        if (status_ != io::ok) return status_;
        std::size_t& p = *r_.pos;
        if (p > r_.count) return io::err_past_end;
        if (p == r_.count) {
            p = r_.count + 1;
            return io::end_of_file;
        }
        rec = std::string_view(r_.text + r_.start[p], r_.length[p]);
        // A file saved with the UTF-8 byte-order mark: the mark is not part of its first record.
        if (p == 0 && rec.size() >= 3 && rec.compare(0, 3, "\xEF\xBB\xBF") == 0) rec.remove_prefix(3);
        ++p;
        return io::ok;
    }
    // As io::backspace(unit, n) and io::rewind_unit.
    void back(long long n = 1) {
        if (status_ != io::ok || n <= 0) return;
        std::size_t& p = *r_.pos;
        p = static_cast<unsigned long long>(n) >= p ? 0 : p - static_cast<std::size_t>(n);
    }
    void rewind() {
        if (status_ == io::ok) *r_.pos = 0;
    }
    // The number of records from the position to the end of the file.
    std::size_t remaining() const { return status_ == io::ok && *r_.pos < r_.count ? r_.count - *r_.pos : 0; }
    // The list that holds the reports of the primitives reading through this cursor (see
    // HeldReports); nullptr: they are made at once.
    std::vector<std::string>* held() const { return held_; }
    void hold(std::vector<std::string>* into) { held_ = into; }

  private:
    io::Records r_;
    int status_;
    std::vector<std::string>* held_ = nullptr;
};

// Cuts a record longer than `width`, reporting text cut from a card line (see read_cut and
// read_keyword; held when the cursor holds); true when it reported.
bool cut_record(Cursor& c, std::string_view& rec, std::size_t width, bool keyword);

// The reports of the primitives (cut records, read failures) that read through a cursor, held
// back while the cursor holds them here, in their order, and made by release(): a pass that
// runs within another pass keeps its reports after those of the other, as when it ran after it.
class HeldReports {
  public:
    explicit HeldReports(Cursor& c) : c_(c) {}
    HeldReports(const HeldReports&) = delete;
    HeldReports& operator=(const HeldReports&) = delete;
    ~HeldReports() { hold(false); }
    // Starts or stops holding the reports of the primitives on the cursor.
    void hold(bool on) { c_.hold(on ? &msgs_ : nullptr); }
    // A report of the held pass made here rather than by a primitive.
    void add(std::string_view msg) { msgs_.emplace_back(msg); }
    // Stops holding and makes the held reports (level -2) in their order.
    void release();

  private:
    Cursor& c_;
    std::vector<std::string> msgs_;
};

// The message of a record cut at its width.
inline constexpr std::string_view cut_message = "Warning: card record cut at its record width.";

// Reads the next record cut to `width` (see io::read_record for the statuses); a data line whose
// text is cut is reported.
inline int read_cut(Cursor& c, std::size_t width, std::string_view& rec) {
    const int st = c.read(rec);
    if (st == io::ok && rec.size() > width) cut_record(c, rec, width, false);
    return st;
}
int read_cut(int unit, std::size_t width, std::string_view& rec);
// Reads the next record of a reader's main loop, cut to the keyword width; only a record that
// begins with "+" (a card line) is reported when text is cut, so the long lines of a solver
// deck that holds the blocks pass silently.
inline int read_keyword(Cursor& c, std::string_view& rec) {
    const int st = c.read(rec);
    if (st == io::ok && rec.size() > keyword_width) cut_record(c, rec, keyword_width, true);
    return st;
}
int read_keyword(int unit, std::string_view& rec);

// A keyword record split at its first comma: the head as written (leading blanks kept) and the
// option text after the comma with leading blanks removed (blank without a comma).
struct KeyLine {
    std::string_view head, option;
};
KeyLine split_keyword(std::string_view rec);
namespace nocase {

inline std::uint64_t load8(const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    return x;
}

// The eight characters of x with the letters A-Z made lower case (exact: no carry crosses a byte).
inline std::uint64_t lower8(std::uint64_t x) {
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu, high = 0x8080808080808080u;
    const std::uint64_t h = x & low7;
    const std::uint64_t from_a = h + 0x3F3F3F3F3F3F3F3Fu;  // high bit set from 'A' on
    const std::uint64_t past_z = h + 0x2525252525252525u;  // high bit set past 'Z'
    return x | ((from_a & ~past_z & ~x & high) >> 2);
}

// a[0..n) equals b[0..n) in any letter case; eight characters at a time (the last eight
// overlapping the ones before) when n is at least 8.
inline bool equal(const char* a, const char* b, std::size_t n) {
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8)
            if (lower8(load8(a + i)) != lower8(load8(b + i))) return false;
        return lower8(load8(a + n - 8)) == lower8(load8(b + n - 8));
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i] && lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace nocase

// Head comparison: equal after trailing blanks are removed, in any letter case. Inline: the
// readers compare every keyword record with several literal heads.
inline bool same_text(std::string_view a, std::string_view b) {
    while (!b.empty() && b.back() == ' ') b.remove_suffix(1);  // folded for a literal
    // a is b followed by blanks only: the characters past b are looked at first, so that a
    // longer head is refused at its first character past b, without trimming it.
    if (a.size() < b.size()) return false;
    for (std::size_t i = b.size(); i < a.size(); ++i)
        if (a[i] != ' ') return false;
    return nocase::equal(a.data(), b.data(), b.size());
}
// Case-insensitive substring test.
bool contains_text(std::string_view s, std::string_view word);
bool blank_text(std::string_view s);
// The option text with the blanks on either side of every "=" removed, as blanks around items
// are read elsewhere: "TYPE = EVOLUTION" is compared as "TYPE=EVOLUTION". The text itself when it
// has no such blank, else its copy in `buf`.
std::string_view tight_option(std::string_view option, std::string& buf);
// The block id: the first item after `skip` characters of the option text read as an integer,
// or, where that is none, the same of the option with the blanks around "=" removed (a label
// written "MatID = 1"); `fallback` when neither holds one.
int block_id(std::string_view option, std::size_t skip, int fallback);
// True when the record, leading blanks removed and blank-padded, begins with key in any case.
bool begins_with_key(std::string_view rec, std::string_view key);

// The used part of a path given as a fixed-length text field: without its trailing blanks and zero
// bytes (a field blank-padded, or filled with a C string). nullopt where a zero byte stands inside
// the used part: a system call would read the name cut there, a file the caller did not name (or
// the field holds stale bytes after its end), so such a path is refused, never cut.
std::optional<std::string_view> path_field(std::string_view field);

// Opens `workspace`/`name` (trailing blanks and zero bytes of the folder removed), else
// `filepath`, on the lowest free unit; the unit, or -1 when neither can be opened. Paths longer
// than 256 characters are not opened (never cut to another file's name). A zero byte inside
// either path refuses the call: a level -3 report naming `routine`, -1, and nothing opened.
int open_card(std::string_view filepath, std::string_view workspace, std::string_view name, std::string_view routine);

// Item count of the data block at the position; the unit is left where it stood.
int block_size(Cursor& c, std::string_view ending = "*+");
int block_size(int unit, std::string_view ending = "*+");
// Reads the data block at the position (null items read as 0); the ending record stays unread.
// ok, or the status of the first failure (after which the unit stands after the failing
// record). `values` holds what was read.
int read_block(Cursor& c, std::vector<double>& values);
int read_block(Cursor& c, std::vector<int>& values);

// read_block that records the GetDataPoints read error on failure; false then, with `values`
// emptied.
bool read_data(Cursor& c, std::vector<double>& values);
bool read_data(Cursor& c, std::vector<int>& values);
bool read_data(int unit, std::vector<double>& values);
bool read_data(int unit, std::vector<int>& values);

// (Re)creates a model table with extents e, zero-filled; std::bad_alloc when the memory cannot be
// had (the extents may come from arguments or from counters set from Python). Each reader catches
// it, records "Error: model table too large in <reader>." (level -3) and returns.
template <class T, int R>
void create(Table<T, R>& t, std::type_identity_t<std::array<std::int64_t, R>> e) {
    t.reallocate(e.data(), AllocFailure::throw_bad_alloc);
}
void too_large(std::string_view routine);

// Records "Error: Error in <label>Read operation exited with an error." (level -2).
void read_error(std::string_view label);
// Records "Warning: card value outside table in <routine>." (level -2).
void outside_table(std::string_view routine);

}  // namespace tvk::cards
