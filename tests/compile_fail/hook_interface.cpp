// Solver hooks that must not compile: a hook's argument list is written only in its interface, so a
// declaration, second name, binding line or native call that swaps or leaves out an argument is
// refused. Each case (TVK_CASE=n) fails naming the fault written after it (CMakeLists.txt reads
// the cases from this file); case 0 is the control.
#include "../../python/engine/solver.h"
#include "solver/loads.h"

TVK_SOLVER_DECLARE(Cload, cf_cload);
TVK_SOLVER_DECLARE(Cload, cf_cload_alias);

static void law(const tvk::solver::Cload& a) { a.f = a.cforce * static_cast<double>(a.sname.size()); }

// A native caller (a forwarding module) fills the view of an edge load by name; `first` and
// `second` are the position designators, in the order of the case.
#define TVK_CF_DELOAD(first, second)                                                                   \
    double b[64] = {}, alpha = 0;                                                                      \
    const tvk::solver::Deload a{.alpha = alpha, .t_user = {b, 3}, .kstep = 1, .kinc = 1, .time = {b, 2}, \
                                .noel = 1, .npt = 1, first = {b + 10, 3}, second = {b + 20, 3, 3},     \
                                .jltyp = 1, .sname = "IMP1 SYMX", .cprops = {b, 20, 1},                \
                                .dprops = {b + 30, 12, 1}, .nimp = 1};                                 \
    tvk::solver::Deload::call(deload, a)

#if TVK_CASE == 0
TVK_SOLVER_ENTRY(Cload, cf_cload, law)
TVK_SOLVER_ALIAS(Cload, cf_cload_alias, cf_cload)
TVK_SOLVER_ROUTINE(tcf, cload, Cload, cf_cload);
TVK_SOLVER_ROUTINE(tcf, dsload, Dsload, dsload);
TVK_SOLVER_ROUTINE(tcf, camplitude, Camplitude, CAMPLITUDE);
void forwarder() { TVK_CF_DELOAD(.coords, .dircos); }
#elif TVK_CASE == 1  // conflicting declaration of C function
// The second name written by hand once more, with the step and the coordinates swapped.
TVK_API void tvk_dsload(double* alpha, double* t_user, const double* coords, const int* kstep,
                        const double* dircos, const double* cprops, double* dprops, const int* nimp,
                        const int* elemid) {
    dsload(alpha, t_user, kstep, coords, dircos, cprops, dprops, nimp, elemid);
}
#elif TVK_CASE == 2  // conflicting declaration of C function
// A hook defined by hand without its set name.
TVK_API void cf_cload(double* f, double* ldflag, const double* cforce) { *f = *ldflag * *cforce; }
#elif TVK_CASE == 3  // type_differs_from_the_C_parameter
// A binding line written by hand with the step and the coordinates swapped.
TVK_ROUTINE(tcf, dsload, dsload,
            "alpha:f8:out t_user:f8(3):io coords:f8(3) kstep:i4 dircos:f8(3,3) cprops:f8(20,nimp) "
            "dprops:f8(12,nimp):io nimp:i4 elemid:i4:opt=0");
#elif TVK_CASE == 4  // argument_count_differs_from_the_C_function
// A binding line written by hand without the optional skip flag.
TVK_ROUTINE(tcf, camplitude, CAMPLITUDE, "amp:f8:out xydata:f8(ndata) xvalue:f8 ndata:i4");
#elif TVK_CASE == 5  // is declared with another interface than Deload
TVK_SOLVER_ALIAS(Deload, tvk_dsload, dsload)
#elif TVK_CASE == 6  // designator order for field
// Coordinates and direction cosines have the same C type: the names keep them apart.
void forwarder() { TVK_CF_DELOAD(.dircos, .coords); }
#elif TVK_CASE == 7  // must take the view of its interface
static void positional(double* f, const double* cforce) { *f = *cforce; }
TVK_SOLVER_ENTRY(Cload, cf_cload, positional)
#elif TVK_CASE == 8  // is not declared from the interface Chysteresis
TVK_SOLVER_ROUTINE(tcf, chysteresis, Chysteresis, CAMPLITUDE);
#elif TVK_CASE == 9  // missing initializer for member .*Cload::cforce
// A native call that leaves out the concentrated force.
void forwarder() {
    double b[64] = {};
    const tvk::solver::Cload a{.f = b[0], .ldflag = b[1], .sname = "POINT"};
    tvk::solver::Cload::call(cload, a);
}
#endif
