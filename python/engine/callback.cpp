// Call-backs: preparing a Python callable or a native routine for a call, and invoking the
// callable from the routine with the call-back's arguments (inputs handed over, outputs taken
// from its return value).
#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "state.h"

namespace tvk::py {

namespace {
// Arguments a Python callable can be handed (the call-back's own and its extra arguments).
constexpr int kMaxCbArgs = grammar::max_args;
// Native stack kept free below a call-back: one more level of nesting (about 7 kB, 9 kB under
// the address sanitizer) and the unwinding of an error must fit in it.
constexpr std::uintptr_t kCbStackReserve = 64 * 1024;
}  // namespace

namespace {

// The positional parameters of a plain function (`bound`: the first is bound to an instance),
// and how many of them have defaults; false when they are not known from the code alone (a
// wrapper that names the function it wraps, or one that carries its own signature).
bool code_arity(PyObject* fn, bool bound, int& tot, int& opt) {
    PyObject* dict = reinterpret_cast<PyFunctionObject*>(fn)->func_dict;
    if (dict && PyDict_GET_SIZE(dict) > 0 &&
        (PyDict_GetItemString(dict, "__wrapped__") || PyDict_GetItemString(dict, "__signature__")))
        return false;
    const PyCodeObject* code = reinterpret_cast<PyCodeObject*>(PyFunction_GET_CODE(fn));
    const int n = code->co_argcount - (bound ? 1 : 0);
    PyObject* defs = PyFunction_GET_DEFAULTS(fn);
    const int nd = defs ? static_cast<int>(PyTuple_GET_SIZE(defs)) : 0;
    if (!(code->co_flags & CO_VARARGS)) tot = std::max(n, 0);  // *args takes everything offered
    opt = std::min(nd, std::max(n, 0));
    return true;
}

// How many positional arguments the callable takes (`tot`, left as is when it takes any number)
// and how many of them are optional (`opt`), from its signature as inspect.signature reads it:
// a bound method's instance is not counted, parameters with defaults are optional, keyword-only
// ones are not counted. A callable without a readable signature takes every argument offered.
bool arity(PyObject* o, int& tot, int& opt) {
    if (PyFunction_Check(o) && code_arity(o, false, tot, opt)) return true;
    if (PyMethod_Check(o) && PyFunction_Check(PyMethod_GET_FUNCTION(o)) &&
        code_arity(PyMethod_GET_FUNCTION(o), true, tot, opt))
        return true;
    if (!PyType_Check(o) && !PyFunction_Check(o) && !PyMethod_Check(o) && !PyCFunction_Check(o)) {
        // An instance whose class defines __call__ in Python: that method's arity.
        PyObject* call = PyObject_GetAttrString(o, "__call__");
        if (!call) {
            PyErr_Clear();
        } else {
            const bool ok = PyMethod_Check(call) && PyFunction_Check(PyMethod_GET_FUNCTION(call)) &&
                            code_arity(PyMethod_GET_FUNCTION(call), true, tot, opt);
            Py_DECREF(call);
            if (ok) return true;
        }
    }
    static PyObject* signature = nullptr;
    static PyObject* empty = nullptr;
    if (!signature) {
        PyObject* inspect = PyImport_ImportModule("inspect");
        if (!inspect) return false;
        PyObject* par = PyObject_GetAttrString(inspect, "Parameter");
        signature = PyObject_GetAttrString(inspect, "signature");
        empty = par ? PyObject_GetAttrString(par, "empty") : nullptr;
        Py_XDECREF(par);
        Py_DECREF(inspect);
        if (!signature || !empty) {
            Py_CLEAR(signature);
            Py_CLEAR(empty);
            return false;
        }
    }
    PyObject* sig = PyObject_CallOneArg(signature, o);
    if (!sig) {
        // No signature to be had (some builtins): every argument is handed over.
        if (!PyErr_ExceptionMatches(PyExc_ValueError) && !PyErr_ExceptionMatches(PyExc_TypeError)) return false;
        PyErr_Clear();
        return true;
    }
    PyObject* params = PyObject_GetAttrString(sig, "parameters");
    Py_DECREF(sig);
    PyObject* values = params ? PyMapping_Values(params) : nullptr;
    Py_XDECREF(params);
    if (!values) return false;
    int n = 0, nd = 0;
    bool varargs = false;
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(values); ++k) {
        PyObject* prm = PyList_GET_ITEM(values, k);
        PyObject* kind = PyObject_GetAttrString(prm, "kind");
        PyObject* def = kind ? PyObject_GetAttrString(prm, "default") : nullptr;
        const long kd = def ? PyLong_AsLong(kind) : -1;
        Py_XDECREF(kind);
        if (!def || (kd == -1 && PyErr_Occurred())) {
            Py_XDECREF(def);
            Py_DECREF(values);
            return false;
        }
        if (kd <= 1) {  // positional-only or positional-or-keyword
            ++n;
            if (def != empty) ++nd;
        } else if (kd == 2) {
            varargs = true;
        }
        Py_DECREF(def);
    }
    Py_DECREF(values);
    if (!varargs) tot = n;
    opt = nd;
    return true;
}

}  // namespace

