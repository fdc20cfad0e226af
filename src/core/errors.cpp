#include "errors.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "host.h"
#include "tvk_error.h"

namespace tvk {

namespace {

// A thread's record. A record that a viewer has taken (`kept`) is linked into a list that holds it
// for the life of the process; any other record is released when its thread ends.
struct RecordNode {
    ErrorRecord record;
    RecordNode* next = nullptr;
    bool kept = false;
};
constinit std::atomic<RecordNode*> kept_records{nullptr};

// The calling thread's record: null before its first report or view, and again once the thread's
// record has been released at its end (then `ended` is set). Both are trivially destructible, so
// they stay readable while the thread's other thread-local objects and, in the main thread, the
// process's static objects are destroyed.
constinit thread_local RecordNode* own_node = nullptr;
constinit thread_local bool ended = false;

[[noreturn, gnu::cold]] void out_of_memory() {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "Error allocating %lu bytes\n",
                                static_cast<unsigned long>(sizeof(RecordNode)));
    host::stop({text, static_cast<std::size_t>(std::max(n, 0))}, 1, host::Stream::err);
}

void keep(RecordNode* node) {
    node->kept = true;
    node->next = kept_records.load(std::memory_order_relaxed);
    while (!kept_records.compare_exchange_weak(node->next, node, std::memory_order_release,
                                               std::memory_order_relaxed)) {
    }
}

// Releases the thread's record when the thread ends, unless a viewer keeps it. The record's table
// blocks go with it: no view of them exists (a view keeps the record), so no other thread can
// hold a reference to them.
struct RecordRelease {
    ~RecordRelease() {
        RecordNode* node = own_node;
        own_node = nullptr;
        ended = true;
        if (node && !node->kept) delete node;
    }
};

[[gnu::noinline, gnu::cold]] RecordNode* new_node() {
    auto* node = new (std::nothrow) RecordNode;
    if (!node) out_of_memory();
    if (ended) {
        // A record asked for after the thread's own was released (by a destructor that runs after
        // it): a fresh one that the process keeps, since nothing would release it.
        keep(node);
    } else {
        thread_local RecordRelease release;  // registered at the thread's first record
        (void)release;
    }
    own_node = node;
    return node;
}

// The calling thread's record, created at its first use.
inline ErrorRecord& record() { return (own_node ? own_node : new_node())->record; }

// The calling thread's record for a report: null once the thread's record has been released, so
// that a report made while the thread ends is dropped.
inline ErrorRecord* report_record() {
    if (own_node) [[likely]]
        return &own_node->record;
    return ended ? nullptr : &new_node()->record;
}

// Number of elements of an assumed-shape argument: its extent, or 0 when the array or its extent
// is missing or the extent is negative.
inline int count(const void* data, const int* extent) {
    return data && extent && *extent > 0 ? *extent : 0;
}

// Makes `t` hold exactly the extents `e`, re-creating it only when its extents differ. A view
// taken from Python before a re-creation keeps its own storage.
template <class T, int R>
void ensure_extents(Table<T, R>& t, std::array<std::int64_t, R> e) {
    bool same = t.present();
    for (int d = 0; same && d < R; ++d) same = t.extent(d + 1) == e[d];
    if (!same) t.allocate(e);
}

}  // namespace

ErrorRecord& error_record() {
    ErrorRecord& e = record();
    if (!own_node->kept) keep(own_node);
    return e;
}

ErrorRecord& current_error_record() { return record(); }

void report(int level, std::string_view msg, int i1, int i2, double r1, double r2,
            std::string_view name1, std::string_view name2) {
    char text[80];
    std::memset(text, ' ', sizeof text);
    std::memcpy(text, msg.data(), std::min(msg.size(), sizeof text));
    const int ints[2] = {i1, i2};
    const double reals[2] = {r1, r2};
    // 8 x 2 matrix of character codes, one blank-padded name per column.
    int codes[16];
    const std::string_view names[2] = {name1, name2};
    for (int c = 0; c < 2; ++c)
        for (std::size_t r = 0; r < 8; ++r)
            codes[c * 8 + r] = r < names[c].size() ? static_cast<unsigned char>(names[c][r]) : ' ';
    const int two = 2, eight = 8;
    xerr(&level, text, ints, &two, reals, &two, codes, &eight, &two, nullptr, sizeof text);
}

namespace detail {
constinit thread_local CallMark call_mark;
}

