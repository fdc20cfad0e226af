// Bilinear softening of a damage variable with crack-band regularisation.
//
// Source: Z. P. Bazant, B. H. Oh (1983), Crack band theory for fracture of concrete, Mater.
// Struct. 16, 155-177: the softening branch of a band of width lc dissipates gc / lc per unit
// volume. With a linear rise to the strength sig_f at eps0 and a linear drop to zero stress at
// eps1, the stress (1 - d) E eps with E = sig_f / eps0 gives the damage below.
#include "damage_evolution.h"

#include <cmath>

void BiLinearEvolution(const double* eps, const double* eps0, const double* sig_f, const double* gc,
                       const double* lc, double* d, double* eps1) {
    if (std::abs(*lc) >= tvk::damage::crackband_tol)
        *eps1 = tvk::damage::crackband_final_strain(*eps0, *sig_f, *gc, *lc);
    *d = tvk::damage::bilinear_damage(*eps, *eps0, *eps1);
}
