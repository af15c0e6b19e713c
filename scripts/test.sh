#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, and runs every test.
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}" "${BENCH_PACKAGES[@]}" python3-wheel-whl
build_project
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"

# The same source must also serve a newer CPython: build it for python3 and
# run the Python tests there.
PY3="$(python3 -c 'import sys; print(sys.executable if sys.version_info[:2] != (3, 8) else "")' 2>/dev/null || true)"
if [ -n "$PY3" ]; then
    case "$PY3" in /usr/bin/*) install_packages python3-dev ;; esac
    BUILD_DIR="$BUILD_DIR-python3" BRONDEL_PYTHON="$PY3" build_project
    ctest --test-dir "$BUILD_DIR-python3" --output-on-failure -R '^python\.'
fi

# The Windows x64 module, cross-built, its native tests run under wine.
bash "$REPO_ROOT/scripts/windows.sh"

# The same suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then a bounded run of the fuzzer.
bash "$REPO_ROOT/scripts/sanitize.sh"
bash "$REPO_ROOT/scripts/fuzz.sh"
