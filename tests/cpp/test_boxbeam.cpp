// Box-beam sections filled through the exported records, checked against closed forms: bending
// stiffnesses and Bredt-Batho torsion of a rectangular cell, shear centres of a channel and of
// angles, unsymmetric bending of an angle, a two-cell box against a multi-cell Bredt solve,
// wall reversal, the elimination routine, nodal forces, the refusals and the report files.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "alloc_counter.h"
#include "boxbeam/boxbeam.h"
#include "boxbeam/section.h"
#include "core/errors.h"
#include "error_record.h"

namespace {

namespace fs = std::filesystem;
using tvk::boxbeam::Status;

constexpr double E = 70e3, G = 27e3, t = 0.1;

struct Wall {
    int ig1, ig2;
    double bk = E * t, gk = G * t, rho = 0.0;
};

// A section: boom coordinates (stiffness and mass optional), walls between booms (their end
// points are the boom coordinates), cells as boom circuits.
struct Section {
    std::vector<std::array<double, 2>> booms;
    std::vector<double> bi, myi;
    std::vector<Wall> walls;
    std::vector<std::vector<int>> cells;
};

void clear_error() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

void load(const Section& s, double qx = 0, double qy = 0, double qz = 0, double mx = 0, double my = 0,
          double mz = 0) {
    ASSERT_TRUE(tvk::boxbeam::initialize(100, 100, 100));
    gurt.IG = static_cast<int>(s.booms.size());
    for (int i = 0; i < gurt.IG; ++i) {
        gurt.YI[i] = s.booms[i][0];
        gurt.ZI[i] = s.booms[i][1];
        gurt.BI[i] = i < static_cast<int>(s.bi.size()) ? s.bi[i] : 0.0;
        gurt.MYI[i] = i < static_cast<int>(s.myi.size()) ? s.myi[i] : 0.0;
    }
    wand.KW = static_cast<int>(s.walls.size());
    for (int k = 0; k < wand.KW; ++k) {
        const Wall& w = s.walls[k];
        wand.IG1[k] = w.ig1, wand.IG2[k] = w.ig2;
        wand.YK0[k] = s.booms[w.ig1 - 1][0], wand.ZK0[k] = s.booms[w.ig1 - 1][1];
        wand.YKLK[k] = s.booms[w.ig2 - 1][0], wand.ZKLK[k] = s.booms[w.ig2 - 1][1];
        wand.BK[k] = w.bk, wand.GK[k] = w.gk, wand.RHOK[k] = w.rho;
    }
    zelle.AZ = static_cast<int>(s.cells.size());
    for (int c = 0; c < zelle.AZ; ++c) {
        zelle.IAK[c] = static_cast<int>(s.cells[c].size());
        for (std::size_t j = 0; j < s.cells[c].size(); ++j) zelle.IA[j + c * zelle.IA_n1] = s.cells[c][j];
    }
    spanug.QQX = qx, spanug.QQY = qy, spanug.QQZ = qz, spanug.QMX = mx, spanug.QMY = my, spanug.QMZ = mz;
}

Status run() {
    steuer.DRUCK = steuer.EXDRU = 0;
    return tvk::boxbeam::calculate();
}

// Rectangle b x h with its lower left corner at (y0, z0), walls running counter-clockwise.
Section rectangle(double b, double h, double y0, double z0) {
    Section s;
    s.booms = {{y0, z0}, {y0 + b, z0}, {y0 + b, z0 + h}, {y0, z0 + h}};
    s.walls = {{1, 2}, {2, 3}, {3, 4}, {4, 1}};
    s.cells = {{1, 2, 3, 4}};
    return s;
}

double wall_t0(int k) { return kraft.T0[k - 1]; }
double theta() { return kraft.T0[wand.KW]; }

TEST(BoxBeamRecords, InitializeZeroesEveryFieldAndKeepsItsArrays) {
    ASSERT_TRUE(tvk::boxbeam::initialize(100, 100, 100));
    EXPECT_EQ(restr.MAXWA, 100);
    EXPECT_EQ(restr.MAXGU, 100);
    EXPECT_EQ(restr.MAXZE, 100);
    EXPECT_EQ(kraft.T0_n, 200);
    EXPECT_EQ(zelle.IA_n1, 100);
    EXPECT_EQ(zelle.IA_n2, 100);
    EXPECT_EQ(epigam.EPI_n2, 3);
    double* const t0 = kraft.T0;
    int* const ia = zelle.IA;
    load(rectangle(3, 2, 1, -0.5), 1, 2, 3, 4, 5, 6);
    ASSERT_TRUE(run());
    kraft.T0[199] = 7;
    zelle.IA[100 * 100 - 1] = 7;
    epigam.GAM[299] = 7;
    std::strcpy(spanug.KENNZ, "kept");
    box_initialize(nullptr, nullptr, nullptr);
    EXPECT_EQ(kraft.T0, t0);  // the same arrays, zeroed again
    EXPECT_EQ(zelle.IA, ia);
    EXPECT_EQ(gurt.IG + wand.KW + zelle.AZ, 0);
    EXPECT_EQ(spanug.QQX + spanug.QQY + spanug.QQZ + spanug.QMX + spanug.QMY + spanug.QMZ, 0.0);
    EXPECT_STREQ(spanug.KENNZ, "kept");
    EXPECT_EQ(quer.BX, 0.0);
    EXPECT_EQ(quer.DT, 0.0);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(kraft.T0[i], 0.0) << i;
    for (int i = 0; i < 300; ++i) ASSERT_EQ(epigam.GAM[i] + epigam.EPI[i], 0.0) << i;
    for (int i = 0; i < 100 * 100; ++i) ASSERT_EQ(zelle.IA[i], 0) << i;
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(wand.YK0[i] + wand.BK[i] + wand.GK[i] + gurt.YI[i] + kraft.NX0[i] + kraft.TL[i] + wand.IG1[i], 0.0);

    // larger capacities later keep the first arrays and their capacities
    const int more = 500;
    Initialize(&more, &more, &more);
    EXPECT_EQ(kraft.T0, t0);
    EXPECT_EQ(restr.MAXWA, 100);
    EXPECT_EQ(kraft.T0_n, 200);
}

// Single rectangular cell b = 3, h = 2, walls only: stiffness centre at the middle, bending
// stiffnesses E t (b h^2/2 + h^3/6) and E t (h b^2/2 + b^3/6), Bredt-Batho torsional stiffness
// 4 A^2 / (oint ds / G t), and a torque carried as the constant flow T / 2A.
TEST(BoxBeamSection, RectangularCellMatchesThinWallClosedForms) {
    const double b = 3, h = 2, area = b * h;
    load(rectangle(b, h, 1, -0.5), 0, 0, 0, 1000);
    ASSERT_TRUE(run());
    EXPECT_NEAR(quer.BX, E * t * 2 * (b + h), 1e-8);
    EXPECT_NEAR(quer.YS, 2.5, 1e-12);
    EXPECT_NEAR(quer.ZS, 0.5, 1e-12);
    EXPECT_NEAR(quer.DYY, E * t * (b * h * h / 2 + h * h * h / 6), 1e-8);
    EXPECT_NEAR(quer.DZZ, E * t * (h * b * b / 2 + b * b * b / 6), 1e-8);
    EXPECT_NEAR(quer.DZY, 0.0, 1e-9);
    EXPECT_EQ(quer.ALPHA, 0.0);
    EXPECT_NEAR(quer.YMSTAC, 2.5, 1e-9);
    EXPECT_NEAR(quer.ZMSTAC, 0.5, 1e-9);
    const double dt = 4 * area * area / (2 * (b + h) / (G * t));
    EXPECT_NEAR(quer.DT, dt, 1e-8 * dt);
    EXPECT_NEAR(quer.DT, 38880.0, 1e-6);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_NEAR(wall_t0(k), 1000 / (2 * area), 1e-9);
        EXPECT_NEAR(kraft.TL2[k - 1], 1000 / (2 * area), 1e-9);
        EXPECT_NEAR(kraft.TL[k - 1], 1000 / (2 * area), 1e-9);
        EXPECT_NEAR(epigam.GAM[k - 1], 1000 / (2 * area) / (G * t), 1e-12);
    }
    EXPECT_NEAR(theta(), 1000 / dt, 1e-12);
}

