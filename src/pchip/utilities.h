// Services of the interpolation packages: machine constants of both precisions, the user
// controls of the error handler (xermsg.h), a free-unit search, the date-and-time line, and the
// pieces the self-checks build their tests from (a portable random generator, a cubic test
// function, the comparison of error codes) together with the report writer they share.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/tvk.h"
#include "core/format.h"
#include "pchip/real.h"

namespace tvk::pchip {

// Machine constants i = 1..5: smallest positive magnitude, largest magnitude, smallest and
// largest relative spacing, log10(2) (the package's values, see utilities.cpp). Any other i
// prints a report and ends the process with status 1.
double d1mach(int i);
float r1mach(int i);
template <class R>
R mach(int i) {
    if constexpr (single<R>) return r1mach(i);
    else return d1mach(i);
}

// Control flag of the error handler (setting 2 of j4save): 0 silent return, +-1 print and
// return on recoverable errors, +-2 print and end the run. |kontrl| > 2 is a fatal report.
void xsetf(int kontrl);
int xgetf();
// Prints the summary of the recorded error messages and clears it.
void xerdmp();

// The first of the units 1..99 (5, 6 and 9 excepted) not connected in the unit table; 0 when
// none is free.
int get_unit();

// The date-and-time line for the given local time (hour 0..23; 24 stands for the midnight that
// ends a day) and the line of the current time on standard output.
std::string timestamp_text(int year, int month, int day, int hour, int minute, int second,
                           int millisecond);
void timestamp();

// Uniform numbers in [0, 1) from x <- (3146757 x + 1731) mod 2^22, process-wide state (0 at
// load): r = 0 steps, r > 0 reseeds from the fractional part of r, r < 0 keeps the state; the
// result is x / 2^22.
float pchip_rand(float r);

// The test cubic f(x) = x (x + 1) (x - 2) and its derivative. The single form computes in double
// and rounds.
void dfdtru(double x, double& f, double& d);
void fdtrue(float x, float& f, float& d);
template <class R>
void true_cubic(R x, R& f, R& d) {
    if constexpr (single<R>) fdtrue(x, f, d);
    else dfdtru(x, f, d);
}

// ieract == ierexp; with kprint > 2 the verdict is written to unit lout.
bool comp(int ieract, int ierexp, int lout, int kprint);

// Writes the records of one formatted write (format text in edit-descriptor notation) to a unit:
// unit 6 is standard output, any other unit a unit opened for appending in the unit table (see
// core/units.h); records for a unit that is not open are dropped.
void put(int unit, std::string_view fmt, const io::FmtItem* items, std::size_t n);
inline void put(int unit, std::string_view fmt, std::initializer_list<io::FmtItem> items) {
    put(unit, fmt, items.begin(), items.size());
}
inline void put(int unit, std::string_view fmt, const std::vector<io::FmtItem>& items) {
    put(unit, fmt, items.data(), items.size());
}

}  // namespace tvk::pchip

TVK_API double d1mach(const int* i);
TVK_API float r1mach(const int* i);
TVK_API void xsetf(const int* kontrl);
TVK_API void xgetf(int* kontrl);
TVK_API void xerdmp();
TVK_API void get_unit(int* iunit);
TVK_API void interp_timestamp();
TVK_API void pchip_timestamp();
TVK_API float pchip_rand(const float* r);
TVK_API void fdtrue(const float* x, float* f, float* d);
TVK_API void dfdtru(const double* x, double* f, double* d);
TVK_API int comp(const int* ieract, const int* ierexp, const int* lout, const int* kprint);
