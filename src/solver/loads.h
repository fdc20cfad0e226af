// Solver load and amplitude hooks (namespace `sldcollection`): the contact load of impactors on a
// plate as a surface traction (dsload), an edge or face load (deload) or a concentrated force
// (cload), the pressure profiles that spread an impactor's force, and tabulated amplitudes.
//
// Impactor k is described by the columns cprops(1:20, k) (1 contact force, 2 contact radius,
// 18 half the edge length of an edge load) and dprops(1:12, k) (1 load-shape code, 2-4 impact
// point, 5-11 the nearest-element tracking of dsload). The load shape and symmetry are words of
// the solver's 80-character set name: POINT 1, UNIFORM 2, PYRAMIDAL 3, PARABOLIC 4, HERTZIAN 5,
// AUTOMATIC 6, SINE 7, COSINE 8, EDGE 9; SYMX, SYMY, SYM2 halve, SYM4 quarters the load.
#pragma once

#include <cstddef>

#include "core/tvk.h"
#include "solver/hook_interfaces.h"

TVK_SOLVER_DECLARE(Dsload, dsload);
TVK_SOLVER_DECLARE(Deload, deload);
TVK_SOLVER_DECLARE(Cload, cload);

// Pressure profiles: dr = rcorr - r0, ds = scorr - s0 over the half-lengths or radii a, b.
TVK_API double HertzianSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                                   const double* s0, const double* rcontradius, const double* scontradius);
TVK_API double ParabolicSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                                    const double* s0, const double* relementlength, const double* selementlength);
TVK_API double CosineSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                                 const double* s0, const double* relementlength, const double* selementlength);
TVK_API double SineSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                               const double* s0, const double* relementlength, const double* selementlength);
TVK_API double PyramidalSurfaceLoad(const double* f, const double* rcorr, const double* scorr, const double* r0,
                                    const double* s0, const double* relementlength, const double* selementlength);
TVK_API double UniformSurfaceLoad(const double* f, const double* relementlength, const double* selementlength);

// Amplitude of a table xydata = (x(1..n), y(1..n)), n = ndata/2, by monotone cubic Hermite
// interpolation; CHYSTERESIS follows the loading branch, then (once the abscissa turned back,
// `passed` = the largest double) the unloading branch written after it.
TVK_SOLVER_DECLARE(Camplitude, CAMPLITUDE);
TVK_SOLVER_DECLARE(Chysteresis, CHYSTERESIS);

// The names the solver-side forwarding module knows these hooks by.
TVK_SOLVER_DECLARE(Dsload, tvk_dsload);
TVK_SOLVER_DECLARE(Deload, tvk_deload);
TVK_SOLVER_DECLARE(Cload, tvk_cload);
TVK_SOLVER_DECLARE(Camplitude, tvk_amplitude);
TVK_SOLVER_DECLARE(Chysteresis, tvk_hysteresis);
