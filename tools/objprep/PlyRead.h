#pragma once

#include <string_view>

#include "Diagnostics.h"
#include "SourceModel.h"

// Reads a PLY file (text, or binary in either byte order) into `model`: the "vertex"
// element's x, y, z (and nx, ny, nz where present), the "face" element's polygons and the
// "tristrips" element's triangle strips (TriangleStrips.h; face lists with -1 restarts in
// them are strips too). Faces in an element of another name and files cut short are
// errors, never a partial model; other elements are left out with a note.
void readPly(std::string_view bytes, SourceModel& model, Diagnostics& diagnostics);
