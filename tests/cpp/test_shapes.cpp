// Point-in-shape tests: plane coordinates, the polygon crossing rule on edges and vertices,
// projected polygon and shape tests on rotated planes, and the coded segment distance.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "core/shapes.h"
#include "core/tensor.h"

namespace {

using V3 = std::array<double, 3>;
using M3 = std::array<double, 9>;
constexpr M3 eye = {1, 0, 0, 0, 1, 0, 0, 0, 1};

double poly(double px, double py, const std::vector<double>& xs, const std::vector<double>& ys) {
    const int n = static_cast<int>(xs.size());
    return Polygon(&px, &py, xs.data(), ys.data(), &n);
}

std::array<double, 2> plane_xy(V3 point, V3 origin, const M3& axes, double theta) {
    std::array<double, 2> xy;
    GetPointOnXYPlane(xy.data(), point.data(), origin.data(), axes.data(), &theta);
    return xy;
}

V3 turn(const M3& r, V3 v) {
    V3 o{};
    for (int i = 0; i < 3; ++i) o[i] = r[i] * v[0] + r[i + 3] * v[1] + r[i + 6] * v[2];
    return o;
}

const std::vector<double> sqx = {0, 1, 1, 0}, sqy = {0, 0, 1, 1};
// The unit square as xypairs(4, 2).
const double square_pairs[8] = {0, 1, 1, 0, 0, 0, 1, 1};

}  // namespace

TEST(Shapes, PolygonClassesBoundaryByCrossingRule) {
    EXPECT_EQ(poly(0.5, 0.5, sqx, sqy), 0.0);
    EXPECT_EQ(poly(1.5, 0.5, sqx, sqy), -1.0);
    EXPECT_EQ(poly(-0.5, 0.5, sqx, sqy), -1.0);
    EXPECT_EQ(poly(0.5, 1.5, sqx, sqy), -1.0);
    EXPECT_EQ(poly(0.5, -0.5, sqx, sqy), -1.0);
    // Axis-parallel edges: right and top inside, left and bottom outside.
    EXPECT_EQ(poly(1.0, 0.5, sqx, sqy), 0.0);
    EXPECT_EQ(poly(0.5, 1.0, sqx, sqy), 0.0);
    EXPECT_EQ(poly(0.0, 0.5, sqx, sqy), -1.0);
    EXPECT_EQ(poly(0.5, 0.0, sqx, sqy), -1.0);
    // Vertices: only the top right one.
    EXPECT_EQ(poly(1, 1, sqx, sqy), 0.0);
    EXPECT_EQ(poly(0, 0, sqx, sqy), -1.0);
    EXPECT_EQ(poly(1, 0, sqx, sqy), -1.0);
    EXPECT_EQ(poly(0, 1, sqx, sqy), -1.0);
    // The orientation of the outline does not matter.
    const std::vector<double> rx = {0, 0, 1, 1}, ry = {0, 1, 1, 0};
    EXPECT_EQ(poly(0.5, 0.5, rx, ry), 0.0);
    EXPECT_EQ(poly(0.0, 0.5, rx, ry), -1.0);

    // A slanted edge stops the test at once with "on the outline".
    const std::vector<double> tx = {0, 2, 0}, ty = {0, 0, 2};
    EXPECT_EQ(poly(1, 1, tx, ty), 0.0);
    EXPECT_EQ(poly(0.5, 0.5, tx, ty), 0.0);
    EXPECT_EQ(poly(1.2, 1.2, tx, ty), -1.0);
    EXPECT_EQ(poly(0.3, 1.0, tx, ty), 0.0);

    // Concave outline: the notch of an L is outside.
    const std::vector<double> lx = {0, 2, 2, 1, 1, 0}, ly = {0, 0, 1, 1, 2, 2};
    EXPECT_EQ(poly(1.5, 1.5, lx, ly), -1.0);
    EXPECT_EQ(poly(0.5, 1.5, lx, ly), 0.0);
    EXPECT_EQ(poly(1.5, 0.5, lx, ly), 0.0);

    EXPECT_EQ(poly(0, 0, {}, {}), -1.0);
}

