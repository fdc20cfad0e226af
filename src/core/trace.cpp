#include "trace.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tvk {

namespace {

// Right-justifies s in a field of width w (longer text is kept whole).
std::string rjust(std::string_view s, std::size_t w) {
    std::string out;
    if (s.size() < w) out.assign(w - s.size(), ' ');
    out.append(s);
    return out;
}

}  // namespace

std::string list_int(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%11d", v);
    return buf;
}

// gfortran writes a real(8) list item as G25.17E3 (the standard's G editing as used by
// list-directed output): with the value rounded to 17 significant digits and decimal exponent e
// (1 <= mantissa < 10), the F form with 16 - e decimals in 20 columns followed by 5 blanks when
// -1 <= e <= 16, else 1PE25.17E3 (e is that of the rounded value). glibc's printf rounds the exact
// binary value to nearest, ties to even, as gfortran does (2**-25 gives ...695312E-008).
std::string list_real(double x) {
    if (std::isnan(x)) return rjust("NaN", 25);
    if (std::isinf(x)) return rjust(x < 0 ? "-Infinity" : "Infinity", 25);
    char buf[64];
    if (x == 0.0) {
        // Zero is written in F form with 16 decimals, keeping the sign of -0.0.
        std::snprintf(buf, sizeof buf, "%.16f", x);
        return rjust(buf, 20) + "     ";
    }
    std::snprintf(buf, sizeof buf, "%.16e", x);
    std::string_view s(buf);
    const std::size_t epos = s.find('e');
    const int e = std::atoi(buf + epos + 1);
    if (e >= -1 && e <= 16) {
        std::snprintf(buf, sizeof buf, "%.*f", 16 - e, x);
        std::string f(buf);
        if (e == 16) f += '.';  // no decimals left, but the point stays
        return rjust(f, 20) + "     ";
    }
    char ex[16];
    std::snprintf(ex, sizeof ex, "E%c%03d", e < 0 ? '-' : '+', std::abs(e));
    return rjust(std::string(s.substr(0, epos)) + ex, 25);
}

Trace::~Trace() {
    if (written_) return;
    rec_ += '\n';
    std::fwrite(rec_.data(), 1, rec_.size(), stdout);
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
Trace& Trace::operator<<(int v) { return item(list_int(v), false); }
Trace& Trace::operator<<(double v) { return item(list_real(v), false); }

Trace& Trace::operator<<(std::span<const double> v) {
    for (double x : v) *this << x;
    return *this;
}

Trace& Trace::operator<<(std::span<const int> v) {
    for (int x : v) *this << x;
    return *this;
}

}  // namespace tvk
