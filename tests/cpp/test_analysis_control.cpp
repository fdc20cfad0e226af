// Analysis control driven natively as a solver drives it: a job folder in a temporary directory,
// the hooks called through their C entries in the solver's order (the job texts NUL-padded, as a
// C host leaves them), a ply point of the elastic ply routine driven by the single-point driver
// between increment start and end, and the model tables checked after each call.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "single_point_driver.h"
#include "solver/analysiscontrol.h"
#include "solver/hooks.h"
#include "solver/impactormotion.h"
#include "core/process_hooks.h"
#include "solver/process_state.h"
#include "solver/umat_lamina.h"

namespace {

namespace fs = std::filesystem;
using namespace tvk;

constexpr double g = 9.80665;

const char* const deck =
    "*Heading\n"
    "*Instance, name=TVK_SENSORELEMENT-1, part=Plate\n"
    " 10.0, 20.0, 0.0\n"
    "*End Instance\n"
    "*Step, name=TVK_INITIALIZATION-1\n*End Step\n"
    "*Step, name=TVK_IMPACT-2\n*End Step\n"
    "*Step, name=TVK_FATIGUE-3\n*End Step\n";

const char* const step_card =
    "++Begin Step, STEP 1\n+Update, TYPE=INC\n3\n+Cycle, TYPE=DIRECT\n0 0 0\n0 0 0\n0 1 5\n++End Step\n";
const char* const section_card =
    "++Begin Section, SECID=1\n+Material\n1\n+Orientation\n0 90 90 0\n+Thickness\n0.125\n+Extension\n0 0\n"
    "++End Section\n";
const std::vector<double> elastic = {140000, 9000, 9000, 0.3, 0.3, 0.45, 4600, 4600, 3100};
const char* const material_card =
    "++Begin Material, MATID=1\n+Elastic\n140000 9000 9000 0.3 0.3 0.45 4600 4600 3100\n"
    "+Strength\n2000 50 50 1200 200 200 80 80 80 90\n+Failure, TYPE=INITIATION\n0 0 0 0 0\n"
    "+Failure, TYPE=EVOLUTION\n1 1 1 0 0\n++End Material\n";

// The job folder, and the job texts set NUL-padded; everything released on both ends.
struct JobFolder {
    fs::path dir;
    JobFolder() {
        dir = fs::temp_directory_path() / ("tvk_control_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        write("job.inp", deck);
        write("StepCard.tvk", step_card);
        write("SectionCard.tvk", section_card);
        write("MaterialCard.tvk", material_card);
        write("job.msg", "  CYCLE 1200 COMPLETED\n other\n  CYCLE 1300 COMPLETED\n end\n");
        set_text(jobdata.jobfilepath, (dir / "job").string());
        set_text(jobdata.joboutdir, dir.string());
        process_state::release();
    }
    ~JobFolder() {
        process_state::release();
        set_text(jobdata.jobfilepath, "");
        set_text(jobdata.joboutdir, "");
        fs::remove_all(dir);
        tvktest::clear_errors();
    }
    void write(const char* name, const char* text) const { std::ofstream(dir / name, std::ios::binary) << text; }
    static void set_text(char (&field)[256], const std::string& s) {
        std::memset(field, 0, sizeof field);
        std::memcpy(field, s.data(), std::min(s.size(), sizeof field));
    }
};

// The implicit hook as the solver calls it (no exflag).
void control(int lop, int kstep = 0, int kinc = 0, double dtime = 0.0) {
    const int lrestart = 0;
    const double time[2] = {0.0, 0.0};
    UEXTERNALDB_IOControl(&lop, &lrestart, time, &dtime, &kstep, &kinc, nullptr);
}

// The explicit hook with its records.
void explicit_control(int k, int kstep = 0, int kinc = 0, double dt = 0.0) {
    const int iarr[4] = {0, 0, kstep, kinc}, ni = 4, nr = 3;
    const double rarr[3] = {0.0, 0.0, dt};
    VUEXTERNALDB_IOControl(&k, iarr, &ni, rarr, &nr, nullptr);
}

double cprop(int k) { return *impactdata.cprops.at(k, 1); }

// e = S s with the compliance of the Nye constants, the independent check of the ply stress.
std::vector<double> strain_of(const std::vector<double>& s) {
    const auto& p = elastic;
    const double e1 = p[0], e2 = p[1], e3 = p[2], n12 = p[3], n13 = p[4], n23 = p[5];
    return {s[0] / e1 - n12 / e1 * s[1] - n13 / e1 * s[2], -n12 / e1 * s[0] + s[1] / e2 - n23 / e2 * s[2],
            -n13 / e1 * s[0] - n23 / e2 * s[1] + s[2] / e3, s[3] / p[6], s[4] / p[7], s[5] / p[8]};
}

}  // namespace

TEST(AnalysisControl, JobFolderDrivenNativelyThroughAWholeAnalysis) {
    tvktest::clear_errors();
    JobFolder job;
    control(0);
    EXPECT_EQ(errorhandling.errstat, 0);
    ASSERT_EQ(jobdata.nsteps, 3);
    EXPECT_EQ(jobdata.stepid.get(-1, 1), 0);
    EXPECT_EQ(jobdata.stepid.get(-1, 2), 3);
    EXPECT_EQ(jobdata.stepid.get(-1, 3), 1);
    ASSERT_EQ(loaddata.nimp, 1);
    EXPECT_EQ(*loaddata.dprops.at(2, 1), 10.0);
    EXPECT_EQ(*loaddata.dprops.at(3, 1), 20.0);
    EXPECT_EQ(cprop(6), g);
    EXPECT_EQ(cprop(14), 1.0);
    EXPECT_EQ(cprop(15), 1e-10);
    EXPECT_EQ(debugdata.nupdate, 3);
    EXPECT_EQ(sectiondata.nplies, 4);
    EXPECT_EQ(*materialdata.peprops.at(7, 3, 1), 4600.0);
    ASSERT_TRUE(sectiondata.sehmatrix.present());
    EXPECT_GT(*sectiondata.sehmatrix.at(1, 1, 1), 0.0);

    // step 1: a ply point of the elastic ply routine, constants from the material table
    control(1, 1, 1);
    tvktest::UmatPoint p(umat_lamina, 3, 3, 40, {1.0});
    p.statev[20] = 3.0;  // ply
    p.statev[21] = 1.0;  // section
    const std::vector<double> dstran = {1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4};
    p.increment(dstran);
    const std::vector<double> e = strain_of(p.stress);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(e[i], dstran[i], 1e-12 * std::fabs(dstran[i]) + 1e-18) << i;
    control(2, 1, 1, 0.1);

    // step 2: free fall under central differences
    *impactdata.cprops.at(7, 1) = 2.5;
    for (int k = 8; k <= 10; ++k) *impactdata.cprops.at(k, 1) = -1.0;
    const double dt = 1e-4;
    const int n = 30;
    for (int kinc = 1; kinc <= n; ++kinc) {
        control(1, 2, kinc);
        control(2, 2, kinc, dt);
    }
    EXPECT_NEAR(cprop(4), 0.5 * g * std::pow(n * dt, 2), 1e-12 * 0.5 * g * std::pow(n * dt, 2));
    EXPECT_NEAR(cprop(5), g * n * dt, 1e-12 * g * n * dt);

    // step 3: the cycle number from the message file
    control(1, 3, 1);
    EXPECT_EQ(*shokriehdata.cycles.at(1, 3), 1300.0);

    // release through the explicit hook's analysis end: everything process-wide as at load
    explicit_control(6);
    EXPECT_TRUE(process_state::released());
    EXPECT_FALSE(jobdata.stepid.present());
    EXPECT_EQ(jobdata.nsteps, 0);  // the count that sized stepid goes with it

    // a second analysis, through the explicit hook, starts clean
    explicit_control(0);
    EXPECT_EQ(errorhandling.errstat, 0);
    EXPECT_EQ(jobdata.stepid.get(-1, 2), 3);
    EXPECT_EQ(cprop(4), 0.0);
    EXPECT_EQ(cprop(19), 0.0);
}

TEST(AnalysisControl, StartWithoutReleaseIsRefusedAndKeepsTheStepKinds) {
    tvktest::clear_errors();
    JobFolder job;
    control(4);
    ASSERT_EQ(errorhandling.errstat, 0);
    *jobdata.stepid.at(1) = 5;
    control(0);
    EXPECT_EQ(errorhandling.errstat, -3);
    // the text names the held analysis and its release (and its step count), not the deck paths
    EXPECT_EQ(std::string(errorhandling.errstring, 80),
              std::string("Error: earlier analysis still held; release it (UEXTERNALDB_IOControl code 3).").append(2, ' '));
    EXPECT_EQ(errorhandling.errintv.get(0, 1), jobdata.nsteps);
    EXPECT_EQ(*jobdata.stepid.at(1), 5);
    // after the release the same deck starts again; without a deck the deck text stays
    control(3);
    tvktest::clear_errors();
    control(0);
    EXPECT_EQ(errorhandling.errstat, 0);
    control(3);
    fs::remove(job.dir / "job.inp");
    control(0);
    EXPECT_EQ(errorhandling.errstat, -3);
    EXPECT_EQ(std::string(errorhandling.errstring, 80),
              std::string("Cannot process any input file. Execution stops. Please check paths and your input deck "
                          "format.")
                  .substr(0, 80));
}

// A start refused because an analysis is held changes nothing: no count is reset and no card or
// listing is read, with the same deck or another one, through either hook; after the release the
// new deck starts as usual. A held analysis whose deck has gone still gets the held text.
TEST(AnalysisControl, HeldAnalysisStartChangesNothingHeld) {
    tvktest::clear_errors();
    JobFolder job;
    job.write("job.dat", " E L E M E N T   D E F I N I T I O N S\n  1  S4R   1   1 2 3 4\n"
                         " N O D E   D E F I N I T I O N S\n  1  0 0 0\n  2  1 0 0\n  3  1 1 0\n  4  0 1 0\n");
    explicit_control(0);
    ASSERT_EQ(errorhandling.errstat, 0);
    ASSERT_EQ(elementdata.nelem, 1);
    damagedata.ndmg = 2;
    struct Counts {
        int nimp, ndmg, nsec, nplies, nupdate, nelem;
        bool operator==(const Counts&) const = default;
    };
    auto counts = [] {
        return Counts{loaddata.nimp, damagedata.ndmg, sectiondata.nsec, sectiondata.nplies, debugdata.nupdate,
                      elementdata.nelem};
    };
    const Counts held = counts();
    ASSERT_EQ(held.nimp, 1);
    ASSERT_EQ(held.nplies, 4);
    const double orientation[4] = {0, 90, 90, 0};
    auto orientation_kept = [&] {
        for (int ply = 1; ply <= 4; ++ply)
            if (sectiondata.plyorientation.get(-1.0, ply, 1) != orientation[ply - 1]) return false;
        return true;
    };
    // the same deck, then another one: two plies of other angles, another listing, no impactor
    for (int deck = 0; deck < 2; ++deck) {
        if (deck == 1) {
            job.write("job.inp", "*Step, name=TVK_DIC-1\n*End Step\n");
            job.write("SectionCard.tvk", "++Begin Section, SECID=1\n+Material\n1\n+Orientation\n45 -45\n"
                                         "+Thickness\n0.125\n+Extension\n0 0\n++End Section\n");
            job.write("job.dat", " E L E M E N T   D E F I N I T I O N S\n  1  S4R   1   1 2 3 4\n"
                                 "  2  S4R   1   1 2 3 4\n");
        }
        for (const bool expl : {false, true}) {
            tvktest::clear_errors();
            expl ? explicit_control(0) : control(0);
            EXPECT_EQ(errorhandling.errstat, -3);
            EXPECT_TRUE(counts() == held) << deck << expl;
            EXPECT_TRUE(orientation_kept()) << deck << expl;
            EXPECT_EQ(jobdata.stepid.get(-1, 2), 3);
            EXPECT_EQ(*loaddata.dprops.at(2, 1), 10.0);
        }
    }
    // the deck gone: the held analysis is still what the start reports
    fs::remove(job.dir / "job.inp");
    tvktest::clear_errors();
    control(0);
    EXPECT_EQ(std::string(errorhandling.errstring, 37), "Error: earlier analysis still held; r");
    EXPECT_TRUE(counts() == held);
    // released, the start of the new deck resets the counts and reads the new section card
    job.write("job.inp", "*Step, name=TVK_DIC-1\n*End Step\n");
    control(3);
    tvktest::clear_errors();
    control(0);
    EXPECT_EQ(loaddata.nimp, 0);
    EXPECT_EQ(sectiondata.nplies, 2);
    EXPECT_EQ(sectiondata.plyorientation.get(0.0, 2, 1), -45.0);
}

TEST(AnalysisControl, AccessHookReleaseLeavesTheForceWindowToTheNextStart) {
    tvktest::clear_errors();
    JobFolder job;
    control(0);
    *impactdata.cprops.at(7, 1) = 1.0;
    for (int kinc = 1; kinc <= 3; ++kinc) {
        *impactdata.cprops.at(1, 1) = 1.0;
        control(2, 2, kinc, 1e-3);
    }
    const int lop = 3;
    const double dtime = 0.0;
    UACCESS_IOControl(&lop, &dtime);
    EXPECT_FALSE(jobdata.stepid.present());
    EXPECT_FALSE(process_state::hooks::impactor_window_empty());  // the access hook leaves it
    // a deck with two impact points: records, sensor records and window for two
    job.write("job.inp", "*Instance, TVK_SENSORELEMENT\n1 2 3\n*Instance, TVK_SENSORELEMENT\n4 5 6\n*Step, TVK_IMPACT\n");
    control(0);
    ASSERT_EQ(loaddata.nimp, 2);
    EXPECT_EQ(impactdata.cprops.extent(2), 2);
    EXPECT_EQ(*loaddata.dprops.at(4, 2), 6.0);
    for (int i = 1; i <= 2; ++i) {
        *impactdata.cprops.at(7, i) = 1.0;
        for (int k = 8; k <= 10; ++k) *impactdata.cprops.at(k, i) = -1.0;
    }
    // five falling forces: the window of each impactor fills from empty, the marker comes with
    // the fifth
    for (int kinc = 1; kinc <= 5; ++kinc) {
        for (int i = 1; i <= 2; ++i) *impactdata.cprops.at(1, i) = 6.0 - kinc;
        control(2, 1, kinc, 1e-3);
        for (int i = 1; i <= 2; ++i) EXPECT_EQ(*impactdata.cprops.at(16, i), kinc == 5 ? 1.0 : 0.0) << kinc;
    }
    // the same count again: the windows, full of larger forces, are emptied by the start as well
    UACCESS_IOControl(&lop, &dtime);
    control(0);
    ASSERT_EQ(loaddata.nimp, 2);
    for (int i = 1; i <= 2; ++i) *impactdata.cprops.at(7, i) = 1.0;
    for (int kinc = 1; kinc <= 5; ++kinc) {
        for (int i = 1; i <= 2; ++i) *impactdata.cprops.at(1, i) = 0.6 - 0.1 * kinc;
        control(2, 1, kinc, 1e-3);
        for (int i = 1; i <= 2; ++i) EXPECT_EQ(*impactdata.cprops.at(16, i), kinc == 5 ? 1.0 : 0.0) << kinc;
    }
}

// The section-point stress tables are created at the first increment start of a later step whose
// kind evaluates the failure criteria, never in step 1, even when step 1 is a fatigue step: the
// damage field evaluates no criteria in step 1, so it has no use for them there.
TEST(AnalysisControl, SectionPointTablesStayAbsentInStepOneEvenWhenItIsAFatigueStep) {
    tvktest::clear_errors();
    JobFolder job;
    job.write("job.inp", "*Step, name=TVK_FATIGUE-1\n*End Step\n*Step, name=TVK_FATIGUE-2\n*End Step\n");
    control(0);
    ASSERT_EQ(jobdata.nsteps, 2);
    ASSERT_EQ(jobdata.stepid.get(-1, 1), 1);
    ASSERT_EQ(jobdata.stepid.get(-1, 2), 1);
    ASSERT_EQ(sectiondata.nplies, 4);
    tvktest::clear_errors();  // (the job's step card plans cycles for a third step)
    // Two 8-node shells with three and two section points per ply.
    elementdata.nelem = 2;
    elementdata.elemkind.allocate({2});
    elementdata.elemkind.data()[0] = elementdata.elemkind.data()[1] = 5;
    sectiondata.nsectionpoints.allocate({2});
    sectiondata.nsectionpoints.data()[0] = 3;
    sectiondata.nsectionpoints.data()[1] = 2;
    for (int kinc = 1; kinc <= 3; ++kinc) {
        control(1, 1, kinc);
        explicit_control(2, 1, kinc);  // the explicit increment set-up: increment start as well
        control(2, 1, kinc, 0.1);
        EXPECT_FALSE(sectiondata.sestress.present()) << kinc;
        EXPECT_FALSE(sectiondata.tnormalstress.present()) << kinc;
        EXPECT_FALSE(sectiondata.tshearstress.present()) << kinc;
    }
    // Step 2, the same kind: created at its first increment start, sized by the largest section
    // point count and the plies.
    control(1, 2, 1);
    ASSERT_TRUE(sectiondata.sestress.present());
    EXPECT_EQ(sectiondata.sestress.extent(1), 6);
    EXPECT_EQ(sectiondata.sestress.extent(2), 3 * 4);
    EXPECT_EQ(sectiondata.sestress.extent(3), 4);
    EXPECT_EQ(sectiondata.sestress.extent(4), 2);
    ASSERT_TRUE(sectiondata.tnormalstress.present());
    EXPECT_EQ(sectiondata.tnormalstress.extent(1), 2 * 4 + 1);
    ASSERT_TRUE(sectiondata.tshearstress.present());
    EXPECT_EQ(sectiondata.tshearstress.extent(1), 3 * 4);
    EXPECT_EQ(sectiondata.tshearstress.extent(2), 2);
    EXPECT_EQ(errorhandling.errstat, 0) << tvktest::errtext();
    elementdata.nelem = 0;
}
