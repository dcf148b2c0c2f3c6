#pragma once

// One triangle: 1-based indices into a mesh's vertices and normals, corners 1, 2, 3.
struct Face {
    int vertexIndex[3];
    int normalIndex[3];
};
