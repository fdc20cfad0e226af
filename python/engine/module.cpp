// The extension module: the "fortran" object type that serves namespaces and routines, the table
// variables, registration, and module initialisation.
#define TVK_ENGINE_IMPORTS_NUMPY
#include "engine.h"

#include <cstring>
#include <map>
#include <tuple>
#include <new>

#include "core/errors.h"
#include "core/host.h"

namespace tvk::py {

PyObject* error_type = nullptr;
PyObject* inplace_type_error = nullptr;
PyObject* inplace_value_error = nullptr;
namespace {
std::string the_module_name;
}
const char* module_name() { return the_module_name.c_str(); }

std::vector<Routine>& routines() {
    static std::vector<Routine> r;
    return r;
}
std::vector<CbSig>& callbacks() {
    static std::vector<CbSig> c;
    return c;
}
std::vector<Variable>& variables() {
    static std::vector<Variable> v;
    return v;
}

// Registration happens while the shared object loads; parsing waits for module creation, so a
// malformed signature fails the import with its reason instead of aborting the process.
RoutineReg::RoutineReg(const char* ns, const char* pyname, const char* cname, const char* sig, ThunkFn thunk,
                       std::string codes, void* entry, DirectFn direct) {
    Routine r;
    r.direct = direct;
    r.ns = ns;
    r.pyname = pyname;
    r.cname = cname;
    r.sigtext = sig;
    r.thunk = thunk;
    r.codes = std::move(codes);
    r.entry = entry;
    routines().push_back(std::move(r));
}
CallbackReg::CallbackReg(const char* name, const char* sig) {
    CbSig c;
    c.name = name;
    c.sig.codes = sig;  // the text until parsed
    callbacks().push_back(std::move(c));
}
VarReg::VarReg(const char* ns, const char* name, Spec spec) { variables().push_back(Variable{ns, name, spec}); }

namespace {

enum class Kind { ns, routine };

struct FObj {
    PyObject_HEAD
    PyObject* dict;
    vectorcallfunc vectorcall;
    Kind kind;
    const Routine* routine;
    std::string* nsname;
    std::map<std::string, const Variable*>* vars;  // variables of a namespace, by name
    PyObject* tables;                              // its variables read on every access (the tables and
                                                   // the per-thread variables): name -> index in variables()
    std::vector<PyObject*>* members;               // routine objects in definition order
};

PyTypeObject FortranType = {};  // filled in by init_type
// The routines: a subtype of the same name that documents itself as a function (see init_type).
PyTypeObject RoutineType = {};

// Base object of a table view: keeps the table's storage block alive.
void block_capsule_free(PyObject* cap) { block_decref(static_cast<Block*>(PyCapsule_GetPointer(cap, "tvk.block"))); }

int tn_of(char code) {
    switch (code) {
        case 'd': return NPY_DOUBLE;
        case 'D': return NPY_CDOUBLE;
        default: return NPY_INT;
    }
}

PyObject* table_view(TableBase& t) {
    if (!t.present()) Py_RETURN_NONE;
    npy_intp dims[7];
    for (int d = 0; d < t.rank; ++d) dims[d] = static_cast<npy_intp>(t.ext[d]);
    PyObject* arr = PyArray_New(&PyArray_Type, t.rank, dims, tn_of(t.code), nullptr, t.raw(), 0, NPY_ARRAY_FARRAY, nullptr);
    if (!arr) return nullptr;
    block_incref(t.blk);
    PyObject* cap = PyCapsule_New(t.blk, "tvk.block", block_capsule_free);
    if (!cap) {
        block_decref(t.blk);
        Py_DECREF(arr);
        return nullptr;
    }
    if (PyArray_SetBaseObject(reinterpret_cast<PyArrayObject*>(arr), cap) < 0) {
        Py_DECREF(arr);
        return nullptr;
    }
    return arr;
}

// Where the variable is: for a per-thread variable, the calling thread's.
void* where(const VarReg::Spec& sp) { return sp.locate ? sp.locate() : sp.ptr; }

// Whether a variable is resolved on every access rather than held in the namespace's dict.
bool looked_up(const VarReg::Spec& sp) { return sp.kind == VarReg::Kind::table || sp.locate; }

// A 0-d array sharing a scalar or text variable at p.
PyObject* scalar_view(const VarReg::Spec& sp, void* p) {
    const int flags = sp.kind == VarReg::Kind::constant ? NPY_ARRAY_CARRAY_RO : NPY_ARRAY_CARRAY;
    switch (sp.kind) {
        case VarReg::Kind::scalar_int:
        case VarReg::Kind::constant: return PyArray_New(&PyArray_Type, 0, nullptr, NPY_INT, nullptr, p, 0, flags, nullptr);
        case VarReg::Kind::scalar_real: return PyArray_New(&PyArray_Type, 0, nullptr, NPY_DOUBLE, nullptr, p, 0, flags, nullptr);
        case VarReg::Kind::text: return PyArray_New(&PyArray_Type, 0, nullptr, NPY_STRING, nullptr, p, static_cast<int>(sp.len), flags, nullptr);
        case VarReg::Kind::table: break;
    }
    PyErr_SetString(PyExc_SystemError, "a table has no 0-d view");
    return nullptr;
}

// Keys of the per-thread scalar and text variables in the thread state's dict, by index in
// variables().
std::vector<PyObject*>& thread_keys() {
    static std::vector<PyObject*> k;
    return k;
}

// The value of a variable resolved on every access: a view of a table's current extents, or the
// calling thread's 0-d array of a per-thread scalar or text. That array is made once per thread
// and kept in the thread state's dict, so that a thread reads the same object every time, as it
// does for a variable of the process; the thread's record outlives the array.
PyObject* looked_up_value(const Variable& v) {
    const VarReg::Spec& sp = v.spec;
    if (sp.kind == VarReg::Kind::table) return table_view(*static_cast<TableBase*>(where(sp)));
    PyObject* key = thread_keys()[static_cast<std::size_t>(&v - variables().data())];
    PyObject* cache = PyThreadState_GetDict();
    if (cache) {
        PyObject* arr = PyDict_GetItemWithError(cache, key);
        if (arr) return Py_NewRef(arr);
        if (PyErr_Occurred()) return nullptr;
    }
    PyObject* arr = scalar_view(sp, where(sp));
    if (arr && cache && PyDict_SetItem(cache, key, arr) < 0) Py_CLEAR(arr);
    return arr;
}

// Converts an assigned value for a variable of `rank` free extents (0 = scalar) and type `tn`.
PyArrayObject* assigned_array(PyObject* value, int tn, int rank, npy_intp* dims) {
    PyArray_Descr* descr = PyArray_DescrFromType(tn);
    PyObject* a = PyArray_FromAny(value, descr, 0, 0, NPY_ARRAY_FARRAY | NPY_ARRAY_FORCECAST | NPY_ARRAY_ENSURECOPY, nullptr);
    if (!a) return nullptr;
    PyArrayObject* arr = reinterpret_cast<PyArrayObject*>(a);
    // Unit axes beyond the rank are dropped, surplus axes fold into the last extent, missing
    // ones count as 1.
    int nd = PyArray_NDIM(arr);
    npy_intp work[NPY_MAXDIMS];
    int n = 0, excess = nd - rank;
    for (int d = 0; d < nd; ++d) {
        if (excess > 0 && PyArray_DIM(arr, d) == 1) { --excess; continue; }
        work[n++] = PyArray_DIM(arr, d);
    }
    if (rank == 0) {
        if (PyArray_SIZE(arr) != 1) {
            PyErr_Format(PyExc_ValueError, "too many axes: %d (effrank=%d), expected rank=0\n", nd, n);
            Py_DECREF(a);
            return nullptr;
        }
        return arr;
    }
    if (n > rank) {
        npy_intp last = 1;
        for (int d = rank - 1; d < n; ++d) last *= work[d];
        work[rank - 1] = last;
        n = rank;
    }
    for (int d = n; d < rank; ++d) work[d] = 1;
    for (int d = 0; d < rank; ++d) dims[d] = work[d];
    return arr;
}

int set_variable(const Variable& v, PyObject* value) {
    const VarReg::Spec& sp = v.spec;
    if (!value) {
        PyErr_SetString(PyExc_AttributeError, "cannot delete fortran variable");
        return -1;
    }
    switch (sp.kind) {
        case VarReg::Kind::constant:
            PyErr_Format(PyExc_AttributeError, "%s is a read-only constant", v.name.c_str());
            return -1;
        case VarReg::Kind::scalar_int: {
            // Read as a 64-bit integer first, so that a value outside 4 bytes is refused rather
            // than wrapped.
            PyArrayObject* arr = assigned_array(value, NPY_INT64, 0, nullptr);
            if (!arr) return -1;
            const std::int64_t x = *static_cast<const std::int64_t*>(PyArray_DATA(arr));
            Py_DECREF(arr);
            if (x < INT32_MIN || x > INT32_MAX) {
                PyErr_Format(PyExc_OverflowError, "%lld does not fit the 4-byte integer %s", static_cast<long long>(x), v.name.c_str());
                return -1;
            }
            *static_cast<int*>(where(sp)) = static_cast<int>(x);
            return 0;
        }
        case VarReg::Kind::scalar_real: {
            PyArrayObject* arr = assigned_array(value, NPY_DOUBLE, 0, nullptr);
            if (!arr) return -1;
            std::memcpy(where(sp), PyArray_DATA(arr), sizeof(double));
            Py_DECREF(arr);
            return 0;
        }
        case VarReg::Kind::text: {
            PyObject* bytes = nullptr;
            if (PyBytes_Check(value)) { Py_INCREF(value); bytes = value; }
            else if (PyUnicode_Check(value)) bytes = PyUnicode_EncodeFSDefault(value);  // as os.fsencode
            else if (PyArray_Check(value) && PyArray_TYPE(reinterpret_cast<PyArrayObject*>(value)) == NPY_STRING &&
                     PyArray_SIZE(reinterpret_cast<PyArrayObject*>(value)) == 1) {
                PyArrayObject* a = reinterpret_cast<PyArrayObject*>(value);
                bytes = PyBytes_FromStringAndSize(static_cast<const char*>(PyArray_DATA(a)),
                                                  static_cast<Py_ssize_t>(strnlen(static_cast<const char*>(PyArray_DATA(a)), PyArray_ITEMSIZE(a))));
            } else {
                PyErr_Format(PyExc_TypeError, "%s takes text (str or bytes), not %s", v.name.c_str(), Py_TYPE(value)->tp_name);
                return -1;
            }
            if (!bytes) return -1;
            Py_ssize_t n = PyBytes_GET_SIZE(bytes);
            if (static_cast<std::size_t>(n) > sp.len) {
                // refused whole: a cut name would end inside a character or name another file
                PyErr_Format(PyExc_ValueError, "text of %zd bytes does not fit %s (%zu characters)", n, v.name.c_str(), sp.len);
                Py_DECREF(bytes);
                return -1;
            }
            char* dst = static_cast<char*>(where(sp));
            std::memcpy(dst, PyBytes_AS_STRING(bytes), static_cast<std::size_t>(n));
            std::memset(dst + n, ' ', sp.len - static_cast<std::size_t>(n));
            Py_DECREF(bytes);
            return 0;
        }
        case VarReg::Kind::table: {
            TableBase& t = *static_cast<TableBase*>(where(sp));
            if (value == Py_None) {
                t.release();
                return 0;
            }
            npy_intp dims[7];
            PyArrayObject* arr = assigned_array(value, tn_of(t.code), t.rank, dims);
            if (!arr) return -1;
            bool same = t.present();
            for (int d = 0; d < t.rank && same; ++d) same = t.ext[d] == dims[d];
            try {
                if (!same) {
                    t.release();
                    if (dims[0] >= 1) {
                        std::int64_t e[7];
                        for (int d = 0; d < t.rank; ++d) e[d] = dims[d];
                        t.reallocate(e, AllocFailure::throw_bad_alloc);
                    }
                }
            } catch (const std::bad_alloc&) {
                Py_DECREF(arr);
                PyErr_NoMemory();
                return -1;
            }
            if (t.present()) std::memcpy(t.raw(), PyArray_DATA(arr), static_cast<std::size_t>(t.size()) * t.elsize);
            Py_DECREF(arr);
            return 0;
        }
    }
    return -1;
}

std::string var_doc(const Variable& v) {
    const VarReg::Spec& sp = v.spec;
    switch (sp.kind) {
        case VarReg::Kind::constant:
        case VarReg::Kind::scalar_int: return "'i'-scalar";
        case VarReg::Kind::scalar_real: return "'d'-scalar";
        case VarReg::Kind::text: return "'S'-array(" + std::to_string(sp.len) + ")";
        case VarReg::Kind::table: {
            const TableBase& t = *static_cast<const TableBase*>(where(sp));
            std::string s = "'";
            s += t.code;
            s += "'-array(";
            for (int d = 0; d < t.rank; ++d) {
                if (d) s += ',';
                s += std::to_string(t.present() ? t.ext[d] : -1);
            }
            s += t.present() ? ")" : "), not allocated";
            return s;
        }
    }
    return {};
}

// Whether a routine's direct call takes the arguments its call form takes: every parameter a
// number given by position in the C order, and the function value the routine's own.
bool direct_fits(const Routine& r) {
    const Plan& p = r.plan;
    if (!r.direct || !p.scalar_only || p.nreq != static_cast<int>(p.scalars.size())) return false;
    for (std::size_t k = 0; k < p.scalars.size(); ++k)
        if (p.scalars[k].vis != static_cast<int>(k) || p.scalars[k].data_slot != static_cast<int>(k)) return false;
    const char ret = r.codes.empty() ? '?' : r.codes[0];
    return r.retarg < 0 ? ret == 'v' : (ret == 'd' && p.scalar_ret == Ty::f8) || (ret == 'i' && p.scalar_ret == Ty::i4);
}

PyObject* routine_vectorcall(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    return call_routine(*reinterpret_cast<FObj*>(self)->routine, args, nargsf, kwnames);
}
PyObject* scalar_vectorcall(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    return call_scalar_routine(*reinterpret_cast<FObj*>(self)->routine, args, nargsf, kwnames);
}
PyObject* ns_vectorcall(PyObject*, PyObject* const*, std::size_t, PyObject*) {
    PyErr_SetString(PyExc_TypeError, "this fortran object is not callable");
    return nullptr;
}

PyObject* doc_name = nullptr;  // "__doc__", interned

// Whether an attribute name is "__doc__": an interned exact str can only be the interned one.
bool is_doc_name(PyObject* name) {
    if (name == doc_name) return true;
    if (PyUnicode_CheckExact(name) && PyUnicode_CHECK_INTERNED(name)) return false;
    return PyUnicode_CompareWithASCIIString(name, "__doc__") == 0;
}

PyObject* routine_doc(PyObject* self, void*);

PyObject* f_getattro(PyObject* self, PyObject* name) {
    FObj* f = reinterpret_cast<FObj*>(self);
    // A routine of a namespace, the common case, straight from the instance dict: routine names
    // are never dunder names, so no descriptor of the type can take precedence over them.
    if (f->kind == Kind::ns && f->dict && PyUnicode_CheckExact(name)) {
        PyObject* v = PyDict_GetItemWithError(f->dict, name);
        if (v && Py_IS_TYPE(v, &RoutineType)) return Py_NewRef(v);
        if (!v && PyErr_Occurred()) return nullptr;
    }
    if (f->tables) {
        const Variable* v = nullptr;
        if (PyUnicode_CheckExact(name)) {
            PyObject* idx = PyDict_GetItemWithError(f->tables, name);
            if (idx) v = &variables()[PyLong_AsSize_t(idx)];
            else if (PyErr_Occurred()) return nullptr;
        } else {
            const char* n = PyUnicode_AsUTF8(name);
            if (!n) return nullptr;
            auto it = f->vars->find(n);
            if (it != f->vars->end() && looked_up(it->second->spec)) v = it->second;
        }
        if (v) return looked_up_value(*v);
    }
    if (is_doc_name(name)) {
        if (f->kind == Kind::routine) return routine_doc(self, nullptr);
        std::string d;
        for (const Variable& v : variables())
            if (v.ns == *f->nsname) d += var_doc(v) + "\n";
        for (PyObject* m : *f->members) d += reinterpret_cast<FObj*>(m)->routine->doc + "\n\n";
        return PyUnicode_FromString(d.c_str());
    }
    return PyObject_GenericGetAttr(self, name);
}

int f_setattro(PyObject* self, PyObject* name, PyObject* value) {
    FObj* f = reinterpret_cast<FObj*>(self);
    const char* n = PyUnicode_AsUTF8(name);
    if (!n) return -1;
    if (f->kind == Kind::ns) {
        for (PyObject* m : *f->members)
            if (reinterpret_cast<FObj*>(m)->routine->pyname == n) {
                PyErr_SetString(PyExc_AttributeError, "over-writing fortran routine");
                return -1;
            }
        auto it = f->vars->find(n);
        if (it != f->vars->end()) return set_variable(*it->second, value);
    }
    if (!value) {
        if (f->dict && PyDict_GetItemWithError(f->dict, name)) return PyDict_DelItem(f->dict, name);
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_AttributeError, "delete non-existing fortran attribute");
        return -1;
    }
    return PyObject_GenericSetAttr(self, name, value);
}

PyObject* f_repr(PyObject*) { return PyUnicode_FromString("<fortran object>"); }

// What a routine object tells about itself: the names by which it is reached (the module, the
// namespace and the routine), its doc and its Python signature.
const Routine& routine_self(PyObject* self) { return *reinterpret_cast<FObj*>(self)->routine; }
PyObject* routine_repr(PyObject* self) {
    const Routine& r = routine_self(self);
    return PyUnicode_FromFormat("<fortran routine %s.%s.%s>", module_name(), r.ns.c_str(), r.pyname.c_str());
}
PyObject* routine_name(PyObject* self, void*) { return PyUnicode_FromString(routine_self(self).pyname.c_str()); }
PyObject* routine_qualname(PyObject* self, void*) {
    const Routine& r = routine_self(self);
    return PyUnicode_FromString((r.ns + "." + r.pyname).c_str());
}
PyObject* routine_module(PyObject*, void*) { return PyUnicode_FromString(module_name()); }
PyObject* routine_textsig(PyObject* self, void*) {
    const std::string& t = routine_self(self).textsig;
    if (t.empty()) Py_RETURN_NONE;
    return PyUnicode_FromString(t.c_str());
}
PyObject* routine_doc(PyObject* self, void*) { return PyUnicode_FromString((routine_self(self).doc + "\n").c_str()); }
// Found on a class, a routine is itself, as a builtin function is (no binding to an instance).
PyObject* routine_descr_get(PyObject* self, PyObject*, PyObject*) { return Py_NewRef(self); }

void f_dealloc(PyObject* self) {
    FObj* f = reinterpret_cast<FObj*>(self);
    Py_XDECREF(f->dict);
    delete f->nsname;
    delete f->vars;
    Py_XDECREF(f->tables);
    if (f->members) {
        for (PyObject* m : *f->members) Py_DECREF(m);
        delete f->members;
    }
    Py_TYPE(self)->tp_free(self);
}

PyObject* f_reduce(PyObject*, PyObject*) {
    PyErr_SetString(PyExc_TypeError, "cannot pickle 'fortran' object");
    return nullptr;
}
// dir(): what object.__dir__ finds (the dict and the type), and a namespace's per-thread scalar
// and text variables, which no dict holds but which read like the variables a dict does.
PyObject* f_dir(PyObject* self, PyObject*) {
    PyObject* names = PyObject_CallMethod(reinterpret_cast<PyObject*>(&PyBaseObject_Type), "__dir__", "O", self);
    const FObj* f = reinterpret_cast<FObj*>(self);
    if (!names || !f->vars) return names;
    for (const auto& [name, var] : *f->vars) {
        if (!var->spec.locate || var->spec.kind == VarReg::Kind::table) continue;
        PyObject* n = PyUnicode_FromString(name.c_str());
        if (!n || PyList_Append(names, n) < 0) {
            Py_XDECREF(n);
            Py_DECREF(names);
            return nullptr;
        }
        Py_DECREF(n);
    }
    return names;
}
PyMethodDef f_methods[] = {{"__reduce__", f_reduce, METH_NOARGS, nullptr},
                           {"__dir__", f_dir, METH_NOARGS, nullptr},
                           {nullptr, nullptr, 0, nullptr}};
PyGetSetDef f_getset[] = {{"__dict__", PyObject_GenericGetDict, nullptr, nullptr, nullptr},
                          {nullptr, nullptr, nullptr, nullptr, nullptr}};
PyGetSetDef routine_getset[] = {{"__doc__", routine_doc, nullptr, nullptr, nullptr},
                                {"__name__", routine_name, nullptr, nullptr, nullptr},
                                {"__qualname__", routine_qualname, nullptr, nullptr, nullptr},
                                {"__module__", routine_module, nullptr, nullptr, nullptr},
                                {"__text_signature__", routine_textsig, nullptr, nullptr, nullptr},
                                {nullptr, nullptr, nullptr, nullptr, nullptr}};

bool init_type() {
    Py_SET_REFCNT(reinterpret_cast<PyObject*>(&FortranType), 1);  // a static type is never freed
    FortranType.tp_name = "fortran";
    FortranType.tp_basicsize = sizeof(FObj);
    FortranType.tp_dealloc = f_dealloc;
    FortranType.tp_vectorcall_offset = offsetof(FObj, vectorcall);
    FortranType.tp_call = PyVectorcall_Call;
    FortranType.tp_repr = f_repr;
    FortranType.tp_getattro = f_getattro;
    FortranType.tp_setattro = f_setattro;
    FortranType.tp_dictoffset = offsetof(FObj, dict);
    FortranType.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_VECTORCALL;
    FortranType.tp_methods = f_methods;
    FortranType.tp_getset = f_getset;
    FortranType.tp_new = nullptr;
    if (PyType_Ready(&FortranType) < 0) return false;
    // Module "builtins", as for every object of this kind.
    PyObject* mod = PyUnicode_FromString("builtins");
    PyDict_SetItemString(FortranType.tp_dict, "__module__", mod);
    Py_XDECREF(mod);
    // Routines are of a subtype with the same name whose descriptors make pydoc and inspect take
    // them as functions: inspect.isroutine holds for an object whose type has __get__ (and no
    // __set__), and pydoc then reads __name__, the signature from __text_signature__ and the doc
    // (found by object.__getattribute__, hence a descriptor of the type rather than the
    // namespace's computed attribute). Calls take the same vectorcall slot as before.
    Py_SET_REFCNT(reinterpret_cast<PyObject*>(&RoutineType), 1);
    RoutineType.tp_name = "fortran";
    RoutineType.tp_basicsize = sizeof(FObj);
    RoutineType.tp_base = &FortranType;
    RoutineType.tp_vectorcall_offset = offsetof(FObj, vectorcall);
    RoutineType.tp_call = PyVectorcall_Call;
    RoutineType.tp_repr = routine_repr;
    RoutineType.tp_descr_get = routine_descr_get;
    RoutineType.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_DISALLOW_INSTANTIATION;
    RoutineType.tp_getset = routine_getset;
    RoutineType.tp_new = nullptr;
    return PyType_Ready(&RoutineType) == 0;
}

FObj* new_fobj(Kind k) {
    FObj* f = PyObject_New(FObj, k == Kind::routine ? &RoutineType : &FortranType);
    if (!f) return nullptr;
    f->dict = PyDict_New();
    f->kind = k;
    f->routine = nullptr;
    f->nsname = nullptr;
    f->vars = nullptr;
    f->tables = nullptr;
    f->members = nullptr;
    f->vectorcall = k == Kind::routine ? routine_vectorcall : ns_vectorcall;
    return f;
}

// Compares the C parameter codes of a routine with its signature: types must agree, and an
// argument the routine writes must not be a pointer to const.
std::string check_codes(const Routine& r) {
    const std::string& c = r.codes;
    std::vector<std::string> items;
    for (std::size_t k = 0; k < c.size(); ++k) {
        std::string it;
        if (c[k] == 'k') it += c[k++];
        it += c[k];
        if (c[k] == 'F' && k + 1 < c.size() && c[k + 1] == '(') {
            int depth = 0;
            std::size_t j = k + 1;
            for (; j < c.size(); ++j) {
                if (c[j] == '(') ++depth;
                if (c[j] == ')' && --depth == 0) break;
            }
            it += c.substr(k + 1, j - k);
            k = j;
        }
        items.push_back(it);
    }
    const Signature& s = r.sig;
    std::vector<const ArgDesc*> params;
    char ret = 'v';
    for (const ArgDesc& a : s.args) {
        if (a.intent == Intent::ret) ret = s.codes[0];
        else params.push_back(&a);
    }
    std::size_t ntext = 0;
    for (const ArgDesc* a : params) ntext += a->type == Ty::text;
    if (items.empty() || items[0] != std::string(1, ret))
        return "function value: routine returns '" + (items.empty() ? std::string() : items[0]) + "'";
    if (items.size() != 1 + params.size() + ntext)
        return "routine has " + std::to_string(items.size() - 1) + " parameters, signature " + std::to_string(params.size() + ntext);
    for (std::size_t k = 0; k < params.size(); ++k) {
        const ArgDesc& a = *params[k];
        const std::string& it = items[k + 1];
        bool is_const = it[0] == 'k';
        char t = it[is_const ? 1 : 0];
        char want = s.codes[k + 1];
        if (t != want) return "argument " + a.name + ": type code '" + std::string(1, t) + "', signature '" + std::string(1, want) + "'";
        if (is_const && a.intent != Intent::in && a.intent != Intent::hide)
            return "argument " + a.name + " is written by the call but the routine takes it as const";
        if (t == 'F' && a.cb) {
            std::string inner = it.substr(2, it.size() - 3);
            std::string plain;
            for (char ch : inner) if (ch != 'k') plain += ch;
            if (plain != a.cb->sig.codes) return "call-back " + a.name + ": routine '" + plain + "', signature '" + a.cb->sig.codes + "'";
        }
    }
    for (std::size_t k = 1 + params.size(); k < items.size(); ++k)
        if (items[k] != "L") return "text lengths must come last";
    return {};
}

bool prepare() {
    for (CbSig& c : callbacks()) {
        std::string text = c.sig.codes;
        try {
            c.sig = parse_signature(text, true);
        } catch (const std::exception& e) {
            PyErr_Format(PyExc_ImportError, "call-back %s: %s", c.name.c_str(), e.what());
            return false;
        }
        for (int k = 0; k < static_cast<int>(c.sig.args.size()); ++k) {
            const ArgDesc& a = c.sig.args[k];
            if (a.intent == Intent::out || a.intent == Intent::ret || a.intent == Intent::hide) continue;
            if (!a.optional) c.passed.push_back(k);
        }
        for (int k = 0; k < static_cast<int>(c.sig.args.size()); ++k) {
            const ArgDesc& a = c.sig.args[k];
            if (a.optional && a.intent == Intent::in) c.passed.push_back(k);
        }
        for (int k : c.sig.results) c.returned.push_back(k);
    }
    for (Routine& r : routines()) {
        try {
            r.sig = parse_signature(r.sigtext, false);
        } catch (const std::exception& e) {
            PyErr_Format(PyExc_ImportError, "%s.%s: %s", r.ns.c_str(), r.pyname.c_str(), e.what());
            return false;
        }
        for (ArgDesc& a : r.sig.args) {
            if (a.type != Ty::cb) continue;
            for (const CbSig& c : callbacks())
                if (c.name == a.cbname) a.cb = &c;
            if (!a.cb) {
                PyErr_Format(PyExc_ImportError, "%s.%s: unknown call-back form %s", r.ns.c_str(), r.pyname.c_str(), a.cbname.c_str());
                return false;
            }
        }
        std::string bad = check_codes(r);
        if (!bad.empty()) {
            PyErr_Format(PyExc_ImportError, "%s.%s does not match %s: %s", r.ns.c_str(), r.pyname.c_str(), r.cname.c_str(), bad.c_str());
            return false;
        }
        if (r.sig.args.size() > static_cast<std::size_t>(grammar::max_args)) {  // refused by the grammar already
            PyErr_Format(PyExc_ImportError, "%s.%s has too many arguments", r.ns.c_str(), r.pyname.c_str());
            return false;
        }
        const Signature& s = r.sig;
        r.format.clear();
        for (int k : s.required) { r.visible.push_back(s.args[k].name); r.format += 'O'; }
        r.format += '|';
        for (int k : s.optional) { r.visible.push_back(s.args[k].name); r.format += 'O'; }
        for (int k : s.extras) {
            if (s.args[k].type == Ty::cb) { r.visible.push_back(s.args[k].name + "_extra_args"); r.format += "O!"; }
            else { r.visible.push_back("overwrite_" + s.args[k].name); r.format += 'i'; }
        }
        r.format += ":" + std::string(module_name()) + "." + r.ns + "." + r.pyname;
        for (const std::string& v : r.visible) r.kwnames.push_back(PyUnicode_InternFromString(v.c_str()));
        r.doc = doc_text(s, r.pyname, r.pyname);
        r.textsig = text_signature(s);
        for (int k = 0; k < static_cast<int>(s.args.size()); ++k)
            if (s.args[k].intent == Intent::ret) r.retarg = k;
        bad = build_plan(r);
        if (!bad.empty()) {
            PyErr_Format(PyExc_ImportError, "%s.%s: %s", r.ns.c_str(), r.pyname.c_str(), bad.c_str());
            return false;
        }
    }
    return true;
}

// The library's stop hook: writes out what Python still buffers in sys.stdout and sys.stderr,
// which exit() would discard. The library may stop from any thread and from a call that does not
// hold the interpreter lock (a ctypes call releases it), so the hook takes the lock itself, and
// keeps it: no other Python thread then runs while the process ends. Nothing is done once the
// interpreter is gone or shutting down (taking the lock then could block forever).
bool python_finalizing() {
#if PY_VERSION_HEX >= 0x030D0000
    return Py_IsFinalizing();
#else
    return _Py_IsFinalizing();
#endif
}

void flush_python_output() {
    if (!Py_IsInitialized() || python_finalizing()) return;
    PyGILState_Ensure();
    PyObject *t, *v, *tb;
    PyErr_Fetch(&t, &v, &tb);  // an error pending in this thread does not stop the flush
    for (const char* name : {"stdout", "stderr"}) {
        PyObject* out = PySys_GetObject(name);
        if (out && out != Py_None) {
            PyObject* r = PyObject_CallMethod(out, "flush", nullptr);
            Py_XDECREF(r);
            PyErr_Clear();
        }
    }
}

PyModuleDef moddef = {PyModuleDef_HEAD_INIT, nullptr, nullptr, -1, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyObject* call_routine_object(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    return call_routine(*reinterpret_cast<FObj*>(self)->routine, args, nargsf, kwnames);
}

const Routine* routine_of(PyObject* o) {
    if (!o || Py_TYPE(o) != &RoutineType) return nullptr;
    const FObj* f = reinterpret_cast<const FObj*>(o);
    return f->kind == Kind::routine ? f->routine : nullptr;
}

const char* call_path(PyObject* o) {
    if (!routine_of(o)) return nullptr;
    const vectorcallfunc v = reinterpret_cast<const FObj*>(o)->vectorcall;
    return v == routine_vectorcall ? "general" : v == scalar_vectorcall ? "scalar" : "direct";
}

PyObject* create_module(const char* name) {
    the_module_name = name;
    moddef.m_name = the_module_name.c_str();
    // numpy's own import checks the ABI and the feature version this module was compiled for.
    if (_import_array() < 0) {
        PyObject *t, *v, *tb;
        PyErr_Fetch(&t, &v, &tb);
        PyErr_NormalizeException(&t, &v, &tb);
        PyErr_Format(PyExc_ImportError, "can't initialize module %s (failed to import numpy)", module_name());
        if (v) {
            PyObject *t2, *v2, *tb2;
            PyErr_Fetch(&t2, &v2, &tb2);
            PyErr_NormalizeException(&t2, &v2, &tb2);
            PyException_SetCause(v2, v);
            PyErr_Restore(t2, v2, tb2);
        }
        Py_XDECREF(t);
        Py_XDECREF(tb);
        return nullptr;
    }
    if (!init_type() || !prepare()) return nullptr;
    if (!doc_name && !(doc_name = PyUnicode_InternFromString("__doc__"))) return nullptr;
    host::install({.before_stop = flush_python_output});

    PyObject* m = PyModule_Create(&moddef);
    if (!m) return nullptr;
    PyModule_AddStringConstant(m, "__version__", "$Revision: $");
    std::string errname = std::string(module_name()) + ".error";
    error_type = PyErr_NewException(errname.c_str(), nullptr, nullptr);
    Py_INCREF(error_type);
    PyModule_AddObject(m, (std::string(module_name()) + "_error").c_str(), error_type);
    Py_INCREF(error_type);
    PyModule_AddObject(m, "error", error_type);
    // The in-place refusals: caught as the module's error and as the binding's own type.
    for (auto [slot, base, name] : {std::tuple{&inplace_type_error, PyExc_TypeError, "InPlaceTypeError"},
                                    std::tuple{&inplace_value_error, PyExc_ValueError, "InPlaceValueError"}}) {
        PyObject* bases = PyTuple_Pack(2, error_type, base);
        *slot = bases ? PyErr_NewException((std::string(module_name()) + "." + name).c_str(), bases, nullptr) : nullptr;
        Py_XDECREF(bases);
        if (!*slot) return nullptr;
    }

    std::string doc = std::string("This module '") + module_name() + "' gives Python access to the library's routines and model data.\nFunctions:\nModules:\n";
    for (const std::string& ns : namespace_order()) {
        FObj* f = new_fobj(Kind::ns);
        if (!f) { Py_DECREF(m); return nullptr; }
        f->nsname = new std::string(ns);
        f->vars = new std::map<std::string, const Variable*>;
        f->members = new std::vector<PyObject*>;
        std::string listing;
        for (const Variable& v : variables()) {
            if (v.ns != ns) continue;
            (*f->vars)[v.name] = &v;
            listing += (listing.empty() ? "" : ",") + v.name;
            const VarReg::Spec& sp = v.spec;
            if (looked_up(sp)) {
                if (sp.kind == VarReg::Kind::table) continue;
                // A per-thread scalar or text: its key in each thread's cache.
                thread_keys().resize(variables().size(), nullptr);
                PyObject*& key = thread_keys()[static_cast<std::size_t>(&v - variables().data())];
                if (!key && !(key = PyUnicode_FromFormat("%s.%s.%s", module_name(), ns.c_str(), v.name.c_str()))) {
                    Py_DECREF(f);
                    Py_DECREF(m);
                    return nullptr;
                }
                continue;
            }
            PyObject* arr = nullptr;
            if (sp.kind == VarReg::Kind::constant) {
                static std::vector<int*> consts;
                int* store = new int(sp.value);
                consts.push_back(store);
                arr = scalar_view(sp, store);
            } else if (sp.kind != VarReg::Kind::table) {
                arr = scalar_view(sp, sp.ptr);
            }
            if (arr) {
                PyDict_SetItemString(f->dict, v.name.c_str(), arr);
                Py_DECREF(arr);
            }
        }
        // Tables and per-thread variables are looked up on every attribute access: by interned
        // name in a dict.
        for (const auto& [name, var] : *f->vars) {
            if (!looked_up(var->spec)) continue;
            if (!f->tables && !(f->tables = PyDict_New())) { Py_DECREF(f); Py_DECREF(m); return nullptr; }
            PyObject* key = PyUnicode_InternFromString(name.c_str());
            PyObject* idx = PyLong_FromSize_t(static_cast<std::size_t>(var - variables().data()));
            const int bad = !key || !idx || PyDict_SetItem(f->tables, key, idx) < 0;
            Py_XDECREF(key);
            Py_XDECREF(idx);
            if (bad) { Py_DECREF(f); Py_DECREF(m); return nullptr; }
        }
        for (const Routine& r : routines()) {
            if (r.ns != ns) continue;
            // A routine is found before the tables (f_getattro): the names must not meet.
            if (f->tables && PyDict_GetItemString(f->tables, r.pyname.c_str())) {
                PyErr_Format(PyExc_ImportError, "routine %s.%s has the name of a table", ns.c_str(), r.pyname.c_str());
                Py_DECREF(f);
                Py_DECREF(m);
                return nullptr;
            }
            FObj* rf = new_fobj(Kind::routine);
            if (!rf) { Py_DECREF(m); return nullptr; }
            rf->routine = &r;
            if (direct_fits(r)) rf->vectorcall = r.direct;
            else if (r.plan.scalar_only) rf->vectorcall = scalar_vectorcall;
            PyObject* cap = PyCapsule_New(r.entry, nullptr, nullptr);
            if (cap) {
                PyDict_SetItemString(rf->dict, "_cpointer", cap);
                Py_DECREF(cap);
            }
            PyDict_SetItemString(f->dict, r.pyname.c_str(), reinterpret_cast<PyObject*>(rf));
            f->members->push_back(reinterpret_cast<PyObject*>(rf));
            listing += (listing.empty() ? "" : ",") + r.pyname + "()";
        }
        doc += "  " + ns + " --- " + listing;
        PyModule_AddObject(m, ns.c_str(), reinterpret_cast<PyObject*>(f));
    }
    for (const Routine& r : routines()) {
        bool known = false;
        for (const std::string& ns : namespace_order()) known = known || ns == r.ns;
        if (!known) {
            PyErr_Format(PyExc_ImportError, "routine %s is bound to an unknown namespace %s", r.pyname.c_str(), r.ns.c_str());
            Py_DECREF(m);
            return nullptr;
        }
    }
    doc += ".";
    PyObject* d = PyUnicode_FromString(doc.c_str());
    PyModule_AddObject(m, "__doc__", d);
    return m;
}

}  // namespace tvk::py
