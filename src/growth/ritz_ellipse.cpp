// Ritz model of a buckled elliptical sublaminate (von Karman plate, clamped edge, eight
// coefficients) in the manner of H. Chai, C. D. Babcock (1985, J. Compos. Mater. 19) and
// G. A. Kardomateas (1993): strain energy, gradient and Hessian in closed form.
//
// Every field is a polynomial in the normalised coordinates (xi, eta) of total degree <= 10, and
// every integral the energy and its derivatives need is the integral over the unit disk of a
// product of two such polynomials, evaluated exactly with the disk moments
//   int xi^(2i) eta^(2j) = Gamma(i + 1/2) Gamma(j + 1/2) / Gamma(i + j + 2)   (odd powers: 0),
// so dx dy = a b dxi deta and d/dx = (1/a) d/dxi. Nothing is allocated.
#include "ritz_ellipse.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/linalg.h"

namespace {

constexpr int kDeg = 10;
constexpr int kMono = (kDeg + 1) * (kDeg + 2) / 2;  // 66 monomials xi^i eta^j, i + j <= 10

constexpr int mono(int i, int j) { return (i + j) * (i + j + 1) / 2 + j; }

struct Poly {
    std::array<double, kMono> c{};
};

// Exponents of each monomial.
struct Exponents {
    int i[kMono], j[kMono];
    constexpr Exponents() : i(), j() {
        for (int t = 0; t <= kDeg; ++t)
            for (int jj = 0; jj <= t; ++jj) {
                i[mono(t - jj, jj)] = t - jj;
                j[mono(t - jj, jj)] = jj;
            }
    }
};
constexpr Exponents kExp{};

// Disk moments m[p][q] = int over the unit disk of xi^p eta^q, p, q <= 20.
struct Moments {
    double m[2 * kDeg + 1][2 * kDeg + 1];
    Moments() {
        for (int p = 0; p <= 2 * kDeg; ++p)
            for (int q = 0; q <= 2 * kDeg; ++q)
                m[p][q] = (p % 2 || q % 2) ? 0.0
                                           : std::tgamma((p + 1) / 2.0) * std::tgamma((q + 1) / 2.0) /
                                                 std::tgamma((p + q) / 2.0 + 2.0);
    }
};
const Moments& moments() {
    static const Moments m;
    return m;
}

// Gram-weighted copy: (M f)_k = sum_l m(e_k + e_l) f_l, so that int f g = g . (M f).
Poly gram(const Poly& f) {
    const auto& m = moments().m;
    Poly r;
    for (int k = 0; k < kMono; ++k) {
        double s = 0.0;
        for (int l = 0; l < kMono; ++l)
            if (f.c[l] != 0.0) s += m[kExp.i[k] + kExp.i[l]][kExp.j[k] + kExp.j[l]] * f.c[l];
        r.c[k] = s;
    }
    return r;
}
double dot(const Poly& f, const Poly& g) {
    double s = 0.0;
    for (int k = 0; k < kMono; ++k) s += f.c[k] * g.c[k];
    return s;
}
double integral(const Poly& f, const Poly& g) { return dot(gram(f), g); }

// Products whose degree stays within 10 (guaranteed by the field degrees below).
Poly mul(const Poly& f, const Poly& g) {
    Poly r;
    for (int k = 0; k < kMono; ++k) {
        if (f.c[k] == 0.0) continue;
        for (int l = 0; l < kMono; ++l) {
            if (g.c[l] == 0.0) continue;
            const int i = kExp.i[k] + kExp.i[l], j = kExp.j[k] + kExp.j[l];
            if (i + j <= kDeg) r.c[mono(i, j)] += f.c[k] * g.c[l];
        }
    }
    return r;
}
Poly scaled(const Poly& f, double s) {
    Poly r;
    for (int k = 0; k < kMono; ++k) r.c[k] = s * f.c[k];
    return r;
}
void axpy(Poly& y, double s, const Poly& x) {
    for (int k = 0; k < kMono; ++k) y.c[k] += s * x.c[k];
}
Poly d_xi(const Poly& f) {
    Poly r;
    for (int k = 0; k < kMono; ++k)
        if (kExp.i[k] > 0) r.c[mono(kExp.i[k] - 1, kExp.j[k])] += kExp.i[k] * f.c[k];
    return r;
}
Poly d_eta(const Poly& f) {
    Poly r;
    for (int k = 0; k < kMono; ++k)
        if (kExp.j[k] > 0) r.c[mono(kExp.i[k], kExp.j[k] - 1)] += kExp.j[k] * f.c[k];
    return r;
}
Poly monomial(int i, int j, double v = 1.0) {
    Poly r;
    r.c[mono(i, j)] = v;
    return r;
}

// The shape functions of the Ritz field in normalised coordinates.
struct Basis {
    Poly ux[2], uy[2];            // d/dxi and d/deta of phi xi, phi eta (in-plane shapes)
    Poly sx[4], sy[4];            // d/dxi, d/deta of phi^2 s_k, s = (1, xi^2, eta^2, xi eta)
    Poly sxx[4], syy[4], sxy[4];  // second derivatives
    Basis() {
        Poly phi = monomial(0, 0);
        axpy(phi, -1.0, monomial(2, 0));
        axpy(phi, -1.0, monomial(0, 2));
        const Poly inplane[2] = {mul(phi, monomial(1, 0)), mul(phi, monomial(0, 1))};
        for (int k = 0; k < 2; ++k) {
            ux[k] = d_xi(inplane[k]);
            uy[k] = d_eta(inplane[k]);
        }
        const Poly phi2 = mul(phi, phi);
        const Poly s[4] = {monomial(0, 0), monomial(2, 0), monomial(0, 2), monomial(1, 1)};
        for (int k = 0; k < 4; ++k) {
            const Poly w = mul(phi2, s[k]);
            sx[k] = d_xi(w);
            sy[k] = d_eta(w);
            sxx[k] = d_xi(sx[k]);
            syy[k] = d_eta(sy[k]);
            sxy[k] = d_eta(sx[k]);
        }
    }
};
const Basis& basis() {
    static const Basis b;
    return b;
}

// The symmetric 3x3 blocks of the sublaminate stiffness, from the upper triangles.
struct Stiffness {
    double A[3][3], B[3][3], D[3][3];
    explicit Stiffness(const double* abd) {
        auto at = [abd](int r, int c) { return abd[r + 6 * c]; };
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const int lo = i < j ? i : j, hi = i < j ? j : i;
                A[i][j] = at(lo, hi);
                D[i][j] = at(3 + lo, 3 + hi);
                B[i][j] = at(lo, 3 + hi);
            }
    }
};

