// Sensor material: isotropic Hooke law with E = 1e-20 and nu = 0.49, so the marked elements do
// not stiffen the structure, and a copy of the impactor's contact record into the state. One
// kernel serves both solvers; it runs in each interface's own component order (the law is
// isotropic) and reads the strain increments as the solver passes them.
#include "sensor.h"

#include <algorithm>

#include "../elements/stressstate.h"
#include "converters.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Point;

constexpr double emod = 1e-20, enu = 0.49;
constexpr double elam = emod * enu / ((1.0 + enu) * (1.0 - 2.0 * enu));
constexpr double eg = emod / (2.0 * (1.0 + enu));

// Entry (i, j) of the isotropic tangent with ndi normal components first.
inline double tangent(int i, int j, int ndi) {
    if (i < ndi && j < ndi) return i == j ? elam + 2.0 * eg : elam;
    return i == j ? eg : 0.0;
}

// The impactor records of the point: its step kind and contact record (20); `evaluated` is set
// once a point has been evaluated (the sensor record is written after the converter, see
// hand_to_record).
template <class Cprops>
struct Sensor {
    int stepid;
    Cprops cprops;
    bool* evaluated;

    template <Order O>
    Outcome operator()(Point<O>& a) const {
        const int nt = a.ntens, ndi = a.ndi;
        a.spd = a.scd = 0.0;
        for (int k = 0; k < a.statev.size(); ++k) a.statev[k] = 0.0;
        double ds[6];
        for (int i = 0; i < nt; ++i) {
            double d = 0.0;
            for (int j = 0; j < nt; ++j) {
                a.ddsdde(i, j) = tangent(i, j, ndi);
                d += a.ddsdde(i, j) * a.dstran[j];
            }
            ds[i] = d;
        }
        // A plane-stress point returns its through-thickness strain increment, which then counts
        // in the work of the increment.
        if (a.epszz) {
            const double e33 = emod, nu = enu;
            *a.epszz = GetPlaneStressEpsZZ(&e33, &nu, &nu, &ds[0], &ds[1]);
        }
        double work = 0.0;
        for (int i = 0; i < nt; ++i) {
            const double old = a.stress[i];
            a.stress[i] = old + ds[i];
            work += 0.5 * (a.stress[i] + old) * (i == 2 && a.epszz ? *a.epszz : a.dstran[i]);
        }
        a.sse += work;
        *evaluated = true;
        for (int k = 0; k < std::min(3, a.nstatv); ++k) a.statev[k] = cprops[3 + k];
        if (stepid == 3 && a.nstatv > 5)
            for (int k = 0; k < 3; ++k) a.statev[3 + k] = cprops[k];
        return Outcome::ok();
    }
};
template <class C>
Sensor(int, C, bool*) -> Sensor<C>;

// The two properties handed to the impactor's sensor record dprops(12) (the same values at each
// call), once the call has evaluated its points and refused none: a refused point leaves the
// record as it came. Properties that are not finite would keep the load hook from loading; they
// are not handed, with a warning, and the points stay evaluated (their stress does not use them).
// (The warning comes only from a call that refused none, so it never stands in for a refusal.)
template <class A>
void hand_to_record(const char* routine, const A& a, bool evaluated, unsigned refusals) {
    if (!evaluated || tvk::solver::conv::refusals != refusals || a.nprops != 2) return;
    const double* props = a.props.data();
    if (!tvk::solver::conv::all_finite(props, 2)) {
        tvk::report(-2, tvk::compose(routine, ": sensor properties not finite; sensor record kept"), 0, 0, props[0],
                    props[1]);
        return;
    }
    a.dprops[7] = props[0];
    a.dprops[8] = props[1];
    a.dprops[9] = a.dprops[10] = 0.0;
    if (a.dprops[0] == 1.0) a.dprops[0] = -1.0;
}

// The implicit point adds the work of its increment to the solver's strain energy: that is checked
// only where it came in finite (a solver may pass it unset); the dissipations it sets to 0 are its
// own.
constexpr tvk::solver::ResultRules umat_results{.sse = tvk::solver::Energy::accumulated};

void umat_law(const tvk::solver::UmatSensor& a) {
    const unsigned refusals = tvk::solver::conv::refusals;
    bool evaluated = false;
    tvk::solver::umat_point("umat_sensor", a,
                            tvk::solver::Ruled{Sensor{a.stepid, a.cprops, &evaluated}, &umat_results});
    hand_to_record("umat_sensor", a, evaluated, refusals);
}

void vumat_law(const tvk::solver::VumatSensor& a) {
    using tvk::solver::Shears;
    const unsigned refusals = tvk::solver::conv::refusals;
    bool evaluated = false;
    tvk::solver::vumat_block<Shears::as_passed>("vumat_sensor", a, Sensor{a.stepid, a.cprops, &evaluated});
    for (int k = 0; k < a.nblock; ++k) a.enerinelasnew[k] = 0.0;  // the sensor dissipates nothing
    hand_to_record("vumat_sensor", a, evaluated, refusals);
}

}  // namespace

TVK_SOLVER_ENTRY(UmatSensor, umat_sensor, umat_law)
TVK_SOLVER_ENTRY(VumatSensor, vumat_sensor, vumat_law)
