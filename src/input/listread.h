// List-directed input of one record: the free-format numbers of card data lines, listing
// fields and name tags.
//
// Items are separated by blanks or tabs, or by one comma with any blanks or tabs around it; a
// comma that follows a separator comma (or stands first in the record) gives a null item, which
// counts and leaves its target unchanged; a trailing comma adds nothing; a slash ends the
// record's items. Values: integers [sign]digits; reals [sign]digits[.digits] or .digits, with an
// optional exponent letter e, E, d or D, an optional sign and digits. A repeat count ("3*1.0"),
// any other text, a real item for an integer target, an integer outside the 4-byte range and a
// real whose magnitude overflows the double range are read failures; a real that underflows
// reads as the nearest representable value.
#pragma once

#include <string_view>

#include "core/units.h"

namespace tvk::io {

// One item of a record: its text, or a null item.
struct ListItem {
    std::string_view text;
    bool null = false;
};

// Walks the items of one record in order.
class ListScanner {
  public:
    explicit ListScanner(std::string_view record) : s_(record) {}
    // The next item; false at the end of the record or at a slash.
    bool next(ListItem& item) {
        if (done_) return false;
        for (;;) {
            while (p_ < s_.size() && blank(s_[p_])) ++p_;
            if (p_ >= s_.size()) {
                done_ = true;
                return false;
            }
            const char c = s_[p_];
            if (c == '/') {
                done_ = slash_ = true;
                return false;
            }
            if (c == ',') {
                ++p_;
                if (after_value_) {  // the separator of the value before it
                    after_value_ = false;
                    continue;
                }
                item = ListItem{{}, true};
                return true;
            }
            const std::size_t b = p_;
            while (p_ < s_.size() && !ends_item(s_[p_])) ++p_;
            item = ListItem{s_.substr(b, p_ - b), false};
            after_value_ = true;
            return true;
        }
    }
    // True once a slash ended the items.
    bool slashed() const { return slash_; }

  private:
    static bool blank(char c) { return c == ' ' || c == '\t'; }
    static bool ends_item(char c) { return blank(c) || c == ',' || c == '/'; }

    std::string_view s_;
    std::size_t p_ = 0;
    bool after_value_ = false;  // a value was read and its separator comma is still allowed
    bool done_ = false;
    bool slash_ = false;
};

// Number of items of the record (null items included), as ListScanner yields them.
int count_items(std::string_view record);

// Converts one item text; ok, err_bad_value or err_overflow. `v` is set only on success.
int parse_real(std::string_view text, double& v);
int parse_int(std::string_view text, int& v);

// Reads up to n values from the record into v[0..n-1], item by item: null items leave their
// value. Status ok when n items were taken or a slash ended the items, end_of_record when the
// record held fewer items, or the failure of the first bad item (values before it are stored).
// `taken` (when given) receives the number of items consumed.
int read_list(std::string_view record, double* v, int n, int* taken = nullptr);
int read_list(std::string_view record, int* v, int n, int* taken = nullptr);

}  // namespace tvk::io
