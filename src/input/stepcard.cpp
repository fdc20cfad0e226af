// Step card reader: trace and update settings (debugdata) and the cycle plan of cyclic steps
// (shokriehdata cycleprops and cycles).
//
// The trace and update settings of a step block are held as pending values and applied at
// "++End Step"; the cycle plan is one table of `rows` values per step, filled column by column.
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "cards.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/units.h"
#include "iohandling.h"

namespace {

using namespace tvk;
using cards::same_text;

constexpr const char* reader = "getstepdatafromfile";
// Largest cycle-list length accepted from a plan's row 6 (80 MB per step).
constexpr double max_cycle_rows = 1.0e7;

struct Pending {
    bool update = false, edebug = false, ndebug = false, fdebug = false, verbose = false;
    int nupdate = 0, edebug_v = 0, ndebug_v = 0, fdebug_v = 0, verbose_v = 0, unitid = -3;
};

// Reads an integer block; false when it is empty or could not be read (the read is reported).
bool int_block(cards::Cursor& c, std::vector<int>& v) { return cards::read_data(c, v) && !v.empty(); }

// "+Debug": one integer.
void debug_value(cards::Cursor& c, bool& flag, int& value) {
    std::vector<int> v;
    if (!int_block(c, v)) return;
    if (v.size() > 1) cards::outside_table(reader);
    flag = true;
    value = v[0];
}

// The general plan: the block's values column by column into cycleprops(rows, nsteps).
void cycle_plan(cards::Cursor& c, int nsteps) {
    std::vector<double> v;
    if (!cards::read_data(c, v)) return;
    const int rows = static_cast<int>(v.size()) / nsteps;
    auto& plan = shokriehdata.cycleprops;
    // A plan met while one exists (a second plan, or one left from an earlier read) replaces it;
    // the table keeps its memory when the shape is the same.
    if (plan.present()) {
        report(-1, "Note: cycle plan replaced in getstepdatafromfile.");
        if (plan.extent(1) != rows || plan.extent(2) != nsteps) plan.release();
    }
    if (!plan.present()) cards::create(plan, {rows, nsteps});
    double* p = plan.data();
    const std::size_t n = static_cast<std::size_t>(rows) * static_cast<std::size_t>(nsteps);
    for (std::size_t k = 0; k < n; ++k) p[k] = v[k];
    if (v.size() > n) cards::outside_table(reader);  // values beyond rows x nsteps
}

// "TYPE=INDIVIDUAL": the block's values from cycles(1, s) on, s the first step whose jump
// algorithm (row 3) is 3 or more; later such steps meet the block's ending record.
void individual_cycles(cards::Cursor& c, int nsteps) {
    const auto& plan = shokriehdata.cycleprops;
    if (plan.extent(1) < 6) {
        report(-2, "Warning: cycle plan without row 6 in getstepdatafromfile.");
        return;
    }
    const int nplan = std::min(nsteps, plan.extent(2));
    double top = 0.0;
    for (int s = 1; s <= nplan; ++s) top = std::max(top, *plan.at(6, s));
    const double nmax = std::round(top);
    if (!(nmax <= max_cycle_rows)) {
        report(-2, "Warning: cycle count of the plan too large in getstepdatafromfile.");
        return;
    }
    auto& cycles = shokriehdata.cycles;
    if (!cycles.present()) cards::create(cycles, {static_cast<std::int64_t>(nmax), nsteps});
    const std::size_t size = static_cast<std::size_t>(cycles.size());
    for (int s = 1; s <= nplan; ++s) {
        if (!(*plan.at(3, s) >= 3.0)) continue;
        std::vector<double> v;
        if (!cards::read_data(c, v)) return;
        const std::size_t first = static_cast<std::size_t>(s - 1) * static_cast<std::size_t>(cycles.extent(1));
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (first + k >= size) {
                cards::outside_table(reader);
                break;
            }
            cycles.data()[first + k] = v[k];
        }
    }
}

void apply(Pending& p) {
    if (p.update) debugdata.nupdate = p.nupdate;
    if (p.edebug) debugdata.edebug = p.edebug_v;
    if (p.ndebug) debugdata.ndebug = p.ndebug_v;
    if (p.fdebug) debugdata.fdebug = p.fdebug_v;
    if (p.verbose) {
        debugdata.verbose = p.verbose_v;
        debugdata.unitid = p.unitid;
    }
    p = Pending{};
}

}  // namespace

TVK_API void getstepdatafromfile(const char* filepath, const char* workspace, const int* nsteps,
                                 std::size_t lfilepath, std::size_t lworkspace) {
    const int unit = cards::open_card({filepath, lfilepath}, {workspace, lworkspace}, "StepCard.tvk",
                                    "getstepdatafromfile");
    if (unit < 0) return;
    io::UnitGuard guard(unit);
    cards::Cursor cur(unit);
    debugdata.fdebug = 0;
    debugdata.nupdate = 1;
    debugdata.edebug = 0;
    debugdata.ndebug = 0;
    debugdata.verbose = 0;
    debugdata.unitid = -3;

    Pending pend;
    bool inblock = false;
    std::string tight;  // an option text with its blanks around "=" removed
    try {
        for (;;) {
            std::string_view rec;
            if (cards::read_keyword(cur, rec) != io::ok) break;
            if (rec.empty() || rec[0] != '+') continue;  // every head begins with "+"
            const auto [head, written] = cards::split_keyword(rec);
            const std::string_view option = cards::tight_option(written, tight);
            const bool no_option = cards::blank_text(option);
            if (same_text(head, "++Begin Step")) {
                inblock = true;
            } else if (same_text(head, "+Debug") && inblock && same_text(option, "TYPE=ELEMENT")) {
                debug_value(cur, pend.edebug, pend.edebug_v);
            } else if (same_text(head, "+Debug") && inblock && same_text(option, "TYPE=NODAL")) {
                debug_value(cur, pend.ndebug, pend.ndebug_v);
            } else if (same_text(head, "+Debug") && inblock && same_text(option, "TYPE=FILE")) {
                debug_value(cur, pend.fdebug, pend.fdebug_v);
            } else if (same_text(head, "+Verbose") && inblock) {
                std::vector<int> v;
                if (int_block(cur, v)) {
                    pend.verbose = true;
                    pend.verbose_v = v[0];
                    pend.unitid = v.size() > 1 ? v[1] : -3;
                }
            } else if (same_text(head, "+Update") && (no_option || (inblock && same_text(option, "TYPE=INC")))) {
                std::vector<int> v;
                if (int_block(cur, v)) {
                    pend.update = true;
                    pend.nupdate = v[0];
                }
            } else if (same_text(head, "+Cycle") && (no_option || (inblock && (cards::contains_text(option, "TYPE=GENERAL") ||
                                                                                same_text(option, "TYPE=INDIVIDUAL") ||
                                                                                same_text(option, "TYPE=DIRECT"))))) {
                if (*nsteps < 1) {
                    report(-2, "Warning: cycle plan needs nsteps >= 1 in getstepdatafromfile.");
                } else if (same_text(option, "TYPE=INDIVIDUAL")) {
                    individual_cycles(cur, *nsteps);
                } else {
                    if (same_text(option, "TYPE=DIRECT") && !shokriehdata.cycles.present()) {
                        cards::create(shokriehdata.cycles, {1, *nsteps});
                        shokriehdata.cycles.fill(1.0);
                    }
                    cycle_plan(cur, *nsteps);
                }
            } else if (same_text(head, "++End Step")) {
                apply(pend);
                inblock = false;
            }
        }
    } catch (const std::bad_alloc&) {
        cards::too_large(reader);
    }
}
