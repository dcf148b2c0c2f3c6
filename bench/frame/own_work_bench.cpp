// The viewer's own work per frame, alone: Viewer::display and the bare loop of the same
// calls (FramePair.h) both run against a GL that does nothing (NullGl.cpp), so the
// difference of the two is the viewer's work without the GL's. It needs no display.
// It reads the sample scene from VIEWER_SCENE, or from the bundled scenes/demo.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "FramePair.h"
#include "app/Viewer.h"

namespace {
void timed(benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMicrosecond); }
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!enterScene("own_work_bench")) return 1;
    static Viewer viewer;
    viewer.init();  // the start-up camera and both meshes; every GL call does nothing
    return runPairs("own_work_bench", viewer, timed);
}