// A square box: equal bending stiffnesses without product term, every axis principal.
TEST(BoxBeamSection, RepeatedSectionsMakeNoHeapAllocation) {
    // The work arrays of a calculation are kept for the next: after the first calculation of a
    // size, a series of sections of that size or smaller allocates nothing, and gives the
    // results of a first calculation.
    Section two;
    two.booms = {{0, 0}, {3, 0}, {5, 0}, {5, 2}, {3, 2}, {0, 2}};
    two.walls = {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 1}, {2, 5}};
    two.cells = {{1, 2, 5, 6}, {2, 3, 4, 5}};
    load(two, 1, 20, 30, 40, 50, 60);
    ASSERT_TRUE(run());
    const double first_dt = quer.DT, first_t0 = wall_t0(3);
    for (const Section& s : {rectangle(3, 2, 1, -0.5), two}) {
        load(s, 1, 20, 30, 40, 50, 60);
        const long before = tvk::test::heap_allocations();
        ASSERT_TRUE(run());
        EXPECT_EQ(tvk::test::heap_allocations() - before, 0) << s.cells.size() << " cell(s)";
    }
    EXPECT_EQ(quer.DT, first_dt);
    EXPECT_EQ(wall_t0(3), first_t0);
}

TEST(BoxBeamSection, SquareBoxKeepsTheCustomaryAngle) {
    load(rectangle(2, 2, 0, 0));
    ASSERT_TRUE(run());
    EXPECT_EQ(quer.ALPHA, 0.3926991);
    EXPECT_NEAR(quer.DYYSTE, quer.DZZSTE, 1e-9 * quer.DZZSTE);
}

