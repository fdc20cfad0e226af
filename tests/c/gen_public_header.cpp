// Writes the public C header include/tolvek.h: every solver entry point of the library as a plain
// C prototype, written from its interface's argument list, and the error-record functions.
//
// The entries are not listed here. TVK_SOLVER_DECLARE and TVK_SOLVER_DECLARE_ADAPTER are
// redefined below, before the headers of src/solver are included (all of them, through the list
// the build writes into tvk_solver_headers.h), so that each declaration both declares the routine
// as usual and records its name and interface. The prototype of a routine is its interface's
// ArgSpec table: f8 double, i4 and l4 int, s80 char; `in` and `opt` pointers to const; the length
// of every text argument as a size_t after the last argument. tests/cpp/test_public_header.cpp
// compiles the header against the library's own declarations, so a type written here that differs
// from the interface's function type does not compile.
//
//   tvk_public_header FILE           writes the header to FILE
//   tvk_public_header --check FILE   exits 1, naming the first differing line, unless FILE holds
//                                    exactly the header written from the current lists
#include "solver/interface.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace gen {

using Args = std::span<const ::tvk::solver::ArgSpec>;

// A declared entry: its interface and, for an adapter, the interface of the routine it takes.
struct Entry {
    std::string_view iface, name, proc;
    Args args, proc_args;
};

std::vector<Entry>& entries() {
    static std::vector<Entry> list;
    return list;
}

bool record(const Entry& e) {
    entries().push_back(e);
    return true;
}

}  // namespace gen

#undef TVK_SOLVER_DECLARE
#undef TVK_SOLVER_DECLARE_ADAPTER
#define TVK_SOLVER_DECLARE(Iface, cname)    \
    TVK_API ::tvk::solver::Iface::Fn cname; \
    [[maybe_unused]] static const bool cname##_recorded = gen::record({#Iface, #cname, {}, ::tvk::solver::Iface::args, {}})
