// Locating a value among strictly increasing abscissas, for the interval searches of the table
// interpolation. The answer is always that of a scan from the left ("the first entry above v");
// only the cost differs.
#pragma once

#include <algorithm>
#include <cstddef>

#include "core/scratch.h"

namespace tvk::interp {

// First entry of a strictly increasing vector a(0..m-1) above v: its 0-based index, or m when
// there is none (also for NaN v, which is above nothing).
//
// With many queries a table of buckets over [a(0), a(m-1)] (four per entry, two for long
// vectors) bounds the search to the entries of one bucket, which takes expected constant time
// unless the entries are strongly clustered (a crowded bucket is bisected); a bucket holding at
// most one entry is settled by one comparison without a branch. The bucket of a value, clamp(floor((v - a(0)) * scale)), does
// not decrease when v grows, whatever the rounding, so an entry in a lower bucket than v lies
// below v and one in a higher bucket above it: the answer lies between the first entry of v's
// bucket and the first entry of the next one.
// T is the real type of the vector (the bucket arithmetic is done in it).
template <class T>
class BasicLocator {
public:
    // `queries`: how many values will be located; the bucket table pays off only for many.
    BasicLocator(const T* a, int m, long queries) : a_(a), m_(m > 0 ? m : 0) {
        if (m_ < 8 || queries < 32 || queries < m_ / 4) return;
        const T width = a_[m_ - 1] - a_[0];
        nb_ = m_ <= 65536 ? 4 * m_ : 2 * m_;
        scale_ = static_cast<T>(nb_) / width;
        if (!(width > T(0)) || !(scale_ > T(0)) || !(scale_ * width < static_cast<T>(2 * nb_))) {
            nb_ = 0;  // not finite: bisect
            return;
        }
        start_.reset(static_cast<std::size_t>(nb_) + 1);
        int idx = 0;
        for (int b = 0; b <= nb_; ++b) {
            while (idx < m_ && bucket(a_[idx]) < b) ++idx;
            start_[static_cast<std::size_t>(b)] = idx;
        }
    }

    bool bucketed() const { return nb_ > 0; }

    int first_above(T v) const {
        if (v != v) return m_;
        if (nb_ == 0) return bisect(0, m_, v);
        const int b = bucket(v);
        const int lo = start_[static_cast<std::size_t>(b)];
        const int hi = start_[static_cast<std::size_t>(b) + 1];
        if (hi - lo <= 1) {
            const int at = lo < m_ ? lo : m_ - 1;
            return lo + static_cast<int>((hi > lo) & !(v < a_[at]));
        }
        if (hi - lo > 8) return bisect(lo, hi, v);
        int idx = lo;
        while (idx < hi && !(v < a_[idx])) ++idx;
        return idx;
    }

private:
    int bucket(T v) const {
        T t = (v - a_[0]) * scale_;
        const T top = static_cast<T>(nb_ - 1);
        t = t < T(0) ? T(0) : t;
        t = t > top ? top : t;
        return static_cast<int>(t);
    }

    // First index of [lo, hi) whose entry is above v (hi when none), without branches on the
    // data.
    int bisect(int lo, int hi, T v) const {
        if (hi <= lo) return lo;
        const T* base = a_ + lo;
        std::size_t len = static_cast<std::size_t>(hi - lo);
        while (len > 1) {
            const std::size_t half = len / 2;
            base = (v < base[half]) ? base : base + half;
            len -= half;
        }
        return static_cast<int>(base - a_) + ((v < *base) ? 0 : 1);
    }

    const T* a_;
    int m_;
    int nb_ = 0;
    T scale_ = T(0);
    // Bucket starts; on the stack for vectors of up to 128 entries, so that locating in a small
    // table allocates nothing.
    Scratch<int, 4 * 128 + 1> start_{0};
};

using Locator = BasicLocator<double>;

}  // namespace tvk::interp
