// Sensor material of an impact point: a practically stiffless isotropic elastic material (E =
// 1e-20, nu = 0.49) whose state variables mirror the impactor's contact record cprops(20):
// 1-3 impactor displacement, velocity and acceleration (cprops 4-6), and in impact steps (step
// kind 3, at least 6 state variables) 4-6 contact force, contact radius and indentation depth
// (cprops 1-3); every other state variable is 0. With exactly two properties they are handed to
// the impactor's sensor record dprops(12): dprops(8:9) = props, dprops(10:11) = 0, and a
// dprops(1) of 1.0 becomes -1.0. A call that refuses a point, and properties that are not finite
// (a warning; the points are still evaluated), leave the record as it came.
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(UmatSensor, umat_sensor);
TVK_SOLVER_DECLARE(VumatSensor, vumat_sensor);
