// Per-mode failure dispatchers (namespace `damage`): the criterion chosen per ply by the mode's
// selector, evaluated on one ply's stress with that ply's strengths, elastic constants and
// criterion parameters.
//
// Every dispatcher reads the ply's column of each table: its first ten strengths xt11, xt22, xt33,
// xc11, xc22, xc33, x12, x13, x23, ilss, its first nine elastic values (the Nye property vector)
// and its criterion parameters (a ply's set ends before the first `defreal` entry), laid out as
// the material tables declare them (tvk::columns in core/modeldata.h). The C++ forms in
// tvk::dispatch take the tables with their own extents, so the model's tables, whose first extent
// grows with the temperatures and the largest card block, hand each ply its own values of the
// first temperature block. The C forms below take arrays of fixed rows: psprops(10, nlayer, nsec),
// peprops(9, nlayer, nsec), pdprops(nprops, nlayer, nsec), plyorientation and plythickness
// (nlayer, nsec).
//
// A selector that names no criterion (0, and 1 or 2 of core crushing) gives f = r = 0 at once,
// without reading any table. Otherwise `layer` and `isec` select the column; outside the tables
// (or, for delamination, without a ply above `layer`) the dispatcher records a level -3 report and
// returns f = r = 0. The failed flag f is 1 when the exposure r is at least 1. A selector outside
// its table records a level -2 warning and gives f = r = 0. The criterion's exposure is passed on
// unchanged; one that is not a finite number (a NaN stress, zero strengths or moduli) is recorded
// at level -3 naming the criterion, the ply and the section, so that such a ply does not pass
// for an intact one.
#pragma once

#include "core/modeldata.h"
#include "core/tvk.h"

TVK_API void generalfailure(double* fgp, double* rgp, const double* plystress, const double* psprops,
                            const double* plyorientation, const int* layer, const int* nlayer, const int* isec,
                            const int* nsec, const int* gpflag);
TVK_API void fiberbreakage(double* ffb, double* rfb, const double* plystress, const double* peprops,
                           const double* psprops, const double* plyorientation, const int* layer,
                           const int* nlayer, const int* isec, const int* nsec, const int* fbflag);
TVK_API void MatrixCracking(double* fmc, double* rmc, const double* plystress, const double* peprops,
                            const double* psprops, const double* pdprops, const double* plyorientation,
                            const int* layer, const int* nlayer, const int* isec, const int* nsec,
                            const int* nprops, const int* mcflag, double* outtheta, const double* defreal);
TVK_API void delamination(double* fdel, double* rdel, const double* s33i, const double* lplystress,
                          const double* uplystress, const double* peprops, const double* psprops,
                          const double* plyorientation, const double* plythickness, const int* layer,
                          const int* nlayer, const int* isec, const int* nsec, const int* delflag);
TVK_API void corecrushing(double* fcc, double* rcc, const double* plystress, const double* psprops,
                          const double* plyorientation, const int* layer, const int* nlayer, const int* isec,
                          const int* nsec, const int* ccflag);

namespace tvk::dispatch {

// The tables a dispatcher reads, each with its own extents.
struct PlyTables {
    columns::PlyColumns<double> peprops;         // (>= 9, ply, sec) elastic values
    columns::PlyColumns<double> psprops;         // (>= 10, ply, sec) strengths
    columns::PlyColumns<double> pdprops;         // (nprops, ply, sec) criterion parameters
    columns::PlyColumns<double> plyorientation;  // (ply, sec) degrees
    columns::PlyColumns<double> plythickness;    // (ply, sec)
};

// The model's tables as they stand: materialdata peprops, psprops, pdprops and sectiondata
// plyorientation, plythickness. Take them once per material-point call.
PlyTables model_tables();

void general_failure(double& fgp, double& rgp, const double* plystress, const PlyTables& t, int layer, int isec,
                     int gpflag);
void fibre_breakage(double& ffb, double& rfb, const double* plystress, const PlyTables& t, int layer, int isec,
                    int fbflag);
// The number of criterion parameters is the first extent of t.pdprops. With outtheta holding a
// negative value on entry, the fracture-plane angle (radians) is handed out on failure.
void matrix_cracking(double& fmc, double& rmc, const double* plystress, const PlyTables& t, int layer, int isec,
                     int mcflag, double* outtheta = nullptr, double defreal = huge);
// The matrix criterion that mcflag selects, by its routine's name; "no matrix criterion" for 0 and
// for a flag outside the table.
const char* matrix_criterion(int mcflag);
void delamination_onset(double& fdel, double& rdel, double s33i, const double* lplystress,
                        const double* uplystress, const PlyTables& t, int layer, int isec, int delflag);
void core_crushing(double& fcc, double& rcc, const double* plystress, const PlyTables& t, int layer, int isec,
                   int ccflag);

}  // namespace tvk::dispatch
