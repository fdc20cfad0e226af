// Classical lamination theory: ply and section z-coordinates, the A, B, D stiffness of a stack
// of plies and its 6 x 6 assembly, partial and partially inverted blocks, integrals of the
// off-axis stiffness times a power of z, and an effective plate bending stiffness.
//
// A = sum Qbar_k (zt - zb), B = 1/2 sum Qbar_k (zt^2 - zb^2), D = 1/3 sum Qbar_k (zt^3 - zb^3)
// (Jones, Mechanics of Composite Materials, 2nd ed., 1999, eqs. 4.22-4.24), each sum
// accumulated first and scaled once.
#include <algorithm>
#include <cmath>
#include <string>
#include <cstring>

#include "core/errors.h"
#include "core/linalg.h"
#include "laminate.h"
#include "lamina.h"
#include "transformation.h"

namespace lm = tvk::laminate;

namespace tvk::laminate {

namespace {

// Qbar = T^T Q T of one ply for the plane-stress case, written out for 3 x 3: the on-axis Q
// (Q11, Q22, Q12, Q66, its other entries 0) and the strain form of the in-plane rotation T by the
// ply angle. The products and sums are those of the general n x n rotation of GetNyeOffAxisSC
// with its zero terms left out, so the result is the same.
inline void qbar_ply(double* q, const double* p, double angle_deg) {
    const double e1 = p[0], e2 = p[1], nu12 = p[3];
    const double nu21 = nu12 * e2 / e1, den = 1.0 - nu12 * nu21;
    const double q11 = e1 / den, q22 = e2 / den, q12 = nu12 * e2 / den, q66 = p[6];
    const double r = angle_deg * tvk::deg2rad, c = std::cos(r), s = std::sin(r);
    const double cc = c * c, ss = s * s, cs = c * s;
    const double t[9] = {cc, ss, -2.0 * cs, ss, cc, 2.0 * cs, cs, -cs, cc - ss};
    double w[9];  // Q T
    for (int j = 0; j < 3; ++j) {
        const double t0 = t[3 * j], t1 = t[3 * j + 1], t2 = t[3 * j + 2];
        w[3 * j] = q11 * t0 + q12 * t1;
        w[3 * j + 1] = q12 * t0 + q22 * t1;
        w[3 * j + 2] = q66 * t2;
    }
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            q[i + 3 * j] = t[3 * i] * w[3 * j] + t[3 * i + 1] * w[3 * j + 1] + t[3 * i + 2] * w[3 * j + 2];
}

// The sums of A, B and D of a stack, scaled: one sweep over the plies. The weights of ply k
// between zb and zt are zt - zb, zt^2 - zb^2 and zt^3 - zb^3, formed as products of the bounds,
// (zt - zb)(zt + zb) and (zt - zb)(zt^2 + zt zb + zb^2), which loses nothing to cancellation in
// the thin outer plies.
void abd_sweep(const Stack& s, double* a, double* b, double* d) {
    double sa[9] = {}, sb[9] = {}, sd[9] = {}, q[9];
    double zb = -0.5 * total_thickness(s), cum = 0.0;
    const double base = zb;
    for (int k = 0; k < s.n; ++k) {
        cum += s.thick[k];
        const double zt = base + cum;
        qbar_ply(q, s.elastic + 9 * static_cast<std::ptrdiff_t>(k), s.angle[k]);
        const double w1 = zt - zb, w2 = w1 * (zt + zb), w3 = w1 * (zt * zt + zt * zb + zb * zb);
        for (int i = 0; i < 9; ++i) {
            sa[i] += q[i] * w1;
            sb[i] += q[i] * w2;
            sd[i] += q[i] * w3;
        }
        zb = zt;
    }
    const double third = 1.0 / 3.0;
    for (int i = 0; i < 9; ++i) {
        a[i] = sa[i];
        b[i] = 0.5 * sb[i];
        d[i] = third * sd[i];
    }
}

// The stack of the last A, B, D computed on this thread, by value (properties, angles,
// thicknesses), with its result: the A, B and D routines called in turn for one stack sweep its
// plies once. Equal bits give equal results, so a stored result is returned only for a stack
// whose every value has the same bits.
struct AbdMemo {
    static constexpr int max_plies = 64;
    int n = 0;                          // 0: nothing stored
    double key[11 * max_plies];         // elastic (9 n), angle (n), thick (n)
    double a[9], b[9], d[9];
};
thread_local AbdMemo abd_memo;

bool same_values(const double* stored, const double* given, int count) {
    return std::memcmp(stored, given, sizeof(double) * static_cast<std::size_t>(count)) == 0;
}

bool all_finite(const double (&x)[9]) {
    bool ok = true;
    for (double v : x) ok = ok && std::isfinite(v);
    return ok;
}

// A stack whose sums are not finite: the first ply whose off-axis stiffness or thickness is not
// finite (zero or missing moduli give 0/0 in the reduced stiffness) is reported, with its number
// and the ply count, so that a NaN stiffness never passes as a result at level 0. Sums that only
// overflow from finite plies are not reported here.
void report_unusable_ply(const Stack& s) {
    double q[9];
    for (int k = 0; k < s.n; ++k) {
        qbar_ply(q, s.elastic + 9 * static_cast<std::ptrdiff_t>(k), s.angle[k]);
        if (!all_finite(q) || !std::isfinite(s.thick[k])) {
            tvk::report(-3, "Ply stiffness not finite in the laminate stiffness", k + 1, s.n);
            return;
        }
    }
}

}  // namespace

void qbar(double* q, const Stack& s, int k) {
    qbar_ply(q, s.elastic + 9 * static_cast<std::ptrdiff_t>(k), s.angle[k]);
}

double total_thickness(const Stack& s) {
    double t = 0.0;
    for (int k = 0; k < s.n; ++k) t += s.thick[k];
    return t;
}

void abd(const Stack& s, double* a, double* b, double* d) {
    double ra[9], rb[9], rd[9];
    const int n = s.n;
    AbdMemo& m = abd_memo;
    if (n < 1 || n > AbdMemo::max_plies) {
        abd_sweep(s, ra, rb, rd);
    } else if (m.n == n && same_values(m.key, s.elastic, 9 * n) && same_values(m.key + 9 * n, s.angle, n) &&
               same_values(m.key + 10 * n, s.thick, n)) {
        std::memcpy(ra, m.a, sizeof ra);
        std::memcpy(rb, m.b, sizeof rb);
        std::memcpy(rd, m.d, sizeof rd);
    } else {
        abd_sweep(s, ra, rb, rd);
        m.n = n;
        std::memcpy(m.key, s.elastic, sizeof(double) * 9 * static_cast<std::size_t>(n));
        std::memcpy(m.key + 9 * n, s.angle, sizeof(double) * static_cast<std::size_t>(n));
        std::memcpy(m.key + 10 * n, s.thick, sizeof(double) * static_cast<std::size_t>(n));
        std::memcpy(m.a, ra, sizeof ra);
        std::memcpy(m.b, rb, sizeof rb);
        std::memcpy(m.d, rd, sizeof rd);
    }
    if (a) std::memcpy(a, ra, sizeof ra);
    if (b) std::memcpy(b, rb, sizeof rb);
    if (d) std::memcpy(d, rd, sizeof rd);
    if (!all_finite(ra) || !all_finite(rb) || !all_finite(rd)) report_unusable_ply(s);
}

// dstar = (D - B A^-1 B)^-1 (or D - B A^-1 B itself when invert is false); binv = A^-1 B.
static void reduce(const double* a, const double* b, const double* d, double* dstar, double* binv,
                   bool invert) {
    double ainv[9], ba[9], bab[9], r[9];
    tvk::la::inverse(a, ainv, 3);
    mul3(b, ainv, ba);
    mul3(ba, b, bab);
    for (int i = 0; i < 9; ++i) r[i] = d[i] - bab[i];
    if (binv) mul3(ainv, b, binv);
    if (invert) tvk::la::inverse(r, dstar, 3);
    else std::memcpy(dstar, r, sizeof r);
}

void coupling_factors(const double* a, const double* b, const double* d, double* fa, double* fb) {
    double ab[9], dstar[9];
    reduce(a, b, d, dstar, ab, true);
    mul3(ab, dstar, fa);
    std::memcpy(fb, dstar, sizeof dstar);
}

int section_plies(const int* col, int nplies, int empty) {
    for (int k = 0; k < nplies; ++k)
        if (col[k] == empty) return k;
    return nplies;
}

bool integral_layout_fits(const int* plysectionpoint, int nplies, int nzcrd, const char* name) {
    long long total = 1;
    for (int k = 0; k < nplies; ++k)
        if (plysectionpoint[k] > 0) total += plysectionpoint[k];
    if (total == nzcrd) return true;
    tvk::report(-2, std::string("Section points do not match the z-table in ") + name, nzcrd,
                static_cast<int>(std::min<long long>(total, 2147483647)));
    return false;
}

void ply_integrand(double* y, const double* props, double angle_deg, bool thermal) {
    const int three = 3, stiffness = 1;
    if (!thermal) {
        GetNyeOffAxisSC(y, &angle_deg, props, &three, &stiffness);
        return;
    }
    double q[9], t[9];
    GetNyeOffAxisSC(q, &angle_deg, props, &three, &stiffness);
    tvk::lamina::nye_transformation(t, angle_deg * tvk::deg2rad, 3, -1.0, true);
    const double a1 = props[9], a2 = props[10];
    double alpha[3];
    for (int i = 0; i < 3; ++i) alpha[i] = t[i] * a1 + t[i + 3] * a2;
    for (int i = 0; i < 3; ++i) y[i] = q[i] * alpha[0] + q[i + 3] * alpha[1] + q[i + 6] * alpha[2];
}

void partial(double* x, const Stack& s, double z, int iply, int power) {
    const auto f = [power](double v) { return power == 1 ? v : v * v; };
    double q[9], sum[9] = {}, zb = -0.5 * total_thickness(s), cum = 0.0;
    const double base = zb;
    for (int k = 0; k < iply; ++k) {
        cum += s.thick[k];
        const double zt = base + cum, w = f(zt) - f(zb);
        qbar(q, s, k);
        for (int i = 0; i < 9; ++i) sum[i] += q[i] * w;
        zb = zt;
    }
    qbar(q, s, iply);
    const double w = f(z) - f(zb);
    for (int i = 0; i < 9; ++i) x[i] = power == 2 ? 0.5 * (sum[i] + q[i] * w) : sum[i] + q[i] * w;
}

bool all_zero(const double* a, std::ptrdiff_t n) {
    for (std::ptrdiff_t i = 0; i < n; ++i)
        if (a[i] != 0.0) return false;
    return true;
}

Stack section_stack(const int* sectionlist, const double* plyelastic, const double* plyorientation,
                    const double* plythickness, int nplies, int sec, int empty) {
    const std::ptrdiff_t off = static_cast<std::ptrdiff_t>(nplies) * sec;
    Stack s{plyelastic + 9 * off, plyorientation + off, plythickness + off,
            section_plies(sectionlist + off, nplies, empty)};
    if (all_zero(s.elastic, 9 * static_cast<std::ptrdiff_t>(s.n))) s.n = 0;
    return s;
}

}  // namespace tvk::laminate

