// Sensor material: stiffless isotropic law and the copies between the impactor records and the
// material point.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "error_record.h"
#include "solver/sensor.h"

namespace {

struct UmatPoint {
    int ndi = 3, nshr = 3, ntens = 6, nstatv = 8, nprops = 2, noel = 1, npt = 1, kslay = 1, kspt = 1, kinc = 1,
        stepid = 3;
    std::array<double, 6> stress{}, ddsddt{}, drplde{}, stran{}, dstran{};
    std::array<double, 36> ddsdde{};
    std::vector<double> statev = std::vector<double>(8, 5.0), props = {3.0, 4.0};
    double sse = 1.0, spd = 9.0, scd = 9.0, rpl = 0, drpldt = 0, dtime = 1, temp = 0, dtemp = 0, pnewdt = 1,
           celent = 1;
    std::array<double, 2> time{};
    std::array<double, 1> predef{}, dpred{};
    std::array<double, 3> coords{};
    std::array<double, 9> drot{}, dfgrd0{}, dfgrd1{};
    std::array<double, 20> cprops{};
    std::array<double, 12> dprops{};
    char materl[80] = {};

    void call() {
        umat_sensor(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(),
                    drplde.data(), &drpldt, stran.data(), dstran.data(), time.data(), &dtime, &temp, &dtemp,
                    predef.data(), dpred.data(), materl, &ndi, &nshr, &ntens, &nstatv, props.data(), &nprops,
                    coords.data(), drot.data(), &pnewdt, &celent, dfgrd0.data(), dfgrd1.data(), &noel, &npt,
                    &kslay, &kspt, &kinc, &stepid, cprops.data(), dprops.data(), 80);
    }
};

}  // namespace

TEST(UmatSensor, TangentEnergyAndRecords) {
    UmatPoint p;
    for (int i = 0; i < 20; ++i) p.cprops[i] = i + 1;
    p.dprops[0] = 1.0;
    std::mt19937 g(3);
    std::uniform_real_distribution<double> r(-1.0, 1.0);
    for (double& x : p.dstran) x = r(g);
    p.stress = {1, 2, 3, 4, 5, 6};
    p.call();
    const double lam = 1.6442953020134214e-19, mu = 3.355704697986577e-21;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) {
            const double want = i < 3 && j < 3 ? (i == j ? lam + 2 * mu : lam) : (i == j ? mu : 0.0);
            EXPECT_NEAR(p.ddsdde[i + 6 * j], want, 1e-15 * lam);
        }
    EXPECT_NEAR(p.ddsdde[0], 1.711409395973153e-19, 1e-33);
    // Energy increment against the closed form of a linear law: (s0 + C de / 2) . de.
    const double tr = p.dstran[0] + p.dstran[1] + p.dstran[2];
    double w = 0.0;
    for (int i = 0; i < 6; ++i) {
        const double s0 = i + 1.0, ds = i < 3 ? lam * tr + 2 * mu * p.dstran[i] : mu * p.dstran[i];
        EXPECT_NEAR(p.stress[i], s0 + ds, 1e-15);
        w += (s0 + 0.5 * ds) * p.dstran[i];
    }
    EXPECT_NEAR(p.sse, 1.0 + w, 1e-14);
    EXPECT_EQ(p.spd, 0.0);
    const std::array<double, 8> statev = {4, 5, 6, 1, 2, 3, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p.statev[i], statev[i]);
    EXPECT_EQ(p.dprops[0], -1.0);
    EXPECT_EQ(p.dprops[7], 3.0);
    EXPECT_EQ(p.dprops[8], 4.0);

    // Outside impact steps, with 5 state values or other property counts: no contact values, no
    // record update; a dprops(1) other than 1 stays.
    UmatPoint q;
    q.stepid = 2;
    q.dprops = {0.5, 0, 0, 0, 0, 0, 0, 7, 7, 7, 7, 0};
    q.nprops = 3;
    q.props = {1, 2, 3};
    q.cprops[0] = 11;
    q.call();
    EXPECT_EQ(q.statev[3], 0.0);
    EXPECT_EQ(q.dprops[0], 0.5);
    EXPECT_EQ(q.dprops[9], 7.0);
    UmatPoint s;
    s.nstatv = 5;
    s.cprops[0] = 11;
    s.call();
    EXPECT_EQ(s.statev[3], 0.0);
    EXPECT_EQ(s.statev[5], 5.0);  // beyond nstatv: untouched

    // Plane stress (two normal, one shear component).
    UmatPoint ps;
    ps.ndi = 2;
    ps.nshr = 1;
    ps.ntens = 3;
    ps.call();
    EXPECT_NEAR(ps.ddsdde[0], lam + 2 * mu, 1e-33);
    EXPECT_NEAR(ps.ddsdde[3], lam, 1e-33);
    EXPECT_NEAR(ps.ddsdde[8], mu, 1e-35);
}

