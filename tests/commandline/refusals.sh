#!/usr/bin/env bash
# The command lines of the tools and scripts: a mistake is refused at once with an exit code
# other than 0 and a message that names it; asked for, help is an answer (exit 0).
#
#   tests/commandline/refusals.sh SOURCE_DIR BIN_DIR
set -uo pipefail
src=$1
bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# expect CODE TEXT COMMAND...: COMMAND exits with CODE and prints TEXT (stdout or stderr).
expect() {
    local code=$1 text=$2
    shift 2
    local out status
    out=$(timeout 60 "$@" 2>&1)
    status=$?
    if [[ $status != "$code" || $out != *"$text"* ]]; then
        echo "FAILED: $* exited $status (wanted $code), printed:"
        echo "$out" | head -n 5
        echo "wanted it to print: $text"
        failed=1
    fi
}

# A misspelt part or target must not build or run anything and then report success.
expect 2 'unknown part "star"' "$src/bench/run.sh" star
export CALVETTA_FUZZ_BIN=$work/no-fuzz-build CALVETTA_FUZZ_WORK=$work/fuzz
expect 2 'unknown target "lnk"' "$src/fuzz/run.sh" lnk
# Options given without the seconds before them would run without a time limit.
expect 2 '"-jobs=2" is not a number of seconds' "$src/fuzz/run.sh" link -jobs=2

export QT_QPA_PLATFORM=offscreen
expect 0 'usage: calvetta-review' "$bin/calvetta-review" --help
: >"$work/a-file"
expect 1 'cannot make the folder' "$bin/calvetta-review" "$work/a-file/out"

expect 0 'usage: calvetta-pictures-preview' "$bin/calvetta-pictures-preview" --help
mkdir "$work/empty"
expect 1 "no pictures in $work/empty" \
    "$bin/calvetta-pictures-preview" "$work/empty" "$work/empty" "$work/out"

exit $failed
