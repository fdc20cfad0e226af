// Solver user-routine interfaces: one argument list per interface, from which the C prototype of
// every routine of that interface, the named view its law code reads, the call of such a routine
// by a native caller, and (python/engine/solver.h) the binding signature are all derived.
//
// An interface is a list macro (the material and element lists are in interfaces.h, those of the
// other solver hooks in hook_interfaces.h) whose entries are
//
//   V(X, name, type, (extents), intent)
//
//   type     f8 (double), i4 (int), l4 (4-byte logical: an int, nonzero for true), s80 (text of
//            80 characters, its length passed after the last argument as a size_t)
//   extents  () for a scalar, else integer C++ expressions of the scalar integer arguments
//            (+ - * /, min, max), first extent first (column-major); (len(name)) for an array
//            whose extent the solver does not pass (an assumed-size array): the binding takes the
//            caller's array at its own length, and the native view has no bound (the law reads
//            only the entries its routine's contract guarantees)
//   intent   in | opt (input, optional with default 0; a null pointer from C) | out | inout | io |
//            io_copy | io_overwrite (the binding intents of python/engine/bind.h); `in` and `opt`
//            arguments are pointers to const in the C prototype and read-only in the view
//
// A variant may attach a binding condition to an array argument,
//   TVK_SOLVER_CHANGE_CHECKED(binding_name, intent, condition)
// (the condition an expression of the binding grammar over the list's names, such as
// len(statev)>=4): the Python binding raises _tolvek.error when it fails. It is a binding check
// only: a native caller is not checked, so it suits a bound that the argument list cannot carry
// (the length of an assumed-size array). The condition rides in the extents text of the
// argument's ArgSpec, which the signature writer copies after the extents (with the list's
// names turned into binding names); hence arrays only.
//
// V is the variant hook: TVK_SOLVER_BASE takes the entry as written; a variant (interfaces.h)
// renames an argument for the binding, changes its intent or drops it, and may add arguments
// before or after the base list. X is the generator (below) applied to every resulting entry as
// X(name, type, (extents), intent, binding_name).
//
// For an interface `Umat` (list macro TVK_SOLVER_Umat) the header interfaces.h generates the view
// `tvk::solver::Umat`, whose members are the arguments in order:
//   in/opt scalar   its value (`a.ntens`, `a.dtime`)
//   other scalar    a reference to the caller's value (`a.pnewdt = 0.5`)
//   array           a View with the extents of the list (`a.stress[k]`, `a.ddsdde(i, j)`,
//                   `a.statev.size()`), 0-based, column-major
//   text            std::string_view of the full field (blank-padded, not NUL-terminated)
// and `Umat::Fn`, the C function type (`TVK_API tvk::solver::Umat::Fn umat_x;` declares one).
//
// A routine of an interface is its law plus one line each in its header, source and binding
// file:
//   src/solver/x.h:     TVK_SOLVER_DECLARE(Umat, umat_x);
//   src/solver/x.cpp:   static void law(const tvk::solver::Umat& a) { ... a.stress[0] = ...; }
//                       TVK_SOLVER_ENTRY(Umat, umat_x, law);
//   python/bind_ns.cpp: TVK_SOLVER_ROUTINE(ns, umat_x, Umat, umat_x);
// A second exported name of a routine (the name a solver-side module knows it by) is declared from
// the same interface and defined as a forwarding entry:
//   src/solver/x.h:     TVK_SOLVER_DECLARE(Umat, tvk_x);
//   src/solver/x.cpp:   TVK_SOLVER_ALIAS(Umat, tvk_x, umat_x);
// No argument list is written anywhere but in the interface's list, so an argument cannot be
// misplaced in one of them. A native caller (an adapter, a test driver) fills the view by name and
// calls `tvk::solver::Umat::call(fn, view)`, which passes the pointers in the list's order.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <string_view>
#include <type_traits>

#include "../core/errors.h"
#include "../core/tvk.h"

