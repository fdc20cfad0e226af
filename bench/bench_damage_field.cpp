// Material points per second of the explicit damage-field hook for a block of 256 ply points in
// an impact step: the criteria of all five modes on every point, with the Puck matrix criterion
// (fibre: max nominal stress) and with the LaRC04 fibre and matrix criteria. The stresses stay
// below failure, so every call runs the full fracture-plane search.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/datahandling.h"
#include "core/errors.h"
#include "core/tvk_error.h"
#include "core/modeldata.h"
#include "solver/damage_field.h"

namespace {

constexpr int nb = 256, n = 6, ns = 40, nf = 7;

void model(int fbflag, int mcflag) {
    int istat = 0;
    deallocall(&istat);
    tvk::jobdata.stepid.allocate({2});
    tvk::jobdata.stepid.data()[0] = 0;
    tvk::jobdata.stepid.data()[1] = 3;  // impact
    auto& sd = tvk::sectiondata;
    sd.nsec = sd.nplies = 1;
    sd.secidlist.allocate({1});
    sd.secidlist.data()[0] = 1;
    sd.plyorientation.allocate({1, 1});
    sd.plythickness.allocate({1, 1});
    sd.plythickness.data()[0] = 0.2;
    auto& md = tvk::materialdata;
    const double strength[10] = {2000, 50, 50, 1500, 200, 200, 80, 80, 60, 90};
    const double nye[9] = {140000, 9000, 9000, 0.3, 0.3, 0.45, 5000, 5000, 3100};
    md.psprops.allocate({10, 1, 1});
    std::memcpy(md.psprops.data(), strength, sizeof strength);
    md.peprops.allocate({9, 1, 1});
    std::memcpy(md.peprops.data(), nye, sizeof nye);
    md.pfflags.allocate({5, 1, 1});
    const int flags[5] = {0, fbflag, mcflag, 0, 0};
    std::memcpy(md.pfflags.data(), flags, sizeof flags);
    md.peflags.allocate({5, 1, 1});
    md.peflags.fill(1);
    md.pelimits.allocate({12, 1, 1});
    md.pelimits.fill(-1.0);
}

struct Block {
    int nblock = nb, nstatev = ns, nfieldv = nf, nprops = 1, ndir = 3, nshr = 3, kintpt = 1, klayer = 1, ksecpt = 1;
    int kstep = 2, threadid = 0;
    double steptime = 1e-3, totaltime = 1e-3, dt = 1e-7;
    char cmname[80];
    std::vector<int> jelem = std::vector<int>(nb);
    std::vector<double> temp = std::vector<double>(nb, 20.0), coordmp = std::vector<double>(nb * 3, 0.0);
    std::vector<double> tdirect = std::vector<double>(nb * 9, 0.0), charlength = std::vector<double>(nb * 3, 1.0);
    std::vector<double> props = std::vector<double>(1, 0.0), stateold = std::vector<double>(nb * ns, 0.0);
    std::vector<double> stressold = std::vector<double>(nb * n), strainold = std::vector<double>(nb * n, 1e-4);
    std::vector<double> statenew = std::vector<double>(nb * ns), field = std::vector<double>(nb * nf, 0.0);

    Block() {
        std::memset(cmname, ' ', sizeof cmname);
        const double s[n] = {900, 20, 5, 30, 10, 15};
        for (int k = 0; k < nb; ++k) {
            jelem[k] = k + 1;
            for (int i = 0; i < 3; ++i) tdirect[k + nb * (i + 3 * i)] = 1.0;
            for (int j = 0; j < n; ++j) stressold[k + nb * j] = s[j] * (k % 2 ? -0.5 : 1.0) * (1.0 + 0.001 * k);
        }
    }
    void call() {
        vusdfld_dmg(&nblock, &nstatev, &nfieldv, &nprops, &ndir, &nshr, jelem.data(), &kintpt, &klayer, &ksecpt,
                    &kstep, temp.data(), &steptime, &totaltime, &dt, cmname, coordmp.data(), tdirect.data(),
                    tdirect.data(), charlength.data(), props.data(), stateold.data(), stressold.data(),
                    strainold.data(), statenew.data(), field.data(), &threadid, sizeof cmname);
    }
};

void run(benchmark::State& st, int fbflag, int mcflag) {
    model(fbflag, mcflag);
    Block b;
    for (auto _ : st) {
        b.call();
        benchmark::DoNotOptimize(b.statenew.data());
    }
    st.SetItemsProcessed(st.iterations() * nb);
    // The criteria must have run: a reported refusal or a zero matrix exposure voids the figure.
    if (tvk_error_level() != 0 || b.statenew[nb * 14] <= 0.0 || b.statenew[nb * 13] <= 0.0)
        st.SkipWithError("the criteria did not run");
    int istat = 0;
    deallocall(&istat);
}

void BM_vusdfld_dmg_puck(benchmark::State& st) { run(st, 1, 9); }
void BM_vusdfld_dmg_larc(benchmark::State& st) { run(st, 12, 14); }

}  // namespace

BENCHMARK(BM_vusdfld_dmg_puck);
BENCHMARK(BM_vusdfld_dmg_larc);
