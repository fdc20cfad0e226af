// The two component orders of a point: a kernel written for one order runs on a point of the
// other through a reordered copy of its vectors and tangent.
#pragma once

#include <type_traits>

#include "kernel.h"

namespace tvk::solver::conv {

// Values a converter hands a kernel where the interface has none.
inline constexpr double identity3[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
inline constexpr double zeros6[6] = {};
inline constexpr int no_step[4] = {0, 0, 0, 0};

template <Order O>
constexpr Order other_order() { return O == Order::nye ? Order::cyclic : Order::nye; }

// The six-component swap between the orders (its own inverse); fewer components agree.
inline constexpr int swapped[6] = {0, 1, 2, 3, 5, 4};

// The kernel's order for a point of the interface's order O: O when the kernel takes it.
template <class K, Order O>
constexpr Order order_for() {
    if constexpr (std::is_invocable_v<K&, Point<O>&>) {
        return O;
    } else {
        static_assert(std::is_invocable_v<K&, Point<other_order<O>()>&>, "a kernel takes a Point of one order or both");
        return other_order<O>();
    }
}

// A point's arguments with the vectors and tangent in `to` order: the same storage when the
// orders agree (fewer than six components), else the six-component vectors swapped into the
// buffer `b` (5 x 6 + 36 values; the kernel fills the tangent part).
template <Order To, Order From>
Point<To> reordered(const Point<From>& p, double* b) {
    const int n = p.ntens;
    Point<To> q{{p.stress.p, n}, p.statev, {p.ddsdde.p, n}, p.sse, p.spd, p.scd, p.pnewdt, p.rpl, p.drpldt,
                {p.ddsddt.p, n}, {p.drplde.p, n}, {p.stran.p, n}, {p.dstran.p, n}, p.time, p.dtime, p.temp, p.dtemp,
                p.predef, p.dpred, p.materl, p.ndi, p.nshr, p.ntens, p.nstatv, p.props, p.nprops, p.coords, p.drot,
                p.celent, p.dfgrd0, p.dfgrd1, p.noel, p.npt, p.kslay, p.kspt, p.jstep, p.kinc, p.epszz, p.tsstif,
                p.matid};
    if (n != 6) return q;
    double *s = b, *e = b + 6, *de = b + 12;
    for (int k = 0; k < 6; ++k) {
        const int f = swapped[k];
        s[k] = p.stress[f];
        e[k] = p.stran[f];
        de[k] = p.dstran[f];
    }
    q.stress.p = s, q.stran.p = e, q.dstran.p = de, q.ddsdde.p = b + 30;
    // The thermal derivatives are zero in the converters that reorder; others are swapped too.
    if (p.ddsddt.p != zeros6 || p.drplde.p != zeros6) {
        double *tt = b + 18, *rd = b + 24;
        for (int k = 0; k < 6; ++k) tt[k] = p.ddsddt[swapped[k]], rd[k] = p.drplde[swapped[k]];
        q.ddsddt.p = tt, q.drplde.p = rd;
    }
    return q;
}

// Runs the kernel on p, in p's order when the kernel takes it, else reordered.
template <class K, Order O>
[[gnu::always_inline]] inline Outcome run(K& kernel, Point<O>& p) {
    constexpr Order T = order_for<K, O>();
    if constexpr (T == O) {
        return kernel(p);
    } else {
        double b[66];
        Point<T> q = reordered<T>(p, b);
        const Outcome o = kernel(q);
        // A failed or refused kernel leaves the caller's stress and tangent as they came, as in
        // its own order.
        if (p.ntens == 6 && o.kind != Outcome::failed && o.kind != Outcome::refused) {
            for (int i = 0; i < 6; ++i) p.stress[i] = b[swapped[i]];
            for (int j = 0; j < 6; ++j)
                for (int i = 0; i < 6; ++i) p.ddsdde(i, j) = b[30 + swapped[i] + 6 * swapped[j]];
        }
        return o;
    }
}

}  // namespace tvk::solver::conv
