// Probe routines for the binding engine's own tests: one routine per calling convention
// (fixed and sized arrays, copies and in-place updates, functions, text, logicals, complex
// values, call-backs, state updated in place) and a few model variables.
#include <cctype>
#include <cstring>

#include "core/table.h"
#include "engine/bind.h"
#include "engine/engine.h"

namespace probe {
int nsec = 0;
double rscal = 0.0;
char jobname[16] = {};
tvk::Table<double, 2> plyzcoord;
tvk::Table<int, 1> stepid;
}  // namespace probe

TVK_API void pr_vcross(double* c, const double* a, const double* b) {
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
}
TVK_API void pr_vsum(double* a, const double* b, const int* n) {
    for (int k = 0; k < *n; ++k) a[k] += b[k];
}
TVK_API void pr_vsumpad(double* a, const double* b, const int* n, const int* k) {
    for (int j = 0; j < *n; ++j) a[j] += b[j + *k];
}
TVK_API void pr_lufac(double* lu, const int* n, int* info) {
    *info = *n;
    for (int k = 0; k < *n; ++k) lu[k + k * *n] *= 2.0;
}
TVK_API void pr_scal2(const double* x, const int* k, double* y) { *y = *x * *k; }
TVK_API void pr_noout(const double*, const int*) {}
TVK_API double pr_fdot(const double* a, const double* b, const int* n) {
    double s = 0;
    for (int k = 0; k < *n; ++k) s += a[k] * b[k];
    return s;
}
TVK_API int pr_ifind(const int* element, const int* array, const int* ndim, const int* notfound) {
    for (int k = 0; k < *ndim; ++k)
        if (array[k] == *element) return k + 1;
    return notfound ? *notfound : -1;
}
TVK_API void pr_upper(const char* s, char* o, std::size_t ls, std::size_t lo) {
    for (std::size_t k = 0; k < lo; ++k) o[k] = k < ls ? static_cast<char>(std::toupper(static_cast<unsigned char>(s[k]))) : ' ';
}
TVK_API void pr_nulstr(char* o, std::size_t lo) {
    std::memset(o, ' ', lo);
    std::memcpy(o, "ab\0cd", 5);
}
TVK_API void pr_logtest(const int* flag, int* r) { *r = *flag ? 7 : 3; }
TVK_API void pr_cplx(const tvk::cplx* z, tvk::cplx* w) { *w = *z * tvk::cplx(0, 1); }
TVK_API void pr_cplxout(tvk::cplx*) {}
TVK_API void pr_state(double* x, int* k) {
    *x += 1.0;
    *k += 1;
}
TVK_API void pr_optdef(const double* w, const int* n, double* s) {
    *s = 0;
    for (int k = 0; k < *n; ++k) *s += w[k];
}
TVK_API void pr_mat(const double* a, const int* n, const int* m, double* b) {
    for (int k = 0; k < *n * *m; ++k) b[k] = a[k] * 10;
}
using DFunc = tvk::CallbackRef<void(double*, double*, const double*, const double*, const int*, const int*)>;
namespace probe {
void cbtest(DFunc dfunc, const double* x, const double* args, const int* na, const int* ncalls, double* f, double* df) {
    double xv = *x;
    int nfun = 7;
    for (int k = 0; k < *ncalls; ++k) dfunc(f, df, &xv, args, na, &nfun);
}
}  // namespace probe
TVK_API void pr_cbtest(void (*dfunc)(double*, double*, const double*, const double*, const int*, const int*),
                       const double* x, const double* args, const int* na, const int* ncalls, double* f, double* df) {
    probe::cbtest(DFunc::plain(dfunc), x, args, na, ncalls, f, df);
}
TVK_API void pr_cbtest_ref(DFunc dfunc, const double* x, const double* args, const int* na, const int* ncalls, double* f, double* df) {
    probe::cbtest(dfunc, x, args, na, ncalls, f, df);
}
// A call-back that updates an array and a scalar in place: called ncalls times on a working copy
// of y0 and a running scalar s (0 at first), which are returned.
using UFunc = tvk::CallbackRef<void(double*, double*, const int*)>;
TVK_API void pr_cbupdate(UFunc ufunc, const double* y0, const int* n, const int* ncalls, double* y, double* s) {
    for (int k = 0; k < *n; ++k) y[k] = y0[k];
    *s = 0.0;
    for (int c = 0; c < *ncalls; ++c) ufunc(y, s, n);
}
// A native call-back for the capsule path: f = x*x - 2, df = 2x.
TVK_API void pr_square(double* f, double* df, const double* x, const double*, const int*, const int*) {
    *f = *x * *x - 2.0;
    *df = 2.0 * *x;
}

