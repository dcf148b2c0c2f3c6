// glTF, STL and PLY files written here from known geometry, converted and loaded by the
// viewer's own loader; and the damaged files that must be refused rather than half read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "GltfRead.h"
#include "ModelFiles.h"
#include "PlatformFiles.h"
#include "objprep_support.h"

namespace {

using namespace modelfiles;

struct Converted {
    std::vector<prep::Drawn> faces;
    std::string err;
};

// Runs objprep on the file, as a user would, and loads what it wrote.
Converted convertFile(const std::string& path, std::vector<std::string> options = {}) {
    const std::string out = path + ".out.obj";
    options.insert(options.begin(), {path, "-o", out});
    const prep::Run r = prep::run(options);
    EXPECT_EQ(r.status, exitDone) << path << ": " << r.err;
    prep::Loaded loaded = prep::viewerLoad(prep::readBack(out));
    EXPECT_EQ(loaded.printed, "");
    return {prep::drawnFaces(*loaded.mesh), r.err};
}

double dot3(const std::array<double, 3>& a, const prep::Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Every triangle winds outward from `centre`, and every normal points out of its face.
void expectOutward(const std::vector<prep::Drawn>& faces, prep::Vec centre, const std::string& what) {
    for (const prep::Drawn& d : faces) {
        const std::array<double, 3> area = prep::areaVector(d.p);
        prep::Vec out{};
        for (int i = 0; i < 3; ++i)
            out[i] = (d.p[0][i] + d.p[1][i] + d.p[2][i]) / 3 - centre[i];
        EXPECT_GT(dot3(area, out), 0) << what << ": a triangle winds inward";
        for (const prep::Vec& n : d.n)
            EXPECT_GT(dot3(area, n), 0) << what << ": a normal points into its face";
    }
}

std::set<prep::Vec> cornersOf(const std::vector<prep::Drawn>& faces) {
    std::set<prep::Vec> s;
    for (const prep::Drawn& d : faces)
        s.insert(d.p.begin(), d.p.end());
    return s;
}

}  // namespace

TEST(Formats, EveryFormatGivesTheCubeWithTheSourceCounts) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"cube-text.stl", stlText()},
        {"cube-binary.stl", stlBinary()},
        {"cube-zero-normals.stl", stlBinary(-1, true)},
        {"cube-text.ply", ply(PlyEncoding::Text)},
        {"cube-little.ply", ply(PlyEncoding::Little)},
        {"cube-big.ply", ply(PlyEncoding::Big)},
        {"cube-binary-named-obj.obj", stlBinary()},  // told from its size, not its name
    };
    const std::set<prep::Vec> cube(cubeCorners().begin(), cubeCorners().end());
    for (const auto& [name, bytes] : files) {
        const Converted c = convertFile(prep::write(name, bytes));
        EXPECT_NE(c.err.find(": 8 vertices, "), std::string::npos) << name << ": " << c.err;
        EXPECT_NE(c.err.find(", 12 triangles;"), std::string::npos) << name << ": " << c.err;
        EXPECT_EQ(c.faces.size(), 12u) << name;
        EXPECT_EQ(cornersOf(c.faces), cube) << name;
        expectOutward(c.faces, {0, 0, 0}, name);
    }
    // The file's flat facet normals are kept: every corner of a face has the face's normal.
    for (const prep::Drawn& d : convertFile(prep::write("cube-normals.stl", stlText())).faces)
        for (const prep::Vec& n : d.n)
            EXPECT_NEAR(prep::lengthOf({n[0] - d.n[0][0], n[1] - d.n[0][1], n[2] - d.n[0][2]}), 0, 1e-6);
}

TEST(Formats, GltfPlacesEveryNodeWithItsTransformAndLeavesOutLines) {
    if (!gltfAvailable())
        GTEST_SKIP() << "this objprep is built without glTF";
    const std::string bin = cubeBuffer();
    const std::string folder = prep::scratch();
    prep::write("cube.bin", bin);
    std::vector<std::pair<std::string, std::string>> files = {
        {"two-nodes.glb", glb(twoNodeGltfJson(""), bin)},
        {"two-nodes-beside.gltf", twoNodeGltfJson("cube.bin")},
        {"two-nodes-inline.gltf", twoNodeGltfJson("data:application/octet-stream;base64," + base64(bin))},
    };
    if (std::string(folderSeparators()).find('\\') == std::string::npos) {
        // A backslash is an ordinary character in a POSIX file name, folder or not.
        std::filesystem::create_directory(folder + "odd\\folder");
        prep::write("odd\\folder/cube.bin", bin);
        files.push_back({"odd\\folder/two\\nodes.gltf", twoNodeGltfJson("cube.bin")});
    }
    for (const auto& [name, bytes] : files) {
        const Converted c = convertFile(prep::write(name, bytes));
        EXPECT_NE(c.err.find(": 16 vertices, "), std::string::npos) << name << ": " << c.err;
        EXPECT_NE(c.err.find(", 24 triangles;"), std::string::npos) << name << ": " << c.err;
        EXPECT_NE(c.err.find("2 point and line primitives are left out"), std::string::npos) << name << ": " << c.err;
        ASSERT_EQ(c.faces.size(), 24u) << name;
        // The root's cube moved by (10, 0, 0); the child's: (x, y, z) -> (10 - 3y, 5 + x, -z).
        std::set<prep::Vec> expected;
        for (const Point& p : cubeCorners()) {
            expected.insert({p[0] + 10, p[1], p[2]});
            expected.insert({10 - 3 * p[1], 5 + p[0], -p[2]});
        }
        EXPECT_EQ(cornersOf(c.faces), expected) << name;
        const std::vector<prep::Drawn> root(c.faces.begin(), c.faces.begin() + 12);
        const std::vector<prep::Drawn> child(c.faces.begin() + 12, c.faces.end());
        expectOutward(root, {10, 0, 0}, name + " root");
        expectOutward(child, {10, 5, 0}, name + " mirrored child");
    }
}

