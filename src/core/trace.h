// Trace lines on standard output, written exactly as gfortran writes a list-directed record
// (`print *, 'label', value, ...`), so that trace output can be compared line by line with that
// of Fortran solver code:
//   * a record starts with a blank;
//   * a character item is written as is; two character items in a row have no separator, any
//     other item is preceded by one blank;
//   * an integer takes 11 columns, right-justified;
//   * a real takes 25 columns in G form with 17 significant digits: F form with trailing blanks
//     for 0.1 <= |x| < 1e17 ("  1.5000000000000000     "), E form with a three-digit exponent
//     otherwise ("  1.0000000000000001E+300"); zero is "  0.0000000000000000     ", and
//     Infinity / NaN are right-justified;
//   * a logical is T or F;
//   * a record without items is an empty line.
// Records are not wrapped, however long.
//
//   tvk::Trace() << "stress" << s11 << "ply" << ply;   // one record, written on destruction
#pragma once

#include <concepts>
#include <span>
#include <string>
#include <string_view>

namespace tvk {

class Trace {
public:
    Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;
    // Writes the record and its line end to standard output (C stdio).
    ~Trace();

    Trace& operator<<(std::string_view text);
    Trace& operator<<(const char* text) { return *this << std::string_view(text ? text : ""); }
    Trace& operator<<(char c) { return *this << std::string_view(&c, 1); }
    Trace& operator<<(int v);
    Trace& operator<<(double v);
    // Logical item; a template so that pointers never convert to it.
    template <class B>
        requires std::same_as<B, bool>
    Trace& operator<<(B v) {
        return item(v ? "T" : "F", false);
    }
    // Array items, element by element, as an array in a print list.
    Trace& operator<<(std::span<const double> v);
    Trace& operator<<(std::span<const int> v);

    // The record built so far, without its line end.
    const std::string& text() const { return rec_; }
    // Hands the record over instead of writing it.
    std::string take();

private:
    Trace& item(std::string_view field, bool is_text);
    std::string rec_;
    bool last_text_ = false;
    bool any_ = false;
    bool written_ = false;
};

// The list-directed fields, without the separating blank: 11 and 25 columns.
std::string list_int(int v);
std::string list_real(double x);

}  // namespace tvk
