#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice, through the workflow presets:
# a normal debug build and a build under the address and undefined-behaviour sanitizers. Fails on
# any failure or report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
for preset in debug asan; do
    echo "== $preset =="
    cmake --workflow --preset "$preset"
done
