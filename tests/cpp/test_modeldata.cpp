// Model-data tables, their allocation and release, the error record and the trace writer.
#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "core/datahandling.h"
#include "error_record.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/trace.h"

using namespace tvk;

namespace {

template <class T, int R>
std::vector<int> shape(const Table<T, R>& t) {
    std::vector<int> s;
    for (int d = 1; d <= R; ++d) s.push_back(t.extent(d));
    return s;
}

template <class T, int R>
bool all_equal(const Table<T, R>& t, T v) {
    for (std::int64_t k = 0; k < t.size(); ++k)
        if (t.data()[k] != v) return false;
    return true;
}

void clear_record() {
    const int yes = 1;
    int reset = 0;
    rsxerr(&reset, &yes);
    std::memset(errorhandling.errstring, 0, sizeof errorhandling.errstring);
}

// Every table of the data modules, from their declarations.
std::vector<TableBase*> all_tables() {
    std::vector<TableBase*> t;
    for (const VarDesc& v : modeldata_variables())
        if (TableBase* p = v.table()) t.push_back(p);
    return t;
}

// Every test starts from an empty store and an open error record.
class ModelData : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        int istat = -1;
        deallocall(&istat);
        jobdata.processid.release();
        damagedata.ndmg = 0;
        clear_record();
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Allocation (the extents of a first allocation are checked from Python)

TEST_F(ModelData, DamageMarkerZeroesSetsOncePerCreation) {
    // Sets left from a card read whose marker was released: the new marker starts at -1 and
    // every present set is zeroed over its own extents, which it keeps.
    damagedata.generaldds.allocate({3, 2, 2});
    damagedata.generaldds.fill(7.0);
    damagedata.delamdds.allocate({3, 4, 1});
    damagedata.delamdds.fill(-2.0);
    int istat = -1;
    const int three = 3, one = 1, two = 2;
    allocatedamagedata(&istat, &three, &one, &one);
    EXPECT_EQ(istat, 0);
    EXPECT_EQ(shape(damagedata.generaldds), (std::vector<int>{3, 2, 2}));
    EXPECT_TRUE(all_equal(damagedata.generaldds, 0.0));
    EXPECT_EQ(shape(damagedata.delamdds), (std::vector<int>{3, 4, 1}));
    EXPECT_TRUE(all_equal(damagedata.delamdds, 0.0));
    EXPECT_EQ(damagedata.damagedds.get(99, 1), 0);

    // With the marker at 0, contents stay; a set created now (one released from the host)
    // holds zeros; ndmg grows past the extents of the present tables and never shrinks.
    damagedata.userdds.fill(3.0);
    damagedata.coredds.release();
    allocatedamagedata(&istat, &three, &one, &two);
    allocatedamagedata(&istat, &three, &one, &one);
    EXPECT_TRUE(all_equal(damagedata.userdds, 3.0));
    EXPECT_EQ(shape(damagedata.coredds), (std::vector<int>{3, 3, 2}));
    EXPECT_TRUE(all_equal(damagedata.coredds, 0.0));
    EXPECT_EQ(damagedata.ndmg, 2);
    EXPECT_FALSE(damagedata.userdds.in_bounds(1, 1, 2));
}

TEST_F(ModelData, OddExtentsGiveEmptyTablesAndAnEmptyMarkerIsNeverIndexed) {
    damagedata.damagedds.allocate({0});
    int istat = -1;
    const int neg = -4, zero = 0;
    allocatedamagedata(&istat, &neg, &zero, &neg);
    EXPECT_EQ(damagedata.damagedds.extent(1), 0);
    EXPECT_EQ(damagedata.ndmg, 1);
    EXPECT_TRUE(damagedata.generaldds.present());
    EXPECT_EQ(damagedata.generaldds.size(), 0);
    EXPECT_EQ(shape(damagedata.delamdds), (std::vector<int>{3, 1, 1}));
    EXPECT_EQ(shape(bukdata.bukintdatalist), (std::vector<int>{4, 1, 1, 0}));
}

// ---------------------------------------------------------------------------------------------
// Release

TEST_F(ModelData, DeallocallReleasesEveryTableButTheRegister) {
    for (TableBase* t : all_tables()) {
        const std::int64_t e[7] = {2, 1, 1, 1, 1, 1, 1};
        t->reallocate(e);
    }
    report(-2, "kept");
    sectiondata.nplies = 4;
    sectiondata.nsec = damagedata.ndmg = loaddata.nimp = jobdata.nsteps = elementdata.nelem = 2;
    nodaldata.nnodes = nodaldata.ndof = materialdata.ntempdata = materialdata.nflowdata = 2;
    debugdata.nupdate = materialdata.modelid = 5;
    std::memcpy(jobdata.jobfilepath, "job", 3);

    int istat = -1;
    deallocall(&istat);
    EXPECT_EQ(istat, 0);
    for (TableBase* t : all_tables()) EXPECT_EQ(t->present(), t == &jobdata.processid);
    EXPECT_EQ(errorhandling.errstat, -2);
    EXPECT_TRUE(errorhandling.errintv.present());
    // The counts that size the released tables go back to 0, so that the next read of a thinner
    // lay-up sizes its tables from its own plies; settings and texts keep their values.
    for (const int n : {sectiondata.nplies, sectiondata.nsec, damagedata.ndmg, loaddata.nimp, jobdata.nsteps,
                        elementdata.nelem, nodaldata.nnodes, nodaldata.ndof, materialdata.ntempdata,
                        materialdata.nflowdata})
        EXPECT_EQ(n, 0);
    EXPECT_EQ(debugdata.nupdate, 5);
    EXPECT_EQ(materialdata.modelid, 5);
    EXPECT_EQ(std::string(jobdata.jobfilepath, 4), std::string("job\0", 4));

    // A second call on the released store finds nothing to release.
    istat = -1;
    deallocall(&istat);
    EXPECT_EQ(istat, 0);
    EXPECT_TRUE(jobdata.processid.present());
}

// Regression: a view of a table (a reference to its storage block, as a Python view holds) must
// stay valid after the table is released or re-created.
TEST_F(ModelData, ViewOutlivesReleaseAndReallocation) {
    int istat = -1;
    const int k = 2;
    allocatedamagedata(&istat, &k, &k, &k);
    Block* view = damagedata.generaldds.blk;
    block_incref(view);
    deallocall(&istat);
    EXPECT_FALSE(damagedata.generaldds.present());
    auto* p = reinterpret_cast<double*>(view->data);
    p[0] = 1.25;
    p[3 * 2 * 2 - 1] = 2.5;
    EXPECT_EQ(p[0] + p[11], 3.75);

    // Re-creating the table gives new storage; the old view is untouched by it.
    allocatedamagedata(&istat, &k, &k, &k);
    EXPECT_NE(damagedata.generaldds.blk, view);
    *damagedata.generaldds.at(1, 1, 1) = -1.0;
    EXPECT_EQ(p[0], 1.25);
    block_decref(view);
}

// ---------------------------------------------------------------------------------------------
// Table access

TEST(TableAccess, AccessorsRefuseEveryIndexOutsideTheExtents) {
    Table<double, 3> t;
    EXPECT_EQ(t.at(1, 1, 1), nullptr);  // absent
    EXPECT_EQ(t.get(-7.0, 1, 1, 1), -7.0);
    t.allocate({2, 3, 4});
    EXPECT_NE(t.at(2, 3, 4), nullptr);
    const int bad[][3] = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}, {3, 1, 1}, {1, 4, 1}, {1, 1, 5}};
    for (auto& b : bad) EXPECT_EQ(t.at(b[0], b[1], b[2]), nullptr) << b[0] << b[1] << b[2];
    // Column-major: the first index runs fastest.
    *t.at(2, 1, 1) = 1.0;
    *t.at(1, 2, 1) = 2.0;
    *t.at(1, 1, 2) = 3.0;
    EXPECT_EQ(t.data()[1], 1.0);
    EXPECT_EQ(t.data()[2], 2.0);
    EXPECT_EQ(t.data()[6], 3.0);
    EXPECT_EQ(t.get(0.0, 2, 3, 4), 0.0);  // zero-filled
    t.allocate({0, 3, 4});
    EXPECT_TRUE(t.present());
    EXPECT_EQ(t.at(1, 1, 1), nullptr);
}

