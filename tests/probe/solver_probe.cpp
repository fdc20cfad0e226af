// Binding of the solver-interface probes: every line derives its signature from the interface.
#include "../../python/engine/solver.h"
#include "solver_probes.h"

TVK_SOLVER_ROUTINE(tsolver, umat, Umat, probe_umat);
TVK_SOLVER_ROUTINE(tsolver, umatshokrieh, UmatShokrieh, probe_umatshokrieh);
TVK_SOLVER_ROUTINE(tsolver, umatprony, UmatProny, probe_umatprony);
TVK_SOLVER_ROUTINE(tsolver, umatresin, UmatResin, probe_umatresin);
TVK_SOLVER_ROUTINE(tsolver, umatinplace, UmatInPlace, probe_umatinplace);
TVK_SOLVER_ROUTINE(tsolver, umatnostep, UmatNoStep, probe_umatnostep);
TVK_SOLVER_ROUTINE(tsolver, umatsensor, UmatSensor, probe_umatsensor);
TVK_SOLVER_ROUTINE(tsolver, vumat, Vumat, probe_vumat);
TVK_SOLVER_ROUTINE(tsolver, vumatplanestrain, VumatPlaneStrain, probe_vumatplanestrain);
TVK_SOLVER_ROUTINE(tsolver, vumatsensor, VumatSensor, probe_vumatsensor);
TVK_SOLVER_ROUTINE(tsolver, usermat, Usermat, probe_usermat);
TVK_SOLVER_ROUTINE(tsolver, upermat, Upermat, probe_upermat);
TVK_SOLVER_ROUTINE(tsolver, usdfld, Usdfld, probe_usdfld);
TVK_SOLVER_ROUTINE(tsolver, vusdfld, Vusdfld, probe_vusdfld);
TVK_SOLVER_ROUTINE(tsolver, uel, Uel, probe_uel);
TVK_SOLVER_ROUTINE(tsolver, uelimpact, UelImpact, probe_uelimpact);
TVK_SOLVER_ROUTINE(tsolver, vuel, Vuel, probe_vuel);
TVK_SOLVER_ROUTINE(tsolver, vuelimpact, VuelImpact, probe_vuelimpact);
