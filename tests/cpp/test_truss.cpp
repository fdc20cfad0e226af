// Bar user elements driven as the implicit and explicit solvers call them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "element_driver.h"
#include "error_record.h"
#include "solver/truss.h"

using tvktest::UelDriver;
using tvktest::VuelDriver;

namespace {

struct RandomBar {
    double x1[3], d[3], L, n[3];
    explicit RandomBar(std::mt19937& g) {
        std::uniform_real_distribution<double> c(-2.0, 2.0);
        L = 0.0;
        while (L < 0.3) {
            for (int i = 0; i < 3; ++i) x1[i] = c(g), d[i] = c(g);
            L = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        }
        for (int i = 0; i < 3; ++i) n[i] = d[i] / L;
    }
    void place(UelDriver& e) const {
        for (int i = 0; i < 3; ++i) e.coords[i] = x1[i], e.coords[3 + i] = x1[i] + d[i];
    }
};

}  // namespace

TEST(UelTruss, StaticStiffnessResidualAndRigidMotion) {
    std::mt19937 g(7);
    std::uniform_real_distribution<double> r(-0.01, 0.01);
    for (int trial = 0; trial < 20; ++trial) {
        const RandomBar bar(g);
        UelDriver e;
        bar.place(e);
        e.props = {210e3 * (1 + trial), 7.8e-9, 12.5};
        const double EA_L = e.props[0] * e.props[2] / bar.L;
        for (double& x : e.u) x = r(g);
        e.call(uel_truss);
        const double dl = [&] {
            double s = 0.0;
            for (int i = 0; i < 3; ++i) s += bar.n[i] * (e.u[3 + i] - e.u[i]);
            return s;
        }();
        const double F = EA_L * dl;
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(e.R(i), (i < 3 ? F : -F) * bar.n[i % 3], 1e-9 * std::abs(EA_L));
            for (int j = 0; j < 6; ++j)
                EXPECT_NEAR(e.K(i, j), ((i < 3) == (j < 3) ? 1 : -1) * EA_L * bar.n[i % 3] * bar.n[j % 3],
                            1e-9 * EA_L);
        }
        EXPECT_NEAR(e.energy[1], 0.5 * F * dl, 1e-9 * std::abs(F * dl) + 1e-300);

        // K u = -RHS, so the residual is the stiffness times the displacement.
        for (int i = 0; i < 6; ++i) {
            double ku = 0.0;
            for (int j = 0; j < 6; ++j) ku += e.K(i, j) * e.u[j];
            EXPECT_NEAR(ku, -e.R(i), 1e-9 * EA_L);
        }

        // Translation and an infinitesimal rotation about the first node leave no axial force.
        double t[3] = {r(g), r(g), r(g)}, w[3] = {r(g), r(g), r(g)};
        for (int i = 0; i < 3; ++i) e.u[i] = t[i];
        const double wxd[3] = {w[1] * bar.d[2] - w[2] * bar.d[1], w[2] * bar.d[0] - w[0] * bar.d[2],
                               w[0] * bar.d[1] - w[1] * bar.d[0]};
        for (int i = 0; i < 3; ++i) e.u[3 + i] = t[i] + wxd[i];
        e.call(uel_truss);
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(e.R(i), 0.0, 1e-12 * EA_L);
    }

    // Procedures the element does not serve return zero residual and stiffness.
    UelDriver e;
    e.u[3] = 0.1;
    for (int proc : {3, 13, 17, 41}) {
        e.rhs.assign(12, 7.0);
        e.amatrx.assign(36, 7.0);
        e.lflags[0] = proc;
        e.call(uel_truss);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(e.R(i), 0.0);
        for (double x : e.amatrx) EXPECT_EQ(x, 0.0);
    }
}

