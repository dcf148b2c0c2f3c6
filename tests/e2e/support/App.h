#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Child.h"
#include "XProps.h"
#include "XSession.h"

namespace e2e {

// A GLUT program (the viewer, or the reference picture) running in a session: started
// in `workDir` with its standard output and error going to files of the session's
// scratch folder, and its top-level window, found through the window manager.
class App {
public:
    // Returns once the program's window exists (listed by the window manager, if there
    // is one); throws std::runtime_error (with the program's standard error) if it never
    // does. A `launcher` (when not empty) runs the program, as wine runs a Windows build.
    // `environment` (NAME=VALUE) is set for the program on top of the session's.
    App(XSession& session, const std::string& program, const std::vector<std::string>& args,
        const std::string& workDir, const std::string& launcher = "",
        const std::vector<std::string>& environment = {});
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Window window() const { return window_; }
    std::optional<Geometry> geometry() const;

    // True once the window is shown covering exactly the monitor it starts on.
    bool coversMonitor() const;
    bool waitCoversMonitor(Millis limit) const;
    // True once the window is shown out of full screen at the size it asked for (where
    // the window manager tiles: at any size short of covering its monitor).
    bool isWindowed(const Geometry& g) const;
    bool waitWindowed(Millis limit) const;

    bool running() { return process_->running(); }
    std::optional<int> waitExit(Millis limit) { return process_->waitExit(limit); }
    void stop() { process_->stop(); }

    std::string standardOutput() const;
    std::string standardError() const;

private:
    XSession& session_;
    std::string stdoutPath_, stderrPath_;
    std::unique_ptr<Child> process_;
    Window window_ = 0;
};

}  // namespace e2e
