// Global operator new counted, so the benchmark can show allocations per assembly.
#include <atomic>
#include <cstdlib>
#include <new>

std::atomic<long> gBenchAllocations{0};

void* operator new(std::size_t size) {
    ++gBenchAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
