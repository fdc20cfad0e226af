// Solver interfaces: the probe routines called natively as a solver calls them (every argument by
// pointer in the interface's order, text lengths last), and through the view a native adapter
// fills by name.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <type_traits>

#include "../probe/solver_probes.h"

namespace {

template <class F> struct Arity;
template <class R, class... A> struct Arity<R(A...)> {
    static constexpr std::size_t value = sizeof...(A);
    template <std::size_t K> using Param = std::tuple_element_t<K, std::tuple<A...>>;
};

// Variants change what they state and nothing else: a binding rename keeps the C prototype, a
// dropped argument removes one parameter, an intent that writes an input removes its const.
static_assert(std::is_same_v<tvk::solver::UmatProny::Fn, tvk::solver::Umat::Fn>);
static_assert(std::is_same_v<tvk::solver::UmatResin::Fn, tvk::solver::Umat::Fn>);
static_assert(Arity<tvk::solver::UmatNoStep::Fn>::value + 1 == Arity<tvk::solver::Umat::Fn>::value);
static_assert(Arity<tvk::solver::UmatSensor::Fn>::value == Arity<tvk::solver::Umat::Fn>::value + 2);
static_assert(std::is_same_v<Arity<tvk::solver::Vumat::Fn>::Param<15>, const double*>);
static_assert(std::is_same_v<Arity<tvk::solver::VumatPlaneStrain::Fn>::Param<15>, double*>);
static_assert(Arity<tvk::solver::Umat::Fn>::value == 37 + 1 && Arity<tvk::solver::Usermat::Fn>::value == 41 &&
              Arity<tvk::solver::Vumat::Fn>::value == 33 + 1 && Arity<tvk::solver::Uel::Fn>::value == 36 &&
              Arity<tvk::solver::Vuel::Fn>::value == 33 && Arity<tvk::solver::Usdfld::Fn>::value == 26 + 2 &&
              Arity<tvk::solver::Vusdfld::Fn>::value == 27 + 1);

// One material point's arguments as a solver holds them, each with a distinct value.
struct Point {
    static constexpr int ntens = 6, nstatv = 36, nprops = 2;
    double stress[ntens] = {1, 2, 3, 4, 5, 6}, statev[nstatv] = {}, ddsdde[ntens * ntens] = {};
    double sse = 0.5, spd = 9, scd = 9, rpl = 1.5, ddsddt[ntens] = {2.5}, drplde[ntens] = {3.5}, drpldt = 4.5;
    double stran[ntens] = {0.01, 0.02, 0.03, 0.04, 0.05, 0.06};
    double dstran[ntens] = {-0.001, 0.002, -0.003, 0.004, -0.005, 0.006};
    double time[2] = {5.5, 6.5}, dtime = 7.5, temp = 8.5, dtemp = 9.5, predef[1] = {10.5}, dpred[1] = {11.5};
    char materl[80];
    int ndi = 3, nshr = 3, ntens_ = ntens, nstatv_ = nstatv, nprops_ = nprops;
    double props[nprops] = {200.0, 12.0}, coords[3] = {0, 0, 12.5};
    double drot[9] = {1, 0, 0, 0, 1, 22.5, 0, 0, 1};  // drot(2,1) = 22.5, column-major
    double pnewdt = 1.0, celent = 13.5, dfgrd0[9] = {0, 0, 0, 23.5}, dfgrd1[9] = {0, 24.5};
    int noel = 14, npt = 15, kslay = 16, kspt = 17, jstep[4] = {1, 2, 3, 18}, kinc = 19;

