// Shell kinematics: in-plane first and second derivatives of the shape functions through the
// chain rule of the isoparametric map,
//   [N_xi; N_eta] = J [N_x; N_y],
//   [N_xixi; N_etaeta; N_xieta] = J1 [N_xx; N_yy; N_xy] + J2 [N_x; N_y],
// so [N_xx; N_yy; N_xy] = J1^-1 ([N_xixi; N_etaeta; N_xieta] - J2 J^-1 [N_xi; N_eta]).
// Work arrays are fixed (8 nodes at most) and live on the stack.
#include "shell.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "shapefunctions.h"

namespace {

constexpr int max_nodes = 8;

// Fills a shape-function matrix (nrows x ncols, column-major) from per-node evaluations.
template <class Eval>
void fill_matrix(double* nshape, int nrows, int ncols, Eval eval) {
    for (int k = 0; k < nrows; ++k) {
        const tvk::shape::NodeShape s = eval(k);
        const double cols[9] = {s.n,          s.d[0],       s.d[1],       s.dd[0][0], s.dd[1][1],
                                s.dd[0][1],   0.0,          0.0,          0.0};
        for (int c = 0; c < ncols; ++c) nshape[k + nrows * c] = cols[c];
    }
}

bool supported(int inodes) { return inodes == 6 || inodes == 8; }

void report_unsupported() { tvk::report(-3, "Unknown or unsupported element type."); }

// Shape-function matrix (inodes, 6) of the triangle or the quadrilateral.
void shell_shape(double* nshape, int inodes, double xi, double eta) {
    if (inodes == 6)
        Tria6ShapeFunMatrix(nshape, &xi, &eta);
    else
        Quad8ShapeFunMatrix(nshape, &xi, &eta);
}

void jacobian(double* jac, const double* nshape, const double* ncoords, int inodes) {
    double j[4] = {0.0, 0.0, 0.0, 0.0};
    for (int k = 0; k < inodes; ++k) {
        const double x = ncoords[3 * k], y = ncoords[3 * k + 1];
        const double dxi = nshape[k + inodes], deta = nshape[k + 2 * inodes];
        j[0] += x * dxi;   // (1,1)
        j[2] += y * dxi;   // (1,2)
        j[1] += x * deta;  // (2,1)
        j[3] += y * deta;  // (2,2)
    }
    std::memcpy(jac, j, sizeof j);
}

// Everything a node's in-plane derivatives need at one point.
struct ShellPoint {
    int inodes = 0;
    double nshape[max_nodes * 6] = {};
    double jacinv[4] = {};
    double jac1inv[9] = {};
    double jac3[6] = {};  // J2 J^-1, 3x2

    // Value and in-plane first derivatives of node k.
    void first(int k, double& n, double& nx, double& ny) const {
        n = nshape[k];
        const double dxi = nshape[k + inodes], deta = nshape[k + 2 * inodes];
        nx = jacinv[0] * dxi + jacinv[2] * deta;
        ny = jacinv[1] * dxi + jacinv[3] * deta;
    }
    // In-plane second derivatives (xx, yy, xy) of node k.
    void second(int k, double& nxx, double& nyy, double& nxy) const {
        const double dxi = nshape[k + inodes], deta = nshape[k + 2 * inodes];
        double v[3];
        for (int r = 0; r < 3; ++r)
            v[r] = nshape[k + (3 + r) * inodes] - (jac3[r] * dxi + jac3[r + 3] * deta);
        nxx = jac1inv[0] * v[0] + jac1inv[3] * v[1] + jac1inv[6] * v[2];
        nyy = jac1inv[1] * v[0] + jac1inv[4] * v[1] + jac1inv[7] * v[2];
        nxy = jac1inv[2] * v[0] + jac1inv[5] * v[1] + jac1inv[8] * v[2];
    }
};

// Sets up the point; false (after the report) for an unsupported element.
bool setup(ShellPoint& p, const double* ncoords, int inodes, double xi, double eta, bool second) {
    if (!supported(inodes)) {
        report_unsupported();
        return false;
    }
    p.inodes = inodes;
    double jac[4];
    shell_shape(p.nshape, inodes, xi, eta);
    jacobian(jac, p.nshape, ncoords, inodes);
    ShellJacobianInverse(p.jacinv, jac);
    if (second) {
        double jac1[9], jac2[6];
        ShellSecondDerivJacobian(jac2, p.nshape, ncoords, &inodes, &xi, &eta);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c)
                p.jac3[r + 3 * c] = jac2[r] * p.jacinv[2 * c] + jac2[r + 3] * p.jacinv[1 + 2 * c];
        ShellFirstDerivJacobian(jac1, jac);
        ShellFirstDerivJacobianInverse(p.jac1inv, jac1);
    }
    return true;
}

