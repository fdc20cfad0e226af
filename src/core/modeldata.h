// Process-wide model-data tables shared by the whole analysis: job identity and step plan, trace
// settings, material properties per ply slot and section, section layups, the element and node
// tables of the solver listing, impactor records, recorded damage, delamination-buckling records
// and the fatigue cycle plan.
//
// One struct per data module, one instance each (`tvk::jobdata`, ...). At load every scalar is 0,
// every text field holds zero bytes (not blanks) and every table is absent; writers (card readers,
// analysis control, the allocation routines in datahandling.h, or Python) create the tables.
//
// Index names used in the extents below: ply = 1..nplies, sec = position in secidlist,
// ifc = 1..max(nplies-1, 1), dmg = 1..ndmg, elem = position in elemlist, imp = 1..nimp,
// step = 1..nsteps. These counters describe how writers size the tables; readers must not trust
// them, because Python can re-create any table with any shape. Read tables only through the
// bounds-checked accessors of tvk::Table (`at`, `get`, `in_bounds`).
//
// Unset markers: tvk::huge for a missing real value (-huge in dmgplane read from a card),
// tvk::defint for an empty material slot, -1 for a value not yet set in element tables and flags.
#pragma once

#include "table.h"
#include "tvk.h"

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

struct JobData {
    char jobfilepath[256] = {};      // solver job path without extension
    char jobname[256] = {};          // job name
    char joboutdir[256] = {};        // folder of the card files
    int solverid = 0;                // 1 once an analysis started
    int nsteps = 0;                  // number of analysis steps in the input deck
    int stepcount = 0;               // highest step number seen by the explicit analysis control
    Table<int, 1> stepid;            // (step) step kind: 0 initialisation, 1 fatigue (default),
                                     // 2 structural response, 3 impact, 4 relaxation, 5 DIC
    Table<int, 1> processid;         // (maxid) arrival register of ProcessLock/ProcessUnLock
};

struct DebugData {
    int edebug = 0;   // solver element whose computation prints trace lines; 0 traces nothing
    int ndebug = 0;
    int fdebug = 0;
    int nupdate = 0;  // increment interval of the start-of-increment work
    int verbose = 0;
    int unitid = 0;
};

struct MaterialData {
    Table<int, 2> matidlist;       // (ply, sec) material id of each slot; defint = empty
    Table<double, 3> peprops;      // (ne, ply, sec) Nye property vectors, ne >= 9
    Table<double, 3> psprops;      // (ns, ply, sec) ply strength vectors, ns >= 10
    Table<int, 3> pfflags;         // (5, ply, sec) failure criterion selector per mode
    Table<int, 3> peflags;         // (5, ply, sec) damage evolution choice per mode
    Table<double, 3> pelimits;     // (12, ply, sec) caps of the damage values; -1 = own caps
    Table<double, 3> pdprops;      // (nd, ply, sec) criterion parameters up to the first huge
    Table<double, 3> pfprops;      // (nf, ply, sec) fracture values
    Table<double, 3> phprops;      // (nh, ply, sec) hygrothermal values
    Table<double, 4> cuprops;      // (nc, 8, ply, sec) cure-kinetics and thermal blocks
    Table<double, 1> temperatures; // (ntempdata) merged temperature points
    int ntempdata = 0;
    // Resin calibration tables: (t, r, 1) abscissa and (t, r, 2) ordinate of row r at
    // temperature column t; flowprops holds three fields per row.
    Table<double, 3> secantprops;
    Table<double, 3> flowprops;
    Table<double, 3> normalprops;
    Table<double, 3> shearprops;
    Table<double, 3> alpha1props;
    Table<double, 3> alpha2props;
    Table<double, 3> alpha3props;
    // Row counts of the seven calibration tables.
    int nsecantdata = 0;
    int nflowdata = 0;
    int nnormaldata = 0;
    int nsheardata = 0;
    int nalpha1data = 0;
    int nalpha2data = 0;
    int nalpha3data = 0;
    Table<double, 2> equivalentstress;  // (n, 2) calibration pairs
    int modelid = 0;                    // resin model selector
    Table<double, 1> regularization;    // viscous regularisation values
    Table<double, 1> i10;
    Table<double, 1> r_crit;
};

