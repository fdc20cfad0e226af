#include "table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "host.h"

namespace tvk {

// The run-time library's messages of a failed allocation, on standard error.
[[noreturn]] static void fatal(const char* format, unsigned long bytes) {
    char text[96];
    const int n = std::snprintf(text, sizeof text - 1, format, bytes);
    const std::size_t len = n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 2);
    text[len] = '\n';
    host::stop({text, len + 1}, 1, host::Stream::err);
}

Block* block_new(std::int64_t n, std::size_t elsize, AllocFailure on_fail) {
    if (n < 0) n = 0;
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<std::size_t>(n), elsize, &bytes) ||
        bytes > (std::size_t{1} << 60)) {
        if (on_fail == AllocFailure::throw_bad_alloc) throw std::bad_alloc();
        fatal("Integer overflow when calculating the amount of memory to allocate", 0);
    }
    void* mem = std::calloc(1, sizeof(Block) + (bytes ? bytes : 1));
    if (!mem) {
        if (on_fail == AllocFailure::throw_bad_alloc) throw std::bad_alloc();
        fatal("Error allocating %lu bytes", static_cast<unsigned long>(bytes));
    }
    Block* b = static_cast<Block*>(mem);
    b->refs = 1;
    b->bytes = bytes;
    return b;
}

void block_decref(Block* b) {
    if (b && --b->refs == 0) std::free(b);
}

std::int64_t TableBase::size() const {
    if (!blk) return 0;
    std::int64_t n = 1;
    for (int d = 0; d < rank; ++d) n *= ext[d];
    return n;
}

void TableBase::release() {
    Block* b = blk;
    blk = nullptr;
    for (auto& e : ext) e = 0;
    block_decref(b);
}

void TableBase::reallocate(const std::int64_t* extents, AllocFailure on_fail) {
    std::int64_t e[7] = {0, 0, 0, 0, 0, 0, 0};
    std::int64_t n = 1;
    for (int d = 0; d < rank; ++d) {
        e[d] = extents[d] < 0 ? 0 : extents[d];
        if (__builtin_mul_overflow(n, e[d], &n)) n = INT64_MAX;
    }
    Block* b = block_new(n, elsize, on_fail);
    adopt(b, e);
}

void TableBase::adopt(Block* b, const std::int64_t* extents) {
    release();
    blk = b;
    for (int d = 0; d < rank; ++d) ext[d] = extents[d];
}

}  // namespace tvk
