#pragma once

#include <cmath>

// A point or direction in double precision; the converter narrows to float only when
// it writes a number.
struct Point3 {
    double x, y, z;
};

inline Point3 operator+(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Point3 operator-(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Point3 operator*(Point3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Point3 cross(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double dot(Point3 a, Point3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(Point3 a) { return std::sqrt(dot(a, a)); }
inline bool finite(Point3 p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
