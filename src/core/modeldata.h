// Process-wide model-data tables shared by the whole analysis: job identity and step plan, trace
// settings, material properties per ply slot and section, section layups, the element and node
// tables of the solver listing, impactor records, recorded damage, delamination-buckling records
// and the fatigue cycle plan.
//
// One struct per data module, one instance each (`tvk::jobdata`, ...). At load every scalar is 0,
// every text field holds zero bytes (not blanks) and every table is absent; writers (card readers,
// analysis control, the allocation routines in datahandling.h, or Python) create the tables.
//
// Each module is declared once, as the list of its variables below (TVK_JOBDATA, ...), one line
// per variable:
//
//   X(module, name, kind, type, extent, release)
//
//   kind     table: growable table (tvk::Table<type, extent>), absent at load
//            scalar: int or double, 0 at load
//            text: `extent` characters, zero bytes at load
//   extent   rank of a table, length of a text field, 0 for a scalar
//   release  freed: `deallocall` releases the table; kept: it is left alone
//
// The lists give the module structs, and the variable descriptors (`modeldata_variables()`) that
// `deallocall`, the Python attributes of the modules and the tests walk: adding a variable is one
// line in its module's list.
//
// Index names used in the extents below: ply = 1..nplies, sec = position in secidlist,
// ifc = 1..max(nplies-1, 1), dmg = 1..ndmg, elem = position in elemlist, imp = 1..nimp,
// step = 1..nsteps. These counters describe how writers size the tables; readers must not trust
// them, because Python can re-create any table with any shape. Read tables only through the
// bounds-checked accessors of tvk::Table (`at`, `get`, `in_bounds`) or a view checked at entry
// (`view()`, see table.h).
//
// Unset markers: tvk::huge for a missing real value (-huge in dmgplane read from a card),
// tvk::defint for an empty material slot, -1 for a value not yet set in element tables and flags.
#pragma once

#include <cstdint>
#include <span>

#include "table.h"
#include "tvk.h"

// clang-format off
#define TVK_JOBDATA(X)                                                                            \
    X(jobdata, jobfilepath, text, char, 256, kept)  /* solver job path without extension */       \
    X(jobdata, jobname, text, char, 256, kept)      /* job name */                                \
    X(jobdata, joboutdir, text, char, 256, kept)    /* folder of the card files */                \
    X(jobdata, solverid, scalar, int, 0, kept)      /* 1 once an analysis started */              \
    X(jobdata, nsteps, scalar, int, 0, kept)        /* number of analysis steps in the deck */    \
    X(jobdata, stepcount, scalar, int, 0, kept)     /* highest step seen by the explicit control */ \
    X(jobdata, stepid, table, int, 1, freed)        /* (step) step kind: 0 initialisation,        \
                                                       1 fatigue (default), 2 structural response, \
                                                       3 impact, 4 relaxation, 5 DIC */           \
    X(jobdata, processid, table, int, 1, kept)      /* (maxid) arrival register of ProcessLock */

#define TVK_DEBUGDATA(X)                                                                          \
    X(debugdata, edebug, scalar, int, 0, kept)      /* solver element whose computation prints    \
                                                       trace lines; 0 traces nothing */          \
    X(debugdata, ndebug, scalar, int, 0, kept)                                                    \
    X(debugdata, fdebug, scalar, int, 0, kept)                                                    \
    X(debugdata, nupdate, scalar, int, 0, kept)     /* increment interval of the start-of-        \
                                                       increment work */                          \
    X(debugdata, verbose, scalar, int, 0, kept)                                                   \
    X(debugdata, unitid, scalar, int, 0, kept)

