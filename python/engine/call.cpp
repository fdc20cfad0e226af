// The call path of a routine: argument matching, conversion in dependency order with the checks
// of the signature, the native call, and the result.
#include <alloca.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "state.h"

namespace tvk::py {

namespace {

// A generic expression's view of the call. The plan hands it only expressions whose arguments
// are all converted at that point, so it reads the argument state without asking.
struct CallEnv {
    const ArgInfo* info;
    const ArgState* st;
    bool scalar(int k, Value& v) const {
        const ArgState& a = st[k];
        if (info[k].rank != 0) return false;
        switch (info[k].type) {
            case Ty::f8: v = Value::of(a.d); return true;
            case Ty::c16: v = Value::of(a.zs.re); return true;
            case Ty::l1: v = Value::of(static_cast<std::int64_t>(a.b)); return true;
            case Ty::text: v = Value::of(static_cast<std::int64_t>(a.textlen)); return true;
            case Ty::cb: return false;
            default: v = Value::of(static_cast<std::int64_t>(a.i)); return true;
        }
    }
    bool extent(int k, int axis, std::int64_t& n) const {
        if (info[k].type == Ty::text) { n = static_cast<std::int64_t>(st[k].textlen); return true; }
        if (info[k].rank == 0) return false;
        n = axis < info[k].rank ? st[k].dims[axis] : 1;
        return true;
    }
    bool size(int k, std::int64_t& n) const {
        n = 1;
        for (int d = 0; d < info[k].rank; ++d) n *= st[k].dims[d];
        return true;
    }
    bool slen(int k, std::int64_t& n) const {
        if (info[k].type != Ty::text) return false;
        n = static_cast<std::int64_t>(st[k].textlen);
        return true;
    }
};


template <class T>
bool compare(Expr::Op op, T a, T b) {
    switch (op) {
        case Expr::EQ: return a == b;
        case Expr::NE: return a != b;
        case Expr::LT: return a < b;
        case Expr::LE: return a <= b;
        case Expr::GT: return a > b;
        default: return a >= b;
    }
}

// Evaluates the plan's resolved expressions against one call's argument state.
struct Eval {
    const Fx* fx;
    const ArgState* st;
    CallEnv env;
    Value leaf(const Leaf& l) const {
        switch (l.kind) {
            case Leaf::real: return Value::of(st[l.arg].d);
            case Leaf::integer: return Value::of(static_cast<std::int64_t>(st[l.arg].i));
            case Leaf::byte: return Value::of(static_cast<std::int64_t>(st[l.arg].b));
            case Leaf::cplx_re: return Value::of(st[l.arg].zs.re);
            case Leaf::textlen: return Value::of(static_cast<std::int64_t>(st[l.arg].textlen));
            case Leaf::extent: return Value::of(static_cast<std::int64_t>(st[l.arg].dims[l.axis]));
            default: return l.v;
        }
    }
    // Returns false when the expression cannot be evaluated (as Expr::eval does).
    bool operator()(int index, Value& out) const {
        const Fx& f = fx[index];
        if (f.form == Fx::leaf) {
            out = leaf(f.a);
            return true;
        }
        if (f.form == Fx::cmp) {
            const Value x = leaf(f.a), y = leaf(f.b);
            const bool r = (x.is_int && y.is_int) ? compare(f.op, x.i, y.i) : compare(f.op, x.real(), y.real());
            out = Value::of(static_cast<std::int64_t>(r));
            return true;
        }
        return f.form == Fx::generic && generic(f, out);
    }
    [[gnu::noinline]] bool generic(const Fx& f, Value& out) const { return f.gen->eval_in(env, out); }
};

// Replaces the pending error by `type(text)` chained to it ("failed in converting ... array").
void wrap_error(const std::string& text) {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    PyErr_NormalizeException(&type, &value, &tb);
    if (!type) {
        PyErr_SetString(error_type, text.c_str());
        return;
    }
    if (tb && value) PyException_SetTraceback(value, tb);
    PyObject* outer = PyObject_CallFunction(type, "s", text.c_str());
    if (!outer) {
        PyErr_Clear();
        outer = PyObject_CallFunction(error_type, "s", text.c_str());
        if (!outer) { Py_XDECREF(type); Py_XDECREF(value); Py_XDECREF(tb); return; }
    }
    if (value) PyException_SetCause(outer, value); else Py_XDECREF(value);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(outer)), outer);
    Py_DECREF(outer);
    Py_XDECREF(type);
    Py_XDECREF(tb);
}

void array_error(const Routine& r, const ArgDesc& a, const std::string& inner, PyObject* type = PyExc_ValueError) {
    if (!inner.empty()) PyErr_SetString(type, inner.c_str());
    wrap_error("failed in converting " + a.nth + " `" + a.name + "' of " + std::string(module_name()) + "." +
               r.ns + "." + r.pyname + " to C/Fortran array");
}

void scalar_error(const Routine& r, const ArgDesc& a) {
    conversion_error(std::string(module_name()) + "." + r.ns + "." + r.pyname + "() " + a.nth + " (" + a.name +
                     ") can't be converted to " + ctype_name(a.type), error_type);
}

}  // namespace

void conversion_error(const std::string& text, PyObject* type) {
    if (!PyErr_Occurred()) {
        PyErr_SetString(type, text.c_str());
        return;
    }
    PyObject *t, *v, *tb;
    PyErr_Fetch(&t, &v, &tb);
    if (tb) {
        // Raised by the object's own Python code (its __float__, __index__, ...): kept as the cause.
        PyErr_Restore(t, v, tb);
        wrap_error(text);
        return;
    }
    Py_XDECREF(v);
    PyErr_SetString(t, text.c_str());
    Py_XDECREF(t);
}

