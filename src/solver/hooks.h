// Auxiliary solver hooks (namespace `toplevel`): the explicit characteristic-length hook, the
// implicit output-variable hook (used to write the Gauss-point report), the explicit
// prescribed-motion hook (used to record nodal coordinates, never to prescribe anything), the
// implicit multi-point-constraint hook (which switches the constraint off) and the state-variable
// initialisation hook. Each takes the argument list of the solver's user subroutine; arguments
// that a hook does not need are accepted and not examined.
//
// Step kinds are read from jobdata stepid; a missing table or a step outside it counts as the
// default kind 1 (fatigue).
#pragma once

#include <cstddef>
#include <string>

#include "core/tvk.h"
#include "solver/hook_interfaces.h"

// charlength(nblock, ncomp): for jeltype(1) = 3 the three lengths of the four-node quadrilateral
// (first four nodes), for jeltype(1) = 6 those of the eight-node brick (first eight nodes), each
// in the point's direction frame tdirect(k, :, :); 0 for any other element type, for blocks
// with fewer than 3 coordinates or too few nodes. Only the first min(ncomp, 3) lengths are
// written. A point whose lengths are not finite (coordinates or directions that are not, or whose
// products overflow) keeps the lengths 0, with a level -3 report.
TVK_SOLVER_DECLARE(Vucharlength, vucharlength_cel);

// In increment 1 of an initialisation step, appends the point (noel, npt, coord) to the
// Gauss-point report <jobfilepath>.rst. uvar is left unchanged. Without a job path nothing is
// written (a level -2 note is recorded).
TVK_SOLVER_DECLARE(Uvarm, uvarm_report);

// Records the nodal coordinates of a block of nodes in increment 1 of a first step of kind
// initialisation, and the nodal motions (translations u(1:3, :), rotations u(4:mdof, :)) from
// increment 2 of steps 2 on of kind fatigue or impact, at the increments kinc for which kinc + 1
// is a multiple of debugdata nupdate. With mdof = 3 (or 4) the missing rotation rows are passed
// as zeros, which leave the stored rotations as they are; blocks with mdof < 3 record nothing.
// Nothing is done without a step-kind table or with kstep 0. rval is never written: the solver
// keeps the values that it passes in.
TVK_SOLVER_DECLARE(Vdisp, vdisp_nullify);

// Switches the constraint off: a(mdof, mdof, n) = 0, jdof(mdof, n) = 0, lmpc = 0; ue unchanged.
TVK_SOLVER_DECLARE(Mpc, mpc_nullify);

// An all-zero statev(1:nstatv) gets the not-initialised mark huge in its last entry; a vector
// holding any nonzero entry is left unchanged, and so is an empty one.
TVK_SOLVER_DECLARE(Sdvini, gen_sdvini);

namespace tvk {
// The job path of jobdata jobfilepath without trailing blanks and NULs, followed by ext.
std::string job_file(const char* ext);
// Whether increment kinc does the work of every nupdate-th increment (debugdata nupdate): its
// successor kinc + 1 is a multiple of nupdate, every increment for nupdate 0. kinc + 1 is formed
// in 64 bits, since the solver's counter may be the largest int.
bool update_due(int kinc);
}  // namespace tvk
