// Solver UMAT of the endochronic viscoplastic resin law (see EndochroneViscoPlasticity): six
// stress components; the tangent is the central difference of the law's stress with the strain
// increment's components moved by +-1e-8, evaluated at zero time increment without changing the
// state. Energies and the time-step ratio are left to the caller.
#pragma once

#include "interfaces.h"

TVK_SOLVER_DECLARE(Umat, umat_krause);