// Normal force at the stiffness centre: the same strain QX/BX everywhere there is stiffness.
TEST(BoxBeamSection, NormalForceAtTheStiffnessCentreStrainsEveryPointAlike) {
    Section s = rectangle(3, 2, 1, -0.5);
    s.bi = {500, 0, 800, 300};
    s.walls[1].bk = 1e-10;  // a wall too soft to strain
    s.booms[1] = {4.5, -0.7};
    load(s);
    ASSERT_TRUE(run());
    const double ys = quer.YS, zs = quer.ZS, bx = quer.BX, qx = 1234;
    load(s, qx, 0, 0, 0, qx * zs, -qx * ys);
    ASSERT_TRUE(run());
    for (int i : {0, 2, 3}) EXPECT_NEAR(epigam.EPIGU[i], qx / bx, 1e-12) << i;
    EXPECT_EQ(epigam.EPIGU[1], 0.0);
    for (int k : {0, 2, 3})
        for (int m = 0; m < 3; ++m) EXPECT_NEAR(epigam.EPI[k + m * epigam.EPI_n1], qx / bx, 1e-12);
    for (int m = 0; m < 3; ++m) EXPECT_EQ(epigam.EPI[1 + m * epigam.EPI_n1], 0.0);
    EXPECT_NEAR(kraft.NX0[1], 1e-10 * qx / bx, 1e-20);  // the soft wall keeps its flow
}

// Channel, flanges of b = 1 toward +y, web h = 3 at y = 0, uniform walls: the shear centre lies
// 3 b^2 / (h + 6 b) behind the web; an open section has no torsional stiffness.
TEST(BoxBeamSection, ChannelShearCentreBehindTheWeb) {
    for (double b : {1.0, 1.7}) {
        const double h = 3;
        Section s;
        s.booms = {{b, h / 2}, {0, h / 2}, {0, -h / 2}, {b, -h / 2}};
        s.walls = {{1, 2}, {2, 3}, {3, 4}};
        load(s, 0, 0, 100);
        ASSERT_TRUE(run());
        EXPECT_NEAR(quer.YMSTAC, -3 * b * b / (h + 6 * b), 1e-12) << b;
        EXPECT_NEAR(quer.ZMSTAC, 0.0, 1e-12);
        EXPECT_EQ(quer.DT, 0.0);
        // the free flange ends carry no flow
        EXPECT_NEAR(wall_t0(1), 0.0, 1e-9);
        EXPECT_NEAR(kraft.TL[2], 0.0, 1e-9);
    }
}

// Angles: the two legs' flows pass through the corner, which is the shear centre. The equal-leg
// angle has equal bending stiffnesses with a product term, so its principal axes are at 45
// degrees with the sign of the product; unsymmetric bending gives -750 at the corner and 375,
// 1125 at the tips under QMY = 1000 (legs of 2, t = 0.1).
TEST(BoxBeamSection, AngleShearCentreAtTheCorner) {
    for (double a : {2.0, 3.0}) {
        Section s;
        s.booms = {{0, 0}, {a, 0}, {0, 2}};
        s.walls = {{1, 2}, {1, 3}};
        load(s, 0, 40, 100, 0, 1000);
        ASSERT_TRUE(run());
        EXPECT_NEAR(quer.YMSTAC, 0.0, 1e-12) << a;
        EXPECT_NEAR(quer.ZMSTAC, 0.0, 1e-12) << a;
    }
    EXPECT_NEAR(quer.ALPHA, 0.5 * std::atan(2 * quer.DZY / (quer.DZZ - quer.DYY)), 1e-15);

    Section s;
    s.booms = {{0, 0}, {2, 0}, {0, 2}};
    s.walls = {{1, 2}, {1, 3}};
    load(s, 0, 0, 0, 0, 1000);
    ASSERT_TRUE(run());
    EXPECT_EQ(quer.DZZ - quer.DYY, 0.0);
    EXPECT_NEAR(quer.ALPHA, -tvk::pi / 4, 1e-15);
    // unsymmetric bending by hand: sigma = (MY DZZ z - MY DZY y) / (DYY DZZ - DZY^2) about the centre
    const double det = quer.DYY * quer.DZZ - quer.DZY * quer.DZY;
    auto n_closed = [&](double y, double z) {
        const double dy = y - quer.YS, dz = z - quer.ZS;
        return E * t * 1000 * (quer.DZZ * dz - quer.DZY * dy) / det;
    };
    EXPECT_NEAR(kraft.NXL[0], n_closed(2, 0), 1e-9);
    EXPECT_NEAR(kraft.NXL2[1], n_closed(0, 1), 1e-9);
    EXPECT_NEAR(kraft.NX0[0], -750.0, 1e-9);
    EXPECT_NEAR(kraft.NX0[1], -750.0, 1e-9);
    EXPECT_NEAR(kraft.NXL[0], 375.0, 1e-9);
    EXPECT_NEAR(kraft.NXL[1], 1125.0, 1e-9);
    EXPECT_NEAR(quer.YMSTAC, 0.0, 1e-12);
    EXPECT_NEAR(quer.ZMSTAC, 0.0, 1e-12);
}

