#include "listread.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tvk::io {

namespace {

inline bool digit(char c) { return c >= '0' && c <= '9'; }

// The "C" locale for strtod_l: the decimal point must not follow the host's LC_NUMERIC.
locale_t c_locale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

namespace {

// The set bits of a 16-bit mask, in a few operations (no call where the processor has no
// population count instruction).
inline int bits16(unsigned v) {
    v = v - ((v >> 1) & 0x5555u);
    v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
    v = (v + (v >> 4)) & 0x0F0Fu;
    return static_cast<int>((v + (v >> 8)) & 0x1Fu);
}

}  // namespace

int count_items(std::string_view record) {
    // A record without commas and slashes: every item is a run of characters other than blanks
    // and tabs, counted where such a run begins (a character that is no blank after a blank, or
    // first), sixteen characters at a time where SSE2 is there.
    int n = 0;
    const char* p = record.data();
    const char* const end = p + record.size();
    unsigned after_blank = 1;  // the character before the next one is a blank (or there is none)
#if defined(__SSE2__)
    const __m128i sp = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), comma = _mm_set1_epi8(','),
                  slash = _mm_set1_epi8('/');
    const auto chunk = [&](const char* q) {  // false when the chunk holds a comma or a slash
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const unsigned special = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, comma), _mm_cmpeq_epi8(x, slash))));
        if (special) return false;
        const unsigned blank = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, sp), _mm_cmpeq_epi8(x, tab))));
        const unsigned starts = ~blank & ((blank << 1) | after_blank) & 0xFFFFu;
        n += bits16(starts);
        after_blank = (blank >> 15) & 1u;
        return true;
    };
    bool plain = true;
    for (; end - p >= 16 && plain; p += 16) plain = chunk(p);
    if (plain && p < end) {
        char last[16];  // the rest, blank-padded: blanks add no item
        std::memset(last, ' ', sizeof last);
        std::memcpy(last, p, static_cast<std::size_t>(end - p));
        plain = chunk(last);
    }
    if (plain) return n;
#else
    bool plain = true;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == ',' || c == '/') {
            plain = false;
            break;
        }
        const unsigned blank = c == ' ' || c == '\t';
        n += static_cast<int>(after_blank & (blank ^ 1u));
        after_blank = blank;
    }
    if (plain) return n;
#endif
    ListScanner sc(record);
    ListItem it;
    n = 0;
    while (sc.next(it)) ++n;
    return n;
}

namespace {

int parse_real_general(std::string_view t, double& v);

// strtod_l on the validated text with a d exponent written as e: the conversion of values
// outside the double range, whose overflow and underflow strtod reports by ERANGE.
int parse_real_strtod(std::string_view t, double& v) {
    char small[128];
    std::string large;
    char* buf = small;
    if (t.size() >= sizeof small) {
        large.assign(t);
        buf = large.data();
    } else {
        t.copy(small, t.size());
        small[t.size()] = 0;
    }
    for (std::size_t k = 0; k < t.size(); ++k)
        if (buf[k] == 'd' || buf[k] == 'D') buf[k] = 'e';
    errno = 0;
    char* end = nullptr;
    const double x = strtod_l(buf, &end, c_locale());
    if (end != buf + t.size()) return err_bad_value;
    if (errno == ERANGE && std::isinf(x)) return err_overflow;
    v = x;
    return ok;
}

}  // namespace

int parse_real(std::string_view t, double& v) {
    // The usual item: converted in one pass by the exact fast path.
    const char* const end = t.data() + t.size();
    double x = 0.0;
    if (fast::real(t.data(), end, x) == end && !t.empty()) {
        v = x;
        return ok;
    }
    return parse_real_general(t, v);
}

