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

TVK_API void dsload(double* alpha, double* t_user, const int* kstep, const double* coords, const double* dircos,
                    const double* cprops, double* dprops, const int* nimp, const int* elemid);
TVK_API void deload(double* alpha, double* t_user, const int* kstep, const int* kinc, const double* time,
                    const int* noel, const int* npt, const double* coords, const double* dircos, const int* jltyp,
                    const char* sname, const double* cprops, double* dprops, const int* nimp,
                    std::size_t sname_len);
TVK_API void cload(double* f, double* ldflag, const double* cforce, const char* sname, std::size_t sname_len);

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
TVK_API void CAMPLITUDE(double* amp, const double* xydata, const double* xvalue, const int* ndata, const int* skip);
TVK_API void CHYSTERESIS(double* amp, double* passed, const double* xydata, const double* xvalue, const int* ndata,
                         const int* skip);

// The names the solver-side forwarding module knows these hooks by.
TVK_API void tvk_dsload(double* alpha, double* t_user, const int* kstep, const double* coords, const double* dircos,
                        const double* cprops, double* dprops, const int* nimp, const int* elemid);
TVK_API void tvk_deload(double* alpha, double* t_user, const int* kstep, const int* kinc, const double* time,
                        const int* noel, const int* npt, const double* coords, const double* dircos,
                        const int* jltyp, const char* sname, const double* cprops, double* dprops,
                        const int* nimp, std::size_t sname_len);
TVK_API void tvk_cload(double* f, double* ldflag, const double* cforce, const char* sname, std::size_t sname_len);
TVK_API void tvk_amplitude(double* amp, const double* xydata, const double* xvalue, const int* ndata,
                           const int* skip);
TVK_API void tvk_hysteresis(double* amp, double* passed, const double* xydata, const double* xvalue,
                            const int* ndata, const int* skip);
