// Strip model of a rectangular delamination: sublaminate energies with a plate buckling check,
// transfer of the load the sublaminates cannot carry to the intact side strips, and energy
// release rates for growth along and across the load by finite differences of the total energy
// at fixed end displacement (an energy balance in the manner of G. A. Kardomateas, 1989, and
// H. Chai, C. D. Babcock, W. G. Knauss, 1981, with the orthotropic plate buckling loads of
// S. G. Lekhnitskii).
#include <cmath>
#include <cstring>

#include "core/errors.h"
#include "core/linalg.h"
#include "delisio.h"
#include "mechanics/laminate.h"

namespace {

double quad_form(const double* v, const double* m, int n) {
    double s = 0.0;
    for (int j = 0; j < n; ++j) {
        double row = 0.0;
        for (int i = 0; i < n; ++i) row += v[i] * m[i + n * j];
        s += row * v[j];
    }
    return s;
}

// Slice (k, :, :) of a (2, 6, 6) array as a 6x6 matrix.
void sublaminate(double* out, const double* abdsub, int k) {
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) out[i + 6 * j] = abdsub[k + 2 * i + 12 * j];
}

}  // namespace

void LinearElasticEnergy(const double* strain, const double* abdmatrix, const double* area, double* energy,
                         const int* ncomp) {
    *energy = 0.5 * quad_form(strain, abdmatrix, *ncomp > 0 ? *ncomp : 0) * *area;
}

void reducedElasticEnergy(const double* strain, const double* abdin, const double* area, double* energy,
                          const int* stresszero, const int* strainzero, const int* ncomp) {
    const int n = *ncomp > 0 ? *ncomp : 0;
    tvk::la::Scratch<double, 36> m(static_cast<std::size_t>(n) * n);
    std::memcpy(m.get(), abdin, sizeof(double) * n * n);
    if (*strainzero >= 1 && *strainzero <= n)
        for (int i = 0; i < n; ++i) m[i + static_cast<std::size_t>(n) * (*strainzero - 1)] = 0.0;
    if (*stresszero >= 1 && *stresszero <= n)
        for (int j = 0; j < n; ++j) m[(*stresszero - 1) + static_cast<std::size_t>(n) * j] = 0.0;
    LinearElasticEnergy(strain, m.get(), area, energy, &n);
}

// Buckling line load of the sublaminate (compression negative): the mean of the clamped and the
// simply supported long-plate formulas in the reduced bending stiffness D* = D - B A^-1 B.
void EnergySublaminat(const double* abd_in, const double* dof_in, const double* a_el, const double* b_el,
                      const double* forces, double* energy, double* nsub, int* bstatus, const double* buckfactor_in,
                      const double* r_in) {
    double a[9], b[9], d[9], dred[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            a[i + 3 * j] = abd_in[i + 6 * j];
            b[i + 3 * j] = abd_in[i + 6 * (j + 3)];
            d[i + 3 * j] = abd_in[(i + 3) + 6 * (j + 3)];
        }
    GetReducedBendingStiffness(dred, a, b, d);
    const double d3 = dred[3] + 2.0 * dred[8], dg = std::sqrt(dred[0] * dred[4]);
    const double ae = *a_el, be = *b_el;
    double ncr = -0.5 * (tvk::pi * tvk::pi / ((2.0 * be) * (2.0 * be))) *
                 ((2.0 * d3 + 2.0 * dg) + (2.62 * dred[0] * be * be / (ae * ae) + 4.53 * dg + 2.62 * d3));
    const double bf = buckfactor_in ? *buckfactor_in : 1.0;
    const double r = r_in ? *r_in : 0.0;
    const double n1 = forces[0], a11 = abd_in[0];
    const double s = 4.0 * ae * be;
    // The buckling strain scales the applied strain to the buckling load; a sublaminate without
    // load along the strip never buckles.
    double eb[6] = {};
    if (n1 != 0.0) {
        for (int i = 0; i < 6; ++i) eb[i] = dof_in[i] * ncr / n1;
        if (bf != 1.0) {
            eb[0] *= bf;
            ncr = eb[0] * a11;
        }
    }
    static constexpr int six = 6;
    if (n1 == 0.0 || n1 > ncr) {
        LinearElasticEnergy(dof_in, abd_in, &s, energy, &six);
        *nsub = n1;
        *bstatus = 0;
        return;
    }
    double eb_energy;
    LinearElasticEnergy(eb, abd_in, &s, &eb_energy, &six);
    const double de = dof_in[0] - eb[0];
    *nsub = ncr + r * a11 * de;
    *bstatus = 1;
    *energy = eb_energy + s * de * (ncr + 0.5 * r * a11 * de);
}

