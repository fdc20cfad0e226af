// Progressive fatigue damage of a unidirectional ply after Shokrieh and Lessard (namespace
// `fatigue`): temperature-dependent fatigue properties, cycle counting with cycle jumps, the
// allowable jump of the residual laws, and the material point that follows a load cycle and
// degrades strength and stiffness suddenly (static failure) and gradually (fatigue).
//
// Property vector of the model (reals, 1-based positions, temperatures in kelvin):
//   1-74     first temperature block, 75-148 second block (layout tvk::fatigue::block below)
//   149      sub-ply angle of a woven ply in degrees (read by the material routine only)
//   150      residual factor degr_fac of a failed direction
//   151-159  optional temperature degradation of the moduli (all nine or none): c2, c1, c0 of
//            the quadratic matrix factor q(Tc) = c2 Tc^2 + c1 Tc + c0 (Tc in Celsius), threshold
//            temperature, characteristic temperature T* (tau = (T - 273.15)/(T* - 273.15)), limit
//            and exponent of the matrix law, limit and exponent of the fibre law.
//
// Strength and failure-strain vectors (9): tension 11, compression 11, tension 22, compression
// 22, tension 33, compression 33, shear 12, 13, 23, with the compressive entries negative.
// Elastic vector (9): E11, E22, E33, G12, G13, G23, nu12, nu13, nu23. Parameter sets (6): the
// components 11, 22, 33, 12, 13, 23.
#pragma once

#include "core/tvk.h"

namespace tvk::fatigue {

inline constexpr int nblock = 74;          // values of one temperature block
inline constexpr int nprops_min = 150;     // two blocks, the sub-ply angle and degr_fac
inline constexpr int nprops_thermal = 159; // with the temperature degradation of the moduli
inline constexpr int nstate = 77;          // state block of one material point

// 0-based positions within one temperature block.
namespace block {
inline constexpr int elastic = 0;      // 9: E11 .. G23, nu12, nu13, nu23
inline constexpr int tension = 9;      // 3: 11, 22, 33
inline constexpr int compression = 12; // 3: 11, 22, 33 (sign ignored)
inline constexpr int shear = 15;       // 3: 12, 13, 23
inline constexpr int alpha = 18;       // 9: t11, c11, t22, c22, t33, c33, 12, 13, 23
inline constexpr int beta = 27;        // 9: as alpha
inline constexpr int lambda = 36;      // 6
inline constexpr int gamma = 42;       // 6
inline constexpr int ab = 48;          // 12: pairs (a, b) per component
inline constexpr int eta = 60;
inline constexpr int u = 61;           // 6
inline constexpr int v = 67;           // 6
inline constexpr int temperature = 73;
}  // namespace block

// 0-based positions within the 77-value state block of a material point. "Ratio" is stress
// over static strength of one component (11, 22, 33, 12, 13, 23).
namespace slot {
inline constexpr int cycle = 0;            // cycle number n
inline constexpr int fibre_index = 1;      // accumulated fibre failure index (at most 1)
inline constexpr int matrix_index = 2;     // accumulated matrix failure index (at most 1)
inline constexpr int angle = 3;            // fracture-plane angle of the matrix criterion
inline constexpr int strengths = 4;        // 9: current strengths
inline constexpr int moduli = 13;          // 6: current E11 .. G23
// The tensile ratios are stress over the tensile strength; the compressive ratios are stress over
// the magnitude of the compressive strength, signed (negative in compression), so that the
// smallest compressive ratio is the cycle's largest compressive level.
inline constexpr int tension_max = 19;     // 6: largest tensile ratio of the running cycle
inline constexpr int tension_min = 25;     // 6: smallest tensile ratio
inline constexpr int compression_max = 31; // 6: largest compressive ratio (signed)
inline constexpr int compression_min = 37; // 6: smallest compressive ratio (signed)
inline constexpr int jump = 43;            // last cycle jump
inline constexpr int fibre_failed = 44;    // 1.0 once the fibre has failed
inline constexpr int matrix_failed = 45;   // 1.0 once the matrix has failed
inline constexpr int life = 46;            // 6: consumed fatigue life per component
inline constexpr int stress = 52;          // 6: stress at the end of the increment
inline constexpr int stiffness = 58;       // 6: stiffness factors of E11 .. G23
inline constexpr int strength = 64;        // 9: strength factors of the nine strengths
inline constexpr int temp_low = 73;        // lowest temperature of the running cycle
inline constexpr int temp_high = 74;       // highest temperature of the running cycle
inline constexpr int temp_eval = 75;       // evaluation temperature of the last completed cycle
inline constexpr int cycles_left = 76;     // smallest finite cycles to failure at the last cycle end
}  // namespace slot

// Rows (1-based) of a step's cycle plan shokriehdata.cycleprops(:, step).
namespace plan {
inline constexpr int cyclic = 2;      // 1.0: a fatigue step
inline constexpr int algorithm = 3;   // jump algorithm (rounded)
inline constexpr int period = 4;      // period of one load cycle
inline constexpr int calc_time = 5;   // calculation time of the step
inline constexpr int max_count = 6;   // largest cycle count (rounded)
inline constexpr int jump_min = 7;    // smallest jump (algorithm 1)
inline constexpr int jump_max = 8;    // largest jump
inline constexpr int limit = 10;      // cycle limit (maxcycle)
inline constexpr int tolerance = 11;  // gradual-degradation limit of algorithm 4 (11-row plans)
}  // namespace plan

// Largest cycle count at which the counter still tells one cycle from the next (2^53). A jump
// that is not a number, negative, or would carry the counter beyond it is refused.
inline constexpr double count_limit = 9007199254740992.0;
inline bool jump_usable(double n, double njimp) {
    return njimp >= 0.0 && n <= count_limit && njimp <= count_limit - n;
}

// GetShokriehProperties returning whether the sets are usable: false after a report, with zero
// outputs (too few properties, a temperature that is not finite, or sets that are not finite,
// such as failure strains of a zero modulus).
bool properties(const double* props, int nprops, double temp, double* eprops, double* xfprops, double* epsfprops,
                double* alpha_t, double* alpha_c, double* beta_t, double* beta_c, double* lambda, double* gamma,
                double* a, double* b, double* u, double* v, double* eta, double* degr_fac);

// GetShokrieh returning whether the increment was computed: false after a report when it was
// refused (unusable properties at the increment's temperature or, at a cycle end, at the cycle's
// evaluation temperature, or a strain, stress, temperature or time that is not finite); then the
// stress and both state blocks are as they came and the tangent is zero.
bool point(double* stress, double* ddsdde, double* statev, const double* stran, const double* dstran,
           const double* props, const double* time, const double* dtime, const double* temp, const double* dtemp,
           const int* nprops, const int* noel, const int* kstep, const int* kinc, const int* iszflag,
           const int* idcflag, double* statev_backup);

}  // namespace tvk::fatigue