#define TVK_MATERIALDATA(X)                                                                       \
    X(materialdata, matidlist, table, int, 2, freed)      /* (ply, sec) material id; defint empty */ \
    X(materialdata, peprops, table, double, 3, freed)     /* (ne x nT, ply, sec) columns::peprops */ \
    X(materialdata, psprops, table, double, 3, freed)     /* (nsg x nT, ply, sec) columns::psprops */ \
    X(materialdata, pfflags, table, int, 3, freed)        /* (5, ply, sec) columns::modes */       \
    X(materialdata, peflags, table, int, 3, freed)        /* (5, ply, sec) columns::modes */       \
    X(materialdata, pelimits, table, double, 3, freed)    /* (12, ply, sec) columns::pelimits */ \
    X(materialdata, pdprops, table, double, 3, freed)     /* (nd, ply, sec) criterion parameters  \
                                                             up to the first huge */              \
    X(materialdata, pfprops, table, double, 3, freed)     /* (nf, ply, sec) columns::pfprops */   \
    X(materialdata, phprops, table, double, 3, freed)     /* (nh, ply, sec) hygrothermal values */ \
    X(materialdata, cuprops, table, double, 4, freed)     /* (nc, 8, ply, sec) columns::cuprops */ \
    X(materialdata, temperatures, table, double, 1, freed) /* (ntempdata) temperature points */   \
    X(materialdata, ntempdata, scalar, int, 0, kept)                                              \
    /* Resin calibration tables (t, r, field): columns::calibration, columns::flowprops. */      \
    X(materialdata, secantprops, table, double, 3, freed)                                         \
    X(materialdata, flowprops, table, double, 3, freed)                                           \
    X(materialdata, normalprops, table, double, 3, freed)                                         \
    X(materialdata, shearprops, table, double, 3, freed)                                          \
    X(materialdata, alpha1props, table, double, 3, freed)                                         \
    X(materialdata, alpha2props, table, double, 3, freed)                                         \
    X(materialdata, alpha3props, table, double, 3, freed)                                         \
    /* Row counts of the seven calibration tables. */                                             \
    X(materialdata, nsecantdata, scalar, int, 0, kept)                                            \
    X(materialdata, nflowdata, scalar, int, 0, kept)                                              \
    X(materialdata, nnormaldata, scalar, int, 0, kept)                                            \
    X(materialdata, nsheardata, scalar, int, 0, kept)                                             \
    X(materialdata, nalpha1data, scalar, int, 0, kept)                                            \
    X(materialdata, nalpha2data, scalar, int, 0, kept)                                            \
    X(materialdata, nalpha3data, scalar, int, 0, kept)                                            \
    X(materialdata, equivalentstress, table, double, 2, freed) /* (n, 2) columns::calibration */  \
    X(materialdata, modelid, scalar, int, 0, kept)             /* resin model selector */         \
    X(materialdata, regularization, table, double, 1, freed)   /* columns::regularization */     \
    X(materialdata, i10, table, double, 1, freed)                                                 \
    X(materialdata, r_crit, table, double, 1, freed)
// clang-format on

