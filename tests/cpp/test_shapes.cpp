// Point-in-shape tests: the crossing rule on edges and vertices, plane coordinates on planes of
// any direction, and the coded segment distance.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

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

}  // namespace

TEST(Shapes, PolygonClassesBoundaryByCrossingRule) {
    const std::vector<double> sx = {0, 1, 1, 0}, sy = {0, 0, 1, 1};
    // Right and top edges inside, left and bottom outside; of the vertices only the top right.
    const double cases[][3] = {{0.5, 0.5, 0},  {1.5, 0.5, -1}, {0.5, -0.5, -1}, {1, 0.5, 0},
                               {0.5, 1, 0},    {0, 0.5, -1},   {0.5, 0, -1},    {1, 1, 0},
                               {0, 0, -1},     {1, 0, -1},     {0, 1, -1}};
    for (auto& c : cases) {
        EXPECT_EQ(poly(c[0], c[1], sx, sy), c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(poly(c[0], c[1], {0, 0, 1, 1}, {0, 1, 1, 0}), c[2]) << "clockwise";
    }
    // A slanted edge stops the test at once with "on the outline".
    const std::vector<double> tx = {0, 2, 0}, ty = {0, 0, 2};
    EXPECT_EQ(poly(1, 1, tx, ty), 0.0);
    EXPECT_EQ(poly(1.2, 1.2, tx, ty), -1.0);
    // The notch of a concave outline is outside.
    const std::vector<double> lx = {0, 2, 2, 1, 1, 0}, ly = {0, 0, 1, 1, 2, 2};
    EXPECT_EQ(poly(1.5, 1.5, lx, ly), -1.0);
    EXPECT_EQ(poly(0.5, 1.5, lx, ly), 0.0);
    EXPECT_EQ(poly(0, 0, {}, {}), -1.0);
}

TEST(Shapes, PlaneRotationAboutOwnNormal) {
    // The y-z plane (normal along x): the in-plane angle must still turn the coordinates, and
    // the origin is subtracted once.
    const M3 yz = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    auto a = plane_xy({7, 1.5, 1.25}, {1, 1, 1}, yz, 0);
    EXPECT_DOUBLE_EQ(a[0], 0.5);
    EXPECT_DOUBLE_EQ(a[1], 0.25);
    auto b = plane_xy({7, 1.5, 1.25}, {1, 1, 1}, yz, 90);
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

TEST(Shapes, ProjectedTestsOnTiltedPlane) {
    const double s = std::sqrt(0.5), t0 = 0;
    const M3 tilted = {s, 0, s, 0, 1, 0, -s, 0, s};
    const V3 o = {1, 2, 3};
    const double square[8] = {0, 1, 1, 0, 0, 0, 1, 1};
    const int four = 4;
    auto at = [&](double u, double v, double w) {
        V3 q;
        for (int i = 0; i < 3; ++i) q[i] = o[i] + u * tilted[i] + v * tilted[3 + i] + w * tilted[6 + i];
        return q;
    };
    V3 q = at(0.3, 0.6, 0.4);  // over the interior, off the plane
    EXPECT_EQ(ProjectedPointInPolygon(q.data(), square, &t0, o.data(), tilted.data(), &four), 1);
    q = at(1.3, 0.6, 0);
    EXPECT_EQ(ProjectedPointInPolygon(q.data(), square, &t0, o.data(), tilted.data(), &four), 0);
    q = at(2, 0, 0);  // on the ellipse (2, 1): the boundary is inside
    const double a = 2, b = 1, b2 = 1.0001;
    const int ellipse = 1, rect = 3;
    EXPECT_EQ(ProjectedPointInShape(q.data(), &a, &b, &t0, o.data(), tilted.data(), &ellipse), 1);
    q = at(2, b2, 0);
    EXPECT_EQ(ProjectedPointInShape(q.data(), &a, &b, &t0, o.data(), tilted.data(), &ellipse), 0);
    q = at(2, 1, 0);
    EXPECT_EQ(ProjectedPointInShape(q.data(), &a, &b, &t0, o.data(), tilted.data(), &rect), 1);
}

TEST(Shapes, SegmentOfAnyLength) {
    // The foot of the perpendicular is tested against the segment's own length.
    const double a[2] = {0, 0}, b[2] = {10, 0};
    auto code = [](double x, double y, const double* p, const double* q) { return Line(&x, &y, p, q, nullptr); };
    EXPECT_DOUBLE_EQ(code(5, 1, a, b), 2.0);     // perpendicular 1, far
    EXPECT_DOUBLE_EQ(code(12, 0, a, b), 3.0);    // beyond b
    EXPECT_DOUBLE_EQ(code(-3, 4, a, b), 6.0);    // before a
    EXPECT_NEAR(code(5, 1e-7, a, b), 2e-8, 1e-20);  // near: h / |p - a|
    EXPECT_EQ(code(0, 0, a, b), 0.0);            // at a: no 0/0
    EXPECT_DOUBLE_EQ(code(3, 4, a, a), 6.0);     // zero length: distance to a
    const double x = 5, y = 0.5, prox = 0.5;
    EXPECT_EQ(Line(&x, &y, a, b, &prox), 2.0);   // h = proximity: 1, then 1 + 1
}
