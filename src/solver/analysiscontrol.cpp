#include "solver/analysiscontrol.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/datahandling.h"
#include "core/errors.h"
#include "core/modeldata.h"
#include "core/units.h"
#include "elements/elementtables.h"
#include "input/cards.h"
#include "input/iohandling.h"
#include "input/listing.h"
#include "input/listread.h"
#include "mechanics/laminate.h"
#include "solver/hooks.h"
#include "solver/impactormotion.h"
#include "solver/process_state.h"
#include "solver/stepkinds.h"

namespace {

using namespace tvk;
using solver::step_kind;

// Operation codes of the implicit hook.
constexpr int op_start = 0, op_start_alt = 4, op_increment_start = 1, op_increment_end = 2, op_release = 3,
              op_increment_setup = 7;
// The implicit code of each explicit code k = 0..6 (analysis start, step start, increment set-up,
// increment start, increment end, step end, analysis end).
constexpr int explicit_to_implicit[7] = {0, 5, 7, 1, 2, 6, 3};

constexpr std::size_t deck_width = 80;  // deck records are examined in their first 80 characters
constexpr double mintimeincrement = 1e-10;

constexpr const char* no_deck =
    "Cannot process any input file. Execution stops. Please check paths and your input deck format.";
// A start before the release of the earlier analysis: the fault is the missing release, not the deck.
constexpr const char* held = "Error: earlier analysis still held; release it (UEXTERNALDB_IOControl code 3).";

// Step-kind keywords in the order in which they are looked for in a step line's option text.
struct KindWord {
    const char* word;
    int kind;
};
constexpr KindWord kind_words[] = {
    {"TVK_INITIALIZATION", solver::TVK_INITIALIZATION}, {"TVK_FATIGUE", solver::TVK_FATIGUE},
    {"TVK_STRUCTRESPONSE", solver::TVK_STRUCTRESPONSE}, {"TVK_IMPACT", solver::TVK_IMPACT},
    {"TVK_RELAXATION", solver::TVK_RELAXATION},         {"TVK_DIC", solver::TVK_DIC},
};

// A text field of jobdata without trailing blanks and NULs.
std::string field_text(const char (&f)[256]) {
    std::size_t n = strnlen(f, sizeof f);
    while (n > 0 && (f[n - 1] == ' ' || f[n - 1] == '\0')) --n;
    return std::string(f, n);
}

// ---- analysis start --------------------------------------------------------------------------

// One deck record as the scan sees it: head and option text of its first 80 characters.
cards::KeyLine deck_line(std::string_view rec) { return cards::split_keyword(rec.substr(0, std::min(rec.size(), deck_width))); }

bool is_step_line(const cards::KeyLine& l) { return cards::same_text(l.head, "*STEP"); }

bool declares_impact_point(const cards::KeyLine& l) {
    return (cards::same_text(l.head, "*INSTANCE") || is_step_line(l)) &&
           cards::contains_text(l.option, "TVK_SENSORELEMENT");
}

// Reads the deck from its position to its end, calling f on every record; stops at a read
// failure (recorded) and rewinds.
template <class F>
void each_record(int unit, F&& f) {
    for (;;) {
        std::string_view rec;
        const int st = io::read_record(unit, rec);
        if (st == io::end_of_file) break;
        if (st != io::ok) {
            report(-2, "Warning: read error in the input deck in UEXTERNALDB_IOControl.", unit, st);
            break;
        }
        if (!f(rec)) break;
    }
    io::rewind_unit(unit);
}

// Steps 4-7 of the start: step count, step kinds, impact points. Returns the coordinates of
// the impact points, three per point.
std::vector<double> scan_deck(int unit) {
    jobdata.solverid = 1;
    const int lkey = 5;
    const int nsteps = std::max(getnumberofkeywords(&unit, "*Step", &lkey, nullptr, 5), 0);
    jobdata.nsteps = nsteps;
    jobdata.stepid.allocate({nsteps});
    jobdata.stepid.fill(solver::TVK_FATIGUE);

    int step = 0;
    each_record(unit, [&](std::string_view rec) {
        const cards::KeyLine l = deck_line(rec);
        if (!is_step_line(l)) return true;
        ++step;
        for (const KindWord& w : kind_words)
            if (cards::contains_text(l.option, w.word)) {
                if (int* p = jobdata.stepid.at(step)) *p = w.kind;
                break;
            }
        return true;
    });

    int nimp = 0;
    each_record(unit, [&](std::string_view rec) {
        nimp += declares_impact_point(deck_line(rec)) ? 1 : 0;
        return true;
    });
    loaddata.nimp = nimp;
    std::vector<double> xyz(3 * static_cast<std::size_t>(nimp), 0.0);
    if (nimp == 0) return xyz;

    // Second pass: the record after each declaring line holds the point's x, y, z.
    int k = 0;
    bool coordinates_next = false;
    each_record(unit, [&](std::string_view rec) {
        if (coordinates_next) {
            coordinates_next = false;
            int taken = 0;
            double v[3] = {0.0, 0.0, 0.0};
            if (io::read_list(rec, v, 3, &taken) == io::ok && taken == 3)
                std::copy(v, v + 3, xyz.begin() + 3 * (k - 1));
            else
                report(-2, "Warning: impact point coordinates not readable in the input deck.", k);
            return true;
        }
        if (declares_impact_point(deck_line(rec)) && k < nimp) {
            ++k;
            coordinates_next = true;
        }
        return true;
    });
    if (coordinates_next) report(-2, "Warning: impact point coordinates not readable in the input deck.", k);
    return xyz;
}

// Step 8: the contact and sensor records and the force window of nimp impactors. Tables whose
// extents do not fit nimp (left by an earlier analysis or assigned by the host) are re-created.
void create_impactors(const std::vector<double>& xyz) {
    const int nimp = std::max(loaddata.nimp, 0);
    auto& c = impactdata.cprops;
    if (!c.present() || c.extent(1) != 20 || c.extent(2) != nimp) c.allocate({20, nimp});
    c.fill(0.0);
    impactor_window_reset(nimp);
    auto& d = loaddata.dprops;
    if (!d.present() || d.extent(1) != 12 || d.extent(2) != nimp) d.allocate({12, nimp});
    d.fill(0.0);
    for (int i = 1; i <= nimp; ++i) {
        *c.at(6, i) = gravity;
        *c.at(14, i) = i;
        *c.at(15, i) = mintimeincrement;
        for (int j = 0; j < 3; ++j) *d.at(2 + j, i) = xyz[3 * static_cast<std::size_t>(i - 1) + j];
    }
}

// Step 10: the section matrices from the layup and the first nine elastic values of each ply (the
// first temperature block of peprops). Nothing without the section tables of the card; tables
// whose extents do not fit nplies and nsec are left alone with a warning. A ply of some thickness
// without elastic constants (no material block for its id) enters with zero stiffness and is
// reported (level -2).
void build_section_matrices() {
    auto& s = sectiondata;
    const int np = s.nplies, ns = s.nsec;
    if (!s.sefmatrix.present() || !s.sehmatrix.present()) return;
    const auto& mat = materialdata;
    const bool fits = np >= 1 && ns >= 1 && mat.matidlist.extent(1) == np && mat.matidlist.extent(2) == ns &&
                      s.plyorientation.extent(1) == np && s.plyorientation.extent(2) == ns &&
                      s.plythickness.extent(1) == np && s.plythickness.extent(2) == ns &&
                      s.plyzcoord.extent(1) == 2 * np + 1 && s.plyzcoord.extent(2) == ns &&
                      s.sefmatrix.extent(1) == 2 * np + 1 && s.sefmatrix.extent(2) == 4 &&
                      s.sefmatrix.extent(3) == ns && s.sehmatrix.extent(1) == 2 && s.sehmatrix.extent(2) == 2 &&
                      s.sehmatrix.extent(3) == ns;
    if (!fits) {
        report(-2, "Warning: section tables do not fit nplies and nsec; section matrices not built.", np, ns);
        return;
    }
    // plyelastic(9, np, ns): the plies without elastic values stay 0 (the section routines skip
    // empty slots of matidlist and give zero matrices for a layup without stiffness).
    std::vector<double> elastic(9 * static_cast<std::size_t>(np) * ns, 0.0);
    const auto pe = mat.peprops.view();
    int bare_ply = 0, bare_sec = 0;  // the first ply of some thickness without elastic constants
    for (int sec = 1; sec <= ns; ++sec)
        for (int ply = 1; ply <= np; ++ply) {
            double* e = &elastic[9 * (static_cast<std::size_t>(ply - 1) + np * static_cast<std::size_t>(sec - 1))];
            if (pe.has(9, ply, sec))
                for (int k = 1; k <= 9; ++k) e[k - 1] = pe(k, ply, sec);
            if (*mat.matidlist.at(ply, sec) != defint && *s.plythickness.at(ply, sec) > 0.0 && !(e[0] > 0.0) &&
                bare_ply == 0) {
                bare_ply = ply;
                bare_sec = sec;
            }
        }
    if (bare_ply > 0)
        report(-2, "Warning: ply without elastic constants in the section matrices.", bare_ply, bare_sec);
    GetSectionFMatrix(s.sefmatrix.data(), mat.matidlist.data(), s.plyorientation.data(), s.plythickness.data(),
                      s.plyzcoord.data(), elastic.data(), &np, &ns, nullptr);
    GetSectionHMatrix(s.sehmatrix.data(), mat.matidlist.data(), s.plyorientation.data(), s.plythickness.data(),
                      elastic.data(), &np, &ns, nullptr, nullptr);
}

// An analysis is held from its start to its release: its step kinds exist.
bool analysis_held() { return jobdata.stepid.present(); }

void analysis_start() {
    // A start before the release is refused before anything is touched: resetting the counts and
    // reading the cards would leave the held analysis with counts and card rows of the new deck.
    if (analysis_held()) {
        report(-3, held, jobdata.nsteps);
        return;
    }
    const int first = 1, last = 120;
    const int unit = GetFreeUnitNumber(&first, &last);
    process_state::analysis_start();  // nimp 0, ndmg 0, nsec 1, nplies 1, nupdate 1

    std::string filepath = job_file(".pes");
    int st = io::open_read(unit, filepath);
    if (st != io::ok) filepath = job_file(".inp");
    io::close_unit(unit);
    st = io::open_read(unit, filepath);
    if (st != io::ok) {
        io::close_unit(unit);
        report(-3, no_deck);
    } else {
        const std::vector<double> xyz = scan_deck(unit);
        io::close_unit(unit);
        create_impactors(xyz);
    }

    const std::string outdir = field_text(jobdata.joboutdir);
    const char* fp = filepath.c_str();
    const char* ws = outdir.c_str();
    const std::size_t lf = filepath.size(), lw = outdir.size();
    const int nsteps = jobdata.nsteps;
    getstepdatafromfile(fp, ws, &nsteps, lf, lw);
    getsectiondatafromfile(fp, ws, lf, lw);
    const int nplies = sectiondata.nplies, nsec = sectiondata.nsec;
    getmaterialdatafromfile(fp, ws, &nplies, &nsec, lf, lw);
    const int np2 = sectiondata.nplies, ns2 = sectiondata.nsec;
    getdamagedatafromfile(fp, ws, &np2, &ns2, lf, lw);
    build_section_matrices();
}

// ---- increment start -------------------------------------------------------------------------

// Elements 1..n of the kind table that the element count covers.
int counted_elements() { return std::clamp(elementdata.nelem, 0, elementdata.elemkind.extent(1)); }

bool some_element(bool (*pred)(int)) {
    const int n = counted_elements();
    for (int e = 1; e <= n; ++e)
        if (pred(*elementdata.elemkind.at(e))) return true;
    return false;
}
bool is_solid_kind(int k) { return k > 9; }                         // SC8 or C3D*
bool is_shell_kind(int k) { return (k >= 1 && k <= 5) || k == 8; }  // S4 .. S8R5, STRI
bool is_four_node_shell(int k) { return k >= 1 && k <= 3; }         // S4, S4R, S4R5

int largest_section_point() {
    const auto& t = sectiondata.nsectionpoints;
    int nsp = 0;
    for (int e = 1; e <= t.extent(1); ++e) nsp = std::max(nsp, *t.at(e));
    return nsp;
}

bool kind_with_section_points(int kind) { return kind == solver::TVK_FATIGUE || kind == solver::TVK_IMPACT; }

// Step 3 of the increment start; false when the increment-start work ends here.
bool create_section_point_tables(int kstep) {
    auto& s = sectiondata;
    if (!elementdata.elemkind.present() || !s.nsectionpoints.present() || s.sestress.present() || kstep <= 1 ||
        !kind_with_section_points(step_kind(kstep)))
        return true;
    const int nelem = std::max(elementdata.nelem, 0);
    const int npt = some_element(is_solid_kind) ? 27 : 4;
    const std::int64_t rows = static_cast<std::int64_t>(largest_section_point()) * std::max(s.nplies, 0);
    s.sestress.allocate({6, rows, npt, nelem});
    if (nelem < 1 || !some_element(is_shell_kind)) return false;
    // created zero-filled where absent, zeroed where present
    if (!s.tnormalstress.create_if_absent({s.plyzcoord.extent(1), nelem})) s.tnormalstress.fill(0.0);
    if (!s.tshearstress.create_if_absent({rows, 2, 4, nelem})) s.tshearstress.fill(0.0);
    return true;
}

// The second word of a record as a free-format read takes it: a record of one word continues on
// the next. The file may end right after the record (the solver is still appending to it), so a
// third word is not needed; false where the list or the file ends before a second word. Records
// are read as get2nextkey reads them (without a byte-order mark at the start of the file).
bool second_word(int unit, std::string& word) {
    cards::Cursor c(unit);
    int n = 0;
    for (;;) {
        std::string_view rec;
        if (c.read(rec) != io::ok) return false;
        io::ListScanner sc(rec);
        io::ListItem item;
        while (sc.next(item)) {
            if (++n < 2) continue;
            word = item.null ? std::string() : std::string(item.text.substr(0, 256));
            return true;
        }
        if (sc.slashed()) return false;
    }
}

// Step 4: the cycle number of a fatigue step from the last CYCLE record of the message file.
void read_cycle_number(int kstep) {
    auto& sd = shokriehdata;
    if (!sd.cycles.present() || !sd.cycleprops.present() || step_kind(kstep) != solver::TVK_FATIGUE) return;
    const int first = 1, last = 120;
    const int unit = GetFreeUnitNumber(&first, &last);
    const bool open = io::open_read(unit, job_file(".msg")) == io::ok;
    io::UnitGuard msg(open ? unit : -1);
    if (sd.cycleprops.get(0.0, 3, kstep) != 5.0) return;
    double* cycle = sd.cycles.at(1, kstep);
    if (!cycle) {
        report(-2, "Warning: no cycle number entry for the step in UEXTERNALDB_IOControl.", kstep);
        return;
    }
    if (!open) {  // no message file (yet): as a file without a CYCLE record
        *cycle = std::max(*cycle, 1.0);
        return;
    }
    const int no = 0, back = -1, lkey = 5, keep = 1;
    const int n = GetFileLength(&unit, &no);
    std::string word;
    if (get2nextkey(&unit, &back, "CYCLE", &lkey, &n, &keep, 5)) {
        double v = 0.0;
        if (!second_word(unit, word)) {
            report(-2, "Warning: CYCLE record of the message file without a cycle number.", kstep);
        } else if (io::parse_real(word, v) == io::ok && std::isfinite(v) && v > 0.0) {
            *cycle = v;
            return;
        } else if (io::parse_real(word, v) == io::ok && std::isfinite(v)) {
            report(-2, "Warning: cycle number in the message file is not positive.", kstep, 0, v);
        } else {
            report(-2, "Warning: cycle number in the message file is not a number.", kstep);
        }
    }
    *cycle = std::max(*cycle, 1.0);
}

void increment_start(int kstep) {
    if (impactdata.cprops.present() && step_kind(kstep) == solver::TVK_IMPACT) impactor_increment_start();
    const int nelem = std::max(elementdata.nelem, 0);
    if (elementdata.elemkind.present() && some_element(is_solid_kind) && !elementdata.elemlength.present()) {
        elementdata.elemlength.allocate({3, nelem});
        elementdata.elemlength.fill(-1.0);
    }
    if (!create_section_point_tables(kstep)) return;
    read_cycle_number(kstep);
}

// ---- increment end ---------------------------------------------------------------------------

void zero_accumulators() {
    if (sectiondata.tnormalstress.present()) sectiondata.tnormalstress.fill(0.0);
    if (sectiondata.tshearstress.present()) sectiondata.tshearstress.fill(0.0);
}

void increment_end(double dtime, int kstep, int kinc, bool exflag) {
    if (impactdata.cprops.present()) {
        const int kind = step_kind(kstep);
        if (kind == solver::TVK_STRUCTRESPONSE) impactor_response_end();
        else if (kind == solver::TVK_IMPACT) impactor_impact_end(dtime);
    }
    if (exflag && !update_due(kinc)) return;
    zero_accumulators();
    const auto& nm = nodaldata.nodesmotion;
    if (!nm.present() || !elementdata.elemkind.present()) return;
    const auto v = nm.view();
    const int nslots = static_cast<int>(v.extent(2));
    for (int e = 1; e <= v.extent(3); ++e) {
        const int* kind = elementdata.elemkind.at(e);
        if (!kind || !is_four_node_shell(*kind)) continue;
        for (int m = 5; m <= nslots; ++m)
            for (auto& x : v.column(m, e)) x = 0.0;
    }
}

// ---- the hooks ---------------------------------------------------------------------------------

void control(int lop, double dtime, int kstep, int kinc, bool exflag) {
    switch (lop) {
        case op_start:
        case op_start_alt:
            analysis_start();
            break;
        case op_increment_start:
            if (!exflag) increment_start(kstep);
            break;
        case op_increment_setup:
            increment_start(kstep);
            break;
        case op_increment_end:
            increment_end(dtime, kstep, kinc, exflag);
            break;
        case op_release:
            process_state::release();
            break;
        default:
            break;
    }
}

void uexternaldb_law(const solver::Uexternaldb& a) { control(a.lop, a.dtime, a.kstep, a.kinc, a.exflag == 1); }

void vuexternaldb_law(const solver::Vuexternaldb& a) {
    if (a.niarray < 4 || a.nrarray < 3) {
        report(-3, "VUEXTERNALDB_IOControl needs 4 integer and 3 real record entries.", a.niarray, a.nrarray);
        return;
    }
    const int k = a.k;
    if (k < 0 || k > 6) return;
    const int kstep = a.i_array[2], kinc = a.i_array[3];
    const double dtime = a.r_array[2];
    auto forward = [&] { control(explicit_to_implicit[k], dtime, kstep, kinc, true); };
    if (a.mpi_rank != 0) {
        if (!jobdata.stepid.present() || (k != 4 && k != 5)) return;
        forward();
    } else {
        if (k == 1) {
            jobdata.stepcount = std::max(jobdata.stepcount, kstep);
            forward();
            return;
        }
        // A start refused because an analysis is held leaves its element and node tables too.
        const bool refused_start = k == 0 && analysis_held();
        forward();
        if (k == 0) {
            if (refused_start) return;
            const std::string listing = job_file(".dat");
            getabqdatafromfile(listing.c_str(), listing.size());
            return;
        }
    }
    if (k == 5 && kstep > 0 && jobdata.stepid.present() && jobdata.stepid.get(-1, kstep) == solver::TVK_INITIALIZATION) {
        int nshell = 0, ierror = 0;
        const int ind = 1;
        GetElementReferenceData(&nshell, &ierror, &ind);
    }
}

void uaccess_law(const solver::Uaccess& a) {
    if (a.lop == 2) {
        zero_accumulators();
    } else if (a.lop == 3) {
        int istat = 0;
        deallocall(&istat);
    }
}

}  // namespace

TVK_SOLVER_ENTRY(Uexternaldb, UEXTERNALDB_IOControl, uexternaldb_law)
TVK_SOLVER_ENTRY(Vuexternaldb, VUEXTERNALDB_IOControl, vuexternaldb_law)
TVK_SOLVER_ENTRY(Uaccess, UACCESS_IOControl, uaccess_law)
