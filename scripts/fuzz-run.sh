#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, all at once. Fails when any target finds a
# crash, a leak or a timeout. Usage: fuzz-run.sh <dir with targets> <seconds>
set -uo pipefail
dir=$(cd "$1" && pwd)
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pids=()
names=()
for target in "$dir"/*Fuzz; do
    [[ -x "$target" ]] || continue
    name=$(basename "$target")
    corpus="$work/$name"
    mkdir -p "$corpus"
    seeds="$root/fuzz/seeds/$name"
    [[ -d "$seeds" ]] && cp -r "$seeds"/. "$corpus"/
    (cd "$work" && "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 "$corpus" >"$work/$name.log" 2>&1) &
    pids+=($!)
    names+=("$name")
done

status=0
for i in "${!pids[@]}"; do
    if wait "${pids[$i]}"; then
        echo "fuzz ${names[$i]}: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$work/${names[$i]}.log" | grep -o '[0-9]*$') runs, no findings"
    else
        echo "fuzz ${names[$i]}: FAILED" >&2
        tail -n 60 "$work/${names[$i]}.log" >&2
        status=1
    fi
done
exit $status