#define TVK_SOLVER_DECLARE_ADAPTER(Proc, Iface, cname)                                              \
    TVK_API void cname(::tvk::solver::Proc::Fn* dfunc TVK_SOLVER_ADAPTER_PARAMS(Iface));            \
    [[maybe_unused]] static const bool cname##_recorded =                                           \
        gen::record({#Iface, #cname, #Proc, ::tvk::solver::Iface::args, ::tvk::solver::Proc::args})

#include "tvk_solver_headers.h"

namespace gen {

// A group of prototypes under one comment. `keys` name the interfaces whose entries it holds
// (an adapter's key is "Proc>Iface"); every entry of a group has the same argument list.
struct Group {
    std::vector<std::string_view> keys;
    std::string_view title, text;
};

// The routine types the adapters take, by interface.
struct RoutineType {
    std::string_view iface, type_name, title, text;
};

const RoutineType routine_types[] = {
    {"UmatProc", "tvk_umat_routine", "Routine an adapter takes: UMAT",
     "A material routine with the UMAT argument list: a library routine such as umat_lamina, or the "
     "host's own."},
    {"UsermatProc", "tvk_usermat_routine", "Routine an adapter takes: USERMAT",
     "A material routine with the USERMAT argument list."},
    {"MuesliProc", "tvk_muesli_routine", "Routine an adapter takes: UMAT headed by a material id",
     "A material routine with the UMAT argument list headed by a material id."},
};

const Group groups[] = {
    {{"Umat", "UmatShokrieh", "UmatProny", "UmatResin", "UmatInPlace"},
     "Abaqus/Standard UMAT: one material point",
     "Stress and strain vectors in Nye order (11, 22, 33, 12, 13, 23; reduced states by ndi and nshr), "
     "engineering shear strains; materl the 80-character material name."},
    {{"UmatNoStep"},
     "UMAT without the step record",
     "The UMAT list without jstep: kinc follows kspt directly."},
    {{"UmatSensor"},
     "UMAT without the step record, with the impactor's records",
     "The UMAT list without jstep, followed by the step kind, the impactor's contact record and its "
     "sensor record."},
    {{"Vumat"},
     "Abaqus/Explicit VUMAT: a block of nblock material points",
     "Block arrays are (nblock, ...), column-major; stress and strain in cyclic order (11, 22, 33, 12, 23, "
     "13), tensor shear strains; cmname the 80-character material name."},
    {{"VumatPlaneStrain"},
     "VUMAT that returns the through-thickness strain increment",
     "The VUMAT list; a plane-stress point gets its through-thickness strain increment written into "
     "straininc."},
    {{"VumatSensor"},
     "VUMAT with the impactor's records",
     "The VUMAT list (straininc written as above), followed by the step kind, the impactor's contact "
     "record and its sensor record."},
    {{"Usermat"},
     "ANSYS USERMAT: one material point",
     "Stress and strain in cyclic order (11, 22, 33, 12, 23, 13); keycut 1 asks for a smaller increment."},
    {{"Upermat"},
     "Peridigm user material: a block of npoint points",
     "Block arrays are (npoint, ...), column-major."},
    {{"Hypela2"},
     "MSC Marc HYPELA2: one integration point",
     "cdata the 80-character text data of the material; error_code 0 on success."},
    {{"Usdfld"},
     "Abaqus/Standard USDFLD: field variables of one material point",
     "cmname and orname the 80-character material and orientation names."},
    {{"Vusdfld"},
     "Abaqus/Explicit VUSDFLD: field variables of a block of nblock points",
     "Block arrays are (nblock, ...), column-major."},
    {{"Uel"},
     "Abaqus/Standard UEL: one user element",
     "The distributed loads are one column of mdload entries; lflags the five load flags the solver "
     "passes."},
    {{"UelImpact"},
     "UEL with the impactor's contact record",
     "The UEL list followed by the contact record of the element's impactor."},
    {{"Vuel"},
     "Abaqus/Explicit VUEL: a block of nblock user elements",
     "Block arrays are (nblock, ...), column-major."},
    {{"VuelImpact"},
     "VUEL with the impactor's contact record",
     "The VUEL list followed by the contact record of the elements' impactor."},
    {{"Dsload"},
     "Distributed surface load of the impactors",
     "cprops(20, k) and dprops(12, k) the contact and load records of impactor k."},
    {{"Deload"},
     "Edge or face load of the impactors a set names",
     "sname the 80-character set name."},
    {{"Cload"},
     "Concentrated force of a node set",
     "sname the 80-character set name."},
    {{"Camplitude"},
     "Amplitude of a table",
     "xydata = (x(1..n), y(1..n)); skip a 4-byte logical."},
    {{"Chysteresis"},
     "Amplitude with a branch history",
     "passed the branch history the caller keeps between calls."},
    {{"Uexternaldb"},
     "Analysis control of the implicit solver",
     "lop the operation code."},
    {{"Vuexternaldb"},
     "Analysis control of the explicit solver",
     "k the operation code."},
    {{"Uaccess"}, "Access hook", "lop the operation code."},
    {{"Uvarm"},
     "Abaqus/Standard UVARM: output variables of one material point",
     "cmname and orname the 80-character material and orientation names."},
    {{"Vdisp"},
     "Abaqus/Explicit VDISP: prescribed motion of a block of nblock nodes",
     "cbname the 80-character boundary-condition name."},
    {{"Mpc"}, "Abaqus/Standard MPC: a multi-point constraint", "n nodes with mdof degrees of freedom each."},
    {{"Sdvini"}, "Abaqus/Standard SDVINI: initial state variables of one material point", ""},
    {{"Vucharlength"},
     "Abaqus/Explicit VUCHARLENGTH: characteristic lengths of a block of nblock points",
     "Block arrays are (nblock, ...), column-major; cmname the 80-character material name."},
    {{"Hetval", "HetvalProny"},
     "Abaqus/Standard HETVAL: heat generation of one material point",
     "statev, predef and dpred are of a length the solver does not pass (*); the cure routine reads and "
     "writes the first four state variables."},
    {{"Uexpan", "UexpanProny"},
     "Abaqus/Standard UEXPAN: thermal expansion of one material point",
     "cmname the 80-character material name."},
    {{"UmatProc>Usermat"},
     "Adapter: a UMAT routine serving the ANSYS USERMAT list",
     "dfunc the routine; the other arguments are those of the USERMAT list."},
    {{"UmatProc>Upermat"},
     "Adapter: a UMAT routine serving the Peridigm list",
     "dfunc the routine; the other arguments are those of the Peridigm list."},
    {{"UsermatProc>UmatUpdated"},
     "Adapter: a USERMAT routine serving the UMAT list",
     "dfunc the routine; the other arguments are those of the UMAT list."},
    {{"MuesliProc>UmatWithId"},
     "Adapter: a UMAT routine headed by a material id, serving the UMAT list",
     "dfunc the routine; the other arguments are those of the UMAT list, followed by the material id."},
};

std::string_view ctype(std::string_view type) {
    if (type == "f8") return "double";
    if (type == "i4" || type == "l4") return "int";
    if (type == "s80") return "char";
    std::cerr << "argument type " << type << " has no C type\n";
    std::exit(2);
}

// The C parameters of an argument list, text lengths last.
std::vector<std::string> params(Args args) {
    std::vector<std::string> out, lengths;
    for (const auto& a : args) {
        std::string p = ::tvk::solver::is_input(a.intent) ? "const " : "";
        p += ctype(a.type);
        p += "* ";
        p += a.name;
        out.push_back(p);
        if (a.type == "s80") lengths.push_back("size_t " + std::string(a.name) + "_len");
    }
    out.insert(out.end(), lengths.begin(), lengths.end());
    return out;
}

// `head(p1, p2, ...)tail` broken after commas at 100 columns, continuation lines aligned under
// the first parameter.
std::string wrapped(const std::string& head, const std::vector<std::string>& ps, const std::string& tail) {
    std::string out = head + "(", line_pad(head.size() + 1, ' ');
    std::size_t col = out.size();
    for (std::size_t k = 0; k < ps.size(); ++k) {
        const std::string item = ps[k] + (k + 1 < ps.size() ? "," : ")" + tail);
        if (k > 0) {
            if (col + 1 + item.size() > 100) {
                out += "\n" + line_pad;
                col = line_pad.size();
            } else {
                out += " ";
                ++col;
            }
        }
        out += item;
        col += item.size();
    }
    if (ps.empty()) out += "void)" + tail;
    return out + "\n";
}

// A comment paragraph of unbreakable pieces, joined by blanks into " * " lines of at most 100
// columns.
std::string paragraph(const std::vector<std::string>& pieces) {
    std::string out, line;
    for (const std::string& w : pieces) {
        if (!line.empty() && 3 + line.size() + 1 + w.size() > 100) {
            out += " * " + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + w;
    }
    if (!line.empty()) out += " * " + line + "\n";
    return out;
}

std::string paragraph(std::string_view text) {
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string w; in >> w;) words.push_back(w);
    return paragraph(words);
}

// The extents of an argument as the comment shows them: an assumed size is *, a binding condition
// is left out.
std::string extents(std::string_view ext) {
    ext = ext.substr(0, ext.find(":check("));
    std::string out;
    for (std::size_t k = 0; k < ext.size();) {
        if (ext.substr(k, 4) == "len(") {
            out += "*";
            k = ext.find(')', k) + 1;
        } else {
            out += ext[k++];
        }
    }
    return out;
}

// What a comment says about the arguments of a list: the arrays with their extents, the optional
// ones. An array with its extents is not broken across lines.
std::string arguments(Args args) {
    std::vector<std::string> arrays{"Arrays:"}, optional{"May be null:"};
    for (const auto& a : args) {
        if (a.extents != "()" && a.extents.substr(0, 3) != "():") arrays.push_back(std::string(a.name) + extents(a.extents) + ",");
        if (a.intent == "opt") optional.push_back(std::string(a.name) + ",");
    }
    std::string out;
    for (auto* list : {&arrays, &optional})
        if (list->size() > 1) {
            list->back().back() = '.';
            out += paragraph(*list);
        }
    return out;
}

// The comment over a group of declarations: a title rule, what the list is, its arguments.
std::string comment(std::string_view title, std::string_view text, Args args) {
    std::string rule = "/* ---- " + std::string(title) + " ";
    rule.resize(std::max<std::size_t>(rule.size(), 100), '-');
    return "\n" + rule + "\n" + (text.empty() ? "" : paragraph(text)) + arguments(args) + " */\n";
}

std::string key_of(const Entry& e) {
    return e.proc.empty() ? std::string(e.iface) : std::string(e.proc) + ">" + std::string(e.iface);
}

const char* const preamble = R"(/* tolvek.h: the solver entry points of libtolvek as plain C prototypes, and its error record.
 *
 * Written by the build from the argument lists of the solver interfaces (the tool
 * tvk_public_header; `cmake --build build --target tolvek_header` rewrites this file, and the test
 * public_header_current fails while it differs from what the lists give): do not edit by hand.
 *
 * Every routine is called as a Fortran solver calls it: every argument by pointer, in the order
 * the solver passes them; inputs are pointers to const; arrays are column-major, first extent
 * first, with the extents given in each group's comment (* where the solver does not pass one).
 * A text argument (a material or set name) points to its 80 blank-padded characters, not
 * NUL-terminated, and its length follows as a size_t value after the last argument, in the order
 * of the text arguments (the hidden length a Fortran compiler appends). Reals are double, counts,
 * ids, codes and logicals int. An argument marked as possibly null may be passed as a null
 * pointer; the routine then applies its default.
 *
 * A routine never stops the host: bad input and failures are recorded in the error record, read
 * with the three functions at the end, and the routine returns a neutral result.
 */
#ifndef TOLVEK_H
#define TOLVEK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif
)";

const char* const error_record = R"(
/* ---- Error record ----------------------------------------------------------------------------
 * One record per thread: a report lands in the record of the thread whose call made it, and
 * these functions act on the calling thread's record, so read it in the thread that made the
 * call. The first report is kept until it is cleared: check after a call (or a batch of calls)
 * and clear before the next. Levels: 0 no report; -1 note; -2 warning or recoverable error (the
 * result is usable); -3 input error (the result is void).
 */
/* Level of the recorded report: 0 when the record holds none. */
int tvk_error_level(void);
/* Copies the recorded message (at most 80 characters, trailing blanks removed) into buf as a
 * NUL-terminated string, cut to n - 1 characters; writes nothing when buf is null or n is 0.
 * Returns the full length of the message (a return value >= n means it was cut). */
size_t tvk_error_message(char* buf, size_t n);
/* Clears the record: the next report is recorded again. */
void tvk_error_clear(void);

#ifdef __cplusplus
}
#endif

#endif /* TOLVEK_H */
)";

