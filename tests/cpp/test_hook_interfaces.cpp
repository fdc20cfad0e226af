// Solver hook interfaces: the C entries keep the ABI solvers link against, every second name runs
// the code of its routine on the caller's own storage, and values reach the hook's law under the
// names of its list (probes of the analysis-control, heat and expansion hooks, called natively and
// through the view a forwarding module fills by name).
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "../probe/hook_probes.h"
#include "core/modeldata.h"
#include "error_record.h"
#include "solver/hooks.h"
#include "solver/loads.h"

// Routines written by hand against declared interfaces, recording what they receive (below).
TVK_SOLVER_DECLARE(Uexternaldb, raw_control);
TVK_SOLVER_DECLARE(Uexternaldb, raw_control_alias);
TVK_SOLVER_DECLARE(Uvarm, raw_output);
TVK_SOLVER_DECLARE(Uvarm, raw_output_alias);
TVK_SOLVER_DECLARE(Hetval, extent_probe);

// The pointers and text lengths the hand-written routines received.
static const void* raw_seen[32];
static std::size_t raw_lengths[2];

TVK_API void raw_control(const int* lop, const int* lrestart, const double* time, const double* dtime,
                         const int* kstep, const int* kinc, const int* exflag) {
    const void* p[] = {lop, lrestart, time, dtime, kstep, kinc, exflag};
    std::copy(std::begin(p), std::end(p), raw_seen);
}
TVK_API void raw_output(double* uvar, const double* tdirect, const double* t, const double* time,
                        const double* dtime, const char* cmname, const char* orname, const int* nuvarm,
                        const int* noel, const int* npt, const int* layer, const int* kspt, const int* kstep,
                        const int* kinc, const int* ndi, const int* nshr, const double* coord, const int* jmac,
                        const int* jmatyp, const int* matlayo, const int* laccfla, std::size_t lcmname,
                        std::size_t lorname) {
    const void* p[] = {uvar, tdirect, t, time, dtime, cmname, orname, nuvarm, noel, npt, layer,
                       kspt, kstep, kinc, ndi, nshr, coord, jmac, jmatyp, matlayo, laccfla};
    std::copy(std::begin(p), std::end(p), raw_seen);
    raw_lengths[0] = lcmname;
    raw_lengths[1] = lorname;
}

