// Rotations, tensor rotation and change of base, Euler angles, point transforms, polygon and
// ellipse measures and the percentile.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "core/errors.h"
#include "core/tensor.h"

namespace {

using M3 = std::array<double, 9>;
using T4 = std::array<double, 81>;
constexpr double pi = 3.141592653589793;

double& at(M3& m, int i, int j) { return m[i + 3 * j]; }

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

M3 rot(std::array<double, 3> n, double a) {
    M3 r;
    GetRotationMatrix(r.data(), n.data(), &a);
    return r;
}
M3 mul(const M3& a, const M3& b) {
    M3 c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) c[i + 3 * j] += a[i + 3 * k] * b[k + 3 * j];
    return c;
}
M3 transpose(const M3& a) {
    M3 t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[i + 3 * j] = a[j + 3 * i];
    return t;
}
void expect_near(const double* a, const double* b, int n, double tol) {
    for (int k = 0; k < n; ++k) EXPECT_NEAR(a[k], b[k], tol) << "entry " << k;
}

std::array<double, 3> random_axis(std::mt19937& g) {
    std::normal_distribution<double> nd;
    std::array<double, 3> n{nd(g), nd(g), nd(g)};
    const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (double& v : n) v /= l;
    return n;
}

}  // namespace

TEST(Tensor, RotationMatrixIsRightHandedAndOrthonormal) {
    const M3 r = rot({0, 0, 1}, pi / 2);
    const double e1[3] = {1, 0, 0};
    double out[3] = {};
    for (int i = 0; i < 3; ++i) out[i] = r[i] * e1[0];
    const double expect[3] = {0, 1, 0};
    expect_near(out, expect, 3, 1e-15);

    std::mt19937 g(7);
    std::uniform_real_distribution<double> ang(-pi, pi);
    for (int trial = 0; trial < 20; ++trial) {
        const auto n = random_axis(g);
        const double a = ang(g);
        const M3 r1 = rot(n, a), r2 = rot(n, -a);
        const M3 id = mul(r1, r2), rtr = mul(transpose(r1), r1);
        const M3 eye = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        expect_near(id.data(), eye.data(), 9, 1e-14);
        expect_near(rtr.data(), eye.data(), 9, 1e-14);
        for (int i = 0; i < 3; ++i)  // the axis is fixed
            EXPECT_NEAR(r1[i] * n[0] + r1[i + 3] * n[1] + r1[i + 6] * n[2], n[i], 1e-14);
    }
}

TEST(Tensor, SecondOrderRotationIsRtAR) {
    const M3 d = {1, 0, 0, 0, 2, 0, 0, 0, 3};
    M3 out;
    const double a = pi / 2;
    const M3 expect = {1, 0, 0, 0, 3, 0, 0, 0, 2};
    TensorRotation2nd(d.data(), out.data(), &a, nullptr);  // default axis x
    expect_near(out.data(), expect.data(), 9, 1e-14);
    const double zero[3] = {0, 0, 0};  // what an omitted axis becomes at the Python boundary
    TensorRotation2nd(d.data(), out.data(), &a, zero);
    expect_near(out.data(), expect.data(), 9, 1e-14);

    // Against R^T A R formed directly, the change of base with T = R^T, and the way back.
    std::mt19937 g(11);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 10; ++trial) {
        M3 A;
        for (double& v : A) v = u(g);
        const auto n = random_axis(g);
        const double ang = 3 * u(g);
        const M3 r = rot(n, ang);
        const M3 ref = mul(transpose(r), mul(A, r));
        M3 got, base, back;
        TensorRotation2nd(A.data(), got.data(), &ang, n.data());
        expect_near(got.data(), ref.data(), 9, 1e-14);
        const M3 rt = transpose(r);
        TensorTransformation2nd(A.data(), base.data(), rt.data());
        expect_near(base.data(), ref.data(), 9, 1e-14);
        const double neg = -ang;
        TensorRotation2nd(got.data(), back.data(), &neg, n.data());
        expect_near(back.data(), A.data(), 9, 1e-14);
        TensorRotation2nd(A.data(), A.data(), &ang, n.data());  // in place
        expect_near(A.data(), ref.data(), 9, 1e-14);
    }
}

