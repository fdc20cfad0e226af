// Resin constants at the current temperature and strain (namespace `resin`): lookups in the
// process-wide resin calibration tables, the property-vector laws of a neat resin measured at two
// temperatures, and the signed equivalent strain that indexes the secant-modulus table.
//
// Calibration tables (materialdata secantprops, flowprops, normalprops, shearprops,
// alpha1props..alpha3props): entry (t, r, f) is field f of data row r at temperature column t.
// A lookup interpolates along field 1 (the abscissa, strictly increasing) at temperature columns
// 1 and 2, then across the two calibration temperatures, which are the first two entries of
// materialdata temperatures (strictly increasing). Both stages extrapolate beyond the ends.
// A table, a row count or a temperature list that cannot be read that way (absent, too small,
// fewer rows than the count says, abscissas or temperatures not strictly increasing) is reported
// at level -2 and the lookup returns 0, never reaching the fatal exit of the interpolation.
//
// Temperatures are absolute; the degradation laws work in degrees Celsius (T - 273.15) and take
// 293.0 K and 293.15 K as room temperature.
//
// Property vector of GetResinProperties (at least 21 values; 32 when nprops >= 29):
//   1-9 block A: e, nu, num, xt, np, gamma, xc/xt ratio, a_woehler, exp_woehler; 10 its
//   temperature; 11-19 block B, 20 its temperature; 21 degr; 22-24 c2, c1, c0 of the quadratic
//   relative-modulus law; 25, 26 slope and intercept of the linear law; 27-29 Ta, Tb, Tc; 30 Tw;
//   31 m; 32 residual modulus.
// Property vector of GetResinPlasticProperties (at least 25 values; 36 when nprops >= 26):
//   1-11 block A: et, ec, g, nut, nuc, alpha, xt, xc, np, a_woehler, exp_woehler; 12 its
//   temperature; 13-23 block B, 24 its temperature; 25 degr; 26-28 c2, c1, c0; 29, 30 slope and
//   intercept; 31-33 Ta, Tb, Tc; 34 Tw; 35 m; 36 residual modulus.
// nprops is what switches the degradation law on. The exported routines read no more than nprops
// values: a count that switches the law on without holding its coefficients (29 to 31, resp. 26
// to 35) is taken as 28 (resp. 25) after a level -2 report. The routines of tvk::resin below
// read the whole vector from the switch on; their caller guarantees it (the Python binding
// checks the length).
#pragma once

#include <cstddef>

#include "core/modeldata.h"
#include "core/table.h"
#include "core/tvk.h"

namespace tvk::resin {

// Whether the computation of solver element noel writes its trace lines (element 0 never does).
inline bool traced(int noel) { return debugdata.edebug != 0 && noel == debugdata.edebug; }

enum class Method { linear, cubic };

// Two-stage lookup in a calibration table: field `field` (2 or 3) against field 1 over rows
// 1..nrows at x, then across temperature at temp. `routine` names the caller in a report.
// Returns false (value 0, level -2 report) when the table cannot be read.
bool lookup(const Table<double, 3>& table, int nrows, int field, double x, double temp,
            Method method, const char* routine, double& value);
// Whether `lookup` can read the table (every check it makes before it interpolates holds), without
// a report: for a caller that refuses its point when a table it needs is missing.
bool readable(const Table<double, 3>& table, int nrows, int field, Method method);

// The property routines for a caller that hands in the whole vector whenever nprops switches the
// modulus law on (32, resp. 36 values), whatever the count: the same arguments as the exported
// GetResinProperties, GetResinPlasticProperties and GetResinOrthotropicProperties.
void properties(const double* props, const int* nprops, const double* temp, double* e, double* nu, double* num,
                double* gamma, double* degr, double* xt, double* xc, double* np, double* a_woehler,
                double* exp_woehler, const int* noel) TVK_HOST_API("tvk_resin_properties");
void plastic_properties(const double* props, const int* nprops, const double* temp, const double* eqplaststrain,
                        double* et, double* ec, double* g, double* nut, double* nuc, double* a0, double* a1,
                        double* alpha, double* degr, double* xt, double* xc, double* np, double* a_woehler,
                        double* exp_woehler) TVK_HOST_API("tvk_resin_plastic_properties");
void orthotropic_properties(const double* props, const int* nprops, const double* temp, const double* dt,
                            const double* stran, const double* endstran, double* e1, double* e2, double* e3,
                            double* nu12, double* nu13, double* nu23, double* nu21, double* nu31, double* nu32,
                            double* g12, double* g13, double* g23, double* xt, double* xc, double* np,
                            double* a_woehler, double* exp_woehler, double* degr, const int* noel, const double* d)
    TVK_HOST_API("tvk_resin_orthotropic_properties");

}  // namespace tvk::resin

// rvalue from datafield(n1, n2, n3) (temperature column, row, field) over rows 1..ndata at x0 and
// temp: cubic Hermite when stype is "C" (either case), linear otherwise.
TVK_API void GetExternalData(const double* datafield, const int* n1, const int* n2, const int* n3,
                             const int* ndata, const double* x0, const double* temp, double* rvalue,
                             const char* stype, std::size_t stype_len);
// Flow parameters a0, a1 of flowprops at the equivalent plastic strain and temperature (cubic).
TVK_API void GetFlowParameters(const double* eqplaststrain, double* a0, double* a1,
                               const double* temp);
// Secant modulus of secantprops at the signed equivalent strain and temperature (cubic).
TVK_API void GetModulusFromTable(const double* eqstrain, double* e, const double* temp);
// Isotropic resin constants at temp. nprops < 21: level -2 report, every output 0; 29 to 31:
// taken as 28 (no modulus law) after a level -2 report.
TVK_API void GetResinProperties(const double* props, const int* nprops, const double* temp,
                                double* e, double* nu, double* num, double* gamma, double* degr,
                                double* xt, double* xc, double* np, double* a_woehler,
                                double* exp_woehler, const int* noel);
// Resin constants of the plasticity law at temp; a0, a1 from GetFlowParameters at the
// equivalent plastic strain. nprops < 25: level -2 report, every output 0; 26 to 35: taken as
// 25 (no modulus law) after a level -2 report.
TVK_API void GetResinPlasticProperties(const double* props, const int* nprops, const double* temp,
                                       const double* eqplaststrain, double* et, double* ec,
                                       double* g, double* nut, double* nuc, double* a0, double* a1,
                                       double* alpha, double* degr, double* xt, double* xc,
                                       double* np, double* a_woehler, double* exp_woehler);
// Orthotropic resin constants for the end strain endstran(6): the isotropic constants of
// GetResinProperties softened per direction by the normalprops and shearprops coefficients (not
// looked up when d >= 1 and degr < 1). stran takes no part; dt is traced only. When a lookup
// fails, the moduli and Poisson's ratios are 0. nprops 29 to 31 as in GetResinProperties.
TVK_API void GetResinOrthotropicProperties(const double* props, const int* nprops,
                                           const double* temp, const double* dt,
                                           const double* stran, const double* endstran,
                                           double* e1, double* e2, double* e3, double* nu12,
                                           double* nu13, double* nu23, double* nu21, double* nu31,
                                           double* nu32, double* g12, double* g13, double* g23,
                                           double* xt, double* xc, double* np, double* a_woehler,
                                           double* exp_woehler, double* degr, const int* noel,
                                           const double* d);
// Signed equivalent strain of strain(ntens) (3, 4 or 6 components, engineering shear): the
// tensor norm, negative when the volumetric strain is. ndi takes no part.
TVK_API void EquivalentStrain(const double* strain, double* eqstrain, const int* ndi,
                              const int* ntens);
