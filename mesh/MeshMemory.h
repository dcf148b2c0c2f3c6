#pragma once

#include <cstddef>

// Memory for a mesh's arrays. A mesh is megabytes written once at start-up, so where the
// system can, it is backed by large pages: touching it for the first time then costs a
// few page faults instead of thousands.

// Null when there is no memory.
void* allocateMeshMemory(std::size_t bytes) noexcept;
// Releases what allocateMeshMemory gave; null is ignored.
void releaseMeshMemory(void* memory) noexcept;