bool setup_callback(const Routine& r, const ArgDesc& a, ArgState& s, PyObject* o, PyObject* extra, CbContext& ctx) {
    ctx = CbContext{};
    ctx.sig = a.cb;
    ctx.routine = &r;
    ctx.arg = &a;
    ctx.extra = extra;
    const std::string fail = "failed in processing argument list for call-back " + a.name + ".";
    if (PyCapsule_CheckExact(o)) {
        if (extra && PyTuple_GET_SIZE(extra) > 0) {
            PyErr_SetString(error_type, fail.c_str());
            return false;
        }
        const char* name = PyCapsule_GetName(o);
        void* p = PyCapsule_GetPointer(o, name);
        if (!p) return false;
        for (const Routine& cand : routines()) {
            std::string plain;
            for (char ch : cand.codes)
                if (ch != 'k') plain += ch;
            if (cand.entry == p && plain == a.cb->sig.codes) {
                ctx.native = p;
                break;
            }
        }
        if (!ctx.native && name && std::string(name) == "tvk.callback." + a.cb->name) ctx.native = p;
        if (!ctx.native) {
            PyErr_SetString(error_type, (fail + " The capsule does not hold a routine of this call-back's form.").c_str());
            return false;
        }
        s.cb = &ctx;
        s.ptr = &ctx;
        return true;
    }
    // A routine of the module whose C entry has the call-back's form is called natively, without
    // a round trip through Python; any other callable object goes through Python.
    if (const Routine* rt = routine_of(o); rt && (!extra || PyTuple_GET_SIZE(extra) == 0)) {
        std::string plain;
        for (char ch : rt->codes)
            if (ch != 'k') plain += ch;
        if (plain == a.cb->sig.codes) {
            ctx.native = rt->entry;
            s.cb = &ctx;
            s.ptr = &ctx;
            return true;
        }
    }
    if (!PyCallable_Check(o)) {
        PyErr_SetString(error_type, fail.c_str());
        return false;
    }
    ctx.callable = o;
    // Arity: as many call-back arguments as the callable takes, then the extra arguments.
    const int maxn = static_cast<int>(a.cb->passed.size());
    const int ext = extra ? static_cast<int>(PyTuple_GET_SIZE(extra)) : 0;
    int tot = maxn + ext, opt = 0;
    if (!arity(o, tot, opt)) return false;
    int siz = std::min(maxn + ext, tot);
    if (siz < tot - opt) {
        PyErr_SetString(error_type, fail.c_str());
        return false;
    }
    // The callable is invoked with its arguments in a fixed stack array.
    if (siz > kMaxCbArgs) {
        PyErr_Format(error_type, "%s Too many arguments: %d (at most %d).", fail.c_str(), siz, kMaxCbArgs);
        return false;
    }
    ctx.npass = std::max(0, siz - ext);
    ctx.nextra = siz - ctx.npass;
    s.cb = &ctx;
    s.ptr = &ctx;
    return true;
}

