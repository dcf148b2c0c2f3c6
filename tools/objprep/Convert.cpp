#include "Convert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "Framing.h"
#include "GltfRead.h"
#include "ModelFormat.h"
#include "Normals.h"
#include "ObjRead.h"
#include "PlatformFiles.h"
#include "PlyRead.h"
#include "SourceModel.h"
#include "StlRead.h"
#include "StrictObj.h"
#include "Triangulate.h"
#include "mesh/Mesh.h"

namespace {

using Corners = std::array<SourceModel::Corner, 3>;

struct Triangles {
    std::vector<Corners> corners;
    std::vector<std::size_t> polygon;  // the source polygon of each triangle, for messages
};

Triangles triangulateAll(const SourceModel& m) {
    Triangles out;
    std::vector<Point3> ring;
    std::vector<std::array<int, 3>> cuts;
    for (std::size_t p = 0; p < m.polygons.size(); ++p) {
        const SourceModel::Polygon& polygon = m.polygons[p];
        const SourceModel::Corner* c = &m.corners[polygon.firstCorner];
        ring.clear();
        cuts.clear();
        for (int k = 0; k < polygon.cornerCount; ++k)
            ring.push_back(m.positions[static_cast<std::size_t>(c[k].vertex)]);
        triangulate(ring, cuts);
        for (const std::array<int, 3>& t : cuts) {
            out.corners.push_back({c[t[0]], c[t[1]], c[t[2]]});
            out.polygon.push_back(p);
        }
    }
    return out;
}

double axis(Point3 p, int i) { return i == 0 ? p.x : i == 1 ? p.y : p.z; }

// A message about a place in the file: by line for text formats, without one otherwise.
void errorAt(const SourceModel& m, Diagnostics& diagnostics, std::size_t offset, const std::string& message) {
    if (m.textLines)
        diagnostics.errorAt(offset, message);
    else
        diagnostics.error(message);
}
void warningAt(const SourceModel& m, Diagnostics& diagnostics, std::size_t offset, const std::string& message) {
    if (m.textLines)
        diagnostics.warningAt(offset, message);
    else
        diagnostics.warning(message);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of(folderSeparators());
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

void readModel(std::string_view bytes, const std::string& path, const ConvertOptions& options, SourceModel& model,
               Diagnostics& diagnostics) {
    ModelFormat format;
    std::string problem;
    if (!detectFormat(bytes, path, format, problem))
        return diagnostics.error(problem);
    switch (format) {
    case ModelFormat::GltfText:
    case ModelFormat::GltfBinary:
        return readGltf(bytes, format == ModelFormat::GltfBinary, folderOf(path), options.readBesideFiles, model,
                        diagnostics);
    case ModelFormat::StlText:
    case ModelFormat::StlBinary: return readStl(bytes, format == ModelFormat::StlBinary, model, diagnostics);
    case ModelFormat::Ply: return readPly(bytes, model, diagnostics);
    case ModelFormat::Obj: return readObj(bytes, model, diagnostics);
    }
}

// Positions used by some triangle, in file order, turned, scaled and moved, then
// narrowed to float. `slot` maps a source vertex to its output index (-1: unused).
bool placePositions(const SourceModel& m, const Triangles& tris, const PlacementOptions& options,
                    Diagnostics& diagnostics, std::vector<int>& slot, std::vector<Point3>& placed,
                    StrictObj& out) {
    slot.assign(m.positions.size(), -1);
    for (const Corners& t : tris.corners)
        for (const SourceModel::Corner& c : t)
            slot[static_cast<std::size_t>(c.vertex)] = 0;
    const Rotation rotation = rotationFor(options);
    std::vector<std::size_t> source;
    for (std::size_t i = 0; i < m.positions.size(); ++i) {
        if (slot[i] < 0)
            continue;
        slot[i] = static_cast<int>(placed.size());
        placed.push_back(rotation.apply(m.positions[i]));
        source.push_back(i);
    }
    double scale = 1;
    Point3 offset = options.offset;
    if (options.frame) {
        Framing framing;
        std::string problem;
        if (!frameModel(placed, options.target, framing, problem)) {
            diagnostics.error(problem);
            return false;
        }
        scale = framing.scale;
        offset = framing.offset;
    } else if (options.fitHeight > 0) {
        const int up = upAxisOf(options.target);
        double low = INFINITY, high = -INFINITY;
        for (const Point3& p : placed) {
            low = std::min(low, axis(p, up));
            high = std::max(high, axis(p, up));
        }
        const double height = high - low;
        if (!(height > 0) || !std::isfinite(height)) {
            diagnostics.error("cannot fit the model to a height: it has no height along its up axis");
            return false;
        }
        scale = options.fitHeight / height;
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const Point3 p = placed[i] * scale + offset;
        const std::array<float, 3> f = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
        if (!std::isfinite(f[0]) || !std::isfinite(f[1]) || !std::isfinite(f[2])) {
            errorAt(m, diagnostics, m.positionOffsets[source[i]],
                    "a vertex coordinate is out of the range of a 32-bit float once placed");
            continue;
        }
        placed[i] = {f[0], f[1], f[2]};  // normals are computed from what the viewer will hold
        out.vertices.push_back(f);
    }
    return !diagnostics.failed();
}

// Normals go out once per distinct float value.
class NormalTable {
public:
    explicit NormalTable(StrictObj& out) : out_(out) {}
    int add(Point3 unit) {
        // + 0.0f makes -0 into 0, so that both are one normal.
        const std::array<float, 3> f = {static_cast<float>(unit.x) + 0.0f, static_cast<float>(unit.y) + 0.0f,
                                        static_cast<float>(unit.z) + 0.0f};
        std::array<std::uint32_t, 3> bits;
        std::memcpy(bits.data(), f.data(), sizeof bits);
        const auto [it, added] = index_.emplace(bits, static_cast<int>(out_.normals.size()));
        if (added)
            out_.normals.push_back(f);
        return it->second;
    }

private:
    StrictObj& out_;
    std::map<std::array<std::uint32_t, 3>, int> index_;
};

void addTriangles(const SourceModel& m, const Triangles& tris, const std::vector<int>& slot,
                  const std::vector<Point3>& placed, const ConvertOptions& options, Diagnostics& diagnostics,
                  StrictObj& out) {
    std::vector<std::array<int, 3>> byVertex;
    byVertex.reserve(tris.corners.size());
    for (const Corners& t : tris.corners)
        byVertex.push_back({slot[static_cast<std::size_t>(t[0].vertex)], slot[static_cast<std::size_t>(t[1].vertex)],
                            slot[static_cast<std::size_t>(t[2].vertex)]});
    const std::vector<Point3> smooth = smoothNormals(placed, byVertex);
    const Rotation rotation = rotationFor(options.placement);
    const int up = upAxisOf(options.placement.target);
    const Point3 upward = {up == 0 ? 1.0 : 0.0, up == 1 ? 1.0 : 0.0, up == 2 ? 1.0 : 0.0};
    NormalTable normals(out);
    for (std::size_t i = 0; i < tris.corners.size(); ++i) {
        const std::array<int, 3>& v = byVertex[i];
        const auto at = [&](int k) { return placed[static_cast<std::size_t>(v[static_cast<std::size_t>(k)])]; };
        const Point3 face = areaNormal(at(0), at(1), at(2));
        StrictObj::Triangle t{};
        for (int k = 0; k < 3; ++k) {
            const Point3 vertexNormal = unitOr(smooth[static_cast<std::size_t>(v[static_cast<std::size_t>(k)])], upward);
            const Point3 computed = options.flatNormals ? unitOr(face, vertexNormal) : vertexNormal;
            Point3 normal = computed;
            const int given = tris.corners[i][static_cast<std::size_t>(k)].normal;
            if (given != SourceModel::noNormal) {
                const Point3 fileNormal = unitOr(rotation.apply(m.normals[static_cast<std::size_t>(given)]), {0, 0, 0});
                if (length(fileNormal) > 0)
                    normal = fileNormal;
                else
                    warningAt(m, diagnostics, m.polygons[tris.polygon[i]].fileOffset,
                              "normal " + std::to_string(given + 1) +
                                  " has no direction; a computed one is written instead");
            }
            t.vertex[k] = v[static_cast<std::size_t>(k)];
            t.normal[k] = normals.add(normal);
        }
        out.triangles.push_back(t);
    }
}

bool withinCapacity(const StrictObj& out, Diagnostics& diagnostics) {
    const std::size_t limit = Mesh::capacity;
    if (out.vertices.size() <= limit && out.normals.size() <= limit && out.triangles.size() <= limit)
        return true;
    diagnostics.error("the converted model needs " + std::to_string(out.vertices.size()) + " vertices, " +
                      std::to_string(out.normals.size()) + " normals and " + std::to_string(out.triangles.size()) +
                      " triangles; the viewer holds at most " + std::to_string(limit) + " of each");
    return false;
}

}  // namespace

bool convertModel(std::string_view bytes, const std::string& path, const ConvertOptions& options,
                  Diagnostics& diagnostics, ConvertResult& result) {
    SourceModel model;
    readModel(bytes, path, options, model, diagnostics);
    if (diagnostics.failed())
        return false;
    const Triangles tris = triangulateAll(model);
    if (tris.corners.empty()) {
        diagnostics.error("no faces to convert (the viewer draws only faces)");
        return false;
    }
    StrictObj out;
    std::vector<int> slot;
    std::vector<Point3> placed;
    if (!placePositions(model, tris, options.placement, diagnostics, slot, placed, out))
        return false;
    addTriangles(model, tris, slot, placed, options, diagnostics, out);
    if (!withinCapacity(out, diagnostics))
        return false;

    result.obj = writeStrictObj(out);
    result.vertexCount = static_cast<int>(out.vertices.size());
    result.normalCount = static_cast<int>(out.normals.size());
    result.triangleCount = static_cast<int>(out.triangles.size());
    result.boundsMin = result.boundsMax = placed.front();
    for (const Point3& p : placed) {
        result.boundsMin = {std::min(result.boundsMin.x, p.x), std::min(result.boundsMin.y, p.y),
                            std::min(result.boundsMin.z, p.z)};
        result.boundsMax = {std::max(result.boundsMax.x, p.x), std::max(result.boundsMax.y, p.y),
                            std::max(result.boundsMax.z, p.z)};
    }
    return true;
}
