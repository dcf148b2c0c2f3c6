#include "input/MotionStream.h"

#include <cmath>

void MotionStream::placed(unsigned long serial, double x, double y) {
    if (placementCount_ == placementCapacity) reach(placements_[0].serial);
    placements_[placementCount_++] = Placement{serial, x, y};
}

void MotionStream::pauseFrom(unsigned long serial) {
    paused_ = true;
    pausedFrom_ = serial;
}

// Events from `serial` on were made after the server had put the pointer on every
// placement up to it.
void MotionStream::reach(unsigned long serial) {
    int reached = 0;
    while (reached < placementCount_ && placements_[reached].serial <= serial) {
        const Placement& p = placements_[reached++];
        known_ = true;
        inside_ = true;
        x_ = p.x;
        y_ = p.y;
        if (!paused_ || p.serial > pausedFrom_) {
            counting_ = true;
            paused_ = false;
        }
    }
    for (int i = reached; i < placementCount_; ++i) placements_[i - reached] = placements_[i];
    placementCount_ -= reached;
}

void MotionStream::count(double dx, double dy, unsigned long serial) {
    if (!counting_ || (paused_ && serial >= pausedFrom_)) return;
    travelX_ += dx;
    travelY_ += dy;
}

// Raw motion that moved no position we saw: the pointer stood still against a screen
// edge, or a button press gave it to the toolkit's own connection for a while. A step
// counts; an absolute device's report says nothing without the position.
void MotionStream::settleHeldRaw() {
    if (!rawHeld_) return;
    rawHeld_ = false;
    const RawMotion& r = held_;
    if (r.sourceAbsolute || !known_ || !inside_) return;
    // A remote desktop's absolute move onto the point the pointer already stands on.
    if (r.hasX && r.hasY && r.x == x_ && r.y == y_) return;
    count(r.hasX ? r.x : 0.0, r.hasY ? r.y : 0.0, r.serial);
}

void MotionStream::add(const RawMotion& raw) {
    reach(raw.serial);
    settleHeldRaw();
    held_ = raw;
    rawHeld_ = true;
}

void MotionStream::add(const PointerMotion& p) {
    reach(p.serial);
    if (rawHeld_ && held_.time == p.time && held_.source == p.source) {
        rawHeld_ = false;
        const RawMotion& r = held_;
        // XTest's absolute moves come from a device that reports steps; their raw motion
        // is the position itself.
        const bool stepFits = known_ && r.hasX && r.hasY && p.x - x_ == r.x && p.y - y_ == r.y;
        const bool absolute = r.sourceAbsolute || (r.hasX && r.hasY && r.x == p.x && r.y == p.y && !stepFits);
        if (!absolute)
            count(r.hasX ? r.x : 0.0, r.hasY ? r.y : 0.0, p.serial);
        else if (known_)
            count(p.x - x_, p.y - y_, p.serial);
    } else {
        settleHeldRaw();
    }
    known_ = true;
    inside_ = p.inside;
    x_ = p.x;
    y_ = p.y;
}

void MotionStream::take(double& dx, double& dy) {
    // Whole pixels toward zero; the fraction stays for the next step.
    dx = std::trunc(travelX_);
    dy = std::trunc(travelY_);
    travelX_ -= dx;
    travelY_ -= dy;
}

bool MotionStream::position(double& x, double& y) const {
    x = x_;
    y = y_;
    return known_;
}
