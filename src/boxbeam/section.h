// C++ interface of the box-beam calculator: the status-returning forms of the two entry points
// (the Python binding raises from them), and the pieces the tests reach directly.
#pragma once

#include <string>

#include "boxbeam.h"
#include "core/tvk.h"

namespace tvk::boxbeam {

// Outcome of a calculation or an initialisation: 0 done; `refused` inputs outside the records,
// a failed solve, a failed file operation; `no_memory` an allocation that failed. The message is
// the text also recorded in the error record.
struct Status {
    enum Code { done = 0, refused = 1, no_memory = 2 };
    int code = done;
    std::string message;
    explicit operator bool() const { return code == done; }
};

// Creates the record arrays that do not exist yet (capacities below 0 count as 0) and zeroes
// counts, loads, results and input arrays within the allocated lengths.
Status initialize(int nw, int ng, int nz) TVK_HOST_API("tvk_boxbeam_initialize");

// One calculation from the records (GetEquivalentXSection).
Status calculate() TVK_HOST_API("tvk_boxbeam_calculate");

// Consistent nodal forces of a wall from (y0, z0) to (y1, z1) carrying quadratically varying
// normal flows (n0, nm, n1) and shear flows (t0, tm, t1) at start, middle and end:
// p[node][direction], node 0 start, 1 middle, 2 end; direction 0 x, 1 y, 2 z.
void wall_nodal_forces(double y0, double z0, double y1, double z1, double n0, double nm, double n1,
                       double t0, double tm, double t1, double p[3][3]);

}  // namespace tvk::boxbeam