namespace {

// Python scalar conversion chain: exact float/int fast, then float()/int()/complex(); a complex
// number gives its real part, any other sequence its first element.
template <class F>
bool from_sequence(PyObject* o, F&& conv, int depth) {
    if (depth > 32) return false;
    if (PyArray_Check(o)) {
        PyArrayObject* a = reinterpret_cast<PyArrayObject*>(o);
        if (PyArray_SIZE(a) < 1) return false;
        if (PyArray_NDIM(a) == 0) return false;
        PyObject* first = PyArray_GETITEM(a, static_cast<char*>(PyArray_DATA(a)));
        if (!first) return false;
        bool ok = conv(first, depth + 1);
        Py_DECREF(first);
        return ok;
    }
    if (PyUnicode_Check(o) || PyBytes_Check(o) || !PySequence_Check(o)) return false;
    PyObject* first = PySequence_GetItem(o, 0);
    if (!first) return false;
    bool ok = conv(first, depth + 1);
    Py_DECREF(first);
    return ok;
}

}  // namespace

bool to_double(PyObject* o, double& out, int depth) {
    if (PyFloat_CheckExact(o)) { out = PyFloat_AS_DOUBLE(o); return true; }
    if (PyComplex_Check(o)) { out = PyComplex_RealAsDouble(o); return !PyErr_Occurred(); }
    if (PyArray_Check(o) && PyArray_NDIM(reinterpret_cast<PyArrayObject*>(o)) > 0)
        return from_sequence(o, [&](PyObject* x, int dp) { return to_double(x, out, dp); }, depth);
    if (PyArray_IsScalar(o, ComplexFloating)) {
        PyObject* c = PyObject_CallMethod(o, "__complex__", nullptr);
        if (!c) return false;
        out = PyComplex_RealAsDouble(c);
        Py_DECREF(c);
        return !PyErr_Occurred();
    }
    PyObject* f = PyNumber_Float(o);
    if (f) {
        out = PyFloat_AS_DOUBLE(f);
        Py_DECREF(f);
        return true;
    }
    if (!PyUnicode_Check(o) && !PyBytes_Check(o) && (PySequence_Check(o) || PyArray_Check(o))) {
        PyErr_Clear();
        if (from_sequence(o, [&](PyObject* x, int dp) { return to_double(x, out, dp); }, depth)) return true;
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "empty sequence");
    }
    return false;
}

bool to_int(PyObject* o, int& out, int depth) {
    PyObject* n = nullptr;
    if (PyLong_CheckExact(o)) {
        Py_INCREF(o);
        n = o;
    } else if (PyComplex_Check(o)) {
        n = PyLong_FromDouble(PyComplex_RealAsDouble(o));
    } else if (PyArray_Check(o) && PyArray_NDIM(reinterpret_cast<PyArrayObject*>(o)) > 0) {
        return from_sequence(o, [&](PyObject* x, int dp) { return to_int(x, out, dp); }, depth);
    } else {
        n = PyNumber_Long(o);
        if (!n && !PyUnicode_Check(o) && !PyBytes_Check(o) && PySequence_Check(o)) {
            PyErr_Clear();
            if (from_sequence(o, [&](PyObject* x, int dp) { return to_int(x, out, dp); }, depth)) return true;
            if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "empty sequence");
            return false;
        }
    }
    if (!n) return false;
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(n, &overflow);
    Py_DECREF(n);
    if (overflow || v < INT32_MIN || v > INT32_MAX) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_OverflowError, "Python int too large to convert to C int");
        return false;
    }
    if (v == -1 && PyErr_Occurred()) return false;
    out = static_cast<int>(v);
    return true;
}

bool to_complex(PyObject* o, cplx& out, int depth) {
    if (PyUnicode_Check(o) || PyBytes_Check(o)) {
        PyErr_SetString(PyExc_TypeError, "strings are not complex numbers");
        return false;
    }
    if (PyArray_Check(o) && PyArray_NDIM(reinterpret_cast<PyArrayObject*>(o)) > 0)
        return from_sequence(o, [&](PyObject* x, int dp) { return to_complex(x, out, dp); }, depth);
    Py_complex c = PyComplex_AsCComplex(o);
    if (c.real == -1.0 && PyErr_Occurred()) {
        if (PySequence_Check(o)) {
            PyErr_Clear();
            if (from_sequence(o, [&](PyObject* x, int dp) { return to_complex(x, out, dp); }, depth)) return true;
            if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "empty sequence");
        }
        return false;
    }
    out = cplx(c.real, c.imag);
    return true;
}

namespace {

// Stores a default or derived value into a scalar slot.
bool set_value(const ArgDesc& a, ArgState& s, const Value& v) {
    switch (a.type) {
        case Ty::f8: s.d = v.real(); break;
        case Ty::c16: s.zset(cplx(v.real(), v.im)); break;
        case Ty::l1: s.b = static_cast<std::int8_t>(v.real() != 0.0); break;
        case Ty::l4: s.i = v.real() != 0.0; break;
        default: {
            std::int64_t x = v.integer();
            if (x < INT32_MIN || x > INT32_MAX) {
                PyErr_Format(PyExc_OverflowError, "value %lld of %s does not fit a 4-byte integer",
                             static_cast<long long>(x), a.name.c_str());
                return false;
            }
            s.i = static_cast<int>(x);
        }
    }
    return true;
}

bool convert_scalar(const Routine& r, const ArgDesc& a, ArgState& s, PyObject* o) {
    bool ok = true;
    switch (a.type) {
        case Ty::f8: ok = to_double(o, s.d); break;
        case Ty::i4: ok = to_int(o, s.i); break;
        case Ty::c16: {
            cplx z;
            ok = to_complex(o, z);
            s.zset(z);
            break;
        }
        case Ty::l4:
        case Ty::l1: {
            int t = PyObject_IsTrue(o);
            if (t < 0) return false;
            s.i = t;
            s.b = static_cast<std::int8_t>(t);
            break;
        }
        default: break;
    }
    if (!ok) {
        scalar_error(r, a);
        return false;
    }
    return true;
}

constexpr int kDirectFlags = NPY_ARRAY_F_CONTIGUOUS | NPY_ARRAY_ALIGNED | NPY_ARRAY_WRITEABLE;

bool compatible(PyArrayObject* a, int tn) {
    if (PyArray_TYPE(a) == tn && (PyArray_FLAGS(a) & kDirectFlags) == kDirectFlags && PyArray_ISNOTSWAPPED(a)) return true;
    PyArray_Descr* d = PyArray_DESCR(a);
    PyArray_Descr* want = PyArray_DescrFromType(tn);
    bool ok = d->kind == want->kind && d->elsize == want->elsize && PyArray_ISALIGNED(a) &&
              PyArray_IS_F_CONTIGUOUS(a) && PyArray_ISWRITEABLE(a) && PyArray_ISNOTSWAPPED(a);
    Py_DECREF(want);
    return ok;
}

// True when a copy of `a` in type `tn` and Fortran order is a copy of its bytes: the same type,
// native byte order, aligned and Fortran-contiguous (writeable or not).
bool copies_as_bytes(PyArrayObject* a, int tn) {
    return PyArray_TYPE(a) == tn && PyArray_ISNOTSWAPPED(a) && PyArray_ISALIGNED(a) && PyArray_IS_F_CONTIGUOUS(a);
}

std::string inout_reasons(PyArrayObject* a, int tn) {
    std::string why = "failed to initialize intent(inout) array";
    PyArray_Descr* d = PyArray_DESCR(a);
    PyArray_Descr* want = PyArray_DescrFromType(tn);
    if (!PyArray_IS_F_CONTIGUOUS(a) || !PyArray_ISWRITEABLE(a) || !PyArray_ISNOTSWAPPED(a)) why += " -- input not fortran contiguous";
    if (d->elsize != want->elsize) why += " -- expected elsize=" + std::to_string(want->elsize) + " but got " + std::to_string(d->elsize);
    if (d->kind != want->kind) why += std::string(" -- input '") + d->type + "' not compatible to '" + want->type + "'";
    if (!PyArray_ISALIGNED(a)) why += " -- input not " + std::to_string(want->alignment) + "-aligned";
    Py_DECREF(want);
    return why;
}

// Matches the extents of a converted array to the declared ones (-1 = free), as numpy bindings
// of Fortran routines do: unit axes beyond the rank are dropped, surplus axes fold into a free
// last extent, missing trailing axes count as 1. On success `dims` holds the extents the
// routine sees.
bool fix_dims(const npy_intp* adims, int and_, const std::int64_t* want, int rank, npy_intp* dims, std::string& why) {
    npy_intp work[NPY_MAXDIMS];
    int n = 0;
    std::int64_t asize = 1;
    for (int d = 0; d < and_; ++d) {
        work[n++] = adims[d];
        asize *= adims[d];
    }
    if (n > rank) {
        npy_intp kept[NPY_MAXDIMS];
        int m = 0, excess = n - rank;
        for (int d = 0; d < n; ++d) {
            if (excess > 0 && work[d] == 1) { --excess; continue; }
            kept[m++] = work[d];
        }
        n = m;
        std::memcpy(work, kept, sizeof(npy_intp) * static_cast<std::size_t>(m));
        if (n > rank) {
            if (want[rank - 1] >= 0) {
                why = "too many axes: " + std::to_string(and_) + " (effrank=" + std::to_string(n) + "), expected rank=" + std::to_string(rank) + "\n";
                return false;
            }
            npy_intp last = 1;
            for (int d = rank - 1; d < n; ++d) last *= work[d];
            work[rank - 1] = last;
            n = rank;
        }
    }
    if (and_ == 0 && rank > 0 && want[0] > 1) {
        why = "0-th dimension must be " + std::to_string(want[0]) + " but got 0 (not defined).\n";
        return false;
    }
    for (int d = n; d < rank; ++d) work[d] = 1;
    std::int64_t newsize = 1;
    for (int d = 0; d < rank; ++d) {
        if (want[d] >= 0 && work[d] != want[d]) {
            if (work[d] > 1) {
                why = std::to_string(d) + "-th dimension must be fixed to " + std::to_string(want[d]) + " but got " + std::to_string(work[d]) + "\n";
                return false;
            }
            std::int64_t ns = 1;
            for (int e = 0; e < rank; ++e) ns *= (want[e] >= 0 ? want[e] : work[e]);
            why = "unexpected array size: new_size=" + std::to_string(ns) + ", got array with arr_size=" + std::to_string(asize) + "\n";
            return false;
        }
        dims[d] = work[d];
        newsize *= work[d];
    }
    if (newsize != asize) {
        why = "unexpected array size: new_size=" + std::to_string(newsize) + ", got array with arr_size=" + std::to_string(asize) + "\n";
        return false;
    }
    return true;
}

bool new_array(const Routine& r, const Step& sp, ArgState& s, const Eval& ev) {
    const int rank = sp.rank;
    npy_intp nd[7];
    for (int d = 0; d < rank; ++d) {
        Value v;
        if (!ev(sp.dims + d, v)) {
            std::string dims;
            for (int e = 0; e < rank; ++e) dims += "-1,";
            array_error(r, *sp.desc, "failed to create intent(cache|hide)|optional array-- must have defined dimensions but got (" + dims + ")");
            return false;
        }
        nd[d] = static_cast<npy_intp>(v.integer() < 0 ? 0 : v.integer());
    }
    PyObject* arr = PyArray_ZEROS(rank, nd, sp.tn, 1);
    if (!arr) return false;
    s.arr = reinterpret_cast<PyArrayObject*>(arr);
    s.rank = rank;
    for (int d = 0; d < rank; ++d) s.dims[d] = nd[d];
    s.ptr = PyArray_DATA(s.arr);
    return true;
}

bool convert_array(const Routine& r, const Step& sp, ArgState& s, PyObject* o, const Eval& ev, bool overwrite) {
    const ArgDesc& a = *sp.desc;
    const int tn = sp.tn;
    const int rank = sp.rank;
    // The declared extents, -1 where they are not known yet.
    std::int64_t want[7];
    for (int d = 0; d < rank; ++d) {
        Value v;
        want[d] = ev(sp.dims + d, v) ? (v.integer() < 0 ? 0 : v.integer()) : -1;
    }
    PyArrayObject* arr = nullptr;
    if (a.intent == Intent::inout) {
        if (!PyArray_Check(o)) {
            array_error(r, a, std::string("failed to initialize intent(inout|inplace|cache) array, input '") + Py_TYPE(o)->tp_name + "' object is not an array", inplace_type_error);
            return false;
        }
        arr = reinterpret_cast<PyArrayObject*>(o);
        if (!compatible(arr, tn)) {
            array_error(r, a, inout_reasons(arr, tn), inplace_value_error);
            return false;
        }
        Py_INCREF(o);
    } else if (PyArray_Check(o) && compatible(reinterpret_cast<PyArrayObject*>(o), tn) &&
               !(sp.intent == Intent::io_copy && !overwrite) && !(sp.intent == Intent::io_over && !overwrite)) {
        arr = reinterpret_cast<PyArrayObject*>(o);
        Py_INCREF(o);
    } else if (PyArray_CheckExact(o) && copies_as_bytes(reinterpret_cast<PyArrayObject*>(o), tn)) {
        // A copy of an array already in the routine's type and layout: its bytes, without
        // numpy's general conversion (which gives the same array).
        PyArrayObject* src = reinterpret_cast<PyArrayObject*>(o);
        PyObject* c = PyArray_NewFromDescr(&PyArray_Type, PyArray_DescrFromType(tn), PyArray_NDIM(src), PyArray_DIMS(src),
                                           nullptr, nullptr, NPY_ARRAY_F_CONTIGUOUS, nullptr);
        if (!c) {
            array_error(r, a, "");
            return false;
        }
        arr = reinterpret_cast<PyArrayObject*>(c);
        std::memcpy(PyArray_DATA(arr), PyArray_DATA(src), static_cast<std::size_t>(PyArray_NBYTES(src)));
    } else {
        PyArray_Descr* descr = PyArray_DescrFromType(tn);
        PyObject* c = PyArray_FromAny(o, descr, 0, 0, NPY_ARRAY_F_CONTIGUOUS | NPY_ARRAY_ALIGNED | NPY_ARRAY_WRITEABLE |
                                                          NPY_ARRAY_FORCECAST | NPY_ARRAY_ENSURECOPY, nullptr);
        if (!c) {
            array_error(r, a, "");
            return false;
        }
        arr = reinterpret_cast<PyArrayObject*>(c);
    }
    s.arr = arr;
    // Fast path: the declared rank and every fixed extent already match.
    if (PyArray_NDIM(arr) == rank) {
        bool match = true;
        for (int d = 0; d < rank && match; ++d) {
            s.dims[d] = PyArray_DIM(arr, d);
            match = (want[d] < 0 || want[d] == s.dims[d]) && s.dims[d] <= INT32_MAX;
        }
        if (match) {
            s.rank = rank;
            s.ptr = PyArray_DATA(arr);
            return true;
        }
    }
    std::string why;
    if (PyArray_NDIM(arr) > NPY_MAXDIMS || !fix_dims(PyArray_DIMS(arr), PyArray_NDIM(arr), want, rank, s.dims, why)) {
        array_error(r, a, why);
        return false;
    }
    for (int d = 0; d < rank; ++d)
        if (s.dims[d] > INT32_MAX) {
            array_error(r, a, "array extent does not fit a 4-byte integer\n");
            return false;
        }
    s.rank = rank;
    s.ptr = PyArray_DATA(arr);
    return true;
}

bool fill_default_array(const Step& sp, ArgState& s, const Eval& ev) {
    const std::vector<double>& vd = sp.desc->vec_def;
    if (!vd.empty() && sp.type == Ty::f8) {
        const npy_intp n = PyArray_SIZE(s.arr);
        const npy_intp nv = static_cast<npy_intp>(vd.size());
        for (npy_intp k = 0; k < n; ++k) static_cast<double*>(s.ptr)[k] = vd[static_cast<std::size_t>(k % nv)];
        return true;
    }
    if (sp.def < 0) return true;
    Value v;
    if (!ev(sp.def, v)) return true;
    npy_intp n = PyArray_SIZE(s.arr);
    switch (sp.type) {
        case Ty::f8: for (npy_intp k = 0; k < n; ++k) static_cast<double*>(s.ptr)[k] = v.real(); break;
        case Ty::c16: for (npy_intp k = 0; k < n; ++k) static_cast<cplx*>(s.ptr)[k] = cplx(v.real(), v.im); break;
        case Ty::l1: for (npy_intp k = 0; k < n; ++k) static_cast<std::int8_t*>(s.ptr)[k] = static_cast<std::int8_t>(v.integer()); break;
        default: for (npy_intp k = 0; k < n; ++k) static_cast<int*>(s.ptr)[k] = static_cast<int>(v.integer()); break;
    }
    return true;
}

bool convert_text(const Routine& r, const Step& sp, ArgState& s, PyObject* o, const Eval& ev, TextStore& store) {
    const ArgDesc& a = *sp.desc;
    // The source bytes.
    PyObject* holder = nullptr;
    const char* src = "";
    Py_ssize_t n = 0;
    bool whole = false;  // text that must not be cut: a str with a character beyond ASCII
    if (o == nullptr || o == Py_None) {
    } else if (PyBytes_Check(o)) {
        src = PyBytes_AS_STRING(o);
        n = PyBytes_GET_SIZE(o);
    } else if (PyUnicode_CheckExact(o) && PyUnicode_IS_COMPACT_ASCII(o)) {
        // ASCII text: its characters are its bytes.
        src = static_cast<const char*>(PyUnicode_DATA(o));
        n = PyUnicode_GET_LENGTH(o);
    } else if (PyArray_Check(o) && PyArray_DESCR(reinterpret_cast<PyArrayObject*>(o))->kind != 'O') {
        // Text is read from the array's buffer; an object array holds pointers, not text, and
        // is converted through str() like any other object.
        PyArrayObject* arr = reinterpret_cast<PyArrayObject*>(o);
        if (!PyArray_IS_C_CONTIGUOUS(arr)) {
            PyErr_SetString(PyExc_ValueError, "array object is non-contiguous.");
            wrap_error("string_from_pyobj failed in converting " + a.nth + " `" + a.name + "' of " + module_name() + "." + r.ns + "." + r.pyname + " to C string");
            return false;
        }
        if (PyArray_DESCR(arr)->kind == 'U') {
            // Unicode text (4 bytes a character) is read as its ASCII encoding, element by element.
            holder = PyObject_CallMethod(o, "astype", "s", "S");
            if (!holder) {
                wrap_error("string_from_pyobj failed in converting " + a.nth + " `" + a.name + "' of " + module_name() + "." + r.ns + "." + r.pyname + " to C string");
                return false;
            }
            arr = reinterpret_cast<PyArrayObject*>(holder);
        }
        src = static_cast<const char*>(PyArray_DATA(arr));
        n = PyArray_NBYTES(arr);
    } else {
        // Other text is encoded as the file system encodes a name (os.fsencode), so that a path
        // given as str reaches the routine as the same path given as bytes.
        PyObject* str = PyUnicode_Check(o) ? (Py_INCREF(o), o) : PyObject_Str(o);
        if (str) {
            whole = !PyUnicode_IS_ASCII(str);
            holder = PyUnicode_EncodeFSDefault(str);
        }
        Py_XDECREF(str);
        if (!holder) {
            wrap_error("string_from_pyobj failed in converting " + a.nth + " `" + a.name + "' of " + module_name() + "." + r.ns + "." + r.pyname + " to C string");
            return false;
        }
        src = PyBytes_AS_STRING(holder);
        n = PyBytes_GET_SIZE(holder);
    }
    if (a.path) {
        // A file name never holds a zero byte (the system would read the name cut there). The
        // blanks and zero bytes that end a text array's buffer, in any mix, pad it and are not
        // part of the name (a C field filled with blanks and then given a string holds the name,
        // its zero byte and blanks), as the routines read a path field.
        Py_ssize_t used = n;
        if (o && PyArray_Check(o))
            while (used > 0 && (src[used - 1] == 0 || src[used - 1] == ' ')) --used;
        if (used > 0 && std::memchr(src, 0, static_cast<std::size_t>(used))) {
            Py_XDECREF(holder);
            PyErr_SetString(PyExc_ValueError, "embedded null byte");
            return false;
        }
    }
    // Its length: fixed, an expression, or the input's own.
    std::int64_t len = n;
    if (a.text_fixed >= 0) len = a.text_fixed;
    else if (sp.text_len >= 0) {
        Value v;
        if (!ev(sp.text_len, v)) {
            Py_XDECREF(holder);
            PyErr_Format(error_type, "length of %s cannot be evaluated", a.name.c_str());
            return false;
        }
        len = v.integer() < 0 ? 0 : v.integer();
    }
    if (len > (1 << 24)) {
        Py_XDECREF(holder);
        PyErr_Format(PyExc_ValueError, "text %s is too long", a.name.c_str());
        return false;
    }
    if (whole && n > len) {
        // Cut, the name would end inside a character or name another file: refused whole.
        Py_XDECREF(holder);
        PyErr_Format(PyExc_ValueError, "text of %zd bytes does not fit %s (%lld characters)", n, a.name.c_str(),
                     static_cast<long long>(len));
        wrap_error("string_from_pyobj failed in converting " + a.nth + " `" + a.name + "' of " + module_name() + "." + r.ns + "." + r.pyname + " to C string");
        return false;
    }
    s.text = store.take(static_cast<std::size_t>(len) + 1);
    s.text_heap = !s.text;
    if (!s.text) s.text = static_cast<char*>(std::malloc(static_cast<std::size_t>(len) + 1));
    if (!s.text) {
        Py_XDECREF(holder);
        PyErr_NoMemory();
        return false;
    }
    std::memset(s.text, ' ', static_cast<std::size_t>(len));
    s.text[len] = 0;
    bool nul = false;
    for (std::int64_t k = 0; k < len && k < n; ++k) {
        if (src[k] == 0) nul = true;
        s.text[k] = nul ? ' ' : src[k];
    }
    Py_XDECREF(holder);
    s.textlen = static_cast<std::size_t>(len);
    s.ptr = s.text;
    return true;
}

// Raises the failure of check `c` of an argument.
[[gnu::cold]] void check_failed(const Routine& r, const Step& sp, const ArgState& s, const Eval& ev, int c) {
    const ArgDesc& a = *sp.desc;
    std::string msg = "(" + ev.fx[c].gen->text() + ") failed for " + a.nth + " " + a.name;
    if (a.rank() == 0 && a.type != Ty::cb) {
        char buf[64];
        if (a.type == Ty::f8) std::snprintf(buf, sizeof buf, "%g", s.d);
        else if (a.type == Ty::text) std::snprintf(buf, sizeof buf, "%zu", s.textlen);
        else std::snprintf(buf, sizeof buf, "%d", a.type == Ty::l1 ? static_cast<int>(s.b) : s.i);
        if (a.type == Ty::text) msg += ": " + r.pyname + ":slen(" + a.name + ")=" + buf + " " + a.name + "=\"" + std::string(s.text, s.textlen) + "\"";
        else msg += ": " + r.pyname + ":" + a.name + "=" + buf;
    }
    PyErr_SetString(error_type, msg.c_str());
}

bool run_checks(const Routine& r, const Step& sp, const ArgState& s, const Eval& ev) {
    for (int c = sp.checks; c < sp.checks + sp.nchecks; ++c) {
        Value v;
        if (!ev(c, v)) continue;
        if (v.is_int ? v.i != 0 : v.d != 0.0) continue;
        check_failed(r, sp, s, ev, c);
        return false;
    }
    return true;
}


// Releases what the first n converted arguments (in conversion order) own.
void release_steps(ArgState* st, const Step* steps, int n) {
    for (int j = 0; j < n; ++j) {
        if (!(steps[j].flags & Step::owns)) continue;
        ArgState& x = st[steps[j].arg];
        Py_XDECREF(x.arr);
        if (x.text_heap) std::free(x.text);
    }
}

// Releases what every argument owns once all are converted.
void release_all(ArgState* st, const Plan& p) {
    const int* k = p.owners.data();
    for (const int* end = k + p.owners.size(); k != end; ++k) {
        ArgState& x = st[*k];
        Py_XDECREF(x.arr);
        if (x.text_heap) std::free(x.text);
    }
}

PyObject* result_of(const ArgDesc& a, ArgState& s) {
    if (a.rank() > 0) {
        if (a.intent != Intent::out && s.obj == reinterpret_cast<PyObject*>(s.arr)) {
            Py_INCREF(s.obj);
            return s.obj;
        }
        Py_INCREF(s.arr);
        return reinterpret_cast<PyObject*>(s.arr);
    }
    switch (a.type) {
        case Ty::f8: return PyFloat_FromDouble(s.d);
        case Ty::c16: return PyComplex_FromDoubles(s.zs.re, s.zs.im);
        case Ty::l1: return PyLong_FromLong(s.b);
        case Ty::text: {
            std::size_t n = strnlen(s.text, s.textlen);
            return PyBytes_FromStringAndSize(s.text, static_cast<Py_ssize_t>(n));
        }
        default: return PyLong_FromLong(s.i);
    }
}

// Reports a bad argument list in CPython's own words by handing it to PyArg_ParseTupleAndKeywords.
PyObject* argument_error(const Routine& r, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* tuple = PyTuple_New(nargs);
    if (!tuple) return nullptr;
    for (Py_ssize_t k = 0; k < nargs; ++k) {
        Py_INCREF(args[k]);
        PyTuple_SET_ITEM(tuple, k, args[k]);
    }
    PyObject* kw = nullptr;
    if (kwnames && PyTuple_GET_SIZE(kwnames) > 0) {
        kw = PyDict_New();
        for (Py_ssize_t k = 0; k < PyTuple_GET_SIZE(kwnames); ++k) PyDict_SetItem(kw, PyTuple_GET_ITEM(kwnames, k), args[nargs + k]);
    }
    std::vector<char*> kwlist;
    for (const std::string& v : r.visible) kwlist.push_back(const_cast<char*>(v.c_str()));
    kwlist.push_back(nullptr);
    PyObject* o[kMaxArgs] = {};
    int ov[kMaxArgs] = {};
    // One pointer per visible argument and extra keyword, two for a call-back's extra arguments
    // (the grammar limits both), handed on in the 80 places of the call below.
    static_assert(grammar::max_args + grammar::max_callbacks <= 80 && grammar::max_args + grammar::max_callbacks <= kMaxArgs * 2);
    void* ptrs[kMaxArgs * 2] = {};
    int np = 0, no = 0, ni = 0;
    const Signature& s = r.sig;
    for (std::size_t k = 0; k < s.required.size() + s.optional.size(); ++k) ptrs[np++] = &o[no++];
    for (int k : s.extras) {
        if (s.args[k].type == Ty::cb) {
            ptrs[np++] = &PyTuple_Type;
            ptrs[np++] = &o[no++];
        } else {
            ptrs[np++] = &ov[ni++];
        }
    }
    int ok = 0;
    switch (np) {
#define TVK_P(n) ptrs[n]
        default: {
            // Forward through a va_list-free path: PyArg_ParseTupleAndKeywords takes varargs, so
            // expand the pointer array in groups.
            ok = PyArg_ParseTupleAndKeywords(tuple, kw, r.format.c_str(), kwlist.data(),
                TVK_P(0), TVK_P(1), TVK_P(2), TVK_P(3), TVK_P(4), TVK_P(5), TVK_P(6), TVK_P(7), TVK_P(8), TVK_P(9),
                TVK_P(10), TVK_P(11), TVK_P(12), TVK_P(13), TVK_P(14), TVK_P(15), TVK_P(16), TVK_P(17), TVK_P(18), TVK_P(19),
                TVK_P(20), TVK_P(21), TVK_P(22), TVK_P(23), TVK_P(24), TVK_P(25), TVK_P(26), TVK_P(27), TVK_P(28), TVK_P(29),
                TVK_P(30), TVK_P(31), TVK_P(32), TVK_P(33), TVK_P(34), TVK_P(35), TVK_P(36), TVK_P(37), TVK_P(38), TVK_P(39),
                TVK_P(40), TVK_P(41), TVK_P(42), TVK_P(43), TVK_P(44), TVK_P(45), TVK_P(46), TVK_P(47), TVK_P(48), TVK_P(49),
                TVK_P(50), TVK_P(51), TVK_P(52), TVK_P(53), TVK_P(54), TVK_P(55), TVK_P(56), TVK_P(57), TVK_P(58), TVK_P(59),
                TVK_P(60), TVK_P(61), TVK_P(62), TVK_P(63), TVK_P(64), TVK_P(65), TVK_P(66), TVK_P(67), TVK_P(68), TVK_P(69),
                TVK_P(70), TVK_P(71), TVK_P(72), TVK_P(73), TVK_P(74), TVK_P(75), TVK_P(76), TVK_P(77), TVK_P(78), TVK_P(79));
        }
#undef TVK_P
    }
    Py_DECREF(tuple);
    Py_XDECREF(kw);
    if (ok) PyErr_Format(PyExc_TypeError, "%s.%s.%s(): bad argument list", module_name(), r.ns.c_str(), r.pyname.c_str());
    return nullptr;
}

}  // namespace


