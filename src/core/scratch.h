// Work arrays of hot routines: on the stack up to a fixed number of elements, on the heap only
// beyond it, so that the small sizes of the material routines (3/6/9 components, tables of a few
// dozen points) never touch the allocator.
#pragma once

#include <cstddef>
#include <memory>

namespace tvk {

// Scratch array of `count` elements: on the stack up to N elements, on the heap beyond.
// Uninitialised.
template <class T, std::size_t N>
class Scratch {
public:
    explicit Scratch(std::size_t count) { reset(count); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    // Room for `count` elements; the contents are not kept.
    void reset(std::size_t count) {
        if (count > N) {
            heap_.reset(new T[count]);
            p_ = heap_.get();
        } else {
            p_ = buf_;
        }
    }
    T* get() { return p_; }
    const T* get() const { return p_; }
    T& operator[](std::size_t i) { return p_[i]; }
    const T& operator[](std::size_t i) const { return p_[i]; }

private:
    T buf_[N];
    std::unique_ptr<T[]> heap_;
    T* p_ = buf_;
};

}  // namespace tvk
