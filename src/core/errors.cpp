#include "errors.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "host.h"
#include "tvk_error.h"

namespace tvk {

constinit ErrorRecord errorhandling;

namespace {

// Serialises every update and every C read of the record: a host may report from several threads
// at once (a solver calling its material routine in parallel), and two reports must neither both
// take the record nor resize its arrays at the same time. The rest of the library takes no lock.
constinit std::mutex record_lock;

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

    const std::lock_guard<std::mutex> hold(record_lock);
    auto& e = errorhandling;
    if (e.errstat != 0) return;  // the first report wins

    e.errstat = lop ? *lop : 0;
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
    const std::lock_guard<std::mutex> hold(record_lock);
    auto& e = errorhandling;
    e.errstat = 0;
    e.errintv.release();
    e.errrealv.release();
    e.errasciim.release();
}

TVK_ERROR_API int tvk_error_level(void) {
    const std::lock_guard<std::mutex> hold(tvk::record_lock);
    return tvk::errorhandling.errstat;
}

TVK_ERROR_API std::size_t tvk_error_message(char* buf, std::size_t n) {
    char text[sizeof tvk::errorhandling.errstring];
    std::size_t len = 0;
    {
        const std::lock_guard<std::mutex> hold(tvk::record_lock);
        const auto& e = tvk::errorhandling;
        if (e.errstat != 0) {
            std::memcpy(text, e.errstring, sizeof text);
            len = sizeof text;
        }
    }
    // the text ends at its first NUL (the record starts as zero bytes), then loses its blanks
    len = std::find(text, text + len, '\0') - text;
    while (len > 0 && text[len - 1] == ' ') --len;
    if (buf && n > 0) {
        const std::size_t m = std::min(len, n - 1);
        std::memcpy(buf, text, m);
        buf[m] = '\0';
    }
    return len;
}

TVK_ERROR_API void tvk_error_clear(void) {
    int reset = 0;
    const int clear = 1;
    rsxerr(&reset, &clear);
}
