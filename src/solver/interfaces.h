// The argument lists of the solver user-routine interfaces, each stated once, and their variants
// stated against them. interface.h describes the entry format and what is derived from a list.
//
// Reals are doubles, counts and ids 4-byte integers, texts 80-character blank-padded fields.
// Stress and strain vectors of the implicit interfaces are in Nye order (11, 22, 33, 12, 13, 23;
// reduced (11, 22, 12) or (11, 22, 33, 12)); those of the explicit and ANSYS interfaces in cyclic
// order (11, 22, 33, 12, 23, 13). Arrays that a solver dimensions as "at least" a count (point
// coordinates, characteristic lengths) are declared with the count the routines read.
#pragma once

#include "interface.h"

// ---- Abaqus/Standard UMAT: one material point ------------------------------------------------
#define TVK_SOLVER_UMAT_ARGS(V, X)               \
    V(X, stress, f8, (ntens), io_copy)           \
    V(X, statev, f8, (nstatv), io_copy)          \
    V(X, ddsdde, f8, (ntens, ntens), out)        \
    V(X, sse, f8, (), io)                        \
    V(X, spd, f8, (), io)                        \
    V(X, scd, f8, (), io)                        \
    V(X, rpl, f8, (), in)                        \
    V(X, ddsddt, f8, (ntens), in)                \
    V(X, drplde, f8, (ntens), in)                \
    V(X, drpldt, f8, (), in)                     \
    V(X, stran, f8, (ntens), in)                 \
    V(X, dstran, f8, (ntens), in)                \
    V(X, time, f8, (2), in)                      \
    V(X, dtime, f8, (), in)                      \
    V(X, temp, f8, (), in)                       \
    V(X, dtemp, f8, (), in)                      \
    V(X, predef, f8, (1), in)                    \
    V(X, dpred, f8, (1), in)                     \
    V(X, materl, s80, (), in)                    \
    V(X, ndi, i4, (), in)                        \
    V(X, nshr, i4, (), in)                       \
    V(X, ntens, i4, (), in)                      \
    V(X, nstatv, i4, (), in)                     \
    V(X, props, f8, (nprops), in)                \
    V(X, nprops, i4, (), in)                     \
    V(X, coords, f8, (3), in)                    \
    V(X, drot, f8, (3, 3), in)                   \
    V(X, pnewdt, f8, (), io)                     \
    V(X, celent, f8, (), in)                     \
    V(X, dfgrd0, f8, (3, 3), in)                 \
    V(X, dfgrd1, f8, (3, 3), in)                 \
    V(X, noel, i4, (), in)                       \
    V(X, npt, i4, (), in)                        \
    V(X, kslay, i4, (), in)                      \
    V(X, kspt, i4, (), in)                       \
    V(X, jstep, i4, (4), in)                     \
    V(X, kinc, i4, (), in)
#define TVK_SOLVER_Umat(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_BASE, X)

// The fatigue ply routine names its state count after the whole state vector.
#define TVK_SOLVER_UmatShokrieh(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_SHOKRIEH, X)
#define TVK_SOLVER_UMAT_SHOKRIEH(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_UMAT_SHOKRIEH_, __VA_ARGS__)
#define TVK_SOLVER_UMAT_SHOKRIEH_nstatv TVK_SOLVER_CHANGE(nallstatv, in)

// The cure routine names its state vector and material name as the heat and expansion hooks do.
#define TVK_SOLVER_UmatProny(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_PRONY, X)
#define TVK_SOLVER_UMAT_PRONY(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_UMAT_PRONY_, __VA_ARGS__)
#define TVK_SOLVER_UMAT_PRONY_statev TVK_SOLVER_CHANGE(svar, io_copy)
#define TVK_SOLVER_UMAT_PRONY_materl TVK_SOLVER_CHANGE(cmname, in)

