# Shared set-up for the scripts: root check, Debian packages, the interpreter
# the module is built for, and the CMake build. Sourced, not run.
set -euo pipefail

REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BRONDEL_BUILD_DIR:-$REPO_ROOT/build}"

# Packages every build needs; scripts add their own.
BASE_PACKAGES=(cmake ninja-build g++ pybind11-dev googletest binutils)
# The benchmark compares with libtcod's A*; its short run is part of the tests.
BENCH_PACKAGES=(libtcod-dev)

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

# Prints the CPython 3.8 to build for: $BRONDEL_PYTHON, else pyenv's newest
# 3.8, else python3.8 on PATH.
find_python() {
    if [ -n "${BRONDEL_PYTHON:-}" ]; then
        echo "$BRONDEL_PYTHON"
        return
    fi
    local root="${PYENV_ROOT:-$HOME/.pyenv}"
    command -v pyenv >/dev/null 2>&1 && root="$(pyenv root)"
    local found
    found="$(ls -d "$root"/versions/3.8*/bin/python3.8 2>/dev/null | sort -V | tail -n 1 || true)"
    [ -z "$found" ] && found="$(command -v python3.8 || true)"
    if [ -z "$found" ]; then
        echo "error: no CPython 3.8 found; set BRONDEL_PYTHON=/path/to/python3.8" >&2
        exit 1
    fi
    echo "$found"
}

# Configures (once) and builds the module and the tests into $BUILD_DIR.
build_project() {
    local python
    python="$(find_python)"
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S "$REPO_ROOT" -B "$BUILD_DIR" -G Ninja -DPYTHON_EXECUTABLE="$python" "$@" >/dev/null
    fi
    # Two jobs at most: the machines have two cores, shared with other work.
    cmake --build "$BUILD_DIR" -j "${BRONDEL_JOBS:-2}" >/dev/null
}
