// Analysis control (namespace `toplevel`): the hooks through which a solver tells the library
// where an analysis stands. They are exported under the fixed names the solver-side forwarding
// file calls.
//
// UEXTERNALDB_IOControl(lop, lrestart, time, dtime, kstep, kinc, [exflag]) does the work; lop
//   0 or 4   analysis start: the input deck <jobfilepath>.pes (else .inp) is scanned for the step
//            kinds (jobdata nsteps, stepid) and the impact points (loaddata nimp, dprops; the
//            contact records impactdata cprops), then the step, section, material and damage
//            cards of joboutdir are read (the deck stands in for a card that cannot be opened)
//            and the section matrices sefmatrix and sehmatrix are built;
//   1        increment start (not for exflag 1, a call forwarded from the explicit hook);
//   7        increment start: impactor resets of impact steps, element lengths, the section-point
//            stress tables and the accumulators of fatigue and impact steps from step 2 on, and
//            the fatigue cycle number from the last "CYCLE n ..." record of <jobfilepath>.msg,
//            its second word, also where the record ends the file (at least 1 when the file or
//            such a record is missing; a level -2 report where it has no second word or that
//            word is not a number);
//   2        increment end: impactor motion of impact steps (peak resets of structural-response
//            steps; an impactor whose motion update is not finite keeps its record, with a level
//            -2 report), accumulators zeroed (explicit calls only every nupdate-th increment), the
//            node motions beyond the fourth node of four-node shells zeroed;
//   3        release of every process-wide table (a following analysis start begins clean);
//   other    nothing.
// A deck that cannot be opened records the level -3 report "Cannot process any input file.
// Execution stops. Please check paths and your input deck format." (cut to 80 characters); a start
// while the step kinds of an earlier analysis are still held (no release in between) records its
// own level -3 report, "Error: earlier analysis still held; release it (UEXTERNALDB_IOControl code
// 3).", with the held analysis's step count. Either way the run goes on without a scan, and the
// cards are read with the deck path last tried.
//
// VUEXTERNALDB_IOControl(k, i_array, niarray, r_array, nrarray, [mpi_rank]) translates the
// explicit solver's codes k = 0..6 onto the codes (0, 5, 7, 1, 2, 6, 3) of the implicit hook
// (step i_array(3), increment i_array(4), time (r_array(2), r_array(1)), increment r_array(3),
// exflag 1); at analysis start it also reads the data listing <jobfilepath>.dat, at the end of an
// initialisation step it builds the element reference data, and at step start it raises jobdata
// stepcount to the step. Ranks other than 0 forward only increment and step ends, and only once
// they hold step kinds. Records shorter than 4 integers or 3 reals are refused (level -3).
//
// UACCESS_IOControl(lop, dtime): lop 2 zeroes the transverse-stress accumulators, lop 3 releases
// the model-data tables (deallocall); anything else does nothing.
//
// A step outside the step-kind table (or no table) counts as the default kind 1, fatigue. Paths
// are the job texts without trailing blanks and NULs.
#pragma once

#include "core/tvk.h"
#include "solver/hook_interfaces.h"

TVK_SOLVER_DECLARE(Uexternaldb, UEXTERNALDB_IOControl);
TVK_SOLVER_DECLARE(Vuexternaldb, VUEXTERNALDB_IOControl);
TVK_SOLVER_DECLARE(Uaccess, UACCESS_IOControl);
