#pragma once

#include <cstddef>
#include <string_view>

#include "Diagnostics.h"
#include "SourceModel.h"

// A binary STL file: 80 bytes of free text, a 4-byte little-endian triangle count, then
// per triangle its normal, three corners and an attribute word.
constexpr std::size_t stlHeaderBytes = 80;
constexpr std::size_t stlTriangleBytes = 50;

// Reads an STL file, text or binary, into `model`: equal corners become one vertex (so
// smooth normals can be computed), each facet's normal is kept unless it is zero (many
// exporters write zeros). A file cut short or malformed is an error, never a partial model.
void readStl(std::string_view bytes, bool binary, SourceModel& model, Diagnostics& diagnostics);
