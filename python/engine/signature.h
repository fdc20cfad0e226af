// Parsed routine signatures: one immutable descriptor per routine, built once at import.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "expr.h"
#include "grammar.h"

namespace tvk::py {

struct CbSig;

struct ArgDesc {
    std::string name;
    Ty type = Ty::f8;
    Intent intent = Intent::in;
    std::vector<Expr> dims;          // empty for a scalar
    std::vector<std::int64_t> const_dims;  // value of each constant extent, -1 where it varies
    bool optional = false;           // visible and may be omitted
    Expr def;                        // default (optional or hidden)
    std::vector<double> vec_def;     // default of an array given entry by entry, opt=[a,b,...]
    std::string vec_def_text;
    std::vector<Expr> checks;
    // text
    int text_fixed = -1;             // s<N>
    Expr text_len;                   // s(EXPR)
    bool text_star = false;          // s*
    bool path = false;               // :path, a file name (no zero byte)
    // call-back
    std::string cbname;
    const CbSig* cb = nullptr;
    // derived
    int rank() const { return static_cast<int>(dims.size()); }
    bool visible() const { return intent != Intent::out && intent != Intent::hide && intent != Intent::ret; }
    bool returned() const {
        return intent == Intent::out || intent == Intent::io || intent == Intent::io_copy ||
               intent == Intent::io_over || intent == Intent::ret;
    }
    bool has_overwrite() const { return intent == Intent::io_copy || intent == Intent::io_over; }
    bool reads_input() const { return intent != Intent::out && intent != Intent::ret; }
    std::vector<int> deps;           // arguments this one needs converted first
    int data_slot = -1;              // position among the routine's data pointers
    int len_slot = -1;               // position among its text lengths
    std::string nth;                 // "1st", "2nd", ... (visible position) or "hidden"
    std::string kwnth;               // "1st keyword", ... for optional arguments
};

struct Signature {
    std::vector<ArgDesc> args;
    std::vector<int> required;       // visible required arguments, call order
    std::vector<int> optional;       // visible optional arguments, call order
    std::vector<int> extras;         // call-back or overwrite owners, for the extra keywords
    std::vector<int> order;          // conversion order
    std::vector<int> results;        // returned arguments, result order
    int nlens = 0;
    std::string codes;               // expected C parameter codes (see thunk.h)
    int find(const std::string& name) const;
};

struct CbSig {
    std::string name;
    Signature sig;
    std::vector<int> passed;         // arguments handed to the Python callable, in order
    std::vector<int> returned;       // arguments taken from its return value, in order
};

// A signature the grammar refuses (grammar.h): the fault, and the message.
struct SignatureError : std::runtime_error {
    grammar::Fault fault;
    SignatureError(grammar::Fault f, const std::string& what) : std::runtime_error(what), fault(f) {}
};

// Parses a signature with the grammar's reader; throws SignatureError on a malformed one.
Signature parse_signature(const std::string& text, bool callback);

// "b = real_vectorcopy(a,[n])"
std::string call_form(const Signature& s, const std::string& pyname);
// The call form as a Python signature, "(a, b, n=None, overwrite_a=0)", in the text form that
// inspect.signature reads from __text_signature__: optional arguments default to None (absent),
// the extra keywords to their own defaults. Empty when a name cannot name a Python parameter (a
// keyword such as `lambda`): no signature then, rather than a wrong one.
std::string text_signature(const Signature& s);
// The routine's __doc__ text (without the final newline).
std::string doc_text(const Signature& s, const std::string& pyname, const std::string& cname);
// "input rank-1 array('d') with bounds (n)" and friends.
std::string type_text(const ArgDesc& a, bool with_intent);
std::string ordinal(int n);

}  // namespace tvk::py
