// Adapters between solver interfaces (namespace `wrapper`): a material routine written for one
// interface, handed in as the first argument, serves another. Every adapter evaluates the routine
// on the full three-dimensional state: the caller's reduced state is expanded with
// Get3DInputFromElem (no transverse part, axis swap of the four-component state) and stress and
// tangent are reduced back with GetElemOutputFrom3D.
//
//   abq_umat_to_ansys_usermat      a UMAT routine as an ANSYS USERMAT; returns the transverse
//                                  shear stiffnesses and, for plane stress, the through-thickness
//                                  strain from the engineering constants of the returned tangent
//   abq_umat_to_peridigm_upermat   a UMAT routine as a Peridigm material (a block of points)
//   ansys_usermat_to_abq_umat      a USERMAT routine as a UMAT; the material id comes from the
//                                  "_m@<id>@" tag of the material name (1 without one)
//   muesli_to_abq_umat             a MUESLI-style routine (the UMAT list headed by a material id)
//                                  as a UMAT followed by the id
//
// What the routine is handed besides the caller's values is in converters.h (USERMAT and
// Peridigm points). A routine's request to cut the increment back reaches the caller: keycut 1
// for USERMAT, pnewdt for UMAT, a level -2 report for Peridigm, which has no cut-back. A routine
// of the library that refuses its point (kernel.h), and a routine whose results are not finite,
// give the caller the refused-point result of its interface: a Peridigm point keeps its old
// stress and state. So does a point whose component count the adapter cannot expand (3, 4 or 6),
// and every point of an adapter handed no routine.
// The adapter checks the routine's results again. A routine of the library, found by its address
// under any of its exported names (RoutineRules, interface.h), is checked by its own ResultRules
// (kernel.h), so the adapter lets through what the routine's own converter does. Any other routine
// is a host's, a host's forwarder to a library routine included: its energies are the solver's
// where they come back as they came, and no non-finite state value of its is a result.
#pragma once

#include "interfaces.h"
#include "kernel.h"

TVK_SOLVER_DECLARE_ADAPTER(UmatProc, Usermat, abq_umat_to_ansys_usermat);
TVK_SOLVER_DECLARE_ADAPTER(UmatProc, Upermat, abq_umat_to_peridigm_upermat);
TVK_SOLVER_DECLARE_ADAPTER(UsermatProc, UmatUpdated, ansys_usermat_to_abq_umat);
TVK_SOLVER_DECLARE_ADAPTER(MuesliProc, UmatWithId, muesli_to_abq_umat);

// The adapters that take the rules of the routine's results, on the interface's view.
namespace tvk::solver::adapted {
// abq_umat_to_ansys_usermat around a routine whose results follow `rules`.
void abq_umat_to_ansys_usermat(::tvk::CallbackRef<UmatProc::Fn> dfunc, const Usermat& a, const ResultRules& rules);
}  // namespace tvk::solver::adapted

// Defines the solver entry `cname` of interface `Iface` as `adapter` around the library routine
// `routine`: one line for a routine offered under another solver's interface, e.g.
//   TVK_SOLVER_ADAPTED(Usermat, usermat_lamina, abq_umat_to_ansys_usermat, umat_lamina)
#define TVK_SOLVER_ADAPTED(Iface, cname, adapter, routine)                                        \
    static void cname##_adapted(const ::tvk::solver::Iface& a) {                                  \
        ::tvk::solver::Iface::call([](auto... x) { adapter(routine, x...); }, a);                 \
    }                                                                                             \
    TVK_SOLVER_ENTRY(Iface, cname, cname##_adapted)                                                 \
    static const ::tvk::solver::RoutineRules cname##_rules_entry{reinterpret_cast<const void*>(&cname), nullptr, \
                                                                 reinterpret_cast<const void*>(&routine)};

// As TVK_SOLVER_ADAPTED, for a library routine with the rules of its results (`rules`, the
// routine's ResultRules) and an adapter that takes them, e.g.
//   TVK_SOLVER_ADAPTED_RULED(Usermat, usermat_resin, abq_umat_to_ansys_usermat, umat_resin, resin_rules)
#define TVK_SOLVER_ADAPTED_RULED(Iface, cname, adapter_name, routine, rules)                      \
    static void cname##_adapted(const ::tvk::solver::Iface& a) {                                  \
        ::tvk::solver::adapted::adapter_name(::tvk::CallbackRef<decltype(routine)>::plain(routine), a, rules); \
    }                                                                                             \
    TVK_SOLVER_ENTRY(Iface, cname, cname##_adapted)                                                 \
    static const ::tvk::solver::RoutineRules cname##_rules_entry{reinterpret_cast<const void*>(&cname), &(rules)};