// Two cells sharing a wall: Bredt's multi-cell equations, one per cell,
//   (1 / 2A_i) oint_i q ds / (G t) = theta,   T = sum 2 A_i q_i,
// with the flow of a shared wall the difference of the cell flows, solved here by Cramer's rule.
TEST(BoxBeamSection, TwoCellBoxMatchesMultiCellBredt) {
    // cells 3 x 2 and 2 x 2 side by side; the walls get different shear stiffnesses
    Section s;
    s.booms = {{0, 0}, {3, 0}, {5, 0}, {5, 2}, {3, 2}, {0, 2}};
    const double g1 = 2000, g2 = 3500, g3 = 1200, gw = 5000;  // cell 1 walls, cell 2 walls, web
    s.walls = {{1, 2, E * t, g1}, {2, 3, E * t, g2}, {3, 4, E * t, g2}, {4, 5, E * t, g2},
               {5, 6, E * t, g1}, {6, 1, E * t, g3}, {2, 5, E * t, gw}};
    s.cells = {{1, 2, 5, 6}, {2, 3, 4, 5}};
    const double torque = 900;
    load(s, 0, 0, 0, torque);
    ASSERT_TRUE(run());
    const double a1 = 6, a2 = 4;
    const double d1 = 3 / g1 + 3 / g1 + 2 / g3, d2 = 2 / g2 + 2 / g2 + 2 / g2, dw = 2 / gw;
    // unknowns q1, q2, theta:  (d1 + dw) q1 - dw q2 - 2 a1 theta = 0
    //                          -dw q1 + (d2 + dw) q2 - 2 a2 theta = 0
    //                          2 a1 q1 + 2 a2 q2 = T
    const double m[3][3] = {{d1 + dw, -dw, -2 * a1}, {-dw, d2 + dw, -2 * a2}, {2 * a1, 2 * a2, 0}};
    const double rhs[3] = {0, 0, torque};
    auto det3 = [](const double x[3][3]) {
        return x[0][0] * (x[1][1] * x[2][2] - x[1][2] * x[2][1]) - x[0][1] * (x[1][0] * x[2][2] - x[1][2] * x[2][0]) +
               x[0][2] * (x[1][0] * x[2][1] - x[1][1] * x[2][0]);
    };
    double sol[3];
    for (int j = 0; j < 3; ++j) {
        double mj[3][3];
        std::memcpy(mj, m, sizeof m);
        for (int i = 0; i < 3; ++i) mj[i][j] = rhs[i];
        sol[j] = det3(mj) / det3(m);
    }
    EXPECT_NEAR(theta(), sol[2], 1e-12 * std::fabs(sol[2]));
    EXPECT_NEAR(quer.DT, torque / sol[2], 1e-9 * quer.DT);
    EXPECT_NEAR(wall_t0(1), sol[0], 1e-9);   // outer wall of cell 1
    EXPECT_NEAR(wall_t0(3), sol[1], 1e-9);   // outer wall of cell 2
    EXPECT_NEAR(wall_t0(7), sol[0] - sol[1], 1e-9);  // the web, from boom 2 to 5, runs with cell 1
}

// Walls described against the circuit: the same cell area, stiffness and shear centre; a
// reversed wall's flows are the forward ones negated, start and end exchanged.
TEST(BoxBeamSection, ReversedWallsFlipTheirFlowsOnly) {
    Section s;
    s.booms = {{0, 0}, {4, 0}, {3, 2}, {0.5, 1.5}};
    s.walls = {{1, 2, E * 0.1, G * 0.1}, {2, 3, E * 0.3, G * 0.3}, {3, 4, E * 0.15, G * 0.15}, {4, 1, E * 0.2, G * 0.2}};
    s.cells = {{1, 2, 3, 4}};
    load(s, 0, 30, 100, 250);
    ASSERT_TRUE(run());
    const double dt = quer.DT, ym = quer.YMSTAC, zm = quer.ZMSTAC;
    std::array<double, 4> t0, tm, tl;
    for (int k = 0; k < 4; ++k) t0[k] = kraft.T0[k], tm[k] = kraft.TL2[k], tl[k] = kraft.TL[k];
    std::swap(s.walls[1].ig1, s.walls[1].ig2);
    std::swap(s.walls[3].ig1, s.walls[3].ig2);
    load(s, 0, 30, 100, 250);
    ASSERT_TRUE(run());
    EXPECT_NEAR(quer.DT, dt, 1e-10 * dt);
    EXPECT_NEAR(quer.YMSTAC, ym, 1e-12);
    EXPECT_NEAR(quer.ZMSTAC, zm, 1e-12);
    for (int k = 0; k < 4; ++k) {
        const bool rev = k == 1 || k == 3;
        EXPECT_NEAR(kraft.T0[k], rev ? -tl[k] : t0[k], 1e-9) << k;
        EXPECT_NEAR(kraft.TL2[k], rev ? -tm[k] : tm[k], 1e-9) << k;
        EXPECT_NEAR(kraft.TL[k], rev ? -t0[k] : tl[k], 1e-9) << k;
    }
}

