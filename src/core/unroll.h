// Loops unrolled at the source: f(k) for k = 0, 1, ..., N - 1 in that order, each k a
// compile-time constant (std::integral_constant, usable as an index).
//
// For the short fixed-count loops over the components of one material point. A small local array
// indexed only by constants is held in registers; the same loop left to the compiler is unrolled
// only after the arrays were given memory, and its values then travel through the stack, often
// stored in one width and reloaded in another, which stalls the load.
#pragma once

#include <type_traits>
#include <utility>

namespace tvk {

template <int N, class F>
[[gnu::always_inline]] inline void unrolled(F&& f) {
    [&]<int... K>(std::integer_sequence<int, K...>) {
        (f(std::integral_constant<int, K>{}), ...);
    }(std::make_integer_sequence<int, N>{});
}

}  // namespace tvk
