# The Debian packages the scripts need (installed if any is missing), and the wine
# settings of the Windows tests. Sourced by the other scripts.

# Building and running the viewer and objprep: all that scripts/demo and scripts/view
# install.
demo_packages="cmake g++ make pkg-config libglut-dev libglu1-mesa-dev libgl-dev libx11-dev libxi-dev libxfixes-dev
  libxrandr-dev libxinerama-dev libtinyobjloader-dev libtinygltf-dev nlohmann-json3-dev libmeshoptimizer-dev"
# The test packages, on top: GoogleTest and Google Benchmark, the X servers, desktops and
# input tools of the end-to-end tests, and clang for the fuzzers.
test_packages="libgtest-dev libbenchmark-dev libxtst-dev libpng-dev
  xvfb x11-xserver-utils openbox xfwm4 dbus xdotool x11-utils x11-xkb-utils clang libclang-rt-14-dev"
# The Windows cross-build and running it: mingw-w64, wine, GoogleTest's sources, and
# what unpacking Debian's source packages (freeglut, meshoptimizer) takes.
windows_packages="g++-mingw-w64-x86-64-posix wine wine64 googletest zip dpkg-dev xz-utils"
# The end-to-end tests' Wayland desktops: the compositors with their Xwayland, and the
# client libraries of the harness's input (D-Bus for mutter; Wayland and a keymap for sway).
wayland_test_packages="mutter sway xwayland libglib2.0-dev libwayland-dev libxkbcommon-dev"

# install_missing_packages [test] [windows] [wayland]: the demo's packages, and those of
# each set named.
install_missing_packages() {
    local wanted=$demo_packages missing=() set
    for set in "$@"; do
        case "$set" in
        test) wanted="$wanted $test_packages" ;;
        windows) wanted="$wanted $windows_packages" ;;
        wayland) wanted="$wanted $wayland_test_packages" ;;
        *)
            echo "install_missing_packages: no package set \"$set\"" >&2
            return 2
            ;;
        esac
    done
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

# The wine settings every Windows test program runs with: the build's own wine folder,
# no debug output, no .NET or HTML engine install prompts. $1: the Windows build folder.
use_wine_environment() {
    export WINEPREFIX=$1/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# sway refuses to run as root: run as root, the tests start it as this account, made here
# once (no home, no login).
make_wayland_test_account() {
    [ "$(id -u)" -ne 0 ] || id viewer-e2e >/dev/null 2>&1 ||
        useradd --system --no-create-home --shell /usr/sbin/nologin viewer-e2e
}
