// Ply state vector, field variables and explicit-path record of a ply material point: the three
// per-point records that the ply material routines and the damage-field routines share. Every
// routine that reads or writes them goes through the names below, never through bare numbers.
//
// Ply state vector: a block of 40 state variables (8-byte reals) at the END of the point's state
// array statev(1..nstatv): slot s (1..40) is statev(nstatv - 40 + s), so with exactly 40 state
// variables slot s is state variable s, and any state variables before the block belong to the
// solver or to other routines. Every routine that shares the vector (the damage field, and the
// implicit ply and hyperelastic material routines umat_lamina and umat_hyper) finds its slots
// through `offset` below. A point with fewer than 40 state variables has no block: the damage
// field leaves it alone, and the two material routines read its state variable s as slot s
// (0 beyond nstatv) and write the slots it reaches. Index slots (ply, section, element) hold whole
// numbers as reals, read by truncation toward zero; flags are 0 or 1, only ever raised; residual
// factors only ever fall. A new point's state arrives as zeros; the first-call values are noted
// per slot.
//
//   slots   content                                                     first-call value
//   1-6     ply stress, Nye order 11 22 33 12 13 23, ply frame           0
//   7-12    failed flags: general, fibre, matrix, delamination, core     0
//           crushing, sublaminate buckling
//   13-17   exposures (failure at >= 1): general, fibre, matrix,         0
//           delamination, core crushing
//   18      residual factor of the ply (discount; disc radius of the     1 (18-20 set to 1
//           buckling degradation)                                          when all three are 0)
//   19      fibre residual factor                                        1
//   20      matrix residual factor                                       1
//   21      ply index (1..nplies)                                        located on first call
//   22      section index (position in secidlist)                        located on first call
//   23      element index (position in elemlist)                         0 until located
//   24      matrix fracture-plane angle from the ply's xy plane, rad     -1 (24, 25 set together)
//   25      the same angle from the xz plane (clockwise), rad            -1
//   26      coded failure state 400 fibre + 40 matrix + 4 delamination   0
//   27-30   crack-plane degradation state (-1: no crack-plane damage)    -1
//   31-34   unused
//   35      characteristic element length                                the solver's length
//   36-39   unused
//   40      not-initialised mark: tvk::huge until the point is set up    written by the state
//                                                                         initialisation only
#pragma once

#include <cmath>
#include <cstddef>

namespace tvk::plystate {

// A run of consecutive slots (1-based, as the slot numbers above).
struct Range {
    int first;
    int count;
    constexpr int last() const { return first + count - 1; }
    constexpr int operator[](int k) const { return first + k; }  // k-th slot of the run, 0-based
};

inline constexpr int size = 40;  // slots of the block

// Ply stress, Nye order; the direct components start at `stress_direct`, the shear components at
// `stress_shear`, so a reduced state (ndi 2, nshr 1) fills slots 1, 2 and 4.
inline constexpr Range stress{1, 6};
inline constexpr int stress_direct = 1;
inline constexpr int stress_shear = 4;

// Damage modes in the order of the flag and exposure runs (also the row order of the criterion
// and evolution flag tables of the material data).
enum Mode : int { general, fibre, matrix, delamination, core, nmodes };

inline constexpr Range flags{7, 6};  // the five modes, then sublaminate buckling
inline constexpr int general_flag = flags[general];
inline constexpr int fibre_flag = flags[fibre];
inline constexpr int matrix_flag = flags[matrix];
inline constexpr int delamination_flag = flags[delamination];
inline constexpr int core_flag = flags[core];
inline constexpr int buckling_flag = flags[nmodes];

inline constexpr Range exposures{13, 5};  // the five modes

inline constexpr Range residuals{18, 3};  // ply, fibre, matrix
inline constexpr int residual = residuals[0];
inline constexpr int fibre_residual = residuals[1];
inline constexpr int matrix_residual = residuals[2];

inline constexpr int ply = 21;
inline constexpr int section = 22;
inline constexpr int element = 23;

inline constexpr int angle_xy = 24;
inline constexpr int angle_xz = 25;
inline constexpr int failure_code = 26;
inline constexpr int failure_code_fibre = 400, failure_code_matrix = 40, failure_code_delamination = 4;

inline constexpr Range crack_state{27, 4};

// Value of the fracture angles and of the crack-plane state until they are set.
inline constexpr double unset = -1.0;

inline constexpr int length = 35;

inline constexpr int unset_mark = size;  // the last state variable

// Position (0-based) of slot 1 in a state array of nstatv variables: the block is the last 40
// when the array holds at least 40, else the slots start at state variable 1.
constexpr int offset(int nstatv) { return nstatv > size ? nstatv - size : 0; }
// Number of slots (0..40) a state array of nstatv variables carries from slot 1 on.
constexpr int reach(int nstatv) { return nstatv < 0 ? 0 : nstatv < size ? nstatv : size; }

// Position (0-based) of slot 1 when the array holds the whole block; -1 when it is too short.
constexpr int block_start(int nstatv) { return nstatv >= size ? offset(nstatv) : -1; }

// The slots of one point's state array (statev of nstatv variables), 1-based as the names above;
// T is double, or const double for a read-only view.
template <class T>
struct SlotView {
    T* first;  // slot 1
    int n;     // slots carried
    // Slot s, or 0 when the array does not reach it.
    double get(int s) const { return s <= n ? first[s - 1] : 0.0; }
    // Slot s, which the array must reach (s <= n).
    T& operator[](int s) const { return first[s - 1]; }
};
template <class T>
SlotView<T> slots(T* statev, int nstatv) { return {statev + offset(nstatv), reach(nstatv)}; }

// 0-based offset of slot s within the block.
constexpr std::size_t at(int s) { return static_cast<std::size_t>(s - 1); }

// The table index an index slot holds: the value truncated toward zero; 0 (no index) for a value
// that is not a number or lies outside the int range.
inline int index_of(double v) { return std::isfinite(v) && std::fabs(v) < 2.0e9 ? static_cast<int>(v) : 0; }

static_assert(flags.last() == 12 && exposures.last() == 17 && residuals.last() == 20);
static_assert(crack_state.last() == 30 && stress.last() == 6);
static_assert(offset(40) == 0 && offset(50) == 10 && offset(39) == 0 && reach(50) == size && reach(22) == 22);
static_assert(block_start(39) == -1 && block_start(40) == 0 && block_start(50) == 10);

}  // namespace tvk::plystate

// Field variables field(1..nfield) written by the damage-field evaluation.
namespace tvk::plyfield {

inline constexpr int flags_first = 1;   // 1-5: the failed flags of the five modes (slots 7-11)
inline constexpr int flags_last = 5;    // the field variables are written when nfield reaches it
inline constexpr int crack_angle = 6;   // slot 25 / pi
inline constexpr int crack_damage = 7;  // crack-plane damage, clamped to the matrix cap
inline constexpr int used = 7;          // entries beyond are 0

}  // namespace tvk::plyfield

// Explicit-path record table(1..16) that the explicit field entry point hands over per point; all
// entries -1 means the record is absent.
namespace tvk::plytable {

inline constexpr int size = 16;
inline constexpr int temperature = 1;
inline constexpr plystate::Range stress{2, 6};   // Voigt order 11 22 33 23 13 12
inline constexpr plystate::Range strain{8, 6};   // Voigt order, as the solver hands it
inline constexpr plystate::Range lengths{14, 3}; // characteristic lengths in the three directions
inline constexpr double absent = -1.0;

}  // namespace tvk::plytable
