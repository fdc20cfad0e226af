// Probe routines of solver hook interfaces (analysis control, heat generation, expansion): one C
// entry per interface, generated from its argument list, that shows which value reached which
// argument (the library's routines of these hooks keep no such record). Defines the C entries: include it in one
// source per binary (the probe module's binding file and the C++ hook-interface tests).
#pragma once

#include <algorithm>
#include <array>

#include "../../src/solver/hook_interfaces.h"

TVK_SOLVER_DECLARE(Uexternaldb, probe_uexternaldb);
TVK_SOLVER_DECLARE(Vuexternaldb, probe_vuexternaldb);
TVK_SOLVER_DECLARE(Uaccess, probe_uaccess);
TVK_SOLVER_DECLARE(HetvalProny, probe_hetvalprony);
TVK_SOLVER_DECLARE(UexpanProny, probe_uexpanprony);

namespace probe {

// What the last analysis-control probe received, in list order (-1 beyond).
inline std::array<double, 8> control_seen;

inline void see(std::initializer_list<double> v) {
    control_seen.fill(-1.0);
    std::copy(v.begin(), v.end(), control_seen.begin());
}

inline void uexternaldb_probe(const tvk::solver::Uexternaldb& a) {
    see({double(a.lop), double(a.lrestart), a.time[0], a.time[1], a.dtime, double(a.kstep), double(a.kinc),
         double(a.exflag)});
}

// The last entries of the two records stand for the records.
inline void vuexternaldb_probe(const tvk::solver::Vuexternaldb& a) {
    see({double(a.k), a.niarray > 0 ? double(a.i_array[a.niarray - 1]) : -2.0, double(a.niarray),
         a.nrarray > 0 ? a.r_array[a.nrarray - 1] : -2.0, double(a.nrarray), double(a.mpi_rank)});
}

inline void uaccess_probe(const tvk::solver::Uaccess& a) { see({double(a.lop), a.dtime}); }

// flux(1) = temp(1) + dtime (flux(2) not written); statev(1:4) (svar in the binding) = time(2),
// predef(1), dpred(1), the first character code of the material name plus its length.
inline void hetval_probe(const tvk::solver::HetvalProny& a) {
    a.flux[0] = a.temp[0] + a.dtime;
    a.statev[0] = a.time[1];
    a.statev[1] = a.predef[0];
    a.statev[2] = a.dpred[0];
    a.statev[3] = double(a.cmname[0]) + double(a.cmname.size());
}

// expan(i) = temp(1) + i, dexpandt(i) = i temp(2) (i = 1..6); statev(k) += k (k = 1..nstatv), then
// statev(1) = noel and statev(nstatv) = predef(1) + dpred(1) + time(2) + dtime.
inline void uexpan_probe(const tvk::solver::UexpanProny& a) {
    for (int i = 0; i < 6; ++i) {
        a.expan[i] = a.temp[0] + (i + 1);
        a.dexpandt[i] = (i + 1) * a.temp[1];
    }
    for (int k = 0; k < a.statev.size(); ++k) a.statev[k] += k + 1;
    if (a.nstatv < 1) return;
    a.statev[0] = a.noel;
    a.statev[a.nstatv - 1] = a.predef[0] + a.dpred[0] + a.time[1] + a.dtime;
}

}  // namespace probe

TVK_SOLVER_ENTRY(Uexternaldb, probe_uexternaldb, probe::uexternaldb_probe)
TVK_SOLVER_ENTRY(Vuexternaldb, probe_vuexternaldb, probe::vuexternaldb_probe)
TVK_SOLVER_ENTRY(Uaccess, probe_uaccess, probe::uaccess_probe)
TVK_SOLVER_ENTRY(HetvalProny, probe_hetvalprony, probe::hetval_probe)
TVK_SOLVER_ENTRY(UexpanProny, probe_uexpanprony, probe::uexpan_probe)
