// Heap allocations of the test program, counted: alloc_counter.cpp replaces the global operator
// new (and the matching deletes) for the whole test executable, so that a test can assert that a
// routine makes no allocation per call.
#pragma once

namespace tvk::test {

// The allocations this thread has made through operator new (std::vector, std::string, new[])
// since it started.
long heap_allocations();

}  // namespace tvk::test
