#!/usr/bin/env bash
# Start-up time of the program: from launch to the main menu window shown, on a virtual X
# display. Prints each run and the median. Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build/release}
runs=${2:-9}
program=$(realpath "$build/bin/tiku")

if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$runs"
fi

times=()
for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$program" 2>/dev/null &
    pid=$!
    # Poll for the mapped window; each look costs a few milliseconds.
    until xdotool search --onlyvisible --name '^题库$' >/dev/null 2>&1; do
        sleep 0.002
    done
    end=$(date +%s%N)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    ms=$(((end - start) / 1000000))
    times+=("$ms")
    echo "run $((i + 1)): ${ms} ms"
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "median: ${sorted[$((runs / 2))]} ms over $runs runs"