// The resin routine: the incoming stress is updated in place and not returned, and its
// arguments carry the names of its own text.
#define TVK_SOLVER_UmatResin(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_RESIN, X)
#define TVK_SOLVER_UMAT_RESIN(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_UMAT_RESIN_, __VA_ARGS__)
#define TVK_SOLVER_UMAT_RESIN_stress TVK_SOLVER_CHANGE(spannung, inout)
#define TVK_SOLVER_UMAT_RESIN_ddsdde TVK_SOLVER_CHANGE(tangente, out)
#define TVK_SOLVER_UMAT_RESIN_stran TVK_SOLVER_CHANGE(dehnung, in)
#define TVK_SOLVER_UMAT_RESIN_dstran TVK_SOLVER_CHANGE(ddehnung, in)
#define TVK_SOLVER_UMAT_RESIN_ndi TVK_SOLVER_CHANGE(nnormal, in)
#define TVK_SOLVER_UMAT_RESIN_ntens TVK_SOLVER_CHANGE(nstresscomp, in)

// Stress and state updated in the caller's arrays (no copy on request).
#define TVK_SOLVER_UmatInPlace(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_IN_PLACE, X)
#define TVK_SOLVER_UMAT_IN_PLACE(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_UMAT_IN_PLACE_, __VA_ARGS__)
#define TVK_SOLVER_UMAT_IN_PLACE_stress TVK_SOLVER_CHANGE(stress, io)
#define TVK_SOLVER_UMAT_IN_PLACE_statev TVK_SOLVER_CHANGE(statev, io)

// As UmatInPlace, without the step record.
#define TVK_SOLVER_UmatNoStep(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_NO_STEP, X)
#define TVK_SOLVER_UMAT_NO_STEP(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_UMAT_NO_STEP_, __VA_ARGS__)
#define TVK_SOLVER_UMAT_NO_STEP_stress TVK_SOLVER_CHANGE(stress, io)
#define TVK_SOLVER_UMAT_NO_STEP_statev TVK_SOLVER_CHANGE(statev, io)
#define TVK_SOLVER_UMAT_NO_STEP_jstep TVK_SOLVER_DROP

// As UmatNoStep, followed by the step kind and an impactor's contact and sensor records.
#define TVK_SOLVER_UmatSensor(X)                            \
    TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_NO_STEP, X)        \
    TVK_SOLVER_BASE(X, stepid, i4, (), in)                  \
    TVK_SOLVER_BASE(X, cprops, f8, (20), in)                \
    TVK_SOLVER_BASE(X, dprops, f8, (12), io)

// ---- MUESLI-style material: the UMAT list headed by a material id --------------------------------
#define TVK_SOLVER_Muesli(X) TVK_SOLVER_BASE(X, matid, i4, (), in) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_BASE, X)

// ---- Material routines handed to an adapter as its first argument ------------------------------
// From Python such a routine is a native routine of the module, a capsule holding one, or a
// callable; a callable receives the arrays and updates them in place (only the MUESLI-style
// routine returns its state, energies and pnewdt instead).
#define TVK_SOLVER_UmatProc(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_PROC, X)
#define TVK_SOLVER_UMAT_PROC(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_UMAT_PROC_, __VA_ARGS__)
#define TVK_SOLVER_UMAT_PROC_stress TVK_SOLVER_CHANGE(stress, inout)
#define TVK_SOLVER_UMAT_PROC_statev TVK_SOLVER_CHANGE(statev, inout)
#define TVK_SOLVER_UMAT_PROC_ddsdde TVK_SOLVER_CHANGE(ddsdde, inout)
#define TVK_SOLVER_UMAT_PROC_sse TVK_SOLVER_CHANGE(sse, inout)
#define TVK_SOLVER_UMAT_PROC_spd TVK_SOLVER_CHANGE(spd, inout)
#define TVK_SOLVER_UMAT_PROC_scd TVK_SOLVER_CHANGE(scd, inout)
#define TVK_SOLVER_UMAT_PROC_pnewdt TVK_SOLVER_CHANGE(pnewdt, inout)

#define TVK_SOLVER_MuesliProc(X) \
    TVK_SOLVER_BASE(X, matid, i4, (), in) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_MUESLI_PROC, X)
