// Stiffness damage from mode damage: each of the nine mode damage variables acts on the stiffness
// damage variables through a fixed coupling matrix, either accumulated or by the largest contribution. The nine stiffness damage
// values pair a tension and a compression value per normal direction (1-2, 3-4, 5-6) with the
// shear values d12, d23, d13 (7-9).
#include <algorithm>
#include <cstring>

#include "continuum_damage.h"
#include "core/errors.h"
#include "mechanics/elasticlaws.h"

namespace {

// K(i, j): share of mode damage j in stiffness damage i; coupling[j] is column j (rows 1..9).
constexpr double third = 1.0 / 3.0;
constexpr double coupling[9][9] = {
    {1.0, 0.5, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 1.0},
    {0.5, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 1.0},
    {0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 1.0, 0.0},
    {0.0, 0.0, 1.0, third, 0.0, third, 0.5, 1.0, 0.5},
    {0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0},
    {0.0, 0.0, 0.5, third, 0.0, third, 0.5, 1.0, 0.5},
    {0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 1.0, 0.0},
    {0.0, 0.0, 0.5, third, 0.0, 0.0, 0.5, 1.0, 0.5},
    {0.0, 0.0, 0.5, 0.0, 0.5, 0.0, 0.0, 1.0, 1.0},
};

}  // namespace

void DegradationFromModes(const double* d_modes, double* w_stat, const int* accumulation, double* c_deg,
                          const double* moduli, const double* vnu, const double* effort) {
    double w[9] = {};
    if (d_modes) {
        const bool sum = *accumulation != 0;
        for (int j = 0; j < 9; ++j) {
            const double dj = d_modes[j];
            if (dj == 0.0) continue;  // contributes 0 to a sum and to a maximum that starts at 0
            const double* k = coupling[j];
            if (sum)
                for (int i = 0; i < 9; ++i) w[i] += k[i] * dj;
            else
                for (int i = 0; i < 9; ++i) w[i] = std::max(w[i], k[i] * dj);
        }
    }
    std::memcpy(w_stat, w, sizeof w);
    std::memset(c_deg, 0, 36 * sizeof(double));
    if (!moduli || !vnu || !effort) return;
    double prop[9], dw[6];
    GetComponentsTensionCompression(moduli, prop, effort);
    GetComponentsTensionCompression(w, dw, effort);
    prop[6] = vnu[0];
    prop[7] = vnu[1];
    prop[8] = vnu[2];
    if (!tvk::damage::matzenmiller(c_deg, prop, dw, dw[4], dw[5], dw[3]))
        tvk::report(-3, "Singular damaged compliance in DegradationFromModes");
}
