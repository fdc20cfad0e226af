/* Box-beam section calculator: the process-wide records a host fills and reads, and the entry
 * points. Plain C, so that C hosts and ctypes can use it as it stands.
 *
 * The calculator analyses one cross-section of a thin-walled, possibly multi-cell beam idealised
 * into booms (points with axial stiffness and mass) and straight walls (panels from boom to boom
 * carrying axial and shear flows); closed circuits of walls are cells. x runs along the beam, y
 * and z span the section. Units are any consistent set: K force, L length, M mass.
 *
 * Host protocol:
 *   1. box_initialize(&nw, &ng, &nz) (null pointers: 100 each) creates the arrays of the
 *      records with these capacities (once; a later call keeps them) and zeroes counts, loads,
 *      results and every input array except `E`.
 *   2. Fill `path`, `steuer`, `spanug`, `gurt`, `wand`, `zelle`: counts, then entries 0..count-1
 *      of the arrays (index i of the records' 1-based numbering is element i-1). Two-dimensional
 *      arrays are column-major: IA(j, c) is IA[(j-1) + (c-1)*IA_n1], EPI(k, m) is
 *      EPI[(k-1) + (m-1)*EPI_n1].
 *   3. box_getxsection(); then read `quer`, `kraft`, `epigam`.
 *
 * Every array of a record is a pointer followed by one int32 capacity per extent, first extent
 * first; the calculation trusts these capacities, so a host that replaces an array must set them.
 * A refused or failed calculation is recorded in the library's error record (level -3, the
 * report's message text) and, from Python, raised as _tolvek.error.
 */
#ifndef TVK_BOXBEAM_H
#define TVK_BOXBEAM_H

#include <stdint.h>

#ifdef __cplusplus
#define TVK_BOX_API extern "C" __attribute__((visibility("default")))
#else
#define TVK_BOX_API extern __attribute__((visibility("default")))
#endif

/* File paths of the reports, blank- or NUL-padded. */
struct tvk_box_path {
    char CSINFOPATH[240]; /* section report */
    char VBINFOPATH[240]; /* extended trace */
};

/* Output control; never reset by the calculator. */
struct tvk_box_steuer {
    int8_t DRUCK;  /* write the section report */
    int8_t EXDRU;  /* also the extended blocks and the trace (only together with DRUCK) */
    int32_t KLOG;  /* unit of the report; the trace uses unit 10*KLOG */
};

/* Capacities recorded by Initialize. */
struct tvk_box_restr {
    int32_t MAXWA, MAXGU, MAXZE;
};

/* Section loads in the reference system. */
struct tvk_box_spanug {
    char KENNZ[80]; /* free text, not read */
    double QQX;     /* normal force (K) */
    double QQY, QQZ; /* shear forces (K) */
    double QMX;     /* torque about x (K*L) */
    double QMY, QMZ; /* bending moments (K*L) */
};

/* Booms. */
struct tvk_box_gurt {
    int32_t IG;                 /* number of booms */
    double* YI;  int32_t YI_n;  /* coordinates (L) */
    double* ZI;  int32_t ZI_n;
    double* BI;  int32_t BI_n;  /* axial stiffness (K) */
    double* MYI; int32_t MYI_n; /* mass per unit beam length (M/L) */
};

/* Walls. */
struct tvk_box_wand {
    int32_t KW;                  /* number of walls */
    int32_t* IG1; int32_t IG1_n; /* start boom; the wall runs from IG1 to IG2 */
    int32_t* IG2; int32_t IG2_n; /* end boom */
    int32_t* IT;  int32_t IT_n;  /* wall type, printed only */
    double* YK0;  int32_t YK0_n; /* start point (L) */
    double* ZK0;  int32_t ZK0_n;
    double* YKLK; int32_t YKLK_n; /* end point (L) */
    double* ZKLK; int32_t ZKLK_n;
    double* BK;   int32_t BK_n;  /* axial stiffness per unit wall length (K/L) */
    double* GK;   int32_t GK_n;  /* shear stiffness (K/L): shear strain = shear flow / GK */
    double* RHOK; int32_t RHOK_n; /* mass per unit beam length and unit wall length */
    double* TH;   int32_t TH_n;  /* zeroed by Initialize, not read */
    double* E;    int32_t E_n;   /* allocated only */
};

/* Cells. */
struct tvk_box_zelle {
    int32_t AZ;                              /* number of cells */
    int32_t* IAK; int32_t IAK_n;             /* booms on the circuit of each cell */
    int32_t* IA;  int32_t IA_n1; int32_t IA_n2; /* IA(j, c): boom j of cell c, in circuit order */
};

