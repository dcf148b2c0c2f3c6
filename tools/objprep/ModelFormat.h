#pragma once

#include <string>
#include <string_view>

enum class ModelFormat { Obj, GltfText, GltfBinary, StlText, StlBinary, Ply };

// The format of a model file, found from its content; the name only settles a binary
// STL file, which carries no mark of its own, and a named format the content does not
// bear out. Returns false with `problem` set when the name claims a format the content is
// not in.
bool detectFormat(std::string_view bytes, const std::string& name, ModelFormat& format, std::string& problem);
