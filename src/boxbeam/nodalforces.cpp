// Equivalent nodal forces of the walls: each wall is a three-node line element (start, middle,
// end) whose normal and shear flows vary quadratically along it; the consistent nodal loads of
// such a distribution over a length L are L/30 times (4, 2, -1), (2, 16, 2) and (-1, 2, 4)
// applied to the values at start, middle and end (a constant flow q gives qL/6, 2qL/3, qL/6).
// Normal flows act along the beam axis x; shear flows along the wall, split into y and z by the
// wall's direction.
#include <cmath>
#include <vector>

#include "calc.h"

namespace tvk::boxbeam {

void wall_nodal_forces(double y0, double z0, double y1, double z1, double n0, double nm, double n1,
                       double t0, double tm, double t1, double p[3][3]) {
    const double dy = (y1 - y0) / 30, dz = (z1 - z0) / 30;
    const double len = std::sqrt(dy * dy + dz * dz);
    const double w[3][3] = {{4, 2, -1}, {2, 16, 2}, {-1, 2, 4}};
    for (int node = 0; node < 3; ++node) {
        const double n = w[node][0] * n0 + w[node][1] * nm + w[node][2] * n1;
        const double t = w[node][0] * t0 + w[node][1] * tm + w[node][2] * t1;
        p[node][0] = n * len;
        p[node][1] = t * dy;
        p[node][2] = t * dz;
    }
}

void nodal_forces(Calc& w) {
    const auto& wd = wand;
    const auto& k = kraft;
    // p[(wall * 3 + direction) * 3 + node]
    std::vector<double>& p = w.forces;
    p.assign(static_cast<std::size_t>(w.KW) * 9, 0.0);
    double sp[3] = {0, 0, 0};
    for (int j = 0; j < w.KW; ++j) {
        double f[3][3];
        wall_nodal_forces(wd.YK0[j], wd.ZK0[j], wd.YKLK[j], wd.ZKLK[j], k.NX0[j], k.NXL2[j], k.NXL[j], k.T0[j],
                          k.TL2[j], k.TL[j], f);
        for (int dir = 0; dir < 3; ++dir)
            for (int node = 0; node < 3; ++node) {
                p[(static_cast<std::size_t>(j) * 3 + dir) * 3 + node] = f[node][dir];
                sp[dir] += f[node][dir];
            }
    }
    report_nodal_forces(w, p, sp[0], sp[1], sp[2]);
}

}  // namespace tvk::boxbeam
