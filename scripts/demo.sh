#!/usr/bin/env bash
# The main job: installs what is missing, builds the module (nothing else, so
# that a first run is short), and runs the demo.
# Arguments are passed to examples/demo.py.
source "$(dirname "$0")/common.sh"
require_root
install_packages "${BASE_PACKAGES[@]}"
BUILD_TARGET=brondel build_project
PYTHONPATH="$BUILD_DIR/python" exec "$(build_python)" "$REPO_ROOT/examples/demo.py" "$@"
