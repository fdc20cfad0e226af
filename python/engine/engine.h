// Internal interface between the parts of the binding engine.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#define PY_ARRAY_UNIQUE_SYMBOL tvk_ARRAY_API
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#ifndef TVK_ENGINE_IMPORTS_NUMPY
#define NO_IMPORT_ARRAY
#endif
#include <numpy/arrayobject.h>

#include <string>
#include <vector>

#include "direct.h"
#include "plan.h"
#include "signature.h"
#include "thunk.h"

namespace tvk::py {

struct Routine {
    std::string ns, pyname, cname, sigtext;
    ThunkFn thunk = nullptr;
    DirectFn direct = nullptr;          // the direct call of a routine that takes only numbers
    std::string codes;
    void* entry = nullptr;
    Signature sig;
    std::string format;                 // PyArg_ParseTupleAndKeywords format, for error reports
    std::vector<std::string> visible;   // visible names in call order (required, optional, extras)
    std::vector<PyObject*> kwnames;     // interned
    std::string doc;
    std::string textsig;                // the call form as a Python signature, or empty
    int retarg = -1;                    // the function value's argument, or -1
    Plan plan;                          // the per-call records, built once the signature is final
};

struct Variable {
    std::string ns, name;
    VarReg::Spec spec;
};

std::vector<Routine>& routines();
std::vector<CbSig>& callbacks();
std::vector<Variable>& variables();

// The namespaces of the module in creation order (defined by the module's own binding).
const std::vector<std::string>& namespace_order();

extern PyObject* error_type;    // <module>.error
// An in-place argument that would need a conversion (its update would be lost in a copy): raised
// as the binding's TypeError or ValueError that is also a <module>.error.
extern PyObject* inplace_type_error;
extern PyObject* inplace_value_error;
const char* module_name();

// Creates the extension module `name` (what its PyInit_<name> returns): numpy imported, every
// registered signature parsed, the namespaces of namespace_order() filled.
PyObject* create_module(const char* name);

// Builds `r.plan` from `r.sig` (once every call-back form is resolved); returns why it cannot.
std::string build_plan(Routine& r);

PyObject* call_routine(const Routine& r, PyObject* const* args, std::size_t nargsf, PyObject* kwnames);
// The call of a routine whose plan is scalar_only: exact floats and ints by position go straight
// to the routine; any other argument list takes call_routine.
PyObject* call_scalar_routine(const Routine& r, PyObject* const* args, std::size_t nargsf, PyObject* kwnames);
// How a routine object's calls are taken: "direct" (direct.h), "scalar" (call_scalar_routine) or
// "general"; null for any other object. For the engine's tests.
const char* call_path(PyObject* o);

}  // namespace tvk::py
