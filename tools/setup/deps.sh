#!/usr/bin/env bash
# Installs the Debian packages Calvetta needs to build and test, only those missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev
    libzip-dev rapidjson-dev libgtest-dev
    fontconfig npm
    qt6-charts-dev libqt6opengl6-dev libindi-dev socat qt6-translations-l10n
    libbenchmark-dev clang libclang-rt-14-dev
    ccache
    xvfb xdotool libxcb-damage0-dev
    libfaketime
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# npm may come with a Node.js that is not a Debian package.
if command -v npm >/dev/null 2>&1; then
    filtered=()
    for p in "${missing[@]}"; do [[ "$p" == npm ]] || filtered+=("$p"); done
    missing=("${filtered[@]+"${filtered[@]}"}")
fi

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