namespace {

lm::Stack stack(const double* e, const double* ang, const double* t, const int* n) {
    return {e, ang, t, *n};
}

// Bottom of ply k (0-based) of the stack whose bottom lies at s: s plus the thicknesses below,
// summed from the bottom ply up.
double bottom(const double* t, int k, double s) {
    double cum = 0.0;
    for (int m = 0; m < k; ++m) cum += t[m];
    return s + cum;
}

void zero(double* a, std::ptrdiff_t n) {
    if (n > 0) std::memset(a, 0, sizeof(double) * static_cast<std::size_t>(n));
}

// Partial A (power 1) or B (power 2) of the entry points: the ply index checked first.
void checked_partial(double* x, const lm::Stack& s, double zcrd, int iply, int power,
                     const char* name) {
    if (iply < 1 || iply > s.n) {
        zero(x, 9);
        tvk::report(-3, std::string("Ply index out of range in ") + name, iply, s.n);
        return;
    }
    lm::partial(x, s, zcrd, iply - 1, power);
}

}  // namespace

double GetPlyZCoord(const double* plythickness, const int* iply, const int* nplies,
                    const int* zpos, const double* refoffset) {
    const int n = *nplies, k = *iply;
    if (k < 1 || k > n) {
        tvk::report(-3, "Ply index out of range in GetPlyZCoord", k, n);
        return 0.0;
    }
    double total = 0.0;
    for (int m = 0; m < n; ++m) total += plythickness[m];
    double s = -0.5 * total;
    if (refoffset) s -= *refoffset;
    if (*zpos == 2) return bottom(plythickness, k, s);
    const double z = bottom(plythickness, k - 1, s);
    return *zpos == 1 ? z + 0.5 * plythickness[k - 1] : z;
}

