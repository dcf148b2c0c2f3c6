// The window and the keys that end the program or change its window mode.
// gtest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <string>

#include "ViewerSession.h"
#include "XErrors.h"

using namespace e2e;

namespace {
constexpr int windowedX = 100;       // px
constexpr int windowedY = 100;       // px

struct QuitKey {
    const char* name;
    KeySym key;
    KeySym modifier;  // NoSymbol for none
};

void PrintTo(const QuitKey& k, std::ostream* out) { *out << k.name; }

class QuitKeyTest : public ViewerSession, public ::testing::WithParamInterface<QuitKey> {};

// The viewer's own handler must end it: the window manager binds nothing (see the
// harness test below), so a program that ignores the key keeps running. Where the
// manager closes the window on Alt+F4 itself, the viewer must still end the same way.
// Its output goes to a file, so only an orderly exit writes the loader's line out.
TEST_P(QuitKeyTest, EndsTheViewerWithStatusZeroAndItsOutputWritten) {
    const std::string folder = emptyFolder();
    writeFile(folder + "/1.obj", "hello\n");
    App& viewer = startViewer(folder);
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    if (GetParam().modifier == NoSymbol)
        EXPECT_TRUE(quitsWith(viewer, GetParam().key));
    else
        EXPECT_TRUE(quitsWith(viewer, GetParam().key, {GetParam().modifier}));
    EXPECT_EQ(viewer.standardOutput(), "OBJ Unrecognized Command: \"hello\n\"\n");
}

INSTANTIATE_TEST_SUITE_P(Keys, QuitKeyTest,
                         ::testing::Values(QuitKey{"Esc", XK_Escape, NoSymbol}, QuitKey{"CtrlQ", XK_q, XK_Control_L},
                                           QuitKey{"AltF4", XK_F4, XK_Alt_L}),
                         [](const auto& info) { return std::string(info.param.name); });

class WindowTest : public ViewerSession {};

TEST_F(WindowTest, StartsCoveringItsMonitorWithTheClearColour) {
    App& viewer = startViewer(emptyFolder());
    Picture picture;
    ASSERT_TRUE(waitStarted(viewer, &picture));
    EXPECT_TRUE(viewer.coversMonitor());
    // Empty meshes: nothing is drawn, so every pixel is the clear colour.
    EXPECT_EQ(pixelsOf(picture, skyPixel()), static_cast<long>(picture.pixels.size()));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

TEST_F(WindowTest, HidesThePointer) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    int eventBase, errorBase;
    ASSERT_TRUE(XFixesQueryExtension(display(), &eventBase, &errorBase));
    XFixesCursorImage* cursor = XFixesGetCursorImage(display());
    ASSERT_NE(cursor, nullptr);
    long visible = 0;
    for (int i = 0; i < cursor->width * cursor->height; ++i) visible += (cursor->pixels[i] >> 24) != 0;
    EXPECT_EQ(visible, 0) << "of " << cursor->width << "x" << cursor->height << " cursor pixels are not transparent";
    XFree(cursor);
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// F11 doubles as the proof that the keys before it were handled: X delivers a
// client's events in order, so once the window has changed size the viewer has
// read every earlier key and is still running.
TEST_F(WindowTest, KeysOtherThanTheQuitKeysLeaveItRunning) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    input().tapKey(XK_q);
    input().tapKey(XK_q, {XK_Shift_L});
    input().tapKey(XK_F4);
    // A manager's own bindings never reach the viewer.
    if (!desktop().managerBindsKeys) {
        input().tapKey(XK_F4, {XK_Control_L});
        input().tapKey(XK_F4, {XK_Shift_L});
        input().tapKey(XK_F4, {XK_Control_L, XK_Alt_L});
        input().tapKey(XK_F4, {XK_Alt_L, XK_Shift_L});
    }
    input().tapKey(XK_F11);
    EXPECT_TRUE(viewer.waitWindowed(modeChangeLimit) || !viewer.running());
    EXPECT_TRUE(viewer.running()) << "standard error: " << viewer.standardError();
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// Each return to the window puts it where the one before did: a position saved in other
// terms than it is restored in moves the window by its frame every time. A tiling
// manager gives the window its tile instead of 640x480.
TEST_F(WindowTest, F11LeavesFullScreenFor640x480AndF11AgainReturns) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    input().tapKey(XK_F11);
    ASSERT_TRUE(viewer.waitWindowed(modeChangeLimit));
    EXPECT_FALSE(viewer.coversMonitor());
    // A window manager puts its frame there, and the window inside it.
    if (desktop().manager == WindowManager::none) {
        const auto g = viewer.geometry();
        ASSERT_TRUE(g);
        EXPECT_EQ((Point{g->x, g->y}), (Point{windowedX, windowedY}));
    }
    ASSERT_TRUE(waitFocused(viewer));
    // Size and position may arrive one after the other: wait until it stays put.
    const auto first = waitHeldStill(viewer, modeChangeLimit, Millis(200), [](const Geometry&) { return true; });
    ASSERT_TRUE(first);
    input().tapKey(XK_F11);
    EXPECT_TRUE(viewer.waitCoversMonitor(modeChangeLimit));
    ASSERT_TRUE(waitFocused(viewer));
    input().tapKey(XK_F11);
    EXPECT_TRUE(viewer.waitWindowed(modeChangeLimit))
        << "the second F11 from full screen must restore the size again";
    ASSERT_TRUE(waitFocused(viewer));
    if (desktop().managerPlacesFrame) {
        EXPECT_TRUE(quitsWith(viewer, XK_Escape));
        GTEST_SKIP() << desktop().name << " puts the window back lower right by its frame";
    }
    const bool samePlace = waitUntil(
        [&] {
            const auto g = viewer.geometry();
            return g && g->x == first->x && g->y == first->y;
        },
        modeChangeLimit);
    const auto now = viewer.geometry();
    EXPECT_TRUE(samePlace) << "first back at (" << first->x << ", " << first->y << "), then "
                           << (now ? "at (" + std::to_string(now->x) + ", " + std::to_string(now->y) + ")"
                                   : std::string("without a window"));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// The key tests prove the viewer's own handler only if the keys reach it: openbox's
// default configuration closes the focused window on Alt+F4 itself (a key the manager
// binds is grabbed and never reaches the client), and the server's default keyboard
// map takes Ctrl+Alt+F4 for switching terminals.
TEST_F(WindowTest, HarnessPassesEveryF4CombinationToTheClient) {
    if (desktop().managerBindsKeys) GTEST_SKIP() << desktop().name << " keeps its own bindings, Alt+F4 among them";
    Display* d = display();
    const Window window = XCreateSimpleWindow(d, session().root(), 0, 0, 200, 200, 0, 0, 0);
    XSelectInput(d, window, KeyPressMask);
    XMapWindow(d, window);
    ASSERT_TRUE(waitUntil([&] {
        const auto g = windowGeometry(d, window);
        return g && g->viewable;
    }, Millis(10000)));
    // A binding is a grab on the root, which wins whatever window has the focus.
    XSetInputFocus(d, window, RevertToParent, CurrentTime);
    XSync(d, False);
    const struct {
        std::initializer_list<KeySym> modifiers;
        unsigned state;
    } combinations[] = {{{XK_Alt_L}, Mod1Mask},
                        {{XK_Control_L, XK_Alt_L}, ControlMask | Mod1Mask},
                        {{XK_Alt_L, XK_Shift_L}, ShiftMask | Mod1Mask}};
    for (const auto& c : combinations) {
        input().tapKey(XK_F4, c.modifiers);
        bool received = false;
        waitUntil(
            [&] {
                XEvent event;
                while (XCheckWindowEvent(d, window, KeyPressMask, &event))
                    if (XLookupKeysym(&event.xkey, 0) == XK_F4 && (event.xkey.state & c.state) == c.state)
                        received = true;
                return received;
            },
            Millis(5000));
        EXPECT_TRUE(received) << "F4 with modifier state " << c.state << " never reached the client";
    }
}
}  // namespace