// ---- Preprocessor helpers -------------------------------------------------------------------
#define TVK_PP_CAT(a, b) TVK_PP_CAT_(a, b)
#define TVK_PP_CAT_(a, b) a##b
#define TVK_PP_CALL(m, args) m args
#define TVK_PP_EXPAND(...) __VA_ARGS__
#define TVK_PP_2ND(...) TVK_PP_2ND_(__VA_ARGS__)
#define TVK_PP_2ND_(a, b, ...) b
#define TVK_PP_3RD(...) TVK_PP_3RD_(__VA_ARGS__)
#define TVK_PP_3RD_(a, b, c, ...) c
// Number of extents of an entry: TVK_PP_RANK (a, b) is 2, TVK_PP_RANK () is 0.
#define TVK_PP_RANK(...) TVK_PP_RANK_(__VA_ARGS__ __VA_OPT__(, ) 4, 3, 2, 1, 0)
#define TVK_PP_RANK_(a, b, c, d, n, ...) n
// ", a, b" for (a, b); nothing for ().
#define TVK_PP_EXTENTS(...) __VA_OPT__(, __VA_ARGS__)
// Drops the leading comma of a generated list.
#define TVK_PP_DROP_FIRST(...) TVK_PP_DROP_FIRST_(__VA_ARGS__)
#define TVK_PP_DROP_FIRST_(first, ...) __VA_ARGS__