TEST(TableAccess, ViewAgreesWithTheCheckedAccessorsOnRandomShapes) {
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> extent(0, 5);
    for (int trial = 0; trial < 40; ++trial) {
        Table<double, 3> t;
        const std::array<std::int64_t, 3> e = {extent(rng), extent(rng), extent(rng)};
        t.allocate(e);
        for (std::int64_t k = 0; k < t.size(); ++k) t.data()[k] = static_cast<double>(k);
        const auto v = t.view();
        for (int d = 1; d <= 3; ++d) EXPECT_EQ(v.extent(d), e[d - 1]);
        // Every index from 0 to one past the extent: has() is in_bounds(), and where both
        // accept, the view and at() name the same element.
        for (int i = 0; i <= e[0] + 1; ++i)
            for (int j = 0; j <= e[1] + 1; ++j)
                for (int k = 0; k <= e[2] + 1; ++k) {
                    ASSERT_EQ(v.has(i, j, k), t.in_bounds(i, j, k)) << i << j << k;
                    if (v.has(i, j, k)) {
                        ASSERT_EQ(&v(i, j, k), t.at(i, j, k));
                    }
                }
        for (int j = 1; j <= e[1]; ++j)
            for (int k = 1; k <= e[2]; ++k) {
                const std::span<double> c = v.column(j, k);
                ASSERT_EQ(c.size(), static_cast<std::size_t>(e[0]));
                for (int i = 1; i <= e[0]; ++i) ASSERT_EQ(&c[i - 1], t.at(i, j, k));
            }
    }
    // An absent table gives a view that holds nothing.
    Table<int, 2> absent;
    const auto v = absent.view();
    EXPECT_FALSE(v.has(1, 1));
    EXPECT_EQ(v.extent(1), 0);
    EXPECT_TRUE(v.column(1).empty());
    // A vector's column is the whole vector.
    Table<int, 1> vec;
    vec.allocate({4});
    EXPECT_EQ(vec.view().column().data(), vec.data());
    EXPECT_EQ(vec.view().column().size(), 4u);
}

