#!/usr/bin/env bash
# Runs one fuzz target: first every input of its committed corpus (the regression cases among
# them), then new inputs for the given number of seconds.
#
#   fuzz/run.sh [--fresh] TARGET [SECONDS] [libFuzzer options...]
#   fuzz/run.sh --growth TARGET [ROUNDS]
#
# TARGET is link, settings, language, firmware or device; SECONDS defaults to 60. New inputs
# are kept in build/fuzz/work/TARGET/corpus (--fresh starts that folder empty) and inputs that
# fail in build/fuzz/work/TARGET/. The programs come from build/fuzz (made by ./test.sh).
#
# --growth runs every input of both corpora ROUNDS times (default 10), without mutating them,
# and prints the bytes in use on the heap after each round: a number that keeps rising is
# something the program keeps.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

growth=0
if [[ "${1:-}" == --growth ]]; then
    growth=1
    shift
fi

fresh=0
if [[ "${1:-}" == --fresh ]]; then
    fresh=1
    shift
fi
target=${1:?"usage: fuzz/run.sh [--fresh | --growth] TARGET [SECONDS | ROUNDS] [options...]"}
seconds=${2:-60}
rounds=${2:-10}
# libFuzzer reads a time that is not a number as no limit at all.
if [[ -n "${2:-}" && ! "$2" =~ ^[1-9][0-9]*$ ]]; then
    echo "fuzz/run.sh: \"$2\" is not a number of $( ((growth)) && echo rounds || echo seconds)" \
         "(1 or more); libFuzzer options come after it." >&2
    exit 2
fi
shift $(($# < 2 ? $# : 2))

case $target in
    link | settings | language | firmware | device) ;;
    *)
        echo "fuzz/run.sh: unknown target \"$target\"; the targets are link, settings," \
             "language, firmware and device." >&2
        exit 2
        ;;
esac

bin=${CALVETTA_FUZZ_BIN:-$here/../build/fuzz/bin}/fuzz_$target
work=${CALVETTA_FUZZ_WORK:-$here/../build/fuzz/work}/$target
if [[ ! -x "$bin" ]]; then
    echo "No $bin: build the fuzz targets first (./test.sh does)." >&2
    exit 1
fi
((fresh)) && rm -rf "$work/corpus"
mkdir -p "$work/corpus"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}:suppressions=$here/ubsan.supp"

if ((growth)); then
    inputs=()
    for dir in "$here/corpus/$target" "$work/corpus"; do
        for f in "$dir"/*; do
            if [[ -f "$f" ]]; then
                inputs+=("$f")
            fi
        done
    done
    runs=()
    for ((i = 0; i < rounds; ++i)); do
        runs+=("${inputs[@]}")
    done
    CALVETTA_FUZZ_HEAP_EVERY=${#inputs[@]} "$bin" "${runs[@]}" 2>&1 | grep '^heap after'
    exit "${PIPESTATUS[0]}"
fi

# Inputs as long as what each reader meets: status replies beyond the 4000-character limit,
# requests up to the device's 4096-byte buffer.
case $target in
    link) max_len=12000 ;;
    device) max_len=6000 ;;
    *) max_len=8192 ;;
esac
options=(-max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048
         -print_final_stats=1 -artifact_prefix="$work/")
dict=$here/$target.dict
[[ -f "$dict" ]] && options+=(-dict="$dict")

exec "$bin" "${options[@]}" "$@" "$work/corpus" "$here/corpus/$target"
