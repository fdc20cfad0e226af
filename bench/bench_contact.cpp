// Contact force of an impactor solved as the impact element does: Brent's method on the contact
// law's residual, with the constant stiffness (flag 0) and with a five-point stiffness table
// (flag 1, a cubic interpolation per residual); and one residual call alone.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/roots.h"
#include "mechanics/contact.h"

namespace {

std::vector<double> contact_args(bool table) {
    std::vector<double> a{1.15e9, 2e-4, 1e-7, 1e-5, 5e-8, 1.5, 2e-5};
    if (table) a.insert(a.end(), {0, 250, 500, 750, 1000, 1e9, 1.1e9, 1.15e9, 1.2e9, 1.22e9});
    return a;
}

void BM_ContactLawResidual(benchmark::State& st) {
    const std::vector<double> a = contact_args(false);
    const int n = static_cast<int>(a.size()), flag = 0;
    double x = 500.0, fx = 0.0, dfx = 0.0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(x);
        ContactLaw(&fx, &dfx, &x, a.data(), &n, &flag);
        benchmark::DoNotOptimize(fx);
    }
}
BENCHMARK(BM_ContactLawResidual);

void BM_ContactForceByBrent(benchmark::State& st) {
    const int flag = static_cast<int>(st.range(0));
    const std::vector<double> a = contact_args(flag == 1);
    const int n = static_cast<int>(a.size()), maxit = 100;
    const double x1 = 0.0, x2 = 1e5, xacc = 1e-6;
    double root = 0.0;
    int istat = 0;
    for (auto _ : st) {
        bdsafe(ContactLaw, &x1, &x2, &root, a.data(), &xacc, &maxit, &n, &flag, &istat);
        benchmark::DoNotOptimize(root);
    }
}
BENCHMARK(BM_ContactForceByBrent)->Arg(0)->Arg(1);

}  // namespace
