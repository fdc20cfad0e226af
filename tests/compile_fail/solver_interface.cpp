// Solver routines that must not compile: an argument list written anywhere but in the interface's
// declaration is refused, so no argument can be misplaced. Each case (TVK_CASE=n) fails naming the
// fault written after it (CMakeLists.txt reads the cases from this file); case 0 is the control.
#include "../../python/engine/solver.h"

TVK_SOLVER_DECLARE(Umat, cf_umat);
TVK_SOLVER_DECLARE(Vumat, cf_vumat);

static void law(const tvk::solver::Umat& a) {
    for (int i = 0; i < a.ntens; ++i) a.stress[i] = a.props[0] * (a.stran[i] + a.dstran[i]);
}

// A native caller (an adapter) fills the view by name; `first` and `second` are the strain
// designators, in the order of the case.
#define TVK_CF_VIEW(first, second)                                                                       \
    double b[64] = {}, sse = 0, spd = 0, scd = 0, pnewdt = 1;                                            \
    int j[4] = {};                                                                                       \
    const tvk::solver::Umat a{.stress = {b, 6}, .statev = {b, 1}, .ddsdde = {b, 6, 6}, .sse = sse,       \
                              .spd = spd, .scd = scd, .rpl = 0, .ddsddt = {b, 6}, .drplde = {b, 6},      \
                              .drpldt = 0, first = {b + 40, 6}, second = {b + 50, 6}, .time = {b, 2},    \
                              .dtime = 0, .temp = 0, .dtemp = 0, .predef = {b, 1}, .dpred = {b, 1},      \
                              .materl = "ABQ_WRAPPER", .ndi = 3, .nshr = 3, .ntens = 6, .nstatv = 1,     \
                              .props = {b, 1}, .nprops = 1, .coords = {b, 3}, .drot = {b, 3, 3},         \
                              .pnewdt = pnewdt, .celent = 1, .dfgrd0 = {b, 3, 3}, .dfgrd1 = {b, 3, 3},   \
                              .noel = 1, .npt = 1, .kslay = 1, .kspt = 1, .jstep = {j, 4}, .kinc = 1};   \
    tvk::solver::Umat::call(cf_umat, a)

#if TVK_CASE == 0
TVK_SOLVER_ENTRY(Umat, cf_umat, law)
TVK_SOLVER_ROUTINE(tcf, umat, Umat, cf_umat);
void adapter() { TVK_CF_VIEW(.stran, .dstran); }
#elif TVK_CASE == 1  // must take the view of its interface
static void positional(double* stress, const double* dstran, const double* stran) { stress[0] = stran[0] + dstran[0]; }
TVK_SOLVER_ENTRY(Umat, cf_umat, positional)
#elif TVK_CASE == 2  // cf_hand.* is not a member of .*entry
// The argument list written by hand once more, with the strains swapped, and bound with the
// interface's signature.
TVK_API void cf_hand(double* stress, double* statev, double* ddsdde, double* sse, double* spd, double* scd,
                     const double* rpl, const double* ddsddt, const double* drplde, const double* drpldt,
                     const double* dstran, const double* stran, const double* time, const double* dtime,
                     const double* temp, const double* dtemp, const double* predef, const double* dpred,
                     const char* materl, const int* ndi, const int* nshr, const int* ntens, const int* nstatv,
                     const double* props, const int* nprops, const double* coords, const double* drot,
                     double* pnewdt, const double* celent, const double* dfgrd0, const double* dfgrd1,
                     const int* noel, const int* npt, const int* kslay, const int* kspt, const int* jstep,
                     const int* kinc, std::size_t materl_len);
TVK_SOLVER_ROUTINE(tcf, umat, Umat, cf_hand);
#elif TVK_CASE == 3  // is not declared from the interface Umat
TVK_SOLVER_ROUTINE(tcf, umat, Umat, cf_vumat);
#elif TVK_CASE == 4  // is declared with another interface than Umat
TVK_SOLVER_ENTRY(Umat, cf_vumat, law)
#elif TVK_CASE == 5  // assignment of read-only location
static void writes_input(const tvk::solver::Umat& a) { a.stran[0] = 0.0; }
TVK_SOLVER_ENTRY(Umat, cf_umat, writes_input)
#elif TVK_CASE == 6  // designator order for field
void adapter() { TVK_CF_VIEW(.dstran, .stran); }
#endif