// ---- Column layouts of the materialdata tables ---------------------------------------------------
//
// The per-ply tables are (rows, ply, sec) (cuprops (nc, 8, ply, sec)): the column of a (ply, sec)
// slot holds the entries named below, 1-based, as the material card reader writes them. Code
// that reads or writes a column goes through these names and through PlyColumns, never through
// a stride of its own: the first extent of peprops and psprops grows with the number of
// temperatures and the largest block of the card, so only the table knows it.
namespace tvk::columns {

// peprops (ne x nT, ply, sec): per temperature of the axis a block of p = extent(1) / nT entries
// (ne >= 9); the first nine entries of a block are the Nye property vector. Block 1, entries 1..9,
// is the ply's elastic vector at the first temperature, whatever the first extent.
namespace peprops {
enum Entry : int { e1 = 1, e2, e3, nu12, nu13, nu23, g12, g13, g23 };
inline constexpr int nye = 9;
// First entry of temperature block t (1-based) in a column of `extent1` entries over `ntemp`
// temperatures.
constexpr std::int64_t block_first(int t, std::int64_t extent1, int ntemp) {
    return static_cast<std::int64_t>(t - 1) * (extent1 / (ntemp > 0 ? ntemp : 1)) + 1;
}
}  // namespace peprops

// psprops (nsg x nT, ply, sec), nsg >= 10: the ply strength vector. Block 1, entries 1..10, holds
// the strengths at the first temperature; with a temperature factor table the later blocks follow
// in groups of the material's own strength count (not extent(1) / nT), so only block 1 is found
// from the table alone.
namespace psprops {
enum Entry : int { xt11 = 1, xt22, xt33, xc11, xc22, xc33, x12, x13, x23, ilss };
inline constexpr int count = 10;
}  // namespace psprops

// pfflags, peflags (5, ply, sec): criterion and evolution flag per damage mode, in this order
// (the selectors gpflag, fbflag, mcflag, delflag, ccflag of the failure dispatchers).
namespace modes {
enum Entry : int { general = 1, fibre, matrix, delamination, core };
inline constexpr int count = 5;
}  // namespace modes

// pelimits (12, ply, sec): upper bounds of the damage values in two halves of six, each in the
// order below (the fibre entries of the two halves are the tension and the compression cap); a
// card of six values serves both halves. -1 in an entry asks for the default caps.
namespace pelimits {
enum Entry : int { general = 1, fibre, matrix, delamination, core, buckling };
inline constexpr int half = 6;
inline constexpr int count = 12;
inline constexpr double unset = -1.0;
}  // namespace pelimits

// pdprops (nd, ply, sec): criterion parameters of the matrix-cracking dispatcher, the entries up
// to the first tvk::huge (the fill value).
// phprops (nh, ply, sec): hygrothermal values (the library reads none).
// pfprops (nf, ply, sec): fracture values; entries 2..5 are the crack-plane degradation
// parameters that follow the fracture angle in the degradation's property vector.
namespace pfprops {
inline constexpr int crack_plane_first = 2;
inline constexpr int crack_plane_count = 4;
}  // namespace pfprops

// cuprops (nc, 8, ply, sec), nc >= 7: one column per cure and thermal block.
namespace cuprops {
enum Column : int {
    gelpoint = 1,  // entry 1: degree of cure at the gel point
    enthalpy,      // entry 1: heat of reaction per unit degree of cure
    expansion,     // thermal expansion 11 22 33 glassy, then rubbery
    shrinkage,     // chemical shrinkage 11 22 33 glassy, then rubbery
    curelimit,     // c1, c2 of the largest reachable degree of cure
    transition,    // Tg0, Tg-infinity (Celsius), lambda of the glass transition
    curerate,      // groups of 7 coefficients, each but the last followed by its start temperature
    shift          // time-temperature shift: 4 parameters, or 8 for two shift functions
};
inline constexpr int columns = 8;
inline constexpr int min_rows = 7;
}  // namespace cuprops

// secantprops, normalprops, shearprops, alpha1props..alpha3props (nT, rows, 2): (t, r, x) the
// abscissa and (t, r, y) the ordinate of row r at temperature t. flowprops (nT, rows, 3): the
// equivalent plastic strain and the two flow parameters of row r. equivalentstress (rows, 2):
// pairs, x then y.
namespace calibration {
enum Field : int { x = 1, y = 2 };
}  // namespace calibration
namespace flowprops {
enum Field : int { strain = 1, a0, a1 };
inline constexpr int fields = 3;
}  // namespace flowprops

// regularization (n): entry 1 the start value of the resin degradation factor, entry 2 the
// viscosity of the regularised sudden degradation.
namespace regularization {
enum Entry : int { start = 1, viscosity };
}  // namespace regularization

// A table with one column per (ply, sec) slot, seen as such: a (rows, ply, sec) table, or a
// (ply, sec) table as columns of one entry. The extents are fixed when it is taken (like a
// TableView): take it at routine entry. A raw array handed over by a caller is seen with the
// extents the caller declares.
template <class T>
struct PlyColumns {
    const T* data = nullptr;
    std::int64_t rows = 0;
    int plies = 0, sections = 0;

    PlyColumns() = default;
    PlyColumns(const T* d, std::int64_t r, int np, int ns)
        : data(d), rows(r > 0 ? r : 0), plies(np > 0 ? np : 0), sections(ns > 0 ? ns : 0) {}
    explicit PlyColumns(const Table<T, 3>& t) : PlyColumns(t.data(), t.extent(1), t.extent(2), t.extent(3)) {}
    explicit PlyColumns(const Table<T, 2>& t) : PlyColumns(t.data(), 1, t.extent(1), t.extent(2)) {}

    // Whether the column (ply, sec) exists and holds at least `need` entries.
    bool has(std::int64_t need, int ply, int sec) const {
        return data && need <= rows && ply >= 1 && ply <= plies && sec >= 1 && sec <= sections;
    }
    // Entry 1 of column (ply, sec); unchecked (test with `has` first).
    const T* column(int ply, int sec) const {
        return data + rows * (static_cast<std::int64_t>(ply - 1) + static_cast<std::int64_t>(plies) * (sec - 1));
    }
    // Entry 1 of column (ply, sec) when it holds `need` entries, else nullptr.
    const T* column_if(std::int64_t need, int ply, int sec) const { return has(need, ply, sec) ? column(ply, sec) : nullptr; }
};

}  // namespace tvk::columns

// clang-format off