#define TVK_SOLVER_MUESLI_PROC(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_MUESLI_PROC_, __VA_ARGS__)
#define TVK_SOLVER_MUESLI_PROC_stress TVK_SOLVER_CHANGE(stress, inout)
#define TVK_SOLVER_MUESLI_PROC_statev TVK_SOLVER_CHANGE(statev, io)
#define TVK_SOLVER_MUESLI_PROC_ddsdde TVK_SOLVER_CHANGE(ddsdde, inout)
#define TVK_SOLVER_MUESLI_PROC_sse TVK_SOLVER_CHANGE(sse, io)
#define TVK_SOLVER_MUESLI_PROC_spd TVK_SOLVER_CHANGE(spd, io)
#define TVK_SOLVER_MUESLI_PROC_scd TVK_SOLVER_CHANGE(scd, io)
#define TVK_SOLVER_MUESLI_PROC_pnewdt TVK_SOLVER_CHANGE(pnewdt, io)

// The UMAT list of an adapter that updates stress, state, energies and pnewdt in the caller's
// arrays and returns only the tangent.
#define TVK_SOLVER_UmatUpdated(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_UMAT_UPDATED, X)
#define TVK_SOLVER_UMAT_UPDATED(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_UMAT_UPDATED_, __VA_ARGS__)
#define TVK_SOLVER_UMAT_UPDATED_stress TVK_SOLVER_CHANGE(stress, inout)
#define TVK_SOLVER_UMAT_UPDATED_statev TVK_SOLVER_CHANGE(statev, inout)
#define TVK_SOLVER_UMAT_UPDATED_sse TVK_SOLVER_CHANGE(sse, inout)
#define TVK_SOLVER_UMAT_UPDATED_spd TVK_SOLVER_CHANGE(spd, inout)
#define TVK_SOLVER_UMAT_UPDATED_scd TVK_SOLVER_CHANGE(scd, inout)
#define TVK_SOLVER_UMAT_UPDATED_pnewdt TVK_SOLVER_CHANGE(pnewdt, inout)

// The UMAT list followed by a material id (the MUESLI adapter's own list).
#define TVK_SOLVER_UmatWithId(X) TVK_SOLVER_UMAT_ARGS(TVK_SOLVER_BASE, X) TVK_SOLVER_BASE(X, matid, i4, (), in)

// ---- Abaqus/Explicit VUMAT: a block of material points ----------------------------------------
#define TVK_SOLVER_VUMAT_ARGS(V, X)                        \
    V(X, nblock, i4, (), in)                               \
    V(X, ndir, i4, (), in)                                 \
    V(X, nshr, i4, (), in)                                 \
    V(X, nstatev, i4, (), in)                              \
    V(X, nfieldv, i4, (), in)                              \
    V(X, nprops, i4, (), in)                               \
    V(X, lanneal, i4, (), in)                              \
    V(X, steptime, f8, (), in)                             \
    V(X, totaltime, f8, (), in)                            \
    V(X, dt, f8, (), in)                                   \
    V(X, cmname, s80, (), in)                              \
    V(X, coordmp, f8, (nblock, 3), in)                     \
    V(X, charlength, f8, (nblock, 3), in)                  \
    V(X, props, f8, (nprops), in)                          \
    V(X, density, f8, (nblock), in)                        \
    V(X, straininc, f8, (nblock, ndir + nshr), in)         \
    V(X, relspininc, f8, (nblock, nshr), in)               \
    V(X, tempold, f8, (nblock), in)                        \
    V(X, stretchold, f8, (nblock, ndir + nshr), in)        \
    V(X, defgradold, f8, (nblock, ndir + nshr + nshr), in) \
    V(X, fieldold, f8, (nblock, nfieldv), in)              \
    V(X, stressold, f8, (nblock, ndir + nshr), in)         \
    V(X, stateold, f8, (nblock, nstatev), in)              \
    V(X, enerinternold, f8, (nblock), in)                  \
    V(X, enerinelasold, f8, (nblock), in)                  \
    V(X, tempnew, f8, (nblock), in)                        \
    V(X, stretchnew, f8, (nblock, ndir + nshr), in)        \
    V(X, defgradnew, f8, (nblock, ndir + nshr + nshr), in) \
    V(X, fieldnew, f8, (nblock, nfieldv), in)              \
    V(X, stressnew, f8, (nblock, ndir + nshr), out)        \
    V(X, statenew, f8, (nblock, nstatev), out)             \
    V(X, enerinternnew, f8, (nblock), out)                 \
    V(X, enerinelasnew, f8, (nblock), out)
