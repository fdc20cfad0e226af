// In-situ strengths of a ply embedded in a laminate (namespace `isscollection`). Angles in
// degrees. Arguments outside a model's domain (a thin-ply thickness t <= 0, a thickness ratio
// tratio <= 0) are reported at level -3; the result is what the formula gives there.
#pragma once

#include "core/tvk.h"

// ys = (transverse tensile, in-plane shear) in-situ strengths, LaRC04 (Pinho, Davila, Camanho et
// al., NASA/TM-2005-213530): elastic = (E11, E22, nu, G12), gxc = (GIc, GIIc), t the ply
// thickness, tlim the thin-ply limit (absent: 0.0007, metres).
TVK_API void InSituLaRC04(double* ys, const double* elastic, const double* gxc, const double* xt22,
                          const double* x12, const double* t, const double* tlim);
// Compressive strength xc of a ply loaded in compression at theta degrees to its fibres (Puck and
// Schuermann, Compos. Sci. Technol. 62, 2002): the smaller of the fibre and inter-fibre limits.
// gp(2) is the inclination parameter q, gp(4) the parameter p (absent: q 0.2, p 0.15).
TVK_API void InSituPuckPS(double* xc, const double* xc11, const double* xc22, const double* x12,
                          const double* theta, const double* gp);
// ys = (transverse tensile, interlaminar shear) in-situ strengths (Chang and Lessard, J. Compos.
// Mater. 25, 1991): x (1 + a sin(dtmin_d)/tratio^b) with (a, b) = atod(1:2) and atod(3:4)
// (absent: 1.3, 0.7, 0, 1).
TVK_API void InSituChangLessard(double* ys, const double* xt22, const double* ilss,
                                const double* tratio, const double* dtmin_d, const double* atod);
