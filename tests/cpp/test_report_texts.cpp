// Report texts that end with the routine's name keep the blank before it (the quoted texts joined
// without a blank are pinned with their routines).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "failure/damage_datasets.h"
#include "mechanics/elasticlaws.h"

namespace {

using Expected = std::pair<int, std::string>;

// The level and text of the report a call leaves, the record cleared before and after.
template <class F>
Expected report_of(F&& call) {
    tvktest::clear_errors();
    call();
    Expected r{tvk::errorhandling.errstat, tvktest::errtext()};
    tvktest::clear_errors();
    return r;
}

TEST(ReportTexts, OwnMessagesKeepTheBlankBeforeTheRoutineName) {
    std::vector<double> stress(6), strain(6, 1e-3), c(36);
    const int six = 6, three = 3, noel = 1;
    for (const int nprops : {1, 2}) {  // too few properties; then no calibration tables to read
        const double props[2] = {300.0, 1.0};
        const auto r = report_of([&] {
            GetStressFromCubicElasticity(stress.data(), strain.data(), props, &six, &three, &nprops, c.data(), &noel);
        });
        EXPECT_EQ(r, Expected(-2, nprops == 1 ? "Too few properties in GetStressFromCubicElasticity"
                                              : "Calibration table not allocated in GetStressFromCubicElasticity"));
    }
    EXPECT_EQ(report_of([] {
                  const double eps = 0.0, g = 1.0, k = 1.0;
                  const int four = 4;
                  double tens[9], dev[16] = {};
                  GetLameStress(&eps, dev, &g, &k, tens, &four);
              }),
              Expected(-2, "Unsupported dimensions in GetLameStress"));
    // A damage outline asked for a ply the table does not hold.
    auto& pts = tvk::damagedata.dmgpoints;
    pts.allocate({9, 1, 6, 1});
    pts.fill(tvk::huge);
    EXPECT_EQ(report_of([] {
                  const double p[3] = {}, cos[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, o[3] = {}, angle = 0.0, a = 1.0;
                  const int mode = 1, set = 1, ply = 2, skip = 0;
                  PointInDamage(p, cos, o, &angle, &angle, &a, &a, &mode, &set, &ply, &skip);
              }),
              Expected(-3, "Error: ply, section or damage set outside the tables in PointInDamage"));
    pts.release();
}

}  // namespace
