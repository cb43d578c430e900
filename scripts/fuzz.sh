#!/usr/bin/env bash
# Builds the fuzz target with clang (libFuzzer, address and undefined-behaviour sanitizers)
# and runs it for SECONDS (default 60) over the answer check, the clue match and whole games
# fed with arbitrary text. The corpus grows in build/fuzz/corpus; an input that breaks a rule
# or trips a sanitizer is kept in build/fuzz/findings and the script fails.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/install-deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target giro_fuzz_answers

corpus=build/fuzz/corpus
findings=build/fuzz/findings
mkdir -p "$corpus" "$findings"
# A few starting texts, so the first minutes are not spent finding the keyword.
printf '\x00girolettera' >"$corpus/seed-keyword"
printf '\x07GIROLETTERA' >"$corpus/seed-keyword-capitals"
printf '\x2aElemento chimico' >"$corpus/seed-shared-clue"
printf '\x15Ubiquit\xc3\xa0' >"$corpus/seed-accent"

log=build/fuzz/last-run.log
set +e
build/fuzz/fuzz/giro_fuzz_answers "$corpus" \
    -max_total_time="$seconds" -dict=fuzz/giro.dict -use_value_profile=1 -max_len=4096 \
    -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
status=$?
set -e
grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|ERROR|rule broken|SUMMARY|^artifact' "$log" || true

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
echo "fuzz_seconds $seconds"
echo "fuzz_executions ${executions:-unknown}"
echo "fuzz_corpus_inputs $(find "$corpus" -type f | wc -l)"
echo "fuzz_findings $(find "$findings" -type f | wc -l) (in $findings)"
exit "$status"
