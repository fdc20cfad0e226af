// Isotropic elastic-plastic routine: elastic predictor, radial return onto the von Mises surface
// of the tabulated hardening curve, consistent tangent, mean-stress cut-off latch.
#include "umat_hail.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "converters.h"
#include "core/scratch.h"
#include "mechanics/lamina.h"
#include "mechanics/stressmeasures.h"

namespace {

using tvk::solver::Outcome;
using Point = tvk::solver::Point<tvk::solver::Order::nye>;

// The cut-off latch: lock-free, since solvers call material routines from several threads.
std::atomic<bool> cutoff_latch{false};

constexpr int newton_limit = 10;
constexpr double toler = 1e-6;
// The band of Poisson's ratios treated as incompressible by the plastic correction, and the
// ratio used there instead; single-precision values, as the constants were always given.
constexpr double nu_band_low = static_cast<double>(0.4999f);
constexpr double nu_band_high = static_cast<double>(0.5001f);
constexpr double nu_incompressible = static_cast<double>(0.499f);

void warn_not_converged() {
    // Two empty records, then the warning after 30 blanks, the limit in three columns.
    char line[128];
    std::snprintf(line, sizeof line, "\n\n%30s***WARNING - PLASTICITY ALGORITHM DID NOT CONVERGE AFTER %3d ITERATIONS\n",
                  "", newton_limit);
    std::fputs(line, stdout);
    std::fflush(stdout);
}

bool finite_all(const double* v, int n) {
    for (int k = 0; k < n; ++k)
        if (!std::isfinite(v[k])) return false;
    return true;
}

Outcome hail_point(Point& a) {
    const int n = a.ntens, ndi = a.ndi;
    double* const dd = a.ddsdde.data();
    std::fill(dd, dd + n * n, 0.0);
    // The stress vector is (11, 22, 12), (11, 22, 33, 12) or the full six components.
    if (!((ndi == 2 && a.nshr == 1) || (ndi == 3 && (a.nshr == 1 || a.nshr == 3))))
        return Outcome::refuse_count("umat_hail: unsupported number of stress components", n);
    if (a.nprops < 2) return Outcome::refuse("umat_hail: Young's modulus and Poisson's ratio needed", a.nprops);
    if (!finite_all(a.props.data(), a.nprops)) return Outcome::refuse("umat_hail: non-finite material property");
    const double e = a.props[0], nu = a.props[1];
    if (!(e > 0.0) || !(nu > -1.0) || nu == 0.5)
        return Outcome::refuse("umat_hail: Young's modulus must be positive, Poisson's ratio above -1 and not 0.5");
    // The layout needs 2 ntens + 1 state values; the hardening table is read only with plasticity
    // on and the state to keep it in. Its strains are the abscissas of the interpolation and must
    // increase strictly: a table whose strains do not is refused before the point is computed.
    const bool has_state = a.nstatv >= 2 * n + 1;
    const bool plastic_on = a.nprops >= 3 && a.props[2] > 0.0;
    const int nvalue = (a.nprops - 3) / 2;
    if (plastic_on && has_state)
        for (int r = 1; r < nvalue; ++r)
            if (!(a.props[4 + 2 * r] > a.props[2 + 2 * r]))
                return Outcome::refuse("umat_hail: hardening strains do not increase strictly", r + 1);

    // Elastic stiffness from the given E and nu; trial stress.
    double nye[9];
    const double en[2] = {e, nu};
    tvk::lamina::nye_properties(nye, en, 2);
    tvk::lamina::stiffness(dd, nye, n, false);
    double s[6];
    for (int k = 0; k < n; ++k) s[k] = a.stress[k];
    tvk::lamina::stress_vector(s, dd, a.stran.data(), a.dstran.data(), ndi, n, false, false);

    // State in.
    double eel[6], epl[6], eqplas = 0.0;
    for (int k = 0; k < n; ++k) {
        eel[k] = (has_state ? a.statev[k] : 0.0) + a.dstran[k];
        epl[k] = has_state ? a.statev[n + k] : 0.0;
    }
    if (has_state) eqplas = a.statev[2 * n];

    if (!plastic_on && !has_state && a.nstatv > 0)
        tvk::report(-1, "umat_hail: fewer than 2 ntens + 1 state variables; state not kept", a.nstatv);
    if (plastic_on && (!has_state || nvalue < 1)) {
        tvk::report(-2, has_state ? "umat_hail: plasticity without a hardening table; elastic response"
                                  : "umat_hail: fewer than 2 ntens + 1 state variables; elastic response",
                    a.nstatv, a.nprops);
    } else if (plastic_on) {
        // Plastic moduli: Poisson's ratios in the band round 0.5 count as 0.499.
        const bool band = nu > nu_band_low && nu < nu_band_high;
        const double onepnu = band ? 1.0 + nu_incompressible : 1.0 + nu;
        const double onem2nu = band ? 1.0 - 2.0 * nu_incompressible : 1.0 - 2.0 * nu;
        const int ns = n;
        const double smises = GetMisesStress(s, &ns);
        const double shydro = GetHydrostaticPressure(s, &ns);
        // Hardening table (yield stresses, then strains) from the rows of props.
        tvk::Scratch<double, 64> table(static_cast<std::size_t>(2 * nvalue));
        for (int r = 0; r < nvalue; ++r) {
            table[r] = a.props[3 + 2 * r];
            table[nvalue + r] = a.props[4 + 2 * r];
        }
        double syiel0 = 0.0, hard = 0.0;
        GetHardeningFromTable(&syiel0, &hard, &eqplas, table.get(), &nvalue);
        if (smises > (1.0 + toler) * syiel0) {
            const double g = e / (2.0 * onepnu), g3 = 3.0 * g;
            double deqpl = 0.0, syield = syiel0;
            bool converged = false;
            for (int k = 0; k < newton_limit; ++k) {
                const double rhs = smises - g3 * deqpl - syield;
                deqpl += rhs / (g3 + hard);
                const double at = eqplas + deqpl;
                GetHardeningFromTable(&syield, &hard, &at, table.get(), &nvalue);
                if (std::fabs(rhs) < toler * syiel0) {
                    converged = true;
                    break;
                }
            }
            // A correction without a finite strain increment (a softening slope of -3G, say) leaves
            // no result to return: the point is refused, its report ahead of the iteration's warning.
            if (!std::isfinite(deqpl) || !std::isfinite(syield))
                return Outcome::refuse("umat_hail: the plastic correction gave no finite strain increment");
            if (!converged) warn_not_converged();
            // Return to the yield surface.
            double flow[6];
            GetMisesFlow(flow, s, &ns);
            for (int k = 0; k < ndi; ++k) {
                s[k] = flow[k] * syield + shydro;
                epl[k] += 1.5 * flow[k] * deqpl;
                eel[k] -= 1.5 * flow[k] * deqpl;
            }
            for (int k = ndi; k < n; ++k) {
                s[k] = flow[k] * syield;
                epl[k] += 3.0 * flow[k] * deqpl;
                eel[k] -= 3.0 * flow[k] * deqpl;
            }
            eqplas += deqpl;
            a.spd = deqpl * (syiel0 + syield) / 2.0;
            // Consistent tangent.
            const double effg = g * syield / smises, effg2 = 2.0 * effg, effg3 = 3.0 * effg;
            const double efflam = (e / onem2nu - effg2) / 3.0;
            const double effhrd = g3 * hard / (g3 + hard);
            for (int i = 0; i < ndi; ++i) {
                for (int j = 0; j < ndi; ++j) dd[i + j * n] = efflam;
                dd[i + i * n] = effg2 + efflam;
            }
            for (int k = ndi; k < n; ++k) dd[k + k * n] = effg;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) dd[i + j * n] += (effhrd - effg3) * flow[i] * flow[j];
        }
        // Mean-stress cut-off: latched by any point whose mean trial stress exceeds the first
        // yield stress; then every point returns that stress in its direct entries.
        const double cut = a.props[3];
        if (shydro > cut) cutoff_latch.store(true, std::memory_order_relaxed);
        if (cutoff_latch.load(std::memory_order_relaxed)) {
            for (int k = 0; k < n; ++k) s[k] = k < ndi ? cut : 0.0;
        }
    }

    for (int k = 0; k < n; ++k) a.stress[k] = s[k];
    if (has_state) {
        for (int k = 0; k < n; ++k) {
            a.statev[k] = eel[k];
            a.statev[n + k] = epl[k];
        }
        a.statev[2 * n] = eqplas;
    }
    return Outcome::ok();
}

}  // namespace

namespace tvk::solver {
double umat_hail_cutoff_latch() { return cutoff_latch.load(std::memory_order_relaxed) ? 1.0 : 0.0; }
void reset_umat_hail_cutoff() { cutoff_latch.store(false, std::memory_order_relaxed); }
bool umat_hail_cutoff_clear() { return !cutoff_latch.load(std::memory_order_relaxed); }
}  // namespace tvk::solver

// Its strain energy and creep dissipation are the solver's; so is its plastic dissipation in an
// elastic increment (the law sets it only in a plastic one).
TVK_SOLVER_KERNEL_RULED(UmatInPlace, umat_hail, hail_point, tvk::solver::solver_energies)