// x derivatives of rows 7 and 8 of b: row 1 w N_xy, rotation x -N_x; row 2 w N_xx, rotation y N_x.
void xderiv_b(double* xb, const double* ncoords, int inodes, double xi, double eta) {
    std::fill(xb, xb + 80, 0.0);
    ShellPoint p;
    if (!setup(p, ncoords, inodes, xi, eta, true)) return;
    for (int k = 0; k < inodes; ++k) {
        double n, nx, ny, nxx, nyy, nxy;
        p.first(k, n, nx, ny);
        p.second(k, nxx, nyy, nxy);
        double* c = xb + 2 * 5 * k;  // column 5k+1, rows 1-2
        c[2 * 2] = nxy;
        c[2 * 3] = -nx;
        c[2 * 2 + 1] = nxx;
        c[2 * 4 + 1] = nx;
    }
}

// y derivatives of rows 7 and 8 of b: row 1 w N_yy, rotation x -N_y; row 2 w N_xy, rotation y N_y.
void yderiv_b(double* yb, const double* ncoords, int inodes, double xi, double eta) {
    std::fill(yb, yb + 80, 0.0);
    ShellPoint p;
    if (!setup(p, ncoords, inodes, xi, eta, true)) return;
    for (int k = 0; k < inodes; ++k) {
        double n, nx, ny, nxx, nyy, nxy;
        p.first(k, n, nx, ny);
        p.second(k, nxx, nyy, nxy);
        double* c = yb + 2 * 5 * k;
        c[2 * 2] = nyy;
        c[2 * 3] = -ny;
        c[2 * 2 + 1] = nxy;
        c[2 * 4 + 1] = ny;
    }
}

// r = hmat (db u) for a (2,40) derivative matrix db.
void shear_force_derivative(double* r, const double* db, const double* u, const double* hmat) {
    double pre[2] = {0.0, 0.0};
    for (int c = 0; c < 40; ++c) {
        pre[0] += db[2 * c] * u[c];
        pre[1] += db[2 * c + 1] * u[c];
    }
    r[0] = hmat[0] * pre[0] + hmat[2] * pre[1];
    r[1] = hmat[1] * pre[0] + hmat[3] * pre[1];
}

}  // namespace

void Quad4ShapeFunMatrix(double* nshape, const double* xi, const double* eta) {
    fill_matrix(nshape, 4, 3, [&](int k) { return tvk::shape::quad4(*xi, *eta, k); });
}

void Tria6ShapeFunMatrix(double* nshape, const double* xi, const double* eta) {
    fill_matrix(nshape, 6, 6, [&](int k) { return tvk::shape::tria6(*xi, *eta, k); });
}

void Quad8ShapeFunMatrix(double* nshape, const double* xi, const double* eta) {
    fill_matrix(nshape, 8, 6, [&](int k) { return tvk::shape::quad8(*xi, *eta, k); });
}

void Hex8ShapeFunMatrix(double* nshape, const double* xi, const double* eta, const double* zeta) {
    for (int k = 0; k < 8; ++k) {
        const tvk::shape::NodeShape s = tvk::shape::hex8(*xi, *eta, *zeta, k);
        const double cols[9] = {s.n, s.d[0], s.d[1], s.d[2], 0.0, 0.0, 0.0, s.dd[0][1], s.dd[0][2]};
        for (int c = 0; c < 9; ++c) nshape[k + 8 * c] = cols[c];
    }
}

void ShellJacobian(double* jac, double* nshape, const double* ncoords, const int* inodes, const double* xi,
                   const double* eta) {
    const int n = std::max(*inodes, 0);
    std::fill(jac, jac + 4, 0.0);
    std::fill(nshape, nshape + 6 * n, 0.0);
    if (!supported(n)) {
        report_unsupported();
        return;
    }
    shell_shape(nshape, n, *xi, *eta);
    jacobian(jac, nshape, ncoords, n);
}

