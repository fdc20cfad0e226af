// Element frames, nodal frames and curvatures of shell elements.
#include "frames.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/tensor.h"
#include "elementtables.h"
#include "orientation.h"
#include "shell.h"
#include "vec3.h"

using namespace tvk::elements;

namespace {

constexpr double quarter_pi = 0.7853981633974483;
constexpr double half_pi = 1.5707963267948966;
constexpr double inv_sqrt2 = 0.7071067811865475;
constexpr int max_nodes = 8;

constexpr double tria_nodes[6][2] = {{0, 0}, {1, 0}, {0, 1}, {0.5, 0}, {0.5, 0.5}, {0, 0.5}};
constexpr double quad_nodes[8][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}};

bool shell_nodes(int n) { return n == 6 || n == 8; }

void shape_at(double* nshape, int inodes, double xi, double eta) {
    if (inodes == 6)
        Tria6ShapeFunMatrix(nshape, &xi, &eta);
    else
        Quad8ShapeFunMatrix(nshape, &xi, &eta);
}

Vec3 node(const double* on, int i) { return {on[i], on[i + max_nodes], on[i + 2 * max_nodes]}; }

// The natural tangents rr = sum of dN/dxi times the nodes, rs the same with dN/deta.
void tangents(const double* nshape, int inodes, const double* on, Vec3& rr, Vec3& rs) {
    rr = rs = Vec3{};
    for (int i = 0; i < inodes; ++i) {
        rr = rr + nshape[i + inodes] * node(on, i);
        rs = rs + nshape[i + 2 * inodes] * node(on, i);
    }
}

Vec3 rotated(const Vec3& axis, const Vec3& p, double angle_d) {
    Vec3 out;
    CoordinateRotation(axis.data(), p.data(), out.data(), &angle_d);
    return out;
}

void report_nodes() { tvk::report(-3, "Unknown or invalid number of nodes"); }

}  // namespace

void GetNodalShape(double* nshape, const int* locnode, const int* inodes) {
    const int n = *inodes, k = *locnode;
    if (!shell_nodes(n)) {
        report_nodes();
        return;
    }
    if (k < 1 || k > n) {
        std::fill(nshape, nshape + 6 * n, 0.0);
        report_nodes();
        return;
    }
    const double* c = n == 6 ? tria_nodes[k - 1] : quad_nodes[k - 1];
    shape_at(nshape, n, c[0], c[1]);
}

void GetNodalTransformation(double* ti, const double* on, const int* inodes) {
    std::fill(ti, ti + 9 * max_nodes, 0.0);
    const int n = *inodes;
    if (!shell_nodes(n)) {
        report_nodes();
        return;
    }
    double nshape[max_nodes * 6];
    for (int k = 1; k <= n; ++k) {
        GetNodalShape(nshape, &k, &n);
        Vec3 rr, rs;
        tangents(nshape, n, on, rr, rs);
        const Vec3 g1 = unit(rr), g2 = unit(rs), e3 = unit(cross(rr, rs));
        // e1, e2 symmetric about the bisector of the two tangents.
        const Vec3 a = g1 + g2, b = cross(e3, a);
        const Vec3 e2 = inv_sqrt2 * (unit(a) + unit(b)), e1 = cross(e2, e3);
        set_rows(ti + 9 * (k - 1), e1, e2, e3);
    }
}

