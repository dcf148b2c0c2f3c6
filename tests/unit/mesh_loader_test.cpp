#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "GlRecorder.h"
#include "app/Viewer.h"
#include "mesh_files.h"

namespace {
using Face6 = std::array<int, 6>;  // vertex indices 1..3, then normal indices 1..3

// What a file is expected to load as.
struct Case {
    const char* what;
    std::string text;
    std::string out;  // standard output, exactly
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<float, 3>> normals;
    std::vector<Face6> faces;
};

void expectLoads(const Case& c) {
    SCOPED_TRACE(c.what);
    meshfiles::Loaded m = meshfiles::load(c.text);
    EXPECT_EQ(m.out, c.out);
    EXPECT_EQ(m.err, "");
    std::vector<std::array<float, 3>> v, n;
    for (int i = 0; i < m.mesh->vertexCount; ++i) v.push_back({m.mesh->vertices[i].x, m.mesh->vertices[i].y, m.mesh->vertices[i].z});
    for (int i = 0; i < m.mesh->normalCount; ++i) n.push_back({m.mesh->normals[i].x, m.mesh->normals[i].y, m.mesh->normals[i].z});
    std::vector<Face6> f;
    for (int i = 0; i < m.mesh->faceCount; ++i) {
        const Face& x = m.mesh->faces[i];
        f.push_back({x.vertexIndex[0], x.vertexIndex[1], x.vertexIndex[2], x.normalIndex[0], x.normalIndex[1], x.normalIndex[2]});
    }
    EXPECT_EQ(v, c.vertices);
    EXPECT_EQ(n, c.normals);
    EXPECT_EQ(f, c.faces);
}

std::string msg(const std::string& token) { return "OBJ Unrecognized Command: \"" + token + "\"\n"; }
}  // namespace

TEST(ObjLoader, ValidFilesLoadCompletely) {
    const Case cases[] = {
        {"empty file", "", "", {}, {}, {}},
        {"every kind of record, LF",
         "g body\nusemtl skin 2\nv 1 2 3\nvt 0.5 0.25 0\nvt 0.5 0.25\nvn 0 0 -1\ns off\nf 1/1/1 1//1 1/7/1\n",
         "", {{1, 2, 3}}, {{0, 0, -1}}, {{1, 1, 1, 1, 1, 1}}},
        {"CR LF line ends", "v 1 2 3\r\nvn 4 5 6\r\nf 1//1 1//1 1//1\r\n", "", {{1, 2, 3}}, {{4, 5, 6}}, {{1, 1, 1, 1, 1, 1}}},
        {"fourth coordinate and fourth corner ignored", "v 1 2 3 1\nf 1//1 2//2 3//3 4//4\n", "", {{1, 2, 3}}, {},
         {{1, 2, 3, 1, 2, 3}}},
        {"last record without line feed", "f 1//1 2//2 3//3", "", {}, {}, {{1, 2, 3, 1, 2, 3}}},
        {"spaces before a keyword", "  v 1 2 3\n", "", {{1, 2, 3}}, {}, {}},
    };
    for (const Case& c : cases) expectLoads(c);
}

TEST(ObjLoader, MalformedTextIsReadByTheSameRules) {
    const std::string n31 = "1.000000000000000000000000000000";  // 32 characters: cut to 31
    const Case cases[] = {
        {"comment puts reading out of step", "# hello world\nv 1 2 3\nv 4 5 6\n",
         msg("#") + msg("hello") + msg("world\nv") + msg("1") + msg("2") + msg("3\nv") + msg("4") + msg("5") + msg("6\n"),
         {}, {}, {}},
        {"blank line", "v 1 2 3\n\nv 4 5 6\n\n", msg("\nv") + msg("4") + msg("5") + msg("6\n\n"), {{1, 2, 3}}, {}, {}},
        {"one blank line at the end", "v 1 2 3\n\n", msg("\n"), {{1, 2, 3}}, {}, {}},
        {"two spaces shift the fields", "v  1 2 3\n", "", {{0, 1, 2}}, {}, {}},
        {"tab is an ordinary character", "v\t1\t2\t3\n", msg("v\t1\t2\t3\n"), {}, {}, {}},
        {"lone CR is an ordinary character", "v 1 2 3\rv 4 5 6\n", "", {{1, 2, 3}}, {}, {}},
        {"0x1A ends the file", "v 1 2 3\nv 4 5\x1A 6\nv 7 8 9\n", "", {{1, 2, 3}, {4, 5, 0}}, {}, {}},
        {"NUL ends a token for comparison and message", std::string("v\0x 1 2 3\nzz\0yy 5\n", 18), msg("zz") + msg("5\n"),
         {{1, 2, 3}}, {}, {}},
        {"record cut short by the end", "v 1 2", "", {{1, 2, 0}}, {}, {}},
        {"missing field taken from the next line", "v 1 2\nv 4 5 6\n", "", {{1, 2, 4}}, {}, {}},
        {"faces without slashes run into the file", "f 1 2 3", "", {}, {}, {{1, 0, 0, 0, 0, 0}}},
        {"31-character field leaves its delimiter", "v " + n31.substr(0, 31) + " 2 3\n", "", {{1, 0, 2}}, {}, {}},
        {"40-character field continues inside the word", "vn 2" + std::string(39, '0') + " 7\n", "",
         {}, {{2e30f, 0, 7}}, {}},
        {"relative indices stored unchanged", "f -1//-1 -2//-2 -3//-3\n", "", {}, {}, {{-1, -2, -3, -1, -2, -3}}},
    };
    for (const Case& c : cases) expectLoads(c);
}