namespace {

// Text, call-back and rank-0 inout arguments.
bool convert_other(const Routine& r, const Step& sp, ArgState& x, PyObject* o, const Eval& ev, PyObject* extra,
                   CbContext* cbs, int& ncb, TextStore& store) {
    const ArgDesc& a = *sp.desc;
    if (sp.type == Ty::cb) {
        if (ncb >= grammar::max_callbacks) {  // refused by the grammar already
            PyErr_SetString(error_type, "too many call-backs");
            return false;
        }
        return setup_callback(r, a, x, o, extra, cbs[ncb++]);
    }
    if (sp.type == Ty::text) {
        if (sp.intent == Intent::out || sp.intent == Intent::ret) return convert_text(r, sp, x, nullptr, ev, store);
        if (!o && !a.def.empty()) {
            PyErr_Format(error_type, "text default of %s is not supported", a.name.c_str());
            return false;
        }
        return convert_text(r, sp, x, o, ev, store);
    }
    // Scalar state updated in place: a numpy array of the exact type with one element.
    if (!o || !PyArray_Check(o)) {
        array_error(r, a, std::string("failed to initialize intent(inout|inplace|cache) array, input '") +
                              (o ? Py_TYPE(o)->tp_name : "NoneType") + "' object is not an array", inplace_type_error);
        return false;
    }
    PyArrayObject* arr = reinterpret_cast<PyArrayObject*>(o);
    if (!compatible(arr, sp.tn) || PyArray_SIZE(arr) < 1) {
        array_error(r, a, inout_reasons(arr, sp.tn), inplace_value_error);
        return false;
    }
    Py_INCREF(o);
    x.arr = arr;
    x.ptr = PyArray_DATA(arr);
    switch (sp.type) {
        case Ty::f8: x.d = *static_cast<double*>(x.ptr); break;
        case Ty::c16: x.zset(*static_cast<cplx*>(x.ptr)); break;
        case Ty::l1: x.b = *static_cast<std::int8_t*>(x.ptr); break;
        default: x.i = *static_cast<int*>(x.ptr); break;
    }
    return true;
}


}  // namespace

