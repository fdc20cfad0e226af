// Solver routines of neat (unreinforced) resin:
//
//   umat_resin     UMAT with the resin's own argument names. One routine serves eight models,
//                  chosen process-wide by materialdata.modelid:
//                    0 isotropic elastic with the secant modulus of the calibration table
//                    1, 2, 3 isotropic viscoelastic-style laws (Krause, Kaestner, non-constant
//                            Poisson ratio)
//                    4 plasticity (equivalent plastic strain carried in state slot 14)
//                    5 deviatoric/volumetric split
//                    6 cubic elasticity from the calibration tables
//                    7 orthotropic strain-softening law with regularised sudden degradation
//                  On top of the law: a failure criterion chosen by the tag at characters 10-20
//                  of the material name ("_GPHASTRAIN", "_GPHA", "_GPRA", "_GPBA", "_GPDP"),
//                  degradation of failed material, and in fatigue steps (cycle plan row 2 = 1, or
//                  "_FATIGUE" at characters 29-36) the load-cycle bookkeeping: the extremes of the
//                  equivalent stress over each computed cycle, the fatigue life by the S-N law
//                  with Miner accumulation, and the cycle jumps. Four (11, 22, 33, 12) or six
//                  stress components. sse, spd, scd and pnewdt come back as they went in; the
//                  strain energy accumulates in state slot 10 from the incoming (old) and the new
//                  tangent. From Python `tangente` is output only, so the old-tangent half of
//                  that energy is zero there. A point without a stiffness (fewer properties than
//                  its model reads, 25 for models 0 and 4 and 21 for the others, or no readable
//                  table its law takes the stiffness from: the secant table of model 0, the cubic
//                  tables of model 6, the softening tables of model 7) is refused, and so is a
//                  point whose tensile strength is 0 or not finite (its equivalent fatigue
//                  stress is taken over it).
//   usermat_resin  ANSYS USERMAT: umat_resin through abq_umat_to_ansys_usermat.
//
// State variables (1-based, at least 22; slots beyond nstatv read as 0 and are not written; the
// last one holds the largest double until the point is initialised): see tvk::resin_state.
#pragma once

#include "interfaces.h"
#include "kernel.h"

TVK_SOLVER_DECLARE(UmatResin, umat_resin);
TVK_SOLVER_DECLARE(Usermat, usermat_resin);

namespace tvk::resin_state {

inline constexpr int nstatv_min = 22;

// 1-based state slots of the resin material point.
enum Slot : int {
    cycle = 1,          // cycle counter n (1 at start)
    di1 = 2,            // first-invariant part of the criterion
    exposure = 3,       // criterion exposure d
    modulus = 4,        // first degraded property (the modulus)
    second = 5,         // second degraded property
    life = 6,           // consumed fatigue life
    dmises = 7,         // deviatoric part of the criterion
    ratio_max = 8,      // largest equivalent stress / xt of the running cycle
    jump = 9,           // cycle jump njimp
    energy = 10,        // accumulated strain energy density
    remaining = 12,     // (1 - life) nf, or the largest double once life is used up
    cycles_to_failure = 13,
    plastic_strain = 14,  // equivalent plastic strain of model 4
    strength = 16,      // tensile strength xt of the call
    factor = 17,        // degradation factor (regularised)
    failed = 18,        // failure indicator (1 failed)
    ratio_min = 19,     // smallest equivalent stress / xt of the running cycle
    cycle_index = 20,   // number of completed computed cycles + 1
    global_jumps = 21,  // global cycle jumps taken
    eq_stress = 22,     // equivalent fatigue stress of the call
};

}  // namespace tvk::resin_state

namespace tvk::solver {
// What the check of the routine's results lets through: its energies are the solver's (the strain
// energy accumulates in state slot 10); +inf in the remaining cycles and the cycles to failure
// (slots 12 and 13), the infinite life of a cycle without amplitude.
inline constexpr ResultRules resin_results{
    .sse = Energy::solvers, .spd = Energy::solvers, .scd = Energy::solvers,
    .infinite = {resin_state::remaining - 1, resin_state::cycles_to_failure - 1, -1, -1}};
}  // namespace tvk::solver