void ShellJacobianInverse(double* jacinv, const double* jac) {
    const double det = jac[0] * jac[3] - jac[2] * jac[1];
    const double inv[4] = {jac[3] / det, -jac[1] / det, -jac[2] / det, jac[0] / det};
    std::memcpy(jacinv, inv, sizeof inv);
}

void ShellFirstDerivJacobian(double* jac1, const double* jac) {
    const double j11 = jac[0], j21 = jac[1], j12 = jac[2], j22 = jac[3];
    const double m[9] = {j11 * j11,       j21 * j21,       j11 * j21,                   // column 1
                         j12 * j12,       j22 * j22,       j12 * j22,                   // column 2
                         2.0 * j11 * j12, 2.0 * j21 * j22, j12 * j21 + j11 * j22};      // column 3
    std::memcpy(jac1, m, sizeof m);
}

void ShellFirstDerivJacobianInverse(double* jac1inv, const double* jac1) {
    auto a = [jac1](int r, int c) { return jac1[r + 3 * c]; };
    // Cofactors C(r,c); the inverse is C^T / det.
    double cof[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            cof[r + 3 * c] = a(r1, c1) * a(r2, c2) - a(r1, c2) * a(r2, c1);
        }
    const double det = a(0, 0) * cof[0] + a(0, 1) * cof[3] + a(0, 2) * cof[6];
    double inv[9] = {};
    if (det == 0.0) {
        tvk::report(-3, "Singular first derivative of jacobian");
    } else {
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) inv[r + 3 * c] = cof[c + 3 * r] / det;
    }
    std::memcpy(jac1inv, inv, sizeof inv);
}

void ShellSecondDerivJacobian(double* jac2, const double* nshape, const double* ncoords, const int* inodes,
                              const double*, const double*) {
    const int n = std::max(*inodes, 0);
    double j2[6] = {};
    for (int k = 0; k < n; ++k) {
        const double x = ncoords[3 * k], y = ncoords[3 * k + 1];
        for (int r = 0; r < 3; ++r) {
            const double d2 = nshape[k + (3 + r) * n];
            j2[r] += d2 * x;
            j2[r + 3] += d2 * y;
        }
    }
    std::memcpy(jac2, j2, sizeof j2);
}

void ShellBMatrix(double* b, const double* ncoords, const int* inodes, const double* xi, const double* eta) {
    std::fill(b, b + 8 * 40, 0.0);
    ShellPoint p;
    if (!setup(p, ncoords, *inodes, *xi, *eta, false)) return;
    for (int k = 0; k < p.inodes; ++k) {
        double n, nx, ny;
        p.first(k, n, nx, ny);
        double* c = b + 8 * 5 * k;  // column 5k+1
        auto at = [c](int row, int dof) -> double& { return c[(row - 1) + 8 * dof]; };
        at(1, 0) = nx;
        at(2, 1) = ny;
        at(3, 0) = ny;
        at(3, 1) = nx;
        at(4, 4) = nx;
        at(5, 3) = -ny;
        at(6, 3) = -nx;
        at(6, 4) = ny;
        at(7, 2) = ny;
        at(7, 3) = -n;
        at(8, 2) = nx;
        at(8, 4) = n;
    }
}

void ShellxDerivBMatrix(double* xderivb, const double* ncoords, const int* inodes, const double* xi,
                        const double* eta) {
    xderiv_b(xderivb, ncoords, *inodes, *xi, *eta);
}

void ShellyDerivBMatrix(double* yderivb, const double* ncoords, const int* inodes, const double* xi,
                        const double* eta) {
    yderiv_b(yderivb, ncoords, *inodes, *xi, *eta);
}

void ShellxDerivShearForces(double* xderivr, const double* u, const double* hmat, const double* ncoords,
                            const int* inodes, const double* xi, const double* eta) {
    double xb[80];
    xderiv_b(xb, ncoords, *inodes, *xi, *eta);
    shear_force_derivative(xderivr, xb, u, hmat);
}

void ShellyDerivShearForces(double* yderivr, const double* u, const double* hmat, const double* ncoords,
                            const int* inodes, const double* xi, const double* eta) {
    double yb[80];
    yderiv_b(yb, ncoords, *inodes, *xi, *eta);
    shear_force_derivative(yderivr, yb, u, hmat);
}