TEST(Tensor, FourthOrderRotationActsOnEveryIndex) {
    // For t = A (x) B, rotating t equals rotating A and B; contracting the rotated tensors
    // equals rotating the contraction.
    std::mt19937 g(3);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 5; ++trial) {
        M3 A, B, E;
        for (double& v : A) v = u(g);
        for (double& v : B) v = u(g);
        for (double& v : E) v = u(g);
        T4 t;
        for (int l = 0; l < 3; ++l)
            for (int k = 0; k < 3; ++k)
                for (int j = 0; j < 3; ++j)
                    for (int i = 0; i < 3; ++i) t[i + 3 * j + 9 * k + 27 * l] = A[i + 3 * j] * B[k + 3 * l];
        const auto n = random_axis(g);
        const double ang = 2 * u(g);
        T4 tr;
        TensorRotation4th(t.data(), tr.data(), &ang, n.data());
        M3 ar, br;
        TensorRotation2nd(A.data(), ar.data(), &ang, n.data());
        TensorRotation2nd(B.data(), br.data(), &ang, n.data());
        for (int l = 0; l < 3; ++l)
            for (int k = 0; k < 3; ++k)
                for (int j = 0; j < 3; ++j)
                    for (int i = 0; i < 3; ++i)
                        EXPECT_NEAR(tr[i + 3 * j + 9 * k + 27 * l], ar[i + 3 * j] * br[k + 3 * l], 1e-14);

        for (double& v : t) v = u(g);  // a general tensor
        TensorRotation4th(t.data(), tr.data(), &ang, n.data());
        M3 c, cr, er, rc;
        tensormultiplication(t.data(), E.data(), c.data());
        TensorRotation2nd(c.data(), rc.data(), &ang, n.data());
        TensorRotation2nd(E.data(), er.data(), &ang, n.data());
        tensormultiplication(tr.data(), er.data(), cr.data());
        expect_near(cr.data(), rc.data(), 9, 1e-13);
    }
}

TEST(Tensor, EulerAnglesAndGimbalLock) {
    const M3 eye = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double eul[3];
    GetEulerRotation(eul, eye.data());
    const double zero[3] = {0, 0, 0};
    expect_near(eul, zero, 3, 0.0);

    M3 lock{};  // r31 = -1 exactly
    at(lock, 2, 0) = -1;
    at(lock, 0, 1) = 1;
    at(lock, 1, 2) = -1;
    GetEulerRotation(eul, lock.data());
    EXPECT_DOUBLE_EQ(eul[1], 90.0);
    EXPECT_EQ(eul[2], 0.0);
    EXPECT_DOUBLE_EQ(eul[0], 90.0);  // atan2(r12, r13) = atan2(1, 0)

    // r = Rz(phi) Ry(theta) Rx(psi) is recovered away from the lock.
    std::mt19937 g(5);
    std::uniform_real_distribution<double> u(-80, 80);
    for (int trial = 0; trial < 10; ++trial) {
        const double psi = 2 * u(g), theta = u(g), phi = 2 * u(g);
        const M3 r = mul(rot({0, 0, 1}, phi * pi / 180),
                         mul(rot({0, 1, 0}, theta * pi / 180), rot({1, 0, 0}, psi * pi / 180)));
        GetEulerRotation(eul, r.data());
        EXPECT_NEAR(eul[0], psi, 1e-10);
        EXPECT_NEAR(eul[1], theta, 1e-10);
        EXPECT_NEAR(eul[2], phi, 1e-10);
    }
}

TEST(Tensor, PointTransforms) {
    const double ex[3] = {1, 0, 0}, ey[3] = {0, 1, 0}, ez[3] = {0, 0, 1}, p[3] = {1, 2, 3};
    double out[3];
    CoordinateReflection(ex, ey, p, out);
    const double refl[3] = {1, 2, -3};
    expect_near(out, refl, 3, 0.0);

    CoordinateProjection(ex, ey, p, out, ez);  // plane z = 1
    const double proj1[3] = {1, 2, 1};
    expect_near(out, proj1, 3, 1e-15);
    CoordinateProjection(ex, ey, p, out, nullptr);  // through the origin
    const double proj0[3] = {1, 2, 0};
    expect_near(out, proj0, 3, 1e-15);

    const double ninety = 90;
    CoordinateRotation(ez, ex, out, &ninety);
    expect_near(out, ey, 3, 1e-15);

    // One minimum and maximum over all coordinates: points (0,10) and (5,20) in [0,1].
    const double pts[4] = {0, 5, 10, 20};  // (np=2, ndim=2), column-major
    const double interval[2] = {0, 1};
    double pn[4];
    const int np = 2, nd = 2;
    CoordinateNormalization(pts, pn, interval, &np, &nd);
    const double expect[4] = {0, 0.25, 0.5, 1};
    expect_near(pn, expect, 4, 1e-15);
}