void GetSectionZCoord(double* plyzcoord, const int* sectionlist, const double* plythickness,
                      const int* nplies, const int* nsec, const int* defint) {
    const int np = *nplies, ns = *nsec;
    if (np < 0 || ns < 1) return;
    const std::ptrdiff_t rows = 2 * static_cast<std::ptrdiff_t>(np) + 1;  // 64 bits: np may be INT_MAX
    zero(plyzcoord, rows * ns);
    const int empty = defint ? *defint : tvk::defint;
    for (int sec = 0; sec < ns; ++sec) {
        const int* col = sectionlist + static_cast<std::ptrdiff_t>(np) * sec;
        const int n = lm::section_plies(col, np, empty);
        if (n < 1) continue;  // no plies: the column stays 0 (its top, entry 1, is 0 as well)
        const double* t = plythickness + static_cast<std::ptrdiff_t>(np) * sec;
        double* z = plyzcoord + rows * sec;
        double total = 0.0;
        for (int k = 0; k < n; ++k) total += t[k];
        const double s = -0.5 * total;
        double cum = 0.0;
        for (std::ptrdiff_t k = 0; k < n; ++k) {
            z[2 * k] = s + cum;
            z[2 * k + 1] = z[2 * k] + 0.5 * t[k];
            cum += t[k];
        }
        z[2 * static_cast<std::ptrdiff_t>(n)] = s + cum;
    }
}

