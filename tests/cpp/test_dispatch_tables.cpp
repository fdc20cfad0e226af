// The failure dispatchers on the model's own tables, as the material card reader leaves them: with
// two temperatures the strength and elastic columns are twice as long as one block, and each ply
// must still get its own first-temperature values. Then the dispatchers' own rules on the tables
// of the C interface: a selector without a criterion reads nothing and reports nothing, and an
// exposure that is not a finite number is passed on and recorded naming its criterion.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/datahandling.h"
#include "core/modeldata.h"
#include "error_record.h"
#include "failure/dispatchers.h"
#include "input/iohandling.h"

namespace {

namespace fs = std::filesystem;
using V = std::vector<double>;

// Strengths xt11 xt22 xt33 xc11 xc22 xc33 x12 x13 x23 ilss and Nye vectors of the two materials.
const V strength1 = {1000, 50, 50, 800, 150, 150, 80, 80, 60, 90};
const V strength2 = {2000, 40, 40, 1600, 120, 120, 70, 70, 50, 100};
const V nye2 = {140000, 9000, 9000, 0.3, 0.3, 0.45, 5000, 5000, 3100};
V nye1() {  // isotropic E 70000, nu 0.3
    const double g = 70000.0 / (2.0 * 1.3);
    return {70000, 70000, 70000, 0.3, 0.3, 0.3, g, g, g};
}

std::string join(const V& v) {
    std::string s;
    for (double x : v) s += std::to_string(x) + " ";
    return s;
}

// Factor table of a material with ne elastic and 10 strength values over two temperatures: every
// value at full size at the first temperature and at half size at the second.
std::string factors(int ne) {
    std::string s;
    for (int j = 0; j < ne + 10; ++j) s += "1.0 0.5 ";
    return s;
}

void release_model() {
    int istat = 0;
    deallocall(&istat);
    tvk::sectiondata.nsec = tvk::sectiondata.nplies = 0;
    tvk::materialdata.modelid = tvk::materialdata.ntempdata = 0;
    tvktest::clear_errors();
}

// A job folder with a section of two plies (material 1 at 0 degrees below material 2 at 45
// degrees) and a material card of two materials over the temperatures 20 and 80, read by the
// card readers; removed and released afterwards.
class TwoTemperatureLaminate : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        release_model();
        dir = fs::temp_directory_path() / ("tvk_dispatch_tables_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "SectionCard.tvk") << "++Begin Section, SECID=1\n+Material\n1 2\n+Orientation\n0 45\n"
                                                  "+Thickness\n0.125 0.25\n++End Section\n";
        std::ofstream(dir / "MaterialCard.tvk")
            << "++Begin Material, MATID=1\n+Temperature\n20 80\n+Elastic\n70000 0.3\n+Strength\n"
            << join(strength1) << "\n+Table, TYPE=TEMPERATURE\n" << factors(2) << "\n++End Material\n"
            << "++Begin Material, MATID=2\n+Temperature\n20 80\n+Elastic\n" << join(nye2) << "\n+Strength\n"
            << join(strength2) << "\n+Table, TYPE=TEMPERATURE\n" << factors(9) << "\n++End Material\n";
        const std::string folder = dir.string();
        getsectiondatafromfile("", folder.c_str(), 0, folder.size());
        const int np = tvk::sectiondata.nplies, ns = tvk::sectiondata.nsec;
        getmaterialdatafromfile("", folder.c_str(), &np, &ns, 0, folder.size());
    }
    void TearDown() override {
        fs::remove_all(dir);
        release_model();
    }
};

// The ply tables of the C interface, compacted by hand from the expected values.
struct CompactTables {
    V ps, pe, orient{0.0, 45.0}, thick{0.125, 0.25};
    CompactTables() {
        ps = strength1;
        ps.insert(ps.end(), strength2.begin(), strength2.end());
        pe = nye1();
        pe.insert(pe.end(), nye2.begin(), nye2.end());
    }
};