#define TVK_SECTIONDATA(X)                                                                        \
    X(sectiondata, nsec, scalar, int, 0, kept)              /* number of sections */              \
    X(sectiondata, nplies, scalar, int, 0, kept)            /* largest ply count of a section */  \
    X(sectiondata, secidlist, table, int, 1, freed)         /* (sec) card id of each section */   \
    X(sectiondata, plyorientation, table, double, 2, freed) /* (ply, sec) ply angle, degrees */   \
    X(sectiondata, plythickness, table, double, 2, freed)   /* (ply, sec) */                      \
    X(sectiondata, plyzcoord, table, double, 2, freed)      /* (2 nplies + 1, sec) ply z from the \
                                                               mid-plane */                       \
    X(sectiondata, xcstrength, table, double, 1, freed)     /* (sec) laminate compressive         \
                                                               strength */                        \
    X(sectiondata, seflags, table, int, 2, freed)           /* (2, sec) use transverse normal /   \
                                                               shear stresses */                  \
    X(sectiondata, sehmatrix, table, double, 3, freed)      /* (2, 2, sec) transverse-shear       \
                                                               stiffness */                       \
    X(sectiondata, sefmatrix, table, double, 3, freed)      /* (2 nplies + 1, 4, sec) f-matrix */ \
    X(sectiondata, nsectionpoints, table, int, 1, freed)    /* (elem) largest section point seen; \
                                                               -1 unset */                        \
    X(sectiondata, sestress, table, double, 4, freed)       /* (6, nsp*nplies, npt, elem)         \
                                                               section-point stresses (Nye) */    \
    X(sectiondata, tnormalstress, table, double, 2, freed)  /* (2 nplies + 1, elem) through-      \
                                                               thickness normal stress */         \
    X(sectiondata, tshearstress, table, double, 4, freed)   /* (nsp*nplies, 2, 4, elem)           \
                                                               transverse shear stresses */       \
    X(sectiondata, sestrain, table, double, 4, freed)       /* never created by the library */    \
    X(sectiondata, seprops, table, double, 4, freed)                                              \
    X(sectiondata, seuser, table, double, 4, freed)

#define TVK_NODALDATA(X)                                                                          \
    X(nodaldata, ndof, scalar, int, 0, kept)                /* degrees of freedom per node */     \
    X(nodaldata, nnodes, scalar, int, 0, kept)              /* largest node count of an element */ \
    X(nodaldata, nodalcoords, table, double, 3, freed)      /* (3, nnodes, elem) */               \
    X(nodaldata, nodesmotion, table, double, 3, freed)      /* (ndof, nnodes, elem) */            \
    X(nodaldata, tnodalmatrices, table, double, 4, freed)   /* (3, 3, 8, elem) */                 \
    X(nodaldata, tcurvmatrices, table, double, 3, freed)    /* (3, 3, elem) */

#define TVK_ELEMENTDATA(X)                                                                        \
    X(elementdata, nelem, scalar, int, 0, kept)             /* shell and solid elements listed */ \
    X(elementdata, nsens, scalar, int, 0, kept)                                                   \
    X(elementdata, elemlist, table, int, 1, freed)          /* (elem) solver element numbers */   \
    X(elementdata, elemkind, table, int, 1, freed)          /* (elem) element type code */        \
    X(elementdata, elemnodes, table, int, 2, freed)         /* (nnodes, elem) */                  \
    X(elementdata, elemindices, table, int, 1, freed)       /* elements of the qualifying kinds */ \
    X(elementdata, elemreforientation, table, double, 2, freed) /* (7, elem); -1.0 unset */       \
    X(elementdata, elemcurvatures, table, double, 2, freed) /* (2, elem) */                       \
    X(elementdata, elemlength, table, double, 2, freed)     /* (3, elem) characteristic lengths; \
                                                               -1.0 unset */

#define TVK_IMPACTDATA(X)                                                                         \
    X(impactdata, cprops, table, double, 2, freed)          /* (20, imp) contact record */        \
    X(impactdata, csvars, table, double, 2, freed)          /* (m, imp) contact state */

#define TVK_LOADDATA(X)                                                                           \
    X(loaddata, nimp, scalar, int, 0, kept)                 /* number of impactors */             \
    X(loaddata, dprops, table, double, 2, freed)            /* (12, imp) sensor record */

