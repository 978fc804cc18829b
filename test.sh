#!/usr/bin/env bash
# Installs what is missing, builds Calvetta with AddressSanitizer and UBSan, builds the fuzz
# targets with clang, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup/deps.sh
tools/setup/fonts.sh

build=build/test
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S . -B "$build" -G Ninja "${launcher[@]+"${launcher[@]}"}" -DCMAKE_BUILD_TYPE=Debug -DCALVETTA_SANITIZE=ON
fi
cmake --build "$build"

# The fuzz targets: the program built once more, with clang, for libFuzzer. The tests above
# run each target for a few seconds from its corpus (fuzz/run.sh).
fuzz=build/fuzz
if [[ ! -f "$fuzz/build.ninja" ]]; then
    cmake -S . -B "$fuzz" -G Ninja "${launcher[@]+"${launcher[@]}"}" -DCMAKE_CXX_COMPILER=clang++ -DCALVETTA_FUZZ=ON
fi
cmake --build "$fuzz" --target calvetta_fuzzers

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure --timeout 600 "$@"
