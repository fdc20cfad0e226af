// Internal state of one box-beam calculation and the pieces that work on it: section properties
// and normal forces, shear flows and torsion, nodal forces, and the report writer they share.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/format.h"
#include "section.h"

namespace tvk::boxbeam {

// The report file (unit KLOG) and the extended trace (unit 10*KLOG) of one calculation.
class Report {
  public:
    Report() = default;
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    ~Report();
    // Opens the files the output control asks for, appending to existing files.
    bool open(Status& st);
    void close();
    bool on() const { return druck_; }      // section report
    bool extended() const { return exdru_; } // extended blocks and trace
    void put(const io::Format& f, std::initializer_list<io::FmtItem> items);
    void put(const io::Format& f, const std::vector<io::FmtItem>& items);
    void trace(std::string_view label, std::initializer_list<double> values);
    void trace(std::string_view label, int value);
    // First failing write, as a message ("" when every write succeeded).
    const std::string& write_failure() const { return failure_; }

  private:
    void emit(int unit, const io::Format& f, const io::FmtItem* items, std::size_t n);
    bool druck_ = false, exdru_ = false;
    int unit_ = -1, trace_unit_ = -1;
    std::string failure_;
};

// The work arrays of a calculation. They are kept from one calculation to the next (see
// calculation.cpp), so that a series of sections allocates only while its sizes grow.
struct CalcArrays {
    // per wall (index k-1)
    std::vector<double> LK, SKYK, SKZK;
    std::vector<double> SSTYK, SSTZK, DSIYK, DSIZK, FSTSYM, FSTSZM, RUK, TRUYK, TRUZK, DELTYK, DELTZK,
        DDQYK, DDQZK;
    std::vector<double> GN;  // boom forces (printed only)

    // topology: walls ending at each boom; walls along and against each cell's circuit (0-based)
    std::vector<std::vector<int>> IAL, IALA, IBETA;
    std::vector<double> ZFA, SCALE;

    std::vector<double> C;  // the equation system (see Calc::c)
    // scratch of the solves (system copy, right side, pivot order), the booms in the principal
    // system, the unit-torque solution and the nodal forces
    std::vector<double> solve_c, solve_r, bz, by, unit, forces;
    std::vector<int> solve_ip;
};

struct Calc : CalcArrays {
    int KW = 0, IG = 0, AZ = 0;
    // the loads, copied: the calculation moves and turns them
    double QX = 0, QY = 0, QZ = 0, MX = 0, MY = 0, MZ = 0;
    double SINA = 0, COSA = 1, SIN2 = 0, COS2 = 1, SIN2AL = 0, COS2AL = 1;
    double IYYD = 0, IZYD = 0, IZZD = 0;  // mass moments about the stiffness centre
    double DYYVRT = 0, DZYVRT = 0, DZZVRT = 0, DITT = 0, DITTVRT = 0;

    double RMX = 0;

    // equation system: rows booms, cells, moment; columns walls, twist, right side
    int rows = 0, cols = 0;
    double& c(int i, int j) { return C[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * rows]; }
    double c(int i, int j) const { return C[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * rows]; }

    Report rep;

    // Turns (y, z) into the principal system at the stiffness centre.
    void principal(double y, double z, double& zs, double& ys) const;
};

// Phases of the calculation.
void section_properties(Calc& w);  // sums, centres, bending stiffnesses, mass moments
void principal_axes(Calc& w);
void normal_forces(Calc& w);
bool shear_flows(Calc& w, Status& st);  // coefficients, topology, shear centre, flows, torsion
void nodal_forces(Calc& w);

// Solver and scalar product (IFAIL of TVERT: 0, the step whose pivot is too small, or n + 1
// when the redundant row does not hold within the rounding of its terms; -1 for a system of no
// unknowns). `work` holds (n + 1)^2 entries.
int tvert(double* A, int n, int kl, double eps, const double* b, int* ip, double* x, double* work);
double qvskpx(const double* a, const double* b, int n, int la, int lb);

// Report blocks.
void report_input(Report& r);
void report_properties(Calc& w);
void report_principal_axes(Calc& w);
void report_normal_forces(Calc& w);
void report_first_moments(Calc& w);
void report_failure(Report& r, std::string_view text);
void report_topology(Report& r, int cell, int boom1, int boom2);
void report_solver_failure(Report& r, int ifail);
void report_system(Calc& w, int nrows, int ncols);
void report_solution(Calc& w, const double* x, int n);
void report_residuals(Calc& w, const double* x, int nrows, int nvar, int rhs);
void report_shear_centre(Calc& w);
void report_open_profile(Report& r);
void report_shear_flows(Calc& w);
void report_twist(Report& r, double theta);
void report_mass_moments(Report& r);
void report_torsion(Report& r);
void report_nodal_forces(Calc& w, const std::vector<double>& p, double spx, double spy, double spz);

}  // namespace tvk::boxbeam