// Principal curvatures and their direction.
//
// The rule for delta is the one this system has always used; its convention is not the same in
// every case, and callers must not read more into it than this:
//  * general case (|k12| > 1e-6): delta = atan(2 k12 / (k1 - k2)) / 2, plus pi/2 when the larger
//    curvature a is positive. atan folds the sign of k1 - k2 into the angle, so the result is the
//    direction of a in some cases and that of the other curvature b in others: for a convex
//    cylinder z = (x cos t + y sin t)^2 / (2R) it gives t + 90 degrees (the generator) for t below
//    45 degrees and t (the curved direction) above; a concave cylinder shows the opposite pattern;
//  * k12 = 0: 0 (the element x axis) when both k1 and k2 are non-zero, but -+pi/2 by the sign of
//    a when only k1 is (a cylinder curved along x gets its generator, the y axis);
//  * the near-equality test |k1/k2| ~ 1 that sets delta to 0 (spheres) uses the element-axis
//    components, so a cylinder at 45 or 135 degrees (k1 = k2) also gets 0.
// delta overrides the reference orientation in GetElementTransformation.
void GetCurvatures(double* delta, double* kappa, const double* nshape, const double* lncoords, const int* inodes) {
    *delta = 0.0;
    kappa[0] = kappa[1] = 0.0;
    const int n = *inodes;
    if (n < 1 || n > max_nodes) {
        report_nodes();
        return;
    }
    double jac[4] = {}, ncoords[3 * max_nodes];
    for (int i = 0; i < n; ++i) {
        const double x = lncoords[i], y = lncoords[i + n], dxi = nshape[i + n], deta = nshape[i + 2 * n];
        jac[0] += x * dxi;
        jac[2] += y * dxi;
        jac[1] += x * deta;
        jac[3] += y * deta;
        for (int c = 0; c < 3; ++c) ncoords[3 * i + c] = lncoords[i + n * c];
    }
    double jacinv[4], jac1[9], jac1inv[9], jac2[6], jac3[6] = {};
    const double zero = 0.0;
    ShellJacobianInverse(jacinv, jac);
    ShellFirstDerivJacobian(jac1, jac);
    ShellFirstDerivJacobianInverse(jac1inv, jac1);
    ShellSecondDerivJacobian(jac2, nshape, ncoords, &n, &zero, &zero);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) jac3[r + 3 * c] = jac2[r] * jacinv[2 * c] + jac2[r + 3] * jacinv[1 + 2 * c];
    double k1 = 0.0, k2 = 0.0, k12 = 0.0;
    for (int i = 0; i < n; ++i) {
        const double dxi = nshape[i + n], deta = nshape[i + 2 * n], z = lncoords[i + 2 * n];
        double v[3];
        for (int r = 0; r < 3; ++r) v[r] = nshape[i + (3 + r) * n] - (jac3[r] * dxi + jac3[r + 3] * deta);
        k1 += z * (jac1inv[0] * v[0] + jac1inv[3] * v[1] + jac1inv[6] * v[2]);
        k2 += z * (jac1inv[1] * v[0] + jac1inv[4] * v[1] + jac1inv[7] * v[2]);
        k12 += z * (jac1inv[2] * v[0] + jac1inv[5] * v[1] + jac1inv[8] * v[2]);
    }
    const double m = (k1 + k2) / 2.0, r = std::sqrt((k1 - k2) * (k1 - k2) / 4.0 + k12 * k12);
    const double a = std::fabs(m + r) > std::fabs(m - r) ? m + r : m - r;
    const double b = a == m + r ? m - r : m + r;
    if (std::fabs(a) >= 1e-6) {
        kappa[0] = a;
        kappa[1] = std::fabs(a / b) > 20.0 ? 0.0 : b;
    }
    double d = 0.0;
    if (std::fabs(k12) > 1e-6) {
        d = std::atan(2.0 * k12 / (k1 - k2)) / 2.0;
        if (a > 0.0) d += half_pi;
    } else if (std::fabs(k1) >= 1e-6 && std::fabs(k2) < 1e-6) {
        d = a < 0.0 ? -half_pi : half_pi;
    }
    if (std::fabs(std::fabs(k1 / k2) - 1.0) < 0.01) d = 0.0;
    *delta = d;
}

void GetElementTransformation(double* tcurv, double* origin, double* kappa, const double* on, const double* refdir,
                              const int* inodes) {
    std::fill(tcurv, tcurv + 9, 0.0);
    std::fill(origin, origin + 3, 0.0);
    kappa[0] = kappa[1] = 0.0;
    const int n = *inodes;
    if (!shell_nodes(n)) {
        tvk::report(-3, "Unknown or unsupported element type.");
        return;
    }
    double nshape[max_nodes * 6];
    shape_at(nshape, n, 0.0, 0.0);
    Vec3 rr, rs;
    tangents(nshape, n, on, rr, rs);
    const Vec3 g1 = unit(rr), g2 = unit(rs), g3 = unit(cross(rr, rs));
    Vec3 o, e1, t1, t2;  // origin, base axis, first two rows of the provisional frame
    if (n == 6) {
        // The corner facing the longest edge (the first of equal ones).
        const double len[3] = {norm(node(on, 1) - node(on, 2)), norm(node(on, 0) - node(on, 2)),
                               norm(node(on, 0) - node(on, 1))};
        int c = 0;
        for (int k = 1; k < 3; ++k)
            if (len[k] > len[c]) c = k;
        o = node(on, c);
        e1 = t1 = g1;
        t2 = g2;
    } else {
        o = 0.25 * (node(on, 0) + node(on, 1) + node(on, 2) + node(on, 3));
        const double turn = -(quarter_pi - std::acos(std::clamp(dot(g1, g2), -1.0, 1.0)) / 2.0);
        e1 = t1 = rotated(g3, g1, turn * tvk::rad2deg);
        t2 = cross(g3, e1);
    }
    // Of the two reference directions the one more nearly parallel to the turned base axis.
    const Vec3 r12 = node(on, 1) - node(on, 0), rref = rotated(g3, e1, refdir[0]);
    const Vec3 so1 = load(refdir + 1), so2 = load(refdir + 4);
    const Vec3 so = norm(cross(rref, so2)) > norm(cross(rref, so1)) ? so1 : so2;
    double theta = 0.0;
    GetSectionRefOrientation(&theta, so.data(), g3.data(), r12.data());

    double ln[3 * max_nodes];
    for (int i = 0; i < n; ++i) {
        const Vec3 d = node(on, i) - o;
        ln[i] = dot(t1, d);
        ln[i + n] = dot(t2, d);
        ln[i + 2 * n] = dot(g3, d);
    }
    double delta = 0.0;
    GetCurvatures(&delta, kappa, nshape, ln, &n);

    double angle = 0.0;
    if (theta != 0.0) angle = theta * tvk::rad2deg;
    if (delta != 0.0) angle = delta * tvk::rad2deg;
    const Vec3 e1p = rotated(g3, e1, angle), e2p = cross(g3, e1p);
    set_rows(tcurv, e1p, e2p, g3);
    std::copy(o.begin(), o.end(), origin);
}

