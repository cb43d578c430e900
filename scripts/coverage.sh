#!/usr/bin/env bash
# Builds with coverage counters, runs every test and reports the line and branch coverage of
# the question bank, the draw and the engine (src/content and src/engine). Fails below 95 % of
# branches taken. Reports land in build/coverage/coverage.txt and coverage.html.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
cmake --preset coverage >/dev/null
cmake --build --preset coverage
find build/coverage -name '*.gcda' -delete
ctest --preset coverage
# Not ours to cover: the branches only the compiler's exception paths or dead code could take,
# and those of the defaulted operator== of the game's value types, one short cut per member
# that the compiler writes (the types are compared whole, by the window and the tests, so most
# of those short cuts are never taken: two states differ in many members at once).
gcovr --root . --object-directory build/coverage --exclude-directories '.*/CompilerIdCXX' \
    --filter 'src/content/' --filter 'src/engine/' \
    --exclude-throw-branches --exclude-unreachable-branches \
    --exclude-branches-by-pattern '.*\boperator==\(.*\)\s*const\s*=\s*default;.*' \
    --txt build/coverage/coverage.txt --html-details build/coverage/coverage.html \
    --print-summary --fail-under-branch 95
