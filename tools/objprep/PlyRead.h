#pragma once

#include <string_view>

#include "Diagnostics.h"
#include "SourceModel.h"

// Reads a PLY file (text, or binary in either byte order) into `model`: the "vertex"
// element's x, y, z (and nx, ny, nz where present) and the "face" element's index lists.
// Faces held elsewhere (triangle strips, an element of its own) and files cut short are
// errors, never a partial model; other elements are left out with a note.
void readPly(std::string_view bytes, SourceModel& model, Diagnostics& diagnostics);
