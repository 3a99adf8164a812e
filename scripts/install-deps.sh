#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Kestrion need.
# Idempotent: packages already present are left alone and apt is not touched at all
# when nothing is missing.
set -euo pipefail

packages=(
    # toolchain
    g++ make cmake ninja-build pkg-config
    # Qt 6 (Core, Gui, Widgets, Concurrent, Network, Test) and the X11 platform plugin
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    # front matter
    libyaml-dev
    # tests, benchmarks, fuzzing
    googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
    # running without a display
    xvfb xauth
    # fonts the drawing relies on
    fonts-dejavu-core fonts-noto-color-emoji fonts-texgyre
    # a common desktop's fonts, whose Noto Sans Symbols 2 draws five of the markers in one colour:
    # the tests meet that conflict on every run
    fonts-noto-core
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null 2>&1; then
        sudo="sudo"
    else
        echo "error: missing packages (${missing[*]}) and not root; run this script as root" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
