#!/usr/bin/env bash
# Installs what is missing (Debian packages, the interface font), configures the CMake build in
# DIR with Ninja, through ccache when present, unless it is configured already, and builds it
# (or only TARGETs). Later builds are incremental.
#
#   tools/setup/build.sh DIR [CMAKE OPTION...] [-- TARGET...]
set -euo pipefail
setup=$(dirname "$0")
build=$1
shift
options=()
targets=()
while (($#)); do
    if [[ $1 == -- ]]; then
        shift
        targets=("$@")
        break
    fi
    options+=("$1")
    shift
done

"$setup/deps.sh"
"$setup/fonts.sh"

if [[ ! -f "$build/build.ninja" ]]; then
    launcher=()
    command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$setup/../.." -B "$build" -G Ninja "${launcher[@]+"${launcher[@]}"}" \
        "${options[@]+"${options[@]}"}"
fi
if ((${#targets[@]})); then
    cmake --build "$build" --target "${targets[@]}"
else
    cmake --build "$build"
fi
