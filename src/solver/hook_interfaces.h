// The argument lists of the solver hooks that are not material or element routines (loads,
// amplitudes, analysis control, output, prescribed motion, constraints, state initialisation,
// characteristic lengths, heat generation and expansion), each stated once in the entry format of
// interface.h. Every routine of such a hook, and every second name it is exported under, is
// declared, defined and bound from its list (TVK_SOLVER_DECLARE, TVK_SOLVER_ENTRY,
// TVK_SOLVER_ALIAS, TVK_SOLVER_ROUTINE).
//
// Reals are doubles, counts, ids and codes 4-byte integers, logicals 4-byte integers, texts
// 80-character blank-padded fields. Arrays are column-major, first extent first.
#pragma once

#include "interface.h"

// ---- Loads ---------------------------------------------------------------------------------------
// Distributed surface traction of impactors: alpha the load magnitude, t_user the traction
// direction, cprops(20, k) and dprops(12, k) the contact and load records of impactor k; elemid
// the loaded element (optional).
#define TVK_SOLVER_DSLOAD_ARGS(V, X)             \
    V(X, alpha, f8, (), out)                     \
    V(X, t_user, f8, (3), io)                    \
    V(X, kstep, i4, (), in)                      \
    V(X, coords, f8, (3), in)                    \
    V(X, dircos, f8, (3, 3), in)                 \
    V(X, cprops, f8, (20, nimp), in)             \
    V(X, dprops, f8, (12, nimp), io)             \
    V(X, nimp, i4, (), in)                       \
    V(X, elemid, i4, (), opt)
#define TVK_SOLVER_Dsload(X) TVK_SOLVER_DSLOAD_ARGS(TVK_SOLVER_BASE, X)

// Edge or face load of the impactors the set name sname names.
#define TVK_SOLVER_DELOAD_ARGS(V, X)             \
    V(X, alpha, f8, (), out)                     \
    V(X, t_user, f8, (3), io)                    \
    V(X, kstep, i4, (), in)                      \
    V(X, kinc, i4, (), in)                       \
    V(X, time, f8, (2), in)                      \
    V(X, noel, i4, (), in)                       \
    V(X, npt, i4, (), in)                        \
    V(X, coords, f8, (3), in)                    \
    V(X, dircos, f8, (3, 3), in)                 \
    V(X, jltyp, i4, (), in)                      \
    V(X, sname, s80, (), in)                     \
    V(X, cprops, f8, (20, nimp), in)             \
    V(X, dprops, f8, (12, nimp), io)             \
    V(X, nimp, i4, (), in)
#define TVK_SOLVER_Deload(X) TVK_SOLVER_DELOAD_ARGS(TVK_SOLVER_BASE, X)

// Concentrated force f of the node set sname; ldflag the load-shape code, kept by the caller.
#define TVK_SOLVER_CLOAD_ARGS(V, X)              \
    V(X, f, f8, (), out)                         \
    V(X, ldflag, f8, (), io)                     \
    V(X, cforce, f8, (), in)                     \
    V(X, sname, s80, (), in)
#define TVK_SOLVER_Cload(X) TVK_SOLVER_CLOAD_ARGS(TVK_SOLVER_BASE, X)

// ---- Amplitudes -----------------------------------------------------------------------------------
// amp of the table xydata(ndata) = (x(1..n), y(1..n)) at xvalue; skip (optional) returns 0 at once.
#define TVK_SOLVER_CAMPLITUDE_ARGS(V, X)         \
    V(X, amp, f8, (), out)                       \
    V(X, xydata, f8, (ndata), in)                \
    V(X, xvalue, f8, (), in)                     \
    V(X, ndata, i4, (), in)                      \
    V(X, skip, l4, (), opt)
#define TVK_SOLVER_Camplitude(X) TVK_SOLVER_CAMPLITUDE_ARGS(TVK_SOLVER_BASE, X)

// As the amplitude, with passed, the branch history the caller keeps between calls.
#define TVK_SOLVER_CHYSTERESIS_ARGS(V, X)        \
    V(X, amp, f8, (), out)                       \
    V(X, passed, f8, (), io)                     \
    V(X, xydata, f8, (ndata), in)                \
    V(X, xvalue, f8, (), in)                     \
    V(X, ndata, i4, (), in)                      \
    V(X, skip, l4, (), opt)
