// The ply material routine driven as a solver drives it: stress paths against the compliance
// inverse, tangent against finite differences, the state slots it writes, degradation only in a
// DIC step, and the constants of the material table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "explicit_block_driver.h"
#include "failure/stiffness_factors.h"
#include "mechanics/lamina.h"
#include "single_point_driver.h"
#include "solver/ply_adapters.h"
#include "solver/umat_lamina.h"
#include "solver/vumat_ply.h"

namespace {

using tvktest::UmatPoint;
using V = std::vector<double>;

// A carbon/epoxy ply in Nye order.
const V nye = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};

// The strain of a stress through the compliance, to check the stress the routine returns.
V strain_of(const V& s, int ntens) {
    double c[36];
    tvk::lamina::compliance(c, nye.data(), ntens, false);
    V e(ntens, 0.0);
    for (int j = 0; j < ntens; ++j)
        for (int i = 0; i < ntens; ++i) e[i] += c[i + j * ntens] * s[j];
    return e;
}

struct StepKinds {
    explicit StepKinds(std::initializer_list<int> kinds) {
        tvk::jobdata.stepid.allocate({static_cast<std::int64_t>(kinds.size())});
        int k = 0;
        for (int v : kinds) tvk::jobdata.stepid.data()[k++] = v;
    }
    ~StepKinds() { tvk::jobdata.stepid.release(); }
};

TEST(UmatLamina, StrainPathsFollowHookeWithTheStateCarried) {
    for (const int ndi : {2, 3}) {
        const int nshr = ndi == 2 ? 1 : 3, n = ndi + nshr;
        UmatPoint p(umat_lamina, ndi, nshr, 30, nye);
        p.statev[2] = 7.0;
        // Uniaxial loading, in-plane shear, then unloading back through zero into compression.
        std::vector<V> path;
        for (int k = 0; k < 4; ++k) path.push_back(V(n, 0.0)), path.back()[0] = 2.5e-3;
        for (int k = 0; k < 3; ++k) path.push_back(V(n, 0.0)), path.back()[ndi] = 4e-3;
        for (int k = 0; k < 6; ++k) {
            V d(n, 0.0);
            d[0] = -3e-3;
            d[ndi] = -2e-3;
            d[1] = k % 2 ? 1e-3 : -1e-3;
            path.push_back(d);
        }
        for (const V& d : path) {
            tvktest::check_tangent(p, d);
            p.stress.assign(n, 123.0);  // the incoming stress must not enter a secant law
            p.sse = -5.0;
            p.increment(d);
            const V e = strain_of(p.stress, n);
            double w = 0.0;
            for (int i = 0; i < n; ++i) {
                EXPECT_NEAR(e[i], p.stran[i], 1e-12) << "component " << i;
                w += p.stress[i] * p.stran[i];
            }
            EXPECT_NEAR(p.sse, 0.5 * w, 1e-9 * std::fabs(w) + 1e-15);
            EXPECT_EQ(p.spd, 0.0);
            EXPECT_EQ(p.scd, 0.0);
            EXPECT_EQ(p.pnewdt, 1.0);
            for (int i = 0; i < ndi; ++i) EXPECT_EQ(p.statev[i], p.stress[i]);
            for (int i = 0; i < nshr; ++i) EXPECT_EQ(p.statev[3 + i], p.stress[ndi + i]);
            if (ndi == 2) {
                EXPECT_EQ(p.statev[2], 7.0);
            }
        }
    }
}

TEST(UmatLamina, ShortStateVectorIsLeftAlone) {
    UmatPoint p(umat_lamina, 3, 3, 5, nye);
    for (int k = 0; k < 5; ++k) p.statev[k] = k + 0.5;
    p.increment({1e-3, 0, 0, 2e-3, 0, 0});
    for (int k = 0; k < 5; ++k) EXPECT_EQ(p.statev[k], k + 0.5);
    EXPECT_GT(p.stress[0], 0.0);
}

TEST(UmatLamina, EngineeringOrderOfNinePropertiesGivesTheNyeStiffness) {
    const V eng = {nye[0], nye[1], nye[2], nye[6], nye[7], nye[8], nye[3], nye[4], nye[5]};
    UmatPoint a(umat_lamina, 3, 3, 30, nye), b(umat_lamina, 3, 3, 30, eng);
    const V d = {1e-3, -2e-3, 5e-4, 1e-3, 2e-3, -3e-3};
    a.increment(d);
    b.increment(d);
    EXPECT_EQ(a.ddsdde, b.ddsdde);
    EXPECT_EQ(a.stress, b.stress);
}

