// Open or closed state of a crack plane from the normal traction on it.
#include <cmath>
#include <limits>

#include "damage_evolution.h"
#include "mechanics/transformation.h"

void GetCrackStatus(int* crckstatus, const double* svoigt, const double* nrot, const double* phi,
                    const int* baseid) {
    // Voigt (11, 22, 33, 23, 13, 12) taken as the named stresses.
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    double tv[3] = {none, none, none};
    GetTVectorFromArbitraryRotation(tv, phi, nrot, &svoigt[0], &svoigt[1], &svoigt[2], &svoigt[5], &svoigt[4],
                                    &svoigt[3], baseid);
    // A normal traction without a value (a NaN stress, or a plane flag the traction routine
    // refuses, leaving tv as it was set here) gives no status: 0, as before any crack.
    if (std::isnan(tv[0])) {
        *crckstatus = 0;
        return;
    }
    *crckstatus = tv[0] < 0.0 ? -1 : 1;
}
