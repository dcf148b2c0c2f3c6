#include "Placement.h"

namespace {
struct Frame {
    Point3 up, front;
};

Frame inputFrame(UpAxis up) {
    return up == UpAxis::Y ? Frame{{0, 1, 0}, {0, 0, 1}} : Frame{{0, 0, 1}, {0, -1, 0}};
}

Frame targetFrame(Target target, bool framed) {
    if (target == Target::Grid)
        return Frame{{0, 0, 1}, {0, 1, 0}};
    return framed ? Frame{{0, 1, 0}, {0, 0, -1}} : Frame{{0, 1, 0}, {0, 0, 1}};
}
}  // namespace

Rotation rotationFor(const PlacementOptions& options) {
    // R = [u' f' s'] [u f s]^T with s = u x f: row i of R is sum over the frame's axes.
    const Frame from = inputFrame(options.up), to = targetFrame(options.target, options.frame);
    const Point3 fromSide = cross(from.up, from.front), toSide = cross(to.up, to.front);
    const Point3 axesFrom[3] = {from.up, from.front, fromSide};
    const Point3 axesTo[3] = {to.up, to.front, toSide};
    Rotation r{};
    const auto component = [](Point3 p, int i) { return i == 0 ? p.x : i == 1 ? p.y : p.z; };
    for (int i = 0; i < 3; ++i) {
        Point3 row{0, 0, 0};
        for (int k = 0; k < 3; ++k)
            row = row + axesFrom[k] * component(axesTo[k], i);
        r.row[i] = row;
    }
    return r;
}

int upAxisOf(Target target) { return target == Target::Main ? 1 : 2; }
