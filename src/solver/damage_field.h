// Damage field of the ply material points: the evaluation at one point (`gen_damage`) and the two
// solver hooks that hand every point to it, the implicit user-field hook one point at a time
// (`usdfld_dmg`) and the explicit one a block at a time (`vusdfld_dmg`).
//
// The evaluation keeps the ply state vector (ply_state.h, the last 40 state variables) of a point:
// it locates the point's ply, section and element in the model-data tables, and by the kind of the
// current step (jobdata stepid) evaluates the five failure dispatchers on the ply stress, reads
// recorded damage from the damage data sets or records the point's damage into set 1, evolves the
// crack-plane damage of a matrix crack and hands the failed flags, the fracture angle and the
// crack-plane damage to the solver as field variables 1-7. Failed flags only ever rise, residual
// factors only ever fall. It reports the points it refuses, those that would write a value that
// is not finite (the dispatchers and the damage-set routines report what they refuse), and at -2 a
// failed matrix whose criterion gave no crack plane for the crack-plane damage asked for; and it
// writes process-wide tables (section-point counts and stresses, transverse stresses, element
// lengths, the sensor records, the damage sets, the element orientation list), so points must not
// be evaluated concurrently.
//
// Step kinds: initialisation and DIC steps read recorded damage; fatigue and impact steps (and
// kind -1 or any unknown kind) evaluate the criteria from step 2 on; relaxation steps (and -1 and
// unknown kinds) record the failed points into damage set 1 from step 2 on; structural-response
// steps (and -1) register the section points in the first increment. A missing step table, or a
// step it does not reach, counts as a fatigue step.
//
// Indices that do not fit the tables (a section tag not in secidlist, a ply tag beyond nplies, an
// element whose section-point count is not set, an integration point beyond the stress tables)
// leave the work that would need them undone instead of reading or writing outside a table: the
// section keeps 1, the ply is clamped to nplies, and the section-point, interface, transverse-
// stress and solid-length branches are skipped.
#pragma once

#include <cstddef>
#include <string_view>

#include "interfaces.h"

// Damage-field evaluation at one ply material point. field(nfield) and statev(nstatv) in and out;
// tdirect and t (3,3) direction cosines; celent the characteristic length; time(2) and dtime are
// not read; cmname the material name (its tags "_l@n@" and "_s@n@" give the ply and the section);
// kspt <= 0 counts as section point 1; coord(3); table(16) the explicit-path record (nullptr or
// all -1: absent).
TVK_API void gen_damage(double* field, double* statev, const double* tdirect, const double* t, const double* celent,
                        const double* time, const double* dtime, const char* cmname, const int* nfield,
                        const int* nstatv, const int* noel, const int* npt, const int* layer, const int* kspt,
                        const int* kstep, const int* kinc, const double* coord, const double* table,
                        std::size_t lcmname);

// Implicit user-field hook: one call of the evaluation per point, without a table; pnewdt is never
// changed.
TVK_SOLVER_DECLARE(Usdfld, usdfld_dmg);
// Explicit user-field hook: statenew = stateold, then every point in block order evaluated on its
// row of statenew and field, with the explicit-path record built from its start-of-increment
// stress and strain (cyclic order; a reduced row has its missing components 0), temperature and
// characteristic lengths. The increment number is ceil(steptime / dt - eps), 0 for dt <= 0.
// nblock <= 0 or nstatev <= 0: nothing is written.
TVK_SOLVER_DECLARE(Vusdfld, vusdfld_dmg);

namespace tvk::solver::field {

// A run of reals with a stride (a point's row of an explicit block array, or a plain vector).
struct Strided {
    double* p = nullptr;
    std::ptrdiff_t stride = 1;
    double& operator[](std::ptrdiff_t k) const { return p[k * stride]; }
};

// One point as the evaluation sees it.
struct Point {
    std::string_view routine = "gen_damage";  // the entry named in a refusal
    Strided field;  // nfield values
    Strided statev; // nstatv values
    int nfield = 0, nstatv = 0;
    const double* tdirect = nullptr;  // (3,3), column-major
    const double* t = nullptr;        // (3,3)
    double celent = 0.0;
    std::string_view cmname;
    int noel = 0, npt = 0, layer = 0, kspt = 0, kstep = 0, kinc = 0;
    const double* coord = nullptr;    // (3)
    const double* table = nullptr;    // (16) or nullptr
};

// The evaluation of one point (the body of gen_damage; a block is a sequence of these). A point
// that would write a value that is not finite into its state, its field variables or a
// process-wide table (its non-finite exposure is reported by the dispatcher) is refused: a level
// -3 report naming the routine, and its state, field variables and those tables as they came.
void evaluate(const Point& p);

// Increment number of the explicit solver from the step time and the time increment.
int explicit_increment(double steptime, double dt);

}  // namespace tvk::solver::field
