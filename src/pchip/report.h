// Report texts of the package's checks (internal): output items of either real type, and the
// single-precision twin's text derived from the double member's.
#pragma once

#include <string>
#include <string_view>

#include "core/format.h"
#include "pchip/real.h"

namespace tvk::pchip {

// A real as an output item (a float is written with its exact value).
template <class R>
io::FmtItem num(R v) {
    return io::FmtItem(static_cast<double>(v));
}

// The twin's format text from the double member's: every D edit descriptor becomes the E
// descriptor of the same width and digits, and in the quoted words the routine names lose
// their leading D (DCHFDV -> CHFDV, DPCHFE -> PCHFE) and the checks' names become the twins'
// (DEVERK -> EVERCK, DEVCHK -> EVCHCK, DEVPCK -> EVPCCK).
std::string twin_text(std::string_view dtext);

template <class R>
std::string text(std::string_view dtext) {
    return single<R> ? twin_text(dtext) : std::string(dtext);
}

}  // namespace tvk::pchip