// ---------------------------------------------------------------------------------------------
// Error record

namespace {

struct Report {
    int lop;
    std::string msg;
    std::vector<int> iv;
    std::vector<double> rv;
    std::vector<int> names;  // column-major rows x cols
    int rows, cols;
};

// Calls xerr through its C ABI with pyerr present; returns pyerr.
int record(const Report& r, int pyerr = 1) {
    const int ni = static_cast<int>(r.iv.size()), nr = static_cast<int>(r.rv.size());
    xerr(&r.lop, r.msg.data(), r.iv.data(), &ni, r.rv.data(), &nr, r.names.data(), &r.rows,
         &r.cols, &pyerr, r.msg.size());
    return pyerr;
}

std::string padded(std::string s, std::size_t n = 80) {
    s.resize(n, ' ');
    return s;
}

std::string errstring() { return std::string(errorhandling.errstring, 80); }

std::vector<int> name_codes(const char* a, const char* b) {
    std::vector<int> c;
    for (const char* s : {a, b})
        for (int r = 0; r < 8; ++r) c.push_back(static_cast<unsigned char>(padded(s, 8)[r]));
    return c;
}

}  // namespace

// Regression: a report finding the arrays present while errstat is 0 (after a level-0 report)
// wrote a longer report past their ends; they now take the new report's lengths.
TEST_F(ModelData, LevelZeroReportLeavesRecordOpenAndArraysResize) {
    record({0, "note", {5}, {0.5}, name_codes("a", "b"), 8, 2});
    auto& e = errorhandling;
    EXPECT_EQ(e.errstat, 0);
    EXPECT_EQ(errstring(), padded("note"));
    ASSERT_TRUE(e.errintv.present());
    Block* old_view = e.errintv.blk;
    block_incref(old_view);

    std::vector<int> names(3 * 12);
    for (int k = 0; k < 36; ++k) names[k] = 'A' + k % 26;
    record({-2, "second", {1, 2, 3, 4, 5}, {1, 2, 3}, names, 12, 3});
    EXPECT_EQ(e.errstat, -2);
    EXPECT_EQ(errstring(), padded("second"));
    EXPECT_EQ(shape(e.errintv), (std::vector<int>{5}));
    EXPECT_EQ(e.errintv.get(0, 5), 5);
    EXPECT_EQ(shape(e.errrealv), (std::vector<int>{3}));
    EXPECT_EQ(shape(e.errasciim), (std::vector<int>{8, 3}));
    EXPECT_EQ(e.errasciim.get(0, 1, 3), 'A' + 24 % 26);
    // The earlier view keeps its storage and its values.
    EXPECT_EQ(reinterpret_cast<int*>(old_view->data)[0], 5);
    block_decref(old_view);

    // errstat reset from the host without rsxerr: a shorter report shrinks the arrays.
    e.errstat = 0;
    record({-3, "third", {8}, {}, name_codes("z", ""), 8, 1});
    EXPECT_EQ(shape(e.errintv), (std::vector<int>{1}));
    EXPECT_EQ(shape(e.errrealv), (std::vector<int>{0}));
    EXPECT_EQ(shape(e.errasciim), (std::vector<int>{8, 1}));

    int reset = -1;
    const int no = 0, yes = 1;
    rsxerr(&reset, &no);
    EXPECT_EQ(reset, 0);
    EXPECT_TRUE(e.errintv.present());
    rsxerr(&reset, &yes);
    EXPECT_EQ(reset, 1);
    EXPECT_EQ(e.errstat, 0);
    EXPECT_FALSE(e.errintv.present() || e.errrealv.present() || e.errasciim.present());
    EXPECT_EQ(errstring(), padded("third"));  // the message is never cleared
}

