// Viscous (time) regularisation of a damage vector.
//
// Source: G. Duvaut, J.-L. Lions (1972), Les inequations en mecanique et en physique, applied to
// damage by I. Lapczyk, J. A. Hurtado (2007), Compos. Part A 38, 2333-2341: the regularised damage
// relaxes towards the current one with a viscosity eta. Discretised with eta = reg_factor dt_inc
// the increment cancels, so the weights are written without it: an increment of zero (the first
// call of an explicit step) stays finite.
#include "damage_evolution.h"

void TimeRegularization(const double* d_old, const double* d_new, double* d_reg, const double* /*dt_inc*/,
                        const double* reg_factor, const int* num) {
    const double den = 1.0 + *reg_factor;
    const double w_old = den > 0.0 ? *reg_factor / den : 0.0;
    const double w_new = den > 0.0 ? 1.0 / den : 1.0;
    for (int i = 0; i < *num; ++i) d_reg[i] = d_old[i] * w_old + d_new[i] * w_new;
}
