#include "ViewerSession.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "Config.h"
#include "MotionWatch.h"
#include "XProps.h"

namespace e2e {
namespace {
constexpr Millis focusLimit(10000);
constexpr Millis windowStillPeriod(100);

// A parameterized test's name holds slashes.
std::string fileNameOf(std::string name) {
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

std::uint8_t toFramebuffer(double channel) { return static_cast<std::uint8_t>(std::lround(channel * 255.0)); }
}  // namespace

Rgb skyPixel() { return Rgb{toFramebuffer(137.0 / 256), toFramebuffer(171.0 / 256), toFramebuffer(199.0 / 256)}; }

void ViewerSession::SetUp() {
    ASSERT_FALSE(config().viewer.empty()) << "pass --viewer=PATH";
    ASSERT_FALSE(config().reference.empty()) << "pass --reference=PATH";
    ASSERT_FALSE(config().sourceDir.empty()) << "pass --source-dir=PATH";
    session_ = std::make_unique<XSession>(desktopNamed(config().desktop));
}

void ViewerSession::TearDown() {
    apps_.clear();  // each App ends its process group
    session_.reset();
    folders_.clear();
}

std::string ViewerSession::emptyFolder() {
    folders_.push_back(std::make_unique<ScratchDir>("run"));
    return folders_.back()->path();
}

std::string ViewerSession::sceneFolder() {
    const std::string folder = emptyFolder();
    const std::filesystem::path scene = std::filesystem::path(config().sourceDir) / "scenes" / "demo";
    for (const char* name : {"1.obj", "2.obj"}) {
        if (!std::filesystem::exists(scene / name))
            throw std::runtime_error("the sample scene lacks " + (scene / name).string());
        std::filesystem::copy_file(scene / name, std::filesystem::path(folder) / name);
    }
    return folder;
}

App& ViewerSession::startViewer(const std::string& workDir, const std::vector<std::string>& environment) {
    apps_.push_back(std::make_unique<App>(*session_, config().viewer, std::vector<std::string>{}, workDir,
                                          config().launcher, environment));
    viewers_.push_back(apps_.back().get());
    return *apps_.back();
}

App& ViewerSession::startProgram(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& workDir) {
    apps_.push_back(std::make_unique<App>(*session_, program, args, workDir));
    return *apps_.back();
}

App& ViewerSession::startReference(const std::string& workDir, const std::vector<std::string>& args) {
    apps_.push_back(std::make_unique<App>(*session_, config().reference, args, workDir));
    return *apps_.back();
}

Point ViewerSession::startRest() const {
    return restPointFor(session_->desktop().startMonitor(), startAnchor, session_->desktop().allMonitors());
}

Point ViewerSession::restIn(const Geometry& window) const {
    return restPointFor(Area{window.x, window.y, window.width, window.height}, startAnchor,
                        session_->desktop().allMonitors());
}

bool ViewerSession::pointerComesTo(Point where, Millis limit) const {
    return waitUntil([&] { return pointerPosition(display()) == where; }, limit);
}

std::optional<Geometry> ViewerSession::waitHeldStill(const App& app, Millis limit, Millis period,
                                                     const std::function<bool(const Geometry&)>& accept) {
    std::optional<Geometry> previous, now;
    const bool still = waitUntil(
        [&] {
            previous = now;
            now = app.geometry();
            return previous && now && now->x == previous->x && now->y == previous->y && accept(*now);
        },
        limit, period);
    if (!still) return std::nullopt;
    return now;
}

std::optional<Geometry> ViewerSession::waitWindowedAndPlaced(const App& app, Millis limit) {
    return waitHeldStill(app, limit, windowStillPeriod, [&](const Geometry& g) {
        return app.isWindowed(g) && pointerPosition(display()) == restIn(g);
    });
}

// Without a window manager the keys go to the window under the pointer.
::testing::AssertionResult ViewerSession::waitFocused(const App& app) {
    const bool managed = session_->desktop().manager != WindowManager::none;
    const bool focused = waitUntil(
        [&] {
            Window focus;
            int revert;
            XGetInputFocus(display(), &focus, &revert);
            if (!managed) {
                const auto g = app.geometry();
                return (focus == PointerRoot || focus == app.window()) && g &&
                       Area{g->x, g->y, g->width, g->height}.contains(pointerPosition(display()));
            }
            return focus == app.window() &&
                   windowProperty(display(), session_->root(), "_NET_ACTIVE_WINDOW") == app.window();
        },
        focusLimit);
    if (focused) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window manager never gave the window the focus";
}

::testing::AssertionResult ViewerSession::waitStarted(App& app, Picture* picture) {
    if (!app.waitCoversMonitor(fullScreenLimit)) return ::testing::AssertionFailure() << "never covered its monitor";
    if (!pointerComesTo(startRest(), fullScreenLimit)) {
        const Point p = pointerPosition(display());
        return ::testing::AssertionFailure() << "the pointer never came to rest on (" << startRest().x << ", "
                                             << startRest().y << "); it is at (" << p.x << ", " << p.y << ")";
    }
    if (desktop().handsPointerOverOnFirstMotion() &&
        std::find(viewers_.begin(), viewers_.end(), &app) != viewers_.end()) {
        const auto handedOver = handOverPointer(app);
        if (!handedOver) return handedOver;
    }
    auto settled = captureSettled(display(), app.window(), settleLimit);
    if (!settled) return ::testing::AssertionFailure() << "the picture never settled";
    if (picture != nullptr) *picture = std::move(*settled);
    return waitFocused(app);
}

// Steps down until the window has the pointer. A step sent before the compositor has
// given its pointer to the window reaches X nowhere, and the step that gives it arrives
// as a jump from the compositor's own position, without raw motion: neither turns
// anything. Every later step comes as raw motion, which the viewer counts; those steps
// are taken back by as many steps up, which leave the pitch exactly as it was. The
// compositor may answer late, so its answers are read until they stop.
::testing::AssertionResult ViewerSession::handOverPointer(const App& viewer) {
    constexpr int attempts = 20;
    constexpr Millis answerLimit(500);
    MotionWatch raw(display(), viewer.window(), MotionWatch::Listen::Raw);
    int counted = 0;
    for (int i = 0; i < attempts && counted == 0; ++i) {
        input().moveBy(0, 1);
        for (std::vector<Point> seen = raw.collect(answerLimit); !seen.empty(); seen = raw.collect(answerLimit))
            counted += static_cast<int>(seen.size());
    }
    if (counted == 0) return ::testing::AssertionFailure() << "the compositor never gave the window its pointer";
    for (int i = 0; i < counted; ++i) {
        if (!pointerComesTo(startRest())) return ::testing::AssertionFailure() << "the pointer did not come to rest";
        input().moveBy(0, -1);
    }
    raw.collect(answerLimit);
    if (!pointerComesTo(startRest())) return ::testing::AssertionFailure() << "the pointer did not come to rest";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ViewerSession::quitsWith(App& app, KeySym key, std::initializer_list<KeySym> modifiers) {
    input().tapKey(key, modifiers);
    const auto status = app.waitExit(quitLimit);
    if (!status)
        return ::testing::AssertionFailure() << XKeysymToString(key) << " did not end the program within "
                                             << quitLimit.count() << " ms";
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
        return ::testing::AssertionFailure() << "it " << describeWaitStatus(*status)
                                             << "; standard error: " << app.standardError();
    return ::testing::AssertionSuccess();
}

void ViewerSession::reportFigure(const std::string& what, const std::string& value) {
    ::testing::Test::RecordProperty(what, value);
    std::printf("[ figure   ] %s: %s\n", what.c_str(), value.c_str());
}

std::string ViewerSession::savePicture(const Picture& picture, const std::string& suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder = config().artifactDir.empty() ? "." : config().artifactDir;
    std::filesystem::create_directories(folder);
    const std::string path =
        (folder / fileNameOf(std::string(info->test_suite_name()) + "." + info->name() + "-" + suffix + ".png"))
            .string();
    writePng(picture, path);
    return path;
}

}  // namespace e2e
