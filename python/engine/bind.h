// Declarations that bind the library to the `_tolvek` module: one line per routine or variable,
// placed in the binding file of its namespace (python/bind_<namespace>.cpp).
//
//   TVK_ROUTINE(ns, pyname, CFunction, "signature");
//   TVK_CALLBACK(cbname, "signature");          // the argument list a call-back is called with
//   TVK_SCALAR(ns, name, lvalue);               // int or double variable -> 0-d array sharing it
//   TVK_TEXT(ns, name, char_array);             // fixed-length text variable -> 0-d S<N> array
//   TVK_TABLE(ns, name, tvk::Table<T,R>&);      // growable table -> view of its shape, or None
//   TVK_CONST(ns, name, int_value);             // read-only integer constant
//   TVK_PER_THREAD(ns, name, lvalue);           // a variable every thread has its own of: the
//                                               // expression names the calling thread's, and is
//                                               // evaluated on every access (scalar, text, table)
//
// Signature: the routine's arguments in the order of the C function, separated by blanks (the
// `size_t` text lengths of the C ABI are implicit). Each argument is
//
//   name:TYPE[(EXTENTS)][:ATTRIBUTE]...
//
// TYPE      f8 (double), i4 (int), c16 (complex double), l4 (4-byte logical: int 0/1, taken by
//           truth value from Python), l1 (1-byte logical, int at the Python boundary),
//           s<N> (text of N characters), s(EXPR) (text whose length is an expression),
//           s* (input text of the length passed), cb(CBNAME) (a call-back, see TVK_CALLBACK).
// EXTENTS   comma-separated integer expressions, first extent first (column-major).
// ATTRIBUTE in (default) | out | inout | io | io+copy | io+overwrite | hide | ret
//             in      input; compatible arrays are borrowed, others converted (never written)
//             out     not an argument; a zero-filled result created from the extents
//             inout   input that must be a compatible numpy array (0-d for a scalar); updated
//                     in place, not returned
//             io      input and result; a compatible array is used in place and returned
//             io+copy like io, but copied unless `overwrite_<name>` is nonzero (default 0)
//             io+overwrite like io+copy with `overwrite_<name>` defaulting to 1
//             hide    not an argument; the value of its default expression
//             ret     the function value of the routine (first result)
//           opt | opt=EXPR   optional argument, with a default expression
//           =EXPR            default of a hidden argument; the value a result (out) starts from
//           opt=[a,b,...] | =[a,b,...]  default of a real array: numeric literals, filled in
//                            memory order (repeated when the array is longer)
//           check(EXPR)      a condition raised as _tolvek.error when it fails
//           path             (text) a file name: a zero byte in it raises ValueError
//                            "embedded null byte", as Python's file functions do
//
// A size argument (an i4 input without a default that stands alone as an extent of an input
// array) becomes optional by itself: default len(a) for a vector (check len(a)>=n), shape(a,i)
// for the i-th extent of a matrix (check shape(a,i)==n). Results come back in the order:
// function value, then every out/io argument in argument order.
//
// Expressions: integer and real literals (1, 1.5, .5, 1., 2.5e-1, 1d0), argument names (scalars),
// len(x), shape(x,i),
// size(x), slen(x), min(..), max(..), abs(.), cmplx(re,im) (a complex default),
// + - * / % (integer division truncates),
// == != < <= > >=, && || !, parentheses.
//
// Example:  TVK_ROUTINE(utility, real_vectorcopy, fVectorCopy, "a:f8(n) b:f8(n):out n:i4");
//           gives  b = real_vectorcopy(a,[n])
//
// Limits (grammar.h): 64 arguments, and 64 parameters of the Python call counting the extra
// keywords; 7 extents; 4 call-back arguments; 29 values on an expression's evaluation stack.
// Arguments may not depend on each other in a circle (through extents, defaults and checks).
//
// The vocabulary, the limits and the reader of this grammar are defined once, in grammar.h: the
// build and the import read a signature with the same code. Every signature is checked while the
// binding file compiles (sigcheck.h): its grammar and limits, the names its expressions use, and
// its agreement with the C function (argument count, types, text lengths, function value, and no
// pointer to const for an argument the call writes). A routine signature that fails is a compile
// error naming the fault.
#pragma once

#include "thunk.h"

// A module's binding files (compiled with Python's headers) give a routine that takes only numbers
// its direct call; elsewhere (the C++ tests of the grammar) the registration line takes none.
#ifdef TVK_PYTHON_MODULE
#include "direct.h"
#define TVK_DIRECT_CALL(fn) ::tvk::py::Direct<&fn>::entry()
#else
#define TVK_DIRECT_CALL(fn) nullptr
#endif

#define TVK_CAT2(a, b) a##b
#define TVK_CAT(a, b) TVK_CAT2(a, b)
#define TVK_UNIQ(p) TVK_CAT(p, __LINE__)

#define TVK_ROUTINE(ns, pyname, fn, sig)                                                     \
    static_assert(::tvk::py::check_routine<&fn>(sig));                                       \
    static const ::tvk::py::RoutineReg TVK_UNIQ(tvk_reg_routine_){                           \
        #ns, #pyname, #fn, sig, ::tvk::py::Thunk<&fn>::call, ::tvk::py::Thunk<&fn>::codes(),  \
        reinterpret_cast<void*>(&fn), TVK_DIRECT_CALL(fn)}

#define TVK_CALLBACK(cbname, sig)                   \
    static_assert(::tvk::py::check_callback(sig)); \
    static const ::tvk::py::CallbackReg TVK_UNIQ(tvk_reg_cb_){#cbname, sig}

#define TVK_SCALAR(ns, name, scalarref) \
    static const ::tvk::py::VarReg TVK_UNIQ(tvk_reg_var_){#ns, #name, ::tvk::py::VarReg::scalar(scalarref)}

#define TVK_TEXT(ns, name, charray) \
    static const ::tvk::py::VarReg TVK_UNIQ(tvk_reg_var_){#ns, #name, ::tvk::py::VarReg::text(charray, sizeof(charray))}

#define TVK_TABLE(ns, name, tableref) \
    static const ::tvk::py::VarReg TVK_UNIQ(tvk_reg_var_){#ns, #name, ::tvk::py::VarReg::table(tableref)}

#define TVK_CONST(ns, name, constvalue) \
    static const ::tvk::py::VarReg TVK_UNIQ(tvk_reg_var_){#ns, #name, ::tvk::py::VarReg::constant(constvalue)}

#define TVK_PER_THREAD(ns, name, lvalue)                                                                     \
    static const ::tvk::py::VarReg TVK_UNIQ(tvk_reg_var_){                                                  \
        #ns, #name,                                                                                          \
        ::tvk::py::VarReg::per_thread(                                                                       \
            ::tvk::py::VarReg::kind_of(static_cast<std::remove_reference_t<decltype(lvalue)>*>(nullptr)),   \
            sizeof(lvalue), +[]() -> void* { return &(lvalue); })}