// A damaged ply: the tangent is the stiffness degraded element by element in a DIC step only,
// and the secant stress of the degraded ply still agrees with its tangent.
TEST(UmatLamina, DamagedPlyDegradesOnlyInADicStep) {
    const V d = {2e-3, 1e-3, -1e-3, 3e-3, 1e-3, -2e-3};
    UmatPoint intact(umat_lamina, 3, 3, 30, nye);
    intact.increment(d);

    auto damaged = [&] {
        UmatPoint p(umat_lamina, 3, 3, 30, nye);
        p.statev[7] = 1.0;   // fibre failure
        p.statev[8] = 1.0;   // matrix cracking
        p.statev[17] = 0.2;  // residual factor
        p.jstep[0] = 2;
        return p;
    };
    {
        UmatPoint p = damaged();  // no step table: undegraded
        p.increment(d);
        EXPECT_EQ(p.ddsdde, intact.ddsdde);
    }
    {
        StepKinds kinds{5, 1};  // step 2 is a fatigue step
        UmatPoint p = damaged();
        p.increment(d);
        EXPECT_EQ(p.ddsdde, intact.ddsdde);
        p.jstep[0] = 3;  // beyond the table: undegraded
        p.increment(d);
        EXPECT_EQ(p.ddsdde, intact.ddsdde);
    }
    {
        StepKinds kinds{1, 5};
        UmatPoint flagless(umat_lamina, 3, 3, 30, nye);
        flagless.jstep[0] = 2;
        flagless.increment(d);
        EXPECT_EQ(flagless.ddsdde, intact.ddsdde);

        UmatPoint p = damaged();
        tvktest::check_tangent(p, d);
        p.increment(d);
        const double dds[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
        double f[9], m[36];
        tvk::degradation::falcom(f, dds, 0.2, 5, true, nullptr);
        tvk::degradation::nye_degradation_matrix(m, f, 6, false);
        bool softer = false;
        for (int k = 0; k < 36; ++k) {
            EXPECT_DOUBLE_EQ(p.ddsdde[k], intact.ddsdde[k] * m[k]);
            softer = softer || std::fabs(p.ddsdde[k]) < std::fabs(intact.ddsdde[k]);
        }
        EXPECT_TRUE(softer);
        p.increment(V(6, 0.0));  // unloading to the same total strain path: stress of C_d eps
        for (int i = 0; i < 6; ++i) {
            double s = 0.0;
            for (int j = 0; j < 6; ++j) s += p.ddsdde[i + 6 * j] * p.stran[j];
            EXPECT_NEAR(p.stress[i], s, 1e-9 * std::fabs(s) + 1e-12);
        }
    }
}

// One property: the constants of the ply and section named by state slots 21 and 22, truncated
// toward zero; a slot outside the table gives a reported, zero response.
TEST(UmatLamina, SinglePropertyReadsTheMaterialTable) {
    auto& pe = tvk::materialdata.peprops;
    pe.allocate({9, 3, 2});
    for (int ply = 1; ply <= 3; ++ply)
        for (int sec = 1; sec <= 2; ++sec)
            for (int k = 1; k <= 9; ++k) *pe.at(k, ply, sec) = nye[k - 1] * (ply == 2 && sec == 1 ? 1.0 : 2.0);
    const V d = {1e-3, 2e-3, 0, 1e-3, 0, 0};
    UmatPoint ref(umat_lamina, 3, 3, 30, nye);
    ref.increment(d);

    UmatPoint p(umat_lamina, 3, 3, 30, {-99.0});
    p.statev[20] = 2.9;
    p.statev[21] = 1.0;
    p.increment(d);
    EXPECT_EQ(p.ddsdde, ref.ddsdde);

    for (const double ply : {0.0, 4.0, -1.0, 1e300, std::nan("")}) {
        tvktest::clear_errors();
        UmatPoint bad(umat_lamina, 3, 3, 30, {1.0});
        bad.statev[20] = ply;
        bad.statev[21] = 1.0;
        bad.stress.assign(6, 5.0);
        bad.increment(d);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(bad.stress, V(6, 5.0));  // refused: the stress kept, a zero tangent, a cut-back
        EXPECT_EQ(bad.ddsdde, V(36, 0.0));
        EXPECT_EQ(bad.sse, 0.0);
        EXPECT_EQ(bad.pnewdt, 0.5);
    }
    pe.release();
    tvktest::clear_errors();
    UmatPoint absent(umat_lamina, 3, 3, 30, {1.0});
    absent.statev[20] = 1.0;
    absent.statev[21] = 1.0;
    absent.increment(d);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(absent.ddsdde, V(36, 0.0));
    tvktest::clear_errors();
}

TEST(UmatLamina, UnsupportedCountsAreReportedWithAZeroResponse) {
    tvktest::clear_errors();
    UmatPoint p(umat_lamina, 3, 3, 30, {1.0, 2.0, 3.0});
    p.increment({1e-3, 0, 0, 0, 0, 0});
    // An input error naming the material and the count; the refused-point result.
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "umat_lamina: unusable number of elastic constants (3, material PLY)");
    EXPECT_EQ(p.stress, V(6, 0.0));
    EXPECT_EQ(p.ddsdde, V(36, 0.0));
    EXPECT_EQ(p.pnewdt, 0.5);

    tvktest::clear_errors();
    UmatPoint q(umat_lamina, 3, 2, 30, nye);  // five components: no stiffness of that size
    q.stress.assign(5, 4.0);
    q.increment(V(5, 1e-3));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "umat_lamina: unsupported number of stress components (5, material PLY)");
    EXPECT_EQ(q.stress, V(5, 4.0));
    EXPECT_EQ(q.ddsdde, V(25, 0.0));
    EXPECT_EQ(q.pnewdt, 0.5);
    tvktest::clear_errors();
}