TEST(UelTruss, DynamicMassHistoryAndPerturbation) {
    UelDriver e;
    e.props = {100.0, 2.0, 0.5};  // am = 0.5 rho A L = 0.5
    e.coords = {0, 0, 0, 0, 2, 0};
    e.lflags = {11, 1, 1, 0, 0};
    e.params = {-0.05, 0.275625, 0.55};
    e.dtime = 0.1;
    e.u = {0, 0, 0, 0, 0.01, 0};
    e.a = {1, 2, 3, 4, 5, 6};
    e.v = {1, 0, 0, 0, 1, 0};
    for (int i = 0; i < 12; ++i) e.svars[i] = i + 1;
    e.call(uel_truss);
    const double am = 0.5 * 2.0 * 0.5 * 2.0, ak = 100.0 * 0.5 / 2.0, F = ak * 0.01, alpha = -0.05;
    EXPECT_NEAR(e.K(4, 4), (1 + alpha) * ak + am / (0.275625 * 0.01), 1e-9);
    EXPECT_NEAR(e.K(0, 0), am / (0.275625 * 0.01), 1e-9);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(e.svars[6 + i], i + 1.0);
        const double sresid = i == 1 ? -F : i == 4 ? F : 0.0;
        EXPECT_NEAR(e.svars[i], sresid, 1e-15);
        EXPECT_NEAR(e.R(i), -am * e.a[i] - (1 + alpha) * sresid + alpha * (i + 1.0), 1e-12);
    }
    EXPECT_NEAR(e.energy[0], am, 1e-15);
    EXPECT_NEAR(e.energy[1], 0.5 * ak * 1e-4, 1e-15);

    // A dynamic call with too few state values reports and touches no state beyond them.
    tvktest::clear_errors();
    UelDriver small(6);
    small.lflags = {11, 1, 1, 0, 0};
    small.params = {0, 0.25, 0.5};
    small.call(uel_truss);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);

    // Perturbation output: every state value zeroed, then the first six hold the residual.
    UelDriver p(20);
    for (double& s : p.svars) s = 9.0;
    p.lflags = {1, 1, 100, 0, 0};
    p.u[4] = 0.01;
    p.du[3] = 0.002;
    p.call(uel_truss);
    EXPECT_NEAR(p.R(0), 1.0 * 0.002, 1e-15);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.svars[i], p.R(i));
    for (int i = 6; i < 20; ++i) EXPECT_EQ(p.svars[i], 0.0);
    EXPECT_NEAR(p.energy[1], 0.5 * 0.0 * 0.002 + 0.5 * 0.0 * 0.002 + 0.5 * 0.002 * 0.002, 1e-15);
}

TEST(UelTruss, FollowerLoadAndMisfitArguments) {
    UelDriver e;
    e.nrhs = 2;
    e.ndload = 1;
    e.jdltyp[0] = 1001;
    e.adlmag[0] = 3.0;
    e.ddlmag[0] = 0.5;
    e.du[3] = 0.1;
    e.call(uel_truss);
    EXPECT_DOUBLE_EQ(e.R(3, 0), 3.0);
    EXPECT_DOUBLE_EQ(e.R(3, 1), 0.5);
    EXPECT_DOUBLE_EQ(e.energy[7], (3.0 - 0.25) * 0.1);

    // Element shapes other than a 3-D two-node bar are refused without writing beyond the arrays.
    tvktest::clear_errors();
    UelDriver m;
    m.mcrd = 2;
    m.call(uel_truss);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    for (double x : m.rhs) EXPECT_EQ(x, 0.0);
}

