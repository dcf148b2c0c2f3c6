#pragma once

#include "Point3.h"

// Where the converted model goes: which way it stands and faces, its size and offset.
enum class Target { Main, Grid };  // "1.obj" (axes unchanged) or the grid copies of "2.obj"
enum class UpAxis { Y, Z };        // the input's up axis

struct PlacementOptions {
    Target target = Target::Main;
    UpAxis up = UpAxis::Y;
    double fitHeight = 0;  // > 0: scale uniformly to this height; 0 keeps the size
    Point3 offset{0, 0, 0};
    bool frame = false;  // size and place it for the start-up camera instead (Framing.h)
};

// A rotation that turns the input's up and front onto the target's: the main model
// stands along +y and faces +z (-z, toward the start-up camera, when framed); a grid copy
// stands along +z and faces +y (its own axes). A y-up input faces +z, a z-up input faces
// -y, as modelling tools export them.
struct Rotation {
    Point3 row[3];
    Point3 apply(Point3 p) const { return {dot(row[0], p), dot(row[1], p), dot(row[2], p)}; }
};

Rotation rotationFor(const PlacementOptions& options);

// The output's up axis: 1 (y) for the main model, 2 (z) for the grid.
int upAxisOf(Target target);
