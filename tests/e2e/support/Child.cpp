#include "Child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace e2e {
namespace {
constexpr Millis stopGrace(2000);

int openOutput(const std::string& path) {
    return ::open(path.empty() ? "/dev/null" : path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(const ChildOptions& options, char** argv, int out, int err, pid_t parent) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);  // the test died before prctl took hold
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (options.passFd == 3)
        ::fcntl(3, F_SETFD, 0);  // dup2 onto itself would keep close-on-exec
    else if (options.passFd >= 0)
        ::dup2(options.passFd, 3);
    if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0) ::_exit(125);
    ::execv(argv[0], argv);
    ::_exit(124);
}
}  // namespace

Child::Child(const ChildOptions& options) {
    if (options.argv.empty()) throw std::runtime_error("no program to start");
    std::vector<char*> argv;
    for (const std::string& a : options.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // setenv before fork keeps the child's side async-signal-safe; the values are
    // restored right after, so the test process itself is unchanged.
    std::vector<std::pair<std::string, std::optional<std::string>>> previous;
    for (const std::string& entry : options.environment) {
        const std::string name = entry.substr(0, entry.find('='));
        const char* old = std::getenv(name.c_str());
        previous.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), entry.substr(name.size() + 1).c_str(), 1);
    }
    const int out = openOutput(options.stdoutPath);
    const int err = openOutput(options.stderrPath);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) execChild(options, argv.data(), out, err, parent);
    const int forkErrno = errno;
    for (auto it = previous.rbegin(); it != previous.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
    if (out >= 0) ::close(out);
    if (err >= 0) ::close(err);
    if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(forkErrno));
    ::setpgid(pid_, pid_);  // also here, so the group exists before any kill below
}

Child::~Child() { stop(); }

bool Child::reap(int flags) {
    if (reaped_) return true;
    const pid_t r = ::waitpid(pid_, &status_, flags);
    if (r == pid_) reaped_ = true;
    return reaped_;
}

bool Child::running() { return pid_ > 0 && !reap(WNOHANG); }

std::optional<int> Child::waitExit(Millis limit) {
    if (pid_ <= 0) return std::nullopt;
    if (waitUntil([&] { return reap(WNOHANG); }, limit, Millis(5))) return status_;
    return std::nullopt;
}

void Child::stop() {
    // The group is signalled only while its leader is unreaped, so its id cannot
    // have passed to an unrelated process.
    if (pid_ <= 0 || reap(WNOHANG)) return;
    ::kill(-pid_, SIGTERM);
    // The leader is left unreaped until the group has been swept: members that outlive
    // it (a compositor's helper that waits with SIGTERM blocked) end with it.
    waitUntil(
        [&] {
            siginfo_t info{};
            return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                   info.si_pid == pid_;
        },
        stopGrace, Millis(5));
    ::kill(-pid_, SIGKILL);
    reap(0);
}

std::string describeWaitStatus(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "wait status " + std::to_string(status);
}

}  // namespace e2e
