#!/usr/bin/env bash
# The portable zip as a player meets it, under Wine: unzipped into an empty folder, it holds
# the program and what it needs and nothing else, and the program, given nothing but that
# folder, plays: GIOCA, a wrong answer typed, AVANTI, and the first disc (A) turns red on the
# screen. Pictures of the screen are left in OUT_DIR.
#   windows_zip.sh BUILD_DIR ZIP SCREENSHOT_TOOL OUT_DIR VERSION
# Needs the X server and prefix of `tests/wine.sh start BUILD_DIR`.
set -euo pipefail
build=$(realpath "$1")
zip=$(realpath "$2")
screenshot=$3
out=$4
version=$5
here=$(dirname "$(realpath "$0")")
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$build/zip-test
rm -rf "$work"
mkdir -p "$work" "$out"
unzip -q "$zip" -d "$work"
folder=$work/$(basename "$zip" .zip)
[[ -d $folder ]] || fail "the zip does not unpack into $(basename "$folder")/"

# Everything the program loads, its licences and nothing more: no debug files, no test
# library, no plugin it never loads.
expected="CHANGELOG.txt LICENSE.txt Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll THIRD-PARTY.txt girolettera.exe
imageformats/qjpeg.dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll
licenses/GPL-3.txt licenses/LGPL-3.txt licenses/gcc-runtime.txt licenses/mingw-w64-runtime.txt
licenses/qt6-base.txt platforms/qwindows.dll translations/qtbase_it.qm"
actual=$(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[[ $actual == "$(tr ' ' '\n' <<<"$expected" | sed '/^$/d' | LC_ALL=C sort)" ]] ||
    fail "the zip holds:"$'\n'"$actual"
for dll in "$folder"/*.dll "$folder"/*/*.dll "$folder"/girolettera.exe; do
    if x86_64-w64-mingw32-objdump -h "$dll" | grep -q '\.debug_'; then
        fail "$(basename "$dll") carries debug symbols"
    fi
done

answer=$("$here/wine.sh" run "$build" - "$folder/girolettera.exe" --version 2>"$work/version.err")
answer=${answer%$'\r'} # a Windows console line ends in CR LF
[[ $answer == "girolettera $version" ]] || fail "--version says: $answer"

export DISPLAY
DISPLAY=$(cat "$build/wine/display")
"$here/wine.sh" run "$build" - "$folder/girolettera.exe" >"$work/game.log" 2>&1 &
game=$!
trap 'kill $game 2>/dev/null || true; wait $game 2>/dev/null || true' EXIT

# Polled rather than `search --sync`: Wine makes and destroys windows of its own while the
# program starts, and xdotool gives up on an X error when one goes between being listed and
# being looked at.
window=
for _ in $(seq 240); do
    window=$(xdotool search --onlyvisible --name '^GIROLETTERA v' 2>/dev/null | head -1) || true
    [[ -n $window ]] && break
    sleep 0.5
done
[[ -n $window ]] || fail "no game window after 120 s: $(cat "$work/game.log")"
sleep 2
eval "$(xdotool getwindowgeometry --shell "$window")"
# The window's frame is Wine's own (no window manager): equal borders left, right and below,
# the caption above. The client area is 401 x 381.
border=$(((WIDTH - 401) / 2))
left=$((X + border))
top=$((Y + HEIGHT - border - 381))
at() { echo "$((left + $1)),$((top + $2))"; }
click() { xdotool mousemove "$((left + $1))" "$((top + $2))" click 1; sleep 1; }

# Disc A: its ring below and left of the letter, as laid out (twips / 15), clear of the strike
# a wrong letter carries from the disc's top left to its bottom right.
ring=("$(at 80 118)" "$(at 68 104)")
colours() { "$screenshot" "$out/$1" "${ring[@]}" | tr '\n' ' '; }
is_red() { for c in $1; do (( 16#${c:1:2} > 150 && 16#${c:3:2} < 100 && 16#${c:5:2} < 100 )) || return 1; done; }

before=$(colours game-start.png)
is_red "$before" && fail "disc A is red before any answer: $before"
click 176 20              # GIOCA
click 196 361             # the answer box
xdotool type --delay 50 'zzzzz'
sleep 1
click 348 348             # AVANTI
sleep 1
after=$(colours game-after-avanti.png)
is_red "$after" || fail "disc A is not red after a wrong answer: $after (before: $before)"
click 60 32               # Istruzioni e informazioni sul gioco, beside the game
sleep 3
"$screenshot" "$out/both-windows.png" >/dev/null
echo "disc A: $before before, $after after a wrong answer; pictures in $out"
