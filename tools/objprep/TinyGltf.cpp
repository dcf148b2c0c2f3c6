// tinygltf's implementation, compiled here so that the fuzzer checks the same code the
// tool runs.
#include <fstream>  // the library writes files with it but includes it only with its own file access

#define TINYGLTF_IMPLEMENTATION
#include "TinyGltf.h"
