// The porosity material routine called as the implicit solver calls it, with a single state
// variable: a point marked porous (state variable 1 exactly 1.0) gets one thousandth (0.001 in
// single precision) of the isotropic stiffness, checked against Lame's closed form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "error_record.h"
#include "solver/umat_porosity.h"

namespace {

using V = std::vector<double>;

struct PorousPoint {
    V stress = {1.0, -2.0, 3.0, -4.0, 5.0, -6.0}, statev, ddsdde = V(36, -1.0);
    V props = {70000.0, 0.3};
    double sse = 9.0, spd = 9.0, scd = 9.0, pnewdt = 1.0;
    int ndi = 3, nshr = 3;

    explicit PorousPoint(double marker) : statev{marker} {}

    void call(const V& dstran) {
        double rpl = 0.0, drpldt = 0.0, time[2] = {1.0, 1.0}, dtime = 1.0, temp = 293.0, dtemp = 0.0;
        double predef[1] = {}, dpred[1] = {}, coords[3] = {}, celent = 1.0;
        double drot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, f0[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, f1[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        V ddsddt(6), drplde(6), stran(6, 0.0);
        int ntens = ndi + nshr, nstatv = 1, nprops = static_cast<int>(props.size());
        int noel = 1, npt = 1, kslay = 1, kspt = 1, kinc = 1;
        char materl[80];
        std::memset(materl, ' ', sizeof materl);
        umat_porosity(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(),
                      drplde.data(), &drpldt, stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred,
                      materl, &ndi, &nshr, &ntens, &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, f0,
                      f1, &noel, &npt, &kslay, &kspt, &kinc, sizeof materl);
    }
};

// Lame's isotropic stiffness in Nye order with engineering shears.
V isotropic(double e, double nu) {
    const double lambda = e * nu / ((1.0 + nu) * (1.0 - 2.0 * nu)), mu = e / (2.0 * (1.0 + nu));
    V c(36, 0.0);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) c[i + 6 * j] = lambda;
        c[i + 6 * i] = lambda + 2.0 * mu;
        c[(i + 3) * 7] = mu;
    }
    return c;
}

TEST(PorosityMaterial, SingleStateVariableAtOneGivesAThousandthOfTheStiffness) {
    tvktest::clear_errors();
    const V dstran = {1e-3, -2e-4, 5e-4, 2e-3, -1e-3, 4e-4};
    const V c = isotropic(70000.0, 0.3);
    const double degr = static_cast<double>(0.001f);
    ASSERT_EQ(degr, 0.0010000000474974513);

    PorousPoint solid(0.999), pore(1.0);
    solid.call(dstran);
    pore.call(dstran);
    for (int k = 0; k < 36; ++k) {
        EXPECT_NEAR(solid.ddsdde[k], c[k], 1e-9 * c[0]) << k;
        EXPECT_EQ(pore.ddsdde[k], solid.ddsdde[k] * degr) << k;  // every entry, zeros stay zero
        EXPECT_NEAR(pore.ddsdde[k], 0.001 * c[k], 1e-7 * c[k] + 1e-12) << k;
    }
    // Incremental Hooke's law with the reduced tangent; the state variable is returned as it came.
    const V s0 = PorousPoint(1.0).stress;
    for (int i = 0; i < 6; ++i) {
        double ds = 0.0;
        for (int j = 0; j < 6; ++j) ds += 0.001 * c[i + 6 * j] * dstran[j];
        EXPECT_NEAR(pore.stress[i], s0[i] + ds, 1e-7 * std::abs(ds) + 1e-12) << i;
    }
    EXPECT_EQ(pore.statev, V{1.0});
    EXPECT_EQ(pore.sse + pore.spd + pore.scd, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// One or two stress components leave the on-axis stiffness without its shear entry: the point is
// refused (stress, state and energies as they came, zero tangent, cut-back request) instead of
// coming back with a zero tangent, the increment ignored, under a warning.
TEST(PorosityMaterial, OneOrTwoComponentsAreRefused) {
    for (const auto& [ndi, nshr] : {std::pair{1, 0}, std::pair{2, 0}, std::pair{1, 1}}) {
        tvktest::clear_errors();
        PorousPoint p(0.0);
        p.ndi = ndi, p.nshr = nshr;
        p.pnewdt = -1.0;
        p.call(V(6, 1e-3));
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << tvktest::errtext();
        EXPECT_EQ(p.stress, (V{1.0, -2.0, 3.0, -4.0, 5.0, -6.0}));
        EXPECT_EQ(p.statev, V{0.0});
        for (int k = 0; k < (ndi + nshr) * (ndi + nshr); ++k) EXPECT_EQ(p.ddsdde[k], 0.0);
        EXPECT_TRUE(p.sse == 9.0 && p.spd == 9.0 && p.scd == 9.0);
        EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5);
    }
    // Three components (plane stress) have a law.
    tvktest::clear_errors();
    PorousPoint plane(0.0);
    plane.ndi = 2, plane.nshr = 1;
    plane.call(V(6, 1e-3));
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_GT(plane.stress[0], 1.0);
    EXPECT_EQ(plane.pnewdt, 1.0);
}

}  // namespace