TEST(VumatSensor, PlaneStressStrainEnergyAndState) {
    int nblock = 2, ndir = 3, nshr = 1, nstatev = 6, nfieldv = 1, nprops = 2, lanneal = 0, stepid = 3;
    double steptime = 0, totaltime = 0, dt = 1;
    char cmname[80] = {};
    std::vector<double> coordmp(6), charlength(6), props = {1.0, 2.0}, density = {2.0, 4.0}, straininc(8),
        relspin(2), tempold(2), stretchold(8), defgradold(10), fieldold(2), stressold(8), stateold(12),
        enerold = {1.0, 2.0}, inelold(2), tempnew(2), stretchnew(8), defgradnew(10), fieldnew(2), stressnew(8),
        statenew(12, 9.0), enernew(2), inelnew(2, 3.0), cprops(20), dprops(12);
    for (int i = 0; i < 20; ++i) cprops[i] = i + 1;
    straininc = {1e-3, 2e-3, -1e-3, 5e-4, 0, 0, 1e-4, 0};  // column-major (2, 4)
    stressold = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> in = straininc;
    vumat_sensor(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt, cmname,
                 coordmp.data(), charlength.data(), props.data(), density.data(), straininc.data(),
                 relspin.data(), tempold.data(), stretchold.data(), defgradold.data(), fieldold.data(),
                 stressold.data(), stateold.data(), enerold.data(), inelold.data(), tempnew.data(),
                 stretchnew.data(), defgradnew.data(), fieldnew.data(), stressnew.data(), statenew.data(),
                 enernew.data(), inelnew.data(), &stepid, cprops.data(), dprops.data(), 80);
    const double lam = 1.6442953020134214e-19, mu = 3.355704697986577e-21;
    for (int k = 0; k < 2; ++k) {
        const double e[4] = {in[k], in[k + 2], in[k + 4], in[k + 6]};
        const double tr = e[0] + e[1] + e[2];
        const double ds[4] = {lam * tr + 2 * mu * e[0], lam * tr + 2 * mu * e[1], lam * tr + 2 * mu * e[2],
                              mu * e[3]};
        EXPECT_NEAR(straininc[k + 4], -0.49 * (ds[0] + ds[1]) / 1e-20, 1e-15);
        double w = 0.0;
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(stressnew[k + 2 * i], stressold[k + 2 * i] + ds[i], 1e-15);
            w += 0.5 * (stressnew[k + 2 * i] + stressold[k + 2 * i]) * straininc[k + 2 * i];
        }
        EXPECT_NEAR(enernew[k], enerold[k] + w / density[k], 1e-12);
        EXPECT_EQ(inelnew[k], 0.0);
        const double state[6] = {4, 5, 6, 1, 2, 3};
        for (int s = 0; s < 6; ++s) EXPECT_EQ(statenew[k + 2 * s], state[s]);
    }
    EXPECT_EQ(dprops[7], 1.0);
    EXPECT_EQ(dprops[8], 2.0);
}

// The implicit routine adds its work to the solver's strain energy: an unset (NaN) energy from the
// solver comes back as the sum, without a refusal; a finite one that the increment overflows is
// refused (stress, state and energies as they came, zero tangent, cut-back request).
TEST(UmatSensor, StrainEnergyIsTheSolversAccumulated) {
    tvktest::clear_errors();
    UmatPoint p;
    p.sse = std::nan("");
    p.dstran = {1e-3, 0, 0, 0, 0, 0};
    p.call();
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_TRUE(std::isnan(p.sse));
    EXPECT_EQ(p.pnewdt, 1.0);
    EXPECT_EQ(p.statev[0], 0.0);  // computed: the state holds the impactor's record

    UmatPoint q;
    q.sse = 1.0;
    q.pnewdt = -1.0;
    q.ddsdde.fill(9.0);
    q.stress = {1e300, 0, 0, 0, 0, 0};
    q.dstran = {1e300, 0, 0, 0, 0, 0};
    q.call();
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(q.sse, 1.0);
    EXPECT_TRUE(q.spd == 9.0 && q.scd == 9.0);
    EXPECT_EQ(q.stress[0], 1e300);
    EXPECT_EQ(q.statev, std::vector<double>(8, 5.0));
    EXPECT_EQ(q.ddsdde, (std::array<double, 36>{}));
    EXPECT_TRUE(q.pnewdt > 0.0 && q.pnewdt <= 0.5);
    tvktest::clear_errors();
}