#define TVK_SOLVER_Chysteresis(X) TVK_SOLVER_CHYSTERESIS_ARGS(TVK_SOLVER_BASE, X)

// ---- Analysis control -----------------------------------------------------------------------------
// Implicit solver: operation code lop, restart flag, time(2) (step, total), time increment, step and
// increment; exflag (optional) 1 marks a call forwarded from the explicit hook.
#define TVK_SOLVER_UEXTERNALDB_ARGS(V, X)        \
    V(X, lop, i4, (), in)                        \
    V(X, lrestart, i4, (), in)                   \
    V(X, time, f8, (2), in)                      \
    V(X, dtime, f8, (), in)                      \
    V(X, kstep, i4, (), in)                      \
    V(X, kinc, i4, (), in)                       \
    V(X, exflag, i4, (), opt)
#define TVK_SOLVER_Uexternaldb(X) TVK_SOLVER_UEXTERNALDB_ARGS(TVK_SOLVER_BASE, X)

// Explicit solver: code k, the integer and real records with their lengths, and the process rank
// (optional).
#define TVK_SOLVER_VUEXTERNALDB_ARGS(V, X)       \
    V(X, k, i4, (), in)                          \
    V(X, i_array, i4, (niarray), in)             \
    V(X, niarray, i4, (), in)                    \
    V(X, r_array, f8, (nrarray), in)             \
    V(X, nrarray, i4, (), in)                    \
    V(X, mpi_rank, i4, (), opt)
#define TVK_SOLVER_Vuexternaldb(X) TVK_SOLVER_VUEXTERNALDB_ARGS(TVK_SOLVER_BASE, X)

// The access hook: operation code and time increment.
#define TVK_SOLVER_UACCESS_ARGS(V, X)            \
    V(X, lop, i4, (), in)                        \
    V(X, dtime, f8, (), in)
#define TVK_SOLVER_Uaccess(X) TVK_SOLVER_UACCESS_ARGS(TVK_SOLVER_BASE, X)

// ---- Output, prescribed motion, constraints, state initialisation ---------------------------------
// Implicit output variables uvar(nuvarm) of one material point.
#define TVK_SOLVER_UVARM_ARGS(V, X)              \
    V(X, uvar, f8, (nuvarm), io)                 \
    V(X, tdirect, f8, (3, 3), in)                \
    V(X, t, f8, (3, 3), in)                      \
    V(X, time, f8, (2), in)                      \
    V(X, dtime, f8, (), in)                      \
    V(X, cmname, s80, (), in)                    \
    V(X, orname, s80, (), in)                    \
    V(X, nuvarm, i4, (), in)                     \
    V(X, noel, i4, (), in)                       \
    V(X, npt, i4, (), in)                        \
    V(X, layer, i4, (), in)                      \
    V(X, kspt, i4, (), in)                       \
    V(X, kstep, i4, (), in)                      \
    V(X, kinc, i4, (), in)                       \
    V(X, ndi, i4, (), in)                        \
    V(X, nshr, i4, (), in)                       \
    V(X, coord, f8, (3), in)                     \
    V(X, jmac, i4, (1), in)                      \
    V(X, jmatyp, i4, (1), in)                    \
    V(X, matlayo, i4, (), in)                    \
    V(X, laccfla, i4, (), in)
#define TVK_SOLVER_Uvarm(X) TVK_SOLVER_UVARM_ARGS(TVK_SOLVER_BASE, X)

// Explicit prescribed motion of a block of nblock nodes; rval the prescribed values.
#define TVK_SOLVER_VDISP_ARGS(V, X)              \
    V(X, nblock, i4, (), in)                     \
    V(X, mdof, i4, (), in)                       \
    V(X, ncoord, i4, (), in)                     \
    V(X, kstep, i4, (), in)                      \
    V(X, kinc, i4, (), in)                       \
    V(X, steptime, f8, (), in)                   \
    V(X, totaltime, f8, (), in)                  \
    V(X, dtnext, f8, (), in)                     \
    V(X, dt, f8, (), in)                         \
    V(X, cbname, s80, (), in)                    \
    V(X, jbctype, i4, (), in)                    \
    V(X, jdof, i4, (), in)                       \
    V(X, jnodeuid, i4, (nblock), in)             \
    V(X, amp, f8, (), in)                        \
    V(X, coordnp, f8, (ncoord, nblock), in)      \
    V(X, u, f8, (mdof, nblock), in)              \
    V(X, v, f8, (mdof, nblock), in)              \
    V(X, a, f8, (mdof, nblock), in)              \
    V(X, rf, f8, (mdof, nblock), in)             \
    V(X, rmass, f8, (nblock), in)                \
    V(X, rotaryi, f8, (nblock, 3, 3), in)        \
    V(X, rval, f8, (mdof, nblock), in)