void* native_callback(const CbContext* ctx) { return ctx->native; }

namespace {

struct CbEnv final : ExprEnv {
    const Signature& s;
    void* const* ptrs;
    const std::size_t* lens;
    CbEnv(const Signature& sig, void* const* p, const std::size_t* l) : s(sig), ptrs(p), lens(l) {}
    bool scalar(int k, Value& v) const override {
        const ArgDesc& a = s.args[k];
        if (a.rank() != 0 || a.intent == Intent::ret) return false;
        void* p = ptrs[a.data_slot];
        if (!p) return false;
        switch (a.type) {
            case Ty::f8: v = Value::of(*static_cast<double*>(p)); return true;
            case Ty::i4: case Ty::l4: v = Value::of(static_cast<std::int64_t>(*static_cast<int*>(p))); return true;
            case Ty::l1: v = Value::of(static_cast<std::int64_t>(*static_cast<std::int8_t*>(p))); return true;
            default: return false;
        }
    }
    bool extent(int k, int axis, std::int64_t& n) const override {
        const ArgDesc& a = s.args[k];
        if (a.type == Ty::text) { n = static_cast<std::int64_t>(lens[a.len_slot]); return true; }
        if (axis >= a.rank()) return false;
        Value v;
        if (!a.dims[axis].eval(*this, v)) return false;
        n = v.integer();
        return true;
    }
    bool size(int k, std::int64_t& n) const override {
        const ArgDesc& a = s.args[k];
        n = 1;
        for (int d = 0; d < a.rank(); ++d) {
            std::int64_t e;
            if (!extent(k, d, e)) return false;
            n *= e;
        }
        return true;
    }
    bool slen(int k, std::int64_t& n) const override { return extent(k, 0, n); }
};

// The Python value of a call-back argument. Arrays (and scalars updated in place, as 0-d arrays)
// are new arrays that own a copy of the native data: the callable may keep them beyond the call,
// when the native storage is gone.
PyObject* cb_value(const ArgDesc& a, void* p, std::size_t len, const CbEnv& env) {
    if (a.type == Ty::text) {
        return PyUnicode_DecodeUTF8(static_cast<const char*>(p), static_cast<Py_ssize_t>(len), "replace");
    }
    if (a.rank() == 0 && a.intent != Intent::inout) {
        switch (a.type) {
            case Ty::f8: return PyFloat_FromDouble(*static_cast<double*>(p));
            case Ty::c16: { cplx z = *static_cast<cplx*>(p); return PyComplex_FromDoubles(z.real(), z.imag()); }
            case Ty::l1: return PyLong_FromLong(*static_cast<std::int8_t*>(p));
            default: return PyLong_FromLong(*static_cast<int*>(p));
        }
    }
    npy_intp dims[7];
    for (int d = 0; d < a.rank(); ++d) {
        Value v;
        if (!a.dims[d].eval(env, v)) {
            PyErr_Format(error_type, "extent of call-back argument %s cannot be evaluated", a.name.c_str());
            return nullptr;
        }
        dims[d] = v.integer() < 0 ? 0 : static_cast<npy_intp>(v.integer());
    }
    PyObject* arr = PyArray_New(&PyArray_Type, a.rank(), dims, typenum(a.type), nullptr, nullptr, 0, NPY_ARRAY_F_CONTIGUOUS, nullptr);
    if (arr) {
        PyArrayObject* x = reinterpret_cast<PyArrayObject*>(arr);
        if (PyArray_NBYTES(x) > 0) std::memcpy(PyArray_DATA(x), p, static_cast<std::size_t>(PyArray_NBYTES(x)));
    }
    return arr;
}

// Copies a call-back argument's array back to the native storage after the call, for arguments
// the routine lets the call-back update. The callable may have resized the array (refcheck=False)
// or changed its dtype: only the bytes both hold are copied.
void cb_copy_back(const ArgDesc& a, void* p, PyObject* v, const CbEnv& env, const CbSig& cs) {
    if (a.type == Ty::text || a.intent == Intent::in || (a.rank() == 0 && a.intent != Intent::inout)) return;
    std::int64_t n = 1;
    if (a.rank() > 0 && !env.size(static_cast<int>(&a - cs.sig.args.data()), n)) return;
    const std::size_t want = static_cast<std::size_t>(n < 0 ? 0 : n) * elsize(a.type);
    PyArrayObject* x = reinterpret_cast<PyArrayObject*>(v);
    if (!PyArray_ISCARRAY_RO(x) && !PyArray_ISFARRAY_RO(x)) return;
    const std::size_t have = static_cast<std::size_t>(PyArray_NBYTES(x));
    const std::size_t nb = std::min(want, have);
    if (nb > 0) std::memcpy(p, PyArray_DATA(x), nb);
}

bool cb_store(const CbContext& c, const ArgDesc& a, void* p, PyObject* v, const CbEnv& env) {
    std::string ct = ctype_name(a.type);
    auto fail = [&]() {
        conversion_error(ct + "_from_pyobj failed in converting argument " + a.name + " of call-back function cb_" +
                             c.arg->name + "_in_" + c.routine->pyname + "__user__routines to C " + ct + "\n",
                         PyExc_TypeError);
        return false;
    };
    if (a.type == Ty::text) {
        if (!PyBytes_Check(v)) {
            PyErr_SetString(error_type, "string object expected");
            return false;
        }
        std::size_t len = env.lens[a.len_slot];
        char* dst = static_cast<char*>(p);
        std::size_t n = std::min(len, static_cast<std::size_t>(PyBytes_GET_SIZE(v)));
        std::memcpy(dst, PyBytes_AS_STRING(v), n);
        std::memset(dst + n, ' ', len - n);
        return true;
    }
    if (a.rank() == 0) {
        bool ok = true;
        switch (a.type) {
            case Ty::f8: ok = to_double(v, *static_cast<double*>(p)); break;
            case Ty::c16: ok = to_complex(v, *static_cast<cplx*>(p)); break;
            case Ty::l1: { int t = PyObject_IsTrue(v); ok = t >= 0; if (ok) *static_cast<std::int8_t*>(p) = static_cast<std::int8_t>(t); break; }
            default: ok = to_int(v, *static_cast<int*>(p)); break;
        }
        return ok ? true : fail();
    }
    std::int64_t n = 1;
    if (!env.size(static_cast<int>(&a - c.sig->sig.args.data()), n)) return fail();
    PyArray_Descr* descr = PyArray_DescrFromType(typenum(a.type));
    PyObject* arr = PyArray_FromAny(v, descr, 0, 0, NPY_ARRAY_F_CONTIGUOUS | NPY_ARRAY_ALIGNED | NPY_ARRAY_FORCECAST, nullptr);
    if (!arr) return fail();
    npy_intp got = PyArray_SIZE(reinterpret_cast<PyArrayObject*>(arr));
    if (got != n) {
        Py_DECREF(arr);
        PyErr_Format(PyExc_ValueError, "unexpected array size: new_size=%lld, got array with arr_size=%lld\n",
                     static_cast<long long>(n), static_cast<long long>(got));
        return false;
    }
    if (PyArray_DATA(reinterpret_cast<PyArrayObject*>(arr)) != p)
        std::memcpy(p, PyArray_DATA(reinterpret_cast<PyArrayObject*>(arr)), static_cast<std::size_t>(PyArray_NBYTES(reinterpret_cast<PyArrayObject*>(arr))));
    Py_DECREF(arr);
    return true;
}

}  // namespace

