// Explicit block material of a three-dimensional orthotropic ply with progressive damage: strain
// bookkeeping, optional nonlinear shear laws, damage initiation by one of seven criterion sets
// over nine damage modes, bilinear crack-band softening, Matzenmiller stiffness degradation,
// compressive residual and permanent-strain laws, strain-rate damping, element deletion and the
// energies per unit mass. Stresses and strains are in cyclic order (11, 22, 33, 12, 23, 13) with
// tensor shear strains; the block must have three direct and three shear components.
//
// Everything a point remembers lives in its state variables (at least cartesian::slot::count);
// the property list has cartesian::prop::count values. Refused input is reported in the error
// record (level -3) and leaves a neutral result: the old stress, state and energies (a whole
// block for a bad component count, state count or property list; one point for non-finite
// input or a result that overflows). A property list shorter than prop::count gives the elastic
// response without damage.
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(Vumat, vumat_cartesian);

namespace tvk::solver::cartesian {

// Positions (0-based) in the property list.
namespace prop {
inline constexpr int e11t = 0, e22t = 1, e33 = 2, g12 = 3, g13 = 4, g23 = 5, nu12 = 6, nu13 = 7, nu23 = 8;
inline constexpr int x11t = 9, x22t = 10, x33t = 11, x11c = 12, x22c = 13, x33c = 14;
inline constexpr int x12 = 15, x13 = 16, x23 = 17, e11c = 18, e22c = 19;
inline constexpr int alpha_sh = 20, g_ini = 21, nls_flag = 22;  // 23 is not read
inline constexpr int gc_ft = 24, gc_fc = 25, gc_mt = 26, gc_mc = 27, gc_zz = 28;
inline constexpr int damp1 = 29, damp2 = 30, damp3 = 31;
inline constexpr int es_flag = 32, criterion_flag = 33, perm_flag = 34, comp_flag = 35, dmgacc_flag = 36;
inline constexpr int stiff_deg_flag = 37, strength_deg_flag = 38;
inline constexpr int count = 39;
}  // namespace prop

// Damage modes (0-based): fibre tension and compression, transverse (22) tension and
// compression, through-thickness (33) tension and compression, shear 12, 23, 13.
namespace mode {
inline constexpr int ft = 0, fc = 1, mt = 2, mc = 3, zt = 4, zc = 5, s12 = 6, s23 = 7, s13 = 8;
inline constexpr int count = 9;
}  // namespace mode

// First positions (0-based) of the state variables of one point.
namespace slot {
inline constexpr int w_stat = 0;        // 9 degradation variables, capped
inline constexpr int rs = 9;            // 9 mode damage variables, never decreasing
inline constexpr int status = 18;       // element status: nonzero active, 0 deleted
inline constexpr int strain = 20;       // 6 total strains
inline constexpr int inelastic = 26;    // 6 inelastic strains
inline constexpr int slide_sign = 32;   // 3 sliding signs of closed shear cracks (12, 23, 13)
inline constexpr int tau_max = 35;      // 3 largest shear stress magnitudes (12, 23, 13)
inline constexpr int memory = 38;       // 6 strain memories: 38 fibre compression, 41-43 shear offsets
inline constexpr int onset = 44;        // 9 onset strains
inline constexpr int final_strain = 53; // 9 final strains
inline constexpr int onset_stress = 62; // 9 equivalent stresses at onset
inline constexpr int fail = 71;         // 9 failure indices of the increment
inline constexpr int angle = 80;        // 2 fracture-plane angles (modes mt, mc), radians
inline constexpr int count = 82;
}  // namespace slot

}  // namespace tvk::solver::cartesian
