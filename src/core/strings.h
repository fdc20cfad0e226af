// Keyword and string toolkit (`stringhandling`): the fixed-length text routines on which the
// card readers and the listing reader build their keyword scanning, plus a few conversions.
//
// Text is fixed-length and blank-padded on the right: every text argument is a pointer to its
// characters plus a `size_t` length appended at the end of the argument list (in argument order),
// and "trailing blanks" means trailing ' ' only (NUL bytes are characters like any other, which
// is why `clen` and `clen_trim` exist). A text result is written cut or blank-padded to the length
// of its buffer; no routine writes past a buffer or reads past a text's length (a position beyond
// a text reads as a blank). Only the 26 ASCII letters fold case. Nothing reports into the error
// record; `str2int` and `int2str` return an I/O status.
//
// Functions whose value is text (`extract`, `lowercase`, `uppercase`, `ctrim`,
// `inistringwithcharacter`) take the result buffer as their first argument, its length first
// among the lengths.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tvk.h"

namespace tvk::text {

// I/O statuses of the integer read and write.
inline constexpr int io_end = -1;        // nothing to read (blank text)
inline constexpr int io_eor = -2;        // the written digits do not fit
inline constexpr int io_bad = 5010;      // not an integer
inline constexpr int io_overflow = 5011; // outside the 4-byte integer range

// Length without trailing blanks.
std::size_t len_trim(std::string_view s);
// List-directed read of one integer: leading blanks and tabs skipped; the item ends at a blank,
// tab, comma, slash or the end of the text; "r*v" is a repeat count; an empty item (a leading
// comma, "r*" or a slash) is a null value that leaves `value` unchanged with status 0.
int read_integer(std::string_view s, int& value);
// "(I0)": minimal width, a minus sign when negative.
std::string format_i0(long long v);
// One integer written with a small integer format such as "(I5)", "(I5.3)", "(I0)", "(1X,I4)"
// (items Iw, Iw.m, nX with optional repeat counts, case-insensitive). Returns false for a
// format it cannot apply; an Iw field too narrow for the digits is filled with asterisks.
bool format_integer(std::string_view fmt, int v, std::string& out);

}  // namespace tvk::text

// Logical (0/1): a and b equal after removing trailing blanks, ignoring case.
TVK_API int match(const char* a, const char* b, std::size_t la, std::size_t lb);
// Logical: tally(a, b, 0) >= 1, a case-insensitive substring test.
TVK_API int occurs(const char* a, const char* b, std::size_t la, std::size_t lb);
// Overlapping occurrences of text(1:len_trim(text)) in s; case-sensitive when csflag is absent
// or 1, otherwise case-insensitive in s adjusted left. A blank text counts len(s) + 1.
TVK_API int tally(const char* s, const char* text, const int* csflag, std::size_t ls, std::size_t lt);
// a = text before the first sdelim, b = text after it (a = s, b blank when absent), n characters.
TVK_API void split(char* a, char* b, const char* s, const char* sdelim, const int* n, std::size_t la,
                   std::size_t lb, std::size_t ls, std::size_t ld);
// Text between the last startkey and the next stopkey, adjusted left, n characters.
TVK_API void extract(char* result, const char* s, const char* startkey, const char* stopkey, const int* n,
                     std::size_t lr, std::size_t ls, std::size_t lstart, std::size_t lstop);
TVK_API void lowercase(char* result, const char* s, const int* n, std::size_t lr, std::size_t ls);
TVK_API void uppercase(char* result, const char* s, const int* n, std::size_t lr, std::size_t ls);
// sout = s0(1:n) with each character found in codes(:, 1) (first match) replaced by the code in
// codes(:, 2) of the same row; codes is nc x 2.
TVK_API void translate(const char* s0, char* sout, const int* codes, const int* n, const int* nc,
                       std::size_t ls0, std::size_t lsout);
// sout = s with every occurrence of text replaced by rep (trailing blanks of both ignored).
TVK_API void replacetext(const char* s, const char* text, const char* rep, char* sout, const int* nout,
                         std::size_t ls, std::size_t ltext, std::size_t lrep, std::size_t lsout);
// Runs of blanks reduced to one, trailing blanks removed, padded to nout.
TVK_API void reduceblanks(const char* s, char* sout, const int* nout, std::size_t ls, std::size_t lsout);
// Items separated by blanks, tabs or commas (an empty item between two commas counts).
TVK_API int countitems(const char* s0, std::size_t ls0);
TVK_API void str2int(const char* ca, int* integ, int* istat, std::size_t lca);
TVK_API void int2str(const int* integ, char* ca, int* istat, const int* n, std::size_t lca);
// j2s = the integers of jrray(n, m), column by column, each written with the format aw into a
// field of jmax characters, adjusted left and appended after the trailing blanks of j2s are
// removed; j2s has sout characters.
TVK_API void int2aformat(char* j2s, const int* jrray, const char* aw, const int* jmax, const int* sout,
                         const int* n, const int* m, std::size_t lj2s, std::size_t law);
TVK_API void str2ascii(int* ia, const char* ca, const int* n, std::size_t lca);
// ca(i) = s(i:i), i = 1..n; ca is an array of n one-character elements.
TVK_API void copys2a(const char* s, char* ca, const int* n, std::size_t ls, std::size_t lca);
// s(i:i) = ca(i), i = 1..n.
TVK_API void copya2s(const char* ca, char* s, const int* n, std::size_t lca, std::size_t ls);
// sout = the characters of s that occur among ex(1:nx), in order, padded to ns.
TVK_API void spack(const char* s, const char* ex, char* sout, const int* ns, const int* nx, std::size_t ls,
                   std::size_t lex, std::size_t lsout);
// Length of a text that may end in a NUL: the position before a final NUL (trailing blanks
// aside), else the full length.
TVK_API int clen(const char* s, std::size_t ls);
// Trimmed length, a final NUL excluded.
TVK_API int clen_trim(const char* s, std::size_t ls);
TVK_API void ctrim(char* result, const char* s, const int* n, std::size_t lr, std::size_t ls);
TVK_API void inistringwithcharacter(char* result, const char* ch, const int* n, std::size_t lr,
                                    std::size_t lch);
