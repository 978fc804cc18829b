#!/usr/bin/env bash
# Installs what is missing, builds Calvetta and starts it.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup/deps.sh
tools/setup/fonts.sh

build=build/run
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S . -B "$build" -G Ninja "${launcher[@]+"${launcher[@]}"}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVETTA_TESTS=OFF
fi
cmake --build "$build"
exec "$build/bin/calvetta" "$@"
