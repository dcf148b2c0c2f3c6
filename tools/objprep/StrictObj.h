#pragma once

#include <array>
#include <string>
#include <vector>

// A model in the only form the viewer reads completely: positions, normals and
// triangles whose corners each name one of each (0-based here, 1-based in the file).
struct StrictObj {
    struct Triangle {
        int vertex[3];
        int normal[3];
    };
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<float, 3>> normals;
    std::vector<Triangle> triangles;
};

// "v x y z" lines, then "vn x y z", then "f a//n b//n c//n": single spaces, LF ends, every
// number reading back to the same float.
std::string writeStrictObj(const StrictObj& model);