std::string header() {
    std::map<std::string, std::vector<const Entry*>> by_key;
    std::set<std::string_view> names;
    for (const Entry& e : entries()) {
        by_key[key_of(e)].push_back(&e);
        if (!names.insert(e.name).second) {
            std::cerr << e.name << " is declared twice\n";
            std::exit(2);
        }
    }
    std::string out = preamble;

    // The routine types the adapters take, written before the first adapter.
    std::set<std::string_view> procs;
    for (const Entry& e : entries())
        if (!e.proc.empty()) procs.insert(e.proc);
    const auto routine_types_text = [&] {
        std::string text;
        for (const RoutineType& r : routine_types) {
            const auto it = std::find_if(entries().begin(), entries().end(), [&](const Entry& e) { return e.proc == r.iface; });
            if (it == entries().end()) continue;
            procs.erase(r.iface);
            text += comment(r.title, r.text, it->proc_args);
            text += wrapped("typedef void " + std::string(r.type_name), params(it->proc_args), ";");
        }
        if (!procs.empty()) {
            std::cerr << "no routine type named for the interface " << *procs.begin() << " an adapter takes\n";
            std::exit(2);
        }
        return text;
    };

    for (const Group& g : groups) {
        std::vector<const Entry*> members;
        for (std::string_view k : g.keys) {
            const auto it = by_key.find(std::string(k));
            if (it == by_key.end()) continue;
            members.insert(members.end(), it->second.begin(), it->second.end());
            by_key.erase(it);
        }
        if (members.empty()) continue;
        const Entry& first = *members.front();
        const std::vector<std::string> ps = params(first.args);
        if (!first.proc.empty() && !procs.empty()) out += routine_types_text();
        out += comment(g.title, g.text, first.args);
        std::string proc_type;
        if (!first.proc.empty())
            for (const RoutineType& r : routine_types)
                if (r.iface == first.proc) proc_type = std::string(r.type_name) + "* dfunc";
        for (const Entry* e : members) {
            std::vector<std::string> mine = params(e->args);
            if (mine != ps) {
                std::cerr << e->name << " (" << e->iface << ") has another C argument list than " << first.name
                          << " (" << first.iface << ") of its group: give its interface a group of its own\n";
                std::exit(2);
            }
            if (!proc_type.empty()) mine.insert(mine.begin(), proc_type);
            out += wrapped("void " + std::string(e->name), mine, ";");
        }
    }
    if (!by_key.empty()) {
        std::cerr << "no group for the interface " << by_key.begin()->first << " of " << by_key.begin()->second.front()->name
                  << ": add one to the table of gen_public_header.cpp\n";
        std::exit(2);
    }
    return out + error_record;
}

}  // namespace gen

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string_view(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::cerr << "usage: tvk_public_header [--check] FILE\n";
        return 2;
    }
    const std::string path = argv[argc - 1], text = gen::header();
    if (!check) {
        std::ofstream(path, std::ios::binary) << text;
        return 0;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string have{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (have == text) {
        std::cout << path << " matches the solver interfaces (" << gen::entries().size() << " entries)\n";
        return 0;
    }
    std::istringstream a(have), b(text);
    std::string la, lb;
    int line = 1;
    for (; std::getline(a, la) && std::getline(b, lb) && la == lb; ++line) {
    }
    std::cerr << path << " differs from the header the solver interfaces give, first at line " << line << ":\n  has:    "
              << la << "\n  wanted: " << lb
              << "\nRewrite it with `cmake --build <build> --target tolvek_header` and commit the result.\n";
    return 1;
}