namespace {

// The lowest address of the current thread's stack (0 when unknown), found once per thread.
std::uintptr_t stack_floor() {
    thread_local std::uintptr_t floor = [] {
        std::uintptr_t lo = 0;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* addr = nullptr;
            std::size_t size = 0;
            if (pthread_attr_getstack(&attr, &addr, &size) == 0) lo = reinterpret_cast<std::uintptr_t>(addr);
            pthread_attr_destroy(&attr);
        }
        return lo;
    }();
    return floor;
}

// Whether the native stack has room for one more level of nested call-back (routine, call-back,
// Python frames, routine, ...). Python's recursion limit counts levels, not bytes; in a thread
// with a small stack it is reached far too late.
bool stack_has_room() {
    const std::uintptr_t lo = stack_floor();
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return lo == 0 || here < lo || here - lo > kCbStackReserve;
}

}  // namespace

void invoke_callback(CbContext* c, void* const* ptrs, const std::size_t* lens, void* result) {
    const CbSig& cs = *c->sig;
    const Signature& s = cs.sig;
    CbEnv env(s, ptrs, lens);
    // Nested call-backs are guarded as Python guards its own recursion, and by the stack left.
    if (!stack_has_room()) {
        PyErr_SetString(PyExc_RecursionError, "maximum recursion depth exceeded: the native stack is nearly exhausted by nested call-backs");
        host::abort_callback();
    }
    if (Py_EnterRecursiveCall(" while calling a Python object")) host::abort_callback();
    // argv[0] is free for the callee's use (PY_VECTORCALL_ARGUMENTS_OFFSET).
    PyObject* argv[kMaxCbArgs + 1] = {};
    PyObject** args = argv + 1;
    int n = 0;
    bool ok = true;
    for (int j = 0; j < c->npass && ok; ++j) {
        const ArgDesc& a = s.args[cs.passed[j]];
        PyObject* v = cb_value(a, ptrs[a.data_slot], a.type == Ty::text ? lens[a.len_slot] : 0, env);
        if (!v) ok = false;
        else args[n++] = v;
    }
    for (int j = 0; j < c->nextra && ok; ++j) {
        PyObject* e = PyTuple_GET_ITEM(c->extra, j);
        Py_INCREF(e);
        args[n++] = e;
    }
    PyObject* ret = ok ? PyObject_Vectorcall(c->callable, args, static_cast<std::size_t>(n) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr) : nullptr;
    Py_LeaveRecursiveCall();
    if (ret) {
        for (int j = 0; j < n && j < c->npass; ++j) {
            const ArgDesc& a = s.args[cs.passed[j]];
            cb_copy_back(a, ptrs[a.data_slot], args[j], env, cs);
        }
    }
    for (int j = 0; j < n; ++j) Py_DECREF(args[j]);
    if (!ret) host::abort_callback();
    // Return values go to the call-back's outputs in order; missing ones leave them unchanged.
    PyObject* items = nullptr;
    if (ret == Py_None) items = PyTuple_New(0);
    else if (PyTuple_Check(ret)) { Py_INCREF(ret); items = ret; }
    else items = PyTuple_Pack(1, ret);
    Py_DECREF(ret);
    if (!items) host::abort_callback();
    Py_ssize_t have = PyTuple_GET_SIZE(items);
    Py_ssize_t j = 0;
    for (int k : cs.returned) {
        if (j >= have) break;
        const ArgDesc& a = s.args[k];
        void* p = a.intent == Intent::ret ? result : ptrs[a.data_slot];
        if (p && !cb_store(*c, a, p, PyTuple_GET_ITEM(items, j), env)) {
            Py_DECREF(items);
            host::abort_callback();
        }
        ++j;
    }
    Py_DECREF(items);
}

}  // namespace tvk::py
