#pragma once

#include <cstddef>
#include <vector>

// The triangles of triangle strips, in the order their indices list them: each index
// after a strip's first two closes a triangle with the two before it, every other one
// turned round so that all keep the first one's winding. -1 (a restart) begins a new
// strip; a triangle with a repeated index (strips use them to join) is left out but still
// counts for the turning. Calls onTriangle(a, b, c) for each triangle kept.
template <typename Index, typename OnTriangle>
void stripTriangles(const Index* indices, std::size_t count, OnTriangle&& onTriangle) {
    constexpr Index restart = -1;
    std::size_t inStrip = 0;  // indices since the strip began
    for (std::size_t i = 0; i < count; ++i) {
        if (indices[i] == restart) {
            inStrip = 0;
            continue;
        }
        if (++inStrip < 3)
            continue;
        const Index a = indices[i - 2], b = indices[i - 1], c = indices[i];
        if (a == b || b == c || a == c)
            continue;
        if ((inStrip - 3) % 2 == 0)
            onTriangle(a, b, c);
        else
            onTriangle(b, a, c);
    }
}

template <typename Index, typename OnTriangle>
void stripTriangles(const std::vector<Index>& indices, OnTriangle&& onTriangle) {
    stripTriangles(indices.data(), indices.size(), onTriangle);
}