// ---- component counts that do not fit ---------------------------------------------------------

// Direct and shear counts that do not add up to the number of stress components (or that no
// stress state has) are refused before the ply is evaluated: a level -3 report naming the entry,
// and the refused-point result (stress, state and energies as the caller passed them, a zero
// ntens x ntens tangent, a cut-back request).
TEST(UmatLamina, ComponentCountsThatDoNotAddUpGiveTheRefusedPointResult) {
    const int cases[][3] = {{3, 2, 6}, {2, 2, 3}, {3, 3, 4}, {4, 2, 6}, {1, 1, 3}};
    for (const auto& c : cases) {
        UmatPoint p(umat_lamina, 3, 3, 40, nye);
        p.ndi = c[0], p.nshr = c[1], p.ntens = c[2];  // the arrays keep room for six components
        for (int k = 0; k < 40; ++k) p.statev[k] = 0.25 * k;
        p.stress = {1, 2, 3, 4, 5, 6};
        p.ddsdde.assign(36, -7.0);
        p.sse = 11.0, p.spd = 12.0, p.scd = 13.0, p.pnewdt = 0.75;
        const UmatPoint before = p;
        tvktest::clear_errors();
        p.call({1e-3, 2e-3, 3e-3, 4e-3, 5e-3, 6e-3});
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_EQ(tvktest::errtext(), "umat_lamina: ndi and nshr must be 0 to 3 and add up to ntens");
        EXPECT_EQ(p.stress, before.stress);
        EXPECT_EQ(p.statev, before.statev);
        V tangent = before.ddsdde;
        std::fill(tangent.begin(), tangent.begin() + c[2] * c[2], 0.0);
        EXPECT_EQ(p.ddsdde, tangent);
        EXPECT_EQ(p.sse, 11.0);
        EXPECT_EQ(p.spd, 12.0);
        EXPECT_EQ(p.scd, 13.0);
        EXPECT_EQ(p.pnewdt, 0.5);
    }
    tvktest::clear_errors();
}

TEST(UmatLamina, UsermatEntryGivesComponentCountsThatDoNotAddUpTheRefusedPointResult) {
    const int cases[][3] = {{3, 2, 6}, {2, 1, 4}, {4, 2, 6}};
    for (const auto& c : cases) {
        int matid = 1, elemid = 1, kdomintpt = 1, klayer = 1, ksectpt = 1, ldstep = 1, isubst = 1, keycut = 5;
        int ndirect = c[0], nshear = c[1], ncomp = c[2], nstatev = 40, nprop = 9;
        double time = 0, dtime = 1, temp = 0, dtemp = 0, sedel = 9.0, sedpl = 8.0, epseq = 7.0, var0 = 0;
        double epszz = 6.0, coords[3] = {}, tsstif[2] = {4.0, 5.0}, var[8] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        V stress = {1, 2, 3, 4, 5, 6}, dsdepl(36, -7.0), strain(6, 0.0), epspl(6, 0.0), prop = nye;
        V dstrain = {1e-3, 2e-3, 3e-3, 4e-3, 5e-3, 6e-3}, ustatev(40);
        for (int k = 0; k < 40; ++k) ustatev[k] = 0.5 * k;
        const V stress0 = stress, ustatev0 = ustatev;
        tvktest::clear_errors();
        usermat_lamina(&matid, &elemid, &kdomintpt, &klayer, &ksectpt, &ldstep, &isubst, &keycut, &ndirect, &nshear,
                       &ncomp, &nstatev, &nprop, &time, &dtime, &temp, &dtemp, stress.data(), ustatev.data(),
                       dsdepl.data(), &sedel, &sedpl, &epseq, strain.data(), dstrain.data(), epspl.data(),
                       prop.data(), coords, &var0, eye, eye, tsstif, &epszz, &var[0], &var[1], &var[2], &var[3],
                       &var[4], &var[5], &var[6], &var[7]);
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_EQ(tvktest::errtext(), "abq_umat_to_ansys_usermat: ndi and nshr must be 0 to 3 and add up to ntens");
        EXPECT_EQ(stress, stress0);
        EXPECT_EQ(ustatev, ustatev0);
        V tangent(36, -7.0);
        std::fill(tangent.begin(), tangent.begin() + ncomp * ncomp, 0.0);
        EXPECT_EQ(dsdepl, tangent);
        EXPECT_EQ(sedel, 9.0);
        EXPECT_EQ(epszz, 6.0);
        EXPECT_EQ(tsstif[0], 4.0);
        EXPECT_EQ(tsstif[1], 5.0);
        // The interface's own outputs: a cut-back asked for, no plastic work.
        EXPECT_EQ(keycut, 1);
        EXPECT_EQ(sedpl, 0.0);
        EXPECT_EQ(epseq, 0.0);
    }
    tvktest::clear_errors();
}

