#include <new>

#include "mesh/MeshMemory.h"

// Large pages need a privilege a viewer does not have: ordinary memory.
void* allocateMeshMemory(std::size_t bytes) noexcept { return ::operator new(bytes, std::nothrow); }

void releaseMeshMemory(void* memory) noexcept { ::operator delete(memory); }
