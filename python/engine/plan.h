// Per-routine call plan: small plain records derived once at import from a routine's signature,
// so that a call makes a single pass over compact data instead of walking the descriptors.
//
// Which arguments an expression may read is fixed by the conversion order (an argument becomes
// known when it is converted, and a failed conversion ends the call), so every expression is
// resolved for the point where it is evaluated: one that would meet an unknown argument becomes
// `fail`, the common shapes (a literal, a scalar argument, an extent, a comparison of two of
// those) read the argument state directly, and only the rest runs the expression program.
#pragma once

#include <cstdint>
#include <vector>

#include "expr.h"
#include "signature.h"

namespace tvk::py {

// An operand read straight from the state of a converted argument.
struct Leaf {
    enum Kind : std::uint8_t { lit, real, integer, byte, cplx_re, textlen, extent };
    Kind kind = lit;
    std::uint8_t axis = 0;       // extent: 0-based axis
    std::int16_t arg = 0;
    Value v{true, 0, 0.0, 0.0};  // lit: the value
};

// An expression resolved for the point of the call where it is evaluated.
struct Fx {
    enum Form : std::uint8_t { fail, leaf, cmp, generic };
    Form form = fail;
    Expr::Op op = Expr::EQ;      // cmp: the comparison
    Leaf a, b;                   // leaf: a; cmp: a op b
    const Expr* gen = nullptr;   // generic: the program (and always the source, for messages)
};

// One argument, in conversion order.
struct Step {
    enum Kind : std::uint8_t {
        scalar,      // a rank-0 number taken by value (input, default or zero)
        array_new,   // an out or hidden array, created from its extents
        array_in,    // an input array: borrowed or converted, or created when absent
        other,       // text, call-back, rank-0 inout
    };
    enum Flag : std::uint8_t { optional = 1, owns = 2, overwrite_flag = 4 };
    Kind kind = other;
    Ty type = Ty::f8;
    Intent intent = Intent::in;
    std::uint8_t rank = 0;
    std::uint8_t flags = 0;
    std::uint8_t slot = 0;       // scalar: offset of its native value in the argument state
    std::int16_t arg = 0;
    std::int16_t vis = -1;       // position among the visible arguments, -1 when hidden
    std::int16_t data_slot = -1;
    std::int16_t len_slot = -1;
    std::int32_t tn = 0;         // numpy type number of an array
    std::int32_t dims = -1;      // first of `rank` extents in Plan::fx
    std::int32_t def = -1;       // default in Plan::fx, -1 when none
    std::int32_t text_len = -1;  // s(EXPR) length in Plan::fx
    std::int32_t checks = 0;     // first of `nchecks` checks in Plan::fx
    std::int32_t nchecks = 0;
    const ArgDesc* desc = nullptr;
};

// An extent of a caller's array verified once every argument is known.
struct Recheck {
    std::int16_t arg;
    std::uint8_t axis;
    bool rank1;                  // rank 1: at least the extent; otherwise exactly
    std::int32_t fx;
};

// What a generic expression needs to know about an argument.
struct ArgInfo {
    Ty type;
    std::uint8_t rank;
};

// A visible number of a scalar-only call: where its value goes.
struct ScalarArg {
    std::int16_t vis;            // position in the call
    std::int16_t data_slot;      // native slot of its value
    bool real;                   // f8, else i4
};

struct Plan {
    std::vector<Step> steps;
    std::vector<Fx> fx;
    std::vector<Recheck> recheck;
    std::vector<ArgInfo> info;   // by argument index
    std::vector<int> owners;     // arguments that may own an array or a buffer, conversion order
    int nreq = 0, nopt = 0, nvis = 0, nextras = 0;
    // Every argument a required f8 or i4 number taken by value, without default or check, and
    // the result at most the routine's f8 or i4 function value: such a routine is called by
    // call_scalar_routine when its arguments are exact floats and ints given by position.
    bool scalar_only = false;
    std::vector<ScalarArg> scalars;  // scalar_only: its arguments, in data-slot order
    Ty scalar_ret = Ty::f8;          // scalar_only with a function value: its type
};

}  // namespace tvk::py