void MomentumBalance(const double* n11, const double* nsub, const double* b, const double* wr, const double* wl,
                     const double* w, const double* e, double* n_left, double* n_right) {
    const double f = 2.0 * *b * *nsub, n = *n11 * *w;
    const double dl = (*b - *e) / 2.0 + *w / 4.0, dr = (*b + *e) / 2.0 + *w / 4.0;
    const double ml = *e * f / dl, mr = -*e * f / dr;
    const double nl = (n - ml - f) / (dr / dl + 1.0), nr = (n - mr - f) / (dl / dr + 1.0);
    *n_left = nl / *wl;
    *n_right = nr / *wr;
}

void ForceTransfer(const double* abd, const double* abdsub, const double* forces, const double* nsub1in,
                   const double* nsub2in, const double*, const double* leftwidth, const double* rightwidth,
                   const double* damagewidth, const double* w, const double* e, double* nleft_m, double* nright_m,
                   double* nsub1, double* nsub2, double* deltadof, double* ie1_delta, double* ie2_delta,
                   const double* r_in) {
    const double r = r_in ? *r_in : 0.0;
    const double f1n = forces[1], f2n = forces[2];  // forces(2,1), forces(3,1)
    const double in1 = *nsub1in, in2 = *nsub2in;
    const double dn = ((f2n - in2) + (f1n - in1)) * *damagewidth;
    const bool shed1 = f1n < in1, shed2 = in2 > f2n;
    const double k1 = shed1 ? r : 1.0, k2 = shed2 ? r : 1.0;
    double out1 = in1, out2 = in2, dd = 0.0, ie1 = 0.0, ie2 = 0.0;
    if (shed1 || shed2) {
        const double a11s1 = abdsub[0], a11s2 = abdsub[1];  // abdsub(1,1,1), abdsub(2,1,1)
        dd = dn / ((*leftwidth + *rightwidth) * abd[0] + (k1 * a11s1 + k2 * a11s2) * *damagewidth);
        out1 = in1 + k1 * a11s1 * dd;
        out2 = in2 + k2 * a11s2 * dd;
        ie1 = 0.5 * (in1 + out1) * dd;
        ie2 = 0.5 * (in2 + out2) * dd;
    }
    *nsub1 = out1;
    *nsub2 = out2;
    *deltadof = dd;
    *ie1_delta = ie1;
    *ie2_delta = ie2;
    const double nsum = out1 + out2, half = *damagewidth / 2.0;
    MomentumBalance(&forces[0], &nsum, &half, rightwidth, leftwidth, w, e, nleft_m, nright_m);
}

// End displacement over the damaged length. Without load along the strip it is 0; a
// delamination spanning the whole width has no side strips and is refused.
void EquivDisp(const double* abd, const double* a, const double* b, const double* width, const double* dof,
               const double*, const double* nleft, const double* nright, const double* l, const double* r,
               double* deltax) {
    *deltax = 0.0;
    const double e1 = dof[0], a11 = abd[0];
    if (e1 == 0.0) return;
    if (!(*width > 2.0 * *b)) {
        tvk::report(-3, "Delamination as wide as the strip in EquivDisp.");
        return;
    }
    const double el = *nleft / (a11 * e1), er = *nright / (a11 * e1);
    *deltax = 2.0 * *a * e1 * std::sqrt((el * el * *l + er * er * *r) / (*width - 2.0 * *b));
}

