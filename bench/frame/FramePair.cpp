#include "FramePair.h"

#include <GL/glut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <memory>

namespace {
// The dense grid model: 512 x 256 quads of 2 triangles.
constexpr int denseColumns = 512;
constexpr int denseRows = 256;
static_assert(2 * denseColumns * denseRows == Mesh::capacity, "the dense model fills a mesh");
static_assert((denseColumns + 1) * (denseRows + 1) <= Mesh::capacity, "its vertices fit too");

// The corners fetched from the mesh's own arrays as Mesh::draw does, minus its index
// checks. (Corners copied out into one flat stream were slower, with three times the
// memory traffic of the indexed arrays, so that is no floor.)
void emit(const Mesh* mesh) {
    glBegin(GL_TRIANGLES);
    if (mesh != nullptr) {
        const Face* face = mesh->faces;
        const Face* end = face + mesh->faceCount;
        for (; face != end; ++face)
            for (int k = 0; k < 3; ++k) {
                const Vec3& n = mesh->normals[face->normalIndex[k] - 1];
                const Vec3& p = mesh->vertices[face->vertexIndex[k] - 1];
                glNormal3f(n.x, n.y, n.z);
                glVertex3f(p.x, p.y, p.z);
            }
    }
    glEnd();
}
}  // namespace

CallStream streamFor(const Viewer& viewer) {
    CallStream s;
    Quat q(viewer.orientation);
    q.multiply(Quat(viewer.pitch, 0.0f, 0.0f));
    q.normalize();
    if (q.w != 1.0f && q.w != -1.0f) {
        const double theta = 2.0 * std::acos(static_cast<double>(q.w));
        const double inverseSine = 1.0 / std::sin(theta * 0.5);
        s.viewTurns = true;
        s.view[0] = static_cast<float>(theta * 180.0 / M_PI);
        s.view[1] = static_cast<float>(q.x * inverseSine);
        s.view[2] = static_cast<float>(q.y * inverseSine);
        s.view[3] = static_cast<float>(q.z * inverseSine);
    }
    s.position = viewer.position;
    for (int i = 0; i < gridCopies; ++i) {
        const float u = 0.6f * static_cast<float>(i % 5);
        const float v = 0.6f * static_cast<float>(i / 5);
        s.copyOffset[i][0] = u;
        s.copyOffset[i][1] = v;
        const double a = (v - 0.65) - (static_cast<double>(viewer.position.z) - 162.0);
        const double b = (0.65 - u) - (static_cast<double>(viewer.position.x) + 88.0);
        s.copyTurn[i] = static_cast<float>(-std::atan2(a, b) * 180.0 / 3.1416 + 270.0);
    }
    s.main = viewer.mainModel;
    s.grid = viewer.gridModel;
    return s;
}

void bareFrame(const CallStream& s) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRenderMode(GL_RENDER);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushMatrix();
    if (s.viewTurns) glRotatef(s.view[0], s.view[1], s.view[2], s.view[3]);
    glScalef(2.0f, 2.0f, 2.0f);
    glTranslatef(s.position.x, s.position.y, s.position.z);
    glPushMatrix();
    glColor3f(1.0f, 1.0f, 1.0f);
    glTranslatef(83.0f, 22.2f, -160.0f);
    emit(s.main);
    glPopMatrix();
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glPushMatrix();
    glTranslatef(88.0f, 22.5f, -162.0f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    for (int i = 0; i < gridCopies; ++i) {
        glPushMatrix();
        glTranslatef(s.copyOffset[i][0], s.copyOffset[i][1], 0.0f);
        glRotatef(s.copyTurn[i], 0.0f, 0.0f, 1.0f);
        emit(s.grid);
        glPopMatrix();
    }
    glPopMatrix();
    glDisable(GL_CULL_FACE);
    glPopMatrix();
    glutSwapBuffers();
}

