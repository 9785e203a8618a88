#!/usr/bin/env bash
# Developer loop: incremental build in build/<name> (default "dev"), then the C++ suites and
# pytest against that build, without installing anything. Extra arguments go to pytest.
#   scripts/dev.sh              build/dev, every test
#   scripts/dev.sh mine -k op   build/mine, pytest -k op
source "$(dirname "${BASH_SOURCE[0]}")/environment.sh"
ensure_debian_packages libgtest-dev
NAME="${1:-dev}"
shift || true
BUILD_DIR="$ROOT/build/$NAME"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DVELKOR_TESTS=ON -DVELKOR_WERROR=ON \
    -DPython_EXECUTABLE="$VENV/bin/python" >/dev/null
cmake --build "$BUILD_DIR"
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error | tail -n 3
cd "$ROOT/tests/python"
PYTHONPATH="$BUILD_DIR/python:$ROOT/python" python -m pytest -q "$@"