TEST_F(ModelData, ReportBuildsTheRecordOfALibraryRoutine) {
    report(-2, "Unsupported input in GetNyeProperties", 3, -4, 0.25, -1e300, "GetNyeProperties", "ab");
    auto& e = errorhandling;
    EXPECT_EQ(e.errstat, -2);
    EXPECT_EQ(errstring(), padded("Unsupported input in GetNyeProperties"));
    EXPECT_EQ(e.errintv.get(0, 1), 3);
    EXPECT_EQ(e.errintv.get(0, 2), -4);
    EXPECT_EQ(e.errrealv.get(0.0, 2), -1e300);
    ASSERT_EQ(shape(e.errasciim), (std::vector<int>{8, 2}));
    std::string n1, n2;
    for (int r = 1; r <= 8; ++r) {
        n1 += static_cast<char>(e.errasciim.get(0, r, 1));
        n2 += static_cast<char>(e.errasciim.get(0, r, 2));
    }
    EXPECT_EQ(n1, "GetNyePr");
    EXPECT_EQ(n2, "ab      ");
    // A report from a library routine never displaces the first one.
    report(-3, "later");
    EXPECT_EQ(e.errstat, -2);
    // Messages are cut at 80 characters.
    clear_record();
    record({-1, std::string(100, 'q'), {}, {}, {}, 0, 0});
    EXPECT_EQ(errstring(), std::string(80, 'q'));
}

TEST(ComposeMessage, JoinsWithoutTrailingBlanksAndCutsAtEighty) {
    EXPECT_EQ(compose("Cannot process any input file. Execution stops.          ",
                      " Please check paths and your input deck format."),
              "Cannot process any input file. Execution stops. Please check paths and your inpu");
    EXPECT_EQ(compose("   ", "x "), "x ");
    EXPECT_EQ(compose(" a ", "b"), " ab");
}

namespace {
void announcing_hook() { std::fputs("flush hook ran\n", stderr); }
}  // namespace

