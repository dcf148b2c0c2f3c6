#pragma once

// Three floats: a position, a normal or a camera translation.
struct Vec3 {
    float x, y, z;
};
