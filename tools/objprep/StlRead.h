#pragma once

#include <string_view>

#include "Diagnostics.h"
#include "SourceModel.h"

// Reads an STL file, text or binary, into `model`: equal corners become one vertex (so
// smooth normals can be computed), each facet's normal is kept unless it is zero (many
// exporters write zeros). A file cut short or malformed is an error, never a partial model.
void readStl(std::string_view bytes, bool binary, SourceModel& model, Diagnostics& diagnostics);