TEST(Tensor, PolygonAreaAndCentroid) {
    const double sx[5] = {0, 1, 1, 0, 0}, sy[5] = {0, 0, 1, 1, 0};  // counter-clockwise, closed
    const double cx[5] = {0, 0, 1, 1, 0}, cy[5] = {0, 1, 1, 0, 0};  // clockwise, closed
    for (int n : {4, 5}) {
        EXPECT_DOUBLE_EQ(ShoelaceMethod(sx, sy, &n), 1.0);
        EXPECT_DOUBLE_EQ(ShoelaceMethod(cx, cy, &n), 1.0);
        double c[2] = {-1, -1};
        GetCentroid(c, sx, sy, &n);
        EXPECT_DOUBLE_EQ(c[0], 0.5);
        EXPECT_DOUBLE_EQ(c[1], 0.5);
        GetCentroid(c, cx, cy, &n);
        EXPECT_DOUBLE_EQ(c[0], 0.5);
        EXPECT_DOUBLE_EQ(c[1], 0.5);
    }
    const int two = 2;
    EXPECT_EQ(ShoelaceMethod(sx, sy, &two), 0.0);

    // A triangle's centroid is the mean of its vertices; an L shape is off its bounding centre.
    const double tx[3] = {0, 4, 1}, ty[3] = {0, 1, 5};
    const int three = 3;
    double c[2];
    GetCentroid(c, tx, ty, &three);
    EXPECT_NEAR(c[0], 5.0 / 3, 1e-14);
    EXPECT_NEAR(c[1], 2.0, 1e-14);
    const double lx[6] = {0, 2, 2, 1, 1, 0}, ly[6] = {0, 0, 1, 1, 2, 2};
    const int six = 6;
    GetCentroid(c, lx, ly, &six);  // squares at (0.5,0.5), (1.5,0.5), (0.5,1.5)
    EXPECT_NEAR(c[0], 2.5 / 3, 1e-14);
    EXPECT_NEAR(c[1], 2.5 / 3, 1e-14);

    clear_errors();
    const double fx[3] = {0, 1, 2}, fy[3] = {0, 1, 2};  // collinear: no centroid
    c[0] = c[1] = 42;
    GetCentroid(c, fx, fy, &three);
    EXPECT_EQ(c[0], 42);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();

    const double z = 0, o = 1;
    EXPECT_DOUBLE_EQ(gettrianglearea(&z, &z, &o, &z, &z, &o), 0.5);
    EXPECT_DOUBLE_EQ(gettrianglearea(&z, &z, &z, &o, &o, &z), -0.5);
}

TEST(Tensor, EllipseAndParabola) {
    const double a = 2, b = 1, ninety = 90, zero = 0;
    double box[2], r;
    GetBoundingBoxFromEllipse(box, &a, &b, &ninety);
    EXPECT_NEAR(box[0], 1.0, 1e-15);
    EXPECT_NEAR(box[1], 2.0, 1e-15);
    GetRadiusOfEllipse(&r, &a, &b, &zero);
    EXPECT_DOUBLE_EQ(r, 2.0);
    GetRadiusOfEllipse(&r, &a, &b, &ninety);
    EXPECT_NEAR(r, 1.0, 1e-15);

    const double ind[6] = {0, 1, 2, 1, 2, 5};  // rows (0,1), (1,2), (2,5)
    double oud[3];
    GetParabolaCoefficients(ind, oud);
    const double expect[3] = {1, 0, 1};
    expect_near(oud, expect, 3, 1e-15);
    const double ind2[6] = {-1, 0.5, 3, 3 * 1 - 2 * -1 + 1, 3 * 0.25 - 1 + 1, 27 - 6 + 1};
    GetParabolaCoefficients(ind2, oud);  // y = 3x^2 - 2x + 1
    const double expect2[3] = {3, -2, 1};
    expect_near(oud, expect2, 3, 1e-13);
}

TEST(Tensor, Percentile) {
    const double s[5] = {1, 2, 3, 4, 10};
    const int n5 = 5, cs = 5;
    double ev = 0, p = 100;
    getpercentile(s, &n5, &p, &ev, &cs);
    EXPECT_EQ(ev, 6.0);
    p = 50;
    getpercentile(s, &n5, &p, &ev, &cs);
    EXPECT_EQ(ev, 1.0);
    const int one = 1;
    getpercentile(s + 4, &one, &p, &ev, &cs);
    EXPECT_EQ(ev, 10.0);

    clear_errors();
    p = 150;  // no class reaches it
    getpercentile(s, &n5, &p, &ev, &cs);
    EXPECT_EQ(ev, 1.0 - cs);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    const int zero = 0;
    p = 50;
    getpercentile(s, &n5, &p, &ev, &zero);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}

TEST(Tensor, PercentileWithRepeatedMaximum) {
    // Shares are counted against the number of values, so a repeated maximum cannot push them
    // above 1: classes (1..5) and (6..10) hold 1 and 3 of 3 values, 50 % is reached in the second.
    const double s[3] = {1, 10, 10};
    const int n = 3, cs = 5;
    double ev = 0, p = 50;
    getpercentile(s, &n, &p, &ev, &cs);
    EXPECT_EQ(ev, 6.0);
    // The unset marker and NaN are not values of the series.
    const double m[5] = {10, 1, tvk::huge, std::nan(""), 10};
    const int n5 = 5;
    getpercentile(m, &n5, &p, &ev, &cs);
    EXPECT_EQ(ev, 6.0);
}
