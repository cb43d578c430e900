#!/usr/bin/env bash
# Builds the `bench` preset (release) and prints every figure on a line of its own:
#  - the engine's events under Google Benchmark (one Next press of each pass, a whole game);
#  - the CPU of one AVANTI press through the main window, against the game as it was at a
#    baseline commit;
#  - start-up to the first painted frame and peak memory, the game against a bare Qt window
#    of the same size and against the baseline, medians of interleaved runs on the offscreen
#    platform;
#  - the CPU the game uses while its clock runs, as a share of one core, beside the baseline's
#    and a bare window's with one label ticking;
#  - resident memory after 100 and after 1000 openings and closings of the instructions.
#
#   scripts/bench.sh [RUNS] [IDLE_SECONDS]     (defaults 15 and 20)
#
# The baseline is today's main unless GIRO_BENCH_BASELINE names another commit. It is built
# in build/bench-baseline from that commit's sources with this tree's bench/ laid over them,
# so both sides run the very same measuring code.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-15}"
idle="${2:-20}"
baseline="${GIRO_BENCH_BASELINE:-049d0e9ea4e76ecc78300bee4a9ddb9d3e536082}"
press_rounds=10 # runs of the press probe on each side, alternating
press_games=20  # games per run, some 28 presses each

scripts/install-deps.sh --test
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

# Only the programs that run the game are built for the baseline: the engine benchmark follows
# the engine's interface, which may differ between the two.
base=build/bench-baseline
commit=$(git rev-parse --verify "$baseline^{commit}")
scripts/lay-out-commit.sh "$commit" "$base"
rm -rf "$base/src/bench"
cp -a bench "$base/src/bench" # times kept, so only what changed is rebuilt
cmake -S "$base/src" --preset bench -B "$base/build" >/dev/null
cmake --build "$base/build" --target girolettera-probe giro_bench_press >/dev/null

bin=build/bench
echo "== engine (ns per event; CPU time) =="
# Google Benchmark's console table, cut down to one figure per line.
"$bin/bench/giro_bench_engine" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null |
    awk -F, '/_median"/ { gsub(/"/, "", $1); sub(/_median$/, "", $1); printf "%s_ns %.1f\n", $1, $4 }'

echo "== AVANTI press through the window, against ${commit:0:12} (CPU per press, offscreen) =="
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for ((i = 0; i < press_rounds; i++)); do
    # Alternate which side goes first, so neither always runs on a machine the other warmed.
    if ((i % 2 == 0)); then sides=(current baseline); else sides=(baseline current); fi
    for side in "${sides[@]}"; do
        probe="$bin/bench/giro_bench_press"
        [[ $side == baseline ]] && probe="$base/build/bench/giro_bench_press"
        QT_QPA_PLATFORM=offscreen "$probe" "$press_games" 2>/dev/null >"$tmp/$side.$i"
    done
done
# The median over the runs of each run's figure; the ratio of the two sides' medians, and the
# least and greatest ratio of one round's pair, which show how far the noise reaches.
figure() { # side name [printf format]
    cat "$tmp/$1".* | awk -v name="$2" '$1 == name { print $2 }' | sort -g |
        awk -v fmt="${3:-%.1f}" '{ v[NR] = $1 } END {
            printf fmt "\n", (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
echo "press_runs_each $press_rounds"
echo "press_count_per_run $(figure current press_count %d)"
for name in press_cpu_us_median press_cpu_us_mean press_wall_us_median press_paint_events_mean; do
    echo "$name $(figure current "$name")"
    echo "${name/press_/press_baseline_} $(figure baseline "$name")"
done
awk -v c="$(figure current press_cpu_us_median)" -v b="$(figure baseline press_cpu_us_median)" \
    'BEGIN { printf "press_cpu_ratio_to_baseline %.3f (target <= 0.85)\n", c / b }'
for ((i = 0; i < press_rounds; i++)); do
    c=$(awk '$1 == "press_cpu_us_median" { print $2 }' "$tmp/current.$i")
    b=$(awk '$1 == "press_cpu_us_median" { print $2 }' "$tmp/baseline.$i")
    awk -v c="$c" -v b="$b" 'BEGIN { print c / b }'
done | sort -g | awk '{ v[NR] = $1 } END {
    printf "press_cpu_ratio_one_round_least %.3f\n", v[1]
    printf "press_cpu_ratio_one_round_greatest %.3f\n", v[NR] }'

echo "== start-up, peak memory and idle cost (offscreen) =="
"$bin/bench/giro_bench_startup" "$bin/bench/girolettera-probe" "$bin/bench/barewindow" "$runs" "$idle" \
    "$base/build/bench/girolettera-probe"

echo "== instructions window opened and closed (offscreen) =="
QT_QPA_PLATFORM=offscreen "$bin/bench/giro_bench_instructions" 1000 2>/dev/null
