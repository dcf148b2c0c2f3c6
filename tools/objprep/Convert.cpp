#include "Convert.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "Framing.h"
#include "GltfRead.h"
#include "ModelFormat.h"
#include "Normals.h"
#include "ObjRead.h"
#include "PlatformFiles.h"
#include "PlyRead.h"
#include "Simplify.h"
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
    out.corners.reserve(m.polygons.size());
    out.polygon.reserve(m.polygons.size());
    std::vector<Point3> ring;
    std::vector<std::array<int, 3>> cuts;
    for (std::size_t p = 0; p < m.polygons.size(); ++p) {
        const SourceModel::Polygon& polygon = m.polygons[p];
        const SourceModel::Corner* c = &m.corners[polygon.firstCorner];
        if (polygon.cornerCount == 3) {  // most models: nothing to cut
            out.corners.push_back({c[0], c[1], c[2]});
            out.polygon.push_back(p);
            continue;
        }
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
                    std::vector<std::array<float, 3>>& vertices) {
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
        vertices.push_back(f);
    }
    return !diagnostics.failed();
}

// The unit normal of every corner, three per triangle: the file's where it gives one
// with a direction, computed otherwise (smooth, or flat on request).
std::vector<Point3> cornerNormals(const SourceModel& m, const Triangles& tris,
                                  const std::vector<std::array<int, 3>>& byVertex, const std::vector<Point3>& placed,
                                  const ConvertOptions& options, Diagnostics& diagnostics) {
    std::vector<Point3> smooth;  // computed once a corner needs it: files with normals never do
    const auto smoothAt = [&](int v) {
        if (smooth.empty())
            smooth = smoothNormals(placed, byVertex);
        return smooth[static_cast<std::size_t>(v)];
    };
    const Rotation rotation = rotationFor(options.placement);
    const int up = upAxisOf(options.placement.target);
    const Point3 upward = {up == 0 ? 1.0 : 0.0, up == 1 ? 1.0 : 0.0, up == 2 ? 1.0 : 0.0};
    std::vector<Point3> normals;
    normals.reserve(3 * byVertex.size());
    for (std::size_t i = 0; i < byVertex.size(); ++i) {
        const std::array<int, 3>& v = byVertex[i];
        for (std::size_t k = 0; k < 3; ++k) {
            const int given = tris.corners[i][k].normal;
            if (given != SourceModel::noNormal) {
                const Point3 fileNormal = unitOr(rotation.apply(m.normals[static_cast<std::size_t>(given)]), {0, 0, 0});
                if (length(fileNormal) > 0) {
                    normals.push_back(fileNormal);
                    continue;
                }
                warningAt(m, diagnostics, m.polygons[tris.polygon[i]].fileOffset,
                          "normal " + std::to_string(given + 1) + " has no direction; a computed one is written instead");
            }
            const Point3 vertexNormal = unitOr(smoothAt(v[k]), upward);
            const auto at = [&](std::size_t c) { return placed[static_cast<std::size_t>(v[c])]; };
            normals.push_back(options.flatNormals ? unitOr(areaNormal(at(0), at(1), at(2)), vertexNormal) : vertexNormal);
        }
    }
    return normals;
}

// The model as written: the positions its triangles use, in their order, and each
// distinct normal once, in the order of first use.
StrictObj strictModel(const std::vector<std::array<float, 3>>& positions,
                      const std::vector<std::array<int, 3>>& triangles, const std::vector<Point3>& normals) {
    StrictObj out;
    std::vector<int> slot(positions.size(), -1);
    for (const std::array<int, 3>& t : triangles)
        for (int v : t)
            slot[static_cast<std::size_t>(v)] = 0;
    for (std::size_t i = 0; i < positions.size(); ++i)
        if (slot[i] == 0) {
            slot[i] = static_cast<int>(out.vertices.size());
            out.vertices.push_back(positions[i]);
        }
    std::vector<std::array<float, 3>> narrowed;
    narrowed.reserve(normals.size());
    for (const Point3& n : normals)
        narrowed.push_back(asWritten(n));
    std::vector<unsigned> normalSlot(narrowed.size());
    out.normals.resize(meshopt_generateVertexRemap(normalSlot.data(), nullptr, narrowed.size(), narrowed.data(),
                                                   narrowed.size(), sizeof narrowed[0]));
    meshopt_remapVertexBuffer(out.normals.data(), narrowed.data(), narrowed.size(), sizeof narrowed[0],
                              normalSlot.data());
    out.triangles.reserve(triangles.size());
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        StrictObj::Triangle t{};
        for (std::size_t k = 0; k < 3; ++k) {
            t.vertex[k] = slot[static_cast<std::size_t>(triangles[i][k])];
            t.normal[k] = static_cast<int>(normalSlot[3 * i + k]);
        }
        out.triangles.push_back(t);
    }
    return out;
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

