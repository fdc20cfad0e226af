// Element mathematics: shape-function identities and finite-difference derivatives for every
// family, the warning texts and their validation order, the stress-state conversions (axis swap
// round trip, plane-stress condensation), and the shell kinematics (patch test, mapped
// Jacobians, unsupported elements, fixed output sizes).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "elements/shapefunctions.h"
#include "elements/shell.h"
#include "elements/stressstate.h"

namespace {

using tvktest::clear_errors;
using tvktest::errtext;

// One family seen through a uniform interface: value, first and second derivative of node k
// (1-based) at a point of up to three coordinates.
struct Family {
    const char* name;
    int nodes, dims;
    std::vector<std::array<double, 3>> node_coords;
    std::function<double(const double*, int)> value;
    std::function<double(const double*, int, int)> first;
    std::function<double(const double*, int, int, int)> second;  // empty when the family has none
};

std::vector<Family> families() {
    std::vector<Family> f;
    f.push_back({"truss3", 3, 1, {{-1, 0, 0}, {0, 0, 0}, {1, 0, 0}},
                 [](const double* x, int k) { return Truss3SF(x, &k); },
                 [](const double* x, int k, int) { return Truss3FirstDerivSF(x, &k); }, nullptr});
    f.push_back({"tria6", 6, 2, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5, 0, 0}, {0.5, 0.5, 0}, {0, 0.5, 0}},
                 [](const double* x, int k) { return Tria6SF(x, x + 1, &k); },
                 [](const double* x, int k, int d) { return Tria6FirstDerivSF(x, x + 1, &k, &d); },
                 [](const double* x, int k, int d, int e) { return Tria6SecondDerivSF(x, x + 1, &k, &d, &e); }});
    f.push_back({"quad4", 4, 2, {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                 [](const double* x, int k) { return Quad4SF(x, x + 1, &k); },
                 [](const double* x, int k, int d) { return Quad4FirstDerivSF(x, x + 1, &k, &d); }, nullptr});
    f.push_back({"quad8", 8, 2,
                 {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}},
                 [](const double* x, int k) { return Quad8SF(x, x + 1, &k); },
                 [](const double* x, int k, int d) { return Quad8FirstDerivSF(x, x + 1, &k, &d); },
                 [](const double* x, int k, int d, int e) { return Quad8SecondDerivSF(x, x + 1, &k, &d, &e); }});
    f.push_back({"hex8", 8, 3,
                 {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
                 [](const double* x, int k) { return Hex8SF(x, x + 1, x + 2, &k); },
                 [](const double* x, int k, int d) { return Hex8FirstDerivSF(x, x + 1, x + 2, &k, &d); },
                 [](const double* x, int k, int d, int e) { return Hex8SecondDerivSF(x, x + 1, x + 2, &k, &d, &e); }});
    return f;
}

TEST(ShapeFunctions, KroneckerPartitionOfUnityAndFiniteDifferences) {
    std::mt19937 g(7);
    std::uniform_real_distribution<double> u(-0.9, 0.9);
    const double h = 1e-5;
    for (const Family& f : families()) {
        SCOPED_TRACE(f.name);
        for (int k = 1; k <= f.nodes; ++k)
            for (int j = 1; j <= f.nodes; ++j)
                EXPECT_NEAR(f.value(f.node_coords[j - 1].data(), k), k == j ? 1.0 : 0.0, 1e-15);
        for (int trial = 0; trial < 20; ++trial) {
            double x[3] = {u(g), u(g), u(g)};
            double sum = 0.0, dsum[3] = {0, 0, 0};
            for (int k = 1; k <= f.nodes; ++k) {
                sum += f.value(x, k);
                for (int d = 1; d <= f.dims; ++d) {
                    const double dk = f.first(x, k, d);
                    dsum[d - 1] += dk;
                    double xp[3] = {x[0], x[1], x[2]}, xm[3] = {x[0], x[1], x[2]};
                    xp[d - 1] += h;
                    xm[d - 1] -= h;
                    EXPECT_NEAR(dk, (f.value(xp, k) - f.value(xm, k)) / (2 * h), 1e-8);
                    if (!f.second) continue;
                    for (int e = 1; e <= f.dims; ++e) {
                        const double fd = (f.first(xp, k, e) - f.first(xm, k, e)) / (2 * h);
                        EXPECT_NEAR(f.second(x, k, d, e), fd, 1e-8) << k << " " << d << " " << e;
                        EXPECT_EQ(f.second(x, k, d, e), f.second(x, k, e, d));
                    }
                }
            }
            EXPECT_NEAR(sum, 1.0, 1e-14);
            for (int d = 0; d < f.dims; ++d) EXPECT_NEAR(dsum[d], 0.0, 1e-14);
        }
    }
}

