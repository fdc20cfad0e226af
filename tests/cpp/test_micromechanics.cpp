// Micromechanics through the C interface: what Python cannot reach. Absent optional arguments
// (null pointers) take the routines' own defaults, which must agree with the defaults the Python
// call forms pass.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/errors.h"
#include "error_record.h"
#include "mechanics/micromechanics.h"

namespace {

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

const double kCarbon[5] = {230.0, 15.0, 24.0, 5.4, 0.2};
const double kEpoxy[2] = {3.5, 0.35};

template <std::size_t N>
void expect_same(const std::array<double, N>& a, const std::array<double, N>& b) {
    for (std::size_t k = 0; k < N; ++k) EXPECT_EQ(a[k], b[k]) << "entry " << k;
}

TEST(Micromechanics, AbsentOptionalsTakeTheDefaults) {
    clear_errors();
    const double vf = 0.6, zero = 0.0, one = 1.0, zeros[4] = {0, 0, 0, 0};
    const int none = 0, hexagonal = 1, maxit = 200;
    const double threshold = 1e-8, cp[2] = {0.5, 0.5}, zeta[2] = {-1.0, -1.0};

    std::array<double, 4> h0{}, h1{};
    const double fibre4[4] = {85.0, 85.0, 85.0 / 2.4, 0.2};
    HalpinTsai(h0.data(), fibre4, kEpoxy, &vf, nullptr);
    HalpinTsai(h1.data(), fibre4, kEpoxy, &vf, zeta);
    expect_same(h0, h1);

    std::array<double, 9> a{}, b{};
    MoriTanaka(a.data(), kCarbon, kEpoxy, &vf, nullptr, nullptr, nullptr, nullptr, nullptr);
    MoriTanaka(b.data(), kCarbon, kEpoxy, &vf, &zero, &zero, zeros, &one, &none);
    expect_same(a, b);
    CSCS(a.data(), kCarbon, kEpoxy, &vf, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    CSCS(b.data(), kCarbon, kEpoxy, &vf, &zero, &zero, zeros, &one, &none, &maxit, &threshold);
    expect_same(a, b);

    std::array<double, 12> c{}, d{};
    Huang(c.data(), kCarbon, kEpoxy, &vf, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    Huang(d.data(), kCarbon, kEpoxy, &vf, &zero, &zero, zeros, zeros, cp, &none);
    expect_same(c, d);
    Cumulative(c.data(), kCarbon, kEpoxy, &vf, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
               nullptr);
    Cumulative(d.data(), kCarbon, kEpoxy, &vf, &zero, &zero, zeros, zeros, &one, &none, &hexagonal);
    expect_same(c, d);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(Micromechanics, AbsentHostAndConcentrationKind) {
    clear_errors();
    std::array<double, 36> et{}, a{}, b{};
    const int host_type = 11, cylinder = 1, dilute = 0;
    const double ratio = 1.0, nu = 0.3, vinc = 0.4;
    et.fill(1.0);
    GetEshelbyTensor(et.data(), &host_type, &ratio, &nu, nullptr);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    for (double x : et) EXPECT_EQ(x, 0.0);
    clear_errors();

    std::array<double, 36> cm{}, ci{};
    for (int k = 0; k < 6; ++k) {
        cm[k * 7] = k < 3 ? 5.0 : 1.5;
        ci[k * 7] = k < 3 ? 50.0 : 15.0;
    }
    GetEshelbyTensor(et.data(), &cylinder, &ratio, &nu, nullptr);
    GetStrainConcentrationTensor(a.data(), et.data(), ci.data(), cm.data(), &vinc, nullptr);
    GetStrainConcentrationTensor(b.data(), et.data(), ci.data(), cm.data(), &vinc, &dilute);
    expect_same(a, b);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

}  // namespace
