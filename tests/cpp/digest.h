// FNV-1a digest over bytes, and a fixed sequence of inputs, for tests that pin every bit of a
// routine's results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tvktest {

struct Digest {
    std::uint64_t h = 1469598103934665603ULL;
    void add(const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t k = 0; k < n; ++k) h = (h ^ b[k]) * 1099511628211ULL;
    }
    template <class T>
    void add(const std::vector<T>& v) {
        add(v.data(), v.size() * sizeof(T));
    }
    template <class T>
    void add(const T& v) {
        add(&v, sizeof v);
    }
};

// A fixed linear congruential sequence: the same numbers on every platform and library.
struct Sequence {
    std::uint64_t s;
    double next(double lo, double hi) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return lo + (hi - lo) * static_cast<double>(s >> 11) * 0x1.0p-53;
    }
    int pick(int n) { return static_cast<int>(next(0.0, n)) % n; }
};

}  // namespace tvktest