struct SectionData {
    int nsec = 0;                     // number of sections
    int nplies = 0;                   // largest ply count of any section
    Table<int, 1> secidlist;          // (sec) card id of each section
    Table<double, 2> plyorientation;  // (ply, sec) ply angle in degrees
    Table<double, 2> plythickness;    // (ply, sec)
    Table<double, 2> plyzcoord;       // (2 nplies + 1, sec) ply z-coordinates from the mid-plane
    Table<double, 1> xcstrength;      // (sec) laminate compressive strength
    Table<int, 2> seflags;            // (2, sec) use transverse normal / shear stresses
    Table<double, 3> sehmatrix;       // (2, 2, sec) transverse-shear stiffness
    Table<double, 3> sefmatrix;       // (2 nplies + 1, 4, sec) f-matrix at each z point
    Table<int, 1> nsectionpoints;     // (elem) largest section-point number seen; -1 unset
    Table<double, 4> sestress;        // (6, nsp*nplies, npt, elem) section-point stresses (Nye)
    Table<double, 2> tnormalstress;   // (2 nplies + 1, elem) through-thickness normal stress
    Table<double, 4> tshearstress;    // (nsp*nplies, 2, 4, elem) transverse shear stresses
    Table<double, 4> sestrain;        // never created by the library
    Table<double, 4> seprops;
    Table<double, 4> seuser;
};

struct NodalData {
    int ndof = 0;                        // degrees of freedom per node (5 or 6)
    int nnodes = 0;                      // largest node count of an element
    Table<double, 3> nodalcoords;        // (3, nnodes, elem)
    Table<double, 3> nodesmotion;        // (ndof, nnodes, elem)
    Table<double, 4> tnodalmatrices;     // (3, 3, 8, elem)
    Table<double, 3> tcurvmatrices;      // (3, 3, elem)
};

struct ElementData {
    int nelem = 0;                        // number of shell and solid elements in the listing
    int nsens = 0;
    Table<int, 1> elemlist;               // (elem) solver element numbers
    Table<int, 1> elemkind;               // (elem) element type code
    Table<int, 2> elemnodes;              // (nnodes, elem)
    Table<int, 1> elemindices;            // positions of elements of the qualifying kinds
    Table<double, 2> elemreforientation;  // (7, elem) reference orientation; -1.0 unset
    Table<double, 2> elemcurvatures;      // (2, elem)
    Table<double, 2> elemlength;          // (3, elem) characteristic lengths; -1.0 unset
};

struct ImpactData {
    Table<double, 2> cprops;  // (20, imp) contact record per impactor
    Table<double, 2> csvars;  // (m, imp) contact state kept between calls
};

struct LoadData {
    int nimp = 0;             // number of impactors
    Table<double, 2> dprops;  // (12, imp) sensor record per impactor
};

struct DamageData {
    int ndmg = 0;                    // number of damage data sets
    Table<int, 1> damagedds;         // (1) marker: -1 just created, 0 once the sets were zeroed
    Table<double, 3> generaldds;     // (3, ply, dmg) half-extents a, b of recorded damage
    Table<double, 3> fiberdds;
    Table<double, 3> matrixdds;
    Table<double, 3> coredds;
    Table<double, 3> userdds;
    Table<double, 3> delamdds;       // (3, ifc, dmg)
    Table<double, 2> dmgplane;       // (np, dmg) origin and angle of each set
    Table<double, 4> dmgpoints;      // (3*npts, ply, 6, dmg) outline polygons ending at huge
    Table<double, 2> dmgshape;
};

struct BukData {
    Table<int, 4> bukintdatalist;      // (4, ifc, dmg, sec) integer buckling records
    Table<double, 4> bukrealdatalist;  // (12, ifc, dmg, sec) real buckling records
};

struct ShokriehData {
    Table<double, 2> cycleprops;  // (npar, step) cycle settings per step
    Table<double, 2> cycles;      // (nmax, step) cycle numbers per step
    double dnf = 0.0;             // cycle increment of the resin law
    double dnfshok = 0.0;         // cycle increment of the fatigue model
};

extern JobData jobdata;
extern DebugData debugdata;
extern MaterialData materialdata;
extern SectionData sectiondata;
extern NodalData nodaldata;
extern ElementData elementdata;
extern ImpactData impactdata;
extern LoadData loaddata;
extern DamageData damagedata;
extern BukData bukdata;
extern ShokriehData shokriehdata;

}  // namespace tvk