/* Wall results. */
struct tvk_box_kraft {
    double* NX0;  int32_t NX0_n;  /* normal flow at start, middle, end (K/L) */
    double* NXL2; int32_t NXL2_n;
    double* NXL;  int32_t NXL_n;
    double* T0;   int32_t T0_n;   /* shear flow at the start (K/L); T0(KW+1): twist THETA (1/L) */
    double* TL2;  int32_t TL2_n;  /* shear flow at middle and end (K/L) */
    double* TL;   int32_t TL_n;
};

/* Strains. */
struct tvk_box_epigam {
    double* EPI;   int32_t EPI_n1; int32_t EPI_n2; /* axial strain of wall k at start, middle, end */
    double* GAM;   int32_t GAM_n1; int32_t GAM_n2; /* shear strain of wall k at start, middle, end */
    double* EPIGU; int32_t EPIGU_n;                /* axial strain of each boom */
};

/* Section results. */
struct tvk_box_quer {
    double BX;              /* axial stiffness (K) */
    double M;               /* mass per unit beam length (M/L) */
    double YS, ZS;          /* stiffness centre (L) */
    double YT, ZT;          /* mass centre (L) */
    double DYY, DZY, DZZ;   /* bending stiffnesses about the stiffness centre (K*L^2) */
    double ALPHA;           /* principal-axis angle (rad) */
    double DYYSTE, DZZSTE;  /* principal bending stiffnesses (K*L^2) */
    double YMST, ZMST;      /* shear centre, principal system at the stiffness centre (L) */
    double YMSTAC, ZMSTAC;  /* shear centre, reference system (L) */
    double DT;              /* torsional stiffness (K*L^2); 0 for an open section */
    double IYYS, IZYS, IZZS; /* mass moments, principal-parallel axes through the shear centre */
    double ITT;             /* polar mass moment about the mass centre (M*L) */
};

TVK_BOX_API struct tvk_box_path path;
TVK_BOX_API struct tvk_box_steuer steuer;
TVK_BOX_API struct tvk_box_restr restr;
TVK_BOX_API struct tvk_box_spanug spanug;
TVK_BOX_API struct tvk_box_gurt gurt;
TVK_BOX_API struct tvk_box_wand wand;
TVK_BOX_API struct tvk_box_zelle zelle;
TVK_BOX_API struct tvk_box_kraft kraft;
TVK_BOX_API struct tvk_box_epigam epigam;
TVK_BOX_API struct tvk_box_quer quer;

/* Entry points. Capacities are optional (null: 100). */
TVK_BOX_API void box_initialize(const int32_t* nw, const int32_t* ng, const int32_t* nz);
TVK_BOX_API void box_getxsection(void);
TVK_BOX_API void Box_Initialize(const int32_t* nw, const int32_t* ng, const int32_t* nz);
TVK_BOX_API void Box_GetXSection(void);

/* The routines behind them. istat is 0 on success, 1 when an allocation failed (the failure is
 * also recorded in the error record). */
TVK_BOX_API void Initialize(const int32_t* nw, const int32_t* ng, const int32_t* nz);
TVK_BOX_API void AllocAll(int32_t* istat, const int32_t* maxw, const int32_t* maxg, const int32_t* maxz);
TVK_BOX_API void AllocateWallData(int32_t* istat, const int32_t* maxw);
TVK_BOX_API void AllocateCapData(int32_t* istat, const int32_t* maxg);
TVK_BOX_API void AllocateCellData(int32_t* istat, const int32_t* maxz, const int32_t* maxg);
TVK_BOX_API void AllocateForceData(int32_t* istat, const int32_t* maxw);
TVK_BOX_API void AllocateEpigamData(int32_t* istat, const int32_t* maxw, const int32_t* maxg);
TVK_BOX_API void GetEquivalentXSection(void);

/* Solves N unknowns from N+1 linear equations A (leading dimension KL, rows 1..N+1, columns
 * 1..N; overwritten) with right-hand side B by Gaussian elimination with row pivoting. IFAIL 0 on
 * success, else the elimination step that stopped (1..N+1); -1 for N < 1 or KL < N+1. */
TVK_BOX_API void TVERT(double* A, const int32_t* N, const int32_t* KL, const double* EPS,
                       const double* B, int32_t* IP, double* X, int32_t* IFAIL);
/* Strided scalar product: sum over i = 1..N of A(1+(i-1)*LA) * B(1+(i-1)*LB). */
TVK_BOX_API double QVSKPX(const double* A, const double* B, const int32_t* N, const int32_t* LA,
                          const int32_t* LB);
/* Equivalent nodal forces of walls 1..maxw from the current results, written to the report unit
 * KLOG when DRUCK is set (the unit must be open). */
TVK_BOX_API void KNKRFT(const int32_t* maxw);

#endif
