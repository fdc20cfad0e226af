// Common definitions of the library: the C ABI of the routines, the unset markers and
// constants every component shares, and the call-back reference type.
//
// C ABI of every routine (what a solver-side forwarding file and the C++ tests call):
//  * the routine is `extern "C"` under its C-callable name (CamelCase, or lower case where the
//    routine has no CamelCase name);
//  * every argument is passed by pointer, in the order of the routine's argument list;
//    inputs are `const T*`, outputs and in/out arguments `T*`;
//  * an optional argument is a pointer that may be null; the routine applies its own default;
//  * an array whose extents are not themselves arguments (an assumed-shape array) is followed
//    directly by its extents as `const int*` arguments, first extent first;
//  * a text argument is a pointer to its fixed-length, blank-padded characters; the lengths of
//    all text arguments follow as `size_t` values after the last argument, in order (the hidden
//    length convention of Fortran compilers);
//  * logical flags are 4-byte integers (0 or 1) unless a routine says 1-byte (`tvk::logical1`);
//  * a routine that is a function returns its one value;
//  * a call-back slot is a `tvk::CallbackRef<Sig>` (function pointer plus opaque context) in the
//    C++ API; the plain C entry point takes a bare function pointer and wraps it.
//
// A routine reports bad input or a failure into the calling thread's error record and returns a
// neutral result; a C host reads the record with the plain C functions of core/tvk_error.h
// (tvk_error_level, tvk_error_message, tvk_error_clear).
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <limits>

#define TVK_API extern "C" __attribute__((visibility("default")))

// Exports of the shared library: the routines under their C names (TVK_API) and nothing of the
// C++ API, which stays internal, except the few functions and objects that the Python binding
// (a separate shared object) reaches. Those are marked TVK_HOST_API("tvk_<name>") after their
// declarator and exported under that plain name instead of their C++ (mangled) name; C++ code
// still calls them by their C++ names. A binding that needs another internal entity fails to link
// until the entity is marked.
#define TVK_HOST_API(symbol) __asm__(symbol) __attribute__((visibility("default")))

#include "host.h"

namespace tvk {

using cplx = std::complex<double>;
using logical1 = std::int8_t;  // 1-byte logical of the few routines that use one

// Unset markers and constants shared by every component.
inline constexpr int defint = 2147483647;                                // empty integer slot
inline constexpr double huge = std::numeric_limits<double>::max();      // 1.7976931348623157e308
inline constexpr double tiny = std::numeric_limits<double>::min();      // 2.2250738585072014e-308
inline constexpr double eps = std::numeric_limits<double>::epsilon();   // 2.220446049250313e-16
inline constexpr int notfound = -1;
inline constexpr double pi = 3.141592653589793;
inline constexpr double deg2rad = 0.017453292519943295;
inline constexpr double rad2deg = 57.29577951308232;

// A non-owning reference to a call-back: a function pointer taking an opaque context first,
// and that context. C++ callers wrap lambdas with `ref()`, C callers a plain function pointer
// with `plain()`; a host passes a trampoline and its own context. A call-back whose host-side
// function failed abandons the routine with `host::abort_callback` (host.h): the exception
// unwinds through the routine, so routines that take call-backs hold their resources in RAII
// objects.
template <class Sig>
struct CallbackRef;

template <class R, class... A>
struct CallbackRef<R(A...)> {
    using Signature = R(A...);
    using Plain = R (*)(A...);
    R (*fn)(void* ctx, A...) = nullptr;
    void* ctx = nullptr;
    // The plain routine that the reference ends up calling, where that is one (a routine of the
    // library or a host's native routine), else null: a routine that takes a call-back may tell
    // a routine of the library from a host's by it.
    const void* routine = nullptr;

    R operator()(A... a) const { return fn(ctx, a...); }
    explicit operator bool() const { return fn != nullptr; }

    static CallbackRef plain(Plain f) {
        CallbackRef r;
        r.fn = [](void* c, A... a) -> R { return reinterpret_cast<Plain>(c)(a...); };
        r.ctx = reinterpret_cast<void*>(f);
        r.routine = reinterpret_cast<const void*>(f);
        return r;
    }
    template <class F>
    static CallbackRef ref(F& f) {
        CallbackRef r;
        r.fn = [](void* c, A... a) -> R { return (*static_cast<F*>(c))(a...); };
        r.ctx = static_cast<void*>(&f);
        return r;
    }
};

}  // namespace tvk
