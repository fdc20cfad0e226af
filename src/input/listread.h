// List-directed input of one record: the free-format numbers of card data lines, listing
// fields and name tags.
//
// Items are separated by blanks or tabs, or by one comma with any blanks or tabs around it; a
// comma that follows a separator comma (or stands first in the record) gives a null item, which
// counts and leaves its target unchanged; a trailing comma adds nothing; a slash ends the
// record's items. Values: integers [sign]digits; reals [sign]digits[.digits] or .digits, with an
// optional exponent letter e, E, d or D, an optional sign and digits. A repeat count ("3*1.0"),
// any other text, a real item for an integer target, an integer outside the 4-byte range and a
// real whose magnitude overflows the double range are read failures; a real that underflows
// reads as the nearest representable value.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "core/units.h"

namespace tvk::io {

// Converts one item text; ok, err_bad_value or err_overflow. `v` is set only on success.
int parse_real(std::string_view text, double& v);
int parse_int(std::string_view text, int& v);

namespace fast {

// Eight characters at a time (the first in the lowest byte of a word): the number of leading
// decimal digits, and the value of the first k (1..8) of them.
inline unsigned leading_digits(std::uint64_t x) {
    constexpr std::uint64_t hi = 0xF0F0F0F0F0F0F0F0u, lo = 0x0F0F0F0F0F0F0F0Fu;
    // A byte is no digit when its high half is not 3 or its low half is above 9 (no carry
    // crosses a byte in the sum).
    const std::uint64_t bad = ((x ^ 0x3030303030303030u) & hi) | (((x & lo) + 0x0606060606060606u) & hi);
    return bad ? static_cast<unsigned>(std::countr_zero(bad)) / 8 : 8;
}

inline std::uint64_t digits_value(std::uint64_t x, unsigned k) {
    // The k digits moved to the top, below them zeros: leading zeros of an eight-digit number.
    x = (x << (8 * (8 - k))) & 0x0F0F0F0F0F0F0F0Fu;
    x = (x * 10 + (x >> 8)) & 0x00FF00FF00FF00FFu;     // pairs
    x = (x * 100 + (x >> 16)) & 0x0000FFFF0000FFFFu;   // groups of four
    return (x * 10000 + (x >> 32)) & 0xFFFFFFFFu;
}

inline std::uint64_t load8(const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap64(x);
    return x;
}

inline constexpr std::uint64_t pow10_int[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

inline bool digit(char c) { return c >= '0' && c <= '9'; }

// Appends the digits at p (before end) to m, counting them in nd; the first character after
// them. m is exact while nd stays at most 19.
inline const char* digits(const char* p, const char* end, std::uint64_t& m, int& nd) {
    while (end - p >= 8) {
        const std::uint64_t x = load8(p);
        const unsigned k = leading_digits(x);
        if (k == 0) return p;
        m = m * pow10_int[k] + digits_value(x, k);
        nd += static_cast<int>(k);
        p += k;
        if (k < 8 || nd > 19) return p;
    }
    for (; p < end && digit(*p); ++p, ++nd) m = m * 10 + static_cast<unsigned>(*p - '0');
    return p;
}

// The real number that begins at p, when it is one whose value one correctly rounded operation
// gives: at most 19 digits making an integer m <= 2^53 (an exact double) and a decimal exponent
// e with |e| <= 22 (10^|e| an exact double), so m * 10^e or m / 10^-e is the correctly rounded
// value of the text, the value strtod gives. Returns the first character after the number and
// sets v; nullptr (v unset) for any other text, which the caller gives to the general
// conversion.
inline const char* real(const char* p, const char* end, double& v) {
    static constexpr double pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    bool neg = false;
    if (p < end && (*p == '+' || *p == '-')) neg = *p++ == '-';
    std::uint64_t m = 0;
    int nd = 0;
    p = digits(p, end, m, nd);
    int frac = 0;
    if (p < end && *p == '.') {
        const int before = nd;
        p = digits(p + 1, end, m, nd);
        frac = nd - before;
    }
    if (nd == 0 || nd > 19) return nullptr;
    int ex = 0;
    if (p < end && ((*p | 0x20) == 'e' || (*p | 0x20) == 'd')) {
        ++p;
        bool eneg = false;
        if (p < end && (*p == '+' || *p == '-')) eneg = *p++ == '-';
        const char* const d0 = p;
        for (; p < end && digit(*p) && p - d0 < 4; ++p) ex = ex * 10 + (*p - '0');
        if (p == d0 || (p < end && digit(*p))) return nullptr;
        if (eneg) ex = -ex;
    }
    const int e10 = ex - frac;
    if (m > (std::uint64_t{1} << 53) || e10 < -22 || e10 > 22) return nullptr;
    double x = static_cast<double>(m);
    x = e10 < 0 ? x / pow10[-e10] : x * pow10[e10];
    v = neg ? -x : x;
    return p;
}

// The integer that begins at p, when it has at most nine digits: the first character after it,
// v set; nullptr (v unset) otherwise.
inline const char* integer(const char* p, const char* end, int& v) {
    bool neg = false;
    if (p < end && (*p == '+' || *p == '-')) neg = *p++ == '-';
    std::uint64_t m = 0;
    int nd = 0;
    p = digits(p, end, m, nd);
    if (nd == 0 || nd > 9) return nullptr;
    v = neg ? -static_cast<int>(m) : static_cast<int>(m);
    return p;
}

}  // namespace fast

// One item of a record: its text, or a null item.
struct ListItem {
    std::string_view text;
    bool null = false;
};

// Walks the items of one record in order.
class ListScanner {
  public:
    explicit ListScanner(std::string_view record) : s_(record) {}
    // The next item; false at the end of the record or at a slash.
    bool next(ListItem& item) {
        if (done_) return false;
        for (;;) {
            while (p_ < s_.size() && blank(s_[p_])) ++p_;
            if (p_ >= s_.size()) {
                done_ = true;
                return false;
            }
            const char c = s_[p_];
            if (c == '/') {
                done_ = slash_ = true;
                return false;
            }
            if (c == ',') {
                ++p_;
                if (after_value_) {  // the separator of the value before it
                    after_value_ = false;
                    continue;
                }
                item = ListItem{{}, true};
                return true;
            }
            const std::size_t b = p_;
            while (p_ < s_.size() && !ends_item(s_[p_])) ++p_;
            item = ListItem{s_.substr(b, p_ - b), false};
            after_value_ = true;
            return true;
        }
    }
    // The next item converted as parse_real or parse_int converts its text, found and converted
    // in one scan: false at the end of the record or at a slash; otherwise `null` tells a null
    // item, and `status` is the conversion's status (x set only when ok).
    template <class T>
    bool next_value(T& x, bool& null, int& status) {
        if (done_) return false;
        for (;;) {
            while (p_ < s_.size() && blank(s_[p_])) ++p_;
            if (p_ >= s_.size()) {
                done_ = true;
                return false;
            }
            const char c = s_[p_];
            if (c == '/') {
                done_ = slash_ = true;
                return false;
            }
            if (c == ',') {
                ++p_;
                if (after_value_) {
                    after_value_ = false;
                    continue;
                }
                null = true;
                return true;
            }
            null = false;
            after_value_ = true;
            const char* const b = s_.data() + p_;
            const char* const e = s_.data() + s_.size();
            T y{};
            const char* q;
            if constexpr (std::is_same_v<T, double>) q = fast::real(b, e, y);
            else q = fast::integer(b, e, y);
            if (q && (q == e || ends_item(*q))) {
                p_ = static_cast<std::size_t>(q - s_.data());
                x = y;
                status = ok;
                return true;
            }
            // Any other item: its whole text to the general conversion.
            const std::size_t from = p_;
            while (p_ < s_.size() && !ends_item(s_[p_])) ++p_;
            const std::string_view t = s_.substr(from, p_ - from);
            if constexpr (std::is_same_v<T, double>) status = parse_real(t, x);
            else status = parse_int(t, x);
            return true;
        }
    }
    // True once a slash ended the items.
    bool slashed() const { return slash_; }

  private:
    static bool blank(char c) { return c == ' ' || c == '\t'; }
    static bool ends_item(char c) { return blank(c) || c == ',' || c == '/'; }

    std::string_view s_;
    std::size_t p_ = 0;
    bool after_value_ = false;  // a value was read and its separator comma is still allowed
    bool done_ = false;
    bool slash_ = false;
};

// Number of items of the record (null items included), as ListScanner yields them.
int count_items(std::string_view record);

// Reads up to n values from the record into v[0..n-1], item by item: null items leave their
// value. Status ok when n items were taken or a slash ended the items, end_of_record when the
// record held fewer items, or the failure of the first bad item (values before it are stored).
// `taken` (when given) receives the number of items consumed.
int read_list(std::string_view record, double* v, int n, int* taken = nullptr);
int read_list(std::string_view record, int* v, int n, int* taken = nullptr);

}  // namespace tvk::io