#define TVK_SOLVER_Vumat(X) TVK_SOLVER_VUMAT_ARGS(TVK_SOLVER_BASE, X)

// Routines that write the through-thickness strain increment of a plane-stress point into the
// caller's strain increments.
#define TVK_SOLVER_VumatPlaneStrain(X) TVK_SOLVER_VUMAT_ARGS(TVK_SOLVER_VUMAT_PLANE_STRAIN, X)
#define TVK_SOLVER_VUMAT_PLANE_STRAIN(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_VUMAT_PLANE_STRAIN_, __VA_ARGS__)
#define TVK_SOLVER_VUMAT_PLANE_STRAIN_straininc TVK_SOLVER_CHANGE(straininc, inout)

// The strain increments returned, followed by the step kind and an impactor's contact and
// sensor records.
#define TVK_SOLVER_VumatSensor(X)                             \
    TVK_SOLVER_VUMAT_ARGS(TVK_SOLVER_VUMAT_SENSOR, X)         \
    TVK_SOLVER_BASE(X, stepid, i4, (), in)                    \
    TVK_SOLVER_BASE(X, cprops, f8, (20), in)                  \
    TVK_SOLVER_BASE(X, dprops, f8, (12), io)
#define TVK_SOLVER_VUMAT_SENSOR(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_VUMAT_SENSOR_, __VA_ARGS__)
#define TVK_SOLVER_VUMAT_SENSOR_straininc TVK_SOLVER_CHANGE(straininc, io)

// ---- ANSYS USERMAT: one material point ----------------------------------------------------------
#define TVK_SOLVER_USERMAT_ARGS(V, X)            \
    V(X, matid, i4, (), in)                      \
    V(X, elemid, i4, (), in)                     \
    V(X, kdomintpt, i4, (), in)                  \
    V(X, klayer, i4, (), in)                     \
    V(X, ksectpt, i4, (), in)                    \
    V(X, ldstep, i4, (), in)                     \
    V(X, isubst, i4, (), in)                     \
    V(X, keycut, i4, (), out)                    \
    V(X, ndirect, i4, (), in)                    \
    V(X, nshear, i4, (), in)                     \
    V(X, ncomp, i4, (), in)                      \
    V(X, nstatev, i4, (), in)                    \
    V(X, nprop, i4, (), in)                      \
    V(X, time, f8, (), in)                       \
    V(X, dtime, f8, (), in)                      \
    V(X, temp, f8, (), in)                       \
    V(X, dtemp, f8, (), in)                      \
    V(X, stress, f8, (ncomp), inout)             \
    V(X, ustatev, f8, (nstatev), inout)          \
    V(X, dsdepl, f8, (ncomp, ncomp), out)        \
    V(X, sedel, f8, (), inout)                   \
    V(X, sedpl, f8, (), inout)                   \
    V(X, epseq, f8, (), inout)                   \
    V(X, strain, f8, (ncomp), in)                \
    V(X, dstrain, f8, (ncomp), in)               \
    V(X, epspl, f8, (ncomp), in)                 \
    V(X, prop, f8, (nprop), in)                  \
    V(X, coords, f8, (3), in)                    \
    V(X, var0, f8, (), inout)                    \
    V(X, defgrad_t, f8, (3, 3), in)              \
    V(X, defgrad, f8, (3, 3), in)                \
    V(X, tsstif, f8, (2), inout)                 \
    V(X, epszz, f8, (), out)                     \
    V(X, var1, f8, (), inout)                    \
    V(X, var2, f8, (), inout)                    \
    V(X, var3, f8, (), inout)                    \
    V(X, var4, f8, (), inout)                    \
    V(X, var5, f8, (), inout)                    \
    V(X, var6, f8, (), inout)                    \
    V(X, var7, f8, (), inout)                    \
    V(X, var8, f8, (), inout)
