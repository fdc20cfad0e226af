// The error record (module `errorhandling`), one per thread, and the helper every routine uses
// to report into it.
//
// A routine that meets bad input or a numerical failure calls `tvk::report` with a level
// (-1 note or iteration limit, -2 warning or recoverable error, -3 input error that voids the
// result), its message, two integers, two reals and two names, and then returns a neutral
// result; it never raises or stops. The record keeps the first report until `rsxerr` clears it.
// Like errno, every thread has its own record: a solver that runs its material routine in several
// threads reads and clears, in each thread, the reports of that thread's points only. `xerr`,
// `rsxerr` and the C readers of tvk_error.h act on the calling thread's record; no thread ever
// touches another's, so none of them takes a lock. A thread gets its record at its first report
// (reading or clearing an empty record creates none), and the record is released when the thread
// ends, so that a host that starts threads anew on every call does not pile records up; only a
// record that the Python module has handed out as arrays stays for the process.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "table.h"
#include "tvk.h"

namespace tvk {

struct ErrorRecord {
    int errstat = 0;
    char errstring[80] = {};     // 80 zero bytes at load; never cleared
    Table<int, 1> errintv;
    Table<double, 1> errrealv;
    Table<int, 2> errasciim;     // names as character codes, one name per column, at most 8 rows
};

// The calling thread's record, for a viewer that hands out its memory (the Python module's record
// variables): created at the thread's first use, and kept, with its table blocks, for the life of
// the process from this call on, so that a view stays valid after the thread has ended. Such a
// record is never given to another thread.
ErrorRecord& error_record() TVK_HOST_API("tvk_error_record");

// The calling thread's record, created at its first use and released when the thread ends (unless
// error_record has kept it): for code that reads it within the thread.
ErrorRecord& current_error_record();

// Records a report as a library routine does (xerr without pyerr): the message is blank-padded
// or cut to 80 characters, the names to 8 characters each, stored as an 8 x 2 code matrix.
void report(int level, std::string_view msg, int i1 = 0, int i2 = 0, double r1 = 0.0,
            double r2 = 0.0, std::string_view name1 = {}, std::string_view name2 = {});

// Records the level -3 report of a refused material point or element (the point gets the refused
// result: inputs back as they came, a zero tangent or residual, a cut-back where there is one).
// As `report`, except that it replaces a report of a level above -3 (a note or warning) recorded
// earlier in the same host call, so that a host testing `<= -3` sees the refusal: a routine's own
// warning must not present a refused point as usable. A report that stood in the record before
// the host call began stays, as does a report of level -3 or below.
void report_refused_point(std::string_view msg, int i1 = 0, int i2 = 0, double r1 = 0.0, double r2 = 0.0,
                          std::string_view name1 = {}, std::string_view name2 = {});

// Marks one call of a solver entry (a material routine, an element, an adapter) or of a routine
// from Python for the thread's error record, for as long as it lives: the outermost mark of a
// thread opens a host call, which the nested calls (an adapter's routine, a routine's services, a
// Python call-back's calls) belong to. Nothing decides from the mark but report_refused_point.
class HostCall {
public:
    HostCall() noexcept;
    ~HostCall();
    HostCall(const HostCall&) = delete;
    HostCall& operator=(const HostCall&) = delete;
};

namespace detail {
// The thread's host-call mark: the depth of nested entry calls, and whether the record's report
// was made during the current host call.
struct CallMark {
    int depth = 0;
    bool reported = false;
};
extern constinit thread_local CallMark call_mark TVK_HOST_API("tvk_call_mark");
}  // namespace detail

inline HostCall::HostCall() noexcept {
    if (detail::call_mark.depth++ == 0) detail::call_mark.reported = false;
}
inline HostCall::~HostCall() { --detail::call_mark.depth; }

// A composed message: the first text without its trailing blanks directly followed by the second,
// the whole cut at 80 characters.
std::string compose(std::string_view first, std::string_view second);

}  // namespace tvk

// xerr(lop, xerrmsg, intv, realv, asciim, [pyerr]); the assumed-shape arrays carry their
// extents right after them. With pyerr present and 0 the message is written to standard output
// as one list-directed record and the process ends with status 1 (through host::stop).
TVK_API void xerr(const int* lop, const char* xerrmsg, const int* intv, const int* nintv,
                  const double* realv, const int* nrealv, const int* asciim, const int* nrows,
                  const int* ncols, int* pyerr, std::size_t xerrmsg_len);
// rsxerr(reset, lop): with lop true clears the record (errstat 0, arrays released), reset = 1.
TVK_API void rsxerr(int* reset, const int* lop);
