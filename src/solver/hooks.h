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

// charlength(nblock, ncomp): for jeltype(1) = 3 the three lengths of the four-node quadrilateral
// (first four nodes), for jeltype(1) = 6 those of the eight-node brick (first eight nodes), each
// in the point's direction frame tdirect(k, :, :); 0 for any other element type, for blocks
// with fewer than 3 coordinates or too few nodes. Only the first min(ncomp, 3) lengths are
// written.
TVK_API void vucharlength_cel(const int* nblock, const int* nfieldv, const int* nprops, const int* ncomp,
                              const int* ndim, const int* nnode, const int* nstatev, const int* ksecpt,
                              const int* klayer, const int* kintpt, const int* jeltype, const int* jelem,
                              const double* totaltime, const double* steptime, const double* dt,
                              const char* cmname, const double* coordmp, const double* coordnode,
                              const double* tdirect, const double* t, const double* props,
                              const double* field, const double* stateold, double* charlength,
                              std::size_t lcmname);

// In increment 1 of an initialisation step, appends the point (noel, npt, coord) to the
// Gauss-point report <jobfilepath>.rst. uvar is left unchanged.
TVK_API void uvarm_report(double* uvar, const double* tdirect, const double* t, const double* time,
                          const double* dtime, const char* cmname, const char* orname, const int* nuvarm,
                          const int* noel, const int* npt, const int* layer, const int* kspt,
                          const int* kstep, const int* kinc, const int* ndi, const int* nshr,
                          const double* coord, const int* jmac, const int* jmatyp, const int* matlayo,
                          const int* laccfla, std::size_t lcmname, std::size_t lorname);

// Records the nodal coordinates of a block of nodes in increment 1 of a first step of kind
// initialisation. Nothing else is done without a step-kind table or with kstep 0. rval is never
// written: the solver keeps the values that it passes in.
TVK_API void vdisp_nullify(const int* nblock, const int* mdof, const int* ncoord, const int* kstep,
                           const int* kinc, const double* steptime, const double* totaltime,
                           const double* dtnext, const double* dt, const char* cbname, const int* jbctype,
                           const int* jdof, const int* jnodeuid, const double* amp, const double* coordnp,
                           const double* u, const double* v, const double* a, const double* rf,
                           const double* rmass, const double* rotaryi, const double* rval,
                           std::size_t lcbname);

// Switches the constraint off: a(mdof, mdof, n) = 0, jdof(mdof, n) = 0, lmpc = 0; ue unchanged.
TVK_API void mpc_nullify(double* ue, double* a, int* jdof, const int* mdof, const int* n, const int* jtype,
                         const double* x, const double* u, const double* uinit, const int* maxdof, int* lmpc,
                         const int* kstep, const int* kinc, const double* time, const int* nt, const int* nf,
                         const double* temp, const double* field, const int* ltran, const double* tran);

// An all-zero statev(1:nstatv) gets the not-initialised mark huge in its last entry; a vector
// holding any nonzero entry is left unchanged, and so is an empty one.
TVK_API void gen_sdvini(double* statev, const double* coords, const int* nstatv, const int* ncrds,
                        const int* noel, const int* npt, const int* layer, const int* kspt);

namespace tvk {
// The job path of jobdata jobfilepath without trailing blanks and NULs, followed by ext.
std::string job_file(const char* ext);
}  // namespace tvk
