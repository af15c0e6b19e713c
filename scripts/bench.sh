#!/usr/bin/env bash
# The benchmark: builds, runs bench_pathfinders on the Moving AI maps in
# bench/maps and the Python costs, and writes bench/results/results.{md,png}.
# Arguments go to bench_pathfinders (for example --queries 100 --repeats 2).
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
build_project
RESULTS="$REPO_ROOT/bench/results"
mkdir -p "$RESULTS"
"$BUILD_DIR/bench/bench_pathfinders" --json "$BUILD_DIR/bench-native.json" "$@" "$REPO_ROOT/bench/maps"
PYTHONPATH="$BUILD_DIR/python" "$(build_python)" "$REPO_ROOT/bench/python_costs.py" --json "$BUILD_DIR/bench-python.json"
"$(build_python)" "$REPO_ROOT/bench/report.py" "$BUILD_DIR/bench-native.json" --python "$BUILD_DIR/bench-python.json" \
    --markdown "$RESULTS/results.md" --png "$RESULTS/results.png"
echo "Wrote $RESULTS/results.md and $RESULTS/results.png"
