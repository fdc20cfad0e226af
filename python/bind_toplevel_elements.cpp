// Python bindings of the solver's bar and impactor user elements and the sensor material
// (namespace `toplevel`).
#include "engine/solver.h"

#include "solver/impactor.h"
#include "solver/sensor.h"
#include "solver/truss.h"

TVK_SOLVER_ROUTINE(toplevel, uel_truss, Uel, uel_truss);
TVK_SOLVER_ROUTINE(toplevel, vuel_truss, Vuel, vuel_truss);
TVK_SOLVER_ROUTINE(toplevel, umat_sensor, UmatSensor, umat_sensor);
TVK_SOLVER_ROUTINE(toplevel, vumat_sensor, VumatSensor, vumat_sensor);
TVK_SOLVER_ROUTINE(toplevel, uel_impact, UelImpact, uel_impact);
TVK_SOLVER_ROUTINE(toplevel, vuel_impact, VuelImpact, vuel_impact);