TEST(ErrorRecordDeathTest, PrintAndStopWritesOneRecordAndExitsWithOne) {
    const std::string path = ::testing::TempDir() + "tvk_xerr_stdout.txt";
    std::remove(path.c_str());
    const int lop = -2, n2 = 2, n8 = 8;
    const int iv[2] = {1, 2}, names[16] = {};
    const double rv[2] = {0.5, 1.5};
    EXPECT_EXIT(
        {
            if (!std::freopen(path.c_str(), "w", stdout)) std::_Exit(3);
            std::fputs("earlier output\n", stdout);
            tvk::host::install({.before_stop = announcing_hook});
            int pyerr = 0;
            xerr(&lop, "x", iv, &n2, rv, &n2, names, &n8, &n2, &pyerr, 1);
            std::_Exit(4);  // not reached
        },
        ::testing::ExitedWithCode(1), "flush hook ran");
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "earlier output\n x" + std::string(79, ' ') + "\n");
    std::remove(path.c_str());
}

// ---------------------------------------------------------------------------------------------
// Trace records, compared with the output of gfortran 12 for `print *, ...`

TEST(TraceRecord, RealFieldsMatchListDirectedOutput) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double x;
        const char* field;
    } cases[] = {
        {1.5, "  1.5000000000000000     "},
        {-0.0, " -0.0000000000000000     "},
        {0.1, " 0.10000000000000001     "},
        {1e15, "  1000000000000000.0     "},
        {1e16, "  10000000000000000.     "},
        {1e17, "  1.0000000000000000E+017"},
        {0.099999, "  9.9999000000000005E-002"},
        {-1e-300, " -1.0000000000000000E-300"},
        {1.7976931348623157e308, "  1.7976931348623157E+308"},
        {4.9406564584124654e-324, "  4.9406564584124654E-324"},
        {std::ldexp(1.0, -25), "  2.9802322387695312E-008"},  // tie rounds to even
        {inf, "                 Infinity"},
        {-inf, "                -Infinity"},
        {std::nan(""), "                      NaN"},
    };
    for (const auto& c : cases) EXPECT_EQ(list_real(c.x), c.field) << c.x;
    EXPECT_EQ(list_int(1), "          1");
    EXPECT_EQ(list_int(-2147483647 - 1), "-2147483648");
}

TEST(TraceRecord, RecordsSeparateItemsAsGfortranDoes) {
    auto rec = [](auto build) {
        Trace t;
        build(t);
        return t.take();
    };
    EXPECT_EQ(rec([](Trace& t) { t << std::string(80, ' ').replace(0, 1, "x"); }),
              " x" + std::string(79, ' '));
    EXPECT_EQ(rec([](Trace& t) { t << "a" << 1; }), " a           1");
    EXPECT_EQ(rec([](Trace& t) { t << "a" << "b" << 1 << 2 << "c" << "d"; }),
              " ab           1           2 cd");
    EXPECT_EQ(rec([](Trace& t) { t << 1 << "c"; }), "           1 c");
    EXPECT_EQ(rec([](Trace& t) { t << 1.5 << "lab"; }), "   1.5000000000000000      lab");
    EXPECT_EQ(rec([](Trace& t) { t << "x" << 1.5 << 2.5 << 3; }),
              " x   1.5000000000000000        2.5000000000000000                3");
    EXPECT_EQ(rec([](Trace& t) { t << true << false; }), " T F");
    const int v[] = {1, 2, 3};
    EXPECT_EQ(rec([&](Trace& t) { t << "x" << std::span<const int>(v); }),
              " x           1           2           3");
    EXPECT_EQ(rec([](Trace& t) { t << ""; }), " ");
    EXPECT_EQ(rec([](Trace&) {}), "");
}

TEST(TraceRecord, DestructorWritesTheRecordToStdout) {
    ::testing::internal::CaptureStdout();
    Trace() << "lab" << 1.5;
    { Trace t; }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), " lab   1.5000000000000000     \n\n");
}