void GetAMatrix(double* a, const double* plyelastic, const double* plyorientation,
                const double* plythickness, const int* nplies) {
    lm::abd(stack(plyelastic, plyorientation, plythickness, nplies), a, nullptr, nullptr);
}

void GetBMatrix(double* b, const double* plyelastic, const double* plyorientation,
                const double* plythickness, const int* nplies) {
    lm::abd(stack(plyelastic, plyorientation, plythickness, nplies), nullptr, b, nullptr);
}

void GetDMatrix(double* d, const double* plyelastic, const double* plyorientation,
                const double* plythickness, const int* nplies) {
    lm::abd(stack(plyelastic, plyorientation, plythickness, nplies), nullptr, nullptr, d);
}

void GetABDMatrix(double* abd, const double* a, const double* b, const double* d) {
    double m[36];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            m[i + 6 * j] = a[i + 3 * j];
            m[i + 3 + 6 * j] = b[i + 3 * j];
            m[i + 6 * (j + 3)] = b[i + 3 * j];
            m[i + 3 + 6 * (j + 3)] = d[i + 3 * j];
        }
    std::memcpy(abd, m, sizeof m);
}

void GetPartialAMatrix(double* aprt, const double* plyelastic, const double* plyorientation,
                       const double* plythickness, const double* zcrd, const int* iply,
                       const int* nplies) {
    checked_partial(aprt, stack(plyelastic, plyorientation, plythickness, nplies), *zcrd, *iply, 1,
            "GetPartialAMatrix");
}

