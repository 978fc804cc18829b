#!/usr/bin/env bash
# Installs what is missing, builds Calvetta and starts it.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup/deps.sh
tools/setup/fonts.sh

build=build/run
tools/setup/configure.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVETTA_TESTS=OFF
cmake --build "$build"
exec "$build/bin/calvetta" "$@"