// Strains, curvatures and their first derivatives with respect to vec at the current state.
struct Fields {
    Poly eps[3], kap[3];
    Poly de[8][3];   // d eps_c / d vec_i
    Poly dk[8][3];   // d kappa_c / d vec_i (zero for the in-plane coefficients)
    Poly wx[4], wy[4], wxx[4], wyy[4], wxy[4];  // per r_k, physical derivatives
    Poly gx, gy;     // dw/dx, dw/dy

    Fields(const double* vec, const double* e0, double a, double b) {
        const Basis& s = basis();
        for (int k = 0; k < 4; ++k) {
            wx[k] = scaled(s.sx[k], 1.0 / a);
            wy[k] = scaled(s.sy[k], 1.0 / b);
            wxx[k] = scaled(s.sxx[k], 1.0 / (a * a));
            wyy[k] = scaled(s.syy[k], 1.0 / (b * b));
            wxy[k] = scaled(s.sxy[k], 1.0 / (a * b));
            axpy(gx, vec[4 + k], wx[k]);
            axpy(gy, vec[4 + k], wy[k]);
        }
        // In-plane: p -> u, q -> v.
        for (int k = 0; k < 2; ++k) {
            de[k][0] = scaled(s.ux[k], 1.0 / a);      // du/dx
            de[k][2] = scaled(s.uy[k], 1.0 / b);      // du/dy
            de[2 + k][1] = scaled(s.uy[k], 1.0 / b);  // dv/dy
            de[2 + k][2] = scaled(s.ux[k], 1.0 / a);  // dv/dx
        }
        for (int c = 0; c < 3; ++c) {
            eps[c] = monomial(0, 0, e0[c]);
            for (int i = 0; i < 4; ++i) axpy(eps[c], vec[i], de[i][c]);
        }
        axpy(eps[0], 0.5, mul(gx, gx));
        axpy(eps[1], 0.5, mul(gy, gy));
        axpy(eps[2], 1.0, mul(gx, gy));
        for (int k = 0; k < 4; ++k) {
            de[4 + k][0] = mul(gx, wx[k]);
            de[4 + k][1] = mul(gy, wy[k]);
            de[4 + k][2] = mul(gx, wy[k]);
            axpy(de[4 + k][2], 1.0, mul(gy, wx[k]));
            dk[4 + k][0] = scaled(wxx[k], -1.0);
            dk[4 + k][1] = scaled(wyy[k], -1.0);
            dk[4 + k][2] = scaled(wxy[k], -2.0);
            for (int c = 0; c < 3; ++c) axpy(kap[c], vec[4 + k], dk[4 + k][c]);
        }
    }
};