TEST(ObjLoader, LongCommandTokenIsReportedIn255CharacterPieces) {
    const std::string word(600, 'q');
    meshfiles::Loaded m = meshfiles::load(word + "\n");
    EXPECT_EQ(m.out, msg(word.substr(0, 255)) + msg(word.substr(0, 255)) + msg(word.substr(0, 90) + "\n"));
}

TEST(ObjLoader, SurplusRecordsAreDroppedAndCountedNeverStoredPastCapacity) {
    std::string text;
    const int cap = Mesh::capacity;
    for (int i = 0; i < cap + 1; ++i) text += "v 1 2 3\n";
    for (int i = 0; i < cap + 2; ++i) text += "vn 0 0 1\n";
    for (int i = 0; i < cap + 3; ++i) text += "f 1//1 1//1 1//1\n";
    text += "v 9 9 9\n";
    meshfiles::Loaded m = meshfiles::load(text);
    EXPECT_EQ(m.mesh->vertexCount, cap);
    EXPECT_EQ(m.mesh->normalCount, cap);
    EXPECT_EQ(m.mesh->faceCount, cap);
    EXPECT_EQ(m.mesh->vertices[cap - 1].x, 1.0f);
    EXPECT_EQ(m.out, "");
    EXPECT_NE(m.err.find("dropped 2 \"v\", 2 \"vn\", 3 \"f\""), std::string::npos) << m.err;
    EXPECT_EQ(std::count(m.err.begin(), m.err.end(), '\n'), 1);
}

TEST(ObjLoader, MissingFileIsCreatedEmptyAndExistingFileIsNeverTruncated) {
    const std::string path = meshfiles::scratch() + "absent.obj";
    ::unlink(path.c_str());
    meshfiles::Loaded m = meshfiles::loadPath(path);
    EXPECT_EQ(m.out + m.err, "");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(m.mesh->vertexCount + m.mesh->normalCount + m.mesh->faceCount, 0);
    const std::string kept = meshfiles::write("kept.obj", "v 1 2 3\n");
    namespace fs = std::filesystem;  // read-only files still load
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(meshfiles::loadPath(kept).mesh->vertexCount, 1);
    ASSERT_EQ(::stat(kept.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 8);
}

TEST(ObjLoader, UnopenableFileEndsTheLoadEmptyWithOneLineNamingIt) {
    const std::string dir = meshfiles::scratch() + "dir.obj";
    std::filesystem::create_directory(dir);
    meshfiles::Loaded m = meshfiles::loadPath(dir);
    EXPECT_EQ(m.out, "");
    EXPECT_NE(m.err.find(dir), std::string::npos);
    EXPECT_NE(m.err.find(std::strerror(EISDIR)), std::string::npos) << m.err;
    EXPECT_EQ(std::count(m.err.begin(), m.err.end(), '\n'), 1);
    EXPECT_EQ(m.mesh->vertexCount + m.mesh->normalCount + m.mesh->faceCount, 0);
}

TEST(ObjLoader, StartUpReadsFirstFileToItsEndBeforeTheSecond) {
    const std::string dir = meshfiles::scratch() + "startup";
    std::filesystem::create_directory(dir);
    meshfiles::write("startup/1.obj", "a b\nc\n");
    meshfiles::write("startup/2.obj", "d\n");
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(dir.c_str()), 0);
    glrec::reset();
    Viewer viewer;
    ::testing::internal::CaptureStdout();
    viewer.init();
    const std::string out = ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(out, msg("a") + msg("b\nc\n") + msg("d\n"));
    ASSERT_NE(viewer.mainModel, nullptr);
    ASSERT_NE(viewer.gridModel, nullptr);
    delete viewer.mainModel;
    delete viewer.gridModel;
}

TEST(ObjLoader, ValuesDoNotDependOnWhereTheFileReadsFall) {
    // Fields converted in place and fields read through the token buffer must agree:
    // white space before a number, NUL, empty and full fields, CR inside or ending a field.
    std::string text = std::string("v \t5 -0.5\0x 1e3\nv  7 8\nv 1\r2 3 4\r\nv \t 2 3\n", 42) +
                       "vn 1234567.8901234567890123456789 .5d1 -.25\nf 4/5/6 -7//2147483648 \v9/0/1 junk\n";
    text += text;
    text += std::string(64, ' ');  // so that the fields above lie well inside the block
    const meshfiles::Loaded whole = meshfiles::load(text);
    ASSERT_EQ(whole.mesh->vertexCount, 8);
    EXPECT_EQ(whole.mesh->vertices[0].y, -0.5f);
    EXPECT_EQ(whole.mesh->vertices[0].z, 1000.0f);
    EXPECT_EQ(whole.mesh->vertices[3].x, 0.0f);  // a field of white space only holds no number
    for (std::size_t block : {1, 3, 13}) {
        const meshfiles::Loaded part = meshfiles::load(text, block);
        SCOPED_TRACE(block);
        EXPECT_EQ(part.out, whole.out);
        ASSERT_EQ(part.mesh->vertexCount, whole.mesh->vertexCount);
        ASSERT_EQ(part.mesh->normalCount, whole.mesh->normalCount);
        ASSERT_EQ(part.mesh->faceCount, whole.mesh->faceCount);
        EXPECT_EQ(std::memcmp(part.mesh->vertices, whole.mesh->vertices, sizeof(Vec3) * 8), 0);
        EXPECT_EQ(std::memcmp(part.mesh->normals, whole.mesh->normals, sizeof(Vec3) * whole.mesh->normalCount), 0);
        EXPECT_EQ(std::memcmp(part.mesh->faces, whole.mesh->faces, sizeof(Face) * whole.mesh->faceCount), 0);
    }
}