PyObject* exception_to_error() {
    try {
        throw;
    } catch (const CallbackAbort&) {
        if (!PyErr_Occurred()) PyErr_SetString(error_type, "call-back failed");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(error_type, e.what());
    }
    return nullptr;
}

PyObject* call_scalar_routine(const Routine& r, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    const Plan& p = r.plan;
    if (kwnames || PyVectorcall_NARGS(nargsf) != p.nreq) return call_routine(r, args, nargsf, kwnames);
    union Number {
        double d;
        int i;
    };
    Number vals[kMaxArgs];
    void* data[kMaxArgs];
    for (const ScalarArg& a : p.scalars) {
        PyObject* o = args[a.vis];
        Number& v = vals[a.data_slot];
        if (a.real) {
            if (!PyFloat_CheckExact(o)) return call_routine(r, args, nargsf, kwnames);
            v.d = PyFloat_AS_DOUBLE(o);
        } else if (!PyLong_CheckExact(o) || !small_int(o, v.i)) {
            PyErr_Clear();
            return call_routine(r, args, nargsf, kwnames);
        }
        data[a.data_slot] = &v;
    }
    alignas(16) unsigned char ret[sizeof(cplx)];
    try {
        r.thunk(CallSlots{data, nullptr, ret});
    } catch (...) {
        return exception_to_error();
    }
    if (PyErr_Occurred()) [[unlikely]] return nullptr;
    if (r.retarg < 0) Py_RETURN_NONE;
    if (p.scalar_ret == Ty::f8) {
        double d;
        std::memcpy(&d, ret, sizeof d);
        return PyFloat_FromDouble(d);
    }
    int i;
    std::memcpy(&i, ret, sizeof i);
    return PyLong_FromLong(i);
}