void report_refused_point(std::string_view msg, int i1, int i2, double r1, double r2, std::string_view name1,
                          std::string_view name2) {
    ErrorRecord* r = report_record();
    if (!r) return;
    auto& e = *r;
    // a note or warning of this host call gives way to the refusal; one from before the call stays
    if (detail::call_mark.depth > 0 && detail::call_mark.reported && e.errstat > -3) e.errstat = 0;
    report(-3, msg, i1, i2, r1, r2, name1, name2);
}

std::string compose(std::string_view first, std::string_view second) {
    const std::size_t end = first.find_last_not_of(' ');
    std::string s(first.substr(0, end == std::string_view::npos ? 0 : end + 1));
    s.append(second);
    if (s.size() > 80) s.resize(80);
    return s;
}

}  // namespace tvk

TVK_API void xerr(const int* lop, const char* xerrmsg, const int* intv, const int* nintv,
                  const double* realv, const int* nrealv, const int* asciim, const int* nrows,
                  const int* ncols, int* pyerr, std::size_t xerrmsg_len) {
    using namespace tvk;
    // The message as an 80-character field: cut at 80, blank-padded.
    char text[80];
    std::memset(text, ' ', sizeof text);
    if (xerrmsg) std::memcpy(text, xerrmsg, std::min(xerrmsg_len, sizeof text));

    if (pyerr && *pyerr == 0) {
        // Print-and-stop: one list-directed record (leading blank, the 80 characters, line end),
        // then an orderly end of the whole process. The status is 1, not 0: the process ends
        // because something went wrong and must not look like a success to its parent.
        char record[sizeof text + 2];
        record[0] = ' ';
        std::memcpy(record + 1, text, sizeof text);
        record[sizeof record - 1] = '\n';
        host::stop({record, sizeof record}, 1);
    }

    ErrorRecord* r = report_record();
    if (!r) return;  // made while the thread ends, after its record was released
    auto& e = *r;
    if (e.errstat != 0) return;  // the first report of this thread wins

    e.errstat = lop ? *lop : 0;
    detail::call_mark.reported = detail::call_mark.depth > 0;
    std::memcpy(e.errstring, text, sizeof text);

    const int ni = count(intv, nintv);
    const int nr = count(realv, nrealv);
    const int rows_in = count(asciim, nrows);
    const int cols = count(asciim, ncols);
    const int rows = std::min(rows_in, 8);  // a name keeps at most 8 characters

    // The arrays take this report's lengths. They normally are absent here; they are present
    // while errstat is 0 only after a level-0 report or when errstat was reset without rsxerr,
    // and then a longer report must not write past their ends.
    ensure_extents(e.errintv, {ni});
    ensure_extents(e.errrealv, {nr});
    ensure_extents(e.errasciim, {rows, cols});

    std::copy_n(intv, ni, e.errintv.data());
    std::copy_n(realv, nr, e.errrealv.data());
    int* dst = e.errasciim.data();
    for (int c = 0; c < cols; ++c)
        std::copy_n(asciim + static_cast<std::ptrdiff_t>(c) * rows_in, rows,
                    dst + static_cast<std::ptrdiff_t>(c) * rows);
}

TVK_API void rsxerr(int* reset, const int* lop) {
    using namespace tvk;
    const bool clear = lop && *lop != 0;
    if (reset) *reset = clear ? 1 : 0;
    if (!clear) return;
    detail::call_mark.reported = false;
    if (!own_node) return;  // no record: nothing to clear
    auto& e = own_node->record;
    e.errstat = 0;
    e.errintv.release();
    e.errrealv.release();
    e.errasciim.release();
}

// The readers create no record: a thread without one has nothing recorded.
TVK_ERROR_API int tvk_error_level(void) { return tvk::own_node ? tvk::own_node->record.errstat : 0; }

TVK_ERROR_API std::size_t tvk_error_message(char* buf, std::size_t n) {
    const tvk::ErrorRecord* e = tvk::own_node ? &tvk::own_node->record : nullptr;
    const char* text = e ? e->errstring : "";
    std::size_t len = e && e->errstat != 0 ? sizeof e->errstring : 0;
    // the text ends at its first NUL (the record starts as zero bytes), then loses its blanks
    len = std::find(text, text + len, '\0') - text;
    while (len > 0 && text[len - 1] == ' ') --len;
    if (buf && n > 0) {
        const std::size_t m = std::min(len, n - 1);
        std::memmove(buf, text, m);  // buf may be any memory of the caller's, the record's too
        buf[m] = '\0';
    }
    return len;
}

TVK_ERROR_API void tvk_error_clear(void) {
    int reset = 0;
    const int clear = 1;
    rsxerr(&reset, &clear);
}
