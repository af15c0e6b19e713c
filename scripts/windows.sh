#!/usr/bin/env bash
# The Windows x64 deliverable, cross-built and tested on this Debian machine:
# installs the MinGW-w64 compiler and wine if missing, cross-builds the module
# (build/python/brondel.cp38-win_amd64.pyd under $BRONDEL_WINDOWS_BUILD_DIR,
# default build-windows/), runs every native test and the checks of the module
# file under wine, and compares the consistency report of the Windows build
# with that of the Linux build byte for byte. Called by scripts/test.sh.
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 wine

# Wine keeps its prefix (a small Windows installation, about 700 MB) outside
# the repository. A persistent wineserver, started here and stopped on exit,
# keeps each test program's start under a second; without it every program
# would also wait for the server to linger and quit.
export WINEPREFIX="${BRONDEL_WINEPREFIX:-$HOME/.cache/brondel-wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
mkdir -p "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineserver -p
wine wineboot --init >/dev/null 2>&1

# The Linux build provides the reference report.
build_project "$WARNINGS_AS_ERRORS"
BUILD_DIR="$WINDOWS_BUILD_DIR" build_project "$WARNINGS_AS_ERRORS" \
    -DCMAKE_TOOLCHAIN_FILE="$REPO_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake"
ctest --test-dir "$WINDOWS_BUILD_DIR" --output-on-failure -j "$(nproc)"

# Same seeded maps and queries, same answers, on both platforms.
report_dir="$WINDOWS_BUILD_DIR/consistency"
mkdir -p "$report_dir"
"$BUILD_DIR/tests/consistency/consistency_report" "$report_dir/linux.txt"
(cd "$report_dir" && wine "$WINDOWS_BUILD_DIR/tests/consistency/consistency_report.exe" windows.txt)
if ! cmp -s "$report_dir/linux.txt" "$report_dir/windows.txt"; then
    echo "error: the Windows build answers differently from the Linux build:" >&2
    diff "$report_dir/linux.txt" "$report_dir/windows.txt" | head -n 40 >&2
    exit 1
fi
echo "consistency: Linux and Windows reports are identical ($(wc -l <"$report_dir/linux.txt") lines)"
