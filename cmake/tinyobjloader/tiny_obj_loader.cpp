// The OBJ reader's implementation, compiled from its single header where no built
// library of it exists (the Windows cross-build).
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
