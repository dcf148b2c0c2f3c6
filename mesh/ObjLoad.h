#pragma once

#include <cstddef>

#include "mesh/ObjTrace.h"

// The loader with the size of its file reads chosen by the caller, so that tests and the
// fuzzer can put block boundaries inside tokens and between the bytes of a CR LF pair.
// `blockBytes` is taken between 1 and ObjStream::blockBytes.
void loadObjInBlocks(Mesh& mesh, const char* path, ObjTraceFn trace, void* context, std::size_t blockBytes);
