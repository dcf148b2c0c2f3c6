#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "Wait.h"

namespace e2e {

struct ChildOptions {
    std::vector<std::string> argv;         // argv[0] is the program's path
    std::vector<std::string> environment;  // NAME=VALUE entries set on top of the test's own
    std::string workDir;                   // empty: the test's own
    std::string stdoutPath;                // empty: /dev/null
    std::string stderrPath;                // empty: /dev/null
    int passFd = -1;                       // handed to the child as its fd 3 (Xvfb's -displayfd)
};

// A process started by a test, in a process group of its own, that dies with the test
// process even if the test is killed. Ending it kills the whole group; the destructor
// does so too, so a failing test never leaves anything running.
class Child {
public:
    explicit Child(const ChildOptions& options);  // throws std::runtime_error
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    pid_t pid() const { return pid_; }
    // False once the process has ended (it is then reaped).
    bool running();
    // The raw wait status once the process has ended within `limit`.
    std::optional<int> waitExit(Millis limit);
    // SIGTERM to the group, then SIGKILL if it has not ended within a short grace.
    void stop();

private:
    bool reap(int flags);
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

// "exited with status 3", "killed by signal 9": for failure messages.
std::string describeWaitStatus(int status);

}  // namespace e2e
