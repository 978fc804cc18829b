#!/usr/bin/env bash
# Installs what is missing, builds Calvetta with AddressSanitizer and UBSan, builds the fuzz
# targets with clang, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

build=build/test
tools/setup/build.sh "$build" -DCMAKE_BUILD_TYPE=Debug -DCALVETTA_SANITIZE=ON

# The fuzz targets: the program built once more, with clang, for libFuzzer. The tests above
# run each target for a few seconds from its corpus (fuzz/run.sh).
fuzz=build/fuzz
tools/setup/build.sh "$fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCALVETTA_FUZZ=ON -- calvetta_fuzzers

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure --timeout 600 "$@"
