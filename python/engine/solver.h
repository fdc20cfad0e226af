// Binding of the solver user routines: the signature of every routine of an interface is derived
// from the interface's argument list (src/solver/interface.h), so a routine is bound with
//
//   TVK_SOLVER_ROUTINE(ns, pyname, Iface, cname);
//
// which is TVK_ROUTINE with the derived signature, refused at compile time when `cname` was not
// declared from `Iface` (TVK_SOLVER_DECLARE).
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>

#include "../../src/solver/interfaces.h"
#include "bind.h"
#include "grammar.h"

namespace tvk::py::solver_sig {

using tvk::solver::ArgSpec;

constexpr bool ident_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The binding attribute of a list intent (its grammar word, grammar.h; nothing for the default
// intent `in`), or "?" for a word the grammar does not know, which the signature check refuses.
constexpr std::string_view attribute(std::string_view intent) {
    if (intent == grammar::attr_optional) return grammar::attr_optional;
    for (const grammar::IntentWord& w : grammar::intents)
        if (w.list_word == intent) return w.intent == Intent::in ? std::string_view() : w.word;
    return "?";
}

// Writes the signature into `out` (when given) and returns its length: "name:type(extents):intent"
// per argument, blank-separated, with the binding names of the arguments, also inside extents.
template <std::size_t N>
constexpr std::size_t write(const ArgSpec (&args)[N], char* out) {
    std::size_t n = 0;
    auto put = [&](char c) {
        if (out) out[n] = c;
        ++n;
    };
    auto puts = [&](std::string_view s) {
        for (char c : s) put(c);
    };
    auto binding_name = [&](std::string_view id) {
        for (const ArgSpec& a : args)
            if (a.name == id) return a.binding_name;
        return id;
    };
    for (std::size_t k = 0; k < N; ++k) {
        const ArgSpec& a = args[k];
        if (k) put(' ');
        puts(a.binding_name);
        put(':');
        puts(a.type);
        if (a.extents != "()") {
            std::string_view e = a.extents;
            for (std::size_t p = 0; p < e.size();) {
                if (ident_char(e[p]) && !(e[p] >= '0' && e[p] <= '9')) {
                    std::size_t q = p;
                    while (q < e.size() && ident_char(e[q])) ++q;
                    puts(binding_name(e.substr(p, q - p)));
                    p = q;
                } else {
                    if (e[p] != ' ') put(e[p]);
                    ++p;
                }
            }
        }
        if (!attribute(a.intent).empty()) {
            put(':');
            puts(attribute(a.intent));
        }
    }
    return n;
}

template <class Iface>
constexpr auto text() {
    static_assert(std::size(Iface::args) <= static_cast<std::size_t>(grammar::max_args),
                  "an interface list has more arguments than the binding grammar's limit");
    std::array<char, write(Iface::args, nullptr) + 1> s{};
    write(Iface::args, s.data());
    return s;
}

}  // namespace tvk::py::solver_sig

namespace tvk::py {
// The binding signature of the routines of interface `Iface`.
template <class Iface>
inline constexpr auto solver_signature = solver_sig::text<Iface>();
}  // namespace tvk::py

#define TVK_SOLVER_ROUTINE(ns, pyname, Iface, cname)                                                  \
    static_assert(std::is_same_v<std::remove_cv_t<decltype(::tvk::solver::entry::cname)>,            \
                                 ::tvk::solver::EntryOf<::tvk::solver::Iface>>,                       \
                  #cname " is not declared from the interface " #Iface);                              \
    TVK_ROUTINE(ns, pyname, cname, ::tvk::py::solver_signature<::tvk::solver::Iface>.data())

// ---- Adapters: a material routine of interface `Proc` as first argument --------------------------
//   TVK_SOLVER_PROC(cbname, Proc);                                   the call-back form, once
//   TVK_SOLVER_ADAPTER_ROUTINE(ns, pyname, cbname, Proc, Iface, cname);
// The adapter's signature is "dfunc:cb(cbname) " followed by the derived signature of `Iface`, so
// the routine argument is declared from the same list as the routines it stands for.
namespace tvk::py::solver_sig {

template <std::size_t N>
struct Name {
    char s[N] = {};
    constexpr Name(const char (&t)[N]) {
        for (std::size_t k = 0; k < N; ++k) s[k] = t[k];
    }
};

template <Name Cb, class Iface>
constexpr auto adapter_text() {
    constexpr std::string_view head1 = "dfunc:cb(", head2 = ") ";
    constexpr std::size_t ncb = sizeof(Cb.s) - 1;
    constexpr auto body = text<Iface>();
    std::array<char, head1.size() + ncb + head2.size() + body.size()> s{};
    std::size_t n = 0;
    for (char c : head1) s[n++] = c;
    for (std::size_t k = 0; k < ncb; ++k) s[n++] = Cb.s[k];
    for (char c : head2) s[n++] = c;
    for (char c : body) s[n++] = c;  // includes the terminating NUL
    return s;
}

}  // namespace tvk::py::solver_sig

namespace tvk::py {
template <solver_sig::Name Cb, class Iface>
inline constexpr auto adapter_signature = solver_sig::adapter_text<Cb, Iface>();
}  // namespace tvk::py

#define TVK_SOLVER_PROC(cbname, Proc) TVK_CALLBACK(cbname, ::tvk::py::solver_signature<::tvk::solver::Proc>.data())

#define TVK_SOLVER_ADAPTER_ROUTINE(ns, pyname, cbname, Proc, Iface, cname)                                \
    static_assert(std::is_same_v<std::remove_cv_t<decltype(::tvk::solver::entry::cname)>,                \
                                 ::tvk::solver::AdapterOf<::tvk::solver::Proc, ::tvk::solver::Iface>>,    \
                  #cname " is not declared as an adapter of " #Proc " routines with the interface " #Iface); \
    TVK_ROUTINE(ns, pyname, ::tvk::solver::adapter::cname,                                               \
                (::tvk::py::adapter_signature<#cbname, ::tvk::solver::Iface>.data()))