// Regression: the moment of the open-section flows was taken with the shear forces as given,
// not turned into the principal system, so that on a section with skewed principal axes a
// shear force through the shear centre twisted the section and the flows missed the torque.
TEST(BoxBeamSection, ShearThroughTheShearCentreDoesNotTwistASkewedCell) {
    Section s;
    const double rot = tvk::pi / 6;
    for (auto [y, z] : {std::array<double, 2>{0, 0}, {4, 0}, {3, 2}, {0.5, 1.5}})
        s.booms.push_back({y * std::cos(rot) - z * std::sin(rot), y * std::sin(rot) + z * std::cos(rot)});
    s.walls = {{1, 2, E * 0.1, G * 0.1}, {2, 3, E * 0.3, G * 0.3}, {3, 4, E * 0.15, G * 0.15}, {4, 1, E * 0.2, G * 0.2}};
    s.cells = {{1, 2, 3, 4}};
    load(s);
    ASSERT_TRUE(run());
    ASSERT_NE(quer.ALPHA, 0.0);
    const double qz = 100;
    load(s, 0, 0, qz, quer.YMSTAC * qz);
    ASSERT_TRUE(run());
    EXPECT_NEAR(theta(), 0.0, 1e-15);
}

// TVERT on a copy of the N + 1 rows a (column-major, leading dimension N + 1); returns IFAIL.
int solve(std::vector<double> a, int n, std::vector<double> b, std::vector<double>& x) {
    std::vector<int> ip(n + 1);
    x.assign(n, -99);
    int ifail = 99;
    const int kl = n + 1;
    const double eps = 1e-30;
    TVERT(a.data(), &n, &kl, &eps, b.data(), ip.data(), x.data(), &ifail);
    return ifail;
}

TEST(BoxBeamSolver, PivotsEliminationAndTheLastUnknown) {
    std::vector<double> x;
    // 3 consistent rows, 2 unknowns, whichever row is left over
    EXPECT_EQ(solve({1, 2, 3, 1, -1, 0}, 2, {2, 1, 3}, x), 0);
    EXPECT_NEAR(x[0], 1, 1e-15);
    EXPECT_NEAR(x[1], 1, 1e-15);
    EXPECT_EQ(solve({3, 1, 2, 0, -1, 1}, 2, {3, 0, 3}, x), 0);
    EXPECT_NEAR(x[0], 1, 1e-15);
    EXPECT_NEAR(x[1], 1, 1e-15);
    // a zero pivot column at step 1
    EXPECT_EQ(solve({0, 0, 0, 1, 2, 3}, 2, {1, 2, 3}, x), 1);
    // equal pivot candidates: the earliest position is kept (row 1), so row 2 is reduced and
    // the last unknown is taken from the larger of the remaining coefficients
    std::vector<int> ip(3);
    {
        std::vector<double> a = {2, -2, 1, 1, 3, 1};
        std::vector<double> b = {3, 1, 2};
        int n = 2, kl = 3, ifail = 0;
        double eps = 1e-30;
        x.assign(2, 0);
        TVERT(a.data(), &n, &kl, &eps, b.data(), ip.data(), x.data(), &ifail);
        EXPECT_EQ(ifail, 0);
        EXPECT_EQ(ip[0], 1);
        EXPECT_NEAR(x[0], 1, 1e-15);
        EXPECT_NEAR(x[1], 1, 1e-15);
    }
    // no coefficient left for the last unknown: inconsistent right side at the row chosen,
    // N when it stands at position N, N + 1 when at N + 1; a zero right side sets it to 1
    EXPECT_EQ(solve({1, 0, 0, 0, 0, 0}, 2, {1, 1, 0}, x), 2);
    EXPECT_EQ(solve({1, 0, 0, 0, 0, 1e-31}, 2, {1, 0, 1}, x), 3);
    EXPECT_EQ(solve({1, 0, 0, 0, 0, 0}, 2, {2, 0, 0}, x), 0);
    EXPECT_EQ(x[1], 1.0);
    EXPECT_NEAR(x[0], 2, 1e-15);
    // no unknowns: refused, nothing written
    EXPECT_EQ(solve({1}, 0, {1}, x), -1);

    const double a[6] = {1, 9, 2, 9, 3, 9}, b[3] = {4, 5, 6};
    const int n = 3, la = 2, lb = 1;
    EXPECT_EQ(QVSKPX(a, b, &n, &la, &lb), 32.0);
}

