#!/usr/bin/env bash
# Runs every benchmark: the C++ timing programs (bench/*_bench.cpp) and the Python ones
# (bench/*_bench.py, against the installed package). Each prints one figure per line.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/environment.sh"
BUILD_DIR="$ROOT/build/bench"
pip_install --no-build-isolation --no-deps -Cbuild-dir="$BUILD_DIR" \
    -Ccmake.define.VELKOR_BENCH=ON -Ccmake.build-type=Release "$ROOT"
for program in "$BUILD_DIR"/bench/*_bench; do
    [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program"
done
cd "$ROOT/bench"
for script in "$ROOT"/bench/*_bench.py; do
    [ -f "$script" ] || continue
    echo "== $(basename "$script")"
    python "$script"
done