TEST(ShapeFunctions, WarningsFollowTheOrderDirectionThenNode) {
    const double x = 0.1, y = 0.2, z = 0.3;
    struct Case {
        std::function<double()> call;
        const char* text;
    };
    const std::vector<Case> cases = {
        {[&] { int k = 5, d = 1; return Quad4FirstDerivSF(&x, &y, &k, &d); }, "Warning: Overflow in Quad4FirstDerivSF.Xi."},
        {[&] { int k = 0, d = 0, e = 1; return Tria6SecondDerivSF(&x, &y, &k, &d, &e); }, "Warning: Invalid 1st ordinal in Tria6"},
        {[&] { int k = 9, d = 1, e = 1; return Tria6SecondDerivSF(&x, &y, &k, &d, &e); }, "Overflow in Tria6.XiXi."},
        {[&] { int k = 9, d = 2, e = 3; return Quad8SecondDerivSF(&x, &y, &k, &d, &e); }, "Warning: Invalid ordinal in Quad8SecondDerivSF."},
        {[&] { int k = 9, d = 3, e = 2; return Hex8SecondDerivSF(&x, &y, &z, &k, &d, &e); }, "Warning: Overflow in Hex8SecondDerivSF.ZetaEta."},
        {[&] { int k = 0, d = 4; return Hex8FirstDerivSF(&x, &y, &z, &k, &d); }, "Warning: Invalid 1st ordinal in Hex8FirstDerivSF."},
        {[&] { int k = 4; return Truss3FirstDerivSF(&x, &k); }, "Warning: Overflow in Truss3FirstDerivSF."},
    };
    for (const Case& c : cases) {
        clear_errors();
        EXPECT_EQ(c.call(), 0.0);
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_EQ(errtext(), c.text);
    }
    clear_errors();
}

// --- stress-state conversions -----------------------------------------------------------------

using V6 = std::array<double, 6>;
using M6 = std::array<double, 36>;

M6 isotropic(double e, double nu) {
    M6 c{};
    const double l = e * nu / ((1 + nu) * (1 - 2 * nu)), mu = e / (2 * (1 + nu));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) c[i + 6 * j] = l + (i == j ? 2 * mu : 0.0);
    for (int i = 3; i < 6; ++i) c[i + 6 * i] = mu;
    return c;
}

TEST(StressState, AxisSwapRoundTripsStressAndPermutesTheTangentAlike) {
    const double s[4] = {1, 2, 3, 4}, e[4] = {5, 6, 7, 8}, de[4] = {9, 10, 11, 12};
    V6 s3, e3, de3;
    const tvk::logical1 yes = 1;
    Get3DStressFromPlaneStrain(s, e, de, s3.data(), e3.data(), de3.data(), &yes);
    EXPECT_EQ(s3, (V6{1, 3, 2, 0, 4, 0}));
    EXPECT_EQ(de3, (V6{9, 11, 10, 0, 12, 0}));
    M6 t;
    for (int i = 0; i < 36; ++i) t[i] = i + 1.0;  // unsymmetric on purpose
    double sp[4], tp[16];
    GetPlaneStrainOutputFrom3D(sp, tp, s3.data(), t.data(), &yes);
    EXPECT_EQ(std::vector<double>(sp, sp + 4), std::vector<double>(s, s + 4));
    const int p[4] = {0, 2, 1, 4};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(tp[i + 4 * j], t[p[i] + 6 * p[j]]);
    // Work through the dispatchers: the same answer.
    const int four = 4;
    V6 s3b, e3b, de3b;
    Get3DInputFromElem(s3b.data(), e3b.data(), de3b.data(), s, e, de, &four, nullptr, nullptr, nullptr, &yes);
    EXPECT_EQ(s3b, s3);
    double sp2[4], tp2[16];
    GetElemOutputFrom3D(sp2, tp2, s3.data(), t.data(), &four, &yes);
    EXPECT_EQ(std::vector<double>(tp2, tp2 + 16), std::vector<double>(tp, tp + 16));
}

