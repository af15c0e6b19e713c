#!/usr/bin/env bash
# Runs the CPython interpreter that the build in build/ (or $BRONDEL_BUILD_DIR)
# is made for, with the given arguments, e.g.
#   bash scripts/python.sh -m venv ~/venv-brondel
#   PYTHONPATH=build/python bash scripts/python.sh -c "import brondel"
# CMake chooses the interpreter (cmake/BrondelPython.cmake) and keeps it in its
# cache; an unconfigured build folder is configured first.
source "$(dirname "$0")/common.sh"
[ -f "$BUILD_DIR/CMakeCache.txt" ] || configure_project
python="$(build_python)"
exec "$python" "$@"
