#include "trace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tvk {

namespace {

// A field built in place: the longest is 25 characters.
struct Field {
    char buf[64];
    std::size_t n = 0;
    void blanks(std::size_t k) {
        k = std::min(k, sizeof buf - n);
        std::memset(buf + n, ' ', k);
        n += k;
    }
    void put(std::string_view s) {
        const std::size_t k = std::min(s.size(), sizeof buf - n);
        std::memcpy(buf + n, s.data(), k);
        n += k;
    }
    std::string_view view() const { return {buf, n}; }
};

// s right-justified in a field of width w (longer text is kept whole).
void rjust(Field& f, std::string_view s, std::size_t w) {
    if (s.size() < w) f.blanks(w - s.size());
    f.put(s);
}

Field int_field(int v) {
    Field f;
    const int n = std::snprintf(f.buf, sizeof f.buf, "%11d", v);
    f.n = static_cast<std::size_t>(std::max(n, 0));
    return f;
}

// gfortran writes a real(8) list item as G25.17E3 (the standard's G editing as used by
// list-directed output): with the value rounded to 17 significant digits and decimal exponent e
// (1 <= mantissa < 10), the F form with 16 - e decimals in 20 columns followed by 5 blanks when
// -1 <= e <= 16, else 1PE25.17E3 (e is that of the rounded value). glibc's printf rounds the exact
// binary value to nearest, ties to even, as gfortran does (2**-25 gives ...695312E-008).
Field real_field(double x) {
    Field f;
    if (std::isnan(x)) {
        rjust(f, "NaN", 25);
        return f;
    }
    if (std::isinf(x)) {
        rjust(f, x < 0 ? "-Infinity" : "Infinity", 25);
        return f;
    }
    char buf[64];
    if (x == 0.0) {
        // Zero is written in F form with 16 decimals, keeping the sign of -0.0.
        std::snprintf(buf, sizeof buf, "%.16f", x);
        rjust(f, buf, 20);
        f.blanks(5);
        return f;
    }
    std::snprintf(buf, sizeof buf, "%.16e", x);
    const std::string_view s(buf);
    const std::size_t epos = s.find('e');
    const int e = std::atoi(buf + epos + 1);
    if (e >= -1 && e <= 16) {
        char g[64];
        std::size_t len = static_cast<std::size_t>(std::max(std::snprintf(g, sizeof g - 1, "%.*f", 16 - e, x), 0));
        len = std::min(len, sizeof g - 2);
        if (e == 16) g[len++] = '.';  // no decimals left, but the point stays
        rjust(f, std::string_view(g, len), 20);
        f.blanks(5);
        return f;
    }
    char ex[16];
    const int m = std::snprintf(ex, sizeof ex, "E%c%03d", e < 0 ? '-' : '+', std::abs(e));
    const std::string_view mantissa = s.substr(0, epos), exponent(ex, static_cast<std::size_t>(std::max(m, 0)));
    const std::size_t len = mantissa.size() + exponent.size();
    if (len < 25) f.blanks(25 - len);
    f.put(mantissa);
    f.put(exponent);
    return f;
}

// The record buffer of the last trace of this thread, taken over by the next one: tracing
// routines that run per material point write their records without a heap allocation once the
// buffer has grown to their longest record.
thread_local std::string spare_record;

}  // namespace

std::string list_int(int v) { return std::string(int_field(v).view()); }

std::string list_real(double x) { return std::string(real_field(x).view()); }

Trace::Trace() : rec_(std::move(spare_record)) { rec_.clear(); }

Trace::~Trace() {
    if (written_) return;
    rec_ += '\n';
    std::fwrite(rec_.data(), 1, rec_.size(), stdout);
    if (rec_.capacity() > spare_record.capacity()) spare_record = std::move(rec_);
}

std::string Trace::take() {
    written_ = true;
    return std::move(rec_);
}

Trace& Trace::item(std::string_view field, bool is_text) {
    // The blank that starts the record doubles as the first separator.
    if (!(is_text && last_text_ && any_)) rec_ += ' ';
    rec_.append(field);
    last_text_ = is_text;
    any_ = true;
    return *this;
}

Trace& Trace::operator<<(std::string_view text) { return item(text, true); }
Trace& Trace::operator<<(int v) { return item(int_field(v).view(), false); }
Trace& Trace::operator<<(double v) { return item(real_field(v).view(), false); }

Trace& Trace::operator<<(std::span<const double> v) {
    for (double x : v) *this << x;
    return *this;
}

Trace& Trace::operator<<(std::span<const int> v) {
    for (int x : v) *this << x;
    return *this;
}

}  // namespace tvk
