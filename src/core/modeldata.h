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
    X(materialdata, peprops, table, double, 3, freed)     /* (ne, ply, sec) Nye vectors, ne >= 9 */ \
    X(materialdata, psprops, table, double, 3, freed)     /* (ns, ply, sec) strengths, ns >= 10 */ \
    X(materialdata, pfflags, table, int, 3, freed)        /* (5, ply, sec) criterion per mode */  \
    X(materialdata, peflags, table, int, 3, freed)        /* (5, ply, sec) evolution per mode */  \
    X(materialdata, pelimits, table, double, 3, freed)    /* (12, ply, sec) damage caps; -1 own */ \
    X(materialdata, pdprops, table, double, 3, freed)     /* (nd, ply, sec) criterion parameters  \
                                                             up to the first huge */              \
    X(materialdata, pfprops, table, double, 3, freed)     /* (nf, ply, sec) fracture values */    \
    X(materialdata, phprops, table, double, 3, freed)     /* (nh, ply, sec) hygrothermal values */ \
    X(materialdata, cuprops, table, double, 4, freed)     /* (nc, 8, ply, sec) cure and thermal   \
                                                             blocks */                            \
    X(materialdata, temperatures, table, double, 1, freed) /* (ntempdata) temperature points */   \
    X(materialdata, ntempdata, scalar, int, 0, kept)                                              \
    /* Resin calibration tables: (t, r, 1) abscissa and (t, r, 2) ordinate of row r at            \
       temperature column t; flowprops holds three fields per row. */                             \
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
    X(materialdata, equivalentstress, table, double, 2, freed) /* (n, 2) calibration pairs */     \
    X(materialdata, modelid, scalar, int, 0, kept)             /* resin model selector */         \
    X(materialdata, regularization, table, double, 1, freed)   /* viscous regularisation */      \
    X(materialdata, i10, table, double, 1, freed)                                                 \
    X(materialdata, r_crit, table, double, 1, freed)

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