TEST(VuelTruss, MassStableIncrementForceAndCollapse) {
    VuelDriver e(2, 2);
    e.props = {70e3, 2.7e-9, 4.0};
    for (int k = 0; k < 2; ++k) e.X(k, 1, 0) = 10.0 + k;
    e.lflags = {3, 1, 2};
    e.call(vuel_truss);  // not the explicit dynamic procedure: nothing written
    for (double x : e.dtimestable) EXPECT_EQ(x, 0.0);
    e.lflags = {17, 1, 1};
    e.call(vuel_truss);
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j)
                EXPECT_DOUBLE_EQ(e.M(k, i, j), i == j ? 0.5 * 2.7e-9 * 4.0 * (10.0 + k) : 0.0);
    e.lflags = {17, 1, 2};
    e.call(vuel_truss);
    EXPECT_NEAR(e.dtimestable[0], 0.99 * 10.0 * std::sqrt(2.7e-9 / 70e3), 1e-15);
    e.U(0, 3) = 1.5;   // stretched to 11.5
    e.U(1, 0) = 12.0;  // second bar pushed through its other node
    e.call(vuel_truss);
    const double L = 11.5, F = 70e3 * 4.0 * 10.0 / L * std::log(L / 10.0);
    EXPECT_NEAR(e.RHS(0, 3), F, 1e-9 * F);
    EXPECT_NEAR(e.RHS(0, 0), -F, 1e-9 * F);
    EXPECT_DOUBLE_EQ(e.SV(0, 0), L);
    for (double x : e.rhs) EXPECT_TRUE(std::isfinite(x));
    EXPECT_TRUE(std::isfinite(e.dtimestable[1]));
    EXPECT_DOUBLE_EQ(e.SV(1, 0), 2.220446049250313e-16);

    e.lflags = {17, 1, 3};
    e.jdltyp = 123;
    e.adlmag = {5.0, 6.0};
    e.call(vuel_truss);
    EXPECT_DOUBLE_EQ(e.RHS(1, 3), 6.0);
    EXPECT_DOUBLE_EQ(e.RHS(1, 0), 0.0);
}

// Central-difference integration of a bar fixed at one end, the free node carrying the lumped
// mass: kinetic plus stored (trapezoidal) internal energy stays at the initial kinetic energy.
TEST(VuelTruss, EnergyConservedOverUndampedOscillation) {
    for (double fraction : {0.2, 0.05}) {
        VuelDriver e(1, 2);
        e.props = {200e3, 7.8e-9, 10.0};
        e.X(0, 1, 0) = 100.0;
        e.lflags = {17, 1, 1};
        e.call(vuel_truss);
        const double m = e.M(0, 3, 3);
        e.lflags = {17, 1, 2};
        e.call(vuel_truss);
        e.EN(0, 2) = 0.0;
        e.SV(0, 0) = 100.0;
        e.SV(0, 1) = 0.0;
        const double dt = fraction * e.dtimestable[0], v0 = 40000.0, E0 = 0.5 * m * v0 * v0;
        const double omega = std::sqrt(200e3 * 10.0 / 100.0 / m);
        double vhalf = v0, worst = 0.0, umax = 0.0;
        for (int n = 0; n < static_cast<int>(3.0 * 2.0 * M_PI / omega / dt); ++n) {
            e.U(0, 3) += dt * vhalf;
            e.call(vuel_truss);
            const double vnext = vhalf - dt * e.RHS(0, 3) / m;
            const double vn = 0.5 * (vhalf + vnext);
            worst = std::max(worst, std::abs(0.5 * m * vn * vn + e.EN(0, 2) - E0) / E0);
            umax = std::max(umax, std::abs(e.U(0, 3)));
            vhalf = vnext;
        }
        EXPECT_GT(umax, 0.5);  // a real oscillation, with a finite strain
        // The central-difference scheme errs by O((omega dt)^2) in the energy, without drift.
        EXPECT_LT(worst, 0.5 * (omega * dt) * (omega * dt));
    }
}

namespace {

// The refused implicit element: a level -3 report, zero residual, stiffness and energies, the
// state as it came, and 0 < pnewdt <= 0.5 whatever the solver passed (-1 for "no request").
void expect_refused(UelDriver c, const char* what) {
    for (double pnewdt : {1.0, -1.0, 0.3}) {
        tvktest::clear_errors();
        c.pnewdt = pnewdt;
        c.energy.fill(4.0);
        for (std::size_t i = 0; i < c.svars.size(); ++i) c.svars[i] = 1.0 + i;
        UelDriver out = c;
        out.call(uel_truss);
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << what;
        EXPECT_EQ(out.rhs, std::vector<double>(12)) << what;
        EXPECT_EQ(out.amatrx, std::vector<double>(36)) << what;
        EXPECT_EQ(out.energy, decltype(out.energy){}) << what;
        EXPECT_EQ(out.svars, c.svars) << what;
        EXPECT_EQ(out.pnewdt, pnewdt == 0.3 ? 0.3 : 0.5) << what;
    }
    tvktest::clear_errors();
}

}  // namespace

