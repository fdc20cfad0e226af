// Hugoniot elastic limit: the axial stress at which a material under uniaxial strain (a planar
// shock) yields. With von Mises (or Tresca) yield at strength Y and the elastic lateral stress
// nu/(1 - nu) times the axial stress, yield is reached at sigma_HEL = (1 - nu) Y/(1 - 2 nu)
// (e.g. M. A. Meyers, Dynamic Behavior of Materials, 1994, ch. 7). Infinite for nu = 0.5.
#include "contact.h"

TVK_API double GetHugonoitElasticLimit(const double* yc, const double* nu) {
    return (1.0 - *nu) * *yc / (1.0 - 2.0 * *nu);
}