#define TVK_SOLVER_Vdisp(X) TVK_SOLVER_VDISP_ARGS(TVK_SOLVER_BASE, X)

// Implicit multi-point constraint of n nodes with mdof degrees of freedom each.
#define TVK_SOLVER_MPC_ARGS(V, X)                \
    V(X, ue, f8, (mdof), io)                     \
    V(X, a, f8, (mdof, mdof, n), out)            \
    V(X, jdof, i4, (mdof, n), out)               \
    V(X, mdof, i4, (), in)                       \
    V(X, n, i4, (), in)                          \
    V(X, jtype, i4, (), in)                      \
    V(X, x, f8, (6, n), in)                      \
    V(X, u, f8, (maxdof, n), in)                 \
    V(X, uinit, f8, (maxdof, n), in)             \
    V(X, maxdof, i4, (), in)                     \
    V(X, lmpc, i4, (), io)                       \
    V(X, kstep, i4, (), in)                      \
    V(X, kinc, i4, (), in)                       \
    V(X, time, f8, (2), in)                      \
    V(X, nt, i4, (), in)                         \
    V(X, nf, i4, (), in)                         \
    V(X, temp, f8, (nt, n), in)                  \
    V(X, field, f8, (nf, nt, n), in)             \
    V(X, ltran, i4, (n), in)                     \
    V(X, tran, f8, (3, 3, n), in)
#define TVK_SOLVER_Mpc(X) TVK_SOLVER_MPC_ARGS(TVK_SOLVER_BASE, X)

// Initial state variables statev(nstatv) of one material point.
#define TVK_SOLVER_SDVINI_ARGS(V, X)             \
    V(X, statev, f8, (nstatv), io)               \
    V(X, coords, f8, (ncrds), in)                \
    V(X, nstatv, i4, (), in)                     \
    V(X, ncrds, i4, (), in)                      \
    V(X, noel, i4, (), in)                       \
    V(X, npt, i4, (), in)                        \
    V(X, layer, i4, (), in)                      \
    V(X, kspt, i4, (), in)
#define TVK_SOLVER_Sdvini(X) TVK_SOLVER_SDVINI_ARGS(TVK_SOLVER_BASE, X)

// Explicit characteristic lengths charlength(nblock, ncomp) of a block of material points.
#define TVK_SOLVER_VUCHARLENGTH_ARGS(V, X)           \
    V(X, nblock, i4, (), in)                         \
    V(X, nfieldv, i4, (), in)                        \
    V(X, nprops, i4, (), in)                         \
    V(X, ncomp, i4, (), in)                          \
    V(X, ndim, i4, (), in)                           \
    V(X, nnode, i4, (), in)                          \
    V(X, nstatev, i4, (), in)                        \
    V(X, ksecpt, i4, (), in)                         \
    V(X, klayer, i4, (), in)                         \
    V(X, kintpt, i4, (), in)                         \
    V(X, jeltype, i4, (3), in)                       \
    V(X, jelem, i4, (nblock), in)                    \
    V(X, totaltime, f8, (), in)                      \
    V(X, steptime, f8, (), in)                       \
    V(X, dt, f8, (), in)                             \
    V(X, cmname, s80, (), in)                        \
    V(X, coordmp, f8, (nblock, ndim), in)            \
    V(X, coordnode, f8, (nblock, nnode, ndim), in)   \
    V(X, tdirect, f8, (nblock, 3, 3), in)            \
    V(X, t, f8, (nblock, 3, 3), in)                  \
    V(X, props, f8, (nprops), in)                    \
    V(X, field, f8, (nblock, nfieldv), in)           \
    V(X, stateold, f8, (nblock, nstatev), in)        \
    V(X, charlength, f8, (nblock, ncomp), out)
