// Internal to the binding engine: the state of one argument during a call, the call-back
// context, and the conversions that the call path and the call-backs share.
#pragma once

#include <cstdint>

#include "engine.h"

namespace tvk::py {

// Arguments of one call: the grammar's limit (grammar.h).
constexpr int kMaxArgs = grammar::max_args;

inline int typenum(Ty t) {
    switch (t) {
        case Ty::f8: return NPY_DOUBLE;
        case Ty::c16: return NPY_CDOUBLE;
        case Ty::l1: return NPY_INT8;
        default: return NPY_INT;
    }
}
inline std::size_t elsize(Ty t) {
    switch (t) {
        case Ty::f8: return sizeof(double);
        case Ty::c16: return sizeof(cplx);
        case Ty::l1: return 1;
        default: return sizeof(int);
    }
}
inline const char* ctype_name(Ty t) {
    switch (t) {
        case Ty::f8: return "double";
        case Ty::c16: return "complex_double";
        case Ty::l1: return "signed_char";
        default: return "int";
    }
}

// State of one argument during one call. Trivially constructible: only the fields an argument
// needs are set.
struct ArgState {
    PyObject* obj;            // caller's object (borrowed), null when absent
    PyArrayObject* arr;       // array handed to the routine (owned), null for scalars
    void* ptr;                // what the routine receives
    double d;
    int i;
    std::int8_t b;
    struct { double re, im; } zs;  // a complex value; plain storage keeps the state trivial
    int rank;
    void zset(cplx z) { zs = {z.real(), z.imag()}; }
    npy_intp dims[grammar::max_rank];
    char* text;               // text buffer: the call's TextStore, or malloc'ed when text_heap
    bool text_heap;
    std::size_t textlen;
    CbContext* cb;
};

// Storage of one call for its short texts, so that they need no allocation; a text that does
// not fit is allocated on the heap.
struct TextStore {
    alignas(8) char buf[512];
    std::size_t used = 0;
    char* take(std::size_t n) {
        n = (n + 7) & ~static_cast<std::size_t>(7);
        if (n > sizeof buf - used) return nullptr;
        char* p = buf + used;
        used += n;
        return p;
    }
};

struct CbContext {
    PyObject* callable;
    PyObject* extra;          // tuple
    const CbSig* sig;
    void* native;
    int npass;                // call-back arguments handed over after arity trimming
    int nextra;               // extra arguments handed over
    const Routine* routine;
    const ArgDesc* arg;
};

// An environment in which no argument is known: constant expressions only.
struct NoEnv {
    bool scalar(int, Value&) const { return false; }
    bool extent(int, int, std::int64_t&) const { return false; }
    bool size(int, std::int64_t&) const { return false; }
    bool slen(int, std::int64_t&) const { return false; }
};

// Python scalar conversion chains: exact float/int fast, then float()/int()/complex(); a complex
// number gives its real part, any other sequence its first element.
bool to_double(PyObject* o, double& out, int depth = 0);
bool to_int(PyObject* o, int& out, int depth = 0);
bool to_complex(PyObject* o, cplx& out, int depth = 0);

// Replaces the pending error (if any; else raises `type`) by one of the same type with `text`.
// An error raised by Python code (a __float__ or __index__ of the object) becomes its cause.
void conversion_error(const std::string& text, PyObject* type);

// Prepares the call-back argument of a call: a Python callable with its extra arguments, or a
// native routine from a capsule; sets s.ptr to the context the thunk passes on.
bool setup_callback(const Routine& r, const ArgDesc& a, ArgState& s, PyObject* o, PyObject* extra, CbContext& ctx);
// The routine a routine object of the module stands for; null for any other object.
const Routine* routine_of(PyObject* o);

}  // namespace tvk::py
