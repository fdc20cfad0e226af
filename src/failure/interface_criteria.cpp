// Delamination-onset criteria at a ply interface and core-crushing criteria of a sandwich core.
//
// Sources: J. D. Lee (1982, Comput. Struct. 15); O. O. Ochoa, J. J. Engblom (1987, Compos. Sci.
// Technol. 28); Z. Hashin (1980, J. Appl. Mech. 47); A. Puck, H. Schuermann (1998, Compos. Sci.
// Technol. 58), applied to the interface plane; H. Y. Choi, F.-K. Chang (1992, J. Compos. Mater.
// 26, eq. 11) and its form with three interface factors; A. Petras, M. P. F. Sutcliffe (1999,
// Compos. Struct. 44); T. Besant, G. A. O. Davies, D. Hitchings (2001, Composites A 32).
#include <algorithm>
#include <cmath>

#include "criteria.h"

namespace {
double sq(double v) { return v * v; }
// Strength by the sign of the normal stress: tensile only for a positive stress.
double by_sign(double s, double xt, double xc) { return s > 0.0 ? xt : xc; }
}  // namespace

void DelLee(double* rdel, const double* s33, const double* s12, const double* s13, const double* xt33,
            const double* xc33, const double* ilss) {
    *rdel = std::max(std::sqrt(sq(*s12) + sq(*s13)) / *ilss, *s33 / by_sign(*s33, *xt33, *xc33));
}

void DelOchoaEngblom(double* rdel, const double* s33, const double* s13, const double* s23, const double* xt33,
                     const double* xc33, const double* ilss) {
    *rdel = std::sqrt(sq(*s33 / by_sign(*s33, *xt33, *xc33)) + (sq(*s13) + sq(*s23)) / sq(*ilss));
}

void DelHashin(double* rdel, const double* s33, const double* s13, const double* s23, const double* xt22,
               const double* xc22, const double* ilss) {
    *rdel = std::sqrt(sq(*s33 / by_sign(*s33, *xt22, *xc22)) + sq(*s23 / *ilss) + sq(*s13 / *ilss));
}

// Puck's action-plane formula on the interface: tn = s33, tT = s23, tL = s13; gp = (p_tl+, p_tl-,
// p_tt+, p_tt-).
void DelPuck(double* rdel, const double* s33, const double* s13, const double* s23, const double* xt22,
             const double* xc22, const double* ilss, const double* gp) {
    static constexpr double defaults[4] = {0.3, 0.2, 0.15, 0.15};
    const double* p = gp ? gp : defaults;
    const double ra = *xc22 / (2.0 * (1.0 + p[3]));
    const double rtl = *ilss;
    const double w = sq(*s23) + sq(*s13);
    const double shear = sq(*s23) / sq(ra) + sq(*s13) / sq(rtl);
    if (*s33 < 0.0) {
        const double c = w == 0.0 ? 0.0 : (p[3] * sq(*s23) / ra + p[1] * sq(*s13) / rtl) / w;
        *rdel = c * *s33 + std::sqrt(sq(c * *s33) + shear);
    } else {
        const double c = w == 0.0 ? 0.0 : (p[2] * sq(*s23) / ra + p[0] * sq(*s13) / rtl) / w;
        *rdel = std::sqrt(sq(1.0 / *xt22 - c) * sq(*s33) + shear) + c * *s33;
    }
}

void DelChoiChang(double* rdel, const double* s22l, const double* s13l, const double* s23u, const double* xt22l,
                  const double* xc22l, const double* ilssl, const double* ilssu, const double* da) {
    const double d = da ? *da : 1.8;
    *rdel = std::sqrt(d * (sq(*s22l / by_sign(*s22l, *xt22l, *xc22l)) + sq(*s23u / *ilssu) + sq(*s13l / *ilssl)));
}

void DelChai(double* rdel, const double* s22l, const double* s13l, const double* s23u, const double* xt22l,
             const double* xc22l, const double* x23u, const double* ilssl, const double* df1, const double* df2,
             const double* df3) {
    const double v = *df1 * sq(*s22l / by_sign(*s22l, *xt22l, *xc22l)) + *df2 * sq(*s23u / *x23u) +
                     1.875 * *df3 * sq(*s13l / *ilssl);
    *rdel = v > 0.0 ? std::sqrt(v) : 0.0;
}

namespace {
// The largest effort of three core positions; a position under tension keeps 1e-20.
template <class Effort>
double core_exposure(const double* s33[3], const double* tau[3], Effort effort) {
    double r = 1e-20;
    for (int k = 0; k < 3; ++k)
        if (*s33[k] <= 0.0) r = std::max(r, effort(*s33[k], tau[k][0], tau[k][1]));
    return r;
}
}  // namespace

// Petras-Sutcliffe crushing with magnitudes, so that pure crushing at xc33 gives 1 and no shear
// sign can lower the effort (the Besant form with exponent 1).
void CCPetras(double* rcc, const double* s33u, const double* s33m, const double* s33l, const double* taou,
              const double* taom, const double* taol, const double* xc33, const double* x13, const double* x23) {
    const double* s[3] = {s33u, s33m, s33l};
    const double* t[3] = {taou, taom, taol};
    *rcc = core_exposure(s, t, [&](double sn, double t1, double t2) {
        return std::abs(sn) / *xc33 + std::abs(t1) / *x23 + std::abs(t2) / *x13;
    });
}

void CCBesant(double* rcc, const double* s33u, const double* s33m, const double* s33l, const double* taou,
              const double* taom, const double* taol, const double* xc33, const double* x13, const double* x23,
              const double* besantexponent) {
    const double n = *besantexponent;
    const double* s[3] = {s33u, s33m, s33l};
    const double* t[3] = {taou, taom, taol};
    *rcc = core_exposure(s, t, [&](double sn, double t1, double t2) {
        return std::pow(std::pow(std::abs(sn), n) / std::pow(*xc33, n) + std::pow(std::abs(t1), n) / std::pow(*x23, n) +
                            std::pow(std::abs(t2), n) / std::pow(*x13, n),
                        1.0 / n);
    });
}
