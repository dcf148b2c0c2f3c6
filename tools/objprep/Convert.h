#pragma once

#include <string>
#include <string_view>

#include "Diagnostics.h"
#include "Placement.h"
#include "Point3.h"

// A grid model is drawn 25 times a frame, beside a main model of up to the viewer's
// capacity; by default it is simplified to this many triangles, so that a frame stays
// within what a software renderer draws at a usable rate.
constexpr int gridTriangleBudget = 10000;

struct ConvertOptions {
    PlacementOptions placement;
    bool flatNormals = false;  // one normal per triangle where the file gives none
    bool readBesideFiles = true;  // a .gltf may name buffer files in its folder
    int triangleBudget = 0;  // > 0: simplify to at most this many triangles
    bool simplify = true;    // false: refuse a model the viewer cannot hold, as is
};

struct ConvertResult {
    std::string obj;  // the converted file
    int vertexCount = 0;
    int normalCount = 0;
    int triangleCount = 0;
    int sourceTriangleCount = 0;  // before any simplification
    bool simplified = false;
    int triangleBudget = 0;   // what it was simplified to fit
    double errorShare = 0;    // the farthest a source vertex lies from the surface written, / the diagonal
    Point3 boundsMin{0, 0, 0};  // of the written positions
    Point3 boundsMax{0, 0, 0};
};

// Converts the bytes of a model file (OBJ, glTF, STL or PLY, told from the content; `path`
// settles binary STL and locates a .gltf's buffer files) into the strict form the viewer
// reads, simplified where the viewer could not hold it or a budget asks for fewer
// triangles. Returns false, with the reasons in `diagnostics`, when it cannot.
bool convertModel(std::string_view bytes, const std::string& path, const ConvertOptions& options,
                  Diagnostics& diagnostics, ConvertResult& result);
