#!/usr/bin/env bash
# Runs every test: builds the extension and the C++ suites in one CMake tree, installs the
# package into .venv, then runs GoogleTest and pytest.
source "$(dirname "${BASH_SOURCE[0]}")/environment.sh"
ensure_debian_packages libgtest-dev
cd "$ROOT"

BUILD_DIR="$ROOT/build/test"
pip_install --no-build-isolation --no-deps \
    -Cbuild-dir="$BUILD_DIR" \
    -Ccmake.define.VELKOR_TESTS=ON \
    -Ccmake.define.VELKOR_WERROR=ON \
    -Ccmake.build-type=Release \
    .

echo "== C++ tests"
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error

echo "== Python tests"
# Run from the tests folder so the installed package, not the source tree, is imported.
cd "$ROOT/tests/python"
set +e
python -m pytest -q "$@"
status=$?
set -e
if [ "$status" -eq 5 ]; then
    echo "pytest collected no tests" >&2
    exit 1
fi
exit "$status"
