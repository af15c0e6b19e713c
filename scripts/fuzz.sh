#!/usr/bin/env bash
# Builds the libFuzzer target with clang (AddressSanitizer and UBSan too) into
# build-fuzz/ and runs it for a bounded time, 60 s unless BRONDEL_FUZZ_SECONDS
# says otherwise. It starts from the seed corpus in tests/fuzz/corpus and
# keeps what it finds in build-fuzz/corpus, so a later run goes on from there.
# A crash leaves its input in build-fuzz/artifacts/ and fails the script.
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}" clang-14 libclang-rt-14-dev
BUILD_DIR="${BRONDEL_FUZZ_BUILD_DIR:-$REPO_ROOT/build-fuzz}"
build_project "$WARNINGS_AS_ERRORS" -DBRONDEL_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14
mkdir -p "$BUILD_DIR/corpus" "$BUILD_DIR/artifacts"
"$BUILD_DIR/tests/fuzz/pathfinder_fuzzer" \
    -max_total_time="${BRONDEL_FUZZ_SECONDS:-60}" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$BUILD_DIR/artifacts/" \
    "$BUILD_DIR/corpus" "$REPO_ROOT/tests/fuzz/corpus" 2>"$BUILD_DIR/fuzz.log" \
    || { tail -n 60 "$BUILD_DIR/fuzz.log" >&2; exit 1; }
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$BUILD_DIR/fuzz.log" || true
