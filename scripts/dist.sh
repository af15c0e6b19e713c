#!/usr/bin/env bash
# Writes the two wheels into dist/ (or $BRONDEL_DIST_DIR):
#   brondel-<version>-cp38-cp38-linux_x86_64.whl  from build/
#   brondel-<version>-cp38-cp38-win_amd64.whl     from build-windows/
# Each packs the two modules its build made, brondel and brondel_bulk, the
# very files the tests of that build ran, with their type stubs as the
# packages brondel-stubs and brondel_bulk-stubs. setuptools' bdist_wheel
# (setup.py, `build_ext --modules`) writes the metadata, tags and RECORD; the
# version is the one of project() in CMakeLists.txt.
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 python3-wheel-whl
DIST_DIR="${BRONDEL_DIST_DIR:-$REPO_ROOT/dist}"

build_project
BUILD_DIR="$WINDOWS_BUILD_DIR" build_project \
    -DCMAKE_TOOLCHAIN_FILE="$REPO_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake"

# Packs the modules in $1/python into a wheel for platform $2 with the
# interpreter that build was made for, in a venv of its own holding Debian's
# wheel package (the interpreter's bundled setuptools lacks bdist_wheel).
pack_wheel() {
    local build_dir="$1" platform="$2"
    local tools="$build_dir/wheel-tools"
    if [ ! -x "$tools/bin/python" ]; then
        "$(BUILD_DIR="$build_dir" build_python)" -m venv "$tools"
        "$tools/bin/python" -m pip install -q --no-index /usr/share/python-wheels/wheel-*.whl
    fi
    local work="$build_dir/wheel-work"
    rm -rf "$work"
    mkdir -p "$work"
    # bdist_wheel would build once more with a fresh build_ext, which no
    # longer knows --modules: it packs what the build step put in place.
    (cd "$REPO_ROOT" && "$tools/bin/python" setup.py \
        egg_info --egg-base "$work" \
        build --build-base "$work/build" \
        build_ext --modules "$build_dir/python" \
        bdist_wheel --skip-build --plat-name "$platform" --dist-dir "$DIST_DIR") \
        >"$work/setup.log" 2>&1 || { cat "$work/setup.log" >&2; exit 1; }
}

mkdir -p "$DIST_DIR"
rm -f "$DIST_DIR"/brondel-*.whl
pack_wheel "$BUILD_DIR" linux_x86_64
pack_wheel "$WINDOWS_BUILD_DIR" win_amd64
ls -1 "$DIST_DIR"/brondel-*.whl
