#include "pchip/utilities.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/host.h"
#include "core/units.h"
#include "pchip/xermsg.h"

namespace tvk::pchip {

namespace {

// Index out of range: the report on standard output, then the end of the process. Status 1: a
// failed request must not end the process as if it had succeeded.
[[noreturn]] void machine_constant_out_of_range(const char* routine, int i) {
    char text[224];
    const int len = std::snprintf(text, sizeof text,
                                  " \n%s - Fatal error!\n  The input argument I is out of bounds.\n"
                                  "  Legal values satisfy 1 <= I <= 5.\n  I = %12d\n",
                                  routine, i);
    host::stop({text, static_cast<std::size_t>(len)}, 1);
}

}  // namespace

double d1mach(int i) {
    // Twice the smallest normal double, half the largest, 2^-53 plus two units in the last
    // place, 2^-52, and log10(2) to 15 decimals (the nearest doubles to these decimals).
    static constexpr double values[5] = {4.450147717014403e-308, 8.988465674311579e+307,
                                         1.110223024625157e-16, 2.220446049250313e-16,
                                         0.301029995663981};
    if (i < 1 || i > 5) machine_constant_out_of_range("D1MACH", i);
    return values[i - 1];
}

float r1mach(int i) {
    // The smallest normal and the largest float, 2^-24, 2^-23 and log10(2) to 5 decimals.
    static constexpr float values[5] = {1.1754944e-38f, 3.4028235e+38f, 5.9604645e-08f,
                                        1.1920929e-07f, 0.30103f};
    if (i < 1 || i > 5) machine_constant_out_of_range("R1MACH", i);
    return values[i - 1];
}

void xsetf(int kontrl) {
    if (kontrl >= -2 && kontrl <= 2) {
        j4save(2, kontrl, true);
        return;
    }
    char text[40];
    std::snprintf(text, sizeof text, "INVALID ARGUMENT = %8d", kontrl);
    xermsg("SLATEC", "XSETF", text, 1, 2);
}

int xgetf() { return j4save(2, 0, false); }

void xerdmp() {
    int kount = 0;
    xersve(" ", " ", " ", 0, 0, 0, kount);
}

int get_unit() {
    for (int u = 1; u <= 99; ++u) {
        if (u == 5 || u == 6 || u == 9) continue;
        if (!io::is_connected(u)) return u;
    }
    return 0;
}

std::string timestamp_text(int year, int month, int day, int hour, int minute, int second,
                           int millisecond) {
    static constexpr const char* months[12] = {"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
    const char* word;
    int h = hour;
    if (h < 12) {
        word = "AM";
    } else if (h == 12) {
        word = minute == 0 && second == 0 ? "Noon" : "PM";
    } else {
        h -= 12;
        if (h < 12) word = "PM";
        else word = minute == 0 && second == 0 ? "Midnight" : "AM";
    }
    const char* mname = month >= 1 && month <= 12 ? months[month - 1] : "";
    return io::format("(i2,1x,a,1x,i4,2x,i2,a1,i2.2,a1,i2.2,a1,i3.3,1x,a)",
                      {day, mname, year, h, ":", minute, ":", second, ".", millisecond, word});
}

void timestamp() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    const std::string line =
        timestamp_text(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                       tm.tm_sec, static_cast<int>(ts.tv_nsec / 1000000));
    put(6, "(a)", {line});
}

namespace {
// Generator state: the high and the low 11 bits of the 22-bit number.
constinit int rand_ix1 = 0;
constinit int rand_ix0 = 0;
}  // namespace

float pchip_rand(float r) {
    constexpr int ia1 = 1536, ia0 = 1029, ia1ma0 = 507, ic = 1731;
    if (r == 0.0f) {
        // x <- (ia x + ic) mod 2^22 with ia = 2048 ia1 + ia0, in pieces of 11 bits so that no
        // product exceeds 4-byte integers.
        int iy0 = ia0 * rand_ix0;
        int iy1 = ia1 * rand_ix1 + ia1ma0 * (rand_ix0 - rand_ix1) + iy0;
        iy0 = iy0 + ic;
        rand_ix0 = iy0 % 2048;
        iy1 = iy1 + (iy0 - rand_ix0) / 2048;
        rand_ix1 = iy1 % 2048;
    } else if (r > 0.0f) {
        const int x = static_cast<int>(std::fmod(r, 1.0f) * 4194304.0f + 0.5f);
        rand_ix0 = x % 2048;
        rand_ix1 = (x - rand_ix0) / 2048;
    }
    return static_cast<float>(rand_ix1 * 2048 + rand_ix0) / 4194304.0f;
}

void dfdtru(double x, double& f, double& d) {
    const double fact1 = x + 1.0;
    const double fact2 = x - 2.0;
    f = x * fact1 * fact2;
    d = x * (fact1 + fact2) + fact1 * fact2;
}

void fdtrue(float x, float& f, float& d) {
    double fd = 0.0, dd = 0.0;
    dfdtru(static_cast<double>(x), fd, dd);
    f = static_cast<float>(fd);
    d = static_cast<float>(dd);
}

bool comp(int ieract, int ierexp, int lout, int kprint) {
    const bool same = ieract == ierexp;
    if (kprint > 2) {
        if (same) put(lout, "(a)", {"     OK."});
        else put(lout, "(a,i5)", {"  COMPARE FAILED -- IERR = ", ieract});
    }
    return same;
}

void put(int unit, std::string_view fmt, const io::FmtItem* items, std::size_t n) {
    std::vector<std::string> records;
    if (!io::Format(fmt).records(items, n, records)) return;
    for (const std::string& r : records) {
        if (unit == 6) {
            std::fwrite(r.data(), 1, r.size(), stdout);
            std::fputc('\n', stdout);
        } else {
            io::write_record(unit, r);
        }
    }
}

}  // namespace tvk::pchip

TVK_API double d1mach(const int* i) { return tvk::pchip::d1mach(*i); }
TVK_API float r1mach(const int* i) { return tvk::pchip::r1mach(*i); }
TVK_API void xsetf(const int* kontrl) { tvk::pchip::xsetf(*kontrl); }
TVK_API void xgetf(int* kontrl) { *kontrl = tvk::pchip::xgetf(); }
TVK_API void xerdmp() { tvk::pchip::xerdmp(); }
TVK_API void get_unit(int* iunit) { *iunit = tvk::pchip::get_unit(); }
TVK_API void interp_timestamp() { tvk::pchip::timestamp(); }
TVK_API void pchip_timestamp() { tvk::pchip::timestamp(); }
TVK_API float pchip_rand(const float* r) { return tvk::pchip::pchip_rand(*r); }
TVK_API void fdtrue(const float* x, float* f, float* d) { tvk::pchip::fdtrue(*x, *f, *d); }
TVK_API void dfdtru(const double* x, double* f, double* d) { tvk::pchip::dfdtru(*x, *f, *d); }
TVK_API int comp(const int* ieract, const int* ierexp, const int* lout, const int* kprint) {
    return tvk::pchip::comp(*ieract, *ierexp, *lout, *kprint) ? 1 : 0;
}
