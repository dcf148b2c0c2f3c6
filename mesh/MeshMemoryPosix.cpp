#include <sys/mman.h>

#include <cstdlib>

#include "mesh/MeshMemory.h"

namespace {
constexpr std::size_t largePage = std::size_t{2} << 20;  // the usual transparent huge page
}  // namespace

void* allocateMeshMemory(std::size_t bytes) noexcept {
    const std::size_t rounded = (bytes + largePage - 1) / largePage * largePage;
    void* memory = std::aligned_alloc(largePage, rounded);
#ifdef MADV_HUGEPAGE
    // Only a hint: without large pages the memory works the same.
    if (memory != nullptr) ::madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    return memory;
}

void releaseMeshMemory(void* memory) noexcept { std::free(memory); }