TEST(StressState, PlaneStressCondensationMatchesTheIsotropicClosedForm) {
    const double e = 210000, nu = 0.3;
    const M6 c = isotropic(e, nu);
    // A plane-stress 3-D state: strain with the 33 component that makes stress 33 vanish.
    const double ex = 1e-3, ey = -4e-4, gxy = 2e-4;
    const double ez = -nu / (1 - nu) * (ex + ey);
    const V6 strain{ex, ey, ez, gxy, 0, 0};
    V6 s3{};
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) s3[i] += c[i + 6 * j] * strain[j];
    double sps[3], q[9];
    GetPlaneStressOutputFrom3D(sps, q, s3.data(), c.data());
    const double f = e / (1 - nu * nu);
    const double expect[9] = {f, f * nu, 0, f * nu, f, 0, 0, 0, f * (1 - nu) / 2};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(q[i], expect[i], 1e-9 * f);
    EXPECT_NEAR(sps[0], s3[0], 1e-9 * std::abs(s3[0]));
    EXPECT_NEAR(sps[1], s3[1], 1e-9 * std::abs(s3[0]));
    EXPECT_NEAR(sps[2], s3[3], 1e-9 * std::abs(s3[0]));
}

TEST(StressState, FailedInverseNeverGivesAGarbageStress) {
    // Fully degraded transverse shear: the 6x6 tangent is singular while C33 is not.
    M6 c = isotropic(70000, 0.25);
    c[4 + 6 * 4] = 0.0;
    c[5 + 6 * 5] = 0.0;
    const V6 s3{10, -5, 0, 3, 0, 0};
    double sps[3], q[9];
    clear_errors();
    GetPlaneStressOutputFrom3D(sps, q, s3.data(), c.data());
    EXPECT_EQ(sps[0], 10.0);
    EXPECT_EQ(sps[1], -5.0);
    EXPECT_EQ(sps[2], 3.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);  // the inverse's warning stays visible
    const double f = 70000 / (1 - 0.0625);
    EXPECT_NEAR(q[0], f, 1e-9 * f);  // the condensed tangent needs only C33
    clear_errors();
}

// --- shell kinematics -------------------------------------------------------------------------

