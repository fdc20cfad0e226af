// Constitutive laws of the resin material routine: one plasticity return mapping (elastic step
// and plastic step; the law writes its trace lines on every call, here to /dev/null, and their
// formatting is part of the cost), and one numerical tangent of a 6-component law (complex step
// on the hyperelastic law, central differences on the isotropic viscoelastic law).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "mechanics/elasticlaws.h"
#include "mechanics/hyperelasticity.h"
#include "mechanics/plasticity.h"

namespace {

// Standard output sent to /dev/null while it lives.
class Silence {
public:
    Silence() {
        std::fflush(stdout);
        saved_ = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~Silence() {
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
    }

private:
    int saved_;
};

void BM_PlasticityReturnMapping(benchmark::State& st) {
    const double props[8] = {3000.0, 3300.0, 1100.0, 0.35, 0.38, 900.0, 20.0, 0.3};
    const double stran[6] = {};
    const double elastic[6] = {0.002, -0.0005, -0.0005, 0.001, 0.0, 0.0};
    const double plastic[6] = {0.02, -0.005, -0.005, 0.01, 0.0, 0.0};
    const double* dstran = st.range(0) ? plastic : elastic;
    const int np = 8, six = 6, three = 3;
    const double temp = 300.0;
    double stress[6], ddsdde[36], eqps = 0.0;
    Silence quiet;
    for (auto _ : st) {
        for (double& s : stress) s = 0.0;
        getstressfromplastitcity(stress, &eqps, ddsdde, stran, dstran, props, &np, &six, &three,
                                 &np, &temp);
        benchmark::DoNotOptimize(stress);
    }
}
BENCHMARK(BM_PlasticityReturnMapping)->ArgName("plastic")->Arg(0)->Arg(1);

void BM_NumericalTangentComplexStep(benchmark::State& st) {
    double k[21];
    for (int q = 0; q < 21; ++q) k[q] = 1.0 + q;
    const double x[6] = {1e-3, -2e-3, 5e-4, 1e-3, 0.0, -3e-3}, zero[6] = {};
    const int six = 6, three = 3, np = 21, method = 1;
    const tvk::logical1 tensor = 0;
    double t[36];
    for (auto _ : st) {
        getnumericaltangent(t, cGetStressFromAnisotropicHyperelasticity, k, zero, zero, x, &six,
                            &three, &np, &tensor, nullptr, nullptr, &method);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_NumericalTangentComplexStep);

void BM_NumericalTangentCentralDifferences(benchmark::State& st) {
    const double props[5] = {3000.0, 12.0, 0.35, 2e-5, 1.0};  // Krause law
    const double x[6] = {1e-3, -2e-3, 5e-4, 1e-3, 0.0, -3e-3}, zero[6] = {};
    const int six = 6, three = 3, np = 5;
    const tvk::logical1 tensor = 0;
    double t[36];
    const auto law = tvk::RealStressLaw::plain(GetStressFromIsotropicViscoElasticity);
    for (auto _ : st) {
        tvk::getnumericaltangent_real(t, law, props, zero, zero, x, &six, &three, &np, &tensor,
                                      nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_NumericalTangentCentralDifferences);

}  // namespace
