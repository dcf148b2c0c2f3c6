#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "app/Viewer.h"

// What the two frame benchmarks share: the bare loop that issues a frame's GL calls with
// nothing computed (the floor), the dense grid model, and the pairing of each frame
// benchmark with its floor.

constexpr int gridCopies = 25;

// One frame's GL calls with their arguments, for the bare loop.
struct CallStream {
    bool viewTurns = false;
    float view[4] = {0, 0, 0, 0};  // glRotatef angle and axis
    Vec3 position{};
    float copyOffset[gridCopies][2];
    float copyTurn[gridCopies];
    const Mesh* main = nullptr;
    const Mesh* grid = nullptr;
};

// The arguments the frame passes for this camera (position equal to target: no easing).
CallStream streamFor(const Viewer& viewer);

// The floor: the frame's call stream, every argument ready, corners read straight from
// the mesh arrays (no index checks).
void bareFrame(const CallStream& stream);

// Fills `mesh` to capacity: 262,144 triangles in a rippled sheet standing in a grid
// copy's footprint, facing the camera so culling keeps it.
void fillDense(Mesh& mesh);

int trianglesPerFrame(const Viewer& viewer);

// Registers "frame/<scene>" (Viewer::display) and "floor/<scene>" (bareFrame) for the
// viewer with `grid` as its grid model; `configure` sets how each is timed.
void registerPair(const std::string& scene, Viewer& viewer, Mesh* grid,
                  void (*configure)(benchmark::internal::Benchmark*));

// Enters the sample scene's folder: VIEWER_SCENE, or the bundled one. False, with a
// message naming `program`, when the folder has no 1.obj and 2.obj.
bool enterScene(const char* program);

// Checks that the viewer loaded the scene, registers the "sample" and "dense" pairs, runs
// them and prints the comparison; returns the exit status.
int runPairs(const char* program, Viewer& viewer, void (*configure)(benchmark::internal::Benchmark*));

// After the usual table, prints each frame's least time against its floor's.
class PairReporter : public benchmark::ConsoleReporter {
public:
    PairReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Times {
        double cpu = 0;   // ms
        double wall = 0;  // ms
    };
    std::map<std::string, Times> times_;
};
