#include "solver/hooks.h"

#include <algorithm>
#include <cstring>

#include "core/modeldata.h"
#include "elements/elementtables.h"
#include "elements/orientation.h"
#include "input/iohandling.h"
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

}  // namespace tvk

void vucharlength_cel(const int* nblock, const int*, const int*, const int* ncomp, const int* ndim,
                      const int* nnode, const int*, const int*, const int*, const int*, const int* jeltype,
                      const int*, const double*, const double*, const double*, const char*, const double*,
                      const double* coordnode, const double* tdirect, const double*, const double*,
                      const double*, const double*, double* charlength, std::size_t) {
    const int nb = std::max(*nblock, 0), nc = std::max(*ncomp, 0);
    std::fill(charlength, charlength + static_cast<std::size_t>(nb) * nc, 0.0);
    const int kind = jeltype[0];
    const int nodes = kind == 3 ? 4 : kind == 6 ? 8 : 0;
    if (nodes == 0 || *nnode < nodes || *ndim < 3) return;
    const std::size_t sb = static_cast<std::size_t>(nb), sn = static_cast<std::size_t>(*nnode);
    const int nwrite = std::min(nc, 3);
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
        for (int c = 0; c < nwrite; ++c) charlength[k + sb * static_cast<std::size_t>(c)] = len[c];
    }
}

void uvarm_report(double*, const double*, const double*, const double*, const double*, const char*, const char*,
                  const int*, const int* noel, const int* npt, const int*, const int*, const int* kstep,
                  const int* kinc, const int*, const int*, const double* coord, const int*, const int*,
                  const int*, const int*, std::size_t, std::size_t) {
    if (tvk::solver::step_kind(*kstep) != tvk::solver::TVK_INITIALIZATION || *kinc != 1) return;
    const std::string path = tvk::job_file(".rst");
    getgausspointreport(path.c_str(), coord, noel, npt, path.size());
}

void vdisp_nullify(const int* nblock, const int*, const int* ncoord, const int* kstep, const int* kinc,
                   const double*, const double*, const double*, const double*, const char*, const int*,
                   const int*, const int* jnodeuid, const double*, const double* coordnp, const double*,
                   const double*, const double*, const double*, const double*, const double*, const double*,
                   std::size_t) {
    if (!tvk::jobdata.stepid.present() || *kstep == 0) return;
    if (*kinc == 1) {
        if (*kstep == 1 && tvk::solver::step_kind(1) == tvk::solver::TVK_INITIALIZATION && *nblock > 0 && *ncoord > 0)
            GetNodalCoordinates(coordnp, jnodeuid, ncoord, nblock);
        return;
    }
}

void mpc_nullify(double*, double* a, int* jdof, const int* mdof, const int* n, const int*, const double*,
                 const double*, const double*, const int*, int* lmpc, const int*, const int*, const double*,
                 const int*, const int*, const double*, const double*, const int*, const double*) {
    const std::size_t m = static_cast<std::size_t>(std::max(*mdof, 0));
    const std::size_t c = static_cast<std::size_t>(std::max(*n, 0));
    std::fill(a, a + m * m * c, 0.0);
    std::fill(jdof, jdof + m * c, 0);
    *lmpc = 0;
}

void gen_sdvini(double* statev, const double*, const int* nstatv, const int*, const int*, const int*, const int*,
                const int*) {
    const int n = *nstatv;
    if (n < 1) return;
    for (int i = 0; i < n; ++i)
        if (statev[i] != 0.0) return;
    statev[n - 1] = tvk::huge;
}