// Regression: A = (2; 3), B = (4, 7) "solved" to x = 7/3 with IFAIL 0, from the last chosen row
// alone. The redundant row must hold within the rounding of its terms, else IFAIL is N + 1.
// Reference: systems built from a known x, the extra row a random combination of the others;
// with b formed in floating point they are consistent to rounding only and must be solved;
// with the extra row's right side moved by 1e-3 of the largest row they must fail at N + 1.
TEST(BoxBeamSolver, InconsistentRedundantRowFailsAtNPlusOne) {
    std::vector<double> x;
    EXPECT_EQ(solve({2, 3}, 1, {4, 7}, x), 2);
    EXPECT_EQ(solve({2, 3}, 1, {4, 6}, x), 0);
    EXPECT_EQ(x[0], 2.0);
    const char* seed = std::getenv("TVK_SEARCH_SEED");
    std::mt19937_64 rng(seed ? std::strtoull(seed, nullptr, 10) : 31);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 2000; ++trial) {
        const int n = 1 + trial % 7, rows = n + 1;
        std::vector<double> a(static_cast<std::size_t>(rows * n)), xs(n), b(rows);
        for (int j = 0; j < n; ++j) xs[j] = u(rng) * std::pow(10.0, 3 * u(rng));
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) a[i + j * rows] = u(rng) * std::pow(10.0, 2 * u(rng));
        std::vector<double> c(n);
        for (double& ci : c) ci = trial % 2 ? u(rng) : (u(rng) < 0 ? -1.0 : 1.0);  // boom rows: +-1
        for (int j = 0; j < n; ++j) {
            double v = 0;
            for (int i = 0; i < n; ++i) v += c[i] * a[i + j * rows];
            a[n + j * rows] = v;
        }
        const int extra = static_cast<int>(rng() % rows);  // the combination stands at any position
        for (int j = 0; j < n; ++j) std::swap(a[n + j * rows], a[extra + j * rows]);
        double size = 0;  // the largest sum of a row's terms
        for (int i = 0; i < rows; ++i) {
            double v = 0, t = 0;
            for (int j = 0; j < n; ++j) {
                v += a[i + j * rows] * xs[j];
                t += std::fabs(a[i + j * rows] * xs[j]);
            }
            b[i] = v;
            size = std::max(size, t);
        }
        ASSERT_EQ(solve(a, n, b, x), 0) << trial;
        // Moved by 1e-3 of the largest row, the row left over misses by at least that much
        // (the combination's weights are at most 1), far beyond the rounding of its terms.
        b[extra] += 1e-3 * size;
        EXPECT_EQ(solve(a, n, b, x), n + 1) << trial;
    }
}

TEST(BoxBeamNodalForces, ConsistentLoadsOfQuadraticFlows) {
    double p[3][3];
    // constant normal flow n over L = 5: nL/6, 2nL/3, nL/6
    tvk::boxbeam::wall_nodal_forces(1, 1, 4, 5, 6, 6, 6, 0, 0, 0, p);
    EXPECT_NEAR(p[0][0], 5.0, 1e-12);
    EXPECT_NEAR(p[1][0], 20.0, 1e-12);
    EXPECT_NEAR(p[2][0], 5.0, 1e-12);
    // quadratic flow: the node forces integrate every quadratic exactly (Simpson) and their
    // first moment about the start too
    const double n0 = 3, nm = -1, n1 = 7, len = 5;
    tvk::boxbeam::wall_nodal_forces(1, 1, 4, 5, n0, nm, n1, 0, 0, 0, p);
    EXPECT_NEAR(p[0][0] + p[1][0] + p[2][0], len / 6 * (n0 + 4 * nm + n1), 1e-12);
    // a wall parallel to z: no y forces, z forces from the shear flows with the signed length
    tvk::boxbeam::wall_nodal_forces(2, 3, 2, 0, 0, 0, 0, 10, 4, -2, p);
    for (int node = 0; node < 3; ++node) EXPECT_EQ(p[node][1], 0.0);
    EXPECT_NEAR(p[0][2], (4 * 10 + 2 * 4 + 2) * (-3.0 / 30), 1e-12);
    EXPECT_NEAR(p[1][2], (2 * 10 + 16 * 4 - 4) * (-3.0 / 30), 1e-12);
    EXPECT_NEAR(p[2][2], (-10 + 8 - 8) * (-3.0 / 30), 1e-12);
}

// ---- refusals and failures ---------------------------------------------------------------

TEST(BoxBeamFailures, InconsistentCountsAreRefusedAfterTheProperties) {
    // booms only: properties from the booms, then no shear system to build
    Section s;
    s.booms = {{0, 0}, {2, 0}, {0, 1}};
    s.bi = {100, 200, 300};
    s.myi = {1, 1, 2};
    load(s);
    clear_error();
    const Status st = run();
    EXPECT_EQ(st.code, Status::refused);
    EXPECT_NE(st.message.find("ANZAHL DER WAENDE"), std::string::npos);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_NEAR(quer.BX, 600, 1e-12);
    EXPECT_NEAR(quer.YS, 400.0 / 600, 1e-12);
    EXPECT_NEAR(quer.ZT, 0.5, 1e-12);
    clear_error();
}

TEST(BoxBeamFailures, CountsBeyondTheRecordsAreRefusedUntouched) {
    load(rectangle(3, 2, 0, 0));
    wand.KW = 101;
    quer.BX = -5;
    EXPECT_EQ(run().code, Status::refused);
    EXPECT_EQ(quer.BX, -5.0);
    wand.KW = 4;
    zelle.IAK[0] = 101;
    EXPECT_EQ(run().code, Status::refused);
    zelle.IAK[0] = 4;
    gurt.IG = -1;
    EXPECT_EQ(run().code, Status::refused);
    gurt.IG = 4;
    EXPECT_TRUE(run());
    clear_error();
}

TEST(BoxBeamFailures, UndefinedCellWallEndsTheCalculationNotTheProcess) {
    Section s = rectangle(3, 2, 0, 0);
    s.cells = {{1, 2, 4, 3}};  // boom 2 to 4 is no wall
    load(s);
    clear_error();
    const Status st = run();
    EXPECT_EQ(st.code, Status::refused);
    EXPECT_EQ(st.message, "IN ZELLE 1 WURDE DIE WAND ZWISCHEN DEN GURTEN 2 UND 4 NICHT DEFINIERT !!");
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_error();
}

