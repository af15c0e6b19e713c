#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, and runs every test
# in stages, each to its end even when an earlier one failed. The output ends
# with one line per stage, its tests passed and failed, and a last line
# "N passed, M failed" over all stages; the exit status is 1 if anything failed.
source "$(dirname "$0")/common.sh"
require_root
# libc++: configure must refuse it (tests/scripts).
install_packages "${BASE_PACKAGES[@]}" "${BENCH_PACKAGES[@]}" python3-wheel-whl mypy libc++-dev libc++abi-dev

linux_stage() {
    build_project "$WARNINGS_AS_ERRORS"
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
}

# The same source must also serve a newer CPython: build it for Debian's
# python3 and run the Python tests there, with the Debian packages of the
# examples that need one (the Dask cluster example).
PY3="$("$DEBIAN_PYTHON" -c 'import sys; print(sys.executable if sys.version_info[:2] != (3, 8) else "")' 2>/dev/null || true)"
python3_stage() {
    install_packages python3-dev python3-distributed
    BUILD_DIR="$BUILD_DIR-python3" BRONDEL_PYTHON="$PY3" build_project "$WARNINGS_AS_ERRORS"
    BRONDEL_REQUIRE_DASK=1 ctest --test-dir "$BUILD_DIR-python3" --output-on-failure -R '^python\.'
}

# The two wheels, made from the Linux and the Windows build, then installed
# and checked (tests/dist).
wheels_stage() {
    bash "$REPO_ROOT/scripts/dist.sh"
    (cd "$REPO_ROOT/tests/dist" && "$(build_python)" -m unittest -v test_wheels)
}

source "$REPO_ROOT/scripts/stages.sh"
run_stage linux linux_stage
[ -n "$PY3" ] && run_stage python3 python3_stage
# The Windows x64 module, cross-built, its native tests run under wine.
run_stage windows bash "$REPO_ROOT/scripts/windows.sh"
run_stage wheels wheels_stage
# The same suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then a bounded run of the fuzzer.
run_stage sanitize bash "$REPO_ROOT/scripts/sanitize.sh"
run_stage fuzz bash "$REPO_ROOT/scripts/fuzz.sh"

print_summary
