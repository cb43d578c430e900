#!/usr/bin/env bash
# Plays one game keyboard-only under the Orca screen reader, on a private X server, and prints
# what Orca spoke after each key: GIOCA, moves through the answer box by character and by
# word and through the clue by word and by line, three right, three wrong and three passed
# answers, the rest of the first pass, one second-pass answer, then the clock running out.
# Fails when a clue, a verdict, a move or the ending was not spoken, or the clock stopped.
# Needs root for the first install only, and for --in.
#
#   scripts/screenreader.sh [--in bookworm|trixie|trixie-backports|forky] [--site DIR] [PLAY]...
#
# Each PLAY is one game: the desktop's language, C or en_US, with "+voice" when the game has
# its own Italian voice in Orca (what a player sets with Orca+Ctrl+Space); then every clue,
# verdict and ending must also be spoken in Italian. Without PLAY, one game on a C desktop.
# PLAY firefox or chromium plays the web build instead, in the page in that browser (Firefox
# ESR, Chromium) on a C desktop: the site --site DIR, build/web/site unless given, which
# scripts/web.sh makes. Then the name of every button and box as the keyboard reaches it, and
# the score and the time as asked for, must be spoken too.
# --in plays in a fresh root of that Debian release, made by scripts/in-root.sh with the
# checkout bound in: bookworm has Orca 43, trixie Orca 48, trixie-backports Orca 51 (Debian 13
# with what its backports carry), forky Debian testing's. The status is the worst of the
# games': 0 all spoken, 1 something not spoken, 2 a play that went wrong.
#
# Everything a game writes (Orca's debug log, the speech server's output, the transcript) is in
# build/screenreader/RELEASE/PLAY, RELEASE being the root's (or this machine's) release.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

usage() {
    echo "usage: scripts/screenreader.sh [--in bookworm|trixie|trixie-backports|forky] [--site DIR]" \
         "[C|en_US|C+voice|en_US+voice|firefox|chromium]..." >&2
    exit 2
}
root=""
site=build/web/site
plays=()
while [[ $# -gt 0 ]]; do
    case "$1" in
    --in) root=${2:-}; [[ -n "$root" ]] || usage; shift 2 ;;
    --site) site=${2:-}; [[ -n "$site" ]] || usage; shift 2 ;;
    C | en_US | C+voice | en_US+voice | firefox | chromium) plays+=("$1"); shift ;;
    *) usage ;;
    esac
done
site=$(realpath -m "$site")
[[ ${#plays[@]} -gt 0 ]] || plays=(C)

if [[ -n "$root" ]]; then
    case "$root" in
    bookworm | trixie | forky) exec scripts/in-root.sh "$root" --bind "$top" --env GIRO_SCREENREADER_RELEASE="$root" \
                                   -- "$top/scripts/screenreader.sh" --site "$site" "${plays[@]}" ;;
    trixie-backports) exec scripts/in-root.sh trixie --backports --bind "$top" --env GIRO_SCREENREADER_RELEASE="$root" \
                           -- "$top/scripts/screenreader.sh" --site "$site" "${plays[@]}" ;;
    *) usage ;;
    esac
fi

scripts/install-deps.sh --screenreader
. /etc/os-release
release=${GIRO_SCREENREADER_RELEASE:-$VERSION_CODENAME}
if [[ -n "${GIRO_SCREENREADER_RELEASE:-}" ]]; then
    # In a root the game is built with that release's Qt, apart from this machine's build.
    build=build/screenreader/$release/game
    cmake --preset release -B "$build" >/dev/null
    cmake --build "$build" >/dev/null
else
    build=build/release
    cmake --preset release >/dev/null
    cmake --build --preset release >/dev/null
fi
echo "screenreader: $(orca --version 2>/dev/null | head -n 1), on Debian $release"

# An en_US desktop needs its locale, which a minimal Debian lacks.
for play in "${plays[@]}"; do
    if [[ "$play" == en_US* ]] && ! locale -a 2>/dev/null | grep -qix 'en_US.utf-\?8'; then
        [[ $(id -u) -eq 0 ]] || { echo "screenreader.sh: the en_US.UTF-8 locale is missing" >&2; exit 2; }
        localedef -i en_US -f UTF-8 en_US.UTF-8
    fi
done

status=0
summary=()
for play in "${plays[@]}"; do
    out=build/screenreader/$release/$play
    rm -rf "$out"
    mkdir -p "$out"
    case "$play" in
    firefox | chromium)
        [[ -f "$site/index.html" ]] || { echo "screenreader.sh: no site in $site (scripts/web.sh makes it)" >&2; exit 2; }
        args=(--out "$out" --build "$build" --desktop C --browser "$play" --site "$site") ;;
    *)
        args=(--out "$out" --build "$build" --desktop "${play%+voice}")
        [[ "$play" == *+voice ]] && args+=(--italian-voice) ;;
    esac
    # Debian's own Python: the AT-SPI bindings come as a Debian package. The session bus's own
    # chatter goes to a log; the player's messages still reach this terminal through fd 3.
    exec 3>&2
    code=0
    dbus-run-session -- sh -c 'exec /usr/bin/python3 scripts/screenreader.py "$@" 2>&3' screenreader "${args[@]}" \
        2>"$out/dbus-session.log" || code=$?
    exec 3>&-
    ((code > status)) && status=$code
    summary+=("== $release, $play: status $code")
    [[ -f "$out/transcript.txt" ]] && summary+=("$(sed -n '/^== verdict ==$/,/^$/p' "$out/transcript.txt" | tail -n +2)")
done
printf '%s\n' "${summary[@]}"
exit "$status"