#define TVK_SOLVER_Usermat(X) TVK_SOLVER_USERMAT_ARGS(TVK_SOLVER_BASE, X)

// A USERMAT routine handed to an adapter: its results updated in place.
#define TVK_SOLVER_UsermatProc(X) TVK_SOLVER_USERMAT_ARGS(TVK_SOLVER_USERMAT_PROC, X)
#define TVK_SOLVER_USERMAT_PROC(X, ...) TVK_SOLVER_VARY(X, TVK_SOLVER_USERMAT_PROC_, __VA_ARGS__)
#define TVK_SOLVER_USERMAT_PROC_keycut TVK_SOLVER_CHANGE(keycut, inout)
#define TVK_SOLVER_USERMAT_PROC_dsdepl TVK_SOLVER_CHANGE(dsdepl, inout)
#define TVK_SOLVER_USERMAT_PROC_epszz TVK_SOLVER_CHANGE(epszz, inout)

// ---- Peridigm user material: a block of points ------------------------------------------------
#define TVK_SOLVER_UPERMAT_ARGS(V, X)                  \
    V(X, stressnew, f8, (npoint, ndir + nshr), out)    \
    V(X, statenew, f8, (npoint, nstatev), out)         \
    V(X, stressold, f8, (npoint, ndir + nshr), in)     \
    V(X, stateold, f8, (npoint, nstatev), in)          \
    V(X, straininc, f8, (npoint, ndir + nshr), in)     \
    V(X, props, f8, (nprops), in)                      \
    V(X, steptime, f8, (), in)                         \
    V(X, totaltime, f8, (), in)                        \
    V(X, dt, f8, (), in)                               \
    V(X, matid, i4, (), in)                            \
    V(X, npoint, i4, (), in)                           \
    V(X, ndir, i4, (), in)                             \
    V(X, nshr, i4, (), in)                             \
    V(X, nstatev, i4, (), in)                          \
    V(X, nprops, i4, (), in)
#define TVK_SOLVER_Upermat(X) TVK_SOLVER_UPERMAT_ARGS(TVK_SOLVER_BASE, X)

// ---- Abaqus/Standard USDFLD: field variables of one material point ---------------------------
#define TVK_SOLVER_USDFLD_ARGS(V, X)             \
    V(X, field, f8, (nfield), io_copy)           \
    V(X, statev, f8, (nstatv), io_copy)          \
    V(X, pnewdt, f8, (), io)                     \
    V(X, tdirect, f8, (3, 3), in)                \
    V(X, t, f8, (3, 3), in)                      \
    V(X, celent, f8, (), in)                     \
    V(X, time, f8, (2), in)                      \
    V(X, dtime, f8, (), in)                      \
    V(X, cmname, s80, (), in)                    \
    V(X, orname, s80, (), in)                    \
    V(X, nfield, i4, (), in)                     \
    V(X, nstatv, i4, (), in)                     \
    V(X, noel, i4, (), in)                       \
    V(X, npt, i4, (), in)                        \
    V(X, layer, i4, (), in)                      \
    V(X, kspt, i4, (), in)                       \
    V(X, kstep, i4, (), in)                      \
    V(X, kinc, i4, (), in)                       \
    V(X, ndi, i4, (), in)                        \
    V(X, nshr, i4, (), in)                       \
    V(X, coord, f8, (3), in)                     \
    V(X, jmac, i4, (), in)                       \
    V(X, jmatyp, i4, (), in)                     \
    V(X, matlayo, i4, (), in)                    \
    V(X, laccfla, i4, (), in)                    \
    V(X, threadid, i4, (), opt)
#define TVK_SOLVER_Usdfld(X) TVK_SOLVER_USDFLD_ARGS(TVK_SOLVER_BASE, X)

