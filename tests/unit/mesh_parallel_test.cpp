#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mesh/ObjLoad.h"
#include "mesh_files.h"

// The viewer reads plain lines in one pass and long files in two threads; the plain
// sequential reader is the reference it must match exactly, message for message.
namespace {
struct Reading {
    std::unique_ptr<Mesh> mesh;
    std::vector<std::string> said;
    std::string err;  // standard error
    bool split = false;
};

void onMessage(void* context, const char* token) { static_cast<std::vector<std::string>*>(context)->emplace_back(token); }

Reading read(const std::string& path, ObjLoadOptions options) {
    Reading r;
    r.mesh.reset(Mesh::create(meshfiles::write("empty.obj", "").c_str()));
    options.message = onMessage;
    options.messageContext = &r.said;
    ::testing::internal::CaptureStderr();
    r.split = loadObj(*r.mesh, path.c_str(), options);
    r.err = ::testing::internal::GetCapturedStderr();
    return r;
}

void expectSame(const Reading& a, const Reading& b) {
    EXPECT_EQ(a.said, b.said);
    EXPECT_EQ(a.err, b.err);
    ASSERT_EQ(a.mesh->vertexCount, b.mesh->vertexCount);
    ASSERT_EQ(a.mesh->normalCount, b.mesh->normalCount);
    ASSERT_EQ(a.mesh->faceCount, b.mesh->faceCount);
    EXPECT_EQ(std::memcmp(a.mesh->vertices, b.mesh->vertices, sizeof(Vec3) * a.mesh->vertexCount), 0);
    EXPECT_EQ(std::memcmp(a.mesh->normals, b.mesh->normals, sizeof(Vec3) * a.mesh->normalCount), 0);
    EXPECT_EQ(std::memcmp(a.mesh->faces, b.mesh->faces, sizeof(Face) * a.mesh->faceCount), 0);
}

std::string number(std::mt19937& rng) {
    static const char* const shapes[] = {"%.6f", "%.0f", "%.15f", "%.9g", "%.3e", "%.17g", "%.1f", "%.8f"};
    std::uniform_real_distribution<double> value(-2e6, 2e6);
    char text[64];
    const double v = value(rng) / std::pow(10.0, static_cast<int>(rng() % 8));
    std::snprintf(text, sizeof text, shapes[rng() % 8], v);
    return text;
}

// Lines as exporters write them, mostly plain, now and then something the plain reading
// leaves to the token reader, or that puts the reading out of step for a while.
std::string randomFile(std::mt19937& rng, int lines) {
    static const char* const odd[] = {"# a comment\n", "\n", "g body\n", "s off\n", "usemtl skin\n", "vt 0.5 0.25\n",
                                      "v  1 2 3\n", "f 1 2 3\n", "o thing\n", "v 1 2\n", "v\t1 2 3\n", "f 1/2 3/4 5/6\n"};
    std::string text;
    const char* end = rng() % 4 ? "\n" : "\r\n";
    for (int i = 0; i < lines; ++i) {
        const unsigned kind = rng() % 64;
        if (kind == 0) {
            text += odd[rng() % 12];
        } else if (kind < 24) {
            text += "v " + number(rng) + " " + number(rng) + " " + number(rng) + (rng() % 16 ? "" : " 1") + end;
        } else if (kind < 40) {
            text += "vn " + number(rng) + " " + number(rng) + " " + number(rng) + end;
        } else {
            text += "f";
            for (int k = 0; k < 3 + (rng() % 16 == 0); ++k) {
                const std::string v = std::to_string(rng() % 9 ? rng() % 300000 : rng());
                const std::string t = rng() % 3 ? "" : std::to_string(rng() % 1000);
                text += " " + std::string(rng() % 32 ? "" : "-") + v + "/" + t + "/" + v;
            }
            text += end;
        }
    }
    return text;
}
}  // namespace

TEST(ObjParallel, ViewerReadingStoresAndSaysWhatTheReferenceReaderDoes) {
    std::mt19937 rng(11);
    std::vector<std::string> texts = {
        "", "v 1 2 3", "v 1 2 3\n\n", "# c\nv 1 2 3\nv 4 5 6\n", std::string("v 1 2 3\nv 4 5\x1A 6\nv 7 8 9\n"),
        "f 1//1 2//2 3//3 4//4\n", "v 1 2 3\rv 4 5 6\n", "v 1234567.1 -0.000000000000001 12345678\n",
        "v 0.1234567890123456 1. -0\nvn -.5 5.e1 1d2\n", "f 1234567//7654321 12345678//1 1/12345678/1\n",
    };
    for (int i = 0; i < 12; ++i) texts.push_back(randomFile(rng, 50 + i * 40));
    // More messages than a part holds back: its reading is not kept but done again.
    std::string chatty;
    for (int i = 0; i < 6000; ++i) chatty += std::string(120, 'w') + std::to_string(i) + " v 1 2 3\n";
    texts.push_back(chatty);
    int kept = 0;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 80));
        const std::string path = meshfiles::write("parallel.obj", text + std::string(rng() % 2 ? 200 : 0, ' '));
        const Reading reference = read(path, referenceLoadOptions());
        expectSame(read(path, ObjLoadOptions{}), reference);
        // Split at every kind of place: line starts, inside records, in out-of-step text.
        for (int cut = 0; cut < 6; ++cut) {
            ObjLoadOptions options;
            options.splitFrom = 0;
            options.splitNear = text.empty() ? 0 : static_cast<long>(rng() % text.size());
            if (cut % 3 == 2) options.blockBytes = 1 + rng() % 40;
            options.firstReadsOn = cut % 2 == 0;
            const Reading viewer = read(path, options);
            expectSame(viewer, reference);
            kept += viewer.split;
        }
    }
    EXPECT_GT(kept, 40);  // most cuts are kept, so the two-thread reading was compared
}

TEST(ObjParallel, FullFilesSplitAndDropSurplusAsOneThreadDoes) {
    // Each kind over capacity, the cut before or after the record that fills it, and a
    // message (the unknown word before a keyword, which then reads in step) on each side.
    std::string text = "first v 0.5 2 3\n";
    for (int i = 0; i < Mesh::capacity - 5; ++i) text += "v 1.5 2 3\n";
    for (int i = 0; i < Mesh::capacity + 9; ++i) text += "vn 0 0.25 -1\nf 1//1 2//2 3//3\n";
    text += "second vn 0 0 1\nv 9 9 9\nv 8 8 8\n";
    for (int i = 0; i < 7; ++i) text += "v 7 7 7\n";
    const std::string path = meshfiles::write("full.obj", text);
    const Reading reference = read(path, referenceLoadOptions());
    ASSERT_EQ(reference.said, (std::vector<std::string>{"first", "second"}));
    for (long splitAt : {-1L, 100L, static_cast<long>(text.size()) - 100}) {
        ObjLoadOptions options;
        options.splitNear = splitAt;
        options.firstReadsOn = splitAt != 100;
        const Reading viewer = read(path, options);
        EXPECT_TRUE(viewer.split) << splitAt;
        expectSame(viewer, reference);
    }
    EXPECT_NE(reference.err.find("dropped 5 \"v\", 10 \"vn\", 9 \"f\""), std::string::npos) << reference.err;
}
