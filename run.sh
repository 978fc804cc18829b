#!/usr/bin/env bash
# Installs what is missing, builds Calvetta and starts it.
set -euo pipefail
cd "$(dirname "$0")"

build=build/run
tools/setup/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVETTA_TESTS=OFF
exec "$build/bin/calvetta" "$@"