#define TVK_SOLVER_Vucharlength(X) TVK_SOLVER_VUCHARLENGTH_ARGS(TVK_SOLVER_BASE, X)

// ---- Heat generation and expansion ----------------------------------------------------------------
// Heat flux(2) of one material point (flux, its derivative by temperature); temp(2) and time(2) as
// the solver passes them; state, predefined fields and their increments of a length the solver does
// not pass.
#define TVK_SOLVER_HETVAL_ARGS(V, X)             \
    V(X, cmname, s80, (), in)                    \
    V(X, temp, f8, (2), in)                      \
    V(X, time, f8, (2), in)                      \
    V(X, dtime, f8, (), in)                      \
    V(X, statev, f8, (len(statev)), io_copy)     \
    V(X, flux, f8, (2), out)                     \
    V(X, predef, f8, (len(predef)), in)          \
    V(X, dpred, f8, (len(dpred)), in)
#define TVK_SOLVER_Hetval(X) TVK_SOLVER_HETVAL_ARGS(TVK_SOLVER_BASE, X)

// Thermal expansion increments expan(6) and their derivatives by temperature dexpandt(6) of one
// material point; temp(2) the temperature and its increment.
#define TVK_SOLVER_UEXPAN_ARGS(V, X)             \
    V(X, expan, f8, (6), out)                    \
    V(X, dexpandt, f8, (6), out)                 \
    V(X, temp, f8, (2), in)                      \
    V(X, time, f8, (2), in)                      \
    V(X, dtime, f8, (), in)                      \
    V(X, predef, f8, (len(predef)), in)          \
    V(X, dpred, f8, (len(dpred)), in)            \
    V(X, statev, f8, (nstatv), io_copy)          \
    V(X, cmname, s80, (), in)                    \
    V(X, nstatv, i4, (), in)                     \
    V(X, noel, i4, (), in)
#define TVK_SOLVER_Uexpan(X) TVK_SOLVER_UEXPAN_ARGS(TVK_SOLVER_BASE, X)

// The cure routines name the state vector as the cure material routine does. The heat routine
// reads and writes the first four state variables of a vector whose length the solver does not
// pass: a native caller must supply at least four, and the Python binding refuses a shorter one.
#define TVK_SOLVER_HetvalProny(X) TVK_SOLVER_HETVAL_ARGS(TVK_SOLVER_HOOK_HETVAL_PRONY, X)
#define TVK_SOLVER_UexpanProny(X) TVK_SOLVER_UEXPAN_ARGS(TVK_SOLVER_HOOK_PRONY, X)
#define TVK_SOLVER_HOOK_PRONY(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_HOOK_PRONY_, __VA_ARGS__)
#define TVK_SOLVER_HOOK_PRONY_statev TVK_SOLVER_CHANGE(svar, io_copy)
#define TVK_SOLVER_HOOK_HETVAL_PRONY(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_HOOK_HETVAL_PRONY_, __VA_ARGS__)
#define TVK_SOLVER_HOOK_HETVAL_PRONY_statev TVK_SOLVER_CHANGE_CHECKED(svar, io_copy, len(statev)>=4)

TVK_SOLVER_INTERFACE(Dsload)
TVK_SOLVER_INTERFACE(Deload)
TVK_SOLVER_INTERFACE(Cload)
TVK_SOLVER_INTERFACE(Camplitude)
TVK_SOLVER_INTERFACE(Chysteresis)
TVK_SOLVER_INTERFACE(Uexternaldb)
TVK_SOLVER_INTERFACE(Vuexternaldb)
TVK_SOLVER_INTERFACE(Uaccess)
TVK_SOLVER_INTERFACE(Uvarm)
TVK_SOLVER_INTERFACE(Vdisp)
TVK_SOLVER_INTERFACE(Mpc)
TVK_SOLVER_INTERFACE(Sdvini)
TVK_SOLVER_INTERFACE(Vucharlength)
TVK_SOLVER_INTERFACE(Hetval)
TVK_SOLVER_INTERFACE(HetvalProny)
TVK_SOLVER_INTERFACE(Uexpan)
TVK_SOLVER_INTERFACE(UexpanProny)
