#pragma once

#include <string_view>

#include "Diagnostics.h"
#include "SourceModel.h"

// Reads a general OBJ file (its bytes) with tinyobjloader into `model`, resolving
// negative indices and checking every index; problems go to `diagnostics` with lines.
// Texture coordinates, materials, groups, lines and points are read past.
void readObj(std::string_view bytes, SourceModel& model, Diagnostics& diagnostics);
