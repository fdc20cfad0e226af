// Formatted output records with Fortran edit descriptors, as the library's text reports need
// them: the records a formatted WRITE produces for a format and a list of items.
//
// Descriptors: Iw, Iw.m (integers); Fw.d, Ew.d, Ew.dEe, Dw.d (reals); A, Aw (text); nX, Tn, TLn,
// TRn (positioning; positions skipped at the end of a record are not written); kP (scale factor,
// in force for the rest of the format); literals '...' or "..." (a doubled quote stands for
// itself); "/" (ends a record, with an optional repeat count); repeat counts on descriptors and
// on parenthesised groups, nested. Blanks outside literals and the commas between items are
// optional. Output stops at the first data descriptor that finds no item left, or at the end of
// the format; when items remain there, a new record starts and the format reverts to the group
// that the last top-level right parenthesis closes (with its repeat count), or to the beginning.
//
// Numbers as gfortran writes them: a field too narrow prints w asterisks; the leading zero before
// the decimal point is dropped when the field is one character short (and always for F0.d with
// a value below one); a negative value that rounds to zero keeps its sign; exponents beyond 99
// drop the letter ("0.1000+121"); NaN prints "NaN", infinities "Infinity", "-Infinity", or "Inf",
// "-Inf" where the long word does not fit, right-justified. Rounding is to nearest on the exact
// binary value, ties to even (0.125 with two decimals gives 0.12).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::io {

// One output item: an integer, a real or a text.
struct FmtItem {
    enum class Kind { integer, real, text } kind;
    long long i = 0;
    double r = 0.0;
    std::string_view s;

    FmtItem(int v) : kind(Kind::integer), i(v) {}
    FmtItem(long long v) : kind(Kind::integer), i(v) {}
    FmtItem(double v) : kind(Kind::real), r(v) {}
    FmtItem(std::string_view v) : kind(Kind::text), s(v) {}
    FmtItem(const char* v) : kind(Kind::text), s(v) {}
    FmtItem(const std::string& v) : kind(Kind::text), s(v) {}
};

// A parsed format, reusable for any number of writes.
class Format {
  public:
    explicit Format(std::string_view fmt);
    // False when the text is not a format this writer knows.
    bool valid() const { return valid_; }
    // The records the write produces (appended to `records`); false, with nothing appended, for an
    // invalid format, an item of the wrong kind for its descriptor, or items left over with no
    // data descriptor to take them.
    bool records(const FmtItem* items, std::size_t n, std::vector<std::string>& records) const;
    bool records(std::initializer_list<FmtItem> items, std::vector<std::string>& out) const {
        return records(items.begin(), items.size(), out);
    }

    // One format item: a descriptor, a literal, or a parenthesised group.
    struct Node {
        char kind = 0;   // I F E D A (data), X T L(TL) R(TR) P / ' (literal), ( (group)
        int rep = 1;     // repeat count (the count n of nX, the position of Tn, the k of kP)
        int w = -1, d = -1, e = -1;  // width, digits (m of Iw.m), exponent digits; -1 absent
        std::string text;            // literal
        std::vector<Node> kids;      // group
    };

  private:
    std::vector<Node> nodes_;  // the outermost list
    std::size_t revert_ = 0;   // index in nodes_ where reversion restarts
    bool valid_ = false;
};

// The records of one write, joined with newlines; empty when the write fails.
std::string format(std::string_view fmt, std::initializer_list<FmtItem> items);
// Writes the records of one write to a unit opened for appending; ok or an error status.
int write_formatted(int unit, const Format& fmt, std::initializer_list<FmtItem> items);

}  // namespace tvk::io
