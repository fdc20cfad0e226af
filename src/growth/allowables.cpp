// No-growth allowables: the applied strain (and line load) at which the strip model's energy
// release rate reaches the allowable one (the static toughness, or for a required life the
// threshold of the threshold/cycles relation), found by ramping the strain in at most 100
// steps and interpolating linearly in the bracketing step.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/trace.h"
#include "delisio.h"

namespace {

constexpr int kSteps = 100;

// G_allow for a life of n cycles: props(10) for a static allowable, c1 n^(1/c2) beyond one cycle.
double allowable_rate(const double* props, double n) {
    if (n == 1.0 || n == 0.0) return props[9];
    if (n > 1.0) {
        double g = 0.0, cycles = n;
        GrowthInitiationParis(&g, &cycles, &props[10], &props[11]);
        return g;
    }
    tvk::Trace() << "Invalid number of cycles was given";
    tvk::Trace() << "Static limit is calculated";
    return props[9];
}

// Ramps the strain in steps of `step` until the rate exceeds the allowable, then interpolates
// linearly inside that step. Without such a step within kSteps the last step's strain and load
// are returned (the allowable lies beyond them: a safe, conservative value) with a warning.
// evaluate(i, eps, n11, g) computes the load and rate of step i at strain eps.
struct Allowable {
    double strain, force;
};
template <class Evaluate>
Allowable ramp(double step, double gallow, const char* who, int index, Evaluate&& evaluate) {
    double eps = 0.0, g = 0.0, n11 = 0.0, g_prev = 0.0, n_prev = 0.0;
    for (int i = 1; i <= kSteps; ++i) {
        eps += step;
        evaluate(i, eps, n11, g);
        if (g > gallow)
            return {eps + step * (gallow - g) / (g - g_prev), n11 + (gallow - g) * (n11 - n_prev) / (g - g_prev)};
        g_prev = g;
        n_prev = n11;
    }
    tvk::report(-2, std::string("No allowable within the strain ramp in ") + who, index);
    return {eps, n11};
}

bool enough(const char* who, int nprops) {
    if (nprops >= 12) return true;
    tvk::report(-3, tvk::compose(who, ": too few properties."), nprops);
    return false;
}

}  // namespace

void Find_Allowable_nogrowth_comp(const double* layup, const double* tply, const double* extensdmg,
                                  const double* length, const double* width, const double* props,
                                  double* strainallowable, double* forceallowables_perinterface, double* eps_th_results,
                                  const double* dmgsizes, double* allowables_perinterface, const int* nplies,
                                  const int* nprops, const int* ninter, const double* inincrement,
                                  const double* dmgincrement_in, const double* inloadcycles) {
    const int ni = std::max(*ninter, 0);
    std::fill(eps_th_results, eps_th_results + static_cast<std::size_t>(ni) * 6 * kSteps, 0.0);
    std::fill(allowables_perinterface, allowables_perinterface + ni, 0.0);
    std::fill(forceallowables_perinterface, forceallowables_perinterface + ni, 0.0);
    *strainallowable = -tvk::huge;
    if (!enough("Find_Allowable_nogrowth_comp", *nprops)) return;
    const double step = -std::abs(inincrement ? *inincrement : 0.001);
    const double dinc = dmgincrement_in ? *dmgincrement_in : 0.1;
    const double gallow = allowable_rate(props, inloadcycles ? *inloadcycles : 1.0);
    tvk::Trace() << "ERR for a life of " << "Ncycles" << " cycles is " << gallow;
    bool any = false;
    double results[13 * 2];
    for (int k = 1; k <= ni; ++k) {
        const double len = dmgsizes[k - 1], wid = dmgsizes[(k - 1) + ni];
        if (len == 0.0 || wid == 0.0) continue;
        const Allowable r = ramp(step, gallow, "Find_Allowable_nogrowth_comp.", k,
                                 [&](int i, double eps, double& n11, double& g) {
            const double dof[6] = {eps, 0, 0, 0, 0, 0};
            static constexpr int one = 1, six = 6;
            DelaCompGrowth(layup, tply, dof, &k, props, length, width, extensdmg, results, &wid, &len, &one, nplies,
                           nprops, &six, &one, nullptr, &dinc);
            const double* c2 = results + 13;
            n11 = c2[1];
            const double gx = c2[8], gy = c2[9];
            double* out = eps_th_results + (k - 1) + static_cast<std::size_t>(ni) * 6 * (i - 1);
            const double row[6] = {eps, gx, gy, n11, c2[10], c2[11]};
            for (int j = 0; j < 6; ++j) out[static_cast<std::size_t>(ni) * j] = row[j];
            g = std::max(gx, gy);
        });
        allowables_perinterface[k - 1] = r.strain;
        forceallowables_perinterface[k - 1] = r.force;
        *strainallowable = any ? std::max(*strainallowable, r.strain) : r.strain;
        any = true;
    }
}

void Find_Allowable_nogrowth_tension(const double* layup, const double* tply, const double* extensdmg,
                                     const double* length, const double* width, const double* props,
                                     const double* fibercrack, const double* dmgsizes, const int* nplies,
                                     const int* nprops, const int* ninter, double* allowables_perply,
                                     double* strainallowable, double* forceallowables_perply, const double* inincrement,
                                     const double* inloadcycles) {
    const int np = std::max(*nplies, 0), ni = *ninter;
    std::fill(allowables_perply, allowables_perply + np, 0.0);
    std::fill(forceallowables_perply, forceallowables_perply + np, 0.0);
    *strainallowable = tvk::huge;
    if (!enough("Find_Allowable_nogrowth_tension", *nprops)) return;
    const double step = std::abs(inincrement ? *inincrement : 0.001);
    const double gallow = allowable_rate(props, inloadcycles ? *inloadcycles : 1.0);
    double len = -tvk::huge, wid = -tvk::huge;
    for (int k = 0; k < ni; ++k) {
        len = std::max(len, dmgsizes[k]);
        wid = std::max(wid, dmgsizes[k + ni]);
    }
    std::vector<double> results(13 * 1000);
    bool any = false;
    for (int k = 1; k <= np; ++k) {
        if (fibercrack[k - 1] == 0.0) continue;
        const Allowable r = ramp(step, gallow, "Find_Allowable_nogrowth_tension.", k,
                                 [&](int, double eps, double& n11, double& g) {
            const double dof[6] = {eps, 0, 0, 0, 0, 0};
            static constexpr int one = 1, six = 6;
            delaTension(layup, tply, dof, &k, props, length, width, extensdmg, results.data(), &wid, &len,
                        &fibercrack[k - 1], &one, nplies, nprops, &six, nullptr, nullptr, nullptr);
            n11 = results[1];
            g = std::max(results[6], results[8]);
        });
        allowables_perply[k - 1] = r.strain;
        forceallowables_perply[k - 1] = r.force;
        *strainallowable = any ? std::min(*strainallowable, r.strain) : r.strain;
        any = true;
    }
}
