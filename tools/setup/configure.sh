#!/usr/bin/env bash
# Configures the CMake build in DIR with Ninja, through ccache when present, unless it is
# configured already: later builds are incremental.
#
#   tools/setup/configure.sh DIR [CMAKE OPTION...]
set -euo pipefail
build=$1
shift
[[ -f "$build/build.ninja" ]] && exit 0
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
exec cmake -S "$(dirname "$0")/../.." -B "$build" -G Ninja "${launcher[@]+"${launcher[@]}"}" "$@"