TEST(Formats, TriangleStripsRestartTurnEveryOtherTriangleAndDropJoins) {
    // Two rows of four points in the plane z = 0, numbered 0-3 below and 4-7 above. A
    // strip of one triangle, a restart, then a strip whose joining triangles (repeated
    // corners) are left out but still count for the turning of the ones after them.
    const std::vector<int> strips = {4, 0, 5, -1, 5, 1, 6, 2, 6, 6, 7, 3};
    const auto pointOf = [](int v) { return prep::Vec{float(v % 4), float(v / 4), 0}; };
    const std::vector<std::array<int, 3>> expected = {{4, 0, 5}, {5, 1, 6}, {6, 1, 2}, {7, 6, 3}};
    const auto plyHeader = [](const char* format, const char* element) {
        return std::string("ply\nformat ") + format + " 1.0\nelement vertex 8\nproperty float x\nproperty float y\n"
               "property float z\nelement " + element + " 1\nproperty list uchar int vertex_indices\nend_header\n";
    };
    std::string text = plyHeader("ascii", "tristrips"), binary = plyHeader("binary_little_endian", "tristrips");
    for (int v = 0; v < 8; ++v) {
        text += std::to_string(v % 4) + " " + std::to_string(v / 4) + " 0\n";
        for (float x : pointOf(v)) put(binary, x);
    }
    text += std::to_string(strips.size());
    put<std::uint8_t>(binary, static_cast<std::uint8_t>(strips.size()));
    for (int v : strips) {
        text += " " + std::to_string(v);
        put<std::int32_t>(binary, v);
    }
    text += "\n";
    std::string faceList = text;
    faceList.replace(faceList.find("element tristrips"), 17, "element face");
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"strips-text.ply", text}, {"strips-binary.ply", binary}, {"strips-as-faces.ply", faceList}}) {
        const Converted c = convertFile(prep::write(name, bytes));
        ASSERT_EQ(c.faces.size(), expected.size()) << name;
        for (std::size_t i = 0; i < expected.size(); ++i)
            for (std::size_t k = 0; k < 3; ++k)
                EXPECT_EQ(c.faces[i].p[k], pointOf(expected[i][k])) << name << ": triangle " << i << " corner " << k;
    }
    EXPECT_NE(convertFile(prep::write("strips-named.ply", faceList)).err.find("read as triangle strips"),
              std::string::npos);
}

TEST(Formats, DamagedOrUnreadableFilesAreRefusedWithOneLineAndNoOutput) {
    const std::string ply = modelfiles::ply(PlyEncoding::Little);
    const std::string glbFile = glb(twoNodeGltfJson(""), cubeBuffer());
    std::string emptyBuffer = twoNodeGltfJson("");
    emptyBuffer.replace(emptyBuffer.find("\"byteLength\":172"), 16, "\"byteLength\":0");
    std::string ownElement = ply;
    ownElement.replace(ownElement.find("element face 6"), 14, "element polygon 6");
    // Face indices in a float list: a huge one and a NaN (only a binary file can hold one).
    const std::string floatFaces = "element vertex 0\nproperty float x\nproperty float y\nproperty float z\n"
                                   "element face 1\nproperty list uchar float vertex_indices\nend_header\n";
    std::string nanIndex = "ply\nformat binary_little_endian 1.0\n" + floatFaces + '\x03';
    for (int k = 0; k < 3; ++k)
        nanIndex += std::string("\x00\x00\xC0\x7F", 4);
    const std::vector<std::array<std::string, 3>> cases = {
        {"cut.glb", glbFile.substr(0, glbFile.size() - 40), "it is cut short"},
        {"empty-buffer.glb", glb(emptyBuffer, cubeBuffer()), "out of the range glTF allows"},
        {"own-element.ply", ownElement, "element \"polygon\""},
        {"cut.ply", ply.substr(0, ply.size() - 30), "cut short"},
        {"huge-index.ply", "ply\nformat ascii 1.0\n" + floatFaces + "3 0 1e300 1\n", "vertex 1e+300, which no"},
        {"nan-index.ply", nanIndex, "vertex nan, which no"},
        {"overcounted.stl", stlBinary(13), "the STL header says 13 triangles but the file holds only 12"},
        {"cut-text.stl", stlText().substr(0, 400), "cut short"},
        {"missing-bin.gltf", twoNodeGltfJson("missing.bin"), "\"missing.bin\" is needed but it cannot be read"},
        {"climbing.gltf", twoNodeGltfJson("../cube.bin"), "lies outside the model's folder"},
        {"backslash-uri.gltf", twoNodeGltfJson("odd\\\\folder\\\\cube.bin"), "lies outside the model's folder"},
        {"empty-scene.gltf", R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[]}]})", "no meshes"},
        {"not-gltf.glb", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "named like a glTF file"},
    };
    for (const auto& [name, bytes, message] : cases) {
        if (!gltfAvailable() && name.find(".gl") != std::string::npos)
            continue;
        const std::string in = prep::write(name, bytes);
        const std::string out = in + ".out.obj";
        const prep::Run r = prep::run({in, "-o", out, "--frame"});
        EXPECT_TRUE(r.status == exitNotViewable || r.status == exitCannotRun) << name << ": " << r.status;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << name << ": " << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << name << ": " << r.err;
        EXPECT_EQ(r.err.find("wrote"), std::string::npos) << name << ": " << r.err;
        EXPECT_FALSE(prep::exists(out)) << name;
    }
}