TVK_CALLBACK(probe_dfunc, "f:f8:out df:f8:out x:f8 args:f8(na) na:i4 nfun:i4");

TVK_CALLBACK(probe_ufunc, "y:f8(n):inout s:f8:inout n:i4");

TVK_ROUTINE(tmath, vcross, pr_vcross, "c:f8(3):out a:f8(3) b:f8(3)");
TVK_ROUTINE(tmath, vsum, pr_vsum, "a:f8(n):io+copy b:f8(n) n:i4");
TVK_ROUTINE(tmath, vsumov, pr_vsum, "a:f8(n):io+overwrite b:f8(n) n:i4");
TVK_ROUTINE(tmath, vsumio, pr_vsum, "a:f8(n):io b:f8(n) n:i4");
TVK_ROUTINE(tmath, vsuminplace, pr_vsum, "a:f8(n):inout b:f8(n) n:i4");
// An explicit size default taken from the second vector: only the extent check made once every
// argument is known guards b; and an extent that is a sum of two arguments.
TVK_ROUTINE(tmath, vsumhint, pr_vsum, "a:f8(n):io b:f8(n) n:i4:opt=len(b)");
TVK_ROUTINE(tmath, vsumpad, pr_vsumpad, "a:f8(n):io b:f8(n+k) n:i4 k:i4:opt=0:check(k>=0)");
TVK_ROUTINE(tmath, lufac, pr_lufac, "lu:f8(n,n):io n:i4 info:i4:out");
TVK_ROUTINE(tmath, scal2, pr_scal2, "x:f8 k:i4 y:f8:out");
TVK_ROUTINE(tmath, noout, pr_noout, "x:f8 k:i4");
TVK_ROUTINE(tmath, fdot, pr_fdot, "fdot:f8:ret a:f8(n) b:f8(n) n:i4");
TVK_ROUTINE(tmath, ifind, pr_ifind, "ifind:i4:ret element:i4 array:i4(ndim) ndim:i4 notfound:i4:opt=-1");
TVK_ROUTINE(tmath, upper, pr_upper, "s:s8 o:s8:out");
TVK_ROUTINE(tmath, nulstr, pr_nulstr, "outmsg:s8:out");
TVK_ROUTINE(tmath, logtest, pr_logtest, "flag:l4 r:i4:out");
TVK_ROUTINE(tmath, cplx, pr_cplx, "z:c16 w:c16:out");
TVK_ROUTINE(tmath, cplxout, pr_cplxout, "w:c16:out");
TVK_ROUTINE(tmath, state, pr_state, "x:f8:inout k:i4:inout");
TVK_ROUTINE(tmath, optdef, pr_optdef, "w:f8(n):opt=-1. n:i4 s:f8:out");
TVK_ROUTINE(tmath, mat, pr_mat, "a:f8(n,m) n:i4 m:i4 b:f8(n,m):out");
TVK_ROUTINE(tmath, cbtest, pr_cbtest_ref, "dfunc:cb(probe_dfunc) x:f8 args:f8(na) na:i4 ncalls:i4 f:f8:out df:f8:out");
TVK_ROUTINE(tmath, cbupdate, pr_cbupdate, "ufunc:cb(probe_ufunc) y0:f8(n) n:i4 ncalls:i4 y:f8(n):out s:f8:out");
TVK_ROUTINE(tmath, square, pr_square, "f:f8:out df:f8:out x:f8 args:f8(na) na:i4 nfun:i4");

TVK_SCALAR(tdata, nsec, probe::nsec);
TVK_SCALAR(tdata, rscal, probe::rscal);
TVK_TEXT(tdata, jobname, probe::jobname);
TVK_TABLE(tdata, plyzcoord, probe::plyzcoord);
TVK_TABLE(tdata, stepid, probe::stepid);
TVK_CONST(tdata, dp, 8);

namespace tvk::py {
const std::vector<std::string>& namespace_order() {
    static const std::vector<std::string> order = {"tmath", "tdata", "tsolver"};
    return order;
}
}  // namespace tvk::py

PyMODINIT_FUNC PyInit__tvkprobe(void) { return tvk::py::create_module("_tvkprobe"); }