// ---- Abaqus/Explicit VUSDFLD: field variables of a block of points ---------------------------
#define TVK_SOLVER_VUSDFLD_ARGS(V, X)                 \
    V(X, nblock, i4, (), in)                          \
    V(X, nstatev, i4, (), in)                         \
    V(X, nfieldv, i4, (), in)                         \
    V(X, nprops, i4, (), in)                          \
    V(X, ndir, i4, (), in)                            \
    V(X, nshr, i4, (), in)                            \
    V(X, jelem, i4, (nblock), in)                     \
    V(X, kintpt, i4, (), in)                          \
    V(X, klayer, i4, (), in)                          \
    V(X, ksecpt, i4, (), in)                          \
    V(X, kstep, i4, (), in)                           \
    V(X, temp, f8, (nblock), in)                      \
    V(X, steptime, f8, (), in)                        \
    V(X, totaltime, f8, (), in)                       \
    V(X, dt, f8, (), in)                              \
    V(X, cmname, s80, (), in)                         \
    V(X, coordmp, f8, (nblock, 3), in)                \
    V(X, tdirect, f8, (nblock, 3, 3), in)             \
    V(X, t, f8, (nblock, 3, 3), in)                   \
    V(X, charlength, f8, (nblock, 3), in)             \
    V(X, props, f8, (nprops), in)                     \
    V(X, stateold, f8, (nblock, nstatev), in)         \
    V(X, stressold, f8, (nblock, ndir + nshr), in)    \
    V(X, strainold, f8, (nblock, ndir + nshr), in)    \
    V(X, statenew, f8, (nblock, nstatev), out)        \
    V(X, field, f8, (nblock, nfieldv), io_copy)       \
    V(X, threadid, i4, (), opt)
#define TVK_SOLVER_Vusdfld(X) TVK_SOLVER_VUSDFLD_ARGS(TVK_SOLVER_BASE, X)

// ---- Abaqus/Standard UEL: one user element ----------------------------------------------------
// The distributed loads are one column (mdload entries); the load flags are the five the solver
// passes.
#define TVK_SOLVER_UEL_ARGS(V, X)                   \
    V(X, rhs, f8, (mlvarx, nrhs), out)              \
    V(X, amatrx, f8, (ndofel, ndofel), out)         \
    V(X, svars, f8, (nsvars), io)                   \
    V(X, energy, f8, (8), io)                       \
    V(X, ndofel, i4, (), in)                        \
    V(X, nrhs, i4, (), in)                          \
    V(X, nsvars, i4, (), in)                        \
    V(X, props, f8, (nprops), in)                   \
    V(X, nprops, i4, (), in)                        \
    V(X, coords, f8, (mcrd, nnode), in)             \
    V(X, mcrd, i4, (), in)                          \
    V(X, nnode, i4, (), in)                         \
    V(X, u, f8, (ndofel), in)                       \
    V(X, du, f8, (mlvarx, max(nrhs, 1)), in)        \
    V(X, v, f8, (ndofel), in)                       \
    V(X, a, f8, (ndofel), in)                       \
    V(X, jtype, i4, (), in)                         \
    V(X, time, f8, (2), in)                         \
    V(X, dtime, f8, (), in)                         \
    V(X, kstep, i4, (), in)                         \
    V(X, kinc, i4, (), in)                          \
    V(X, jelem, i4, (), in)                         \
    V(X, params, f8, (3), in)                       \
    V(X, ndload, i4, (), in)                        \
    V(X, jdltyp, i4, (mdload), in)                  \
    V(X, adlmag, f8, (mdload), in)                  \
    V(X, predef, f8, (2, npredf, nnode), in)        \
    V(X, npredf, i4, (), in)                        \
    V(X, lflags, i4, (5), in)                       \
    V(X, mlvarx, i4, (), in)                        \
    V(X, ddlmag, f8, (mdload), in)                  \
    V(X, mdload, i4, (), in)                        \
    V(X, pnewdt, f8, (), io)                        \
    V(X, jprops, i4, (njprop), in)                  \
    V(X, njprop, i4, (), in)                        \
    V(X, period, f8, (), in)
#define TVK_SOLVER_Uel(X) TVK_SOLVER_UEL_ARGS(TVK_SOLVER_BASE, X)

