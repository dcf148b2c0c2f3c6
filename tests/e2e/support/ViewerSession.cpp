#include "ViewerSession.h"

#include <X11/keysym.h>

#include <cmath>
#include <filesystem>

#include "Config.h"
#include "XProps.h"

namespace e2e {
namespace {
constexpr Millis focusLimit(10000);
// Where start-up puts the pointer, and the mouse-look anchor.
constexpr Point startAnchor{320, 240};

std::uint8_t toFramebuffer(double channel) { return static_cast<std::uint8_t>(std::lround(channel * 255.0)); }
}  // namespace

Rgb skyPixel() { return Rgb{toFramebuffer(137.0 / 256), toFramebuffer(171.0 / 256), toFramebuffer(199.0 / 256)}; }

void ViewerSession::SetUp() {
    ASSERT_FALSE(config().viewer.empty()) << "pass --viewer=PATH";
    ASSERT_FALSE(config().reference.empty()) << "pass --reference=PATH";
    ASSERT_FALSE(config().sourceDir.empty()) << "pass --source-dir=PATH";
    session_ = std::make_unique<XSession>();
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

App& ViewerSession::startViewer(const std::string& workDir) {
    apps_.push_back(
        std::make_unique<App>(*session_, config().viewer, std::vector<std::string>{}, workDir, config().launcher));
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

::testing::AssertionResult ViewerSession::waitFocused(const App& app) {
    const bool focused = waitUntil(
        [&] {
            Window focus;
            int revert;
            XGetInputFocus(display(), &focus, &revert);
            return focus == app.window() &&
                   windowProperty(display(), session_->root(), "_NET_ACTIVE_WINDOW") == app.window();
        },
        focusLimit);
    if (focused) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window manager never gave the window the focus";
}

::testing::AssertionResult ViewerSession::waitStarted(App& app, Picture* picture) {
    if (!app.waitCoversScreen(fullScreenLimit)) return ::testing::AssertionFailure() << "never covered the screen";
    if (!waitUntil([&] { return pointerPosition(display()) == startAnchor; }, fullScreenLimit)) {
        const Point p = pointerPosition(display());
        return ::testing::AssertionFailure() << "the pointer never came to rest on (320, 240); it is at (" << p.x
                                             << ", " << p.y << ")";
    }
    auto settled = captureSettled(display(), app.window(), settleLimit);
    if (!settled) return ::testing::AssertionFailure() << "the picture never settled";
    if (picture != nullptr) *picture = std::move(*settled);
    return waitFocused(app);
}

::testing::AssertionResult ViewerSession::quitsWith(App& app, KeySym key, std::initializer_list<KeySym> modifiers) {
    tapKey(display(), key, modifiers);
    const auto status = app.waitExit(quitLimit);
    if (!status)
        return ::testing::AssertionFailure() << XKeysymToString(key) << " did not end the program within "
                                             << quitLimit.count() << " ms";
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
        return ::testing::AssertionFailure() << "it " << describeWaitStatus(*status)
                                             << "; standard error: " << app.standardError();
    return ::testing::AssertionSuccess();
}

std::string ViewerSession::savePicture(const Picture& picture, const std::string& suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder = config().artifactDir.empty() ? "." : config().artifactDir;
    std::filesystem::create_directories(folder);
    const std::string path =
        (folder / (std::string(info->test_suite_name()) + "." + info->name() + "-" + suffix + ".png")).string();
    writePng(picture, path);
    return path;
}

}  // namespace e2e
