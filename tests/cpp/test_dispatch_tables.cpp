// The failure dispatchers on the model's own tables, as the material card reader leaves them: with
// two temperatures the strength and elastic columns are twice as long as one block, and each ply
// must still get its own first-temperature values.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
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
    EXPECT_EQ(tvktest::errtext(), "Error: ply or section out of range inGeneralFailure.");
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

}  // namespace
