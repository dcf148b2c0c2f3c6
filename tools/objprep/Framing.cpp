#include "Framing.h"

#include <algorithm>
#include <cmath>

#include "render/SceneLayout.h"

namespace {

constexpr double pi = 3.14159265358979323846;
// The main model stands this far ahead of the eye (beyond the grid, which is 11 to 13
// ahead), filling this share of the view's height, and at most this share of its width
// on a screen no narrower than 4:3.
constexpr double mainDistance = 20;
constexpr double mainHeightShare = 0.5;
constexpr double mainWidthShare = 0.8;
constexpr double narrowestAspect = 4.0 / 3.0;
// A grid copy turns about its origin: its footprint, as it turns, takes this share of the
// spacing, so neighbours never touch; it stands at most two spacings high.
constexpr double gridFootprintShare = 0.9;
constexpr double gridMostHeight = 2.0 * scene::gridSpacing;

struct Box {
    Point3 low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    Point3 centre() const { return (low + high) * 0.5; }
    Point3 half() const { return (high - low) * 0.5; }
};

Box boxOf(const std::vector<Point3>& points) {
    Box b;
    for (const Point3& p : points) {
        b.low = {std::min(b.low.x, p.x), std::min(b.low.y, p.y), std::min(b.low.z, p.z)};
        b.high = {std::max(b.high.x, p.x), std::max(b.high.y, p.y), std::max(b.high.z, p.z)};
    }
    return b;
}

// The largest scale at which a box of half extent `across` (in a view direction) and
// `deep` (along the view) centred `distance` ahead stays within `tangent` of the view's
// axis: its near face is the widest, so s * across / (distance - s * deep) = tangent.
double fitScale(double across, double deep, double distance, double tangent) {
    return across > 0 ? tangent * distance / (across + tangent * deep) : INFINITY;
}

// The start-up eye in the main model's coordinates, and its view direction there.
Point3 startEyeForMainModel() {
    // The view turns and scales about the eye, which sits at minus the camera translation.
    const Vec3 p = scene::startPosition, o = scene::mainModelOffset;
    return {-static_cast<double>(p.x) - o.x, -static_cast<double>(p.y) - o.y, -static_cast<double>(p.z) - o.z};
}

Point3 startViewDirection() {
    // The view looks along -z after a turn by the yaw about y.
    const double yaw = scene::startYaw * pi / 180;
    return {std::sin(yaw), 0, -std::cos(yaw)};
}

}  // namespace

bool frameModel(const std::vector<Point3>& positions, Target target, Framing& framing, std::string& problem) {
    const Box box = boxOf(positions);
    if (positions.empty() || !finite(box.low) || !finite(box.high)) {
        problem = "cannot frame the model: its extent is not finite";
        return false;
    }
    const Point3 centre = box.centre(), half = box.half();
    if (target == Target::Main) {
        // The start-up view looks straight along z, so the box's x and y are the view's.
        const double tangent = std::tan(scene::fieldOfView / 2 * pi / 180);
        framing.scale = std::min(fitScale(half.y, half.z, mainDistance, mainHeightShare * tangent),
                                 fitScale(half.x, half.z, mainDistance, mainWidthShare * narrowestAspect * tangent));
        const Point3 aim = startEyeForMainModel() + startViewDirection() * mainDistance;
        framing.offset = aim - centre * framing.scale;
    } else {
        double radius = 0;
        for (const Point3& p : positions) {
            // Not hypot, whose last bit differs between C libraries: the same file framed
            // on Windows gives the same bytes.
            const double dx = p.x - centre.x, dy = p.y - centre.y;
            radius = std::max(radius, std::sqrt(dx * dx + dy * dy));
        }
        const double footprint = radius > 0 ? gridFootprintShare * scene::gridSpacing / (2 * radius) : INFINITY;
        const double height = half.z > 0 ? gridMostHeight / (2 * half.z) : INFINITY;
        framing.scale = std::min(footprint, height);
        framing.offset = Point3{-centre.x, -centre.y, -box.low.z} * framing.scale;
    }
    if (!std::isfinite(framing.scale) || !(framing.scale > 0)) {
        problem = "cannot frame the model: it has no extent across the view";
        return false;
    }
    return true;
}