// N = A eps + B kappa and M = B eps + D kappa.
void resultants(const Fields& f, const Stiffness& k, Poly* n, Poly* m) {
    for (int c = 0; c < 3; ++c) {
        n[c] = Poly{};
        m[c] = Poly{};
        for (int d = 0; d < 3; ++d) {
            axpy(n[c], k.A[c][d], f.eps[d]);
            axpy(n[c], k.B[c][d], f.kap[d]);
            axpy(m[c], k.B[d][c], f.eps[d]);
            axpy(m[c], k.D[c][d], f.kap[d]);
        }
    }
}

double strain_energy(const double* vec, const double* eps, double a, double b, const double* abd) {
    const Fields f(vec, eps, a, b);
    const Stiffness k(abd);
    Poly n[3], m[3];
    resultants(f, k, n, m);
    // U = 1/2 int (eps . N + kappa . M).
    double u = 0.0;
    for (int c = 0; c < 3; ++c) u += integral(f.eps[c], n[c]) + integral(f.kap[c], m[c]);
    return 0.5 * a * b * u;
}

void gradient(double* g, const double* vec, const double* eps, double a, double b, const double* abd) {
    const Fields f(vec, eps, a, b);
    const Stiffness k(abd);
    Poly n[3], m[3];
    resultants(f, k, n, m);
    Poly gn[3], gm[3];
    for (int c = 0; c < 3; ++c) {
        gn[c] = gram(n[c]);
        gm[c] = gram(m[c]);
    }
    for (int i = 0; i < 8; ++i) {
        double s = 0.0;
        for (int c = 0; c < 3; ++c) s += dot(gn[c], f.de[i][c]) + (i >= 4 ? dot(gm[c], f.dk[i][c]) : 0.0);
        g[i] = a * b * s;
    }
}

void hessian(double* h, const double* vec, const double* eps, double a, double b, const double* abd) {
    const Fields f(vec, eps, a, b);
    const Stiffness k(abd);
    Poly n[3], m[3];
    resultants(f, k, n, m);
    // Stiffness-weighted derivative fields: (A de_j + B dk_j) and (B de_j + D dk_j), Gram-applied.
    Poly tn[8][3], tm[8][3];
    for (int j = 0; j < 8; ++j)
        for (int c = 0; c < 3; ++c) {
            Poly pn, pm;
            for (int d = 0; d < 3; ++d) {
                axpy(pn, k.A[c][d], f.de[j][d]);
                axpy(pn, k.B[c][d], f.dk[j][d]);
                axpy(pm, k.B[d][c], f.de[j][d]);
                axpy(pm, k.D[c][d], f.dk[j][d]);
            }
            tn[j][c] = gram(pn);
            tm[j][c] = gram(pm);
        }
    Poly gn[3];
    for (int c = 0; c < 3; ++c) gn[c] = gram(n[c]);
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i <= j; ++i) {
            double s = 0.0;
            for (int c = 0; c < 3; ++c) s += dot(tn[j][c], f.de[i][c]) + dot(tm[j][c], f.dk[i][c]);
            if (i >= 4) {
                // N . d2eps/dr_i dr_j: eps_x has w_x^2/2, eps_y w_y^2/2, gamma w_x w_y.
                const int p = i - 4, q = j - 4;
                Poly xy = mul(f.wx[p], f.wy[q]);
                axpy(xy, 1.0, mul(f.wy[p], f.wx[q]));
                s += dot(gn[0], mul(f.wx[p], f.wx[q])) + dot(gn[1], mul(f.wy[p], f.wy[q])) + dot(gn[2], xy);
            }
            h[i + 8 * j] = h[j + 8 * i] = a * b * s;
        }
}

