// Gauss-point report: one record per integration point appended to a text file, with a header
// written when the file is created.
#include <string>
#include <string_view>

#include "cards.h"
#include "core/errors.h"
#include "core/format.h"
#include "core/units.h"
#include "iohandling.h"

namespace {

// The point's results stand; only its report record is lost, which the caller is told.
void not_written(std::string_view why, int noel, int npt) {
    tvk::report(-2, "Warning: Gauss-point report not written, " + std::string(why), noel, npt);
}

}  // namespace

TVK_API void getgausspointreport(const char* filepath, const double* coord, const int* noel, const int* npt,
                                 std::size_t lfilepath) {
    using namespace tvk;
    static const io::Format header("(a8,a8,a25,a25,a25)");
    static const io::Format point("(2I8,3F25.8)");
    const std::optional<std::string_view> path = cards::path_field({filepath, lfilepath});
    if (!path) return not_written("path with an embedded zero byte.", *noel, *npt);
    if (path->size() > cards::path_width)  // never cut to the name of another file
        return not_written("path longer than 256 bytes.", *noel, *npt);
    const int unit = io::free_unit(1, io::max_unit);
    if (unit < 0) return not_written("no free unit.", *noel, *npt);
    if (io::open_append(unit, *path, false) != io::ok) {
        if (io::open_append(unit, *path, true) != io::ok) return not_written("file cannot be opened.", *noel, *npt);
        if (io::write_formatted(unit, header, {"NOEL", "NPT", "x", "y", "z"}) != io::ok) {
            io::close_unit(unit);
            return not_written("write failed.", *noel, *npt);
        }
    }
    const int st = io::write_formatted(unit, point, {*noel, *npt, coord[0], coord[1], coord[2]});
    // The record is written through a buffer: a full disk or a file-size limit refuses it only
    // at the close, whose status counts as the write's.
    const int closed = io::close_unit(unit);
    if (st != io::ok || closed != io::ok) not_written("write failed.", *noel, *npt);
}
