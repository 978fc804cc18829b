#!/usr/bin/env bash
# Runs one fuzz target: first every input of its committed corpus (the regression cases among
# them), then new inputs for the given number of seconds.
#
#   fuzz/run.sh [--fresh] TARGET [SECONDS] [libFuzzer options...]
#   fuzz/run.sh --growth TARGET [ROUNDS]
#   fuzz/run.sh --again TARGET FILE...
#
# TARGET is link, settings, language, firmware, device, history or indi; SECONDS defaults to
# 60. New inputs are kept in build/fuzz/work/TARGET/corpus (--fresh starts that folder empty)
# and inputs that fail in build/fuzz/work/TARGET/. The programs come from build/fuzz (made by
# ./test.sh).
#
# --growth runs every input of both corpora ROUNDS times (default 10), without mutating them,
# and prints the bytes in use on the heap after each round: a number that keeps rising is
# something the program keeps.
#
# --again runs the given inputs once each (a crash-… file kept from a run), with the reports
# in full.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

growth=0
again=0
if [[ "${1:-}" == --growth ]]; then
    growth=1
    shift
elif [[ "${1:-}" == --again ]]; then
    again=1
    shift
fi

fresh=0
if [[ "${1:-}" == --fresh ]]; then
    fresh=1
    shift
fi
target=${1:?"usage: fuzz/run.sh [--fresh | --growth | --again] TARGET [SECONDS | ROUNDS | FILE...] [options...]"}
seconds=${2:-60}
rounds=${2:-10}
# libFuzzer reads a time that is not a number as no limit at all.
if ((!again)) && [[ -n "${2:-}" && ! "$2" =~ ^[1-9][0-9]*$ ]]; then
    echo "fuzz/run.sh: \"$2\" is not a number of $( ((growth)) && echo rounds || echo seconds)" \
         "(1 or more); libFuzzer options come after it." >&2
    exit 2
fi
if ((again)); then
    shift
    if (($# == 0)); then
        echo "fuzz/run.sh: --again needs the inputs to run." >&2
        exit 2
    fi
else
    shift $(($# < 2 ? $# : 2))
fi

case $target in
    link | settings | language | firmware | device | history | indi) ;;
    *)
        echo "fuzz/run.sh: unknown target \"$target\"; the targets are link, settings," \
             "language, firmware, device, history and indi." >&2
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
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}:suppressions=$here/ubsan.supp"
if ((again)); then
    # By their full paths: the targets work in a folder of their own, as the program does.
    files=()
    for f in "$@"; do
        [[ -e "$f" ]] && f=$(realpath -- "$f")
        files+=("$f")
    done
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    exec "$bin" "${files[@]}"
fi
# Without the stack of each allocation: in the system's libraries, built without frame pointers,
# it comes out different nearly every time, and the sanitizer keeps every one it has seen. The
# process grew by half a megabyte every thousand inputs (1.7 GB after half an hour of firmware
# packages) towards the 2 GB limit, where the run would stop as out of memory; without them it
# stays level. --again gives the full report of an input that failed.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:malloc_context_size=0}

if ((growth)); then
    inputs=()
    for dir in "$here/corpus/$target" "$work/corpus"; do
        for f in "$dir"/*; do
            if [[ -f "$f" ]]; then
                inputs+=("$f")
            fi
        done
    done
    # One command line carries every round: it has a limit.
    bytes=0
    for f in "${inputs[@]}"; do
        bytes=$((bytes + ${#f} + 9))
    done
    most=$(($(getconf ARG_MAX) / 2 / (bytes > 0 ? bytes : 1)))
    if ((rounds > most)); then
        echo "fuzz/run.sh: $rounds rounds of ${#inputs[@]} inputs do not fit on one command" \
             "line; $most at most." >&2
        exit 2
    fi
    runs=()
    for ((i = 0; i < rounds; ++i)); do
        runs+=("${inputs[@]}")
    done
    # Everything but libFuzzer's lines for each input: the heap, and any report of a failure.
    set +e
    CALVETTA_FUZZ_HEAP_EVERY=${#inputs[@]} "$bin" "${runs[@]}" 2>&1 |
        grep -v -E '^(Running: |Executed |INFO: |\*\*\*|.*: Running [0-9]+ inputs )'
    exit "${PIPESTATUS[0]}"
fi

# Inputs as long as what each reader meets: status replies beyond the 4000-character limit,
# requests up to the device's 4096-byte buffer.
case $target in
    link | indi) max_len=12000 ;;
    device) max_len=6000 ;;
    *) max_len=8192 ;;
esac
options=(-max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048
         -print_final_stats=1 -artifact_prefix="$work/")
dict=$here/$target.dict
[[ -f "$dict" ]] && options+=(-dict="$dict")

exec "$bin" "${options[@]}" "$@" "$work/corpus" "$here/corpus/$target"
