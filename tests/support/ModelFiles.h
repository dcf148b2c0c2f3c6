#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Model files of every format objprep reads, written byte by byte from known geometry,
// so that what a conversion gives can be checked against it.
namespace modelfiles {

using Point = std::array<float, 3>;
using Triangle = std::array<int, 3>;

// A cube from -1 to 1 on each axis: 8 corners, 12 triangles wound counter-clockwise seen
// from outside, two per face.
inline const std::vector<Point>& cubeCorners() {
    static const std::vector<Point> c = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                         {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    return c;
}
inline const std::vector<Triangle>& cubeTriangles() {
    static const std::vector<Triangle> t = {{0, 3, 2}, {0, 2, 1}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                            {3, 7, 6}, {3, 6, 2}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};
    return t;
}

inline Point faceNormal(const Triangle& t) {
    const Point &a = cubeCorners()[t[0]], &b = cubeCorners()[t[1]], &c = cubeCorners()[t[2]];
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const Point n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float l = n[0] != 0 ? n[0] : n[1] != 0 ? n[1] : n[2];
    return {n[0] / (l < 0 ? -l : l), n[1] / (l < 0 ? -l : l), n[2] / (l < 0 ? -l : l)};
}

inline void putBytes(std::string& out, const void* p, std::size_t n, bool bigEndian = false) {
    const char* b = static_cast<const char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        out += b[bigEndian ? n - 1 - i : i];
}
template <typename T>
void put(std::string& out, T value, bool bigEndian = false) {
    putBytes(out, &value, sizeof value, bigEndian);
}

inline std::string stlText() {
    std::string s = "solid cube\n";
    for (const Triangle& t : cubeTriangles()) {
        const Point n = faceNormal(t);
        s += "  facet normal " + std::to_string(n[0]) + " " + std::to_string(n[1]) + " " + std::to_string(n[2]) +
             "\n    outer loop\n";
        for (int k : t) {
            const Point& p = cubeCorners()[k];
            s += "      vertex " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
        }
        s += "    endloop\n  endfacet\n";
    }
    return s + "endsolid cube\n";
}

// `declared` triangles in the header (the true count when negative); `zeroNormals`
// writes the zero normals many exporters leave.
inline std::string stlBinary(long declared = -1, bool zeroNormals = false) {
    std::string s = "solid header text of a binary file";
    s.resize(80, ' ');
    put<std::uint32_t>(s, static_cast<std::uint32_t>(declared < 0 ? cubeTriangles().size() : declared));
    for (const Triangle& t : cubeTriangles()) {
        const Point n = zeroNormals ? Point{0, 0, 0} : faceNormal(t);
        for (float f : n) put(s, f);
        for (int k : t)
            for (float f : cubeCorners()[k]) put(s, f);
        put<std::uint16_t>(s, 0);
    }
    return s;
}

enum class PlyEncoding { Text, Little, Big };

// The cube in quads (6 faces of 4 corners), with an extra "edge" element a reader may
// skip and a face flag property before the index list.
inline std::string ply(PlyEncoding e) {
    static const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {3, 7, 6, 2}, {0, 4, 7, 3}, {1, 2, 6, 5}};
    std::string s = std::string("ply\nformat ") +
                    (e == PlyEncoding::Text ? "ascii" : e == PlyEncoding::Little ? "binary_little_endian" : "binary_big_endian") +
                    " 1.0\ncomment written by a test\nelement vertex 8\nproperty float x\nproperty float y\n"
                    "property double z\nelement face 6\nproperty uchar flag\nproperty list uchar int vertex_indices\n"
                    "element edge 1\nproperty int vertex1\nproperty int vertex2\nend_header\n";
    const bool big = e == PlyEncoding::Big;
    for (const Point& p : cubeCorners()) {
        if (e == PlyEncoding::Text)
            s += std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
        else
            put(s, p[0], big), put(s, p[1], big), put(s, static_cast<double>(p[2]), big);
    }
    for (const auto& q : quads) {
        if (e == PlyEncoding::Text) {
            s += "0 4 " + std::to_string(q[0]) + " " + std::to_string(q[1]) + " " + std::to_string(q[2]) + " " +
                 std::to_string(q[3]) + "\n";
        } else {
            put<std::uint8_t>(s, 0), put<std::uint8_t>(s, 4);
            for (int k : q) put<std::int32_t>(s, k, big);
        }
    }
    if (e == PlyEncoding::Text)
        s += "0 1\n";
    else
        put<std::int32_t>(s, 0, big), put<std::int32_t>(s, 1, big);
    return s;
}

// The cube's buffer: 8 float positions, then 36 16-bit triangle indices, then 2 line
// indices (168 + 4 bytes).
inline std::string cubeBuffer() {
    std::string b;
    for (const Point& p : cubeCorners())
        for (float f : p) put(b, f);
    for (const Triangle& t : cubeTriangles())
        for (int k : t) put<std::uint16_t>(b, static_cast<std::uint16_t>(k));
    put<std::uint16_t>(b, 0), put<std::uint16_t>(b, 6);
    return b;
}

// A scene of two nodes, each drawing the cube mesh: the root moved by (10, 0, 0); its child
// moved by (0, 5, 0), turned 90 degrees about z and scaled by (1, 3, -1) (a mirroring).
// The mesh also has a line primitive. `bufferUri` empty: the buffer is a .glb's own.
inline std::string twoNodeGltfJson(const std::string& bufferUri) {
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
"nodes":[{"mesh":0,"translation":[10,0,0],"children":[1]},
 {"mesh":0,"translation":[0,5,0],"rotation":[0,0,0.70710678,0.70710678],"scale":[1,3,-1]}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1},{"attributes":{"POSITION":0},"indices":2,"mode":1}]}],
"buffers":[{"byteLength":172)" +
           (bufferUri.empty() ? std::string() : ",\"uri\":\"" + bufferUri + "\"") + R"(}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":96},{"buffer":0,"byteOffset":96,"byteLength":76}],
"accessors":[{"bufferView":0,"componentType":5126,"count":8,"type":"VEC3","min":[-1,-1,-1],"max":[1,1,1]},
 {"bufferView":1,"componentType":5123,"count":36,"type":"SCALAR"},
 {"bufferView":1,"byteOffset":72,"componentType":5123,"count":2,"type":"SCALAR"}]})";
}

inline std::string base64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 2]);
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[v & 63] : '=';
    }
    return out;
}

inline std::string glb(std::string json, std::string bin) {
    json.resize((json.size() + 3) / 4 * 4, ' ');
    bin.resize((bin.size() + 3) / 4 * 4, '\0');
    std::string s = "glTF";
    put<std::uint32_t>(s, 2);
    put<std::uint32_t>(s, static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    put<std::uint32_t>(s, static_cast<std::uint32_t>(json.size()));
    s += "JSON" + json;
    put<std::uint32_t>(s, static_cast<std::uint32_t>(bin.size()));
    s += std::string("BIN\0", 4) + bin;
    return s;
}

}  // namespace modelfiles
