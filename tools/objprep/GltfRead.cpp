#include "GltfRead.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "ByteOrderMark.h"
#include "ByteReader.h"
#include "TinyGltf.h"
#include "TriangleStrips.h"

namespace {

// Column-major, as glTF writes matrices: element (row r, column c) is m[4c + r].
struct Matrix {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double at(int r, int c) const { return m[static_cast<std::size_t>(4 * c + r)]; }
    Matrix operator*(const Matrix& b) const {
        Matrix out;
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += at(r, k) * b.at(k, c);
                out.m[static_cast<std::size_t>(4 * c + r)] = sum;
            }
        return out;
    }
    Point3 point(Point3 p) const {
        return {at(0, 0) * p.x + at(0, 1) * p.y + at(0, 2) * p.z + at(0, 3),
                at(1, 0) * p.x + at(1, 1) * p.y + at(1, 2) * p.z + at(1, 3),
                at(2, 0) * p.x + at(2, 1) * p.y + at(2, 2) * p.z + at(2, 3)};
    }
    double determinant() const {
        return at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
               at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
               at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
    }
    // The inverse transpose of the linear part, up to a positive factor: it carries normals.
    Point3 normal(Point3 n) const {
        const auto cof = [&](int r, int c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            return at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1);
        };
        const double sign = determinant() < 0 ? -1 : 1;
        return Point3{cof(0, 0) * n.x + cof(0, 1) * n.y + cof(0, 2) * n.z,
                      cof(1, 0) * n.x + cof(1, 1) * n.y + cof(1, 2) * n.z,
                      cof(2, 0) * n.x + cof(2, 1) * n.y + cof(2, 2) * n.z} *
               sign;
    }
};

bool localMatrix(const tinygltf::Node& node, Matrix& out) {
    if (!node.matrix.empty()) {
        if (node.matrix.size() != 16)
            return false;
        std::copy(node.matrix.begin(), node.matrix.end(), out.m.begin());
        return true;
    }
    if ((!node.translation.empty() && node.translation.size() != 3) ||
        (!node.rotation.empty() && node.rotation.size() != 4) || (!node.scale.empty() && node.scale.size() != 3))
        return false;
    Matrix t, r, s;
    if (!node.translation.empty())
        for (int i = 0; i < 3; ++i)
            t.m[static_cast<std::size_t>(12 + i)] = node.translation[static_cast<std::size_t>(i)];
    if (!node.scale.empty())
        for (int i = 0; i < 3; ++i)
            s.m[static_cast<std::size_t>(5 * i)] = node.scale[static_cast<std::size_t>(i)];
    if (!node.rotation.empty()) {
        double x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
        const double len = std::sqrt(x * x + y * y + z * z + w * w);
        if (!(len > 0) || !std::isfinite(len))
            return false;
        x /= len, y /= len, z /= len, w /= len;
        r.m = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
               2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
               2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
               0, 0, 0, 1};
    }
    out = t * r * s;
    return true;
}

// A file a .gltf names, read only from inside its own folder.
struct FileAccess {
    std::string folder;
    bool allowed;
    std::string problem;  // the first file that could not be read
};

// Every file "exists", so that reading it is what fails, with the reason recorded.
bool fileExists(const std::string&, void*) { return true; }

std::string expandPath(const std::string& path, void*) { return path; }

// Only the part the glTF file named is checked: the folder's own name may hold anything.
bool insideFolder(const FileAccess& access, const std::string& path) {
    if (path.compare(0, access.folder.size(), access.folder) != 0)
        return false;
    const std::string named = path.substr(access.folder.size());
    if (named.find('\\') != std::string::npos)
        return false;
    std::stringstream rest(named);
    std::string part;
    while (std::getline(rest, part, '/'))
        if (part == "..")
            return false;
    return true;
}

bool readFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    FileAccess& access = *static_cast<FileAccess*>(user);
    std::string problem;
    if (!access.allowed)
        problem = "files beside the model are not read here";
    else if (!insideFolder(access, path))
        problem = "it lies outside the model's folder";
    else {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (!in.bad())
                return true;
        }
        problem = "it cannot be read";
    }
    if (access.problem.empty())
        access.problem = "the buffer file \"" + path.substr(std::min(path.size(), access.folder.size())) +
                         "\" is needed but " + problem;
    if (err)
        *err += access.problem + "\n";
    return false;
}

bool writeNothing(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
    if (err)
        *err += "objprep writes no glTF files\n";
    return false;
}

// Images are never decoded: the viewer draws no textures.
bool skipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*) {
    return true;
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
        line.pop_back();
    return line.empty() ? "not a glTF file the reader accepts" : line;
}

