// Sensor material: isotropic Hooke law with E = 1e-20 and nu = 0.49, so the marked elements do
// not stiffen the structure, and a copy of the impactor's contact record into the state.
#include "sensor.h"

#include <algorithm>

#include "../core/errors.h"
#include "../elements/stressstate.h"

namespace {

constexpr double emod = 1e-20, enu = 0.49;
constexpr double elam = emod * enu / ((1.0 + enu) * (1.0 - 2.0 * enu));
constexpr double eg = emod / (2.0 * (1.0 + enu));

// Entry (i, j) of the isotropic tangent with ndi normal components first.
inline double tangent(int i, int j, int ndi) {
    if (i < ndi && j < ndi) return i == j ? elam + 2.0 * eg : elam;
    return i == j ? eg : 0.0;
}

template <class Props, class Dprops>
void hand_to_sensor_record(int nprops, const Props& props, const Dprops& dprops) {
    if (nprops != 2) return;
    dprops[7] = props[0];
    dprops[8] = props[1];
    dprops[9] = dprops[10] = 0.0;
    if (dprops[0] == 1.0) dprops[0] = -1.0;
}

void umat_law(const tvk::solver::UmatSensor& a) {
    const int nt = a.ntens, ndi = std::min(a.ndi, nt);
    a.spd = a.scd = 0.0;
    for (int k = 0; k < a.statev.size(); ++k) a.statev[k] = 0.0;
    double work = 0.0;
    for (int i = 0; i < nt; ++i) {
        double ds = 0.0;
        for (int j = 0; j < nt; ++j) {
            a.ddsdde(i, j) = tangent(i, j, ndi);
            ds += a.ddsdde(i, j) * a.dstran[j];
        }
        const double old = a.stress[i];
        a.stress[i] = old + ds;
        work += 0.5 * (a.stress[i] + old) * a.dstran[i];
    }
    a.sse += work;
    hand_to_sensor_record(a.nprops, a.props, a.dprops);
    for (int k = 0; k < std::min(3, a.nstatv); ++k) a.statev[k] = a.cprops[3 + k];
    if (a.stepid == 3 && a.nstatv > 5)
        for (int k = 0; k < 3; ++k) a.statev[3 + k] = a.cprops[k];
}

void vumat_law(const tvk::solver::VumatSensor& a) {
    const int nc = a.ndir + a.nshr, ndi = std::min(a.ndir, nc);
    const bool plane_stress = a.ndir == 3 && a.nshr == 1;
    bool bad_density = false;
    for (int k = 0; k < a.nblock; ++k) {
        a.enerinelasnew[k] = 0.0;
        for (int s = 0; s < a.nstatev; ++s) a.statenew(k, s) = 0.0;
        double ds[6] = {};
        for (int i = 0; i < std::min(nc, 6); ++i)
            for (int j = 0; j < nc; ++j) ds[i] += tangent(i, j, ndi) * a.straininc(k, j);
        if (plane_stress) {
            const double e33 = emod, nu = enu;
            a.straininc(k, 2) = GetPlaneStressEpsZZ(&e33, &nu, &nu, &ds[0], &ds[1]);
        }
        double w = 0.0;
        for (int i = 0; i < nc; ++i) {
            a.stressnew(k, i) = a.stressold(k, i) + (i < 6 ? ds[i] : 0.0);
            w += 0.5 * (a.stressnew(k, i) + a.stressold(k, i)) * a.straininc(k, i);
        }
        if (a.density[k] > 0.0) {
            a.enerinternnew[k] = a.enerinternold[k] + w / a.density[k];
        } else {
            a.enerinternnew[k] = a.enerinternold[k];
            bad_density = true;
        }
        hand_to_sensor_record(a.nprops, a.props, a.dprops);
        for (int s = 0; s < std::min(3, a.nstatev); ++s) a.statenew(k, s) = a.cprops[3 + s];
        if (a.stepid == 3 && a.nstatev >= 6)
            for (int s = 0; s < 3; ++s) a.statenew(k, 3 + s) = a.cprops[s];
    }
    if (bad_density) tvk::report(-3, "Error: sensor material point with a density that is not positive");
}

}  // namespace

TVK_SOLVER_ENTRY(UmatSensor, umat_sensor, umat_law)
TVK_SOLVER_ENTRY(VumatSensor, vumat_sensor, vumat_law)
