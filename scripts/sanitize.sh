#!/usr/bin/env bash
# The whole test suite, native and Python, built with AddressSanitizer and
# UndefinedBehaviorSanitizer (g++) into build-sanitize/. The Python tests run
# under CPython 3.8 with the sanitizer runtime preloaded (tests/CMakeLists.txt).
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
BUILD_DIR="${BRONDEL_SANITIZE_BUILD_DIR:-$REPO_ROOT/build-sanitize}"
build_project "$WARNINGS_AS_ERRORS" -DBRONDEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++
# Left out: the pip install test, which only builds the module once more
# without sanitizers, and the benchmark's smoke runs, which time code that
# the sanitizers slow down and load the module without their runtime.
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -E "^(package|bench)\\."
