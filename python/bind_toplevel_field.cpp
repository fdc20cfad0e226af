// Python entry points of the damage field of the ply material points (namespace `toplevel`): the
// evaluation at one point and the two solver hooks, whose signatures are derived from their
// interfaces.
#include "engine/bind.h"
#include "engine/solver.h"

#include "solver/damage_field.h"

TVK_ROUTINE(toplevel, gen_damage, gen_damage,
            "field:f8(nfield):io+copy statev:f8(nstatv):io+copy tdirect:f8(3,3) t:f8(3,3) celent:f8 time:f8(2) "
            "dtime:f8 cmname:s80 nfield:i4 nstatv:i4 noel:i4 npt:i4 layer:i4 kspt:i4 kstep:i4 kinc:i4 "
            "coord:f8(3) table:f8(16):opt=-1.0");
TVK_SOLVER_ROUTINE(toplevel, usdfld_dmg, Usdfld, usdfld_dmg);
TVK_SOLVER_ROUTINE(toplevel, vusdfld_dmg, Vusdfld, vusdfld_dmg);
