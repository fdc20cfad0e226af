// Error-message package of the piecewise cubic Hermite routines (the SLATEC XERMSG family after
// R. E. Jones and D. K. Kahaner, "XERROR, the SLATEC error-handling package", Sandia report
// SAND82-0800, 1982, in its 1989 revision by Fong, Jefferson, Suyehiro and Walton).
//
// `xermsg` receives every error the cubic Hermite routines detect, keeps a small table of
// distinct messages (`xersve`), prints a framed report through the line printer `xerprn`, and
// ends the process through `xerhlt` when the level and the control settings say so. The settings
// live in the store of `j4save`. Nothing in the library changes them, so with their initial
// values every error of level 1 or 2 prints its report on standard output and ends the process
// with exit status 1 (through tvk::host::stop, which lets the host flush its output). This
// package is separate from the error record (core/errors.h) and never touches it.
//
// Settings of `j4save` (1-based, initial value):
//   1 last error number (0), 2 control flag (2), 3 first output unit (0), 4 largest number of
//   times one message is printed (10), 5 number of output units (1), 6..9 further units (0).
// Unit 0 stands for the standard message unit `i1mach(4)` = 6, which is standard output; lines
// for any other unit number are discarded (the library connects no other unit).
//
// Levels: 2 fatal, 1 recoverable, 0 warning, -1 warning printed once. Error numbers must be
// nonzero and lie in -9999999..99999999.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/tvk.h"

namespace tvk::pchip {

void xermsg(std::string_view librar, std::string_view subrou, std::string_view messg, int nerr,
            int level);
void xerprn(std::string_view prefix, int npref, std::string_view messg, int nwrap);
void xersve(std::string_view librar, std::string_view subrou, std::string_view messg, int kflag,
            int nerr, int level, int& icount);
[[noreturn]] void xerhlt(std::string_view messg);
int j4save(int iwhich, int ivalue, bool iset);
void xgetua(int* iunita, int& n);   // iunita holds at least 5 entries
int i1mach(int i);
// Hooks left empty: a user could adjust the control flag or print a traceback here.
void xercnt(std::string_view librar, std::string_view subrou, std::string_view messg, int nerr,
            int level, int& kontrl);
void fdump();

}  // namespace tvk::pchip

// C entry points; text arguments are followed by their lengths at the end.
TVK_API void xermsg(const char* librar, const char* subrou, const char* messg, const int* nerr,
                    const int* level, std::size_t librar_len, std::size_t subrou_len,
                    std::size_t messg_len);
TVK_API void xerprn(const char* prefix, const int* npref, const char* messg, const int* nwrap,
                    std::size_t prefix_len, std::size_t messg_len);
TVK_API void xersve(const char* librar, const char* subrou, const char* messg, const int* kflag,
                    const int* nerr, const int* level, int* icount, std::size_t librar_len,
                    std::size_t subrou_len, std::size_t messg_len);
TVK_API void xerhlt(const char* messg, std::size_t messg_len);
// Setting iwhich (1..9); replaced by ivalue when iset is nonzero. Out of range gives 0.
TVK_API int j4save(const int* iwhich, const int* ivalue, const int* iset);
// n = number of output units; iunita(1..n) their numbers (iunita holds at least 5 entries).
TVK_API void xgetua(int* iunita, int* n);
// Machine constant i (1..16); any other i prints a report and ends the process.
TVK_API int i1mach(const int* i);
TVK_API void xercnt(const char* librar, const char* subrou, const char* messg, const int* nerr,
                    const int* level, int* kontrl, std::size_t librar_len, std::size_t subrou_len,
                    std::size_t messg_len);
TVK_API void fdump();
