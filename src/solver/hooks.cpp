#include "solver/hooks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/errors.h"
#include "core/modeldata.h"
#include "elements/elementtables.h"
#include "elements/motion.h"
#include "elements/orientation.h"
#include "input/iohandling.h"
#include "solver/result_check.h"
#include "solver/stepkinds.h"

namespace tvk {

std::string job_file(const char* ext) {
    const char* p = jobdata.jobfilepath;
    std::size_t n = strnlen(p, sizeof(jobdata.jobfilepath));
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
    std::string s(p, n);
    s += ext;
    return s;
}

bool update_due(int kinc) {
    const std::int64_t next = std::int64_t{kinc} + 1, nupdate = debugdata.nupdate;
    return nupdate == 0 || next % nupdate == 0;
}

}  // namespace tvk

namespace {

void charlength_law(const tvk::solver::Vucharlength& a) {
    const int nb = std::max(a.nblock, 0), nc = std::max(a.ncomp, 0);
    double* charlength = a.charlength.data();
    std::fill(charlength, charlength + static_cast<std::size_t>(nb) * nc, 0.0);
    const int kind = a.jeltype[0];
    const int nodes = kind == 3 ? 4 : kind == 6 ? 8 : 0;
    if (nodes == 0 || a.nnode < nodes || a.ndim < 3) return;
    const double* tdirect = a.tdirect.data();
    const double* coordnode = a.coordnode.data();
    const std::size_t sb = static_cast<std::size_t>(nb), sn = static_cast<std::size_t>(a.nnode);
    const int nwrite = std::min(nc, 3);
    bool reported = false;
    for (std::size_t k = 0; k < sb; ++k) {
        double frame[9], corners[24], len[3];
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j) frame[i + 3 * j] = tdirect[k + sb * (i + 3 * j)];
        for (std::size_t m = 0; m < static_cast<std::size_t>(nodes); ++m)
            for (std::size_t i = 0; i < 3; ++i) corners[i + 3 * m] = coordnode[k + sb * (m + sn * i)];
        if (kind == 3)
            GetQuad4ElemLength(len, frame, corners);
        else
            GetHex8ElemLength(len, frame, corners);
        // A length that is not finite (coordinates or directions that are not, or whose products
        // overflow) would set the solver's stable time increment: the point keeps the lengths 0
        // of an element the hook does not treat.
        if (!tvk::solver::conv::all_finite(len, nwrite)) {
            if (!reported)
                tvk::report_refused_point("vucharlength_cel: non-finite coordinates, directions or lengths; lengths 0",
                                          static_cast<int>(k) + 1, a.jelem[static_cast<int>(k)]);
            reported = true;
            continue;
        }
        for (int c = 0; c < nwrite; ++c) charlength[k + sb * static_cast<std::size_t>(c)] = len[c];
    }
}

// The report goes next to the job; without a job path there is no such place, and writing
// ".rst" into the working directory would leave a hidden file behind.
void uvarm_report_law(const tvk::solver::Uvarm& a) {
    if (tvk::solver::step_kind(a.kstep) != tvk::solver::TVK_INITIALIZATION || a.kinc != 1) return;
    std::string path = tvk::job_file("");
    if (path.empty()) {
        tvk::report(-2, "Warning: no job path, Gauss-point report not written.", a.noel, a.npt);
        return;
    }
    path += ".rst";
    const int noel = a.noel, npt = a.npt;
    getgausspointreport(path.c_str(), a.coord.data(), &noel, &npt, path.size());
}

void vdisp_law(const tvk::solver::Vdisp& a) {
    if (!tvk::jobdata.stepid.present() || a.kstep == 0) return;
    if (a.kinc == 1) {
        if (a.kstep == 1 && tvk::solver::step_kind(1) == tvk::solver::TVK_INITIALIZATION && a.nblock > 0 &&
            a.ncoord > 0) {
            // A node whose coordinates are not finite keeps its slots of the coordinate table,
            // which the later work reads.
            const auto kept = tvk::elements::store_nodal_coordinates(a.coordnp.data(), a.jnodeuid.data(), a.ncoord,
                                                                     a.nblock, true);
            if (kept.count > 0)
                tvk::report(-2, "Warning: nodal coordinates not finite in vdisp_nullify; stored ones kept.",
                            kept.first, kept.count);
        }
        return;
    }
    const int kind = tvk::solver::step_kind(a.kstep);
    if (a.kstep < 2 || a.kinc < 2 || (kind != tvk::solver::TVK_FATIGUE && kind != tvk::solver::TVK_IMPACT)) return;
    if (!tvk::update_due(a.kinc) || a.nblock < 1 || a.mdof < 3) return;
    // Translations u(1:3, :) and rotations u(4:mdof, :), at least two rotation rows: rows the
    // solver does not pass are zero. Every motion the solver passes is stored, a zero one
    // included; without rotation rows (mdof 3) the stored rotations stay.
    const int nblock = a.nblock, mdof = a.mdof, nrot = std::max(mdof - 3, 2);
    std::vector<double> trans(3 * static_cast<std::size_t>(nblock));
    std::vector<double> rot(static_cast<std::size_t>(nrot) * nblock, 0.0);
    for (int k = 0; k < nblock; ++k) {
        for (int i = 0; i < 3; ++i) trans[3 * static_cast<std::size_t>(k) + i] = a.u(i, k);
        for (int i = 3; i < mdof; ++i) rot[static_cast<std::size_t>(nrot) * k + (i - 3)] = a.u(i, k);
    }
    // A node whose motion is not finite in an element frame keeps its stored motion in every
    // slot: the damage-field hooks read the table in later calls.
    // The store's "not given" marker is a value no motion equals (NaN), and a rotation of no
    // entries is not given.
    const double given = std::numeric_limits<double>::quiet_NaN();
    const auto kept = tvk::elements::store_nodes_motion(trans.data(), rot.data(), a.jnodeuid.data(),
                                                        mdof > 3 ? nrot : 0, nblock, given, true);
    if (kept.count > 0)
        tvk::report(-2, "Warning: nodal motion not finite in vdisp_nullify; stored motion kept.", kept.first,
                    kept.count);
}

void mpc_law(const tvk::solver::Mpc& a) {
    const std::size_t m = static_cast<std::size_t>(std::max(a.mdof, 0));
    const std::size_t c = static_cast<std::size_t>(std::max(a.n, 0));
    std::fill(a.a.data(), a.a.data() + m * m * c, 0.0);
    std::fill(a.jdof.data(), a.jdof.data() + m * c, 0);
    a.lmpc = 0;
}

void sdvini_law(const tvk::solver::Sdvini& a) {
    const int n = a.nstatv;
    if (n < 1) return;
    for (int i = 0; i < n; ++i)
        if (a.statev[i] != 0.0) return;
    a.statev[n - 1] = tvk::huge;
}

}  // namespace

TVK_SOLVER_ENTRY(Vucharlength, vucharlength_cel, charlength_law)
TVK_SOLVER_ENTRY(Uvarm, uvarm_report, uvarm_report_law)
TVK_SOLVER_ENTRY(Vdisp, vdisp_nullify, vdisp_law)
TVK_SOLVER_ENTRY(Mpc, mpc_nullify, mpc_law)
TVK_SOLVER_ENTRY(Sdvini, gen_sdvini, sdvini_law)
