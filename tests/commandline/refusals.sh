#!/usr/bin/env bash
# Tools and scripts refuse a command-line mistake at once, naming it, with a failing exit code;
# help asked for is an answer (exit 0). Arguments: SOURCE_DIR BIN_DIR.
set -uo pipefail
src=$1 bin=$2 failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect() { # CODE TEXT COMMAND...
    local out status
    out=$(timeout 60 "${@:3}" 2>&1)
    status=$?
    [[ $status == "$1" && $out == *"$2"* ]] ||
        { echo "FAILED: ${*:3}: exit $status (wanted $1), wanted \"$2\" in: $out" | head -n 5; failed=1; }
}

expect 2 'unknown part "star"' "$src/bench/run.sh" star
export CALVETTA_FUZZ_BIN=$work/none CALVETTA_FUZZ_WORK=$work/fuzz QT_QPA_PLATFORM=offscreen
expect 2 'unknown target "lnk"' "$src/fuzz/run.sh" lnk
expect 2 '"-jobs=2" is not a number of seconds' "$src/fuzz/run.sh" link -jobs=2 # no time limit
expect 0 'usage: calvetta-review' "$bin/calvetta-review" --help
: >"$work/file"
expect 1 'cannot make the folder' "$bin/calvetta-review" "$work/file/out"
expect 1 "cannot use the language file" "$bin/calvetta-review" --language XX "$work/out"
expect 0 'usage: calvetta-pictures-preview' "$bin/calvetta-pictures-preview" --help
mkdir "$work/empty"
expect 1 "no pictures in $work/empty" "$bin/calvetta-pictures-preview" "$work/empty" "$work/empty" "$work/out"
expect 1 'DISPLAY is not set' env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/calvetta"
expect 1 'could not reach the desktop at DISPLAY ":9999"' \
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9999 "$bin/calvetta"
exit $failed
