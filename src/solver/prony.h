// Curing thermoset resin: cure kinetics, the generalized Maxwell (Prony series) material with
// time-temperature shift, and the heat of reaction and the thermal and chemical expansion of the
// cure. The state vector the routines share is laid out in cure_state.h.
//
// Cure kinetics (cure-rate coefficients `curvefit`, nc >= 7 values): groups of seven coefficients
// A1, E1, A2, E2, N1, M, N2, each group but the last followed by the absolute temperature from
// which the next group applies (group g at values 8(g-1)+1 .. 8(g-1)+7, its switch temperature at
// 8g). With RT = R t (R = 8.314462618 J/(mol K)) and a = min(degree, degmax)
//   rate = A1 exp(-E1/RT) (degmax - a)^N1 + A2 exp(-E2/RT) a^M (degmax - a)^N2.
//
//   Relaxation   backward Euler step of one Prony term d' = (stiffness pprony strain - d)/(tau shift):
//                (stiffness timestep pprony strain + dold tau shift) / (tau shift + timestep),
//                evaluated as w0 dold + w stiffness pprony strain with the weights
//                w = timestep / (tau shift + timestep) and w0 = tau shift / (tau shift + timestep),
//                each from its own term; a zero denominator (no time, no relaxation time) returns
//                dold
//   CureRate     the rate above with the group whose switch temperatures t has reached; a group
//                is taken only when all its seven values lie within nc. nc < 7: level -3
//                report, 0
//   FuncDegree   the degree of cure after timestep at the constant temperature t1 from degree0:
//                the fixed point of d = degree0 + timestep rate(min(d, degmax)), iterated from
//                d = degree0 + timestep rate(degree0) until the rate changes by less than 1e-6
//                absolutely or 1e-10 relatively, or is 0; not capped at degmax. The value it stops
//                on stands where it is the root of the step to 1e-6 max(1, |timestep|) (the step
//                changes sign within that of it, or it is its own next iterate); a value within
//                that of its next iterate but farther from the root (a map of slope near 1) gives
//                way to the root, bracketed from it outwards. Where the value
//                it stops on is no fixed point to 1e-6 max(1, |timestep|) (an iterate that reached
//                degmax, where the rate vanishes, sends the next back to degree0 and the one after
//                to the explicit step), the root of d - degree0 - timestep rate(d) bracketed in
//                [degree0, degmax] instead (beyond degmax, degree0 + timestep rate(degmax), for a
//                rate that does not vanish there). The iteration may oscillate: after 1000
//                iterations it stops with a level -1 report and the root is taken. A root whose
//                function values overflow: level -3 report, NaN. nc < 7: level -3 report, degree0
//
// Solver routines:
//   umat_prony     UMAT of the transversely isotropic generalized Maxwell resin (six stress
//                  components; props: the five term counts, C11 C12 C22 C23 C44, then the
//                  (weight, relaxation time) pairs of the components 11, 12, 22, 23, 44); a
//                  point it cannot serve (other than six components, a term count that is not a
//                  count, fewer properties than the terms need, more than 492 Prony states, fewer
//                  than 510 state variables, a time increment that is negative or not finite) is
//                  refused before anything is written
//   hetval_prony   heat flux of the cure reaction (flux(1) = heat of reaction x cure rate); the
//                  state vector must hold at least 4 values (a native caller's duty: the solver
//                  passes no length; the Python binding checks it)
//   uexpan_prony   thermal and chemical strain increments of the curing resin (glassy, liquid,
//                  rubbery); at least 508 state variables
//                  Both refuse a point (state as it came, no heat or expansion, level -3) whose
//                  reachable degree svar(4) or degree of cure svar(1) is not in [0, 1] (svar(1)
//                  is not read by uexpan_prony at total time 0, where the cure starts over), and
//                  one whose cure step, heat or strains are not finite
//   usermat_prony  umat_prony as an ANSYS USERMAT, through abq_umat_to_ansys_usermat
#pragma once

#include "hook_interfaces.h"
#include "interfaces.h"

TVK_API double Relaxation(const double* dold, const double* tau, const double* shift, const double* timestep,
                          const double* stiffness, const double* pprony, const double* strain);
TVK_API double CureRate(const double* curvefit, const double* t, const double* degree, const double* degmax,
                        const int* nc);
TVK_API double FuncDegree(const double* curvefit, const double* t1, const double* degree0, const double* timestep,
                          const double* degmax, const int* nc);

TVK_SOLVER_DECLARE(UmatProny, umat_prony);
TVK_SOLVER_DECLARE(HetvalProny, hetval_prony);
TVK_SOLVER_DECLARE(UexpanProny, uexpan_prony);
TVK_SOLVER_DECLARE(Usermat, usermat_prony);

namespace tvk::prony {

inline constexpr double gas_constant = 8.314462618;  // J/(mol K)
inline constexpr int funcdegree_max_iterations = 1000;

}  // namespace tvk::prony
