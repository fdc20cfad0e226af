// The process-wide unit table: integer unit numbers from 0 standing for open text files, with
// the record semantics of sequential formatted Fortran units, so that card readers, report
// writers and solver hooks can share files by number.
//
// A unit opened for reading holds the whole file in memory, split into records (lines; a final
// line without a newline is a record, a carriage return before the newline is dropped). Its
// position is a record index: reading returns the record there and advances; reading at the end
// returns `end_of_file` once and leaves the unit after the end-of-file marker, from where a
// further read is an error and a step back returns to the end of the last record (so stepping
// back over "every record read" includes the end-of-file marker, as on a Fortran unit).
// A unit opened for appending writes whole records to the end of its file.
//
// Units 0, 5 and 6 count as preconnected (standard error, input and output): they are never
// free, cannot be opened or closed, and no record is read from or written to them here.
// Every call takes the unit number as given: every number that is not negative is a unit (the
// readers take theirs from 1 to max_unit); a negative number, or a unit not open for the
// operation, gives an error status, never undefined behaviour. Single-threaded, like the
// rest of the library.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::io {

// Statuses (the iostat values of a Fortran runtime): 0 success, negative end conditions,
// positive errors.
inline constexpr int ok = 0;
inline constexpr int end_of_file = -1;
inline constexpr int end_of_record = -2;
inline constexpr int err_unit = 5001;        // negative unit number, or preconnected
inline constexpr int err_not_open = 5002;    // unit not connected, or connected for the other direction
inline constexpr int err_open = 5003;        // the file cannot be opened (missing, a folder, unreadable)
inline constexpr int err_connected = 5004;   // the unit is already connected
inline constexpr int err_past_end = 5005;    // read after the end-of-file marker
inline constexpr int err_write = 5006;       // the system refused a write
inline constexpr int err_bad_value = 5010;   // list-directed input: an item that is not a value
inline constexpr int err_overflow = 5011;    // list-directed input: a value outside its type's range
inline constexpr int err_format = 5020;      // formatted output: bad format or item of the wrong kind

// The last unit of the range 1..max_unit from which the readers and writers take their units.
inline constexpr int max_unit = 120;

// True for units 0, 5 and 6 and for every unit with an open file.
bool is_connected(int unit);
// The lowest unit in first..last (negative numbers left out) that is not connected; -1 when none.
int free_unit(int first, int last);
// The units with an open file, ascending.
std::vector<int> open_units();
// The unit connected to the file `path` (compared by canonical path); -1 when none.
int unit_of(std::string_view path);

// Connects `unit` to the existing regular file `path` for sequential reading, positioned at its
// first record (OPEN with STATUS='OLD', ACTION='READ').
int open_read(int unit, std::string_view path);
// Connects `unit` to `path` for appending records (POSITION='APPEND'): with `create` false the
// file must exist (STATUS='OLD'); with `create` true it is created when missing.
int open_append(int unit, std::string_view path, bool create);
// Disconnects the unit (nothing for a unit that is not open); a writing unit is flushed and
// closed, err_write when the system refuses the flush or the close, or refused a write before.
int close_unit(int unit);

// Reads the record at the position and advances. `record` stays valid until the next operation
// on this unit. Statuses: ok, end_of_file (nothing left; the unit is now after the end-of-file
// marker), err_past_end, err_not_open, err_unit.
int read_record(int unit, std::string_view& record);
// Steps back `count` records (BACKSPACE), stopping at the first record.
int backspace(int unit, long long count = 1);
// Back to the first record (REWIND).
int rewind_unit(int unit);
// Appends one record (the text and a newline) to a unit opened for appending.
int write_record(int unit, std::string_view record);

// A reading unit's records as held in memory, for readers that walk a file without a call per
// record: record k is the length[k] characters at text + start[k], k < count; *pos is the unit's
// position, shared with read_record and backspace (count + 1 after the end-of-file marker). Valid
// while the unit stays open.
struct Records {
    const char* text = nullptr;
    const std::size_t* start = nullptr;
    const std::size_t* length = nullptr;
    std::size_t count = 0;
    std::size_t* pos = nullptr;
};
// The records of a unit open for reading; ok, err_not_open or err_unit (then `r` is unchanged).
int records(int unit, Records& r);

// Closes the unit when it goes out of scope, on every return path of a reader.
class UnitGuard {
  public:
    explicit UnitGuard(int unit) : unit_(unit) {}
    ~UnitGuard() { close_unit(unit_); }
    UnitGuard(const UnitGuard&) = delete;
    UnitGuard& operator=(const UnitGuard&) = delete;
    int unit() const { return unit_; }

  private:
    int unit_;
};

}  // namespace tvk::io
