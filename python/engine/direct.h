// The direct call of a routine that takes only numbers: every parameter a pointer to a double or
// an int (at most eight), the function value nothing, a double or an int. Its routine object
// calls `Direct<&F>::call` itself, which reads exact floats and small ints given by position
// straight into the routine's parameters; any other argument list goes to the general call path
// with its conversions and messages. Installed at import only where the routine's Python call
// form lists the C parameters in their own order with no default, check or optional argument
// (the plan's scalar_only records in that order), so that both paths take the same arguments.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "core/errors.h"

namespace tvk::py {

// The general call of the routine object `self`, and the error of an exception a routine threw.
PyObject* call_routine_object(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames);
PyObject* exception_to_error();

// Reads an exact Python int that fits a C int; false (without an error) for any other value.
inline bool small_int(PyObject* o, int& out) {
#if PY_VERSION_HEX < 0x030C0000
    // An int of at most one digit (|value| < 2**30) is read in place, as CPython's own fast paths do.
    const Py_ssize_t size = Py_SIZE(o);
    if (size >= -1 && size <= 1) {
        out = size == 0 ? 0 : static_cast<int>(size * static_cast<Py_ssize_t>(reinterpret_cast<PyLongObject*>(o)->ob_digit[0]));
        return true;
    }
#endif
    int overflow = 0;
    const long v = PyLong_AsLongAndOverflow(o, &overflow);
    if (overflow || v < INT32_MIN || v > INT32_MAX) {
        PyErr_Clear();
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

template <class P> struct DirectParam : std::false_type {};
template <> struct DirectParam<const double*> : std::true_type {
    using Value = double;
    static bool read(PyObject* o, double& v) {
        if (!PyFloat_CheckExact(o)) return false;
        v = PyFloat_AS_DOUBLE(o);
        return true;
    }
};
template <> struct DirectParam<const int*> : std::true_type {
    using Value = int;
    static bool read(PyObject* o, int& v) { return PyLong_CheckExact(o) && small_int(o, v); }
};
// A parameter without const that the call form takes as an input: the routine gets a copy.
template <> struct DirectParam<double*> : DirectParam<const double*> {};
template <> struct DirectParam<int*> : DirectParam<const int*> {};

template <auto F> struct Direct {
    static constexpr vectorcallfunc entry() { return nullptr; }
};

template <class R, class... A, R (*F)(A...)>
struct Direct<F> {
    static constexpr bool usable = (std::is_void_v<R> || std::is_same_v<R, double> || std::is_same_v<R, int>) &&
                                   sizeof...(A) <= 8 && (DirectParam<A>::value && ...);

    template <std::size_t... K>
    static PyObject* run(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames,
                         std::index_sequence<K...>) {
        std::tuple<typename DirectParam<A>::Value...> v;
        if (kwnames || PyVectorcall_NARGS(nargsf) != sizeof...(A) ||
            !(DirectParam<A>::read(args[K], std::get<K>(v)) && ...))
            return call_routine_object(self, args, nargsf, kwnames);
        // Nothing but numbers reaches the routine: it cannot call back into Python, so no Python
        // error can be pending after it.
        try {
            const HostCall host_call;  // a host call of its own (core/errors.h)
            if constexpr (std::is_void_v<R>) {
                F(&std::get<K>(v)...);
                Py_RETURN_NONE;
            } else {
                const R r = F(&std::get<K>(v)...);
                if constexpr (std::is_same_v<R, double>) return PyFloat_FromDouble(r);
                else return PyLong_FromLong(r);
            }
        } catch (...) {
            return exception_to_error();
        }
    }
    static PyObject* call(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
        return run(self, args, nargsf, kwnames, std::index_sequence_for<A...>{});
    }
    // The entry, or null when the routine takes anything but numbers.
    static constexpr vectorcallfunc entry() {
        if constexpr (usable) return &call;
        else return nullptr;
    }
};

}  // namespace tvk::py