void GetNodeReferenceData(int* lop, const int* tflag) {
    using namespace tvk;
    *lop = 1;
    const auto& ed = elementdata;
    const auto& nd = nodaldata;
    if (!ed.elemkind.present() || !nd.nodalcoords.present() || !nd.tcurvmatrices.present() ||
        !nd.tnodalmatrices.present() || !ed.elemcurvatures.present() || !ed.elemreforientation.present() ||
        ed.nelem < 1) {
        *lop = 0;
        report(-1, "Note: element tables missing in GetNodeReferenceData.");
        return;
    }
    if (coords_local()) {
        *lop = 0;
        report(-1, "Note: nodal coordinates already local in GetNodeReferenceData.");
        return;
    }
    const auto kind = ed.elemkind.view();
    const auto nodes = ed.elemnodes.view();
    const auto nc = nd.nodalcoords.view();
    const auto tn = nd.tnodalmatrices.view();
    const auto tc = nd.tcurvmatrices.view();
    const auto cu = ed.elemcurvatures.view();
    const auto ro = ed.elemreforientation.view();
    const long long width = nc.extent(2);
    const bool keep_global = tflag && *tflag == 1;
    bool converted = false;
    for (int e = 1; e <= ed.nelem && kind.has(e); ++e) {
        const int k = kind(e);
        int inodes = 0;
        switch (k) {
            case 0: case 6: case 7: case 9: case 10: case 11:
                continue;
            case 4: case 5:
                inodes = 8;
                break;
            case 8:
                // A 6-node triangle only when its mid-side nodes are given (STRI3 has none).
                if (!nodes.has(6, e) || nodes(4, e) == 0 || nodes(5, e) == 0 || nodes(6, e) == 0) continue;
                inodes = 6;
                break;
            case 1: case 2: case 3: {
                if (width != 8 || !nc.has(3, 8, e)) continue;
                bool distinct = false;
                for (int i = 6; i <= 8; ++i)
                    for (int c = 1; c <= 3; ++c) distinct = distinct || nc(c, i, e) != nc(c, 5, e);
                if (!distinct) continue;
                inodes = 8;
                break;
            }
            default:
                if (converted) mark_coords_local();
                *lop = -3;
                report(-3, "Unknown element type detected", k, e);
                return;
        }
        if (!nc.has(3, inodes, e) || !tn.has(3, 3, 8, e) || !tc.has(3, 3, e) || !cu.has(2, e) || !ro.has(7, e))
            continue;
        double on[3 * max_nodes] = {}, origin[3];
        for (int i = 1; i <= inodes; ++i)
            for (int c = 1; c <= 3; ++c) on[(i - 1) + max_nodes * (c - 1)] = nc(c, i, e);
        GetNodalTransformation(&tn(1, 1, 1, e), on, &inodes);
        GetElementTransformation(&tc(1, 1, e), origin, &cu(1, e), on, &ro(1, e), &inodes);
        if (keep_global) continue;
        const double* t = &tc(1, 1, e);
        for (int i = 1; i <= inodes; ++i) {
            const Vec3 d = node(on, i - 1) - load(origin);
            for (int r = 0; r < 3; ++r) nc(r + 1, i, e) = t[r] * d[0] + t[r + 3] * d[1] + t[r + 6] * d[2];
        }
        converted = true;
    }
    if (converted) mark_coords_local();
    *lop = 0;
}
