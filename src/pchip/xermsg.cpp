#include "pchip/xermsg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/host.h"
#include "core/process_hooks.h"

namespace tvk::pchip {

namespace {

// Settings store of j4save, 1-based through j4save.
constinit int settings[9] = {0, 2, 0, 10, 1, 0, 0, 0, 0};

// The message table of xersve.
constexpr int lentab = 10;
struct Entry {
    char lib[8];
    char sub[8];
    char mes[20];
    int nerr;
    int level;
    int count;
};
constinit Entry table[lentab] = {};
constinit int nmsg = 0;
constinit int kountx = 0;  // messages that found no free entry

constexpr int machine_constants[16] = {5,  6,   7,   6,  32, 4,     2,    31,
                                       2147483647, 2, 24, -125, 128, 53, -1021, 1024};

// A character field of length N cut or blank-padded from s, as a Fortran assignment to a
// CHARACTER*N variable does.
template <std::size_t N>
void assign_fixed(char (&dst)[N], std::string_view s) {
    for (std::size_t k = 0; k < N; ++k) dst[k] = k < s.size() ? s[k] : ' ';
}
std::string fixed(std::string_view s, std::size_t n) {
    std::string r(s.substr(0, std::min(n, s.size())));
    r.resize(n, ' ');
    return r;
}

// One formatted record on an output unit. Only the standard output unit is connected.
void write_record(int unit, std::string_view line) {
    if (unit != machine_constants[3]) return;
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// The output units as xerprn and xersve use them: unit 0 stands for the message unit.
int output_units(int (&units)[5]) {
    int n = 0;
    xgetua(units, n);
    for (int k = 0; k < n; ++k)
        if (units[k] == 0) units[k] = i1mach(4);
    return n;
}

}  // namespace

int j4save(int iwhich, int ivalue, bool iset) {
    if (iwhich < 1 || iwhich > 9) return 0;
    const int old = settings[iwhich - 1];
    if (iset) settings[iwhich - 1] = ivalue;
    return old;
}

void xgetua(int* iunita, int& n) {
    // At most five units fit the caller's list, whatever setting 5 holds.
    n = std::clamp(j4save(5, 0, false), 0, 5);
    for (int i = 1; i <= n; ++i) iunita[i - 1] = j4save(i == 1 ? 3 : i + 4, 0, false);
}

int i1mach(int i) {
    if (i >= 1 && i <= 16) return machine_constants[i - 1];
    char text[192];
    const int len = std::snprintf(text, sizeof text,
                                  " \nI1MACH - Fatal error!\n  The input argument I is out of bounds.\n"
                                  "  Legal values satisfy 1 <= I <= 16.\n  I = %12d\n",
                                  i);
    // A failed request must not end the process as if it had succeeded: status 1.
    host::stop({text, static_cast<std::size_t>(len)}, 1);
}

void xerhlt(std::string_view) { host::stop({}, 1); }

void xercnt(std::string_view, std::string_view, std::string_view, int, int, int&) {}

void fdump() {}

void xerprn(std::string_view prefix, int npref, std::string_view messg, int nwrap) {
    int units[5];
    const int nunit = output_units(units);

    const int lpref = std::min<int>(16, npref < 0 ? static_cast<int>(prefix.size()) : npref);
    std::string pre = fixed(prefix, static_cast<std::size_t>(std::max(lpref, 0)));
    const std::size_t lwrap = static_cast<std::size_t>(std::max(16, std::min(132, nwrap)));

    std::size_t lenmsg = messg.size();
    while (lenmsg > 0 && messg[lenmsg - 1] == ' ') --lenmsg;
    if (lenmsg == 0) {
        const std::string line = pre + ' ';
        for (int k = 0; k < nunit; ++k) write_record(units[k], line);
        return;
    }

    // Cut the message into pieces of at most lwrap characters: at a "$$" (a forced line break,
    // dropped) when it lies within reach, else at the last blank within lwrap + 1 characters
    // (the blank is dropped), else hard at lwrap.
    std::size_t nextc = 0;
    while (nextc < lenmsg) {
        const std::string_view rest = messg.substr(nextc, lenmsg - nextc);
        const std::size_t nl = rest.find("$$");
        if (nl == 0) {
            nextc += 2;
            continue;
        }
        std::size_t lpiece, idelta;
        if (nl == std::string_view::npos || nl > lwrap) {
            lpiece = rest.size();
            idelta = 0;
            if (lpiece > lwrap) {
                lpiece = lwrap;
                for (std::size_t i = lwrap + 1; i >= 2; --i) {
                    if (rest[i - 1] == ' ') {
                        lpiece = i - 1;
                        idelta = 1;
                        break;
                    }
                }
            }
        } else {
            lpiece = nl;
            idelta = 2;
        }
        std::string line = pre;
        line.append(rest.substr(0, lpiece));
        for (int k = 0; k < nunit; ++k) write_record(units[k], line);
        nextc += lpiece + idelta;
    }
}

void xersve(std::string_view librar, std::string_view subrou, std::string_view messg, int kflag,
            int nerr, int level, int& icount) {
    if (kflag <= 0) {
        if (nmsg == 0 && kountx == 0) return;
        int units[5];
        const int nunit = output_units(units);
        for (int k = 0; k < nunit; ++k) {
            write_record(units[k], "0          ERROR MESSAGE SUMMARY");
            write_record(units[k],
                         " LIBRARY    SUBROUTINE MESSAGE START             NERR     LEVEL     COUNT");
            for (int i = 0; i < nmsg; ++i) {
                const Entry& e = table[i];
                char nums[40];
                std::snprintf(nums, sizeof nums, "%10d%10d%10d", e.nerr, e.level, e.count);
                std::string line = " ";
                line.append(e.lib, 8).append("   ").append(e.sub, 8).append("   ").append(e.mes, 20);
                line += nums;
                write_record(units[k], line);
            }
            if (kountx != 0) {
                char num[16];
                std::snprintf(num, sizeof num, "%10d", kountx);
                write_record(units[k], std::string("0OTHER ERRORS NOT INDIVIDUALLY TABULATED = ") + num);
            }
            write_record(units[k], " ");
        }
        if (kflag == 0) {
            nmsg = 0;
            kountx = 0;
        }
        return;
    }

    Entry probe{};
    assign_fixed(probe.lib, librar);
    assign_fixed(probe.sub, subrou);
    assign_fixed(probe.mes, messg);
    for (int i = 0; i < nmsg; ++i) {
        Entry& e = table[i];
        if (std::equal(e.lib, e.lib + 8, probe.lib) && std::equal(e.sub, e.sub + 8, probe.sub) &&
            std::equal(e.mes, e.mes + 20, probe.mes) && e.nerr == nerr && e.level == level) {
            icount = ++e.count;
            return;
        }
    }
    if (nmsg < lentab) {
        probe.nerr = nerr;
        probe.level = level;
        probe.count = 1;
        table[nmsg++] = probe;
        icount = 1;
    } else {
        ++kountx;
        icount = 0;
    }
}

void xermsg(std::string_view librar, std::string_view subrou, std::string_view messg, int nerr,
            int level) {
    int kontrl = j4save(2, 0, false);
    const int maxmes = j4save(4, 0, false);

    if (nerr < -9999999 || nerr > 99999999 || nerr == 0 || level < -1 || level > 2) {
        xerprn(" ***", -1,
               "FATAL ERROR IN...$$ XERMSG -- INVALID ERROR NUMBER OR LEVEL$$ "
               "JOB ABORT DUE TO FATAL ERROR.",
               72);
        int dummy = 0;
        xersve(" ", " ", " ", 0, 0, 0, dummy);
        xerhlt(" ***XERMSG -- INVALID INPUT");
    }

    j4save(1, nerr, true);
    int kount = 0;
    xersve(librar, subrou, messg, 1, nerr, level, kount);
    if (level == -1 && kount > 1) return;

    xercnt(fixed(librar, 8), fixed(subrou, 8), fixed(messg, 20), nerr, level, kontrl);
    kontrl = std::clamp(kontrl, -2, 2);
    const int mkntrl = std::abs(kontrl);

    const bool quiet = (level < 2 && kontrl == 0) || (level == 0 && kount > maxmes) ||
                       (level == 1 && kount > maxmes && mkntrl == 1) ||
                       (level == 2 && kount > std::max(1, maxmes));
    if (!quiet) {
        if (kontrl != 0) {
            std::string t = "MESSAGE FROM ROUTINE ";
            t.append(subrou.substr(0, std::min<std::size_t>(16, subrou.size())));
            t.append(" IN LIBRARY ");
            t.append(librar.substr(0, std::min<std::size_t>(16, librar.size())));
            t.append(".");
            xerprn(" ***", -1, t, 72);
        }
        if (kontrl > 0) {
            std::string t = level <= 0   ? "INFORMATIVE MESSAGE,"
                            : level == 1 ? "POTENTIALLY RECOVERABLE ERROR,"
                                         : "FATAL ERROR,";
            t += (mkntrl == 2 && level >= 1) || (mkntrl == 1 && level == 2) ? " PROG ABORTED,"
                                                                             : " PROG CONTINUES,";
            t += " TRACEBACK REQUESTED";
            xerprn(" ***", -1, t, 72);
        }
        xerprn(" *  ", -1, messg, 72);
        if (kontrl > 0) {
            // 'ERROR NUMBER = ' followed by the number in an I8 field, its leading blanks removed
            // (the first non-blank among columns 16 to 22 starts it).
            char temp[32];
            std::snprintf(temp, sizeof temp, "ERROR NUMBER = %8d", nerr);
            std::size_t i = 15;
            while (i < 22 && temp[i] == ' ') ++i;
            std::string t(temp, 15);
            t.append(temp + i, 23 - i);
            xerprn(" *  ", -1, t, 72);
            fdump();
        }
        if (kontrl != 0) {
            xerprn(" *  ", -1, " ", 72);
            xerprn(" ***", -1, "END OF MESSAGE", 72);
            xerprn("    ", 0, " ", 72);
        }
    }

    if (level <= 0 || (level == 1 && mkntrl <= 1)) return;

    if (kontrl > 0 && kount < std::max(1, maxmes)) {
        xerprn(" ***", -1,
               level == 1 ? "JOB ABORT DUE TO UNRECOVERED ERROR." : "JOB ABORT DUE TO FATAL ERROR.",
               72);
        int dummy = 0;
        xersve(" ", " ", " ", -1, 0, 0, dummy);
        xerhlt(" ");
    }
    xerhlt(messg);
}

}  // namespace tvk::pchip

// The message table is process-wide state; the release empties it, without the summary that
// xersve prints when it empties the table (solver/process_state.cpp).
void tvk::process_state::hooks::clear_hermite_message_table() {
    tvk::pchip::nmsg = 0;
    tvk::pchip::kountx = 0;
    for (auto& e : tvk::pchip::table) e = {};
}
bool tvk::process_state::hooks::hermite_message_table_empty() {
    const auto& t = tvk::pchip::table;
    return tvk::pchip::nmsg == 0 && tvk::pchip::kountx == 0 &&
           std::all_of(std::begin(t), std::end(t), [](const tvk::pchip::Entry& e) {
               return e.nerr == 0 && e.level == 0 && e.count == 0 && e.lib[0] == 0 && e.sub[0] == 0 && e.mes[0] == 0;
           });
}

namespace {
inline std::string_view text(const char* p, std::size_t n) {
    return p ? std::string_view(p, n) : std::string_view();
}
}  // namespace

TVK_API void xermsg(const char* librar, const char* subrou, const char* messg, const int* nerr,
                    const int* level, std::size_t librar_len, std::size_t subrou_len,
                    std::size_t messg_len) {
    tvk::pchip::xermsg(text(librar, librar_len), text(subrou, subrou_len), text(messg, messg_len),
                       nerr ? *nerr : 0, level ? *level : 0);
}

TVK_API void xerprn(const char* prefix, const int* npref, const char* messg, const int* nwrap,
                    std::size_t prefix_len, std::size_t messg_len) {
    tvk::pchip::xerprn(text(prefix, prefix_len), npref ? *npref : -1, text(messg, messg_len),
                       nwrap ? *nwrap : 72);
}

TVK_API void xersve(const char* librar, const char* subrou, const char* messg, const int* kflag,
                    const int* nerr, const int* level, int* icount, std::size_t librar_len,
                    std::size_t subrou_len, std::size_t messg_len) {
    int count = 0;
    tvk::pchip::xersve(text(librar, librar_len), text(subrou, subrou_len), text(messg, messg_len),
                       kflag ? *kflag : 0, nerr ? *nerr : 0, level ? *level : 0, count);
    if (icount) *icount = count;
}

TVK_API void xerhlt(const char* messg, std::size_t messg_len) {
    tvk::pchip::xerhlt(text(messg, messg_len));
}

TVK_API int j4save(const int* iwhich, const int* ivalue, const int* iset) {
    return tvk::pchip::j4save(iwhich ? *iwhich : 0, ivalue ? *ivalue : 0, iset && *iset != 0);
}

TVK_API void xgetua(int* iunita, int* n) {
    int units[5] = {};
    int m = 0;
    tvk::pchip::xgetua(units, m);
    if (iunita) std::copy_n(units, m, iunita);
    if (n) *n = m;
}

TVK_API int i1mach(const int* i) { return tvk::pchip::i1mach(i ? *i : 0); }

TVK_API void xercnt(const char* librar, const char* subrou, const char* messg, const int* nerr,
                    const int* level, int* kontrl, std::size_t librar_len, std::size_t subrou_len,
                    std::size_t messg_len) {
    int k = kontrl ? *kontrl : 0;
    tvk::pchip::xercnt(text(librar, librar_len), text(subrou, subrou_len), text(messg, messg_len),
                       nerr ? *nerr : 0, level ? *level : 0, k);
    if (kontrl) *kontrl = k;
}

TVK_API void fdump() { tvk::pchip::fdump(); }
