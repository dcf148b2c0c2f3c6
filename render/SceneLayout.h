#pragma once

#include "mesh/Vec3.h"

// Where the scene's parts stand and how the start-up camera sees them; the viewer draws
// with these and objprep frames models for them.
namespace scene {

// The start-up camera translation (each the float nearest the decimal) and turn.
constexpr Vec3 startPosition{-89.0215988f, -22.5781326f, 174.212662f};
constexpr float startYaw = 180.0f;  // degrees about y
constexpr float viewScale = 2.0f;
constexpr double fieldOfView = 50.0;  // degrees, vertical

constexpr Vec3 mainModelOffset{83.0f, 22.2f, -160.0f};
// The grid stands on a plane at this offset, tilted so the copies' +z is the scene's up.
constexpr Vec3 gridOffset{88.0f, 22.5f, -162.0f};
constexpr float gridTilt = -90.0f;  // degrees about x
constexpr float gridShift = -1.0f;  // along both plane axes
constexpr int gridSize = 5;         // rows, and copies per row
constexpr float gridSpacing = 0.6f;

}  // namespace scene
