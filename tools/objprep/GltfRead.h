#pragma once

#include <string>
#include <string_view>

#include "Diagnostics.h"
#include "SourceModel.h"

// Reads a glTF 2.0 file (.gltf text or .glb binary) into `model`: every triangle of
// every mesh of every node of the scene, each in its node's place; points and lines are
// left out with a note. A .gltf file's buffers are read from `folder` when
// `readBesideFiles` allows it (only paths inside that folder); data URIs always work.
void readGltf(std::string_view bytes, bool binary, const std::string& folder, bool readBesideFiles,
              SourceModel& model, Diagnostics& diagnostics);

// Whether this build reads glTF at all.
bool gltfAvailable();