namespace {

int parse_real_general(std::string_view t, double& v) {
    // Validation of [sign]mantissa[exponent], gathering on the way the first 19 significant
    // digits of the mantissa, their count, the number of fraction digits and the exponent.
    const std::size_t n = t.size();
    std::size_t p = 0;
    bool neg = false;
    if (p < n && (t[p] == '+' || t[p] == '-')) neg = t[p++] == '-';
    std::uint64_t m = 0;
    // Significant digits (leading zeros not counted), fraction digits, all digits.
    std::int64_t sig = 0, frac = 0, nd = 0;
    for (; p < n && digit(t[p]); ++p, ++nd)
        if (sig || t[p] != '0') {
            if (sig < 19) m = m * 10 + static_cast<unsigned>(t[p] - '0');
            ++sig;
        }
    if (p < n && t[p] == '.')
        for (++p; p < n && digit(t[p]); ++p, ++nd, ++frac)
            if (sig || t[p] != '0') {
                if (sig < 19) m = m * 10 + static_cast<unsigned>(t[p] - '0');
                ++sig;
            }
    if (nd == 0) return err_bad_value;
    std::size_t d_exp = std::string_view::npos;  // position of a d exponent letter
    int ex = 0;                                  // the exponent, held at 100000 beyond that
    if (p < n) {
        const char e = t[p];
        if (e != 'e' && e != 'E' && e != 'd' && e != 'D') return err_bad_value;
        if (e == 'd' || e == 'D') d_exp = p;
        ++p;
        bool eneg = false;
        if (p < n && (t[p] == '+' || t[p] == '-')) eneg = t[p++] == '-';
        const std::size_t d0 = p;
        for (; p < n && digit(t[p]); ++p)
            if (ex < 100000) ex = ex * 10 + (t[p] - '0');
        if (p == d0 || p != n) return err_bad_value;
        if (eneg) ex = -ex;
    }
    // Mantissas of at most 15 significant digits are exact doubles, and so are the powers of ten
    // up to 1e22: one correctly rounded multiplication or division then gives the correctly
    // rounded value of the text, the value strtod gives.
    static constexpr double pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const std::int64_t e10 = ex - frac;
    if (sig <= 15 && e10 >= -22 && e10 <= 22) {
        double x = static_cast<double>(m);
        x = e10 < 0 ? x / pow10[static_cast<int>(-e10)] : x * pow10[static_cast<int>(e10)];
        v = neg ? -x : x;
        return ok;
    }
    // Other texts: std::from_chars, also correctly rounded, which takes no plus sign and no d
    // exponent and leaves the value unset for results outside the double range; those few go to
    // strtod, which reports overflow and gives the nearest value for an underflow.
    const char* b = t.data();
    const char* const e = b + n;
    if (*b == '+') ++b;
    char small[64];
    const char* sb = b;
    const char* se = e;
    if (d_exp != std::string_view::npos) {
        if (n > sizeof small) return parse_real_strtod(t, v);
        std::copy(b, e, small);
        small[d_exp - static_cast<std::size_t>(b - t.data())] = 'e';
        sb = small;
        se = small + (e - b);
    }
    double x = 0.0;
    const std::from_chars_result r = std::from_chars(sb, se, x);
    if (r.ec != std::errc() || r.ptr != se) return parse_real_strtod(t, v);
    v = x;
    return ok;
}

}  // namespace

int parse_int(std::string_view t, int& v) {
    const char* const end = t.data() + t.size();
    int fx = 0;
    if (fast::integer(t.data(), end, fx) == end && !t.empty()) {
        v = fx;
        return ok;
    }
    std::size_t p = 0;
    bool neg = false;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) neg = t[p++] == '-';
    if (p == t.size()) return err_bad_value;
    long long x = 0;
    bool big = false;
    for (; p < t.size(); ++p) {
        if (!digit(t[p])) return err_bad_value;
        if (!big) {
            x = x * 10 + (t[p] - '0');
            big = x > static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (neg) x = -x;
    if (big || x > INT_MAX || x < INT_MIN) return err_overflow;
    v = static_cast<int>(x);
    return ok;
}

namespace {

template <class T>
int read_values(std::string_view record, T* v, int n, int* taken) {
    ListScanner sc(record);
    int k = 0, status = ok;
    while (k < n) {
        T x;
        bool null = false;
        int s = ok;
        if (!sc.next_value(x, null, s)) {
            // A slash ends the list with the remaining targets unchanged; the end of the record
            // before n items is reported.
            status = sc.slashed() ? ok : end_of_record;
            break;
        }
        if (!null) {
            if (s) {
                status = s;
                break;
            }
            v[k] = x;
        }
        ++k;
    }
    if (taken) *taken = k;
    return status;
}

}  // namespace

int read_list(std::string_view record, double* v, int n, int* taken) { return read_values(record, v, n, taken); }

int read_list(std::string_view record, int* v, int n, int* taken) { return read_values(record, v, n, taken); }

}  // namespace tvk::io
