#!/usr/bin/env bash
# Builds the game for web browsers, into build/web/:
#   site/                            the whole game for any static web server: index.html,
#                                    girolettera.js, girolettera.wasm and qtloader.js
#   girolettera-<version>-web.zip    the same four files in a folder girolettera-<version>-web
#   scripts/web.sh [--test | --bench]
# Qt for the web comes from the prefix GIRO_QT_WEB, or else build/qt-web; scripts/build-qt-web.sh
# makes it first where it is missing or was built by another recipe. --test then runs the web
# tests: the engine's unit tests under node, the page in headless Chromium, and a game played
# through in Chromium, Firefox and WebKit (`ctest --preset web`). --bench builds the bare
# window's site beside the game's too (build/web/bench-site), and the game's site as it was at
# a baseline commit (40530fb unless GIRO_WEB_BENCH_BASELINE names another; in
# build/web-baseline, with that commit's own Qt recipe, whose Qt lies beside this build's and
# is built there where missing), and prints the web build's figures (bench/web_bench.py), a
# phone's against the baseline's among them. On Debian 12,
# whose emscripten is too old, the whole run happens in a fresh Debian 13 root
# (scripts/in-root.sh) with the checkout and the Qt prefix bound in at the same paths, so
# everything it makes is here afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
mode=${1:-}
case "$mode" in
"" | --test | --bench) ;;
*) echo "usage: scripts/web.sh [--test | --bench]" >&2; exit 2 ;;
esac

GIRO_QT_WEB=$(realpath -m "${GIRO_QT_WEB:-$top/build/qt-web}")
export GIRO_QT_WEB
# The archive carries the time of the last commit.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
export SOURCE_DATE_EPOCH

# The baseline of the bench: that commit's sources, and the Qt its own recipe builds, named
# after that recipe's key beside this build's Qt.
base=build/web-baseline
baseline_root=()
if [[ "$mode" == --bench && -z "${GIRO_WEB_BASELINE_QT:-}" ]]; then
    scripts/lay-out-commit.sh "${GIRO_WEB_BENCH_BASELINE:-40530fb}" "$base"
    GIRO_WEB_BASELINE_QT=$(dirname "$GIRO_QT_WEB")/qt-web-$("$base/src/scripts/build-qt-web.sh" --key)
    export GIRO_WEB_BASELINE_QT
    mkdir -p "$GIRO_WEB_BASELINE_QT"
    baseline_root=(--bind "$GIRO_WEB_BASELINE_QT" --env GIRO_WEB_BASELINE_QT="$GIRO_WEB_BASELINE_QT")
fi

. /etc/os-release
if [[ "$VERSION_CODENAME" == bookworm ]]; then
    echo "web.sh: Debian 12's emscripten is too old; building in a Debian 13 root"
    mkdir -p "$GIRO_QT_WEB"
    exec scripts/in-root.sh trixie --bind "$top" --bind "$GIRO_QT_WEB" \
        "${baseline_root[@]}" \
        --env GIRO_QT_WEB="$GIRO_QT_WEB" --env SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" \
        -- "$top/scripts/web.sh" "$@"
fi

scripts/install-deps.sh --web
scripts/build-qt-web.sh "$GIRO_QT_WEB"
start=$SECONDS
bench=OFF
[[ "$mode" == --bench ]] && bench=ON
# A build folder configured with another Qt for the web (as its stamp says) is configured
# afresh: CMake would keep the other Qt's toolchain.
fresh=()
stamp=build/web/qt-web-prefix
if [[ -f build/web/CMakeCache.txt && "$(cat $stamp 2>/dev/null)" != "$GIRO_QT_WEB" ]]; then
    fresh=(--fresh)
fi
cmake --preset web "${fresh[@]}" -DGIRO_BUILD_BENCH=$bench >/dev/null
echo "$GIRO_QT_WEB" >$stamp
cmake --build --preset web
echo "== the site, built in $((SECONDS - start)) s:"
ls -l build/web/site build/web/girolettera-*-web.zip
case "$mode" in
--test) ctest --preset web ;;
--bench)
    # The baseline's site, built as that commit built it, its Qt by its own recipe.
    "$base/src/scripts/build-qt-web.sh" "$GIRO_WEB_BASELINE_QT"
    GIRO_QT_WEB=$GIRO_WEB_BASELINE_QT cmake -S "$base/src" --preset web -B "$base/build" \
        -DGIRO_BUILD_TESTS=OFF >/dev/null
    cmake --build "$base/build" --target girolettera-site >/dev/null
    python3 bench/web_bench.py --site build/web/site --bare-site build/web/bench-site \
        --carried build/web/src/ui/web --baseline-site "$base/build/site" ;;
esac
