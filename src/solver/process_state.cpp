// The list of the library's process-wide state and the start and release work done from it.
#include "process_state.h"

#include "umat_hail.h"

#include <array>
#include <cstring>

#include "core/datahandling.h"
#include "core/errors.h"
#include "core/lists.h"
#include "core/modeldata.h"
#include "elements/elementtables.h"
#include "impactormotion.h"
#include "core/units.h"
#include "pchip/xermsg.h"

namespace tvk::process_state {

namespace {

// ---- start and release work of the entries -----------------------------------------------------

// The counters that the analysis-control start sets before it scans the deck.
void start_debug() { debugdata.nupdate = 1; }
void start_sections() { sectiondata.nsec = sectiondata.nplies = 1; }
void start_loads() { loaddata.nimp = 0; }
void start_damage() { damagedata.ndmg = 0; }

// The nine growable lists.
std::array<TableBase*, 9> lists() {
    auto& l = listhandling;
    return {&l.dynintlist1, &l.dynintlist2, &l.dynintlist3, &l.dynreallist1, &l.dynreallist2,
            &l.dynreallist3, &l.dyncmplxlist1, &l.dyncmplxlist2, &l.dyncmplxlist3};
}
void release_lists() {
    for (TableBase* t : lists()) t->release();
}
bool lists_released() {
    for (const TableBase* t : lists())
        if (t->present()) return false;
    return true;
}

void close_units() {
    for (int u : io::open_units()) io::close_unit(u);
}
bool units_closed() { return io::open_units().empty(); }

void release_window() { impactor_window_reset(-1); }
void release_local_marker() { elements::clear_coords_local(); }
void clear_last_error() { pchip::j4save(1, 0, true); }
bool last_error_clear() { return pchip::j4save(1, 0, false) == 0; }

using A = Action;

// ---- the list ----------------------------------------------------------------------------------
// clang-format off
constexpr Entry list[] = {
    // Model-data modules (core/modeldata.h): release frees the tables each list marks `freed`.
    {"tvk::jobdata", A::keep, A::tables, nullptr, nullptr, nullptr,
     "job identity, step plan; stepid tells analysis start that an analysis is running"},
    {"tvk::debugdata", A::counters, A::keep, start_debug, nullptr, nullptr,
     "trace settings; nupdate 1 at start"},
    {"tvk::materialdata", A::keep, A::tables, nullptr, nullptr, nullptr,
     "material tables per ply and section, temperature axis, resin calibration"},
    {"tvk::sectiondata", A::counters, A::tables, start_sections, nullptr, nullptr,
     "section layups, section-point stresses; nsec and nplies 1 at start"},
    {"tvk::nodaldata", A::keep, A::tables, nullptr, nullptr, nullptr, "nodal coordinates and motions"},
    {"tvk::elementdata", A::keep, A::tables, nullptr, nullptr, nullptr, "element list and reference data"},
    {"tvk::impactdata", A::keep, A::tables, nullptr, nullptr, nullptr, "impactor contact records"},
    {"tvk::loaddata", A::counters, A::tables, start_loads, nullptr, nullptr,
     "sensor records; nimp 0 at start"},
    {"tvk::damagedata", A::counters, A::tables, start_damage, nullptr, nullptr,
     "damage data sets; ndmg 0 at start"},
    {"tvk::bukdata", A::keep, A::tables, nullptr, nullptr, nullptr, "sublaminate buckling records"},
    {"tvk::shokriehdata", A::keep, A::tables, nullptr, nullptr, nullptr, "fatigue cycle plan"},
    // Solver hooks.
    {"tvk::(anonymous namespace)::window", A::keep, A::reset, nullptr, release_window,
     hooks::impactor_window_empty, "impactor force window (solver/impactormotion.cpp)"},
    {"tvk::(anonymous namespace)::denom", A::keep, A::reset, nullptr, release_window,
     hooks::impactor_window_empty, "fill counts of the impactor force window"},
    {"tvk::elements::(anonymous namespace)::local_block", A::keep, A::reset, nullptr, release_local_marker,
     hooks::coords_local_marker_clear, "the nodal coordinates already turned local (holds their storage)"},
    {"(anonymous namespace)::cutoff_latch", A::keep, A::reset, nullptr,
     tvk::solver::reset_umat_hail_cutoff, tvk::solver::umat_hail_cutoff_clear,
     "largest stress magnitude of the plasticity material's plane-stress cut-off (solver/umat_hail.cpp)"},
    // Shared services.
    {"tvk_listhandling", A::keep, A::reset, nullptr, release_lists, lists_released,
     "the nine growable lists (core/lists.h)"},
    {"tvk::io::(anonymous namespace)::table", A::keep, A::reset, nullptr, close_units, units_closed,
     "unit table: files still connected are closed at release"},
    {"tvk::(anonymous namespace)::kept_records", A::keep, A::keep, nullptr, nullptr, nullptr,
     "the error records the Python module has handed out (core/errors.cpp), kept for the life of "
     "the process; the host reads a thread's record after the release and clears it with rsxerr"},
    {"tvk::host::(anonymous namespace)::before_stop", A::keep, A::keep, nullptr, nullptr, nullptr,
     "the host's hook before the process ends, installed once per process"},
    {"tvk::host::(anonymous namespace)::stopping", A::keep, A::keep, nullptr, nullptr, nullptr,
     "set once the process is ending"},
    // Cubic Hermite package (pchip/xermsg.cpp, pchip/utilities.cpp).
    {"tvk::pchip::(anonymous namespace)::settings", A::keep, A::reset, nullptr, clear_last_error,
     last_error_clear, "j4save store: setting 1, the last error number, is cleared at release"},
    {"tvk::pchip::(anonymous namespace)::settings", A::keep, A::keep, nullptr, nullptr, nullptr,
     "j4save store: settings 2-9, the error control flags and units the host chose"},
    {"tvk::pchip::(anonymous namespace)::table", A::keep, A::reset, nullptr, hooks::clear_hermite_message_table,
     hooks::hermite_message_table_empty, "xersve table of distinct messages and their counts"},
    {"tvk::pchip::(anonymous namespace)::nmsg", A::keep, A::reset, nullptr, hooks::clear_hermite_message_table,
     hooks::hermite_message_table_empty, "entries of the xersve table"},
    {"tvk::pchip::(anonymous namespace)::kountx", A::keep, A::reset, nullptr, hooks::clear_hermite_message_table,
     hooks::hermite_message_table_empty, "messages that found no free xersve entry"},
    {"tvk::pchip::(anonymous namespace)::rand_ix0", A::keep, A::keep, nullptr, nullptr, nullptr,
     "test-function generator of the quick checks; its callers seed it"},
    {"tvk::pchip::(anonymous namespace)::rand_ix1", A::keep, A::keep, nullptr, nullptr, nullptr,
     "second half of the generator state"},
    // Box-beam calculator: a separate series of calculations that box_initialize starts; the
    // records are the host's interface and their arrays may be the host's, so nothing here
    // touches them.
    {"path", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam report paths"},
    {"steuer", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam output control"},
    {"restr", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam capacities"},
    {"spanug", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam section loads"},
    {"gurt", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam booms"},
    {"wand", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam walls"},
    {"zelle", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam cells"},
    {"kraft", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam wall results"},
    {"epigam", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam strains"},
    {"quer", A::keep, A::keep, nullptr, nullptr, nullptr, "box-beam section results"},
    {"tvk::boxbeam::(anonymous namespace)::spare_arrays", A::keep, A::keep, nullptr, nullptr, nullptr,
     "box-beam work arrays kept for the next calculation (their memory only, no results)"},
    {"tvk::boxbeam::(anonymous namespace)::alloc_message", A::keep, A::keep, nullptr, nullptr, nullptr,
     "text of a failed box-beam allocation, cleared at each box_initialize"},
    // Set up once and never changed afterwards: not state of an analysis.
    {"tvk::boxbeam::(anonymous namespace)::f_*", A::keep, A::keep, nullptr, nullptr, nullptr,
     "box-beam report formats, built at load"},
    {"(anonymous namespace)::routine_rules", A::keep, A::keep, nullptr, nullptr, nullptr,
     "the solver routines known to the adapters by address (solver/adapters.cpp), listed at load"},
    {"*_rules_entry", A::keep, A::keep, nullptr, nullptr, nullptr,
     "one solver routine's entry in that list, with the rules of its results"},
    {"getgausspointreport::*", A::keep, A::keep, nullptr, nullptr, nullptr,
     "Gauss-point report formats, built at first use"},
    {"tvk::io::(anonymous namespace)::c_locale()::loc", A::keep, A::keep, nullptr, nullptr, nullptr,
     "C locale handle of the number reader, made at first use"},
    {"(anonymous namespace)::basis()::b", A::keep, A::keep, nullptr, nullptr, nullptr,
     "Ritz basis table of the elliptical delamination, built at first use"},
    {"(anonymous namespace)::moments()::m", A::keep, A::keep, nullptr, nullptr, nullptr,
     "Ritz moment table, built at first use"},
    {"(anonymous namespace)::dsyev_lwork", A::keep, A::keep, nullptr, nullptr, nullptr,
     "cache of LAPACK workspace queries by order (same answer every time)"},
    {"(anonymous namespace)::dsytrd_lwork", A::keep, A::keep, nullptr, nullptr, nullptr,
     "cache of LAPACK workspace queries by order"},
    {"tvk::pchip::quick_check3<*::words", A::keep, A::keep, nullptr, nullptr, nullptr,
     "verdict words of the quick-check tables, never written"},
};
// clang-format on

bool tables_released(const char* module) {
    for (const VarDesc& v : modeldata_variables())
        if (v.freed && std::strcmp(v.module, module) == 0 && v.table()->present()) return false;
    return true;
}

// The module name of a model-data entry ("tvk::jobdata" -> "jobdata").
const char* module_of(const Entry& e) { return e.symbol + 5; }

}  // namespace

std::span<const Entry> entries() { return list; }

void analysis_start() {
    for (const Entry& e : list)
        if ((e.start == Action::reset || e.start == Action::counters) && e.on_start) e.on_start();
}

void release() {
    void (*done[std::size(list)])() = {};
    std::size_t ndone = 0;
    bool tables = false;
    for (const Entry& e : list) {
        if (e.release == Action::tables) tables = true;
        if (e.release != Action::reset || !e.on_release) continue;
        bool seen = false;  // entries that share their work do it once
        for (std::size_t k = 0; k < ndone; ++k) seen = seen || done[k] == e.on_release;
        if (seen) continue;
        done[ndone++] = e.on_release;
        e.on_release();
    }
    if (tables) {
        int istat = 0;
        deallocall(&istat);
    }
}

bool released() {
    for (const Entry& e : list) {
        if (e.release == Action::reset && !(e.released && e.released())) return false;
        if (e.release == Action::tables && !tables_released(module_of(e))) return false;
    }
    return true;
}

}  // namespace tvk::process_state
