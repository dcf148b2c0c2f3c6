#include "ModelFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "ByteOrderMark.h"
#include "ByteReader.h"
#include "StlRead.h"

namespace {

constexpr std::size_t sniffBytes = 512;  // how far a text format is looked for

std::string lowerExtension(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::string_view skipSpace(std::string_view s) {
    s.remove_prefix(byteOrderMarkLength(s));
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    return s;
}

bool startsWithWord(std::string_view s, std::string_view word) {
    return s.substr(0, word.size()) == word &&
           (s.size() == word.size() || std::isspace(static_cast<unsigned char>(s[word.size()])));
}

// A binary STL file whose size is exactly what its triangle count calls for.
bool sizedLikeBinaryStl(std::string_view bytes) {
    ByteReader in(bytes, stlHeaderBytes, false);
    std::uint64_t count = 0;
    return in.unsignedOf(4, count) && in.left() == count * stlTriangleBytes;
}

bool looksBinary(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, sniffBytes);
    return std::any_of(head.begin(), head.end(), [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u == 0 || (u < 0x20 && !std::isspace(u));
    });
}

}  // namespace

bool detectFormat(std::string_view bytes, const std::string& name, ModelFormat& format, std::string& problem) {
    const std::string ext = lowerExtension(name);
    const std::string_view text = skipSpace(bytes);
    if (bytes.substr(0, 4) == "glTF")
        format = ModelFormat::GltfBinary;
    else if (text.substr(0, 1) == "{")
        format = ModelFormat::GltfText;
    else if (bytes.substr(0, 4) == "ply\n" || bytes.substr(0, 5) == "ply\r\n")
        format = ModelFormat::Ply;
    else if (sizedLikeBinaryStl(bytes) || (ext == "stl" && (!startsWithWord(text, "solid") || looksBinary(bytes))))
        format = ModelFormat::StlBinary;  // a binary header may begin with "solid" too
    else if (startsWithWord(text, "solid"))
        format = ModelFormat::StlText;
    else
        format = ModelFormat::Obj;

    const bool claimsGltf = ext == "gltf" || ext == "glb", claimsPly = ext == "ply";
    if ((claimsGltf && format != ModelFormat::GltfText && format != ModelFormat::GltfBinary) ||
        (claimsPly && format != ModelFormat::Ply)) {
        problem = std::string("named like a ") + (claimsGltf ? "glTF" : "PLY") + " file, but its content is not one";
        return false;
    }
    return true;
}
