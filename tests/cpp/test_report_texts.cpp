// Report texts made of two parts: the library's own messages keep the blank between the text and
// the routine name they end with, while the quoted messages joined without a blank (the first text
// without its trailing blanks directly followed by the second) keep their exact bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "failure/criteria.h"
#include "failure/damage_datasets.h"
#include "failure/dispatchers.h"
#include "failure/gradual_degradation.h"
#include "mechanics/elasticlaws.h"
#include "mechanics/plasticity.h"

namespace {

using V = std::vector<double>;

// The level and text of the report a call leaves, the record cleared before and after.
template <class F>
std::pair<int, std::string> report_of(F&& call) {
    tvktest::clear_errors();
    call();
    std::pair<int, std::string> r{tvk::errorhandling.errstat, tvktest::errtext()};
    tvktest::clear_errors();
    return r;
}

using Expected = std::pair<int, std::string>;

TEST(ReportTexts, OwnMessagesKeepTheBlankBeforeTheRoutineName) {
    V stress(6), strain(6, 1e-3), c(36);
    const int six = 6, three = 3, four = 4, one = 1, noel = 1;
    EXPECT_EQ(report_of([&] {
                  const double props[1] = {300.0};
                  GetStressFromCubicElasticity(stress.data(), strain.data(), props, &six, &three, &one, c.data(), &noel);
              }),
              Expected(-2, "Too few properties in GetStressFromCubicElasticity"));
    // The calibration tables it reads are not there.
    EXPECT_EQ(report_of([&] {
                  const double props[2] = {300.0, 1.0};
                  const int two = 2;
                  GetStressFromCubicElasticity(stress.data(), strain.data(), props, &six, &three, &two, c.data(), &noel);
              }),
              Expected(-2, "Calibration table not allocated in GetStressFromCubicElasticity"));
    EXPECT_EQ(report_of([&] {
                  const double eps = 0.0, g = 1.0, k = 1.0;
                  double tens[9], dev[16] = {};
                  GetLameStress(&eps, dev, &g, &k, tens, &four);
              }),
              Expected(-2, "Unsupported dimensions in GetLameStress"));
    EXPECT_EQ(report_of([&] {
                  double r[6];
                  const double s[6] = {}, a0 = 1.0, a1 = 1.0;
                  const int five = 5;
                  getderivatef(r, s, &five, &a0, &a1);
              }),
              Expected(-2, "Unsupported dimensions in getderivatef"));
    // A damage outline asked for a ply the table does not hold.
    auto& pts = tvk::damagedata.dmgpoints;
    pts.allocate({9, 1, 6, 1});
    pts.fill(tvk::huge);
    EXPECT_EQ(report_of([&] {
                  const double p[3] = {}, cos[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, o[3] = {}, angle = 0.0, a = 1.0;
                  const int mode = 1, set = 1, ply = 2, skip = 0;
                  PointInDamage(p, cos, o, &angle, &angle, &a, &a, &mode, &set, &ply, &skip);
              }),
              Expected(-3, "Error: ply, section or damage set outside the tables in PointInDamage"));
    pts.release();
    EXPECT_EQ(report_of([&] {
                  double f, r;
                  const V ps(10, 100.0);
                  const double s[6] = {};
                  const int layer = 2, nsec = 1, flag = 1;
                  fiberbreakage(&f, &r, s, nullptr, ps.data(), nullptr, &layer, &one, &one, &nsec, &flag);
              }),
              Expected(-3, "Error: ply or section out of range in FiberBreakage."));
}

TEST(ReportTexts, QuotedMessagesKeepTheirBytesWhereJoinedWithoutABlank) {
    const V ps(10, 100.0), pd(1, tvk::huge);
    const double s[6] = {};
    const int one = 1;
    auto general = [&](int flag) {
        double f, r;
        generalfailure(&f, &r, s, ps.data(), nullptr, &one, &one, &one, &one, &flag);
    };
    EXPECT_EQ(report_of([&] { general(9); }),
              Expected(-2, std::string("Warning: Default case in GeneralFailure subroutine.Please check your input "
                                       "parameters.").substr(0, 80)));
    EXPECT_EQ(report_of([&] {
                  double f, r;
                  const V two_plies(20, 100.0);
                  const double s33 = 0.0;
                  const int two = 2, flag = 8;
                  delamination(&f, &r, &s33, s, s, nullptr, two_plies.data(), nullptr, nullptr, &one, &two, &one, &one,
                               &flag);
              }),
              Expected(-2, std::string("Warning: Default case in Delamination subroutine. Please check your input "
                                       "parameters.").substr(0, 80)));
    // 80 characters of "Error: Default case in subroutine GradualDegradation" and its tail.
    EXPECT_EQ(report_of([&] {
                  double st = 0.5, sb = 0.1, sc = 0.0, scb = 0.0, nm = 0.0, de = 1.0, dft = 1.0, dfc = 1.0, jump = 0.0;
                  const double ratio = 1.0, a = 1.0, b = -0.1, u = 1.0, v = 1.0, n = 10.0, cj = 10.0, al = 1.0,
                               ga = 1.0, fac = 0.01, lim = 0.01;
                  const int law = 3, shear = 0, noel = 1;
                  GradualDegradation(&st, &sb, &sc, &scb, &ratio, &a, &b, &u, &v, &nm, &n, &cj, &al, &al, &al, &al,
                                     &ga, &ga, &de, &dft, &dfc, &fac, &law, &shear, &noel, &jump, &lim);
              }),
              Expected(-2, "Error: Default case in subroutine GradualDegradation. Please check your input pa"));
    EXPECT_EQ(report_of([&] {
                  double f, r, angle = -1.0;
                  const int flag = 16;
                  MatrixCracking(&f, &r, s, nullptr, ps.data(), pd.data(), nullptr, &one, &one, &one, &one, &one,
                                 &flag, &angle, nullptr);
              }),
              Expected(-2, std::string("Warning: Default case in MatrixCracking subroutine. Please check your input "
                                       "parameters.").substr(0, 80)));
}

}  // namespace
