#include "App.h"

#include <algorithm>
#include <stdexcept>

#include "ScratchDir.h"

namespace e2e {
namespace {
// llvmpipe on two shared cores: start-up includes loading both meshes.
constexpr Millis windowLimit(20000);
constexpr int windowedWidth = 640;   // px: the size start-up creates, F11 returns to
constexpr int windowedHeight = 480;  // px
int appsStarted = 0;  // names each program's output files uniquely within a session

// The root's children: the top-level windows when no manager reparents them.
std::vector<Window> rootChildren(XSession& session) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> windows;
    if (XQueryTree(session.display(), session.root(), &root, &parent, &children, &count) && children != nullptr)
        windows.assign(children, children + count);
    if (children != nullptr) XFree(children);
    return windows;
}
}  // namespace

App::App(XSession& session, const std::string& program, const std::vector<std::string>& args,
         const std::string& workDir, const std::string& launcher, const std::vector<std::string>& environment)
    : session_(session) {
    const std::string stem = session.scratch().file("app" + std::to_string(++appsStarted));
    stdoutPath_ = stem + ".stdout";
    stderrPath_ = stem + ".stderr";
    ChildOptions options;
    if (!launcher.empty()) options.argv.push_back(launcher);
    options.argv.push_back(program);
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.environment = session.clientEnvironment();
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    options.workDir = workDir;
    options.stdoutPath = stdoutPath_;
    options.stderrPath = stderrPath_;
    const std::vector<Window> before = rootChildren(session);
    process_ = std::make_unique<Child>(options);

    Display* display = session.display();
    const bool managed = session.desktop().manager != WindowManager::none;
    const bool found = waitUntil(
        [&] {
            if (managed) {
                for (Window w : windowListProperty(display, session.root(), "_NET_CLIENT_LIST"))
                    if (cardinalProperty(display, w, "_NET_WM_PID") == static_cast<unsigned long>(process_->pid())) {
                        window_ = w;
                        return true;
                    }
            } else {
                // The toolkit names its process only to a manager that asks for it; the
                // program's window is then the top-level window that came with it.
                for (Window w : rootChildren(session))
                    if (std::find(before.begin(), before.end(), w) == before.end()) {
                        window_ = w;
                        return true;
                    }
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

bool App::coversMonitor() const {
    const auto g = geometry();
    return g && g->viewable && Area{g->x, g->y, g->width, g->height} == session_.desktop().startMonitor();
}

bool App::waitCoversMonitor(Millis limit) const {
    return waitUntil([&] { return coversMonitor(); }, limit);
}

bool App::isWindowed(const Geometry& g) const {
    if (!g.viewable) return false;
    if (session_.desktop().managerTiles)
        return !(Area{g.x, g.y, g.width, g.height} == session_.desktop().startMonitor());
    return g.width == windowedWidth && g.height == windowedHeight;
}

bool App::waitWindowed(Millis limit) const {
    return waitUntil(
        [&] {
            const auto g = geometry();
            return g && isWindowed(*g);
        },
        limit);
}

std::string App::standardOutput() const { return readFile(stdoutPath_); }
std::string App::standardError() const { return readFile(stderrPath_); }

}  // namespace e2e