#define TVK_DAMAGEDATA(X)                                                                         \
    X(damagedata, ndmg, scalar, int, 0, kept)               /* number of damage data sets */      \
    X(damagedata, damagedds, table, int, 1, freed)          /* (1) marker: -1 just created, 0 once \
                                                               the sets were zeroed */            \
    X(damagedata, generaldds, table, double, 3, freed)      /* (3, ply, dmg) half-extents a, b */ \
    X(damagedata, fiberdds, table, double, 3, freed)                                              \
    X(damagedata, matrixdds, table, double, 3, freed)                                             \
    X(damagedata, coredds, table, double, 3, freed)                                               \
    X(damagedata, userdds, table, double, 3, freed)                                               \
    X(damagedata, delamdds, table, double, 3, freed)        /* (3, ifc, dmg) */                   \
    X(damagedata, dmgplane, table, double, 2, freed)        /* (np, dmg) origin and angle */      \
    X(damagedata, dmgpoints, table, double, 4, freed)       /* (3*npts, ply, 6, dmg) outlines     \
                                                               ending at huge */                  \
    X(damagedata, dmgshape, table, double, 2, freed)

#define TVK_BUKDATA(X)                                                                            \
    X(bukdata, bukintdatalist, table, int, 4, freed)        /* (4, ifc, dmg, sec) integer records */ \
    X(bukdata, bukrealdatalist, table, double, 4, freed)    /* (12, ifc, dmg, sec) real records */

#define TVK_SHOKRIEHDATA(X)                                                                       \
    X(shokriehdata, cycleprops, table, double, 2, freed)    /* (npar, step) cycle settings */     \
    X(shokriehdata, cycles, table, double, 2, freed)        /* (nmax, step) cycle numbers */      \
    X(shokriehdata, dnf, scalar, double, 0, kept)           /* cycle increment of the resin law */ \
    X(shokriehdata, dnfshok, scalar, double, 0, kept)       /* cycle increment of the fatigue     \
                                                               model */

// The modules: struct, instance, variable list. deallocall releases in this order.
#define TVK_MODELDATA(M)                                                                          \
    M(JobData, jobdata, TVK_JOBDATA)                                                              \
    M(DebugData, debugdata, TVK_DEBUGDATA)                                                        \
    M(MaterialData, materialdata, TVK_MATERIALDATA)                                               \
    M(SectionData, sectiondata, TVK_SECTIONDATA)                                                  \
    M(NodalData, nodaldata, TVK_NODALDATA)                                                        \
    M(ElementData, elementdata, TVK_ELEMENTDATA)                                                  \
    M(ImpactData, impactdata, TVK_IMPACTDATA)                                                     \
    M(LoadData, loaddata, TVK_LOADDATA)                                                           \
    M(DamageData, damagedata, TVK_DAMAGEDATA)                                                     \
    M(BukData, bukdata, TVK_BUKDATA)                                                              \
    M(ShokriehData, shokriehdata, TVK_SHOKRIEHDATA)
// clang-format on

namespace tvk {

// Kind constants: byte widths of the numeric kinds (read-only in Python).
namespace types {
inline constexpr int sp = 4;   // single-precision real
inline constexpr int dp = 8;   // double-precision real (every real of the library)
inline constexpr int qp = 16;  // quadruple-precision real
inline constexpr int i2 = 2;   // 2-byte integer
inline constexpr int i4 = 4;   // 4-byte integer (every integer of the library)
inline constexpr int i8 = 8;   // 8-byte integer
inline constexpr int cb = 1;   // one-byte character or logical
}  // namespace types

#define TVK_MEMBER(mod, name, kind, T, n, release) TVK_MEMBER_##kind(name, T, n)
#define TVK_MEMBER_table(name, T, n) Table<T, n> name;
#define TVK_MEMBER_scalar(name, T, n) T name = 0;
#define TVK_MEMBER_text(name, T, n) T name[n] = {};
#define TVK_DECLARE_MODULE(Type, mod, LIST) \
    struct Type {                           \
        LIST(TVK_MEMBER)                    \
    };                                      \
    extern Type mod;

TVK_MODELDATA(TVK_DECLARE_MODULE)

#undef TVK_DECLARE_MODULE
#undef TVK_MEMBER_text
#undef TVK_MEMBER_scalar
#undef TVK_MEMBER_table
#undef TVK_MEMBER

// One variable of a data module, as its list declares it.
struct VarDesc {
    enum class Kind : char { table, scalar, text };
    const char* module;  // the module, which is also its Python namespace
    const char* name;
    Kind kind;
    char code;           // element type: 'i' int, 'd' double, 'S' text
    int extent;          // rank of a table, length of a text field, 0 for a scalar
    bool freed;          // released by deallocall
    void* address;       // the variable; for a table its TableBase

    TableBase* table() const { return kind == Kind::table ? static_cast<TableBase*>(address) : nullptr; }
};

// Every variable of every data module, module by module in the order of the lists.
std::span<const VarDesc> modeldata_variables() TVK_HOST_API("tvk_modeldata_variables");

}  // namespace tvk