void GetPartialBMatrix(double* bprt, const double* plyelastic, const double* plyorientation,
                       const double* plythickness, const double* zcrd, const int* iply,
                       const int* nplies) {
    checked_partial(bprt, stack(plyelastic, plyorientation, plythickness, nplies), *zcrd, *iply, 2,
            "GetPartialBMatrix");
}

void GetReducedBendingStiffness(double* dred, const double* a, const double* b, const double* d) {
    lm::reduce(a, b, d, dred, nullptr, false);
}

void GetABDTilde(const double* a, const double* b, const double* d, double* atstar,
                 double* btstar, double* dtstar) {
    double ainv[9], ba[9], ab[9], dt[9], bt[9], at[9];
    tvk::la::inverse(a, ainv, 3);
    lm::reduce(a, b, d, dt, ab, true);
    lm::mul3(b, ainv, ba);
    lm::mul3(dt, ba, bt);
    lm::mul3(ab, bt, at);
    for (int i = 0; i < 9; ++i) at[i] += ainv[i];
    std::memcpy(atstar, at, sizeof at);
    std::memcpy(btstar, bt, sizeof bt);
    std::memcpy(dtstar, dt, sizeof dt);
}

void GetArbitraryLaminateIntegral(double* xint, const int* expo, const double* plyprops,
                                  const double* plyorientation, const double* plyzcoord,
                                  const int* plysectionpoint, const int* nzcrd, const int* nplies,
                                  const int* nprops, const int* thflag) {
    const bool thermal = thflag && *thflag == 1;
    const int w = thermal ? 1 : 3, nz = *nzcrd, np = *nplies, e = *expo, nr = *nprops;
    if (nz < 1) return;
    const std::ptrdiff_t width = 3 * w;
    zero(xint, width * nz);
    if (!lm::integral_layout_fits(plysectionpoint, np, nz, "GetArbitraryLaminateIntegral")) return;
    if (nr < (thermal ? 11 : 9)) {
        tvk::report(-2, "Too few ply properties in GetArbitraryLaminateIntegral", nr);
        return;
    }
    if (e == 0) {
        tvk::report(-3, "Zero exponent in GetArbitraryLaminateIntegral");
        return;
    }
    double x[9] = {}, y[9];
    double p0 = std::pow(plyzcoord[0], e);
    int i = 1;
    for (int k = 0; k < np; ++k) {
        const int cnt = plysectionpoint[k];
        if (cnt < 1) continue;
        lm::ply_integrand(y, plyprops + static_cast<std::ptrdiff_t>(nr) * k, plyorientation[k],
                          thermal);
        double wl = 0.0;
        for (int j = 0; j < cnt; ++j, ++i) {
            wl = (std::pow(plyzcoord[i], e) - p0) / e;
            double* xi = xint + width * i;
            for (int m = 0; m < width; ++m) xi[m] = x[m] + wl * y[m];
        }
        for (int m = 0; m < width; ++m) x[m] += wl * y[m];
        p0 = std::pow(plyzcoord[i - 1], e);
    }
}

double GetEffectivePlateStiffness(const double* plyelastic, const double* plyorientation,
                                  const double* plythickness, const int* nplies) {
    double d[9];
    lm::abd(stack(plyelastic, plyorientation, plythickness, nplies), nullptr, nullptr, d);
    const double d11 = d[0], d22 = d[4], d12 = d[3], d66 = d[8], g = std::sqrt(d11 * d22);
    return std::sqrt(d11 * d22 * 0.5 * (1.0 + (d12 + 2.0 * d66) / g));
}
