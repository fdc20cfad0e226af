// Probe routines for the binding engine's own tests: one routine per calling convention
// (fixed and sized arrays, copies and in-place updates, functions, text, logicals, complex
// values, call-backs, state updated in place) and a few model variables.
#include <array>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "core/table.h"
#include "engine/bind.h"
#include "engine/engine.h"
#include "../cpp/signature_cases.h"

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

// At the grammar's argument limit: 64 arguments, all of them parameters of the Python call.
// acc[0] = sum of k * x<k>, acc[1] = the number of values read.
TVK_API void pr_many(double* acc, const double* x1, const double* x2, const double* x3, const double* x4, const double* x5, const double* x6, const double* x7, const double* x8, const double* x9, const double* x10, const double* x11, const double* x12, const double* x13, const double* x14, const double* x15, const double* x16, const double* x17, const double* x18, const double* x19, const double* x20, const double* x21, const double* x22, const double* x23, const double* x24, const double* x25, const double* x26, const double* x27, const double* x28, const double* x29, const double* x30, const double* x31, const double* x32, const double* x33, const double* x34, const double* x35, const double* x36, const double* x37, const double* x38, const double* x39, const double* x40, const double* x41, const double* x42, const double* x43, const double* x44, const double* x45, const double* x46, const double* x47, const double* x48, const double* x49, const double* x50, const double* x51, const double* x52, const double* x53, const double* x54, const double* x55, const double* x56, const double* x57, const double* x58, const double* x59, const double* x60, const double* x61, const double* x62, const double* x63) {
    const double* x[] = {x1, x2, x3, x4, x5, x6, x7, x8, x9, x10, x11, x12, x13, x14, x15, x16, x17, x18, x19, x20, x21, x22, x23, x24, x25, x26, x27, x28, x29, x30, x31, x32, x33, x34, x35, x36, x37, x38, x39, x40, x41, x42, x43, x44, x45, x46, x47, x48, x49, x50, x51, x52, x53, x54, x55, x56, x57, x58, x59, x60, x61, x62, x63};
    for (int k = 0; k < 63; ++k) {
        acc[0] += (k + 1) * *x[k];
        acc[1] += 1.0;
    }
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

static_assert(signature_cases::at_limit.n < signature_cases::at_limit.c.size());
TVK_ROUTINE(tmath, many, pr_many, signature_cases::at_limit.c_str());

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

// Test hooks of the binding grammar: the import-time parser's verdict on a signature, and the
// table of signatures with the faults the build's reader found in them (signature_cases.h).
namespace {
template <std::size_t... I>
constexpr std::array<tvk::py::grammar::Fault, sizeof...(I)> compile_time_faults(std::index_sequence<I...>) {
    return {tvk::py::grammar::check(signature_cases::cases[I].sig)...};
}
constexpr auto compiled_faults = compile_time_faults(std::make_index_sequence<signature_cases::count>{});

// "" when the import accepts `text` as a routine's signature (parsed, call plan built), else the
// name of the grammar's fault, or "plan: <reason>" when only the call plan refuses it.
PyObject* probe_parse_signature(PyObject*, PyObject* arg) {
    const char* text = PyUnicode_AsUTF8(arg);
    if (!text) return nullptr;
    std::string verdict;
    try {
        tvk::py::Routine r;
        r.sig = tvk::py::parse_signature(text, false);
        const tvk::py::Signature& s = r.sig;
        for (int k : s.required) r.visible.push_back(s.args[static_cast<std::size_t>(k)].name);
        for (int k : s.optional) r.visible.push_back(s.args[static_cast<std::size_t>(k)].name);
        for (int k : s.extras) r.visible.push_back("extra_" + s.args[static_cast<std::size_t>(k)].name);
        const std::string why = tvk::py::build_plan(r);
        if (!why.empty()) verdict = "plan: " + why;
    } catch (const tvk::py::SignatureError& e) {
        verdict = tvk::py::grammar::fault_name(e.fault);
    } catch (const std::exception& e) {
        verdict = std::string("other: ") + e.what();
    }
    return PyUnicode_FromStringAndSize(verdict.data(), static_cast<Py_ssize_t>(verdict.size()));
}

// [(signature, stated fault, fault found by the build's reader), ...]
PyObject* probe_signature_cases(PyObject*, PyObject*) {
    PyObject* list = PyList_New(0);
    if (!list) return nullptr;
    for (std::size_t k = 0; k < signature_cases::count; ++k) {
        const auto& c = signature_cases::cases[k];
        const std::string_view found = tvk::py::grammar::fault_name(compiled_faults[k]);
        PyObject* item = Py_BuildValue("(s#s#s#)", c.sig.data(), static_cast<Py_ssize_t>(c.sig.size()), c.fault.data(),
                                       static_cast<Py_ssize_t>(c.fault.size()), found.data(), static_cast<Py_ssize_t>(found.size()));
        if (!item || PyList_Append(list, item) < 0) {
            Py_XDECREF(item);
            Py_DECREF(list);
            return nullptr;
        }
        Py_DECREF(item);
    }
    return list;
}

// The cheapest callable object that is not a builtin function: a vectorcall type whose call takes
// one exact float and returns its absolute value. The interpreter specialises calls of builtin
// functions such as abs() and cannot for any other callable; timed beside abs() and the engine's
// scalar routine (bench/binding_kinds_py.py) it separates the two costs.
struct BareAbs {
    PyObject_HEAD
    vectorcallfunc vectorcall;
};
PyObject* bare_abs_call(PyObject*, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    if (kwnames || PyVectorcall_NARGS(nargsf) != 1 || !PyFloat_CheckExact(args[0])) {
        PyErr_SetString(PyExc_TypeError, "bare_abs takes one float");
        return nullptr;
    }
    const double x = PyFloat_AS_DOUBLE(args[0]);
    return PyFloat_FromDouble(x < 0.0 ? -x : x);
}
PyTypeObject BareAbsType = {};

PyObject* new_bare_abs() {
    BareAbsType.tp_name = "_tvkprobe.bare_abs";
    BareAbsType.tp_basicsize = sizeof(BareAbs);
    BareAbsType.tp_vectorcall_offset = offsetof(BareAbs, vectorcall);
    BareAbsType.tp_call = PyVectorcall_Call;
    BareAbsType.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_VECTORCALL;
    if (PyType_Ready(&BareAbsType) < 0) return nullptr;
    BareAbs* o = PyObject_New(BareAbs, &BareAbsType);
    if (o) o->vectorcall = bare_abs_call;
    return reinterpret_cast<PyObject*>(o);
}

PyObject* probe_call_path(PyObject*, PyObject* o) {
    const char* path = tvk::py::call_path(o);
    if (!path) {
        PyErr_SetString(PyExc_TypeError, "not a routine object");
        return nullptr;
    }
    return PyUnicode_FromString(path);
}

PyMethodDef probe_methods[] = {
    {"parse_signature", probe_parse_signature, METH_O, nullptr},
    {"call_path", probe_call_path, METH_O, nullptr},
    {"signature_cases", probe_signature_cases, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};
}  // namespace

PyMODINIT_FUNC PyInit__tvkprobe(void) {
    PyObject* m = tvk::py::create_module("_tvkprobe");
    if (m && PyModule_AddFunctions(m, probe_methods) < 0) {
        Py_DECREF(m);
        return nullptr;
    }
    PyObject* bare = m ? new_bare_abs() : nullptr;
    if (m && (!bare || PyModule_AddObject(m, "bare_abs", bare) < 0)) {
        Py_XDECREF(bare);
        Py_DECREF(m);
        return nullptr;
    }
    return m;
}
