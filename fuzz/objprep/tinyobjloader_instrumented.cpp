// tinyobjloader's implementation, built with the fuzzer's instrumentation in place of
// the packaged shared library (same header, same code).
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
