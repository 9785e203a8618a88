# Sourced by the other scripts: makes sure the machine has what the build and the tests
# need, then activates the project's virtual environment (.venv, from PyPI).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VENV="$ROOT/.venv"

ensure_debian_packages() {
    local missing=()
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing Debian packages: ${missing[*]}"
    $sudo apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null \
        || { $sudo apt-get update >/dev/null && $sudo apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null; }
}

# pip, quiet, without the machine-specific index warnings.
pip_install() {
    "$VENV/bin/python" -m pip install --quiet "$@" 2> >(grep -v "^WARNING: Location" >&2)
}

ensure_venv() {
    if [ ! -x "$VENV/bin/python" ]; then
        echo "Creating the virtual environment $VENV"
        python3 -m venv "$VENV"
    fi
    local stamp="$VENV/.requirements-installed"
    if [ ! -f "$stamp" ] || [ "$ROOT/requirements-dev.txt" -nt "$stamp" ]; then
        pip_install --upgrade pip
        pip_install -r "$ROOT/requirements-dev.txt"
        touch "$stamp"
    fi
}

ensure_venv
export PATH="$VENV/bin:$PATH"
