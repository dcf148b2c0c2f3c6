#include "App.h"

#include <stdexcept>

#include "ScratchDir.h"

namespace e2e {
namespace {
// llvmpipe on two shared cores: start-up includes loading both meshes.
constexpr Millis windowLimit(20000);
int appsStarted = 0;  // names each program's output files uniquely within a session
}  // namespace

App::App(XSession& session, const std::string& program, const std::vector<std::string>& args,
         const std::string& workDir, const std::string& launcher)
    : session_(session) {
    const std::string stem = session.scratch().file("app" + std::to_string(++appsStarted));
    stdoutPath_ = stem + ".stdout";
    stderrPath_ = stem + ".stderr";
    ChildOptions options;
    if (!launcher.empty()) options.argv.push_back(launcher);
    options.argv.push_back(program);
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.environment = {"DISPLAY=" + session.displayName()};
    options.workDir = workDir;
    options.stdoutPath = stdoutPath_;
    options.stderrPath = stderrPath_;
    process_ = std::make_unique<Child>(options);

    Display* display = session.display();
    const bool found = waitUntil(
        [&] {
            for (Window w : windowListProperty(display, session.root(), "_NET_CLIENT_LIST"))
                if (cardinalProperty(display, w, "_NET_WM_PID") == static_cast<unsigned long>(process_->pid())) {
                    window_ = w;
                    return true;
                }
            return !process_->running();
        },
        windowLimit);
    if (!found || window_ == 0)
        throw std::runtime_error(program + " showed no window (" +
                                 (process_->running() ? std::string("still running") : std::string("it ended")) +
                                 "); its standard error: " + standardError());
}

std::optional<Geometry> App::geometry() const { return windowGeometry(session_.display(), window_); }

bool App::coversScreen() const {
    const auto g = geometry();
    return g && g->viewable && g->x == 0 && g->y == 0 && g->width == XSession::screenWidth &&
           g->height == XSession::screenHeight;
}

bool App::waitCoversScreen(Millis limit) const {
    return waitUntil([&] { return coversScreen(); }, limit);
}

bool App::waitSize(int width, int height, Millis limit) const {
    return waitUntil(
        [&] {
            const auto g = geometry();
            return g && g->viewable && g->width == width && g->height == height;
        },
        limit);
}

std::string App::standardOutput() const { return readFile(stdoutPath_); }
std::string App::standardError() const { return readFile(stderrPath_); }

}  // namespace e2e