// Working sets of one material point at temperature temp from the property vector: the selected
// or interpolated temperature block, then (nprops > 150) the temperature degradation of the
// moduli, then the failure strains xf/E. nprops below 150, a temperature that is not finite and
// sets that would not be finite (a zero modulus, a value that is not a number) are level -3
// reports with zero outputs; 151 to 158 values are taken as 150 after a level -2 report.
TVK_API void GetShokriehProperties(const double* props, const int* nprops, const double* temp, double* eprops,
                                   double* xfprops, double* epsfprops, double* alpha_t, double* alpha_c,
                                   double* beta_t, double* beta_c, double* lambda, double* gamma, double* a,
                                   double* b, double* u, double* v, double* eta, double* degr_fac);

// Cycle jump njimp by algorithm jumpalgo (1 fixed, 2 logarithmic ramp, 3 tabulated by time,
// 4 permitted jump bounded by the table and maxcycle, 5 cycle number from the solver) and the
// counter n advanced by it; outside a fatigue step (stepflag not 1) n = njimp = 1. Reads
// shokriehdata.cycles(:, istep); a table or column it needs that is absent is a level -3 report
// with a jump of 0. An unknown algorithm is a level -2 report and keeps njimp as it came. A jump
// that is not a number or would carry n past 2^53 (count_limit, compared exactly), a negative one
// of algorithms 1 to 3 or of an unknown algorithm, a negative permitted jump of algorithm 4
// (aint(njimp_zul) + 1 < 0), a cut of algorithm 4 to a negative maxcycle and a negative cycle
// number of the solver (algorithm 5) are refused with a level -2 report: n stays and njimp is 0.
// Algorithm 4 may cut n back to a maxcycle of at least 0; algorithm 5 moves n to the solver's
// number, a lower one too (a level -2 report when that is NaN or beyond 2^53).
TVK_API void CycleCount(double* njimp, double* n, const double* maxcycle, const double* time,
                        const double* time_calc, const double* time_period, const double* njimp_min,
                        const double* njimp_max, const double* njimp_zul, const int* ncycles,
                        const int* nmaxcycles, const int* istep, const int* nstep, const int* jumpalgo,
                        const int* stepflag);

// Cycles cjimp the point may still run in one component before its residual strength or
// stiffness has fallen to njimp_dtol times its current value (x_n, e_n), less the cycles already
// consumed (nm times the cycles to failure of the stress cycle speak/sbottom). 1e8 when the
// point is fully degraded (df = degr_fac). A zero sbottom is written back as 1e-8. `de` is not
// read. The result may be NaN or negative where the laws have no value; callers take the
// smallest finite one of their components.
TVK_API void AllowableCycleJump(const double* speak, double* sbottom, const double* ft, const double* fc,
                                const double* f0, const double* e0, const double* eps_f, const double* a,
                                const double* b, const double* u, const double* v, const double* nm,
                                double* cjimp, const double* alpha, const double* beta, const double* gamma,
                                const double* lambda, const double* x_n, const double* e_n, const double* de,
                                const double* df, const double* degr_fac, const double* njimp_dtol);

// One increment of the Shokrieh material point in the three-dimensional state (Nye order,
// engineering shears): secant stress and tangent from the current properties, fibre and matrix
// failure with sudden degradation, and in a fatigue step the load-cycle bookkeeping, the gradual
// degradation at each cycle end and the next cycle jump. statev and statev_backup are 77-value
// blocks (tvk::fatigue::slot); kstep(1) is the step number, idcflag 1 a direct cyclic analysis,
// iszflag 0 the plane-stress stiffness. A strain, stress, temperature or time that is not finite,
// and a cycle end whose evaluation temperature (the mean of the cycle's temperature slots) or
// properties there GetShokriehProperties refuses, are refused with a level -3 report (stress and
// state as they came, zero tangent); a cycle jump that is not usable (tvk::fatigue::jump_usable)
// is refused with a level -2 report and the counter stays (the jump is recorded as 0).
TVK_API void GetShokrieh(double* stress, double* ddsdde, double* statev, const double* stran, const double* dstran,
                         const double* props, const double* time, const double* dtime, const double* temp,
                         const double* dtemp, const int* nprops, const int* noel, const int* kstep,
                         const int* kinc, const int* iszflag, const int* idcflag, double* statev_backup);
