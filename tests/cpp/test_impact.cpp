// Impact contact laws, nearest-element search and permanent indentation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "mechanics/contact.h"
#include "mechanics/indentation.h"

namespace {

class Impact : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear() {
        int r = 0, one = 1;
        rsxerr(&r, &one);
    }
    static std::string message() {
        std::string s(tvk::errorhandling.errstring, 80);
        return s.erase(s.find_last_not_of(' ') + 1);
    }
};

using Args = std::vector<double>;
double stiffness(Args a, int flag, double* eeff) {
    double k = -7.0;
    const int n = static_cast<int>(a.size());
    ContactStiffness(&k, eeff, a.data(), &n, &flag);
    return k;
}
double law(Args a, int flag, double x, double* dfx, double fx = 0.0) {
    const int n = static_cast<int>(a.size());
    ContactLaw(&fx, dfx, &x, a.data(), &n, &flag);
    return fx;
}
double radius_or_depth(decltype(&ContactRadius) f, Args a, int flag) {
    double r = 0.0;
    const int n = static_cast<int>(a.size());
    f(&r, a.data(), &n, &flag);
    return r;
}

}  // namespace

// Hertz: F = (4/3) E* sqrt(R) alpha^(3/2) and alpha = a^2/R, for random materials and forces.
TEST_F(Impact, HertzStiffnessRadiusAndDepthAgreeWithTheClosedForm) {
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int t = 0; t < 200; ++t) {
        const double r1 = 1e-3 + 0.05 * u(gen), curv = t % 2 ? 1.0 / (0.02 + u(gen)) : 0.0;
        const double force = 10.0 + 1e4 * u(gen), reff = 1.0 / (1.0 / r1 + curv);
        double es = 0.0;
        const double k = stiffness({r1, 0, 1e9 + 300e9 * u(gen), 0.45 * u(gen), curv, 0,
                                    1e9 + 100e9 * u(gen), 0.45 * u(gen)}, 0, &es);
        const double a = radius_or_depth(ContactRadius, {force, es, reff}, t % 5);  // 0..4: Hertz
        const double depth = radius_or_depth(ContactDepth, {force, reff, es}, 0);
        EXPECT_NEAR(depth, a * a / reff, 1e-12 * depth);
        EXPECT_NEAR(k * std::pow(depth, 1.5), force, 1e-10 * force);
    }
    double es = 0.0;  // identical materials, flat target
    EXPECT_NEAR(stiffness({0.01, 0, 70e9, 0.3, 0, 0, 70e9, 0.3}, 0, &es), 4.0 / 3.0 * 70e9 / 1.82 * 0.1, 1.0);
    stiffness({0.01, 0, 210e9, 0.3, 0, 0, 9e9, 0.4}, 1, &es);  // target term 1/E2 whatever nu2
    EXPECT_NEAR(1.0 / es, 0.91 / 210e9 + 1.0 / 9e9, 1e-24);
    // The unloading curve F = k (alpha - a0)^q passes through (amax, Fmax).
    const double k2 = stiffness({0, 0, 0, 0, 0, 0, 0, 0, 2.5, 3000.0, 4e-4, 1e-4}, 2, &es);
    EXPECT_NEAR(k2 * std::pow(3e-4, 2.5), 3000.0, 1e-9);
    EXPECT_EQ(es, 0.0);
}

TEST_F(Impact, UnknownFlagsAndShortArgumentVectorsLeaveResultsAndReport) {
    for (auto [flag, text] : {std::pair{4, "Goldsmith is not implemented so far."},
                              {5, "Goldsmith + Sun et. al is not implemented so far."},
                              {9, "Unknown contact stiffness flag"},
                              {0, "Too few arguments in ContactStiffness"}}) {  // 0 reads 8
        clear();
        double es = 5.0;
        EXPECT_EQ(stiffness({0.01, 0, 1e9, 0.3, 0, 0, 1e9}, flag, &es), -7.0);
        EXPECT_EQ(es, 0.0);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(message(), text);
    }
    for (int flag : {-1, 7, 5}) {  // 5 reads args(4)
        EXPECT_EQ(radius_or_depth(ContactRadius, {1, 1, 1}, flag), tvk::huge);
        EXPECT_EQ(radius_or_depth(ContactDepth, {1, 1, 1}, flag), tvk::huge);
    }
    for (auto [flag, text] : {std::pair{3, "Unknown contact law flag"}, {0, "Too few arguments in ContactLaw"}}) {
        clear();
        double dfx = 3.0;
        EXPECT_EQ(law({1, 1, 1, 1, 1, 1}, flag, 1.0, &dfx, 2.0), 2.0);
        EXPECT_EQ(dfx, 3.0);
        EXPECT_EQ(message(), text);
    }
}

