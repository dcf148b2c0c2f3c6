#pragma once

#include <string>
#include <vector>

#include "Placement.h"
#include "Point3.h"

// A uniform scale, then an offset, in the output's axes.
struct Framing {
    double scale = 1;
    Point3 offset{0, 0, 0};
};

// Frames a model (its positions already turned to the target's axes) for the start-up
// camera. The main model goes in front of the camera, centred in the view and about half
// its height; a grid copy is fitted to the copies' spacing and stood on the grid's plane
// over its own origin, about which it turns. False with `problem` set when the model has
// no extent to frame.
bool frameModel(const std::vector<Point3>& positions, Target target, Framing& framing, std::string& problem);
