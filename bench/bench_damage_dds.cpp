// Damage data sets at one material point, as the damage field routine calls them on every point:
// recording a failed point (UpdateDDS) and reading the recorded damage back (GetDamageFromDDS)
// for a 16-ply section with 4 damage sets, buckling records filled (ns per call).
#include <benchmark/benchmark.h>

#include "core/datahandling.h"
#include "core/modeldata.h"
#include "failure/damage_datasets.h"

namespace {

constexpr int nplies = 16, ndmg = 4;

void setup() {
    auto& sd = tvk::sectiondata;
    auto& md = tvk::materialdata;
    static const double cfrp[9] = {140e9, 9e9, 9e9, 0.3, 0.3, 0.45, 5e9, 5e9, 3.5e9};
    sd.plyorientation.allocate({nplies, 1});
    sd.plythickness.allocate({nplies, 1});
    sd.xcstrength.allocate({1});
    md.matidlist.allocate({nplies, 1});
    md.peprops.allocate({9, nplies, 1});
    for (int k = 1; k <= nplies; ++k) {
        *sd.plyorientation.at(k, 1) = 45.0 * (k % 4);
        *sd.plythickness.at(k, 1) = 0.125e-3;
        *md.matidlist.at(k, 1) = 1;
        for (int i = 1; i <= 9; ++i) *md.peprops.at(i, k, 1) = cfrp[i - 1];
    }
    *sd.xcstrength.at(1) = 600e6;
    int istat = 0;
    const int np = nplies, ns = 1, nd = ndmg;
    allocatedamagedata(&istat, &np, &ns, &nd);
    for (int j = 1; j <= ndmg; ++j)
        for (int k = 1; k < nplies; k += 3) {
            *tvk::damagedata.delamdds.at(1, k, j) = 0.02;
            *tvk::damagedata.delamdds.at(2, k, j) = 0.015;
            *tvk::damagedata.matrixdds.at(1, k, j) = 0.03;
            *tvk::damagedata.matrixdds.at(2, k, j) = 0.01;
        }
}

const double eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

void BM_UpdateDDS(benchmark::State& st) {
    setup();
    const double sdv[5] = {0, 0, 1, 1, 0}, origin[3] = {0, 0, 0};
    double p[3] = {0.001, 0.002, 0};
    const int ply = 7, sec = 1, set = 2;
    int ierr = 0;
    for (auto _ : st) {
        p[0] += 1e-9;
        UpdateDDS(&ierr, sdv, p, origin, eye, &ply, &sec, &set);
        benchmark::DoNotOptimize(ierr);
    }
}
BENCHMARK(BM_UpdateDDS);

void BM_GetDamageFromDDS(benchmark::State& st) {
    setup();
    const double p[3] = {0.001, 0.002, 0};
    const int ply = static_cast<int>(st.range(0)), sec = 1;
    double sdv[12] = {};
    for (auto _ : st) {
        sdv[11] = 1.0;
        GetDamageFromDDS(sdv, p, eye, &ply, &sec);
        benchmark::DoNotOptimize(sdv);
    }
}
BENCHMARK(BM_GetDamageFromDDS)->Arg(1)->Arg(8);

}  // namespace
