// Gauss-point report: one record per integration point appended to a text file, with a header
// written when the file is created.
#include <string_view>

#include "cards.h"
#include "core/format.h"
#include "core/units.h"
#include "iohandling.h"

TVK_API void getgausspointreport(const char* filepath, const double* coord, const int* noel, const int* npt,
                                 std::size_t lfilepath) {
    using namespace tvk;
    static const io::Format header("(a8,a8,a25,a25,a25)");
    static const io::Format point("(2I8,3F25.8)");
    const int unit = io::free_unit(1, io::max_unit);
    if (unit < 0) return;
    std::string_view path(filepath, lfilepath);
    while (!path.empty() && path.back() == ' ') path.remove_suffix(1);
    if (path.size() > cards::path_width) return;  // never cut to the name of another file
    if (io::open_append(unit, path, false) != io::ok) {
        if (io::open_append(unit, path, true) != io::ok) return;
        io::write_formatted(unit, header, {"NOEL", "NPT", "x", "y", "z"});
    }
    io::write_formatted(unit, point, {*noel, *npt, coord[0], coord[1], coord[2]});
    io::close_unit(unit);
}