TEST_F(TwoTemperatureLaminate, EachPlyGetsItsOwnStrengthsWhenTheTablesHoldTwoTemperatures) {
    const auto& md = tvk::materialdata;
    // The premise: two temperature blocks per column, so a column is not one strength vector long.
    ASSERT_EQ(md.psprops.extent(1), 20);
    ASSERT_EQ(md.peprops.extent(1), 18);
    ASSERT_EQ(md.psprops.extent(2), 2);
    ASSERT_EQ(*md.psprops.at(11, 1, 1), 0.5 * strength1[0]);  // ply 1 at the second temperature
    ASSERT_EQ(tvk::errorhandling.errstat, 0);

    const auto t = tvk::dispatch::model_tables();
    double f, r;
    // General, maximum nominal stress: r = s11 / xt11 of the ply.
    const double s11[6] = {500, 0, 0, 0, 0, 0};
    tvk::dispatch::general_failure(f, r, s11, t, 1, 1, 1);
    EXPECT_EQ(r, 0.5);
    tvk::dispatch::general_failure(f, r, s11, t, 2, 1, 1);
    EXPECT_EQ(r, 0.25);
    // Fibre, Chang-Chang: sqrt((s11 / xt11)^2 + (s12 / x12)^2).
    const double fibre[6] = {500, 0, 0, 40, 0, 0};
    tvk::dispatch::fibre_breakage(f, r, fibre, t, 1, 1, 4);
    EXPECT_DOUBLE_EQ(r, std::hypot(0.5, 0.5));
    tvk::dispatch::fibre_breakage(f, r, fibre, t, 2, 1, 4);
    EXPECT_DOUBLE_EQ(r, std::hypot(0.25, 40.0 / 70.0));
    // Matrix, Chang-Chang: sqrt((s22 / xt22)^2 + (s12 / x12)^2), failed in ply 2 only.
    const double matrix[6] = {0, 30, 0, 40, 0, 0};
    tvk::dispatch::matrix_cracking(f, r, matrix, t, 1, 1, 6);
    EXPECT_DOUBLE_EQ(r, std::hypot(0.6, 0.5));
    EXPECT_EQ(f, 0.0);
    tvk::dispatch::matrix_cracking(f, r, matrix, t, 2, 1, 6);
    EXPECT_DOUBLE_EQ(r, std::hypot(0.75, 40.0 / 70.0));
    EXPECT_EQ(f, 0.0);
    // Delamination, Hashin on both plies: each with its own xt22 and ilss.
    const double lower[6] = {0, 0, 0, 0, 30, 20}, upper[6] = {0, 0, 0, 0, 60, 10};
    tvk::dispatch::delamination_onset(f, r, 20.0, lower, upper, t, 1, 1, 5);
    const double r_lower = std::sqrt(std::pow(20.0 / 50, 2) + std::pow(20.0 / 90, 2) + std::pow(30.0 / 90, 2));
    const double r_upper = std::sqrt(std::pow(20.0 / 40, 2) + std::pow(10.0 / 100, 2) + std::pow(60.0 / 100, 2));
    EXPECT_DOUBLE_EQ(r, std::max(r_lower, r_upper));
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    // The criteria that read elastic values, orientations and thicknesses give what the C forms
    // give on tables of one block per ply holding the card's values.
    CompactTables c;
    const int one = 1, two = 2, nsec = 1;
    for (int ply : {1, 2}) {
        double fc, rc;
        const int fb = 13;
        tvk::dispatch::fibre_breakage(f, r, fibre, t, ply, 1, fb);
        fiberbreakage(&fc, &rc, fibre, c.pe.data(), c.ps.data(), c.orient.data(), &ply, &two, &one, &nsec, &fb);
        EXPECT_EQ(r, rc) << "ply " << ply;
        EXPECT_GT(rc, 0.0);
        const int mc = 14;
        const double compression[6] = {-900, -100, 0, 30, 0, 0};
        double a = -1.0, ac = -1.0;
        tvk::dispatch::matrix_cracking(f, r, compression, t, ply, 1, mc, &a);
        const int np = static_cast<int>(md.pdprops.extent(1));
        std::vector<double> pd(static_cast<std::size_t>(2 * np), tvk::huge);
        MatrixCracking(&fc, &rc, compression, c.pe.data(), c.ps.data(), pd.data(), c.orient.data(), &ply, &two,
                       &one, &nsec, &np, &mc, &ac, nullptr);
        EXPECT_EQ(r, rc) << "ply " << ply;
        EXPECT_GT(rc, 0.0);
        EXPECT_EQ(a, ac);
    }
    const int chai = 1;
    double fc, rc;
    const double lo[6] = {0, 30, 0, 0, 40, 0}, up[6] = {0, 0, 0, 0, 0, 25};
    tvk::dispatch::delamination_onset(f, r, 0.0, lo, up, t, 1, 1, chai);
    const double zero = 0.0;
    delamination(&fc, &rc, &zero, lo, up, c.pe.data(), c.ps.data(), c.orient.data(), c.thick.data(), &one, &two,
                 &one, &nsec, &chai);
    EXPECT_EQ(r, rc);
    EXPECT_GT(r, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(TwoTemperatureLaminate, PliesAndSectionsOutsideTheModelTablesAreRefused) {
    const auto t = tvk::dispatch::model_tables();
    const double s[6] = {1e9, 1e9, 0, 0, 0, 0};
    double f = -1, r = -1;
    tvk::dispatch::general_failure(f, r, s, t, 3, 1, 1);
    EXPECT_EQ(f, 0.0);
    EXPECT_EQ(r, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "Error: ply or section out of range in GeneralFailure.");
    tvktest::clear_errors();
    tvk::dispatch::delamination_onset(f, r, 0.0, s, s, t, 2, 1, 5);  // no ply above the last
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
    tvk::dispatch::matrix_cracking(f, r, s, t, 1, 2, 6);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
    // A strength table reassigned shorter than one strength vector counts as no strengths.
    tvk::materialdata.psprops.allocate({9, 2, 1});
    tvk::dispatch::general_failure(f, r, s, tvk::dispatch::model_tables(), 1, 1, 1);
    EXPECT_EQ(r, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
}

// ---- Rules of the C interface ------------------------------------------------------------------------

struct DispatcherRules : ::testing::Test {
    CompactTables c;
    V pd = V(4, tvk::huge);  // no parameter set: two entries per ply, both unset
    int nlayer = 2, nsec = 1, nprops = 2;
    void SetUp() override { tvktest::clear_errors(); }
    void TearDown() override { tvktest::clear_errors(); }

    double general(const double* s, int layer, int flag, double* f = nullptr) {
        double ff = -1, r = -1;
        const int isec = 1;
        generalfailure(f ? f : &ff, &r, s, c.ps.data(), c.orient.data(), &layer, &nlayer, &isec, &nsec, &flag);
        return r;
    }
};

// A model with no criteria calls every dispatcher with selector 0 on every point, whatever its
// tables hold: nothing may be read or recorded, so that a later report is the one kept.
TEST_F(DispatcherRules, SelectorWithoutACriterionReadsNoTableAndRecordsNothing) {
    const double s[6] = {1e9, 1e9, 1e9, 1e9, 1e9, 1e9};
    const int zero = 0, far = 7, sec = 3;
    double f = -1, r = -1, angle = -1.0;
    // No tables at all, and a ply and section outside any table.
    generalfailure(&f, &r, s, nullptr, nullptr, &far, &nlayer, &sec, &nsec, &zero);
    EXPECT_EQ(f, 0.0);
    EXPECT_EQ(r, 0.0);
    f = r = -1;
    fiberbreakage(&f, &r, s, nullptr, nullptr, nullptr, &far, &nlayer, &sec, &nsec, &zero);
    EXPECT_EQ(f + r, 0.0);
    f = r = -1;
    MatrixCracking(&f, &r, s, nullptr, nullptr, nullptr, nullptr, &far, &nlayer, &sec, &nsec, &nprops, &zero, &angle,
                   nullptr);
    EXPECT_EQ(f + r, 0.0);
    EXPECT_EQ(angle, -1.0);
    f = r = -1;
    const double s33 = 1e9;
    delamination(&f, &r, &s33, s, s, nullptr, nullptr, nullptr, nullptr, &far, &nlayer, &sec, &nsec, &zero);
    EXPECT_EQ(f + r, 0.0);
    for (const int cc : {0, 1, 2}) {
        f = r = -1;
        corecrushing(&f, &r, s, nullptr, nullptr, &far, &nlayer, &sec, &nsec, &cc);
        EXPECT_EQ(f + r, 0.0) << cc;
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    // The same ply with a criterion is refused, and the report names the dispatcher.
    EXPECT_EQ(general(s, far, 1), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "Error: ply or section out of range in GeneralFailure.");
    tvktest::clear_errors();
    const int unknown = 3;
    corecrushing(&f, &r, s, c.ps.data(), c.orient.data(), &far, &nlayer, &sec, &nsec, &unknown);
    EXPECT_EQ(tvktest::errtext(), "Error: ply or section out of range in CoreCrushing.");
}

// Zero strengths, zero moduli or a NaN stress make some criteria return NaN (which compares as
// "not failed") or infinity. The dispatcher passes the value on and records it at level -3 with
// the criterion's name, the ply and the section; a finite exposure records nothing.
TEST_F(DispatcherRules, NonFiniteExposureIsPassedOnAndRecordedNamingTheCriterion) {
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const int one = 1, two = 2;
    auto matrix = [&](const double* s, int ply, int flag, double* r) {
        double f = -1, angle = -1.0;
        MatrixCracking(&f, r, s, c.pe.data(), c.ps.data(), pd.data(), c.orient.data(), &ply, &nlayer, &one, &nsec,
                       &nprops, &flag, &angle, nullptr);
        return f;
    };
    // Fatal when the record is missing: its integers are then not there to read, and a report
    // left in place would hide every later one (the first report wins). Each call is wrapped in
    // ASSERT_NO_FATAL_FAILURE, so that the test stops at the first record that is not as expected.
    auto expect_record = [](const std::string& text, int ply) {
        ASSERT_EQ(tvk::errorhandling.errstat, -3) << text;
        EXPECT_EQ(tvktest::errtext(), text);
        ASSERT_GE(tvk::errorhandling.errintv.extent(1), 2) << text;
        EXPECT_EQ(tvk::errorhandling.errintv.data()[0], ply);
        EXPECT_EQ(tvk::errorhandling.errintv.data()[1], 1);
        tvktest::clear_errors();
    };
    const double nan_stress[6] = {nan, nan, nan, nan, nan, nan};
    const double transverse[6] = {0, -120, 0, 40, 0, 0};

    // General, maximum nominal stress: NaN from a NaN stress, infinity from a zero strength.
    double f = -1;
    EXPECT_TRUE(std::isnan(general(nan_stress, 1, 1, &f)));
    EXPECT_EQ(f, 0.0);
    ASSERT_NO_FATAL_FAILURE(expect_record("Error: non-finite exposure from GPMaxNominal in GeneralFailure.", 1));
    c.ps[10] = 0.0;  // xt11 of ply 2
    const double tension[6] = {10, 0, 0, 0, 0, 0};
    EXPECT_EQ(general(tension, 2, 1, &f), inf);
    EXPECT_EQ(f, 1.0);
    ASSERT_NO_FATAL_FAILURE(expect_record("Error: non-finite exposure from GPMaxNominal in GeneralFailure.", 2));
    c.ps[10] = strength2[0];

    // Fibre, Hashin, a NaN stress.
    double ff = -1, r = -1;
    const int hashin = 3;
    fiberbreakage(&ff, &r, nan_stress, c.pe.data(), c.ps.data(), c.orient.data(), &two, &nlayer, &one, &nsec, &hashin);
    EXPECT_TRUE(std::isnan(r));
    ASSERT_NO_FATAL_FAILURE(expect_record("Error: non-finite exposure from FBHashin in FiberBreakage.", 2));

    // Matrix, Puck: a NaN stress, then a ply without strengths.
    EXPECT_EQ(matrix(nan_stress, 1, 9, &r), 0.0);
    EXPECT_TRUE(std::isnan(r));
    ASSERT_NO_FATAL_FAILURE(expect_record("Error: non-finite exposure from MCrckPuck in MatrixCracking.", 1));
    const V kept = c.ps;
    std::fill(c.ps.begin() + 10, c.ps.end(), 0.0);
    matrix(transverse, 2, 9, &r);
    EXPECT_FALSE(std::isfinite(r));
    ASSERT_NO_FATAL_FAILURE(expect_record("Error: non-finite exposure from MCrckPuck in MatrixCracking.", 2));
    c.ps = kept;
    // Matrix, LaRC04 in transverse tension on a ply without moduli.
    std::fill(c.pe.begin(), c.pe.begin() + 9, 0.0);
    const double opening[6] = {0, 30, 0, 40, 0, 0};
    matrix(opening, 1, 14, &r);
    EXPECT_FALSE(std::isfinite(r));
    ASSERT_NO_FATAL_FAILURE(expect_record("Error: non-finite exposure from MCrckLaRC04 in MatrixCracking.", 1));

    // Delamination, Hashin on both plies: a NaN of the lower ply is recorded even where the
    // larger-of-two keeps the upper ply's exposure.
    const double s33 = 10.0, upper[6] = {0, 0, 0, 0, 20, 10};
    const double lower[6] = {0, 0, 0, 0, nan, 10};
    const int hashin_del = 5;
    delamination(&ff, &r, &s33, lower, upper, c.pe.data(), c.ps.data(), c.orient.data(), c.thick.data(), &one,
                 &nlayer, &one, &nsec, &hashin_del);
    EXPECT_TRUE(std::isfinite(r));
    ASSERT_NO_FATAL_FAILURE(expect_record("Error: non-finite exposure from DelHashin in Delamination.", 1));

    // Finite exposures, failed or not, record nothing.
    c.pe = CompactTables().pe;
    const double crushing[6] = {0, -160, 0, 60, 0, 0};
    EXPECT_EQ(matrix(crushing, 1, 9, &r), 1.0);
    EXPECT_GT(r, 1.0);
    delamination(&ff, &r, &s33, upper, upper, c.pe.data(), c.ps.data(), c.orient.data(), c.thick.data(), &one,
                 &nlayer, &one, &nsec, &hashin_del);
    EXPECT_TRUE(std::isfinite(r));
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

}  // namespace
