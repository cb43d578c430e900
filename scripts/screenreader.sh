#!/usr/bin/env bash
# Plays one game keyboard-only under the Orca screen reader, on a private X server, and prints
# what Orca spoke after each key: GIOCA, moves through the answer box by character and by
# word and through the clue by word and by line, three right, three wrong and three passed
# answers, the rest of the first pass, one second-pass answer, then the clock running out.
# Fails when a clue, a verdict, a move or the ending was not spoken, or the clock stopped.
# Needs root for the first install only.
#
#   scripts/screenreader.sh
#
# Everything it writes (Orca's debug log, the speech server's output, the transcript) is in
# build/screenreader.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --screenreader
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

rm -rf build/screenreader
mkdir -p build/screenreader
# Debian's own Python: the AT-SPI bindings come as a Debian package. The session bus's own
# chatter goes to a log; the player's messages still reach this terminal through fd 3.
exec 3>&2
exec dbus-run-session -- sh -c 'exec /usr/bin/python3 scripts/screenreader.py 2>&3' \
    2>build/screenreader/dbus-session.log