// Extensions that change only looks, never the shape; any other required one is refused.
bool harmlessExtension(const std::string& name) {
    return name.rfind("KHR_materials_", 0) == 0 || name.rfind("KHR_texture_", 0) == 0 ||
           name == "KHR_lights_punctual";
}

// Nodes may draw one mesh many times over; past this many vertices or corners the scene
// is refused before it can exhaust memory (the viewer holds far fewer anyway).
constexpr std::size_t mostEntries = std::size_t{1} << 24;

bool checkedAdd(std::uint64_t a, std::uint64_t b, std::uint64_t& sum) { return !__builtin_add_overflow(a, b, &sum); }
bool checkedMul(std::uint64_t a, std::uint64_t b, std::uint64_t& product) {
    return !__builtin_mul_overflow(a, b, &product);
}

class Reader {
public:
    Reader(const tinygltf::Model& gltf, SourceModel& model, Diagnostics& diagnostics)
        : gltf_(gltf), model_(model), diagnostics_(diagnostics) {}

    void read() {
        for (const std::string& e : gltf_.extensionsRequired)
            if (!harmlessExtension(e))
                return fail("the file needs extension " + e + ", which objprep does not read");
        std::vector<int> roots;
        if (gltf_.defaultScene >= 0 || !gltf_.scenes.empty()) {
            const std::size_t scene = gltf_.defaultScene >= 0 ? static_cast<std::size_t>(gltf_.defaultScene) : 0;
            if (scene >= gltf_.scenes.size())
                return fail("the default scene " + std::to_string(scene) + " does not exist");
            roots = gltf_.scenes[scene].nodes;
        } else {
            std::vector<bool> child(gltf_.nodes.size());
            for (const tinygltf::Node& n : gltf_.nodes)
                for (int c : n.children)
                    if (c >= 0 && static_cast<std::size_t>(c) < child.size())
                        child[static_cast<std::size_t>(c)] = true;
            for (std::size_t i = 0; i < child.size(); ++i)
                if (!child[i])
                    roots.push_back(static_cast<int>(i));
        }
        std::vector<bool> seen(gltf_.nodes.size());
        std::vector<std::pair<int, Matrix>> stack;
        for (auto it = roots.rbegin(); it != roots.rend(); ++it)
            stack.push_back({*it, Matrix{}});
        while (!stack.empty() && !diagnostics_.failed()) {
            const auto [index, parent] = stack.back();
            stack.pop_back();
            if (index < 0 || static_cast<std::size_t>(index) >= gltf_.nodes.size())
                return fail("a scene names node " + std::to_string(index) + ", which does not exist");
            if (seen[static_cast<std::size_t>(index)])
                return fail("node " + std::to_string(index) + " is reached twice (a node has one parent at most)");
            seen[static_cast<std::size_t>(index)] = true;
            const tinygltf::Node& node = gltf_.nodes[static_cast<std::size_t>(index)];
            Matrix local;
            if (!localMatrix(node, local))
                return fail("node " + std::to_string(index) + " has a malformed transform");
            const Matrix world = parent * local;
            if (node.mesh >= 0)
                addMesh(node.mesh, world);
            for (auto it = node.children.rbegin(); it != node.children.rend(); ++it)
                stack.push_back({*it, world});
        }
        if (diagnostics_.failed())
            return;
        if (meshesPlaced_ == 0)
            return fail("the scene holds no meshes: nothing to draw");
        if (leftOut_ > 0)
            diagnostics_.warning(std::to_string(leftOut_) + " point and line primitives are left out (the viewer " +
                                 "draws only triangles)");
    }

private:
    void fail(const std::string& message) { diagnostics_.error(message); }
    void failTooMany() {
        fail("the scene places more than " + std::to_string(mostEntries) +
             " vertices or corners, far more than the viewer holds");
    }

