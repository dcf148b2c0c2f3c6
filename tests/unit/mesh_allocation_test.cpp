#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "mesh_files.h"

// Every operator new of this test program is counted while `counting` is set: the
// containers, smart pointers, threads and new-expressions a load might use. All forms
// are replaced, so that each allocation is freed by its own kind.
namespace {
bool counting = false;
int allocations = 0;

void* allocate(std::size_t bytes) noexcept {
    if (counting) ++allocations;
    return std::malloc(bytes == 0 ? 1 : bytes);
}
void* allocateOrThrow(std::size_t bytes) {
    if (void* p = allocate(bytes)) return p;
    throw std::bad_alloc();
}
// Aligned: the block from malloc is kept just before the aligned address.
void* allocateAligned(std::size_t bytes, std::align_val_t alignment) noexcept {
    const std::size_t align = static_cast<std::size_t>(alignment);
    void* const raw = allocate(bytes + align + sizeof(void*));
    if (raw == nullptr) return nullptr;
    const std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*) + align - 1) & ~(align - 1);
    reinterpret_cast<void**>(at)[-1] = raw;
    return reinterpret_cast<void*>(at);
}
void* allocateAlignedOrThrow(std::size_t bytes, std::align_val_t alignment) {
    if (void* p = allocateAligned(bytes, alignment)) return p;
    throw std::bad_alloc();
}
void release(void* p) noexcept { std::free(p); }
void releaseAligned(void* p) noexcept {
    if (p != nullptr) std::free(static_cast<void**>(p)[-1]);
}
}  // namespace

void* operator new(std::size_t n) { return allocateOrThrow(n); }
void* operator new[](std::size_t n) { return allocateOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new(std::size_t n, std::align_val_t a) { return allocateAlignedOrThrow(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocateAlignedOrThrow(n, a); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAligned(n, a); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAligned(n, a); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(p); }

TEST(MeshAllocation, LoadingAFullFileAllocatesNothing) {
    std::string text = "g body\nusemtl skin\ns off\nvt 0.5 0.25\n";
    for (int i = 0; i < Mesh::capacity; ++i) text += "v " + std::to_string(i % 1000) + ".5 -2 3\n";
    for (int i = 0; i < Mesh::capacity; ++i) text += "vn 0 0.25 -1\n";
    for (int i = 0; i < Mesh::capacity; ++i) text += "f 1//1 2/7/2 3//3\r\n";
    text += "v 9 9 9\n";  // one past capacity: dropped, with a line on standard error
    const std::string path = meshfiles::write("full.obj", text);
    std::unique_ptr<Mesh> mesh(Mesh::create(meshfiles::write("empty.obj", "").c_str()));

    counting = true;
    ::operator delete(::operator new(16));
    counting = false;
    EXPECT_EQ(allocations, 1);  // the count works
    allocations = 0;
    ::testing::internal::CaptureStderr();  // before counting: the capture allocates
    counting = true;
    mesh->load(path.c_str());
    counting = false;
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(mesh->vertexCount + mesh->normalCount + mesh->faceCount, 3 * Mesh::capacity);
}
