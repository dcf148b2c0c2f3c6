#include <gtest/gtest.h>

#include "input/MotionStream.h"

// The stream as an X server delivers it to the pointer layer's own connection. Serials
// are those of the layer's requests; a placement is request 10 unless a test says not.
namespace {
constexpr int mouse = 6, tablet = 7;

struct Stream {
    MotionStream s;
    unsigned long serial = 0;
    unsigned long time = 1000;

    void place(double x, double y) { s.placed(++serial, x, y); }
    // One step of the mouse: its raw motion, then the position it led to (unless the
    // pointer did not move).
    void step(double dx, double dy, double x, double y, bool moved = true) {
        ++time;
        s.add(RawMotion{serial - stale, time, mouse, false, true, true, dx, dy});
        if (moved) s.add(PointerMotion{serial - stale, time, mouse, x, y, true});
    }
    void position(double x, double y, int source = mouse) { s.add(PointerMotion{serial, ++time, source, x, y, true}); }
    void travel(double& dx, double& dy) { s.take(dx, dy); }
    unsigned long stale = 0;  // how many requests behind the server made the next events
};

double takeX(Stream& st) {
    double dx, dy;
    st.travel(dx, dy);
    return dx;
}
}  // namespace

// The fault of counting from the anchor: steps made before a placement was handled still
// show positions measured from the old rest (322, 324, ...), and each would count in full.
TEST(MotionStream, StepsMadeBeforeAPlacementCountOnceEach) {
    Stream st;
    st.place(320, 240);
    st.position(320, 240);  // the placement's echo
    st.step(2, 0, 322, 240);
    EXPECT_EQ(takeX(st), 2.0);
    st.place(320, 240);  // the layer answers the first step...
    st.stale = 1;        // ...while the mouse goes on, before the server handles it
    st.step(2, 0, 324, 240);
    st.step(2, 0, 326, 240);
    st.stale = 0;
    st.position(320, 240);  // the placement lands
    st.step(2, 0, 322, 240);
    EXPECT_EQ(takeX(st), 6.0);
    double dx, dy;
    st.travel(dx, dy);
    EXPECT_EQ(dx, 0.0) << "each step is taken once";
    EXPECT_EQ(dy, 0.0);
}

// A screen edge holds the pointer back while the mouse goes on: the steps still count, so
// a fast turn during a slow frame is not cut short.
TEST(MotionStream, StepsAgainstAScreenEdgeCountInFull) {
    Stream st;
    st.place(320, 240);
    st.step(600, 0, 920, 240);
    st.step(600, 0, 1023, 240);                  // clamped
    st.step(600, 0, 1023, 240, /*moved=*/false);  // no position at all
    st.step(-5, 0, 1018, 240);
    EXPECT_EQ(takeX(st), 1795.0);
}

// Positions that no step of the user made: the echo of a placement, a compositor handing
// the pointer over at its own position, anything before the first placement. And a
// device that reports positions counts by position, from where the placement put it.
TEST(MotionStream, OnlyTheUsersMotionCounts) {
    Stream st;
    st.position(512, 384);
    st.step(4, 4, 516, 388);  // before the first placement: nothing counts yet
    st.place(320, 240);
    st.position(25, 19);  // the compositor's own pointer, handed over
    st.step(3, 1, 28, 20);
    EXPECT_EQ(takeX(st), 3.0);

    st.place(320, 240);
    // A tablet, and XTest's absolute moves (raw motion that is the position itself).
    st.s.add(RawMotion{st.serial, ++st.time, tablet, true, true, true, 40000, 30000});
    st.s.add(PointerMotion{st.serial, st.time, tablet, 330, 250, true});
    st.s.add(RawMotion{st.serial, ++st.time, mouse, false, true, true, 300, 200});
    st.s.add(PointerMotion{st.serial, st.time, mouse, 300, 200, true});
    double dx, dy;
    st.travel(dx, dy);
    EXPECT_EQ(dx, 10.0 - 30.0);
    EXPECT_EQ(dy, 10.0 - 50.0);

    // While a switch of window mode waits, nothing counts; the next placement resumes.
    st.s.pauseFrom(st.serial + 1);
    ++st.serial;
    st.step(7, 0, 307, 200);
    st.place(320, 240);
    st.position(320, 240);
    st.step(1, 0, 321, 240);
    EXPECT_EQ(takeX(st), 1.0);
}

TEST(MotionStream, AcceleratedFractionsCarryToTheNextTake) {
    Stream st;
    st.place(320, 240);
    st.step(1.75, -0.5, 321, 239);
    double dx, dy;
    st.travel(dx, dy);
    EXPECT_EQ(dx, 1.0);
    EXPECT_EQ(dy, 0.0);
    st.step(1.5, -0.75, 323, 238);
    st.travel(dx, dy);
    EXPECT_EQ(dx, 2.0);
    EXPECT_EQ(dy, -1.0);
}
