// Motion of the falling impactors between solver increments. Each impactor is a rigid mass m
// under gravity g, braked by the contact force F that its impactor element computes during an
// increment; column i of impactdata cprops(20, nimp) is its record:
//   1 F, 2 contact radius, 3 indentation depth, 4 displacement u (positive along gravity),
//   5 velocity v, 6 acceleration a, 7 mass m (0: never moved), 8-10 scheme parameters
//   (alpha, beta, gamma; all -1: central differences, all -2: velocity-weighted explicit update,
//   all 0: no motion update), 11 and 12 force and radius of the last increment end, 13 reference
//   elongation, 14 and 15 largest force and depth of the impact, 16 unloading marker,
//   19 mid-increment velocity, 20 last time increment (central differences) or velocity weight.
//
// The unloading marker is set once the force falls below the mean of the last five forces,
// itself included, with the window full. The window lives here between calls; it is re-created
// empty whenever the number of impactors changes.
//
// A contact table with fewer than 20 rows is left alone.
#pragma once

namespace tvk {

inline constexpr double gravity = 9.80665;

// Start of an impact-step increment: when some impactor carries a negative (previous) force or a
// force that is not a number, entries 2, 3 and 13 of every impactor are cleared; otherwise
// entries 1, 2, 3 and 13 of every impactor with mass.
void impactor_increment_start();
// End of a structural-response increment: entries 14 and 15 of every impactor cleared.
void impactor_response_end();
// End of an impact-step increment of length dt: motion update, peaks, last values, unloading.
// An impactor with mass whose force, or whose time increment or mass where its scheme moves it,
// or any value this would write, is not finite keeps its column and force window as they came,
// with a level -2 report (impactor number, dt and force); so does an impactor of mass 0 whose
// force or radius, the values it copies into entries 11 and 12, is not finite.
void impactor_impact_end(double dt);
// Empties the force window for nimp impactors (nimp < 0: releases it).
void impactor_window_reset(int nimp);

}  // namespace tvk
