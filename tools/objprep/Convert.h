#pragma once

#include <string>
#include <string_view>

#include "Diagnostics.h"
#include "Placement.h"
#include "Point3.h"

struct ConvertOptions {
    PlacementOptions placement;
    bool flatNormals = false;  // one normal per triangle where the file gives none
    bool readBesideFiles = true;  // a .gltf may name buffer files in its folder
};

struct ConvertResult {
    std::string obj;  // the converted file
    int vertexCount = 0;
    int normalCount = 0;
    int triangleCount = 0;
    Point3 boundsMin{0, 0, 0};  // of the written positions
    Point3 boundsMax{0, 0, 0};
};

// Converts the bytes of a model file (OBJ, glTF, STL or PLY, told from the content; `path`
// settles binary STL and locates a .gltf's buffer files) into the strict form the viewer
// reads. Returns false, with the reasons in `diagnostics`, when it cannot.
bool convertModel(std::string_view bytes, const std::string& path, const ConvertOptions& options,
                  Diagnostics& diagnostics, ConvertResult& result);
