#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "App.h"
#include "Input.h"
#include "Picture.h"
#include "ScratchDir.h"
#include "XSession.h"

namespace e2e {

// The mouse-look anchor start-up sets, window pixels.
constexpr Point startAnchor{320, 240};

// Limits for what the tests wait on; generous, because llvmpipe on two shared cores is
// slow, and polled, so a healthy run does not wait them out.
constexpr Millis fullScreenLimit(15000);
constexpr Millis placementLimit(5000);    // for the viewer to answer a movement
constexpr Millis modeChangeLimit(10000);  // F11 either way
constexpr Millis quitLimit(5000);  // "promptly": a key to a gone process
constexpr Millis settleLimit(15000);

// The clear colour 137/256, 171/256, 199/256 as an 8-bit framebuffer stores it: each
// channel rounded to the nearest of 255 steps, which gives 136, 170, 198.
Rgb skyPixel();

// Each test gets its own X server and window manager, and ends every program it
// started, even when it fails.
class ViewerSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Display* display() const { return session_->display(); }
    XSession& session() { return *session_; }
    Input& input() const { return session_->input(); }

    // A new empty folder for one program run.
    std::string emptyFolder();
    // A new folder holding copies of the sample scene's 1.obj and 2.obj.
    std::string sceneFolder();

    // `environment` (NAME=VALUE) is set for the viewer on top of the session's.
    App& startViewer(const std::string& workDir, const std::vector<std::string>& environment = {});
    // The reference program: the viewer's start-up with the camera given by `args`.
    App& startReference(const std::string& workDir, const std::vector<std::string>& args);
    // Any program that ends up showing the viewer's window under its own process id.
    App& startProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir);

    const Desktop& desktop() const { return session_->desktop(); }
    // Where the pointer rests after start-up (screen pixels): on the anchor of the
    // full-screen window, or where the viewer rests it when the anchor is off screen.
    Point startRest() const;
    // The same for the anchor of a window placed at `window`.
    Point restIn(const Geometry& window) const;

    // Waits until the pointer rests at `where` (screen pixels).
    bool pointerComesTo(Point where, Millis limit = placementLimit) const;
    // Polls every `period` until two polls in a row find the window at the same place and
    // `accept` takes it; returns its geometry then, or nullopt.
    static std::optional<Geometry> waitHeldStill(const App& app, Millis limit, Millis period,
                                                 const std::function<bool(const Geometry&)>& accept);
    // Waits until the window holds still out of full screen (App::isWindowed; a manager
    // may restore a size and then move the window) and the pointer rests at restIn() of
    // it; returns the window's geometry then, or nullopt.
    std::optional<Geometry> waitWindowedAndPlaced(const App& app, Millis limit);

    // Waits until the window manager has given the app the keyboard focus.
    ::testing::AssertionResult waitFocused(const App& app);
    // Waits until the app covers its monitor, the pointer rests at startRest() and the
    // picture has settled; returns that picture.
    ::testing::AssertionResult waitStarted(App& app, Picture* picture);
    // Taps `key` and expects the app to end with status 0 within quitLimit.
    ::testing::AssertionResult quitsWith(App& app, KeySym key, std::initializer_list<KeySym> modifiers = {});
    // Prints a measured figure in the test log ("[ figure   ] what: value") and records it.
    static void reportFigure(const std::string& what, const std::string& value);
    // Writes a picture to the artifact folder as <test name>-<suffix>.png; returns the path.
    std::string savePicture(const Picture& picture, const std::string& suffix);

private:
    std::unique_ptr<XSession> session_;
    std::vector<std::unique_ptr<ScratchDir>> folders_;
    std::vector<std::unique_ptr<App>> apps_;
    std::vector<const App*> viewers_;  // the apps that are the viewer, with mouse look

    // Where the compositor hands the pointer over with the first motion, a step down
    // does it, as a user's hand on the mouse would; taken back if the viewer counted it.
    ::testing::AssertionResult handOverPointer(const App& viewer);
};

}  // namespace e2e