    Point() {
        std::memset(materl, ' ', sizeof materl);
        std::memcpy(materl, "PLY_m@3", 7);
    }
    void check_results(const Point& in) const {
        const double want[] = {1.5, 2.5, 3.5, 4.5, 0.01, -0.001, 5.5, 6.5, 7.5, 8.5, 9.5, 10.5, 11.5, 'P', 80, 3,
                               3, 6, 36, 12.0, 2, 12.5, 22.5, 13.5, 23.5, 24.5, 14, 15, 16, 17, 18, 19};
        for (int k = 0; k < probe::umat_fingerprint_size; ++k) EXPECT_EQ(statev[k], want[k]) << "slot " << k;
        for (int k = probe::umat_fingerprint_size; k < nstatv; ++k) EXPECT_EQ(statev[k], -1.0);
        double work = 0;
        for (int i = 0; i < ntens; ++i) {
            EXPECT_DOUBLE_EQ(stress[i], in.stress[i] + 200.0 * in.dstran[i]);
            work += stress[i] * in.dstran[i];
            for (int j = 0; j < ntens; ++j) EXPECT_EQ(ddsdde[i + j * ntens], i == j ? 200.0 : 0.0);
        }
        EXPECT_DOUBLE_EQ(sse, 0.5 + work);
        EXPECT_EQ(spd, 1.5);
        EXPECT_EQ(scd, 2.5);
        EXPECT_EQ(pnewdt, 0.5);
    }
};

TEST(SolverInterfaces, UmatCalledAsTheSolverCallsIt) {
    Point p;
    const Point in;
    probe_umat(p.stress, p.statev, p.ddsdde, &p.sse, &p.spd, &p.scd, &p.rpl, p.ddsddt, p.drplde, &p.drpldt,
               p.stran, p.dstran, p.time, &p.dtime, &p.temp, &p.dtemp, p.predef, p.dpred, p.materl, &p.ndi,
               &p.nshr, &p.ntens_, &p.nstatv_, p.props, &p.nprops_, p.coords, p.drot, &p.pnewdt, &p.celent,
               p.dfgrd0, p.dfgrd1, &p.noel, &p.npt, &p.kslay, &p.kspt, p.jstep, &p.kinc, sizeof p.materl);
    p.check_results(in);
}

TEST(SolverInterfaces, UmatCalledThroughTheViewAnAdapterFillsByName) {
    Point p;
    const Point in;
    const int n = Point::ntens;
    const tvk::solver::Umat a{
        .stress = {p.stress, n}, .statev = {p.statev, Point::nstatv}, .ddsdde = {p.ddsdde, n, n},
        .sse = p.sse, .spd = p.spd, .scd = p.scd, .rpl = p.rpl, .ddsddt = {p.ddsddt, n},
        .drplde = {p.drplde, n}, .drpldt = p.drpldt, .stran = {p.stran, n}, .dstran = {p.dstran, n},
        .time = {p.time, 2}, .dtime = p.dtime, .temp = p.temp, .dtemp = p.dtemp, .predef = {p.predef, 1},
        .dpred = {p.dpred, 1}, .materl = {p.materl, sizeof p.materl}, .ndi = 3, .nshr = 3, .ntens = n,
        .nstatv = Point::nstatv, .props = {p.props, Point::nprops}, .nprops = Point::nprops,
        .coords = {p.coords, 3}, .drot = {p.drot, 3, 3}, .pnewdt = p.pnewdt, .celent = p.celent,
        .dfgrd0 = {p.dfgrd0, 3, 3}, .dfgrd1 = {p.dfgrd1, 3, 3}, .noel = 14, .npt = 15, .kslay = 16,
        .kspt = 17, .jstep = {p.jstep, 4}, .kinc = 19};
    tvk::solver::Umat::call(probe_umat, a);
    p.check_results(in);
}

TEST(SolverInterfaces, VumatBlockOfPlaneStressPoints) {
    // Rows of the block are points; a stress row holds ndir + nshr components.
    constexpr int nblock = 2, ndir = 3, nshr = 1, ntens = ndir + nshr, nstatev = 3, nfieldv = 1, nprops = 1;
    int lanneal = 0;
    double steptime = 0.5, totaltime = 1.5, dt = 0.1, props[nprops] = {1.0};
    char cmname[80] = "MAT";
    double coordmp[nblock * 3] = {}, charlength[nblock * 3] = {}, density[nblock] = {1.25, 2.5};
    double straininc[nblock * ntens], relspininc[nblock * nshr] = {}, tempold[nblock] = {};
    double stretch[nblock * ntens] = {}, defgrad[nblock * (ntens + nshr)] = {}, field[nblock * nfieldv] = {};
    double stressold[nblock * ntens], stateold[nblock * nstatev], ener[nblock] = {};
    double stressnew[nblock * ntens] = {}, statenew[nblock * nstatev] = {}, enerinternnew[nblock] = {};
    double enerinelasnew[nblock] = {-1, -1};
    for (int k = 0; k < nblock * ntens; ++k) {
        stressold[k] = 10.0 * k;
        straininc[k] = 0.5 * k;
    }
    for (int k = 0; k < nblock * nstatev; ++k) stateold[k] = 100.0 + k;
    const int ib = nblock, id = ndir, is = nshr, ist = nstatev, ifv = nfieldv, ip = nprops;
    probe_vumat(&ib, &id, &is, &ist, &ifv, &ip, &lanneal, &steptime, &totaltime, &dt, cmname, coordmp, charlength,
                props, density, straininc, relspininc, tempold, stretch, defgrad, field, stressold, stateold, ener,
                ener, tempold, stretch, defgrad, field, stressnew, statenew, enerinternnew, enerinelasnew,
                sizeof cmname);
    for (int k = 0; k < nblock * ntens; ++k) EXPECT_EQ(stressnew[k], 10.5 * k);
    for (int k = 0; k < nblock * nstatev; ++k) EXPECT_EQ(statenew[k], 100.0 + k);
    EXPECT_EQ(enerinternnew[0], 1.25);
    EXPECT_EQ(enerinternnew[1], 2.5);
    EXPECT_EQ(enerinelasnew[0], -1);  // not written by the probe
}

TEST(SolverInterfaces, OptionalArgumentLeftOutAsNullPointer) {
    // The implicit field hook of a solver without a thread number: the C entry gets a null
    // pointer for it, and the view reads 0 instead of dereferencing it.
    double field[2] = {}, statev[3] = {}, pnewdt = 1, m33[9] = {}, celent = 1, time[2] = {}, dtime = 0;
    double coord[3] = {};
    char cmname[80] = {}, orname[80] = {};
    const int nfield = 2, nstatv = 3, one = 1;
    probe_usdfld(field, statev, &pnewdt, m33, m33, &celent, time, &dtime, cmname, orname, &nfield, &nstatv, &one,
                 &one, &one, &one, &one, &one, &one, &one, coord, &one, &one, &one, &one, nullptr, 80, 80);
    EXPECT_EQ(pnewdt, 1.0);
}

}  // namespace
