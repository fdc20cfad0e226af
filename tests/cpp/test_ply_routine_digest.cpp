// The ply material routine gives bit-identical results whatever form its code takes: a fixed set
// of pseudo-random calls through its C entry, over every component layout (valid and refused),
// property count, step kind, failure flag pattern and state vector length, is hashed (every
// output byte and the error record) and compared with the digest the routine gave before its
// point kernel was specialised by component count; since refused points keep their stress and
// state, the calls with an unusable constant count or no constants for their ply hash that result
// (the valid calls hash as before).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/modeldata.h"
#include "digest.h"
#include "error_record.h"
#include "solver/umat_lamina.h"

namespace {

using tvktest::Digest;
using tvktest::Sequence;

std::uint64_t umat_lamina_digest() {
    Sequence g{23};
    Digest d;
    // Valid layouts of every component count, then layouts the converter or the kernel refuses.
    const int shapes[][2] = {{3, 3}, {3, 1}, {2, 2}, {1, 3}, {2, 1}, {1, 2}, {3, 0}, {0, 3},
                             {3, 2}, {2, 0}, {1, 0}, {4, 2}, {-1, 4}};
    const int nshapes = sizeof shapes / sizeof shapes[0];
    const int nstatvs[] = {0, 3, 5, 6, 8, 22, 30, 40};
    const int nprops_of[] = {9, 9, 5, 5, 2, 1, 3};
    const double residuals[] = {1.0, 0.5, 0.0, 1e-30, 2.0};
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();

    // Step kinds of steps 1..5 (step 6 and 0 are outside the table: the default kind).
    tvk::jobdata.stepid.allocate({5});
    const int kinds[5] = {1, 5, 2, 5, 3};
    for (int k = 0; k < 5; ++k) tvk::jobdata.stepid.data()[k] = kinds[k];
    auto& pe = tvk::materialdata.peprops;
    pe.allocate({9, 2, 2});
    for (int ply = 1; ply <= 2; ++ply)
        for (int sec = 1; sec <= 2; ++sec) {
            const double f = 1.0 + 0.25 * ply + 0.5 * sec;
            const double v[9] = {140e3 * f, 9e3 * f, 9.5e3 * f, 0.28, 0.31, 0.42, 4.8e3 * f, 4.6e3 * f, 3.3e3 * f};
            for (int k = 1; k <= 9; ++k) *pe.at(k, ply, sec) = v[k - 1];
        }

    for (int rep = 0; rep < 600; ++rep) {
        int ndi = shapes[rep % nshapes][0], nshr = shapes[rep % nshapes][1];
        int ntens = ndi + nshr;
        if (rep % 97 == 5) ntens = 6;  // counts that do not add up
        int nstatv = nstatvs[g.pick(8)], nprops = nprops_of[g.pick(7)];
        const int nt = std::max(ntens, 1), nv = std::max(nstatv, 1);
        std::vector<double> props(std::max(nprops, 1));
        const double e1 = g.next(1e5, 2e5), e2 = g.next(6e3, 1.2e4), e3 = g.next(6e3, 1.2e4);
        const double nu12 = g.next(0.2, 0.35), nu13 = g.next(0.2, 0.35), nu23 = g.next(0.3, 0.5);
        const double g12 = g.next(3e3, 6e3), g13 = g.next(3e3, 6e3), g23 = g.next(2e3, 4e3);
        if (nprops == 9) {
            const double nye[9] = {e1, e2, e3, nu12, nu13, nu23, g12, g13, g23};
            const double eng[9] = {e1, e2, e3, g12, g13, g23, nu12, nu13, nu23};
            std::memcpy(props.data(), rep % 2 ? nye : eng, sizeof nye);
        } else if (nprops == 5) {
            const double a[5] = {e1, e2, nu12, nu23, g12}, b[5] = {e1, e2, g12, rep % 3 ? g23 : 0.0, nu12};
            std::memcpy(props.data(), rep % 2 ? a : b, sizeof a);
        } else if (nprops == 2) {
            props[0] = e2, props[1] = nu23;
        } else if (nprops == 3) {
            props[0] = e1, props[1] = e2, props[2] = nu12;
        } else {
            props[0] = 1.0;
        }
        std::vector<double> stress(nt), statev(nv), stran(nt), dstran(nt), ddsdde(nt * nt, -7.0);
        std::vector<double> ddsddt(nt), drplde(nt);
        for (double& x : stress) x = g.next(-50, 50);
        for (double& x : stran) x = g.next(-0.01, 0.01);
        for (double& x : dstran) x = g.next(-0.005, 0.005);
        for (double& x : statev) x = g.next(-1, 1);
        // Failure flags 8-12 and the residual factor; ply and section 21, 22 (sometimes outside
        // the table).
        for (int k = 8; k <= 12 && k <= nstatv; ++k) statev[k - 1] = g.pick(3) == 0 ? 1.0 : 0.0;
        if (nstatv >= 18) statev[17] = residuals[g.pick(5)];
        if (nstatv >= 22) {
            statev[20] = 1.0 + g.pick(3) * 0.6;
            statev[21] = 1.0 + g.pick(2) * 0.9;
        }
        double temp = 20.0, dtemp = 1.0;
        switch (rep % 41) {
        case 7: stress[g.pick(nt)] = nan; break;
        case 13: stran[g.pick(nt)] = inf; break;
        case 19: dstran[g.pick(nt)] = -inf; break;
        case 29: temp = nan; break;
        case 31: dtemp = inf; break;
        default: break;
        }
        double sse = g.next(0, 1), spd = 3, scd = 4, rpl = 0, drpldt = 0, dtime = 1, pnewdt = 1, celent = 1;
        double time[2] = {0, 0}, predef[1] = {0}, dpred[1] = {0}, coords[3] = {0, 0, 0};
        double drot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, f0[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, f1[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {g.pick(7), 1, 0, 0}, kinc = 1;
        char materl[80];
        std::memset(materl, ' ', sizeof materl);
        tvktest::clear_errors();
        umat_lamina(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(),
                    &drpldt, stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi,
                    &nshr, &ntens, &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, f0, f1, &noel, &npt,
                    &kslay, &kspt, jstep, &kinc, sizeof materl);
        d.add(stress), d.add(statev), d.add(ddsdde), d.add(sse), d.add(spd), d.add(scd), d.add(pnewdt);
        // The message of this call's report (the text of an earlier one stays in the record).
        d.add(tvk::errorhandling.errstat);
        if (tvk::errorhandling.errstat != 0) d.add(tvk::errorhandling.errstring);
    }
    pe.release();
    tvk::jobdata.stepid.release();
    return d.h;
}

}  // namespace

TEST(PlyRoutineDigest, UmatLaminaKeepsEveryBit) {
    const std::uint64_t got = umat_lamina_digest();
    EXPECT_EQ(got, 0x88fbdeaaf5f2f735ULL) << "umat_lamina 0x" << std::hex << got;
    tvktest::clear_errors();
}
