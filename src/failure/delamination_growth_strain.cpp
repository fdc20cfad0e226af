// Critical strain for the growth of a buckled thin-film delamination under compression.
//
// Source: the thin-film growth analysis of A. T. Rhead, R. Butler, G. W. Hunt (2008), Int. J.
// Solids Struct. 45, 4349-4361, and A. T. Rhead, R. Butler, N. Baker (2011), Appl. Compos.
// Mater. 18, 85-100: the growth strain is the positive root of a quadratic, with the membrane
// stiffness a11 of the sublaminate and the stiffness ratio r of sublaminate and base laminate.
#include <cmath>

#include "damage_evolution.h"

double DGStrainRhead(const double* eps_c, const double* gic, const double* a11, const double* r_stiff) {
    const double r = r_stiff ? *r_stiff : 0.0;
    const double a = 1.0 + r, b = 1.0 - r, c = 3.0 + r;
    const double e = *eps_c;
    if (e == 0.0) return 0.0;
    const double x = 2.0 * *gic / (e * e * *a11) + c;
    const double root = std::sqrt(a * a + x * b);
    // (root - a) / b = x / (root + a): the second form holds at r = 1 (b = 0), where the first is
    // 0/0, and avoids the cancellation of root - a for small x b; for a < 0 the first form is the
    // one without cancellation (and b > 2 there).
    if (a >= 0.0) return x * e / (root + a);
    return (root - a) * e / b;
}