// Cells of the contact grid: calls visit(h, xi, eta) for each cell centre. A grid of more than
// 10^8 cells (a very fine pitch, or an ellipse of extreme aspect ratio) would run for hours and is
// refused with a report, as is one whose positions could not advance by h.
template <class F>
bool for_each_cell(double a, double b, int nk, const char* who, F&& visit) {
    const double h = nk > 0 ? (a < b ? a : b) / nk : 3.0 * a;
    const double cells = (2.0 * a / h + 1.0) * (2.0 * b / h + 1.0);
    if (!(h > 0.0) || !std::isfinite(a) || !std::isfinite(b)) return false;
    if (!(cells <= 1e8) || a + h == a || b + h == b) {
        tvk::report(-3, tvk::compose(who, ": contact grid too fine."), nk);
        return false;
    }
    for (double x = h / 2.0 - a; x < a; x += h)
        for (double y = h / 2.0 - b; y < b; y += h) visit(h, x / a, y / b);
    return true;
}

// Penetration data of one cell: phi, the shape vector s and c = r . s; true when w < 0 inside.
bool penetrating(const double* vec, double xi, double eta, double& phi, double s[4], double& c) {
    phi = 1.0 - xi * xi - eta * eta;
    s[0] = 1.0;
    s[1] = xi * xi;
    s[2] = eta * eta;
    s[3] = xi * eta;
    c = vec[4] * s[0] + vec[5] * s[1] + vec[6] * s[2] + vec[7] * s[3];
    return phi > 0.0 && c < 0.0;
}

}  // namespace

double GetStrainEnergy8(const double* vec, const double* eps, const double* a, const double* b, const double* abd) {
    return strain_energy(vec, eps, *a, *b, abd);
}

void GetF8(double* f, const double* vec, const double* eps, const double* g0, const double* epsbucklin,
           const double* a, const double* b, const double* abd, const int* w) {
    gradient(f, vec, eps, *a, *b, abd);
    if (!*w) f[4] -= tvk::pi * *a * *b * *g0 * *epsbucklin * *epsbucklin / 10.0;
}

void GetdF8(double* df, const double* vec, const double* eps, const double*, const double* a, const double* b,
            const double* abd, const int*) {
    hessian(df, vec, eps, *a, *b, abd);
}

double GetContactEnergy8(const double* vec, const double* a, const double* b, const double* kmd, const int* nk) {
    double e = 0.0;
    for_each_cell(*a, *b, *nk, "GetContactEnergy8", [&](double h, double xi, double eta) {
        double phi, s[4], c;
        if (penetrating(vec, xi, eta, phi, s, c)) e += 0.5 * *kmd * h * h * c * c * std::pow(phi, 4);
    });
    return e;
}

double GetAreaOfOverlap8(const double* vec, const double* a, const double* b, const int* nk) {
    double area = 0.0;
    for_each_cell(*a, *b, *nk, "GetAreaOfOverlap8", [&](double h, double xi, double eta) {
        double phi, s[4], c;
        if (penetrating(vec, xi, eta, phi, s, c)) area += h * h;
    });
    return area;
}

void GetKdfKf8(double* km, double* kv, const double* vec, const double* a, const double* b, const double* kmd,
               const int* nk) {
    double m[16] = {}, v[4] = {};
    for_each_cell(*a, *b, *nk, "GetKdfKf8", [&](double h, double xi, double eta) {
        double phi, s[4], c;
        if (!penetrating(vec, xi, eta, phi, s, c)) return;
        const double wgt = *kmd * h * h * std::pow(phi, 4);
        for (int j = 0; j < 4; ++j) {
            v[j] += wgt * c * s[j];
            for (int i = 0; i < 4; ++i) m[i + 4 * j] += wgt * s[i] * s[j];
        }
    });
    std::memcpy(km, m, sizeof m);
    std::memcpy(kv, v, sizeof v);
}

