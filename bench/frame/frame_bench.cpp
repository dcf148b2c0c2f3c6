// Frame time of the real Viewer::display under a real GL (Mesa), against its floor: the
// same GL call stream issued by a bare loop (FramePair.h). Run it on an X display;
// scripts/bench-frame starts a private Xvfb. It reads the sample scene from VIEWER_SCENE,
// or from the bundled scenes/demo by default.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "FramePair.h"
#include "app/Viewer.h"
#include "app/entry.h"

namespace {
constexpr auto settleTime = std::chrono::milliseconds(1500);  // window mapped, full screen applied
constexpr auto pollInterval = std::chrono::milliseconds(5);

void pumpEvents(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(pollInterval);
    }
}

// Wall time is what a user waits; process CPU time also counts the GL's own threads.
void timed(benchmark::internal::Benchmark* b) {
    b->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
}
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!enterScene("frame_bench")) return 1;

    int glutArgc = 1;
    char* glutArgv[] = {argv[0], nullptr};
    glutInit(&glutArgc, glutArgv);
    static Viewer viewer;  // lives as long as the window, as in the program
    theViewer = &viewer;
    viewer.init();  // the program's own window, GL state, meshes and full-screen request
    glutDisplayFunc(displayCallback);
    glutReshapeFunc(reshapeCallback);
    pumpEvents(settleTime);
    const int width = glutGet(GLUT_WINDOW_WIDTH), height = glutGet(GLUT_WINDOW_HEIGHT);
    viewer.reshape(width, height);
    std::printf("window %d x %d, renderer %s\n", width, height,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    return runPairs("frame_bench", viewer, timed);
}
