#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "Convert.h"
#include "TempFiles.h"
#include "mesh/Mesh.h"
#include "mesh/ObjTrace.h"

// Files for the objprep tests live in one temp dir per run, never in the source tree.
namespace prep {

using tempfiles::scratch;
using tempfiles::write;

inline std::string readBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool exists(const std::string& path) { return std::ifstream(path).good(); }

// What the viewer's own loader makes of `bytes`, and what it printed.
struct Loaded {
    std::unique_ptr<Mesh> mesh;
    std::string printed;
};

inline Loaded viewerLoad(const std::string& bytes) {
    std::unique_ptr<Mesh> mesh(Mesh::create(write("empty.obj", "").c_str()));
    const std::string path = write("viewer-input.obj", bytes);
    ::testing::internal::CaptureStdout();
    mesh->load(path.c_str());
    return {std::move(mesh), ::testing::internal::GetCapturedStdout()};
}

using Vec = std::array<float, 3>;

// One face as the viewer draws it: positions and normals of its corners.
struct Drawn {
    std::array<Vec, 3> p;
    std::array<Vec, 3> n;
};

// The faces the viewer would draw, in order; a face with an index outside the stored
// entries fails the test.
inline std::vector<Drawn> drawnFaces(const Mesh& m) {
    std::vector<Drawn> out;
    for (int i = 0; i < m.faceCount; ++i) {
        Drawn d{};
        for (int k = 0; k < 3; ++k) {
            const int v = m.faces[i].vertexIndex[k], n = m.faces[i].normalIndex[k];
            if (v < 1 || v > m.vertexCount || n < 1 || n > m.normalCount) {
                ADD_FAILURE() << "face " << i + 1 << " names an entry that is not stored";
                return out;
            }
            const Vec3& p = m.vertices[v - 1];
            const Vec3& q = m.normals[n - 1];
            d.p[static_cast<std::size_t>(k)] = {p.x, p.y, p.z};
            d.n[static_cast<std::size_t>(k)] = {q.x, q.y, q.z};
        }
        out.push_back(d);
    }
    return out;
}

// Converts `text`; the test fails when the conversion does.
inline std::string convert(const std::string& text, const ConvertOptions& options = {}) {
    Diagnostics diagnostics("model.obj", text);
    ConvertResult result;
    EXPECT_TRUE(convertModel(text, "", options, diagnostics, result))
        << (diagnostics.errors.empty() ? "" : diagnostics.errors.front());
    return result.obj;
}

// Converts `text` and loads the result with the viewer, which must print nothing.
inline std::vector<Drawn> convertAndLoad(const std::string& text, const ConvertOptions& options = {}) {
    Loaded loaded = viewerLoad(convert(text, options));
    EXPECT_EQ(loaded.printed, "");
    return drawnFaces(*loaded.mesh);
}

// Runs the objprep command line in-process.
struct Run {
    int status;
    std::string out;
    std::string err;
};

inline Run run(std::vector<std::string> args) {
    args.insert(args.begin(), "objprep");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = runObjprep(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

inline double lengthOf(const Vec& v) {
    return std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
}

// Twice the area vector of a triangle, by its winding.
inline std::array<double, 3> areaVector(const std::array<Vec, 3>& p) {
    const double ax = p[1][0] - p[0][0], ay = p[1][1] - p[0][1], az = p[1][2] - p[0][2];
    const double bx = p[2][0] - p[0][0], by = p[2][1] - p[0][1], bz = p[2][2] - p[0][2];
    return {ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
}

}  // namespace prep
