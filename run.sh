#!/usr/bin/env bash
# Installs what is missing, builds Calvetta and starts it.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup/deps.sh
tools/setup/fonts.sh

build=build/run
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVETTA_TESTS=OFF
fi
cmake --build "$build"
exec "$build/bin/calvetta" "$@"