// ---- Variant hooks ----------------------------------------------------------------------------
// The entry as the list writes it.
#define TVK_SOLVER_BASE(X, name, type, ext, intent) X(name, type, ext, intent, name)
// The entry as the variant with override prefix P states it: P##name, when defined, is one of
// TVK_SOLVER_CHANGE(binding_name, intent) or TVK_SOLVER_DROP.
#define TVK_SOLVER_VARY(X, P, name, type, ext, intent) \
    TVK_SOLVER_VARY_(X, TVK_PP_2ND(P##name, TVK_SOLVER_KEPT, ~), TVK_PP_3RD(P##name, ~, (), ~), name, type, ext, intent)
#define TVK_SOLVER_VARY_(X, how, change, name, type, ext, intent) how(X, change, name, type, ext, intent)
#define TVK_SOLVER_CHANGE(binding_name, intent) ~, TVK_SOLVER_CHANGED, (binding_name, intent)
#define TVK_SOLVER_CHANGE_CHECKED(binding_name, intent, condition) \
    ~, TVK_SOLVER_CHANGED, (binding_name, intent, condition)
#define TVK_SOLVER_DROP ~, TVK_SOLVER_DROPPED, ()
#define TVK_SOLVER_KEPT(X, change, name, type, ext, intent) X(name, type, ext, intent, name)
#define TVK_SOLVER_CHANGED(X, change, name, type, ext, intent) \
    TVK_PP_CALL(TVK_SOLVER_CHANGED_, (X, name, type, ext, TVK_PP_EXPAND change))
#define TVK_SOLVER_CHANGED_(X, name, type, ext, binding_name, intent, ...) \
    X(name, type, ext, intent, binding_name __VA_OPT__(, ) __VA_ARGS__)
#define TVK_SOLVER_DROPPED(...)

// ---- Argument types -------------------------------------------------------------------------
#define TVK_SOLVER_CTYPE_f8 double
#define TVK_SOLVER_CTYPE_i4 int
#define TVK_SOLVER_CTYPE_l4 int
#define TVK_SOLVER_CTYPE_s80 char
// ", x" for a text argument, nothing for a number: the size_t lengths after the argument list.
#define TVK_SOLVER_TEXT_ONLY_f8(...)
#define TVK_SOLVER_TEXT_ONLY_i4(...)
#define TVK_SOLVER_TEXT_ONLY_l4(...)
#define TVK_SOLVER_TEXT_ONLY_s80(...) , __VA_ARGS__

namespace tvk::solver {

// Inputs are read-only: `in` and `opt`.
constexpr bool is_input(std::string_view intent) { return intent == "in" || intent == "opt"; }

// An array argument: pointer and extents, 0-based, column-major. The extents come from the
// caller's size arguments and are trusted; indexing is checked only in debug builds.
template <class T, int R>
struct View {
    T* p = nullptr;
    int ext[R] = {};

    View() = default;
    template <class... N>
    View(T* data, N... n) : p(data), ext{std::max(static_cast<int>(n), 0)...} {
        static_assert(sizeof...(N) == R, "one extent per axis");
    }
    T* data() const { return p; }
    int extent(int d) const { return ext[d]; }
    int size() const {
        int s = 1;
        for (int d = 0; d < R; ++d) s *= ext[d];
        return s;
    }
    T& operator[](int k) const {
        assert(k >= 0 && k < size());
        return p[k];
    }
    template <class... I>
    T& operator()(I... idx) const {
        static_assert(sizeof...(I) == R, "one index per axis");
        const int v[] = {static_cast<int>(idx)...};
        int off = 0, stride = 1;
        for (int d = 0; d < R; ++d) {
            assert(v[d] >= 0 && v[d] < ext[d]);
            off += v[d] * stride;
            stride *= ext[d];
        }
        return p[off];
    }
};

// Text written by a routine (none of the lists has one yet; kept for completeness of the types).
struct Text {
    char* p = nullptr;
    std::size_t len = 0;
};

template <class T, bool In, int R>
struct MemberOf {
    using type = View<std::conditional_t<In, const T, T>, R>;
};
template <class T, bool In>
struct MemberOf<T, In, 0> {
    using type = std::conditional_t<In, T, T&>;
};
template <bool In>
struct MemberOf<char, In, 0> {
    using type = std::conditional_t<In, std::string_view, Text>;
};
template <class T, bool In, int R>
using Member = typename MemberOf<T, In, R>::type;

template <class T, bool In>
using Param = std::conditional_t<In, const T*, T*>;

// A view member from the C arguments. An input scalar passed as a null pointer (an optional
// argument the caller leaves out) reads as 0.
template <class M, class P, class... E>
M member(P* p, E... e) {
    if constexpr (std::is_same_v<M, std::string_view>) return M(p, e...);
    else if constexpr (std::is_same_v<M, Text>) return M{p, e...};
    else if constexpr (sizeof...(E) == 0 && std::is_const_v<P>) return p ? *p : M{};
    else if constexpr (sizeof...(E) == 0) return *p;
    else return M(p, e...);
}
// The C argument from a view member.
template <class T, int R>
T* pass(const View<T, R>& v) { return v.data(); }
inline const char* pass(const std::string_view& s) { return s.data(); }
inline char* pass(const Text& t) { return t.p; }
template <class T>
T* pass(T& v) { return &v; }
inline std::size_t length(const std::string_view& s) { return s.size(); }
inline std::size_t length(const Text& t) { return t.len; }

// What names an argument inside a generated entry, for the extents: the value of an input scalar
// (0 for a null pointer), the pointer otherwise.
template <int R, class P>
auto local(P* p) {
    if constexpr (R == 0 && std::is_const_v<P> && !std::is_same_v<P, const char>) return p ? *p : P{};
    else return p;
}

// The extent of an assumed-size array (an extent written len(name)): not passed by the solver, so
// the view is unbounded.
inline constexpr int assumed_extent = 0x7fffffff;
template <class T>
constexpr int len(T*) { return assumed_extent; }

// Marks a C function declared from an interface (see TVK_SOLVER_DECLARE).
template <class Iface>
struct EntryOf {};
// Marks an adapter declared from its own interface and the interface of the routine it takes
// (see TVK_SOLVER_DECLARE_ADAPTER).
template <class Proc, class Iface>
struct AdapterOf {};

struct ResultRules;

// The rules of the results of a solver routine of the library, known by the routine's address:
// an adapter that is handed a routine applies them (and those of a host's routine, for one it
// does not find). Every entry macro of a material routine (TVK_SOLVER_KERNEL..., ..._ADAPTED...,
// TVK_SOLVER_ALIAS) registers its routine, at load time, so that every exported name is known,
// at the address a host linked against the shared library passes (the entries' addresses are
// taken through the symbol table, as the host's are). An entry without rules of its own
// (`rules` null) has those of the routine at `same_as` (an alias, an adapted routine).
struct RoutineRules {
    const void* routine;
    const ResultRules* rules;
    const void* same_as;
    const RoutineRules* next;
    RoutineRules(const void* routine, const ResultRules* rules, const void* same_as = nullptr) noexcept;
};
// The rules of the library routine at `routine`, or null for a routine that is not the library's.
const ResultRules* library_rules(const void* routine) noexcept;

}  // namespace tvk::solver

// ---- Generators -------------------------------------------------------------------------------
#define TVK_SOLVER_MEMBER(name, type, ext, intent, bname, ...)                                              \
    ::tvk::solver::Member<TVK_SOLVER_CTYPE_##type, ::tvk::solver::is_input(#intent), TVK_PP_RANK ext> name;   \
    __VA_OPT__(static_assert(TVK_PP_RANK ext > 0, "a binding condition is attached to an array argument only");)
#define TVK_SOLVER_PARAM(name, type, ext, intent, bname, ...) \
    , ::tvk::solver::Param<TVK_SOLVER_CTYPE_##type, ::tvk::solver::is_input(#intent)> p_##name
#define TVK_SOLVER_LENPARAM(name, type, ext, intent, bname, ...) TVK_SOLVER_TEXT_ONLY_##type(std::size_t name##_len)
#define TVK_SOLVER_LOCAL(name, type, ext, intent, bname, ...) \
    [[maybe_unused]] auto&& name = ::tvk::solver::local<TVK_PP_RANK ext>(p_##name);
#define TVK_SOLVER_INIT(name, type, ext, intent, bname, ...)                                                   \
    , ::tvk::solver::member<::tvk::solver::Member<TVK_SOLVER_CTYPE_##type, ::tvk::solver::is_input(#intent), \
                                                  TVK_PP_RANK ext>>(p_##name TVK_SOLVER_TEXT_ONLY_##type(name##_len) \
                                                                        TVK_PP_EXTENTS ext)
#define TVK_SOLVER_ARG(name, type, ext, intent, bname, ...) , ::tvk::solver::pass(a.name)
#define TVK_SOLVER_LENARG(name, type, ext, intent, bname, ...) TVK_SOLVER_TEXT_ONLY_##type(::tvk::solver::length(a.name))
#define TVK_SOLVER_FORWARD(name, type, ext, intent, bname, ...) , p_##name
#define TVK_SOLVER_LENFORWARD(name, type, ext, intent, bname, ...) TVK_SOLVER_TEXT_ONLY_##type(name##_len)
#define TVK_SOLVER_SPEC(name, type, ext, intent, bname, ...) \
    {#name, #bname, #type, #ext __VA_OPT__(":check(" #__VA_ARGS__ ")"), #intent},

namespace tvk::solver {
// One argument as the list states it, for the binding's signature text.
struct ArgSpec {
    std::string_view name, binding_name, type, extents, intent;
};
}  // namespace tvk::solver

// The view and function type of the interface named `Iface` (list macro TVK_SOLVER_##Iface).
#define TVK_SOLVER_INTERFACE(Iface)                                                                  \
    namespace tvk::solver {                                                                          \
    struct Iface {                                                                                   \
        TVK_SOLVER_##Iface(TVK_SOLVER_MEMBER)                                                        \
        using Fn = void(TVK_PP_DROP_FIRST(TVK_SOLVER_##Iface(TVK_SOLVER_PARAM)                       \
                                              TVK_SOLVER_##Iface(TVK_SOLVER_LENPARAM)));             \
        static constexpr ArgSpec args[] = {TVK_SOLVER_##Iface(TVK_SOLVER_SPEC)};                     \
        /* Calls a routine of this interface (a function pointer or a call-back reference) with */ \
        /* the arguments of the view, in the list's order. */                                         \
        template <class F>                                                                           \
        static void call(F&& fn, const Iface& a) {                                                   \
            fn(TVK_PP_DROP_FIRST(TVK_SOLVER_##Iface(TVK_SOLVER_ARG) TVK_SOLVER_##Iface(TVK_SOLVER_LENARG))); \
        }                                                                                            \
    };                                                                                               \
    }

// Declares the C entry `cname` of interface `Iface` (in a header under src/).
#define TVK_SOLVER_DECLARE(Iface, cname)                                              \
    TVK_API ::tvk::solver::Iface::Fn cname;                                           \
    namespace tvk::solver::entry {                                                    \
    [[maybe_unused]] inline constexpr ::tvk::solver::EntryOf<::tvk::solver::Iface> cname{}; \
    }

// Defines the C entry `cname` of interface `Iface`: it builds the view of its arguments and calls
// `law(const tvk::solver::Iface&)`.
#define TVK_SOLVER_ENTRY(Iface, cname, law)                                                           \
    static_assert(std::is_invocable_v<decltype(law), const ::tvk::solver::Iface&>,                    \
                  "the law of " #cname " must take the view of its interface, const tvk::solver::" #Iface "&"); \
    static_assert(std::is_same_v<std::remove_cv_t<decltype(::tvk::solver::entry::cname)>,             \
                                 ::tvk::solver::EntryOf<::tvk::solver::Iface>>,                       \
                  #cname " is declared with another interface than " #Iface);                         \
    TVK_API void cname(TVK_PP_DROP_FIRST(TVK_SOLVER_##Iface(TVK_SOLVER_PARAM)                         \
                                             TVK_SOLVER_##Iface(TVK_SOLVER_LENPARAM))) {              \
        using std::max;                                                                               \
        using std::min;                                                                               \
        using ::tvk::solver::len;                                                                     \
        const ::tvk::HostCall host_call;                                                              \
        TVK_SOLVER_##Iface(TVK_SOLVER_LOCAL)                                                          \
        law(::tvk::solver::Iface{TVK_PP_DROP_FIRST(TVK_SOLVER_##Iface(TVK_SOLVER_INIT))});            \
    }

// Defines the C entry `alias` of interface `Iface` as `cname` under a second name: every pointer and
// text length is passed on unchanged (a null optional argument stays null).
#define TVK_SOLVER_ALIAS(Iface, alias, cname)                                                          \
    static_assert(std::is_same_v<std::remove_cv_t<decltype(::tvk::solver::entry::cname)>,             \
                                 ::tvk::solver::EntryOf<::tvk::solver::Iface>>,                       \
                  #cname " is declared with another interface than " #Iface);                         \
    static_assert(std::is_same_v<std::remove_cv_t<decltype(::tvk::solver::entry::alias)>,             \
                                 ::tvk::solver::EntryOf<::tvk::solver::Iface>>,                       \
                  #alias " is declared with another interface than " #Iface);                         \
    TVK_API void alias(TVK_PP_DROP_FIRST(TVK_SOLVER_##Iface(TVK_SOLVER_PARAM)                         \
                                             TVK_SOLVER_##Iface(TVK_SOLVER_LENPARAM))) {              \
        cname(TVK_PP_DROP_FIRST(TVK_SOLVER_##Iface(TVK_SOLVER_FORWARD)                                \
                                    TVK_SOLVER_##Iface(TVK_SOLVER_LENFORWARD)));                      \
    }                                                                                                      \
    static const ::tvk::solver::RoutineRules alias##_rules_entry{reinterpret_cast<const void*>(&alias), nullptr,     \
                                                                 reinterpret_cast<const void*>(&cname)};

// ---- Adapters: routines that take a material routine of another interface as first argument ------
// An adapter `cname` of interface `Iface` taking a routine of interface `Proc` is declared in a
// header with
//   TVK_SOLVER_DECLARE_ADAPTER(Proc, Iface, cname);
// which declares the C entry `cname(Proc::Fn* dfunc, <Iface arguments>)` and the C++ entry
// `tvk::solver::adapter::cname(tvk::CallbackRef<Proc::Fn> dfunc, <Iface arguments>)` (the one the
// Python binding calls: the routine may be a Python callable). Its source defines both with
//   TVK_SOLVER_ADAPTER(Proc, Iface, cname, law);
// where `law(tvk::CallbackRef<Proc::Fn> dfunc, const tvk::solver::Iface& a)` does the work. A null
// routine is refused: a level -3 report and the refused-point result of the interface
// (conv::refuse_without_routine, converters.h, which the adapter's source includes).
#define TVK_SOLVER_ADAPTER_PARAMS(Iface) TVK_SOLVER_##Iface(TVK_SOLVER_PARAM) TVK_SOLVER_##Iface(TVK_SOLVER_LENPARAM)

#define TVK_SOLVER_DECLARE_ADAPTER(Proc, Iface, cname)                                                  \
    TVK_API void cname(::tvk::solver::Proc::Fn* dfunc TVK_SOLVER_ADAPTER_PARAMS(Iface));                \
    namespace tvk::solver::adapter {                                                                    \
    void cname(::tvk::CallbackRef<::tvk::solver::Proc::Fn> dfunc TVK_SOLVER_ADAPTER_PARAMS(Iface))      \
        TVK_HOST_API("tvk_" #cname);                                                                    \
    }                                                                                                   \
    namespace tvk::solver::entry {                                                                      \
    [[maybe_unused]] inline constexpr ::tvk::solver::AdapterOf<::tvk::solver::Proc, ::tvk::solver::Iface> \
        cname{};                                                                                        \
    }

#define TVK_SOLVER_ADAPTER(Proc, Iface, cname, law)                                                     \
    static_assert(std::is_same_v<std::remove_cv_t<decltype(::tvk::solver::entry::cname)>,               \
                                 ::tvk::solver::AdapterOf<::tvk::solver::Proc, ::tvk::solver::Iface>>,   \
                  #cname " is declared with other interfaces than " #Proc " and " #Iface);              \
    void tvk::solver::adapter::cname(::tvk::CallbackRef<::tvk::solver::Proc::Fn> dfunc                 \
                                         TVK_SOLVER_ADAPTER_PARAMS(Iface)) {                            \
        using std::max;                                                                                 \
        using std::min;                                                                                 \
        const ::tvk::HostCall host_call;                                                                \
        TVK_SOLVER_##Iface(TVK_SOLVER_LOCAL)                                                            \
        const ::tvk::solver::Iface a{TVK_PP_DROP_FIRST(TVK_SOLVER_##Iface(TVK_SOLVER_INIT))};           \
        if (!dfunc) {                                                                                   \
            ::tvk::solver::conv::refuse_without_routine(#cname, a);                                     \
            return;                                                                                     \
        }                                                                                               \
        law(dfunc, a);                                                                                  \
    }                                                                                                   \
    TVK_API void cname(::tvk::solver::Proc::Fn* dfunc TVK_SOLVER_ADAPTER_PARAMS(Iface)) {               \
        ::tvk::solver::adapter::cname(                                                                  \
            dfunc ? ::tvk::CallbackRef<::tvk::solver::Proc::Fn>::plain(dfunc)                           \
                  : ::tvk::CallbackRef<::tvk::solver::Proc::Fn>{} TVK_SOLVER_##Iface(TVK_SOLVER_FORWARD)    \
                        TVK_SOLVER_##Iface(TVK_SOLVER_LENFORWARD));                                         \
    }
