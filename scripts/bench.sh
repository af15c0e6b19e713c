#!/usr/bin/env bash
# The benchmark: builds, runs bench_pathfinders on the Moving AI maps in
# bench/maps and the Python side (bench/python_costs.py), and writes
# results.md with its charts into $BUILD_DIR/bench-results.
#   --publish   write them into bench/results instead: the committed results
# Other arguments go to bench_pathfinders (for example --queries 100 --repeats 2).
source "$(dirname "$0")/common.sh"
RESULTS="$BUILD_DIR/bench-results"
if [ "${1:-}" = "--publish" ]; then
    RESULTS="$REPO_ROOT/bench/results"
    shift
fi
require_root
install_packages "${BASE_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
build_project
"$BUILD_DIR/bench/bench_pathfinders" --json "$BUILD_DIR/bench-native.json" "$@" "$REPO_ROOT/bench/maps"
PYTHONPATH="$BUILD_DIR/python" "$(build_python)" "$REPO_ROOT/bench/python_costs.py" --json "$BUILD_DIR/bench-python.json"
"$DEBIAN_PYTHON" "$REPO_ROOT/bench/report.py" "$BUILD_DIR/bench-native.json" --python "$BUILD_DIR/bench-python.json" \
    --out "$RESULTS"
echo "Wrote $RESULTS: results.md, results.png, pipeline.png, threads.png"
