#include "CameraRecord.h"

#include <cmath>
#include <fstream>

namespace e2e {
namespace {
constexpr double pi = 3.14159265358979323846;
constexpr double startYaw = 180.0;  // degrees: the start-up camera's half turn

double degrees(double radians) { return radians * 180.0 / pi; }

// Into (-180, 180].
double wrapped(double angle) {
    const double r = std::remainder(angle, 360.0);
    return r == -180.0 ? 180.0 : r;
}
}  // namespace

// The view rotation is Qx(pitch) ⊗ Qy(180 + yaw), whose quaternion is
// (cos p cos a, sin p cos a, cos p sin a, sin p sin a) for half angles p and a.
std::optional<RecordedCamera> readRecordedCamera(const std::string& path) {
    std::ifstream in(path);
    double angle, x, y, z;
    long frames;
    if (!(in >> angle >> x >> y >> z >> frames) || frames == 0) return std::nullopt;
    const double half = angle * pi / 360.0;
    const double w = std::cos(half), qx = std::sin(half) * x, qy = std::sin(half) * y, qz = std::sin(half) * z;
    // Read each half angle from the pair of components in which the other one's cosine
    // stands, unless that cosine is the smaller of its sine and cosine.
    const bool pitchCosineLarger = std::fabs(w) + std::fabs(qy) >= std::fabs(qx) + std::fabs(qz);
    const double a = pitchCosineLarger ? 2 * std::atan2(qy, w) : 2 * std::atan2(qz, qx);
    const bool yawCosineLarger = std::fabs(w) + std::fabs(qx) >= std::fabs(qy) + std::fabs(qz);
    const double p = yawCosineLarger ? 2 * std::atan2(qx, w) : 2 * std::atan2(qz, qy);
    return RecordedCamera{wrapped(degrees(a) - startYaw), wrapped(degrees(p)), frames};
}

double nearestTurn(double angle, double near) { return near + std::remainder(angle - near, 360.0); }

}  // namespace e2e
