// Card grammar helpers and the reading primitives on a unit.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "cards.h"
#include "core/errors.h"
#include "core/strings.h"
#include "core/units.h"
#include "iohandling.h"
#include "listread.h"

namespace tvk::cards {

namespace {

inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string_view trim_left(std::string_view s) {
    std::size_t p = 0;
    while (p < s.size() && s[p] == ' ') ++p;
    return s.substr(p);
}

bool ending_record(std::string_view rec, std::string_view ending) {
    const char c = rec.empty() ? ' ' : rec[0];
    for (const char e : ending)  // a few characters: no library search
        if (e == c) return true;
    return false;
}

template <class T>
int read_block_of(Cursor& c, std::vector<T>& values) {
    values.clear();
    for (;;) {
        std::string_view rec;
        const int st = read_cut(c, data_width, rec);
        if (st == io::end_of_file || (st == io::ok && ending_record(rec, "*+"))) {
            c.back();
            return io::ok;
        }
        if (st != io::ok) return st;
        io::ListScanner sc(rec);
        T v{};
        bool null = false;
        int s = io::ok;
        while (sc.next_value(v, null, s)) {
            if (null) v = T{};
            else if (s) return s;
            values.push_back(v);
        }
    }
}

}  // namespace

// A cut record is reported when it is a keyword line read as one, or a data line read as one
// (a solver line that ends a block or stands between blocks is not card input).
namespace {

// A level -2 report of the primitives reading through the cursor, held when it holds.
void note(Cursor& c, std::string_view msg) {
    if (std::vector<std::string>* held = c.held()) held->emplace_back(msg);
    else report(-2, msg);
}

}  // namespace

void HeldReports::release() {
    hold(false);
    for (const std::string& m : msgs_) report(-2, m);
    msgs_.clear();
}

bool cut_record(Cursor& c, std::string_view& rec, std::size_t width, bool keyword) {
    const bool card_line = keyword ? rec[0] == '+' : rec[0] != '*' && rec[0] != '+';
    const bool cut = card_line && rec.find_first_not_of(" \t", width) != std::string_view::npos;
    if (cut) note(c, cut_message);
    rec = rec.substr(0, width);
    return cut;
}

int read_cut(int unit, std::size_t width, std::string_view& rec) {
    Cursor c(unit);
    return read_cut(c, width, rec);
}

int read_keyword(int unit, std::string_view& rec) {
    Cursor c(unit);
    return read_keyword(c, rec);
}

KeyLine split_keyword(std::string_view rec) {
    // Keyword records are short: eight characters at a time rather than a library search.
    std::size_t c = 0;
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu;
    for (; c + 8 <= rec.size(); c += 8) {
        const std::uint64_t t = nocase::load8(rec.data() + c) ^ 0x2C2C2C2C2C2C2C2Cu;  // ','
        const std::uint64_t commas = ~(((t & low7) + low7) | t) & 0x8080808080808080u;
        if (commas) {
            c += static_cast<std::size_t>(std::countr_zero(commas)) / 8;
            return {rec.substr(0, c), trim_left(rec.substr(c + 1))};
        }
    }
    while (c < rec.size() && rec[c] != ',') ++c;
    if (c == rec.size()) return {rec, {}};
    return {rec.substr(0, c), trim_left(rec.substr(c + 1))};
}

bool contains_text(std::string_view s, std::string_view word) {
    if (word.empty()) return true;
    if (word.size() > s.size()) return false;
    if (s.size() <= 96) {
        // A keyword option: every start tried in a plain loop, cheaper than library searches.
        const char first = lower(word[0]);
        for (std::size_t p = 0; p + word.size() <= s.size(); ++p)
            if (lower(s[p]) == first && nocase::equal(s.data() + p + 1, word.data() + 1, word.size() - 1)) return true;
        return false;
    }
    // Candidate starts are the places of the first character in either case, found with memchr;
    // the next place of each case is kept until passed, so the scan stays linear.
    const char a = lower(word[0]), b = a >= 'a' && a <= 'z' ? static_cast<char>(a - 32) : a;
    const char* const base = s.data();
    const std::size_t span = s.size() - word.size() + 1;  // number of candidate starts
    const auto find = [&](char c, std::size_t from) {
        const void* q = std::memchr(base + from, c, span - from);
        return q ? static_cast<std::size_t>(static_cast<const char*>(q) - base) : span;
    };
    std::size_t pa = find(a, 0), pb = b == a ? span : find(b, 0);
    for (;;) {
        const std::size_t p = std::min(pa, pb);
        if (p >= span) return false;
        std::size_t k = 1;
        while (k < word.size() && lower(s[p + k]) == lower(word[k])) ++k;
        if (k == word.size()) return true;
        if (pa == p) pa = p + 1 < span ? find(a, p + 1) : span;
        if (pb == p) pb = p + 1 < span ? find(b, p + 1) : span;
    }
}

bool blank_text(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::string_view tight_option(std::string_view option, std::string& buf) {
    bool loose = false;
    for (std::size_t i = option.find('='); i != std::string_view::npos && !loose; i = option.find('=', i + 1))
        loose = (i > 0 && option[i - 1] == ' ') || (i + 1 < option.size() && option[i + 1] == ' ');
    if (!loose) return option;
    buf.clear();
    for (std::size_t i = 0; i < option.size(); ++i) {
        const char ch = option[i];
        if (ch == '=') {
            while (!buf.empty() && buf.back() == ' ') buf.pop_back();
            buf += ch;
            while (i + 1 < option.size() && option[i + 1] == ' ') ++i;
        } else {
            buf += ch;
        }
    }
    return buf;
}

namespace {

// The first item after `skip` characters read as an integer into id; false when there is none.
bool id_after(std::string_view option, std::size_t skip, int& id) {
    if (option.size() <= skip) return false;
    io::ListScanner sc(option.substr(skip));
    io::ListItem it;
    return sc.next(it) && !it.null && io::parse_int(it.text, id) == io::ok;
}

}  // namespace

int block_id(std::string_view option, std::size_t skip, int fallback) {
    int id = fallback;
    if (id_after(option, skip, id)) return id;
    std::string buf;
    const std::string_view tight = tight_option(option, buf);
    if (tight.size() != option.size() && id_after(tight, skip, id)) return id;
    return fallback;
}

bool begins_with_key(std::string_view rec, std::string_view key) {
    std::size_t p = 0;
    while (p < rec.size() && rec[p] == ' ') ++p;
    if (rec.size() - p >= key.size()) {
        // Most records differ within their first two characters: those are looked at first.
        for (std::size_t k = 0; k < 2 && k < key.size(); ++k)
            if (rec[p + k] != key[k] && lower(rec[p + k]) != lower(key[k])) return false;
        return nocase::equal(rec.data() + p, key.data(), key.size());
    }
    for (std::size_t k = 0; k < key.size(); ++k) {
        const char c = p + k < rec.size() ? rec[p + k] : ' ';
        if (lower(c) != lower(key[k])) return false;
    }
    return true;
}

std::optional<std::string_view> path_field(std::string_view field) {
    std::size_t n = field.size();
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    field = field.substr(0, n);
    if (field.find('\0') != std::string_view::npos) return std::nullopt;
    return field;
}

int open_card(std::string_view filepath, std::string_view workspace, std::string_view name, std::string_view routine) {
    const std::optional<std::string_view> folder = path_field(workspace), deck = path_field(filepath);
    if (!folder || !deck) {
        report(-3, "Error: path with an embedded zero byte in " + std::string(routine) + ".");
        return -1;
    }
    const int unit = io::free_unit(1, io::max_unit);
    if (unit < 0) return -1;
    std::string path(*folder);
    path += '/';
    path += name;
    if (path.size() > path_width || io::open_read(unit, path) != io::ok)
        if (deck->size() > path_width || io::open_read(unit, *deck) != io::ok) return -1;
    return unit;
}

int block_size(Cursor& c, std::string_view ending) {
    int n = 0;
    long long nread = 0;
    for (;;) {
        std::string_view rec;
        const int st = read_cut(c, data_width, rec);
        if (st == io::ok || st == io::end_of_file) ++nread;
        if (st != io::ok || ending_record(rec, ending)) break;
        n += io::count_items(rec);
    }
    c.back(nread);
    return n;
}

int block_size(int unit, std::string_view ending) {
    Cursor c(unit);
    return block_size(c, ending);
}

int read_block(Cursor& c, std::vector<double>& values) {
    return read_block_of(c, values);
}

int read_block(Cursor& c, std::vector<int>& values) {
    return read_block_of(c, values);
}

namespace {

template <class T>
bool read_data_of(Cursor& c, std::vector<T>& values) {
    if (read_block(c, values) == io::ok) return true;
    note(c, compose("Error: Error in GetDataPoints", "Read operation exited with an error."));
    values.clear();
    return false;
}

}  // namespace

bool read_data(Cursor& c, std::vector<double>& values) { return read_data_of(c, values); }
bool read_data(Cursor& c, std::vector<int>& values) { return read_data_of(c, values); }

bool read_data(int unit, std::vector<double>& values) {
    Cursor c(unit);
    return read_data_of(c, values);
}

bool read_data(int unit, std::vector<int>& values) {
    Cursor c(unit);
    return read_data_of(c, values);
}

void read_error(std::string_view label) { report(-2, compose(label, "Read operation exited with an error.")); }

void too_large(std::string_view routine) {
    std::string msg = "Error: model table too large in ";
    msg += routine;
    msg += '.';
    report(-3, msg);
}

void outside_table(std::string_view routine) {
    std::string msg = "Warning: card value outside table in ";
    msg += routine;
    msg += '.';
    report(-2, msg);
}

}  // namespace tvk::cards

// ---- the C entry points ----------------------------------------------------------------------

namespace {

using namespace tvk;
using tvk::cards::read_error;

std::string_view as_view(const char* s, std::size_t n) { return s ? std::string_view(s, n) : std::string_view(); }

// The first k characters of a text argument, k clamped to its length.
std::string_view head_of(const char* s, std::size_t n, const int* k) {
    const int want = k ? *k : 0;
    return as_view(s, n).substr(0, static_cast<std::size_t>(std::clamp<long long>(want, 0, static_cast<long long>(n))));
}

template <class T>
void getdatapoints(const int* fileid, T* outdata, const int* n) {
    std::vector<T> values;
    if (!cards::read_data(*fileid, values)) return;
    const std::size_t room = *n > 0 ? static_cast<std::size_t>(*n) : 0;
    if (values.size() > room) cards::outside_table("GetDataPoints");
    std::copy_n(values.begin(), std::min(room, values.size()), outdata);
}

}  // namespace

TVK_API void RewindFile(const int* fileid, const int* nrwd) {
    if (*nrwd > 0) io::backspace(*fileid, *nrwd);
}

TVK_API int getsizeofdata(const int* fileid, const char* skeys, const int* ls, std::size_t lskeys) {
    return cards::block_size(*fileid, head_of(skeys, lskeys, ls));
}

TVK_API void real_getdatapoints(const int* fileid, double* outdata, const int* n) { getdatapoints(fileid, outdata, n); }

TVK_API void int_getdatapoints(const int* fileid, int* outdata, const int* n) { getdatapoints(fileid, outdata, n); }

TVK_API void getxydatapoints(const int* fileid, double* xydata, const int* ndata, const int* nrows) {
    const int nd = *ndata, nr = *nrows;
    const int count = cards::block_size(*fileid);
    if (nd < 1 || count / nd != nr) {
        read_error("Error: Error in GetXYDataPoints");
        return;
    }
    std::vector<double> values;
    if (!cards::read_data(*fileid, values)) return;
    // Value v is xydata(v / nrows + 1, v % nrows + 1): line i of a block of ndata lines is row i.
    const std::size_t used = std::min(values.size(), static_cast<std::size_t>(nd) * static_cast<std::size_t>(nr));
    if (values.size() > used) cards::outside_table("GetXYDataPoints");
    for (std::size_t v = 0; v < used; ++v)
        xydata[(v / nr) + (v % nr) * static_cast<std::size_t>(nd)] = values[v];
}

TVK_API int get2nextkey(const int* fileid, const int* dirflag, const char* keyword, const int* lkey,
                        const int* ulimit, const int* returnkey, std::size_t lkeyword) {
    const bool readkey = returnkey && *returnkey == 1;
    const std::string_view key = head_of(keyword, lkeyword, lkey);
    // Read as the cards are (a byte-order mark at the start of the file is no part of the first
    // record); the leading blanks of a record may be spaces or tabs.
    cards::Cursor c(*fileid);
    bool found = false;
    for (int i = 1; i <= *ulimit; ++i) {
        if (*dirflag == -1) c.back(2);
        std::string_view rec;
        const int st = c.read(rec);
        if (st > 0) {
            read_error("Error: Error in Get2NextKey");
            return 0;
        }
        if (st == io::end_of_file) break;
        rec.remove_prefix(std::min(rec.find_first_not_of(" \t"), rec.size()));
        if (cards::begins_with_key(rec, key)) {
            found = true;
            break;
        }
    }
    if (readkey) c.back();
    return found ? 1 : 0;
}

TVK_API int getnumberofkeywords(const int* fileid, const char* keyword, const int* lkey, const int* rwd,
                                std::size_t lkeyword) {
    const std::string_view key = head_of(keyword, lkeyword, lkey);
    int count = 0;
    for (;;) {
        std::string_view rec;
        const int st = io::read_record(*fileid, rec);
        if (st == io::end_of_file) break;
        if (st != io::ok) {
            read_error("Error: Error in GetNumberOfKeywords");
            return count;
        }
        if (cards::begins_with_key(rec.substr(0, std::min(rec.size(), cards::data_width)), key)) ++count;
    }
    if (!rwd || *rwd) io::rewind_unit(*fileid);
    return count;
}

TVK_API int GetFileLength(const int* fileid, const int* rwd) {
    int count = 0;
    for (;;) {
        std::string_view rec;
        const int st = io::read_record(*fileid, rec);
        if (st == io::end_of_file || st == io::end_of_record) break;
        if (st != io::ok) {
            read_error("Error: Error in GetFileLength");
            return count;
        }
        ++count;
    }
    if (!rwd || *rwd) io::rewind_unit(*fileid);
    return count;
}

TVK_API int getunitnumber(const char* filename, std::size_t lfilename) {
    std::string_view name = as_view(filename, lfilename);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    return io::unit_of(name);
}

TVK_API int GetFreeUnitNumber(const int* first, const int* last) { return io::free_unit(*first, *last); }