namespace {

using std::size_t;
namespace s = tvk::solver;

// ---- The C ABI: every argument by pointer in the solver's order, inputs const, text lengths last.
static_assert(std::is_same_v<s::Dsload::Fn, void(double*, double*, const int*, const double*, const double*,
                                                 const double*, double*, const int*, const int*)>);
static_assert(std::is_same_v<s::Deload::Fn, void(double*, double*, const int*, const int*, const double*,
                                                 const int*, const int*, const double*, const double*, const int*,
                                                 const char*, const double*, double*, const int*, size_t)>);
static_assert(std::is_same_v<s::Cload::Fn, void(double*, double*, const double*, const char*, size_t)>);
static_assert(std::is_same_v<s::Camplitude::Fn, void(double*, const double*, const double*, const int*, const int*)>);
static_assert(std::is_same_v<s::Chysteresis::Fn,
                             void(double*, double*, const double*, const double*, const int*, const int*)>);
static_assert(std::is_same_v<s::Vucharlength::Fn,
                             void(const int*, const int*, const int*, const int*, const int*, const int*, const int*,
                                  const int*, const int*, const int*, const int*, const int*, const double*,
                                  const double*, const double*, const char*, const double*, const double*,
                                  const double*, const double*, const double*, const double*, const double*, double*,
                                  size_t)>);
static_assert(std::is_same_v<s::Uvarm::Fn, void(double*, const double*, const double*, const double*, const double*,
                                                const char*, const char*, const int*, const int*, const int*,
                                                const int*, const int*, const int*, const int*, const int*,
                                                const int*, const double*, const int*, const int*, const int*,
                                                const int*, size_t, size_t)>);
static_assert(std::is_same_v<s::Vdisp::Fn, void(const int*, const int*, const int*, const int*, const int*,
                                                const double*, const double*, const double*, const double*,
                                                const char*, const int*, const int*, const int*, const double*,
                                                const double*, const double*, const double*, const double*,
                                                const double*, const double*, const double*, const double*, size_t)>);
static_assert(std::is_same_v<s::Mpc::Fn, void(double*, double*, int*, const int*, const int*, const int*,
                                              const double*, const double*, const double*, const int*, int*,
                                              const int*, const int*, const double*, const int*, const int*,
                                              const double*, const double*, const int*, const double*)>);
static_assert(std::is_same_v<s::Sdvini::Fn, void(double*, const double*, const int*, const int*, const int*,
                                                 const int*, const int*, const int*)>);
static_assert(std::is_same_v<s::Uexternaldb::Fn, void(const int*, const int*, const double*, const double*,
                                                      const int*, const int*, const int*)>);
static_assert(std::is_same_v<s::Vuexternaldb::Fn,
                             void(const int*, const int*, const int*, const double*, const int*, const int*)>);
static_assert(std::is_same_v<s::Uaccess::Fn, void(const int*, const double*)>);
static_assert(std::is_same_v<s::Hetval::Fn, void(const char*, const double*, const double*, const double*, double*,
                                                 double*, const double*, const double*, size_t)>);
static_assert(std::is_same_v<s::Uexpan::Fn, void(double*, double*, const double*, const double*, const double*,
                                                 const double*, const double*, double*, const char*, const int*,
                                                 const int*, size_t)>);
// The cure routines rename the state vector for the binding only.
static_assert(std::is_same_v<s::HetvalProny::Fn, s::Hetval::Fn> && std::is_same_v<s::UexpanProny::Fn, s::Uexpan::Fn>);

// Bitwise equality of two result sets (NaN payloads and signed zeros included).
template <class T>
bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

struct Record {
    int errstat;
    std::string text;
    bool operator==(const Record&) const = default;
};
Record take_record() {
    Record r{tvk::errorhandling.errstat, tvktest::errtext()};
    tvktest::clear_errors();
    return r;
}

std::string field80(const char* s) {
    std::string f(80, ' ');
    std::memcpy(f.data(), s, std::strlen(s));
    return f;
}

class HookAliases : public ::testing::Test {
protected:
    std::mt19937 rng{20240607};
    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    void SetUp() override {
        tvktest::clear_errors();
        tvk::jobdata.stepid.allocate({4});
        const int kinds[] = {0, 2, 3, 1};
        for (int k = 1; k <= 4; ++k) *tvk::jobdata.stepid.at(k) = kinds[k - 1];
    }
    void TearDown() override {
        tvk::jobdata.stepid.release();
        tvktest::clear_errors();
    }

