#!/usr/bin/env bash
# The main job: builds and installs Velkor into .venv, then runs the worked example.
source "$(dirname "${BASH_SOURCE[0]}")/environment.sh"
cd "$ROOT"
pip_install --no-build-isolation --no-deps -Cbuild-dir="$ROOT/build/release" .
python "$ROOT/examples/main.py"
