#pragma once

#include <optional>
#include <string>

namespace e2e {

// The camera of the viewer's last frame, as view_recorder writes it: the turn from the
// start-up camera in degrees, read from the frame's view rotation.
struct RecordedCamera {
    double yaw;    // degrees, in (-180, 180]: the start-up half turn taken off
    double pitch;  // degrees, in (-180, 180]
    long frames;   // drawn so far
};

// nullopt while the file is missing or holds no frame yet.
std::optional<RecordedCamera> readRecordedCamera(const std::string& path);

// The angle equal to `angle` modulo 360 that lies nearest to `near`: a recorded turn
// read as the whole turns the test asked for.
double nearestTurn(double angle, double near);

}  // namespace e2e