void GetFdF8(double* fp, double* dfp, const double* vec, const double* eps, const double* g0,
             const double* epsbucklin, const double* a, const double* b, const double* kmd, const double* abd,
             const int* nk, const int* w) {
    double f[8], df[64], km[16], kv[4];
    GetF8(f, vec, eps, g0, epsbucklin, a, b, abd, w);
    hessian(df, vec, eps, *a, *b, abd);
    GetKdfKf8(km, kv, vec, a, b, kmd, nk);
    for (int i = 0; i < 4; ++i) {
        f[4 + i] += kv[i];
        for (int j = 0; j < 4; ++j) df[(4 + i) + 8 * (4 + j)] += km[i + 4 * j];
    }
    std::memcpy(fp, f, sizeof f);
    std::memcpy(dfp, df, sizeof df);
}

void NewtonRaphson8(double* sol, double* nrerr, const double* a, const double* b, const double* kmd,
                    const double* g0, const double* epsnom, const double* epsbucklin, const double* relepsellipse,
                    const double* abd, const double* tolerance, const int* maxiter, const int* nk, const int* w) {
    const double e0[3] = {*epsnom * relepsellipse[0], *epsnom * relepsellipse[1], *epsnom * relepsellipse[2]};
    double check = 0.0;
    for (int it = 1; it <= *maxiter; ++it) {
        double fp[8], dfp[64], inv[64];
        GetFdF8(fp, dfp, sol, e0, g0, epsbucklin, a, b, kmd, abd, nk, w);
        tvk::la::inverse(dfp, inv, 8);
        check = 0.0;
        for (int i = 0; i < 8; ++i) {
            double d = 0.0;
            for (int j = 0; j < 8; ++j) d += inv[i + 8 * j] * fp[j];
            sol[i] -= d;
            check += d * d;
        }
        // A step that is not finite can never converge: stop, and say so through an infinite
        // error (a NaN error would pass every caller's "nrerr > tolerance" test as converged).
        if (!std::isfinite(check)) {
            check = std::numeric_limits<double>::infinity();
            break;
        }
        if (check < *tolerance) break;
    }
    *nrerr = check;
}

namespace {
// Total potential: strain energy plus contact penalty.
double potential(const double* vec, const double* e0, double a, double b, double kmd, const double* abd, int nk) {
    return strain_energy(vec, e0, a, b, abd) + GetContactEnergy8(vec, &a, &b, &kmd, &nk);
}
}  // namespace

void GetEnergyReleaseRate8(double* serr, double* fa, double* fb, const double* vec, const double* a,
                           const double* b, const double* kmd, const double* g0, const double* epsnom,
                           const double* epsbucklin, const double* relepsellipse, const double* abd, const int* nk,
                           const int* w, const double* tol, const int* maxiter) {
    const double t = tol ? *tol : 1e-15;
    const int iters = maxiter ? *maxiter : 100;
    const double e0[3] = {*epsnom * relepsellipse[0], *epsnom * relepsellipse[1], *epsnom * relepsellipse[2]};
    double sol[8];
    std::memcpy(sol, vec, sizeof sol);
    *serr = 0.0;
    const double pi0 = potential(sol, e0, *a, *b, *kmd, abd, *nk);
    const double g1 = *epsnom * *epsnom * *g0;
    auto solve = [&](double sa, double sb) {
        double err = 0.0;
        NewtonRaphson8(sol, &err, &sa, &sb, kmd, g0, epsnom, epsbucklin, relepsellipse, abd, &t, &iters, nk, w);
        if (err > t) tvk::report(-2, "Error: No convergence while computing energy release rate!");
        return potential(sol, e0, sa, sb, *kmd, abd, *nk);
    };
    const double ia = 1.00001 * *a;
    const double pia = solve(ia, *b);
    const double ib = 1.00001 * *b;
    const double pib = solve(*a, ib);
    // Both rates divide by the same 1e-5 pi ia ib, so the comparison that picks the growing
    // semi-axis treats a and b alike.
    const double ga = g1 - ((pia - pi0) / (1e-5 * ia)) / (tvk::pi * ib);
    const double gb = g1 - ((pib - pi0) / (1e-5 * ib)) / (tvk::pi * ia);
    *fa = *fb = 1.0;
    if (ga >= gb) {
        *serr = ga;
        *fa = 1.001;
    } else {
        *serr = gb;
        *fb = 1.001;
    }
}
