// The fracture-plane search on synthetic measures: a band of planes with values narrower than the
// step, whether the golden section's points miss it (the scan finds it) or one of them lands in
// it, is refined to its maximum.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "failure/anglesearch.h"

namespace {

constexpr double pi = 3.141592653589793, five_degrees = 5.0 * pi / 180.0;

// 1 - ((t - c)/w)^2 on the band |t - c| <= w, no value (NaN) elsewhere: its maximum is 1 at c.
struct Band {
    double c, w;
    double operator()(double t) const {
        const double u = (t - c) / w;
        return std::abs(u) <= 1.0 ? 1.0 - u * u : std::nan("");
    }
};

TEST(AngleSearch, NarrowBandMissedByTheGoldenSectionIsRefinedToItsPeak) {
    // Bands of 3.4 degrees that the golden section's points miss and the 5-degree scan hits once
    // or twice: a band refined only to the step reads 5 to 9 % low.
    for (const double c : {0.55, 1.3, 2.0}) {
        const Band band{c, 0.03};
        const auto m = tvk::failure::maximise_over_angle(band, 0.0, pi, five_degrees, 1, pi, five_degrees);
        EXPECT_TRUE(m.defined) << c;
        EXPECT_NEAR(m.value, 1.0, 1e-6) << c;
        EXPECT_NEAR(m.angle, c, 1e-3) << c;
        EXPECT_EQ(m.value, band(m.angle)) << c;  // the value of the plane handed back
    }
}

TEST(AngleSearch, NarrowBandAGoldenPointLandsInIsRefinedToItsPeak) {
    // Bands of 1.7 and 2.3 degrees in which one golden point lands: refined only to the step, the
    // best plane read 0.56 and 0.44 of the band's peak.
    for (const auto& band : {Band{0.25, 0.015}, Band{0.7, 0.02}}) {
        const auto m = tvk::failure::maximise_over_angle(band, 0.0, pi, five_degrees, 1, pi, five_degrees);
        EXPECT_NEAR(m.value, 1.0, 1e-6) << band.c;
        EXPECT_EQ(m.value, band(m.angle)) << band.c;
    }
}

}  // namespace

namespace {

TEST(AngleSearch, ScanStepTooFineForTheLimitScansAtTheFinestStepAllowed) {
    // A positive step too fine for the scan's limit of max_scan_steps steps scans every plane at the
    // finest step the limit allows, whatever the step asked for (it was the 5-degree default: 37
    // planes); a step that is no step keeps the default. Sub-normal degrees stay a positive step.
    for (const double step : {1e-3 * pi / 180.0, 1e-300, 4.9e-324}) {
        int planes = 0;
        auto count = [&planes](double) { return double(++planes); };
        tvk::failure::maximise_over_angle(count, 0.0, pi, step, 0, pi, five_degrees);
        EXPECT_GE(planes, tvk::failure::max_scan_steps) << step;
        EXPECT_LE(planes, tvk::failure::max_scan_steps + 2) << step;
    }
    for (const double step : {0.0, -1.0, std::numeric_limits<double>::infinity()}) {
        int planes = 0;
        auto count = [&planes](double) { return double(++planes); };
        tvk::failure::maximise_over_angle(count, 0.0, pi, step, 0, pi, five_degrees);
        EXPECT_EQ(planes, 37) << step;
    }
    const double tiny = 5e-324;
    EXPECT_GT(tvk::failure::search_step(&tiny, five_degrees), 0.0);
}

}  // namespace