TEST(BoxBeamFailures, SingularSystemReportsTheEliminationStep) {
    // two strips, one of them doubled: the boom equations leave the doubled pair undetermined
    // and the shear of the first solve cannot be balanced
    Section s;
    s.booms = {{0, 0}, {2, 0}, {0, 1}, {2, 1}};
    s.walls = {{1, 2}, {3, 4}, {1, 2}};
    load(s, 0, 0, 10);
    clear_error();
    quer.YMSTAC = -7;
    const Status st = run();
    EXPECT_EQ(st.code, Status::refused);
    EXPECT_EQ(st.message, "ABBRUCH DER REDUKTION IN SCHRITT  3. PIVOTELEMENT IST ZU KLEIN");
    EXPECT_EQ(quer.YMSTAC, -7.0);  // later results keep their values
    EXPECT_GT(quer.DZZ, 0.0);     // earlier ones are there
    clear_error();
}

// ---- report files ------------------------------------------------------------------------

struct ReportFiles {
    fs::path dir;
    ReportFiles() {
        dir = fs::temp_directory_path() / ("tvk_boxbeam_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        set(path.CSINFOPATH, (dir / "section.txt").string());
        set(path.VBINFOPATH, (dir / "trace.txt").string());
        steuer.KLOG = 11;
    }
    ~ReportFiles() {
        fs::remove_all(dir);
        steuer.DRUCK = steuer.EXDRU = 0;
    }
    static void set(char (&field)[240], const std::string& s) {
        std::memset(field, ' ', sizeof field);
        std::memcpy(field, s.data(), s.size());
    }
    std::string text(const char* name) const {
        std::ifstream in(dir / name);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool exists(const char* name) const { return fs::exists(dir / name); }
};

Status run_reported(bool druck, bool exdru) {
    steuer.DRUCK = druck, steuer.EXDRU = exdru;
    return tvk::boxbeam::calculate();
}

TEST(BoxBeamReport, WrittenOnlyWhenAskedForAndAppended) {
    ReportFiles f;
    load(rectangle(3, 2, 1, -0.5), 10, 20, 30, 1000, 50, 60);
    ASSERT_TRUE(run_reported(false, true));
    EXPECT_FALSE(f.exists("section.txt"));
    EXPECT_FALSE(f.exists("trace.txt"));

    ASSERT_TRUE(run_reported(true, false));
    EXPECT_FALSE(f.exists("trace.txt"));
    const std::string plain = f.text("section.txt");
    EXPECT_EQ(plain.find("DEHNSTEIFIGKEIT"), std::string::npos);
    EXPECT_EQ(plain.find("KONTROLLAUSDRUCK"), std::string::npos);
    EXPECT_EQ(plain.find("SPX ="), std::string::npos);
    EXPECT_EQ(plain.find("SSTYK"), std::string::npos);
    EXPECT_NE(plain.find(" SPEZIFISCHE VERDREHUNG THETA = "), std::string::npos);

    ASSERT_TRUE(run_reported(true, true));
    const std::string both = f.text("section.txt");
    EXPECT_EQ(both.substr(0, plain.size()), plain);  // the second report follows the first
    const std::string second = both.substr(plain.size());
    EXPECT_NE(second.find("0                   DEHNSTEIFIGKEIT DES TRAEGERS =  0.700000000D+05  (K)"), std::string::npos);
    EXPECT_NE(second.find("KONTROLLAUSDRUCK GLEICHUNGSSYSTEM:"), std::string::npos);
    // walls only: the x forces sum to the normal force
    EXPECT_NE(second.find("\n          SPX =  0.100000000D+02\n"), std::string::npos);
    const std::string trace = f.text("trace.txt");
    EXPECT_EQ(trace.substr(0, 7), " Wand: ");
    EXPECT_NE(trace.find(" ALPHA "), std::string::npos);
    EXPECT_NE(trace.find(" ZWC "), std::string::npos);

    // the nodal forces alone, from the results in the records
    fs::remove(f.dir / "section.txt");
    steuer.EXDRU = 0;
    const int kw = 4;
    KNKRFT(&kw);
    const std::string nodal = f.text("section.txt");
    EXPECT_EQ(nodal.find("\n\n\n\n\n0    AEQUIVALENTE KNOTENKRAEFTE IN  X-RICHTUNG\n"), 0u);
    EXPECT_NE(nodal.find("AEQUIVALENTE KNOTENKRAEFTE IN  Z-RICHTUNG"), std::string::npos);
}

// Exact lines of the report: input tables, loads, results, and the nodal-force rows.
TEST(BoxBeamReport, BlocksInTheirColumns) {
    ReportFiles f;
    load(rectangle(3, 2, 1, -0.5), 0, 0, 0, 1000);
    wand.IT[0] = 7;
    ASSERT_TRUE(run_reported(true, false));
    const std::string r = f.text("section.txt");
    std::vector<std::string> lines;
    std::istringstream in(r);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[3], " GURTPARAMETER");
    EXPECT_EQ(lines[4], " =============");
    EXPECT_EQ(lines[6], " NR         YI          ZI          BI          MYI");
    EXPECT_EQ(lines[7], "  1       1.000      -0.500   0.000E+00   0.000E+00");
    EXPECT_TRUE(has("  1       1       2       7       1       1.000      -0.500       4.000      -0.500   0.700E+04   0.270E+04   0.000E+00"));
    EXPECT_TRUE(has(" NR     IG1     IG2     IG3     IG4"));
    EXPECT_TRUE(has("  1       1       2       3       4"));
    EXPECT_TRUE(has("   MX =  0.100000000D+04     MY =  0.000000000D+00     MZ =  0.000000000D+00"));
    EXPECT_TRUE(has("+                   Q U E R S C H N I T T S G R O E S S E N"));
    EXPECT_TRUE(has("                    ---------------------------------------"));
    EXPECT_TRUE(has("0                              HAUPTACHSENWINKEL =  0.000000000D+00  (RADIAN)   =     0.00  (GRAD)"));
    EXPECT_TRUE(has("                          TORSIONSSTEIFIGKEIT DT = 0.388800000D+05  (K * L**2)"));
    EXPECT_TRUE(has("    1    0.833333333D+02    0.833333333D+02    0.833333333D+02         0.308641975D-01    0.308641975D-01    0.308641975D-01"));
    EXPECT_TRUE(has("0    AEQUIVALENTE KNOTENKRAEFTE IN  Y-RICHTUNG"));
    // wall 1 runs along +y over 3: shear forces 83.33 * 3 / 6, * 3 * 2 / 3, * 3 / 6
    EXPECT_TRUE(has("      1         1       0.416666667D+02      0.166666667D+03      0.416666667D+02      2"));
}

TEST(BoxBeamReport, OpenSectionAndFailureMessages) {
    ReportFiles f;
    Section s;
    s.booms = {{1, 1.5}, {0, 1.5}, {0, -1.5}, {1, -1.5}};
    s.walls = {{1, 2}, {2, 3}, {3, 4}};
    load(s, 0, 0, 100);
    ASSERT_TRUE(run_reported(true, false));
    std::string r = f.text("section.txt");
    EXPECT_NE(r.find("0DRILLWINKEL KANN NICHT BERECHNET WERDEN, DA OFFENES PROFIL \"KEINE\" DRILLSTEIFIGKEIT BESITZT.\n"),
              std::string::npos);
    EXPECT_EQ(r.find("THETA"), std::string::npos);
    EXPECT_NE(r.find("TORSIONSSTEIFIGKEIT DT = 0.000000000D+00"), std::string::npos);

    fs::remove(f.dir / "section.txt");
    Section t = rectangle(3, 2, 0, 0);
    t.cells = {{1, 2, 4}};
    load(t);
    EXPECT_FALSE(run_reported(true, false));
    r = f.text("section.txt");
    EXPECT_NE(r.find("0   F E H L E R M E L D U N G:\n\n     IN ZELLE   1  WURDE DIE WAND ZWISCHEN DEN GURTEN   2  UND   4  NICHT DEFINIERT !!\n"),
              std::string::npos);
    // the cell table prints the empty fourth slot as 0
    EXPECT_NE(r.find("\n  1       1       2       4       0\n"), std::string::npos);
    EXPECT_EQ(r.find("SCHUBMITTELPUNKTS"), std::string::npos);

    // a unit the table cannot hold (trace on 10 x 13) is a failed file operation, not a crash
    steuer.KLOG = 13;
    load(rectangle(3, 2, 0, 0));
    const Status st = run_reported(true, true);
    EXPECT_EQ(st.code, Status::refused);
    EXPECT_NE(st.message.find("CANNOT BE OPENED"), std::string::npos);
    clear_error();
}

TEST(BoxBeamReport, BoomNumbersBeyondTwoDigitsShowAsStars) {
    ReportFiles f;
    // a zigzag chain of 100 booms: an open section whose last wall ends at boom 100
    ASSERT_TRUE(tvk::boxbeam::initialize(100, 100, 100));
    gurt.IG = 100;
    wand.KW = 99;
    for (int i = 0; i < 100; ++i) gurt.YI[i] = i, gurt.ZI[i] = (i % 2) * 0.5;
    for (int k = 0; k < 99; ++k) {
        wand.IG1[k] = k + 1, wand.IG2[k] = k + 2;
        wand.YK0[k] = gurt.YI[k], wand.ZK0[k] = gurt.ZI[k];
        wand.YKLK[k] = gurt.YI[k + 1], wand.ZKLK[k] = gurt.ZI[k + 1];
        wand.BK[k] = E * t, wand.GK[k] = G * t;
    }
    spanug.QQZ = 10;
    const Status st = run_reported(true, false);
    ASSERT_TRUE(st) << st.message;
    const std::string r = f.text("section.txt");
    const std::size_t row = r.rfind("\n     99        99");
    ASSERT_NE(row, std::string::npos);
    EXPECT_EQ(r.substr(r.find('\n', row + 1) - 2, 2), "**");
}

}  // namespace
