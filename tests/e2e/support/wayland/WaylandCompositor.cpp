#include "WaylandCompositor.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <stdexcept>

#include "MutterInput.h"
#include "SwayInput.h"
#include "Wait.h"

namespace e2e {
namespace {
constexpr Millis startLimit(30000);  // compositor and Xwayland on two shared cores
// The unprivileged account sway runs under when the tests run as root (sway refuses
// to run as root); scripts/deps.sh makes it.
const char* const swayUser = "viewer-e2e";

// Waits until `file` holds a line matching `pattern`; returns its first group.
std::string waitForLine(const std::string& file, const std::regex& pattern, Child& process, const std::string& what) {
    std::smatch match;
    std::string text;
    const bool found = waitUntil(
        [&] {
            text = readFile(file);
            return std::regex_search(text, match, pattern) || !process.running();
        },
        startLimit, Millis(50));
    if (!found || match.empty()) throw std::runtime_error(what + " did not come up: " + text);
    return match[1].str();
}

// A private runtime folder (sockets, the Xwayland authority), mode 0700, owned by `uid`.
std::string runtimeFolder(const ScratchDir& scratch, uid_t uid, gid_t gid) {
    const std::string path = scratch.file("run");
    if (::mkdir(path.c_str(), 0700) != 0 || ::chown(path.c_str(), uid, gid) != 0)
        throw std::runtime_error("cannot make the runtime folder " + path);
    return path;
}
}  // namespace

WaylandCompositor::WaylandCompositor(const Desktop& desktop, const ScratchDir& scratch)
    : desktop_(desktop), scratch_(scratch) {
    if (desktop.manager == WindowManager::mutter)
        startMutter();
    else if (desktop.manager == WindowManager::sway)
        startSway();
    else
        throw std::invalid_argument(desktop.name + " is no Wayland desktop");
}

// mutter serves its remote-desktop interface on the session bus; a bus of the test's
// own keeps parallel runs apart. Its Xwayland takes the first free display and an
// authority file in the runtime folder, both named in its log.
void WaylandCompositor::startMutter() {
    const std::string run = runtimeFolder(scratch_, ::getuid(), ::getgid());
    busAddress_ = "unix:path=" + scratch_.file("bus");
    ChildOptions bus;
    bus.argv = {"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + busAddress_};
    bus.stderrPath = scratch_.file("bus.log");
    bus_ = std::make_unique<Child>(bus);
    if (!waitUntil([&] { return std::filesystem::exists(scratch_.file("bus")) || !bus_->running(); }, startLimit) ||
        !bus_->running())
        throw std::runtime_error("the session bus did not come up: " + readFile(scratch_.file("bus.log")));

    ChildOptions mutter;
    const std::string size = std::to_string(desktop_.screenWidth) + "x" + std::to_string(desktop_.screenHeight);
    mutter.argv = {"/usr/bin/mutter", "--wayland", "--headless", "--virtual-monitor", size};
    mutter.environment = {"XDG_RUNTIME_DIR=" + run, "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
                          "HOME=" + scratch_.path(), "XDG_CONFIG_HOME=" + scratch_.path(),
                          "XDG_CACHE_HOME=" + scratch_.path(), "XDG_DATA_HOME=" + scratch_.path()};
    mutter.stderrPath = scratch_.file("mutter.log");
    mutter.stdoutPath = scratch_.file("mutter.out");
    compositor_ = std::make_unique<Child>(mutter);
    displayName_ = waitForLine(scratch_.file("mutter.log"), std::regex("Using public X11 display (:[0-9]+)"),
                               *compositor_, "mutter's Xwayland");
    waitUntil(
        [&] {
            for (const auto& entry : std::filesystem::directory_iterator(run))
                if (entry.path().filename().string().rfind(".mutter-Xwaylandauth.", 0) == 0) {
                    xauthority_ = entry.path().string();
                    return true;
                }
            return false;
        },
        startLimit);
    if (xauthority_.empty()) throw std::runtime_error("mutter wrote no Xwayland authority file");
}

// sway refuses to run as root, so then it runs as an account of its own, in a runtime
// folder of that account's. Its Xwayland lets in only that account until told
// otherwise: a start-up command of sway's lets the test's account in and then names the
// display in a file.
void WaylandCompositor::startSway() {
    uid_t uid = ::getuid();
    gid_t gid = ::getgid();
    std::vector<std::string> asUser;
    if (uid == 0) {
        const passwd* account = ::getpwnam(swayUser);
        if (account == nullptr)
            throw std::runtime_error(std::string("sway runs as the account ") + swayUser +
                                     ", which does not exist: run scripts/test, which makes it");
        uid = account->pw_uid;
        gid = account->pw_gid;
        asUser = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid),
                  "--clear-groups"};
    }
    // The account must reach its runtime folder and read the configuration inside ours.
    ::chmod(scratch_.path().c_str(), 0711);
    const std::string run = runtimeFolder(scratch_, uid, gid);
    const passwd* me = ::getpwuid(::getuid());
    const std::string testAccount = me != nullptr ? me->pw_name : "root";
    const std::string config = scratch_.file("sway.config");
    writeFile(config, "xwayland force\n"
                      "output * resolution " + std::to_string(desktop_.screenWidth) + "x" +
                          std::to_string(desktop_.screenHeight) + " position 0 0\n"
                      "exec sh -c 'xhost +si:localuser:" + testAccount + " && echo \"$DISPLAY\" > " + run +
                          "/display.part && mv " + run + "/display.part " + run + "/display'\n");
    ::chmod(config.c_str(), 0644);

    ChildOptions sway;
    sway.argv = asUser;
    sway.argv.insert(sway.argv.end(), {"/usr/bin/sway", "-c", config});
    sway.environment = {"XDG_RUNTIME_DIR=" + run, "HOME=" + run, "WLR_BACKENDS=headless",
                        "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman", "WAYLAND_DISPLAY=", "DISPLAY="};
    sway.stderrPath = scratch_.file("sway.log");
    compositor_ = std::make_unique<Child>(sway);
    const std::string displayFile = run + "/display";
    if (!waitUntil([&] { return std::filesystem::exists(displayFile) || !compositor_->running(); }, startLimit) ||
        !compositor_->running())
        throw std::runtime_error("sway's Xwayland did not come up: " + readFile(scratch_.file("sway.log")));
    displayName_ = readFile(displayFile);
    displayName_.erase(displayName_.find_last_not_of("\n") + 1);
    for (const auto& entry : std::filesystem::directory_iterator(run)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) waylandSocket_ = entry.path();
    }
    if (waylandSocket_.empty()) throw std::runtime_error("sway made no Wayland socket");
}

std::unique_ptr<Input> WaylandCompositor::makeInput(Display* display) const {
    if (desktop_.manager == WindowManager::mutter) return std::make_unique<MutterInput>(display, busAddress_);
    return std::make_unique<SwayInput>(display, waylandSocket_);
}

void WaylandCompositor::stop() {
    if (compositor_) compositor_->stop();
    if (bus_) bus_->stop();
}

}  // namespace e2e