TEST(UelTruss, RefusalsZeroTheElementAndAskForACutBack) {
    const double nan = std::nan(""), inf = INFINITY;
    auto with = [](auto change, int nsvars = 12) {
        UelDriver e(nsvars);
        e.props = {100.0, 2.0, 0.5};
        e.u[3] = 0.01;
        change(e);
        return e;
    };
    auto dynamic = [](UelDriver& e) { e.lflags = {11, 1, 1, 0, 0}, e.params = {-0.05, 0.275625, 0.55}; };
    expect_refused(with([](UelDriver& e) { e.ndofel = 5; }), "ndofel 5");
    expect_refused(with([](UelDriver& e) { e.nprops = 2; }), "nprops 2");
    expect_refused(with([](UelDriver& e) { e.nnode = 1; }), "nnode 1");
    expect_refused(with([](UelDriver& e) { e.mlvarx = 5; }), "mlvarx 5");
    expect_refused(with([](UelDriver& e) { e.coords = {1, 2, 3, 1, 2, 3}; }), "zero length");
    expect_refused(with([](UelDriver& e) { e.coords = {-1e308, 0, 0, 1e308, 0, 0}; }), "coordinates 1e308 apart");
    expect_refused(with([&](UelDriver& e) { e.coords[4] = nan; }), "NaN coordinate");
    expect_refused(with([&](UelDriver& e) { e.props[0] = nan; }), "NaN modulus");
    expect_refused(with([&](UelDriver& e) { e.u[0] = inf; }), "infinite displacement");
    expect_refused(with([&](UelDriver& e) { e.lflags = {1, 1, 100, 0, 0}, e.du[3] = nan; }), "NaN perturbation");
    expect_refused(with([&](UelDriver& e) { dynamic(e), e.v[2] = nan; }), "NaN velocity");
    expect_refused(with([&](UelDriver& e) { dynamic(e), e.params[1] = 0.0; }), "beta 0");
    expect_refused(with([&](UelDriver& e) { dynamic(e), e.lflags[2] = 4, e.props[1] = inf; }), "infinite mass");
    expect_refused(with(dynamic, 6), "6 state values in a dynamic call");
}

// What a call never reads, and energies the solver left unset that the call does not write, are
// no reason to refuse: the results are those of the clean call, bit for bit, and pnewdt stays.
TEST(UelTruss, UnreadNonFiniteValuesRefuseNothing) {
    const double nan = std::nan("");
    UelDriver clean;
    clean.props = {100.0, 2.0, 0.5};
    clean.u[3] = 0.01;
    clean.call(uel_truss);
    tvktest::clear_errors();
    UelDriver e;
    e.props = {100.0, nan, 0.5};  // the density is not read in a static call
    e.u[3] = 0.01;
    e.v.fill(nan);
    e.params.fill(nan);
    for (int i = 2; i < 7; ++i) e.energy[i] = nan;
    e.pnewdt = -1.0;
    e.call(uel_truss);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    EXPECT_EQ(e.pnewdt, -1.0);
    EXPECT_EQ(e.rhs, clean.rhs);
    EXPECT_EQ(e.amatrx, clean.amatrx);
    EXPECT_EQ(e.energy[1], clean.energy[1]);
}

