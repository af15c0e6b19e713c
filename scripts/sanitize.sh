#!/usr/bin/env bash
# The whole test suite, native and Python, built with AddressSanitizer and
# UndefinedBehaviorSanitizer (g++) into build-sanitize/. The Python tests run
# under CPython 3.8 with the sanitizer runtime preloaded (tests/CMakeLists.txt).
# Then the native tests of the threaded batch and of the per-thread search
# workspaces, built with ThreadSanitizer into build-tsan/.
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
BUILD_DIR="${BRONDEL_SANITIZE_BUILD_DIR:-$REPO_ROOT/build-sanitize}"
build_project "$WARNINGS_AS_ERRORS" -DBRONDEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++
# Left out: the pip install test, which only builds the module once more
# without sanitizers, and the benchmark's smoke runs, which time code that
# the sanitizers slow down and load the module without their runtime.
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -E "^(package|bench)\\."
# The threaded batch once more under ThreadSanitizer (g++), native
# tests only: any data race fails the test that caused it.
TSAN_BUILD_DIR="${BRONDEL_TSAN_BUILD_DIR:-$REPO_ROOT/build-tsan}"
BUILD_DIR="$TSAN_BUILD_DIR" build_project "$WARNINGS_AS_ERRORS" -DBRONDEL_TSAN=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" \
    ctest --test-dir "$TSAN_BUILD_DIR" --output-on-failure -j "$(nproc)" -R "Batch|SearchWorkspace"
