// Typed thunks and registration records of the binding engine.
//
// `Thunk<&F>::call` forwards the engine's per-call slots to a routine with the C ABI described in
// src/core/tvk.h: every pointer parameter takes the next data slot, every `size_t` parameter the
// next text length, every call-back parameter the next call-back reference. `Thunk<&F>::codes`
// describes the parameter list so that the engine can check it against the routine's signature
// when the module is imported (a mismatch fails the import).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

#include "core/errors.h"
#include "core/table.h"
#include "core/tvk.h"
#include "sigcheck.h"

struct _object;  // CPython's PyObject

namespace tvk::py {

// Per-parameter type codes: d double, i int, z complex, b 1-byte logical, c char, L size_t
// (text length), F call-back; a leading 'k' marks a pointer to const. The return type comes
// first: v void, or one of d i z.
template <class T> struct Code;
template <> struct Code<double> { static constexpr char c = 'd'; };
template <> struct Code<int> { static constexpr char c = 'i'; };
template <> struct Code<cplx> { static constexpr char c = 'z'; };
template <> struct Code<logical1> { static constexpr char c = 'b'; };
template <> struct Code<char> { static constexpr char c = 'c'; };
template <> struct Code<void> { static constexpr char c = 'v'; };

template <class T> struct IsCallback : std::false_type {};
template <class Sig> struct IsCallback<CallbackRef<Sig>> : std::true_type {};

template <class Sig> struct SigCodes;

// The same description, as a constant for the compile-time signature check (sigcheck.h).
template <class P>
constexpr ParamCode param_code() {
    if constexpr (std::is_same_v<P, std::size_t>) {
        return {'L', false};
    } else if constexpr (IsCallback<std::remove_cvref_t<P>>::value) {
        return {'F', false};
    } else {
        static_assert(std::is_pointer_v<P>, "routine parameters are pointers, size_t lengths or call-backs");
        using E = std::remove_pointer_t<P>;
        return {Code<std::remove_cv_t<E>>::c, std::is_const_v<E>};
    }
}

template <class P>
void append_code(std::string& s) {
    if constexpr (std::is_same_v<P, std::size_t>) {
        s += 'L';
    } else if constexpr (IsCallback<std::remove_cvref_t<P>>::value) {
        s += "F(" + SigCodes<typename std::remove_cvref_t<P>::Signature>::codes() + ")";
    } else {
        static_assert(std::is_pointer_v<P>, "routine parameters are pointers, size_t lengths or call-backs");
        using E = std::remove_pointer_t<P>;
        if constexpr (std::is_const_v<E>) s += 'k';
        s += Code<std::remove_cv_t<E>>::c;
    }
}

template <class R, class... A>
struct SigCodes<R(A...)> {
    static std::string codes() {
        std::string c(1, Code<R>::c);
        (append_code<A>(c), ...);
        return c;
    }
};

// The engine's side of a call-back: a Python callable (or a native routine from a capsule) with
// the call's extra arguments. `invoke_callback` abandons the routine (host::abort_callback) when
// the callable raised.
struct CbContext;
void* native_callback(const CbContext* ctx);
void invoke_callback(CbContext* ctx, void* const* args, const std::size_t* lengths, void* result);

template <class Sig> struct Trampoline;
template <class R, class... A>
struct Trampoline<R(A...)> {
    template <class P>
    static void* as_ptr(P p) {
        if constexpr (std::is_pointer_v<P>) return const_cast<void*>(static_cast<const void*>(p));
        else return nullptr;
    }
    static R call(void* ctx, A... a) {
        auto* c = static_cast<CbContext*>(ctx);
        if (void* nf = native_callback(c)) return reinterpret_cast<R (*)(A...)>(nf)(a...);
        void* ptrs[sizeof...(A) + 1] = {};
        std::size_t lens[sizeof...(A) + 1] = {};
        std::size_t np = 0, nl = 0;
        ((std::is_same_v<A, std::size_t> ? (void)(lens[nl++] = length_of(a)) : (void)(ptrs[np++] = as_ptr(a))), ...);
        if constexpr (std::is_void_v<R>) {
            invoke_callback(c, ptrs, lens, nullptr);
        } else {
            R r{};
            invoke_callback(c, ptrs, lens, &r);
            return r;
        }
    }
    template <class P>
    static std::size_t length_of(P p) {
        if constexpr (std::is_same_v<P, std::size_t>) return p;
        else return 0;
    }
};

// One call's arguments as the engine hands them over.
struct CallSlots {
    void* const* data;            // one pointer per non-length parameter, in order
    const std::size_t* lengths;   // one length per text argument, in order
    void* result;                 // where a function value is stored
};

template <auto F> struct Thunk;

template <class R, class... A, R (*F)(A...)>
struct Thunk<F> {
    template <std::size_t K>
    static constexpr std::size_t data_index() {
        std::size_t n = 0;
        std::size_t k = 0;
        ((k++ < K && !std::is_same_v<A, std::size_t> ? ++n : n), ...);
        return n;
    }
    template <std::size_t K>
    static constexpr std::size_t length_index() {
        std::size_t n = 0;
        std::size_t k = 0;
        ((k++ < K && std::is_same_v<A, std::size_t> ? ++n : n), ...);
        return n;
    }
    template <std::size_t K, class P>
    static P arg(const CallSlots& s) {
        if constexpr (std::is_same_v<P, std::size_t>) {
            return s.lengths[length_index<K>()];
        } else if constexpr (IsCallback<std::remove_cvref_t<P>>::value) {
            using Ref = std::remove_cvref_t<P>;
            Ref r;
            r.fn = &Trampoline<typename Ref::Signature>::call;
            r.ctx = s.data[data_index<K>()];
            // A native routine (of the module, or from a capsule) is named, so that the routine
            // called with it knows which one it gets.
            r.routine = r.ctx ? native_callback(static_cast<const CbContext*>(r.ctx)) : nullptr;
            return r;
        } else {
            return static_cast<P>(s.data[data_index<K>()]);
        }
    }
    template <std::size_t... K>
    static void invoke(const CallSlots& s, std::index_sequence<K...>) {
        if constexpr (std::is_void_v<R>) {
            F(arg<K, A>(s)...);
        } else if constexpr (std::is_same_v<R, bool>) {
            *static_cast<int*>(s.result) = F(arg<K, A>(s)...) ? 1 : 0;  // a logical is 4 bytes
        } else {
            *static_cast<R*>(s.result) = F(arg<K, A>(s)...);
        }
    }
    // A call from Python is a host call of its own (core/errors.h).
    static void call(const CallSlots& s) {
        const HostCall host_call;
        invoke(s, std::index_sequence_for<A...>{});
    }
    static constexpr char ret_code = Code<std::conditional_t<std::is_same_v<R, bool>, int, R>>::c;
    static constexpr std::array<ParamCode, sizeof...(A)> params{param_code<A>()...};
    static std::string codes() {
        std::string c(1, Code<std::conditional_t<std::is_same_v<R, bool>, int, R>>::c);
        (append_code<A>(c), ...);
        return c;
    }
};

using ThunkFn = void (*)(const CallSlots&);

// A routine's signature checked against its C function at compile time (sigcheck.h).
template <auto F>
consteval bool check_routine(std::string_view sig) {
    sigcheck::Checker c;
    c.parse(sig);
    c.agree(Thunk<F>::ret_code, Thunk<F>::params);
    return true;
}

// Registration records; constructed at load time of the extension module, in file order.
// A routine object's own call (a vectorcall function of CPython, see direct.h), or null.
using DirectFn = _object* (*)(_object*, _object* const*, std::size_t, _object*);

struct RoutineReg {
    RoutineReg(const char* ns, const char* pyname, const char* cname, const char* sig, ThunkFn thunk,
               std::string codes, void* entry, DirectFn direct = nullptr);
};
struct CallbackReg {
    CallbackReg(const char* name, const char* sig);
};
struct VarReg {
    enum class Kind { scalar_int, scalar_real, text, table, constant };
    struct Spec {
        Kind kind;
        void* ptr;
        std::size_t len;
        int value;
        // A variable of which every thread has its own: where the calling thread's is (ptr is
        // then null). Null for a variable of the process.
        void* (*locate)() = nullptr;
    };
    static Spec scalar(int& v) { return {Kind::scalar_int, &v, 0, 0}; }
    static Spec scalar(double& v) { return {Kind::scalar_real, &v, 0, 0}; }
    static Spec text(char* p, std::size_t n) { return {Kind::text, p, n, 0}; }
    static Spec table(TableBase& t) { return {Kind::table, &t, 0, 0}; }
    static Spec constant(int v) { return {Kind::constant, nullptr, 0, v}; }
    // The kind of a per-thread variable, from its type alone (the variable is not reached at
    // registration, which runs in the thread that loads the module).
    static constexpr Kind kind_of(int*) { return Kind::scalar_int; }
    static constexpr Kind kind_of(double*) { return Kind::scalar_real; }
    template <std::size_t N>
    static constexpr Kind kind_of(char (*)[N]) { return Kind::text; }
    static constexpr Kind kind_of(TableBase*) { return Kind::table; }
    static Spec per_thread(Kind k, std::size_t size, void* (*locate)()) {
        return {k, nullptr, k == Kind::text ? size : 0, 0, locate};
    }
    VarReg(const char* ns, const char* name, Spec spec);
};

}  // namespace tvk::py
