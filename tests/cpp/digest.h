// FNV-1a digest over bytes, for tests that pin every bit of a routine's results.
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

}  // namespace tvktest
