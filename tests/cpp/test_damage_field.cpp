// The damage field of ply points: the ply state vector kept at the end of the state variables, the
// step kinds, the criteria on the model's own tables (two temperatures, so every column is longer
// than one block), the damage sets, the crack-plane branch and its caps, the section points of
// shells, the explicit block hook, the guards against indices that do not fit the tables, and the
// damaged road through the implicit ply material routine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/datahandling.h"
#include "core/lists.h"
#include "alloc_counter.h"
#include "core/modeldata.h"
#include "error_record.h"
#include "failure/dispatchers.h"
#include "failure/stiffness_factors.h"
#include "input/iohandling.h"
#include "mechanics/lamina.h"
#include "mechanics/transformation.h"
#include "single_point_driver.h"
#include "solver/damage_field.h"
#include "solver/ply_state.h"
#include "solver/umat_lamina.h"

namespace {

namespace fs = std::filesystem;
namespace ps = tvk::plystate;
using V = std::vector<double>;

// Strengths xt11 xt22 xt33 xc11 xc22 xc33 x12 x13 x23 ilss and the Nye vector of the ply.
const V strength = {2000, 50, 50, 1500, 200, 200, 80, 80, 60, 90};
const V nye = {140000, 9000, 9000, 0.3, 0.3, 0.45, 5000, 5000, 3100};

std::string join(const V& v) {
    std::string s;
    for (double x : v) s += std::to_string(x) + " ";
    return s;
}

void release_model() {
    int istat = 0;
    deallocall(&istat);
    tvk::sectiondata.nsec = tvk::sectiondata.nplies = 0;
    tvk::materialdata.modelid = tvk::materialdata.ntempdata = 0;
    tvk::elementdata.nelem = 0;
    tvk::loaddata.nimp = 0;
    tvk::damagedata.ndmg = 0;
    for (int id = 1; id <= 3; ++id)
        for (int kind = 0; kind <= 2; ++kind) {
            int ierr = 0;
            DeallocateList(&id, &kind, &ierr);
        }
    tvktest::clear_errors();
}

void set_steps(std::initializer_list<int> kinds) {
    tvk::jobdata.stepid.allocate({static_cast<std::int64_t>(kinds.size())});
    int k = 0;
    for (int v : kinds) tvk::jobdata.stepid.data()[k++] = v;
    tvk::jobdata.nsteps = static_cast<int>(kinds.size());
}

// A model read by the card readers: section 5 of three plies (0, 90, 0) and section 12 of six,
// one material over the temperatures 20 and 80 (every value halved at 80), the fibre criterion
// max nominal stress, the matrix criterion Puck, the delamination criterion Puck, crack-plane
// evolution of the matrix mode, and the crack-plane toughnesses.
class PlyField : public ::testing::Test {
protected:
    fs::path dir;
    std::string failure = "0 1 9 3 0", evolution = "1 1 2 1 1";
    void SetUp() override { read(); }
    void read() {
        release_model();
        dir = fs::temp_directory_path() / ("tvk_damage_field_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "SectionCard.tvk")
            << "++Begin Section, SECID=5\n+Material\n1 1 1\n+Orientation\n0 90 0\n+Thickness\n0.2 0.2 0.2\n"
               "++End Section\n"
            << "++Begin Section, SECID=12\n+Material\n1 1 1 1 1 1\n+Orientation\n0 45 -45 -45 45 0\n"
               "+Thickness\n0.1 0.1 0.1 0.1 0.1 0.1\n++End Section\n";
        std::string factors;
        for (int j = 0; j < 19; ++j) factors += "1.0 0.5 ";
        std::ofstream(dir / "MaterialCard.tvk")
            << "++Begin Material, MATID=1\n+Temperature\n20 80\n+Elastic\n" << join(nye) << "\n+Strength\n"
            << join(strength) << "\n+Table, TYPE=TEMPERATURE\n" << factors << "\n+Failure, TYPE=INITIATION\n"
            << failure << "\n+Failure, TYPE=EVOLUTION\n" << evolution << "\n+Fracture\n0.0 0.3 0.3 0.9 0.9\n"
            << "++End Material\n";
        const std::string folder = dir.string();
        getsectiondatafromfile("", folder.c_str(), 0, folder.size());
        const int np = tvk::sectiondata.nplies, ns = tvk::sectiondata.nsec;
        getmaterialdatafromfile("", folder.c_str(), &np, &ns, 0, folder.size());
        ASSERT_EQ(np, 6);
        ASSERT_EQ(ns, 2);
        ASSERT_GT(tvk::materialdata.peprops.extent(1), 9);
        ASSERT_GT(tvk::materialdata.psprops.extent(1), 10);
        ASSERT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        // Analysis start: one damage data set and the buckling records, no damage recorded yet.
        int istat = 0, one = 1;
        allocatedamagedata(&istat, &np, &ns, &one);
        set_steps({0, 3, 4, 5});
    }
    void TearDown() override {
        fs::remove_all(dir);
        release_model();
    }
};

// One ply point as the implicit hook hands it over.
struct FieldPoint {
    V field, statev;
    double tdirect[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, t[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double celent = 0.7, time[2] = {0, 0}, dtime = 1.0, coord[3] = {1.0, 2.0, 0.0};
    int noel = 101, npt = 1, layer = 1, kspt = 1, kstep = 2, kinc = 2;
    std::string name = "PLY";

    explicit FieldPoint(int nfield = 7, int nstatv = 40) : field(static_cast<std::size_t>(nfield)), statev(static_cast<std::size_t>(nstatv)) {}
    int base() const { return static_cast<int>(statev.size()) - ps::size; }
    double& slot(int s) { return statev[static_cast<std::size_t>(base() + s - 1)]; }
    void stress(const V& nye6) {
        for (int i = 0; i < 6; ++i) slot(ps::stress.first + i) = nye6[static_cast<std::size_t>(i)];
    }
    void call(const double* table = nullptr) {
        char cm[80];
        std::memset(cm, ' ', sizeof cm);
        std::memcpy(cm, name.data(), std::min<std::size_t>(name.size(), 80));
        const int nf = static_cast<int>(field.size()), ns = static_cast<int>(statev.size());
        gen_damage(field.data(), statev.data(), tdirect, t, &celent, time, &dtime, cm, &nf, &ns, &noel, &npt, &layer,
                   &kspt, &kstep, &kinc, coord, table, sizeof cm);
    }
};

V voigt_of(const V& n) { return {n[0], n[1], n[2], n[5], n[4], n[3]}; }

// ---- the ply state vector ------------------------------------------------------------------------

TEST_F(PlyField, ShortStateVectorsAreLeftAloneAndLongOnesKeepTheirHead) {
    FieldPoint p(7, 39);
    for (std::size_t k = 0; k < p.statev.size(); ++k) p.statev[k] = 0.5 + static_cast<double>(k);
    p.field.assign(7, 3.0);
    const V s0 = p.statev;
    p.call();
    EXPECT_EQ(p.statev, s0);
    EXPECT_EQ(p.field, V(7, 3.0));

    FieldPoint q(7, 50);
    for (int k = 0; k < 10; ++k) q.statev[static_cast<std::size_t>(k)] = 7.0 + k;
    q.stress({3000, 0, 0, 0, 0, 0});
    q.call();
    for (int k = 0; k < 10; ++k) EXPECT_EQ(q.statev[static_cast<std::size_t>(k)], 7.0 + k);
    EXPECT_EQ(q.slot(ps::fibre_flag), 1.0);  // the block is statev(11..50)
    EXPECT_EQ(q.slot(ps::ply), 1.0);
    EXPECT_EQ(q.slot(ps::length), q.celent);
}

TEST_F(PlyField, FirstCallSetsTheInitialValues) {
    for (const int nfield : {4, 6, 7, 9}) {
        FieldPoint p(nfield);
        p.kstep = 1;
        p.kinc = 3;
        p.layer = 2;
        p.field.assign(static_cast<std::size_t>(nfield), 9.0);
        p.call();
        EXPECT_EQ(p.slot(ps::residual), 1.0);
        EXPECT_EQ(p.slot(ps::fibre_residual), 1.0);
        EXPECT_EQ(p.slot(ps::matrix_residual), 1.0);
        EXPECT_EQ(p.slot(ps::angle_xy), -1.0);
        EXPECT_EQ(p.slot(ps::angle_xz), -1.0);
        EXPECT_EQ(p.slot(ps::length), 0.7);
        EXPECT_EQ(p.slot(ps::ply), 2.0);
        EXPECT_EQ(p.slot(ps::section), 1.0);
        for (int k = 0; k < ps::crack_state.count; ++k)
            EXPECT_EQ(p.slot(ps::crack_state[k]), nfield > 6 ? -1.0 : 0.0) << nfield;
        if (nfield > 4)
            EXPECT_EQ(p.field, V(static_cast<std::size_t>(nfield), 0.0));
        else
            EXPECT_EQ(p.field, V(4, 9.0));
        EXPECT_EQ(p.slot(ps::unset_mark), 0.0);
    }
}

TEST_F(PlyField, MaterialNameTagsLocateThePlyAndTheSection) {
    auto located = [](int layer, const std::string& name) {
        FieldPoint p;
        p.kstep = 1;
        p.layer = layer;
        p.name = name;
        p.call();
        return std::pair{p.slot(ps::ply), p.slot(ps::section)};
    };
    EXPECT_EQ(located(1, "CFRP_l@3@_s@12@"), std::pair(3.0, 2.0));
    EXPECT_EQ(located(4, "CFRP_l@3@_s@12@"), std::pair(4.0, 2.0));
    EXPECT_EQ(located(9, "CFRP"), std::pair(6.0, 1.0));   // the layer is clamped to nplies
    EXPECT_EQ(located(-3, "CFRP_S@5@"), std::pair(1.0, 1.0));
    // A section tag that is not in secidlist keeps section 1; a ply tag beyond nplies is clamped.
    EXPECT_EQ(located(2, "CFRP_s@7@"), std::pair(2.0, 1.0));
    EXPECT_EQ(located(2, "CFRP_l@40@"), std::pair(6.0, 1.0));
    // Once located, the point keeps its ply and section.
    FieldPoint p;
    p.name = "CFRP_l@3@_s@12@";
    p.call();
    p.name = "CFRP";
    p.layer = 5;
    p.call();
    EXPECT_EQ(p.slot(ps::ply), 3.0);
    EXPECT_EQ(p.slot(ps::section), 2.0);
}

// ---- criteria on the first temperature block -------------------------------------------------------

TEST_F(PlyField, CriteriaReadEachPlysFirstTemperatureBlock) {
    const V s = {1500, 20, 0, 10, 0, 0};
    FieldPoint p;
    p.stress(s);
    p.call();
    // Max nominal stress against the first-temperature xt11 (the second block holds half of it).
    EXPECT_DOUBLE_EQ(p.slot(ps::exposures[ps::fibre]), 1500.0 / 2000.0);
    EXPECT_EQ(p.slot(ps::fibre_flag), 0.0);
    double f = 0, r = 0, angle = -1.0;
    const auto t = tvk::dispatch::model_tables();
    tvk::dispatch::matrix_cracking(f, r, s.data(), t, 1, 1, 9, &angle);
    EXPECT_DOUBLE_EQ(p.slot(ps::exposures[ps::matrix]), r);
    EXPECT_GT(r, 0.0);
    EXPECT_EQ(p.slot(ps::exposures[ps::general]), 0.0);
    EXPECT_EQ(p.slot(ps::exposures[ps::delamination]), 0.0);  // no interface without section points
    EXPECT_EQ(p.slot(ps::failure_code), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST_F(PlyField, CodedStateAndFieldsFollowTheFlags) {
    FieldPoint p;
    p.call();
    p.slot(ps::fibre_flag) = p.slot(ps::matrix_flag) = p.slot(ps::delamination_flag) = 1.0;
    p.call();
    EXPECT_EQ(p.slot(ps::failure_code), 444.0);
    EXPECT_EQ(p.field, V({0, 1, 1, 1, 0, 0, 0}));
    FieldPoint q;
    q.slot(ps::matrix_flag) = 1.0;
    q.call();
    EXPECT_EQ(q.slot(ps::failure_code), 40.0);
    // A mode whose evolution flag is 0 hands 0 to the solver, while its flag stays in the state.
    *tvk::materialdata.peflags.at(2, 1, 1) = 0;
    FieldPoint r;
    r.stress({3000, 0, 0, 0, 0, 0});
    r.call();
    EXPECT_EQ(r.slot(ps::fibre_flag), 1.0);
    EXPECT_EQ(r.field[1], 0.0);
    EXPECT_EQ(r.slot(ps::failure_code), 400.0);
}

TEST_F(PlyField, FractureAngleIsFixedByTheFirstMatrixFailureThatReturnsOne) {
    // Chang-Chang (selector 6) gives no angle: the flag rises, the angles stay unset.
    *tvk::materialdata.pfflags.at(3, 1, 1) = 6;
    FieldPoint p;
    p.stress({0, 80, 0, 0, 0, 0});
    p.call();
    EXPECT_EQ(p.slot(ps::matrix_flag), 1.0);
    EXPECT_EQ(p.slot(ps::angle_xy), -1.0);
    EXPECT_EQ(p.slot(ps::angle_xz), -1.0);
    EXPECT_EQ(p.field[5], 0.0);
    // Puck returns the plane of the failure: the first one is kept.
    *tvk::materialdata.pfflags.at(3, 1, 1) = 9;
    const V s1 = {0, -150, 0, 0, 0, 70};
    p.stress(s1);
    p.call();
    double f = 0, r = 0, angle = -1.0;
    const auto t = tvk::dispatch::model_tables();
    tvk::dispatch::matrix_cracking(f, r, s1.data(), t, 1, 1, 9, &angle);
    ASSERT_EQ(f, 1.0);
    ASSERT_NE(angle, -1.0);
    double xz = 0.0;
    const int clockwise = 1;
    GetPhiMeasuredFromXZPlane(&xz, &angle, &clockwise);
    EXPECT_EQ(p.slot(ps::angle_xy), angle);
    EXPECT_EQ(p.slot(ps::angle_xz), xz);
    EXPECT_DOUBLE_EQ(p.field[5], xz / M_PI);
    const V s2 = {0, 120, 0, 0, 0, 0};
    double angle2 = -1.0;
    tvk::dispatch::matrix_cracking(f, r, s2.data(), t, 1, 1, 9, &angle2);
    ASSERT_EQ(f, 1.0);
    ASSERT_NE(angle2, angle);
    p.stress(s2);
    p.call();
    EXPECT_EQ(p.slot(ps::angle_xy), angle);
    EXPECT_EQ(p.slot(ps::angle_xz), xz);
}

// ---- step kinds -------------------------------------------------------------------------------------

TEST_F(PlyField, FirstStepEvaluatesNothingAndSetsUpTheSensorsAndTheOrientation) {
    set_steps({3, 3});
    tvk::loaddata.nimp = 1;
    tvk::loaddata.dprops.allocate({12, 1});
    *tvk::loaddata.dprops.at(2, 1) = 1.0;  // impact point (1, 2, 0.5)
    *tvk::loaddata.dprops.at(3, 1) = 2.0;
    *tvk::loaddata.dprops.at(4, 1) = 0.5;
    for (const int kinc : {1, 2, 3}) {
        FieldPoint p;
        p.kstep = 1;
        p.kinc = kinc;
        p.noel = 40 + kinc;
        p.stress({5000, 500, 0, 300, 0, 0});
        p.field.assign(7, 4.0);
        p.call();
        for (int m = 0; m < ps::nmodes; ++m) {
            EXPECT_EQ(p.slot(ps::flags[m]), 0.0);
            EXPECT_EQ(p.slot(ps::exposures[m]), 0.0);
        }
        EXPECT_EQ(p.field, V(7, 0.0));
    }
    // Only the first increment recorded the nearest element and the element's orientation.
    EXPECT_EQ(*tvk::loaddata.dprops.at(5, 1), 41.0);
    EXPECT_DOUBLE_EQ(*tvk::loaddata.dprops.at(6, 1), 0.5);
    ASSERT_TRUE(tvk::listhandling.dynintlist1.present());
    EXPECT_EQ(tvk::listhandling.dynintlist1.data()[0], 41);
    EXPECT_EQ(tvk::listhandling.dynintlist1.data()[1], tvk::defint);
}

TEST_F(PlyField, RelaxationStepRecordsFailedPointsWithoutCriteria) {
    FieldPoint p;
    p.coord[0] = 3.0;
    p.coord[1] = -1.5;
    p.stress({2500, 0, 0, 0, 0, 0});
    p.call();  // step 2: impact
    ASSERT_EQ(p.slot(ps::fibre_flag), 1.0);
    EXPECT_EQ(*tvk::damagedata.fiberdds.at(1, 1, 1), 0.0);  // impact steps record nothing
    const double exposure = p.slot(ps::exposures[ps::fibre]);
    p.kstep = 3;  // relaxation
    p.stress({100, 0, 0, 0, 0, 0});
    p.call();
    EXPECT_EQ(p.slot(ps::exposures[ps::fibre]), exposure);
    EXPECT_EQ(p.field, V(7, 0.0));
    ASSERT_TRUE(tvk::damagedata.fiberdds.present());
    EXPECT_EQ(*tvk::damagedata.fiberdds.at(1, 1, 1), 3.0);
    EXPECT_EQ(*tvk::damagedata.fiberdds.at(2, 1, 1), 1.5);
    EXPECT_EQ(*tvk::damagedata.matrixdds.at(1, 1, 1), 0.0);
    // An intact point records nothing.
    FieldPoint q;
    q.kstep = 3;
    q.coord[0] = 10.0;
    q.call();
    EXPECT_EQ(*tvk::damagedata.fiberdds.at(1, 1, 1), 3.0);
    // A DIC step reads the recorded damage back onto an intact point inside it, and only there.
    FieldPoint inside, outside;
    inside.kstep = outside.kstep = 4;
    inside.coord[0] = 1.0;
    inside.coord[1] = outside.coord[1] = 0.5;
    outside.coord[0] = 5.0;
    inside.call();
    outside.call();
    EXPECT_EQ(inside.slot(ps::fibre_flag), 1.0);
    EXPECT_EQ(outside.slot(ps::fibre_flag), 0.0);
    EXPECT_EQ(inside.slot(ps::matrix_flag), 0.0);
    EXPECT_EQ(inside.field, V(7, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST_F(PlyField, MissingOrShortStepTableCountsAsFatigue) {
    tvk::jobdata.stepid.release();
    FieldPoint p;
    p.kstep = 2;
    p.stress({2500, 0, 0, 0, 0, 0});
    p.call();
    EXPECT_EQ(p.slot(ps::fibre_flag), 1.0);
    set_steps({0});
    FieldPoint q;
    q.kstep = 7;
    q.stress({2500, 0, 0, 0, 0, 0});
    q.call();
    EXPECT_EQ(q.slot(ps::fibre_flag), 1.0);
    // The first increment of a single-step analysis takes the next step's kind as fatigue.
    FieldPoint r;
    r.kstep = 1;
    r.kinc = 1;
    r.call();
    EXPECT_TRUE(tvk::listhandling.dynintlist1.present());
}

// Every value of the damage data sets (the set marker, the ply sets and the interface sets).
std::vector<V> damage_sets() {
    const auto& dd = tvk::damagedata;
    std::vector<V> out;
    for (const auto* t : {&dd.generaldds, &dd.fiberdds, &dd.matrixdds, &dd.coredds, &dd.userdds, &dd.delamdds})
        out.push_back(t->present() ? V(t->data(), t->data() + t->size()) : V{-99.0});
    out.push_back(dd.damagedds.present() ? V(dd.damagedds.data(), dd.damagedds.data() + dd.damagedds.size())
                                         : V{-99.0});
    return out;
}

// A fatigue step evaluates the criteria, so a point fails in it, but only a relaxation step
// records failed points into the damage sets: the fatigue step leaves every set as it was, and
// the relaxation step after it records the same point.
TEST_F(PlyField, FatigueStepFailsAPointWithoutRecordingItInTheDamageSets) {
    set_steps({0, 1, 1, 4});
    const std::vector<V> before = damage_sets();
    FieldPoint p;
    p.coord[0] = 3.0;
    p.coord[1] = -1.5;
    p.stress({2500, 0, 0, 0, 0, 0});
    for (const int kstep : {2, 3}) {
        p.kstep = kstep;
        p.call();
        ASSERT_EQ(p.slot(ps::fibre_flag), 1.0) << kstep;
        EXPECT_EQ(p.field[1], 1.0);
        EXPECT_EQ(damage_sets(), before) << "fatigue step " << kstep << " wrote a damage set";
    }
    EXPECT_EQ(*tvk::damagedata.fiberdds.at(1, 1, 1), 0.0);
    p.kstep = 4;  // relaxation
    p.call();
    EXPECT_EQ(*tvk::damagedata.fiberdds.at(1, 1, 1), 3.0);
    EXPECT_EQ(*tvk::damagedata.fiberdds.at(2, 1, 1), 1.5);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// A failed point of a relaxation step records its coordinates in its ply's axes (damage set 1 at
// the origin, angle 0). On a ply at 30 degrees (1.7e308, -1.2e308, 0) lies at (8.7e307, -1.89e308)
// there: the first coordinate is finite, the second beyond the doubles. The point is refused and
// writes neither its state nor the damage sets; a tenth of it is recorded.
TEST_F(PlyField, PointWhosePlaneCoordinateOverflowsOnlyInTheSecondAxisIsRefused) {
    set_steps({3, 4});
    *tvk::sectiondata.plyorientation.at(1, 1) = 30.0;
    const std::vector<V> sets = damage_sets();
    for (const double scale : {1.0, 0.1}) {
        const long double x = 1.7e308L * scale, y = -1.2e308L * scale, c = std::sqrt(3.0L) / 2;
        const long double px = c * x + 0.5L * y, py = -0.5L * x + c * y;  // turned by -30 degrees
        ASSERT_LT(std::fabs(px), std::numeric_limits<double>::max());
        ASSERT_EQ(std::fabs(py) > std::numeric_limits<double>::max(), scale == 1.0);
        FieldPoint p;
        p.coord[0] = static_cast<double>(x), p.coord[1] = static_cast<double>(y);
        p.slot(ps::fibre_flag) = 1.0;
        p.slot(ps::ply) = p.slot(ps::section) = 1.0;
        p.field.assign(7, 0.25);
        const V state = p.statev, field = p.field;
        tvktest::clear_errors();
        p.call();
        if (scale == 1.0) {
            EXPECT_EQ(tvk::errorhandling.errstat, -3);
            EXPECT_EQ(tvktest::errtext(), "gen_damage: non-finite input or result; point not evaluated");
            EXPECT_EQ(p.statev, state);
            EXPECT_EQ(p.field, field);
            EXPECT_EQ(damage_sets(), sets);
        } else {
            EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
            // The set's half extents: the coordinates' magnitudes.
            EXPECT_NEAR(*tvk::damagedata.fiberdds.at(1, 1, 1), std::fabs(static_cast<double>(px)), 1e-14 * 1e306);
            EXPECT_NEAR(*tvk::damagedata.fiberdds.at(2, 1, 1), std::fabs(static_cast<double>(py)), 1e-14 * 1e308);
        }
    }
}

// A point that would write a value that is not finite is refused at level -3 and writes nothing:
// its state and field variables, the sensor records, the orientation lists and the damage sets stay
// as they came, and a usable point after it still records into them.
TEST_F(PlyField, RefusedPointKeepsItsStateFieldsAndTheSharedTables) {
    const double nan = std::nan("");
    set_steps({3, 4, 3});
    tvk::loaddata.nimp = 1;
    auto& dp = tvk::loaddata.dprops;
    dp.allocate({12, 1});
    *dp.at(2, 1) = 1.0;  // impact point (1, 2, 0.5), no nearest element yet
    *dp.at(3, 1) = 2.0;
    *dp.at(4, 1) = 0.5;
    const V records(dp.data(), dp.data() + 12);
    const std::vector<V> sets = damage_sets();
    const double crack[16] = {20, 0, 80, 0, 0, 0, 0, 0, 1.6e308, 0, 0, 0, 0, 0.5, 0.5, 0.5};  // strain 22 of 1.6e308
    double lengths[16] = {20, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nan, 0.5, 0.5};
    for (int c = 0; c < 5; ++c) {
        FieldPoint p;
        p.kstep = c < 3 ? 1 : c == 3 ? 2 : 3;
        p.kinc = 1;
        p.field.assign(7, 0.25);
        if (c == 0) p.coord[0] = nan;      // the distance to the impact point
        if (c == 2) p.tdirect[8] = 1e308;  // no finite element orientation
        if (c == 3) p.slot(ps::fibre_flag) = 1.0, p.coord[0] = std::numeric_limits<double>::infinity();
        if (c == 4) p.slot(ps::matrix_flag) = 1.0, p.slot(ps::angle_xy) = p.slot(ps::angle_xz) = 0.5;
        const V state = p.statev, field = p.field;
        tvktest::clear_errors();
        p.call(c == 1 ? lengths : c == 4 ? crack : nullptr);
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << c;
        EXPECT_EQ(tvktest::errtext(), "gen_damage: non-finite input or result; point not evaluated") << c;
        EXPECT_EQ(p.statev, state) << c;
        EXPECT_EQ(p.field, field) << c;
        EXPECT_EQ(V(dp.data(), dp.data() + 12), records) << c;
        EXPECT_FALSE(tvk::listhandling.dynintlist1.present()) << c;
        EXPECT_EQ(damage_sets(), sets) << c;
    }
    // A usable first point records its element and orientation.
    tvktest::clear_errors();
    FieldPoint q;
    q.kstep = q.kinc = 1;
    q.call();
    EXPECT_EQ(*dp.at(5, 1), 101.0);
    EXPECT_EQ(tvk::listhandling.dynintlist1.data()[0], 101);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// ---- crack-plane damage ---------------------------------------------------------------------------

// A matrix crack in the explicit path: the record's stress fails the matrix, then a growing
// strain drives the crack-plane damage. Returns the field variables and the ply state of each call.
struct CrackRun {
    std::vector<V> fields;
    std::vector<double> matrix_residual, damage;
};
CrackRun crack_run(int nfield) {
    FieldPoint p(nfield);
    CrackRun out;
    const V stress = voigt_of({0, 80, 0, 0, 0, 0});
    for (int k = 0; k < 8; ++k) {
        double table[16];
        table[0] = 20.0;
        std::copy(stress.begin(), stress.end(), table + 1);
        const double e = 4e-3 * (1.0 + 3.0 * k);
        const V strain = {0, e, 0, 0.3 * e, 0.2 * e, 0.1 * e};
        std::copy(strain.begin(), strain.end(), table + 7);
        table[13] = table[14] = table[15] = 0.5;
        p.call(table);
        out.fields.push_back(p.field);
        out.matrix_residual.push_back(p.slot(ps::matrix_residual));
    }
    return out;
}

TEST_F(PlyField, CrackPlaneDamageIsCappedByTheMatrixLimit) {
    const CrackRun run = crack_run(7);
    const V& last = run.fields.back();
    EXPECT_GT(last[5], 0.0);
    EXPECT_DOUBLE_EQ(last[6], 0.995);  // default cap: the damage saturates
    EXPECT_NEAR(run.matrix_residual.back(), 0.005, 1e-12);
    for (std::size_t k = 1; k < run.fields.size(); ++k) {
        EXPECT_GE(run.fields[k][6], run.fields[k - 1][6]);
        EXPECT_LE(run.matrix_residual[k], run.matrix_residual[k - 1]);
        EXPECT_NEAR(run.matrix_residual[k], 1.0 - run.fields[k][6], 1e-12);
    }
    // Caps 0.5 (six values for both halves): the damage and the residual stop at 0.5.
    auto& lim = tvk::materialdata.pelimits;
    for (int k = 1; k <= 12; ++k) *lim.at(k, 1, 1) = 0.5;
    const CrackRun capped = crack_run(7);
    EXPECT_EQ(capped.fields.back()[6], 0.5);
    EXPECT_EQ(capped.matrix_residual.back(), 0.5);
    for (std::size_t k = 0; k < capped.fields.size(); ++k) EXPECT_LE(capped.fields[k][6], 0.5);
    // Any -1 in the column asks for the defaults.
    *lim.at(7, 1, 1) = -1.0;
    EXPECT_DOUBLE_EQ(crack_run(7).fields.back()[6], 0.995);
}

TEST_F(PlyField, CrackPlaneBranchNeedsMoreThanSixFieldVariables) {
    const CrackRun six = crack_run(6);
    EXPECT_EQ(six.fields.back(), V({0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(six.matrix_residual.back(), 1.0);
    // Four field variables: untouched, the crack state never initialised, residuals kept at 1.
    FieldPoint p(4);
    p.field = {5, 6, 7, 8};
    p.stress({0, 80, 0, 0, 0, 0});
    p.call();
    EXPECT_EQ(p.field, V({5, 6, 7, 8}));
    EXPECT_EQ(p.slot(ps::matrix_flag), 1.0);
    for (int k = 0; k < ps::crack_state.count; ++k) EXPECT_EQ(p.slot(ps::crack_state[k]), 0.0);
    EXPECT_EQ(p.slot(ps::matrix_residual), 1.0);
    p.slot(ps::matrix_residual) = 1.5;  // a residual above 1 comes down to 1
    p.call();
    EXPECT_EQ(p.slot(ps::matrix_residual), 1.0);
    // Without the fracture values there is no crack-plane branch.
    tvk::materialdata.pfprops.release();
    EXPECT_EQ(crack_run(7).fields.back(), V({0, 0, 1, 0, 0, 0, 0}));
}

TEST_F(PlyField, AllMinusOneTableIsNoTable) {
    FieldPoint a, b;
    a.stress({2500, 40, 0, 10, 0, 0});
    b.stress({2500, 40, 0, 10, 0, 0});
    const double absent[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    a.call();
    b.call(absent);
    EXPECT_EQ(a.statev, b.statev);
    EXPECT_EQ(a.field, b.field);
    // One entry other than -1 makes it a record: the stress comes from it.
    double one[16];
    std::copy(absent, absent + 16, one);
    one[0] = 0.0;
    FieldPoint c;
    c.call(one);
    EXPECT_EQ(c.slot(1), -1.0);
    EXPECT_EQ(c.slot(ps::length), -1.0);  // lengths of the record in the criteria path
}

// ---- section points of a shell ----------------------------------------------------------------------

class PlyFieldShell : public PlyField {
protected:
    // Element 101 (position 2 in elemlist, an 8-node shell) of section 5 with nsp section points
    // per ply; sestress entry (i, j) = 100 j + i and the through-thickness normal stress 1000 + z.
    void shell(int nsp) {
        auto& ed = tvk::elementdata;
        auto& sd = tvk::sectiondata;
        ed.nelem = 2;
        ed.elemlist.allocate({2});
        ed.elemlist.data()[0] = 7;
        ed.elemlist.data()[1] = 101;
        ed.elemkind.allocate({2});
        ed.elemkind.data()[0] = ed.elemkind.data()[1] = 5;
        sd.nsectionpoints.allocate({2});
        sd.nsectionpoints.data()[0] = -1;
        sd.nsectionpoints.data()[1] = nsp;
        sd.sestress.allocate({6, 3 * nsp, 4, 2});
        for (int j = 1; j <= 3 * nsp; ++j)
            for (int i = 1; i <= 6; ++i) *sd.sestress.at(i, j, 1, 2) = 100.0 * j + i;
        sd.tnormalstress.allocate({7, 2});
        for (int z = 1; z <= 7; ++z) *sd.tnormalstress.at(z, 2) = 1000.0 + z;
    }
    // The same element as a slightly curved 8-node shell of unit size with two section points per
    // ply, ready for the transverse stress recovery: stress rows for every section point, a
    // transverse shear stiffness of 1000 and curvatures (0.02, 0.01); motion(n, x, y) sets the
    // nodal motion of node n at (x, y).
    template <class Motion>
    void curved_shell(Motion motion) {
        shell(2);
        auto& sd = tvk::sectiondata;
        auto& nd = tvk::nodaldata;
        const int np = sd.plyorientation.extent(1), nz = 2 * np + 1, nip = 2 * np;
        sd.sestress.allocate({6, nip, 4, 2});
        for (int j = 1; j <= nip; ++j)
            for (int g = 1; g <= 4; ++g)
                for (int i = 1; i <= 6; ++i) *sd.sestress.at(i, j, g, 2) = 10.0 * j + i + g;
        sd.tnormalstress.allocate({nz, 2});
        sd.tshearstress.allocate({nip, 2, 4, 2});
        *sd.seflags.at(1, 1) = 1;
        *sd.seflags.at(2, 1) = 1;
        *sd.sehmatrix.at(1, 1, 1) = *sd.sehmatrix.at(2, 2, 1) = 1000.0;  // transverse shear stiffness
        tvk::elementdata.elemcurvatures.allocate({2, 2});
        *tvk::elementdata.elemcurvatures.at(1, 2) = 0.02;
        *tvk::elementdata.elemcurvatures.at(2, 2) = 0.01;
        nd.nodalcoords.allocate({3, 8, 2});
        nd.nodesmotion.allocate({6, 8, 2});
        const double xy[8][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5, 0}, {1, 0.5}, {0.5, 1}, {0, 0.5}};
        for (int n = 1; n <= 8; ++n) {
            *nd.nodalcoords.at(1, n, 2) = xy[n - 1][0];
            *nd.nodalcoords.at(2, n, 2) = xy[n - 1][1];
            motion(n, xy[n - 1][0], xy[n - 1][1]);
        }
    }
};

TEST_F(PlyFieldShell, ThreeSectionPointsPerPlyGiveBottomMiddleAndTopWithTheInterfaceStresses) {
    shell(3);
    *tvk::materialdata.pfflags.at(4, 2, 1) = 3;
    for (const int kspt : {1, 2, 3}) {
        FieldPoint p;
        p.layer = 2;
        p.kspt = kspt;
        p.call();
        EXPECT_EQ(p.slot(ps::element), 2.0);
        const int isp = 3 + kspt, z = kspt == 1 ? 3 : kspt == 2 ? 4 : 5;
        for (int i = 1; i <= 6; ++i)
            EXPECT_EQ(p.slot(i), i == 3 ? 1000.0 + z : 100.0 * isp + i) << kspt << " " << i;
        // Only the top is an interface: delamination with the middle points of plies 2 and 3.
        const int lower = 3 * 2 - 1, upper = 3 * 3 - 1;
        V lo(6), up(6);
        for (int i = 0; i < 6; ++i) lo[i] = 100.0 * lower + i + 1, up[i] = 100.0 * upper + i + 1;
        lo[2] = 1000.0 + 4;
        up[2] = 1000.0 + 6;
        double f = 0, r = 0;
        tvk::dispatch::delamination_onset(f, r, p.slot(3), lo.data(), up.data(), tvk::dispatch::model_tables(), 2, 1, 3);
        EXPECT_EQ(p.slot(ps::exposures[ps::delamination]), kspt == 3 ? r : 0.0);
        if (kspt == 3) {
            EXPECT_GT(r, 0.0);
        }
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// The field routine evaluates the criteria of a shell section point (ply stress, interface
// stresses, delamination onset) without a heap allocation once it has been called.
TEST_F(PlyFieldShell, SectionPointCriteriaAllocateOnlyOnTheFirstCall) {
    shell(3);
    *tvk::materialdata.pfflags.at(4, 2, 1) = 3;
    for (const int kspt : {1, 3}) {
        FieldPoint p;
        p.layer = 2;
        p.kspt = kspt;
        p.call();
        const long before = tvk::test::heap_allocations();
        p.call();
        EXPECT_EQ(tvk::test::heap_allocations() - before, 0) << kspt;
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// The transverse stresses of a curved 8-node shell recovered through the field routine (the F/G
// tables of every section, the ply stress integrals): no heap allocation once the routine has
// run for this laminate.
TEST_F(PlyFieldShell, TransverseStressRecoveryAllocatesOnlyOnTheFirstCall) {
    auto& sd = tvk::sectiondata;
    curved_shell([](int n, double x, double y) {
        *tvk::nodaldata.nodesmotion.at(3, n, 2) = 1e-3 * x * x;  // bending
        *tvk::nodaldata.nodesmotion.at(1, n, 2) = 1e-4 * y;
    });
    const int nz = sd.tnormalstress.extent(1), nip = sd.tshearstress.extent(1);
    FieldPoint p;
    p.layer = 2;
    p.kspt = 1;
    // Each call with the recovered stresses cleared, so that both recover them anew.
    const auto counted_call = [&] {
        sd.tnormalstress.fill(0.0);
        sd.tshearstress.fill(0.0);
        const long before = tvk::test::heap_allocations();
        p.call();
        return tvk::test::heap_allocations() - before;
    };
    counted_call();
    EXPECT_EQ(counted_call(), 0);
    const double* tn = sd.tnormalstress.at(1, 2);
    EXPECT_TRUE(std::any_of(tn, tn + nz, [](double v) { return v != 0.0; })) << "no transverse stress recovered";
    const double* ts = sd.tshearstress.at(1, 1, 1, 2);
    EXPECT_TRUE(std::any_of(ts, ts + 2 * nip, [](double v) { return v != 0.0; })) << "no shear stress recovered";
}

// The transverse shear stresses of a shell section point, as the stress recovery leaves them
// (component 1 the 23 stress, component 2 the 13 stress, per section point): each lands in its own
// slot of the ply stress, 13 in slot 5 and 23 in slot 6, at the point itself and, at an interface,
// in the stresses below and above it that the delamination criterion sees.
TEST_F(PlyFieldShell, RecoveredTransverseShearStressesLandInTheirOwnSlots) {
    shell(3);
    auto& ts = tvk::sectiondata.tshearstress;
    ts.allocate({9, 2, 4, 2});
    ts.fill(0.0);
    for (int j = 1; j <= 9; ++j) {
        *ts.at(j, 1, 1, 2) = 23.0 + 1000.0 * j;  // 23
        *ts.at(j, 2, 1, 2) = 13.0 + 1000.0 * j;  // 13
    }
    *tvk::materialdata.pfflags.at(4, 2, 1) = 3;
    for (const int kspt : {1, 2, 3}) {
        FieldPoint p;
        p.layer = 2;
        p.kspt = kspt;
        p.call();
        const int isp = 3 + kspt;
        EXPECT_EQ(p.slot(5), 13.0 + 1000.0 * isp) << kspt;
        EXPECT_EQ(p.slot(6), 23.0 + 1000.0 * isp) << kspt;
        EXPECT_EQ(p.slot(4), 100.0 * isp + 4) << kspt;  // the in-plane shear from the stress table
        if (kspt == 3) {
            // At the interface the delamination criterion sees the shears of the middle section
            // points of plies 2 and 3 in their own components.
            const int lower = 3 * 2 - 1, upper = 3 * 3 - 1;
            V lo(6), up(6);
            for (int i = 0; i < 6; ++i) lo[i] = 100.0 * lower + i + 1, up[i] = 100.0 * upper + i + 1;
            lo[2] = 1000.0 + 4, up[2] = 1000.0 + 6;
            lo[4] = 13.0 + 1000.0 * lower, lo[5] = 23.0 + 1000.0 * lower;
            up[4] = 13.0 + 1000.0 * upper, up[5] = 23.0 + 1000.0 * upper;
            double f = 0, r = 0, rs = 0;
            const auto t = tvk::dispatch::model_tables();
            tvk::dispatch::delamination_onset(f, r, p.slot(3), lo.data(), up.data(), t, 2, 1, 3);
            std::swap(lo[4], lo[5]);
            std::swap(up[4], up[5]);
            tvk::dispatch::delamination_onset(f, rs, p.slot(3), lo.data(), up.data(), t, 2, 1, 3);
            EXPECT_EQ(p.slot(ps::exposures[ps::delamination]), r);
            EXPECT_NE(r, rs);  // the criterion tells the two shears apart
        }
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// The same through the stress recovery of a bent 8-node shell of the (0, 90, 0) section: the
// deflection w = 1e-3 x^2 shears the shell in the xz plane only, which in the 0 degree ply (fibres
// along x) is the 13 stress and in the 90 degree ply (fibres along y) the 23 stress. The recovery
// and the field evaluation agree on the component order when each ply shows its shear in the slot
// its fibre direction asks for.
TEST_F(PlyFieldShell, BendingShearOfAShellIsTheThirteenStressOfAZeroPlyAndTheTwentyThreeStressOfANinetyPly) {
    auto& sd = tvk::sectiondata;
    curved_shell([](int n, double x, double) { *tvk::nodaldata.nodesmotion.at(3, n, 2) = 1e-3 * x * x; });
    double shear[2][2];  // (13, 23) of plies 1 (0 degrees) and 2 (90 degrees)
    for (const int layer : {1, 2}) {
        sd.tnormalstress.fill(0.0);
        sd.tshearstress.fill(0.0);
        FieldPoint p;
        p.layer = layer;
        p.kspt = 2;  // the top of the ply, inside the laminate (the shear vanishes at its faces)
        p.call();
        const int isp = 2 * (layer - 1) + 2;
        EXPECT_EQ(p.slot(5), *sd.tshearstress.at(isp, 2, 1, 2)) << layer;
        EXPECT_EQ(p.slot(6), *sd.tshearstress.at(isp, 1, 1, 2)) << layer;
        shear[layer - 1][0] = p.slot(5);
        shear[layer - 1][1] = p.slot(6);
    }
    ASSERT_GT(std::fabs(shear[0][0]), 0.0);
    EXPECT_LT(std::fabs(shear[0][1]), 1e-9 * std::fabs(shear[0][0]));
    ASSERT_GT(std::fabs(shear[1][1]), 0.0);
    EXPECT_LT(std::fabs(shear[1][0]), 1e-9 * std::fabs(shear[1][1]));
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST_F(PlyFieldShell, TopOfTheLastPlyIsNoInterface) {
    shell(1);
    tvk::sectiondata.nplies = 3;
    FieldPoint p;
    p.layer = 3;
    p.kspt = 1;
    p.slot(ps::delamination_flag) = 1.0;
    p.slot(ps::exposures[ps::delamination]) = 0.8;
    p.call();
    EXPECT_EQ(p.slot(ps::exposures[ps::delamination]), 0.0);
    EXPECT_EQ(p.slot(ps::delamination_flag), 1.0);
    EXPECT_EQ(p.slot(3), 1000.0 + 7);  // one section point per ply is the top
    EXPECT_EQ(p.slot(1), 301.0);
}

TEST_F(PlyFieldShell, IndicesOutsideTheTablesSkipTheSectionPointWork) {
    shell(3);
    // Section points not yet set up for the element: the ply stress stays as it was.
    tvk::sectiondata.nsectionpoints.data()[1] = -1;
    FieldPoint p;
    p.layer = 2;
    p.stress({11, 12, 13, 14, 15, 16});
    p.call();
    EXPECT_EQ(p.slot(1), 11.0);
    EXPECT_EQ(p.slot(3), 13.0);
    // An integration point beyond the stress tables, a layer beyond them, an element beyond them.
    tvk::sectiondata.nsectionpoints.data()[1] = 3;
    for (const auto& [npt, layer, element] : {std::tuple{30, 2, 0.0}, std::tuple{1, 40, 0.0}, std::tuple{1, 2, 9.0}}) {
        FieldPoint q;
        q.npt = npt;
        q.layer = layer;
        q.slot(ps::element) = element;
        q.stress({11, 12, 13, 14, 15, 16});
        q.call();
        EXPECT_EQ(q.slot(1), 11.0) << npt << " " << layer;
    }
    // An element that is not listed keeps -1 and the stress.
    FieldPoint r;
    r.noel = 55;
    r.stress({11, 12, 13, 14, 15, 16});
    r.call();
    EXPECT_EQ(r.slot(ps::element), -1.0);
    EXPECT_EQ(r.slot(1), 11.0);
    // No element kinds: the stress tables are read, the shell tables not.
    tvk::elementdata.elemkind.release();
    FieldPoint s;
    s.layer = 2;
    s.kspt = 2;
    s.call();
    EXPECT_EQ(s.slot(1), 501.0);
    EXPECT_EQ(s.slot(3), 503.0);
}

TEST_F(PlyFieldShell, StructuralResponseStepRegistersSectionPoints) {
    shell(3);
    set_steps({0, 2});
    tvk::sectiondata.nsectionpoints.data()[0] = -1;
    FieldPoint p;
    p.noel = 7;
    p.kinc = 1;
    p.kspt = 2;
    p.call();
    EXPECT_EQ(tvk::sectiondata.nsectionpoints.data()[0], 2);
    p.kspt = 1;
    p.call();
    EXPECT_EQ(tvk::sectiondata.nsectionpoints.data()[0], 2);
    p.kinc = 2;
    p.kspt = 5;
    p.call();
    EXPECT_EQ(tvk::sectiondata.nsectionpoints.data()[0], 2);
    p.noel = 999;  // not listed: nothing changes
    p.kinc = 1;
    p.call();
    EXPECT_EQ(tvk::sectiondata.nsectionpoints.data()[1], 3);
}

TEST_F(PlyFieldShell, ExplicitPathStoresItsStressAtTheSectionPoint) {
    shell(3);
    FieldPoint p;
    p.layer = 2;
    p.kspt = 2;
    p.slot(ps::element) = 2.0;
    double table[16] = {20, 1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 1, 1, 1};
    p.kstep = 3;  // no criteria: slot 23 as stored
    p.call(table);
    const double* se = tvk::sectiondata.sestress.at(1, 5, 1, 2);
    EXPECT_EQ(V(se, se + 6), V({1, 2, 3, 6, 5, 4}));
}

// A refused shell or solid point puts back what its evaluation wrote in place (the section-point
// count of the registration, the recovered transverse stresses) and writes neither the stress of
// the explicit path nor the element's lengths.
TEST_F(PlyFieldShell, RefusedPointPutsBackTheSectionPointTables) {
    auto& sd = tvk::sectiondata;
    auto& el = tvk::elementdata.elemlength;
    curved_shell([](int n, double x, double) { *tvk::nodaldata.nodesmotion.at(3, n, 2) = 1e-3 * x * x; });
    el.allocate({3, 2});
    el.fill(-1.0);
    sd.nsectionpoints.data()[1] = 1;
    const auto tables = [&] {
        std::vector<V> out;
        for (const tvk::Table<double, 4>* t : {&sd.sestress, &sd.tshearstress})
            out.emplace_back(t->data(), t->data() + t->size());
        for (const tvk::Table<double, 2>* t : {&sd.tnormalstress, &el}) out.emplace_back(t->data(), t->data() + t->size());
        out.emplace_back(sd.nsectionpoints.data(), sd.nsectionpoints.data() + 2);
        return out;
    };
    const std::vector<V> before = tables();
    set_steps({0, -1});  // registration and criteria in one increment
    FieldPoint p;
    p.layer = 2;
    p.kspt = 2;  // raises the element's count of 1
    p.kinc = 1;
    double table[16] = {20, std::nan(""), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5, 0.5, 0.5};
    const V state = p.statev;
    p.call(table);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(p.statev, state);
    EXPECT_EQ(tables(), before);
    // The same element as a solid whose directions overflow its lengths.
    tvk::elementdata.elemkind.data()[1] = 10;
    FieldPoint q;
    q.tdirect[0] = 1e308;
    q.call();
    EXPECT_EQ(q.statev, V(40, 0.0));
    EXPECT_EQ(tables(), before);
    // Usable, the points write them.
    q.tdirect[0] = 1.0;
    q.call();
    tvk::elementdata.elemkind.data()[1] = 5;
    table[1] = 10.0;
    p.call(table);
    const std::vector<V> after = tables();
    for (std::size_t k = 0; k < 5; ++k) EXPECT_NE(after[k], before[k]) << k;
    EXPECT_EQ(tvk::errorhandling.errstat, -3);  // the refusals' report stays
}

// ---- explicit block ---------------------------------------------------------------------------------

TEST(ExplicitIncrement, IsTheCeilingOfTheStepTimeOverTheIncrement) {
    using tvk::solver::field::explicit_increment;
    EXPECT_EQ(explicit_increment(0.0, 0.25), 0);
    EXPECT_EQ(explicit_increment(0.25, 0.25), 1);
    EXPECT_EQ(explicit_increment(2.5 * 0.25, 0.25), 3);
    EXPECT_EQ(explicit_increment(3.0 * 0.25, 0.25), 3);
    EXPECT_EQ(explicit_increment(1.0, 0.0), 0);
    EXPECT_EQ(explicit_increment(1.0, -1.0), 0);
    EXPECT_EQ(explicit_increment(std::nan(""), 1.0), 0);
    EXPECT_EQ(explicit_increment(1e300, 1e-300), INT_MAX);
}

// A block of explicit points with distinct stresses, in the solver's layout.
struct Block {
    int nblock, nstatev, nfieldv, ndir = 3, nshr = 3;
    std::vector<int> jelem;
    V temp, coordmp, tdirect, t, charlength, props{0.0}, stateold, stressold, strainold, statenew, field;
    double steptime = 0.5, totaltime = 1.5, dt = 0.25;
    int kintpt = 1, klayer = 1, ksecpt = 1, kstep = 2;
    std::string name = "PLY";

    Block(int n, int ns, int nf)
        : nblock(n), nstatev(ns), nfieldv(nf), jelem(static_cast<std::size_t>(n)), temp(static_cast<std::size_t>(n), 20.0),
          coordmp(static_cast<std::size_t>(3 * n)), tdirect(static_cast<std::size_t>(9 * n)), t(static_cast<std::size_t>(9 * n)),
          charlength(static_cast<std::size_t>(3 * n), 0.5), stateold(static_cast<std::size_t>(n * ns)),
          stressold(static_cast<std::size_t>(6 * n)), strainold(static_cast<std::size_t>(6 * n)),
          statenew(static_cast<std::size_t>(n * ns), -7.0), field(static_cast<std::size_t>(n * nf)) {
        for (int k = 0; k < n; ++k) {
            jelem[static_cast<std::size_t>(k)] = 100 + k;
            for (int i = 0; i < 3; ++i) {
                coordmp[static_cast<std::size_t>(k + n * i)] = k + 0.1 * i;
                tdirect[static_cast<std::size_t>(k + n * (i + 3 * i))] = 1.0;
                t[static_cast<std::size_t>(k + n * (i + 3 * i))] = 1.0;
            }
        }
    }
    void call() {
        char cm[80];
        std::memset(cm, ' ', sizeof cm);
        std::memcpy(cm, name.data(), name.size());
        const int nprops = 1, threadid = 0;
        vusdfld_dmg(&nblock, &nstatev, &nfieldv, &nprops, &ndir, &nshr, jelem.data(), &kintpt, &klayer, &ksecpt,
                    &kstep, temp.data(), &steptime, &totaltime, &dt, cm, coordmp.data(), tdirect.data(), t.data(),
                    charlength.data(), props.data(), stateold.data(), stressold.data(), strainold.data(),
                    statenew.data(), field.data(), &threadid, sizeof cm);
    }
};

TEST_F(PlyField, ExplicitBlockEqualsSinglePointsWithTheRecordOfEachPoint) {
    const int n = 5, ns = 44, nf = 7;
    Block b(n, ns, nf);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (double& v : b.stateold) v = 0.0;
    for (int k = 0; k < n; ++k) {
        b.stateold[static_cast<std::size_t>(k)] = 9.0 + k;  // state before the block
        for (int i = 0; i < 6; ++i) {
            b.stressold[static_cast<std::size_t>(k + n * i)] = (i == 0 ? 1200.0 : 60.0) * (1.0 + u(rng)) + 400.0 * k;
            b.strainold[static_cast<std::size_t>(k + n * i)] = 1e-3 * u(rng);
        }
    }
    b.call();
    for (int k = 0; k < n; ++k) {
        FieldPoint p(nf, ns);
        p.noel = 100 + k;
        p.kinc = 2;
        p.celent = 0.5;
        for (int i = 0; i < 3; ++i) p.coord[i] = k + 0.1 * i;
        for (int j = 0; j < ns; ++j) p.statev[static_cast<std::size_t>(j)] = b.stateold[static_cast<std::size_t>(k + n * j)];
        double cyc[6], table[16];
        for (int i = 0; i < 6; ++i) cyc[i] = b.stressold[static_cast<std::size_t>(k + n * i)];
        table[0] = 20.0;
        const int order[6] = {0, 1, 2, 4, 5, 3};  // cyclic to Voigt
        for (int i = 0; i < 6; ++i) {
            table[1 + i] = cyc[order[i]];
            table[7 + i] = b.strainold[static_cast<std::size_t>(k + n * order[i])];
        }
        table[13] = table[14] = table[15] = 0.5;
        p.call(table);
        for (int j = 0; j < ns; ++j)
            EXPECT_EQ(b.statenew[static_cast<std::size_t>(k + n * j)], p.statev[static_cast<std::size_t>(j)]) << k << " " << j;
        for (int j = 0; j < nf; ++j) EXPECT_EQ(b.field[static_cast<std::size_t>(k + n * j)], p.field[static_cast<std::size_t>(j)]);
        // Ply stress in Nye order: the cyclic row (a, b, c, d, e, f) arrives as (a, b, c, d, f, e).
        EXPECT_EQ(p.slot(4), cyc[3]);
        EXPECT_EQ(p.slot(5), cyc[5]);
        EXPECT_EQ(p.slot(6), cyc[4]);
    }
}

// The explicit field routine evaluates a block of points without a heap allocation once it has
// been called.
TEST_F(PlyField, ExplicitBlockAllocatesOnlyOnTheFirstCall) {
    const int n = 5, ns = 44, nf = 7;
    Block b(n, ns, nf);
    for (int k = 0; k < n; ++k) {
        b.stateold[static_cast<std::size_t>(k)] = 9.0 + k;
        for (int i = 0; i < 6; ++i) {
            b.stressold[static_cast<std::size_t>(k + n * i)] = (i == 0 ? 1200.0 : 60.0) + 400.0 * k;
            b.strainold[static_cast<std::size_t>(k + n * i)] = 1e-3 * (i + 1);
        }
    }
    b.call();
    const long before = tvk::test::heap_allocations();
    b.call();
    EXPECT_EQ(tvk::test::heap_allocations() - before, 0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST_F(PlyField, ExplicitBlockWritesNothingWithoutPointsOrState) {
    Block none(0, 40, 7);
    none.call();
    Block nostate(3, 0, 7);
    nostate.field.assign(21, 2.0);
    nostate.call();
    EXPECT_EQ(nostate.field, V(21, 2.0));
    Block shortstate(3, 39, 7);
    for (double& v : shortstate.stateold) v = 4.0;
    shortstate.field.assign(21, 2.0);
    shortstate.call();
    EXPECT_EQ(shortstate.statenew, shortstate.stateold);
    EXPECT_EQ(shortstate.field, V(21, 2.0));
}

TEST_F(PlyField, ExplicitBlockWithReducedRowsTakesMissingComponentsAsZero) {
    // Rows (11, 22, 33, 12) of a plane-stress block and (11, 22, 12) of a membrane.
    for (const auto& [ndir, nshr] : {std::pair{3, 1}, std::pair{2, 1}}) {
        const int n = 2, nc = ndir + nshr;
        Block b(n, 40, 7);
        b.ndir = ndir;
        b.nshr = nshr;
        b.stressold.assign(static_cast<std::size_t>(n * nc), 0.0);
        b.strainold.assign(static_cast<std::size_t>(n * nc), 0.0);
        for (int i = 0; i < nc; ++i) b.stressold[static_cast<std::size_t>(1 + n * i)] = 10.0 * (i + 1);
        b.call();
        V s(6);
        for (int i = 0; i < 6; ++i) s[i] = b.statenew[static_cast<std::size_t>(1 + n * i)];
        if (ndir == 3) EXPECT_EQ(s, V({10, 20, 30, 40, 0, 0}));
        else EXPECT_EQ(s, V({10, 20, 0, 30, 0, 0}));
    }
}

// ---- monotonicity over random sequences ---------------------------------------------------------------

TEST_F(PlyField, FlagsNeverDropAndResidualFactorsNeverRiseOverRandomIncrements) {
    set_steps({0, 3, 1, 4, 5, 3, -1, 2, 7});
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> step(1, 9), coin(0, 3);
    int rises = 0, falls = 0;
    for (int point = 0; point < 40; ++point) {
        FieldPoint p(7 + point % 3, 40 + point % 5);
        p.layer = 1 + point % 6;
        p.name = point % 2 ? "PLY_s@12@" : "PLY";
        p.coord[0] = u(rng);
        p.coord[1] = u(rng);
        V last = p.statev;
        for (int inc = 1; inc <= 150; ++inc) {
            p.kstep = step(rng);
            p.kinc = inc;
            const double scale = 0.02 * inc;
            p.stress({2500 * scale * u(rng), 150 * scale * u(rng), 100 * scale * u(rng), 90 * scale * u(rng),
                      90 * scale * u(rng), 70 * scale * u(rng)});
            double table[16];
            const bool explicit_path = coin(rng) == 0;
            if (explicit_path) {
                for (double& v : table) v = u(rng);
                for (int i = 1; i <= 6; ++i) table[i] *= 100.0 * scale;
                for (int i = 7; i <= 12; ++i) table[i] *= 1e-2 * scale;
                table[13] = table[14] = table[15] = 0.5;
            }
            p.call(explicit_path ? table : nullptr);
            for (int m = 0; m < ps::nmodes + 1; ++m) {
                const double now = p.slot(ps::flags[m]), was = last[static_cast<std::size_t>(p.base() + ps::flags[m] - 1)];
                EXPECT_GE(now, was) << point << " " << inc << " mode " << m;
                rises += now > was;
                EXPECT_TRUE(now == 0.0 || now == 1.0);
            }
            for (int k = 0; k < ps::residuals.count; ++k) {
                const double now = p.slot(ps::residuals[k]), was = last[static_cast<std::size_t>(p.base() + ps::residuals[k] - 1)];
                if (inc > 1) {
                    EXPECT_LE(now, was) << point << " " << inc << " residual " << k;
                    falls += now < was;
                }
                EXPECT_GE(now, 0.0);
                EXPECT_LE(now, 1.0);
            }
            const double a = last[static_cast<std::size_t>(p.base() + ps::angle_xy - 1)];
            if (inc > 1 && a != -1.0) {
                EXPECT_EQ(p.slot(ps::angle_xy), a);
            }
            last = p.statev;
        }
    }
    // The sequences fail plies in several modes and crack matrices far enough to degrade them.
    EXPECT_GT(rises, 40);
    EXPECT_GT(falls, 10);
}

// ---- the damaged road ----------------------------------------------------------------------------------

// A ply point of section 5, ply 1, loaded along the fibres: before every increment the implicit
// field hook evaluates the stress the material routine left in the state. The impact step fails
// the fibres; in the following DIC step the material routine degrades the stiffness from the
// flags the field hook kept.
TEST_F(PlyField, PlyPointRunsFromIntactToFibreFailureThroughTheFieldHook) {
    set_steps({0, 3, 5});
    tvktest::UmatPoint point(umat_lamina, 3, 3, 40, {1.0});
    point.jstep[0] = 2;
    point.kinc = 1;
    auto field_hook = [&](tvktest::UmatPoint& pt) {
        double field[7] = {}, pnewdt = 1.0, tdirect[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, t[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        double celent = 1.0, time[2] = {pt.time[0], pt.time[1]}, coord[3] = {0, 0, 0};
        char cmname[80], orname[80];
        std::memcpy(cmname, pt.materl, 80);
        std::memset(orname, ' ', 80);
        const int nfield = 7, nstatv = pt.nstatv, noel = pt.noel, npt = pt.npt, layer = pt.kslay, kspt = pt.kspt,
                  kstep = pt.jstep[0], kinc = pt.kinc, ndi = 3, nshr = 3, zero = 0;
        usdfld_dmg(field, pt.statev.data(), &pnewdt, tdirect, t, &celent, time, &pt.dtime, cmname, orname, &nfield,
                   &nstatv, &noel, &npt, &layer, &kspt, &kstep, &kinc, &ndi, &nshr, coord, &zero, &zero, &zero, &zero,
                   &zero, 80, 80);
        EXPECT_EQ(pnewdt, 1.0);
        return std::vector<double>(field, field + 7);
    };
    // The first field call locates the ply, so the material routine finds its constants.
    field_hook(point);
    ASSERT_EQ(point.statev[ps::ply - 1], 1.0);
    ASSERT_EQ(point.statev[ps::section - 1], 1.0);

    double c[36];
    tvk::lamina::stiffness(c, nye.data(), 6, false);
    const V d = {2e-3, 0, 0, 0, 0, 0};
    int failed_at = 0;
    for (int inc = 1; inc <= 12 && failed_at == 0; ++inc) {
        const V f = field_hook(point);
        if (point.statev[ps::fibre_flag - 1] == 1.0) {
            failed_at = inc;
            EXPECT_EQ(f[1], 1.0);
            break;
        }
        point.increment(d);
        for (int k = 0; k < 36; ++k) ASSERT_EQ(point.ddsdde[static_cast<std::size_t>(k)], c[k]);  // intact in an impact step
    }
    // sigma11 = C11 eps11 reaches xt11 = 2000 in the increment where eps11 = 2e-3 k passes it;
    // the field hook sees it at the start of the next one.
    const double c11_step = c[0] * 2e-3;
    EXPECT_EQ(failed_at, static_cast<int>(std::ceil(2000.0 / c11_step)) + 1);
    EXPECT_GE(point.statev[ps::exposures[ps::fibre] - 1], 1.0);

    // DIC step: the damage stays and the material routine degrades the stiffness.
    point.jstep[0] = 3;
    point.kinc = 1;
    const V f = field_hook(point);
    EXPECT_EQ(f, V(7, 0.0));
    EXPECT_EQ(point.statev[ps::fibre_flag - 1], 1.0);
    tvktest::check_tangent(point, {1e-4, 0, 0, 0, 0, 0});
    point.increment({1e-4, 0, 0, 0, 0, 0});
    // Degradation factors of the flags the state holds (fibre failed; the transverse stress of the
    // fibre load may have cracked the matrix too).
    const auto flag = [&](int s) { return point.statev[static_cast<std::size_t>(s - 1)]; };
    const double dds[10] = {flag(ps::fibre_flag), 0, flag(ps::matrix_flag), 0, flag(ps::delamination_flag), 0,
                            flag(ps::core_flag), flag(ps::buckling_flag), 0, 0};
    EXPECT_EQ(dds[0], 1.0);
    double fac[9], m[36];
    tvk::degradation::falcom(fac, dds, point.statev[ps::residual - 1], 5, true, nullptr);
    tvk::degradation::nye_degradation_matrix(m, fac, 6, false);
    bool softer = false;
    for (int k = 0; k < 36; ++k) {
        EXPECT_DOUBLE_EQ(point.ddsdde[static_cast<std::size_t>(k)], c[k] * m[k]);
        softer = softer || std::fabs(point.ddsdde[static_cast<std::size_t>(k)]) < std::fabs(c[k]);
    }
    EXPECT_TRUE(softer);
    EXPECT_LT(point.ddsdde[0], c[0]);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// ---- the ply state vector shared with the material routine -----------------------------------------

// The implicit field hook on the state of a single-point driver's point; the field variables.
V implicit_field_hook(tvktest::UmatPoint& pt) {
    double field[7] = {}, pnewdt = 1.0, tdirect[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, t[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double celent = 1.0, coord[3] = {0, 0, 0};
    char orname[80];
    std::memset(orname, ' ', 80);
    const int nfield = 7, nstatv = pt.nstatv, noel = pt.noel, npt = pt.npt, layer = pt.kslay, kspt = pt.kspt,
              kstep = pt.jstep[0], kinc = pt.kinc, ndi = 3, nshr = 3, zero = 0;
    usdfld_dmg(field, pt.statev.data(), &pnewdt, tdirect, t, &celent, pt.time, &pt.dtime, pt.materl, orname, &nfield,
               &nstatv, &noel, &npt, &layer, &kspt, &kstep, &kinc, &ndi, &nshr, coord, &zero, &zero, &zero, &zero,
               &zero, 80, 80);
    return V(field, field + 7);
}

// A point with more state variables than the ply state vector: the field hook and the ply material
// routine both use the last 40. The stress the routine leaves (s11 = C11 0.02, about 2860 against
// xt11 = 2000) is the stress the field hook evaluates, the fibre failure it flags degrades the
// routine's stiffness in the DIC step, and the state variables before the block belong to neither.
// With one property the routine takes its constants from the ply and section the hook located.
TEST_F(PlyField, FieldHookAndPlyRoutineShareTheLastFortyStateVariables) {
    set_steps({0, 3, 5});
    double c[36];
    tvk::lamina::stiffness(c, nye.data(), 6, false);
    for (const int nstatv : {40, 50, 64}) {
        for (const V& props : {nye, V{1.0}}) {
            tvktest::UmatPoint point(umat_lamina, 3, 3, nstatv, props);
            const int base = nstatv - ps::size;
            const auto slot = [&](int s) { return point.statev[static_cast<std::size_t>(base + s - 1)]; };
            for (int k = 0; k < base; ++k) point.statev[static_cast<std::size_t>(k)] = -50.0 - k;
            point.jstep[0] = 2;  // impact step: criteria
            point.kinc = 1;
            implicit_field_hook(point);
            ASSERT_EQ(slot(ps::ply), 1.0);
            ASSERT_EQ(slot(ps::section), 1.0);
            EXPECT_EQ(slot(ps::fibre_flag), 0.0);

            point.increment({0.02, 0, 0, 0, 0, 0});
            EXPECT_EQ(point.stress[0], c[0] * 0.02) << nstatv;
            ASSERT_GT(point.stress[0], 2000.0);
            for (int i = 1; i <= 6; ++i) EXPECT_EQ(slot(i), point.stress[static_cast<std::size_t>(i - 1)]) << nstatv;
            for (int k = 0; k < 36; ++k) EXPECT_EQ(point.ddsdde[static_cast<std::size_t>(k)], c[k]);

            const V f = implicit_field_hook(point);
            EXPECT_EQ(slot(ps::fibre_flag), 1.0) << nstatv;
            EXPECT_EQ(f[1], 1.0) << nstatv;
            EXPECT_GE(slot(ps::exposures[ps::fibre]), 2000.0 * 1.4 / 2000.0) << nstatv;

            // DIC step: the flags the hook keeps degrade the routine's stiffness.
            point.jstep[0] = 3;
            implicit_field_hook(point);
            point.increment({1e-4, 0, 0, 0, 0, 0});
            const double dds[10] = {slot(ps::fibre_flag), 0, slot(ps::matrix_flag), 0, slot(ps::delamination_flag), 0,
                                    slot(ps::core_flag), slot(ps::buckling_flag), 0, 0};
            double fac[9], m[36];
            tvk::degradation::falcom(fac, dds, slot(ps::residual), 5, true, nullptr);
            tvk::degradation::nye_degradation_matrix(m, fac, 6, false);
            for (int k = 0; k < 36; ++k) EXPECT_DOUBLE_EQ(point.ddsdde[static_cast<std::size_t>(k)], c[k] * m[k]) << k;
            EXPECT_LT(point.ddsdde[0], c[0]) << nstatv;
            for (int k = 0; k < base; ++k) EXPECT_EQ(point.statev[static_cast<std::size_t>(k)], -50.0 - k) << k;
            EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        }
    }
}

}  // namespace
