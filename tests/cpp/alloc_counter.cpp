// The replaced global operator new of the test executable (see alloc_counter.h). Every unaligned
// form is replaced, so that each allocation meets its own release (the sanitizer checks the
// pairs).
#include "alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local long allocations = 0;
void* counted(std::size_t n) noexcept {
    ++allocations;
    return std::malloc(n ? n : 1);
}
void* counted_or_throw(std::size_t n) {
    if (void* p = counted(n)) return p;
    throw std::bad_alloc();
}
}  // namespace

long tvk::test::heap_allocations() { return allocations; }

void* operator new(std::size_t n) { return counted_or_throw(n); }
void* operator new[](std::size_t n) { return counted_or_throw(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted(n); }
// The pairs are malloc/free underneath, which the compiler cannot see through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop
