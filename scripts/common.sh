# Shared set-up for the scripts: root check, Debian packages, the CMake build
# and the interpreter it was made for. Sourced, not run.
set -euo pipefail

REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BRONDEL_BUILD_DIR:-$REPO_ROOT/build}"
# The Windows x64 cross build (scripts/windows.sh).
WINDOWS_BUILD_DIR="${BRONDEL_WINDOWS_BUILD_DIR:-$REPO_ROOT/build-windows}"

# The test command's builds stop at any compiler warning; a user's build
# (the demo, pip install .) only shows them.
WARNINGS_AS_ERRORS=-DBRONDEL_WARNINGS_AS_ERRORS=ON

# Packages every build needs; scripts add their own.
BASE_PACKAGES=(cmake ninja-build g++ pybind11-dev googletest binutils)
# Debian's python3: Debian's Python packages (matplotlib, dask) are built for it.
DEBIAN_PYTHON="${BRONDEL_DEBIAN_PYTHON:-/usr/bin/python3}"
# The benchmark compares with libtcod's A* and draws its charts with
# matplotlib; its short run is part of the tests.
BENCH_PACKAGES=(libtcod-dev python3-matplotlib)

require_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "error: run this as root: it installs missing Debian packages with apt-get" >&2
        exit 1
    fi
}

# Installs those of the given Debian packages that are missing.
install_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}" >&2
    if [ -z "${BRONDEL_APT_UPDATED:-}" ]; then
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        export BRONDEL_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Prints the interpreter the build in $BUILD_DIR is made for, as CMake chose it
# (cmake/BrondelPython.cmake) and keeps it in the cache.
build_python() {
    local python
    python="$(sed -n 's/^PYTHON_EXECUTABLE:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null || true)"
    if [ -z "$python" ]; then
        echo "error: $BUILD_DIR is not configured for a Python interpreter" >&2
        exit 1
    fi
    echo "$python"
}

# Configures $BUILD_DIR with the given CMake arguments.
configure_project() {
    cmake -S "$REPO_ROOT" -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
}

# Builds into $BUILD_DIR, at most two jobs at a time: everything (the module,
# the tests, the benchmark), or only the target named in BUILD_TARGET. It
# configures first when there is no cache yet or when CMake arguments are
# given, so that a -D given on a later run takes effect.
build_project() {
    if [ $# -gt 0 ] || [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        configure_project "$@"
    fi
    # Two jobs at most: the machines have two cores, shared with other work.
    cmake --build "$BUILD_DIR" -j "${BRONDEL_JOBS:-2}" ${BUILD_TARGET:+--target "$BUILD_TARGET"} >/dev/null
}