void EnergyReleaseRate(const double* dof, const double* abd, const double* abdsub, const double* a, const double* b,
                       const double* width, const double* length, const double*, const double* forcecases,
                       double* gx, double* gy, double* gy_left, double* gy_right, const double* e_in,
                       const double* da_in, const double* db_in, const double* buckfactor_in, const double* r_in) {
    *gx = *gy = *gy_left = *gy_right = 0.0;
    const double e = e_in ? *e_in : 0.0, da = da_in ? *da_in : 0.1, db = db_in ? *db_in : 0.1;
    const double bf = buckfactor_in ? *buckfactor_in : 1.0, r = r_in ? *r_in : 0.0;
    const double aa = *a, bb = *b, wd = *width, len = *length;
    if (!(wd > 2.0 * (bb + db))) {
        tvk::report(-3, "Delamination as wide as the strip in EnergyReleaseRate.");
        return;
    }
    static constexpr int six = 6;
    const double unit = 1.0;
    double u0;
    LinearElasticEnergy(dof, abd, &unit, &u0, &six);
    const double n11 = forcecases[0], e1 = dof[0];
    double sub[2][36], load[2][6];
    for (int k = 0; k < 2; ++k) {
        sublaminate(sub[k], abdsub, k);
        for (int j = 0; j < 6; ++j) load[k][j] = forcecases[(k + 1) + 3 * j];
    }
    // Sublaminate energies and loads at (a', b').
    struct Sub {
        double energy[2], nsub[2];
    };
    auto sublaminates = [&](double ap, double bp) {
        Sub s{};
        for (int k = 0; k < 2; ++k) {
            int buckled;
            EnergySublaminat(sub[k], dof, &ap, &bp, load[k], &s.energy[k], &s.nsub[k], &buckled, &bf, &r);
        }
        return s;
    };
    const Sub s0 = sublaminates(aa, bb), sa = sublaminates(aa + da, bb), sb = sublaminates(aa, bb + db);
    const double wl = wd / 2.0 - bb - e, wr = wd / 2.0 - bb + e;
    // Total energy and end displacement of one state.
    auto state = [&](const Sub& s, double ap, double bp, double wlp, double wrp, double ep, double tail,
                     double& pi, double& delta) {
        double nl, nr, ns1, ns2, dd, ie1, ie2;
        const double dw = 2.0 * bp;
        ForceTransfer(abd, abdsub, forcecases, &s.nsub[0], &s.nsub[1], &wd, &wlp, &wrp, &dw, &wd, &ep, &nl, &nr, &ns1,
                      &ns2, &dd, &ie1, &ie2, &r);
        const double uc = (len - 2.0 * ap) * wd * u0;
        pi = uc + (nl / n11) * (nl / n11) * 2.0 * ap * wlp * u0 + (nr / n11) * (nr / n11) * 2.0 * ap * wrp * u0 +
             s.energy[0] + s.energy[1] + 4.0 * ap * bp * (ie1 + ie2);
        double dx;
        EquivDisp(abd, &ap, &bp, &wd, dof, &dd, &nl, &nr, &wlp, &wrp, &dx);
        delta = dx + tail * e1;
    };
    double pi0, d0, pia, dla, pib, dlb, pil, dll, pir, dlr;
    state(s0, aa, bb, wl, wr, e, len, pi0, d0);
    state(sa, aa + da, bb, wl, wr, e, len - 2.0 * da, pia, dla);
    state(sb, aa, bb + db, wl - db, wr - db, e, len, pib, dlb);
    state(sb, aa, bb + db, wl - 2.0 * db, wr, e + db, len, pil, dll);
    state(sb, aa, bb + db, wl, wr - 2.0 * db, e - db, len, pir, dlr);
    *gx = ((dla - d0) * wd * n11 + (pi0 - pia)) / (4.0 * da * bb);
    *gy = ((dlb - d0) * wd * n11 + (pi0 - pib)) / (4.0 * db * aa);
    *gy_left = ((dll - d0) * wd * n11 + (pi0 - pil)) / (4.0 * db * aa);
    *gy_right = ((dlr - d0) * wd * n11 + (pi0 - pir)) / (4.0 * db * aa);
}
