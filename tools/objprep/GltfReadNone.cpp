// The build without a glTF library: OBJ, STL and PLY only.
#include "GltfRead.h"

void readGltf(std::string_view, bool, const std::string&, bool, SourceModel&, Diagnostics& diagnostics) {
    diagnostics.error("this objprep was built without glTF support; export the model as OBJ, STL or PLY");
}

bool gltfAvailable() { return false; }
