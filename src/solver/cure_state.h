// State vector of a curing-resin material point, shared by the curing-resin material routine
// (umat_prony), its heat-generation routine (hetval_prony) and its expansion routine
// (uexpan_prony), the lookup of the point's cure data and the cure step they store. Code reads
// and writes the vector through the names below (1-based slots, as the solver numbers state
// variables).
//
//   slot      content                                                       written by
//   1         degree of cure                                                heat / expansion
//   2         cure rate                                                     heat / expansion
//   3         glass transition temperature Tg, kelvin                       heat / expansion
//   4         largest reachable degree of cure reached so far               heat / expansion
//   5, 6      unused
//   7, 8      chemical strain increments 11, 22 of the last increment       expansion
//   9 ...     Prony term states, family after family (see umat_prony)       material routine
//   ... 500   (the Prony states end here at the latest: at most 492)
//   501, 502  tangent entries (1, 1) and (2, 2) of the last increment       material routine
//   503-505   accumulated thermal strain 11, 22, 33                         expansion
//   506-508   accumulated chemical strain 11, 22, 33                        expansion
//   509, 510  log10 of the shift factors a1, a2                             material routine
#pragma once

#include <string_view>

namespace tvk::curestate {

enum Slot : int {
    degree = 1,
    rate = 2,
    tg = 3,
    reachable = 4,
    chemical_increment = 7,  // 7, 8: components 11, 22
    prony_first = 9,
    prony_last = 500,
    tangent11 = 501,
    tangent22 = 502,
    thermal_sum = 503,   // 503-505: components 11, 22, 33
    chemical_sum = 506,  // 506-508: components 11, 22, 33
    log_shift1 = 509,
    log_shift2 = 510,
};

// Most Prony term states the vector holds (slots prony_first .. prony_last).
inline constexpr int max_prony_states = prony_last - prony_first + 1;
// Least state count of the material routine and of the expansion routine; the heat routine
// reads and writes slots 1-4 only.
inline constexpr int umat_min = log_shift2;
inline constexpr int expansion_min = chemical_sum + 2;
inline constexpr int heat_min = reachable;

// Slot s of a state array held 0-based.
template <class V>
auto& slot(V&& statev, Slot s) {
    return statev[s - 1];
}

// Absolute temperature of 0 degrees Celsius.
inline constexpr double kelvin0 = 273.15;

// The (ply, section) slot of the cure tables the material name points to: the ply of the "_l@"
// tag and the position in sectiondata secidlist of the section id of the "_s@" tag, each at
// least 1 (a name without a tag, or a section id that is not in the list, uses 1).
struct PlySection {
    int ply = 1, sec = 1;
};
PlySection ply_section(std::string_view cmname);

// The degree of cure the cure update stores after the step dt at the constant temperature t1,
// from degree0 below the reachable degree degmax (cure-rate coefficients cf, nc >= 7): the
// result of FuncDegree (the root to 1e-6 max(1, |dt|)) where its fixed-point iteration converges
// to that tolerance without an iterate at or beyond degmax; otherwise the root of the backward
// Euler step d = degree0 + dt rate(d), bracketed in [degree0, degmax]; degmax itself for a rate law that does not vanish there but stays positive,
// whose step would carry the degree past it. Without a sign change in the bracket the last
// iterate is returned with a level -2 report; where the bracketed solve meets a value that is not
// finite (dt rate overflowing) it reports at level -3 and the result is NaN, a step the cure
// update cannot take.
double implicit_degree(const double* cf, int nc, double t1, double degree0, double dt, double degmax);

// Column `col` (tvk::columns::cuprops) of materialdata cuprops for the slot, with its length nc
// (the table's first extent); nullptr when the table does not hold that slot with at least
// tvk::columns::cuprops::min_rows entries.
const double* cure_column(const PlySection& at, int col, int& nc);

}  // namespace tvk::curestate
