#!/usr/bin/env bash
# Builds the `bench` preset (release) and prints every figure on a line of its own:
#  - the engine's events under Google Benchmark (one Next press of each pass, a whole game);
#  - start-up to the first painted frame and peak memory, the game against a bare Qt window
#    of the same size, medians of interleaved runs on the offscreen platform;
#  - the CPU the game uses while its clock runs, as a share of one core;
#  - resident memory after 100 and after 1000 openings and closings of the instructions.
#
#   scripts/bench.sh [RUNS] [IDLE_SECONDS]     (defaults 15 and 20)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-15}"
idle="${2:-20}"

scripts/install-deps.sh --test
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

bin=build/bench
echo "== engine (ns per event; CPU time) =="
# Google Benchmark's console table, cut down to one figure per line.
"$bin/bench/giro_bench_engine" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null |
    awk -F, '/_median"/ { gsub(/"/, "", $1); sub(/_median$/, "", $1); printf "%s_ns %.1f\n", $1, $4 }'

echo "== start-up, peak memory and idle cost (offscreen) =="
"$bin/bench/giro_bench_startup" "$bin/bench/girolettera-probe" "$bin/bench/barewindow" "$runs" "$idle"

echo "== instructions window opened and closed (offscreen) =="
QT_QPA_PLATFORM=offscreen "$bin/bench/giro_bench_instructions" 1000 2>/dev/null
