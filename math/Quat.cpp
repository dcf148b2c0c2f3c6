#include "math/Quat.h"

#include <cmath>

namespace {
// The float nearest pi/180, multiplied in as that float (not the double pi/180).
constexpr float degreesToRadians = 0.017453292f;
}  // namespace

Quat::Quat() { setIdentity(); }
Quat::Quat(const Quat& q) { assign(q); }
Quat::Quat(float angleX, float angleY, float angleZ) { setEuler(angleX, angleY, angleZ); }
Quat::Quat(float angle, float axisX, float axisY, float axisZ) {
    setAxisAngle(angle, axisX, axisY, axisZ);
}

Quat& Quat::setIdentity() {
    w = 1.0f;
    x = 0.0f;
    y = 0.0f;
    z = 0.0f;
    return *this;
}

Quat& Quat::assign(const Quat& q) {
    w = q.w;
    x = q.x;
    y = q.y;
    z = q.z;
    return *this;
}

Quat& Quat::setEuler(float angleX, float angleY, float angleZ) {
    const Quat qx(angleX, 1.0f, 0.0f, 0.0f);
    const Quat qy(angleY, 0.0f, 1.0f, 0.0f);
    const Quat qz(angleZ, 0.0f, 0.0f, 1.0f);
    assign(qx);
    multiply(qy);
    multiply(qz);
    return *this;
}

Quat& Quat::setAxisAngle(float angle, float axisX, float axisY, float axisZ) {
    const double r = static_cast<double>(angle) * static_cast<double>(degreesToRadians);
    const double ax = axisX, ay = axisY, az = axisZ;
    // The inverse axis length is the one intermediate that is rounded to float.
    const double n = static_cast<float>(1.0 / std::sqrt(ax * ax + ay * ay + az * az));
    const double s = std::sin(r * 0.5);
    w = static_cast<float>(std::cos(r * 0.5));
    x = static_cast<float>((n * ax) * s);
    y = static_cast<float>((n * ay) * s);
    z = static_cast<float>((n * az) * s);
    return *this;
}

Quat& Quat::multiply(const Quat& q) {
    // setProduct writes component by component, so it must not read the receiver.
    const Quat t(*this);
    return setProduct(t, q);
}

Quat& Quat::setProduct(const Quat& a, const Quat& b) {
    const double aw = a.w, ax = a.x, ay = a.y, az = a.z;
    const double bw = b.w, bx = b.x, by = b.y, bz = b.z;
    w = static_cast<float>(aw * bw - bx * ax - by * ay - bz * az);
    x = static_cast<float>(ax * bw + bx * aw + by * az - bz * ay);
    y = static_cast<float>(ay * bw - bx * az + by * aw + bz * ax);
    z = static_cast<float>(az * bw + bx * ay - by * ax + bz * aw);
    return *this;
}

Quat& Quat::normalize() {
    const double dw = w, dx = x, dy = y, dz = z;
    const double s2 = dw * dw + dx * dx + dy * dy + dz * dz;
    if (s2 == 1.0) return *this;
    const double n = 1.0 / std::sqrt(s2);
    w = static_cast<float>(n * dw);
    x = static_cast<float>(n * dx);
    y = static_cast<float>(n * dy);
    z = static_cast<float>(n * dz);
    return *this;
}

void Quat::direction(float& dx, float& dy, float& dz) {
    normalize();
    const double qw = w, qx = x, qy = y, qz = z;
    dx = static_cast<float>(2.0 * (qz * qx - qy * qw));
    dy = static_cast<float>(2.0 * (qz * qy + qx * qw));
    dz = static_cast<float>(1.0 - 2.0 * (qy * qy + qx * qx));
}