// Followed by the contact record of the element's impactor.
#define TVK_SOLVER_UelImpact(X) TVK_SOLVER_Uel(X) TVK_SOLVER_BASE(X, cprops, f8, (20), io)

// ---- Abaqus/Explicit VUEL: a block of user elements -------------------------------------------
#define TVK_SOLVER_VUEL_ARGS(V, X)                       \
    V(X, nblock, i4, (), in)                             \
    V(X, rhs, f8, (nblock, ndofel), out)                 \
    V(X, amass, f8, (nblock, ndofel, ndofel), out)       \
    V(X, dtimestable, f8, (nblock), out)                 \
    V(X, svars, f8, (nblock, nsvars), out)               \
    V(X, nsvars, i4, (), in)                             \
    V(X, energy, f8, (nblock, 12), out)                  \
    V(X, nnode, i4, (), in)                              \
    V(X, ndofel, i4, (), in)                             \
    V(X, props, f8, (nprops), in)                        \
    V(X, nprops, i4, (), in)                             \
    V(X, jprops, i4, (njprops), in)                      \
    V(X, njprops, i4, (), in)                            \
    V(X, coords, f8, (nblock, nnode, ncrd), in)          \
    V(X, ncrd, i4, (), in)                               \
    V(X, u, f8, (nblock, ndofel), in)                    \
    V(X, du, f8, (nblock, ndofel), in)                   \
    V(X, v, f8, (nblock, ndofel), in)                    \
    V(X, a, f8, (nblock, ndofel), in)                    \
    V(X, jtype, i4, (), in)                              \
    V(X, jelem, i4, (nblock), in)                        \
    V(X, time, f8, (2), in)                              \
    V(X, period, f8, (), in)                             \
    V(X, dtimecur, f8, (), in)                           \
    V(X, dtimeprev, f8, (), in)                          \
    V(X, kstep, i4, (), in)                              \
    V(X, kinc, i4, (), in)                               \
    V(X, lflags, i4, (3), in)                            \
    V(X, dmassscalefactor, f8, (nblock), in)             \
    V(X, predef, f8, (nblock, nnode, npredef), in)       \
    V(X, npredef, i4, (), in)                            \
    V(X, jdltyp, i4, (), in)                             \
    V(X, adlmag, f8, (nblock), in)
#define TVK_SOLVER_Vuel(X) TVK_SOLVER_VUEL_ARGS(TVK_SOLVER_BASE, X)

// Followed by the contact record of the elements' impactor.
#define TVK_SOLVER_VuelImpact(X) TVK_SOLVER_Vuel(X) TVK_SOLVER_BASE(X, cprops, f8, (20), io)

TVK_SOLVER_INTERFACE(Umat)
TVK_SOLVER_INTERFACE(UmatShokrieh)
TVK_SOLVER_INTERFACE(UmatProny)
TVK_SOLVER_INTERFACE(UmatResin)
TVK_SOLVER_INTERFACE(UmatInPlace)
TVK_SOLVER_INTERFACE(UmatNoStep)
TVK_SOLVER_INTERFACE(UmatSensor)
TVK_SOLVER_INTERFACE(UmatProc)
TVK_SOLVER_INTERFACE(UmatUpdated)
TVK_SOLVER_INTERFACE(UmatWithId)
TVK_SOLVER_INTERFACE(Muesli)
TVK_SOLVER_INTERFACE(MuesliProc)
TVK_SOLVER_INTERFACE(Vumat)
TVK_SOLVER_INTERFACE(VumatPlaneStrain)
TVK_SOLVER_INTERFACE(VumatSensor)
TVK_SOLVER_INTERFACE(Usermat)
TVK_SOLVER_INTERFACE(UsermatProc)
TVK_SOLVER_INTERFACE(Upermat)
TVK_SOLVER_INTERFACE(Usdfld)
TVK_SOLVER_INTERFACE(Vusdfld)
TVK_SOLVER_INTERFACE(Uel)
TVK_SOLVER_INTERFACE(UelImpact)
TVK_SOLVER_INTERFACE(Vuel)
TVK_SOLVER_INTERFACE(VuelImpact)