PyObject* call_routine(const Routine& r, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    const Plan& p = r.plan;
    const Signature& s = r.sig;
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    const int nreq = p.nreq;
    const int nopt = p.nopt;
    const int nvis = p.nvis;

    // The arguments by visible position: the positional ones as given when there are no
    // keywords and no extra keywords by position; otherwise matched by name.
    PyObject* const* src = args;
    Py_ssize_t nsrc = nargs;
    bool matched = false;
    PyObject* given[kMaxArgs];
    PyObject* extra_of[kMaxArgs];      // set for the owners of extra keywords only
    bool overwrite_of[kMaxArgs];
    if (kwnames || nargs < nreq || nargs > nreq + nopt) {
        for (int k = 0; k < nvis; ++k) given[k] = nullptr;
        if (nargs > nvis) return argument_error(r, args, nargs, kwnames);
        for (Py_ssize_t k = 0; k < nargs; ++k) given[k] = args[k];
        if (kwnames) {
            const Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
            for (Py_ssize_t j = 0; j < nkw; ++j) {
                PyObject* key = PyTuple_GET_ITEM(kwnames, j);
                int slot = -1;
                for (int k = 0; k < nvis; ++k)
                    if (r.kwnames[k] == key) { slot = k; break; }
                if (slot < 0)
                    for (int k = 0; k < nvis; ++k)
                        if (PyUnicode_Compare(r.kwnames[k], key) == 0) { slot = k; break; }
                if (slot < 0 || given[slot]) return argument_error(r, args, nargs, kwnames);
                given[slot] = args[nargs + j];
            }
        }
        for (int k = 0; k < nreq; ++k)
            if (!given[k]) return argument_error(r, args, nargs, kwnames);
        // Extra keywords: call-back extra arguments (a tuple) and overwrite flags (an int).
        for (int e = 0; e < p.nextras; ++e) {
            PyObject* v = given[nreq + nopt + e];
            const int owner = s.extras[static_cast<std::size_t>(e)];
            if (s.args[static_cast<std::size_t>(owner)].type == Ty::cb) {
                if (v && !PyTuple_Check(v)) return argument_error(r, args, nargs, kwnames);
                extra_of[owner] = v;
            } else {
                bool dflt = s.args[static_cast<std::size_t>(owner)].intent == Intent::io_over;
                if (v) {
                    // Any integer (an object with __index__, numpy's integers among them).
                    if (!PyIndex_Check(v)) return argument_error(r, args, nargs, kwnames);
                    PyObject* n = PyNumber_Index(v);
                    if (!n) return nullptr;
                    int overflow = 0;
                    const long long x = PyLong_AsLongLongAndOverflow(n, &overflow);
                    Py_DECREF(n);
                    if (overflow || x > INT32_MAX || x < INT32_MIN) {
                        PyErr_Clear();
                        return argument_error(r, args, nargs, kwnames);
                    }
                    dflt = x != 0;
                }
                overwrite_of[owner] = dflt;
            }
        }
        src = given;
        nsrc = nvis;
        matched = true;
    }

    // One pass in conversion order: convert, fill the native slots, run the checks. The state
    // of an argument is set up as it is converted; the plan guarantees that expressions read
    // only arguments converted before them.
    // Sized to the routine: nested call-backs stack one of these per level.
    ArgState* const st = static_cast<ArgState*>(alloca(sizeof(ArgState) * (p.info.size() + 1)));
    CbContext cbs[grammar::max_callbacks];
    int ncb = 0;
    TextStore texts;
    void* data[kMaxArgs];
    std::size_t lens[kMaxArgs];
    const Step* const steps = p.steps.data();
    const int nsteps = static_cast<int>(p.steps.size());
    const Eval ev{p.fx.data(), st, CallEnv{p.info.data(), st}};
    bool ok = true;
    int j = 0;
    for (; j < nsteps; ++j) {
        const Step& sp = steps[j];
        ArgState& x = st[sp.arg];
        PyObject* o = sp.vis >= 0 && sp.vis < nsrc ? src[sp.vis] : nullptr;
        if (o == Py_None && (sp.flags & Step::optional)) o = nullptr;
        x.obj = o;
        switch (sp.kind) {
            case Step::scalar:
                if (o) {
                    if (sp.type == Ty::f8 && PyFloat_CheckExact(o)) x.d = PyFloat_AS_DOUBLE(o);
                    else if (!(sp.type == Ty::i4 && PyLong_CheckExact(o) && small_int(o, x.i)))
                        ok = convert_scalar(r, *sp.desc, x, o);
                } else {
                    x.d = 0;
                    x.i = 0;
                    x.b = 0;
                    x.zs = {0.0, 0.0};
                    if (sp.def >= 0) {
                        Value v;
                        if (!ev(sp.def, v)) {
                            PyErr_Format(error_type, "default of %s cannot be evaluated", sp.desc->name.c_str());
                            ok = false;
                        } else {
                            ok = set_value(*sp.desc, x, v);
                        }
                    }
                }
                x.ptr = reinterpret_cast<char*>(&x) + sp.slot;
                break;
            case Step::array_new:
                x.arr = nullptr;
                x.text = nullptr;
                x.text_heap = false;
                ok = new_array(r, sp, x, ev) && fill_default_array(sp, x, ev);
                break;
            case Step::array_in:
                x.arr = nullptr;
                x.text = nullptr;
                x.text_heap = false;
                if (o) {
                    ok = convert_array(r, sp, x, o, ev,
                                       matched && sp.desc->has_overwrite() ? overwrite_of[sp.arg] : sp.intent == Intent::io_over);
                } else if (sp.intent == Intent::inout) {
                    array_error(r, *sp.desc, "failed to initialize intent(inout|inplace|cache) array, input 'NoneType' object is not an array", inplace_type_error);
                    ok = false;
                } else {
                    ok = new_array(r, sp, x, ev) && fill_default_array(sp, x, ev);
                }
                break;
            default:
                x.arr = nullptr;
                x.text = nullptr;
                x.text_heap = false;
                x.cb = nullptr;
                x.rank = 0;
                x.ptr = nullptr;
                ok = convert_other(r, sp, x, o, ev, matched ? extra_of[sp.arg] : nullptr, cbs, ncb, texts);
                break;
        }
        if (!ok) break;
        if (sp.data_slot >= 0) data[sp.data_slot] = x.ptr;
        if (sp.len_slot >= 0) lens[sp.len_slot] = x.textlen;
        if (sp.nchecks && !run_checks(r, sp, x, ev)) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        release_steps(st, steps, j + 1);
        return nullptr;
    }

    // Extents of the caller's arrays that depended on arguments converted later.
    for (const Recheck* rc = p.recheck.data(), *end = rc + p.recheck.size(); rc != end; ++rc) {
        Value v;
        if (!ev(rc->fx, v)) continue;
        const std::int64_t need = std::max<std::int64_t>(v.integer(), 0);
        const std::int64_t have = st[rc->arg].dims[rc->axis];
        if (rc->rank1 ? have >= need : have == need) continue;
        const ArgDesc& a = s.args[static_cast<std::size_t>(rc->arg)];
        const std::string& dim = a.dims[rc->axis].text();
        std::string cond = rc->rank1 ? "len(" + a.name + ")>=" + dim : "shape(" + a.name + "," + std::to_string(rc->axis) + ")==" + dim;
        PyErr_SetString(error_type, ("(" + cond + ") failed for " + a.nth + " " + a.name).c_str());
        release_all(st, p);
        return nullptr;
    }

    // The native call.
    alignas(16) unsigned char ret[sizeof(cplx)] = {};
    const int retarg = r.retarg;
    try {
        r.thunk(CallSlots{data, lens, ret});
    } catch (const CallbackAbort&) {
        ok = false;
        if (!PyErr_Occurred()) PyErr_SetString(error_type, "call-back failed");
    } catch (const std::bad_alloc&) {
        ok = false;
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        ok = false;
        PyErr_SetString(error_type, e.what());
    }
    if (ok && PyErr_Occurred()) ok = false;
    if (!ok) {
        release_all(st, p);
        return nullptr;
    }
    if (retarg >= 0) {
        ArgState& x = st[retarg];
        switch (s.args[retarg].type) {
            case Ty::f8: std::memcpy(&x.d, ret, sizeof x.d); break;
            case Ty::c16: std::memcpy(&x.zs, ret, sizeof x.zs); break;
            case Ty::l1: { int v; std::memcpy(&v, ret, sizeof v); x.b = static_cast<std::int8_t>(v); break; }
            default: std::memcpy(&x.i, ret, sizeof x.i); break;
        }
    }

    // The result: None, the one value, or a tuple in result order.
    PyObject* out = nullptr;
    const std::size_t nres = s.results.size();
    if (nres == 0) {
        Py_INCREF(Py_None);
        out = Py_None;
    } else if (nres == 1) {
        out = result_of(s.args[s.results[0]], st[s.results[0]]);
    } else {
        out = PyTuple_New(static_cast<Py_ssize_t>(nres));
        for (std::size_t j = 0; out && j < nres; ++j) {
            PyObject* v = result_of(s.args[s.results[j]], st[s.results[j]]);
            if (!v) { Py_CLEAR(out); break; }
            PyTuple_SET_ITEM(out, static_cast<Py_ssize_t>(j), v);
        }
    }
    release_all(st, p);
    return out;
}

}  // namespace tvk::py