// The explicit ply routine has a stiffness for (3, 3), (3, 1) and (2, 1) components only; any other
// layout is refused and every point keeps its old stress and internal energy.
TEST(UmatLamina, ExplicitPlyRoutineRefusesLayoutsWithoutAStiffness) {
    using Block = tvktest::ExplicitBlock<tvk::solver::VumatPlaneStrain::Fn>;
    const int cases[][2] = {{3, 2}, {2, 2}, {1, 1}, {4, 2}};
    for (const auto& c : cases) {
        Block b(vumat_lamina, 3, c[0], c[1], 4, nye);
        for (std::size_t k = 0; k < b.stressold.size(); ++k) b.stressold[k] = 10.0 + k;
        for (std::size_t k = 0; k < b.straininc.size(); ++k) b.straininc[k] = 1e-3 * (1 + k);
        b.enerinternold = {1.0, 2.0, 3.0};
        tvktest::clear_errors();
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << c[0] << " " << c[1];
        EXPECT_EQ(tvktest::errtext(), "vumat_lamina: ndir and nshr must be 3 and 3, 3 and 1, or 2 and 1");
        EXPECT_EQ(b.stressnew, b.stressold);
        EXPECT_EQ(b.enerinternnew, b.enerinternold);
        EXPECT_EQ(b.enerinelasnew, V(3, 0.0));
    }
    tvktest::clear_errors();
}

}  // namespace

// Finite strains whose sum overflows: the full product of stress_vector (its zero entries times
// the infinite strain make every row non-finite) is not finite, so the point is refused: stress,
// state and strain energy as they came, a zero tangent, a cut-back and a report.
TEST(UmatLamina, OverflowedStrainSumIsRefusedWithTheStressKept) {
    for (const int ndi : {2, 3}) {
        for (const int big : {0, 1, 3}) {
            const int nshr = ndi == 2 ? 1 : 3, n = ndi + nshr;
            if (big >= n) continue;
            UmatPoint p(umat_lamina, ndi, nshr, 30, nye);
            p.stran.assign(n, 1e-3);
            p.stran[big] = 1.5e308;
            V d(n, 2e-4);
            d[big] = 1.5e308;
            const V stran0 = p.stran;
            p.stress.assign(n, 3.0);
            p.statev.assign(30, 0.25);
            p.sse = 0.75;
            tvktest::clear_errors();
            p.call(d);

            double c[36], s[6];
            tvk::lamina::stiffness(c, nye.data(), n, false);
            tvk::lamina::stress_vector(s, c, stran0.data(), d.data(), ndi, n, true, false);
            // Rows whose nonzero entries meet only finite strains are NaN, not finite.
            for (int i = 0; i < n; ++i) EXPECT_FALSE(std::isfinite(s[i])) << "component " << i;
            EXPECT_EQ(p.stress, V(n, 3.0)) << "ndi " << ndi << " big " << big;
            EXPECT_EQ(p.statev, V(30, 0.25));
            EXPECT_EQ(p.sse, 0.75);
            EXPECT_EQ(p.ddsdde, V(n * n, 0.0));
            EXPECT_EQ(p.pnewdt, 0.5);
            EXPECT_EQ(tvk::errorhandling.errstat, -3);
            EXPECT_EQ(tvktest::errtext(), "umat_lamina: non-finite result; point not evaluated");
        }
    }
}
