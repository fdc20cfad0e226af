#include "solver/impactormotion.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/errors.h"
#include "core/modeldata.h"
#include "core/signal.h"
#include "solver/process_state.h"
#include "solver/result_check.h"

namespace tvk {
namespace {

constexpr int nrec = 20;
constexpr int nwin = 5;

// Moving-average window of the contact forces, nwin values per impactor, and the fill counts.
std::vector<double> window;
std::vector<int> denom;

// One impactor's contact record, entries 1-based.
struct Record {
    double* p;
    double& operator()(int k) const { return p[k - 1]; }
};

// The contact table when it holds full records (no columns otherwise).
TableView<double, 2> records() {
    const auto& c = impactdata.cprops;
    return c.present() && c.extent(1) >= nrec ? c.view() : TableView<double, 2>();
}

Record record(const TableView<double, 2>& v, int i) { return Record{v.column(i + 1).data()}; }

void update_motion(Record r, double dt) {
    const double f = r(1), m = r(7);
    const double a_old = r(6), v_old = r(5), u_old = r(4);
    const double alpha = r(8), beta = r(9), gamma = r(10);
    auto all = [&](double x) { return alpha == x && beta == x && gamma == x; };
    if (all(0.0)) return;
    if (all(-1.0)) {  // central differences with the velocity at mid-increment
        r(19) += 0.5 * (r(20) + dt) * a_old;
        r(20) = dt;
        const double a = gravity - f / m;
        r(6) = a;
        r(5) = r(19) + 0.5 * dt * a;
        r(4) = u_old + dt * r(19);
    } else if (all(-2.0)) {
        const double a = gravity - f / m, w = r(20);
        r(6) = a;
        r(5) = v_old + dt * ((1.0 - w) * a_old + w * a);
        r(4) = u_old + dt * v_old + 0.5 * dt * dt * a;
    } else {  // Newmark (1959) with the force weighted as in Hilber, Hughes and Taylor (1977)
        const double fe = (1.0 + alpha) * f - alpha * r(11);
        const double a = gravity - fe / m;
        r(6) = a;
        r(5) = v_old + dt * ((1.0 - gamma) * a_old + gamma * a);
        r(4) = u_old + dt * v_old + dt * dt * ((0.5 - beta) * a_old + beta * a);
    }
}

// The entries the increment end of an impactor with mass writes: the history (11-16) and, unless
// its scheme leaves it in place, the motion (4-6; central differences also 19 and 20).
constexpr int history[] = {11, 12, 13, 14, 15, 16};
constexpr int motion[] = {4, 5, 6, 19, 20};

[[gnu::cold, gnu::noinline]] void report_kept(int i, double dt, double f) {
    report(-2, "Warning: impactor motion not finite at the increment end; impactor record kept.", i + 1, 0, dt, f);
}

// The increment end of impactor i with mass: motion update, peaks, last values and the unloading
// marker are computed on copies of its column and force window, and written only when the time
// increment and mass the motion update uses and every value written (the force too) are finite.
// Otherwise column and window stay as they came (a motion that is not finite would be carried on
// by every later increment), with a warning.
void impact_end(Record col, double dt, int i) {
    double next[nrec];
    std::copy(col.p, col.p + nrec, next);
    const Record r{next};
    const double f = r(1);
    update_motion(r, dt);
    r(15) = std::max(r(3), r(15));
    r(14) = std::max(f, r(14));
    r(11) = f;
    r(12) = r(2);
    r(13) = 0.0;
    double* const slot = &window[static_cast<std::size_t>(i) * nwin];
    double win[nwin];
    std::copy(slot, slot + nwin, win);
    int count = denom[i];
    double sma = 0.0;
    const int wb = nwin;
    WeightedMovingAverage(&sma, &f, win, &count, &wb, nullptr);
    if (sma > f && count == nwin) r(16) = 1.0;

    const bool moved = !(r(8) == 0.0 && r(9) == 0.0 && r(10) == 0.0);
    const int nmotion = !moved ? 0 : r(8) == -1.0 && r(9) == -1.0 && r(10) == -1.0 ? 5 : 3;
    solver::conv::FiniteCheck check;  // the force among them, as entry 11
    for (const int k : history) check.add(r(k));
    if (moved) {
        check.add(dt);
        check.add(r(7));
        for (int j = 0; j < nmotion; ++j) check.add(r(motion[j]));
    }
    if (!check.finite()) {
        report_kept(i, dt, f);
        return;
    }
    for (const int k : history) col(k) = r(k);
    for (int j = 0; j < nmotion; ++j) col(motion[j]) = r(motion[j]);
    std::copy(win, win + nwin, slot);
    denom[i] = count;
}

}  // namespace

void impactor_window_reset(int nimp) {
    const std::size_t n = static_cast<std::size_t>(std::max(nimp, 0));
    window.assign(n * nwin, 0.0);
    denom.assign(n, 0);
    if (nimp < 0) {
        window.shrink_to_fit();
        denom.shrink_to_fit();
    }
}

void impactor_increment_start() {
    const auto v = records();
    const int n = static_cast<int>(v.extent(2));
    bool carried = false;
    for (int i = 0; i < n; ++i) carried = carried || !(record(v, i)(1) >= 0.0);
    for (int i = 0; i < n; ++i) {
        const Record r = record(v, i);
        if (!carried && !(r(7) > 0.0)) continue;
        if (!carried) r(1) = 0.0;
        r(2) = r(3) = r(13) = 0.0;
    }
}

void impactor_response_end() {
    const auto v = records();
    const int n = static_cast<int>(v.extent(2));
    for (int i = 0; i < n; ++i) {
        const Record r = record(v, i);
        r(14) = r(15) = 0.0;
    }
}

void impactor_impact_end(double dt) {
    const auto v = records();
    const int n = static_cast<int>(v.extent(2));
    if (denom.size() != static_cast<std::size_t>(n)) impactor_window_reset(n);
    for (int i = 0; i < n; ++i) {
        const Record r = record(v, i);
        bool idle = true;
        for (int k = 1; k <= 6; ++k) idle = idle && r(k) == 0.0;
        if (idle) continue;
        const double f = r(1);
        if (r(7) == 0.0) {
            // Never moved: the last force and radius follow the element's, when they are finite
            // (the element carries entry 11 back into entry 1).
            if (!(std::isfinite(f) && std::isfinite(r(2)))) [[unlikely]] {
                report_kept(i, dt, f);
                continue;
            }
            r(11) = f;
            r(12) = r(2);
            continue;
        }
        impact_end(r, dt, i);
    }
}

}  // namespace tvk

// The window is process-wide state; the release empties it (solver/process_state.cpp).
bool tvk::process_state::hooks::impactor_window_empty() { return window.empty() && denom.empty(); }
