// Python bindings of `fracture`: fracture measures of a crack plane.
#include "engine/bind.h"

#include "failure/damage_evolution.h"

TVK_ROUTINE(fracture, getequivalentmixedmodeerr, GetEquivalentMixedModeERR,
            "geq:f8:out traction:f8(3) gc:f8(n) n:i4:check(n>=3)");
TVK_ROUTINE(fracture, getcrackstatus, GetCrackStatus,
            "crckstatus:i4:out svoigt:f8(6) nrot:f8(3) phi:f8 baseid:i4");
