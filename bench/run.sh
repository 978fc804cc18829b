#!/usr/bin/env bash
# Measures Calvetta against the serial wire and against a bare Qt window, and prints one table:
# each row gives the figure, its target and whether it is met. Exits 1 when a target is missed
# (2 when a measurement could not be made).
#
# It builds what it needs in a release build of its own (build/bench), runs the benchmarks of
# the link and the window offscreen, and measures the program itself from outside under an X
# server of its own (Xvfb, no window manager): start-up to the first paint and peak memory
# beside a bare window, and the processor time it takes while connected to the emulated
# focuser SIM, idle and during a long goto, driven with clicks and keys as a user would.
# Timing figures depend on what else the machine is doing: run it when the machine is quiet.
#
#   bench/run.sh [PART...]    PART: bench (the link and the window), start (start-up and
#                             memory), cpu (processor time on SIM); all three by default
set -euo pipefail
cd "$(dirname "$0")/.."

# A misspelt part would otherwise build everything, measure nothing and report success.
for part in "$@"; do
    case $part in
        bench | start | cpu) ;;
        *)
            echo "bench/run.sh: unknown part \"$part\"; the parts are bench, start and cpu." >&2
            exit 2
            ;;
    esac
done

build=build/bench
tools/setup/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVETTA_TESTS=ON \
    -- calvetta calvetta-bench calvetta-bare-window calvetta-start-probe

parts=("$@")
((${#parts[@]})) || parts=(bench start cpu)
wanted() { [[ " ${parts[*]} " == *" $1 "* ]]; }

bin="$PWD/$build/bin"
work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

rows="$work/rows"
: >"$rows"
measured=true

echo "Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg)"

# --- The link and the window, offscreen ---------------------------------------------------
if wanted bench; then
    echo "Benchmarks of the link and the window (about a minute)..."
    if ! "$bin/calvetta-bench" --benchmark_repetitions=3 >>"$rows" 2>"$work/bench.log"; then
        cat "$work/bench.log" >&2
        measured=false
    fi
fi

# --- The program from outside ------------------------------------------------------------
if wanted start || wanted cpu; then
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    export QT_QPA_PLATFORM=xcb
    unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$work/display")"

    # The program runs from a directory of its own, as installed: the executable with its
    # language files beside it, and its settings and history files written there.
    program="$work/program"
    mkdir "$program"
    cp "$bin/calvetta" "$bin/calvetta-parts.so" "$bin"/VaskelManager_*.txt "$program/"
fi

if wanted start; then
    echo "Start-up and memory, seven starts each..."
    if ! "$bin/calvetta-start-probe" --runs 7 "$program/calvetta" "$bin/calvetta-bare-window" \
            >>"$rows" 2>"$work/start.log"; then
        cat "$work/start.log" >&2
        measured=false
    fi
fi

# Processor time of the process (all its threads), in seconds.
cpu_seconds() {
    awk -v tick="$(getconf CLK_TCK)" '{ print ($14 + $15) / tick }' "/proc/$1/stat"
}
now() { date +%s.%N; }
# Share of one core over an interval: cpu0 cpu1 t0 t1.
share() { awk -v c0="$1" -v c1="$2" -v t0="$3" -v t1="$4" 'BEGIN { printf "%.2f", 100 * (c1 - c0) / (t1 - t0) }'; }
within() { awk -v v="$1" -v limit="$2" 'BEGIN { exit !(v <= limit) }'; }
history_rows() { cat "$program"/calvetta-history-*.csv 2>/dev/null | grep -c '^20' || true; }

cpu_row() { # what, share, target
    local met=NO
    within "$2" "$3" && met=yes
    printf '%s\t%s%% of a core\t<= %s%%\t%s\n' "$1" "$2" "$3" "$met" >>"$rows"
}

# Watches the program for SECONDS: sets `busy` (its share of one core) and `replies` (the
# status replies it recorded meanwhile).
measure_interval() {
    local rows0 c0 t0
    rows0=$(history_rows)
    c0=$(cpu_seconds "$app_pid"); t0=$(now)
    sleep "$1"
    busy=$(share "$c0" "$(cpu_seconds "$app_pid")" "$t0" "$(now)")
    replies=$(($(history_rows) - rows0))
}

measure_cpu() {
    local window busy replies
    echo "Processor time on SIM: 60 s idle, then during a long goto..."
    printf 'Port=SIM\r\n' >"$program/calvetta.ini"
    "$program/calvetta" 2>"$work/app.log" &
    app_pid=$!
    if ! window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app_pid" | head -n1) ||
            [[ -z "$window" ]]; then
        echo "The program's window did not appear." >&2
        measured=false
    else
        # Connect (the port list holds SIM from the settings file).
        xdotool mousemove --window "$window" 52 151 click 1
        for _ in $(seq 100); do (($(history_rows) > 0)) && break; sleep 0.1; done
        if (($(history_rows) == 0)); then
            echo "No status reply came from SIM." >&2
            measured=false
        else
            sleep 3 # the first replies switch the view
            measure_interval 60
            if ((replies < 50)); then
                echo "SIM was not polled while idle ($replies replies in 60 s)." >&2
                measured=false
            fi
            cpu_row "CPU connected to SIM, idle (60 s)" "$busy" 1

            # A goto to the far end of the travel: the field takes more than the travel and GO
            # clamps it. The move lasts about 25 s; polling stops meanwhile, so no reply comes.
            xdotool mousemove --window "$window" 58 413 click 1 key ctrl+a type 9999999
            xdotool mousemove --window "$window" 56 454 click 1
            sleep 1
            measure_interval 20
            if ((replies != 0)); then
                echo "The goto was not under way for the whole interval." >&2
                measured=false
            fi
            cpu_row "CPU connected to SIM, long goto streaming positions (20 s)" "$busy" 5
        fi
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
        app_pid=""
    fi
}

if wanted cpu; then
    measure_cpu
fi

# --- The table -------------------------------------------------------------------------------
echo
awk -F'\t' '
    { what[NR] = $1; figure[NR] = $2; target[NR] = $3; met[NR] = $4
      if (length($1) > w1) w1 = length($1); if (length($2) > w2) w2 = length($2)
      if (length($3) > w3) w3 = length($3) }
    END {
      if (w1 < 6) w1 = 6; if (w2 < 6) w2 = 6; if (w3 < 6) w3 = 6
      fmt = "| %-" w1 "s | %-" w2 "s | %-" w3 "s | %-4s |\n"
      printf fmt, "What", "Figure", "Target", "Met"
      printf "|%s|%s|%s|------|\n", dashes(w1 + 2), dashes(w2 + 2), dashes(w3 + 2)
      for (i = 1; i <= NR; ++i) printf fmt, what[i], figure[i], target[i], met[i]
    }
    function dashes(n,   s) { s = ""; while (n-- > 0) s = s "-"; return s }
' "$rows"
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

if ! $measured; then
    echo "Some figures could not be measured." >&2
    exit 2
fi
if grep -q $'\tNO$' "$rows"; then
    exit 1
fi