TEST_F(Impact, ContactLawDerivativeAndStiffnessTable) {
    // k, u0, c1, d1, c2, p, d2: the derivative matches central differences.
    const Args a{2e9, 3e-4, 1e-9, 2e-5, 5e-10, 1.5, 1e-5};
    double dfx = 0.0, dummy = 0.0;
    for (double x : {0.0, 100.0, 2000.0}) {
        law(a, 0, x, &dfx);
        EXPECT_NEAR(dfx, (law(a, 2, x + 1e-3, &dummy) - law(a, 2, x - 1e-3, &dummy)) / 2e-3, 1e-5);
    }
    // A table of forces (0, 1000, 2000) and stiffness values is reproduced at its nodes.
    Args t = a;
    t.insert(t.end(), {0.0, 1000.0, 2000.0, 1e9, 1.5e9, 2e9});
    EXPECT_NEAR(law(t, 1, 1000.0, &dfx), 1.5e9 * std::pow(2.685e-4, 1.5) - 1000.0, 1e-9);
    // No positive table stiffness, or a table the interpolation cannot take: args(1).
    for (Args tail : {Args{0, 1000, 2000, 0, -1, 0}, {0, 1000, 1000, 1, 1, 1}, {0, 1e9}}) {
        Args bad = a;
        bad.insert(bad.end(), tail.begin(), tail.end());
        EXPECT_EQ(law(bad, 1, 1000.0, &dfx), law(a, 0, 1000.0, &dummy));
    }
    EXPECT_EQ(message(), "Unusable stiffness table in ContactLaw");
}

// A separated contact (negative indentation, fractional p) gave fx = 0, which a bracketing root
// finder takes for a root.
TEST_F(Impact, ContactLawSeparatedContactIsNotARoot) {
    double dfx = 0.0;
    EXPECT_EQ(law({2e9, 1e-4, 1e-8, 0, 0, 1.5, 0}, 0, 2e4, &dfx), -2e4);  // opens at 1e4
    EXPECT_EQ(dfx, -1.0);
}

// The first point seen recorded only its distance, so a first point that stayed the nearest
// left no element behind.
TEST_F(Impact, ContactAreaFirstPointRecordsItsElement) {
    Args d(24, 0.0);
    d[1] = 1.0;  // impactor 1 at (1, 0, 0), impactor 2 at the origin
    const int nimp = 2;
    const double p1[3] = {0, 0, 0}, p2[3] = {1, 1, 0}, p3[3] = {1, 0, 0.5}, len[3] = {4, 0, 0},
                 none[3] = {-1, -1, -1};
    int noel = 11;
    ContactArea(d.data(), p1, &noel, &nimp, len);
    EXPECT_EQ(Args(d.begin() + 4, d.begin() + 11), (Args{11, 1, 0, 2, 2, 2, 2}));
    EXPECT_EQ(d[12 + 4], 11.0);
    // The same point again, and an equally distant one, keep the earlier element.
    const Args before(d.begin(), d.begin() + 12);
    noel = 12;
    ContactArea(d.data(), p1, &noel, &nimp, len);
    ContactArea(d.data(), p2, &noel, &nimp, nullptr);
    EXPECT_EQ(Args(d.begin(), d.begin() + 12), before);
    // A nearer point replaces it; lengths of -1 leave the half lengths.
    noel = 13;
    ContactArea(d.data(), p3, &noel, &nimp, none);
    EXPECT_EQ(Args(d.begin() + 4, d.begin() + 8), (Args{13, 0.5, 0, 2}));
}

TEST_F(Impact, PermanentIndentationAndHugoniotLimit) {
    double a0 = -1.0, a1 = 0.0;
    const double amax = 1.2e-3, acr = 0.0804e-3, kcce = 0.6, ksc = 0.094;
    PITanSunNonLinear(&a0, &amax, &acr);
    EXPECT_NEAR(a0, 7.9298429499e-4, 1e-13);
    PITanSunNonLinear(&a0, &amax, &amax);  // no dent up to the critical indentation
    EXPECT_EQ(a0, 0.0);
    PITanSunLinear(&a0, &acr, &amax, &ksc);
    EXPECT_EQ(a0, 0.0);
    const int yes = 1, no = 0;  // only the bounded law returns the excess over acr in a1
    PISuresh(&a0, &a1, &amax, &acr, &kcce, &yes, &yes);
    EXPECT_NEAR(a0 / a1, 0.333, 1e-12);
    PISuresh(&a0, &a1, &amax, &acr, &kcce, &no, &yes);
    EXPECT_EQ(a1, -1.0);
    // Uniaxial strain: lateral stress nu/(1 - nu) of the axial one; yield when they differ by Y.
    const double y = 1e9, nu = 0.3, hel = GetHugonoitElasticLimit(&y, &nu);
    EXPECT_NEAR(hel, 1.75e9, 1.0);
    EXPECT_NEAR(hel - nu / (1 - nu) * hel, y, 1e-6);
}