    // The accessor's values as doubles, `components` per element; false with a message
    // when it does not fit its buffer or is of another kind.
    bool values(int index, int type, bool forIndices, std::vector<double>& out) {
        const std::string name = "accessor " + std::to_string(index);
        if (index < 0 || static_cast<std::size_t>(index) >= gltf_.accessors.size()) {
            fail(name + " does not exist");
            return false;
        }
        const tinygltf::Accessor& a = gltf_.accessors[static_cast<std::size_t>(index)];
        if (a.sparse.isSparse) {
            fail(name + " is sparse, which objprep does not read");
            return false;
        }
        const int c = a.componentType;
        const bool indexType = c == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
                               c == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT || c == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        if (a.type != type || (forIndices ? !indexType : c != TINYGLTF_COMPONENT_TYPE_FLOAT)) {
            fail(name + (forIndices ? " should hold unsigned integer indices" : " should hold 3-component floats"));
            return false;
        }
        const int size = c == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ? 1 : c == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ? 2 : 4;
        const int components = type == TINYGLTF_TYPE_VEC3 ? 3 : 1;
        if (a.bufferView < 0 || static_cast<std::size_t>(a.bufferView) >= gltf_.bufferViews.size()) {
            fail(name + " has no buffer view");
            return false;
        }
        const tinygltf::BufferView& view = gltf_.bufferViews[static_cast<std::size_t>(a.bufferView)];
        if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= gltf_.buffers.size()) {
            fail(name + "'s buffer view names no buffer");
            return false;
        }
        const std::vector<unsigned char>& data = gltf_.buffers[static_cast<std::size_t>(view.buffer)].data;
        const std::uint64_t element = static_cast<std::uint64_t>(size) * components;
        const std::uint64_t stride = view.byteStride ? view.byteStride : element;
        std::uint64_t viewEnd = 0, start = 0, span = 0, end = 0;
        const bool fits = stride >= element && checkedAdd(view.byteOffset, view.byteLength, viewEnd) &&
                          viewEnd <= data.size() && checkedAdd(view.byteOffset, a.byteOffset, start) &&
                          (a.count == 0 || (checkedMul(stride, a.count - 1, span) && checkedAdd(start, span, end) &&
                                            checkedAdd(end, element, end) && end <= viewEnd));
        if (!fits) {
            fail(name + " reaches past the end of its buffer: the file is cut short or damaged");
            return false;
        }
        // The limit on what the scene places, checked before decoding so that one huge
        // accessor cannot exhaust memory first: positions add `count` vertices, indices
        // up to 3 corners each.
        const std::uint64_t placed = forIndices ? model_.corners.size() + 3 * std::uint64_t{a.count}
                                                : model_.positions.size() + std::uint64_t{a.count};
        if (placed > mostEntries) {
            failTooMany();
            return false;
        }
        const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
        out.clear();
        out.reserve(a.count * static_cast<std::size_t>(components));
        for (std::size_t i = 0; i < a.count; ++i) {
            ByteReader in(bytes, static_cast<std::size_t>(start + stride * i), false);
            for (int k = 0; k < components; ++k) {
                double v = 0;
                std::uint64_t raw = 0;
                if (forIndices ? in.unsignedOf(size, raw) : in.float32(v))
                    out.push_back(forIndices ? static_cast<double>(raw) : v);
            }
        }
        return true;
    }

    void addMesh(int index, const Matrix& world) {
        if (static_cast<std::size_t>(index) >= gltf_.meshes.size())
            return fail("a node names mesh " + std::to_string(index) + ", which does not exist");
        ++meshesPlaced_;
        const bool mirrored = world.determinant() < 0;  // turns the winding round
        for (const tinygltf::Primitive& p : gltf_.meshes[static_cast<std::size_t>(index)].primitives) {
            if (p.mode >= TINYGLTF_MODE_POINTS && p.mode <= TINYGLTF_MODE_LINE_STRIP) {
                ++leftOut_;
                continue;
            }
            if (p.mode != TINYGLTF_MODE_TRIANGLES && p.mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
                p.mode != TINYGLTF_MODE_TRIANGLE_FAN)
                return fail("mesh " + std::to_string(index) + " has a primitive of unknown mode " +
                            std::to_string(p.mode));
            const auto position = p.attributes.find("POSITION");
            if (position == p.attributes.end())
                return fail("mesh " + std::to_string(index) + " has a primitive without positions");
            std::vector<double> xyz, normals, indices;
            if (!values(position->second, TINYGLTF_TYPE_VEC3, false, xyz))
                return;
            const std::size_t count = xyz.size() / 3;
            const auto normal = p.attributes.find("NORMAL");
            if (normal != p.attributes.end()) {
                if (!values(normal->second, TINYGLTF_TYPE_VEC3, false, normals))
                    return;
                if (normals.size() != xyz.size())
                    return fail("mesh " + std::to_string(index) + " has a different number of normals and positions");
            }
            if (p.indices >= 0) {
                if (!values(p.indices, TINYGLTF_TYPE_SCALAR, true, indices))
                    return;
            } else {
                for (std::size_t i = 0; i < count; ++i)
                    indices.push_back(static_cast<double>(i));
            }
            if (p.mode == TINYGLTF_MODE_TRIANGLES && indices.size() % 3 != 0)
                return fail("mesh " + std::to_string(index) + " has a triangle list of " +
                            std::to_string(indices.size()) + " corners, not a multiple of 3");
            const std::size_t firstVertex = model_.positions.size(), firstNormal = model_.normals.size();
            if (firstVertex + count > mostEntries || model_.corners.size() + 3 * indices.size() > mostEntries)
                return failTooMany();
            for (std::size_t i = 0; i < count; ++i) {
                model_.positions.push_back(world.point({xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]}));
                model_.positionOffsets.push_back(0);
                if (!normals.empty())
                    model_.normals.push_back(world.normal({normals[3 * i], normals[3 * i + 1], normals[3 * i + 2]}));
            }
            for (double v : indices)
                if (v >= static_cast<double>(count))
                    return fail("mesh " + std::to_string(index) + " names vertex " +
                                std::to_string(static_cast<std::uint64_t>(v)) + " of " + std::to_string(count));
            const auto addTriangle = [&](std::size_t a, std::size_t b, std::size_t c) {
                if (mirrored)
                    std::swap(b, c);
                model_.polygons.push_back({model_.corners.size(), 3, 0});
                for (std::size_t v : {a, b, c})
                    model_.corners.push_back({static_cast<int>(firstVertex + v),
                                              normals.empty() ? SourceModel::noNormal : static_cast<int>(firstNormal + v)});
            };
            const auto at = [&](std::size_t k) { return static_cast<std::size_t>(indices[k]); };
            if (p.mode == TINYGLTF_MODE_TRIANGLES)
                for (std::size_t t = 0; t + 2 < indices.size(); t += 3)
                    addTriangle(at(t), at(t + 1), at(t + 2));
            else if (p.mode == TINYGLTF_MODE_TRIANGLE_FAN)
                for (std::size_t t = 1; t + 1 < indices.size(); ++t)
                    addTriangle(at(0), at(t), at(t + 1));
            else
                stripTriangles(indices, [&](double a, double b, double c) {
                    addTriangle(static_cast<std::size_t>(a), static_cast<std::size_t>(b), static_cast<std::size_t>(c));
                });
        }
    }

    const tinygltf::Model& gltf_;
    SourceModel& model_;
    Diagnostics& diagnostics_;
    int meshesPlaced_ = 0;
    std::size_t leftOut_ = 0;
};

}  // namespace

