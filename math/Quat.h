#pragma once

// A rotation quaternion of four floats. Every operation computes in double from
// the float fields and narrows each result component to float when it stores it.
// Angles are in degrees.
struct Quat {
    float w, x, y, z;

    Quat();
    Quat(const Quat& q);
    Quat(float angleX, float angleY, float angleZ);
    Quat(float angle, float axisX, float axisY, float axisZ);
    Quat& operator=(const Quat& q) = default;

    Quat& setIdentity();
    Quat& assign(const Quat& q);
    // Qz(angleZ) * Qy(angleY) * Qx(angleX): turned about x first, then y, then z.
    Quat& setEuler(float angleX, float angleY, float angleZ);
    // The axis need not be of unit length, but must not be zero.
    Quat& setAxisAngle(float angle, float axisX, float axisY, float axisZ);
    // receiver <- q * receiver: q is applied after the receiver's rotation.
    Quat& multiply(const Quat& q);
    // receiver <- b * a. The receiver must be neither argument.
    Quat& setProduct(const Quat& a, const Quat& b);
    // Leaves the receiver bit for bit unchanged when its squared length is exactly 1.
    Quat& normalize();
    // Normalises the receiver in place, then writes the third row of its rotation matrix.
    void direction(float& dx, float& dy, float& dz);
};
