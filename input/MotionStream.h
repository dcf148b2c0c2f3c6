#pragma once

// How far the pointer travelled, told from the input events a window system sends one
// client of its own: raw device motion (every device, whatever became of the pointer)
// and the pointer's positions over the window. Each event carries the serial of the
// client's last request that the server had handled when it made the event, so motion
// made before a placement this client asked for is told from motion made after it.
//
// A device that moves the pointer by steps reports each step in its raw motion, and the
// step counts once, in full, wherever the pointer was: a placement since, or a screen
// edge that held the pointer back, takes nothing from it. An absolute device (a tablet,
// a remote desktop's moves) counts by positions, from where the pointer stood when the
// event was made: after a placement, from the point it was put on. A position without
// raw motion of its own (the echo of a placement, the jump a compositor makes when it
// hands the pointer over) counts nothing.

// One step of raw motion, as the device reported it (after acceleration). An absent
// axis did not move.
struct RawMotion {
    unsigned long serial;
    unsigned long time;  // ms, the server's clock
    int source;          // the device that made it
    bool sourceAbsolute;
    bool hasX, hasY;
    double x, y;
};

// The pointer over the window (or leaving it), in screen pixels.
struct PointerMotion {
    unsigned long serial;
    unsigned long time;
    int source;
    double x, y;
    bool inside;  // false when the pointer left the window, or another client took it
};

class MotionStream {
public:
    // A placement on (x, y) of the screen goes out as request `serial`. From there on,
    // once it is reached, motion counts (again).
    void placed(unsigned long serial, double x, double y);
    // Motion made from request `serial` on counts nothing until the next placement.
    void pauseFrom(unsigned long serial);

    void add(const RawMotion& raw);
    void add(const PointerMotion& pointer);

    // The whole pixels travelled since the last call (held in double); fractions carry
    // over.
    void take(double& dx, double& dy);

    // Where the pointer stood at the last event, in screen pixels; false when unknown.
    bool position(double& x, double& y) const;
    // A placement has gone out that no event has reached yet.
    bool placementOnItsWay() const { return placementCount_ > 0; }

private:
    struct Placement {
        unsigned long serial;
        double x, y;
    };
    // A handful are enough: a new placement waits until the last one is reached.
    static constexpr int placementCapacity = 8;

    void reach(unsigned long serial);
    void settleHeldRaw();
    void count(double dx, double dy, unsigned long serial);

    Placement placements_[placementCapacity] = {};
    int placementCount_ = 0;
    bool counting_ = false;
    bool paused_ = false;
    unsigned long pausedFrom_ = 0;
    bool known_ = false;
    bool inside_ = false;
    double x_ = 0.0, y_ = 0.0;
    // A raw step waits for the position it led to, which follows it at once.
    bool rawHeld_ = false;
    RawMotion held_ = {};
    double travelX_ = 0.0, travelY_ = 0.0;
};
