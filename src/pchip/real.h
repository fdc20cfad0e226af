// The two precisions of the cubic Hermite package. Every routine is written once, as a template
// on its real type R, and instantiated for double (the routine's name with a leading D, e.g.
// `dpchim`) and for float (its single-precision twin without the D, `pchim`). A twin computes
// in float throughout: constants are float values, machine constants come from `r1mach`, and it
// names itself (and the twins it calls) without the D in its error reports.
#pragma once

#include <string_view>
#include <type_traits>

namespace tvk::pchip {

template <class R>
inline constexpr bool single = std::is_same_v<R, float>;

// A routine's name in reports from the double routine's name: "DPCHIM" or "PCHIM".
template <class R>
constexpr std::string_view name(std::string_view dname) {
    return single<R> ? dname.substr(1) : dname;
}
// The text of the double routine or of its twin.
template <class R>
constexpr const char* pick(const char* dtext, const char* stext) {
    return single<R> ? stext : dtext;
}

}  // namespace tvk::pchip

// A decimal constant as the nearest value of R: for float the float literal itself, not the
// double literal rounded once more.
#define TVK_REAL(R, v) (::tvk::pchip::single<R> ? static_cast<R>(v##f) : static_cast<R>(v))
