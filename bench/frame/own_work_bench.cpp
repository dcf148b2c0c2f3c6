// The viewer's own work per frame, alone: Viewer::display and the bare loop of the same
// calls (FramePair.h) both run against a GL that does nothing (NullGl.cpp), so the
// difference of the two is the viewer's work without the GL's. It needs no display.
// It reads the sample scene from VIEWER_SCENE, or from the bundled scenes/demo.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "FramePair.h"
#include "app/Viewer.h"

namespace {
void timed(benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMicrosecond); }
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* scene = std::getenv("VIEWER_SCENE");
    if (scene == nullptr) scene = VIEWER_DEMO_SCENE;
    if (chdir(scene) != 0 || access("1.obj", R_OK) != 0 || access("2.obj", R_OK) != 0) {
        std::fprintf(stderr, "own_work_bench: no sample scene (1.obj, 2.obj) in %s\n", scene);
        return 1;
    }
    static Viewer viewer;
    viewer.init();  // the start-up camera and both meshes; every GL call does nothing
    if (viewer.mainModel == nullptr || viewer.gridModel == nullptr || viewer.mainModel->faceCount == 0 ||
        viewer.gridModel->faceCount == 0) {
        std::fprintf(stderr, "own_work_bench: the sample scene in %s loaded no triangles\n", scene);
        return 1;
    }
    Mesh* dense = Mesh::create("2.obj");  // an existing file: nothing is created in the scene folder
    if (dense == nullptr) return 1;
    fillDense(*dense);

    registerPair("sample", viewer, viewer.gridModel, timed);
    registerPair("dense", viewer, dense, timed);
    PairReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