    // Impactor records of nimp impactors near the origin, shape codes 1..9.
    void impactors(int nimp, std::vector<double>& cprops, std::vector<double>& dprops) {
        cprops.assign(20 * size_t(nimp), 0.0);
        dprops.assign(12 * size_t(nimp), 0.0);
        for (int k = 0; k < nimp; ++k) {
            cprops[20 * k] = integer(0, 3) == 0 ? 0.0 : uniform(-5, 500);
            cprops[20 * k + 1] = uniform(0, 0.01);
            cprops[20 * k + 17] = uniform(-0.01, 0.01);
            dprops[12 * k] = integer(1, 9);
            for (int i = 1; i < 12; ++i) dprops[12 * k + i] = integer(0, 2) == 0 ? 0.0 : uniform(-0.005, 0.005);
        }
    }
};

TEST_F(HookAliases, SurfaceLoadSecondNameRunsTheSameCodeOnTheCallersStorage) {
    for (int trial = 0; trial < 200; ++trial) {
        const int nimp = integer(1, 3), kstep = integer(1, 5), elemid = integer(0, 9);
        std::vector<double> cprops, dprops;
        impactors(nimp, cprops, dprops);
        const double coords[3] = {uniform(-0.005, 0.005), uniform(-0.005, 0.005), 0.0};
        const double c = std::cos(uniform(0, 6)), sn = std::sin(uniform(0, 6));
        const double dircos[9] = {c, sn, 0, -sn, c, 0, 0, 0, 1};
        const int* elem = trial % 2 ? &elemid : nullptr;
        std::vector<double> out[2];
        Record rec[2];
        for (int n = 0; n < 2; ++n) {
            s::Dsload::Fn* fn = n == 0 ? dsload : tvk_dsload;
            std::vector<double> d = dprops;
            double alpha = -1, t_user[3] = {9, 9, 9};
            fn(&alpha, t_user, &kstep, coords, dircos, cprops.data(), d.data(), &nimp, elem);
            out[n] = d;
            out[n].insert(out[n].end(), {alpha, t_user[0], t_user[1], t_user[2]});
            rec[n] = take_record();
        }
        ASSERT_TRUE(same_bits(out[0], out[1])) << "trial " << trial;
        ASSERT_EQ(rec[0], rec[1]);
    }
}

TEST_F(HookAliases, EdgeAndConcentratedLoadSecondNamesRunTheSameCode) {
    const char* names[] = {"IMP1 SYMX", "IMP12 IMP2", "SYM2", "EDGE3 SYM4", "POINT SYMY", "HERTZIAN", "", "COSINE"};
    for (int trial = 0; trial < 160; ++trial) {
        const std::string sname = field80(names[trial % 8]);
        const int nimp = integer(1, 12), kstep = 1, kinc = 2, noel = 3, npt = 4, jltyp = 5;
        std::vector<double> cprops, dprops;
        impactors(nimp, cprops, dprops);
        const double time[2] = {0.1, 0.2}, coords[3] = {0, 0, 0};
        const double dircos[9] = {1, 0, 0, 0, 1, 0, uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
        const double forces[4] = {uniform(-10, 10), uniform(-10, 10), uniform(-10, 10), uniform(-10, 10)};
        std::vector<double> out[2];
        Record rec[2];
        for (int n = 0; n < 2; ++n) {
            s::Deload::Fn* edge = n == 0 ? deload : tvk_deload;
            s::Cload::Fn* point = n == 0 ? cload : tvk_cload;
            double alpha = -1, t_user[3] = {9, 9, 9};
            edge(&alpha, t_user, &kstep, &kinc, time, &noel, &npt, coords, dircos, &jltyp, sname.data(),
                 cprops.data(), dprops.data(), &nimp, 80);
            out[n] = {alpha, t_user[0], t_user[1], t_user[2]};
            for (int j = 0; j < 4; ++j) {
                double f = -7, ldflag = j == 3 ? 4.0 : j == 2 ? -1.0 : j;
                point(&f, &ldflag, &forces[j], sname.data(), 80);
                out[n].insert(out[n].end(), {f, ldflag});
            }
            rec[n] = take_record();
        }
        ASSERT_TRUE(same_bits(out[0], out[1])) << "trial " << trial;
        ASSERT_EQ(rec[0], rec[1]);
    }
}

TEST_F(HookAliases, AmplitudeSecondNamesRunTheSameCode) {
    for (int trial = 0; trial < 200; ++trial) {
        const int n = integer(0, 8), ndata = trial % 9 == 0 ? 2 * n + 1 : 2 * n;
        std::vector<double> xy(size_t(std::max(ndata, 1)));
        double x = uniform(-2, 0);
        for (int i = 0; i < n; ++i) xy[i] = x += uniform(0.01, 1);
        for (int i = n; i < ndata; ++i) xy[i] = uniform(-1, 1);
        const double xvalue = uniform(-2, 4);
        const int skip = integer(0, 4) == 0;
        const int* skipp = trial % 3 == 0 ? nullptr : &skip;
        std::vector<double> out[2];
        Record rec[2];
        for (int k = 0; k < 2; ++k) {
            s::Camplitude::Fn* amplitude = k == 0 ? CAMPLITUDE : tvk_amplitude;
            s::Chysteresis::Fn* hysteresis = k == 0 ? CHYSTERESIS : tvk_hysteresis;
            double amp = -1;
            amplitude(&amp, xy.data(), &xvalue, &ndata, skipp);
            out[k] = {amp};
            // A branch history carried over several abscissas, turning back half-way; some trials
            // start from a branch state that is not a number or meet an infinite abscissa.
            const double inf = std::numeric_limits<double>::infinity();
            double passed = trial % 7 == 1 ? std::numeric_limits<double>::quiet_NaN() : -1e300;
            const double up = trial % 7 == 2 ? inf : xvalue + 0.5, back = trial % 7 == 3 ? -inf : xvalue - 1;
            for (double v : {xvalue, up, xvalue + 0.2, back}) {
                hysteresis(&amp, &passed, xy.data(), &v, &ndata, skipp);
                out[k].insert(out[k].end(), {amp, passed});
            }
            rec[k] = take_record();
        }
        ASSERT_TRUE(same_bits(out[0], out[1])) << "trial " << trial;
        ASSERT_EQ(rec[0], rec[1]);
    }
}

std::array<int, 4> seen_extents;
void extent_law(const s::Hetval& a) {
    seen_extents = {a.statev.extent(0), a.flux.extent(0), a.predef.extent(0), a.dpred.extent(0)};
}

}  // namespace

TVK_SOLVER_ALIAS(Uexternaldb, raw_control_alias, raw_control)
TVK_SOLVER_ALIAS(Uvarm, raw_output_alias, raw_output)
TVK_SOLVER_ENTRY(Hetval, extent_probe, extent_law)

namespace {

TEST(HookAliasForwarding, PointersAndTextLengthsPassUnchanged) {
    int ints[16] = {};
    double reals[16] = {};
    char texts[2][80] = {};
    raw_control_alias(ints, ints + 1, reals, reals + 2, ints + 2, ints + 3, nullptr);
    const void* want_control[] = {ints, ints + 1, reals, reals + 2, ints + 2, ints + 3, nullptr};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(raw_seen[k], want_control[k]) << "argument " << k;
    raw_control_alias(ints, ints, reals, reals, ints, ints, ints + 9);
    EXPECT_EQ(raw_seen[6], ints + 9);

    raw_output_alias(reals, reals + 1, reals + 2, reals + 3, reals + 4, texts[0], texts[1], ints, ints + 1, ints + 2,
                     ints + 3, ints + 4, ints + 5, ints + 6, ints + 7, ints + 8, reals + 5, ints + 9, ints + 10,
                     ints + 11, ints + 12, 80, 17);
    const void* want_output[] = {reals,    reals + 1, reals + 2, reals + 3, reals + 4, texts[0],  texts[1],
                                 ints,     ints + 1,  ints + 2,  ints + 3,  ints + 4,  ints + 5,  ints + 6,
                                 ints + 7, ints + 8,  reals + 5, ints + 9,  ints + 10, ints + 11, ints + 12};
    for (int k = 0; k < 21; ++k) EXPECT_EQ(raw_seen[k], want_output[k]) << "argument " << k;
    EXPECT_EQ(raw_lengths[0], 80u);
    EXPECT_EQ(raw_lengths[1], 17u);
}

// ---- Values reach the laws of the probed hooks under their names --------------------------------

TEST(HookInterfaces, AnalysisControlArgumentsReachTheirNames) {
    const int lop = 2, lrestart = 5, kstep = 3, kinc = 11, exflag = 1;
    const double time[2] = {0.25, 1.25}, dtime = 1e-3;
    probe_uexternaldb(&lop, &lrestart, time, &dtime, &kstep, &kinc, &exflag);
    EXPECT_EQ(probe::control_seen, (std::array<double, 8>{2, 5, 0.25, 1.25, 1e-3, 3, 11, 1}));
    // An optional argument the solver leaves out reads as 0.
    probe_uexternaldb(&lop, &lrestart, time, &dtime, &kstep, &kinc, nullptr);
    EXPECT_EQ(probe::control_seen[7], 0.0);

    const int k = 4, iarr[4] = {0, 0, 7, 12}, ni = 4, nr = 3, rank = 2;
    const double rarr[3] = {2.0, 0.5, 3e-4};
    probe_vuexternaldb(&k, iarr, &ni, rarr, &nr, &rank);
    EXPECT_EQ(probe::control_seen, (std::array<double, 8>{4, 12, 4, 3e-4, 3, 2, -1, -1}));
    probe_vuexternaldb(&k, iarr, &ni, rarr, &nr, nullptr);
    EXPECT_EQ(probe::control_seen[5], 0.0);

    const int three = 3;
    const double dt = 0.125;
    probe_uaccess(&three, &dt);
    EXPECT_EQ(probe::control_seen[0], 3.0);
    EXPECT_EQ(probe::control_seen[1], 0.125);
    EXPECT_EQ(probe::control_seen[2], -1.0);
}

// The view a forwarding module fills by name calls the routine with the list's order: the explicit
// hook's record lengths follow their records.
TEST(HookInterfaces, ForwardingThroughTheViewMatchesThePositionalCall) {
    const int iarr[5] = {1, 2, 3, 4, 99}, rarr_n = 2;
    const double rarr[2] = {0.5, 8.5};
    const s::Vuexternaldb v{.k = 6, .i_array = {iarr, 5}, .niarray = 5, .r_array = {rarr, 2}, .nrarray = rarr_n,
                            .mpi_rank = 0};
    s::Vuexternaldb::call(probe_vuexternaldb, v);
    EXPECT_EQ(probe::control_seen, (std::array<double, 8>{6, 99, 5, 8.5, 2, 0, -1, -1}));
}

// Heat and expansion: texts with their lengths, arrays whose extent the solver does not pass, and
// the state vector sized by its count.
TEST(HookInterfaces, HeatAndExpansionArgumentsReachTheirNames) {
    char cmname[80];
    std::memset(cmname, ' ', 80);
    std::memcpy(cmname, "RESIN_l@2", 9);
    const double temp[2] = {400.0, 2.5}, time[2] = {1.0, 6.0}, dtime = 0.5, predef[3] = {7, 0, 0}, dpred[1] = {8};
    double svar[6] = {}, flux[2] = {-3, -4};
    probe_hetvalprony(cmname, temp, time, &dtime, svar, flux, predef, dpred, 80);
    EXPECT_EQ(flux[0], 400.5);
    EXPECT_EQ(flux[1], -4.0);
    EXPECT_EQ(svar[0], 6.0);
    EXPECT_EQ(svar[1], 7.0);
    EXPECT_EQ(svar[2], 8.0);
    EXPECT_EQ(svar[3], double('R') + 80);
    EXPECT_EQ(svar[4], 0.0);

    double expan[6], dexpandt[6], state[5] = {10, 10, 10, 10, 10};
    const int nstatv = 5, noel = 42;
    probe_uexpanprony(expan, dexpandt, temp, time, &dtime, predef, dpred, state, cmname, &nstatv, &noel, 80);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(expan[i], 400.0 + (i + 1));
        EXPECT_EQ(dexpandt[i], 2.5 * (i + 1));
    }
    EXPECT_EQ(state[0], 42.0);
    EXPECT_EQ(state[1], 12.0);
    EXPECT_EQ(state[3], 14.0);
    EXPECT_EQ(state[4], 7 + 8 + 6 + 0.5);
}

// An assumed-size array has no bound in the view of a C entry; a fixed or counted one has its extent.
TEST(HookInterfaces, AssumedSizeArraysAreUnboundedInTheView) {
    double svar[4] = {}, flux[2] = {}, predef[1] = {}, dpred[1] = {};
    const double temp[2] = {}, time[2] = {}, dtime = 0;
    extent_probe("X", temp, time, &dtime, svar, flux, predef, dpred, 1);
    EXPECT_EQ(seen_extents, (std::array<int, 4>{s::assumed_extent, 2, s::assumed_extent, s::assumed_extent}));
    EXPECT_EQ(s::assumed_extent, std::numeric_limits<int>::max());
}

}  // namespace