void fillDense(Mesh& mesh) {
    const float width = 0.5f, height = 0.8f, bottom = -0.3f;  // in the copy's frame: +z up
    int n = 0;
    for (int r = 0; r <= denseRows; ++r)
        for (int c = 0; c <= denseColumns; ++c) {
            // Column by column toward the camera's right (-x), rows upward: counter-clockwise.
            const float x = width * (0.5f - static_cast<float>(c) / denseColumns);
            const float z = bottom + height * static_cast<float>(r) / denseRows;
            mesh.vertices[n++] = Vec3{x, 0.01f * std::sin(40.0f * x) * std::cos(30.0f * z), z};
        }
    mesh.vertexCount = n;
    mesh.normals[0] = Vec3{0.0f, 2.0f, 0.0f};  // length 2: the view scales by 2
    mesh.normalCount = 1;
    int f = 0;
    const auto at = [](int r, int c) { return r * (denseColumns + 1) + c + 1; };
    for (int r = 0; r < denseRows; ++r)
        for (int c = 0; c < denseColumns; ++c) {
            mesh.faces[f++] = Face{{at(r, c), at(r, c + 1), at(r + 1, c + 1)}, {1, 1, 1}};
            mesh.faces[f++] = Face{{at(r, c), at(r + 1, c + 1), at(r + 1, c)}, {1, 1, 1}};
        }
    mesh.faceCount = f;
}

int trianglesPerFrame(const Viewer& viewer) {
    return (viewer.mainModel ? viewer.mainModel->faceCount : 0) +
           gridCopies * (viewer.gridModel ? viewer.gridModel->faceCount : 0);
}

namespace {
// Other programs on the machine only ever add time, so the least of the repetitions is
// the steadiest estimate of a frame's own cost.
double least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }
}  // namespace

void registerPair(const std::string& scene, Viewer& viewer, Mesh* grid,
                  void (*configure)(benchmark::internal::Benchmark*)) {
    viewer.gridModel = grid;
    auto stream = std::make_shared<CallStream>(streamFor(viewer));  // built once, untimed
    const int triangles = trianglesPerFrame(viewer);
    auto* frame = benchmark::RegisterBenchmark(("frame/" + scene).c_str(), [&viewer, grid,
                                                                             triangles](benchmark::State& state) {
        viewer.gridModel = grid;  // the pairs share one viewer
        viewer.display();         // warm
        for (auto _ : state) viewer.display();
        state.counters["triangles"] = triangles;
    });
    auto* floor = benchmark::RegisterBenchmark(("floor/" + scene).c_str(), [stream, triangles](benchmark::State& state) {
        bareFrame(*stream);
        for (auto _ : state) bareFrame(*stream);
        state.counters["triangles"] = triangles;
    });
    for (auto* b : {frame, floor}) {
        b->ComputeStatistics("min", least);
        configure(b);
    }
}

void PairReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (single || (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")) {
            Times& t = times_[run.run_name.function_name];
            const double toMs = 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            t.wall = run.GetAdjustedRealTime() * toMs;
            t.cpu = run.GetAdjustedCPUTime() * toMs;
        }
    }
}

void PairReporter::Finalize() {
    ConsoleReporter::Finalize();
    // One line per scene, in milliseconds, for people and for scripts/bench-frame alike.
    std::printf("\n%-7s %-7s %12s %12s %12s %12s\n", "", "scene", "frame cpu", "floor cpu", "frame wall",
                "floor wall");
    for (const auto& [name, frame] : times_) {
        if (name.rfind("frame/", 0) != 0) continue;
        const std::string scene = name.substr(6);
        const auto floor = times_.find("floor/" + scene);
        if (floor == times_.end()) continue;
        std::printf("%-7s %-7s %9.4f ms %9.4f ms %9.4f ms %9.4f ms\n", "pair", scene.c_str(), frame.cpu,
                    floor->second.cpu, frame.wall, floor->second.wall);
    }
    std::fflush(stdout);
}

bool enterScene(const char* program) {
    const char* scene = std::getenv("VIEWER_SCENE");
    if (scene == nullptr) scene = VIEWER_DEMO_SCENE;
    if (chdir(scene) != 0 || access("1.obj", R_OK) != 0 || access("2.obj", R_OK) != 0) {
        std::fprintf(stderr, "%s: no sample scene (1.obj, 2.obj) in %s\n", program, scene);
        return false;
    }
    return true;
}

int runPairs(const char* program, Viewer& viewer, void (*configure)(benchmark::internal::Benchmark*)) {
    if (viewer.mainModel == nullptr || viewer.gridModel == nullptr || viewer.mainModel->faceCount == 0 ||
        viewer.gridModel->faceCount == 0) {
        std::fprintf(stderr, "%s: the sample scene loaded no triangles\n", program);
        return 1;
    }
    Mesh* dense = Mesh::create("2.obj");  // an existing file: nothing is created in the scene folder
    if (dense == nullptr) return 1;
    fillDense(*dense);

    registerPair("sample", viewer, viewer.gridModel, configure);
    registerPair("dense", viewer, dense, configure);
    PairReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
