#pragma once

#include <cstddef>
#include <vector>

#include "Point3.h"

// What the converter keeps of a model file: positions, normals and polygons whose
// corners point at them (0-based, negative indices already resolved).
struct SourceModel {
    static constexpr int noNormal = -1;

    struct Corner {
        int vertex;
        int normal;  // noNormal when the corner names none
    };
    struct Polygon {
        std::size_t firstCorner;
        int cornerCount;
        std::size_t fileOffset;  // a byte of the polygon's line, for messages
    };

    std::vector<Point3> positions;
    std::vector<std::size_t> positionOffsets;  // a byte of each position's line
    std::vector<Point3> normals;
    std::vector<Corner> corners;
    std::vector<Polygon> polygons;
    // The offsets point into lines of text (OBJ), so messages can name a line; binary
    // and structured formats report without one.
    bool textLines = true;
};
