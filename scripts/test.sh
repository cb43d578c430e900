#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test in four builds: a debug build, a
# build under the address and undefined-behaviour sanitizers, a debug build made with clang (the
# unit and window tests), and the coverage build with its gate (scripts/coverage.sh). Every
# build runs even when an earlier one fails; the failures are listed at the end. It fails, too,
# when a program from the build folders is still running once the tests are over: a test must
# end what it starts.
set -uo pipefail
cd "$(dirname "$0")/.."
top=$PWD

scripts/install-deps.sh --test || exit 1

# Programs started from this checkout's build folders that are still running.
leftovers() {
    local exe pid
    for exe in /proc/[0-9]*/exe; do
        pid=${exe#/proc/}
        pid=${pid%/exe}
        [[ $pid == "$$" ]] && continue
        case "$(readlink "$exe" 2>/dev/null)" in
        "$top"/build/*) echo "$pid" ;;
        esac
    done
}

failed=()
for preset in debug asan clang; do
    echo "== $preset =="
    cmake --workflow --preset "$preset" || failed+=("$preset")
done
echo "== coverage =="
scripts/coverage.sh || failed+=(coverage)

stray=$(leftovers)
if [[ -n "$stray" ]]; then
    echo "== still running after the tests ==" >&2
    # shellcheck disable=SC2086
    ps -o pid=,args= -p $(echo $stray | tr ' ' ,) >&2
    # shellcheck disable=SC2086
    kill -KILL $stray 2>/dev/null
    failed+=("programs left running")
fi

if [[ ${#failed[@]} -gt 0 ]]; then
    printf '== failed: %s\n' "${failed[@]}" >&2
    exit 1
fi
echo "== all builds passed =="