bool gltfAvailable() { return true; }

void readGltf(std::string_view bytes, bool binary, const std::string& folder, bool readBesideFiles,
              SourceModel& model, Diagnostics& diagnostics) {
    model.textLines = false;
    if (bytes.size() > UINT32_MAX)
        return diagnostics.error("the glTF file is larger than 4 GiB, more than its reader takes");
    if (binary) {
        // The library only calls a short file "invalid"; say what is wrong with it.
        ByteReader header(bytes, 8, false);
        std::uint64_t length = 0;
        if (!header.unsignedOf(4, length) || length > bytes.size())
            return diagnostics.error("the .glb header says " + std::to_string(length) + " bytes but the file holds " +
                                     std::to_string(bytes.size()) + ": it is cut short");
    }
    if (!binary)
        bytes.remove_prefix(byteOrderMarkLength(bytes));  // the JSON parser would stop at it
    tinygltf::TinyGLTF loader;
    // Ends in '/', so the library joins it and a uri without adding one of its own.
    FileAccess access{folder.empty() ? "./" : folder.back() == '/' ? folder : folder + "/", readBesideFiles, ""};
    loader.SetFsCallbacks({fileExists, expandPath, readFile, writeNothing, &access});
    loader.SetImageLoader(skipImage, nullptr);
    tinygltf::Model gltf;
    std::string error, warning;
    bool loaded = false;
    // The library indexes some values it has not checked (a buffer with byteLength 0 for one)
    // with bounds-checked access; such a throw means the file is malformed, not that we are.
    try {
        loaded = binary ? loader.LoadBinaryFromMemory(&gltf, &error, &warning,
                                                      reinterpret_cast<const unsigned char*>(bytes.data()),
                                                      static_cast<unsigned int>(bytes.size()), access.folder)
                        : loader.LoadASCIIFromString(&gltf, &error, &warning, bytes.data(),
                                                     static_cast<unsigned int>(bytes.size()), access.folder);
    } catch (const std::bad_alloc&) {
        return diagnostics.error("not enough memory to read the glTF file");
    } catch (const std::exception&) {
        return diagnostics.error("not a glTF file objprep can read: it holds a value out of the range glTF allows");
    }
    if (!loaded) {
        diagnostics.error(!access.problem.empty() ? access.problem : "not a glTF file objprep can read: " + firstLine(error));
        return;
    }
    Reader(gltf, model, diagnostics).read();
}