// The most triangles the result may have.
std::size_t triangleBudget(const ConvertOptions& options) {
    const std::size_t capacity = Mesh::capacity;
    if (!options.simplify)
        return capacity;
    if (options.triangleBudget > 0)
        return std::min(capacity, static_cast<std::size_t>(options.triangleBudget));
    return options.placement.target == Target::Grid ? gridTriangleBudget : capacity;
}

// Simplifies the model to at most `budget` triangles and, where the triangles kept still
// need more vertices or normals than the viewer holds, to fewer in proportion.
bool simplifyToFit(const std::vector<std::array<float, 3>>& vertices, const std::vector<std::array<int, 3>>& triangles,
                   const std::vector<Point3>& normals, std::size_t budget, Diagnostics& diagnostics, StrictObj& out,
                   ConvertResult& result) {
    constexpr int mostAttempts = 8;
    constexpr double margin = 0.98;  // below the proportion, so that the next attempt fits
    const std::size_t capacity = Mesh::capacity;
    const Simplifier simplifier(vertices, triangles, normals);
    Simplifier::Result kept;
    std::size_t target = budget;
    for (int attempt = 0; attempt < mostAttempts && target > 0; ++attempt) {
        if (!simplifier.reduce(target, kept))
            break;
        out = strictModel(vertices, kept.triangles, kept.cornerNormals);
        const std::size_t most = std::max(out.vertices.size(), out.normals.size());
        if (most <= capacity) {
            result.simplified = true;
            result.triangleBudget = static_cast<int>(budget);
            result.errorShare = simplifier.errorShare(kept);
            return true;
        }
        const double share = static_cast<double>(capacity) / static_cast<double>(most) * margin;
        target = std::min(target - 1, static_cast<std::size_t>(static_cast<double>(kept.triangles.size()) * share));
    }
    diagnostics.error("the model's " + std::to_string(triangles.size()) +
                      " triangles cannot be simplified to at most " + std::to_string(budget) +
                      " that the viewer holds without leaving nothing of it");
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
    std::vector<int> slot;
    std::vector<Point3> placed;
    std::vector<std::array<float, 3>> vertices;
    if (!placePositions(model, tris, options.placement, diagnostics, slot, placed, vertices))
        return false;
    std::vector<std::array<int, 3>> byVertex;
    byVertex.reserve(tris.corners.size());
    for (const Corners& t : tris.corners)
        byVertex.push_back({slot[static_cast<std::size_t>(t[0].vertex)], slot[static_cast<std::size_t>(t[1].vertex)],
                            slot[static_cast<std::size_t>(t[2].vertex)]});
    const std::vector<Point3> normals = cornerNormals(model, tris, byVertex, placed, options, diagnostics);

    const std::size_t capacity = Mesh::capacity, budget = triangleBudget(options);
    StrictObj out;
    bool fits = byVertex.size() <= budget && vertices.size() <= capacity;
    if (fits || !options.simplify) {
        out = strictModel(vertices, byVertex, normals);
        fits = fits && out.normals.size() <= capacity;
    }
    if (!fits && !options.simplify) {
        withinCapacity(out, diagnostics);
        return false;
    }
    if (!fits && !simplifyToFit(vertices, byVertex, normals, budget, diagnostics, out, result))
        return false;

    result.obj = writeStrictObj(out);
    result.vertexCount = static_cast<int>(out.vertices.size());
    result.normalCount = static_cast<int>(out.normals.size());
    result.triangleCount = static_cast<int>(out.triangles.size());
    result.sourceTriangleCount = static_cast<int>(byVertex.size());
    const auto point = [](const std::array<float, 3>& v) { return Point3{v[0], v[1], v[2]}; };
    result.boundsMin = result.boundsMax = point(out.vertices.front());
    for (const std::array<float, 3>& v : out.vertices) {
        const Point3 p = point(v);
        result.boundsMin = {std::min(result.boundsMin.x, p.x), std::min(result.boundsMin.y, p.y),
                            std::min(result.boundsMin.z, p.z)};
        result.boundsMax = {std::max(result.boundsMax.x, p.x), std::max(result.boundsMax.y, p.y),
                            std::max(result.boundsMax.z, p.z)};
    }
    return true;
}
