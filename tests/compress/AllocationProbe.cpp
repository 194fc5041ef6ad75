#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Replaces the global allocation functions of this test program to record the largest single
// request, so that tests can prove a hostile length was never allocated.
namespace {
std::atomic<size_t> largest{0};

void* Allocate(size_t size) {
    size_t seen = largest.load();
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}

namespace vko::test {
void ResetLargestAllocation() {
    largest = 0;
}
size_t LargestAllocation() {
    return largest;
}
}  // namespace vko::test