TEST(Shapes, PlaneCoordinates) {
    auto xy = plane_xy({0.5, 0.5, 0}, {0, 0, 0}, eye, 0);
    EXPECT_DOUBLE_EQ(xy[0], 0.5);
    EXPECT_DOUBLE_EQ(xy[1], 0.5);
    xy = plane_xy({0.5, 0.5, 0}, {0, 0, 0}, eye, 90);
    EXPECT_NEAR(xy[0], 0.5, 1e-15);
    EXPECT_NEAR(xy[1], -0.5, 1e-15);
    // A point off the plane is projected onto it; the origin is subtracted once.
    xy = plane_xy({1.5, 1.5, 8}, {1, 1, 1}, eye, 0);
    EXPECT_DOUBLE_EQ(xy[0], 0.5);
    EXPECT_DOUBLE_EQ(xy[1], 0.5);
}

TEST(Shapes, PlaneRotationAboutOwnNormal) {
    // The y-z plane: c1 = y, c2 = z, normal c3 = x. The in-plane angle must still turn the
    // coordinates (rotating about the global z axis would lose it).
    const M3 yz = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    auto a = plane_xy({0, 0.5, 0.25}, {0, 0, 0}, yz, 0);
    EXPECT_DOUBLE_EQ(a[0], 0.5);
    EXPECT_DOUBLE_EQ(a[1], 0.25);
    auto b = plane_xy({0, 0.5, 0.25}, {0, 0, 0}, yz, 90);
    EXPECT_NEAR(b[0], 0.25, 1e-15);
    EXPECT_NEAR(b[1], -0.5, 1e-15);

    // Moving point, origin and axes together by any rotation leaves the plane coordinates.
    std::mt19937 g(17);
    std::uniform_real_distribution<double> u(-2, 2);
    for (int trial = 0; trial < 20; ++trial) {
        V3 n{u(g), u(g), u(g)}, p{u(g), u(g), u(g)}, o{u(g), u(g), u(g)};
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (double& c : n) c /= len;
        const double ang = u(g), theta = 90 * u(g);
        M3 r;
        GetRotationMatrix(r.data(), n.data(), &ang);
        const V3 c1 = turn(r, {1, 0, 0}), c2 = turn(r, {0, 1, 0}), c3 = turn(r, {0, 0, 1});
        const M3 axes = {c1[0], c1[1], c1[2], c2[0], c2[1], c2[2], c3[0], c3[1], c3[2]};
        auto ref = plane_xy(p, o, eye, theta);
        auto got = plane_xy(turn(r, p), turn(r, o), axes, theta);
        EXPECT_NEAR(got[0], ref[0], 1e-12);
        EXPECT_NEAR(got[1], ref[1], 1e-12);
    }
}

TEST(Shapes, ProjectedPointInPolygon) {
    const V3 zero = {0, 0, 0};
    const double t0 = 0, t90 = 90;
    const int four = 4, none = 0;
    V3 p = {0.5, 0.5, 0};
    EXPECT_EQ(ProjectedPointInPolygon(p.data(), square_pairs, &t0, zero.data(), eye.data(), &four), 1);
    EXPECT_EQ(ProjectedPointInPolygon(p.data(), square_pairs, &t90, zero.data(), eye.data(), &four), 0);
    EXPECT_EQ(ProjectedPointInPolygon(p.data(), square_pairs, &t0, zero.data(), eye.data(), &none), 0);
    // A tilted plane through (1, 2, 3): the point lies over the square's interior, 0.4 above it.
    const double s = std::sqrt(0.5);
    const M3 tilted = {s, 0, s, 0, 1, 0, -s, 0, s};
    const V3 o = {1, 2, 3};
    V3 q;
    for (int i = 0; i < 3; ++i) q[i] = o[i] + 0.3 * tilted[i] + 0.6 * tilted[3 + i] + 0.4 * tilted[6 + i];
    EXPECT_EQ(ProjectedPointInPolygon(q.data(), square_pairs, &t0, o.data(), tilted.data(), &four), 1);
    for (int i = 0; i < 3; ++i) q[i] = o[i] + 1.3 * tilted[i] + 0.6 * tilted[3 + i];
    EXPECT_EQ(ProjectedPointInPolygon(q.data(), square_pairs, &t0, o.data(), tilted.data(), &four), 0);
}

TEST(Shapes, ShapeValuesAndBoundaryCountsInside) {
    const double two = 2, zero = 0, one = 1, three = 3;
    EXPECT_EQ(Ellipse(&two, &zero, &two, &one, nullptr), 1.0);
    EXPECT_EQ(Rectangle(&one, &three, &two, &two, nullptr), 1.5);
    const double org[2] = {1, 1}, mtwo = -2;
    EXPECT_EQ(Rectangle(&three, &one, &mtwo, &mtwo, org), 1.0);  // |a|, |b|
    EXPECT_EQ(Ellipse(&three, &one, &two, &one, org), 1.0);

    const V3 o = {0, 0, 0};
    const double t0 = 0;
    auto inside = [&](V3 p, double a, double b, int id) {
        return ProjectedPointInShape(p.data(), &a, &b, &t0, o.data(), eye.data(), &id);
    };
    EXPECT_EQ(inside({2, 0, 0}, 2, 1, 1), 1);      // on the ellipse
    EXPECT_EQ(inside({2, 0.01, 0}, 2, 1, 1), 0);
    EXPECT_EQ(inside({2.9, 0, 0}, 1, 3, 0), 1);    // shapeid 0: circle of radius max(a, b) = 3
    EXPECT_EQ(inside({2.9, 0, 0}, 1, 3, 1), 0);    // the ellipse (1, 3) does not reach it
    EXPECT_EQ(inside({2.9, 2.9, 0}, 1, 3, 2), 1);  // square of half side 3
    EXPECT_EQ(inside({2.9, 2.9, 0}, 1, 3, 0), 0);
    EXPECT_EQ(inside({1, 3, 0}, 1, 3, 3), 1);      // rectangle corner
    EXPECT_EQ(inside({1.1, 0, 0}, 1, 3, 3), 0);
    EXPECT_EQ(inside({0, 0, 0}, 0, 0, 1), 0);      // degenerate ellipse: 0/0 is not inside
}

TEST(Shapes, SegmentDistanceCode) {
    const double a[2] = {0, 0}, b[2] = {1, 0};
    auto code = [](double x, double y, const double* a, const double* b, const double* prox) {
        return Line(&x, &y, a, b, prox);
    };
    EXPECT_DOUBLE_EQ(code(0.5, 0.5, a, b, nullptr), 1.5);   // perpendicular 0.5, far
    EXPECT_DOUBLE_EQ(code(-3, 4, a, b, nullptr), 6.0);      // before a: |p - a| = 5
    EXPECT_DOUBLE_EQ(code(4, 4, a, b, nullptr), 6.0);       // beyond b: |p - b| = 5
    EXPECT_NEAR(code(0.5, 1e-7, a, b, nullptr), 2e-7, 1e-15);  // near: h / |p - a|
    const double prox = 0.5;
    EXPECT_DOUBLE_EQ(code(0.5, 0.5, a, b, &prox), 2.0);     // h = proximity: 1, then 1 + 1
}

TEST(Shapes, SegmentOfAnyLength) {
    // The foot of the perpendicular is tested against the segment's own length.
    const double a[2] = {0, 0}, b[2] = {10, 0};
    double x = 5, y = 1;
    EXPECT_DOUBLE_EQ(Line(&x, &y, a, b, nullptr), 2.0);
    x = 12, y = 0;
    EXPECT_DOUBLE_EQ(Line(&x, &y, a, b, nullptr), 3.0);
    // The point at a and a segment of zero length stay finite.
    x = 0, y = 0;
    EXPECT_EQ(Line(&x, &y, a, b, nullptr), 0.0);
    x = 3, y = 4;
    EXPECT_DOUBLE_EQ(Line(&x, &y, a, a, nullptr), 6.0);
}
