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

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "core/units.h"

namespace tvk::io {

// Converts one item text; ok, err_bad_value or err_overflow. `v` is set only on success.
int parse_real(std::string_view text, double& v);
int parse_int(std::string_view text, int& v);

namespace fast {

inline bool digit(char c) { return c >= '0' && c <= '9'; }

// Character classes of the scanner by table: blank or tab, comma or slash (both end an item).
inline constexpr unsigned char cls_blank = 1, cls_end = 2;
struct CharClasses {
    unsigned char c[256];
};
inline constexpr CharClasses char_class = [] {
    CharClasses t{};
    t.c[static_cast<unsigned char>(' ')] = t.c[static_cast<unsigned char>('\t')] = cls_blank;
    t.c[static_cast<unsigned char>(',')] = t.c[static_cast<unsigned char>('/')] = cls_end;
    return t;
}();

// Appends the digits at p (before end) to m, counting them in nd; the first character after
// them. m is exact while nd stays at most 19. One digit at a time: the numbers of cards and
// listings are short, and for them this measured faster than eight digits at a time in a word.
inline const char* digits(const char* p, const char* end, std::uint64_t& m, std::ptrdiff_t& nd) {
    const char* const from = p;
    for (; p < end; ++p) {
        const unsigned d = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
        if (d > 9) break;
        m = m * 10 + d;
    }
    nd += p - from;
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
    std::ptrdiff_t nd = 0;
    p = digits(p, end, m, nd);
    std::ptrdiff_t frac = 0;
    if (p < end && *p == '.') {
        const std::ptrdiff_t before = nd;
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
    const std::ptrdiff_t e10 = ex - frac;
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
    std::ptrdiff_t nd = 0;
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
        switch (step()) {
            case Step::end: return false;
            case Step::null: item = ListItem{{}, true}; return true;
            case Step::value: break;
        }
        const std::size_t b = p_;
        while (p_ < s_.size() && !ends_item(s_[p_])) ++p_;
        item = ListItem{s_.substr(b, p_ - b), false};
        after_value_ = true;
        return true;
    }
    // The next item converted as parse_real or parse_int converts its text, found and converted
    // in one scan: false at the end of the record or at a slash; otherwise `null` tells a null
    // item, and `status` is the conversion's status (x set only when ok).
    template <class T>
    bool next_value(T& x, bool& null, int& status) {
        switch (step()) {
            case Step::end: return false;
            case Step::null: null = true; return true;
            case Step::value: break;
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
    // True once a slash ended the items.
    bool slashed() const { return slash_; }

  private:
    enum class Step { end, null, value };
    // Moves to the next item: `end` at the end of the record or at a slash, `null` for an empty
    // item (taken), `value` with p_ on the first character of a value.
    Step step() {
        if (done_) return Step::end;
        for (;;) {
            while (p_ < s_.size() && blank(s_[p_])) ++p_;
            if (p_ >= s_.size()) {
                done_ = true;
                return Step::end;
            }
            const char c = s_[p_];
            if (c == '/') {
                done_ = slash_ = true;
                return Step::end;
            }
            if (c != ',') return Step::value;
            ++p_;
            if (!after_value_) return Step::null;
            after_value_ = false;  // the separator of the value before it
        }
    }
    static bool blank(char c) { return fast::char_class.c[static_cast<unsigned char>(c)] == fast::cls_blank; }
    static bool ends_item(char c) { return fast::char_class.c[static_cast<unsigned char>(c)] != 0; }

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
