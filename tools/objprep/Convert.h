#pragma once

#include <string>
#include <string_view>

#include "Diagnostics.h"
#include "Placement.h"
#include "Point3.h"

struct ConvertOptions {
    PlacementOptions placement;
    bool flatNormals = false;  // one normal per triangle where the file gives none
};

struct ConvertResult {
    std::string obj;  // the converted file
    int vertexCount = 0;
    int normalCount = 0;
    int triangleCount = 0;
    Point3 boundsMin{0, 0, 0};  // of the written positions
    Point3 boundsMax{0, 0, 0};
};

// Converts the bytes of a general OBJ file into the strict form the viewer reads.
// Returns false, with the reasons in `diagnostics`, when it cannot.
bool convertObj(std::string_view bytes, const ConvertOptions& options, Diagnostics& diagnostics,
                ConvertResult& result);
