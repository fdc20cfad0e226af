// Call-backs: preparing a Python callable or a native routine for a call, and invoking the
// callable from the routine with the call-back's arguments (inputs handed over, outputs taken
// from its return value).
#include <algorithm>
#include <cstring>
#include <string>

#include "state.h"

namespace tvk::py {

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
    if (!PyCallable_Check(o)) {
        PyErr_SetString(error_type, fail.c_str());
        return false;
    }
    ctx.callable = o;
    // Arity: as many call-back arguments as the callable takes, then the extra arguments.
    const int maxn = static_cast<int>(a.cb->passed.size());
    const int ext = extra ? static_cast<int>(PyTuple_GET_SIZE(extra)) : 0;
    int tot = maxn + ext, opt = 0;
    PyObject* fn = o;
    bool method = false;
    if (PyMethod_Check(o)) {
        fn = PyMethod_GET_FUNCTION(o);
        method = true;
    }
    if (PyFunction_Check(fn)) {
        PyCodeObject* code = reinterpret_cast<PyCodeObject*>(PyFunction_GET_CODE(fn));
        tot = code->co_argcount - (method ? 1 : 0);
        PyObject* defs = PyFunction_GET_DEFAULTS(fn);
        opt = defs ? static_cast<int>(PyTuple_GET_SIZE(defs)) : 0;
    }
    int siz = std::min(maxn + ext, tot);
    if (siz < tot - opt) {
        PyErr_SetString(error_type, fail.c_str());
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
    return PyArray_New(&PyArray_Type, a.rank(), dims, typenum(a.type), nullptr, p, 0, NPY_ARRAY_FARRAY, nullptr);
}

bool cb_store(const CbContext& c, const ArgDesc& a, void* p, PyObject* v, const CbEnv& env) {
    std::string ct = ctype_name(a.type);
    auto fail = [&]() {
        std::string msg = ct + "_from_pyobj failed in converting argument " + a.name + " of call-back function cb_" +
                          c.arg->name + "_in_" + c.routine->pyname + "__user__routines to C " + ct + "\n";
        PyObject* type = PyExc_TypeError;
        if (PyErr_Occurred()) {
            PyObject *t, *val, *tb;
            PyErr_Fetch(&t, &val, &tb);
            Py_XDECREF(val);
            Py_XDECREF(tb);
            PyErr_SetString(t, msg.c_str());
            Py_XDECREF(t);
        } else {
            PyErr_SetString(type, msg.c_str());
        }
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

void invoke_callback(CbContext* c, void* const* ptrs, const std::size_t* lens, void* result) {
    const CbSig& cs = *c->sig;
    const Signature& s = cs.sig;
    CbEnv env(s, ptrs, lens);
    PyObject* argv[kMaxArgs + 1] = {};
    int n = 0;
    bool ok = true;
    for (int j = 0; j < c->npass && ok; ++j) {
        const ArgDesc& a = s.args[cs.passed[j]];
        PyObject* v = cb_value(a, ptrs[a.data_slot], a.type == Ty::text ? lens[a.len_slot] : 0, env);
        if (!v) ok = false;
        else argv[n++] = v;
    }
    for (int j = 0; j < c->nextra && ok; ++j) {
        PyObject* e = PyTuple_GET_ITEM(c->extra, j);
        Py_INCREF(e);
        argv[n++] = e;
    }
    PyObject* ret = ok ? PyObject_Vectorcall(c->callable, argv, static_cast<std::size_t>(n), nullptr) : nullptr;
    for (int j = 0; j < n; ++j) Py_DECREF(argv[j]);
    if (!ret) throw CallbackAbort{};
    // Return values go to the call-back's outputs in order; missing ones leave them unchanged.
    PyObject* items = nullptr;
    if (ret == Py_None) items = PyTuple_New(0);
    else if (PyTuple_Check(ret)) { Py_INCREF(ret); items = ret; }
    else items = PyTuple_Pack(1, ret);
    Py_DECREF(ret);
    if (!items) throw CallbackAbort{};
    Py_ssize_t have = PyTuple_GET_SIZE(items);
    Py_ssize_t j = 0;
    for (int k : cs.returned) {
        if (j >= have) break;
        const ArgDesc& a = s.args[k];
        void* p = a.intent == Intent::ret ? result : ptrs[a.data_slot];
        if (p && !cb_store(*c, a, p, PyTuple_GET_ITEM(items, j), env)) {
            Py_DECREF(items);
            throw CallbackAbort{};
        }
        ++j;
    }
    Py_DECREF(items);
}

}  // namespace tvk::py