// Nodal coordinates (3, n) of the 8-node square [-1,1]^2 or the 6-node unit triangle, mapped by
// x' = A x + t.
std::vector<double> mapped_nodes(int n, const double a[4], const double t[2]) {
    static const double q8[8][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    static const double t6[6][2] = {{0, 0}, {1, 0}, {0, 1}, {0.5, 0}, {0.5, 0.5}, {0, 0.5}};
    std::vector<double> c(3 * static_cast<size_t>(n), 0.0);
    for (int k = 0; k < n; ++k) {
        const double* p = n == 8 ? q8[k] : t6[k];
        c[3 * k] = a[0] * p[0] + a[2] * p[1] + t[0];
        c[3 * k + 1] = a[1] * p[0] + a[3] * p[1] + t[1];
        c[3 * k + 2] = 7.0;  // z never enters
    }
    return c;
}

TEST(Shell, JacobianOfAScaledAndRotatedElementIsTheMapItself) {
    const double th = 0.7, sx = 2.0, sy = 0.5;
    // A = R diag(sx, sy): column-major.
    const double a[4] = {std::cos(th) * sx, std::sin(th) * sx, -std::sin(th) * sy, std::cos(th) * sy};
    const double t[2] = {3, -1};
    for (int n : {6, 8}) {
        const auto c = mapped_nodes(n, a, t);
        double jac[4], nshape[48];
        const double xi = 0.2, eta = 0.1;
        ShellJacobian(jac, nshape, c.data(), &n, &xi, &eta);
        // jac rows are the derivatives of (x, y) along xi and eta: jac = A^T.
        EXPECT_NEAR(jac[0], a[0], 1e-14);
        EXPECT_NEAR(jac[2], a[1], 1e-14);
        EXPECT_NEAR(jac[1], a[2], 1e-14);
        EXPECT_NEAR(jac[3], a[3], 1e-14);
    }
}

TEST(Shell, PatchTestLinearFieldsGiveConstantStrains) {
    std::mt19937 g(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const double a[4] = {1.3, 0.2, -0.4, 0.9}, t[2] = {0.5, 2.0};
    for (int n : {6, 8}) {
        const auto c = mapped_nodes(n, a, t);
        // u = a0 + a1 x + a2 y, v likewise, w = b0 + b1 x + b2 y, rotations constant.
        double cu[3], cv[3], cw[3], rx = u(g), ry = u(g);
        for (int i = 0; i < 3; ++i) cu[i] = u(g), cv[i] = u(g), cw[i] = u(g);
        double d[40] = {};
        for (int k = 0; k < n; ++k) {
            const double x = c[3 * k], y = c[3 * k + 1];
            d[5 * k] = cu[0] + cu[1] * x + cu[2] * y;
            d[5 * k + 1] = cv[0] + cv[1] * x + cv[2] * y;
            d[5 * k + 2] = cw[0] + cw[1] * x + cw[2] * y;
            d[5 * k + 3] = rx;
            d[5 * k + 4] = ry;
        }
        const double expect[8] = {cu[1], cv[2], cu[2] + cv[1], 0, 0, 0, cw[2] - rx, cw[1] + ry};
        for (double xi : {0.1, 0.3}) {
            const double eta = 0.25;
            double b[320];
            ShellBMatrix(b, c.data(), &n, &xi, &eta);
            for (int r = 0; r < 8; ++r) {
                double e = 0.0;
                for (int col = 0; col < 40; ++col) e += b[r + 8 * col] * d[col];
                EXPECT_NEAR(e, expect[r], 1e-12) << "n=" << n << " row " << r + 1;
            }
            // Linear fields have no second derivatives: the shear-force derivatives vanish.
            const double hmat[4] = {5, 1, 1, 4};
            double rx2[2], ry2[2];
            ShellxDerivShearForces(rx2, d, hmat, c.data(), &n, &xi, &eta);
            ShellyDerivShearForces(ry2, d, hmat, c.data(), &n, &xi, &eta);
            for (double v : {rx2[0], rx2[1], ry2[0], ry2[1]}) EXPECT_NEAR(v, 0.0, 1e-11);
        }
    }
}

TEST(Shell, QuadraticDeflectionGivesItsSecondDerivativesThroughTheDerivativeMatrices) {
    const double a[4] = {1.1, 0.3, -0.2, 0.8}, t[2] = {0, 0};
    const double p = 0.7, q = -0.4, r = 1.9;  // w = p x^2 + q x y + r y^2
    for (int n : {6, 8}) {
        const auto c = mapped_nodes(n, a, t);
        double d[40] = {};
        for (int k = 0; k < n; ++k) {
            const double x = c[3 * k], y = c[3 * k + 1];
            d[5 * k + 2] = p * x * x + q * x * y + r * y * y;
        }
        const double xi = 0.15, eta = 0.2;
        double xb[80], yb[80];
        ShellxDerivBMatrix(xb, c.data(), &n, &xi, &eta);
        ShellyDerivBMatrix(yb, c.data(), &n, &xi, &eta);
        double wxy = 0, wxx = 0, wyy = 0, wxy2 = 0;
        for (int col = 0; col < 40; ++col) {
            wxy += xb[2 * col] * d[col];
            wxx += xb[2 * col + 1] * d[col];
            wyy += yb[2 * col] * d[col];
            wxy2 += yb[2 * col + 1] * d[col];
        }
        EXPECT_NEAR(wxx, 2 * p, 1e-11);
        EXPECT_NEAR(wyy, 2 * r, 1e-11);
        EXPECT_NEAR(wxy, q, 1e-11);
        EXPECT_NEAR(wxy2, q, 1e-11);
    }
}

TEST(Shell, UnsupportedNodeCountsReportAndWriteOnlyTheFixedOutputs) {
    const double xi = 0.1, eta = 0.2;
    std::vector<double> c(3 * 12, 1.0);
    for (int n : {4, 9, 12}) {
        clear_errors();
        std::vector<double> b(8 * 40 + 8, 42.0);  // guard entries after the 8x40 matrix
        ShellBMatrix(b.data(), c.data(), &n, &xi, &eta);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(errtext(), "Unknown or unsupported element type.");
        for (int i = 0; i < 320; ++i) ASSERT_EQ(b[i], 0.0);
        for (int i = 320; i < 328; ++i) ASSERT_EQ(b[i], 42.0);
        double r[2] = {9, 9};
        const double u[40] = {}, h[4] = {1, 0, 0, 1};
        ShellxDerivShearForces(r, u, h, c.data(), &n, &xi, &eta);
        EXPECT_EQ(r[0], 0.0);
        EXPECT_EQ(r[1], 0.0);
    }
    clear_errors();
    const double jac1[9] = {1, 2, 3, 2, 4, 6, 0, 1, 5};  // rows 1 and 2 proportional
    double inv[9];
    ShellFirstDerivJacobianInverse(inv, jac1);
    EXPECT_EQ(errtext(), "Singular first derivative of jacobian");
    for (double v : inv) EXPECT_EQ(v, 0.0);
    clear_errors();
}

}  // namespace