// A refused element of an explicit block gets zero residual, mass and energies with a level -3
// report and keeps its state and stable increment; the others are computed as if alone.
TEST(VuelTruss, RefusedElementsReportAndKeepTheirState) {
    auto three_bars = [](int kind) {  // lengths 10, 11 and 12 along x
        VuelDriver e(3, 2);
        e.props = {70e3, 2.7e-9, 4.0};
        for (int k = 0; k < 3; ++k) e.X(k, 1, 0) = 10.0 + k, e.dtimestable[k] = 6.0, e.SV(k, 0) = 3.0;
        e.lflags = {17, 1, kind};
        return e;
    };
    // Mass: coincident nodes have none.
    tvktest::clear_errors();
    VuelDriver m = three_bars(1);
    m.X(1, 1, 0) = 0.0;
    m.amass.assign(m.amass.size(), 5.0);
    m.call(vuel_truss);
    EXPECT_EQ(tvktest::errtext(), "Error: truss element of zero length");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m.M(1, i, i), 0.0);
        EXPECT_EQ(m.M(2, i, i), 0.5 * 2.7e-9 * 4.0 * 12.0);
    }

    // Internal force: a NaN or infinite displacement is refused, not taken for a collapse to the
    // length eps; a zero-length bar keeps the reference length eps of its force; E = 0 gives an
    // infinite stable increment.
    for (double bad : {std::nan(""), -HUGE_VAL}) {
        tvktest::clear_errors();
        VuelDriver f = three_bars(2);
        f.X(1, 1, 0) = 0.0;
        f.U(2, 3) = bad;
        f.EN(2, 2) = 5.0;
        f.call(vuel_truss);
        EXPECT_EQ(tvktest::errtext(), "vuel_truss: non-finite result; element not evaluated");
        EXPECT_EQ(f.SV(2, 0), 3.0);
        EXPECT_EQ(f.dtimestable[2], 6.0);
        EXPECT_EQ(f.EN(2, 2), 0.0);
        EXPECT_EQ(f.SV(1, 0), 2.220446049250313e-16);
        EXPECT_NEAR(f.dtimestable[0], 0.99 * 10.0 * std::sqrt(2.7e-9 / 70e3), 1e-15);
    }
    tvktest::clear_errors();
    VuelDriver soft = three_bars(2);
    soft.props[0] = 0.0;
    soft.call(vuel_truss);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    for (double x : soft.dtimestable) EXPECT_EQ(x, 6.0);

    // A load along a bar needs a finite magnitude.
    tvktest::clear_errors();
    VuelDriver load = three_bars(3);
    load.jdltyp = 123;
    load.adlmag = {5.0, INFINITY, 7.0};
    load.call(vuel_truss);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(load.RHS(1, 3), 0.0);
    EXPECT_EQ(load.RHS(2, 3), 7.0);
    tvktest::clear_errors();
}

// An element whose stable time increment is 0 (no density, or a mass that underflows against its
// stiffness) is refused as one without stiffness is: a level -3 report, zero residual and energies,
// its state and stable increment as they came. A light but not vanishing bar is computed.
TEST(VuelTruss, ZeroStableIncrementIsRefused) {
    for (const auto& props : {std::vector<double>{70e3, 0.0, 4.0}, std::vector<double>{70e3, 2.7e-9, 1e-320},
                              std::vector<double>{1e300, 1e-300, 4.0}}) {
        tvktest::clear_errors();
        VuelDriver e(2, 2);
        e.props = props;
        for (int k = 0; k < 2; ++k) e.X(k, 1, 0) = 10.0, e.dtimestable[k] = 6.0, e.SV(k, 0) = 3.0, e.EN(k, 2) = 5.0;
        e.U(0, 3) = 0.1;
        e.lflags = {17, 1, 2};
        e.call(vuel_truss);
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << props[1];
        EXPECT_EQ(tvktest::errtext(), "vuel_truss: stable time increment not positive; element not evaluated");
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(e.dtimestable[k], 6.0);
            EXPECT_EQ(e.SV(k, 0), 3.0);
            EXPECT_EQ(e.EN(k, 2), 0.0);
            for (int i = 0; i < 6; ++i) EXPECT_EQ(e.RHS(k, i), 0.0);
        }
    }
    tvktest::clear_errors();
    VuelDriver light(1, 2);
    light.props = {70e3, 1e-200, 4.0};
    light.X(0, 1, 0) = 10.0;
    light.lflags = {17, 1, 2};
    light.call(vuel_truss);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_NEAR(light.dtimestable[0], 0.99 * 10.0 * std::sqrt(1e-200 / 70e3), 1e-110);
    tvktest::clear_errors();
}
