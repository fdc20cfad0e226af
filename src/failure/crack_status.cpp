// Open or closed state of a crack plane from the normal traction on it.
#include "damage_evolution.h"
#include "mechanics/transformation.h"

void GetCrackStatus(int* crckstatus, const double* svoigt, const double* nrot, const double* phi,
                    const int* baseid) {
    // Voigt (11, 22, 33, 23, 13, 12) taken as the named stresses.
    double tv[3] = {0.0, 0.0, 0.0};
    GetTVectorFromArbitraryRotation(tv, phi, nrot, &svoigt[0], &svoigt[1], &svoigt[2], &svoigt[5], &svoigt[4],
                                    &svoigt[3], baseid);
    *crckstatus = tv[0] < 0.0 ? -1 : 1;
}
