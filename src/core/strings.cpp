#include "strings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tvk::text {

namespace {

inline char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
inline bool blank_or_tab(char c) { return c == ' ' || c == '\t'; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::size_t len_trim(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

int read_integer(std::string_view s, int& value) {
    std::size_t p = 0;
    while (p < s.size() && blank_or_tab(s[p])) ++p;
    if (p == s.size()) return io_end;
    if (s[p] == ',' || s[p] == '/') return 0;  // null value or end of the input list
    std::size_t q = p;
    while (q < s.size() && !blank_or_tab(s[q]) && s[q] != ',' && s[q] != '/') ++q;
    std::string_view item = s.substr(p, q - p);
    const std::size_t star = item.find('*');
    if (star != std::string_view::npos) {
        // A repeat count: positive digits before the star; "r*" alone is r null values.
        std::string_view r = item.substr(0, star);
        if (r.empty() || !std::all_of(r.begin(), r.end(), is_digit)) return io_bad;
        if (std::all_of(r.begin(), r.end(), [](char c) { return c == '0'; })) return io_bad;
        item = item.substr(star + 1);
        if (item.empty()) return 0;
    }
    std::size_t k = 0;
    bool neg = false;
    if (item[k] == '+' || item[k] == '-') neg = item[k++] == '-';
    if (k == item.size()) return io_bad;
    long long v = 0;
    for (; k < item.size(); ++k) {
        if (!is_digit(item[k])) return io_bad;
        v = v * 10 + (item[k] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return io_overflow;
    }
    if (neg) v = -v;
    if (v > INT_MAX || v < INT_MIN) return io_overflow;
    value = static_cast<int>(v);
    return 0;
}

std::string format_i0(long long v) { return std::to_string(v); }

namespace {

struct FmtItem {
    char kind;  // 'X' blanks, 'I' integer
    int w = 0, m = -1, reps = 1;
};

// Parses "(item, item, ...)" with items [r]X, [n]X, [r]Iw and [r]Iw.m; blanks are ignored.
bool parse_format(std::string_view fmt, std::vector<FmtItem>& items) {
    std::string f;
    for (char c : fmt)
        if (c != ' ') f += upper(c);
    if (f.size() < 2 || f.front() != '(' || f.back() != ')') return false;
    f = f.substr(1, f.size() - 2);
    std::size_t p = 0;
    auto number = [&](int& out) {
        std::size_t b = p;
        long long v = 0;
        while (p < f.size() && is_digit(f[p]) && p - b < 6) v = v * 10 + (f[p++] - '0');
        if (p < f.size() && is_digit(f[p])) return false;  // absurdly wide
        out = static_cast<int>(v);
        return p > b;
    };
    while (p < f.size()) {
        FmtItem it{};
        int r = 1;
        const bool has_r = number(r);
        if (p >= f.size()) return false;
        if (f[p] == 'X') {
            ++p;
            it.kind = 'X';
            it.w = has_r ? r : 1;
            if (it.w < 1) return false;
        } else if (f[p] == 'I') {
            ++p;
            it.kind = 'I';
            if (has_r && r < 1) return false;
            it.reps = r;
            if (!number(it.w)) return false;
            if (p < f.size() && f[p] == '.') {
                ++p;
                if (!number(it.m)) return false;
                if (it.w > 0 && it.m > it.w) return false;
            }
        } else {
            return false;
        }
        items.push_back(it);
        if (p < f.size()) {
            if (f[p] != ',') return false;
            ++p;
            if (p == f.size()) return false;
        }
    }
    return true;
}

// Iw.m of one value: at least m digits (leading zeros), right-justified in w (w = 0: minimal
// width); asterisks when the digits do not fit. Iw.0 of 0 is all blanks.
std::string edit_i(long long v, int w, int m) {
    std::string digits = std::to_string(v < 0 ? -v : v);
    if (m == 0 && v == 0) digits.clear();
    if (m > 0 && static_cast<int>(digits.size()) < m) digits.insert(0, static_cast<std::size_t>(m) - digits.size(), '0');
    if (v < 0) digits.insert(0, 1, '-');
    if (w == 0) return digits;
    if (static_cast<int>(digits.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - digits.size(), ' ') + digits;
}

}  // namespace

bool format_integer(std::string_view fmt, int v, std::string& out) {
    std::vector<FmtItem> items;
    if (!parse_format(fmt, items)) return false;
    out.clear();
    // Output stops at the first integer item that finds no value left (one value is written).
    bool written = false;
    for (const FmtItem& it : items) {
        if (it.kind == 'X') {
            out.append(static_cast<std::size_t>(it.w), ' ');
        } else {
            if (written) return true;
            out += edit_i(v, it.w, it.m);
            written = true;
        }
    }
    return written;  // a format without an integer item cannot write a value
}

}  // namespace tvk::text

namespace {

using tvk::text::len_trim;

// Character i (0-based) of a fixed-length text, blank beyond its length.
inline char at(std::string_view s, std::size_t i) { return i < s.size() ? s[i] : ' '; }

inline std::string_view view(const char* p, std::size_t n) { return {p, n}; }

// Writes v into a buffer of `len` characters, cut or blank-padded.
void put(char* out, std::size_t len, std::string_view v) {
    const std::size_t k = std::min(len, v.size());
    if (k) std::memcpy(out, v.data(), k);
    if (len > k) std::memset(out + k, ' ', len - k);
}

// The first n characters of s (n < 1: none), blank beyond the end of s.
std::string head(std::string_view s, int n) {
    std::string r;
    if (n < 1) return r;
    r.resize(static_cast<std::size_t>(n), ' ');
    std::memcpy(r.data(), s.data(), std::min(s.size(), r.size()));
    return r;
}

// Result of length n in a buffer of length lr: the text cut or padded to n, the buffer padded.
void put_n(char* out, std::size_t lr, std::string_view v, int n) {
    const std::size_t len = std::min<std::size_t>(lr, static_cast<std::size_t>(std::max(n, 0)));
    put(out, len, v);
    if (lr > len) std::memset(out + len, ' ', lr - len);
}

std::string adjustl(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    std::string r(s.substr(b));
    r.append(b, ' ');
    return r;
}

std::string fold(std::string_view s, char (*f)(char)) {
    std::string r(s);
    for (char& c : r) c = f(c);
    return r;
}
char to_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
char to_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

int tally_view(std::string_view s, std::string_view text, bool case_sensitive) {
    const std::size_t nt = len_trim(text);
    if (nt == 0) return static_cast<int>(s.size()) + 1;
    if (nt > s.size()) return 0;
    std::string hay, pat(text.substr(0, nt));
    if (case_sensitive) {
        hay.assign(s);
    } else {
        hay = fold(adjustl(s), to_lower);
        pat = fold(pat, to_lower);
    }
    int count = 0;
    for (std::size_t i = 0; i + nt <= hay.size(); ++i)
        if (hay.compare(i, nt, pat) == 0) ++count;
    return count;
}

// Fortran's clen: the position before a final NUL (trailing blanks aside), else the full length.
std::size_t clen_view(std::string_view s) {
    const std::size_t i = len_trim(s);
    if (i > 0 && s[i - 1] == '\0') return i - 1;
    return s.size();
}
std::size_t clen_trim_view(std::string_view s) {
    const std::size_t i = len_trim(s);
    if (i > 0 && s[i - 1] == '\0') return i - 1;
    return i;
}

// First position (0-based) of needle in hay at or after `from`; npos when absent. An empty needle
// is found at `from`.
std::size_t index_of(std::string_view hay, std::string_view needle, std::size_t from = 0) {
    if (from > hay.size()) return std::string_view::npos;
    return hay.find(needle, from);
}

}  // namespace

int match(const char* a, const char* b, std::size_t la, std::size_t lb) {
    std::string_view x = view(a, la), y = view(b, lb);
    const std::size_t nx = len_trim(x), ny = len_trim(y);
    if (nx != ny) return 0;
    for (std::size_t i = 0; i < nx; ++i)
        if (to_lower(x[i]) != to_lower(y[i])) return 0;
    return 1;
}

int occurs(const char* a, const char* b, std::size_t la, std::size_t lb) {
    return tally_view(view(a, la), view(b, lb), false) >= 1 ? 1 : 0;
}

int tally(const char* s, const char* text, const int* csflag, std::size_t ls, std::size_t lt) {
    const bool cs = csflag == nullptr || *csflag == 1;
    return tally_view(view(s, ls), view(text, lt), cs);
}

void split(char* a, char* b, const char* s, const char* sdelim, const int* n, std::size_t la, std::size_t lb,
           std::size_t ls, std::size_t ld) {
    if (*n < 1) return;
    std::string_view sv = view(s, ls);
    const char d = ld >= 1 ? sdelim[0] : ' ';
    const std::size_t i = sv.find(d);
    if (i == std::string_view::npos) {
        put_n(a, la, sv, *n);
        put_n(b, lb, {}, *n);
    } else {
        put_n(a, la, sv.substr(0, i), *n);
        put_n(b, lb, sv.substr(i + 1), *n);
    }
}

void extract(char* result, const char* s, const char* startkey, const char* stopkey, const int* n,
             std::size_t lr, std::size_t ls, std::size_t lstart, std::size_t lstop) {
    std::string_view sv = view(s, ls), k1 = view(startkey, lstart), k2 = view(stopkey, lstop);
    // 1-based start: after the last startkey (its full length searched), or len_trim(startkey)
    // when the key is absent; never before the first character.
    const std::size_t last = sv.rfind(k1);
    long long istart = (last == std::string_view::npos ? 0 : static_cast<long long>(last) + 1) +
                       static_cast<long long>(len_trim(k1));
    istart = std::max(istart, 1LL);
    std::string piece;
    if (istart <= static_cast<long long>(ls) + 1) {
        std::string_view rest = sv.substr(static_cast<std::size_t>(istart - 1));
        const std::size_t j0 = index_of(rest, k2);
        const long long j = j0 == std::string_view::npos ? 0 : static_cast<long long>(j0) + 1;
        // s(istart : istart + j - 2): the text up to the character before the stop key, clipped
        // to the text. (A key that is empty or blank ends one character later, with the blank it
        // found or the one character an empty key stands before, as it always has.)
        const long long back = std::min<long long>(static_cast<long long>(len_trim(k2)), 1);
        const long long hi = std::min<long long>(istart + j - 1 - back, static_cast<long long>(ls));
        if (hi >= istart) piece.assign(sv.substr(static_cast<std::size_t>(istart - 1), static_cast<std::size_t>(hi - istart + 1)));
    }
    put_n(result, lr, adjustl(piece), *n);
}

void lowercase(char* result, const char* s, const int* n, std::size_t lr, std::size_t ls) {
    put_n(result, lr, fold(head(view(s, ls), *n), to_lower), *n);
}

void uppercase(char* result, const char* s, const int* n, std::size_t lr, std::size_t ls) {
    put_n(result, lr, fold(head(view(s, ls), *n), to_upper), *n);
}

void translate(const char* s0, char* sout, const int* codes, const int* n, const int* nc, std::size_t ls0,
               std::size_t lsout) {
    std::string r = head(view(s0, ls0), *n);
    const int rows = std::max(*nc, 0);
    for (char& c : r) {
        const int code = static_cast<unsigned char>(c);
        for (int k = 0; k < rows; ++k)
            if (codes[k] == code) {
                c = static_cast<char>(static_cast<unsigned char>(codes[rows + k]));
                break;
            }
    }
    put_n(sout, lsout, r, *n);
}

void replacetext(const char* s, const char* text, const char* rep, char* sout, const int* nout, std::size_t ls,
                 std::size_t ltext, std::size_t lrep, std::size_t lsout) {
    const int no = std::max(*nout, 0);
    std::string out = head(view(s, ls), no);
    std::string_view tv = view(text, ltext), rv = view(rep, lrep);
    const std::string pat(tv.substr(0, len_trim(tv)));
    const std::string r(rv.substr(0, len_trim(rv)));
    auto replace_at = [&](std::size_t pos) {
        out.replace(pos, pat.size(), r);
        out.resize(static_cast<std::size_t>(no), ' ');
    };
    if (!pat.empty() && r.find(pat) != std::string::npos) {
        // A replacement that contains the text would be found again forever by a search from the
        // start; one left-to-right pass resuming after each inserted replacement instead.
        std::size_t from = 0;
        for (std::size_t pos; (pos = out.find(pat, from)) != std::string::npos;) {
            replace_at(pos);
            from = pos + r.size();
        }
    } else if (!pat.empty()) {
        // Search from the start after every replacement. Each pass costs O(nout); the cap bounds
        // the total work for replacement pairs that keep recreating the text.
        const std::size_t cap = std::max<std::size_t>(4096, (std::size_t{1} << 27) / (static_cast<std::size_t>(no) + 1));
        for (std::size_t k = 0, pos; k < cap && (pos = out.find(pat)) != std::string::npos; ++k) replace_at(pos);
    }
    put_n(sout, lsout, out, no);
}

void reduceblanks(const char* s, char* sout, const int* nout, std::size_t ls, std::size_t lsout) {
    std::string_view sv = view(s, ls);
    const std::size_t L = len_trim(sv);
    std::string out;
    for (std::size_t i = 0; i < L; ++i)
        if (!(sv[i] == ' ' && i + 1 < L && sv[i + 1] == ' ')) out += sv[i];
    put_n(sout, lsout, out, *nout);
}

int countitems(const char* s0, std::size_t ls0) {
    std::string w(view(s0, ls0).substr(0, clen_view(view(s0, ls0))));
    std::replace(w.begin(), w.end(), '\t', ' ');
    const std::size_t L = len_trim(w);
    if (L == 0) return 0;
    if (L == 1) return 1;
    int count = 1;
    for (std::size_t i = 0; i + 1 < L; ++i) {
        const char c = w[i], d = w[i + 1];
        if ((c != ' ' && c != ',' && d == ' ') || d == ',') ++count;
    }
    return count;
}

void str2int(const char* ca, int* integ, int* istat, std::size_t lca) {
    *istat = 0;
    *istat = tvk::text::read_integer(view(ca, lca), *integ);
}

void int2str(const int* integ, char* ca, int* istat, const int* n, std::size_t lca) {
    const std::size_t len = std::min<std::size_t>(lca, static_cast<std::size_t>(std::max(*n, 0)));
    const std::string d = tvk::text::format_i0(*integ);
    if (d.size() > len) {
        put(ca, len, {});
        *istat = tvk::text::io_eor;
        return;
    }
    put(ca, len, d);
    *istat = 0;
}

void int2aformat(char* j2s, const int* jrray, const char* aw, const int* jmax, const int* sout, const int* n,
                 const int* m, std::size_t lj2s, std::size_t law) {
    const int so = std::max(*sout, 0);
    const int width = std::max(*jmax, 0);
    const std::string_view fmt = view(aw, law);
    std::string acc;
    std::string field;
    for (long long j = 0; j < *m; ++j)
        for (long long i = 0; i < *n; ++i) {
            const int v = jrray[i + j * static_cast<long long>(std::max(*n, 0))];
            // A format that cannot write the value, or output wider than the field, gives a
            // field of asterisks (a formatted write would stop the program there).
            // Only the first sout characters of a field can reach the result (it is cut to sout
            // after every field, and the blanks that pad a field are trimmed before the next one),
            // so a field is never built wider than that: a huge jmax costs nothing.
            const std::size_t shown = std::min<std::size_t>(static_cast<std::size_t>(width), static_cast<std::size_t>(so));
            if (!tvk::text::format_integer(fmt, v, field) || static_cast<int>(field.size()) > width)
                field.assign(shown, '*');
            field.resize(std::max(field.size(), shown), ' ');
            acc.resize(len_trim(acc));
            acc += adjustl(field);
            if (acc.size() > static_cast<std::size_t>(so)) acc.resize(static_cast<std::size_t>(so));
        }
    put_n(j2s, lj2s, acc, so);
}

void str2ascii(int* ia, const char* ca, const int* n, std::size_t lca) {
    std::string_view sv = view(ca, lca);
    for (int i = 0; i < *n; ++i) ia[i] = static_cast<unsigned char>(at(sv, static_cast<std::size_t>(i)));
}

void copys2a(const char* s, char* ca, const int* n, std::size_t ls, std::size_t lca) {
    (void)lca;  // ca is an array of n one-character elements
    std::string_view sv = view(s, ls);
    for (int i = 0; i < *n; ++i) ca[i] = at(sv, static_cast<std::size_t>(i));
}

void copya2s(const char* ca, char* s, const int* n, std::size_t lca, std::size_t ls) {
    (void)lca;
    const std::size_t k = std::min<std::size_t>(ls, static_cast<std::size_t>(std::max(*n, 0)));
    if (k) std::memcpy(s, ca, k);
}

void spack(const char* s, const char* ex, char* sout, const int* ns, const int* nx, std::size_t ls,
           std::size_t lex, std::size_t lsout) {
    std::string_view sv = view(s, ls);
    std::string_view set = view(ex, lex).substr(0, std::min<std::size_t>(lex, static_cast<std::size_t>(std::max(*nx, 0))));
    std::string out;
    for (char c : sv)
        if (set.find(c) != std::string_view::npos) out += c;
    put_n(sout, lsout, out, *ns);
}

int clen(const char* s, std::size_t ls) { return static_cast<int>(clen_view(view(s, ls))); }

int clen_trim(const char* s, std::size_t ls) { return static_cast<int>(clen_trim_view(view(s, ls))); }

void ctrim(char* result, const char* s, const int* n, std::size_t lr, std::size_t ls) {
    std::string_view sv = view(s, ls);
    put_n(result, lr, sv.substr(0, clen_trim_view(sv)), *n);
}

void inistringwithcharacter(char* result, const char* ch, const int* n, std::size_t lr, std::size_t lch) {
    const int k = std::max(*n, 0);
    put_n(result, lr, std::string(static_cast<std::size_t>(k), lch >= 1 ? ch[0] : ' '), k);
}
